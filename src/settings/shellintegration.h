#pragma once

#include "base/apppaths.h"
#include "base/errorlog.h"

#include <QString>

namespace lyrovo {

// The user's XDG folders that desktop integration writes into.
struct ShellEnvironment {
  QString dataHome;    // $XDG_DATA_HOME, default ~/.local/share: applications/
  QString configHome;  // $XDG_CONFIG_HOME, default ~/.config: mimeapps.list, autostart/
  QString desktopDir;  // the user's desktop folder

  static ShellEnvironment fromEnvironment();
};

// A string value escaped for a desktop entry: backslash, newline, tab,
// carriage return and a leading blank become \\, \n, \t, \r and \s.
QString desktopEscape(const QString& value);

// One argument of an Exec line before desktopEscape: "%" doubled, and the
// argument quoted in double quotes (with " ` $ \ escaped by a backslash)
// when it is empty or holds a blank or a reserved character.
QString execQuote(const QString& argument);

// Makes the program the opener of files with extension ext ("mp3"): adds the
// extension's MIME types to the program's desktop entry in
// dataHome/applications (an installed player: names its installed entry
// instead and writes none) and makes that entry their default in
// configHome/mimeapps.list, keeping every other line there. Failures are
// logged under "AssFile".
void AssFile(const QString& ext, const AppPaths& paths, const ShellEnvironment& shell, const ErrorLog& log);

// The MIME types an extension stands for (mp3 → audio/mpeg, unknown → audio/x-<ext>).
QStringList mimeTypesFor(const QString& ext);

// Keeps configHome/autostart/<exe name>.desktop present exactly when
// autoStart: a missing entry is written, an existing one is left as it is
// (on) or deleted (off). Failures are not reported.
void UpdateAutoStart(bool autoStart, const AppPaths& paths, const ShellEnvironment& shell);

// The desktop link of an installed player: desktopDir/<exe name>.desktop,
// a symbolic link to its installed desktop entry (replacing whatever had
// that name). False when it could not be made.
bool LinkInstalledEntry(const AppPaths& paths, const ShellEnvironment& shell);

// Creates or overwrites the desktop link folder/<linkName>.desktop (folder
// empty: the desktop) to withSlash(workingFolder) + targetFile: a launcher
// when the target is an executable file, otherwise a link that opens it. The
// hot key has no equivalent and is ignored. False when it could not be written.
bool MakeShortcut(const QString& linkName, const QString& iconLocation, const QString& workingFolder,
                  const QString& targetFile, const QString& hotKey, const QString& description,
                  const QString& folder, const ShellEnvironment& shell);

}  // namespace lyrovo
