#pragma once

#include "lyrics/lyricmodel.h"

#include <QString>

#include <cstdint>

namespace lyrovo {

// One wheel notch away from the user shows the lyric 600 ms later, one
// toward the user 400 ms earlier.
inline constexpr std::int32_t kWheelLaterMs = 600;
inline constexpr std::int32_t kWheelEarlierMs = 400;
// The angle of one wheel notch as Qt reports it (eighths of a degree).
inline constexpr int kWheelNotchAngle = 120;

// Turns wheel angle deltas into whole notches. A classic wheel sends 120 per
// notch; touchpads and high-resolution wheels send many small deltas that
// add up to one notch per 120.
class WheelNotches {
 public:
  // Adds a delta (positive away from the user) and returns the whole notches it completes, signed.
  int add(int angleDelta);
  void reset() { pending_ = 0; }

 private:
  int pending_ = 0;
};

// Shifts the lyric by whole notches: every entry 1..LyricEnd - 1 and the
// first free position (positive notches later by 600 ms each, negative
// earlier by 400 ms each). Times stay within 32 bits and may go below 0;
// the write-back writes such a time as 0.
void ShiftLyric(LyricModel& model, int notches);

// The time tag "[mm:ss.xx]" of a time in milliseconds, rounded to the
// nearest hundredth (halves to even): at least two minute digits, more past
// 99 minutes; a negative time is written as 0.
QString LyricTimeTag(std::int32_t ms);

// Writes the shifted lyric back into its file model.SourceFile: the file's
// lines without a time tag stay as they are (the ones before the first
// lyric line on top, the others after the lyric), except the [offset:]
// line, which the model's times already include; then every lyric line 2..
// LyricEnd - 3 with its time tag, its word tags (<mm:ss.xx>, absolute) and
// its text as shown, without the two display blanks. The encoding is the
// file's own (UTF-8, UTF-16, GBK/GB18030 or Big5, its byte-order mark kept);
// a text that does not fit a Big5 or Latin-1 file is written as UTF-8. Line
// ends are the file's (LF when it has no CR, else CR LF). The file is
// written to a temporary file renamed over it, so it is either the old one
// or the whole new one. Throws AppError when there is no file, when it is
// read-only, too large to be a lyric, or cannot be written.
void WriteBackLyric(const LyricModel& model);

}  // namespace lyrovo
