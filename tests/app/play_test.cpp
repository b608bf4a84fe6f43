// Playing rows of real files through the main window, with SDL's dummy
// output: the texts Play shows, the lyric lookup, and track advance.
#include "app/fplay.h"
#include "playlist/playlistfile.h"
#include "support/audiofixtures.h"
#include "support/testworld.h"

#include <QCoreApplication>
#include <QMenu>
#include <QWindow>

#include <gtest/gtest.h>

using namespace lyrovo;
using lyrovo::testing::fixture;
using lyrovo::testing::TestWorld;

namespace {

// Waits for condition while the window's timers run.
using lyrovo::testing::pumpUntil;

struct PlayTest : ::testing::Test {
  TestWorld world;
  std::unique_ptr<AppContext> ctx;
  std::unique_ptr<Fplay> window;

  void SetUp() override { world.writeFile(QStringLiteral("app/Images/.keep"), {}); }

  // Starts the player with files on its command line (row 1 then plays).
  void start(const QStringList& files, int playModal = 1) {
    world.writeFile(QStringLiteral("app/Settings.ini"),
                    QStringLiteral("[lyrovo]\r\nplayModal=%1\r\n").arg(playModal).toUtf8());
    ctx = world.makeContext();
    ctx->random.seed(12345);
    window = std::make_unique<Fplay>(*ctx, files);
    ASSERT_EQ(window->Form_Load(), Fplay::LoadResult::Run);
  }
  // Moves the playing song close to its end.
  void nearEnd() { ctx->BP1.setAPosTime(std::max(0.0f, ctx->BP1.alenTime() - 0.15f)); }
  QString status() const { return window->Label1(4)->text(); }

  void TearDown() override {
    if (window) window->close();
  }
};

}  // namespace

TEST_F(PlayTest, PlayShowsTheSongsTextsAndEnablesTheTransport) {
  start({fixture(QStringLiteral("id3v1.mp3")), fixture(QStringLiteral("tone1k.wav"))});
  EXPECT_EQ(ctx->player.CurrentIndex, 1);
  EXPECT_EQ(window->Label1(3)->text(), QStringLiteral("| 00:02"));
  EXPECT_EQ(window->Label1(4)->text(), QStringLiteral("状态: 播放(顺序)"));
  EXPECT_EQ(window->Label1(5)->text(), QStringLiteral("声道: 立体声"));
  EXPECT_TRUE(window->Label1(6)->text().endsWith(QStringLiteral("  44.1kHz  0.03MB  MP3")))
      << window->Label1(6)->text().toStdString();
  EXPECT_EQ(ctx->player.TrayTip, QStringLiteral("Lyrovo - 媒体信息\r\n标题:moon song\r\n歌手:singer"));
  EXPECT_EQ(window->Image1(5)->toolTip(), QStringLiteral("暂停(Ctrl+P)"));
  EXPECT_EQ(ctx->player.SongTitle, QStringLiteral("moon song"));
  EXPECT_GT(ctx->player.MsPerByte, 0);
  EXPECT_FALSE(window->Image1(7)->isEnabled());
  EXPECT_TRUE(window->Image1(8)->isEnabled());
  EXPECT_TRUE(window->Timer1().isActive());
  // Searching is on but the player is offline (said once the song's own tags were read).
  EXPECT_TRUE(pumpUntil([&] { return window->LyricInfoText() == QStringLiteral("未联网！"); }))
      << window->LyricInfoText().toStdString();

  window->Image1_Click(8);
  EXPECT_EQ(ctx->player.CurrentIndex, 2);
  EXPECT_TRUE(window->Image1(7)->isEnabled());
  EXPECT_FALSE(window->Image1(8)->isEnabled());
  EXPECT_EQ(window->Label1(5)->text(), QStringLiteral("声道: 立体声"));
  EXPECT_TRUE(window->Label1(6)->text().endsWith(QStringLiteral("WAV")));

  window->Image1_Click(5);  // pause
  EXPECT_EQ(status(), QStringLiteral("状态: 暂停"));
  EXPECT_EQ(window->Image1(5)->toolTip(), QStringLiteral("播放(Ctrl+P)"));
  EXPECT_FALSE(window->Label1(3)->isEnabled());
  window->Image1_Click(5);  // resume
  EXPECT_EQ(status(), QStringLiteral("状态: 播放(顺序)"));
  window->menuMs_Click(3);
  EXPECT_EQ(status(), QStringLiteral("状态: 播放(单循)"));
  window->Image1_Click(6);
  EXPECT_EQ(status(), QStringLiteral("状态: 停止"));
  EXPECT_FALSE(window->Image1(6)->isEnabled());
  EXPECT_EQ(ctx->BP1.aPosByte(), 0);
}

TEST_F(PlayTest, LyricBesideTheSongWinsOverTheLyricFolderThenSearchTexts) {
  QDir().mkpath(world.path(QStringLiteral("music")));
  QFile::copy(fixture(QStringLiteral("tone1k.mp3")), world.path(QStringLiteral("music/song.mp3")));
  const QString name = QStringLiteral("未知歌手 - song.lrc");
  world.writeFile(QStringLiteral("music/") + name, "[00:01.00]beside");
  world.writeFile(QStringLiteral("app/Lyrics/") + name, "[00:01.00]folder");
  start({world.path(QStringLiteral("music/song.mp3"))});
  EXPECT_EQ(window->LastLyricSource(), world.path(QStringLiteral("music/")) + name);
  EXPECT_EQ(
      QFileInfo(world.path(QStringLiteral("music/song.mp3"))).size(),
      QFileInfo(fixture(QStringLiteral("tone1k.mp3"))).size());  // no artist found: the file keeps its bytes

  QFile::remove(world.path(QStringLiteral("music/")) + name);
  window->Image1_Click(6);
  ctx->player.CurrentIndex = 1;
  window->Image1_Click(5);
  ctx->playlist.setSelectedItem(1);
  window->List1_DblClick();
  EXPECT_EQ(window->LastLyricSource(), world.appPath() + QStringLiteral("Lyrics/") + name);

  QFile::remove(world.appPath() + QStringLiteral("Lyrics/") + name);
  ctx->settings.searchWord = false;
  window->List1_DblClick();
  EXPECT_TRUE(pumpUntil([&] { return window->LyricInfoText() == QStringLiteral("未启用歌词搜索！"); }))
      << window->LyricInfoText().toStdString();
  EXPECT_FALSE(ctx->player.LyricLoaded);
}

TEST_F(PlayTest, SequentialModeStopsAfterTheLastRow) {
  start({fixture(QStringLiteral("tone1k.wav")), fixture(QStringLiteral("tone1k.mp3"))});
  nearEnd();
  ASSERT_TRUE(pumpUntil([&] { return ctx->player.CurrentIndex == 2; }));
  nearEnd();
  ASSERT_TRUE(pumpUntil([&] { return status() == QStringLiteral("状态: 停止"); }));
  EXPECT_EQ(ctx->player.CurrentIndex, 2);
  EXPECT_EQ(window->Image1(21)->x(), window->Image1(20)->x());
}

TEST_F(PlayTest, LoopAllWrapsToTheFirstRow) {
  start({fixture(QStringLiteral("tone1k.wav")), fixture(QStringLiteral("tone1k.mp3"))}, 2);
  window->Image1_Click(8);
  ASSERT_EQ(ctx->player.CurrentIndex, 2);
  nearEnd();
  ASSERT_TRUE(pumpUntil([&] { return ctx->player.CurrentIndex == 1; }));
  EXPECT_TRUE(ctx->BP1.aIsActive());
}

TEST_F(PlayTest, RepeatOneRestartsTheSameStreamWithoutPlay) {
  start({fixture(QStringLiteral("tone1k.wav"))}, 3);
  const std::uint32_t stream = ctx->BP1.hStream;
  nearEnd();
  ASSERT_TRUE(pumpUntil([&] { return ctx->BP1.aIsActive() && ctx->BP1.aPosTime() < 1.0f; }));
  EXPECT_EQ(ctx->BP1.hStream, stream);  // not reopened
  EXPECT_EQ(ctx->player.CurrentIndex, 1);
}

TEST_F(PlayTest, RandomModePlaysEveryRowOncePerCycle) {
  start({fixture(QStringLiteral("tone1k.wav")), fixture(QStringLiteral("tone1k.mp3")),
         fixture(QStringLiteral("tone1k.ogg"))},
        4);
  std::vector<int> order;
  for (int i = 0; i < 3; ++i) {
    const std::uint32_t stream = ctx->BP1.hStream;
    nearEnd();
    ASSERT_TRUE(pumpUntil([&] { return ctx->BP1.hStream != stream; }));
    order.push_back(ctx->player.CurrentIndex);
  }
  std::sort(order.begin(), order.end());
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

TEST_F(PlayTest, UnplayableRowsArePassedOverAndAFruitlessPassStops) {
  start({fixture(QStringLiteral("tone1k.wav")), fixture(QStringLiteral("random.mp3")),
         fixture(QStringLiteral("tone1k.mp3"))});
  nearEnd();
  ASSERT_TRUE(pumpUntil([&] { return ctx->player.CurrentIndex == 3 && ctx->BP1.aIsActive(); }));
  window->close();
  window.reset();

  start({fixture(QStringLiteral("random.mp3")), fixture(QStringLiteral("empty.mp3"))}, 2);
  ASSERT_TRUE(pumpUntil([&] { return status() == QStringLiteral("状态: 停止"); }, 10000));
  EXPECT_FALSE(window->Timer1().isActive());
  window->close();
  window.reset();

  // Repeat-one cannot restart a song that never opened: it passes over to the
  // next row and repeats that one.
  start({fixture(QStringLiteral("random.mp3")), fixture(QStringLiteral("tone1k.wav"))}, 3);
  ASSERT_TRUE(pumpUntil([&] { return ctx->player.CurrentIndex == 2 && ctx->BP1.aIsActive(); }, 10000));
  const std::uint32_t stream = ctx->BP1.hStream;
  nearEnd();
  ASSERT_TRUE(pumpUntil([&] { return ctx->BP1.aIsActive() && ctx->BP1.aPosTime() < 1.0f; }));
  EXPECT_EQ(ctx->BP1.hStream, stream);
  window->close();
  window.reset();

  // With no row that opens it stops; seeking without a stream asks nothing.
  start({fixture(QStringLiteral("random.mp3")), fixture(QStringLiteral("empty.mp3"))}, 3);
  ASSERT_TRUE(pumpUntil([&] { return status() == QStringLiteral("状态: 停止"); }, 10000));
  window->Image1_MouseDown(20, Qt::LeftButton, QPoint(20, 2));
  EXPECT_TRUE(world.prompts.callsOf(QStringLiteral("message")).empty());
}

// One playable row among two that never open: random play goes on cycling
// through all three and keeps coming back to the playable one.
TEST_F(PlayTest, RandomModeKeepsPlayingTheOnePlayableRow) {
  start({fixture(QStringLiteral("random.mp3")), fixture(QStringLiteral("tone1k.wav")),
         fixture(QStringLiteral("empty.mp3"))},
        4);
  for (int cycle = 0; cycle < 4; ++cycle) {
    ASSERT_TRUE(pumpUntil([&] {
      return (ctx->player.CurrentIndex == 2 && ctx->BP1.aIsActive()) ||
             status() == QStringLiteral("状态: 停止");
    }));
    ASSERT_EQ(status(), QStringLiteral("状态: 播放(随机)")) << "cycle " << cycle;
    const std::uint32_t stream = ctx->BP1.hStream;
    nearEnd();
    ASSERT_TRUE(pumpUntil([&] { return ctx->BP1.hStream != stream; }));
  }
}

TEST_F(PlayTest, LyricNamesMatchWithoutRegardToCaseAndTheSongsOwnNameIsTried) {
  QDir().mkpath(world.path(QStringLiteral("music")));
  const QString song = world.path(QStringLiteral("music/Moon Song.mp3"));
  QFile::copy(fixture(QStringLiteral("id3v1.mp3")), song);  // title "moon song", artist "singer"
  world.writeFile(QStringLiteral("music/Moon Song.LRC"), "[00:01.00]own name");
  world.writeFile(QStringLiteral("app/Lyrics/Singer - Moon Song.lrc"), "[00:01.00]folder");
  start({song});
  EXPECT_EQ(window->LastLyricSource(), world.appPath() + QStringLiteral("Lyrics/Singer - Moon Song.lrc"));

  QFile::remove(world.appPath() + QStringLiteral("Lyrics/Singer - Moon Song.lrc"));
  ctx->playlist.setSelectedItem(1);
  window->List1_DblClick();
  EXPECT_EQ(window->LastLyricSource(), world.path(QStringLiteral("music/Moon Song.LRC")));
}

// Each status text of Play reaches the screen before the work it announces.
TEST_F(PlayTest, StatusTextsArePaintedAsTheyAreSet) {
  start({fixture(QStringLiteral("tone1k.wav"))});
  ASSERT_TRUE(pumpUntil([&] { return window->windowHandle() && window->windowHandle()->isExposed(); }));
  struct PaintLog : QObject {
    Fplay* window;
    QStringList painted;
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::Paint) painted << window->LyricInfoText();
      return false;
    }
  } log;
  log.window = window.get();
  window->Pic1(1)->installEventFilter(&log);
  ctx->playlist.setSelectedItem(1);
  window->List1_DblClick();
  window->Pic1(1)->removeEventFilter(&log);
  EXPECT_TRUE(log.painted.contains(QStringLiteral("加载歌曲,请稍候...")))
      << log.painted.join(u'|').toStdString();
  EXPECT_TRUE(log.painted.contains(QStringLiteral("正在查找歌词...")))
      << log.painted.join(u'|').toStdString();
}

TEST_F(PlayTest, SlidersVolumeStepsAndMute) {
  start({fixture(QStringLiteral("tone1k.wav"))});
  SkinImage* bar = window->Image1(20);
  const int thumb = window->Image1(21)->width();
  window->Image1_MouseDown(20, Qt::LeftButton, QPoint(thumb / 2 + (bar->width() - thumb) / 2, 2));
  EXPECT_NEAR(double(ctx->BP1.aPosByte()), double(ctx->BP1.alenByte()) / 2,
              double(ctx->BP1.alenByte()) * 0.05);

  SkinImage* volumeBar = window->Image1(22);
  const int knob = window->Image1(23)->width();
  window->Image1_MouseDown(22, Qt::LeftButton, QPoint(volumeBar->width() - knob / 2, 2));
  EXPECT_EQ(ctx->settings.volumn, 100);
  EXPECT_EQ(ctx->BP1.aVolumn(), 100);

  ctx->settings.volumn = 95;
  EXPECT_TRUE(window->ShortcutKey(Qt::Key_Up, Qt::ControlModifier));
  EXPECT_EQ(ctx->settings.volumn, 100);
  window->ShortcutKey(Qt::Key_Up, Qt::ControlModifier);
  EXPECT_EQ(ctx->settings.volumn, 100);
  ctx->settings.volumn = 5;
  window->ShortcutKey(Qt::Key_Down, Qt::ControlModifier);
  EXPECT_EQ(ctx->settings.volumn, 0);
  EXPECT_FALSE(window->ShortcutKey(Qt::Key_Up, Qt::ControlModifier | Qt::ShiftModifier));

  window->ShortcutKey(Qt::Key_Up, Qt::ControlModifier);      // 10: the knob sits at 10 %
  window->Image1_MouseUp(19, Qt::LeftButton, QPoint(1, 1));  // mute
  EXPECT_EQ(ctx->settings.volumn, 0);
  EXPECT_FALSE(window->Image1(22)->isEnabled());
  window->ShortcutKey(Qt::Key_Up, Qt::ControlModifier);
  EXPECT_EQ(ctx->settings.volumn, 0);                        // muted: the keys do nothing
  window->Image1_MouseUp(19, Qt::LeftButton, QPoint(1, 1));  // unmute: back to the knob's place
  EXPECT_NEAR(ctx->settings.volumn, 10, 2);
}

TEST_F(PlayTest, PlaylistIsSavedAtShutdownAndRestoredWithItsPosition) {
  start({fixture(QStringLiteral("tone1k.wav")), fixture(QStringLiteral("tone1k.mp3"))});
  window->Image1_Click(8);
  window->close();
  window.reset();
  const QByteArray saved = world.readFile(QStringLiteral("app/Playlist.dat"));
  EXPECT_TRUE(saved.startsWith(" 2 \r\n")) << saved.constData();

  ctx = world.makeContext();
  world.writeFile(QStringLiteral("app/Settings.ini"), "[lyrovo]\r\nautoPlay=0\r\n");
  window = std::make_unique<Fplay>(*ctx, QStringList{});
  ASSERT_EQ(window->Form_Load(), Fplay::LoadResult::Run);
  EXPECT_EQ(ctx->playlist.count(), 2);
  EXPECT_EQ(ctx->player.CurrentIndex, 2);
  EXPECT_FALSE(ctx->BP1.aIsActive());  // auto play is off
  EXPECT_TRUE(ctx->playlist.row(2).current);
  EXPECT_FALSE(window->Image1(6)->isEnabled());  // the stopped state
  EXPECT_FALSE(window->Label1(3)->isEnabled());

  window->Image1_Click(5);  // play: the remembered row, from its start
  EXPECT_EQ(ctx->player.CurrentIndex, 2);
  EXPECT_TRUE(ctx->BP1.aIsActive());
  EXPECT_EQ(window->Label1(4)->text(), QStringLiteral("状态: 播放(顺序)"));
}
