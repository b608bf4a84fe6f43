#include "lyrics/lyricadjust.h"

#include "base/apperror.h"
#include "lyrics/loadword.h"
#include "text/encoding.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace lyrovo;

namespace {

int tenPerChar(const QString& text) { return int(text.size()) * 10; }

QByteArray readAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeAll(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(bytes);
}

LyricModel loadFile(const QString& path) {
  LyricModel model;
  const LyricParseResult result =
      ParseLyric(readAll(path), QStringLiteral("歌手 - 歌名"), 1, tenPerChar, 200000, model);
  EXPECT_TRUE(result.ok());
  model.SourceFile = path;
  return model;
}

}  // namespace

TEST(LyricWheel, ThreeNotchesForwardAndTwoBackLeaveOneSecondLater) {
  LyricModel model;
  model.LyricEnd = 4;
  model.LyricTime[0] = 500;
  model.LyricTime[1] = 1000;
  model.LyricTime[2] = 65490;
  WheelNotches wheel;
  for (int delta : {120, 120, 120, -120, -120}) ShiftLyric(model, wheel.add(delta));
  EXPECT_EQ(model.time(1), 1500);
  EXPECT_EQ(model.time(2), 2000);
  EXPECT_EQ(model.time(3), 66490);
  EXPECT_EQ(model.time(4), LyricModel::kFreeTime + 1000);  // the first free position moves along
  EXPECT_EQ(model.time(5), LyricModel::kFreeTime);

  // A touchpad's small deltas add up to whole notches, in both directions.
  EXPECT_EQ(wheel.add(30), 0);
  EXPECT_EQ(wheel.add(30), 0);
  EXPECT_EQ(wheel.add(30), 0);
  EXPECT_EQ(wheel.add(30), 1);
  EXPECT_EQ(wheel.add(-90), 0);
  EXPECT_EQ(wheel.add(-40), -1);
  EXPECT_EQ(wheel.add(250), 2);

  // A storm of a thousand notches back leaves every time in range.
  for (int i = 0; i < 1000; ++i) ShiftLyric(model, wheel.add(-120));
  EXPECT_EQ(model.time(2), 2000 - 400 * 1000);
}

TEST(LyricWriteBack, TimeTags) {
  EXPECT_EQ(LyricTimeTag(65490), "[01:05.49]");
  EXPECT_EQ(LyricTimeTag(125000), "[02:05.00]");
  EXPECT_EQ(LyricTimeTag(7000), "[00:07.00]");
  EXPECT_EQ(LyricTimeTag(59995), "[01:00.00]");  // rounding carries into the minutes
  EXPECT_EQ(LyricTimeTag(-400), "[00:00.00]");
  EXPECT_EQ(LyricTimeTag(6000000), "[100:00.00]");
}

TEST(LyricWriteBack, GbkFileStaysGbkKeepsItsOtherLinesAndReloadsAsShown) {
  QTemporaryDir dir;
  const QString path = dir.path() + "/歌手 - 歌名.lrc";
  const QStringList original{
      "[ti:歌名]",        "[ar:歌手]",        "[offset:+500]",
      "[00:07.50]第一行", "[01:05.99]第二行", "[01:50.50]第三行",
      "[02:10.50]第四行", "[02:20.50]第五行", "[02:30.50]<02:30.50>第<02:31.00>六行<02:32.00>",
      "制作：某人"};
  writeAll(path, encodeGbk(original.join("\r\n") + "\r\n"));
  LyricModel model = loadFile(path);
  ShiftLyric(model, -1);  // 400 ms earlier, after the offset's 500
  WriteBackLyric(model);

  const QStringList expected{"[ti:歌名]",        "[ar:歌手]",
                             "[00:06.60]第一行", "[01:05.09]第二行",
                             "[01:49.60]第三行", "[02:09.60]第四行",
                             "[02:19.60]第五行", "[02:29.60]<02:29.60>第<02:30.10>六行<02:31.10>",
                             "制作：某人"};
  const QByteArray written = readAll(path);
  EXPECT_FALSE(isValidUtf8(written));
  EXPECT_EQ(written, encodeGbk(expected.join("\r\n") + "\r\n"));

  const LyricModel reloaded = loadFile(path);
  for (int k = 2; k < model.LyricEnd - 2; ++k) {
    EXPECT_EQ(reloaded.time(k), model.time(k)) << k;
    EXPECT_EQ(reloaded.LyricText[k], model.LyricText[k]) << k;
    EXPECT_EQ(reloaded.LyricWords[k], model.LyricWords[k]) << k;
  }
}

TEST(LyricWriteBack, Utf8WithLfStaysSoAndTimesBelowZeroBecomeZero) {
  QTemporaryDir dir;
  const QString path = dir.path() + "/a.lrc";
  writeAll(path,
           "\xEF\xBB\xBF[00:00.20]one\n[00:01.00]two\n[00:02.00]three\n[00:03.00]four\n[00:04.00]five\n"
           "[00:05.00]six\n");
  LyricModel model = loadFile(path);
  ShiftLyric(model, -2);
  WriteBackLyric(model);
  EXPECT_EQ(readAll(path),
            "\xEF\xBB\xBF[00:00.00]one\n[00:00.20]two\n[00:01.20]three\n[00:02.20]four\n"
            "[00:03.20]five\n[00:04.20]six\n");
}

TEST(LyricWriteBack, ReadOnlyOrMissingSourceIsLeftAlone) {
  QTemporaryDir dir;
  const QString path = dir.path() + "/a.lrc";
  const QByteArray bytes =
      "[00:01.00]1\r\n[00:02.00]2\r\n[00:03.00]3\r\n[00:04.00]4\r\n[00:05.00]5\r\n[00:06.00]6\r\n";
  writeAll(path, bytes);
  LyricModel model = loadFile(path);
  ShiftLyric(model, 1);
  ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
  EXPECT_THROW(WriteBackLyric(model), AppError);
  EXPECT_EQ(readAll(path), bytes);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"a.lrc"});  // no temporary file left

  model.SourceFile.clear();  // a lyric from the song's tags or the web without a kept copy
  EXPECT_THROW(WriteBackLyric(model), AppError);
}
