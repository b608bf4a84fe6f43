#include "download/lrclib.h"

#include "text/textutil.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QUrl>

#include <cmath>

namespace lyrovo {

const char kLrclibUserAgent[] = "Lyrovo/" LYROVO_VERSION " (desktop music player)";

namespace {

// Answers beyond this are no lyric record: they are refused unread.
constexpr std::int64_t kLrclibMaxBytes = 4 * 1024 * 1024;
constexpr double kDurationToleranceSec = 3.0;

QString encoded(const QString& value) { return QString::fromLatin1(QUrl::toPercentEncoding(value)); }

bool contained(const QString& inner, const QString& outer) {
  return outer.contains(inner, Qt::CaseSensitive);
}

// One record as the service returns it; NotFound for anything that is not an object.
LrclibLyric recordOf(const QJsonValue& value) {
  LrclibLyric lyric;
  if (!value.isObject()) return lyric;
  const QJsonObject record = value.toObject();
  lyric.title = StringDeal(record.value(QLatin1String("trackName")).toString());
  lyric.artist = StringDeal(record.value(QLatin1String("artistName")).toString());
  if (record.value(QLatin1String("instrumental")).toBool(false)) {
    lyric.outcome = LrclibOutcome::Instrumental;
    return lyric;
  }
  const QString synced = record.value(QLatin1String("syncedLyrics")).toString().trimmed();
  if (!synced.isEmpty()) {
    lyric.outcome = LrclibOutcome::Synced;
    lyric.text = synced;
  }
  return lyric;
}

bool durationFits(const QJsonObject& record, int durationSec) {
  if (durationSec <= 0) return true;
  const QJsonValue duration = record.value(QLatin1String("duration"));
  return duration.isDouble() && std::abs(duration.toDouble() - durationSec) <= kDurationToleranceSec;
}

}  // namespace

bool SearchResultMatches(const QString& songTitle, const QString& songArtist, const QString& t,
                         const QString& a) {
  return (contained(a, songArtist) || contained(songArtist, a)) &&
         (contained(t, songTitle) || contained(songTitle, t));
}

QString LrclibGetUrl(const QString& base, const LyricQuery& query) {
  QString url = base + QStringLiteral("/api/get?track_name=") + encoded(query.title) +
                QStringLiteral("&artist_name=") + encoded(query.artist);
  if (!query.album.isEmpty()) url += QStringLiteral("&album_name=") + encoded(query.album);
  if (query.durationSec > 0) url += QStringLiteral("&duration=") + QString::number(query.durationSec);
  return url;
}

QString LrclibSearchUrl(const QString& base, const LyricQuery& query) {
  return base + QStringLiteral("/api/search?track_name=") + encoded(query.title) +
         QStringLiteral("&artist_name=") + encoded(query.artist);
}

LrclibLyric ReadLrclibRecord(const QByteArray& json) {
  return recordOf(QJsonDocument::fromJson(json).object());
}

LrclibLyric PickLrclibResult(const QByteArray& json, const LyricQuery& query) {
  const QJsonDocument document = QJsonDocument::fromJson(json);
  if (!document.isArray()) return {};
  for (const QJsonValue& value : document.array()) {
    if (!value.isObject() || !durationFits(value.toObject(), query.durationSec)) continue;
    LrclibLyric lyric = recordOf(value);
    if (lyric.outcome != LrclibOutcome::NotFound &&
        SearchResultMatches(query.title, query.artist, lyric.title, lyric.artist))
      return lyric;
  }
  return {};
}

LrclibLyric LookupLrclib(const QString& base, const LyricQuery& query, DownloadLimits limits) {
  limits.userAgent = kLrclibUserAgent;
  if (limits.maxBytes <= 0 || limits.maxBytes > kLrclibMaxBytes) limits.maxBytes = kLrclibMaxBytes;
  const QString getUrl = LrclibGetUrl(base, query);
  const FetchResult record = FetchUrl(getUrl, limits);
  if (record.ok()) {
    LrclibLyric lyric = ReadLrclibRecord(record.body);
    lyric.url = getUrl;
    if (lyric.outcome != LrclibOutcome::NotFound) return lyric;
  } else if (record.status != FetchStatus::HttpError) {
    return {};  // the service did not answer: a search would fare no better
  }
  const QString searchUrl = LrclibSearchUrl(base, query);
  const FetchResult found = FetchUrl(searchUrl, limits);
  if (!found.ok()) return {};
  LrclibLyric lyric = PickLrclibResult(found.body, query);
  lyric.url = searchUrl;
  return lyric;
}

}  // namespace lyrovo
