#include "desktop/mpris.h"

#include "desktop/mprisadaptors.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QLoggingCategory>
#include <QUrl>

#include <algorithm>
#include <cmath>

namespace lyrovo {

namespace {
Q_LOGGING_CATEGORY(lcMpris, "lyrovo.mpris")

const QString kObjectPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kServiceName = QStringLiteral("org.mpris.MediaPlayer2.lyrovo");
const QString kRootInterface = QStringLiteral("org.mpris.MediaPlayer2");
const QString kPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
}  // namespace

QStringList MprisRootAdaptor::mimeTypes() const {
  return {QStringLiteral("audio/mpeg"),  QStringLiteral("audio/ogg"),    QStringLiteral("audio/x-vorbis+ogg"),
          QStringLiteral("audio/x-wav"), QStringLiteral("audio/x-aiff"), QStringLiteral("audio/x-ms-wma"),
          QStringLiteral("audio/midi"),  QStringLiteral("audio/flac"),   QStringLiteral("audio/mp4")};
}

QString playbackStatusText(PlaybackStatus status) {
  switch (status) {
    case PlaybackStatus::Playing:
      return QStringLiteral("Playing");
    case PlaybackStatus::Paused:
      return QStringLiteral("Paused");
    case PlaybackStatus::Stopped:
      break;
  }
  return QStringLiteral("Stopped");
}

QString loopStatusOf(int playMode) {
  switch (playMode) {
    case 2:
    case 4:
      return QStringLiteral("Playlist");
    case 3:
      return QStringLiteral("Track");
    default:
      return QStringLiteral("None");
  }
}

bool shuffleOf(int playMode) { return playMode == 4; }

int modeForLoopStatus(int playMode, const QString& loopStatus) {
  if (loopStatus == u"None") return 1;
  if (loopStatus == u"Playlist") return playMode == 4 ? 4 : 2;
  if (loopStatus == u"Track") return 3;
  return playMode;
}

int modeForShuffle(int playMode, bool shuffle, int modeBeforeRandom) {
  if (shuffle) return 4;
  if (playMode != 4) return playMode;
  return modeBeforeRandom >= 1 && modeBeforeRandom <= 3 ? modeBeforeRandom : 2;
}

QString trackIdOf(int row) {
  return row > 0 ? QStringLiteral("/org/lyrovo/Track/%1").arg(row)
                 : QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack");
}

QVariantMap metadataOf(const MprisTrack& track) {
  QVariantMap map;
  map.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(trackIdOf(track.row))));
  if (track.row <= 0) return map;
  if (track.lengthUs > 0) map.insert(QStringLiteral("mpris:length"), qlonglong(track.lengthUs));
  map.insert(QStringLiteral("xesam:title"), track.title);
  map.insert(QStringLiteral("xesam:artist"), QStringList{track.artist});
  if (!track.album.isEmpty()) map.insert(QStringLiteral("xesam:album"), track.album);
  map.insert(QStringLiteral("xesam:url"), QUrl::fromLocalFile(track.path).toString(QUrl::FullyEncoded));
  if (!track.artPath.isEmpty())
    map.insert(QStringLiteral("mpris:artUrl"),
               QUrl::fromLocalFile(track.artPath).toString(QUrl::FullyEncoded));
  if (!track.lyricLine.isEmpty()) map.insert(QStringLiteral("xesam:asText"), track.lyricLine);
  return map;
}

MprisService::MprisService(MprisHost& host, QObject* parent) : QObject(parent), host_(host) {
  refreshTimer_.setInterval(kRefreshMs);
  connect(&refreshTimer_, &QTimer::timeout, this, &MprisService::refresh);
  last_ = take();
  if (last_.playMode != 4) modeBeforeRandom_ = last_.playMode;
  if (last_.status != PlaybackStatus::Playing) refreshTimer_.setInterval(kIdleRefreshMs);
}

MprisService::~MprisService() { unregister(); }

bool MprisService::registerOnSessionBus() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    qCInfo(lcMpris, "no session bus: the desktop's media controls are off");
    return false;
  }
  auto* player = new MprisPlayerAdaptor(this);
  new MprisRootAdaptor(this);
  if (!bus.registerObject(kObjectPath, this, QDBusConnection::ExportAdaptors)) {
    qCWarning(lcMpris, "the media controls could not be published: %s",
              qPrintable(bus.lastError().message()));
    return false;
  }
  // Another player of the same name (a second data folder) takes a name of its own.
  busName_ = kServiceName;
  if (!bus.registerService(busName_)) {
    busName_ = kServiceName + QStringLiteral(".instance%1").arg(QCoreApplication::applicationPid());
    if (!bus.registerService(busName_)) {
      qCWarning(lcMpris, "the media controls could not take a bus name: %s",
                qPrintable(bus.lastError().message()));
      bus.unregisterObject(kObjectPath);
      busName_.clear();
      return false;
    }
  }
  connect(this, &MprisService::seeked, player, &MprisPlayerAdaptor::Seeked);
  connect(this, &MprisService::propertiesChanged, this,
          [](const QString& interfaceName, const QVariantMap& changed) {
            QDBusMessage signal =
                QDBusMessage::createSignal(kObjectPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                           QStringLiteral("PropertiesChanged"));
            signal << interfaceName << changed << QStringList();
            QDBusConnection::sessionBus().send(signal);
          });
  last_ = take();
  refreshTimer_.start();
  return true;
}

void MprisService::unregister() {
  refreshTimer_.stop();
  if (busName_.isEmpty()) return;
  QDBusConnection bus = QDBusConnection::sessionBus();
  bus.unregisterService(busName_);
  bus.unregisterObject(kObjectPath);
  busName_.clear();
}

void MprisService::Play() {
  if (host_.mprisStatus() != PlaybackStatus::Playing && host_.mprisEnables().playPause)
    host_.mprisPlayPause();
  refresh();
}

void MprisService::Pause() {
  if (host_.mprisStatus() == PlaybackStatus::Playing && host_.mprisEnables().playPause)
    host_.mprisPlayPause();
  refresh();
}

void MprisService::PlayPause() {
  if (host_.mprisEnables().playPause) host_.mprisPlayPause();
  refresh();
}

void MprisService::Stop() {
  if (host_.mprisEnables().stop) host_.mprisStop();
  refresh();
}

void MprisService::Next() {
  if (host_.mprisEnables().next) host_.mprisNext();
  refresh();
}

void MprisService::Previous() {
  if (host_.mprisEnables().previous) host_.mprisPrevious();
  refresh();
}

// Before the start the song plays from the start; past the end it moves on to the next one.
void MprisService::Seek(std::int64_t offsetUs) {
  if (!host_.mprisEnables().seek) return;
  const std::int64_t target = std::max<std::int64_t>(0, host_.mprisPositionUs() + offsetUs);
  if (target > host_.mprisTrack().lengthUs) {
    Next();
    return;
  }
  host_.mprisSeekTo(target);
  refresh();
}

// Only for the song playing now, and only within it.
void MprisService::SetPosition(const QString& trackId, std::int64_t positionUs) {
  const MprisTrack track = host_.mprisTrack();
  if (!host_.mprisEnables().seek || trackId != trackIdOf(track.row) || positionUs < 0 ||
      positionUs > track.lengthUs)
    return;
  host_.mprisSeekTo(positionUs);
  refresh();
}

void MprisService::OpenUri(const QString& uri) {
  const QUrl url(uri);
  QString path;
  if (url.isLocalFile()) {
    path = url.toLocalFile();
  } else if (url.scheme().isEmpty()) {
    path = uri;
  }
  if (path.isEmpty() || !QDir::isAbsolutePath(path)) return;  // other schemes are not played
  host_.mprisOpen({QDir::cleanPath(path)});
  refresh();
}

void MprisService::setLoopStatus(const QString& status) {
  const int mode = host_.mprisPlayMode();
  const int wanted = modeForLoopStatus(mode, status);
  if (wanted != mode) host_.mprisSetPlayMode(wanted);
  refresh();
}

void MprisService::setShuffle(bool on) {
  const int mode = host_.mprisPlayMode();
  const int wanted = modeForShuffle(mode, on, modeBeforeRandom_);
  if (wanted != mode) host_.mprisSetPlayMode(wanted);
  refresh();
}

void MprisService::setVolume(double volume) {
  if (!host_.mprisEnables().volume || std::isnan(volume)) return;
  host_.mprisSetVolume(int(std::lround(std::clamp(volume, 0.0, 1.0) * 100)));
  refresh();
}

MprisService::Snapshot MprisService::take() const {
  return {host_.mprisStatus(), host_.mprisPlayMode(), host_.mprisVolume(), host_.mprisTrack(),
          host_.mprisEnables()};
}

void MprisService::refresh() {
  const Snapshot now = take();
  if (now.playMode != 4) modeBeforeRandom_ = now.playMode;
  QVariantMap changed;
  if (now.status != last_.status)
    changed.insert(QStringLiteral("PlaybackStatus"), playbackStatusText(now.status));
  if (loopStatusOf(now.playMode) != loopStatusOf(last_.playMode))
    changed.insert(QStringLiteral("LoopStatus"), loopStatusOf(now.playMode));
  if (shuffleOf(now.playMode) != shuffleOf(last_.playMode))
    changed.insert(QStringLiteral("Shuffle"), shuffleOf(now.playMode));
  if (now.volume != last_.volume) changed.insert(QStringLiteral("Volume"), now.volume / 100.0);
  if (!(now.track == last_.track)) changed.insert(QStringLiteral("Metadata"), metadataOf(now.track));
  const auto flag = [&](const char* name, bool MprisEnables::*field) {
    if (now.enables.*field != last_.enables.*field) changed.insert(QLatin1String(name), now.enables.*field);
  };
  flag("CanGoNext", &MprisEnables::next);
  flag("CanGoPrevious", &MprisEnables::previous);
  if (now.enables.playPause != last_.enables.playPause) {
    changed.insert(QStringLiteral("CanPlay"), now.enables.playPause);
    changed.insert(QStringLiteral("CanPause"), now.enables.playPause);
  }
  flag("CanSeek", &MprisEnables::seek);
  last_ = now;
  const int interval = now.status == PlaybackStatus::Playing ? kRefreshMs : kIdleRefreshMs;
  if (refreshTimer_.interval() != interval) refreshTimer_.setInterval(interval);
  if (!changed.isEmpty()) emit propertiesChanged(kPlayerInterface, changed);
}

void MprisService::notifySeeked() { emit seeked(qlonglong(host_.mprisPositionUs())); }

}  // namespace lyrovo
