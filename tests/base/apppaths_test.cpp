#include "base/apppaths.h"
#include "base/instancelock.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

using namespace lyrovo;

TEST(AppPaths, PortableWhenTheExecutablesFolderIsWritable) {
  QTemporaryDir dir;
  const AppPaths paths = AppPaths::forExecutable(dir.path() + QStringLiteral("/lyrovo"));
  EXPECT_EQ(paths.appPath, dir.path() + u'/');
  EXPECT_EQ(paths.exeName, QStringLiteral("lyrovo"));
  EXPECT_EQ(paths.exePath, dir.path() + QStringLiteral("/lyrovo"));
}

TEST(AppPaths, UserDataFolderOtherwise) {
  QTemporaryDir data;
  qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
  EXPECT_EQ(AppPaths::resolveAppPath(QStringLiteral("/nonexistent/bin")),
            data.path() + QStringLiteral("/lyrovo/"));
  qputenv("XDG_DATA_HOME", "relative/ignored");
  EXPECT_EQ(AppPaths::resolveAppPath(QStringLiteral("/nonexistent/bin")),
            QDir::homePath() + QStringLiteral("/.local/share/lyrovo/"));
  qunsetenv("XDG_DATA_HOME");
}

// The layout around the executable decides, not write permission (tests run as root).
TEST(AppPaths, InstalledLayoutKeepsFilesInTheUserDataFolder) {
  QTemporaryDir prefix, data;
  qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
  ASSERT_TRUE(QDir().mkpath(prefix.path() + QStringLiteral("/bin")));
  ASSERT_TRUE(QDir().mkpath(prefix.path() + QStringLiteral("/lib/lyrovo/plugins")));
  AppPaths paths = AppPaths::forExecutable(prefix.path() + QStringLiteral("/bin/lyrovo"));
  EXPECT_EQ(paths.appPath, data.path() + QStringLiteral("/lyrovo/"));
  EXPECT_EQ(paths.pluginPath, prefix.path() + QStringLiteral("/lib/lyrovo/plugins/"));
  EXPECT_EQ(paths.desktopEntry, QString());  // none installed: the player writes its own

  const QString entry = prefix.path() + QStringLiteral("/share/applications/io.github.lyrovo.Lyrovo.desktop");
  ASSERT_TRUE(QDir().mkpath(prefix.path() + QStringLiteral("/share/applications")));
  QFile file(entry);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  paths = AppPaths::forExecutable(prefix.path() + QStringLiteral("/bin/lyrovo"));
  EXPECT_EQ(paths.desktopEntry, entry);
  qunsetenv("XDG_DATA_HOME");
}

TEST(AppPaths, PluginsBesideTheExecutableMeanAPortableRun) {
  QTemporaryDir dir;
  ASSERT_TRUE(QDir().mkpath(dir.path() + QStringLiteral("/Plugins")));
  const AppPaths paths = AppPaths::forExecutable(dir.path() + QStringLiteral("/lyrovo"));
  EXPECT_EQ(paths.appPath, dir.path() + u'/');
  EXPECT_EQ(paths.pluginPath, dir.path() + QStringLiteral("/Plugins/"));
  EXPECT_EQ(paths.desktopEntry, QString());
  EXPECT_EQ(AppPaths::portablePluginFolder(QStringLiteral("/opt/lyrovo/")),
            QStringLiteral("/opt/lyrovo/Plugins/"));
}

TEST(InstanceLock, OneHolderPerFileUntilReleased) {
  QTemporaryDir dir;
  const QString file = dir.path() + QStringLiteral("/.lock");
  {
    InstanceLock first;
    ASSERT_EQ(first.acquire(file), InstanceLock::Result::Acquired);
    InstanceLock second;
    EXPECT_EQ(second.acquire(file), InstanceLock::Result::HeldElsewhere);
    InstanceLock other;
    EXPECT_EQ(other.acquire(dir.path() + QStringLiteral("/.other")), InstanceLock::Result::Acquired);
  }
  InstanceLock again;
  EXPECT_EQ(again.acquire(file), InstanceLock::Result::Acquired);
  InstanceLock nowhere;
  EXPECT_EQ(nowhere.acquire(QStringLiteral("/nonexistent/dir/.lock")), InstanceLock::Result::Unavailable);
}
