// The web look-ups of the song that starts playing: the artist of a row
// known only by its title, and the lyric. They run on a worker, and Play
// goes on when their result arrives.
#include "app/fplay.h"
#include "download/serverconfig.h"
#include "engine/tags.h"
#include "settings/settings.h"

#include <cmath>

namespace lyrovo {

namespace {
const QString kUnknownArtist = QStringLiteral("未知歌手");
}  // namespace

bool Fplay::SearchInfo(int row, const QString& title) {
  if (!ctx_.search.IsOnline) return false;
  LyricLookupRequest request;
  request.kind = LyricLookupRequest::Kind::Artist;
  request.query.title = title;
  request.servers = LoadServerConfig(settingsFile(ctx_.paths), &ctx_.log);
  if (IsPlaceholderServer(request.servers.musicSearch)) return false;
  // Nothing plays until the answer: the old song's ticks must not advance the list meanwhile.
  timer1_.stop();
  timer2_.stop();
  artistRepairPending_ = true;
  lyricLookup_->start(std::move(request),
                      [this, path = ctx_.playlist.row(row).path](const LyricLookupResult& result) {
                        finishArtistRepair(path, result);
                      });
  return true;
}

void Fplay::finishArtistRepair(const QString& path, const LyricLookupResult& result) {
  artistRepairPending_ = false;
  ctx_.log.trap(QStringLiteral("SearchInfo"), [&] {
    Playlist& list = ctx_.playlist;
    const int current = ctx_.player.CurrentIndex;
    if (current < 1 || current > list.count() || list.row(current).path != path) return;
    PlaylistRow& row = list.row(current);
    // An artist found is written to the file's tag; without one the file is
    // left alone rather than tagged with the placeholder.
    if (result.artist.isEmpty() || row.artist != kUnknownArtist) return;
    row.artist = result.artist;
    list.changed(current, current);
    WriteTitleArtist(row.path, row.title, row.artist);
  });
  // The song opens even when the look-up failed, unless the list moved on meanwhile.
  ctx_.log.trap(QStringLiteral("Play"), [&] {
    const int current = ctx_.player.CurrentIndex;
    if (current >= 1 && current <= ctx_.playlist.count() && ctx_.playlist.row(current).path == path)
      playCurrentRow();
  });
}

void Fplay::startLyricSearch() {
  LyricLookupRequest request;
  request.query.title = ctx_.player.SongTitle;
  request.query.artist = ctx_.player.SongArtist;
  request.query.album = ctx_.tags.tagAlbum;
  request.query.durationSec = int(std::lround(ctx_.BP1.alenTime()));
  request.servers = LoadServerConfig(settingsFile(ctx_.paths), &ctx_.log);
  request.searchServer2 = ctx_.settings.searchServer2;
  request.searchServer3 = ctx_.settings.searchServer3;
  request.searchLrclib = ctx_.settings.searchServer4;
  request.autoSelect = ctx_.settings.autoSelect;
  request.tempFile = TempLyricFile();
  prefetchedLink_.clear();
  prefetchedText_.clear();
  lyricLookup_->start(std::move(request),
                      [this](const LyricLookupResult& result) { finishLyricSearch(result); });
}

void Fplay::finishLyricSearch(const LyricLookupResult& result) {
  ctx_.log.trap(QStringLiteral("Play"), [&] {
    PlayerState& player = ctx_.player;
    SearchState& search = ctx_.search;
    search.SearchTitles = result.titles;
    search.SearchArtists = result.artists;
    search.SearchUrls = result.urls;
    search.SearchResultCount = int(result.urls.size());

    if (result.instrumental) {
      player.LyricLoaded = false;
      DrawInfo(kInstrumentalText.toString());
      return;
    }
    // With autoSelect the lookup has chosen (and fetched) a result already;
    // without it the user picks one in the search window.
    const QString& link = result.link;
    if (link.isEmpty() && search.SearchResultCount > 0 && !ctx_.settings.autoSelect && isVisible()) {
      CloseLyricSearchWindow();
      ShowLyricSearchWindow();
    }
    if (!link.isEmpty()) {
      if (result.fetched) {
        prefetchedLink_ = link;
        prefetchedText_ = result.text;
      }
      if (LoadWord(link, false)) timer2_.start();
      return;
    }
    player.LyricLoaded = false;
    DrawInfo(QStringLiteral("歌词未找到，请右击搜索！"));
  });
}

}  // namespace lyrovo
