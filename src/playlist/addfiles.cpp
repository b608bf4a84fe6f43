#include "playlist/addfiles.h"

#include "engine/decoder.h"
#include "engine/plugins.h"
#include "engine/tags.h"
#include "playlist/supportedfile.h"
#include "text/textutil.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <memory>
#include <vector>

namespace lyrovo {

namespace {

bool supported(const QFileInfo& file, const QString& types) {
  return IsSupportedFile(file.fileName().toLower(), types);
}

// Walks folder depth first, appending its supported files to out: each
// folder's own files in listing order, then its subfolders. An explicit
// stack keeps very deep trees off the call stack.
void walkFolder(const QString& folder, bool subfolders, const QString& types, const std::atomic<bool>& cancel,
                QStringList& out, QStringList* unreadable) {
  QSet<QString> visited;
  std::vector<QString> stack{folder};
  while (!stack.empty() && !cancel.load()) {
    const QString dir = std::move(stack.back());
    stack.pop_back();
    const QFileInfo info(dir);
    const QString canonical = info.canonicalFilePath();
    if (canonical.isEmpty() || visited.contains(canonical)) continue;
    visited.insert(canonical);
    if (!info.isReadable() || !info.isExecutable()) {
      if (unreadable) unreadable->append(dir);
      continue;
    }
    std::vector<QString> children;
    QDirIterator entries(dir, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
    while (entries.hasNext() && !cancel.load()) {
      entries.next();
      const QFileInfo entry = entries.fileInfo();
      if (entry.isDir()) {
        if (subfolders) children.push_back(entry.filePath());
      } else if (entry.isFile() && supported(entry, types)) {
        out.append(entry.filePath());
      }
    }
    std::for_each(children.rbegin(), children.rend(),
                  [&](QString& child) { stack.push_back(std::move(child)); });
  }
}

}  // namespace

QStringList CollectAddFiles(const AddSource& source, const std::atomic<bool>& cancel,
                            QStringList* unreadable) {
  QStringList out;
  for (const QString& path : source.paths) {
    if (cancel.load()) break;
    const QFileInfo info(path);
    switch (source.kind) {
      case AddSource::Kind::Files:
        if (info.isFile()) out.append(path);
        break;
      case AddSource::Kind::Folder:
        walkFolder(path, source.subfolders, source.supportedTypes, cancel, out, unreadable);
        break;
      case AddSource::Kind::Paths:
        if (info.isDir()) {
          walkFolder(path, source.subfolders, source.supportedTypes, cancel, out, unreadable);
        } else if (info.isFile() && supported(info, source.supportedTypes)) {
          out.append(path);
        }
        break;
    }
  }
  return out;
}

PlaylistRow ReadAddedRow(const QString& path, const PluginHost* plugins, DecoderCache* cache) {
  double seconds = 0;
  {
    std::unique_ptr<Decoder> decoder = openCoreDecoder(path, cache);
    if (!decoder && plugins) decoder = plugins->open(path);
    if (decoder && decoder->format().sampleRate > 0 && decoder->lengthFrames() > 0)
      seconds = double(decoder->lengthFrames()) / decoder->format().sampleRate;
  }
  TagFields fields;
  GetTags(fields, path, fileTypeOf(path), seconds);
  PlaylistRow row;
  row.path = path;
  row.title = fields.tagTitle;
  row.artist = fields.tagArtist;
  row.lengthText = FormatTime(fields.infoLength);
  return row;
}

bool AcceptableDrop(const QStringList& paths, const QString& supportedTypes) {
  for (const QString& path : paths)
    if (IsSupportedFile(QFileInfo(path).fileName().toLower(), supportedTypes)) return true;
  return std::any_of(paths.begin(), paths.end(), [](const QString& path) { return QFileInfo(path).isDir(); });
}

}  // namespace lyrovo
