// Dragging the lyric pane to scrub through the song.
#include "lyrics/lyricdrag.h"

#include "lyrics/lyricpane.h"
#include "text/numeric.h"

#include <algorithm>

namespace lyrovo {

namespace {

const QString kTwoBlanks = QStringLiteral("  ");

int widthsBefore(const LyricModel& model, int k) {
  int sum = 0;
  for (int i = 1; i < k && i <= LyricModel::kEntries; ++i) sum += model.width(i);
  return sum;
}

// The time a fraction f (0..1) of the way through entry k, toward entry k + 1.
std::int32_t timeWithin(const LyricModel& model, int k, double f) {
  const double from = model.time(k);
  const double to = model.time(k + 1);
  return toInt32(from + std::clamp(f, 0.0, 1.0) * (to - from));
}

void moveVertical(LyricDrag& drag, LyricPane& pane, LyricPaneState& state, const LyricModel& model, int y) {
  const int end = model.LyricEnd;
  const int lineHeight = std::max(1, state.LineHeight);
  const int centre = toInt32(state.PaneHeight / 2.0);
  const int lowest = toInt32(state.PaneHeight / 2.0 - double(end - 2) * lineHeight);
  state.ScrollY = std::max(std::min(drag.origin + y - drag.start, centre), lowest);

  const int above = toInt32(state.PaneHeight / 2.0 - state.ScrollY);
  int next = above / lineHeight + 1;
  if (next >= end - 2) next = end - 3;
  state.NextLine = std::int16_t(std::max(next, 1));

  // The entry whose line is at the centre: its top is at or above the
  // centre, less than a line height above it.
  const int sung = std::clamp(above / lineHeight + 1, 1, std::max(1, end - 2));
  const double f = (state.PaneHeight / 2.0 - (double(sung - 1) * lineHeight + state.ScrollY)) / lineHeight;
  drag.targetMs = timeWithin(model, sung, f);

  pane.Clear();
  const int first = state.NextLine >= 6 ? state.NextLine - 5 : 1;
  const int last = state.NextLine + 4 >= end - 1 ? end - 2 : state.NextLine + 4;
  for (int k = first; k <= last; ++k)
    pane.DrawWord(model.LyricText[k], double(k - 1) * lineHeight + state.ScrollY, k);
}

void moveHorizontal(LyricDrag& drag, LyricPane& pane, LyricPaneState& state, const LyricModel& model, int x) {
  const int end = model.LyricEnd;
  const int centre = toInt32(state.PaneWidth / 2.0);
  const int leftmost = centre - widthsBefore(model, end - 1);
  state.ScrollX = std::max(std::min(drag.origin + x - drag.start, centre), leftmost);

  // i: the first entry starting right of the centre (or the last one).
  int c = centre;
  int i = 1;
  while (i < end - 1 && state.ScrollX < c) {
    c -= model.width(i);
    ++i;
  }
  state.NextLine = std::int16_t(i >= end - 1 ? std::max(1, end - 2) : i);

  // The entry under the centre is the one before i.
  const int sung = std::clamp(i - 1, 1, std::max(1, end - 2));
  const int width = model.width(sung);
  const double left = double(state.ScrollX) + widthsBefore(model, sung);
  drag.targetMs = timeWithin(model, sung, width > 0 ? (state.PaneWidth / 2.0 - left) / width : 0.0);

  pane.Clear();
  const int first = state.NextLine >= 4 ? state.NextLine - 3 : 1;
  double at = double(state.ScrollX) + widthsBefore(model, first);
  for (int k = first; k <= state.NextLine + 2 && k < end - 1; ++k) {
    pane.DrawWord(model.LyricText[k] + kTwoBlanks, at, k);
    at += model.width(k);
  }
}

}  // namespace

void BeginLyricDrag(LyricDrag& drag, LyricPaneState& state, const LyricModel& model, bool vertical,
                    QPoint screenPos, std::int32_t posMs) {
  drag = LyricDrag();
  drag.active = true;
  state.PosMs = posMs;
  drag.targetMs = posMs;
  const int next = state.NextLine;
  const double span = next >= 2 ? double(model.time(next)) - model.time(next - 1) : 0;
  if (vertical) {
    drag.start = screenPos.y();
    drag.origin = state.ScrollY;
    if (next < 2) {
      if (model.time(1) >= 1)
        drag.origin = toInt32(state.ScrollY - double(state.LineHeight) * posMs / model.time(1));
    } else if (span > 0) {
      drag.origin = toInt32(state.ScrollY - (double(posMs) - model.time(next - 1)) * state.LineHeight / span);
    }
  } else {
    drag.start = screenPos.x();
    drag.origin = state.ScrollX;
    if (next >= 2 && span > 0)
      drag.origin =
          toInt32(state.ScrollX - (double(posMs) - model.time(next - 1)) * model.width(next - 1) / span);
  }
}

bool MoveLyricDrag(LyricDrag& drag, LyricPane& pane, LyricPaneState& state, const LyricModel& model,
                   bool vertical, QPoint screenPos) {
  const int at = vertical ? screenPos.y() : screenPos.x();
  if (!drag.active || at == drag.start || model.LyricEnd < 4) return false;
  if (vertical)
    moveVertical(drag, pane, state, model, at);
  else
    moveHorizontal(drag, pane, state, model, at);
  state.PosMs = drag.targetMs;
  drag.moved = true;
  return true;
}

std::optional<std::int32_t> EndLyricDrag(LyricDrag& drag, bool vertical, QPoint screenPos) {
  const bool seek = drag.active && drag.moved && (vertical ? screenPos.y() : screenPos.x()) != drag.start;
  const std::int32_t target = drag.targetMs;
  drag = LyricDrag();
  if (!seek) return std::nullopt;
  return target;
}

}  // namespace lyrovo
