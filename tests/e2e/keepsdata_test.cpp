// The player keeps the user's data however it ends or is started: signals
// at any moment, a kill, relative command-line paths, a second launch,
// bad settings and damaged or incomplete playlist files.
#include "support/audiofixtures.h"
#include "support/playerprocess.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <csignal>

using lyrovo::testing::catchesSignal;
using lyrovo::testing::endsCleanly;
using lyrovo::testing::PlayerInstall;
using lyrovo::testing::waitUntil;

namespace {

// Both settings files as the shutdown writes them.
void expectSavedSettings(const PlayerInstall& installed) {
  EXPECT_TRUE(installed.read(QStringLiteral("Settings.ini")).startsWith("[lyrovo]\r\n"));
  EXPECT_TRUE(installed.read(QStringLiteral("SkinSettings.ini")).startsWith("[Color]\r\n"));
}

// A copy of a generated audio file in root/music.
QString musicFile(const PlayerInstall& installed, const QString& fixture, const QString& name) {
  const QString folder = installed.root.path() + QStringLiteral("/music/");
  QDir().mkpath(folder);
  QFile::copy(lyrovo::testing::fixture(fixture), folder + name);
  return QFileInfo(folder + name).canonicalFilePath();
}

// The playlist line of an untagged two-second file: its name is the title.
QByteArray rowOf(const QString& path) {
  return (path + u'=' + QFileInfo(path).completeBaseName() + QStringLiteral("=未知歌手=00:02\r\n")).toUtf8();
}

QByteArray golden(const QString& name, const QString& appPath) {
  QFile file(QStringLiteral(LYROVO_GOLDEN_DIR "/") + name);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll().replace("@APPPATH@", appPath.toUtf8());
}

}  // namespace

// Before main runs (the dynamic loader) a signal can only take its default
// action; from the moment the handler exists every signal ends in the
// ordinary shutdown, also in the middle of start-up.
TEST(EarlySignal, EndsInTheOrdinaryShutdownDuringStartUp) {
  for (int delayMs : {150, 300, 600}) {
    PlayerInstall installed;
    QProcess player;
    QElapsedTimer launched;
    launched.start();
    ASSERT_TRUE(installed.start(player));
    ASSERT_TRUE(waitUntil(
        [&] { return launched.elapsed() >= delayMs && catchesSignal(player.processId(), SIGTERM); }));
    EXPECT_TRUE(endsCleanly(player, SIGTERM))
        << delayMs << " ms: " << player.readAllStandardError().constData();
    expectSavedSettings(installed);
  }
}

TEST(EarlySignal, AStormOfSignalsShutsDownOnce) {
  PlayerInstall installed;
  QProcess player;
  ASSERT_TRUE(installed.start(player));
  ASSERT_TRUE(installed.waitUntilReady(player));
  for (int i = 0; i < 100; ++i) ::kill(pid_t(player.processId()), i % 2 ? SIGTERM : SIGHUP);
  ASSERT_TRUE(player.waitForFinished(60000));
  EXPECT_EQ(player.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(player.exitCode(), 0);
  expectSavedSettings(installed);
}

// The first start greets with a box; a signal while it waits closes it,
// start-up completes and the shutdown writes both settings files, byte for
// byte as the golden files say.
TEST(FirstStart, SignalDuringTheWelcomeBoxWritesTheDefaultSettings) {
  PlayerInstall installed(/*firstRun=*/true);
  QProcess player;
  ASSERT_TRUE(installed.start(player));
  // The icon is installed just before the welcome box.
  const QString icon = installed.root.path() + QStringLiteral("/data/icons/hicolor/64x64/apps/lyrovo.png");
  ASSERT_TRUE(waitUntil([&] { return QFileInfo::exists(icon); }));
  EXPECT_TRUE(endsCleanly(player, SIGTERM)) << player.readAllStandardError().constData();
  EXPECT_EQ(installed.read(QStringLiteral("Settings.ini")),
            golden(QStringLiteral("Settings.ini"), installed.bin()));
  EXPECT_EQ(installed.read(QStringLiteral("SkinSettings.ini")),
            golden(QStringLiteral("SkinSettings.ini"), installed.bin()));
}

// Rows reach Playlist.dat within seconds, so a kill loses none of them.
TEST(Kill, RestartKeepsTheRowsAddedBefore) {
  PlayerInstall installed;
  const QString first = musicFile(installed, QStringLiteral("tone1k.mp3"), QStringLiteral("first.mp3"));
  const QString second = musicFile(installed, QStringLiteral("tone1k.wav"), QStringLiteral("second.wav"));
  QProcess player;
  ASSERT_TRUE(installed.start(player, {first}));
  ASSERT_TRUE(installed.waitUntilReady(player));
  ASSERT_TRUE(
      waitUntil([&] { return installed.read(QStringLiteral("Playlist.dat")).contains(first.toUtf8()); }));
  EXPECT_EQ(installed.handOver({second}), 1);
  ASSERT_TRUE(
      waitUntil([&] { return installed.read(QStringLiteral("Playlist.dat")).contains(second.toUtf8()); }));
  player.kill();
  ASSERT_TRUE(player.waitForFinished(30000));

  ASSERT_TRUE(installed.runOnce());
  EXPECT_EQ(installed.read(QStringLiteral("Playlist.dat")), " 2 \r\n" + rowOf(first) + rowOf(second));
}

// A relative path is kept as the absolute path it named, so the row
// survives a start from another folder.
TEST(CommandLine, RelativePathsAreStoredAbsolute) {
  PlayerInstall installed;
  const QString song = musicFile(installed, QStringLiteral("tone1k.mp3"), QStringLiteral("song.mp3"));
  const QString other = installed.root.path() + QStringLiteral("/elsewhere");
  QDir().mkpath(other);
  ASSERT_TRUE(installed.runOnce({QStringLiteral("song.mp3"), QStringLiteral("../music/./song.mp3")},
                                installed.root.path() + QStringLiteral("/music")));
  const QByteArray row = rowOf(song);
  EXPECT_EQ(installed.read(QStringLiteral("Playlist.dat")), " 1 \r\n" + row + row);

  ASSERT_TRUE(installed.runOnce({}, other));
  EXPECT_EQ(installed.read(QStringLiteral("Playlist.dat")), " 1 \r\n" + row + row);
}

// A format only a plug-in decodes is accepted on the command line.
TEST(CommandLine, PlugInFormatsAreAccepted) {
  PlayerInstall installed(false, /*plugins=*/true);
  const QString song = musicFile(installed, QStringLiteral("tone1k.flac"), QStringLiteral("song.flac"));
  ASSERT_TRUE(installed.runOnce({song}));
  EXPECT_TRUE(installed.read(QStringLiteral("Playlist.dat")).contains((song + u'=').toUtf8()));
}

// A second launch with a file hands it to the running player and ends quietly.
TEST(SecondLaunch, HandsItsFilesToTheRunningPlayer) {
  PlayerInstall installed;
  const QString first = musicFile(installed, QStringLiteral("tone1k.mp3"), QStringLiteral("first.mp3"));
  const QString second = musicFile(installed, QStringLiteral("tone1k.mp3"), QStringLiteral("second.mp3"));
  QProcess running;
  ASSERT_TRUE(installed.start(running, {first}));
  ASSERT_TRUE(installed.waitUntilReady(running));

  QProcess launch;
  ASSERT_TRUE(installed.start(launch, {QStringLiteral("second.mp3")},
                              installed.root.path() + QStringLiteral("/music")));
  ASSERT_TRUE(launch.waitForFinished(30000));
  EXPECT_EQ(launch.exitCode(), 0);
  ASSERT_TRUE(
      waitUntil([&] { return installed.read(QStringLiteral("Playlist.dat")).contains(second.toUtf8()); }));
  EXPECT_TRUE(endsCleanly(running, SIGTERM));
  // The handed-over file became the second row and the one playing.
  EXPECT_EQ(installed.read(QStringLiteral("Playlist.dat")), " 2 \r\n" + rowOf(first) + rowOf(second));
}

// One bad value resets only its own key; the others load and are saved back.
TEST(Settings, AnOverflowingValueKeepsTheOtherKeys) {
  PlayerInstall installed;
  const QString lyrics = installed.root.path() + QStringLiteral("/my lyrics/");
  QDir().mkpath(lyrics);
  installed.write(QStringLiteral("Settings.ini"),
                  "[lyrovo]\r\nvolumn=99999\r\nplayModal=3\r\nWordPath=" + lyrics.toUtf8() + "\r\n");
  ASSERT_TRUE(installed.runOnce());
  const QByteArray saved = installed.read(QStringLiteral("Settings.ini"));
  EXPECT_TRUE(saved.contains("\r\nvolumn=20\r\n"));
  EXPECT_TRUE(saved.contains("\r\nplayModal=3\r\n"));
  EXPECT_TRUE(saved.contains("\r\nWordPath=" + lyrics.toUtf8() + "\r\n"));
}

// A row whose file is away (an unmounted drive) survives a start and a save;
// a list file that could not be read whole is kept aside first.
TEST(Playlist, MissingFilesStayAndAnIncompleteFileIsKeptAside) {
  PlayerInstall installed;
  const QString song = musicFile(installed, QStringLiteral("tone1k.mp3"), QStringLiteral("song.mp3"));
  const QByteArray away = "/media/offline/away.mp3=Away=Someone=03:07\r\n";
  installed.write(QStringLiteral("Playlist.dat"), " 2 \r\n" + away + (song + "=Here=Me=00:02\r\n").toUtf8());
  ASSERT_TRUE(installed.runOnce());
  EXPECT_EQ(installed.read(QStringLiteral("Playlist.dat")),
            " 2 \r\n" + away + (song + "=Here=Me=00:02\r\n").toUtf8());
  EXPECT_FALSE(QFileInfo::exists(installed.file(QStringLiteral("Playlist.dat.bad"))));

  // More rows than the list holds: the file is kept whole as Playlist.dat.bad.
  QByteArray full = " 1 \r\n";
  for (int i = 0; i < 32800; ++i) full += "/media/offline/" + QByteArray::number(i) + ".mp3=t=a=00:01\r\n";
  installed.write(QStringLiteral("Playlist.dat"), full);
  ASSERT_TRUE(installed.runOnce());
  EXPECT_EQ(installed.read(QStringLiteral("Playlist.dat.bad")), full);
  EXPECT_EQ(installed.read(QStringLiteral("Playlist.dat")).count('\n'), 1 + 32767);
}
