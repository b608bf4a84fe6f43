#include "base/commandlinepaths.h"

#include <QDir>
#include <QFileInfo>

namespace lyrovo {

namespace {

QString absolutePath(const QString& argument, const QString& launchFolder) {
  const QString joined = QDir(launchFolder).absoluteFilePath(argument);
  const QFileInfo entry(joined);
  // The folder part is resolved through the file system; a folder that
  // does not exist is cleaned as text.
  const QString folder = QFileInfo(entry.path()).canonicalFilePath();
  if (folder.isEmpty()) return QDir::cleanPath(joined);
  const QString name = entry.fileName();
  if (name.isEmpty() || name == u'.' || name == QLatin1String("..")) {
    const QString canonical = entry.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(joined) : canonical;
  }
  return folder == u'/' ? u'/' + name : folder + u'/' + name;
}

}  // namespace

QStringList AbsoluteCommandLinePaths(const QStringList& arguments, const QString& launchFolder) {
  QStringList paths;
  for (const QString& argument : arguments) {
    if (argument.isEmpty() || argument.contains(u'\n') || argument.contains(u'\r')) continue;
    paths << absolutePath(argument, launchFolder);
  }
  return paths;
}

}  // namespace lyrovo
