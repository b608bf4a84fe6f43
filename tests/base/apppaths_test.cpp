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
