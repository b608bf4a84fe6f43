#include "playlist/mediainfo.h"

#include "base/apperror.h"
#include "base/playerstate.h"
#include "base/scriptedprompts.h"
#include "engine/bp.h"
#include "playlist/playlistops.h"
#include "support/audiofixtures.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace lyrovo;

namespace {

QByteArray readBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

PlaylistRow rowOf(const QString& path) {
  PlaylistRow row;
  row.path = path;
  return row;
}

}  // namespace

TEST(MediaInfo, GenreTextByFileType) {
  EXPECT_EQ(GenreText(QStringLiteral("mp3"), QStringLiteral("0")), QStringLiteral("Blues"));
  EXPECT_EQ(GenreText(QStringLiteral("mp3"), QStringLiteral("12")), QStringLiteral("Other"));
  EXPECT_EQ(GenreText(QStringLiteral("mp3"), QStringLiteral("147")), QStringLiteral("Synth Pop"));
  EXPECT_EQ(GenreText(QStringLiteral("mp3"), QStringLiteral("148")), QStringLiteral("未知流派"));
  EXPECT_EQ(GenreText(QStringLiteral("mp3"), QStringLiteral("255")), QStringLiteral("未知流派"));
  EXPECT_EQ(GenreText(QStringLiteral("mp3"), QString()), QString());  // no ID3v1 tag
  EXPECT_EQ(GenreText(QStringLiteral("ogg"), QStringLiteral("12")), QStringLiteral("12"));
  EXPECT_EQ(GenreText(QStringLiteral("wma"), QStringLiteral("Jazz")), QStringLiteral("Jazz"));
}

TEST(MediaInfo, SteppingBackOverAMissingFileRemovesItAndFollowsTheShift) {
  QTemporaryDir dir;
  const QString present = dir.filePath(QStringLiteral("present.mp3"));
  QFile(lyrovo::testing::fixture(QStringLiteral("tone1k.mp3"))).copy(present);
  Playlist list;
  for (const QString& path : {present, dir.filePath(QStringLiteral("gone.mp3")), present})
    list.insert(list.count() + 1, rowOf(path));
  RenumberRows(list, 1);
  std::int16_t current = 3;

  const StepResult back = StepMediaInfo(list, current, 3, 2);
  EXPECT_TRUE(back.removed);
  EXPECT_EQ(back.missingPath, dir.filePath(QStringLiteral("gone.mp3")));
  EXPECT_EQ(back.index, 2);  // the row shown moved up
  EXPECT_EQ(list.count(), 2);
  EXPECT_EQ(list.row(2).numberText, QStringLiteral("2."));
  EXPECT_EQ(current, 2);

  const StepResult again = StepMediaInfo(list, current, 2, 1);
  EXPECT_FALSE(again.removed);
  EXPECT_EQ(again.index, 1);
  EXPECT_EQ(list.count(), 2);
}

TEST(MediaInfo, SavingATaglessMp3WithABlankTrackAppendsATagWithoutGenre) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("plain.mp3"));
  ASSERT_TRUE(QFile(lyrovo::testing::fixture(QStringLiteral("tone1k.mp3"))).copy(path));
  QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
  const QByteArray audio = readBytes(path);
  ScriptedPrompts prompts;
  TagFields tags;
  BP engine{prompts, tags};
  Playlist list;
  AddList(list, engine, tags, path, 1);
  PlayerState player;

  const MediaInfo info = ReadMediaInfo(engine, tags, list, 1);
  EXPECT_EQ(info.genre, QString());
  EXPECT_EQ(info.genreNumber, 255);
  MediaInfoEdits edits{QStringLiteral(" "), QStringLiteral(" Title "), QStringLiteral("Artist"), {}, {}, {}};
  SaveMediaInfo(list, player, engine, 1, edits, info.genreNumber);
  EXPECT_EQ(edits.title, QStringLiteral("Title"));
  EXPECT_EQ(list.row(1).title, QStringLiteral("Title"));
  EXPECT_TRUE(player.SongTitle.isEmpty());  // not the current row

  const QByteArray after = readBytes(path);
  ASSERT_EQ(after.size(), audio.size() + 128);
  EXPECT_EQ(after.left(audio.size()), audio);
  EXPECT_EQ(after.at(after.size() - 2), '\0');          // track 0
  EXPECT_EQ(quint8(after.at(after.size() - 1)), 255u);  // genre: none
}
