#include "base/apppaths.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <unistd.h>

namespace lyrovo {

QString withSlash(const QString& folder) {
  return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

namespace {

QString userDataFolder() {
  QString data = qEnvironmentVariable("XDG_DATA_HOME");
  if (data.isEmpty() || QDir::isRelativePath(data)) data = QDir::homePath() + QStringLiteral("/.local/share");
  return withSlash(QDir::cleanPath(data)) + QStringLiteral("lyrovo/");
}

QString userCacheFile(const QString& name) {
  QString cache = qEnvironmentVariable("XDG_CACHE_HOME");
  if (cache.isEmpty() || QDir::isRelativePath(cache)) cache = QDir::homePath() + QStringLiteral("/.cache");
  return withSlash(QDir::cleanPath(cache)) + QStringLiteral("lyrovo/") + name;
}

}  // namespace

QString AppPaths::resolveAppPath(const QString& exeDir) {
  const QByteArray native = QFile::encodeName(exeDir);
  if (!exeDir.isEmpty() && ::access(native.constData(), W_OK) == 0) return withSlash(QDir::cleanPath(exeDir));
  return userDataFolder();
}

QString AppPaths::portablePluginFolder(const QString& parent) {
  return withSlash(parent) + QStringLiteral("Plugins/");
}

AppPaths AppPaths::forExecutable(const QString& exePath) {
  const QFileInfo info(exePath);
  const QString exeDir = info.absolutePath();
  AppPaths paths;
  paths.pluginFormatCache = userCacheFile(QStringLiteral("plugin-formats.json"));
  paths.exePath = info.absoluteFilePath();
  paths.exeName = info.completeBaseName();
  // The same relative places the install rules use, so a moved prefix still works.
  const QString installedPlugins = QDir::cleanPath(exeDir + QStringLiteral("/../lib/lyrovo/plugins"));
  if (QFileInfo(installedPlugins).isDir()) {
    paths.appPath = userDataFolder();
    paths.pluginPath = withSlash(installedPlugins);
    const QString entry =
        QDir::cleanPath(exeDir + QStringLiteral("/../share/applications/" LYROVO_APP_ID ".desktop"));
    if (QFileInfo(entry).isFile()) paths.desktopEntry = entry;
    return paths;
  }
  paths.pluginPath = portablePluginFolder(exeDir);
  paths.appPath = QFileInfo(paths.pluginPath).isDir() ? withSlash(exeDir) : resolveAppPath(exeDir);
  return paths;
}

}  // namespace lyrovo
