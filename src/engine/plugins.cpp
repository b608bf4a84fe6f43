#include "engine/plugins.h"

#include "base/childoutput.h"

#include <lyrovo_plugin.h>

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

namespace lyrovo {

namespace {

const LyrovoPluginInfo* pluginInfo(void* library) {
  auto entry = reinterpret_cast<LyrovoPluginInfoFunction>(dlsym(library, LYROVO_PLUGIN_ENTRY));
  if (!entry) return nullptr;
  const LyrovoPluginInfo* info = entry();
  if (!info || info->abi_version != LYROVO_PLUGIN_ABI_VERSION || !info->open || !info->read || !info->seek ||
      !info->close || (info->format_count > 0 && !info->formats))
    return nullptr;
  return info;
}

// A stream opened by a plug-in.
class PluginDecoder : public Decoder {
 public:
  PluginDecoder(const LyrovoPluginInfo* info, void* stream, const LyrovoStreamInfo& streamInfo,
                std::uintptr_t handle)
      : info_(info), stream_(stream), length_(std::max<std::int64_t>(streamInfo.length_frames, 0)) {
    format_ = {streamInfo.sample_rate, streamInfo.channels, streamInfo.type_code, handle};
  }
  ~PluginDecoder() override { info_->close(stream_); }

  StreamFormat format() const override { return format_; }
  std::int64_t lengthFrames() const override { return length_; }
  bool seek(std::int64_t frame) override { return info_->seek(stream_, frame) == 0; }
  std::int64_t read(std::int16_t* out, std::int64_t frames) override {
    return info_->read(stream_, out, frames);
  }

 private:
  const LyrovoPluginInfo* info_;
  void* stream_;
  std::int64_t length_;
  StreamFormat format_;
};

}  // namespace

PluginHost::~PluginHost() { freeAll(); }

namespace {

void appendWord(std::string& out, std::uint32_t value) {
  out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

bool readWord(const std::string& in, std::size_t& at, std::uint32_t& value) {
  if (in.size() - at < sizeof value) return false;
  std::memcpy(&value, in.data() + at, sizeof value);
  at += sizeof value;
  return true;
}

bool readText(const std::string& in, std::size_t& at, QString& text) {
  std::uint32_t length = 0;
  if (!readWord(in, at, length) || in.size() - at < length) return false;
  text = QString::fromUtf8(in.data() + at, qsizetype(length));
  at += length;
  return true;
}

// The child's report: a count, then per format its type code and two
// length-prefixed UTF-8 texts.
std::optional<std::vector<PluginFormat>> parseReport(const std::string& report) {
  std::size_t at = 0;
  std::uint32_t count = 0;
  if (!readWord(report, at, count)) return std::nullopt;
  std::vector<PluginFormat> formats;
  for (std::uint32_t i = 0; i < count; ++i) {
    PluginFormat format;
    if (!readWord(report, at, format.typeCode) || !readText(report, at, format.name) ||
        !readText(report, at, format.extensions))
      return std::nullopt;
    formats.push_back(std::move(format));
  }
  if (at != report.size()) return std::nullopt;
  return formats;
}

[[noreturn]] void reportFormats(const char* libraryPath, int out) {
  void* library = dlopen(libraryPath, RTLD_NOW | RTLD_LOCAL);
  if (!library) ::_exit(1);
  const LyrovoPluginInfo* info = pluginInfo(library);
  if (!info) ::_exit(1);
  std::string report;
  appendWord(report, info->format_count);
  for (std::uint32_t i = 0; i < info->format_count; ++i) {
    appendWord(report, info->formats[i].type_code);
    for (const char* text : {info->formats[i].name, info->formats[i].extensions}) {
      const std::size_t length = text ? std::strlen(text) : 0;
      appendWord(report, std::uint32_t(length));
      report.append(text ? text : "", length);
    }
  }
  for (std::size_t done = 0; done < report.size();) {
    const ssize_t wrote = ::write(out, report.data() + done, report.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) ::_exit(1);
    done += std::size_t(wrote);
  }
  ::_exit(0);
}

}  // namespace

std::optional<std::vector<PluginFormat>> PluginHost::probe(const QString& libraryPath, int timeoutMs) {
  const QByteArray native = QFile::encodeName(libraryPath);
  int pipeEnds[2];
  if (::pipe2(pipeEnds, O_CLOEXEC) != 0) return std::nullopt;
  const pid_t child = ::fork();
  if (child < 0) {
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    return std::nullopt;
  }
  if (child == 0) {
    ::close(pipeEnds[0]);
    reportFormats(native.constData(), pipeEnds[1]);
  }
  ::close(pipeEnds[1]);
  // A child that does not finish within the time limit (a plug-in that hangs
  // while loading) is ended, and the plug-in skipped, so start-up never hangs.
  constexpr std::int64_t kMaxReport = 1 << 20;
  const ChildOutput report = CollectChildOutput(child, pipeEnds[0], kMaxReport, timeoutMs);
  if (!report.exitedCleanly) return std::nullopt;
  return parseReport(report.bytes);
}

std::uintptr_t PluginHost::load(const QString& path) {
  const QFileInfo file(path);
  if (!file.isFile()) return 0;
  const QString key = file.absoluteFilePath();
  const qint64 modifiedMs = file.lastModified().toMSecsSinceEpoch();
  const PluginFormatCache::Entry* known = cache_ ? cache_->find(key, file.size(), modifiedMs) : nullptr;
  std::optional<std::vector<PluginFormat>> formats;
  if (known) {
    if (known->usable) formats = known->formats;
  } else {
    formats = probe(path, probeTimeoutMs_);
    if (cache_) {
      cache_->store(
          key, {file.size(), modifiedMs, formats.has_value(), formats.value_or(std::vector<PluginFormat>{})});
      cache_->save();
    }
  }
  if (!formats) return 0;
  auto plugin = std::make_unique<Plugin>();
  plugin->path = path;
  plugin->formats = std::move(*formats);
  plugins_.push_back(std::move(plugin));
  return reinterpret_cast<std::uintptr_t>(plugins_.back().get());
}

const LyrovoPluginInfo* PluginHost::opened(Plugin& plugin) const {
  std::lock_guard lock(openMutex_);
  if (plugin.info || plugin.unusable) return plugin.info;
  plugin.library = dlopen(QFile::encodeName(plugin.path).constData(), RTLD_NOW | RTLD_LOCAL);
  plugin.info = plugin.library ? pluginInfo(plugin.library) : nullptr;
  if (!plugin.info) {
    if (plugin.library) dlclose(plugin.library);
    plugin.library = nullptr;
    plugin.unusable = true;
  }
  return plugin.info;
}

void PluginHost::freeAll() {
  std::lock_guard lock(openMutex_);
  for (auto& plugin : plugins_)
    if (plugin->library) dlclose(plugin->library);
  plugins_.clear();
}

std::vector<PluginFormat> PluginHost::formatsOf(std::uintptr_t handle) const {
  for (const auto& plugin : plugins_)
    if (reinterpret_cast<std::uintptr_t>(plugin.get()) == handle) return plugin->formats;
  return {};
}

std::unique_ptr<Decoder> PluginHost::open(const QString& path) const {
  const QByteArray utf8 = path.toUtf8();
  for (const auto& plugin : plugins_) {
    if (plugin->formats.empty()) continue;
    const LyrovoPluginInfo* table = opened(*plugin);
    if (!table) continue;
    LyrovoStreamInfo info{};
    void* stream = table->open(utf8.constData(), &info);
    if (!stream) continue;
    if (info.sample_rate < 1 || info.channels < 1) {
      table->close(stream);
      continue;
    }
    return std::make_unique<PluginDecoder>(table, stream, info,
                                           reinterpret_cast<std::uintptr_t>(plugin.get()));
  }
  return nullptr;
}

}  // namespace lyrovo
