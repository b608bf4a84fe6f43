// The desktop's media controls of the real player binary, driven by
// playerctl (a real client) on a private session bus: this test runs
// inside its own dbus-run-session.
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>

namespace {

bool waitFor(const std::function<bool()>& condition, int timeoutMs = 30000) {
  QDeadlineTimer deadline(timeoutMs);
  while (!condition()) {
    if (deadline.hasExpired()) return false;
    QThread::msleep(20);
  }
  return true;
}

QString run(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments);
  if (!process.waitForFinished(30000)) {
    process.kill();
    process.waitForFinished();
    return QStringLiteral("<timed out>");
  }
  return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

QString playerctl(const QStringList& arguments) {
  return run(QStringLiteral("playerctl"),
             QStringList{QStringLiteral("-p"), QStringLiteral("lyrovo")} + arguments);
}

// Waits until playerctl answers the query with the text expected; the last answer otherwise.
::testing::AssertionResult answers(const QStringList& query, const QString& expected) {
  QString answer;
  if (waitFor([&] { return (answer = playerctl(query)) == expected; })) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "playerctl " << query.join(u' ').toStdString() << " answered \"" << answer.toStdString()
         << "\", expected \"" << expected.toStdString() << "\"";
}

struct MprisTest : ::testing::Test {
  QTemporaryDir root;
  QProcess player;

  QString bin() const { return root.path() + QStringLiteral("/bin/"); }
  QString music(const QString& name) const { return root.path() + QStringLiteral("/music/") + name; }

  void SetUp() override {
    QDir().mkpath(bin() + QStringLiteral("Plugins"));
    QDir().mkpath(bin() + QStringLiteral("Images"));  // not a first run
    QDir().mkpath(root.path() + QStringLiteral("/music"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(LYROVO_BINARY), bin() + QStringLiteral("lyrovo")));
    // Songs long enough to stay playing through the test; the first is tagged.
    for (const char* name : {"a.wav", "b.wav", "c.wav"})
      ASSERT_EQ(QProcess::execute(QStringLiteral("sox"),
                                  {QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("44100"),
                                   QStringLiteral("-c"), QStringLiteral("2"),
                                   music(QString::fromLatin1(name)), QStringLiteral("synth"),
                                   QStringLiteral("60"), QStringLiteral("sine"), QStringLiteral("440")}),
                0);
    ASSERT_EQ(
        QProcess::execute(
            QStringLiteral("lame"),
            {QStringLiteral("--quiet"), QStringLiteral("--tt"), QStringLiteral("Moon Song"),
             QStringLiteral("--ta"), QStringLiteral("Singer"), QStringLiteral("--tl"),
             QStringLiteral("Night Album"), music(QStringLiteral("a.wav")), music(QStringLiteral("a.mp3"))}),
        0);
  }

  void start(const QStringList& files) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), root.path() + QStringLiteral("/home"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), root.path() + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), root.path() + QStringLiteral("/data"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    player.setProcessEnvironment(env);
    player.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    player.start(bin() + QStringLiteral("lyrovo"), files);
    ASSERT_TRUE(player.waitForStarted(30000));
    ASSERT_TRUE(answers({QStringLiteral("status")}, QStringLiteral("Playing")));
  }

  // Ends the player as the session would and waits for it.
  void stop() {
    if (player.state() == QProcess::NotRunning) return;
    ::kill(pid_t(player.processId()), SIGTERM);
    if (!player.waitForFinished(30000)) {
      player.kill();
      player.waitForFinished(30000);
    }
  }
  void TearDown() override { stop(); }

  QString title() { return playerctl({QStringLiteral("metadata"), QStringLiteral("xesam:title")}); }
};

}  // namespace

TEST_F(MprisTest, TransportAndMetadataOfThePlayingRow) {
  start({music(QStringLiteral("a.mp3")), music(QStringLiteral("b.wav")), music(QStringLiteral("c.wav"))});
  EXPECT_EQ(run(QStringLiteral("playerctl"), {QStringLiteral("-l")}).toStdString(), "lyrovo");
  const QString format =
      QStringLiteral("{{xesam:title}}|{{xesam:artist}}|{{xesam:album}}|{{mpris:trackid}}|{{xesam:url}}");
  const QString url = QUrl::fromLocalFile(music(QStringLiteral("a.mp3"))).toString(QUrl::FullyEncoded);
  EXPECT_EQ(playerctl({QStringLiteral("metadata"), QStringLiteral("--format"), format}).toStdString(),
            (QStringLiteral("moon song|singer|Night Album|'/org/lyrovo/Track/1'|") + url).toStdString());
  const qint64 length = playerctl({QStringLiteral("metadata"), QStringLiteral("mpris:length")}).toLongLong();
  EXPECT_NEAR(double(length), 60e6, 0.2e6);

  playerctl({QStringLiteral("pause")});
  EXPECT_TRUE(answers({QStringLiteral("status")}, QStringLiteral("Paused")));
  playerctl({QStringLiteral("play")});
  EXPECT_TRUE(answers({QStringLiteral("status")}, QStringLiteral("Playing")));
  playerctl({QStringLiteral("play-pause")});
  EXPECT_TRUE(answers({QStringLiteral("status")}, QStringLiteral("Paused")));
  playerctl({QStringLiteral("play-pause")});
  EXPECT_TRUE(answers({QStringLiteral("status")}, QStringLiteral("Playing")));

  playerctl({QStringLiteral("next")});
  EXPECT_TRUE(answers({QStringLiteral("metadata"), QStringLiteral("xesam:title")}, QStringLiteral("b")));
  playerctl({QStringLiteral("next")});
  EXPECT_TRUE(answers({QStringLiteral("metadata"), QStringLiteral("mpris:trackid")},
                      QStringLiteral("'/org/lyrovo/Track/3'")));
  playerctl({QStringLiteral("next")});  // the last row in sequential mode: nothing
  playerctl({QStringLiteral("previous")});
  EXPECT_TRUE(answers({QStringLiteral("metadata"), QStringLiteral("xesam:title")}, QStringLiteral("b")));

  playerctl({QStringLiteral("stop")});
  EXPECT_TRUE(answers({QStringLiteral("status")}, QStringLiteral("Stopped")));
  playerctl({QStringLiteral("play")});
  EXPECT_TRUE(answers({QStringLiteral("status")}, QStringLiteral("Playing")));

  // A file handed over by URI is added and played.
  playerctl({QStringLiteral("open"), QUrl::fromLocalFile(music(QStringLiteral("c.wav"))).toString()});
  EXPECT_TRUE(answers({QStringLiteral("metadata"), QStringLiteral("mpris:trackid")},
                      QStringLiteral("'/org/lyrovo/Track/4'")));
  EXPECT_TRUE(answers({QStringLiteral("status")}, QStringLiteral("Playing")));
}

TEST_F(MprisTest, SeeksMoveThePositionAndAnnounceSeeked) {
  start({music(QStringLiteral("a.mp3"))});
  QProcess monitor;
  monitor.start(QStringLiteral("dbus-monitor"),
                {QStringLiteral("type='signal',interface='org.mpris.MediaPlayer2.Player',member='Seeked'")});
  ASSERT_TRUE(monitor.waitForStarted(30000));
  // The monitor prints the bus's greeting once it listens.
  QByteArray seen;
  ASSERT_TRUE(waitFor([&] {
    monitor.waitForReadyRead(50);
    seen += monitor.readAllStandardOutput();
    return seen.contains("NameAcquired") || seen.contains("NameLost");
  }));

  playerctl({QStringLiteral("position"), QStringLiteral("30")});
  ASSERT_TRUE(waitFor([&] {
    monitor.waitForReadyRead(50);
    seen += monitor.readAllStandardOutput();
    return seen.count("member=Seeked") == 1;
  }));
  double position = playerctl({QStringLiteral("position")}).toDouble();
  EXPECT_GE(position, 30.0);
  EXPECT_LT(position, 40.0);

  playerctl({QStringLiteral("position"), QStringLiteral("20-")});
  ASSERT_TRUE(waitFor([&] {
    monitor.waitForReadyRead(50);
    seen += monitor.readAllStandardOutput();
    return seen.count("member=Seeked") == 2;
  }));
  position = playerctl({QStringLiteral("position")}).toDouble();
  EXPECT_GE(position, 10.0);
  EXPECT_LT(position, 20.0);
  monitor.terminate();
  monitor.waitForFinished(30000);
}

TEST_F(MprisTest, LoopShuffleAndVolumeRoundTripIntoTheSettings) {
  start({music(QStringLiteral("a.mp3")), music(QStringLiteral("b.wav"))});
  EXPECT_TRUE(answers({QStringLiteral("loop")}, QStringLiteral("None")));
  playerctl({QStringLiteral("loop"), QStringLiteral("Track")});
  EXPECT_TRUE(answers({QStringLiteral("loop")}, QStringLiteral("Track")));
  playerctl({QStringLiteral("loop"), QStringLiteral("Playlist")});
  EXPECT_TRUE(answers({QStringLiteral("loop")}, QStringLiteral("Playlist")));
  playerctl({QStringLiteral("shuffle"), QStringLiteral("On")});
  EXPECT_TRUE(answers({QStringLiteral("shuffle")}, QStringLiteral("On")));
  EXPECT_TRUE(answers({QStringLiteral("loop")}, QStringLiteral("Playlist")));
  playerctl({QStringLiteral("shuffle"), QStringLiteral("Off")});
  EXPECT_TRUE(answers({QStringLiteral("shuffle")}, QStringLiteral("Off")));
  EXPECT_TRUE(answers({QStringLiteral("loop")}, QStringLiteral("Playlist")));
  playerctl({QStringLiteral("loop"), QStringLiteral("None")});
  EXPECT_TRUE(answers({QStringLiteral("loop")}, QStringLiteral("None")));

  playerctl({QStringLiteral("volume"), QStringLiteral("0.5")});
  EXPECT_TRUE(answers({QStringLiteral("volume")}, QStringLiteral("0.500000")));
  playerctl({QStringLiteral("volume"), QStringLiteral("0.1-")});
  EXPECT_TRUE(answers({QStringLiteral("volume")}, QStringLiteral("0.400000")));

  stop();
  QFile settings(bin() + QStringLiteral("Settings.ini"));
  ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
  const QByteArray text = settings.readAll();
  EXPECT_TRUE(text.contains("volumn=40")) << text.constData();
  EXPECT_TRUE(text.contains("playModal=1")) << text.constData();
}

TEST_F(MprisTest, TheArtworkIsTheArtistPhotoOfThePlayingSong) {
  const QString photo = bin() + QStringLiteral("Images/singer.jpg");
  ASSERT_EQ(QProcess::execute(QStringLiteral("convert"), {QStringLiteral("-size"), QStringLiteral("32x32"),
                                                          QStringLiteral("xc:red"), photo}),
            0);
  start({music(QStringLiteral("a.mp3")), music(QStringLiteral("b.wav"))});
  const QStringList artwork{QStringLiteral("metadata"), QStringLiteral("mpris:artUrl")};
  const QString url = QUrl::fromLocalFile(photo).toString(QUrl::FullyEncoded);
  EXPECT_TRUE(answers(artwork, url));
  playerctl({QStringLiteral("next")});  // a song without an artist
  EXPECT_TRUE(answers({QStringLiteral("metadata"), QStringLiteral("xesam:title")}, QStringLiteral("b")));
  EXPECT_TRUE(answers(artwork, QString()));
  playerctl({QStringLiteral("previous")});
  EXPECT_TRUE(answers(artwork, url));
}
