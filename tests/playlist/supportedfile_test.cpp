#include "playlist/supportedfile.h"

#include <gtest/gtest.h>

using namespace lyrovo;

TEST(IsSupportedFile, ExtensionAgainstTheTypeList) {
  const QString types = QStringLiteral("*.mp3;*.mp2;*.mp1;*.ogg;*.aif;*.wav;");
  EXPECT_TRUE(IsSupportedFile(QStringLiteral("/music/song.mp3"), types));
  EXPECT_FALSE(IsSupportedFile(QStringLiteral("/music/song.MP3"), types));  // callers lower-case first
  EXPECT_TRUE(IsSupportedFile(QStringLiteral("x.p3"), types));              // a substring test
  EXPECT_FALSE(IsSupportedFile(QStringLiteral("notes.txt"), types));
  EXPECT_TRUE(IsSupportedFile(QStringLiteral("/a.b/wav"), types) == false);  // "b/wav;" is not listed
  EXPECT_TRUE(IsSupportedFile(QStringLiteral("mp3"), types));                // no dot: the whole name
  EXPECT_FALSE(IsSupportedFile(QStringLiteral("song."), types));  // an empty extension matches nothing
  EXPECT_FALSE(IsSupportedFile(QString(), types));
}
