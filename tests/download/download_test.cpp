#include "download/download.h"
#include "download/fetchprocess.h"
#include "download/httpserver.h"
#include "download/serverconfig.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <cstdlib>

namespace lyrovo {
namespace {

using namespace std::chrono_literals;
using testing::closedPort;
using testing::TestHttpServer;

// Short timeouts keep the failing cases quick; kSlack is a generous bound on
// how far past its timeout a call may return on a loaded machine.
constexpr DownloadLimits kFast{1000, 1500, 4 * 1024 * 1024, 5};
constexpr qint64 kSlackMs = 5000;

QByteArray readBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void writeBytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  ASSERT_EQ(file.write(bytes), bytes.size());
}

class Download : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // Test traffic goes straight to the loopback server, never to a proxy.
    for (const char* name :
         {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"}) {
      ::unsetenv(name);
    }
  }

  QStringList folderEntries() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden); }

  TestHttpServer server;
  QTemporaryDir dir;
  const QString temp = dir.path() + QStringLiteral("/temp.vantor");
};

TEST_F(Download, DecodesUtf8AndGbkPagesAndStoresTheBodyAsServed) {
  const QString lyric = QStringLiteral("[ti:歌词]\r\n[00:01.00]你好");
  // Leading and trailing spaces are removed from the text, never from the file.
  EXPECT_EQ(DownFile(server.url("/utf8"), temp, kFast), lyric);
  EXPECT_EQ(readBytes(temp), QByteArray(TestHttpServer::kUtf8Page));
  EXPECT_EQ(DownFile(server.url("/gbk"), temp, kFast), lyric);
  EXPECT_EQ(readBytes(temp), QByteArray(TestHttpServer::kGbkPage));
  EXPECT_EQ(folderEntries(), QStringList{QStringLiteral("temp.vantor")});

  EXPECT_EQ(DownloadedText(QByteArray("\xEF\xBB\xBF  a b \r\n ")), QStringLiteral("a b \r\n"));
  EXPECT_EQ(DownloadedText(QByteArray("0")), QStringLiteral("0"));
  EXPECT_EQ(DownloadedText(QByteArray("   ")), QString());
}

TEST_F(Download, FailuresLeaveTheOldFileByteIdentical) {
  const QByteArray old("previous download\r\n\xB8\xE8");
  writeBytes(temp, old);
  const QString refused[] = {
      server.url("/notfound"),
      server.url("/moved-nowhere"),
      server.url("/to-file"),
      server.url("/loop"),
      server.url("/huge"),
      server.url("/endless"),
      server.url("/header-flood"),
      server.url("/silent"),
      server.url("/slow"),
      QStringLiteral("http://127.0.0.1:%1/utf8").arg(closedPort()),
      QStringLiteral("file:///etc/passwd"),
      QStringLiteral("ftp://127.0.0.1:%1/utf8").arg(server.port()),
  };
  for (const QString& url : refused) {
    SCOPED_TRACE(url.toStdString());
    EXPECT_EQ(DownFile(url, temp, kFast), QString());
    EXPECT_EQ(readBytes(temp), old);
    EXPECT_EQ(folderEntries(), QStringList{QStringLiteral("temp.vantor")});  // no half file left behind
  }
  // A successful download replaces it; an empty body is a successful
  // transfer but an empty text, which callers read as failure.
  EXPECT_EQ(DownFile(server.url("/bytes/3"), temp, kFast), QStringLiteral("xxx"));
  EXPECT_EQ(readBytes(temp), QByteArray("xxx"));
  EXPECT_EQ(DownFile(server.url("/empty"), temp, kFast), QString());
  EXPECT_EQ(readBytes(temp), QByteArray());
  // A target folder that does not exist is a failure, not a crash.
  EXPECT_EQ(DownFile(server.url("/utf8"), dir.path() + QStringLiteral("/missing/temp.vantor"), kFast),
            QString());
  EXPECT_EQ(DownFile(server.url("/utf8"), QString(), kFast), QString());
}

TEST_F(Download, RefusesUrlsOtherThanHttpWithoutTouchingTheNetwork) {
  const QString port = QString::number(server.port());
  for (const QString& url :
       {QStringLiteral("file:///etc/passwd"), QStringLiteral("ftp://127.0.0.1:") + port + u'/',
        QStringLiteral("gopher://127.0.0.1:") + port + u'/',
        QStringLiteral("127.0.0.1:") + port + QStringLiteral("/utf8"), QString(), QStringLiteral("0")}) {
    SCOPED_TRACE(url.toStdString());
    EXPECT_EQ(FetchUrl(url, kFast).status, FetchStatus::UnsupportedUrl);
  }
  EXPECT_EQ(server.totalRequests(), 0);
  // The scheme is matched without regard to case, and blanks around the URL are ignored.
  EXPECT_TRUE(FetchUrl(QStringLiteral(" HTTP://127.0.0.1:") + port + QStringLiteral("/ "), kFast).ok());
}

TEST_F(Download, FollowsHttpRedirectsUpToTheCapOnly) {
  const FetchResult moved = FetchUrl(server.url("/redirect"), kFast);
  EXPECT_TRUE(moved.ok());
  EXPECT_EQ(moved.body, QByteArray(TestHttpServer::kUtf8Page));

  EXPECT_TRUE(FetchUrl(server.url("/chain/5"), kFast).ok());  // exactly the cap
  EXPECT_EQ(FetchUrl(server.url("/chain/6"), kFast).status, FetchStatus::TooManyRedirects);
  EXPECT_EQ(FetchUrl(server.url("/loop"), kFast).status, FetchStatus::TooManyRedirects);
  EXPECT_EQ(server.requests("/loop"), kFast.maxRedirects + 1);

  DownloadLimits noRedirects = kFast;
  noRedirects.maxRedirects = -1;  // counts as 0
  EXPECT_EQ(FetchUrl(server.url("/redirect"), noRedirects).status, FetchStatus::TooManyRedirects);

  const FetchResult toFile = FetchUrl(server.url("/to-file"), kFast);
  EXPECT_EQ(toFile.status, FetchStatus::UnsupportedUrl);
  EXPECT_TRUE(toFile.body.isEmpty());

  const FetchResult missing = FetchUrl(server.url("/notfound"), kFast);
  EXPECT_EQ(missing.status, FetchStatus::HttpError);
  EXPECT_EQ(missing.httpStatus, 404);
  EXPECT_EQ(FetchUrl(server.url("/moved-nowhere"), kFast).status, FetchStatus::HttpError);
}

TEST_F(Download, SizeCapStopsLargeAnswersEarly) {
  DownloadLimits small = kFast;
  small.maxBytes = 1000;
  EXPECT_TRUE(FetchUrl(server.url("/bytes/1000"), small).ok());
  EXPECT_EQ(FetchUrl(server.url("/bytes/1001"), small).status, FetchStatus::TooLarge);
  small.maxBytes = 0;  // falls back to the default cap, never "unlimited" or "nothing"
  EXPECT_TRUE(FetchUrl(server.url("/bytes/1001"), small).ok());

  // Announced and unannounced streams of 1 GiB, and headers without end:
  // the client gives up at the cap and closes, so the server stops far
  // short of 1 GiB (loopback socket buffers hold a few MiB at most).
  for (const char* path : {"/huge", "/endless", "/header-flood"}) {
    SCOPED_TRACE(path);
    EXPECT_EQ(FetchUrl(server.url(path)).status, FetchStatus::TooLarge);
    EXPECT_TRUE(server.waitIdle(10s));
  }
  EXPECT_LT(server.streamedBytes(), 128 * 1024 * 1024);
}

TEST_F(Download, TimesOutOnSilentAndTricklingServers) {
  for (const char* path : {"/silent", "/slow"}) {
    SCOPED_TRACE(path);
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(FetchUrl(server.url(path), kFast).status, FetchStatus::TimedOut);
    EXPECT_LT(clock.elapsed(), kFast.totalTimeoutMs + kSlackMs);
    EXPECT_TRUE(server.waitIdle(10s));  // the connection was closed, not left hanging
  }
}

TEST_F(Download, EncodesCharactersThatCannotTravelInAUrl) {
  EXPECT_TRUE(FetchUrl(server.url("/echo a/\xE6\xAD\x8C?q=%B8%E8\"<>"), kFast).ok());
  EXPECT_EQ(server.lastTarget(), "/echo%20a/%E6%AD%8C?q=%B8%E8%22%3C%3E");
  // A line break cannot smuggle a header into the request.
  EXPECT_TRUE(FetchUrl(server.url("/echo\r\nX-Evil: 1"), kFast).ok());
  EXPECT_EQ(server.lastTarget(), "/echo%0D%0AX-Evil:%201");
}

TEST_F(Download, CheckConnectionIsTrueForAnyAnswerBelow400) {
  ServerConfig servers;
  const auto check = [&](const QString& url) {
    servers.connectionCheck = url;
    return CheckConnection(servers);
  };
  EXPECT_TRUE(check(server.url("/")));
  EXPECT_TRUE(check(server.url("/redirect")));
  EXPECT_TRUE(check(server.url("/moved-nowhere")));
  EXPECT_TRUE(check(server.url("/huge")));  // only the head is read
  EXPECT_FALSE(check(server.url("/notfound")));
  EXPECT_FALSE(check(server.url("/to-file")));
  EXPECT_FALSE(check(server.url("/loop")));
  EXPECT_FALSE(check(QStringLiteral("file:///etc/passwd")));
  EXPECT_LT(server.streamedBytes(), 16 * 1024 * 1024);

  // Offline: a closed port and a server that never answers give false
  // within the check's own timeout.
  for (const QString& url :
       {QStringLiteral("http://127.0.0.1:%1/").arg(closedPort()), server.url("/silent")}) {
    SCOPED_TRACE(url.toStdString());
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(check(url));
    EXPECT_LT(clock.elapsed(), kConnectionCheckLimits.totalTimeoutMs + kSlackMs);
  }
  EXPECT_EQ(ConnectionStatusText(true), QStringLiteral("Lyrovo - 已联网!"));
  EXPECT_EQ(ConnectionStatusText(false), QStringLiteral("Lyrovo - 未联网!"));
}

TEST_F(Download, TheCallerMapsNoNetworkLibrary) {
  ASSERT_TRUE(FetchUrl(server.url("/utf8"), kFast).ok());
  QFile maps(QStringLiteral("/proc/self/maps"));
  ASSERT_TRUE(maps.open(QIODevice::ReadOnly));
  const QByteArray mapped = maps.readAll();
  for (const char* library : {"libcurl", "libssl", "libcrypto", "libgnutls"}) {
    EXPECT_FALSE(mapped.contains(library)) << library;
  }
}

// Stand-ins for the helper: one that is missing, lies, hangs or floods gives
// a failure within the deadline, never a hang or a wrong body.
TEST_F(Download, AHelperThatFailsLiesHangsOrFloodsIsAFailure) {
  const auto helper = [&](const char* name, const QByteArray& script) {
    const QString path = dir.path() + u'/' + QLatin1String(name);
    writeBytes(path, "#!/bin/sh\n" + script + '\n');
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
  };
  const QString url = server.url("/utf8");
  const auto statusWith = [&](const QString& path, const DownloadLimits& limits = kFast) {
    return FetchUrlWithHelper(path, url, limits).status;
  };
  EXPECT_EQ(statusWith(dir.path() + QStringLiteral("/absent")), FetchStatus::NetworkError);
  EXPECT_EQ(statusWith(helper("garbage", "echo not an answer")), FetchStatus::NetworkError);
  EXPECT_EQ(statusWith(helper("crash", "kill -SEGV $$")), FetchStatus::NetworkError);
  // A well-formed header (little-endian, as on the machines this runs on)
  // is believed only when the helper also exits cleanly and the status is known.
  const QByteArray okHeader = R"(printf 'LYF1\000\000\000\000\310\000\000\000\000\000\000\000body')";
  const FetchResult believed = FetchUrlWithHelper(helper("ok", okHeader), url, kFast);
  EXPECT_TRUE(believed.ok());
  EXPECT_EQ(believed.httpStatus, 200);
  EXPECT_EQ(believed.body, QByteArray("body"));
  EXPECT_EQ(statusWith(helper("ok-then-fail", okHeader + "; exit 1")), FetchStatus::NetworkError);
  EXPECT_EQ(statusWith(
                helper("unknown-status", R"(printf 'LYF1\377\000\000\000\310\000\000\000\000\000\000\000')")),
            FetchStatus::NetworkError);

  DownloadLimits small = kFast;
  small.maxBytes = 1024;
  EXPECT_EQ(statusWith(helper("flood", "exec yes"), small), FetchStatus::TooLarge);

  QElapsedTimer clock;
  clock.start();
  EXPECT_EQ(statusWith(helper("hang", "exec sleep 600")), FetchStatus::TimedOut);
  EXPECT_LT(clock.elapsed(), kFast.totalTimeoutMs + 3000 + kSlackMs);
}

// The helper's answer as it is written on the pipe (little-endian, as on the
// machines this runs on): two progress records, the header, the body.
const std::string kAnswerWithProgress = std::string(
                                            "LYP1\0\0\0\0"
                                            "\4\0\0\0\0\0\0\0"
                                            "\10\0\0\0\0\0\0\0",
                                            24) +
                                        std::string(
                                            "LYP1\0\0\0\0"
                                            "\10\0\0\0\0\0\0\0"
                                            "\10\0\0\0\0\0\0\0",
                                            24) +
                                        std::string(
                                            "LYF1\0\0\0\0"
                                            "\310\0\0\0\0\0\0\0",
                                            16) +
                                        "abcdefgh";

TEST(FetchAnswer, ProgressHeaderAndBodyAreReadInPiecesOfAnySize) {
  for (std::size_t piece = 1; piece <= kAnswerWithProgress.size(); ++piece) {
    QList<QPair<qint64, qint64>> progress;
    FetchAnswerReader reader(8, [&](std::int64_t received, std::int64_t announced) {
      progress.append({received, announced});
    });
    for (std::size_t at = 0; at < kAnswerWithProgress.size(); at += piece)
      ASSERT_TRUE(
          reader.feed(kAnswerWithProgress.data() + at, std::min(piece, kAnswerWithProgress.size() - at)));
    const FetchResult result = reader.result(true);
    EXPECT_TRUE(result.ok()) << piece;
    EXPECT_EQ(result.httpStatus, 200);
    EXPECT_EQ(result.body, QByteArray("abcdefgh"));
    EXPECT_EQ(progress, (QList<QPair<qint64, qint64>>{{4, 8}, {8, 8}})) << piece;
    // The same answer from a helper that then failed is not believed.
    EXPECT_EQ(reader.result(false).status, FetchStatus::NetworkError);
  }
}

TEST(FetchAnswer, DamagedCutOffOrOversizedAnswersAreFailures) {
  const auto statusOf = [](const std::string& bytes, std::int64_t cap = 8) {
    FetchAnswerReader reader(cap);
    reader.feed(bytes.data(), bytes.size());
    return reader.result(true).status;
  };
  const std::string header = kAnswerWithProgress.substr(48, 16);
  EXPECT_EQ(statusOf(header + "abcdefgh"), FetchStatus::Ok);
  EXPECT_EQ(statusOf(header + "abcdefghi"), FetchStatus::TooLarge);
  EXPECT_EQ(statusOf(header.substr(0, 10)), FetchStatus::NetworkError);               // cut off in the header
  EXPECT_EQ(statusOf(kAnswerWithProgress.substr(0, 30)), FetchStatus::NetworkError);  // only progress came
  EXPECT_EQ(statusOf("LYX1" + kAnswerWithProgress), FetchStatus::NetworkError);       // unknown record
  EXPECT_EQ(statusOf(kAnswerWithProgress, 4), FetchStatus::NetworkError);  // progress beyond the cap is a lie
  // A failure's header stands without a body.
  EXPECT_EQ(statusOf(std::string("LYF1\4\0\0\0"
                                 "\224\1\0\0\0\0\0\0",
                                 16)),
            FetchStatus::HttpError);
}

}  // namespace
}  // namespace lyrovo

TEST(CheckConnectionDefaults, UnconfiguredServersAreOfflineWithoutANetworkRequest) {
  lyrovo::ServerConfig defaults;
  defaults.lrclib = QStringLiteral("http://lrclib.lyrovo.invalid");
  defaults.connectionCheck = defaults.lrclib + u'/';
  ASSERT_TRUE(QUrl(defaults.connectionCheck).host().endsWith(QLatin1String(".invalid")));
  EXPECT_FALSE(lyrovo::CheckConnection(defaults));
}
