#include "app/transport.h"

#include "playlist/playlist.h"
#include "playlist/playlistops.h"
#include "text/numeric.h"
#include "text/textutil.h"

#include <algorithm>
#include <cmath>

namespace lyrovo {

QString ModeLabel(std::int16_t playModal) {
  switch (playModal) {
    case 1:
      return QStringLiteral("(顺序)");
    case 2:
      return QStringLiteral("(全循)");
    case 3:
      return QStringLiteral("(单循)");
    case 4:
      return QStringLiteral("(随机)");
    default:
      return QString();
  }
}

bool FailedOpens::coverAll(const Playlist& list) const {
  if (paths_.isEmpty()) return false;
  const auto& rows = list.rows();
  return std::all_of(rows.begin(), rows.end(),
                     [this](const PlaylistRow& row) { return paths_.contains(row.path); });
}

TrackAdvance EndOfTrack(std::int16_t playModal, int current, Playlist& list, const FailedOpens& failures,
                        std::mt19937& random) {
  const int rows = list.count();
  using Action = TrackAdvance::Action;
  if (rows == 0) return {Action::Stop, 0, false};
  const bool looping = playModal == 2 || playModal == 3 || playModal == 4;
  if (looping && failures.coverAll(list)) return {Action::Stop, 0, false};
  if (playModal == 3) {
    if (!failures.lastFailed()) return {Action::Restart, current, false};
    return {Action::Play, current < rows ? current + 1 : 1, false};
  }
  if (playModal == 2 && current >= rows) return {Action::Play, 1, false};
  if (playModal == 4) return {Action::Play, RandomPick(list, random), true};
  if (current < rows) return {Action::Play, current + 1, false};
  return {Action::Stop, 0, false};
}

double SliderFraction(double offset, double barWidth, double thumbWidth) {
  const double travel = barWidth - thumbWidth;
  return travel > 0 ? std::clamp(offset / travel, 0.0, 1.0) : 0.0;
}

double ClampClick(double x, double barWidth, double thumbWidth) {
  return std::clamp(x, thumbWidth / 2, std::max(thumbWidth / 2, barWidth - thumbWidth / 2));
}

int VolumeUp(int volume) { return volume < 90 ? volume + 10 : 100; }
int VolumeDown(int volume) { return volume > 10 ? volume - 10 : 0; }

QString TimeLabelText(const QString& mode, double positionSeconds, double lengthSeconds) {
  if (mode == QStringLiteral("逝去时间")) return FormatTime(std::int32_t(nearest(positionSeconds)));
  return QStringLiteral("-") + FormatTime(std::int32_t(nearest(lengthSeconds - positionSeconds)));
}

int PlainTickMs(const QString& mode, double positionSeconds, double lengthSeconds) {
  constexpr double kLateMs = 3;  // wake just after the change, not just before it
  const double untilEnd = lengthSeconds - positionSeconds;
  double untilChange = 0;
  if (mode == QStringLiteral("逝去时间")) {
    // The shown second rounds to nearest: it changes at each x.5 of the position.
    untilChange = std::floor(positionSeconds + 0.5) + 0.5 - positionSeconds;
  } else {
    // The remaining time counts down through each y.5.
    untilChange = untilEnd - (std::ceil(untilEnd - 0.5) - 0.5);
    if (untilChange <= 0) untilChange += 1;
  }
  const double ms = std::min(untilChange, std::max(untilEnd, 0.0)) * 1000 + kLateMs;
  return int(std::clamp(std::ceil(ms - 1e-6), 10.0, 1000.0));
}

int ListTopAfterWheel(int top, int rows, int page, int notches) {
  constexpr int kRowsPerNotch = 5;
  const int lastTop = std::max(1, rows - page + 1);
  const std::int64_t moved = std::int64_t(top) - std::int64_t(notches) * kRowsPerNotch;
  if (notches < 0 && top < lastTop) return int(std::min<std::int64_t>(moved, lastTop));
  if (notches > 0 && top > 1) return int(std::max<std::int64_t>(moved, 1));
  return top;
}

}  // namespace lyrovo
