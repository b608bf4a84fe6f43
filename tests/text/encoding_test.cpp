#include "text/encoding.h"

#include <gtest/gtest.h>

using namespace lyrovo;

namespace {
const QString kChinese = QStringLiteral("月亮代表我的心 - 邓丽君");
}

TEST(DecodeText, Utf8AndGbkOfTheSameTextGiveTheSameString) {
  const QByteArray utf8 = kChinese.toUtf8();
  const QByteArray gbk = encodeGbk(kChinese);
  ASSERT_NE(utf8, gbk);
  EXPECT_FALSE(isValidUtf8(gbk));
  EXPECT_EQ(decodeText(utf8), kChinese);
  EXPECT_EQ(decodeText(gbk), kChinese);
  EXPECT_EQ(decodeText("\xEF\xBB\xBF" + utf8), kChinese);  // the mark is dropped
}

TEST(DecodeText, Utf16WithMarkAndPlainAscii) {
  QByteArray le("\xFF\xFE", 2);
  for (QChar c : QStringLiteral("歌词")) le.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
  EXPECT_EQ(decodeText(le), QStringLiteral("歌词"));
  EXPECT_EQ(decodeText("[00:01.00]hello"), QStringLiteral("[00:01.00]hello"));
  EXPECT_EQ(decodeText(QByteArray()), QString());
}

TEST(DecodeText, BytesThatAreNeitherUtf8NorGbkStillDecode) {
  const QByteArray junk("\xFF\xFF\x80\x00\xFE", 5);
  const QString text = decodeText(junk);
  EXPECT_FALSE(text.isEmpty());
}

TEST(EncodeGbk, KeepsAsciiAndUsesTwoBytesPerHanCharacter) {
  EXPECT_EQ(encodeGbk(QStringLiteral("abc")), QByteArray("abc"));
  EXPECT_EQ(encodeGbk(QStringLiteral("歌")).size(), 2);
  EXPECT_EQ(encodeUtf8(QStringLiteral("歌")).size(), 3);
}
