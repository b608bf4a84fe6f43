#include "base/apppaths.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <unistd.h>

namespace lyrovo {

QString withSlash(const QString& folder) {
  return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

QString AppPaths::resolveAppPath(const QString& exeDir) {
  const QByteArray native = QFile::encodeName(exeDir);
  if (!exeDir.isEmpty() && ::access(native.constData(), W_OK) == 0) return withSlash(QDir::cleanPath(exeDir));
  QString data = qEnvironmentVariable("XDG_DATA_HOME");
  if (data.isEmpty() || QDir::isRelativePath(data)) data = QDir::homePath() + QStringLiteral("/.local/share");
  return withSlash(QDir::cleanPath(data)) + QStringLiteral("lyrovo/");
}

AppPaths AppPaths::forExecutable(const QString& exePath) {
  const QFileInfo info(exePath);
  AppPaths paths;
  paths.exePath = info.absoluteFilePath();
  paths.exeName = info.completeBaseName();
  paths.appPath = resolveAppPath(info.absolutePath());
  return paths;
}

}  // namespace lyrovo
