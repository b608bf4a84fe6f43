// Downloading a lyric from a real HTTP server on 127.0.0.1 and keeping the
// copies the settings ask for.
#include "base/playerstate.h"
#include "base/scriptedprompts.h"
#include "download/download.h"
#include "download/httpserver.h"
#include "lyrics/loadword.h"
#include "settings/settings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace lyrovo;
using lyrovo::testing::TestHttpServer;

namespace {

class DownloadingHost : public LyricHost {
 public:
  explicit DownloadingHost(QString tempFile) : tempFile_(std::move(tempFile)) {}
  void DrawInfo(const QString& text) override { info = text; }
  void ClearPane() override {}
  void WordAdjust() override {}
  void StartLyricTimer() override { timerStarted = true; }
  void ResetScroll() override {}
  int TextWidth(const QString& text) override { return int(text.size()) * 10; }
  QString DownFile(const QString& url) override { return lyrovo::DownFile(url, tempFile_); }

  QString info;
  bool timerStarted = false;

 private:
  QString tempFile_;
};

class LoadWordOverHttp : public ::testing::Test {
 protected:
  TestHttpServer server;
  QTemporaryDir root;
  ScriptedPrompts prompts;
  PlayerState player;
  SearchState search;
  Settings settings;
  LyricModel model;
  ErrorLog log{root.path() + u'/', nullptr};  // no debug.dat there: nothing is logged

  QString lyrics() const { return root.path() + QStringLiteral("/Lyrics/"); }
  QString songs() const { return root.path() + QStringLiteral("/songs/"); }
  QString target(const QString& folder) const { return folder + QStringLiteral("singer - song.lrc"); }
  QByteArray read(const QString& file) const {
    QFile in(file);
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
  }
  void write(const QString& file, const QByteArray& bytes) const {
    QDir().mkpath(QFileInfo(file).absolutePath());
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(bytes);
  }

  void SetUp() override {
    player.SongArtist = QStringLiteral("singer");
    player.SongTitle = QStringLiteral("song");
    search.IsOnline = true;
    settings.WordPath = lyrics();  // made by the first copy
    QDir().mkpath(songs());
  }

  bool load(const char* path, DownloadingHost& host) {
    LoadWordContext context{model, player, search,  settings, prompts,
                            log,   host,   songs(), 200000.0, root.path() + QStringLiteral("/temp.vantor")};
    return LoadWord(server.url(path), false, context);
  }
};

}  // namespace

TEST_F(LoadWordOverHttp, ADownloadedLyricLoadsAndIsKeptOnceInTheLyricFolder) {
  DownloadingHost host(root.path() + QStringLiteral("/temp.vantor"));
  ASSERT_TRUE(load("/lrc", host));
  EXPECT_TRUE(player.LyricLoaded);
  EXPECT_TRUE(host.timerStarted);
  EXPECT_EQ(model.LyricText[2], QStringLiteral("one  "));
  EXPECT_EQ(read(target(lyrics())), QByteArray(TestHttpServer::kLyricFile));
  EXPECT_FALSE(QFile::exists(target(songs())));

  settings.saveToSongPath = true;
  QFile::remove(target(lyrics()));
  ASSERT_TRUE(load("/lrc", host));
  EXPECT_EQ(read(target(songs())), QByteArray(TestHttpServer::kLyricFile));
  EXPECT_TRUE(QFile::exists(target(lyrics())));
}

TEST_F(LoadWordOverHttp, NothingIsKeptWhenSavingIsOff) {
  settings.saveWord = false;
  DownloadingHost host(root.path() + QStringLiteral("/temp.vantor"));
  ASSERT_TRUE(load("/lrc", host));
  EXPECT_FALSE(QFile::exists(target(lyrics())));
}

TEST_F(LoadWordOverHttp, AnExistingLyricIsReplacedOnlyWhenTheUserSaysYes) {
  write(target(lyrics()), "mine");
  DownloadingHost host(root.path() + QStringLiteral("/temp.vantor"));
  prompts.answers.push_back(Prompts::Answer::No);
  ASSERT_TRUE(load("/lrc", host));
  EXPECT_EQ(read(target(lyrics())), QByteArray("mine"));
  const auto asked = prompts.callsOf(QStringLiteral("message"));
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].title, QStringLiteral("Lyrovo - 覆盖提示"));
  EXPECT_EQ(asked[0].text,
            QStringLiteral("歌词文件：") + target(lyrics()) + QStringLiteral("已经存在，是否覆盖？"));

  prompts.answers.push_back(Prompts::Answer::Yes);
  ASSERT_TRUE(load("/lrc", host));
  EXPECT_EQ(read(target(lyrics())), QByteArray(TestHttpServer::kLyricFile));
}

TEST_F(LoadWordOverHttp, AFailedDownloadShowsTheTextAndTouchesNoFile) {
  write(target(lyrics()), "mine");
  DownloadingHost host(root.path() + QStringLiteral("/temp.vantor"));
  EXPECT_FALSE(load("/notfound", host));
  EXPECT_EQ(host.info, QStringLiteral("歌词未找到，请右击搜索！"));
  EXPECT_FALSE(player.LyricLoaded);
  EXPECT_EQ(read(target(lyrics())), QByteArray("mine"));
  EXPECT_TRUE(prompts.calls.empty());  // the search window is not open

  search.IsOnline = false;
  EXPECT_FALSE(load("/lrc", host));
  EXPECT_EQ(host.info, QStringLiteral("未联网!"));
}
