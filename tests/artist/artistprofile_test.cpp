// Cache names, the profile page and the Wikipedia page summary, without a network.
#include "artist/artistprofile.h"
#include "base/errorlog.h"
#include "base/scriptedprompts.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// Readable texts in failure messages.
[[maybe_unused]] static void PrintTo(const QString& text, std::ostream* out) { *out << text.toStdString(); }

namespace lyrovo {
namespace {

void writeBytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

QByteArray readBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

TEST(ArtistCache, NamesStayOneFileInsideTheirFolder) {
  EXPECT_EQ(ArtistPhotoPath(QStringLiteral("/a/Images/"), QStringLiteral("Jay CHOU")),
            QStringLiteral("/a/Images/jay chou.jpg"));
  EXPECT_EQ(ArtistProfilePath(QStringLiteral("/a/Resumes/"), QStringLiteral("周杰伦")),
            QStringLiteral("/a/Resumes/周杰伦.jj"));
  EXPECT_EQ(ArtistCacheName(QStringLiteral("../../etc/x")), QStringLiteral(".._.._etc_x"));
  EXPECT_EQ(ArtistCacheName(QStringLiteral("..")), QStringLiteral("__"));
  EXPECT_EQ(ArtistCacheName(QStringLiteral("a\\b\nc")), QStringLiteral("a_b_c"));
  const QString longName = ArtistCacheName(QString(300, QChar(0x6B4C)));  // 3 bytes each in UTF-8
  EXPECT_LE(longName.toUtf8().size(), 200);
  EXPECT_GT(longName.size(), 60);
}

TEST(ArtistCache, CachedPhotoIsFoundByArtistInAnyCase) {
  QTemporaryDir dir;
  const QString images = dir.path() + QStringLiteral("/Images/");
  QDir().mkpath(images);
  EXPECT_EQ(CachedArtistPhoto(images, QStringLiteral("Singer")), QString());
  writeBytes(images + QStringLiteral("singer.jpg"), "x");
  EXPECT_EQ(CachedArtistPhoto(images, QStringLiteral("Singer")), images + QStringLiteral("singer.jpg"));
  EXPECT_EQ(CachedArtistPhoto(QString(), QStringLiteral("Singer")), QString());
}

TEST(ArtistCache, PhotosMustBePicturesOfSensibleSize) {
  QTemporaryDir dir;
  const QString tiny = dir.filePath(QStringLiteral("tiny.jpg"));
  QImage one(1, 1, QImage::Format_RGB32);
  one.fill(Qt::red);
  ASSERT_TRUE(one.save(tiny, "PNG"));  // any format the loader reads, whatever the name says
  EXPECT_EQ(LoadArtistPhoto(tiny).size(), QSize(1, 1));

  const QString text = dir.filePath(QStringLiteral("text.jpg"));
  writeBytes(text, "<html>not a picture</html>");
  EXPECT_TRUE(LoadArtistPhoto(text).isNull());

  // A header that claims 20000 × 20000 pixels is refused before decoding.
  const QString giant = dir.filePath(QStringLiteral("giant.jpg"));
  writeBytes(giant, QByteArray("P6\n20000 20000\n255\n") + QByteArray(3000, '\x7f'));
  EXPECT_TRUE(LoadArtistPhoto(giant).isNull());
  EXPECT_TRUE(LoadArtistPhoto(dir.filePath(QStringLiteral("missing.jpg"))).isNull());
}

TEST(SearchPage, PhotoAndProfileLinksFollowTheProfileSection) {
  const QString page = QStringLiteral(
      "<a href=\"/before\">x</a>歌手档案<div><img src=\"http://img/p.jpg\" /></div>"
      "<a href=\"http://site/profile?id=1\">更多</a>");
  SearchPageLinks links = ParseSearchPage(page, true);
  EXPECT_TRUE(links.hasProfileSection);
  EXPECT_EQ(links.photoUrl, QStringLiteral("http://img/p.jpg"));
  EXPECT_EQ(links.profileUrl, QStringLiteral("http://site/profile?id=1"));

  links = ParseSearchPage(QStringLiteral("歌手档案 <a href=\"http://site/p\">"), true);
  EXPECT_TRUE(links.hasProfileSection);
  EXPECT_TRUE(links.photoUrl.isEmpty());
  EXPECT_TRUE(links.profileUrl.isEmpty());  // no photo: the look-up ends there
  links = ParseSearchPage(QStringLiteral("歌手档案 <a href=\"http://site/p\">"), false);
  EXPECT_EQ(links.profileUrl, QStringLiteral("http://site/p"));
  EXPECT_FALSE(ParseSearchPage(QStringLiteral("抱歉，没有找到"), true).hasProfileSection);
}

TEST(ProfilePage, SummaryTakesTheLabelsThatArePresent) {
  const QString both = QStringLiteral(
      "<div>语种：</b>国语<br>流派：</b>流行<br>地区：</b>港台</div>歌手简介<td>第一行<br />第二行</td>");
  auto profile = ExtractProfile(both);
  ASSERT_TRUE(profile);
  EXPECT_EQ(profile->summary, QStringLiteral("语种：国语||流派：流行||地区：港台"));
  EXPECT_EQ(profile->lines, QStringList({QStringLiteral("第一行"), QStringLiteral("第二行")}));

  profile = ExtractProfile(QStringLiteral("语种：</b>粤语<br>地区：</b>香港</div>歌手简介<td>一</td>"));
  ASSERT_TRUE(profile);
  EXPECT_EQ(profile->summary, QStringLiteral("语种：粤语||地区：香港"));

  profile = ExtractProfile(QStringLiteral("歌手简介<td>只有简介</td>"));
  ASSERT_TRUE(profile);
  EXPECT_FALSE(profile->summary);

  EXPECT_FALSE(ExtractProfile(QStringLiteral("  0 ")));
  EXPECT_FALSE(ExtractProfile(QStringLiteral("语种：</b>国语<br>")));             // no introduction
  EXPECT_FALSE(ExtractProfile(QStringLiteral("歌手简介 without a cell </td>")));  // no "<td>"
  EXPECT_THROW(ExtractProfile(QStringLiteral("语种：国语 歌手简介<td>x</td>")), AppError);
}

TEST(ProfilePage, DealJJWritesTheProfileAndDropsThePage) {
  QTemporaryDir dir;
  const QString page = dir.filePath(QStringLiteral("singer.jj1"));
  writeBytes(page, QStringLiteral("<DIV>语种：</b>国语<br>\r\n地区：</b>台湾</div>\r\n"
                                  "歌手简介<td>Line <B>One</B><br />\r\n<script>alert(1)</script></td>")
                       .toUtf8());
  const auto dealt = DealJJ(page, QStringLiteral("old tip"), nullptr);
  ASSERT_TRUE(dealt);
  EXPECT_EQ(dealt->path, dir.filePath(QStringLiteral("singer.jj")));
  EXPECT_EQ(dealt->summary, QStringLiteral("语种：国语||地区：台湾"));
  // Lines joined, lower-cased, markup kept as found: the viewer shows it as text.
  EXPECT_EQ(
      readBytes(dealt->path),
      QStringLiteral("语种：国语||地区：台湾\r\nline <b>one</b>\r\n<script>alert(1)</script>\r\n").toUtf8());
  EXPECT_FALSE(QFile::exists(page));
  EXPECT_EQ(ProfileSummaryLine(dealt->path), QStringLiteral("语种：国语||地区：台湾"));

  // An existing profile is never replaced.
  writeBytes(page, "歌手简介<td>new</td>");
  EXPECT_FALSE(DealJJ(page, {}, nullptr));
  EXPECT_TRUE(QFile::exists(page));
}

TEST(ProfilePage, BrokenPagesAreLoggedAndKept) {
  QTemporaryDir dir;
  writeBytes(dir.filePath(QStringLiteral("debug.dat")), {});
  ScriptedPrompts prompts;
  ErrorLog log(dir.path() + u'/', &prompts);
  const QString page = dir.filePath(QStringLiteral("x.jj1"));
  writeBytes(page, QStringLiteral("语种：国语 歌手简介<td>x</td>").toUtf8());
  EXPECT_FALSE(DealJJ(page, {}, &log));
  EXPECT_TRUE(QFile::exists(page));
  EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("x.jj"))));
  EXPECT_TRUE(readBytes(dir.filePath(QStringLiteral("Error.log"))).contains(" DealJJ"));

  writeBytes(page, "<html>no profile here</html>");
  EXPECT_FALSE(DealJJ(page, {}, &log));  // nothing to keep, nothing to log
  EXPECT_EQ(prompts.callsOf(QStringLiteral("message")).size(), 1u);
}

TEST(Wikipedia, SummaryUrlEncodesTheTitle) {
  EXPECT_EQ(WikipediaSummaryUrl(QStringLiteral("https://zh.wikipedia.org"), QStringLiteral("AC/DC"))
                .toString(QUrl::FullyEncoded),
            QStringLiteral("https://zh.wikipedia.org/api/rest_v1/page/summary/AC%2FDC"));
  EXPECT_EQ(WikipediaSummaryUrl(QStringLiteral("http://h/zh"), QStringLiteral("周 杰伦"))
                .toString(QUrl::FullyEncoded),
            QStringLiteral("http://h/zh/api/rest_v1/page/summary/%E5%91%A8_%E6%9D%B0%E4%BC%A6"));
  EXPECT_EQ(WikipediaSummaryUrl(QStringLiteral("http://h"), QStringLiteral("taylor swift")).path(),
            QStringLiteral("/api/rest_v1/page/summary/Taylor_Swift"));
  EXPECT_EQ(WikipediaSummaryUrl(QStringLiteral("http://h"), QStringLiteral("will.i.am")).path(),
            QStringLiteral("/api/rest_v1/page/summary/Will.i.am"));
  EXPECT_EQ(WikipediaSummaryUrl(QStringLiteral("http://h"), QStringLiteral("iU")).path(),
            QStringLiteral("/api/rest_v1/page/summary/iU"));
}

TEST(Wikipedia, PagesAboutMusiciansOnly) {
  WikiSummary page = ParseWikipediaSummary(R"({"type":"standard","title":"周杰伦","description":"台湾男歌手",
      "extract":"周杰伦是台湾歌手。\n第二段。","thumbnail":{"source":"https://up/p.jpg","width":320}})");
  EXPECT_EQ(page.kind, WikiPageKind::Musician);
  EXPECT_EQ(page.thumbnail, QStringLiteral("https://up/p.jpg"));
  ProfileText profile = WikipediaProfile(page);
  EXPECT_EQ(profile.summary, QStringLiteral("台湾男歌手"));
  EXPECT_EQ(profile.lines, QStringList({QStringLiteral("周杰伦是台湾歌手。"), QStringLiteral("第二段。")}));

  page = ParseWikipediaSummary(
      R"({"type":"standard","title":"Queen","extract":"Queen are a British rock band. More."})");
  EXPECT_EQ(page.kind, WikiPageKind::Musician);  // no description: the first sentence decides
  EXPECT_EQ(WikipediaProfile(page).summary, QStringLiteral("Queen are a British rock band"));

  EXPECT_EQ(ParseWikipediaSummary(R"({"type":"disambiguation","title":"Queen","description":"Topics"})").kind,
            WikiPageKind::Disambiguation);
  EXPECT_EQ(ParseWikipediaSummary(R"({"type":"standard","title":"Moon","description":"natural satellite",
      "extract":"The Moon orbits the Earth; my husband saw it."})")
                .kind,
            WikiPageKind::NotAMusician);
  EXPECT_EQ(
      ParseWikipediaSummary(R"({"type":"https://mediawiki.org/wiki/HyperSwitch/errors/not_found"})").kind,
      WikiPageKind::Missing);
  EXPECT_EQ(ParseWikipediaSummary("not json").kind, WikiPageKind::Missing);
}

}  // namespace
}  // namespace lyrovo
