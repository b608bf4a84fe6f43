#include "playlist/playlistcommands.h"

#include "base/apperror.h"
#include "base/apppaths.h"
#include "base/prompts.h"
#include "engine/bp.h"
#include "engine/tags.h"
#include "playlist/playlistops.h"
#include "playlist/trash.h"
#include "settings/shellintegration.h"
#include "text/textutil.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <unicode/ucol.h>

#include <algorithm>
#include <memory>
#include <numeric>
#include <string>

namespace lyrovo {

namespace {

const QString kTitlePrefix = QStringLiteral("Lyrovo - ");

Prompts::Answer ask(Prompts& prompts, Prompts::Icon icon, Prompts::Buttons buttons, const QString& title,
                    const QString& text) {
  return prompts.message(icon, buttons, kTitlePrefix + title, text);
}

// Walks the selected rows from the top. visit(position, row) returns true
// when the row is to leave the list. Removals are applied together at the
// end, also when visit throws, so that every row dealt with before a
// failure stays dealt with.
template <typename Visit>
int walkSelected(Playlist& list, std::int16_t& CurrentIndex, Visit&& visit) {
  std::vector<bool> doomed(std::size_t(list.count()), false);
  try {
    for (int i = 1; i <= list.count(); ++i)
      if (list.row(i).selected) doomed[std::size_t(i - 1)] = visit(i, list.row(i));
  } catch (...) {
    RemoveRows(list, CurrentIndex, doomed);
    throw;
  }
  return RemoveRows(list, CurrentIndex, doomed);
}

// The question for a row whose file has gone: true when the user wants the
// row removed.
bool offerRemoval(Prompts& prompts, const QString& text) {
  return ask(prompts, Prompts::Icon::Question, Prompts::Buttons::YesNo, QStringLiteral("提示"), text) ==
         Prompts::Answer::Yes;
}

const QString kMissingForCopy = QStringLiteral("文件不存在,是否删除该列表项？");

QString fileNameOf(const QString& path) { return path.mid(path.lastIndexOf(u'/') + 1); }
QString folderOf(const QString& path) { return path.left(path.lastIndexOf(u'/') + 1); }

// Sorts the rows by the key of each, keeping equal keys in their order,
// and lets CurrentIndex follow its row.
template <typename Less>
void sortBy(Playlist& list, std::int16_t& CurrentIndex, Less&& less) {
  std::vector<int> order(std::size_t(list.count()));
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), less);
  list.reorder(order);
  if (CurrentIndex >= 1 && CurrentIndex <= list.count()) {
    const auto it = std::find(order.begin(), order.end(), CurrentIndex - 1);
    CurrentIndex = std::int16_t(it - order.begin() + 1);
  }
  RenumberRows(list, 1);
}

// Sort keys of the column's texts under the Chinese collation (Chinese by
// pinyin, letters without regard to case): comparing two keys bytewise
// orders their texts. Making the keys once keeps a full list's sort fast.
std::vector<std::string> CollationKeys(const Playlist& list, SortState::Entry entry) {
  std::vector<std::string> keys;
  keys.reserve(std::size_t(list.count()));
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<UCollator, decltype(&ucol_close)> collator(ucol_open("zh", &status), &ucol_close);
  if (U_FAILURE(status)) collator.reset();
  if (collator) ucol_setStrength(collator.get(), UCOL_SECONDARY);
  std::vector<std::uint8_t> buffer(256);
  for (const PlaylistRow& row : list.rows()) {
    const QString& text = entry == SortState::ByTitle    ? row.title
                          : entry == SortState::ByArtist ? row.artist
                                                         : row.lengthText;
    if (!collator) {  // no collation data: the texts' own order, folded case
      keys.push_back(text.toCaseFolded().toStdString());
      continue;
    }
    const auto* chars = reinterpret_cast<const UChar*>(text.utf16());
    int length = ucol_getSortKey(collator.get(), chars, int(text.size()), buffer.data(), int(buffer.size()));
    if (length > int(buffer.size())) {
      buffer.resize(std::size_t(length));
      length = ucol_getSortKey(collator.get(), chars, int(text.size()), buffer.data(), int(buffer.size()));
    }
    // The key ends in a 0 byte, which is left out.
    keys.emplace_back(reinterpret_cast<const char*>(buffer.data()), std::size_t(std::max(0, length - 1)));
  }
  return keys;
}

}  // namespace

int RemoveRows(Playlist& list, std::int16_t& CurrentIndex, const std::vector<bool>& doomed) {
  int removed = 0, removedUpToCurrent = 0, lowest = 0;
  for (std::size_t i = 0; i < doomed.size(); ++i) {
    if (!doomed[i]) continue;
    ++removed;
    if (lowest == 0) lowest = int(i) + 1;
    if (int(i) + 1 <= CurrentIndex) ++removedUpToCurrent;
  }
  if (removed == 0) return 0;
  list.removeRows(doomed);
  // RemoveRow lowers CurrentIndex for each removal at or above it and keeps
  // it at least 1 while rows remain; for many removals that adds up to this.
  CurrentIndex =
      list.empty() ? std::int16_t(0) : std::int16_t(std::max(1, CurrentIndex - removedUpToCurrent));
  RenumberRows(list, lowest);
  return removed;
}

int DeleteSelected(Playlist& list, std::int16_t& CurrentIndex) {
  std::vector<bool> doomed;
  doomed.reserve(std::size_t(list.count()));
  for (const PlaylistRow& row : list.rows()) doomed.push_back(row.selected);
  return RemoveRows(list, CurrentIndex, doomed);
}

int DeleteDuplicates(Playlist& list, std::int16_t& CurrentIndex) {
  std::vector<bool> doomed;
  doomed.reserve(std::size_t(list.count()));
  QSet<QString> seen;
  seen.reserve(list.count());
  for (const PlaylistRow& row : list.rows()) {
    const auto before = seen.size();
    seen.insert(row.path);
    doomed.push_back(seen.size() == before);
  }
  return RemoveRows(list, CurrentIndex, doomed);
}

int DeleteMissing(Playlist& list, std::int16_t& CurrentIndex) {
  std::vector<bool> doomed;
  doomed.reserve(std::size_t(list.count()));
  // "//host/share/…" is a network location written the old way, not a local path.
  for (const PlaylistRow& row : list.rows())
    doomed.push_back(row.path.startsWith(u'/') && !row.path.startsWith(QStringLiteral("//")) &&
                     !FileExists(row.path));
  return RemoveRows(list, CurrentIndex, doomed);
}

int DeleteAll(Playlist& list, std::int16_t& CurrentIndex) {
  const int removed = list.count();
  list.clear();
  CurrentIndex = 0;
  return removed;
}

int DeleteSelectedFiles(Playlist& list, std::int16_t& CurrentIndex, Prompts& prompts,
                        const TrashFile& trash) {
  return walkSelected(list, CurrentIndex, [&](int position, const PlaylistRow& row) {
    if (position == CurrentIndex) {
      ask(prompts, Prompts::Icon::Critical, Prompts::Buttons::Ok, QStringLiteral("物理删除"),
          QStringLiteral("文件正在被播放，不能删除！"));
      return false;
    }
    if (FileExists(row.path) && !trash(row.path)) throw errors::pathAccess(row.path);
    return true;
  });
}

void SortRows(Playlist& list, std::int16_t& CurrentIndex, SortState& state, SortState::Entry entry) {
  if (state.checked == entry)
    state.descending = !state.descending;
  else
    state.checked = entry;
  const std::vector<std::string> keys = CollationKeys(list, entry);
  const bool descending = state.descending;
  sortBy(list, CurrentIndex, [&](int a, int b) {
    const int order = keys[std::size_t(a)].compare(keys[std::size_t(b)]);
    return descending ? order > 0 : order < 0;
  });
}

void ShuffleRows(Playlist& list, std::int16_t& CurrentIndex, SortState& state, std::mt19937& random) {
  std::vector<std::uint32_t> keys(std::size_t(list.count()));
  for (auto& key : keys) key = random();
  sortBy(list, CurrentIndex, [&](int a, int b) { return keys[std::size_t(a)] < keys[std::size_t(b)]; });
  state.checked = SortState::Random;
  state.descending = false;
}

int MoveRow(Playlist& list, std::int16_t& CurrentIndex, int src, int target) {
  const int rows = list.count();
  if (src < 1 || src > rows || target < 1 || target > rows + 1) return 0;
  if (target == src || target == src + 1) return 0;  // also covers the last row dropped below itself
  PlaylistRow moved = list.row(src);
  list.remove(src);
  if (src < target) --target;
  list.insert(target, std::move(moved));
  if (CurrentIndex == src)
    CurrentIndex = std::int16_t(target);
  else if (src < CurrentIndex && CurrentIndex <= target)
    --CurrentIndex;
  else if (target <= CurrentIndex && CurrentIndex < src)
    ++CurrentIndex;
  PlaylistRow& landed = list.row(target);
  landed.selected = true;
  landed.current = CurrentIndex == target;
  list.setSelectedItem(target);
  RenumberRows(list, std::min(src, target));
  return target;
}

QString RenameBase(const PlaylistRow& row, int entry) {
  QString base;
  if (entry == 1)
    base = row.title;
  else if (entry == 2)
    base = row.artist + QStringLiteral(" - ") + row.title;
  else if (entry == 3)
    base = row.title + QStringLiteral(" - ") + row.artist;
  if (entry == 1 ? row.title.isEmpty() : row.title.isEmpty() && row.artist.isEmpty()) return {};
  static constexpr char16_t kRefused[] = u"/\\:*?\"<>|";
  static constexpr char16_t kFullWidth[] = u"／＼：＊？＂＜＞｜";
  for (QChar& c : base) {
    if (c.unicode() < 0x20) c = u' ';
    for (int k = 0; kRefused[k]; ++k)
      if (c == QChar(kRefused[k])) c = QChar(kFullWidth[k]);
  }
  base = base.trimmed();
  if (base == QStringLiteral(".") || base == QStringLiteral("..")) return {};
  return base;
}

void RenameFiles(Playlist& list, std::int16_t& CurrentIndex, int entry, BP& engine, Prompts& prompts) {
  walkSelected(list, CurrentIndex, [&](int position, PlaylistRow& row) {
    const QString p = row.path.trimmed();
    if (!FileExists(p))
      return offerRemoval(prompts,
                          QStringLiteral("文件 ") + p +
                              QStringLiteral(" 地址已被移动或文件不存在，无法读取，是否删除该项目？"));
    const QString base = RenameBase(row, entry);
    if (base.isEmpty()) return false;
    // The extension is the file name's own; a dot in a folder name is none.
    const QString name = fileNameOf(p);
    const int dot = name.lastIndexOf(u'.');
    const QString target = folderOf(p) + base + (dot >= 0 ? name.mid(dot) : QString());
    // Anything at the new name (also a folder or a hidden file) stops the rename.
    if (QFileInfo::exists(target) || QFileInfo(target).isSymLink()) {
      ask(prompts, Prompts::Icon::None, Prompts::Buttons::Ok, QStringLiteral("重命名提示"),
          QStringLiteral("文件 ") + target + QStringLiteral(" 已存在，不能重命名！"));
      return false;
    }
    if (position != CurrentIndex) {
      if (!QFile::rename(p, target)) throw errors::pathAccess(p);
      row.path = target;
      list.changed(position, position);
      return false;
    }
    // The playing file: closed for the rename and reopened where it was.
    const bool wasActive = engine.aIsActive();
    const std::int64_t at = engine.aPosByte();
    engine.aStop();
    engine.aClose();
    const bool renamed = QFile::rename(p, target);
    const QString playing = renamed ? target : p;
    if (renamed) {
      row.path = target;
      list.changed(position, position);
    }
    engine.aOpen(playing);
    engine.setAPosByte(at);
    if (wasActive) engine.aPlay();
    if (!renamed) throw errors::pathAccess(p);
    return false;
  });
}

bool CopyFilesToFolder(Playlist& list, std::int16_t& CurrentIndex, QString& sendFolderPath,
                       Prompts& prompts) {
  const std::optional<QString> folder = prompts.chooseFolder(QStringLiteral("请选择目录"), sendFolderPath);
  if (!folder || folder->isEmpty()) return false;
  sendFolderPath = withSlash(*folder);
  walkSelected(list, CurrentIndex, [&](int, const PlaylistRow& row) {
    if (!FileExists(row.path)) return offerRemoval(prompts, kMissingForCopy);
    const QString target = sendFolderPath + fileNameOf(row.path);
    if (QFileInfo::exists(target) || QFileInfo(target).isSymLink()) {
      ask(prompts, Prompts::Icon::None, Prompts::Buttons::Ok, QStringLiteral("复制提示"),
          QStringLiteral("已存在同名文件，无法复制！"));
      return false;
    }
    // QFile::copy writes through a temporary file: a failed copy leaves nothing behind.
    if (!QFile::copy(row.path, target)) throw errors::pathAccess(target);
    return false;
  });
  return true;
}

QString DesktopLinkName(const QString& path) {
  const QString name = fileNameOf(path);
  const int dot = name.lastIndexOf(u'.');
  return dot > 0 ? name.left(dot) : name;
}

void MakeDesktopLinks(Playlist& list, std::int16_t& CurrentIndex, const ShellEnvironment& shell,
                      Prompts& prompts) {
  walkSelected(list, CurrentIndex, [&](int, const PlaylistRow& row) {
    if (!FileExists(row.path)) return offerRemoval(prompts, kMissingForCopy);
    const QString file = fileNameOf(row.path);
    if (!MakeShortcut(DesktopLinkName(row.path), row.path, folderOf(row.path), file, QString(),
                      QStringLiteral("快捷方式到 \"") + file + u'"', QString(), shell))
      throw errors::pathAccess(shell.desktopDir);
    return false;
  });
}

RowMenuState RowMenu(bool forbidFileDelete, int selectedCount, int x, int titleLeft, int artistLeft,
                     int lengthLeft, int slack) {
  RowMenuState state;
  state.deleteFiles = !forbidFileDelete;
  state.singleRow = selectedCount < 2;
  if (x <= titleLeft || x > lengthLeft + slack) {
    state.edit = false;
  } else {
    state.edit = true;
    state.editColumn = x <= artistLeft + slack ? 2 : 3;
  }
  return state;
}

bool CommitCellEdit(Playlist& list, PlayerState& player, const QString& wordPath, int row, int column,
                    const QString& text) {
  const QString value = StringDeal(text);
  if (value.isEmpty()) return false;
  PlaylistRow& edited = list.row(row);
  (column == 2 ? edited.title : edited.artist) = value;
  list.changed(row, row);
  if (row == player.CurrentIndex) {
    const QString oldName = wordPath + player.SongArtist + QStringLiteral(" - ") + player.SongTitle;
    (column == 2 ? player.SongTitle : player.SongArtist) = value;
    const QString newName = wordPath + player.SongArtist + QStringLiteral(" - ") + player.SongTitle;
    const QString oldLyric = oldName + QStringLiteral(".lrc"), newLyric = newName + QStringLiteral(".lrc");
    if (FileExists(oldLyric) && !QFileInfo::exists(newLyric)) QFile::rename(oldLyric, newLyric);
  }
  WriteTitleArtist(edited.path, edited.title, edited.artist);
  return true;
}

}  // namespace lyrovo
