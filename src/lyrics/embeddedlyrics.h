#pragma once

#include "lyrics/loadword.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace lyrovo {

// A lyric stored inside a song file: either lines with times (an ID3v2
// synchronised-lyrics frame) or a text that is an LRC lyric (an ID3v2
// unsynchronised-lyrics frame, a Vorbis or FLAC LYRICS / SYNCEDLYRICS
// comment, an MP4 ©lyr atom, an APE or ASF lyrics field that carries time
// tags).
struct EmbeddedLyric {
  std::vector<TimedLyricLine> lines;  // from a synchronised frame; empty for a text
  QString text;                       // the LRC text; empty for lines
  QString origin;                     // where it was found, e.g. "ID3v2 SYLT"
};

// Every lyric the song holds, best first: synchronised frames, then
// SYNCEDLYRICS texts, then lyric texts that carry time tags. Texts without
// time tags are no LRC and are left out. The file is only read; files the
// tag library cannot read give nothing. Reading may touch the disk: call it
// off the UI thread.
std::vector<EmbeddedLyric> ReadEmbeddedLyrics(const QString& songPath);

// Entries of a synchronised-lyrics frame as stored: a text per time, where a
// text may hold one line, or one syllable with line breaks marking where
// new lines begin.
struct SyncedText {
  std::int64_t timeMs = 0;
  QString text;
};
// The lyric lines those entries make. Entries that hold line breaks are
// syllables: each line starts at its first syllable's time, and its
// syllables become word times. Otherwise each entry is one line.
std::vector<TimedLyricLine> SyncedTextToLines(const std::vector<SyncedText>& entries);

// Loads the first of lyrics that makes a valid lyric into the model, as the
// loader does with a file; the lyric has no file of its own, so a timing
// shift is never written anywhere. Returns false (model emptied, nothing
// drawn) when none does, so the search may go on.
bool LoadEmbeddedLyric(const std::vector<EmbeddedLyric>& lyrics, LoadWordContext& c);

}  // namespace lyrovo
