#include "settings/shellintegration.h"

#include "base/apperror.h"
#include "settings/inifile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>
#include <QUrl>

#include <algorithm>

namespace lyrovo {

namespace {

constexpr QStringView kEntrySection = u"Desktop Entry";
constexpr QStringView kEntryLineEnd = u"\n";  // desktop entries and mimeapps.list use LF

QString xdgFolder(const char* variable, const QString& fallback) {
  const QString value = qEnvironmentVariable(variable);
  return value.isEmpty() || QDir::isRelativePath(value) ? fallback : QDir::cleanPath(value);
}

// "a;b;" → {a, b}
QStringList splitList(const std::optional<QString>& value) {
  return value ? value->split(u';', Qt::SkipEmptyParts) : QStringList();
}

QString joinList(const QStringList& items) { return items.join(u';') + u';'; }

void makeFolder(const QString& folder) {
  if (!QDir().mkpath(folder)) throw errors::pathAccess(folder);
}

}  // namespace

ShellEnvironment ShellEnvironment::fromEnvironment() {
  const QString home = QDir::homePath();
  ShellEnvironment shell;
  shell.dataHome = xdgFolder("XDG_DATA_HOME", home + QStringLiteral("/.local/share"));
  shell.configHome = xdgFolder("XDG_CONFIG_HOME", home + QStringLiteral("/.config"));
  // Qt reads user-dirs.dirs for this and falls back to ~/Desktop.
  shell.desktopDir = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
  if (shell.desktopDir.isEmpty()) shell.desktopDir = home + QStringLiteral("/Desktop");
  return shell;
}

QString desktopEscape(const QString& value) {
  QString out;
  out.reserve(value.size());
  for (qsizetype i = 0; i < value.size(); ++i) {
    const QChar c = value[i];
    if (c == u'\\')
      out += QStringLiteral("\\\\");
    else if (c == u'\n')
      out += QStringLiteral("\\n");
    else if (c == u'\t')
      out += QStringLiteral("\\t");
    else if (c == u'\r')
      out += QStringLiteral("\\r");
    else if (c == u' ' && i == 0)
      out += QStringLiteral("\\s");
    else
      out += c;
  }
  return out;
}

QString execQuote(const QString& argument) {
  static constexpr QStringView kReserved = u" \t\n\"'\\><~|&;$*?#()`";
  QString text = argument;
  text.replace(u'%', QStringLiteral("%%"));
  bool quote = text.isEmpty();
  for (QChar c : text) quote = quote || kReserved.contains(c);
  if (!quote) return text;
  QString out = QStringLiteral("\"");
  for (QChar c : text) {
    if (c == u'"' || c == u'`' || c == u'$' || c == u'\\') out += u'\\';
    out += c;
  }
  return out + u'"';
}

QStringList mimeTypesFor(const QString& ext) {
  const QString lower = ext.toLower();
  if (lower == QLatin1String("mp3")) return {QStringLiteral("audio/mpeg")};
  if (lower == QLatin1String("wma")) return {QStringLiteral("audio/x-ms-wma")};
  if (lower == QLatin1String("wav")) return {QStringLiteral("audio/x-wav"), QStringLiteral("audio/wav")};
  return {QStringLiteral("audio/x-") + lower};
}

void AssFile(const QString& ext, const AppPaths& paths, const ShellEnvironment& shell, const ErrorLog& log) {
  log.trap(QStringLiteral("AssFile"), [&] {
    // The extension becomes part of key names in mimeapps.list: only plain names are safe there.
    const bool plain = !ext.isEmpty() && std::all_of(ext.begin(), ext.end(), [](QChar c) {
      return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'+' ||
             c == u'-' || c == u'_';
    });
    if (!plain) {
      throw AppError(errors::InvalidCall, QStringLiteral("Invalid file extension: ") + ext);
    }
    const QStringList types = mimeTypesFor(ext);
    // An installed player's own desktop entry opens the files; a portable
    // one gets an entry of the user's.
    const bool installed = !paths.desktopEntry.isEmpty();
    const QString entryId =
        installed ? QFileInfo(paths.desktopEntry).fileName() : paths.exeName + QStringLiteral(".desktop");

    if (!installed) {
      const QString applications = shell.dataHome + QStringLiteral("/applications");
      makeFolder(applications);
      const QString entryPath = applications + u'/' + entryId;
      IniFile entry = IniFile::load(entryPath);
      QStringList mimeTypes = splitList(entry.getFullString(kEntrySection, u"MimeType"));
      for (const QString& type : types) {
        if (!mimeTypes.contains(type)) mimeTypes.append(type);
      }
      entry.setString(kEntrySection, u"Type", QStringLiteral("Application"));
      entry.setString(kEntrySection, u"Name", desktopEscape(paths.exeName));
      entry.setString(kEntrySection, u"Comment", QStringLiteral("媒体文件"));
      entry.setString(kEntrySection, u"Exec",
                      desktopEscape(execQuote(paths.exePath) + QStringLiteral(" %f")));
      entry.setString(kEntrySection, u"Icon", desktopEscape(paths.exeName));
      entry.setString(kEntrySection, u"Terminal", QStringLiteral("false"));
      entry.setString(kEntrySection, u"Categories", QStringLiteral("AudioVideo;Audio;Player;"));
      entry.setString(kEntrySection, u"MimeType", joinList(mimeTypes));
      entry.save(entryPath, kEntryLineEnd);
    }

    makeFolder(shell.configHome);
    const QString listPath = shell.configHome + QStringLiteral("/mimeapps.list");
    IniFile list = IniFile::load(listPath);
    for (const QString& type : types) {
      list.setString(u"Default Applications", type, entryId + u';');
      QStringList added = splitList(list.getFullString(u"Added Associations", type));
      added.removeAll(entryId);
      added.prepend(entryId);
      list.setString(u"Added Associations", type, joinList(added));
    }
    list.save(listPath, kEntryLineEnd);
  });
}

void UpdateAutoStart(bool autoStart, const AppPaths& paths, const ShellEnvironment& shell) {
  const QString folder = shell.configHome + QStringLiteral("/autostart");
  const QString path = folder + u'/' + paths.exeName + QStringLiteral(".desktop");
  const bool exists = QFileInfo::exists(path);
  if (!autoStart) {
    if (exists) QFile::remove(path);
    return;
  }
  if (exists || !QDir().mkpath(folder)) return;
  IniFile entry;
  entry.setString(kEntrySection, u"Type", QStringLiteral("Application"));
  entry.setString(kEntrySection, u"Name", desktopEscape(paths.exeName));
  entry.setString(kEntrySection, u"Exec", desktopEscape(execQuote(paths.exePath)));
  try {
    entry.save(path, kEntryLineEnd);
  } catch (const AppError&) {
    // Not reported: autoStart itself is still saved.
  }
}

bool LinkInstalledEntry(const AppPaths& paths, const ShellEnvironment& shell) {
  const QString link = shell.desktopDir + u'/' + paths.exeName + QStringLiteral(".desktop");
  QFile::remove(link);  // a link or file left from before is replaced, as a shortcut would be
  return QFile::link(paths.desktopEntry, link);
}

bool MakeShortcut(const QString& linkName, const QString& iconLocation, const QString& workingFolder,
                  const QString& targetFile, const QString& /*hotKey*/, const QString& description,
                  const QString& folder, const ShellEnvironment& shell) {
  const QString suffix = QStringLiteral(".desktop");
  const bool hasSuffix = linkName.toUpper().endsWith(suffix.toUpper());
  const QString linkFile =
      (folder.isEmpty() ? shell.desktopDir : folder) + u'/' + linkName + (hasSuffix ? QString() : suffix);
  const QString target = withSlash(workingFolder) + targetFile;

  IniFile entry;
  const QFileInfo info(target);
  if (info.isFile() && info.isExecutable()) {
    entry.setString(kEntrySection, u"Type", QStringLiteral("Application"));
    entry.setString(kEntrySection, u"Exec", desktopEscape(execQuote(target)));
    entry.setString(kEntrySection, u"Path", desktopEscape(workingFolder));
  } else {
    entry.setString(kEntrySection, u"Type", QStringLiteral("Link"));
    entry.setString(kEntrySection, u"URL", QString::fromLatin1(QUrl::fromLocalFile(target).toEncoded()));
  }
  // The shown name is the link name without the file's own ".desktop".
  entry.setString(kEntrySection, u"Name",
                  desktopEscape(hasSuffix ? linkName.chopped(suffix.size()) : linkName));
  entry.setString(kEntrySection, u"Icon", desktopEscape(iconLocation));
  entry.setString(kEntrySection, u"Comment", desktopEscape(description));
  try {
    entry.save(linkFile, kEntryLineEnd);
  } catch (const AppError&) {
    return false;
  }
  // Desktops launch only entries marked executable.
  return QFile::setPermissions(linkFile, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                             QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                             QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                             QFileDevice::ExeOther);
}

}  // namespace lyrovo
