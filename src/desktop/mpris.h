#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>

#include <cstdint>

namespace lyrovo {

enum class PlaybackStatus { Playing, Paused, Stopped };

// The song the media controls describe.
struct MprisTrack {
  int row = 0;  // 1-based playlist row; 0 = none
  QString path;
  QString title;
  QString artist;
  QString album;
  QString artPath;    // a picture of the artist on disk, or empty
  QString lyricLine;  // the lyric line being sung, or empty
  std::int64_t lengthUs = 0;
  bool operator==(const MprisTrack&) const = default;
};

// The controls the player's own buttons and bars offer right now.
struct MprisEnables {
  bool playPause = false;
  bool stop = false;
  bool previous = false;
  bool next = false;
  bool seek = false;
  bool volume = false;  // false while muted
  bool operator==(const MprisEnables&) const = default;
};

// What the media controls read from the player and ask of it; the main
// window implements it. Every action presses the control a user would, so
// the player's rules (enabled states, play modes) hold for remote clients.
class MprisHost {
 public:
  virtual ~MprisHost() = default;
  virtual PlaybackStatus mprisStatus() const = 0;
  virtual MprisTrack mprisTrack() const = 0;
  virtual std::int64_t mprisPositionUs() const = 0;
  virtual int mprisPlayMode() const = 0;  // 1 sequential, 2 loop the list, 3 repeat one, 4 random
  virtual int mprisVolume() const = 0;    // 0..100
  virtual MprisEnables mprisEnables() const = 0;

  virtual void mprisRaise() = 0;
  virtual void mprisQuit() = 0;
  virtual void mprisPlayPause() = 0;
  virtual void mprisStop() = 0;
  virtual void mprisPrevious() = 0;
  virtual void mprisNext() = 0;
  // Seeks the playing song; the host reports the jump with MprisService::notifySeeked.
  virtual void mprisSeekTo(std::int64_t positionUs) = 0;
  virtual void mprisSetPlayMode(int mode) = 0;
  virtual void mprisSetVolume(int volume) = 0;
  // Adds the files and plays the first, as a second launch does.
  virtual void mprisOpen(const QStringList& absolutePaths) = 0;
};

// The texts and mappings of the media-player interface.
QString playbackStatusText(PlaybackStatus status);
// Random play goes on for ever, so it loops the list.
QString loopStatusOf(int playMode);
bool shuffleOf(int playMode);
// The play mode a client's loop status asks for; an unknown text keeps the mode.
int modeForLoopStatus(int playMode, const QString& loopStatus);
// Shuffle on is random play; off returns to the mode used before random
// play (loop the list when there was none).
int modeForShuffle(int playMode, bool shuffle, int modeBeforeRandom);
// The object path that names a playlist row.
QString trackIdOf(int row);
QVariantMap metadataOf(const MprisTrack& track);

// The player as the desktop's media controls see it: the methods and
// properties of org.mpris.MediaPlayer2 and org.mpris.MediaPlayer2.Player,
// and the change signals. It works without a bus (tests call it directly);
// registerOnSessionBus puts it on the bus.
class MprisService : public QObject {
  Q_OBJECT
 public:
  static constexpr int kRefreshMs = 250;
  // While nothing plays only the window's own actions change anything, so
  // the poll slows down: no wake-up more than once a second while idle.
  static constexpr int kIdleRefreshMs = 1000;

  explicit MprisService(MprisHost& host, QObject* parent = nullptr);
  ~MprisService() override;

  // Publishes the player as org.mpris.MediaPlayer2.lyrovo (a second player
  // takes a name of its own). No session bus: logged once, false.
  bool registerOnSessionBus();
  void unregister();
  const QString& busName() const { return busName_; }

  // org.mpris.MediaPlayer2
  void Raise() { host_.mprisRaise(); }
  void Quit() { host_.mprisQuit(); }
  // org.mpris.MediaPlayer2.Player
  void Play();
  void Pause();
  void PlayPause();
  void Stop();
  void Next();
  void Previous();
  void Seek(std::int64_t offsetUs);
  void SetPosition(const QString& trackId, std::int64_t positionUs);
  void OpenUri(const QString& uri);

  QString playbackStatus() const { return playbackStatusText(host_.mprisStatus()); }
  QString loopStatus() const { return loopStatusOf(host_.mprisPlayMode()); }
  void setLoopStatus(const QString& status);
  bool shuffle() const { return shuffleOf(host_.mprisPlayMode()); }
  void setShuffle(bool on);
  QVariantMap metadata() const { return metadataOf(host_.mprisTrack()); }
  double volume() const { return host_.mprisVolume() / 100.0; }
  void setVolume(double volume);
  std::int64_t position() const { return host_.mprisPositionUs(); }
  MprisEnables enables() const { return host_.mprisEnables(); }

  // Compares the player with what clients were last told and announces
  // each property that changed (PropertiesChanged). Runs on a timer and
  // after every action.
  void refresh();
  // The playing position jumped (a seek, a song starting over): Seeked.
  void notifySeeked();
  // The poll's interval now: kRefreshMs while playing, kIdleRefreshMs otherwise.
  int refreshInterval() const { return refreshTimer_.interval(); }

 signals:
  // Emitted for each announcement, with the interface and the changed values.
  void propertiesChanged(const QString& interfaceName, const QVariantMap& changed);
  void seeked(qlonglong positionUs);

 private:
  struct Snapshot {
    PlaybackStatus status = PlaybackStatus::Stopped;
    int playMode = 0;
    int volume = -1;
    MprisTrack track;
    MprisEnables enables;
  };
  Snapshot take() const;

  MprisHost& host_;
  Snapshot last_;
  int modeBeforeRandom_ = 0;
  QTimer refreshTimer_;
  QString busName_;
};

}  // namespace lyrovo
