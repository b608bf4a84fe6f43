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
