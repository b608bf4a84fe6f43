// Starts the real player binary headless from a copy of the build folder.
#include "settings/settings.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>

using namespace lyrovo;

namespace {

bool waitFor(const std::function<bool()>& condition, int timeoutMs = 60000) {
  QDeadlineTimer deadline(timeoutMs);
  while (!condition()) {
    if (deadline.hasExpired()) return false;
    QThread::msleep(20);
  }
  return true;
}

QStringList keysOf(const QByteArray& ini, const QString& section) {
  QStringList keys;
  bool inside = false;
  for (const QByteArray& raw : ini.split('\n')) {
    const QString line = QString::fromUtf8(raw).trimmed();
    if (line.startsWith(u'[')) {
      inside = line == u'[' + section + u']';
    } else if (inside && line.contains(u'=')) {
      keys << line.section(u'=', 0, 0);
    }
  }
  return keys;
}

struct Installed {
  QTemporaryDir root;
  QString bin() const { return root.path() + QStringLiteral("/bin/"); }

  Installed() {
    QDir().mkpath(bin() + QStringLiteral("Plugins"));
    QDir().mkpath(bin() + QStringLiteral("Images"));  // not a first run: no welcome box to answer
    QFile::copy(QStringLiteral(LYROVO_BINARY), bin() + QStringLiteral("lyrovo"));
    QDir().mkpath(root.path() + QStringLiteral("/run"));
    QFile::setPermissions(root.path() + QStringLiteral("/run"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  }

  QProcessEnvironment environment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), root.path() + QStringLiteral("/home"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), root.path() + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), root.path() + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), root.path() + QStringLiteral("/run"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("disabled:"));
    return env;
  }
};

class SignalShutdown : public ::testing::TestWithParam<int> {};

}  // namespace

TEST_P(SignalShutdown, SavesBothSettingsFilesInTheProgramFolderAndExits) {
  Installed installed;
  QProcess player;
  player.setProcessEnvironment(installed.environment());
  player.setWorkingDirectory(installed.root.path());
  player.start(installed.bin() + QStringLiteral("lyrovo"), {});
  ASSERT_TRUE(player.waitForStarted(30000));
  const bool started = waitFor([&] {
    return QFileInfo(installed.bin() + QStringLiteral("Resumes")).isDir() &&
           QFileInfo(installed.bin() + QStringLiteral("Lyrics")).isDir();
  });
  if (!started) player.kill();
  ASSERT_TRUE(started) << player.readAllStandardError().constData();

  ::kill(pid_t(player.processId()), GetParam());
  ASSERT_TRUE(player.waitForFinished(60000));
  EXPECT_EQ(player.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(player.exitCode(), 0);

  QFile settings(installed.bin() + QStringLiteral("Settings.ini"));
  ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
  QStringList expected;
  for (const SettingsKey& key : kSettingsKeys) expected << key.name.toString();
  EXPECT_EQ(keysOf(settings.readAll(), QStringLiteral("lyrovo")), expected);

  QFile skin(installed.bin() + QStringLiteral("SkinSettings.ini"));
  ASSERT_TRUE(skin.open(QIODevice::ReadOnly));
  const QByteArray skinText = skin.readAll();
  EXPECT_EQ(keysOf(skinText, QStringLiteral("Color")).size(), qsizetype(kSkinColourKeys.size()));
  EXPECT_EQ(keysOf(skinText, QStringLiteral("Font")).size(), qsizetype(kSkinFontKeys.size()));
  EXPECT_FALSE(QFileInfo::exists(installed.root.path() + QStringLiteral("/data/lyrovo")));  // a portable run
}

INSTANTIATE_TEST_SUITE_P(TermAndInt, SignalShutdown, ::testing::Values(SIGTERM, SIGINT));

namespace {
// A short silent WAVE file: 16-bit stereo at 44.1 kHz.
QByteArray silentWave(int frames) {
  QByteArray data(frames * 4, '\0');
  QByteArray out;
  auto u32 = [&](quint32 v) { out.append(reinterpret_cast<const char*>(&v), 4); };
  auto u16 = [&](quint16 v) { out.append(reinterpret_cast<const char*>(&v), 2); };
  out += "RIFF";
  u32(36 + data.size());
  out += "WAVEfmt ";
  u32(16);
  u16(1);
  u16(2);
  u32(44100);
  u32(44100 * 4);
  u16(4);
  u16(16);
  out += "data";
  u32(data.size());
  return out + data;
}
}  // namespace

TEST(CommandLine, AFolderIsAddedWithItsSubfoldersAndSaved) {
  Installed installed;
  const QString music = installed.root.path() + QStringLiteral("/Music");
  QDir().mkpath(music + QStringLiteral("/Album"));
  for (const QString& name : {QStringLiteral("/one.wav"), QStringLiteral("/two.wav"),
                              QStringLiteral("/notes.txt"), QStringLiteral("/Album/three.wav")}) {
    QFile file(music + name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(silentWave(4410));
  }
  QProcess player;
  player.setProcessEnvironment(installed.environment());
  player.start(installed.bin() + QStringLiteral("lyrovo"), {music});
  ASSERT_TRUE(player.waitForStarted(30000));
  const QString list = installed.bin() + QStringLiteral("Playlist.dat");
  QByteArray saved;
  const bool added = waitFor([&] {
    QFile file(list);
    saved = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    return saved.count('\n') >= 4;
  });
  ::kill(pid_t(player.processId()), SIGTERM);
  ASSERT_TRUE(player.waitForFinished(60000));
  ASSERT_TRUE(added) << player.readAllStandardError().constData();
  const QStringList lines = QString::fromUtf8(saved).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 4);
  EXPECT_EQ(lines[0], QStringLiteral(" 1 "));
  QStringList paths;
  for (const QString& line : lines.mid(1)) paths << line.section(u'=', 0, 0);
  EXPECT_EQ(paths.last(),
            music + QStringLiteral("/Album/three.wav"));  // the subfolder after the folder's own files
  paths.sort();
  EXPECT_EQ(paths, (QStringList{music + QStringLiteral("/Album/three.wav"),
                                music + QStringLiteral("/one.wav"), music + QStringLiteral("/two.wav")}));
}
