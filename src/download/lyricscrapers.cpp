#include "download/lyricscrapers.h"

#include "download/lrclib.h"
#include "text/encoding.h"
#include "text/textutil.h"

#include <QUrl>

namespace lyrovo {

namespace {

// Position of marker at or after from, -1 when there is none (or from is already -1).
qsizetype find(const QString& page, QStringView marker, qsizetype from) {
  if (from < 0 || from > page.size()) return -1;
  return page.indexOf(marker, from);
}

// The length characters from start, or an empty string when the markers
// around it came in the wrong order.
QString cut(const QString& page, qsizetype start, qsizetype length) {
  if (start < 0 || length <= 0 || start > page.size()) return {};
  return page.mid(start, length);
}

// The page as the markers expect it: trimmed and lower-cased.
QString prepared(const QString& page) { return page.trimmed().toLower(); }

constexpr qsizetype kMaxArtistName = 100;

bool emptyPage(const QString& page) { return page.isEmpty() || page == u"0"; }

bool fits(const ScrapeContext& context, const QString& title, const QString& artist) {
  return SearchResultMatches(context.songTitle, context.songArtist, title, artist);
}

}  // namespace

void LyricSearchList::add(const QString& title, const QString& artist, const QString& url) {
  titles << title;
  artists << artist;
  urls << url;
}

void LyricSearchList::clear() {
  titles.clear();
  artists.clear();
  urls.clear();
}

QString ServiceLink(const QString& link, const QString& serviceBase) {
  const QUrl base(serviceBase + u'/');
  const QUrl target = base.resolved(QUrl(link.trimmed()));
  const QString scheme = target.scheme();
  if (!target.isValid() || (scheme != u"http" && scheme != u"https")) return {};
  if (target.host().isEmpty() || target.host().compare(base.host(), Qt::CaseInsensitive) != 0) return {};
  return target.toString(QUrl::FullyEncoded);
}

QString GbkQueryValue(const QString& text) {
  return QString::fromLatin1(encodeGbk(text).toPercentEncoding());
}

// Service 1 lists links to lyric files; a link followed by "lrc歌词" (with no
// other link in between) is a lyric, and its file name is "title-artist.lrc".
ScrapeOutcome ScrapeLyricPage1(const QString& rawPage, const ScrapeContext& context, LyricSearchList& list) {
  static constexpr QStringView kAnchor = u"<a href=";
  static constexpr QStringView kLyricMark = u"lrc歌词";
  const QString page = prepared(rawPage);
  if (emptyPage(page)) return {};
  if (page.contains(u"没有找到与") || !page.contains(context.searchText.toLower())) return {};
  qsizetype p = page.indexOf(u"歌曲");
  if (p < 0) return {ScrapeStatus::Retry, {}};
  qsizetype q = -1;  // the next lyric mark, looked up again only once p has passed it
  while (!list.full()) {
    const qsizetype anchor = find(page, kAnchor, p);
    if (anchor < 0) break;
    p = anchor + 9;
    if (p >= page.size()) break;
    if (q < p) q = find(page, kLyricMark, p);
    if (q < 0) break;
    const qsizetype next = find(page, kAnchor, p);
    if (next >= 0 && next + 9 <= q) continue;  // another link comes first: this one is no lyric
    const QString link = cut(page, p, q - 3 - p);
    if (!link.endsWith(u".lrc")) continue;
    const QString url = ServiceLink(link, context.serviceBase);
    if (url.isEmpty()) continue;
    const QString name = link.mid(link.lastIndexOf(u'/') + 1).chopped(4);
    const qsizetype dash = name.indexOf(u'-');
    if (dash < 0) {
      // A name without artist is listed for the user to judge but never
      // taken as the song's lyric on its own.
      list.add(StringDeal(name), QString(), url);
      continue;
    }
    const QString title = StringDeal(name.left(dash));
    const QString artist = StringDeal(name.mid(dash + 1));
    list.add(title, artist, url);
    if (fits(context, title, artist)) return {ScrapeStatus::Done, url};
  }
  return {};
}

// Service 2 lists rows of title ("曲名："), artist ("歌手：") and a lyric
// group id; the lyric is fetched from the download host by that id.
ScrapeOutcome ScrapeLyricPage2(const QString& rawPage, const ScrapeContext& context, LyricSearchList& list) {
  static constexpr QStringView kTitleMark = u"曲名：";
  static constexpr QStringView kRowEnd = u"lrc歌词下载";
  static constexpr QStringView kGroupMark = u"downlrc.jsp?tgroupid=";
  const QString page = prepared(rawPage);
  if (emptyPage(page)) return {};
  qsizetype i = page.indexOf(kTitleMark);
  if (i < 0) return {ScrapeStatus::Retry, {}};
  while (!list.full() && find(page, kRowEnd, i) >= 0) {
    qsizetype d = find(page, kTitleMark, i);
    d = find(page, u"<font", d);
    const qsizetype e = find(page, u"</font>", d);
    if (e < 0) break;
    const QString title = StringDeal(cut(page, d + 20, e - d - 20));
    d = find(page, u"歌手：", d);
    d = find(page, u">", d);
    const qsizetype g = find(page, u"</a>", d);
    if (g < 0) break;
    const QString artist = StringDeal(cut(page, d + 1, g - d - 1));
    d = find(page, kGroupMark, d);
    const qsizetype l = find(page, kRowEnd, d);
    if (l < 0) break;
    const QString group = cut(page, d + 21, l - d - 23);
    i = l + 1;
    if (group.isEmpty()) continue;
    const QString url = context.downloadBase + QStringLiteral("/downlrc.jsp?tGroupid=") +
                        QString::fromLatin1(QUrl::toPercentEncoding(group));
    list.add(title, artist, url);
    if (fits(context, title, artist)) return {ScrapeStatus::Done, url};
  }
  return {};
}

// Service 3 lists rows of artist ("歌手："), a link to the lyric ("查看lrc歌词")
// and the title in the link's "nm=" parameter.
ScrapeOutcome ScrapeLyricPage3(const QString& rawPage, const ScrapeContext& context, LyricSearchList& list) {
  static constexpr QStringView kArtistMark = u"歌手：";
  static constexpr QStringView kLyricMark = u"查看lrc歌词";
  const QString page = prepared(rawPage);
  if (emptyPage(page)) return {};
  const qsizetype first = page.indexOf(kArtistMark);
  if (first < 0) return {ScrapeStatus::Retry, {}};
  qsizetype a = first + 1;
  while (!list.full()) {
    const qsizetype m = find(page, kLyricMark, a);
    if (m < 0) break;
    // The row's artist is the last artist label before its lyric link.
    const qsizetype s = page.lastIndexOf(kArtistMark, m - 1);
    if (s < a - 1) break;
    const qsizetype e = find(page, u"\">", s);
    const qsizetype f = find(page, u"<", e);
    if (f < 0) break;
    const QString artist = StringDeal(cut(page, e + 2, f - e - 2));
    const qsizetype next = find(page, kLyricMark, e);
    if (next < 0) break;
    const qsizetype h = page.lastIndexOf(u"<a href=", next - 1);
    if (h < e) break;
    const qsizetype t = find(page, kLyricMark, h);
    const QString link = cut(page, h + 9, t - h - 28);
    const qsizetype c = find(page, u"nm=", t);
    const qsizetype k = find(page, u"\"", c);
    if (k < 0) break;
    const QString title = StringDeal(cut(page, c + 3, k - c - 3));
    const QString url = ServiceLink(link, context.serviceBase);
    if (!url.isEmpty()) {
      list.add(title, artist, url);
      if (fits(context, title, artist)) return {ScrapeStatus::Done, url};
    }
    a = find(page, kArtistMark, k);
    if (a < 0) break;
    ++a;
  }
  return {};
}

QString ScrapeArtistName(const QString& rawPage) {
  static constexpr QStringView kNameMark = u"class=mr>";
  const QString page = prepared(rawPage);
  if (emptyPage(page) || page.contains(u"没有找到")) return {};
  const qsizetype start = page.indexOf(kNameMark);
  if (start < 0) return {};
  const qsizetype end = find(page, u"</a>", start + kNameMark.size());
  if (end < 0) return {};
  QString name = cut(page, start + kNameMark.size(), end - start - kNameMark.size());
  if (name.startsWith(u"<font")) {
    const qsizetype open = name.indexOf(u'>');
    const qsizetype close = find(name, u"<", open);
    name = close < 0 ? QString() : cut(name, open + 1, close - open - 1);
  }
  name = name.trimmed();
  // Markup, line breaks or a runaway length mean the markers met something else than a name.
  if (name.size() > kMaxArtistName) return {};
  for (const QChar c : name)
    if (c == u'<' || c == u'>' || c == u'"' || c.category() == QChar::Other_Control) return {};
  return name;
}

}  // namespace lyrovo
