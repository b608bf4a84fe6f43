// What keeps waking the player while nothing plays: with the window shown
// and a song paused or stopped, no timer of the window or its parts may fire
// more than once a second.
#include "app/fplay.h"
#include "support/audiofixtures.h"
#include "support/testworld.h"
#include "support/waituntil.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QTimer>

#include <gtest/gtest.h>

using namespace lyrovo;
using lyrovo::testing::fixture;
using lyrovo::testing::TestWorld;

namespace {

struct ActiveTimer {
  QString owner;
  int intervalMs = 0;
};

// The timers now registered for the window, everything it owns and the
// application's own objects.
std::vector<ActiveTimer> activeTimers(Fplay& window) {
  std::vector<QObject*> objects{&window, &window.Timer1(), &window.Timer2(), QCoreApplication::instance()};
  for (QObject* child : window.findChildren<QObject*>()) objects.push_back(child);
  for (QObject* child : QCoreApplication::instance()->findChildren<QObject*>()) objects.push_back(child);
  std::vector<ActiveTimer> found;
  for (QObject* object : objects) {
    const QString owner =
        QString::fromLatin1(object->metaObject()->className()) + u' ' + object->objectName();
    for (const auto& timer : QAbstractEventDispatcher::instance()->registeredTimers(object))
      found.push_back({owner, timer.interval});
  }
  return found;
}

// Timers firing more often than once a second, as "owner interval" texts.
std::vector<std::string> busyTimers(Fplay& window) {
  std::vector<std::string> busy;
  for (const ActiveTimer& timer : activeTimers(window))
    if (timer.intervalMs < 1000)
      busy.push_back(QStringLiteral("%1 %2 ms").arg(timer.owner).arg(timer.intervalMs).toStdString());
  return busy;
}

// A program folder with these settings, and the two-second tone as
// music/song.mp3, with that lyric beside it when one is given.
QString songIn(TestWorld& world, const QByteArray& settings, const QByteArray& lyric = {}) {
  world.writeFile(QStringLiteral("app/Images/.keep"), {});
  world.writeFile(QStringLiteral("app/Settings.ini"), settings);
  QDir().mkpath(world.path(QStringLiteral("music")));
  QFile::copy(fixture(QStringLiteral("tone1k.mp3")), world.path(QStringLiteral("music/song.mp3")));
  if (!lyric.isEmpty()) world.writeFile(QStringLiteral("music/未知歌手 - song.lrc"), lyric);
  return world.path(QStringLiteral("music/song.mp3"));
}

}  // namespace

TEST(Idle, PausedOrStoppedWithAScrollingLyricAndTheSpectrumNoTimerFiresMoreThanOnceASecond) {
  TestWorld world;
  QByteArray lyric;  // ten lines, a tenth of a second apart
  for (int line = 0; line < 10; ++line)
    lyric += QByteArray("[00:00.") + QByteArray::number(line) + "0]line\r\n";
  const QString song = songIn(world, "[lyrovo]\r\nvisType=5\r\nsearchWord=0\r\n", lyric);
  auto ctx = world.makeContext();
  Fplay window(*ctx, {song});
  ASSERT_EQ(window.Form_Load(), Fplay::LoadResult::Run);
  ASSERT_TRUE(ctx->player.LyricLoaded);

  // Playing: the playback and lyric ticks run, and the collector sees them.
  EXPECT_FALSE(busyTimers(window).empty());

  window.Image1_Click(5);  // pause
  ASSERT_EQ(window.label(LabelPart::Status)->text(), QStringLiteral("状态: 暂停"));
  // Single-shot work queued by the click (the list's delayed layout) runs once and goes.
  lyrovo::testing::pumpUntil([&] { return busyTimers(window).empty(); }, 10000);
  EXPECT_EQ(busyTimers(window), std::vector<std::string>{});

  window.Image1_Click(5);  // resume
  EXPECT_FALSE(busyTimers(window).empty());
  window.Image1_Click(6);  // stop
  ASSERT_EQ(window.label(LabelPart::Status)->text(), QStringLiteral("状态: 停止"));
  lyrovo::testing::pumpUntil([&] { return busyTimers(window).empty(); }, 10000);
  EXPECT_EQ(busyTimers(window), std::vector<std::string>{});
  window.close();
}

// With no view drawn frame by frame, playing wakes the playback tick only
// when the time label changes (and at the song's end), not 20 times a second.
TEST(Idle, PlayingWithNoViewDrawnTheTickComesAboutOnceASecond) {
  TestWorld world;
  const QString song = songIn(world, "[lyrovo]\r\nvisType=1\r\nsearchWord=0\r\n");
  auto ctx = world.makeContext();
  Fplay window(*ctx, {song});
  int ticks = 0;
  QObject::connect(&window.Timer1(), &QTimer::timeout, [&] { ++ticks; });
  ASSERT_EQ(window.Form_Load(), Fplay::LoadResult::Run);
  ASSERT_TRUE(window.Timer1().isActive());

  // The remaining time of the 2 s song turns at 0.5 and 1.5 s played; ticks
  // every 50 ms would have come 30 times by the second turn.
  ASSERT_TRUE(lyrovo::testing::pumpUntil(
      [&] { return window.label(LabelPart::Time)->text() == QStringLiteral("-00:00"); }, 30000));
  EXPECT_GE(ctx->BP1.aPosTime(), 1.5);
  EXPECT_LE(ticks, 5);
  window.close();
}

namespace {

// Counts the repaints of a window: each is one transfer to the display.
struct RepaintCounter : QObject {
  int repaints = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::UpdateRequest) ++repaints;
    return false;
  }
};

}  // namespace

// With the spectrum drawn every 20 ms and a lyric scrolling on its own 20 ms
// tick, the lyric's changes go out with the spectrum's frames: the window is
// repainted once per frame, not once per frame and again per lyric tick.
TEST(Idle, ALyricScrollingBesideTheSpectrumIsRepaintedWithItsFrames) {
  TestWorld world;
  QByteArray lyric;  // twenty lines, a tenth of a second apart: the text is always moving
  for (int line = 0; line < 20; ++line)
    lyric += "[00:0" + QByteArray::number(line / 10) + "." + QByteArray::number(line % 10) + "0]line " +
             QByteArray::number(line) + "\n";
  const QString song = songIn(world, "[lyrovo]\r\nvisType=5\r\nsearchWord=0\r\n", lyric);
  auto ctx = world.makeContext();
  Fplay window(*ctx, {song});
  ASSERT_EQ(window.Form_Load(), Fplay::LoadResult::Run);
  ASSERT_TRUE(ctx->player.LyricLoaded);
  ASSERT_TRUE(window.Timer2().isActive());
  // Let start-up's own repaints pass, then count over a second of playing.
  ASSERT_TRUE(lyrovo::testing::pumpUntil([&] { return ctx->BP1.aPosTime() >= 0.3; }, 30000));
  RepaintCounter counter;
  window.installEventFilter(&counter);
  int frames = 0;
  int lyricTicks = 0;
  QObject::connect(&window.Timer1(), &QTimer::timeout, [&] { ++frames; });
  QObject::connect(&window.Timer2(), &QTimer::timeout, [&] { ++lyricTicks; });
  ASSERT_TRUE(lyrovo::testing::pumpUntil([&] { return ctx->BP1.aPosTime() >= 1.3; }, 30000));
  window.removeEventFilter(&counter);
  ASSERT_GE(lyricTicks, 10);
  EXPECT_LE(counter.repaints, frames + 2) << frames << " frames, " << lyricTicks << " lyric ticks";
  window.close();
}
