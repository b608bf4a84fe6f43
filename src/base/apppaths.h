#pragma once

#include <QString>

namespace lyrovo {

// Where the program lives and keeps its files.
struct AppPaths {
  QString appPath;  // folder of Settings.ini, Playlist.dat, Lyrics/, Images/…; ends in "/"
  QString exeName;  // the executable's file name without extension: INI section, link and entry names
  QString exePath;  // absolute path of the executable, the target of links and desktop entries
  // Folder of the decoder plug-ins, ends in "/"; empty: none.
  QString pluginPath{};
  // The desktop entry an installed player came with; empty for a portable run.
  QString desktopEntry{};
  // Where the plug-ins' format lists are cached between runs
  // ($XDG_CACHE_HOME/lyrovo/plugin-formats.json); empty: not cached.
  QString pluginFormatCache{};

  // The executable's folder when it is writable, otherwise
  // $XDG_DATA_HOME/lyrovo/ (default ~/.local/share/lyrovo/).
  static QString resolveAppPath(const QString& exeDir);
  // Decided by the layout around the executable, never by write permission:
  // with ../lib/lyrovo/plugins/ it is installed (files in
  // $XDG_DATA_HOME/lyrovo/, its desktop entry in ../share/applications/);
  // with Plugins/ beside it, a portable run keeps its files there too.
  // Neither: resolveAppPath decides, plug-ins from Plugins/.
  static AppPaths forExecutable(const QString& exePath);
  // The portable plug-in folder: parent + "Plugins/", one "/" between.
  static QString portablePluginFolder(const QString& parent);
};

// Appends "/" unless the folder already ends in it.
QString withSlash(const QString& folder);

}  // namespace lyrovo
