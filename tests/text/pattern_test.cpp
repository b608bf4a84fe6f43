#include "text/pattern.h"

#include <gtest/gtest.h>

using namespace lyrovo;

TEST(Like, WildcardsOfThePlayer) {
  EXPECT_TRUE(like(u"未知歌手", u"未知*"));
  EXPECT_TRUE(like(u"未知", u"未知*"));
  EXPECT_FALSE(like(u"歌手未知", u"未知*"));
  EXPECT_TRUE(like(u"C:\\music\\a.mp3", u"?:\\*"));
  EXPECT_FALSE(like(u"\\\\server\\a.mp3", u"?:\\*"));
  EXPECT_TRUE(like(u"song.mp3", u"*.mp3"));
  EXPECT_FALSE(like(u"song.mp3.txt", u"*.mp3"));
  EXPECT_TRUE(like(u"2007 新歌", u"###*"));
  EXPECT_FALSE(like(u"20x7", u"###*"));
  EXPECT_TRUE(like(u"", u"*"));
  EXPECT_FALSE(like(u"", u"?"));
  EXPECT_TRUE(like(u"abcabd", u"*ab?"));  // needs backtracking
  EXPECT_TRUE(like(u"a*b", u"a*b"));
}

TEST(Like, IsCaseSensitiveAndTakesWholeCharacters) {
  EXPECT_FALSE(like(u"SONG.MP3", u"*.mp3"));
  EXPECT_TRUE(like(u"😀x", u"?x"));  // one character outside the BMP
}
