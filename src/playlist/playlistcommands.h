#pragma once

#include "base/playerstate.h"
#include "playlist/playlist.h"
#include "playlist/trash.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <random>
#include <vector>

namespace lyrovo {

class BP;
class Prompts;
struct ShellEnvironment;

// The commands of the playlist's menus, free of widgets. Each works on the
// rows and CurrentIndex; the closing steps (renumbering is done here,
// marking the current row, re-laying-out and saving are the window's) are
// listed with each command. Rows leave the list through RemoveRow's rule
// for CurrentIndex, applied in one step for many rows.

// Removes the rows whose flag is set as if RemoveRow were called for each
// (CurrentIndex moves with the rows; 0 once the list is empty) and
// renumbers from the lowest removed position. Returns the number removed.
int RemoveRows(Playlist& list, std::int16_t& CurrentIndex, const std::vector<bool>& doomed);

// The delete menu. Each returns the number of rows removed.
// Every selected row.
int DeleteSelected(Playlist& list, std::int16_t& CurrentIndex);
// Every row whose path (exact, case-sensitive) already appeared higher up:
// the first occurrence survives.
int DeleteDuplicates(Playlist& list, std::int16_t& CurrentIndex);
// Every row of a local path (one beginning with a single "/") whose file is
// missing; other paths (URLs, "//host/share" locations) are never removed here.
int DeleteMissing(Playlist& list, std::int16_t& CurrentIndex);
// Every row; CurrentIndex 0.
int DeleteAll(Playlist& list, std::int16_t& CurrentIndex);

// Moves a file to the desktop's trash; false when it could not (MoveToTrash).
using TrashFile = std::function<bool(const QString& path)>;

// Deletes the files of the selected rows (into the trash) and removes their
// rows. The current row is never deleted: it gets the message "文件正在被
// 播放，不能删除！" and stays. A row whose file is already gone is just
// removed. A file that cannot be trashed ends the command with AppError;
// rows removed before that are removed. Returns the number removed.
int DeleteSelectedFiles(Playlist& list, std::int16_t& CurrentIndex, Prompts& prompts,
                        const TrashFile& trash = MoveToTrash);

// The check marks of the sort menu and the view's sort order; they last
// until the program ends.
struct SortState {
  enum Entry { None = 0, ByTitle = 1, ByArtist = 2, ByLength = 3, Random = 5 };
  Entry checked = None;
  bool descending = false;
};

// Sort menu entries 1–3: the checked entry again flips the order, another
// entry takes the check mark and keeps the order. The rows are sorted once
// by the text of the title, artist or length column in that order (stable;
// Chinese by pinyin, letters without regard to case). CurrentIndex follows
// its row; the rows are renumbered.
void SortRows(Playlist& list, std::int16_t& CurrentIndex, SortState& state, SortState::Entry entry);
// Entry 5: a random order drawn from random; the order becomes ascending
// and entry 5 takes the check mark. CurrentIndex follows its row.
void ShuffleRows(Playlist& list, std::int16_t& CurrentIndex, SortState& state, std::mt19937& random);

// Drops the row at src onto the row at target (count()+1: below the last
// row). Dropping onto itself or onto the row just below changes nothing and
// returns 0; otherwise the row lands at target (target - 1 when it came
// from above), becomes the selected row, CurrentIndex follows the rows (the
// moved row stays current when it was), the rows are renumbered and the
// final position is returned.
int MoveRow(Playlist& list, std::int16_t& CurrentIndex, int src, int target);

// The file name a rename by tags gives: entry 1 title, 2 artist + " - " +
// title, 3 title + " - " + artist. Characters that file systems refuse
// (/ and, for removable media, \ : * ? " < > |) become their full-width
// forms. Empty when there is nothing to name the file by.
QString RenameBase(const PlaylistRow& row, int entry);

// Renames the files of the selected rows after their tags (entry 1–3),
// keeping folder and extension. An existing target is never overwritten:
// "文件 <target> 已存在，不能重命名！". The playing file is closed, renamed
// and reopened at the same byte position, playing again if it was. A row
// whose file is missing is offered for removal. A rename that fails ends
// the command with AppError. MarkCurrentRow and saving are the caller's.
void RenameFiles(Playlist& list, std::int16_t& CurrentIndex, int entry, BP& engine, Prompts& prompts);

// Copies the files of the selected rows into a folder the user picks
// (starting at sendFolderPath, which then remembers it). A file of the same
// name there is never overwritten: "已存在同名文件，无法复制！". A missing
// file's row is offered for removal. False when the user cancelled.
bool CopyFilesToFolder(Playlist& list, std::int16_t& CurrentIndex, QString& sendFolderPath, Prompts& prompts);

// The link name of a file's desktop link: its name without the extension.
QString DesktopLinkName(const QString& path);
// Makes a desktop link for the file of each selected row; missing files are
// offered for removal as in the copy.
void MakeDesktopLinks(Playlist& list, std::int16_t& CurrentIndex, const ShellEnvironment& shell,
                      Prompts& prompts);

// What the row menu offers, from the selection and the pointer.
struct RowMenuState {
  bool deleteFiles = false;  // "物理删除"
  bool singleRow = false;    // "播放", "媒体信息", "浏览文件"
  bool edit = false;         // "编辑"
  int editColumn = 0;        // 2 title, 3 artist (only when edit)
};
// x is the pointer's distance from the view's left edge; the lefts are the
// title, artist and length columns' left edges; slack is how far past a
// column's left edge the pointer still counts for the column before
// (90 twips, 6 pixels).
RowMenuState RowMenu(bool forbidFileDelete, int selectedCount, int x, int titleLeft, int artistLeft,
                     int lengthLeft, int slack = 6);

// The commit of the cell editor: text goes through StringDeal; empty text
// changes nothing (false). Otherwise the title (column 2) or artist
// (column 3) of the row takes it; for the current row SongTitle or
// SongArtist follow, and a lyric in wordPath named after the old names
// is renamed to the new ones unless that name is taken. Finally the row's
// title and artist are written into an mp3 file's tag (AppError when that
// fails; the row keeps its new text).
bool CommitCellEdit(Playlist& list, PlayerState& player, const QString& wordPath, int row, int column,
                    const QString& text);

}  // namespace lyrovo
