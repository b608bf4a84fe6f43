#include "engine/pluginformatcache.h"

#include <lyrovo_plugin.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace lyrovo {

namespace {

// The layout of the cache file; a cache written for another plug-in
// interface version is ignored too (its lists may no longer hold).
constexpr int kCacheVersion = 1;
constexpr qint64 kMaxCacheBytes = 1 << 20;

}  // namespace

PluginFormatCache::PluginFormatCache(QString file) : file_(std::move(file)) {}

void PluginFormatCache::read() {
  read_ = true;
  if (file_.isEmpty()) return;
  QFile file(file_);
  if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxCacheBytes) return;
  const QJsonObject root = QJsonDocument::fromJson(file.readAll()).object();
  if (root.value(QStringLiteral("version")).toInt() != kCacheVersion ||
      root.value(QStringLiteral("abi")).toInteger() != LYROVO_PLUGIN_ABI_VERSION)
    return;
  for (const QJsonValue& value : root.value(QStringLiteral("plugins")).toArray()) {
    const QJsonObject plugin = value.toObject();
    const QString path = plugin.value(QStringLiteral("path")).toString();
    if (path.isEmpty()) continue;
    Entry entry;
    entry.size = plugin.value(QStringLiteral("size")).toInteger(-1);
    entry.modifiedMs = plugin.value(QStringLiteral("modified")).toInteger(-1);
    entry.usable = plugin.value(QStringLiteral("usable")).toBool();
    for (const QJsonValue& item : plugin.value(QStringLiteral("formats")).toArray()) {
      const QJsonObject format = item.toObject();
      const qint64 typeCode = format.value(QStringLiteral("type")).toInteger(-1);
      if (typeCode < 0 || typeCode > 0xFFFFFFFFLL) continue;
      entry.formats.push_back({std::uint32_t(typeCode), format.value(QStringLiteral("name")).toString(),
                               format.value(QStringLiteral("extensions")).toString()});
    }
    entries_[path] = std::move(entry);
  }
}

const PluginFormatCache::Entry* PluginFormatCache::find(const QString& path, qint64 size, qint64 modifiedMs) {
  if (!read_) read();
  const auto it = entries_.find(path);
  if (it != entries_.end()) {
    if (it->second.size == size && it->second.modifiedMs == modifiedMs) return &it->second;
    return nullptr;
  }
  // A program folder copied or moved elsewhere keeps its plug-ins' names,
  // sizes and times: the same file under another folder.
  const QString name = QFileInfo(path).fileName();
  for (const auto& [known, entry] : entries_)
    if (entry.size == size && entry.modifiedMs == modifiedMs && QFileInfo(known).fileName() == name)
      return &entry;
  return nullptr;
}

void PluginFormatCache::store(const QString& path, Entry entry) {
  if (!read_) read();
  entries_[path] = std::move(entry);
  changed_ = true;
}

void PluginFormatCache::save() {
  if (!changed_ || file_.isEmpty()) return;
  changed_ = false;
  QJsonArray plugins;
  for (const auto& [path, entry] : entries_) {
    if (!QFileInfo::exists(path)) continue;
    QJsonArray formats;
    for (const PluginFormat& format : entry.formats)
      formats.append(QJsonObject{{QStringLiteral("type"), qint64(format.typeCode)},
                                 {QStringLiteral("name"), format.name},
                                 {QStringLiteral("extensions"), format.extensions}});
    plugins.append(QJsonObject{{QStringLiteral("path"), path},
                               {QStringLiteral("size"), entry.size},
                               {QStringLiteral("modified"), entry.modifiedMs},
                               {QStringLiteral("usable"), entry.usable},
                               {QStringLiteral("formats"), formats}});
  }
  const QJsonObject root{{QStringLiteral("version"), kCacheVersion},
                         {QStringLiteral("abi"), qint64(LYROVO_PLUGIN_ABI_VERSION)},
                         {QStringLiteral("plugins"), plugins}};
  if (!QDir().mkpath(QFileInfo(file_).absolutePath())) return;
  QSaveFile file(file_);
  if (!file.open(QIODevice::WriteOnly)) return;
  file.write(QJsonDocument(root).toJson());
  file.commit();
}

}  // namespace lyrovo
