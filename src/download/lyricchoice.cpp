#include "download/lyricchoice.h"

#include "text/textutil.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QUrl>
#include <QUrlQuery>

namespace lyrovo {

namespace {

constexpr std::int64_t kLrclibMaxBytes = 4 * 1024 * 1024;

QString encoded(const QString& value) { return QString::fromLatin1(QUrl::toPercentEncoding(value)); }

DownloadLimits lrclibLimits(DownloadLimits limits) {
  limits.userAgent = kLrclibUserAgent;
  if (limits.maxBytes <= 0 || limits.maxBytes > kLrclibMaxBytes) limits.maxBytes = kLrclibMaxBytes;
  return limits;
}

bool isLrclibUrl(const QString& url, const ServerConfig& servers) {
  return !IsPlaceholderServer(servers.lrclib) && url.startsWith(servers.lrclib + QStringLiteral("/api/"));
}

}  // namespace

void ListLrclibResults(const QString& base, const LyricQuery& query, const DownloadLimits& limits,
                       LyricLookupResult& result) {
  if (query.title.isEmpty()) return;
  QString url = base + QStringLiteral("/api/search?track_name=") + encoded(query.title);
  if (!query.artist.isEmpty()) url += QStringLiteral("&artist_name=") + encoded(query.artist);
  const FetchResult found = FetchUrl(url, lrclibLimits(limits));
  if (!found.ok()) return;
  const QJsonDocument document = QJsonDocument::fromJson(found.body);
  for (const QJsonValue& value : document.array()) {
    if (result.urls.size() >= kMaxSearchResults) break;
    const QJsonObject record = value.toObject();
    const QJsonValue id = record.value(QLatin1String("id"));
    if (!id.isDouble() || record.value(QLatin1String("syncedLyrics")).toString().trimmed().isEmpty())
      continue;
    result.titles << StringDeal(record.value(QLatin1String("trackName")).toString());
    result.artists << StringDeal(record.value(QLatin1String("artistName")).toString());
    result.urls << base + QStringLiteral("/api/get/") + QString::number(id.toInteger());
  }
}

LyricLookupResult RunLyricLookupWithChoices(const LyricLookupRequest& request) {
  LyricLookupResult result = RunLyricLookup(request);
  if (!result.link.isEmpty() || result.instrumental || !request.searchLrclib ||
      IsPlaceholderServer(request.servers.lrclib))
    return result;
  ListLrclibResults(request.servers.lrclib, request.query, request.limits, result);
  // The services listed nothing (else the lookup had chosen already): the
  // best-result rule chooses among LRCLIB's records.
  if (request.autoSelect && !result.urls.isEmpty()) {
    result.link = FallbackLyricChoice(result.titles, result.urls, request.query.title);
    result.text = DownloadLyricText(result.link, request);
    result.fetched = true;
  }
  return result;
}

LyricLookupResult RunWindowLyricSearch(const LyricLookupRequest& request) {
  LyricLookupRequest services = request;
  services.listOnly = true;
  services.searchText = request.query.artist.isEmpty() ? request.query.title
                                                       : request.query.title + u' ' + request.query.artist;
  services.searchLrclib = false;
  LyricLookupResult result = RunLyricLookup(services);
  if (request.searchLrclib && !IsPlaceholderServer(request.servers.lrclib))
    ListLrclibResults(request.servers.lrclib, request.query, request.limits, result);
  return result;
}

QString LrclibLyricText(const QByteArray& json, const QString& url) {
  const QJsonDocument document = QJsonDocument::fromJson(json);
  if (document.isObject()) {
    const LrclibLyric lyric = ReadLrclibRecord(json);
    return lyric.outcome == LrclibOutcome::Synced ? lyric.text : QString();
  }
  // A search answer: the names the search was made with pick the record.
  const QUrlQuery asked(QUrl(url).query());
  LyricQuery query;
  query.title = StringDeal(asked.queryItemValue(QStringLiteral("track_name"), QUrl::FullyDecoded));
  query.artist = StringDeal(asked.queryItemValue(QStringLiteral("artist_name"), QUrl::FullyDecoded));
  const LrclibLyric lyric = PickLrclibResult(json, query);
  return lyric.outcome == LrclibOutcome::Synced ? lyric.text : QString();
}

QString DownloadLyricText(const QString& url, const LyricLookupRequest& request) {
  if (!isLrclibUrl(url, request.servers)) return DownFile(url, request.tempFile, request.limits);
  QString text;
  const FetchResult answer = FetchUrl(url, lrclibLimits(request.limits));
  if (answer.ok()) text = LrclibLyricText(answer.body, url);
  if (!text.isEmpty() && !WriteTempLyric(request.tempFile, text)) text.clear();
  return text;
}

LyricLookupResult RunLyricDownload(const QString& url, const LyricLookupRequest& request) {
  LyricLookupResult result;
  const QString text = DownloadLyricText(url, request);
  if (!text.isEmpty() && text != u"0") {
    result.link = url;
    result.text = text;
  }
  return result;
}

}  // namespace lyrovo
