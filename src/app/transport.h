#pragma once

#include <QSet>
#include <QString>

#include <cstdint>
#include <random>

namespace lyrovo {

class Playlist;

// The label of a play mode, shown after "播放" in the status line.
QString ModeLabel(std::int16_t playModal);

// What the end of a track leads to.
struct TrackAdvance {
  enum class Action { Restart, Play, Stop } action = Action::Stop;
  int row = 0;              // the row to play for Action::Play
  bool markPlayed = false;  // random mode: mark the row played after playing it
};

// The files that could not be opened since the last song that opened.
class FailedOpens {
 public:
  void clear() { paths_.clear(); }
  void failed(const QString& path) { paths_.insert(path); }
  // The song tried last could not be opened.
  bool lastFailed() const { return !paths_.isEmpty(); }
  // Every row of list has been tried, without success, since the last song
  // that opened: going round again would find nothing to play.
  bool coverAll(const Playlist& list) const;

 private:
  QSet<QString> paths_;
};

// The end-of-track rule for play mode playModal (1 sequential, 2 loop the
// list, 3 repeat one, 4 random) with current row `current` of the list.
// Once every row has failed to open since the last song that played, the
// looping modes stop instead of going round again. Repeat-one cannot
// restart a song that did not open, so it passes over to the next row.
TrackAdvance EndOfTrack(std::int16_t playModal, int current, Playlist& list, const FailedOpens& failures,
                        std::mt19937& random);

// Slider arithmetic, in pixels: the value (0..1) of a thumb left at offset
// from the bar's left, on a bar of barWidth with a thumb of thumbWidth.
double SliderFraction(double offset, double barWidth, double thumbWidth);
// Clamps a click at x on the bar to where the thumb's centre may go.
double ClampClick(double x, double barWidth, double thumbWidth);

// Volume steps of the keys: +10 up to 100, −10 down to 0.
int VolumeUp(int volume);
int VolumeDown(int volume);

// The time label: elapsed (mode "逝去时间") or remaining ("-" + time left,
// any other mode).
QString TimeLabelText(const QString& mode, double positionSeconds, double lengthSeconds);
// How long the playback tick may wait while no view is drawn frame by frame:
// until the time label's text (as TimeLabelText rounds it) next changes or
// the song ends, whichever comes first; between 10 ms and 1 s.
int PlainTickMs(const QString& mode, double positionSeconds, double lengthSeconds);

// The playlist's first visible row after notches of the wheel over it
// (positive away from the user, toward row 1): 5 rows a notch, between row
// 1 and the top row of the last page. A list that fits one page stays.
int ListTopAfterWheel(int top, int rows, int page, int notches);

}  // namespace lyrovo
