#pragma once

#include <QString>
#include <QStringList>

namespace lyrovo {

struct LoadWordContext;

// Whether files dragged over the lyric pane may be dropped there: when at
// least one of them is an .lrc file (in any letter case).
bool AcceptsLyricDrop(const QStringList& paths);

// An .lrc file dropped on the lyric pane: the first of paths, when it is
// one, is loaded as the lyric of the song now playing and then kept as
// SongArtist - SongTitle.lrc in the song's folder (when saveToSongPath is
// set) and the lyric folder, asking before replacing a file unless
// autoReWrite is set. A later timing shift is written into the kept copy.
// A file that does not load is not copied, and one larger than any lyric is
// refused before it is read, leaving the shown lyric as it was; so is a
// drop before any song played. Errors are
// logged under "Pic1_OLEDragDrop". Returns whether a lyric was loaded.
bool DropLyricFile(const QStringList& paths, LoadWordContext& c);

}  // namespace lyrovo
