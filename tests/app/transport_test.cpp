#include "app/transport.h"
#include "playlist/playlist.h"

#include <gtest/gtest.h>

using namespace lyrovo;

namespace {
void fill(Playlist& list, int rows) {
  for (int i = 1; i <= rows; ++i) {
    PlaylistRow row;
    row.numberText = QString::number(i) + u'.';
    row.path = QStringLiteral("/m/%1.mp3").arg(i);
    list.insert(i, row);
  }
}
}  // namespace

TEST(EndOfTrack, EachModeAtTheLastAndAMiddleRow) {
  Playlist list;
  fill(list, 3);
  std::mt19937 random(7);
  const FailedOpens none;
  using A = TrackAdvance::Action;
  EXPECT_EQ(EndOfTrack(1, 3, list, none, random).action, A::Stop);
  EXPECT_EQ(EndOfTrack(1, 2, list, none, random).row, 3);
  EXPECT_EQ(EndOfTrack(2, 3, list, none, random).row, 1);
  EXPECT_EQ(EndOfTrack(2, 1, list, none, random).row, 2);
  EXPECT_EQ(EndOfTrack(3, 2, list, none, random).action, A::Restart);
  const TrackAdvance pick = EndOfTrack(4, 1, list, none, random);
  EXPECT_EQ(pick.action, A::Play);
  EXPECT_TRUE(pick.markPlayed);
  EXPECT_GE(pick.row, 1);
  EXPECT_LE(pick.row, 3);
  EXPECT_EQ(EndOfTrack(7, 1, list, none, random).row, 2);  // an unknown mode plays on like the sequential one
}

TEST(EndOfTrack, LoopingModesStopAfterAPassWithoutAPlayableRow) {
  Playlist list;
  fill(list, 2);
  std::mt19937 random(1);
  using A = TrackAdvance::Action;
  FailedOpens failures;
  failures.failed(QStringLiteral("/m/2.mp3"));
  EXPECT_EQ(EndOfTrack(2, 2, list, failures, random).action, A::Play);
  const TrackAdvance passOver = EndOfTrack(3, 2, list, failures, random);  // repeat-one of a row that failed
  EXPECT_EQ(passOver.action, A::Play);
  EXPECT_EQ(passOver.row, 1);
  failures.failed(QStringLiteral("/m/1.mp3"));
  EXPECT_EQ(EndOfTrack(2, 2, list, failures, random).action, A::Stop);
  EXPECT_EQ(EndOfTrack(4, 1, list, failures, random).action, A::Stop);
  EXPECT_EQ(EndOfTrack(3, 1, list, failures, random).action, A::Stop);
  failures.clear();
  EXPECT_EQ(EndOfTrack(3, 1, list, failures, random).action, A::Restart);
  Playlist empty;
  EXPECT_EQ(EndOfTrack(2, 0, empty, failures, random).action, A::Stop);
}

// Failures that repeat one row of three are no fruitless pass: rows remain untried.
TEST(EndOfTrack, AFruitlessPassNeedsEveryRowTried) {
  Playlist list;
  fill(list, 3);
  std::mt19937 random(3);
  FailedOpens failures;
  for (int i = 0; i < 5; ++i) failures.failed(QStringLiteral("/m/2.mp3"));
  failures.failed(QStringLiteral("/m/3.mp3"));
  EXPECT_FALSE(failures.coverAll(list));
  EXPECT_EQ(EndOfTrack(4, 3, list, failures, random).action, TrackAdvance::Action::Play);
  failures.failed(QStringLiteral("/m/1.mp3"));
  EXPECT_TRUE(failures.coverAll(list));
}

TEST(Sliders, FractionsClampsAndVolumeSteps) {
  EXPECT_DOUBLE_EQ(SliderFraction(0, 160, 12), 0);
  EXPECT_DOUBLE_EQ(SliderFraction(74, 160, 12), 0.5);
  EXPECT_DOUBLE_EQ(SliderFraction(500, 160, 12), 1);
  EXPECT_DOUBLE_EQ(SliderFraction(5, 10, 12), 0);  // a bar narrower than its thumb
  EXPECT_DOUBLE_EQ(ClampClick(2, 160, 12), 6);
  EXPECT_DOUBLE_EQ(ClampClick(158, 160, 12), 154);
  EXPECT_EQ(VolumeUp(95), 100);
  EXPECT_EQ(VolumeUp(100), 100);
  EXPECT_EQ(VolumeUp(20), 30);
  EXPECT_EQ(VolumeDown(5), 0);
  EXPECT_EQ(VolumeDown(50), 40);
}

TEST(Texts, ModeLabelAndTimeLabel) {
  EXPECT_EQ(ModeLabel(1), QStringLiteral("(顺序)"));
  EXPECT_EQ(ModeLabel(4), QStringLiteral("(随机)"));
  EXPECT_EQ(ModeLabel(5), QString());
  EXPECT_EQ(TimeLabelText(QStringLiteral("逝去时间"), 65.4, 200), QStringLiteral("01:05"));
  EXPECT_EQ(TimeLabelText(QStringLiteral("剩余时间"), 65.4, 200), QStringLiteral("-02:15"));
  EXPECT_EQ(TimeLabelText(QString(), 0, 2), QStringLiteral("-00:02"));
}

// The plain tick wakes 3 ms after the shown second changes, or 3 ms after
// the song's end, never sooner than 10 ms nor later than 1 s.
TEST(PlainTick, WaitsForTheTimeLabelsNextChangeOrTheEnd) {
  const QString elapsed = QStringLiteral("逝去时间");
  const QString remaining = QStringLiteral("剩余时间");
  EXPECT_EQ(PlainTickMs(elapsed, 65.2, 200), 303);   // "01:05" until 65.5
  EXPECT_EQ(PlainTickMs(elapsed, 65.5, 200), 1000);  // just turned: the next turn is a second away
  EXPECT_EQ(PlainTickMs(elapsed, 65.9, 200), 603);
  EXPECT_EQ(PlainTickMs(remaining, 65.4, 200), 103);  // 134.6 left: "-02:15" until 134.5
  EXPECT_EQ(PlainTickMs(remaining, 65.0, 200), 503);
  EXPECT_EQ(PlainTickMs(elapsed, 199.75, 200), 253);  // the end comes first
  EXPECT_EQ(PlainTickMs(remaining, 199.9, 200), 103);
  EXPECT_EQ(PlainTickMs(elapsed, 200, 200), 10);  // at or past the end: look again soon
  EXPECT_EQ(PlainTickMs(remaining, 250, 200), 10);
  EXPECT_EQ(PlainTickMs(elapsed, 0, 0), 10);  // no length known
}
