// The web lyric search of the song that starts playing: the lookup runs on a
// worker, and the lyric steps of Play go on when its result arrives.
#include "app/fplay.h"
#include "download/serverconfig.h"
#include "settings/settings.h"
#include "text/pattern.h"

#include <cmath>

namespace lyrovo {

void Fplay::startLyricSearch() {
  LyricLookupRequest request;
  request.query.title = ctx_.player.SongTitle;
  request.query.artist = ctx_.player.SongArtist;
  request.query.album = ctx_.tags.tagAlbum;
  request.query.durationSec = int(std::lround(ctx_.BP1.alenTime()));
  request.servers = LoadServerConfig(settingsFile(ctx_.paths), &ctx_.log);
  request.searchLrclib = ctx_.settings.searchServer4;
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
      if (link == result.link && !result.text.isEmpty()) {
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
