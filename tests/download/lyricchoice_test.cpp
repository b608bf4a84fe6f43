// The searches the user starts and the download of the lyric the user chose,
// against the local HTTP server speaking the LRCLIB API.
#include "download/lyricchoice.h"
#include "download/httpserver.h"
#include "support/lyricpages.h"
#include "text/encoding.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace lyrovo {
namespace {

using testing::TestHttpServer;

std::string record(int id, const char* title, const char* synced) {
  return "{\"id\":" + std::to_string(id) + ",\"trackName\":\"" + title +
         "\",\"artistName\":\"Band\",\"duration\":200,\"syncedLyrics\":" + synced + "}";
}

struct LyricChoiceTest : ::testing::Test {
  TestHttpServer server;
  QTemporaryDir folder;
  LyricLookupRequest request;

  void SetUp() override {
    request.servers.lrclib = server.url("");
    request.tempFile = folder.filePath(QStringLiteral("temp.vantor"));
    request.limits = DownloadLimits{2000, 5000, 1024 * 1024, 2};
  }
  QByteArray temp() const {
    QFile file(request.tempFile);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
  }
};

TEST_F(LyricChoiceTest, WindowSearchListsEverySyncedRecordUpToTheCap) {
  std::string many = "[" + record(1, "Plain", "null") + "," + record(2, "Song", "\"[00:01.00]a\"");
  for (int id = 3; id < 40; ++id) many += "," + record(id, "Song", "\"[00:01.00]b\"");
  server.setPage("/api/search?track_name=song%20x", "200 OK", many + "]");
  request.query.title = QStringLiteral("song x");  // no artist: by title alone
  const LyricLookupResult result = RunWindowLyricSearch(request);
  ASSERT_EQ(result.urls.size(), kMaxSearchResults);
  EXPECT_EQ(result.urls.front(), server.url("/api/get/2"));
  EXPECT_EQ(result.titles.front(), QStringLiteral("song"));
  EXPECT_EQ(result.artists.front(), QStringLiteral("band"));
  EXPECT_TRUE(result.link.isEmpty());

  // Wrong types, broken JSON and refusals list nothing.
  for (const char* body : {"{\"id\":1}", "[{\"id\":\"x\",\"syncedLyrics\":\"[00:01.00]a\"}]", "[", "", "0"}) {
    server.setPage("/api/search?track_name=odd&artist_name=band", "200 OK", body);
    request.query = {QStringLiteral("odd"), QStringLiteral("band"), {}, 0};
    EXPECT_TRUE(RunWindowLyricSearch(request).urls.isEmpty()) << body;
  }
  request.searchLrclib = false;
  EXPECT_TRUE(RunWindowLyricSearch(request).urls.isEmpty());
}

TEST_F(LyricChoiceTest, WindowSearchListsTheServicesResultsBeforeLrclibsRecords) {
  using namespace testing::pages;
  request.servers.lyricSearch3 = server.url("");
  request.searchServer2 = false;
  // The services are asked for title and artist; service 3's fitting result
  // is listed and nothing is downloaded.
  const std::string lyric = server.url("/lrc/moon.lrc").toStdString();
  server.setPage(
      "/lyric.html?pid=ysearch&source=ysearch_music_result_topsearch&mimetype=lyric&p=moon%20singer",
      "200 OK",
      encodeGbk(page3({row3(QStringLiteral("Singer"), lyric.c_str(), QStringLiteral("Moon"))}))
          .toStdString());
  server.setPage("/api/search?track_name=moon&artist_name=singer", "200 OK",
                 "[" + record(5, "Moon", "\"[00:01.00]a\"") + "]");
  request.query = {QStringLiteral("moon"), QStringLiteral("singer"), {}, 200};
  const LyricLookupResult result = RunWindowLyricSearch(request);
  EXPECT_EQ(result.urls, QStringList({QString::fromStdString(lyric), server.url("/api/get/5")}));
  EXPECT_EQ(result.titles, QStringList({QStringLiteral("moon"), QStringLiteral("moon")}));
  EXPECT_TRUE(result.link.isEmpty());
  EXPECT_EQ(server.requests("/lrc/moon.lrc"), 0);
  EXPECT_EQ(server.requests("/api/get/5"), 0);
}

TEST_F(LyricChoiceTest, TheBestResultRuleFetchesTheSyncedLyricOfAnLrclibRecord) {
  request.query = {QStringLiteral("moon"), QStringLiteral("singer"), {}, 200};
  request.autoSelect = true;
  server.setPage(
      "/api/search?track_name=moon&artist_name=singer", "200 OK",
      "[" + record(4, "Sun", "\"[00:01.00]a\"") + "," + record(6, "Moon (live)", "\"[00:02.00]b\"") + "]");
  server.setPage("/api/get/6", "200 OK", record(6, "Moon (live)", "\"[00:02.00]b\""));
  const LyricLookupResult result = RunLyricLookupWithChoices(request);
  EXPECT_EQ(result.link, server.url("/api/get/6"));
  EXPECT_TRUE(result.fetched);
  EXPECT_EQ(result.text, QStringLiteral("[00:02.00]b"));  // the lyric, not the record's JSON
  EXPECT_EQ(temp(), QByteArray("[00:02.00]b"));
}

TEST_F(LyricChoiceTest, DownloadTakesTheSyncedLyricOfARecordOrASearch) {
  server.setPage("/api/get/5", "200 OK", record(5, "Song", "\"[00:01.00]five\""));
  LyricLookupResult got = RunLyricDownload(server.url("/api/get/5"), request);
  EXPECT_EQ(got.link, server.url("/api/get/5"));
  EXPECT_EQ(got.text, QStringLiteral("[00:01.00]five"));
  EXPECT_EQ(temp(), QByteArray("[00:01.00]five"));

  // The link an automatic lookup gives for a search picks by its own names.
  const std::string search = "/api/search?track_name=song&artist_name=band";
  server.setPage(
      search, "200 OK",
      "[" + record(1, "Other", "\"[00:01.00]x\"") + "," + record(2, "Song", "\"[00:01.00]two\"") + "]");
  got = RunLyricDownload(server.url(search.c_str()), request);
  EXPECT_EQ(got.text, QStringLiteral("[00:01.00]two"));

  // A record without times, or a refusal, is a failed download that leaves the temp file as it was.
  server.setPage("/api/get/6", "200 OK", record(6, "Song", "null"));
  for (const char* path : {"/api/get/6", "/api/get/404"}) {
    got = RunLyricDownload(server.url(path), request);
    EXPECT_TRUE(got.link.isEmpty()) << path;
    EXPECT_EQ(temp(), QByteArray("[00:01.00]two")) << path;
  }

  // Links of other hosts are plain lyric files.
  got = RunLyricDownload(server.url("/lrc"), request);
  EXPECT_EQ(got.link, server.url("/lrc"));
  EXPECT_EQ(temp(), QByteArray(TestHttpServer::kLyricFile));
}

TEST_F(LyricChoiceTest, AutomaticLookupListsTheRecordsThatDidNotFit) {
  request.query = {QStringLiteral("moon"), QStringLiteral("singer"), {}, 200};
  server.setPage("/api/search?track_name=moon&artist_name=singer", "200 OK",
                 "[" + record(4, "Sun", "\"[00:01.00]a\"") + "]");
  const LyricLookupResult result = RunLyricLookupWithChoices(request);
  EXPECT_TRUE(result.link.isEmpty());
  EXPECT_EQ(result.urls, QStringList({server.url("/api/get/4")}));
  EXPECT_EQ(result.titles, QStringList({QStringLiteral("sun")}));
}

}  // namespace
}  // namespace lyrovo
