#pragma once

#include "base/apppaths.h"
#include "base/errorlog.h"
#include "base/instancelock.h"
#include "base/playerstate.h"
#include "base/prompts.h"
#include "desktop/hotkeys.h"
#include "desktop/systray.h"
#include "engine/bp.h"
#include "engine/tags.h"
#include "lyrics/lyricmodel.h"
#include "lyrics/lyricpane.h"
#include "playlist/playlist.h"
#include "settings/settings.h"
#include "settings/shellintegration.h"

#include <functional>
#include <random>

#include <unistd.h>

namespace lyrovo {

// Everything the running program knows, in one place: created by main (or
// by a test, with its own folders and scripted prompts) and handed to the
// windows by reference.
struct AppContext {
  AppContext(AppPaths appPaths, ShellEnvironment shellEnv, Prompts* promptsIn)
      : paths(std::move(appPaths)),
        shell(std::move(shellEnv)),
        prompts(promptsIn),
        log(paths.appPath, promptsIn),
        BP1(*promptsIn, tags, &log) {}

  AppPaths paths;
  ShellEnvironment shell;
  Prompts* prompts;
  ErrorLog log;

  PlayerState player;
  Settings settings;
  SkinSettings skin;
  LyricModel lyrics;
  LyricPaneState lyricPane;
  SearchState search;
  TagFields tags;
  BP BP1;  // the audio engine
  Playlist playlist;
  std::mt19937 random{std::random_device{}()};  // random play order; tests seed their own
  InstanceLock instanceLock;

  // Ends the process once shutdown has saved everything. Tests replace it.
  std::function<void(int)> terminate = [](int code) { ::_exit(code); };
  // The desktop's tray icon and global hot keys; empty means the real ones. Tests put in fakes.
  std::function<std::unique_ptr<TrayIconBackend>()> makeTrayIcon;
  std::function<std::unique_ptr<GlobalHotKeys>()> makeHotKeys;
};

}  // namespace lyrovo
