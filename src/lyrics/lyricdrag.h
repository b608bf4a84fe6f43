#pragma once

#include "lyrics/lyricmodel.h"

#include <QPoint>

#include <cstdint>
#include <optional>

namespace lyrovo {

class LyricPane;
struct LyricPaneState;

// Scrubbing through the song by dragging the lyric: the press remembers
// where the lyric stood, each move scrolls it and works out the time of
// the line under the pane's centre, the release seeks there.
struct LyricDrag {
  bool active = false;        // a drag is in progress
  bool moved = false;         // the lyric was moved (the guide line and time label show)
  int start = 0;              // screen y (vertical layout) or x (horizontal) of the press
  int origin = 0;             // where the lyric was drawn then: y or x of entry 1
  std::int32_t targetMs = 0;  // the time under the pane's centre
};

// Starts a drag at screenPos while the lyric shows posMs.
void BeginLyricDrag(LyricDrag& drag, LyricPaneState& state, const LyricModel& model, bool vertical,
                    QPoint screenPos, std::int32_t posMs);

// Follows the pointer: scrolls the lyric by how far it moved from the press
// (within the first and the last line), sets NextLine, redraws the pane
// around the centre and sets targetMs and PosMs to the time under the
// centre. Returns false when the pointer is level with the press (nothing
// changed).
bool MoveLyricDrag(LyricDrag& drag, LyricPane& pane, LyricPaneState& state, const LyricModel& model,
                   bool vertical, QPoint screenPos);

// Ends the drag: the time to seek to, or nothing when the lyric was not
// moved or the pointer is back level with the press.
std::optional<std::int32_t> EndLyricDrag(LyricDrag& drag, bool vertical, QPoint screenPos);

}  // namespace lyrovo
