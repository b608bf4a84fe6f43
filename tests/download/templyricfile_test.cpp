#include "download/download.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace lyrovo {
namespace {

// Permission bits of path itself (a symbolic link is not followed).
mode_t modeOf(const QString& path) {
  struct stat info {};
  if (::lstat(QFile::encodeName(path).constData(), &info) != 0) return 0;
  return info.st_mode;
}

void expectPrivateFolderOf(const QString& file, const QString& folder) {
  EXPECT_EQ(file, folder + QStringLiteral("/temp.vantor"));
  const mode_t mode = modeOf(folder);
  EXPECT_TRUE(S_ISDIR(mode)) << folder.toStdString();
  EXPECT_EQ(mode & 0777, 0700u) << folder.toStdString();
}

class TempLyricFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(root.isValid());
    for (const char* name : {"runtime", "tmp", "cache"})
      ASSERT_TRUE(QDir(root.path()).mkdir(QString::fromLatin1(name)));
    ASSERT_EQ(::chmod(QFile::encodeName(runtime).constData(), 0700), 0);
  }

  QTemporaryDir root;
  const QString runtime = root.path() + QStringLiteral("/runtime");
  const QString tmp = root.path() + QStringLiteral("/tmp");
  const QString cache = root.path() + QStringLiteral("/cache");
  const QString tmpFolder = tmp + QStringLiteral("/lyrovo-") + QString::number(::geteuid());
};

TEST_F(TempLyricFileTest, PrefersTheRuntimeFolderThenTheUserFolderInTmp) {
  expectPrivateFolderOf(TempLyricFileIn(runtime, tmp, cache), runtime + QStringLiteral("/lyrovo"));
  expectPrivateFolderOf(TempLyricFileIn(QString(), tmp, cache), tmpFolder);
  // A runtime folder others may write into, or one that is missing, is passed over.
  ASSERT_EQ(::chmod(QFile::encodeName(runtime).constData(), 0777), 0);
  EXPECT_EQ(TempLyricFileIn(runtime, tmp, cache), tmpFolder + QStringLiteral("/temp.vantor"));
  EXPECT_EQ(TempLyricFileIn(runtime + QStringLiteral("/none"), tmp, cache),
            tmpFolder + QStringLiteral("/temp.vantor"));
  EXPECT_EQ(TempLyricFileIn(QStringLiteral("relative"), tmp, cache),
            tmpFolder + QStringLiteral("/temp.vantor"));
}

TEST_F(TempLyricFileTest, RefusesAFolderPlantedByAnotherAndTightensOurOwn) {
  // Our own folder with loose permission bits is made private again.
  ASSERT_TRUE(QDir(tmp).mkdir(QFileInfo(tmpFolder).fileName()));
  ASSERT_EQ(::chmod(QFile::encodeName(tmpFolder).constData(), 0777), 0);
  expectPrivateFolderOf(TempLyricFileIn(QString(), tmp, cache), tmpFolder);

  // A symbolic link in its place (to a folder of the planter's choice) is
  // never followed; the cache folder is used instead, or nothing at all.
  ASSERT_TRUE(QDir(tmpFolder).removeRecursively());
  ASSERT_TRUE(QFile::link(runtime, tmpFolder));
  expectPrivateFolderOf(TempLyricFileIn(QString(), tmp, cache), cache + QStringLiteral("/lyrovo"));
  EXPECT_EQ(TempLyricFileIn(QString(), tmp, QString()), QString());
  EXPECT_FALSE(QFileInfo::exists(runtime + QStringLiteral("/temp.vantor")));

  // A folder owned by another user (only root can make one here).
  if (::geteuid() == 0) {
    ASSERT_TRUE(QFile::remove(tmpFolder));
    ASSERT_TRUE(QDir(tmp).mkdir(QFileInfo(tmpFolder).fileName()));
    ASSERT_EQ(::chown(QFile::encodeName(tmpFolder).constData(), 65534, 65534), 0);
    EXPECT_EQ(TempLyricFileIn(QString(), tmp, QString()), QString());
  }
}

TEST_F(TempLyricFileTest, TheRealLocationIsPrivate) {
  const QString file = TempLyricFile();
  ASSERT_FALSE(file.isEmpty());
  expectPrivateFolderOf(file, QFileInfo(file).path());
}

}  // namespace
}  // namespace lyrovo
