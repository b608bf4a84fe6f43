#pragma once

// Searches of the three web lyric services and the artist look-up on the
// music search page. Each blocks on the network: call them on a worker.

#include "download/download.h"
#include "download/lyricscrapers.h"
#include "download/serverconfig.h"

#include <QString>

namespace lyrovo {

// One search of the lyric services.
struct LyricServiceSearch {
  QString searchText;  // what the services are asked for (the title, perhaps with the artist)
  QString songTitle;   // what a result must fit (normalised names)
  QString songArtist;
  ServerConfig servers;
  DownloadLimits limits;
};

// Request paths of the services; the search text, GBK and percent-encoded, follows.
inline constexpr QStringView kLyricSearchPath1 =
    u"/m?f=ms&tn=baidump3lyric&ct=150994944&lf=2&rn=10&lm=-1&word=";
inline constexpr QStringView kLyricSearchPath2 = u"/gecisearch.so?pf=&class=5&sid=&query=";
inline constexpr QStringView kLyricSearchPath3 =
    u"/lyric.html?pid=ysearch&source=ysearch_music_result_topsearch&mimetype=lyric&p=";
inline constexpr QStringView kArtistSearchPath = u"/music.so?pf=&class=0&sid=&query=";

// Each asks one service and appends its results to list (SearchWord1
// empties it first); a page without its start marker is fetched up to
// three times. Returns the link of the first result that fits the song, or
// an empty string. A service left at its placeholder host is not asked;
// service 2 also needs its lyric download host.
QString SearchWord1(const LyricServiceSearch& search, LyricSearchList& list);
QString SearchWord2(const LyricServiceSearch& search, LyricSearchList& list);
QString SearchWord3(const LyricServiceSearch& search, LyricSearchList& list);

// The artist the music search page names for title, or an empty string.
QString SearchInfo(const ServerConfig& servers, const QString& title, const DownloadLimits& limits = {});

}  // namespace lyrovo
