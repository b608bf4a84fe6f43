// Starts the real player binary headless from a copy of the build folder.
#include "settings/settings.h"
#include "support/playerprocess.h"

#include <gtest/gtest.h>

#include <csignal>

using namespace lyrovo;
using lyrovo::testing::PlayerInstall;

namespace {

QStringList keysOf(const QByteArray& ini, const QString& section) {
  QStringList keys;
  bool inside = false;
  for (const QByteArray& raw : ini.split('\n')) {
    const QString line = QString::fromUtf8(raw).trimmed();
    if (line.startsWith(u'[')) {
      inside = line == u'[' + section + u']';
    } else if (inside && line.contains(u'=')) {
      keys << line.section(u'=', 0, 0);
    }
  }
  return keys;
}

class SignalShutdown : public ::testing::TestWithParam<int> {};

}  // namespace

TEST_P(SignalShutdown, SavesBothSettingsFilesInTheProgramFolderAndExits) {
  PlayerInstall installed;
  QProcess player;
  ASSERT_TRUE(installed.start(player));
  ASSERT_TRUE(installed.waitUntilReady(player)) << player.readAllStandardError().constData();

  EXPECT_TRUE(lyrovo::testing::endsCleanly(player, GetParam()));
  EXPECT_FALSE(QFileInfo::exists(installed.handOverSocket()));  // no socket file is left behind

  QStringList expected;
  for (const SettingsKey& key : kSettingsKeys) expected << key.name.toString();
  EXPECT_EQ(keysOf(installed.read(QStringLiteral("Settings.ini")), QStringLiteral("lyrovo")), expected);

  const QByteArray skinText = installed.read(QStringLiteral("SkinSettings.ini"));
  EXPECT_EQ(keysOf(skinText, QStringLiteral("Color")).size(), qsizetype(kSkinColourKeys.size()));
  EXPECT_EQ(keysOf(skinText, QStringLiteral("Font")).size(), qsizetype(kSkinFontKeys.size()));
  EXPECT_FALSE(QFileInfo::exists(installed.root.path() + QStringLiteral("/data/lyrovo")));  // a portable run
}

INSTANTIATE_TEST_SUITE_P(TermAndInt, SignalShutdown, ::testing::Values(SIGTERM, SIGINT));
INSTANTIATE_TEST_SUITE_P(HangUpAndQuit, SignalShutdown, ::testing::Values(SIGHUP, SIGQUIT));

namespace {
// A short silent WAVE file: 16-bit stereo at 44.1 kHz.
QByteArray silentWave(int frames) {
  QByteArray data(frames * 4, '\0');
  QByteArray out;
  auto u32 = [&](quint32 v) { out.append(reinterpret_cast<const char*>(&v), 4); };
  auto u16 = [&](quint16 v) { out.append(reinterpret_cast<const char*>(&v), 2); };
  out += "RIFF";
  u32(36 + data.size());
  out += "WAVEfmt ";
  u32(16);
  u16(1);
  u16(2);
  u32(44100);
  u32(44100 * 4);
  u16(4);
  u16(16);
  out += "data";
  u32(data.size());
  return out + data;
}
}  // namespace

TEST(CommandLine, AFolderIsAddedWithItsSubfoldersAndSaved) {
  PlayerInstall installed;
  const QString music = installed.root.path() + QStringLiteral("/Music");
  QDir().mkpath(music + QStringLiteral("/Album"));
  for (const QString& name : {QStringLiteral("/one.wav"), QStringLiteral("/two.wav"),
                              QStringLiteral("/notes.txt"), QStringLiteral("/Album/three.wav")}) {
    QFile file(music + name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(silentWave(4410));
  }
  QProcess player;
  ASSERT_TRUE(installed.start(player, {music}));
  QByteArray saved;
  const bool added = lyrovo::testing::waitUntil([&] {
    saved = installed.read(QStringLiteral("Playlist.dat"));
    return saved.count('\n') >= 4;
  });
  ::kill(pid_t(player.processId()), SIGTERM);
  ASSERT_TRUE(player.waitForFinished(60000));
  ASSERT_TRUE(added) << player.readAllStandardError().constData();
  const QStringList lines = QString::fromUtf8(saved).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 4);
  EXPECT_EQ(lines[0], QStringLiteral(" 1 "));
  QStringList paths;
  for (const QString& line : lines.mid(1)) paths << line.section(u'=', 0, 0);
  EXPECT_EQ(paths.last(),
            music + QStringLiteral("/Album/three.wav"));  // the subfolder after the folder's own files
  paths.sort();
  EXPECT_EQ(paths, (QStringList{music + QStringLiteral("/Album/three.wav"),
                                music + QStringLiteral("/one.wav"), music + QStringLiteral("/two.wav")}));
}
