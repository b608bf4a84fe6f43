#pragma once

#include "playlist/playlist.h"

#include <QString>
#include <QStringList>

#include <atomic>

namespace lyrovo {

class DecoderCache;
class PluginHost;

// What one add brings to the playlist.
struct AddSource {
  enum class Kind {
    // Files chosen in the file dialog: each one as it is, in the dialog's
    // order, without the extension test.
    Files,
    // One folder: its own supported files, then, with subfolders on, those
    // of every subfolder at any depth.
    Folder,
    // Dropped or named on the command line: each supported file, and each
    // folder as Folder does.
    Paths,
  };
  Kind kind = Kind::Files;
  QStringList paths;
  bool subfolders = true;
  QString supportedTypes;  // "*.mp3;*.ogg;…;"
};

// The files an add brings, in the order they are added. A folder's own
// files come in the order the file system lists them, then its subfolders
// one by one, each walked the same way (depth first). Only regular files
// (or links to them) are taken: FIFOs, devices and sockets would block or
// make no sense as songs. Hidden entries are skipped, and so is a folder
// already walked (a link back up the tree). Names keep their case; the
// lower-cased name serves the extension test only.
//
// Stops early, returning what it has, once cancel is set. Each folder that
// could not be read is appended to unreadable (when given) and left out.
QStringList CollectAddFiles(const AddSource& source, const std::atomic<bool>& cancel,
                            QStringList* unreadable = nullptr);

// The row AddList makes for a file, read without the engine object so that
// it can run on any thread: title, artist and FormatTime of the length, the
// title falling back to the file's name and the artist to "未知歌手". A file
// no decoder opens gets length 0. Not selected; numberText is left empty.
PlaylistRow ReadAddedRow(const QString& path, const PluginHost* plugins, DecoderCache* cache);

// Whether a drop of these paths would add anything: at least one of them
// (lower-cased) passes the extension test or is a folder. The extension
// test comes first, so a drop of many files rarely touches the disk.
bool AcceptableDrop(const QStringList& paths, const QString& supportedTypes);

}  // namespace lyrovo
