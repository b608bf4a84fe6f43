#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace lyrovo {

// The names of the files in a folder (not its subfolders).
using FolderListing = std::function<QStringList(const QString& folder)>;

// Lists folder with one directory read: its files, hidden ones included.
QStringList ListFolderFiles(const QString& folder);

// The entry of names that is name regardless of letter case, or an empty
// string. An entry spelled exactly like name wins over one that differs
// only in case; among several that differ only in case, the first in
// code-point order wins, so the choice does not depend on listing order.
QString MatchFileName(const QStringList& names, const QString& name);

// Where the lyric of a song is, looked for in this order:
//   1. songFolder + artist + " - " + title + ".lrc",
//   2. wordPath + the same name,
//   3. songFolder + the song file's own base name + ".lrc"
//      ("Hello Song.mp3" → "Hello Song.lrc").
// File names match regardless of letter case, since the artist and title
// arrive normalised to lower case and the disk is case-sensitive. Each
// folder is listed at most once (the song folder serves 1 and 3). Both
// folders end with "/". Empty when none of the three exists.
QString FindLyricFile(const QString& songPath, const QString& wordPath, const QString& artist,
                      const QString& title, const FolderListing& listFolder = ListFolderFiles);

}  // namespace lyrovo
