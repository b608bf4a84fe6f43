#pragma once

#include "download/lyriclookup.h"
#include "download/lyricscrapers.h"

#include <QByteArray>
#include <QString>

namespace lyrovo {

// The search the user starts in the lyric search window: every lyric
// service is asked for the title (and the artist when the query has one),
// none stops at a match, then LRCLIB's records are added; every result is
// listed, up to kMaxSearchResults. The query's artist is empty when the
// search goes by title alone. Blocks: run it on the lookup worker.
LyricLookupResult RunWindowLyricSearch(const LyricLookupRequest& request);

// The automatic lookup of a song that starts playing (RunLyricLookup); when
// it chose no lyric, the LRCLIB records that did not fit the song are listed
// too, for the user to choose from; with the best-result rule one of them
// is chosen and fetched.
LyricLookupResult RunLyricLookupWithChoices(const LyricLookupRequest& request);

// The records with a synced lyric that base's /api/search gives for the
// query (the artist only when it is not empty), appended to result, each
// linked as base + "/api/get/" + its id.
void ListLrclibResults(const QString& base, const LyricQuery& query, const DownloadLimits& limits,
                       LyricLookupResult& result);

// The lyric text of an LRCLIB answer: a record's synced lyric, or for a
// search answer the record PickLrclibResult takes for the names in the
// request url. Empty when there is none.
QString LrclibLyricText(const QByteArray& json, const QString& url);

// The lyric text of url (the synced lyric when url is one of the LRCLIB
// service's, else the page itself), left in the request's temp file; empty
// when the download failed. Blocks: run it on the worker.
QString DownloadLyricText(const QString& url, const LyricLookupRequest& request);

// The download of the result the user chose: the lyric text of url (the
// synced lyric when url is one of the LRCLIB service's, else the page
// itself) is left in the request's temp file. On success link is url and
// text the lyric; on failure link is empty. Blocks: run it on the worker.
LyricLookupResult RunLyricDownload(const QString& url, const LyricLookupRequest& request);

}  // namespace lyrovo
