// The readers of the lyric services' result pages and of the music search
// page on any bytes, decoded as a downloaded page is.
#include "download/download.h"
#include "download/lyricscrapers.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QString page =
      lyrovo::DownloadedText(QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)));
  // An empty search text is on every page, so the first service's reader gets past its first check.
  const lyrovo::ScrapeContext context{QString(), QStringLiteral("晴天"), QStringLiteral("周杰伦"),
                                      QStringLiteral("http://s.example"), QStringLiteral("http://d.example")};
  for (auto* scrape : {lyrovo::ScrapeLyricPage1, lyrovo::ScrapeLyricPage2, lyrovo::ScrapeLyricPage3}) {
    lyrovo::LyricSearchList list;
    scrape(page, context, list);
    if (list.count() > lyrovo::kMaxSearchResults) __builtin_trap();
    for (const QString& url : list.urls)
      if (!url.startsWith(QLatin1String("http://")) && !url.startsWith(QLatin1String("https://")))
        __builtin_trap();
  }
  lyrovo::ScrapeArtistName(page);
  return 0;
}
