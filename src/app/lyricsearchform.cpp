#include "app/lyricsearchform.h"

#include "base/apppaths.h"
#include "engine/tags.h"
#include "playlist/playlistops.h"

#include <QFile>
#include <QFileInfo>

namespace lyrovo {

bool RenameLyricFile(const QString& wordPath, const QString& oldName, const PlayerState& player) {
  if (wordPath.isEmpty()) return false;
  const QString folder = withSlash(wordPath);
  const QString from = folder + oldName + QStringLiteral(".lrc");
  const QString to =
      folder + player.SongArtist + QStringLiteral(" - ") + player.SongTitle + QStringLiteral(".lrc");
  if (from == to || !FileExists(from) || QFileInfo::exists(to) || QFileInfo(to).isSymLink()) return false;
  return QFile::rename(from, to);
}

LyricSearchForm::LyricSearchForm(PlayerState& player, SearchState& search, Settings& settings,
                                 Playlist& playlist)
    : player_(player), search_(search), settings_(settings), playlist_(playlist) {}

void LyricSearchForm::open(const QString& path) {
  songPath = path;
  titleText = player_.SongTitle;
  artistText = player_.SongArtist;
  rows.clear();
  selected = -1;
  downloadEnabled = false;
  status = kSearchChooseText.toString();
  if (search_.SearchResultCount > 0 && search_.IsOnline) {
    for (int i = 0; i < search_.SearchResultCount && i < search_.SearchUrls.size(); ++i)
      rows.push_back({search_.SearchTitles.value(i), search_.SearchArtists.value(i), search_.SearchUrls[i]});
    if (!rows.empty()) {
      selected = 0;
      downloadEnabled = true;
    }
  }
  player_.SearchWindowOpen = true;
}

void LyricSearchForm::close() { player_.SearchWindowOpen = false; }

void LyricSearchForm::setAutoSelect(bool on) { settings_.autoSelect = on; }
void LyricSearchForm::setAutoReWrite(bool on) { settings_.autoReWrite = on; }
void LyricSearchForm::setWithArtist(bool on) { withArtist = on; }

std::optional<LyricQuery> LyricSearchForm::startSearch(const QString& title, const QString& artist) {
  rows.clear();
  selected = -1;
  downloadEnabled = false;
  titleText = title.trimmed();
  artistText = artist.trimmed();
  if (!search_.IsOnline) {
    status = kSearchOfflineText.toString();
    return std::nullopt;
  }
  status = kSearchBusyText.toString();
  searching = true;
  LyricQuery query;
  query.title = titleText;
  if (withArtist) query.artist = artistText;
  return query;
}

void LyricSearchForm::finishSearch(const LyricLookupResult& result) {
  rows.clear();
  for (int i = 0; i < result.urls.size(); ++i)
    rows.push_back({result.titles.value(i), result.artists.value(i), result.urls[i]});
  search_.SearchTitles = result.titles;
  search_.SearchArtists = result.artists;
  search_.SearchUrls = result.urls;
  search_.SearchResultCount = int(result.urls.size());
  selected = rows.empty() ? -1 : 0;
  downloadEnabled = !rows.empty();
  searching = false;
  status = rows.empty() ? kSearchNothingText.toString() : kSearchChooseText.toString();
}

void LyricSearchForm::select(int row) {
  if (row >= 0 && row < int(rows.size())) selected = row;
}

QString LyricSearchForm::chosenLink() {
  if (rows.empty()) {
    downloadEnabled = false;
    return {};
  }
  return rows[std::size_t(selected >= 0 ? selected : 0)].url;
}

bool LyricSearchForm::canSetAsMediaInfo() const {
  return !rows.empty() && player_.CurrentIndex >= 1 && player_.CurrentIndex <= playlist_.count();
}

void LyricSearchForm::setAsMediaInfo(int row) {
  if (!canSetAsMediaInfo() || row < 0 || row >= int(rows.size())) return;
  const Row& chosen = rows[std::size_t(row)];
  const QString oldName = player_.SongArtist + QStringLiteral(" - ") + player_.SongTitle;
  PlaylistRow& playing = playlist_.row(player_.CurrentIndex);
  playing.title = chosen.title;
  playing.artist = chosen.artist;
  playlist_.changed(player_.CurrentIndex, player_.CurrentIndex);
  player_.SongTitle = chosen.title;
  player_.SongArtist = chosen.artist;
  // The lyric file follows the names even when the tag cannot be written.
  RenameLyricFile(settings_.WordPath, oldName, player_);
  WriteTitleArtist(playing.path, chosen.title, chosen.artist);
}

}  // namespace lyrovo
