#pragma once

#include "desktop/mpris.h"

#include <QDBusAbstractAdaptor>
#include <QDBusObjectPath>

namespace lyrovo {

// org.mpris.MediaPlayer2 on the bus, answered by the service it belongs to.
class MprisRootAdaptor : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
  Q_PROPERTY(bool CanQuit READ yes)
  Q_PROPERTY(bool CanRaise READ yes)
  Q_PROPERTY(bool HasTrackList READ no)
  Q_PROPERTY(QString Identity READ identity)
  Q_PROPERTY(QString DesktopEntry READ desktopEntry)
  Q_PROPERTY(QStringList SupportedUriSchemes READ uriSchemes)
  Q_PROPERTY(QStringList SupportedMimeTypes READ mimeTypes)
 public:
  explicit MprisRootAdaptor(MprisService* service) : QDBusAbstractAdaptor(service), service_(service) {}
  bool yes() const { return true; }
  bool no() const { return false; }
  QString identity() const { return QStringLiteral("Lyrovo"); }
  QString desktopEntry() const { return QStringLiteral("lyrovo"); }
  QStringList uriSchemes() const { return {QStringLiteral("file")}; }
  QStringList mimeTypes() const;

 public slots:
  void Raise() { service_->Raise(); }
  void Quit() { service_->Quit(); }

 private:
  MprisService* service_;
};

// org.mpris.MediaPlayer2.Player on the bus.
class MprisPlayerAdaptor : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
  Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
  Q_PROPERTY(QString LoopStatus READ loopStatus WRITE setLoopStatus)
  Q_PROPERTY(double Rate READ rate WRITE setRate)
  Q_PROPERTY(bool Shuffle READ shuffle WRITE setShuffle)
  Q_PROPERTY(QVariantMap Metadata READ metadata)
  Q_PROPERTY(double Volume READ volume WRITE setVolume)
  Q_PROPERTY(qlonglong Position READ position)
  Q_PROPERTY(double MinimumRate READ rate)
  Q_PROPERTY(double MaximumRate READ rate)
  Q_PROPERTY(bool CanGoNext READ canGoNext)
  Q_PROPERTY(bool CanGoPrevious READ canGoPrevious)
  Q_PROPERTY(bool CanPlay READ canPlay)
  Q_PROPERTY(bool CanPause READ canPlay)
  Q_PROPERTY(bool CanSeek READ canSeek)
  Q_PROPERTY(bool CanControl READ canControl)
 public:
  explicit MprisPlayerAdaptor(MprisService* service) : QDBusAbstractAdaptor(service), service_(service) {}

  QString playbackStatus() const { return service_->playbackStatus(); }
  QString loopStatus() const { return service_->loopStatus(); }
  void setLoopStatus(const QString& status) { service_->setLoopStatus(status); }
  // The player plays at one speed only.
  double rate() const { return 1.0; }
  void setRate(double) {}
  bool shuffle() const { return service_->shuffle(); }
  void setShuffle(bool on) { service_->setShuffle(on); }
  QVariantMap metadata() const { return service_->metadata(); }
  double volume() const { return service_->volume(); }
  void setVolume(double volume) { service_->setVolume(volume); }
  qlonglong position() const { return service_->position(); }
  bool canGoNext() const { return service_->enables().next; }
  bool canGoPrevious() const { return service_->enables().previous; }
  bool canPlay() const { return service_->enables().playPause; }
  bool canSeek() const { return service_->enables().seek; }
  bool canControl() const { return true; }

 public slots:
  void Next() { service_->Next(); }
  void Previous() { service_->Previous(); }
  void Pause() { service_->Pause(); }
  void PlayPause() { service_->PlayPause(); }
  void Stop() { service_->Stop(); }
  void Play() { service_->Play(); }
  void Seek(qlonglong offset) { service_->Seek(offset); }
  void SetPosition(const QDBusObjectPath& trackId, qlonglong position) {
    service_->SetPosition(trackId.path(), position);
  }
  void OpenUri(const QString& uri) { service_->OpenUri(uri); }

 signals:
  void Seeked(qlonglong Position);

 private:
  MprisService* service_;
};

}  // namespace lyrovo
