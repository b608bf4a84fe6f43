#include "artist/artistprofile.h"

#include "base/apperror.h"
#include "base/errorlog.h"
#include "download/download.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSaveFile>

namespace lyrovo {

namespace {

// Room for ".jj1" and a temporary file's suffix within 255 bytes.
constexpr int kMaxNameBytes = 200;
// A profile page or profile file larger than this is not read.
constexpr qint64 kMaxProfileBytes = 4 * 1024 * 1024;

AppError missingMarker(const char* marker) {
  return AppError(errors::InvalidCall, QStringLiteral("Invalid procedure call: no \"%1\"").arg(marker));
}

// The value of a "label：" entry: it starts 7 characters after the label
// (the label's 3 characters and the 4 of the markup that follows) and runs
// up to the end marker.
QString labelValue(const QString& text, qsizetype label, qsizetype end) {
  const qsizetype length = end - label - 7;
  if (length < 0) throw AppError(errors::InvalidCall, QStringLiteral("Invalid procedure call"));
  return text.mid(label + 7, length);
}

}  // namespace

QString ArtistCacheName(const QString& artist) {
  QString name = artist.toLower();
  for (QChar& ch : name)
    if (ch == u'/' || ch == u'\\' || ch.category() == QChar::Other_Control) ch = u'_';
  while (name.toUtf8().size() > kMaxNameBytes)
    name.chop(name.size() >= 2 && name.back().isLowSurrogate() ? 2 : 1);
  if (name == u"." || name == u"..") name.replace(u'.', u'_');
  return name;
}

QString ArtistPhotoPath(const QString& imagesPath, const QString& artist) {
  return imagesPath + ArtistCacheName(artist) + QStringLiteral(".jpg");
}

QString ArtistProfilePath(const QString& resumesPath, const QString& artist) {
  return resumesPath + ArtistCacheName(artist) + QStringLiteral(".jj");
}

QString CachedArtistPhoto(const QString& imagesPath, const QString& artist) {
  if (imagesPath.isEmpty() || artist.isEmpty()) return {};
  const QString path = ArtistPhotoPath(imagesPath, artist);
  return QFileInfo(path).isFile() ? path : QString();
}

QString ProfileSummaryLine(const QString& profilePath) {
  QFile file(profilePath);
  if (!file.open(QIODevice::ReadOnly)) return {};
  QByteArray line = file.readLine(64 * 1024);
  while (line.endsWith('\n') || line.endsWith('\r')) line.chop(1);
  return QString::fromUtf8(line);
}

bool WriteProfile(const QString& profilePath, const QString& summary, const QStringList& lines) {
  QSaveFile file(profilePath);
  if (!file.open(QIODevice::WriteOnly)) return false;
  QByteArray bytes = summary.toUtf8() + "\r\n";
  for (const QString& line : lines) bytes += line.toUtf8() + "\r\n";
  return file.write(bytes) == bytes.size() && file.commit();
}

QImage LoadArtistPhoto(const QString& path) {
  QImageReader reader(path);
  reader.setAllocationLimit(256);  // MB; the side check below is the real bound
  const QSize size = reader.size();
  if (!size.isValid() || size.width() > kMaxPhotoSide || size.height() > kMaxPhotoSide) return {};
  QImage photo;
  if (!reader.read(&photo)) return {};
  return photo;
}

SearchPageLinks ParseSearchPage(const QString& page, bool wantPhoto) {
  SearchPageLinks links;
  qsizetype p = page.indexOf(QStringLiteral("歌手档案"));
  if (p < 0) return links;
  links.hasProfileSection = true;
  if (wantPhoto) {
    const qsizetype i = page.indexOf(QStringLiteral("<img src=\""), p);
    if (i < 0) return links;
    const qsizetype quote = page.indexOf(u'"', i + 10);
    if (quote < 0) return links;
    links.photoUrl = page.mid(i + 10, quote - i - 10);
    p = quote;
  }
  const qsizetype j = page.indexOf(QStringLiteral("<a href="), p);
  if (j < 0) return links;
  const qsizetype quote = page.indexOf(u'"', j + 9);
  if (quote < 0) return links;
  links.profileUrl = page.mid(j + 9, quote - j - 9);
  return links;
}

std::optional<ProfileText> ExtractProfile(const QString& page) {
  const QString trimmed = page.trimmed();
  if (trimmed.isEmpty() || trimmed == u"0" || !page.contains(QStringLiteral("歌手简介"))) return std::nullopt;

  ProfileText profile;
  const qsizetype d = page.indexOf(QStringLiteral("语种："));
  if (d >= 0) {
    qsizetype h = page.indexOf(QStringLiteral("<br>"), d);
    if (h < 0) throw missingMarker("<br>");
    QString summary = QStringLiteral("语种：") + labelValue(page, d, h);
    const qsizetype g = page.indexOf(QStringLiteral("流派："), h);
    if (g >= 0) {
      const qsizetype e = page.indexOf(QStringLiteral("<br>"), g);
      if (e < 0) throw missingMarker("<br>");
      summary += QStringLiteral("||流派：") + labelValue(page, g, e);
      h = e;
    }
    const qsizetype r = page.indexOf(QStringLiteral("地区："), h);
    if (r >= 0) {
      const qsizetype f = page.indexOf(QStringLiteral("</div>"), r);
      if (f < 0) throw missingMarker("</div>");
      summary += QStringLiteral("||地区：") + labelValue(page, r, f);
    }
    profile.summary = summary;
  }

  const qsizetype a = page.indexOf(QStringLiteral("歌手简介"));
  const qsizetype b = page.indexOf(QStringLiteral("<td>"), a);
  if (b < 0) return std::nullopt;
  const qsizetype c = page.indexOf(QStringLiteral("</td>"), b + 4);
  if (c < 0) return std::nullopt;
  profile.lines = page.mid(b + 4, c - b - 4).split(QStringLiteral("<br />"));
  return profile;
}

std::optional<DealtProfile> DealJJ(const QString& pagePath, const QString& tip, const ErrorLog* log) {
  std::optional<DealtProfile> dealt;
  const auto body = [&] {
    const QString profilePath = pagePath.chopped(1);
    if (QFileInfo::exists(profilePath)) return;
    QFile file(pagePath);
    if (!file.open(QIODevice::ReadOnly)) throw errors::pathAccess(pagePath);
    if (file.size() > kMaxProfileBytes) return;
    QString page = DownloadedText(file.readAll());
    page.remove(u'\r');
    page.remove(u'\n');
    const std::optional<ProfileText> profile = ExtractProfile(page.toLower());
    if (!profile) return;
    const QString summary = profile->summary.value_or(tip);
    if (!WriteProfile(profilePath, summary, profile->lines)) throw errors::pathAccess(profilePath);
    QFile::remove(pagePath);
    dealt = DealtProfile{profilePath, summary};
  };
  if (log) {
    log->trap(QStringLiteral(" DealJJ"), body);
  } else {
    try {
      body();
    } catch (const AppError&) {
    }
  }
  return dealt;
}

QUrl WikipediaSummaryUrl(const QString& base, const QString& artist) {
  QString title = artist.trimmed();
  if (title == title.toLower()) {
    for (qsizetype i = 0; i < title.size(); ++i)
      if (i == 0 || title[i - 1] == u' ') title[i] = title[i].toUpper();
  }
  title.replace(u' ', u'_');
  return QUrl::fromEncoded(base.toUtf8() + "/api/rest_v1/page/summary/" + QUrl::toPercentEncoding(title));
}

namespace {

// Words of a short description that make a page one about a musician or a
// band. Chinese words match anywhere, English ones as whole words.
const QStringList& chineseMusicWords() {
  static const QStringList words = {
      QStringLiteral("歌手"),     QStringLiteral("歌唱"),     QStringLiteral("音乐人"),
      QStringLiteral("音樂人"),   QStringLiteral("音乐家"),   QStringLiteral("音樂家"),
      QStringLiteral("乐队"),     QStringLiteral("樂隊"),     QStringLiteral("乐团"),
      QStringLiteral("樂團"),     QStringLiteral("乐手"),     QStringLiteral("樂手"),
      QStringLiteral("作曲"),     QStringLiteral("唱作"),     QStringLiteral("说唱"),
      QStringLiteral("說唱"),     QStringLiteral("饶舌"),     QStringLiteral("饒舌"),
      QStringLiteral("演唱"),     QStringLiteral("组合"),     QStringLiteral("組合"),
      QStringLiteral("偶像团体"), QStringLiteral("偶像團體"), QStringLiteral("男团"),
      QStringLiteral("女团"),     QStringLiteral("男團"),     QStringLiteral("女團"),
      QStringLiteral("钢琴家"),   QStringLiteral("鋼琴家")};
  return words;
}

const QRegularExpression& englishMusicWords() {
  static const QRegularExpression words(
      QStringLiteral("\\b(singers?|musicians?|bands?|rappers?|songwriters?|singer-songwriters?|composers?|"
                     "vocalists?|dj|disc jockey|pianists?|guitarists?|drummers?|bassists?|violinists?|"
                     "orchestras?|duo|trio|quartet|boy band|girl group|music group|musical group|"
                     "record producers?|idol group)\\b"),
      QRegularExpression::CaseInsensitiveOption);
  return words;
}

bool namesMusician(const QString& text) {
  for (const QString& word : chineseMusicWords())
    if (text.contains(word)) return true;
  return englishMusicWords().match(text).hasMatch();
}

QString firstSentence(const QString& text) {
  static const QRegularExpression end(QStringLiteral("[。．！？!?]|\\.\\s"));
  const QRegularExpressionMatch match = end.match(text);
  return match.hasMatch() ? text.left(match.capturedStart()) : text;
}

}  // namespace

WikiSummary ParseWikipediaSummary(const QByteArray& json) {
  WikiSummary page;
  const QJsonObject root = QJsonDocument::fromJson(json).object();
  if (root.isEmpty() || root.value(QStringLiteral("title")).toString().isEmpty()) return page;
  page.title = root.value(QStringLiteral("title")).toString();
  page.description = root.value(QStringLiteral("description")).toString().trimmed();
  page.extract = root.value(QStringLiteral("extract")).toString().trimmed();
  page.thumbnail =
      root.value(QStringLiteral("thumbnail")).toObject().value(QStringLiteral("source")).toString().trimmed();
  const QString type = root.value(QStringLiteral("type")).toString();
  if (type == u"disambiguation") {
    page.kind = WikiPageKind::Disambiguation;
  } else if (type == u"no-extract" && page.extract.isEmpty() && page.description.isEmpty()) {
    page.kind = WikiPageKind::Missing;
  } else {
    const QString about = page.description.isEmpty() ? firstSentence(page.extract) : page.description;
    page.kind = namesMusician(about) ? WikiPageKind::Musician : WikiPageKind::NotAMusician;
  }
  return page;
}

ProfileText WikipediaProfile(const WikiSummary& page) {
  ProfileText profile;
  profile.summary = page.description.isEmpty() ? firstSentence(page.extract) : page.description;
  for (const QString& line : page.extract.split(u'\n')) {
    const QString text = line.trimmed();
    if (!text.isEmpty()) profile.lines << text;
  }
  return profile;
}

}  // namespace lyrovo
