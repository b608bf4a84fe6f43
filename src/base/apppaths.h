#pragma once

#include <QString>

namespace lyrovo {

// Where the program lives and keeps its files.
struct AppPaths {
  QString appPath;  // folder of Settings.ini, Playlist.dat, Lyrics/, Images/…; ends in "/"
  QString exeName;  // the executable's file name without extension: INI section, link and entry names
  QString exePath;  // absolute path of the executable, the target of links and desktop entries

  // The executable's folder when it is writable (a portable run, such as
  // from the build tree), otherwise $XDG_DATA_HOME/lyrovo/ (default
  // ~/.local/share/lyrovo/).
  static QString resolveAppPath(const QString& exeDir);
  static AppPaths forExecutable(const QString& exePath);
};

// Appends "/" unless the folder already ends in it.
QString withSlash(const QString& folder);

}  // namespace lyrovo
