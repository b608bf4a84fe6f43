#include "base/apperror.h"
#include "base/scriptedprompts.h"
#include "engine/bp.h"
#include "playlist/playlistops.h"
#include "support/audiofixtures.h"

#include <gtest/gtest.h>

using namespace lyrovo;
using lyrovo::testing::fixture;

namespace {

class AddListTest : public ::testing::Test {
 protected:
  ScriptedPrompts prompts;
  TagFields tags;
  BP engine{prompts, tags};
  Playlist list;
};

}  // namespace

TEST_F(AddListTest, RowsFromTheFilesTagsAtTheGivenPosition) {
  AddList(list, engine, tags, fixture("id3v1.mp3"), 1);
  AddList(list, engine, tags, fixture("tone1k.wav"), 1);
  ASSERT_EQ(list.count(), 2);

  const PlaylistRow& wav = list.row(1);
  EXPECT_EQ(wav.numberText, "1.");
  EXPECT_EQ(wav.path, fixture("tone1k.wav"));
  EXPECT_EQ(wav.title, "tone1k");  // no tag: the file name
  EXPECT_EQ(wav.artist, "未知歌手");
  EXPECT_EQ(wav.lengthText, "00:02");
  EXPECT_TRUE(wav.selected);
  EXPECT_FALSE(wav.current);

  const PlaylistRow& mp3 = list.row(2);
  EXPECT_EQ(mp3.numberText, "1.");  // numbers wait for the caller's renumbering
  EXPECT_EQ(mp3.title, "moon song");
  EXPECT_EQ(mp3.artist, "singer");
  EXPECT_EQ(mp3.lengthText, "00:02");
  EXPECT_TRUE(mp3.selected);  // earlier rows keep their selection

  // A file that cannot be opened still becomes a row.
  AddList(list, engine, tags, fixture("random.mp3"), 3);
  EXPECT_EQ(list.row(3).path, fixture("random.mp3"));
  EXPECT_EQ(list.row(3).numberText, "3.");
}

TEST_F(AddListTest, AFullListThrowsAndStaysUsable) {
  list.append(std::vector<PlaylistRow>(Playlist::kMaxRows));
  int number = 0;
  try {
    AddList(list, engine, tags, fixture("tone1k.mp3"), Playlist::kMaxRows + 1);
  } catch (const AppError& error) {
    number = error.number();
  }
  EXPECT_EQ(number, errors::Overflow);
  EXPECT_EQ(list.count(), Playlist::kMaxRows);
  EXPECT_TRUE(list.row(Playlist::kMaxRows).path.isEmpty());
  ASSERT_NE(engine.hInfoStream, 0u);
  EXPECT_FALSE(engine.backend().channelInfo(engine.hInfoStream));  // the stream was closed

  std::int16_t current = 1;
  RemoveRow(list, current, 1);
  AddList(list, engine, tags, fixture("id3v1.mp3"), 1);
  EXPECT_EQ(list.row(1).title, "moon song");
}
