// The three lyric services and the music search page, served in GBK by the
// local HTTP server: what is asked, how often, and what the lookup keeps.
#include "download/lyricservices.h"
#include "download/httpserver.h"
#include "download/lyriclookup.h"
#include "support/lyricpages.h"
#include "text/encoding.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace lyrovo {
namespace {

using namespace lyrovo::testing::pages;
using testing::TestHttpServer;

// The request targets for the search text "晴天", percent-encoded GBK by hand.
constexpr char kTarget1[] = "/m?f=ms&tn=baidump3lyric&ct=150994944&lf=2&rn=10&lm=-1&word=%C7%E7%CC%EC";
constexpr char kTarget2[] = "/gecisearch.so?pf=&class=5&sid=&query=%C7%E7%CC%EC";
constexpr char kTarget3[] =
    "/lyric.html?pid=ysearch&source=ysearch_music_result_topsearch&mimetype=lyric&p=%C7%E7%CC%EC";
// The music search is asked in UTF-8.
constexpr char kInfoTarget[] = "/music.so?pf=&class=0&sid=&query=%E6%99%B4%E5%A4%A9";

std::string gbk(const QString& page) { return encodeGbk(page).toStdString(); }

struct LyricServices : ::testing::Test {
  TestHttpServer server;
  QTemporaryDir temp;

  std::string base() const { return server.url("").toStdString(); }
  ServerConfig servers() const {
    ServerConfig config;
    config.lyricSearch1 = config.lyricSearch2 = config.lyricSearch3 = config.musicSearch =
        config.lyricDownload = server.url("");
    config.lrclib = QStringLiteral("http://lrclib.lyrovo.invalid");
    return config;
  }
  LyricLookupRequest request(bool server2 = true, bool server3 = true, bool autoSelect = false) const {
    LyricLookupRequest r;
    r.query = {QStringLiteral("晴天"), QStringLiteral("周杰伦"), QString(), 0};
    r.servers = servers();
    r.searchServer2 = server2;
    r.searchServer3 = server3;
    r.autoSelect = autoSelect;
    r.tempFile = temp.filePath(QStringLiteral("temp.vantor"));
    r.limits.totalTimeoutMs = 3000;
    return r;
  }
  // A service-1 lyric link on the test server, and the same as it is requested.
  std::string lyricLink(const char* path) const { return base() + path; }
  void servePage(const char* target, const QString& page) { server.setPage(target, "200 OK", gbk(page)); }
  QByteArray tempFileBytes() const {
    QFile file(temp.filePath(QStringLiteral("temp.vantor")));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }
};

TEST_F(LyricServices, APageWithoutItsStartMarkerIsFetchedThreeTimes) {
  servePage(kTarget1, QStringLiteral("<html>晴天 没有歌词</html>"));
  LyricSearchList list;
  list.add(QStringLiteral("old"), QStringLiteral("old"), QStringLiteral("http://old"));
  const LyricServiceSearch search{
      QStringLiteral("晴天"), QStringLiteral("晴天"), QStringLiteral("周杰伦"), servers(), {}};
  EXPECT_TRUE(SearchWord1(search, list).isEmpty());
  EXPECT_EQ(server.requests(kTarget1), 3);
  EXPECT_EQ(list.count(), 0);  // the first service starts a new list
}

TEST_F(LyricServices, OnlyServiceOneWhenTheOthersAreOffAndTheFirstFitEndsTheSearch) {
  const std::string lyric = lyricLink("/lrc/sunny.lrc");
  servePage(kTarget1, page1({row1("http://127.0.0.1/lrc/rain-someone.lrc")}));
  servePage(kTarget2, page2({row2(QStringLiteral("晴天"), QStringLiteral("周杰伦"), 5)}));
  servePage(kTarget3, page3({row3(QStringLiteral("周杰伦"), lyric.c_str(), QStringLiteral("晴天"))}));
  server.setPage("/lrc/sunny.lrc", "200 OK", TestHttpServer::kLyricFile);

  LyricLookupResult off = RunLyricLookup(request(false, false));
  EXPECT_EQ(server.requests(kTarget1), 1);
  EXPECT_EQ(server.requests(kTarget2), 0);
  EXPECT_EQ(server.requests(kTarget3), 0);
  EXPECT_TRUE(off.link.isEmpty());

  // Service 2 fits: service 3 is not asked, and the lyric comes from the download host.
  server.setPage("/downlrc.jsp?tGroupid=5", "200 OK", TestHttpServer::kLyricFile);
  const LyricLookupResult on = RunLyricLookup(request());
  EXPECT_EQ(server.requests(kTarget2), 1);
  EXPECT_EQ(server.requests(kTarget3), 0);
  EXPECT_EQ(on.link, server.url("/downlrc.jsp?tGroupid=5"));
  EXPECT_TRUE(on.fetched);
  EXPECT_EQ(on.text.toUtf8(), QByteArray(TestHttpServer::kLyricFile));
  EXPECT_EQ(tempFileBytes(), QByteArray(TestHttpServer::kLyricFile));

  // Service 3 fits once service 2 has nothing.
  servePage(kTarget2, page2({}));
  const LyricLookupResult third = RunLyricLookup(request());
  EXPECT_EQ(third.link, QString::fromStdString(lyric));
  EXPECT_EQ(third.titles, QStringList({QStringLiteral("rain"),
                                       QStringLiteral("晴天")}));  // the list runs over the services
  EXPECT_EQ(server.requests("/lrc/sunny.lrc"), 1);

  // The search window's search asks every service and downloads nothing.
  servePage(kTarget2, page2({row2(QStringLiteral("晴天"), QStringLiteral("周杰伦"), 5)}));
  LyricLookupRequest window = request();
  window.listOnly = true;
  window.searchText = QStringLiteral("晴天");
  const LyricLookupResult listed = RunLyricLookup(window);
  EXPECT_TRUE(listed.link.isEmpty());
  EXPECT_FALSE(listed.fetched);
  EXPECT_EQ(listed.urls, QStringList({QStringLiteral("http://127.0.0.1/lrc/rain-someone.lrc"),
                                      server.url("/downlrc.jsp?tGroupid=5"), QString::fromStdString(lyric)}));
  EXPECT_EQ(server.requests("/lrc/sunny.lrc"), 1);
  EXPECT_EQ(server.requests("/downlrc.jsp?tGroupid=5"), 1);
}

TEST_F(LyricServices, ThirtyRowsAreCappedAt21AndAutoSelectFallsBackByTitleThenToTheFirst) {
  std::vector<QString> rows;
  for (int n = 1; n <= 30; ++n)
    rows.push_back(row2(n == 4 ? QStringLiteral("晴天 (live)") : QStringLiteral("歌%1").arg(n),
                        QStringLiteral("别人"), n));
  servePage(kTarget1, page1({}));
  servePage(kTarget2, page2(rows));
  servePage(kTarget3, page3({}));
  server.setPage("/downlrc.jsp?tGroupid=4", "200 OK", TestHttpServer::kLyricFile);
  server.setPage("/downlrc.jsp?tGroupid=1", "200 OK", TestHttpServer::kLyricFile);

  // Without autoSelect nothing is chosen or downloaded: the user picks in the window.
  const LyricLookupResult ask = RunLyricLookup(request());
  EXPECT_EQ(ask.urls.size(), 21);
  EXPECT_TRUE(ask.link.isEmpty());
  EXPECT_FALSE(ask.fetched);
  EXPECT_EQ(server.requests(kTarget3), 0);  // a full list asks no further service
  EXPECT_EQ(server.requests("/downlrc.jsp?tGroupid=4"), 0);

  // No artist fits: the first result whose title fits.
  const LyricLookupResult byTitle = RunLyricLookup(request(true, true, true));
  EXPECT_EQ(byTitle.link, server.url("/downlrc.jsp?tGroupid=4"));
  EXPECT_TRUE(byTitle.fetched);
  EXPECT_EQ(server.requests("/downlrc.jsp?tGroupid=4"), 1);

  // No title fits either: the first result.
  rows[3] = row2(QStringLiteral("阴天"), QStringLiteral("别人"), 4);
  servePage(kTarget2, page2(rows));
  const LyricLookupResult first = RunLyricLookup(request(true, true, true));
  EXPECT_EQ(first.link, server.url("/downlrc.jsp?tGroupid=1"));
  EXPECT_EQ(first.text.toUtf8(), QByteArray(TestHttpServer::kLyricFile));
}

TEST_F(LyricServices, BadPagesAndBadServersEndTheSearchWithinTheTimeouts) {
  const LyricServiceSearch search{QStringLiteral("晴天"), QStringLiteral("晴天"), QStringLiteral("周杰伦"),
                                  servers(), DownloadLimits{1000, 1500, 4 * 1024 * 1024, 5}};
  struct Case {
    const char* name;
    std::function<void()> serve;
    int requests;  // how often service 1 is asked
  };
  const std::string huge(20 * 1024 * 1024, 'x');
  const std::vector<Case> cases = {
      {"empty", [&] { server.setPage(kTarget1, "200 OK", ""); }, 1},
      {"zero", [&] { server.setPage(kTarget1, "200 OK", " 0 "); }, 1},
      {"20 MB", [&] { server.setPage(kTarget1, "200 OK", huge); }, 1},
      {"not found", [&] { server.setPage(kTarget1, "404 Not Found", gbk(page1({}))); }, 1},
      {"markers at the very end", [&] { servePage(kTarget1, QStringLiteral("晴天 歌曲<a href=")); }, 1},
      {"markers in the wrong order",
       [&] { servePage(kTarget1, QStringLiteral("晴天 lrc歌词\"> <a href=\"x.lrc 歌曲")); }, 1},
      {"stalls",
       [&] {
         server.setPage(kTarget1, "200 OK", gbk(page1({})));
         server.setDelay(kTarget1, std::chrono::milliseconds(5000));
       },
       1},
      {"resets", [&] { server.setRaw(kTarget1, "HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\n晴天 歌曲"); },
       1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int before = server.requests(kTarget1);
    c.serve();
    QElapsedTimer clock;
    clock.start();
    LyricSearchList list;
    EXPECT_TRUE(SearchWord1(search, list).isEmpty());
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(server.requests(kTarget1) - before, c.requests);
    EXPECT_LT(clock.elapsed(), 5000);
    server.setDelay(kTarget1, std::chrono::milliseconds(0));
  }
  // A service nobody configured is never asked.
  LyricServiceSearch unconfigured = search;
  unconfigured.servers = ServerConfig{};
  LyricSearchList list;
  const int total = server.totalRequests();
  EXPECT_TRUE(SearchWord1(unconfigured, list).isEmpty());
  EXPECT_TRUE(SearchWord2(unconfigured, list).isEmpty());
  EXPECT_TRUE(SearchWord3(unconfigured, list).isEmpty());
  EXPECT_TRUE(SearchInfo(unconfigured.servers, QStringLiteral("晴天")).isEmpty());
  EXPECT_EQ(server.totalRequests(), total);
}

TEST_F(LyricServices, ArtistLookupReadsTheMusicSearchPage) {
  servePage(kInfoTarget, infoPage(QStringLiteral("<font color=#c60a00>周杰伦</font>")));
  EXPECT_EQ(SearchInfo(servers(), QStringLiteral("晴天")), QStringLiteral("周杰伦"));
  LyricLookupRequest artist = request();
  artist.kind = LyricLookupRequest::Kind::Artist;
  EXPECT_EQ(RunLyricLookup(artist).artist, QStringLiteral("周杰伦"));
  EXPECT_EQ(server.requests(kTarget1), 0);  // an artist lookup asks for no lyric

  servePage(kInfoTarget, QStringLiteral("<html>没有找到 class=mr>周杰伦</a></html>"));
  EXPECT_TRUE(SearchInfo(servers(), QStringLiteral("晴天")).isEmpty());
}

}  // namespace
}  // namespace lyrovo
