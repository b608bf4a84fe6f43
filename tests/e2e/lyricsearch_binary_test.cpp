// The automatic lyric search of the real player binary against the local
// HTTP server speaking the LRCLIB API. The line the lyric pane sings is read
// through the media controls (playerctl on the private session bus this
// test runs in), and the kept copy from the lyric folder.
#include "download/httpserver.h"
#include "support/playerprocess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

#include <csignal>

namespace {

using lyrovo::testing::TestHttpServer;
using lyrovo::testing::waitUntil;

QString playerctl(const QStringList& arguments) {
  QProcess process;
  process.start(QStringLiteral("playerctl"),
                QStringList{QStringLiteral("-p"), QStringLiteral("lyrovo")} + arguments);
  if (!process.waitForFinished(30000)) {
    process.kill();
    process.waitForFinished();
    return {};
  }
  return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

TEST(LyricSearchBinary, DownloadedLyricIsSungAndKeptInTheLyricFolder) {
  const lyrovo::testing::PlayerInstall install;
  const QString bin = install.bin();
  const QString music = install.root.path() + QStringLiteral("/music/");
  QDir().mkpath(music);
  // A song long enough to sing through the lyric's first lines.
  ASSERT_EQ(QProcess::execute(
                QStringLiteral("sox"),
                {QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("44100"), QStringLiteral("-c"),
                 QStringLiteral("2"), music + QStringLiteral("a.wav"), QStringLiteral("synth"),
                 QStringLiteral("60"), QStringLiteral("sine"), QStringLiteral("440")}),
            0);
  ASSERT_EQ(QProcess::execute(QStringLiteral("lame"),
                              {QStringLiteral("--quiet"), QStringLiteral("--tt"), QStringLiteral("Moon Song"),
                               QStringLiteral("--ta"), QStringLiteral("Singer"),
                               music + QStringLiteral("a.wav"), music + QStringLiteral("a.mp3")}),
            0);

  TestHttpServer server;
  std::string lyric = "[ar:Singer]";
  for (int s = 0; s < 9; ++s) lyric += "\\n[00:0" + std::to_string(s) + ".50]sung line " + std::to_string(s);
  // No record under the exact names (the get answers 404); the search finds one.
  server.setPage("/api/search?track_name=moon%20song&artist_name=singer", "200 OK",
                 R"([{"id":3,"trackName":"Moon Song","artistName":"Singer","duration":60.0,)"
                 R"("instrumental":false,"syncedLyrics":")" +
                     lyric + R"("}])");
  install.write(QStringLiteral("Settings.ini"),
                QStringLiteral("[lyrovo]\r\nsearchWord=1\r\nsaveWord=1\r\n[Servers]\r\nconnectionCheck=%1\r\n"
                               "lrclib=%2\r\nwikipedia=%3\r\nwikipediaEnglish=%3\r\n")
                    .arg(server.url("/"), server.url(""), server.url("/wiki"))
                    .toUtf8());

  // The media controls go to the session bus this test runs on.
  QProcessEnvironment env = install.environment();
  env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"));
  QProcess player;
  player.setProcessEnvironment(env);
  player.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  player.start(bin + QStringLiteral("lyrovo"), {music + QStringLiteral("a.mp3")});
  ASSERT_TRUE(player.waitForStarted(30000));

  QString sung;
  const bool singing = waitUntil(
      [&] {
        sung = playerctl({QStringLiteral("metadata"), QStringLiteral("xesam:asText")});
        return sung.startsWith(QStringLiteral("sung line "));
      },
      60000);
  const QString kept = bin + QStringLiteral("Lyrics/singer - moon song.lrc");
  const bool keptThere = waitUntil([&] { return QFileInfo(kept).isFile(); }, 60000);
  EXPECT_TRUE(lyrovo::testing::endsCleanly(player, SIGTERM));
  ASSERT_TRUE(singing) << "the media controls said \"" << sung.toStdString() << "\"";
  ASSERT_TRUE(keptThere);
  QFile copy(kept);
  ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
  const QByteArray text = copy.readAll();
  EXPECT_TRUE(text.startsWith("[ar:Singer]\n[00:00.50]sung line 0")) << text.left(40).constData();
  EXPECT_TRUE(text.contains("[00:08.50]sung line 8"));
  EXPECT_EQ(server.requests("/api/search?track_name=moon%20song&artist_name=singer"), 1);
}

}  // namespace
