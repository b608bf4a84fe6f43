// The readers of the lyric services' result pages and of the music search
// page, on hand-written pages.
#include "download/lyricscrapers.h"
#include "support/lyricpages.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

namespace lyrovo {
namespace {

using namespace lyrovo::testing::pages;

const QString kService = QStringLiteral("http://s1.example");
const QString kDownload = QStringLiteral("http://dl.example");

ScrapeContext sunny(const QString& searchText = QStringLiteral("晴天")) {
  return {searchText, QStringLiteral("晴天"), QStringLiteral("周杰伦"), kService, kDownload};
}

TEST(LyricScrapers, Service1ReadsLyricLinksAndStopsAtTheFirstFit) {
  const QString page = page1({
      row1("http://s1.example/lrc/雨天-孙燕姿.lrc"), row1("http://s1.example/lrc/晴天-周杰伦.lrc"),
      row1("http://s1.example/lrc/晴天 (live)-周杰伦.lrc"),  // fits as well, but comes later
  });
  LyricSearchList list;
  const ScrapeOutcome outcome = ScrapeLyricPage1(page, sunny(), list);
  EXPECT_EQ(outcome.status, ScrapeStatus::Done);
  EXPECT_EQ(outcome.link,
            QStringLiteral("http://s1.example/lrc/%E6%99%B4%E5%A4%A9-%E5%91%A8%E6%9D%B0%E4%BC%A6.lrc"));
  EXPECT_EQ(list.titles, QStringList({QStringLiteral("雨天"), QStringLiteral("晴天")}));
  EXPECT_EQ(list.artists, QStringList({QStringLiteral("孙燕姿"), QStringLiteral("周杰伦")}));
  EXPECT_EQ(list.count(), 2);
}

TEST(LyricScrapers, Service1GivesUpRetriesAndFiltersLinks) {
  LyricSearchList list;
  // No start marker: worth another fetch. A "not found" page or one that does not echo the search: not.
  EXPECT_EQ(ScrapeLyricPage1(QStringLiteral("晴天 <a href=\"x.lrc\"> lrc歌词"), sunny(), list).status,
            ScrapeStatus::Retry);
  EXPECT_EQ(ScrapeLyricPage1(QStringLiteral("没有找到与 晴天 歌曲"), sunny(), list).status,
            ScrapeStatus::Done);
  EXPECT_EQ(ScrapeLyricPage1(page1({row1("http://s1.example/a-b.lrc")}), sunny(QStringLiteral("阴天")), list)
                .status,
            ScrapeStatus::Done);
  EXPECT_EQ(list.count(), 0);

  const QString page = page1({
      row1("javascript:alert(1)//晴天-周杰伦.lrc"), row1("file:///etc/晴天-周杰伦.lrc"),
      row1("http://elsewhere.example/晴天-周杰伦.lrc"), row1("//elsewhere.example/晴天-周杰伦.lrc"),
      row1("http://s1.example/notalyric.txt"),
      row1("http://s1.example/lrc/NoDash.LRC"),  // the page is lower-cased first
      row1("/lrc/七里香-周杰伦.lrc"),            // relative: resolved on the service's host
  });
  const ScrapeOutcome outcome = ScrapeLyricPage1(page, sunny(), list);
  EXPECT_TRUE(outcome.link.isEmpty());
  // A name without "-" is listed without artist and never taken as a fit on its own.
  EXPECT_EQ(list.titles, QStringList({QStringLiteral("nodash"), QStringLiteral("七里香")}));
  EXPECT_EQ(list.artists, QStringList({QString(), QStringLiteral("周杰伦")}));
  EXPECT_EQ(
      list.urls.value(1),
      QStringLiteral("http://s1.example/lrc/%E4%B8%83%E9%87%8C%E9%A6%99-%E5%91%A8%E6%9D%B0%E4%BC%A6.lrc"));
}

TEST(LyricScrapers, Service1SkipsALinkFollowedByAnotherAndReadsTheLastLinkOfThePage) {
  // The song page link comes before the lyric link; the lyric link is the last anchor of the page.
  const QString page = QStringLiteral(
      "晴天 歌曲 <a href=\"http://s1.example/song\">晴天</a> "
      "<a href=\"http://s1.example/晴天-周杰伦.lrc\"> LRC歌词");
  LyricSearchList list;
  const ScrapeOutcome outcome = ScrapeLyricPage1(page, sunny(), list);
  EXPECT_EQ(outcome.link,
            QStringLiteral("http://s1.example/%E6%99%B4%E5%A4%A9-%E5%91%A8%E6%9D%B0%E4%BC%A6.lrc"));
  EXPECT_EQ(list.count(), 1);
}

TEST(LyricScrapers, Service2BuildsDownloadLinksAndCapsTheListAt21) {
  std::vector<QString> rows;
  for (int n = 1; n <= 30; ++n)
    rows.push_back(row2(QStringLiteral("歌%1").arg(n), QStringLiteral("某人"), n));
  LyricSearchList list;
  const ScrapeOutcome outcome = ScrapeLyricPage2(page2(rows), sunny(), list);
  EXPECT_EQ(outcome.status, ScrapeStatus::Done);
  EXPECT_TRUE(outcome.link.isEmpty());
  ASSERT_EQ(list.count(), 21);
  EXPECT_EQ(list.titles.front(), QStringLiteral("歌1"));
  EXPECT_EQ(list.artists.front(), QStringLiteral("某人"));
  EXPECT_EQ(list.urls.front(), QStringLiteral("http://dl.example/downlrc.jsp?tGroupid=1"));
  EXPECT_EQ(list.urls.back(), QStringLiteral("http://dl.example/downlrc.jsp?tGroupid=21"));

  // A list that other services filled up to 20 takes one more.
  LyricSearchList nearlyFull;
  for (int n = 0; n < 20; ++n) nearlyFull.add(QStringLiteral("t"), QStringLiteral("a"), QStringLiteral("u"));
  ScrapeLyricPage2(page2(rows), sunny(), nearlyFull);
  EXPECT_EQ(nearlyFull.count(), 21);

  LyricSearchList fit;
  const ScrapeOutcome found =
      ScrapeLyricPage2(page2({row2(QStringLiteral("雨天"), QStringLiteral("孙燕姿"), 7),
                              row2(QStringLiteral("晴天"), QStringLiteral("周杰伦"), 8),
                              row2(QStringLiteral("晴天"), QStringLiteral("周杰伦"), 9)}),
                       sunny(), fit);
  EXPECT_EQ(found.link, QStringLiteral("http://dl.example/downlrc.jsp?tGroupid=8"));
  EXPECT_EQ(fit.count(), 2);
  EXPECT_EQ(ScrapeLyricPage2(QStringLiteral("<html>歌手：</html>"), sunny(), fit).status,
            ScrapeStatus::Retry);
}

TEST(LyricScrapers, Service3ReadsArtistLinkAndTitle) {
  const QString page = page3({
      row3(QStringLiteral("孙燕姿"), "http://s1.example/l/1.lrc", QStringLiteral("雨天")),
      row3(QStringLiteral("周杰伦"), "javascript:void(0)", QStringLiteral("晴天")),
      row3(QStringLiteral("周杰伦"), "http://s1.example/l/3.lrc", QStringLiteral("晴天")),
      row3(QStringLiteral("周杰伦"), "http://s1.example/l/4.lrc", QStringLiteral("晴天")),
  });
  LyricSearchList list;
  const ScrapeOutcome outcome = ScrapeLyricPage3(page, sunny(), list);
  EXPECT_EQ(outcome.link, QStringLiteral("http://s1.example/l/3.lrc"));
  EXPECT_EQ(list.titles, QStringList({QStringLiteral("雨天"), QStringLiteral("晴天")}));
  EXPECT_EQ(list.artists, QStringList({QStringLiteral("孙燕姿"), QStringLiteral("周杰伦")}));
  EXPECT_EQ(ScrapeLyricPage3(QStringLiteral("曲名：晴天"), sunny(), list).status, ScrapeStatus::Retry);
}

// Pages no service should send: no crash, no endless scan, nothing bogus listed.
TEST(LyricScrapers, BadPagesEndQuietly) {
  const QString markers[] = {QStringLiteral("歌曲"),        QStringLiteral("<a href="),
                             QStringLiteral("lrc歌词"),     QStringLiteral("曲名："),
                             QStringLiteral("<font"),       QStringLiteral("</font>"),
                             QStringLiteral("歌手："),      QStringLiteral("\">"),
                             QStringLiteral("</a>"),        QStringLiteral("downlrc.jsp?tgroupid="),
                             QStringLiteral("lrc歌词下载"), QStringLiteral("查看lrc歌词"),
                             QStringLiteral("nm="),         QStringLiteral("\""),
                             QStringLiteral("class=mr>")};
  QStringList pages = {QString(), QStringLiteral("0"), QStringLiteral("  0  "), QStringLiteral("晴天")};
  QString forward, backward;
  for (const QString& marker : markers) forward += marker;
  for (auto it = std::rbegin(markers); it != std::rend(markers); ++it) backward += *it;
  pages << forward << backward << QStringLiteral("晴天") + forward << QStringLiteral("晴天") + backward;
  pages << QStringLiteral("晴天 歌曲") << QStringLiteral("晴天 歌曲 <a href=")
        << QStringLiteral("晴天 歌曲<a href=\"");
  pages << QStringLiteral("曲名：<font") << QStringLiteral("歌手：\">")
        << QStringLiteral("<b class=mr><font");
  for (const QString& page : pages) {
    for (auto* scrape : {ScrapeLyricPage1, ScrapeLyricPage2, ScrapeLyricPage3}) {
      LyricSearchList list;
      const ScrapeOutcome outcome = scrape(page, sunny(), list);
      EXPECT_EQ(list.count(), 0) << page.toStdString();
      EXPECT_TRUE(outcome.link.isEmpty());
    }
    EXPECT_TRUE(ScrapeArtistName(page).isEmpty()) << page.toStdString();
  }
}

TEST(LyricScrapers, HugePagesOfRepeatedMarkersAreReadInLinearTime) {
  QElapsedTimer clock;
  clock.start();
  const QString anchors = QStringLiteral("晴天 歌曲 ") + QStringLiteral("<a href=").repeated(2'500'000) +
                          QStringLiteral("lrc歌词");
  LyricSearchList list;
  ScrapeLyricPage1(anchors, sunny(), list);
  ScrapeLyricPage2(
      QStringLiteral("曲名：") + QStringLiteral("lrc歌词下载<font</font>歌手：></a>").repeated(400'000),
      sunny(), list);
  ScrapeLyricPage3(QStringLiteral("歌手：\"><查看lrc歌词").repeated(1'000'000), sunny(), list);
  // A scan that restarts from the beginning for every marker would take hours here.
  EXPECT_LT(clock.elapsed(), 20'000);
}

TEST(LyricScrapers, ArtistNameFromTheMusicSearchPage) {
  EXPECT_EQ(ScrapeArtistName(infoPage(QStringLiteral("周杰伦"))), QStringLiteral("周杰伦"));
  EXPECT_EQ(ScrapeArtistName(infoPage(QStringLiteral("<font color=red>Jay Chou</font>"))),
            QStringLiteral("jay chou"));
  EXPECT_TRUE(ScrapeArtistName(QStringLiteral("没有找到 class=mr>周杰伦</a>")).isEmpty());
  EXPECT_TRUE(ScrapeArtistName(infoPage(QStringLiteral("  "))).isEmpty());
  EXPECT_TRUE(ScrapeArtistName(infoPage(QStringLiteral("a\r\n<script>"))).isEmpty());
  EXPECT_TRUE(ScrapeArtistName(QStringLiteral("class=mr>周杰伦")).isEmpty());  // no end marker
}

TEST(LyricScrapers, SearchTextTravelsAsPercentEncodedGbk) {
  EXPECT_EQ(GbkQueryValue(QStringLiteral("晴天 周杰伦")),
            QStringLiteral("%C7%E7%CC%EC%20%D6%DC%BD%DC%C2%D7"));
  EXPECT_EQ(GbkQueryValue(QStringLiteral("a&b=c")), QStringLiteral("a%26b%3Dc"));
}

}  // namespace
}  // namespace lyrovo
