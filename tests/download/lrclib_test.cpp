#include "download/lrclib.h"
#include "download/httpserver.h"
#include "download/lyriclookup.h"
#include "support/waituntil.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <latch>

namespace lyrovo {
namespace {

using testing::TestHttpServer;

constexpr char kSynced[] = "[00:01.00]one\n[00:02.00]two";
const LyricQuery kSunny{QStringLiteral("晴天"), QStringLiteral("周杰伦"), QStringLiteral("叶惠美"), 269};
// The requests for kSunny, percent-encoded as UTF-8 by hand.
constexpr char kSunnyGet[] =
    "/api/get?track_name=%E6%99%B4%E5%A4%A9&artist_name=%E5%91%A8%E6%9D%B0%E4%BC%A6"
    "&album_name=%E5%8F%B6%E6%83%A0%E7%BE%8E&duration=269";
constexpr char kSunnySearch[] =
    "/api/search?track_name=%E6%99%B4%E5%A4%A9&artist_name=%E5%91%A8%E6%9D%B0%E4%BC%A6";

std::string record(const char* title, const char* artist, double duration, const char* synced,
                   bool instrumental = false) {
  return std::string("{\"id\":1,\"trackName\":\"") + title + "\",\"artistName\":\"" + artist +
         "\",\"duration\":" + std::to_string(duration) +
         ",\"instrumental\":" + (instrumental ? "true" : "false") +
         ",\"plainLyrics\":\"one\\ntwo\",\"syncedLyrics\":" + synced + "}";
}

TEST(Lrclib, MatchTestWantsEachNameInsideTheOther) {
  const QString title = QStringLiteral("晴天"), artist = QStringLiteral("周杰伦");
  EXPECT_TRUE(SearchResultMatches(title, artist, QStringLiteral("晴天 (live)"), artist));
  EXPECT_TRUE(SearchResultMatches(title, artist, QStringLiteral("晴"), QStringLiteral("杰")));
  EXPECT_TRUE(SearchResultMatches(title, artist, QString(), QString()));  // empty names fit anything
  EXPECT_FALSE(SearchResultMatches(title, artist, QStringLiteral("雨天"), artist));
  EXPECT_FALSE(SearchResultMatches(title, artist, title, QStringLiteral("陈奕迅")));
  EXPECT_FALSE(
      SearchResultMatches(QStringLiteral("sunny"), artist, QStringLiteral("Sunny"), artist));  // case counts
}

TEST(Lrclib, RequestUrlsAreEncodedAsUtf8AndLeaveOutWhatIsUnknown) {
  const QString base = QStringLiteral("http://h");
  EXPECT_EQ(LrclibGetUrl(base, kSunny), QStringLiteral("http://h") + QString::fromLatin1(kSunnyGet));
  EXPECT_EQ(LrclibSearchUrl(base, kSunny), QStringLiteral("http://h") + QString::fromLatin1(kSunnySearch));
  const LyricQuery bare{QStringLiteral("a b&c"), QStringLiteral("x=y"), QString(), 0};
  EXPECT_EQ(LrclibGetUrl(base, bare),
            QStringLiteral("http://h/api/get?track_name=a%20b%26c&artist_name=x%3Dy"));
}

TEST(Lrclib, ReadsOnlySyncedLyricsOrTheInstrumentalMark) {
  LrclibLyric lyric =
      ReadLrclibRecord(QByteArray::fromStdString(record("晴天", "周杰伦", 269, "\"[00:01.00]one\"")));
  EXPECT_EQ(lyric.outcome, LrclibOutcome::Synced);
  EXPECT_EQ(lyric.text, QStringLiteral("[00:01.00]one"));
  EXPECT_EQ(lyric.title, QStringLiteral("晴天"));

  lyric = ReadLrclibRecord(QByteArray::fromStdString(record("Intro", "X", 60, "null", true)));
  EXPECT_EQ(lyric.outcome, LrclibOutcome::Instrumental);

  for (const char* bad : {"null", "\"\"", "\"   \"", "42", "[\"[00:01.00]a\"]", "{}"}) {
    EXPECT_EQ(ReadLrclibRecord(QByteArray::fromStdString(record("a", "b", 1, bad))).outcome,
              LrclibOutcome::NotFound)
        << bad;
  }
  for (const char* bad : {"", "0", "{", "[]", "\"text\"", "{\"syncedLyrics\":", "nul"})
    EXPECT_EQ(ReadLrclibRecord(QByteArray(bad)).outcome, LrclibOutcome::NotFound) << bad;
  // Wrong types in the names and flags are no crash.
  EXPECT_EQ(ReadLrclibRecord(
                "{\"trackName\":5,\"artistName\":[],\"instrumental\":\"yes\",\"syncedLyrics\":\"[00:01]a\"}")
                .outcome,
            LrclibOutcome::Synced);
}

TEST(Lrclib, SearchTakesTheFirstMatchWithinThreeSeconds) {
  const std::string answer = "[" + record("晴天", "周杰伦", 290, "\"[00:01.00]too long\"") + "," +
                             record("雨天", "周杰伦", 269, "\"[00:01.00]other song\"") + "," +
                             record("晴天", "周杰伦", 269, "null") + ",7," +  // plain only, then no record
                             record("晴天 (live)", "周杰伦", 271.9, "\"[00:01.00]first fit\"") + "," +
                             record("晴天", "周杰伦", 269, "\"[00:01.00]second fit\"") + "]";
  LrclibLyric lyric = PickLrclibResult(QByteArray::fromStdString(answer), kSunny);
  EXPECT_EQ(lyric.outcome, LrclibOutcome::Synced);
  EXPECT_EQ(lyric.text, QStringLiteral("[00:01.00]first fit"));

  LyricQuery unknownLength = kSunny;
  unknownLength.durationSec = 0;
  EXPECT_EQ(PickLrclibResult(QByteArray::fromStdString(answer), unknownLength).text,
            QStringLiteral("[00:01.00]too long"));
  EXPECT_EQ(PickLrclibResult("{\"not\":\"an array\"}", kSunny).outcome, LrclibOutcome::NotFound);
}

class LrclibServer : public ::testing::Test {
 protected:
  LrclibLyric lookup(const LyricQuery& query = kSunny) {
    return LookupLrclib(server.url(""), query, DownloadLimits{2000, 5000, 1024 * 1024, 2});
  }
  TestHttpServer server;
};

TEST_F(LrclibServer, GetAnswersWithASyncedLyricAndNamesThePlayer) {
  server.setPage(kSunnyGet, "200 OK", record("晴天", "周杰伦", 269, "\"[00:01.00]one\\n[00:02.00]two\""));
  const LrclibLyric lyric = lookup();
  EXPECT_EQ(lyric.outcome, LrclibOutcome::Synced);
  EXPECT_EQ(lyric.text, QString::fromLatin1(kSynced));
  EXPECT_EQ(lyric.url, server.url(kSunnyGet));
  EXPECT_EQ(server.requests(kSunnySearch), 0);
  EXPECT_NE(server.lastRequest().find("User-Agent: Lyrovo/"), std::string::npos) << server.lastRequest();
}  // namespace

TEST_F(LrclibServer, NotFoundThenSearch) {
  // The get route is unknown to the server, which answers 404.
  server.setPage(kSunnySearch, "200 OK", "[" + record("晴天", "周杰伦", 268, "\"[00:01.00]found\"") + "]");
  const LrclibLyric lyric = lookup();
  EXPECT_EQ(lyric.outcome, LrclibOutcome::Synced);
  EXPECT_EQ(lyric.text, QStringLiteral("[00:01.00]found"));
  EXPECT_EQ(server.requests(kSunnyGet), 1);
  EXPECT_EQ(server.requests(kSunnySearch), 1);
}

TEST_F(LrclibServer, DurationMismatchFindsNothing) {
  server.setPage(kSunnySearch, "200 OK", "[" + record("晴天", "周杰伦", 265, "\"[00:01.00]found\"") + "]");
  EXPECT_EQ(lookup().outcome, LrclibOutcome::NotFound);
}

TEST_F(LrclibServer, InstrumentalSongHasNoLyric) {
  server.setPage(kSunnyGet, "200 OK", record("晴天", "周杰伦", 269, "null", true));
  EXPECT_EQ(lookup().outcome, LrclibOutcome::Instrumental);
}

TEST_F(LrclibServer, RecordWithoutTimesFallsBackToTheSearch) {
  server.setPage(kSunnyGet, "200 OK", record("晴天", "周杰伦", 269, "null"));
  server.setPage(kSunnySearch, "200 OK", "[]");
  EXPECT_EQ(lookup().outcome, LrclibOutcome::NotFound);
  EXPECT_EQ(server.requests(kSunnySearch), 1);
}

TEST_F(LrclibServer, BrokenOrHugeAnswersAndDeadServersFindNothing) {
  server.setPage(kSunnyGet, "500 Internal Server Error", "oops");
  EXPECT_EQ(lookup().outcome, LrclibOutcome::NotFound);
  server.setPage(kSunnyGet, "200 OK", std::string(5 * 1024 * 1024, '['));  // over the size cap
  EXPECT_EQ(lookup().outcome, LrclibOutcome::NotFound);
  server.setPage(kSunnyGet, "200 OK", "{\"syncedLyrics\": \"[00:01.00]cut");
  server.setPage(kSunnySearch, "200 OK", "[{\"trackName\":");
  EXPECT_EQ(lookup().outcome, LrclibOutcome::NotFound);
  EXPECT_EQ(LookupLrclib(QStringLiteral("http://127.0.0.1:%1").arg(testing::closedPort()), kSunny).outcome,
            LrclibOutcome::NotFound);
}

// ---------------------------------------------------------------- the worker

class LookupWorker : public ::testing::Test {
 protected:
  // Runs the receiver's event loop until condition holds.
  bool deliverUntil(const std::function<bool()>& condition) {
    QDeadlineTimer deadline(30000);
    while (!condition()) {
      if (deadline.hasExpired()) return false;
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
  }
  int argc = 1;
  char name[8] = "lrclib";
  char* argv[1] = {name};
  QCoreApplication app{argc, argv};
  QObject receiver;
};

TEST_F(LookupWorker, OnlyTheNewestRequestIsDelivered) {
  std::latch firstRunning(1), releaseFirst(1);
  std::atomic<int> runs{0};
  QStringList delivered;
  {
    LyricLookupWorker worker(&receiver, [&](const LyricLookupRequest& request) {
      if (++runs == 1) {
        firstRunning.count_down();
        releaseFirst.wait();
      }
      LyricLookupResult result;
      result.link = request.query.title;
      return result;
    });
    const auto done = [&](const LyricLookupResult& result) { delivered << result.link; };
    LyricLookupRequest request;
    request.query.title = QStringLiteral("old song");
    worker.start(request, done);
    firstRunning.wait();
    request.query.title = QStringLiteral("new song");  // the song changed while the first lookup ran
    const std::uint64_t newest = worker.start(request, done);
    releaseFirst.count_down();
    ASSERT_TRUE(deliverUntil([&] { return !delivered.isEmpty(); }));
    EXPECT_EQ(delivered, QStringList{QStringLiteral("new song")});
    EXPECT_EQ(worker.generation(), newest);

    request.query.title = QStringLiteral("abandoned");
    worker.start(request, done);
    worker.abandon();
    request.query.title = QStringLiteral("last");
    worker.start(request, done);
    ASSERT_TRUE(deliverUntil([&] { return delivered.size() == 2; }));
    EXPECT_EQ(delivered.last(), QStringLiteral("last"));
  }
  QCoreApplication::processEvents();  // a result in flight after the worker is gone is dropped
  EXPECT_EQ(delivered.size(), 2);
}

TEST_F(LookupWorker, ASlowLookupForAnOldSongNeverLoads) {
  TestHttpServer server;
  QTemporaryDir dir;
  const LyricQuery slowSong{QStringLiteral("slow"), QStringLiteral("a"), QString(), 0};
  const LyricQuery nextSong{QStringLiteral("next"), QStringLiteral("b"), QString(), 0};
  server.setPage("/api/get?track_name=slow&artist_name=a", "200 OK",
                 record("slow", "a", 1, "\"[00:01.00]old\""));
  server.setDelay("/api/get?track_name=slow&artist_name=a", std::chrono::milliseconds(1500));
  server.setPage("/api/get?track_name=next&artist_name=b", "200 OK",
                 record("next", "b", 1, "\"[00:01.00]new\""));

  LyricLookupWorker worker(&receiver);
  std::vector<LyricLookupResult> delivered;
  LyricLookupRequest request;
  request.servers.lrclib = server.url("");
  request.tempFile = dir.filePath(QStringLiteral("temp.vantor"));
  request.query = slowSong;
  const auto done = [&](const LyricLookupResult& result) { delivered.push_back(result); };
  worker.start(request, done);
  ASSERT_TRUE(testing::waitUntil([&] { return server.totalRequests() == 1; }));
  request.query = nextSong;
  worker.start(request, done);
  ASSERT_TRUE(deliverUntil([&] { return !delivered.empty(); }));
  ASSERT_EQ(delivered.size(), 1u);
  EXPECT_EQ(delivered[0].text, QStringLiteral("[00:01.00]new"));
  EXPECT_EQ(delivered[0].link, server.url("/api/get?track_name=next&artist_name=b"));
  EXPECT_EQ(delivered[0].titles, QStringList{QStringLiteral("next")});
  QFile temp(request.tempFile);
  ASSERT_TRUE(temp.open(QIODevice::ReadOnly));
  EXPECT_EQ(temp.readAll(), QByteArray("[00:01.00]new"));
}

TEST(LyricLookup, PlaceholderOrDisabledLrclibAsksNothing) {
  TestHttpServer server;
  LyricLookupRequest request;
  request.servers.lrclib = QStringLiteral("http://lrclib.lyrovo.invalid");
  request.query = kSunny;
  EXPECT_TRUE(RunLyricLookup(request).urls.isEmpty());
  request.servers.lrclib = server.url("");
  request.searchLrclib = false;
  EXPECT_TRUE(RunLyricLookup(request).urls.isEmpty());
  EXPECT_EQ(server.totalRequests(), 0);
}

TEST(LyricLookup, InstrumentalResultNamesTheRecordAndLoadsNothing) {
  TestHttpServer server;
  server.setPage(kSunnyGet, "200 OK", record("晴天", "周杰伦", 269, "null", true));
  LyricLookupRequest request;
  request.servers.lrclib = server.url("");
  request.query = kSunny;
  const LyricLookupResult result = RunLyricLookup(request);
  EXPECT_TRUE(result.instrumental);
  EXPECT_TRUE(result.link.isEmpty());
  EXPECT_EQ(result.artists, QStringList{QStringLiteral("周杰伦")});
}

}  // namespace
}  // namespace lyrovo
