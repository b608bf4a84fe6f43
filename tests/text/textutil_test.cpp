#include "text/textutil.h"
#include "base/errorlog.h"

#include <gtest/gtest.h>

#include <limits>

using namespace lyrovo;

TEST(StringDeal, NormalisesTitles) {
  EXPECT_EQ(StringDeal(QStringLiteral("  01 Hello（Live） ")), QStringLiteral("hello"));
  EXPECT_EQ(StringDeal(QStringLiteral("[Album] Song_Name")), QStringLiteral("songname"));
  EXPECT_EQ(StringDeal(QStringLiteral("2007 新歌")), QStringLiteral("2007 新歌"));
  EXPECT_EQ(StringDeal(QStringLiteral("未知歌手")), QStringLiteral("未知歌手"));
  EXPECT_EQ(StringDeal(QStringLiteral("  未知 ARTIST ")),
            QStringLiteral("未知 artist"));  // only trimmed and lowered
}

TEST(StringDeal, Digits) {
  EXPECT_EQ(StringDeal(QStringLiteral("   ")), QString());
  EXPECT_EQ(StringDeal(QStringLiteral("123abc")), QStringLiteral("123abc"));
  EXPECT_EQ(StringDeal(QStringLiteral("12abc")), QStringLiteral("abc"));
  EXPECT_EQ(StringDeal(QStringLiteral("12")), QString());
}

TEST(StringDeal, BracketsAndPunctuation) {
  EXPECT_EQ(StringDeal(QStringLiteral("(live) song")), QStringLiteral("song"));
  EXPECT_EQ(StringDeal(QStringLiteral("song (live)")), QStringLiteral("song"));
  EXPECT_EQ(StringDeal(QStringLiteral("a)b(c")), QStringLiteral("a)b"));
  EXPECT_EQ(StringDeal(QStringLiteral("song (live")), QStringLiteral("song (live"));  // needs both brackets
  EXPECT_EQ(StringDeal(QStringLiteral("【MV】歌")), QStringLiteral("歌"));
  EXPECT_EQ(StringDeal(QStringLiteral("a－b－c")), QStringLiteral("a-b－c"));
  EXPECT_EQ(StringDeal(QStringLiteral("a，b，c")), QStringLiteral("a,b，c"));
  EXPECT_EQ(StringDeal(QStringLiteral("A:B")), QStringLiteral("a b"));
  EXPECT_EQ(StringDeal(QStringLiteral("a\\b/c*d?e\"f<g>h|i")), QStringLiteral("a b c d e f g h i"));
  EXPECT_EQ(StringDeal(QStringLiteral(".-song-.")), QStringLiteral("song"));
  EXPECT_EQ(StringDeal(QStringLiteral("..song")), QStringLiteral(".song"));  // each mark is dropped once
  EXPECT_EQ(StringDeal(QStringLiteral("歌。名＿x")), QStringLiteral("歌名x"));
}

TEST(StringDeal, TraditionalBecomesSimplifiedAndOnlyLatinIsLowered) {
  EXPECT_EQ(StringDeal(QStringLiteral("愛的歌")), QStringLiteral("爱的歌"));
  EXPECT_EQ(StringDeal(QStringLiteral("ΑΒΓ ABC")), QStringLiteral("ΑΒΓ abc"));
}

TEST(ScriptConversion, SentenceBothWaysKeepsLength) {
  const QString simplified = QStringLiteral("我们的爱情在这里开始，风吹过来。");
  const QString traditional = QStringLiteral("我們的愛情在這裡開始，風吹過來。");
  const QString toTraditional = GB2GBK(simplified);
  EXPECT_EQ(toTraditional.size(), simplified.size());
  EXPECT_EQ(toTraditional.left(7), traditional.left(7));
  EXPECT_EQ(GBK2GB(traditional), simplified);
  EXPECT_EQ(GB2GBK(QStringLiteral("abc 123 ♪")), QStringLiteral("abc 123 ♪"));  // nothing to map
  EXPECT_EQ(GBK2GB(QString()), QString());
}

TEST(FormatTime, MinutesAndSeconds) {
  EXPECT_EQ(FormatTime(0), QStringLiteral("00:00"));
  EXPECT_EQ(FormatTime(59), QStringLiteral("00:59"));
  EXPECT_EQ(FormatTime(61), QStringLiteral("01:01"));
  EXPECT_EQ(FormatTime(6000), QStringLiteral("100:00"));
  EXPECT_EQ(FormatTime(-5), QStringLiteral("00:-05"));
  EXPECT_EQ(FormatTime(-65), QStringLiteral("-01:-05"));
  EXPECT_EQ(FormatTime(std::numeric_limits<std::int32_t>::min()), QStringLiteral("-35791394:-08"));
}
