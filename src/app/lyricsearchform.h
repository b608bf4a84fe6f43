#pragma once

#include "base/playerstate.h"
#include "download/lyriclookup.h"
#include "playlist/playlist.h"
#include "settings/settings.h"

#include <QString>

#include <optional>
#include <vector>

namespace lyrovo {

// Status texts of the lyric search window.
inline constexpr QStringView kSearchChooseText = u"请选择搜索到的歌词文件进行下载:";
inline constexpr QStringView kSearchBusyText = u"正在查找歌词...";
inline constexpr QStringView kSearchNothingText = u"没有找到歌词！";
inline constexpr QStringView kSearchOfflineText = u"您没有联网！";

// When the lyric file under oldName ("artist - title") exists in wordPath
// and none under the playing song's names does, gives it those names.
// Returns whether a file was renamed.
bool RenameLyricFile(const QString& wordPath, const QString& oldName, const PlayerState& player);

// What the lyric search window shows and does, free of widgets: the window
// mirrors these fields and forwards its events here. The search itself and
// the download of a chosen lyric run on the lookup worker; this class only
// says what to ask and takes in the answer.
class LyricSearchForm {
 public:
  struct Row {
    QString title, artist, url;
  };

  LyricSearchForm(PlayerState& player, SearchState& search, Settings& settings, Playlist& playlist);

  // Opening: the boxes show the song's file, SongTitle and SongArtist; the
  // list shows the last search's results when there are any and the player
  // is online. The window counts as open from here on.
  void open(const QString& songPath);
  void close();

  // The two check boxes write their settings at once; the artist box is
  // used (and enabled) exactly when its check box carries a tick.
  void setAutoSelect(bool on);
  void setAutoReWrite(bool on);
  void setWithArtist(bool on);

  // A search with the boxes' texts (trimmed): the query to run, or nothing
  // when offline. SongTitle and SongArtist stay as they are: the query
  // carries the boxes' texts instead.
  std::optional<LyricQuery> startSearch(const QString& title, const QString& artist);
  // The search's answer: every result is listed, row 0 selected; the
  // shared search results take them too.
  void finishSearch(const LyricLookupResult& result);

  void select(int row);
  // The link of the selected row to download; empty (and download
  // disabled) when the list is empty.
  QString chosenLink();

  // "设为媒体信息": the playing row and SongTitle/SongArtist take the
  // chosen result's names, written into the song's tag, and the lyric file
  // under the old names follows them. Only with a playing row and a result.
  // Throws AppError when the tag cannot be written (the names stay changed).
  bool canSetAsMediaInfo() const;
  void setAsMediaInfo(int row);

  QString songPath;
  QString titleText;
  QString artistText;
  bool withArtist = true;
  std::vector<Row> rows;
  int selected = -1;  // index into rows, -1 = none
  QString status = kSearchChooseText.toString();
  bool searching = false;
  bool downloadEnabled = false;

 private:
  PlayerState& player_;
  SearchState& search_;
  Settings& settings_;
  Playlist& playlist_;
};

}  // namespace lyrovo
