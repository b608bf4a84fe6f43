// The real player binary, headless, fetching an artist's photo and profile
// from the local HTTP server speaking the Wikipedia page-summary API.
#include "download/httpserver.h"
#include "support/audiofixtures.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

namespace {

using lyrovo::testing::fixture;
using lyrovo::testing::TestHttpServer;
using lyrovo::testing::waitUntil;

TEST(ArtistBinary, PhotoAndProfileArriveInTheCaches) {
  TestHttpServer server;
  QImage photo(48, 48, QImage::Format_RGB32);
  photo.fill(Qt::magenta);
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  photo.save(&buffer, "PNG");
  server.setPage("/photo.png", "200 OK", png.toStdString());
  server.setPage("/zh/api/rest_v1/page/summary/Singer", "404 Not Found", R"({"type":"not_found"})");
  server.setPage("/en/api/rest_v1/page/summary/Singer", "200 OK",
                 R"({"type":"standard","title":"Singer","description":"American singer",)"
                 R"("extract":"Singer is a singer.","thumbnail":{"source":")" +
                     server.url("/photo.png").toStdString() + R"("}})");

  QTemporaryDir root;
  const QString bin = root.path() + QStringLiteral("/bin/");
  QDir().mkpath(bin + QStringLiteral("Plugins"));
  QDir().mkpath(bin + QStringLiteral("Images"));  // not a first run: no welcome box to answer
  ASSERT_TRUE(QFile::copy(QStringLiteral(LYROVO_BINARY), bin + QStringLiteral("lyrovo")));
  // The web requests' helper, built beside the player.
  ASSERT_TRUE(
      QFile::copy(QFileInfo(QStringLiteral(LYROVO_BINARY)).dir().filePath(QStringLiteral("lyrovo-fetch")),
                  bin + QStringLiteral("lyrovo-fetch")));
  QFile settings(bin + QStringLiteral("Settings.ini"));
  ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
  settings.write(
      QStringLiteral("[lyrovo]\r\nsearchWord=0\r\n[Servers]\r\nconnectionCheck=%1\r\nwikipedia=%2\r\n"
                     "wikipediaEnglish=%3\r\n")
          .arg(server.url("/"), server.url("/zh"), server.url("/en"))
          .toUtf8());
  settings.close();
  QDir().mkpath(root.path() + QStringLiteral("/run"));
  QFile::setPermissions(root.path() + QStringLiteral("/run"),
                        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("HOME"), root.path() + QStringLiteral("/home"));
  env.insert(QStringLiteral("XDG_CONFIG_HOME"), root.path() + QStringLiteral("/config"));
  env.insert(QStringLiteral("XDG_DATA_HOME"), root.path() + QStringLiteral("/data"));
  env.insert(QStringLiteral("XDG_RUNTIME_DIR"), root.path() + QStringLiteral("/run"));
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  env.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("dummy"));
  env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("disabled:"));
  QProcess player;
  player.setProcessEnvironment(env);
  player.setWorkingDirectory(root.path());
  player.start(bin + QStringLiteral("lyrovo"), {fixture(QStringLiteral("id3v1.mp3"))});
  ASSERT_TRUE(player.waitForStarted(30000));

  const QString photoFile = bin + QStringLiteral("Images/singer.jpg");
  const QString profileFile = bin + QStringLiteral("Resumes/singer.jj");
  const bool cached =
      waitUntil([&] { return QFileInfo(photoFile).isFile() && QFileInfo(profileFile).isFile(); }, 60000);
  // Every web request of the run went through the helper: the player itself
  // never loaded a network stack.
  QFile maps(QStringLiteral("/proc/%1/maps").arg(player.processId()));
  ASSERT_TRUE(maps.open(QIODevice::ReadOnly));
  const QByteArray mapped = maps.readAll();
  for (const char* library : {"libQt6Network", "libcurl", "libssl", "libcrypto", "libgnutls", "libgssapi"})
    EXPECT_FALSE(mapped.contains(library)) << library;
  ::kill(pid_t(player.processId()), SIGTERM);
  ASSERT_TRUE(player.waitForFinished(60000));
  ASSERT_TRUE(cached) << player.readAllStandardError().constData();

  QFile profile(profileFile);
  ASSERT_TRUE(profile.open(QIODevice::ReadOnly));
  EXPECT_EQ(profile.readAll(), QByteArray("American singer\r\nSinger is a singer.\r\n"));
  EXPECT_EQ(QImage(photoFile).pixel(10, 10) & 0xFFFFFF, 0xFF00FFu);
  EXPECT_EQ(server.requests("/zh/api/rest_v1/page/summary/Singer"), 1);
  EXPECT_EQ(QDir(bin + QStringLiteral("Images")).entryList(QDir::Files | QDir::Hidden),
            QStringList({QStringLiteral("singer.jpg")}));
}

}  // namespace
