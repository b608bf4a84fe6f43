// The background downloader against the local HTTP server.
#include "download/downloader.h"
#include "download/httpserver.h"
#include "support/webfixtures.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// Readable texts in failure messages.
[[maybe_unused]] static void PrintTo(const QString& text, std::ostream* out) { *out << text.toStdString(); }

namespace lyrovo {
namespace {

using testing::pumpUntil;
using testing::TestHttpServer;

QByteArray readBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// Every event in the order it came, as one line each.
struct Recorder {
  QStringList events;
  std::vector<std::pair<qint64, qint64>> progress;
  explicit Recorder(Downloader& downloader) {
    QObject::connect(&downloader, &Downloader::DownloadProgress,
                     [this](qint64 cur, qint64 max, const QString& f) {
                       progress.emplace_back(cur, max);
                       if (events.isEmpty() || !events.last().startsWith(QStringLiteral("progress ") + f))
                         events << QStringLiteral("progress ") + f;
                     });
    QObject::connect(&downloader, &Downloader::DownloadError,
                     [this](const QString& f) { events << QStringLiteral("error ") + f; });
    QObject::connect(&downloader, &Downloader::DownloadComplete, [this](qint64 max, const QString& f) {
      events << QStringLiteral("complete %1 ").arg(max) + f;
    });
    QObject::connect(&downloader, &Downloader::DownloadAllComplete, [this](const QStringList& failed) {
      events << QStringLiteral("all [") + failed.join(u',') + u']';
    });
  }
  bool allDone() const { return !events.isEmpty() && events.last().startsWith(QStringLiteral("all ")); }
};

class DownloaderTest : public ::testing::Test {
 protected:
  TestHttpServer server;
  QTemporaryDir dir;
  QString file(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }
  std::string url(const char* path) const { return server.url(path).toStdString(); }
};

TEST_F(DownloaderTest, NoLengthMeansNoProgressAndACompleteWithZeroLength) {
  Downloader downloader;
  Recorder record(downloader);
  downloader.BeginDownload(server.url("/nolength/5000"), file("a.jpg"));
  ASSERT_TRUE(pumpUntil([&] { return record.allDone(); }));
  EXPECT_EQ(record.events,
            QStringList({QStringLiteral("complete 0 ") + file("a.jpg"), QStringLiteral("all []")}));
  EXPECT_EQ(readBytes(file("a.jpg")), QByteArray(5000, 'x'));
}

TEST_F(DownloaderTest, ProgressCarriesTheAnnouncedLength) {
  Downloader downloader;
  Recorder record(downloader);
  downloader.BeginDownload(server.url("/bytes/300000"), file("b.jpg"));
  ASSERT_TRUE(pumpUntil([&] { return record.allDone(); }));
  ASSERT_FALSE(record.progress.empty());
  for (const auto& [cur, max] : record.progress) EXPECT_EQ(max, 300000);
  EXPECT_EQ(record.progress.back().first, 300000);
  EXPECT_EQ(record.events.mid(1),
            QStringList({QStringLiteral("complete 300000 ") + file("b.jpg"), QStringLiteral("all []")}));
}

TEST_F(DownloaderTest, FirstFailsSecondCompletesThenOneAllCompleteWithTheFailure) {
  Downloader downloader;
  Recorder record(downloader);
  {
    QFile old(file("one.jpg"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old photo");
  }
  downloader.BeginDownload(server.url("/notfound"), file("one.jpg"));
  downloader.BeginDownload(server.url("/lrc"), file("two.jj1"));
  EXPECT_EQ(downloader.SaveFiles(), QStringList({file("one.jpg"), file("two.jj1")}));
  EXPECT_EQ(downloader.Statuses(), QList<std::uint8_t>({255, 255}));
  ASSERT_TRUE(pumpUntil([&] { return record.allDone(); }));
  QStringList got = record.events;
  got.removeIf([](const QString& e) { return e.startsWith(QStringLiteral("progress ")); });
  ASSERT_EQ(got.size(), 3) << got.join(u'\n').toStdString();
  EXPECT_TRUE(got.contains(QStringLiteral("error ") + file("one.jpg")));
  EXPECT_TRUE(got.contains(QStringLiteral("complete %1 ").arg(std::strlen(TestHttpServer::kLyricFile)) +
                           file("two.jj1")));
  EXPECT_EQ(got.last(), QStringLiteral("all [") + file("one.jpg") + u']');
  EXPECT_TRUE(downloader.SaveFiles().isEmpty());
  EXPECT_TRUE(downloader.Statuses().isEmpty());
  // A failed download never touches its save file.
  EXPECT_EQ(readBytes(file("one.jpg")), QByteArray("old photo"));
  EXPECT_EQ(readBytes(file("two.jj1")), QByteArray(TestHttpServer::kLyricFile));
}

TEST_F(DownloaderTest, TheSameSaveFileTwiceFillsBothEntriesAndEndsTheBatch) {
  Downloader downloader;
  Recorder record(downloader);
  downloader.BeginDownload(server.url("/bytes/10"), file("same.jpg"));
  downloader.BeginDownload(server.url("/bytes/20"), file("same.jpg"));
  EXPECT_EQ(downloader.SaveFiles().size(), 2);
  ASSERT_TRUE(pumpUntil([&] { return record.allDone(); }));
  EXPECT_EQ(record.events.filter(QStringLiteral("complete")).size(), 2);
  EXPECT_EQ(record.events.filter(QStringLiteral("all ")), QStringList({QStringLiteral("all []")}));
  EXPECT_TRUE(downloader.SaveFiles().isEmpty());
  const QByteArray content = readBytes(file("same.jpg"));
  EXPECT_TRUE(content == QByteArray(10, 'x') || content == QByteArray(20, 'x'));
}

TEST_F(DownloaderTest, CancelDownloadStopsTheFirstEntryContainingThePartAndKeepsTheLists) {
  Downloader downloader;
  Recorder record(downloader);
  downloader.BeginDownload(server.url("/slow"), file("artist-a.jpg"));
  downloader.BeginDownload(server.url("/slow"), file("artist-b.jpg"));
  ASSERT_TRUE(pumpUntil([&] { return server.requests("/slow") == 2; }));
  EXPECT_TRUE(downloader.CancelDownload(QStringLiteral("artist-")));
  // The first one's connection closes; the second keeps streaming.
  ASSERT_TRUE(
      pumpUntil([&] { return record.events.contains(QStringLiteral("progress ") + file("artist-b.jpg")); }));
  EXPECT_FALSE(record.events.join(u'\n').contains(QStringLiteral("artist-a")));
  EXPECT_EQ(downloader.SaveFiles().size(), 2);
  EXPECT_EQ(downloader.Statuses(), QList<std::uint8_t>({255, 255}));
  EXPECT_TRUE(downloader.CancelAllDownload());
  EXPECT_TRUE(downloader.SaveFiles().isEmpty());
  const qsizetype seen = record.events.size();
  EXPECT_TRUE(server.waitIdle(std::chrono::seconds(30)));
  QCoreApplication::processEvents();
  EXPECT_EQ(record.events.size(), seen);  // nothing after the cancel
  EXPECT_FALSE(QFile::exists(file("artist-a.jpg")));
  EXPECT_FALSE(QFile::exists(file("artist-b.jpg")));
}

TEST_F(DownloaderTest, RefusedAddressesFailWithoutWritingAnything) {
  // Generous timeouts: only the size cap and the address rules may end these.
  const DownloadLimits limits{20000, 40000, 100000, 5};
  Downloader downloader(nullptr, limits);
  Recorder record(downloader);
  downloader.BeginDownload(QStringLiteral("file:///etc/passwd"), file("scheme.jpg"));
  EXPECT_TRUE(record.events.isEmpty());  // reported from the event loop, never inside the call
  downloader.BeginDownload(server.url("/to-file"), file("redirect.jpg"));
  downloader.BeginDownload(server.url("/huge"), file("huge.jpg"));
  downloader.BeginDownload(server.url("/endless"), file("endless.jpg"));
  downloader.BeginDownload(server.url("/loop"), file("loop.jpg"));
  ASSERT_TRUE(pumpUntil([&] { return record.allDone(); }, 60000));
  EXPECT_EQ(record.events.last(), QStringLiteral("all [") +
                                      QStringList({file("scheme.jpg"), file("redirect.jpg"), file("huge.jpg"),
                                                   file("endless.jpg"), file("loop.jpg")})
                                          .join(u',') +
                                      u']');
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());

  // Redirects within the limit are followed.
  downloader.BeginDownload(server.url("/chain/2"), file("chain.jpg"));
  ASSERT_TRUE(pumpUntil([&] { return record.events.last() == QStringLiteral("all []"); }, 60000));
  EXPECT_EQ(readBytes(file("chain.jpg")), QByteArray("end of chain"));
}

TEST_F(DownloaderTest, RequestsNameThePlayer) {
  QObject context;
  std::optional<FetchResult> result;
  FetchInBackground(QUrl(server.url("/echo-agent")), {}, &context,
                    [&](const FetchResult& answer) { result = answer; });
  ASSERT_TRUE(pumpUntil([&] { return result.has_value(); }));
  EXPECT_TRUE(result->ok());
  EXPECT_NE(server.lastRequest().find("\r\nUser-Agent: Lyrovo/"), std::string::npos) << server.lastRequest();
}

}  // namespace
}  // namespace lyrovo
