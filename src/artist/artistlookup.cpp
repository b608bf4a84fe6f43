#include "artist/artistlookup.h"

#include "artist/artistprofile.h"
#include "base/apperror.h"
#include "base/errorlog.h"
#include "download/serverconfig.h"
#include "settings/inifile.h"
#include "text/numeric.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace lyrovo {

namespace {

QUrl searchUrl(const QString& base, const QString& words) {
  return QUrl::fromEncoded(base.toUtf8() + "/music.cgi?w=" + QUrl::toPercentEncoding(words));
}

// A link taken from a page, made absolute against the page; empty unless
// it is an http(s) address.
QUrl pageLink(const QUrl& page, const QString& link) {
  const QUrl url = page.resolved(QUrl(link.trimmed()));
  const QString scheme = url.scheme().toLower();
  return (scheme == u"http" || scheme == u"https") && !url.host().isEmpty() ? url : QUrl();
}

}  // namespace

ArtistSources LoadArtistSources(const QString& settingsIniPath, const ErrorLog* log) {
  ArtistSources sources;
  const ServerConfig servers = LoadServerConfig(settingsIniPath, log);
  // The placeholder host means nobody configured a profile search service.
  if (servers.artistProfile != ServerConfig{}.artistProfile) sources.searchBase = servers.artistProfile;
  try {
    const IniFile ini = IniFile::load(settingsIniPath);
    for (auto [key, member] : {std::pair{u"wikipedia", &ArtistSources::wikipedia},
                               std::pair{u"wikipediaEnglish", &ArtistSources::wikipediaEnglish}}) {
      const auto value = ini.getFullString(kServersSection, key);
      const QString base = value ? NormalizeServerBase(*value) : QString();
      if (!base.isEmpty()) sources.*member = base;
    }
  } catch (const AppError&) {
    // Already logged by LoadServerConfig; the defaults serve.
  }
  return sources;
}

QString PhotoProgressText(qint64 cur, qint64 max) {
  const double percent = max > 0 ? double(cur) * 100.0 / double(max) : 0;
  return QStringLiteral("写真下载：%1%").arg(qint64(nearest(percent)));
}

ArtistLookup::ArtistLookup(PhotoView& view, const ErrorLog* log, DownloadLimits limits, QObject* parent)
    : QObject(parent), view_(view), log_(log), limits_(limits), downloader_(log, limits, this) {
  connect(&downloader_, &Downloader::DownloadProgress, this, &ArtistLookup::onProgress);
  connect(&downloader_, &Downloader::DownloadError, this, &ArtistLookup::onError);
  connect(&downloader_, &Downloader::DownloadComplete, this,
          [this](qint64, const QString& saveFile) { onComplete(saveFile); });
}

ArtistLookup::~ArtistLookup() {
  if (cancelFetch_) cancelFetch_();
}

void ArtistLookup::Stop() {
  if (cancelFetch_) std::exchange(cancelFetch_, {})();
  pendingFetches_ = 0;
  downloader_.CancelAllDownload();
  photoFile_.clear();
  profileFile_.clear();
  tag_.clear();
}

void ArtistLookup::DownloadJJ(const QString& title, const QString& artist, const QString& imagesPath,
                              const QString& resumesPath, bool online) {
  const QString profilePath = ArtistProfilePath(resumesPath, artist);
  if (!tag_.isEmpty() && tag_ == profilePath) return;  // this artist's profile is shown already

  Stop();
  view_.ClearPhoto();
  setTip({});
  title_ = title;
  artist_ = artist.toLower();
  artistQuery_ = artist;
  showStatus_ = true;
  QDir().mkpath(imagesPath);
  QDir().mkpath(resumesPath);
  photoFile_ = ArtistPhotoPath(imagesPath, artist);
  profileFile_ = profilePath;

  if (QFileInfo(photoFile_).isFile()) {
    const QImage photo = LoadArtistPhoto(photoFile_);
    if (!photo.isNull()) {
      view_.ShowPhoto(photo);
      if (QFileInfo(profileFile_).isFile()) {
        setProfile(profileFile_);
        return;
      }
      showStatus_ = false;
    }
  }
  if (!online) {
    if (showStatus_) view_.DrawPhotoInfo(kOfflineText.toString());
    return;
  }
  if (sources_.searchBase.isEmpty()) {
    startFetch(WikipediaSummaryUrl(sources_.wikipedia, artistQuery_),
               [this](const FetchResult& answer) { wikipediaArrived(answer, false); });
  } else if (artist_ == u"未知") {
    searchPageArrived({}, false);
  } else {
    startFetch(searchUrl(sources_.searchBase, artist_),
               [this](const FetchResult& answer) { searchPageArrived(DownloadedText(answer.body), false); });
  }
}

void ArtistLookup::startFetch(const QUrl& url, std::function<void(const FetchResult&)> done) {
  ++pendingFetches_;
  cancelFetch_ =
      FetchInBackground(url, limits_, this, [this, done = std::move(done)](const FetchResult& answer) {
        cancelFetch_ = {};
        --pendingFetches_;
        done(answer);
      });
}

void ArtistLookup::searchPageArrived(const QString& page, bool byTitle) {
  const bool sorry = page.contains(QStringLiteral("抱歉"));
  if (sorry && !byTitle && !title_.startsWith(QStringLiteral("未知"))) {
    startFetch(searchUrl(sources_.searchBase, title_),
               [this](const FetchResult& answer) { searchPageArrived(DownloadedText(answer.body), true); });
    return;
  }
  if (sorry && byTitle) {
    noResult();
    return;
  }
  const SearchPageLinks links = ParseSearchPage(page, showStatus_);
  if (!links.hasProfileSection) {
    noResult();
    return;
  }
  useLinks(links.photoUrl, links.profileUrl, searchUrl(sources_.searchBase, artist_));
}

void ArtistLookup::useLinks(const QString& photoUrl, const QString& profileUrl, const QUrl& page) {
  if (showStatus_) {
    const QUrl photo = pageLink(page, photoUrl);
    if (photo.isEmpty()) return;
    downloader_.BeginDownload(photo.toString(QUrl::FullyEncoded), photoFile_);
  }
  if (QFileInfo(profileFile_).isFile()) {
    setProfile(profileFile_);
    return;
  }
  if (artist_.startsWith(QStringLiteral("未知"))) return;
  const QUrl profile = pageLink(page, profileUrl);
  if (profile.isEmpty()) return;
  tag_.clear();
  downloader_.BeginDownload(profile.toString(QUrl::FullyEncoded), profileFile_ + u'1');
}

void ArtistLookup::wikipediaArrived(const FetchResult& answer, bool english) {
  if (!answer.ok() && answer.httpStatus != 404) {
    noResult();  // the wiki could not be reached: nothing to say about the artist
    return;
  }
  const WikiSummary page = answer.ok() ? ParseWikipediaSummary(answer.body) : WikiSummary{};
  if (page.kind != WikiPageKind::Musician) {
    if (!english && !sources_.wikipediaEnglish.isEmpty()) {
      startFetch(WikipediaSummaryUrl(sources_.wikipediaEnglish, artistQuery_),
                 [this](const FetchResult& next) { wikipediaArrived(next, true); });
      return;
    }
    noResult();
    return;
  }
  if (showStatus_) {
    const QUrl photo = pageLink(QUrl(), page.thumbnail);
    if (photo.isEmpty()) {
      view_.DrawPhotoInfo(artist_);
    } else {
      downloader_.BeginDownload(photo.toString(QUrl::FullyEncoded), photoFile_);
    }
  }
  if (QFileInfo(profileFile_).isFile()) {
    setProfile(profileFile_);
    return;
  }
  const ProfileText profile = WikipediaProfile(page);
  if (WriteProfile(profileFile_, profile.summary.value_or(QString()), profile.lines)) {
    setProfile(profileFile_);
  } else if (log_) {
    log_->log(QStringLiteral("DownloadJJ"), errors::pathAccess(profileFile_));
  }
}

void ArtistLookup::noResult() {
  if (showStatus_) view_.DrawPhotoInfo(artist_);
}

void ArtistLookup::setTip(const QString& text) {
  tip_ = text;
  view_.SetPhotoTip(text);
}

void ArtistLookup::setProfile(const QString& path) {
  setTip(ProfileSummaryLine(path));
  tag_ = path;
}

void ArtistLookup::onProgress(qint64 cur, qint64 max, const QString& saveFile) {
  if (saveFile == photoFile_) view_.DrawPhotoInfo(PhotoProgressText(cur, max));
}

void ArtistLookup::onError(const QString& saveFile) {
  if (saveFile == photoFile_) view_.DrawPhotoInfo(kPhotoFailedText.toString());
}

void ArtistLookup::onComplete(const QString& saveFile) {
  const auto handle = [&] {
    if (saveFile == photoFile_) {
      const QImage photo = LoadArtistPhoto(saveFile);
      if (photo.isNull()) {
        // Not a picture the pane can show: keep it out of the cache.
        QFile::remove(saveFile);
        view_.DrawPhotoInfo(kPhotoFailedText.toString());
      } else {
        view_.ShowPhoto(photo);
      }
    } else if (saveFile == profileFile_ + u'1') {
      if (const auto dealt = DealJJ(saveFile, tip_, log_)) {
        setTip(dealt->summary);
        tag_ = dealt->path;
      }
    }
  };
  if (log_) {
    log_->trap(QStringLiteral("Downloader1_DownloadComplete"), handle);
  } else {
    handle();
  }
}

}  // namespace lyrovo
