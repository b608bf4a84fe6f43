// The main window and the desktop: the tray icon and its events, the
// global hot keys, and the media controls other programs drive.
#include "app/appicon.h"
#include "app/desktopglue.h"
#include "app/fplay.h"
#include "artist/artistprofile.h"
#include "desktop/qttrayicon.h"
#include "lyrics/lyricpane.h"
#include "playlist/playlistops.h"
#include "playlist/supportedfile.h"
#include "text/numeric.h"

#include <QApplication>
#include <QCursor>
#include <QFileInfo>
#include <QMenu>
#include <QStyleHints>

#include <cmath>

namespace lyrovo {

namespace {
const QString kPauseTip = QStringLiteral("暂停(Ctrl+P)");
// The main menu's second separator, "皮肤换色(&C)" and "居于最上(&T)": they act on a shown window.
constexpr int kWindowEntries[] = {7, 8, 9};
}  // namespace

// ---------------------------------------------------------------- start-up and shutdown

// The icon shows the program's icon and name until a song plays.
void Fplay::InstallTrayIcon() {
  desktop_ = std::make_unique<DesktopGlue>(*this);
  clsSysTray* tray = Tray();
  tray->setSourceWindow(this);
  tray->setIcon(QIcon(appIcon(64)));
  ctx_.player.TrayTip = ctx_.paths.exeName;
  tray->setToolTip(ctx_.player.TrayTip);
  connect(tray, &clsSysTray::LButtonDblClk, this, &Fplay::Tray_LButtonDblClk);
  connect(tray, &clsSysTray::LButtonDown, this, &Fplay::Tray_LButtonDown);
  connect(tray, &clsSysTray::RButtonDown, this, &Fplay::Tray_RButtonDown);
  tray->IconInSysTray();
}

void Fplay::RemoveTrayIcon() {
  if (Tray()) Tray()->RemoveFromSysTray();
}

// Listening for the hot keys is the window's hook; taking the keys is their registration.
void Fplay::InstallWindowHooks() {
  if (!desktop_) return;
  desktop_->createHotKeys();
  connect(HotKeys(), &GlobalHotKeys::pressed, this, &Fplay::GlobalHotKey);
  HotKeys()->install();
}

void Fplay::RegisterHotKeys() {
  if (HotKeys()) HotKeys()->registerKeys();
}

void Fplay::UnregisterHotKeys() {
  if (HotKeys()) HotKeys()->unregisterKeys();
}

void Fplay::RestoreWindowHooks() {
  if (HotKeys()) HotKeys()->remove();
}

void Fplay::PublishMediaControls() {
  if (desktop_) desktop_->publishMediaControls();
}

void Fplay::WithdrawMediaControls() {
  if (desktop_) desktop_->withdrawMediaControls();
}

clsSysTray* Fplay::Tray() const { return desktop_ ? desktop_->tray() : nullptr; }
GlobalHotKeys* Fplay::HotKeys() const { return desktop_ ? desktop_->hotKeys() : nullptr; }
MprisService* Fplay::MediaControls() const { return desktop_ ? desktop_->mediaControls() : nullptr; }

// ---------------------------------------------------------------- tray

// The window goes to the tray when a tray shows the icon; without one it is
// minimised to the task bar instead, so it can always be reached again.
void Fplay::MinimiseToTray() {
  if (Tray() && Tray()->inSysTray() && Tray()->hostAvailable()) {
    hide();
  } else {
    showMinimized();
  }
}

void Fplay::RestoreFromTray() {
  list_->hide();
  showNormal();
  raise();
  activateWindow();
  list_->show();
  // The lyric runs again only while a song plays; a paused song keeps its pane still.
  if (ctx_.player.LyricLoaded && ctx_.BP1.aIsActive()) {
    timer2_.start();
  } else {
    timer2_.stop();
  }
  WordAdjust();
}

// The media information and options windows close with the main window.
void Fplay::CloseToolWindows() {
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (widget != this && widget->isVisible() &&
        (widget->objectName() == u"FInfo" || widget->objectName() == u"FSet"))
      widget->close();
}

void Fplay::Tray_LButtonDblClk() {
  ctx_.log.trap(QStringLiteral("Tray_LButtonDblClk"), [&] {
    if (isVisible()) {
      hide();
      CloseToolWindows();
    } else {
      RestoreFromTray();
    }
    TrimWorkingSet();
  });
}

void Fplay::Tray_LButtonDown() {
  ctx_.log.trap(QStringLiteral("Tray_LButtonDown"), [&] {
    if (isVisible()) {
      raise();
      activateWindow();
    }
    TrimWorkingSet();
  });
}

// The main menu at the cursor; while the window is hidden the entries that
// act on a shown window are left out. The icon stays busy while the menu is open.
void Fplay::Tray_RButtonDown() {
  ctx_.log.trap(QStringLiteral("Tray_RButtonDown"), [&] {
    if (isVisible()) {
      raise();
      activateWindow();
    }
    if (!isVisible())
      for (int entry : kWindowEntries) menuTs_[entry - 1]->setVisible(false);
    clsSysTray* tray = Tray();
    tray->holdBusy();
    // Whatever happens while the menu is open, the entries come back for the skin's menu button.
    const QMetaObject::Connection closed = connect(
        menuT_, &QMenu::aboutToHide, this,
        [this, tray] {
          for (int entry : kWindowEntries) menuTs_[entry - 1]->setVisible(true);
          tray->releaseBusy();
        },
        Qt::SingleShotConnection);
    ShowMainMenu(QCursor::pos());
    if (!menuT_->isVisible()) {  // the menu could not open
      disconnect(closed);
      for (int entry : kWindowEntries) menuTs_[entry - 1]->setVisible(true);
      tray->releaseBusy();
    }
    TrimWorkingSet();
  });
}

// ---------------------------------------------------------------- hot keys

// The setting is read at every press, so turning it off acts at once; each
// key presses a control only while that control is enabled.
void Fplay::GlobalHotKey(HotKey key) {
  ctx_.log.trap(QStringLiteral("WindowProc"), [&] {
    if (!ctx_.settings.useGlobalKey) return;
    const auto press = [this](SkinPart button) {
      if (image(button)->isEnabled()) Image1_Click(button);
    };
    switch (key) {
      case HotKey::O:
        Image1_Click(SkinPart::OpenButton);
        break;
      case HotKey::P:
        press(SkinPart::PlayButton);
        break;
      case HotKey::S:
        press(SkinPart::StopButton);
        break;
      case HotKey::Up:
        stepVolume(true);
        break;
      case HotKey::Down:
        stepVolume(false);
        break;
      case HotKey::Left:
        press(SkinPart::PreviousButton);
        break;
      case HotKey::Right:
        press(SkinPart::NextButton);
        break;
    }
  });
}

// ---------------------------------------------------------------- the glue

DesktopGlue::DesktopGlue(Fplay& window) : window_(window) {
  AppContext& ctx = window.ctx_;
  std::unique_ptr<TrayIconBackend> icon =
      ctx.makeTrayIcon ? ctx.makeTrayIcon() : std::make_unique<QtTrayIcon>();
  const int doubleClickMs = QGuiApplication::styleHints()->mouseDoubleClickInterval();
  tray_ = std::make_unique<clsSysTray>(std::move(icon), std::function<std::int64_t()>(), doubleClickMs);
}

DesktopGlue::~DesktopGlue() = default;

void DesktopGlue::createHotKeys() {
  AppContext& ctx = window_.ctx_;
  hotKeys_ = ctx.makeHotKeys ? ctx.makeHotKeys() : createGlobalHotKeys();
}

void DesktopGlue::publishMediaControls() {
  mpris_ = std::make_unique<MprisService>(*this);
  QObject::connect(&window_, &Fplay::positionJumped, mpris_.get(), &MprisService::notifySeeked);
  mpris_->registerOnSessionBus();
}

void DesktopGlue::withdrawMediaControls() {
  if (mpris_) mpris_->unregister();
}

PlaybackStatus DesktopGlue::mprisStatus() const {
  if (window_.image(SkinPart::PlayButton)->toolTip() == kPauseTip) return PlaybackStatus::Playing;
  return window_.ctx_.BP1.aIsPaused() ? PlaybackStatus::Paused : PlaybackStatus::Stopped;
}

MprisTrack DesktopGlue::mprisTrack() const {
  const AppContext& ctx = window_.ctx_;
  const int row = ctx.player.CurrentIndex;
  MprisTrack track;
  if (row < 1 || row > ctx.playlist.count()) return track;
  const PlaylistRow& item = ctx.playlist.row(row);
  track.row = row;
  track.path = item.path;
  track.title = item.title;
  track.artist = item.artist;
  track.album = albumOf(item.path);
  // Length and lyric belong to the song the engine opened, which is this row's once it played.
  if (ctx.BP1.Tag == item.path && ctx.BP1.alenByte() >= 0) {
    track.lengthUs = std::llround(double(ctx.BP1.alenTime()) * 1e6);
    if (ctx.player.LyricLoaded) track.lyricLine = lyricLineAt(window_.positionMs());
  }
  track.artPath = artistPhotoPath();
  return track;
}

QString DesktopGlue::artistPhotoPath() const {
  const PlayerState& player = window_.ctx_.player;
  const qint64 shown = window_.photo_.cacheKey();
  if (artistPhoto_.shownPhoto != shown || artistPhoto_.artist != player.SongArtist ||
      artistPhoto_.imagesPath != player.ImagesPath) {
    artistPhoto_ = {player.ImagesPath, player.SongArtist, shown,
                    CachedArtistPhoto(player.ImagesPath, player.SongArtist)};
  }
  return artistPhoto_.path;
}

QString DesktopGlue::albumOf(const QString& path) const {
  auto found = albums_.constFind(path);
  if (found != albums_.constEnd()) return *found;
  TagFields fields;
  GetTags(fields, path, fileTypeOf(path), 0);
  albums_.insert(path, fields.tagAlbum);
  return fields.tagAlbum;
}

// The line being sung: the last one that has started.
QString DesktopGlue::lyricLineAt(std::int32_t positionMs) const {
  const LyricModel& lyrics = window_.ctx_.lyrics;
  QString line;
  for (int k = 1; k < lyrics.LyricEnd && k <= LyricModel::kEntries; ++k) {
    if (lyrics.time(k) > positionMs) break;
    line = lyrics.LyricText[k];
  }
  return line;
}

std::int64_t DesktopGlue::mprisPositionUs() const {
  const BP& engine = window_.ctx_.BP1;
  if (engine.alenByte() < 0) return 0;
  return std::max<std::int64_t>(0, std::llround(double(engine.aPosTime()) * 1e6));
}

int DesktopGlue::mprisPlayMode() const { return window_.ctx_.settings.playModal; }
int DesktopGlue::mprisVolume() const { return window_.ctx_.settings.volumn; }

MprisEnables DesktopGlue::mprisEnables() const {
  const auto enabled = [this](SkinPart part) { return window_.image(part)->isEnabled(); };
  return {enabled(SkinPart::PlayButton), enabled(SkinPart::StopButton), enabled(SkinPart::PreviousButton),
          enabled(SkinPart::NextButton), enabled(SkinPart::SeekBar),    enabled(SkinPart::VolumeBar)};
}

void DesktopGlue::mprisRaise() {
  if (window_.isVisible() && !window_.isMinimized()) {
    window_.raise();
    window_.activateWindow();
  } else {
    window_.RestoreFromTray();
  }
}

void DesktopGlue::mprisQuit() { window_.close(); }
void DesktopGlue::mprisPlayPause() { window_.Image1_Click(SkinPart::PlayButton); }
void DesktopGlue::mprisStop() { window_.Image1_Click(SkinPart::StopButton); }
void DesktopGlue::mprisPrevious() { window_.Image1_Click(SkinPart::PreviousButton); }
void DesktopGlue::mprisNext() { window_.Image1_Click(SkinPart::NextButton); }

// As a click on the seek bar at that point.
void DesktopGlue::mprisSeekTo(std::int64_t positionUs) {
  const double lengthUs = double(window_.ctx_.BP1.alenTime()) * 1e6;
  if (lengthUs <= 0) return;
  window_.ctx_.log.trap(QStringLiteral("Image1_MouseDown"), [&] {
    window_.seekToFraction(std::clamp(double(positionUs) / lengthUs, 0.0, 1.0));
    window_.placeSeekThumb();
  });
}

void DesktopGlue::mprisSetPlayMode(int mode) { window_.menuMs_Click(mode); }

// As a click on the volume bar at that level.
void DesktopGlue::mprisSetVolume(int volume) {
  AppContext& ctx = window_.ctx_;
  ctx.settings.volumn = std::int16_t(std::clamp(volume, 0, 100));
  ctx.BP1.setAVolumn(ctx.settings.volumn);
  window_.placeVolumeKnob();
}

void DesktopGlue::mprisOpen(const QStringList& absolutePaths) { window_.AddAndPlayPaths(absolutePaths); }

}  // namespace lyrovo
