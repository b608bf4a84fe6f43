#include "playlist/playlist.h"
#include "base/apperror.h"
#include "playlist/playlistops.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <set>

using namespace lyrovo;

namespace {

PlaylistRow rowOf(const QString& path) {
  PlaylistRow row;
  row.path = path;
  return row;
}

// A list of n rows with paths "1".."n", numbered.
void fill(Playlist& list, int n) {
  std::vector<PlaylistRow> rows;
  for (int i = 1; i <= n; ++i) rows.push_back(rowOf(QString::number(i)));
  list.append(std::move(rows));
  RenumberRows(list, 1);
}

QStringList pathsOf(const Playlist& list) {
  QStringList paths;
  for (const PlaylistRow& row : list.rows()) paths << row.path;
  return paths;
}

int errorNumber(const std::function<void()>& action) {
  try {
    action();
  } catch (const AppError& error) {
    return error.number();
  }
  return 0;
}

}  // namespace

TEST(Playlist, InsertAndRemoveKeepTheSelectedItemOnItsRow) {
  Playlist list;
  for (const auto& [position, path] : {std::pair{1, "b"}, {1, "a"}, {3, "d"}, {3, "c"}})
    list.insert(position, rowOf(path));
  EXPECT_EQ(pathsOf(list), QStringList({"a", "b", "c", "d"}));

  list.setSelectedItem(3);
  list.insert(1, rowOf("0"));
  EXPECT_EQ(list.selectedItem(), 4);
  list.remove(2);
  EXPECT_EQ(list.selectedItem(), 3);
  list.remove(3);
  EXPECT_EQ(list.selectedItem(), 0);

  // Bad positions and a full list fail without touching the rows.
  EXPECT_EQ(errorNumber([&] { list.insert(0, rowOf("x")); }), errors::SubscriptOutOfRange);
  EXPECT_EQ(errorNumber([&] { list.insert(5, rowOf("x")); }), errors::SubscriptOutOfRange);
  EXPECT_EQ(errorNumber([&] { list.remove(4); }), errors::SubscriptOutOfRange);
  EXPECT_EQ(pathsOf(list), QStringList({"0", "b", "d"}));
  fill(list, Playlist::kMaxRows - 3);
  EXPECT_EQ(errorNumber([&] { list.insert(1, rowOf("x")); }), errors::Overflow);
  EXPECT_EQ(errorNumber([&] { list.append(std::vector<PlaylistRow>(1)); }), errors::Overflow);
  EXPECT_EQ(list.count(), Playlist::kMaxRows);
  EXPECT_EQ(list.row(1).path, "0");
}

TEST(RemoveRow, CurrentIndexFollowsTheRows) {
  struct Case {
    int rows, current, removed, expected;
  };
  for (const Case c : {Case{1, 1, 1, 0}, Case{5, 4, 2, 3}, Case{5, 4, 4, 3}, Case{5, 4, 5, 4},
                       Case{3, 1, 1, 1}, Case{3, 0, 2, 1}}) {
    Playlist list;
    fill(list, c.rows);
    std::int16_t current = std::int16_t(c.current);
    RemoveRow(list, current, c.removed);
    EXPECT_EQ(current, c.expected) << c.rows << " rows, current " << c.current << ", removed " << c.removed;
    EXPECT_EQ(list.count(), c.rows - 1);
  }
}

TEST(RenumberRows, NumbersFromTheGivenRowOn) {
  Playlist list;
  fill(list, 4);
  for (int i = 1; i <= 4; ++i) list.row(i).numberText = "9.";
  RenumberRows(list, 3);
  EXPECT_EQ(list.row(2).numberText, "9.");
  EXPECT_EQ(list.row(3).numberText, "3.");
  EXPECT_EQ(list.row(4).numberText, "4.");
}

TEST(MarkCurrentRow, SelectsAndColoursTheCurrentRowAndEnablesTheButtons) {
  struct Case {
    int rows, current;
    bool previous, next;
  };
  for (const Case c :
       {Case{3, 3, true, false}, Case{3, 1, false, true}, Case{3, 2, true, true}, Case{3, 0, true, true},
        Case{3, 7, true, true}, Case{1, 1, false, false}, Case{0, 0, false, false}}) {
    Playlist list;
    fill(list, c.rows);
    for (int i = 1; i <= c.rows; ++i) list.row(i).selected = list.row(i).current = true;
    const TransportEnables enables = MarkCurrentRow(list, std::int16_t(c.current));
    EXPECT_EQ(enables.previous, c.previous) << c.rows << "/" << c.current;
    EXPECT_EQ(enables.next, c.next) << c.rows << "/" << c.current;
    EXPECT_EQ(enables.listEmpty, c.rows == 0);
    for (int i = 1; i <= c.rows; ++i) {
      EXPECT_EQ(list.row(i).selected, i == c.current);
      EXPECT_EQ(list.row(i).current, i == c.current);
    }
    if (c.current >= 1 && c.current <= c.rows) {
      EXPECT_EQ(list.selectedItem(), c.current);
    }
  }
}

TEST(FileExists, OnlyVisibleRegularFiles) {
  QTemporaryDir dir;
  for (const char* name : {"song.mp3", ".hidden.mp3"}) QFile(dir.filePath(name)).open(QIODevice::WriteOnly);
  QDir(dir.path()).mkdir("folder.mp3");
  QFile::link(dir.filePath("song.mp3"), dir.filePath("link.mp3"));
  QFile::link(dir.filePath("gone.mp3"), dir.filePath("dangling.mp3"));

  EXPECT_TRUE(FileExists(dir.filePath("song.mp3")));
  EXPECT_TRUE(FileExists(dir.filePath("link.mp3")));
  for (const char* absent : {".hidden.mp3", "folder.mp3", "dangling.mp3", "gone.mp3"})
    EXPECT_FALSE(FileExists(dir.filePath(absent))) << absent;
  EXPECT_FALSE(FileExists(QString()));
  EXPECT_FALSE(FileExists(dir.filePath(QString(5000, u'x'))));  // longer than a file name can be
}

TEST(RandomPick, EachRowOncePerCycleWhenTheCallerMarks) {
  for (unsigned seed : {1u, 2u, 42u, 2024u}) {
    std::mt19937 random(seed);
    Playlist list;
    fill(list, 3);
    for (int cycle = 0; cycle < 4; ++cycle) {
      std::set<int> picked;
      for (int i = 0; i < 3; ++i) {
        const int pick = RandomPick(list, random);
        ASSERT_TRUE(pick >= 1 && pick <= 3);
        picked.insert(pick);
        list.row(pick).played = true;
      }
      EXPECT_EQ(picked.size(), 3u) << "seed " << seed << ", cycle " << cycle;
    }
  }

  std::mt19937 random(7);
  Playlist list;
  EXPECT_EQ(RandomPick(list, random), 0);
  fill(list, 1);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(RandomPick(list, random), 1);
    list.row(1).played = true;
  }
}

TEST(ListColumnWidths, NumberColumnFitsItsTextTheRestIsShared) {
  QStringList measured;
  const TextWidth sevenPerChar = [&](const QString& text) {
    measured << text;
    return int(text.size()) * 7;
  };
  const ListColumnWidths skin = SkinListColumnWidths(sevenPerChar, 500);  // "1234.  " and "00:00    "
  EXPECT_EQ(skin.number, 49);
  EXPECT_EQ(skin.length, 63);
  EXPECT_EQ(skin.title, 194);  // (500 - 49 - 63) / 2
  EXPECT_EQ(skin.artist, 191);

  measured.clear();
  const ListColumnWidths refreshed = RefreshListColumnWidths(sevenPerChar, 501, 100, skin.length);
  EXPECT_EQ(measured, QStringList({"100.  "}));
  EXPECT_EQ(refreshed.number, 42);
  EXPECT_EQ(refreshed.length, 63);
  EXPECT_EQ(refreshed.title, 198);  // (501 - 42 - 63) / 2, rounded down
  EXPECT_EQ(refreshed.artist, 195);

  const ListColumnWidths narrow = SkinListColumnWidths(sevenPerChar, 100);
  EXPECT_EQ(narrow.title + narrow.artist, 0);
}
