// The artist photo pane of the main window against the local HTTP server:
// a real song plays, its artist's Wikipedia summary and picture come back.
#include "app/fplay.h"
#include "download/httpserver.h"
#include "support/audiofixtures.h"
#include "support/testworld.h"
#include "support/webfixtures.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

using namespace lyrovo;
using lyrovo::testing::fixture;
using lyrovo::testing::pngBytes;
using lyrovo::testing::pumpUntil;
using lyrovo::testing::TestHttpServer;
using lyrovo::testing::TestWorld;

namespace {

struct ArtistPaneTest : ::testing::Test {
  TestHttpServer server;
  TestWorld world;
  std::unique_ptr<AppContext> ctx;
  std::unique_ptr<Fplay> window;

  void load(const QStringList& files) {
    world.writeFile(QStringLiteral("app/Images/.keep"), {});
    world.writeFile(
        QStringLiteral("app/Settings.ini"),
        QStringLiteral("[lyrovo]\r\nplayModal=1\r\nsearchWord=0\r\n[Servers]\r\nconnectionCheck=%1\r\n"
                       "wikipedia=%2\r\nwikipediaEnglish=%3\r\n")
            .arg(server.url("/"), server.url("/zh"), server.url("/en"))
            .toUtf8());
    ctx = world.makeContext();
    window = std::make_unique<Fplay>(*ctx, files);
    ASSERT_EQ(window->Form_Load(), Fplay::LoadResult::Run);
  }
  void start(const QStringList& files) {
    load(files);
    // The check answers on its own thread; the song's web steps wait for it.
    ASSERT_TRUE(pumpUntil([&] { return ctx->search.IsOnline; }));
  }
  QRgb paneCentre() const {
    const QImage& surface = window->Pic1(0)->surface();
    return surface.pixel(surface.width() / 2, surface.height() / 2) & 0xFFFFFF;
  }
  void TearDown() override {
    if (window) window->close();
  }
};

TEST_F(ArtistPaneTest, PhotoAndPlainTextProfileFromWikipedia) {
  server.setPage(
      "/zh/api/rest_v1/page/summary/Singer", "200 OK",
      R"({"type":"standard","title":"Singer","description":"<b>歌手</b><img src=x onerror=alert(1)>",)"
      R"("extract":"<script>alert(1)</script>","thumbnail":{"source":")" +
          server.url("/photo.png").toStdString() + R"("}})");
  server.setPage("/photo.png", "200 OK", pngBytes(Qt::magenta, 64, 64));
  start({fixture(QStringLiteral("id3v1.mp3"))});
  ASSERT_TRUE(pumpUntil([&] { return paneCentre() == 0xFF00FF; }))
      << window->PhotoInfoText().toStdString() << " / " << server.lastTarget() << " / "
      << ctx->player.SongArtist.toStdString() << " / " << ctx->player.CurrentIndex;
  const QString images = world.appPath() + QStringLiteral("Images/"),
                resumes = world.appPath() + QStringLiteral("Resumes/");
  EXPECT_TRUE(QFileInfo(images + QStringLiteral("singer.jpg")).isFile());
  EXPECT_EQ(world.readFile(QStringLiteral("app/Resumes/singer.jj")),
            QByteArray("<b>歌手</b><img src=x onerror=alert(1)>\r\n<script>alert(1)</script>\r\n"));
  // The tooltip says what the page says, as text: no markup is obeyed.
  EXPECT_EQ(window->PhotoTip(), QStringLiteral("<b>歌手</b><img src=x onerror=alert(1)>"));
  EXPECT_TRUE(window->Pic1(0)->toolTip().contains(QStringLiteral("&lt;b&gt;")));
  EXPECT_FALSE(window->Pic1(0)->toolTip().contains(QStringLiteral("<b>")));

  // A click opens the profile in the desktop's viewer; not in full screen.
  window->Pic1_MouseDown(0, Qt::LeftButton, 0, 5, 5);
  auto opened = world.prompts.callsOf(QStringLiteral("openFile"));
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0].text, resumes + QStringLiteral("singer.jj"));
  ctx->lyricPane.FullScreen = true;
  window->Pic1_MouseDown(0, Qt::LeftButton, 0, 5, 5);
  EXPECT_EQ(world.prompts.callsOf(QStringLiteral("openFile")).size(), 1u);
}

// A slow connection check holds up neither the window nor the song: the
// photo look-up waits for the answer and then runs.
TEST_F(ArtistPaneTest, ASlowConnectionCheckDoesNotHoldUpStartUp) {
  server.setDelay("/", std::chrono::milliseconds(1200));
  server.setPage("/zh/api/rest_v1/page/summary/Singer", "200 OK",
                 R"({"type":"standard","title":"Singer","description":"歌手","extract":"歌手","thumbnail":)"
                 R"({"source":")" +
                     server.url("/photo.png").toStdString() + R"("}})");
  server.setPage("/photo.png", "200 OK", pngBytes(Qt::magenta, 64, 64));
  load({fixture(QStringLiteral("id3v1.mp3"))});
  EXPECT_TRUE(ctx->BP1.aIsActive());
  EXPECT_FALSE(ctx->search.IsOnline);
  EXPECT_EQ(server.requests("/zh/api/rest_v1/page/summary/Singer"), 0);
  ASSERT_TRUE(pumpUntil([&] { return paneCentre() == 0xFF00FF; }))
      << window->PhotoInfoText().toStdString() << " / " << server.lastTarget() << " / "
      << ctx->search.IsOnline;
  EXPECT_TRUE(ctx->search.IsOnline);
}

TEST_F(ArtistPaneTest, ALateAnswerNeverPaintsTheNextSongsPane) {
  server.setPage("/zh/api/rest_v1/page/summary/Singer", "200 OK",
                 R"({"type":"standard","title":"Singer","description":"singer","thumbnail":{"source":")" +
                     server.url("/slow").toStdString() + R"("}})");
  start({fixture(QStringLiteral("id3v1.mp3")), fixture(QStringLiteral("id3v1-noartist.mp3"))});
  ASSERT_TRUE(pumpUntil([&] { return window->PhotoInfoText().startsWith(QStringLiteral("写真下载：")); }));

  ctx->player.CurrentIndex = 2;  // a song without an artist
  window->Play();
  EXPECT_EQ(window->PhotoInfoText(), QStringLiteral("未知歌手"));
  EXPECT_TRUE(window->artistLookup().Tag().isEmpty());
  ASSERT_TRUE(server.waitIdle(std::chrono::seconds(30)));
  for (int i = 0; i < 20; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  EXPECT_EQ(window->PhotoInfoText(), QStringLiteral("未知歌手"));
  EXPECT_FALSE(QFileInfo::exists(world.appPath() + QStringLiteral("Images/singer.jpg")));
}

}  // namespace
