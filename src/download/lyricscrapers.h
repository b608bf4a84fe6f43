#pragma once

// Readers of the result pages of the three web lyric search services and of
// the music search page. They are pure functions from page text to results:
// the pages are scanned with fixed text markers, and every link taken from a
// page is checked before it is listed.

#include <QString>
#include <QStringList>

namespace lyrovo {

// The most results one search lists, over all services together.
inline constexpr int kMaxSearchResults = 21;

// The results of one search, in the order the services found them.
struct LyricSearchList {
  QStringList titles;  // normalised like the player's names (lower case)
  QStringList artists;
  QStringList urls;

  int count() const { return int(urls.size()); }
  bool full() const { return count() >= kMaxSearchResults; }
  void add(const QString& title, const QString& artist, const QString& url);
  void clear();
};

// What a page is scanned for and where its links may lead.
struct ScrapeContext {
  QString searchText;  // the text the page was asked for
  QString songTitle;   // the match test's names (normalised)
  QString songArtist;
  QString serviceBase;   // the service's base URL: page links resolve against it and must stay on its host
  QString downloadBase;  // service 2: the lyric download host its links are built on
};

enum class ScrapeStatus {
  Done,   // the page was read; link holds the first result that fits the song, if any
  Retry,  // the page lacks its start marker: it is worth fetching once more
};

struct ScrapeOutcome {
  ScrapeStatus status = ScrapeStatus::Done;
  QString link;
};

// Each reader appends the page's results to list while it has room, and
// stops at the first result that passes the match test. The page is the
// text as downloaded; the readers trim and lower-case it themselves. An
// empty page or "0" is Done without results.
ScrapeOutcome ScrapeLyricPage1(const QString& page, const ScrapeContext& context, LyricSearchList& list);
ScrapeOutcome ScrapeLyricPage2(const QString& page, const ScrapeContext& context, LyricSearchList& list);
ScrapeOutcome ScrapeLyricPage3(const QString& page, const ScrapeContext& context, LyricSearchList& list);

// The artist the music search page names for a title, or an empty string
// when the page has none (or names something that is no plain name).
QString ScrapeArtistName(const QString& page);

// link as an absolute http or https URL on serviceBase's host (a relative
// link is resolved against serviceBase), or an empty string when it leads
// elsewhere: another host, file://, javascript: and the like.
QString ServiceLink(const QString& link, const QString& serviceBase);

// text in GBK, percent-encoded for a query value.
QString GbkQueryValue(const QString& text);

}  // namespace lyrovo
