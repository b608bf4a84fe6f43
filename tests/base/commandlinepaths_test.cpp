#include "base/commandlinepaths.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace lyrovo;

TEST(AbsoluteCommandLinePaths, ResolveAgainstTheLaunchFolderThroughTheFileSystem) {
  QTemporaryDir temp;
  const QString root = QDir(temp.path()).canonicalPath();
  QDir(root).mkpath(QStringLiteral("music/albums/one"));
  QDir(root).mkpath(QStringLiteral("launch"));
  // "link" leads into music/albums, so link/.. is music/albums' parent, music.
  ASSERT_TRUE(QFile::link(root + QStringLiteral("/music/albums"), root + QStringLiteral("/launch/link")));
  ASSERT_TRUE(QFile::link(root + QStringLiteral("/music/a.mp3"), root + QStringLiteral("/music/alias.mp3")));

  const QStringList arguments = {
      QStringLiteral("song.mp3"),
      QStringLiteral("./sub dir/../x.mp3"),
      QStringLiteral("link/../b.mp3"),
      QStringLiteral("../music/alias.mp3"),
      root + QStringLiteral("/music/albums/one/../c.mp3"),
      QStringLiteral("/nowhere/at/../all.mp3"),
      QStringLiteral("two\nlines.mp3"),
      QStringLiteral("cr\r.mp3"),
      QString(),
      QStringLiteral("link/one/.."),
  };
  const QStringList expected = {
      root + QStringLiteral("/launch/song.mp3"),
      root + QStringLiteral("/launch/x.mp3"),  // "sub dir" does not exist: cleaned as text
      root + QStringLiteral("/music/b.mp3"),
      root + QStringLiteral("/music/alias.mp3"),  // a linked file keeps its own name
      root + QStringLiteral("/music/albums/c.mp3"), QStringLiteral("/nowhere/all.mp3"),
      root + QStringLiteral("/music/albums"),
  };
  EXPECT_EQ(AbsoluteCommandLinePaths(arguments, root + QStringLiteral("/launch")), expected);
}
