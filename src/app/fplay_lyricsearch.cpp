// The lyric of the song that starts playing when no lyric file has it: the
// lyric inside the song, then the web search. Both run on the lookup worker,
// and the lyric steps of Play go on when its answer arrives. Also the lyric
// search window, whose searches and downloads run on the same worker.
#include "app/fplay.h"
#include "app/fsearch.h"
#include "download/lyricchoice.h"
#include "download/serverconfig.h"
#include "lyrics/embeddedlyrics.h"
#include "settings/settings.h"
#include "text/pattern.h"

#include <cmath>
#include <memory>

namespace lyrovo {

LyricLookupRequest Fplay::lyricLookupRequest() {
  LyricLookupRequest request;
  request.query.title = ctx_.player.SongTitle;
  request.query.artist = ctx_.player.SongArtist;
  request.query.album = ctx_.tags.tagAlbum;
  request.query.durationSec = int(std::lround(ctx_.BP1.alenTime()));
  request.servers = LoadServerConfig(settingsFile(ctx_.paths), &ctx_.log);
  request.searchLrclib = ctx_.settings.searchServer4;
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
  Pic1(1)->update();
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
    QString link = result.link;
    if (link.isEmpty() && search.SearchResultCount > 0) {
      if (ctx_.settings.autoSelect) {
        // The first result whose title fits the song's, else the first result.
        for (int a = 0; a < search.SearchResultCount && link.isEmpty(); ++a) {
          const QString& title = search.SearchTitles.value(a);
          if (like(player.SongTitle, QStringLiteral("*") + title + u'*') ||
              like(title, QStringLiteral("*") + player.SongTitle + u'*'))
            link = search.SearchUrls.value(a);
        }
        if (link.isEmpty()) link = search.SearchUrls.value(0);
      } else if (isVisible()) {
        CloseLyricSearchWindow();
        ShowLyricSearchWindow();
      }
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
  const bool hasText = fetched && link == fetched->link && !fetched->text.isEmpty();
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
        Pic1(2)->toolTip().isEmpty() ? QString() : QStringLiteral("双击下载文件，点击右键设为媒体信息！");
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
