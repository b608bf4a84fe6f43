// Lyric files as they are found today: the corpus under corpus/ holds one
// real-looking file for each line-end, tag, encoding and script case, and
// broken files that must load or fail quietly.
#include "lyrics/loadword.h"

#include "base/apperror.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

using namespace lyrovo;

namespace {

using Lines = std::vector<std::pair<int, QString>>;  // (time, text) of lyric lines

const QString kCorpus = QStringLiteral(LYROVO_LRC_CORPUS "/");

int tenPerChar(const QString& text) { return int(text.size()) * 10; }

QByteArray corpusFile(const QString& name) {
  QFile file(kCorpus + name);
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
  return file.readAll();
}

LyricModel load(const QByteArray& bytes, LyricParseStatus expected = LyricParseStatus::Loaded,
                int textChange = 1) {
  LyricModel m;
  EXPECT_EQ(ParseLyric(bytes, QStringLiteral("A - T"), textChange, tenPerChar, 300000, m).status, expected);
  return m;
}

// Entries 2 up to the end entry.
Lines lyricLines(const LyricModel& m) {
  Lines lines;
  for (int k = 2; k < m.LyricEnd - 2; ++k) lines.emplace_back(m.time(k), m.LyricText[k]);
  return lines;
}

TEST(LrcFiles, EveryLineEndAndEncodingGivesTheSameModel) {
  const Lines expected{{12300, "月光洒在窗台上  "}, {16850, "我想起你的模样  "},
                       {21400, "风吹过旧街道  "},   {25950, "  "},  // a pause: nothing is lit
                       {27100, "那些话还没说完  "}, {31620, "夜空下的约定  "},
                       {36070, "一直在心上  "}};
  const LyricModel crlf = load(corpusFile("crlf.lrc"));
  EXPECT_EQ(lyricLines(crlf), expected);
  for (const char* name :
       {"lf.lrc", "cr.lrc", "mixed.lrc", "utf8_bom.lrc", "gbk.lrc", "utf16be.lrc", "utf16le.lrc"}) {
    const LyricModel m = load(corpusFile(name));
    EXPECT_EQ(m.LyricEnd, crlf.LyricEnd) << name;
    EXPECT_EQ(m.LyricText, crlf.LyricText) << name;
    EXPECT_EQ(m.LyricTime, crlf.LyricTime) << name;
  }
}

TEST(LrcFiles, EachTagFormReadOnItsOwn) {
  EXPECT_EQ(lyricLines(load(corpusFile("tag_forms.lrc"))), Lines({{0, "negative  "},
                                                                  {1000, "whole seconds  "},
                                                                  {2500, "tenths  "},
                                                                  {3250, "hundredths  "},
                                                                  {4125, "milliseconds  "},
                                                                  {5500, "colon hundredths  "},
                                                                  {6750, "hours  "},
                                                                  {754560, "past ten minutes  "},
                                                                  {7425670, "a live set  "}}));
}

TEST(LrcFiles, OffsetShiftsEveryLine) {
  // +500 shows the lyric earlier, -250 later.
  const Lines plus = lyricLines(load(corpusFile("offset_plus.lrc")));
  ASSERT_EQ(plus.size(), 6u);
  EXPECT_EQ(plus.front(), Lines::value_type(500, "one  "));
  EXPECT_EQ(plus.back(), Lines::value_type(5500, "six  "));
  const Lines minus = lyricLines(load(corpusFile("offset_minus.lrc")));
  EXPECT_EQ(minus.front(), Lines::value_type(1250, "one  "));
  EXPECT_EQ(minus.back(), Lines::value_type(6250, "six  "));
  // An offset larger than the first times stops at 0.
  const LyricModel early = load(
      "[offset:1500]\n[00:01.00]a\n[00:02.00]b\n[00:03.00]c\n[00:04.00]d\n"
      "[00:05.00]e\n[00:06.00]f\n");
  EXPECT_EQ(early.time(2), 0);
  EXPECT_EQ(early.time(3), 500);
}

TEST(LrcFiles, WordTagsAreNotShownButKeptAsWordTimes) {
  const LyricModel m = load(corpusFile("enhanced.lrc"));
  const Lines lines = lyricLines(m);
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0], Lines::value_type(10000, "Twinkle twinkle star  "));
  EXPECT_EQ(lines[1], Lines::value_type(15000, "How I wonder  "));
  EXPECT_EQ(lines[2], Lines::value_type(18000, "What you are  "));
  // Starts in the shown text, times after the line's start; the last mark ends the last word.
  EXPECT_EQ(m.LyricWords[2],
            (std::vector<LyricWord>{{0, 0}, {4, 400}, {8, 800}, {12, 1200}, {16, 2000}, {20, 4000}}));
  EXPECT_EQ(m.LyricWords[3], (std::vector<LyricWord>{{0, 0}, {4, 500}, {6, 1000}, {9, 1500}}));
  EXPECT_EQ(m.LyricWords[4], (std::vector<LyricWord>{{0, 0}, {5, 600}, {9, 1000}}));
  EXPECT_TRUE(m.LyricWords[5].empty());
  // The words go with their line through sorting and the offset.
  const LyricModel shifted =
      load("[offset:1000]\n" + corpusFile("enhanced.lrc") + "[00:01.50]<00:02.00>first\n");
  EXPECT_EQ(shifted.LyricText[2], "first  ");
  EXPECT_EQ(shifted.time(2), 500);
  EXPECT_EQ(shifted.LyricWords[2], (std::vector<LyricWord>{{0, 500}}));
  EXPECT_EQ(shifted.time(3), 9000);
  EXPECT_EQ(shifted.LyricWords[3], m.LyricWords[2]);
}

TEST(LrcFiles, JapaneseAndKoreanAreNotConverted) {
  const Lines japanese = lyricLines(load(corpusFile("japanese.lrc"), LyricParseStatus::Loaded, 1));
  ASSERT_EQ(japanese.size(), 6u);
  EXPECT_EQ(japanese[1].second, "僕は君を想う  ");    // not 仆
  EXPECT_EQ(japanese[2].second, "葉が揺れる道で  ");  // not 叶
  const LyricModel korean = load(corpusFile("korean.lrc"), LyricParseStatus::Loaded, 2);
  EXPECT_EQ(korean.LyricText[3], "愛 그리움이 쌓여  ");
  // Simplified in the file, traditional wanted: the Korean lyric keeps its characters.
  EXPECT_EQ(korean.LyricText[1], "A - T  ");
  LyricModel converted = korean;
  ConvertLyricScript(converted, 1, tenPerChar);
  EXPECT_EQ(converted.LyricText, korean.LyricText);
}

TEST(LrcFiles, Big5AndLatin1AreRecognised) {
  const Lines big5 = lyricLines(load(corpusFile("big5.lrc"), LyricParseStatus::Loaded, 2));
  ASSERT_EQ(big5.size(), 6u);
  EXPECT_EQ(big5[0], Lines::value_type(5000, "我們曾經在這裡  "));
  EXPECT_EQ(big5[5], Lines::value_type(27600, "輕輕對我說再見  "));
  const Lines latin1 = lyricLines(load(corpusFile("latin1.lrc")));
  ASSERT_EQ(latin1.size(), 6u);
  EXPECT_EQ(latin1[0].second, "Sous le soleil d'été  ");
  EXPECT_EQ(latin1[3].second, "et ton coeur près du mien  ");
}

// Every file of the corpus, and some generated extremes, loads or fails
// without a crash and in bounded time (the sanitizer build runs this too).
TEST(LrcFiles, EveryCorpusFileLoadsOrFailsQuietly) {
  std::vector<std::pair<QString, QByteArray>> files;
  for (const QString& name : QDir(kCorpus).entryList(QDir::Files)) files.emplace_back(name, corpusFile(name));
  ASSERT_GE(files.size(), 20u);
  QByteArray hundredThousand;
  for (int k = 0; k < 100000; ++k)
    hundredThousand +=
        QStringLiteral("[%1:%2.00]line %3\n").arg(k / 60).arg(k % 60, 2, 10, QChar(u'0')).arg(k).toUtf8();
  files.emplace_back("100000 lines", hundredThousand);
  files.emplace_back("100000 empty lines", QByteArray(100000, '\n') + "[00:01.00]x");
  files.emplace_back("one line of 5 MB of <", QByteArray(5 * 1024 * 1024, '<'));
  files.emplace_back("one line of [00:00.00 repeated",
                     "[00:01.00]" + QByteArray("[00:00.00").repeated(400000));
  files.emplace_back("word tags without end", "[00:01.00]" + QByteArray("<00:01.00>a<").repeated(300000));
  for (const auto& [name, bytes] : files) {
    QElapsedTimer clock;
    clock.start();
    for (int textChange : {1, 2}) {
      LyricModel m;
      LyricParseResult r;
      try {
        r = ParseLyric(bytes, QStringLiteral("A - T"), textChange, tenPerChar, 300000, m);
      } catch (const AppError&) {  // a text too wide to measure: LoadWord reports it
        r.status = LyricParseStatus::TooFewEntries;
      }
      EXPECT_LE(m.LyricEnd, LyricModel::kEntries + 1) << name.toStdString();
      if (name.startsWith(u"bad_")) continue;
      if (QFileInfo(name).suffix() == u"lrc") {
        EXPECT_TRUE(r.ok()) << name.toStdString();
      }
    }
    EXPECT_LT(clock.elapsed(), 5000) << name.toStdString();
  }
}

TEST(LrcFiles, BrokenFilesKeepWhatCanBeRead) {
  const LyricModel huge = load(corpusFile("bad_huge_numbers.lrc"), LyricParseStatus::TooFewEntries);
  // Every time and the offset are capped at the time of a free position, so all three end at 0.
  EXPECT_EQ(huge.LyricEnd, 5);
  for (int k = 2; k <= 4; ++k) EXPECT_EQ(huge.time(k), 0) << k;
  const LyricModel nul = load(corpusFile("bad_nul_bytes.lrc"));
  EXPECT_EQ(nul.LyricText[2], QString::fromUtf8("a\0b  ", 5));
  load(corpusFile("bad_many_tags.lrc"), LyricParseStatus::TooManyTags);
}

}  // namespace
