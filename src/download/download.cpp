#include "download/download.h"

#include "base/apperror.h"
#include "base/childoutput.h"
#include "base/errorlog.h"
#include "download/fetchprocess.h"
#include "download/serverconfig.h"
#include "text/encoding.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUrl>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace lyrovo {

namespace {

bool isHttpUrl(QStringView url) {
  return url.startsWith(u"http://", Qt::CaseInsensitive) || url.startsWith(u"https://", Qt::CaseInsensitive);
}

// Starts the helper with args and reads its whole output, at most maxBytes,
// until it exits or the deadline passes.
ChildOutput runHelper(std::vector<QByteArray> args, std::int64_t maxBytes, int deadlineMs) {
  std::vector<char*> argv;
  for (QByteArray& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  // Close-on-exec, so a helper started by another thread meanwhile does not
  // hold this pipe open and delay the end of this answer.
  int pipeEnds[2];
  if (::pipe2(pipeEnds, O_CLOEXEC) != 0) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
  // The helper starts with no signal blocked and SIGPIPE at its default,
  // whatever this thread has set up.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t signalSet;
  sigemptyset(&signalSet);
  posix_spawnattr_setsigmask(&attributes, &signalSet);
  sigaddset(&signalSet, SIGPIPE);
  posix_spawnattr_setsigdefault(&attributes, &signalSet);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  pid_t pid = 0;
  const int spawned = ::posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeEnds[1]);
  if (spawned != 0) {
    ::close(pipeEnds[0]);
    return {};
  }
  return CollectChildOutput(pid, pipeEnds[0], maxBytes, deadlineMs);
}

QString trimSpaces(const QString& text) {
  qsizetype begin = 0;
  qsizetype end = text.size();
  while (begin < end && text[begin] == u' ') ++begin;
  while (end > begin && text[end - 1] == u' ') --end;
  return text.mid(begin, end - begin);
}

// Opens path as a folder without following a symbolic link and checks that
// this user owns it; drops any group or other permission bits.
bool makePrivate(const QByteArray& path) {
  const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info {};
  bool ok = ::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid();
  if (ok && (info.st_mode & 077) != 0) ok = ::fchmod(fd, 0700) == 0;
  ::close(fd);
  return ok;
}

// Creates folder with mode 0700 when missing, then checks it as makePrivate does.
bool ensurePrivateFolder(const QString& folder) {
  const QByteArray path = QFile::encodeName(folder);
  if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST) return false;
  return makePrivate(path);
}

// A runtime folder is usable when it is an existing folder of this user that
// nobody else can write into (it may be reached through a symbolic link).
bool usableRuntimeDir(const QString& folder) {
  if (!QDir::isAbsolutePath(folder)) return false;
  struct stat info {};
  const QByteArray path = QFile::encodeName(folder);
  return ::stat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() &&
         (info.st_mode & 022) == 0 && ::access(path.constData(), W_OK | X_OK) == 0;
}

QString fileIn(const QString& folder) { return folder + u'/' + kTempLyricFileName.toString(); }

}  // namespace

FetchResult FetchUrl(const QString& url, const DownloadLimits& limits, bool headersOnly) {
  return FetchUrlWithHelper(FetchHelperPath(), url, limits, headersOnly);
}

FetchResult FetchUrlWithHelper(const QString& helperPath, const QString& url, const DownloadLimits& limits,
                               bool headersOnly) {
  FetchResult result;
  const QString target = url.trimmed();
  if (!isHttpUrl(target)) {
    result.status = FetchStatus::UnsupportedUrl;
    return result;
  }
  if (helperPath.isEmpty()) return result;

  const DownloadLimits effective = EffectiveLimits(limits);
  const ChildOutput answer =
      runHelper(FetchHelperCommand(helperPath, target, effective,
                                   headersOnly ? FetchMode::HeadersOnly : FetchMode::Body),
                std::int64_t(sizeof(FetchWireHeader)) + effective.maxBytes,
                effective.totalTimeoutMs + kFetchHelperGraceMs);
  if (answer.late) {
    result.status = FetchStatus::TimedOut;
    return result;
  }
  if (answer.tooLarge) {
    result.status = FetchStatus::TooLarge;
    return result;
  }
  FetchAnswerReader reader(effective.maxBytes);
  reader.feed(answer.bytes.data(), answer.bytes.size());
  return reader.result(answer.exitedCleanly);
}

QString DownloadedText(const QByteArray& body) { return trimSpaces(decodeText(body)); }

QString DownFile(const QString& url, const QString& tempFile, const DownloadLimits& limits,
                 const ErrorLog* log) {
  const auto fail = [&](const AppError& error) {
    if (log) log->log(QStringLiteral("DownFile"), error);
    return QString();
  };
  if (tempFile.isEmpty()) return fail(errors::pathAccess(tempFile));

  const FetchResult fetched = FetchUrl(url, limits);
  if (!fetched.ok()) return {};

  // Written beside the old file and renamed over it, so a reader of the temp
  // file sees the old download or the new one, never a mixture.
  QSaveFile file(tempFile);
  if (!file.open(QIODevice::WriteOnly) || file.write(fetched.body) != fetched.body.size() || !file.commit()) {
    return fail(errors::pathAccess(tempFile));
  }
  return DownloadedText(fetched.body);
}

bool ConnectionCheckIsImmediate(const ServerConfig& servers) {
  return QUrl(servers.connectionCheck).host().endsWith(QLatin1String(".invalid"));
}

bool CheckConnection(const ServerConfig& servers, const DownloadLimits& limits) {
  // No waiting on the resolver at every start for the unconfigured default.
  if (ConnectionCheckIsImmediate(servers)) return false;
  return FetchUrl(servers.connectionCheck, limits, /*headersOnly=*/true).ok();
}

QString ConnectionStatusText(bool online) {
  return QStringLiteral("Lyrovo - ") + (online ? QStringLiteral("已联网") : QStringLiteral("未联网")) + u'!';
}

QString TempLyricFileIn(const QString& runtimeDir, const QString& tempDir, const QString& cacheDir) {
  if (!runtimeDir.isEmpty() && usableRuntimeDir(runtimeDir)) {
    const QString folder = QDir::cleanPath(runtimeDir) + QStringLiteral("/lyrovo");
    if (ensurePrivateFolder(folder)) return fileIn(folder);
  }
  if (!tempDir.isEmpty() && QDir::isAbsolutePath(tempDir)) {
    const QString folder =
        QDir::cleanPath(tempDir) + QStringLiteral("/lyrovo-") + QString::number(::geteuid());
    if (ensurePrivateFolder(folder)) return fileIn(folder);
  }
  if (!cacheDir.isEmpty() && QDir::isAbsolutePath(cacheDir) && QDir().mkpath(cacheDir)) {
    const QString folder = QDir::cleanPath(cacheDir) + QStringLiteral("/lyrovo");
    if (ensurePrivateFolder(folder)) return fileIn(folder);
  }
  return {};
}

QString TempLyricFile() {
  return TempLyricFileIn(qEnvironmentVariable("XDG_RUNTIME_DIR"), QDir::tempPath(),
                         QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation));
}

}  // namespace lyrovo
