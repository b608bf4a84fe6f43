#pragma once

#include "desktop/hotkeys.h"
#include "desktop/mpris.h"
#include "desktop/systray.h"

#include <QHash>

#include <memory>

namespace lyrovo {

class Fplay;

// The main window's side of the desktop services: it owns the tray icon,
// the global hot keys and the media controls, and answers the media
// controls from the window's state through the window's own handlers.
class DesktopGlue : public MprisHost {
 public:
  explicit DesktopGlue(Fplay& window);
  ~DesktopGlue() override;

  clsSysTray* tray() const { return tray_.get(); }
  GlobalHotKeys* hotKeys() const { return hotKeys_.get(); }
  MprisService* mediaControls() const { return mpris_.get(); }

  void createHotKeys();
  void publishMediaControls();
  void withdrawMediaControls();

  PlaybackStatus mprisStatus() const override;
  MprisTrack mprisTrack() const override;
  std::int64_t mprisPositionUs() const override;
  int mprisPlayMode() const override;
  int mprisVolume() const override;
  MprisEnables mprisEnables() const override;
  void mprisRaise() override;
  void mprisQuit() override;
  void mprisPlayPause() override;
  void mprisStop() override;
  void mprisPrevious() override;
  void mprisNext() override;
  void mprisSeekTo(std::int64_t positionUs) override;
  void mprisSetPlayMode(int mode) override;
  void mprisSetVolume(int volume) override;
  void mprisOpen(const QStringList& absolutePaths) override;

 private:
  QString albumOf(const QString& path) const;
  QString artistPhotoPath() const;
  QString lyricLineAt(std::int32_t positionMs) const;

  Fplay& window_;
  std::unique_ptr<clsSysTray> tray_;
  std::unique_ptr<GlobalHotKeys> hotKeys_;
  std::unique_ptr<MprisService> mpris_;
  mutable QHash<QString, QString> albums_;  // album tag by song path, read once per song
  // The artist photo's file, looked for again only when the artist or the
  // photo the window shows changes, not on every refresh of the media controls.
  struct ArtistPhotoFile {
    QString imagesPath;
    QString artist;
    qint64 shownPhoto = -1;  // the shown image's cacheKey() when looked for
    QString path;
  };
  mutable ArtistPhotoFile artistPhoto_;
};

}  // namespace lyrovo
