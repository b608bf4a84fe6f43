// The engine played through a private sound server whose only sink is a
// null sink; the sink's monitor is recorded, so the test hears what a user
// would and compares it with the position the engine reports as heard.
#include "engine/backend.h"
#include "support/waituntil.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <vector>

using namespace lyrovo;
using lyrovo::testing::waitUntil;

namespace {

constexpr int kRate = 44100;

// 16-bit stereo WAVE: silenceSeconds of silence, then toneSeconds of a
// 1 kHz sine at half of full scale.
QByteArray silenceThenTone(double silenceSeconds, double toneSeconds) {
  const int silent = int(silenceSeconds * kRate), toned = int(toneSeconds * kRate);
  QByteArray data;
  data.reserve((silent + toned) * 4);
  for (int i = 0; i < silent + toned; ++i) {
    const double value =
        i < silent ? 0 : 16384 * std::sin(2 * std::numbers::pi * 1000 * (i - silent) / kRate);
    const qint16 sample = qint16(std::lround(value));
    for (int channel = 0; channel < 2; ++channel) data.append(reinterpret_cast<const char*>(&sample), 2);
  }
  QByteArray out;
  auto u32 = [&](quint32 v) { out.append(reinterpret_cast<const char*>(&v), 4); };
  auto u16 = [&](quint16 v) { out.append(reinterpret_cast<const char*>(&v), 2); };
  out += "RIFF";
  u32(quint32(36 + data.size()));
  out += "WAVEfmt ";
  u32(16);
  u16(1);
  u16(2);
  u32(kRate);
  u32(kRate * 4);
  u16(4);
  u16(16);
  out += "data";
  u32(quint32(data.size()));
  return out + data;
}

// A private PulseAudio server with one null sink, reachable only through
// its own socket in a temporary folder.
class PrivateSoundServer {
 public:
  PrivateSoundServer() {
    const QString config = dir_.filePath(QStringLiteral("server.pa"));
    QFile script(config);
    if (!script.open(QIODevice::WriteOnly)) return;
    script.write(
        "load-module module-null-sink sink_name=testsink rate=44100\n"
        "set-default-sink testsink\n"
        "load-module module-native-protocol-unix auth-anonymous=1 socket=" +
        QFile::encodeName(socket()) + "\n");
    script.close();
    QDir(dir_.path()).mkpath(QStringLiteral("runtime"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), dir_.path());
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir_.filePath(QStringLiteral("runtime")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir_.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("disabled:"));
    server_.setProcessEnvironment(env);
    server_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server_.start(QStringLiteral("pulseaudio"),
                  {QStringLiteral("-n"), QStringLiteral("-F"), config, QStringLiteral("--daemonize=no"),
                   QStringLiteral("--exit-idle-time=-1"), QStringLiteral("--use-pid-file=false"),
                   QStringLiteral("--log-target=stderr"), QStringLiteral("--log-level=error")});
  }
  ~PrivateSoundServer() {
    server_.terminate();
    if (!server_.waitForFinished(10000)) {
      server_.kill();
      server_.waitForFinished(10000);
    }
  }
  bool waitReady() {
    return server_.waitForStarted(10000) &&
           waitUntil([&] { return QFileInfo::exists(socket()) || server_.state() == QProcess::NotRunning; },
                     20000) &&
           server_.state() == QProcess::Running;
  }
  QString socket() const { return dir_.filePath(QStringLiteral("pulse.sock")); }
  QString address() const { return QStringLiteral("unix:") + socket(); }

 private:
  QTemporaryDir dir_;
  QProcess server_;
};

// Sets an environment variable for one test, restoring the old value after.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const QByteArray& value)
      : name_(name), old_(qgetenv(name)), had_(qEnvironmentVariableIsSet(name)) {
    qputenv(name, value);
  }
  ~ScopedEnv() {
    if (had_)
      qputenv(name_, old_);
    else
      qunsetenv(name_);
  }

 private:
  const char* name_;
  QByteArray old_;
  bool had_;
};

}  // namespace

TEST(SoundServerOutput, TheToneArrivesAndTheHeardPositionMatchesTheRecording) {
  if (QStandardPaths::findExecutable(QStringLiteral("pulseaudio")).isEmpty() ||
      QStandardPaths::findExecutable(QStringLiteral("parec")).isEmpty())
    GTEST_SKIP() << "pulseaudio or parec is not installed";
  PrivateSoundServer server;
  ASSERT_TRUE(server.waitReady());
  ScopedEnv pulseServer("PULSE_SERVER", server.address().toUtf8());
  ScopedEnv output("LYROVO_AUDIO_OUTPUT", "pulse");

  QTemporaryDir dir;
  const QString song = dir.filePath(QStringLiteral("song.wav"));
  const QString recording = dir.filePath(QStringLiteral("monitor.raw"));
  {
    QFile file(song);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(silenceThenTone(1.0, 2.0));
  }

  AudioBackend backend;
  // The server may need a moment after its socket appears.
  ASSERT_TRUE(waitUntil([&] { return backend.init(-1, kRate); }, 20000));
  // The sound server's buffer, not SDL's 46 ms one.
  EXPECT_GE(backend.outputBufferFrames(), kRate / 4);

  QProcess recorder;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("PULSE_SERVER"), server.address());
  recorder.setProcessEnvironment(env);
  recorder.setStandardOutputFile(recording);
  recorder.start(QStringLiteral("parec"),
                 {QStringLiteral("-d"), QStringLiteral("testsink.monitor"), QStringLiteral("--raw"),
                  QStringLiteral("--format=s16le"), QStringLiteral("--rate=44100"),
                  QStringLiteral("--channels=2"), QStringLiteral("--latency-msec=5")});
  ASSERT_TRUE(recorder.waitForStarted(10000));
  ASSERT_TRUE(waitUntil([&] { return QFileInfo(recording).size() > 4 * kRate / 10; }, 20000));

  const AudioBackend::Handle handle = backend.streamCreateFile(song);
  ASSERT_NE(handle, 0u);
  ASSERT_TRUE(backend.play(handle, false));

  // While the tone plays: where the engine says the ear is in the song, and
  // how far the recording has got, taken together. Each pair says where in
  // the recording the tone (1 s into the song) should begin.
  std::vector<double> expectedOnsets;
  ASSERT_TRUE(waitUntil(
      [&] {
        const qint64 recorded = QFileInfo(recording).size() / 4;
        const double heard = backend.bytes2Seconds(handle, backend.getPosition(handle));
        if (heard > 1.2 && heard < 2.6) expectedOnsets.push_back(double(recorded) - (heard - 1.0) * kRate);
        return heard >= 2.6;
      },
      30000));
  ASSERT_TRUE(waitUntil([&] { return backend.isActive(handle) == 0; }, 30000));
  // A song at the output's rate played through the server needs nothing from SDL.
  QFile maps(QStringLiteral("/proc/self/maps"));
  ASSERT_TRUE(maps.open(QIODevice::ReadOnly));
  EXPECT_FALSE(maps.readAll().contains("libSDL2"));
  backend.free();
  recorder.terminate();
  ASSERT_TRUE(recorder.waitForFinished(10000));

  QFile file(recording);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray raw = file.readAll();
  const auto* samples = reinterpret_cast<const qint16*>(raw.constData());
  const qsizetype frames = raw.size() / 4;
  qsizetype onset = -1;
  int peak = 0;
  for (qsizetype i = 0; i < frames; ++i) {
    const int left = std::abs(int(samples[2 * i]));
    if (onset < 0 && left > 2000) onset = i;
    peak = std::max(peak, left);
  }
  ASSERT_GE(onset, 0) << "no sound reached the sink";
  EXPECT_NEAR(peak, 16384, 1200);  // at full volume the sound is unchanged

  ASSERT_GE(expectedOnsets.size(), 5u);
  std::nth_element(expectedOnsets.begin(), expectedOnsets.begin() + expectedOnsets.size() / 2,
                   expectedOnsets.end());
  const double median = expectedOnsets[expectedOnsets.size() / 2];
  // Within 60 ms: well inside the half second the server buffers.
  EXPECT_NEAR(median, double(onset), 0.06 * kRate);
}
