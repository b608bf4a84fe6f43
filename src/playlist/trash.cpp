#include "playlist/trash.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>
#include <QUrl>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lyrovo {

namespace {

QString dataHome() {
  const QString xdg = qEnvironmentVariable("XDG_DATA_HOME");
  if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg)) return xdg;
  return QDir::homePath() + QStringLiteral("/.local/share");
}

bool sameFileSystem(const QString& a, const QString& b) {
  struct stat sa {
  }, sb{};
  return ::stat(QFile::encodeName(a).constData(), &sa) == 0 &&
         ::stat(QFile::encodeName(b).constData(), &sb) == 0 && sa.st_dev == sb.st_dev;
}

// A folder of ours (not a link, owned by this user), created owner-only when missing.
bool ownFolder(const QString& folder) {
  const QByteArray name = QFile::encodeName(folder);
  if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST) return false;
  struct stat st {};
  return ::lstat(name.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid();
}

// Moves path into trash (a trash folder); originalPath is what its info file records.
bool trashInto(const QString& trash, const QString& path, const QString& originalPath) {
  if (!ownFolder(trash) || !ownFolder(trash + QStringLiteral("/files")) ||
      !ownFolder(trash + QStringLiteral("/info")))
    return false;
  const QFileInfo source(path);
  const QString base = source.completeBaseName(), suffix = source.suffix();
  const QByteArray info =
      "[Trash Info]\nPath=" + QUrl::toPercentEncoding(originalPath, "/") + "\nDeletionDate=" +
      QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddThh:mm:ss")).toLatin1() + "\n";
  for (int n = 1; n < 10000; ++n) {
    QString name = n == 1 ? source.fileName() : base + QStringLiteral(" (%1)").arg(n);
    if (n > 1 && !suffix.isEmpty()) name += u'.' + suffix;
    // The info file, made exclusively, reserves the name.
    const QString infoPath = trash + QStringLiteral("/info/") + name + QStringLiteral(".trashinfo");
    const int fd = ::open(QFile::encodeName(infoPath).constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return false;
    }
    const bool written = ::write(fd, info.constData(), std::size_t(info.size())) == info.size();
    ::close(fd);
    const QString target = trash + QStringLiteral("/files/") + name;
    if (!written) {
      ::unlink(QFile::encodeName(infoPath).constData());
      return false;
    }
    if (QFileInfo::exists(target) || QFileInfo(target).isSymLink()) {  // taken without an info file
      ::unlink(QFile::encodeName(infoPath).constData());
      continue;
    }
    if (::rename(QFile::encodeName(path).constData(), QFile::encodeName(target).constData()) == 0)
      return true;
    ::unlink(QFile::encodeName(infoPath).constData());
    return false;
  }
  return false;
}

}  // namespace

bool MoveToTrash(const QString& path) {
  const QFileInfo file(path);
  if (!file.exists() && !file.isSymLink()) return false;
  const QString absolute = file.absoluteFilePath();
  const QString home = dataHome();
  if (QDir().mkpath(home) && sameFileSystem(absolute, home))
    return trashInto(home + QStringLiteral("/Trash"), absolute, absolute);
  // Another file system: its own trash, with paths relative to its top.
  const QString top = QStorageInfo(absolute).rootPath();
  if (top.isEmpty() || !sameFileSystem(absolute, top)) return false;
  const QString trash = QDir(top).filePath(QStringLiteral(".Trash-%1").arg(::getuid()));
  return trashInto(trash, absolute, QDir(top).relativeFilePath(absolute));
}

}  // namespace lyrovo
