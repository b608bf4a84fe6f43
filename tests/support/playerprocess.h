#pragma once

// The real player binary, started headless from a private copy of the
// program folder, for end-to-end tests. The test target defines
// LYROVO_BINARY (the built player) and LYROVO_PLUGIN_DIR (the built
// plug-ins) and links lyrovo_app (for the hand-over socket's name).

#include "app/handover.h"
#include "support/waituntil.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>

namespace lyrovo::testing {

// A portable installation in a temporary folder: root/bin/lyrovo (a copy of
// the built player, so bin/ is its program folder) with its web requests'
// helper root/bin/lyrovo-fetch, root/bin/Plugins, and
// private HOME, XDG and runtime folders under root.
struct PlayerInstall {
  QTemporaryDir root;

  // firstRun: without the Images folder, so the player greets (a box).
  // plugins: with the built decoder plug-ins.
  explicit PlayerInstall(bool firstRun = false, bool plugins = false) {
    QDir().mkpath(bin() + QStringLiteral("Plugins"));
    if (!firstRun) QDir().mkpath(bin() + QStringLiteral("Images"));
    QFile::copy(QStringLiteral(LYROVO_BINARY), bin() + QStringLiteral("lyrovo"));
    QFile::copy(QFileInfo(QStringLiteral(LYROVO_BINARY)).dir().filePath(QStringLiteral("lyrovo-fetch")),
                bin() + QStringLiteral("lyrovo-fetch"));
    if (plugins) {
      const QDir built(QStringLiteral(LYROVO_PLUGIN_DIR));
      for (const QString& name : built.entryList({QStringLiteral("lyrovo*.so")}, QDir::Files))
        QFile::copy(built.filePath(name), bin() + QStringLiteral("Plugins/") + name);
    }
    QDir().mkpath(runtimeFolder());
    QFile::setPermissions(runtimeFolder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  }

  // The program folder (AppPath), as the player resolves it.
  QString bin() const { return QFileInfo(root.path()).canonicalFilePath() + QStringLiteral("/bin/"); }
  QString runtimeFolder() const { return root.path() + QStringLiteral("/run"); }
  // Where the player listens for a second launch's files.
  QString handOverSocket() const { return runtimeFolder() + u'/' + HandOverSocketName(bin()); }
  QString file(const QString& name) const { return bin() + name; }
  QByteArray read(const QString& name) const {
    QFile in(file(name));
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
  }
  void write(const QString& name, const QByteArray& bytes) const {
    QFile out(file(name));
    if (out.open(QIODevice::WriteOnly | QIODevice::Truncate)) out.write(bytes);
  }

  QProcessEnvironment environment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), root.path() + QStringLiteral("/home"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), root.path() + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), root.path() + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeFolder());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("dummy"));
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("disabled:"));
    return env;
  }

  // Starts the player with arguments from workingFolder (root when empty).
  bool start(QProcess& player, const QStringList& arguments = {}, const QString& workingFolder = {}) const {
    player.setProcessEnvironment(environment());
    player.setWorkingDirectory(workingFolder.isEmpty() ? root.path() : workingFolder);
    player.start(bin() + QStringLiteral("lyrovo"), arguments);
    return player.waitForStarted(30000);
  }

  // The player's readiness point: once start-up is complete and its event
  // loop runs, its hand-over socket answers an empty hand-over with 0.
  bool waitUntilReady(QProcess& player, int timeoutMs = 60000) const {
    return waitUntil(
               [&] {
                 return player.state() == QProcess::NotRunning ||
                        HandOverPaths(handOverSocket(), {}, 1000) == 0;
               },
               timeoutMs) &&
           player.state() == QProcess::Running;
  }

  // One whole run: starts the player, waits until it is ready and ends it
  // with SIGTERM; true when it got there and ended cleanly.
  bool runOnce(const QStringList& arguments = {}, const QString& workingFolder = {}) const;

  // Hands paths to the running player as a second launch would; how many it took.
  int handOver(const QStringList& paths) const { return HandOverPaths(handOverSocket(), paths, 10000); }
};

// Whether the process has installed a handler for signal (from
// /proc/<pid>/status): before that moment, while the dynamic loader works,
// a signal can only take its default action.
inline bool catchesSignal(qint64 pid, int signal) {
  QFile status(QStringLiteral("/proc/%1/status").arg(pid));
  if (!status.open(QIODevice::ReadOnly)) return false;
  for (const QByteArray& line : status.readAll().split('\n')) {
    if (!line.startsWith("SigCgt:")) continue;
    bool ok = false;
    const quint64 mask = line.mid(7).trimmed().toULongLong(&ok, 16);
    return ok && (mask >> (signal - 1)) & 1;
  }
  return false;
}

// Sends signal and waits for the player to end; true when it ended
// normally with exit code 0.
inline bool endsCleanly(QProcess& player, int signal, int timeoutMs = 60000) {
  ::kill(pid_t(player.processId()), signal);
  if (!player.waitForFinished(timeoutMs)) {
    player.kill();
    player.waitForFinished(10000);
    return false;
  }
  return player.exitStatus() == QProcess::NormalExit && player.exitCode() == 0;
}

inline bool PlayerInstall::runOnce(const QStringList& arguments, const QString& workingFolder) const {
  QProcess player;
  return start(player, arguments, workingFolder) && waitUntilReady(player) && endsCleanly(player, SIGTERM);
}

}  // namespace lyrovo::testing
