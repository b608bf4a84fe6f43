// The web look-ups of the song that starts playing: the artist of a row
// known only by its title, then (when no lyric file has it) the lyric inside
// the song and the web search for its lyric. They run on the lookup worker,
// and Play goes on when their answer arrives. Also the lyric search window,
// whose searches and downloads run on the same worker.
#include "app/fplay.h"
#include "app/fsearch.h"
#include "download/lyricchoice.h"
#include "download/serverconfig.h"
#include "engine/tags.h"
#include "lyrics/embeddedlyrics.h"
#include "settings/settings.h"

#include <cmath>
#include <memory>

namespace lyrovo {

namespace {
const QString kUnknownArtist = QStringLiteral("未知歌手");
}  // namespace

// Offline, or while the connection check still runs, the song plays
// unrepaired: its first sound does not wait on the web.
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

LyricLookupRequest Fplay::lyricLookupRequest() {
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
  return request;
}

// The web is searched only when searching is on and the player is online;
// otherwise the pane says which of the two is missing.
bool Fplay::lyricWebSearchAllowed() {
  if (!ctx_.settings.searchWord) {
    ctx_.player.LyricLoaded = false;
    DrawInfo(QStringLiteral("未启用歌词搜索！"));
    return false;
  }
  if (awaitConnection()) {
    awaitingConnection_.lyric = true;
    return false;
  }
  if (!ctx_.search.IsOnline) {
    ctx_.player.LyricLoaded = false;
    DrawInfo(QStringLiteral("未联网！"));
    return false;
  }
  return true;
}

void Fplay::startLyricSearch(const QString& songPath) {
  LyricLookupRequest request = lyricLookupRequest();
  const bool web = ctx_.settings.searchWord && ctx_.search.IsOnline;
  // Filled on the worker before its answer is posted, read on this thread after.
  auto embedded = std::make_shared<std::vector<EmbeddedLyric>>();
  request.job = [embedded, songPath, web](const LyricLookupRequest& r) {
    *embedded = ReadEmbeddedLyrics(songPath);
    return embedded->empty() && web ? RunLyricLookupWithChoices(r) : LyricLookupResult{};
  };
  prefetchedLink_.clear();
  prefetchedText_.clear();
  lyricLookup_->start(std::move(request), [this, embedded, songPath, web](const LyricLookupResult& result) {
    ctx_.log.trap(QStringLiteral("Play"), [&] {
      if (!embedded->empty() && loadEmbeddedLyric(songPath, *embedded)) return;
      if (!web || !embedded->empty()) {
        // The web was not asked yet: the song's own lyric was expected to do.
        if (lyricWebSearchAllowed()) startWebLyricSearch();
        return;
      }
      finishLyricSearch(result);
    });
  });
}

void Fplay::startWebLyricSearch() {
  LyricLookupRequest request = lyricLookupRequest();
  request.job = RunLyricLookupWithChoices;
  lyricLookup_->start(std::move(request),
                      [this](const LyricLookupResult& result) { finishLyricSearch(result); });
}

bool Fplay::loadEmbeddedLyric(const QString& songPath, const std::vector<EmbeddedLyric>& lyrics) {
  if (ctx_.player.LyricDirty) WriteBackShiftedLyric();
  lastLyricSource_ = songPath;
  LoadWordContext context = loadWordContext();
  const bool loaded = LoadEmbeddedLyric(lyrics, context);
  lyricView()->update();
  if (loaded) {
    ctx_.search.SearchResultCount = 0;
    timer2_.start();
  }
  return loaded;
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
      loadChosenLyric(link, &result);
      return;
    }
    player.LyricLoaded = false;
    DrawInfo(QStringLiteral("歌词未找到，请右击搜索！"));
  });
}

void Fplay::loadChosenLyric(const QString& link, const LyricLookupResult* fetched) {
  // A failed download the lookup made already goes to the loader as such, not downloaded twice.
  const bool hasText = fetched && link == fetched->link && fetched->fetched;
  // Offline, the loader says so without downloading anything.
  if (hasText || !ctx_.search.IsOnline) {
    if (hasText) {
      prefetchedLink_ = link;
      prefetchedText_ = fetched->text;
    }
    if (LoadWord(link, false)) timer2_.start();
    if (searchWindow_) searchWindow_->downloadFinished();
    return;
  }
  DrawInfo(QStringLiteral("正在加载歌词..."));
  LyricLookupRequest request = lyricLookupRequest();
  request.job = [link](const LyricLookupRequest& r) { return RunLyricDownload(link, r); };
  lyricLookup_->start(std::move(request), [this, link](const LyricLookupResult& result) {
    ctx_.log.trap(QStringLiteral("LoadWord"), [&] {
      // The loader takes the fetched text; an empty one is a failed download.
      prefetchedLink_ = link;
      prefetchedText_ = result.text;
      if (LoadWord(link, false)) timer2_.start();
    });
    if (searchWindow_) searchWindow_->downloadFinished();
  });
}

// ---------------------------------------------------------------- the search window

void Fplay::ShowLyricSearchWindow() {
  // While an artist repair runs the song has not opened yet, and a search
  // started in the window would supersede the repair so the song never opened.
  if (artistRepairPending_) return;
  ctx_.log.trap(QStringLiteral("ShowLyricSearchWindow"), [&] {
    FSearch::Host host;
    host.search = [this](const LyricQuery& query) {
      LyricLookupRequest request = lyricLookupRequest();
      request.query = query;
      request.job = RunWindowLyricSearch;
      lyricLookup_->start(std::move(request), [this](const LyricLookupResult& result) {
        if (searchWindow_) searchWindow_->searchFinished(result);
      });
    };
    host.download = [this](const QString& link) { loadChosenLyric(link, nullptr); };
    host.rowChanged = [this] {
      MarkCurrentRow();
      RefreshListLayout();
    };
    const QString listTip =
        visPane()->toolTip().isEmpty() ? QString() : QStringLiteral("双击下载文件，点击右键设为媒体信息！");
    searchWindow_ = new FSearch(ctx_, std::move(host), listTip, this);
    searchWindow_->show();
  });
}

void Fplay::CloseLyricSearchWindow() {
  if (searchWindow_) searchWindow_->close();
  ctx_.player.SearchWindowOpen = false;
}

FSearch* Fplay::LyricSearchWindow() const { return searchWindow_.data(); }

}  // namespace lyrovo
