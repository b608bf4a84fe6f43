#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

namespace lyrovo {

class ErrorLog;

// ---------------------------------------------------------------- the caches
//
// Each artist has a photo "Images/<name>.jpg" and a profile
// "Resumes/<name>.jj" in the program folder, <name> being the artist in
// lower case made safe as one file name. A profile holds its one-line
// summary on the first line and the introduction on the lines after it
// (UTF-8, CR LF).

// The artist as a cache file name: lower case, with "/", "\" and control
// characters replaced by "_", cut to keep the whole file name within the
// file system's 255 bytes, and never "." or "..".
QString ArtistCacheName(const QString& artist);
QString ArtistPhotoPath(const QString& imagesPath, const QString& artist);     // Images/<name>.jpg
QString ArtistProfilePath(const QString& resumesPath, const QString& artist);  // Resumes/<name>.jj

// The cached photo of artist when there is one (for media controls and
// the like), else an empty string. imagesPath is PlayerState::ImagesPath.
QString CachedArtistPhoto(const QString& imagesPath, const QString& artist);

// First line of a profile file, empty when it cannot be read.
QString ProfileSummaryLine(const QString& profilePath);

// Writes a profile file atomically (a temporary file renamed over it);
// false when it could not be written.
bool WriteProfile(const QString& profilePath, const QString& summary, const QStringList& lines);

// Reads a photo file when it is a picture of sensible size (at most
// kMaxPhotoSide pixels a side, decoded within a memory limit); a null
// image otherwise.
inline constexpr int kMaxPhotoSide = 8192;
QImage LoadArtistPhoto(const QString& path);

// ---------------------------------------------------------------- the profile search page

// What the artist search page offers: whether it has an artist profile
// section ("歌手档案"), and after it the photo address ("<img src=") and
// the link to the profile page ("<a href="). With wantPhoto false the
// photo is not looked for and the link is looked for right after the
// section marker; with it true a page without a photo gives no link either.
struct SearchPageLinks {
  bool hasProfileSection = false;
  QString photoUrl;    // empty: none
  QString profileUrl;  // empty: none
};
SearchPageLinks ParseSearchPage(const QString& page, bool wantPhoto);

// The profile page, cut into the profile file's summary and lines.
struct ProfileText {
  std::optional<QString> summary;  // "语种：…||流派：…||地区：…"; none without a language entry
  QStringList lines;               // the introduction, one line per "<br />" piece
};
// page is the downloaded page, its lines joined without separators and in
// lower case. Nothing when it is no profile page ("歌手简介" missing, or no
// introduction cell). Throws AppError when a label lacks its end marker.
std::optional<ProfileText> ExtractProfile(const QString& page);

// Turns a downloaded profile page "<name>.jj1" into the profile "<name>.jj"
// and removes the page. tip is the summary to keep when the page has no
// language entry. Returns the profile path and its summary line, or nothing
// when there is nothing to keep (the page stays for the next look-up);
// failures are logged under " DealJJ".
struct DealtProfile {
  QString path;
  QString summary;
};
std::optional<DealtProfile> DealJJ(const QString& pagePath, const QString& tip, const ErrorLog* log);

// ---------------------------------------------------------------- Wikipedia page summaries

enum class WikiPageKind { Missing, Disambiguation, NotAMusician, Musician };
struct WikiSummary {
  WikiPageKind kind = WikiPageKind::Missing;
  QString title;
  QString description;  // the page's short description
  QString extract;      // the introduction, plain text
  QString thumbnail;    // address of the page's picture; empty: none
};

// The address of the page summary of artist on the wiki at base. Wiki
// titles are case-sensitive after their first letter and the player keeps
// names in lower case, so a name without capitals is asked for with each
// word capitalised ("taylor swift" → "Taylor_Swift"); the wiki's redirects
// lead from there to the page.
QUrl WikipediaSummaryUrl(const QString& base, const QString& artist);
// Reads a page summary answer. A page counts as about a musician or band
// when its short description (or, without one, the first sentence of its
// introduction) names a musical occupation or group; see the word lists.
WikiSummary ParseWikipediaSummary(const QByteArray& json);
// The profile of a musician's page: summary line and introduction lines.
ProfileText WikipediaProfile(const WikiSummary& page);

}  // namespace lyrovo
