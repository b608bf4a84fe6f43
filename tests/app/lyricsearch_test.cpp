// The lyric search of the main window against the local HTTP server
// speaking the LRCLIB API: the automatic search with and without the
// best-result rule, and the lyric search window.
#include "app/finfo.h"
#include "app/fplay.h"
#include "app/fsearch.h"
#include "download/httpserver.h"
#include "support/audiofixtures.h"
#include "support/testworld.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>

#include <id3v2tag.h>
#include <mpegfile.h>
#include <unsynchronizedlyricsframe.h>

#include <gtest/gtest.h>

using namespace lyrovo;
using lyrovo::testing::fixture;
using lyrovo::testing::pumpUntil;
using lyrovo::testing::TestHttpServer;
using lyrovo::testing::TestWorld;

namespace {

std::string lrc(const char* word) {
  std::string text = "[ti:x]";
  for (int s = 1; s <= 7; ++s) text += "\\n[00:0" + std::to_string(s) + ".00]" + word + std::to_string(s);
  return text;
}

std::string record(int id, const char* title, const char* artist, const char* word) {
  return R"({"id":)" + std::to_string(id) + R"(,"trackName":")" + title + R"(","artistName":")" + artist +
         R"(","duration":2,"instrumental":false,"syncedLyrics":")" + lrc(word) + R"("})";
}

// The song id3v1.mp3 plays as "moon song" by "singer"; LRCLIB knows two
// other songs (and one without times) but not this one.
struct LyricSearchTest : ::testing::Test {
  TestHttpServer server;
  TestWorld world;
  std::unique_ptr<AppContext> ctx;
  std::unique_ptr<Fplay> window;
  QString song;

  void SetUp() override {
    world.writeFile(QStringLiteral("app/Images/.keep"), {});
    song = world.path(QStringLiteral("music/song.mp3"));
    QDir().mkpath(world.path(QStringLiteral("music")));
    ASSERT_TRUE(QFile::copy(fixture(QStringLiteral("id3v1.mp3")), song));
    QFile::setPermissions(song, QFile::ReadOwner | QFile::WriteOwner);
    server.setPage("/api/search?track_name=moon%20song&artist_name=singer", "200 OK",
                   "[" + record(7, "Other Song", "Someone", "other") + "," +
                       record(8, "Third", "Nobody", "third") +
                       R"(,{"id":9,"trackName":"Plain","artistName":"X","plainLyrics":"words"}])");
    server.setPage("/api/get/7", "200 OK", record(7, "Other Song", "Someone", "other"));
    server.setPage("/api/get/8", "200 OK", record(8, "Third", "Nobody", "third"));
  }

  void start(bool autoSelect) {
    world.writeFile(QStringLiteral("app/Settings.ini"),
                    QStringLiteral("[lyrovo]\r\nplayModal=1\r\nautoSelect=%1\r\nsaveWord=1\r\n"
                                   "[Servers]\r\nconnectionCheck=%2\r\nlrclib=%3\r\n")
                        .arg(autoSelect ? 1 : 0)
                        .arg(server.url("/"), server.url(""))
                        .toUtf8());
    ctx = world.makeContext();
    window = std::make_unique<Fplay>(*ctx, QStringList{song});
    ASSERT_EQ(window->Form_Load(), Fplay::LoadResult::Run);
    ASSERT_TRUE(pumpUntil([&] { return ctx->search.IsOnline; }));
  }
  QString kept(const QString& name) const { return world.appPath() + QStringLiteral("Lyrics/") + name; }
  QString lyricLine(int k) const { return ctx->lyrics.LyricText[k].trimmed(); }

  void TearDown() override {
    if (window) window->close();
  }
};

}  // namespace

TEST_F(LyricSearchTest, WithoutTheBestResultRuleTheWindowOpensWithTheResults) {
  start(false);
  ASSERT_TRUE(pumpUntil([&] { return window->LyricSearchWindow() != nullptr; }));
  FSearch* search = window->LyricSearchWindow();
  EXPECT_TRUE(ctx->player.SearchWindowOpen);
  EXPECT_FALSE(ctx->player.LyricLoaded);
  EXPECT_EQ(search->windowTitle(), QStringLiteral("Lyrovo - 搜索歌词"));
  EXPECT_EQ(search->songPathEdit->text(), song);
  EXPECT_EQ(search->titleEdit->text(), QStringLiteral("moon song"));
  EXPECT_EQ(search->artistEdit->text(), QStringLiteral("singer"));
  EXPECT_EQ(search->statusLabel->text(), QStringLiteral("请选择搜索到的歌词文件进行下载:"));
  ASSERT_EQ(search->resultList->topLevelItemCount(), 2);  // the record without times is no result
  EXPECT_EQ(search->resultList->topLevelItem(0)->text(0), QStringLiteral("other song"));
  EXPECT_EQ(search->resultList->topLevelItem(1)->text(1), QStringLiteral("nobody"));
  EXPECT_TRUE(search->downloadButton->isEnabled());
  EXPECT_FALSE(search->autoSelectCheck->isChecked());

  // The check boxes write their settings at once.
  search->autoSelectCheck->click();
  search->autoReWriteCheck->click();
  EXPECT_TRUE(ctx->settings.autoSelect);
  EXPECT_TRUE(ctx->settings.autoReWrite);

  // Download of the second row: loaded, and kept in the lyric folder.
  search->resultList->setCurrentItem(search->resultList->topLevelItem(1));
  search->downloadClicked();
  EXPECT_EQ(search->cursor().shape(), Qt::BusyCursor);
  ASSERT_TRUE(pumpUntil([&] { return ctx->player.LyricLoaded; }));
  EXPECT_NE(search->cursor().shape(), Qt::BusyCursor);
  EXPECT_EQ(lyricLine(2), QStringLiteral("third1"));
  EXPECT_EQ(server.requests("/api/get/8"), 1);
  const QString keptFile = kept(QStringLiteral("singer - moon song.lrc"));
  QFile keptLyric(keptFile);
  ASSERT_TRUE(keptLyric.open(QIODevice::ReadOnly));
  EXPECT_TRUE(keptLyric.readAll().contains("[00:07.00]third7"));

  // A search with the boxes' texts: by title alone when the artist is not ticked.
  server.setPage("/api/search?track_name=other", "200 OK",
                 "[" + record(7, "Other Song", "Someone", "o") + "]");
  search->titleEdit->setText(QStringLiteral("  other "));
  search->artistCheck->click();
  EXPECT_FALSE(search->artistEdit->isEnabled());
  search->searchClicked();
  EXPECT_EQ(search->statusLabel->text(), QStringLiteral("正在查找歌词..."));
  EXPECT_FALSE(search->searchButton->isEnabled());
  EXPECT_FALSE(search->downloadButton->isEnabled());
  ASSERT_TRUE(pumpUntil([&] { return search->searchButton->isEnabled(); }));
  EXPECT_EQ(search->statusLabel->text(), QStringLiteral("请选择搜索到的歌词文件进行下载:"));
  ASSERT_EQ(search->resultList->topLevelItemCount(), 1);
  EXPECT_EQ(ctx->search.SearchResultCount, 1);
  // The song's names are untouched by a search with other texts.
  EXPECT_EQ(ctx->player.SongTitle, QStringLiteral("moon song"));
  EXPECT_EQ(ctx->player.SongArtist, QStringLiteral("singer"));

  server.setPage("/api/search?track_name=nothing&artist_name=singer", "200 OK", "[]");
  search->artistCheck->click();
  search->titleEdit->setText(QStringLiteral("nothing"));
  search->searchClicked();
  ASSERT_TRUE(pumpUntil([&] { return search->searchButton->isEnabled(); }));
  EXPECT_EQ(search->statusLabel->text(), QStringLiteral("没有找到歌词！"));
  EXPECT_FALSE(search->downloadButton->isEnabled());
  EXPECT_EQ(ctx->player.SongTitle, QStringLiteral("moon song"));

  ctx->search.IsOnline = false;
  search->searchClicked();
  EXPECT_EQ(search->statusLabel->text(), QStringLiteral("您没有联网！"));
  ctx->search.IsOnline = true;

  search->closeButton->clicked();
  EXPECT_FALSE(ctx->player.SearchWindowOpen);
}

TEST_F(LyricSearchTest, SetAsMediaInfoRenamesTheRowTheTagAndTheLyricFile) {
  start(false);
  ASSERT_TRUE(pumpUntil([&] { return window->LyricSearchWindow() != nullptr; }));
  FSearch* search = window->LyricSearchWindow();
  world.writeFile(QStringLiteral("app/Lyrics/singer - moon song.lrc"), "[00:01.00]kept");
  search->resultList->setCurrentItem(search->resultList->topLevelItem(0));
  search->setAsMediaInfoClicked();
  EXPECT_EQ(ctx->playlist.row(1).title, QStringLiteral("other song"));
  EXPECT_EQ(ctx->playlist.row(1).artist, QStringLiteral("someone"));
  EXPECT_EQ(ctx->player.SongTitle, QStringLiteral("other song"));
  EXPECT_EQ(ctx->player.SongArtist, QStringLiteral("someone"));
  EXPECT_FALSE(QFileInfo::exists(kept(QStringLiteral("singer - moon song.lrc"))));
  EXPECT_EQ(world.readFile(QStringLiteral("app/Lyrics/someone - other song.lrc")),
            QByteArray("[00:01.00]kept"));
  QFile tagged(song);
  ASSERT_TRUE(tagged.open(QIODevice::ReadOnly));
  const QByteArray tag = tagged.readAll().right(128);
  EXPECT_TRUE(tag.startsWith("TAG")) << tag.left(3).constData();
  EXPECT_TRUE(tag.contains("other song"));

  // A file already under the new names stays, and so does the old one.
  world.writeFile(QStringLiteral("app/Lyrics/someone - other song.lrc"), "new");
  world.writeFile(QStringLiteral("app/Lyrics/nobody - third.lrc"), "taken");
  search->resultList->setCurrentItem(search->resultList->topLevelItem(1));
  search->setAsMediaInfoClicked();
  EXPECT_EQ(ctx->player.SongTitle, QStringLiteral("third"));
  EXPECT_EQ(world.readFile(QStringLiteral("app/Lyrics/someone - other song.lrc")), QByteArray("new"));
  EXPECT_EQ(world.readFile(QStringLiteral("app/Lyrics/nobody - third.lrc")), QByteArray("taken"));

  // Opened again from the lyric menu while the player is on top: on top too.
  ctx->player.OnTop = true;
  window->menuWs_Click(kMenuSearch);
  ASSERT_NE(window->LyricSearchWindow(), nullptr);
  EXPECT_TRUE(window->LyricSearchWindow()->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_TRUE(ctx->player.SearchWindowOpen);
}

TEST_F(LyricSearchTest, TheBestResultRuleLoadsTheFirstResultWithoutAWindow) {
  start(true);
  ASSERT_TRUE(pumpUntil([&] { return ctx->player.LyricLoaded; }));
  EXPECT_EQ(lyricLine(2), QStringLiteral("other1"));  // no title fits: result 1
  EXPECT_EQ(window->LyricSearchWindow(), nullptr);
  EXPECT_TRUE(QFileInfo::exists(kept(QStringLiteral("singer - moon song.lrc"))));
}

TEST_F(LyricSearchTest, TheLyricInsideTheSongComesBeforeTheWeb) {
  {
    TagLib::MPEG::File file(QFile::encodeName(song).constData());
    auto* frame = new TagLib::ID3v2::UnsynchronizedLyricsFrame(TagLib::String::UTF8);
    frame->setText(TagLib::String(
        "[00:01.00]\xE4\xB8\x80\n[00:02.00]b\n[00:03.00]c\n[00:04.00]d\n[00:05.00]e\n[00:06.00]f\n",
        TagLib::String::UTF8));
    file.ID3v2Tag(true)->addFrame(frame);
    ASSERT_TRUE(file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone, TagLib::ID3v2::v4,
                          TagLib::File::DoNotDuplicate));
  }
  start(false);
  ASSERT_TRUE(pumpUntil([&] { return ctx->player.LyricLoaded; }));
  EXPECT_EQ(lyricLine(2), QStringLiteral("一"));
  EXPECT_EQ(window->LastLyricSource(), song);
  EXPECT_EQ(server.totalRequests(), 1);  // the connection check only: the web was never asked
  EXPECT_EQ(window->LyricSearchWindow(), nullptr);
  EXPECT_FALSE(QFileInfo::exists(kept(QStringLiteral("singer - moon song.lrc"))));
}

TEST_F(LyricSearchTest, AChosenLyricThatCannotBeFetchedIsReportedInABox) {
  start(false);
  ASSERT_TRUE(pumpUntil([&] { return window->LyricSearchWindow() != nullptr; }));
  FSearch* search = window->LyricSearchWindow();
  server.setPage("/api/get/8", "404 Not Found", R"({"message":"gone"})");
  search->resultList->setCurrentItem(search->resultList->topLevelItem(1));
  search->downloadClicked();
  const auto boxes = [&] { return world.prompts.callsOf(QStringLiteral("message")); };
  ASSERT_TRUE(pumpUntil([&] { return !boxes().empty(); }));
  EXPECT_EQ(boxes()[0].title, QStringLiteral("Lyrovo - 下载提示"));
  EXPECT_EQ(boxes()[0].text, QStringLiteral("歌词下载失败，请尝试其它链接！"));
  EXPECT_EQ(window->LyricInfoText(), QStringLiteral("歌词未找到，请右击搜索！"));
  EXPECT_FALSE(ctx->player.LyricLoaded);
  EXPECT_FALSE(QFileInfo::exists(kept(QStringLiteral("singer - moon song.lrc"))));
}
