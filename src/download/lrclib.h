#pragma once

#include "download/download.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace lyrovo {

// The song a lyric is looked up for. Title and artist are the normalised
// names the player shows (lower case); album may be empty; a duration of 0
// or less is unknown and matches any.
struct LyricQuery {
  QString title;
  QString artist;
  QString album;
  int durationSec = 0;
};

enum class LrclibOutcome {
  NotFound,      // no record, no usable record, or the service did not answer
  Synced,        // text holds a time-synced LRC lyric
  Instrumental,  // the record says the song has no words
};

struct LrclibLyric {
  LrclibOutcome outcome = LrclibOutcome::NotFound;
  QString text;   // the LRC text when Synced
  QString title;  // the record's names, normalised like the player's
  QString artist;
  QString url;  // where the record was read
};

// The status text the pane shows for a song without words.
inline constexpr QStringView kInstrumentalText = u"纯音乐，无歌词";

// The User-Agent every LRCLIB request names, as the service asks of clients.
extern const char kLrclibUserAgent[];

// A search result whose (normalised) title t and artist a fit the song:
// either name contains the other, for the title and for the artist alike.
// Containment is case-sensitive; an empty name is contained in any.
bool SearchResultMatches(const QString& songTitle, const QString& songArtist, const QString& t,
                         const QString& a);

// Request URLs under base (no trailing "/"); the values are percent-encoded
// as UTF-8. Album and duration are left out of the get request when unknown.
QString LrclibGetUrl(const QString& base, const LyricQuery& query);
QString LrclibSearchUrl(const QString& base, const LyricQuery& query);

// Reads one record as /api/get answers it. A record whose syncedLyrics is
// missing, null, empty or not a text is NotFound unless it is instrumental;
// plain (untimed) lyrics are never used.
LrclibLyric ReadLrclibRecord(const QByteArray& json);

// Picks from an /api/search answer (an array of records) the first record
// with a synced lyric or the instrumental mark whose names pass
// SearchResultMatches and whose duration is within 3 s of the song's.
LrclibLyric PickLrclibResult(const QByteArray& json, const LyricQuery& query);

// Asks base's /api/get and, when it has no usable record (404 or another
// refusal, or a record without a synced lyric), /api/search. Blocks: call
// it on a worker thread.
LrclibLyric LookupLrclib(const QString& base, const LyricQuery& query, DownloadLimits limits = {});

}  // namespace lyrovo
