#include "playlist/playlistcommands.h"

#include "base/apperror.h"
#include "base/scriptedprompts.h"
#include "engine/bp.h"
#include "engine/tags.h"
#include "playlist/playlistops.h"
#include "settings/shellintegration.h"
#include "support/audiofixtures.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

using namespace lyrovo;
using lyrovo::testing::fixture;

namespace {

// A music folder in a temporary folder with one real file per row.
class CommandsTest : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  Playlist list;
  std::int16_t current = 0;
  ScriptedPrompts prompts;
  TagFields tags;
  BP engine{prompts, tags};  // never started: only the playing file's rename uses it

  QString music(const QString& name) const { return dir.path() + QStringLiteral("/music/") + name; }

  void touch(const QString& path, const QByteArray& bytes = "data") const {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
  }

  // Rows 1..n for the files "1.mp3".."n.mp3", titled "t1".., all made on disk.
  void fill(int rows) {
    for (int i = 1; i <= rows; ++i) add(music(QStringLiteral("%1.mp3").arg(i)), QStringLiteral("t%1").arg(i));
  }
  void add(const QString& path, const QString& title = QString(), const QString& artist = QString(),
           bool makeFile = true) {
    if (makeFile && !QFileInfo::exists(path)) touch(path);
    PlaylistRow row;
    row.numberText = QString::number(list.count() + 1) + u'.';
    row.path = path;
    row.title = title;
    row.artist = artist;
    list.insert(list.count() + 1, row);
  }
  void select(std::initializer_list<int> rows) {
    for (int r : rows) list.row(r).selected = true;
  }
  QStringList titles() const {
    QStringList out;
    for (const PlaylistRow& row : list.rows()) out << row.title;
    return out;
  }
  QStringList numbers() const {
    QStringList out;
    for (const PlaylistRow& row : list.rows()) out << row.numberText;
    return out;
  }
  QStringList messages() const {
    QStringList out;
    for (const auto& call : prompts.callsOf(QStringLiteral("message"))) out << call.text;
    return out;
  }
};

}  // namespace

TEST_F(CommandsTest, DeleteSelectedMovesCurrentWithItsRowAndRenumbers) {
  fill(6);
  current = 5;
  select({2, 3});
  EXPECT_EQ(DeleteSelected(list, current), 2);
  EXPECT_EQ(titles(), QStringList({"t1", "t4", "t5", "t6"}));
  EXPECT_EQ(numbers(), QStringList({"1.", "2.", "3.", "4."}));
  EXPECT_EQ(current, 3);

  // Deleting the current first row makes the new first row current.
  Playlist& rows = list;
  for (int i = 1; i <= rows.count(); ++i) rows.row(i).selected = false;
  DeleteAll(list, current);
  fill(3);
  current = 1;
  select({1});
  DeleteSelected(list, current);
  EXPECT_EQ(titles(), QStringList({"t2", "t3"}));
  EXPECT_EQ(current, 1);
  EXPECT_EQ(DeleteAll(list, current), 2);
  EXPECT_EQ(current, 0);
  EXPECT_EQ(DeleteSelected(list, current), 0);
}

TEST_F(CommandsTest, DuplicatesKeepTheFirstOccurrenceAndCompareCase) {
  add(music("A.mp3"), "A1");
  add(music("B.mp3"), "B1");
  add(music("A.mp3"), "A2");
  add(music("C.mp3"), "C1");
  add(music("B.mp3"), "B2");
  add(music("a.mp3"), "a1");
  current = 5;  // the second B goes: the row before it becomes current
  EXPECT_EQ(DeleteDuplicates(list, current), 2);
  EXPECT_EQ(titles(), QStringList({"A1", "B1", "C1", "a1"}));
  EXPECT_EQ(numbers(), QStringList({"1.", "2.", "3.", "4."}));
  EXPECT_EQ(current, 3);
}

TEST_F(CommandsTest, DeleteMissingSparesNetworkPathsAndKeepsExistingFiles) {
  fill(2);
  add(music("gone.mp3"), "gone", QString(), false);
  add(QStringLiteral("smb://server/share/gone.mp3"), "smb", QString(), false);
  add(QStringLiteral("//server/share/gone.mp3"), "unc", QString(), false);
  touch(music("hidden/.x"));
  add(music("hidden"), "folder", QString(), false);  // a folder is no file
  current = 4;
  EXPECT_EQ(DeleteMissing(list, current), 2);
  EXPECT_EQ(titles(), QStringList({"t1", "t2", "smb", "unc"}));
  EXPECT_EQ(current, 3);
}

TEST_F(CommandsTest, DragMovesTheRowAndCurrentIndexFollows) {
  fill(8);
  current = 4;
  EXPECT_EQ(MoveRow(list, current, 1, 5), 4);
  EXPECT_EQ(titles(), QStringList({"t2", "t3", "t4", "t1", "t5", "t6", "t7", "t8"}));
  EXPECT_EQ(numbers().first(), "1.");
  EXPECT_EQ(numbers().last(), "8.");
  EXPECT_EQ(current, 3);
  EXPECT_TRUE(list.row(4).selected);
  EXPECT_EQ(list.selectedItem(), 4);

  DeleteAll(list, current);
  fill(6);
  current = 3;
  EXPECT_EQ(MoveRow(list, current, 6, 2), 2);
  EXPECT_EQ(titles(), QStringList({"t1", "t6", "t2", "t3", "t4", "t5"}));
  EXPECT_EQ(current, 4);

  // The current row itself moves and stays current; below the last row appends.
  EXPECT_EQ(MoveRow(list, current, 4, 7), 6);
  EXPECT_EQ(current, 6);
  EXPECT_TRUE(list.row(6).current);
  EXPECT_EQ(titles().last(), "t3");
}

TEST_F(CommandsTest, DropsThatChangeNothing) {
  fill(4);
  current = 2;
  const QStringList before = titles();
  EXPECT_EQ(MoveRow(list, current, 2, 3), 0);  // onto the next row
  EXPECT_EQ(MoveRow(list, current, 2, 2), 0);  // onto itself
  EXPECT_EQ(MoveRow(list, current, 4, 5), 0);  // the last row below itself
  EXPECT_EQ(MoveRow(list, current, 0, 2), 0);
  EXPECT_EQ(MoveRow(list, current, 1, 9), 0);
  EXPECT_EQ(titles(), before);
  EXPECT_EQ(current, 2);
}

TEST_F(CommandsTest, SortTogglesTheOrderOnlyForTheCheckedEntry) {
  add(music("1.mp3"), "b", "Y");
  add(music("2.mp3"), "C", "x");
  add(music("3.mp3"), "a", "Z");
  add(music("4.mp3"), "张", "W");
  add(music("5.mp3"), "阿", "V");
  current = 2;  // "C"
  SortState state;
  // Chinese titles come first, by pinyin; letters without regard to case.
  SortRows(list, current, state, SortState::ByTitle);
  EXPECT_EQ(titles(), QStringList({"阿", "张", "a", "b", "C"}));
  EXPECT_EQ(current, 5);
  EXPECT_EQ(numbers(), QStringList({"1.", "2.", "3.", "4.", "5."}));
  SortRows(list, current, state, SortState::ByTitle);
  EXPECT_EQ(titles(), QStringList({"C", "b", "a", "张", "阿"}));
  EXPECT_TRUE(state.descending);
  SortRows(list, current, state, SortState::ByArtist);  // another entry keeps the order
  EXPECT_TRUE(state.descending);
  EXPECT_EQ(state.checked, SortState::ByArtist);
  EXPECT_EQ(titles(), QStringList({"a", "b", "C", "张", "阿"}));  // Z, Y, x, W, V
  EXPECT_EQ(list.row(current).title, "C");

  std::mt19937 random(42);
  ShuffleRows(list, current, state, random);
  EXPECT_EQ(state.checked, SortState::Random);
  EXPECT_FALSE(state.descending);
  EXPECT_EQ(list.row(current).title, "C");
  QStringList shuffled = titles();
  shuffled.sort();
  EXPECT_EQ(shuffled, QStringList({"C", "a", "b", "张", "阿"}));
}

TEST_F(CommandsTest, LengthSortsAsTextAndEqualTextsKeepTheirOrder) {
  for (const char* length : {"10:00", "03:07", "03:07", "125:00", "00:59"}) {
    add(music(QStringLiteral("%1.mp3").arg(list.count())), QString::number(list.count()));
    list.row(list.count()).lengthText = QString::fromLatin1(length);
  }
  SortState state;
  SortRows(list, current, state, SortState::ByLength);
  EXPECT_EQ(titles(), QStringList({"4", "1", "2", "0", "3"}));
}

TEST_F(CommandsTest, DeleteFilesGoesToTheTrashAndSparesThePlayingFile) {
  // The trash of this user lives under XDG_DATA_HOME, here inside the test folder.
  const QByteArray oldData = qgetenv("XDG_DATA_HOME");
  qputenv("XDG_DATA_HOME", (dir.path() + QStringLiteral("/data")).toUtf8());
  fill(4);
  add(music("already-gone.mp3"), "gone", QString(), false);
  current = 2;
  select({1, 2, 3, 5});
  EXPECT_EQ(DeleteSelectedFiles(list, current, prompts), 3);
  // A second file of the same name gets a name of its own in the trash.
  touch(music("again/1.mp3"), "again");
  EXPECT_TRUE(MoveToTrash(music("again/1.mp3")));
  qputenv("XDG_DATA_HOME", oldData);

  EXPECT_EQ(messages(), QStringList({"文件正在被播放，不能删除！"}));
  EXPECT_EQ(prompts.calls[0].title, "Lyrovo - 物理删除");
  EXPECT_EQ(titles(), QStringList({"t2", "t4"}));
  EXPECT_EQ(current, 1);
  EXPECT_TRUE(QFileInfo::exists(music("2.mp3")));
  EXPECT_FALSE(QFileInfo::exists(music("1.mp3")));
  EXPECT_FALSE(QFileInfo::exists(music("3.mp3")));
  const QString trash = dir.path() + QStringLiteral("/data/Trash/");
  QFile kept(trash + QStringLiteral("files/1.mp3"));
  ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
  EXPECT_EQ(kept.readAll(), "data");
  QFile info(trash + QStringLiteral("info/1.mp3.trashinfo"));
  ASSERT_TRUE(info.open(QIODevice::ReadOnly));
  const QList<QByteArray> lines = info.readAll().split('\n');
  ASSERT_GE(lines.size(), 3);
  EXPECT_EQ(lines[0], "[Trash Info]");
  EXPECT_EQ(lines[1], "Path=" + QUrl::toPercentEncoding(music("1.mp3"), "/"));
  EXPECT_TRUE(lines[2].startsWith("DeletionDate=20")) << lines[2].toStdString();
  EXPECT_TRUE(QFileInfo::exists(trash + QStringLiteral("files/3.mp3")));
  QFile second(trash + QStringLiteral("files/1 (2).mp3"));
  ASSERT_TRUE(second.open(QIODevice::ReadOnly));
  EXPECT_EQ(second.readAll(), "again");
  EXPECT_TRUE(QFileInfo::exists(trash + QStringLiteral("info/1 (2).mp3.trashinfo")));
}

TEST_F(CommandsTest, AFileThatCannotBeTrashedEndsTheCommandWithRowsSoFarRemoved) {
  fill(3);
  select({1, 2, 3});
  int calls = 0;
  const auto refuseSecond = [&](const QString& path) { return ++calls == 1 && QFile::remove(path); };
  EXPECT_THROW(DeleteSelectedFiles(list, current, prompts, refuseSecond), AppError);
  EXPECT_EQ(titles(), QStringList({"t2", "t3"}));
  EXPECT_TRUE(QFileInfo::exists(music("2.mp3")));
}

TEST_F(CommandsTest, RenameByTagsNeverOverwrites) {
  add(music("01.mp3"), "Y", "X");
  list.row(1).selected = true;
  RenameFiles(list, current, 2, engine, prompts);
  EXPECT_EQ(list.row(1).path, music("X - Y.mp3"));
  EXPECT_TRUE(QFileInfo::exists(music("X - Y.mp3")));
  EXPECT_FALSE(QFileInfo::exists(music("01.mp3")));
  EXPECT_TRUE(messages().isEmpty());

  // Again: the file already has that name.
  RenameFiles(list, current, 2, engine, prompts);
  EXPECT_EQ(messages(), QStringList({QStringLiteral("文件 ") + music("X - Y.mp3") +
                                     QStringLiteral(" 已存在，不能重命名！")}));
  EXPECT_EQ(prompts.calls[0].title, "Lyrovo - 重命名提示");

  // Onto another file's name: both files keep their contents.
  add(music("02.mp3"), "Y", "X");
  touch(music("02.mp3"), "second");
  list.row(1).selected = false;
  list.row(2).selected = true;
  RenameFiles(list, current, 2, engine, prompts);
  EXPECT_EQ(list.row(2).path, music("02.mp3"));
  QFile first(music("X - Y.mp3"));
  ASSERT_TRUE(first.open(QIODevice::ReadOnly));
  EXPECT_EQ(first.readAll(), "data");
  EXPECT_EQ(messages().size(), 2);
}

TEST_F(CommandsTest, RenameNamesSafelyAndOffersToDropMissingRows) {
  add(music("a.b/song"), "AC/DC: Live?", "");  // a dot in the folder is no extension
  add(music("gone.mp3"), "g", "h", false);
  add(music("3.ogg"), "", "");  // nothing to name it by
  select({1, 2, 3});
  prompts.answers = {Prompts::Answer::Yes};
  RenameFiles(list, current, 1, engine, prompts);
  EXPECT_EQ(list.count(), 2);
  EXPECT_EQ(list.row(1).path, music("a.b/AC／DC： Live？"));
  EXPECT_TRUE(QFileInfo::exists(list.row(1).path));
  EXPECT_EQ(list.row(2).path, music("3.ogg"));
  EXPECT_EQ(list.row(2).numberText, "2.");
  ASSERT_EQ(messages().size(), 1);
  EXPECT_EQ(messages()[0], QStringLiteral("文件 ") + music("gone.mp3") +
                               QStringLiteral(" 地址已被移动或文件不存在，无法读取，是否删除该项目？"));
}

TEST_F(CommandsTest, RenamingThePlayingFileContinuesFromTheSamePosition) {
  QString filter = QStringLiteral("|Wave (*.wav)|*.wav"), types = QStringLiteral("*.wav");
  engine.aInit(-1, 44100, dir.path(), filter, types);
  const QString song = music("01.wav");
  QDir().mkpath(music(QString()));
  ASSERT_TRUE(QFile::copy(fixture("tone1k.wav"), song));
  add(song, "Tone", "Gen");
  select({1});
  current = 1;
  engine.aOpen(song);
  engine.aPlay();
  engine.setAPosByte(200000);
  RenameFiles(list, current, 3, engine, prompts);
  EXPECT_EQ(list.row(1).path, music("Tone - Gen.wav"));
  EXPECT_EQ(engine.Tag.isEmpty() ? engine.aFileName().toLower() : engine.Tag,
            music("Tone - Gen.wav").toLower());
  EXPECT_GE(engine.aPosByte(), 200000);
  EXPECT_LT(engine.aPosByte(), 200000 + 88200 * 4 / 2);
  EXPECT_TRUE(engine.aIsActive());
  engine.aTerminate();
}

TEST_F(CommandsTest, CopyToFolderKeepsExistingFilesAndRemembersTheFolder) {
  fill(2);
  add(music("gone.mp3"), "gone", QString(), false);
  const QString target = dir.path() + QStringLiteral("/copies");
  QDir().mkpath(target);
  touch(target + QStringLiteral("/2.mp3"), "older");
  select({1, 2, 3});
  QString sendFolder = dir.path();
  prompts.folders = {target};
  prompts.answers = {Prompts::Answer::Ok, Prompts::Answer::Yes};
  EXPECT_TRUE(CopyFilesToFolder(list, current, sendFolder, prompts));
  EXPECT_EQ(sendFolder, target + u'/');
  EXPECT_EQ(prompts.callsOf("chooseFolder")[0].text, dir.path());
  EXPECT_EQ(messages(), QStringList({"已存在同名文件，无法复制！", "文件不存在,是否删除该列表项？"}));
  EXPECT_TRUE(QFileInfo::exists(target + QStringLiteral("/1.mp3")));
  QFile older(target + QStringLiteral("/2.mp3"));
  ASSERT_TRUE(older.open(QIODevice::ReadOnly));
  EXPECT_EQ(older.readAll(), "older");
  EXPECT_EQ(list.count(), 2);

  prompts.calls.clear();
  EXPECT_FALSE(CopyFilesToFolder(list, current, sendFolder, prompts));  // cancelled
  EXPECT_EQ(sendFolder, target + u'/');
}

TEST_F(CommandsTest, DesktopLinksAreNamedWithoutTheExtension) {
  EXPECT_EQ(DesktopLinkName(QStringLiteral("/m/song.flac")), "song");
  EXPECT_EQ(DesktopLinkName(QStringLiteral("/m/a.b.mp3")), "a.b");
  EXPECT_EQ(DesktopLinkName(QStringLiteral("/m/track01")), "track01");
  add(music("song.flac"), "s");
  select({1});
  const QString desktop = dir.path() + QStringLiteral("/Desktop");
  QDir().mkpath(desktop);
  const ShellEnvironment shell{dir.path() + QStringLiteral("/data"), dir.path() + QStringLiteral("/config"),
                               desktop};
  MakeDesktopLinks(list, current, shell, prompts);
  QFile link(desktop + QStringLiteral("/song.desktop"));
  ASSERT_TRUE(link.open(QIODevice::ReadOnly));
  const QStringList lines = QString::fromUtf8(link.readAll()).split(u'\n');
  EXPECT_TRUE(lines.contains(QStringLiteral("Name=song"))) << lines.join(u'|').toStdString();
  EXPECT_TRUE(lines.contains(QStringLiteral("Comment=快捷方式到 \"song.flac\"")))
      << lines.join(u'|').toStdString();
}

TEST(RowMenu, EnablingFromSelectionAndPointer) {
  // Columns: title from 40, artist from 200, length from 340.
  RowMenuState state = RowMenu(true, 1, 100, 40, 200, 340);
  EXPECT_FALSE(state.deleteFiles);
  EXPECT_TRUE(state.singleRow);
  EXPECT_TRUE(state.edit);
  EXPECT_EQ(state.editColumn, 2);
  EXPECT_EQ(RowMenu(false, 2, 206, 40, 200, 340).editColumn, 2);  // within the slack
  EXPECT_EQ(RowMenu(false, 2, 207, 40, 200, 340).editColumn, 3);
  EXPECT_TRUE(RowMenu(false, 2, 346, 40, 200, 340).edit);  // edit overrides the selection count
  EXPECT_FALSE(RowMenu(false, 2, 346, 40, 200, 340).singleRow);
  EXPECT_FALSE(RowMenu(false, 1, 347, 40, 200, 340).edit);
  EXPECT_FALSE(RowMenu(false, 1, 40, 40, 200, 340).edit);
  EXPECT_TRUE(RowMenu(false, 1, 40, 40, 200, 340).deleteFiles);
}

TEST_F(CommandsTest, CellEditRenamesTheLyricAndWritesTheTag) {
  const QString words = dir.path() + QStringLiteral("/Lyrics/");
  QDir().mkpath(words);
  const QString song = music("song.mp3");
  QDir().mkpath(music(QString()));
  ASSERT_TRUE(QFile::copy(fixture("id3v1.mp3"), song));
  QFile::setPermissions(song, QFile::ReadOwner | QFile::WriteOwner);
  add(song, "Old", "Singer");
  touch(words + QStringLiteral("Singer - Old.lrc"), "[00:01.00]x");
  PlayerState player;
  player.CurrentIndex = 1;
  player.SongTitle = "Old";
  player.SongArtist = "Singer";

  EXPECT_FALSE(CommitCellEdit(list, player, words, 1, 2, QStringLiteral("   ")));
  EXPECT_EQ(list.row(1).title, "Old");
  // The text is normalised like every name the player files lyrics under.
  EXPECT_TRUE(CommitCellEdit(list, player, words, 1, 2, QStringLiteral(" 01 New(live) ")));
  EXPECT_EQ(list.row(1).title, "new");
  EXPECT_EQ(player.SongTitle, "new");
  EXPECT_TRUE(QFileInfo::exists(words + QStringLiteral("Singer - new.lrc")));
  EXPECT_FALSE(QFileInfo::exists(words + QStringLiteral("Singer - Old.lrc")));
  QFile file(song);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  EXPECT_EQ(bytes.mid(bytes.size() - 128, 3), "TAG");
  EXPECT_EQ(bytes.mid(bytes.size() - 125, 4), "new ");
  EXPECT_EQ(bytes.mid(bytes.size() - 95, 6), "Singer");
}
