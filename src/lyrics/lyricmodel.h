#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <vector>

namespace lyrovo {

// A sung word of a lyric line: where it starts in the line's text and when,
// in milliseconds after the line's own start (so a shift of the line's time
// moves its words along).
struct LyricWord {
  int start = 0;
  std::int32_t offsetMs = 0;
  bool operator==(const LyricWord&) const = default;
};

// The lyric of the song now playing: timed lines in ascending time order.
// Entry k (1-based) has its text in LyricText[k], its start time in
// LyricTime[k - 1] and its drawn width in LyricWidth[k - 1]; entries are
// 1..LyricEnd - 1. LyricText[0] keeps the last status text shown in the pane.
// LyricWords[k] holds the word times of entry k in ascending order, empty
// when its line has none; a word starting at the text's end marks when the
// last word ends.
struct LyricModel {
  static constexpr int kEntries = 200;
  static constexpr std::int32_t kFreeTime = 80000000;  // the time of a free position

  std::array<QString, kEntries + 1> LyricText;
  std::array<std::int32_t, kEntries> LyricTime{};
  std::array<std::int16_t, kEntries> LyricWidth{};
  std::array<std::vector<LyricWord>, kEntries + 1> LyricWords;
  std::int16_t LyricEnd = 1;
  // The local lyric file the shown lyric was read from (or the kept copy of
  // a downloaded one): where a timing shift is written back. Empty for a
  // lyric that has no file of its own, which is then never written.
  QString SourceFile;

  LyricModel() { LyricTime.fill(kFreeTime); }

  // Empties every entry (the status text in LyricText[0] stays).
  void reset() {
    for (int k = 1; k <= kEntries; ++k) {
      LyricText[k].clear();
      LyricWords[k].clear();
    }
    LyricTime.fill(kFreeTime);
    LyricWidth.fill(0);
    LyricEnd = 1;
    SourceFile.clear();
  }
  std::int32_t time(int k) const { return LyricTime[k - 1]; }
  std::int16_t width(int k) const { return LyricWidth[k - 1]; }
};

}  // namespace lyrovo
