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

// Whether the process has a handler for the signal: start-up is over and the
// signal will run the shutdown (before, it ends the program unsaved).
bool catches(qint64 pid, int signal) {
  QFile status(QStringLiteral("/proc/%1/status").arg(pid));
  if (!status.open(QIODevice::ReadOnly)) return false;
  for (const QByteArray& line : status.readAll().split('\n'))
    if (line.startsWith("SigCgt:"))
      return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (signal - 1)) & 1;
  return false;
}

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
           QFileInfo(installed.bin() + QStringLiteral("Lyrics")).isDir() &&
           catches(player.processId(), GetParam());
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
