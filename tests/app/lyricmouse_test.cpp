// The wheel over the lyric pane and the playlist, and lyric files dropped on
// the pane, through the real main window.
#include "app/fplay.h"
#include "app/transport.h"
#include "support/audiofixtures.h"
#include "support/testworld.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QThread>
#include <QUrl>
#include <QWheelEvent>

#include <gtest/gtest.h>

using namespace lyrovo;
using lyrovo::testing::fixture;
using lyrovo::testing::TestWorld;

namespace {

using lyrovo::testing::pumpUntil;

void wheel(QWidget* target, int angleDelta) {
  QWheelEvent event(QPointF(5, 5), target->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, angleDelta),
                    Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(target, &event);
}

const QByteArray kLyric =
    "[00:01.00]one\r\n[00:02.00]two\r\n[00:03.00]three\r\n[00:04.00]four\r\n[00:05.00]five\r\n[00:06.00]"
    "six\r\n";

}  // namespace

TEST(ListWheel, FiveRowsANotchWithinTheListAndNothingOnOnePage) {
  EXPECT_EQ(ListTopAfterWheel(1, 5, 10, -1), 1);  // fits on one page
  EXPECT_EQ(ListTopAfterWheel(1, 5, 10, 1), 1);
  EXPECT_EQ(ListTopAfterWheel(1, 30, 10, -1), 6);
  EXPECT_EQ(ListTopAfterWheel(19, 30, 10, -1), 21);  // the last page's top row
  EXPECT_EQ(ListTopAfterWheel(21, 30, 10, -3), 21);
  EXPECT_EQ(ListTopAfterWheel(3, 30, 10, 1), 1);
  EXPECT_EQ(ListTopAfterWheel(21, 30, 10, 2), 11);
}

TEST(LyricMouse, WheelShiftsTheLyricWhichIsWrittenBackWhenTheNextSongStarts) {
  TestWorld world;
  world.writeFile(QStringLiteral("app/Images/.keep"), {});
  QDir().mkpath(world.path(QStringLiteral("music")));
  QFile::copy(fixture(QStringLiteral("tone1k.mp3")), world.path(QStringLiteral("music/song.mp3")));
  const QString lyricPath = world.path(QStringLiteral("music/未知歌手 - song.lrc"));
  world.writeFile(QStringLiteral("music/未知歌手 - song.lrc"), kLyric);
  std::unique_ptr<AppContext> ctx = world.makeContext();
  Fplay window(*ctx, {world.path(QStringLiteral("music/song.mp3"))});
  ASSERT_EQ(window.Form_Load(), Fplay::LoadResult::Run);
  ASSERT_TRUE(pumpUntil([&] { return window.Timer2().isActive(); }));

  // The playlist of one row fits its page: the wheel leaves it.
  wheel(window.List1()->viewport(), -120);
  EXPECT_EQ(ctx->player.ListTopIndex, 1);

  ctx->BP1.setAPosTime(0);
  for (int delta : {120, 120, 120, -120, -120, 60}) wheel(window.Pic1(1), delta);
  EXPECT_EQ(ctx->lyrics.time(2), 2000);  // one second later; the half notch waits
  EXPECT_TRUE(ctx->player.LyricDirty);

  // A text dragged over the pane is refused.
  QMimeData text;
  text.setText(QStringLiteral("[00:01.00]x"));
  QDragEnterEvent enterText(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(window.Pic1(1), &enterText);
  EXPECT_FALSE(enterText.isAccepted());

  ctx->playlist.setSelectedItem(1);
  window.List1_DblClick();
  EXPECT_FALSE(ctx->player.LyricDirty);
  QFile written(lyricPath);
  ASSERT_TRUE(written.open(QIODevice::ReadOnly));
  EXPECT_EQ(written.readAll(),
            QByteArray("[00:02.00]one\r\n[00:03.00]two\r\n[00:04.00]three\r\n[00:05.00]four\r\n"
                       "[00:06.00]five\r\n[00:07.00]six\r\n"));

  // An .LRC file dropped on the pane becomes the lyric and is kept in the lyric folder.
  world.writeFile(QStringLiteral("DROPPED.LRC"), kLyric);
  QMimeData files;
  files.setUrls({QUrl::fromLocalFile(world.path(QStringLiteral("DROPPED.LRC")))});
  QDragEnterEvent enterFiles(QPoint(5, 5), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(window.Pic1(1), &enterFiles);
  EXPECT_TRUE(enterFiles.isAccepted());
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(window.Pic1(1), &drop);
  EXPECT_EQ(window.LastLyricSource(), world.path(QStringLiteral("DROPPED.LRC")));
  EXPECT_TRUE(QFileInfo::exists(ctx->settings.WordPath + QStringLiteral("未知歌手 - song.lrc")));
  window.close();
}
