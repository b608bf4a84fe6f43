#pragma once

#include "download/downloader.h"

#include <QImage>
#include <QObject>
#include <QString>

#include <functional>

namespace lyrovo {

class ErrorLog;

// The artist photo pane as the look-up sees it; the window implements it.
class PhotoView {
 public:
  virtual ~PhotoView() = default;
  virtual void ClearPhoto() = 0;  // no picture, blank pane
  virtual void ShowPhoto(const QImage& photo) = 0;
  virtual void DrawPhotoInfo(const QString& text) = 0;  // one centred status line
  virtual void SetPhotoTip(const QString& text) = 0;    // plain text, never markup
};

// Where artist photos and profiles come from. The profile search host is
// the "artistProfile" server; while it is left at its placeholder, the
// page summaries of Wikipedia serve instead: first the wiki at
// "wikipedia", then the one at "wikipediaEnglish" ([Servers] keys).
struct ArtistSources {
  QString searchBase;  // profile search host; empty: not configured
  QString wikipedia = QStringLiteral("https://zh.wikipedia.org");
  QString wikipediaEnglish = QStringLiteral("https://en.wikipedia.org");
};
ArtistSources LoadArtistSources(const QString& settingsIniPath, const ErrorLog* log = nullptr);

// Status texts of the photo pane.
inline constexpr QStringView kOfflineText = u"未联网！";
inline constexpr QStringView kPhotoFailedText = u"写真下载失败！";
QString PhotoProgressText(qint64 cur, qint64 max);  // "写真下载：45%"

// Finds, caches and shows the photo and profile of the playing song's
// artist. All network work runs in the background on the event loop: a
// look-up returns at once and its results arrive later, in the order the
// look-up defines. A new look-up stops the previous one and its downloads,
// so a late answer never reaches the pane of another song.
class ArtistLookup : public QObject {
  Q_OBJECT
 public:
  ArtistLookup(PhotoView& view, const ErrorLog* log, DownloadLimits limits = {}, QObject* parent = nullptr);
  ~ArtistLookup() override;

  void setSources(ArtistSources sources) { sources_ = std::move(sources); }

  // Looks up artist (title is tried when the artist finds nothing) with
  // the caches in imagesPath and resumesPath; online is the result of the
  // last connection check.
  void DownloadJJ(const QString& title, const QString& artist, const QString& imagesPath,
                  const QString& resumesPath, bool online);
  // The song has no artist to look up: stops the running look-up and its
  // downloads and forgets the shown profile.
  void Stop();

  // The profile file of the shown artist, empty when none: a click opens it.
  const QString& Tag() const { return tag_; }
  const QString& Tip() const { return tip_; }
  // Whether the last look-up still waits for the network.
  bool Busy() const { return pendingFetches_ > 0 || !downloader_.SaveFiles().isEmpty(); }
  Downloader& downloader() { return downloader_; }

 private:
  void startFetch(const QUrl& url, std::function<void(const FetchResult&)> done);
  void searchPageArrived(const QString& page, bool byTitle);
  void wikipediaArrived(const FetchResult& answer, bool english);
  void useLinks(const QString& photoUrl, const QString& profileUrl, const QUrl& page);
  void noResult();
  void setTip(const QString& text);
  void setProfile(const QString& path);
  void onProgress(qint64 cur, qint64 max, const QString& saveFile);
  void onError(const QString& saveFile);
  void onComplete(const QString& saveFile);

  PhotoView& view_;
  const ErrorLog* log_;
  DownloadLimits limits_;
  ArtistSources sources_;
  Downloader downloader_;
  std::function<void()> cancelFetch_;
  int pendingFetches_ = 0;

  // The running look-up.
  QString title_, artist_;  // artist in lower case
  QString artistQuery_;     // the artist as given
  QString photoFile_, profileFile_;
  bool showStatus_ = true;
  QString tag_, tip_;
};

}  // namespace lyrovo
