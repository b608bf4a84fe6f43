// A row with a title but no artist: Play asks the music search page for the
// artist off the UI thread, writes it back, and only then opens the song.
#include "app/fplay.h"
#include "download/httpserver.h"
#include "engine/tags.h"
#include "lyrics/lyricpane.h"
#include "support/audiofixtures.h"
#include "support/testworld.h"
#include "support/webfixtures.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace lyrovo;
using lyrovo::testing::fixture;
using lyrovo::testing::pumpUntil;
using lyrovo::testing::TestHttpServer;
using lyrovo::testing::TestWorld;

namespace {

// The look-up of the fixture's title ("Only Title", normalised by the tag reader), in UTF-8.
constexpr char kInfoTarget[] = "/music.so?pf=&class=0&sid=&query=only%20title";
constexpr char kInfoPage[] = "<td><a href=\"/a\" class=mr><font color=red>Singer X</font></a></td>";

struct ArtistRepairTest : ::testing::Test {
  TestHttpServer server;
  TestWorld world;
  std::unique_ptr<AppContext> ctx;
  std::unique_ptr<Fplay> window;

  // A copy of the tagged-without-artist fixture the test may write into.
  QString song(const char* name) {
    const QString path = world.path(QString::fromUtf8(name));
    QFile::copy(fixture(QStringLiteral("id3v1-noartist.mp3")), path);
    QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    return path;
  }
  void start(const QStringList& files) {
    world.writeFile(QStringLiteral("app/Images/.keep"), {});
    world.writeFile(
        QStringLiteral("app/Settings.ini"),
        QStringLiteral("[lyrovo]\r\nplayModal=1\r\nsearchWord=0\r\n[Servers]\r\nconnectionCheck=%1\r\n"
                       "musicSearch=%2\r\n")
            .arg(server.url("/"), server.url(""))
            .toUtf8());
    ctx = world.makeContext();
    window = std::make_unique<Fplay>(*ctx, files);
    ASSERT_EQ(window->Form_Load(), Fplay::LoadResult::Run);
    // The first song starts before the connection check answers, so it is
    // not repaired; once online, playing it again looks its artist up.
    EXPECT_EQ(server.requests(kInfoTarget), 0);
    ASSERT_TRUE(pumpUntil([&] { return ctx->search.IsOnline; }));
    window->Play();
  }
  QString tagArtist(const QString& path) {
    TagFields fields;
    ReadID3v1(path, fields);
    return fields.tagArtist;
  }
  void TearDown() override {
    if (window) window->close();
  }
};

TEST_F(ArtistRepairTest, TheArtistFoundIsWrittenBackBeforeTheSongOpens) {
  server.setPage(kInfoTarget, "200 OK", kInfoPage);
  server.setDelay(kInfoTarget, std::chrono::milliseconds(300));
  const QString path = song("a.mp3");
  start({path});
  // The window is free while the look-up runs, and the song waits for it.
  EXPECT_EQ(window->LyricInfoText(), QStringLiteral("修补媒体信息,请稍候..."));
  EXPECT_FALSE(ctx->BP1.aIsActive());
  ASSERT_TRUE(pumpUntil([&] { return ctx->BP1.aIsActive(); }));
  EXPECT_EQ(ctx->playlist.row(1).artist, QStringLiteral("singer x"));
  EXPECT_EQ(ctx->player.SongArtist, QStringLiteral("singer x"));
  EXPECT_EQ(tagArtist(path), QStringLiteral("singer x"));
  EXPECT_EQ(server.requests(kInfoTarget), 1);
}

TEST_F(ArtistRepairTest, NoArtistFoundLeavesTheFileAloneAndPlays) {
  server.setPage(kInfoTarget, "200 OK", "<html>没有找到</html>");
  const QString path = song("a.mp3");
  const QByteArray before = [&] {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }();
  start({path});
  ASSERT_TRUE(pumpUntil([&] { return ctx->BP1.aIsActive(); }));
  EXPECT_EQ(server.requests(kInfoTarget), 1);
  EXPECT_EQ(ctx->playlist.row(1).artist, QStringLiteral("未知歌手"));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), before);
}

TEST_F(ArtistRepairTest, ALateAnswerForTheSongThatWasLeftIsDropped) {
  server.setPage(kInfoTarget, "200 OK", kInfoPage);
  server.setDelay(kInfoTarget, std::chrono::milliseconds(800));
  const QString first = song("a.mp3"), second = song("b.mp3");
  start({first, second});
  ASSERT_EQ(ctx->player.CurrentIndex, 1);
  ASSERT_TRUE(pumpUntil([&] { return server.requests(kInfoTarget) == 1; }));
  window->Image1_Click(8);  // next, while the first song's look-up is still under way
  ASSERT_EQ(ctx->player.CurrentIndex, 2);
  // The look-ups run one after the other: when the second song plays, the
  // first one's answer has come and gone.
  ASSERT_TRUE(pumpUntil([&] { return ctx->BP1.aIsActive(); }));
  EXPECT_EQ(ctx->BP1.Tag, second);
  EXPECT_EQ(ctx->playlist.row(2).artist, QStringLiteral("singer x"));
  EXPECT_EQ(ctx->playlist.row(1).artist, QStringLiteral("未知歌手"));
  EXPECT_EQ(tagArtist(first), QString());
  EXPECT_EQ(server.requests(kInfoTarget), 2);
}

TEST_F(ArtistRepairTest, TheSearchWindowStaysClosedUntilTheRepairedSongOpens) {
  server.setPage(kInfoTarget, "200 OK", kInfoPage);
  server.setDelay(kInfoTarget, std::chrono::milliseconds(300));
  start({song("a.mp3")});
  // A search from the window would take the worker from the repair.
  window->menuWs_Click(kMenuSearch);
  EXPECT_EQ(window->LyricSearchWindow(), nullptr);
  ASSERT_TRUE(pumpUntil([&] { return ctx->BP1.aIsActive(); }));
  EXPECT_EQ(ctx->playlist.row(1).artist, QStringLiteral("singer x"));
}

}  // namespace
