// The artist look-up against the local HTTP server: caches, the profile
// search page, the Wikipedia page summaries and song changes.
#include "artist/artistlookup.h"
#include "artist/artistprofile.h"
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

using testing::pngBytes;
using testing::pumpUntil;
using testing::TestHttpServer;

// The pane as a list of what it was told, one line per call.
struct RecordingView : PhotoView {
  QStringList calls;
  QImage photo;
  void ClearPhoto() override {
    photo = QImage();
    calls << QStringLiteral("clear");
  }
  void ShowPhoto(const QImage& shown) override {
    photo = shown;
    calls << QStringLiteral("photo %1x%2").arg(shown.width()).arg(shown.height());
  }
  void DrawPhotoInfo(const QString& text) override {
    if (!calls.isEmpty() && calls.last().startsWith(QStringLiteral("info 写真下载：")) &&
        text.startsWith(QStringLiteral("写真下载：")))
      calls.removeLast();  // keep the last progress text only
    calls << QStringLiteral("info ") + text;
  }
  void SetPhotoTip(const QString& text) override { calls << QStringLiteral("tip ") + text; }
};

class ArtistLookupTest : public ::testing::Test {
 protected:
  TestHttpServer server;
  QTemporaryDir dir;
  RecordingView view;
  ArtistLookup lookup{view, nullptr};
  QString images() const { return dir.path() + QStringLiteral("/Images/"); }
  QString resumes() const { return dir.path() + QStringLiteral("/Resumes/"); }

  void SetUp() override {
    ArtistSources sources;
    sources.searchBase = server.url("/soso");
    lookup.setSources(sources);
  }
  void useWikipedia() {
    ArtistSources sources;
    sources.wikipedia = server.url("/zh");
    sources.wikipediaEnglish = server.url("/en");
    lookup.setSources(sources);
  }
  void write(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
  }
  QByteArray read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
  }
  void run(const QString& title, const QString& artist, bool online = true) {
    lookup.DownloadJJ(title, artist, images(), resumes(), online);
    ASSERT_TRUE(pumpUntil([&] { return !lookup.Busy(); }));
    ASSERT_TRUE(server.waitIdle(std::chrono::seconds(30)));
    QCoreApplication::processEvents();
  }
  // A search page with the profile section, a photo and a profile link.
  std::string searchPage(const std::string& photo, const std::string& profile) {
    return "<html>歌手档案<div><img src=\"" + photo + "\"></div><a href=\"" + profile + "\">more</a></html>";
  }
};

const char kProfilePage[] =
    "<div>语种：</b>国语<br>流派：</b>流行<br>\r\n地区：</b>港台</div>歌手简介<td>First <b>line</b><br "
    "/>second</td>";

TEST_F(ArtistLookupTest, SearchPagePhotoAndProfileAreFetchedCachedAndShown) {
  server.setPage("/soso/music.cgi?w=singer", "200 OK", searchPage("/photo.png", "/profile?id=7"));
  server.setPage("/photo.png", "200 OK", pngBytes(Qt::magenta, 40, 30));
  server.setPage("/profile?id=7", "200 OK", kProfilePage);
  run(QStringLiteral("Song"), QStringLiteral("Singer"));
  // The photo and the profile arrive in either order.
  QStringList photoCalls = view.calls, profileCalls = view.calls;
  photoCalls.removeIf([](const QString& call) { return call.startsWith(QStringLiteral("tip 语种")); });
  profileCalls.removeIf([](const QString& call) { return !call.startsWith(QStringLiteral("tip 语种")); });
  EXPECT_EQ(photoCalls, QStringList({QStringLiteral("clear"), QStringLiteral("tip "),
                                     QStringLiteral("info 写真下载：100%"), QStringLiteral("photo 40x30")}));
  EXPECT_EQ(profileCalls, QStringList({QStringLiteral("tip 语种：国语||流派：流行||地区：港台")}));
  EXPECT_EQ(read(images() + QStringLiteral("singer.jpg")),
            QByteArray::fromStdString(pngBytes(Qt::magenta, 40, 30)));
  EXPECT_EQ(read(resumes() + QStringLiteral("singer.jj")),
            QByteArray("语种：国语||流派：流行||地区：港台\r\nfirst <b>line</b>\r\nsecond\r\n"));
  EXPECT_FALSE(QFile::exists(resumes() + QStringLiteral("singer.jj1")));
  EXPECT_EQ(lookup.Tag(), resumes() + QStringLiteral("singer.jj"));

  // The same artist again: the shown profile stays, nothing is fetched.
  const int before = server.totalRequests();
  view.calls.clear();
  run(QStringLiteral("Other Song"), QStringLiteral("SINGER"));
  EXPECT_TRUE(view.calls.isEmpty());
  EXPECT_EQ(server.totalRequests(), before);
}

TEST_F(ArtistLookupTest, CachedPhotoAndProfileNeedNoRequest) {
  write(images() + QStringLiteral("singer.jpg"), QByteArray::fromStdString(pngBytes(Qt::green, 8, 8)));
  write(resumes() + QStringLiteral("singer.jj"), "语种：英语\r\nintro\r\n");
  run(QStringLiteral("Song"), QStringLiteral("Singer"));
  EXPECT_EQ(server.totalRequests(), 0);
  EXPECT_EQ(view.calls, QStringList({QStringLiteral("clear"), QStringLiteral("tip "),
                                     QStringLiteral("photo 8x8"), QStringLiteral("tip 语种：英语")}));
  EXPECT_EQ(lookup.Tag(), resumes() + QStringLiteral("singer.jj"));
}

TEST_F(ArtistLookupTest, CachedPhotoWithoutProfileFetchesOnlyTheProfileAndShowsNoProgress) {
  write(images() + QStringLiteral("singer.jpg"), QByteArray::fromStdString(pngBytes(Qt::green, 8, 8)));
  server.setPage("/soso/music.cgi?w=singer", "200 OK", searchPage("/photo.png", "/profile"));
  server.setPage("/profile", "200 OK", "语种：</b>粤语<br>地区：</b>香港</div>歌手简介<td>x</td>");
  run(QStringLiteral("Song"), QStringLiteral("Singer"));
  EXPECT_EQ(server.requests("/photo.png"), 0);
  EXPECT_EQ(server.requests("/profile"), 1);
  EXPECT_EQ(view.calls.filter(QStringLiteral("info")), QStringList());
  EXPECT_EQ(view.calls.last(), QStringLiteral("tip 语种：粤语||地区：香港"));
  EXPECT_EQ(read(resumes() + QStringLiteral("singer.jj")), QByteArray("语种：粤语||地区：香港\r\nx\r\n"));
}

TEST_F(ArtistLookupTest, SorryWithAnUnknownTitleSearchesOnceAndDrawsTheArtist) {
  server.setPage("/soso/music.cgi?w=nobody", "200 OK", "抱歉，没有找到");
  run(QStringLiteral("未知标题"), QStringLiteral("Nobody"));
  EXPECT_EQ(server.totalRequests(), 1);
  EXPECT_EQ(view.calls.last(), QStringLiteral("info nobody"));

  // With a known title, the title is searched next.
  server.setPage("/soso/music.cgi?w=%E6%9C%88%E4%BA%AE", "200 OK", "抱歉");
  view.calls.clear();
  run(QStringLiteral("月亮"), QStringLiteral("Nobody"));
  EXPECT_EQ(server.requests("/soso/music.cgi?w=%E6%9C%88%E4%BA%AE"), 1);
  EXPECT_EQ(view.calls.last(), QStringLiteral("info nobody"));
}

TEST_F(ArtistLookupTest, OfflineShowsSoUnlessAPhotoIsCached) {
  run(QStringLiteral("Song"), QStringLiteral("Singer"), false);
  EXPECT_EQ(view.calls.last(), QStringLiteral("info 未联网！"));
  EXPECT_EQ(server.totalRequests(), 0);
  EXPECT_TRUE(QFileInfo(images()).isDir());
  EXPECT_TRUE(QFileInfo(resumes()).isDir());
}

TEST_F(ArtistLookupTest, BadPhotosAndHostileNamesNeverLeaveTheCacheFolders) {
  server.setPage("/soso/music.cgi?w=..%2F..%2Fevil", "200 OK", searchPage("/notimage", "file:///etc/passwd"));
  server.setPage("/notimage", "200 OK", "<html>not a picture</html>");
  run(QStringLiteral("Song"), QStringLiteral("../../Evil"));
  EXPECT_EQ(view.calls.last(), QStringLiteral("info 写真下载失败！"));
  EXPECT_EQ(QDir(images()).entryList(QDir::Files | QDir::Hidden), QStringList());
  EXPECT_EQ(QDir(resumes()).entryList(QDir::Files | QDir::Hidden), QStringList());
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
            QStringList({QStringLiteral("Images"), QStringLiteral("Resumes")}));

  // A photo over the size cap fails the same way.
  server.setPage("/soso/music.cgi?w=big", "200 OK", searchPage("/huge", "/nothing"));
  run(QStringLiteral("Song"), QStringLiteral("Big"));
  EXPECT_EQ(view.calls.last(), QStringLiteral("info 写真下载失败！"));
  EXPECT_FALSE(QFile::exists(images() + QStringLiteral("big.jpg")));
}

TEST_F(ArtistLookupTest, ASongChangeStopsThePreviousPhoto) {
  server.setPage("/soso/music.cgi?w=slowpoke", "200 OK", searchPage("/slow", "/profile"));
  lookup.DownloadJJ(QStringLiteral("Song"), QStringLiteral("Slowpoke"), images(), resumes(), true);
  ASSERT_TRUE(pumpUntil([&] { return view.calls.last().startsWith(QStringLiteral("info 写真下载：")); }));

  write(images() + QStringLiteral("next.jpg"), QByteArray::fromStdString(pngBytes(Qt::blue, 5, 5)));
  write(resumes() + QStringLiteral("next.jj"), "next summary\r\n");
  view.calls.clear();
  lookup.DownloadJJ(QStringLiteral("Song 2"), QStringLiteral("Next"), images(), resumes(), true);
  ASSERT_TRUE(server.waitIdle(std::chrono::seconds(30)));  // the slow photo's connection was dropped
  for (int i = 0; i < 20; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  EXPECT_EQ(view.calls, QStringList({QStringLiteral("clear"), QStringLiteral("tip "),
                                     QStringLiteral("photo 5x5"), QStringLiteral("tip next summary")}));
  EXPECT_FALSE(QFile::exists(images() + QStringLiteral("slowpoke.jpg")));

  // Stop (a song without an artist) likewise silences a running look-up.
  server.setPage("/soso/music.cgi?w=third", "200 OK", searchPage("/slow", "/profile"));
  lookup.DownloadJJ(QStringLiteral("Song"), QStringLiteral("Third"), images(), resumes(), true);
  ASSERT_TRUE(pumpUntil([&] { return view.calls.last().startsWith(QStringLiteral("info 写真下载：")); }));
  lookup.Stop();
  view.calls.clear();
  ASSERT_TRUE(server.waitIdle(std::chrono::seconds(30)));
  for (int i = 0; i < 20; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  EXPECT_TRUE(view.calls.isEmpty());
  EXPECT_TRUE(lookup.Tag().isEmpty());
}

std::string summaryJson(const std::string& type, const std::string& description,
                        const std::string& thumbnail) {
  return R"({"type":")" + type + R"(","title":"T","description":")" + description +
         R"(","extract":"First paragraph.\nSecond <b>paragraph</b>.")" +
         (thumbnail.empty() ? "" : R"(,"thumbnail":{"source":")" + thumbnail + R"("})") + "}";
}

TEST_F(ArtistLookupTest, WikipediaPageGivesPhotoAndProfile) {
  useWikipedia();
  server.setPage("/zh/api/rest_v1/page/summary/Singer", "200 OK",
                 summaryJson("standard", "美国女歌手", server.url("/thumb.png").toStdString()),
                 "Content-Type: application/json\r\n");
  server.setPage("/thumb.png", "200 OK", pngBytes(Qt::cyan, 20, 10));
  run(QStringLiteral("Song"), QStringLiteral("Singer"));
  EXPECT_EQ(view.calls.mid(2),
            QStringList({QStringLiteral("tip 美国女歌手"), QStringLiteral("info 写真下载：100%"),
                         QStringLiteral("photo 20x10")}))
      << view.calls.join(u'\n').toStdString();
  EXPECT_EQ(read(resumes() + QStringLiteral("singer.jj")),
            QByteArray("美国女歌手\r\nFirst paragraph.\r\nSecond <b>paragraph</b>.\r\n"));
  EXPECT_EQ(read(images() + QStringLiteral("singer.jpg")),
            QByteArray::fromStdString(pngBytes(Qt::cyan, 20, 10)));
  EXPECT_NE(server.lastRequest().find("User-Agent: Lyrovo/"), std::string::npos);
  EXPECT_EQ(server.requests("/en/api/rest_v1/page/summary/Singer"), 0);
}

TEST_F(ArtistLookupTest, WikipediaSkipsDisambiguationAndMissingPagesForTheEnglishOne) {
  useWikipedia();
  server.setPage("/zh/api/rest_v1/page/summary/Queen", "200 OK", summaryJson("disambiguation", "Topics", ""));
  server.setPage("/en/api/rest_v1/page/summary/Queen", "200 OK",
                 summaryJson("standard", "British rock band", ""));
  run(QStringLiteral("Song"), QStringLiteral("Queen"));
  EXPECT_EQ(view.calls.mid(2),
            QStringList({QStringLiteral("info queen"), QStringLiteral("tip British rock band")}));
  EXPECT_TRUE(QFile::exists(resumes() + QStringLiteral("queen.jj")));

  // No page in Chinese (404), none about a musician in English: the name only.
  server.setPage("/en/api/rest_v1/page/summary/Moon", "200 OK",
                 summaryJson("standard", "natural satellite", ""));
  view.calls.clear();
  run(QStringLiteral("Song"), QStringLiteral("Moon"));
  EXPECT_EQ(server.requests("/zh/api/rest_v1/page/summary/Moon"), 1);
  EXPECT_EQ(view.calls.mid(2), QStringList({QStringLiteral("info moon")}));
  EXPECT_FALSE(QFile::exists(resumes() + QStringLiteral("moon.jj")));
}

TEST_F(ArtistLookupTest, WikipediaThumbnailThatIsNotAnImageIsNotCached) {
  useWikipedia();
  server.setPage("/zh/api/rest_v1/page/summary/Band", "200 OK",
                 summaryJson("standard", "乐队", server.url("/thumb.svg").toStdString()));
  server.setPage("/thumb.svg", "200 OK", "<script>alert(1)</script>");
  run(QStringLiteral("Song"), QStringLiteral("Band"));
  EXPECT_EQ(view.calls.last(), QStringLiteral("info 写真下载失败！"));
  EXPECT_FALSE(QFile::exists(images() + QStringLiteral("band.jpg")));
  EXPECT_EQ(view.calls.filter(QStringLiteral("tip ")).last(), QStringLiteral("tip 乐队"));
}

TEST(PhotoProgress, WholePercentages) {
  EXPECT_EQ(PhotoProgressText(45, 100), QStringLiteral("写真下载：45%"));
  EXPECT_EQ(PhotoProgressText(1, 3), QStringLiteral("写真下载：33%"));
  EXPECT_EQ(PhotoProgressText(1, 200), QStringLiteral("写真下载：0%"));  // a half goes to the even neighbour
}

}  // namespace
}  // namespace lyrovo
