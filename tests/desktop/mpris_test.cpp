#include "desktop/mpris.h"

#include <QDBusObjectPath>

#include <gtest/gtest.h>

using namespace lyrovo;

namespace {

// A player whose state the test sets; it records the controls pressed.
struct FakePlayer : MprisHost {
  PlaybackStatus status = PlaybackStatus::Playing;
  MprisTrack track{2,
                   QStringLiteral("/music/a b.mp3"),
                   QStringLiteral("月亮"),
                   QStringLiteral("歌手"),
                   QString(),
                   QString(),
                   QString(),
                   180'000'000};
  std::int64_t positionUs = 60'000'000;
  int playMode = 1;
  int volume = 40;
  MprisEnables enables{true, true, true, true, true, true};
  QStringList pressed;

  PlaybackStatus mprisStatus() const override { return status; }
  MprisTrack mprisTrack() const override { return track; }
  std::int64_t mprisPositionUs() const override { return positionUs; }
  int mprisPlayMode() const override { return playMode; }
  int mprisVolume() const override { return volume; }
  MprisEnables mprisEnables() const override { return enables; }
  void mprisRaise() override { pressed << QStringLiteral("raise"); }
  void mprisQuit() override { pressed << QStringLiteral("quit"); }
  void mprisPlayPause() override {
    pressed << QStringLiteral("playpause");
    status = status == PlaybackStatus::Playing ? PlaybackStatus::Paused : PlaybackStatus::Playing;
  }
  void mprisStop() override { pressed << QStringLiteral("stop"); }
  void mprisPrevious() override { pressed << QStringLiteral("previous"); }
  void mprisNext() override { pressed << QStringLiteral("next"); }
  void mprisSeekTo(std::int64_t us) override { pressed << QStringLiteral("seek %1").arg(us); }
  void mprisSetPlayMode(int mode) override { playMode = mode; }
  void mprisSetVolume(int level) override { volume = level; }
  void mprisOpen(const QStringList& paths) override { pressed << QStringLiteral("open ") + paths.join(u'|'); }
};

}  // namespace

TEST(MprisMapping, LoopAndShuffleRoundTripThroughTheFourModes) {
  EXPECT_EQ(loopStatusOf(1), QStringLiteral("None"));
  EXPECT_EQ(loopStatusOf(2), QStringLiteral("Playlist"));
  EXPECT_EQ(loopStatusOf(3), QStringLiteral("Track"));
  EXPECT_EQ(loopStatusOf(4), QStringLiteral("Playlist"));
  EXPECT_TRUE(shuffleOf(4));
  EXPECT_FALSE(shuffleOf(2));

  FakePlayer player;
  MprisService service(player);
  service.setLoopStatus(QStringLiteral("Track"));
  EXPECT_EQ(player.playMode, 3);
  service.setShuffle(true);
  EXPECT_EQ(player.playMode, 4);
  service.setLoopStatus(QStringLiteral("Playlist"));  // random play loops already
  EXPECT_EQ(player.playMode, 4);
  service.setShuffle(false);  // back to the mode used before
  EXPECT_EQ(player.playMode, 3);
  service.setLoopStatus(QStringLiteral("None"));
  EXPECT_EQ(player.playMode, 1);
  service.setLoopStatus(QStringLiteral("Sometimes"));
  EXPECT_EQ(player.playMode, 1);
  EXPECT_EQ(modeForShuffle(4, false, 0), 2);  // random from the start: loop the list
}

TEST(MprisMapping, MetadataOfARowAndOfNoRow) {
  MprisTrack track{7,
                   QStringLiteral("/music/a b#1.mp3"),
                   QStringLiteral("t"),
                   QStringLiteral("a"),
                   QStringLiteral("al"),
                   QStringLiteral("/app/Images/a.jpg"),
                   QStringLiteral("line"),
                   2'500'000};
  const QVariantMap map = metadataOf(track);
  EXPECT_EQ(map.value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>().path(),
            QStringLiteral("/org/lyrovo/Track/7"));
  EXPECT_EQ(map.value(QStringLiteral("mpris:length")).toLongLong(), 2'500'000);
  EXPECT_EQ(map.value(QStringLiteral("xesam:artist")).toStringList(), QStringList{"a"});
  EXPECT_EQ(map.value(QStringLiteral("xesam:url")).toString(), QStringLiteral("file:///music/a%20b%231.mp3"));
  EXPECT_EQ(map.value(QStringLiteral("mpris:artUrl")).toString(), QStringLiteral("file:///app/Images/a.jpg"));
  EXPECT_EQ(map.value(QStringLiteral("xesam:asText")).toString(), QStringLiteral("line"));
  EXPECT_EQ(map.value(QStringLiteral("xesam:album")).toString(), QStringLiteral("al"));

  const QVariantMap none = metadataOf(MprisTrack{});
  EXPECT_EQ(none.size(), 1);
  EXPECT_EQ(none.value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>().path(),
            QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack"));
}

TEST(MprisService, ActionsPressOnlyEnabledControls) {
  FakePlayer player;
  MprisService service(player);
  service.Play();  // already playing
  service.Pause();
  service.Pause();  // already paused
  service.Play();
  EXPECT_EQ(player.pressed, (QStringList{"playpause", "playpause"}));

  player.pressed.clear();
  player.enables = {};
  for (auto action :
       {&MprisService::PlayPause, &MprisService::Stop, &MprisService::Next, &MprisService::Previous})
    (service.*action)();
  service.Seek(1'000'000);
  service.SetPosition(trackIdOf(2), 1'000'000);
  service.setVolume(0.9);
  EXPECT_TRUE(player.pressed.isEmpty());
  EXPECT_EQ(player.volume, 40);  // muted: the volume bar is off
}

TEST(MprisService, SeeksStayWithinTheSongAndTheRightTrack) {
  FakePlayer player;
  MprisService service(player);
  service.Seek(-90'000'000);                       // before the start: the start
  service.Seek(10'000'000);                        // 60 s + 10 s
  service.Seek(130'000'000);                       // past the end: the next song
  service.SetPosition(trackIdOf(3), 5'000'000);    // another row: ignored
  service.SetPosition(trackIdOf(2), 181'000'000);  // beyond the length: ignored
  service.SetPosition(trackIdOf(2), 5'000'000);
  EXPECT_EQ(player.pressed, (QStringList{"seek 0", "seek 70000000", "next", "seek 5000000"}));

  player.pressed.clear();
  service.OpenUri(QStringLiteral("file:///music/new%20song.mp3"));
  service.OpenUri(QStringLiteral("/music/other.mp3"));
  service.OpenUri(QStringLiteral("http://example.org/a.mp3"));
  service.OpenUri(QStringLiteral("relative.mp3"));
  EXPECT_EQ(player.pressed, (QStringList{"open /music/new song.mp3", "open /music/other.mp3"}));
}

TEST(MprisService, RefreshAnnouncesExactlyWhatChanged) {
  FakePlayer player;
  MprisService service(player);
  std::vector<QVariantMap> announced;
  QObject::connect(&service, &MprisService::propertiesChanged,
                   [&](const QString& interfaceName, const QVariantMap& changed) {
                     EXPECT_EQ(interfaceName, QStringLiteral("org.mpris.MediaPlayer2.Player"));
                     announced.push_back(changed);
                   });
  service.refresh();
  EXPECT_TRUE(announced.empty());

  player.status = PlaybackStatus::Paused;
  player.volume = 55;
  player.enables.seek = false;
  service.refresh();
  ASSERT_EQ(announced.size(), 1u);
  EXPECT_EQ(announced[0].value(QStringLiteral("PlaybackStatus")).toString(), QStringLiteral("Paused"));
  EXPECT_DOUBLE_EQ(announced[0].value(QStringLiteral("Volume")).toDouble(), 0.55);
  EXPECT_FALSE(announced[0].value(QStringLiteral("CanSeek")).toBool());
  EXPECT_EQ(announced[0].size(), 3);

  player.playMode = 4;
  player.track.row = 3;
  service.refresh();
  ASSERT_EQ(announced.size(), 2u);
  EXPECT_EQ(announced[1].keys(), (QStringList{"LoopStatus", "Metadata", "Shuffle"}));

  std::vector<qlonglong> seeks;
  QObject::connect(&service, &MprisService::seeked, [&](qlonglong at) { seeks.push_back(at); });
  service.notifySeeked();
  EXPECT_EQ(seeks, std::vector<qlonglong>{60'000'000});
}

// The poll wakes the player four times a second only while a song plays.
TEST(MprisService, PollSlowsDownWhileNothingPlays) {
  FakePlayer player;
  player.status = PlaybackStatus::Stopped;
  MprisService service(player);
  EXPECT_EQ(service.refreshInterval(), 1000);
  player.status = PlaybackStatus::Playing;
  service.refresh();
  EXPECT_EQ(service.refreshInterval(), 250);
  player.status = PlaybackStatus::Paused;
  service.refresh();
  EXPECT_EQ(service.refreshInterval(), 1000);
}
