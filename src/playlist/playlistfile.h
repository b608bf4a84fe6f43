#pragma once

#include "playlist/playlist.h"

#include <QString>

#include <cstdint>

namespace lyrovo {

// "Playlist.dat" in the program folder keeps the list between runs: UTF-8
// text with CR LF line ends. Line 1 is CurrentIndex as a number is printed
// (" 3 ", "-3 "); every further line is one row: path=title=artist=length.
QString PlaylistFilePath(const QString& appPath);

// Writes appPath + "Playlist.dat" from the rows and CurrentIndex. An "="
// inside a title, artist or length is written as the full-width "＝" and a
// line break as a blank, so that every row reads back. The file is replaced
// whole through a temporary file: when writing fails (disk full, no
// permission) the previous file stays as it was and AppError is thrown.
void SavePlaylist(const Playlist& list, std::int16_t CurrentIndex, const QString& appPath);
// The same from a copy of the rows, for a save that runs off the UI thread.
void SavePlaylist(const std::vector<PlaylistRow>& rows, std::int16_t CurrentIndex, const QString& appPath);

// Appends the rows of appPath + "Playlist.dat" to the list (start-up calls
// it on the empty list). A missing file leaves everything alone.
//
// Lines end in CR LF, LF or a lone CR; each is decoded on its own (UTF-8,
// or GB18030 for files of older versions). With continueLastPlay on, line 1
// gives CurrentIndex: its leading number rounded to the nearest integer
// (0 when it has none), negative values 0, values beyond the 16-bit range
// 32767. With it off, line 1 is read like any other line and CurrentIndex
// stays as it is.
//
// A row line needs at least four "="-separated fields: the last three are
// title, artist and length, everything before them is the path (which may
// contain "="). A row whose file is absent (a drive not mounted, a share
// offline) is kept and marked missing; other lines are skipped silently.
// Reading stops when the list is full (Playlist::kMaxRows). Rows come back
// numbered, unselected and uncoloured; MarkCurrentRow is the caller's.
//
// Finally, with continueLastPlay on, CurrentIndex is limited to the row
// count, and becomes 1 when it is 0 and there are rows.
//
// Returns false when rows of the file were left unread because the list was
// full. Throws AppError when the file exists but cannot be read; rows read
// up to that point are kept. Either way the list is not the whole file.
bool LoadPlaylist(Playlist& list, std::int16_t& CurrentIndex, bool continueLastPlay, const QString& appPath);

}  // namespace lyrovo
