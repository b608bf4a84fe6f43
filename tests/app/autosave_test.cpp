#include "app/autosave.h"
#include "support/testworld.h"

#include <gtest/gtest.h>

using namespace lyrovo;
using lyrovo::testing::TestWorld;

TEST(AutoSaver, WritesWhatChangedAndNothingWhileNothingChanges) {
  TestWorld world;
  auto ctx = world.makeContext();
  SetDefaults(ctx->settings, ctx->paths);
  AutoSaver saver(*ctx, [&] { return ctx->settings; });
  saver.start();
  const auto saved = [&](const char* name) {
    saver.finish();
    return world.readFile(QStringLiteral("app/") + QLatin1String(name));
  };

  saver.check();
  EXPECT_FALSE(QFile::exists(world.appPath() + QStringLiteral("Playlist.dat")));
  EXPECT_FALSE(QFile::exists(world.appPath() + QStringLiteral("Settings.ini")));

  PlaylistRow row;
  row.path = QStringLiteral("/music/a.mp3");
  row.title = QStringLiteral("A");
  row.artist = QStringLiteral("B");
  row.lengthText = QStringLiteral("01:02");
  ctx->playlist.insert(1, row);
  saver.listChanged();
  ctx->player.CurrentIndex = 1;
  saver.check();
  EXPECT_EQ(saved("Playlist.dat"), QByteArray(" 1 \r\n/music/a.mp3=A=B=01:02\r\n"));
  EXPECT_FALSE(QFile::exists(world.appPath() + QStringLiteral("Settings.ini")));

  ctx->settings.volumn = 55;
  saver.check();
  EXPECT_TRUE(saved("Settings.ini").contains("\r\nvolumn=55\r\n"));

  // A change announced but not made (a row's selection) writes nothing, and
  // neither does a check with nothing changed.
  QFile::remove(world.appPath() + QStringLiteral("Playlist.dat"));
  QFile::remove(world.appPath() + QStringLiteral("Settings.ini"));
  ctx->playlist.row(1).selected = true;
  saver.listChanged();
  saver.check();
  saver.check();
  saver.finish();
  EXPECT_FALSE(QFile::exists(world.appPath() + QStringLiteral("Playlist.dat")));
  EXPECT_FALSE(QFile::exists(world.appPath() + QStringLiteral("Settings.ini")));

  // Rows that came from the command line are not on disk yet: the first check writes them.
  AutoSaver fresh(*ctx, [&] { return ctx->settings; });
  fresh.start(/*listOnDisk=*/false);
  fresh.check();
  fresh.finish();
  EXPECT_EQ(world.readFile(QStringLiteral("app/Playlist.dat")),
            QByteArray(" 1 \r\n/music/a.mp3=A=B=01:02\r\n"));
}

TEST(AutoSaver, HeldSettingsWaitForTheRelease) {
  TestWorld world;
  auto ctx = world.makeContext();
  SetDefaults(ctx->settings, ctx->paths);
  AutoSaver saver(*ctx, [&] { return ctx->settings; });
  saver.start();

  // The options window is open: its live edits stay out of Settings.ini.
  saver.holdSettings(true);
  ctx->settings.volumn = 12;
  saver.check();
  saver.finish();
  EXPECT_FALSE(QFile::exists(world.appPath() + QStringLiteral("Settings.ini")));

  saver.holdSettings(false);
  saver.check();
  saver.finish();
  EXPECT_TRUE(world.readFile(QStringLiteral("app/Settings.ini")).contains("\r\nvolumn=12\r\n"));
}
