#include "download/lyricservices.h"

#include <QUrl>

namespace lyrovo {

namespace {

constexpr int kAttempts = 3;

using Scraper = ScrapeOutcome (*)(const QString&, const ScrapeContext&, LyricSearchList&);

QString fetchPage(const QString& url, const DownloadLimits& limits) {
  const FetchResult page = FetchUrl(url, limits);
  return page.ok() ? DownloadedText(page.body) : QString();
}

QString searchService(const LyricServiceSearch& search, const QString& base, QStringView path, Scraper scrape,
                      LyricSearchList& list) {
  if (IsPlaceholderServer(base) || list.full()) return {};
  const ScrapeContext context{search.searchText, search.songTitle, search.songArtist, base,
                              search.servers.lyricDownload};
  const QString url = base + path.toString() + GbkQueryValue(search.searchText);
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    const ScrapeOutcome outcome = scrape(fetchPage(url, search.limits), context, list);
    if (outcome.status == ScrapeStatus::Done) return outcome.link;
  }
  return {};
}

}  // namespace

QString SearchWord1(const LyricServiceSearch& search, LyricSearchList& list) {
  list.clear();
  return searchService(search, search.servers.lyricSearch1, kLyricSearchPath1, ScrapeLyricPage1, list);
}

QString SearchWord2(const LyricServiceSearch& search, LyricSearchList& list) {
  if (IsPlaceholderServer(search.servers.lyricDownload)) return {};  // its links could not be fetched
  return searchService(search, search.servers.lyricSearch2, kLyricSearchPath2, ScrapeLyricPage2, list);
}

QString SearchWord3(const LyricServiceSearch& search, LyricSearchList& list) {
  return searchService(search, search.servers.lyricSearch3, kLyricSearchPath3, ScrapeLyricPage3, list);
}

QString SearchInfo(const ServerConfig& servers, const QString& title, const DownloadLimits& limits) {
  if (IsPlaceholderServer(servers.musicSearch) || title.trimmed().isEmpty()) return {};
  const QString url = servers.musicSearch + kArtistSearchPath.toString() +
                      QString::fromLatin1(QUrl::toPercentEncoding(title));
  return ScrapeArtistName(fetchPage(url, limits));
}

}  // namespace lyrovo
