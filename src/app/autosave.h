#pragma once

#include "base/errorlog.h"
#include "playlist/playlist.h"
#include "settings/settings.h"

#include <QObject>
#include <QThreadPool>
#include <QTimer>

#include <functional>
#include <vector>

namespace lyrovo {

struct AppContext;

// Keeps Playlist.dat and Settings.ini close to what the user sees, so that
// a player that dies without its shutdown (killed, the display gone) loses
// at most the last couple of seconds. Once a second it compares the list,
// the current row and the settings with what it wrote last and hands what
// changed to a writer thread; nothing is written while nothing changes.
// Failures are logged without a box: a box every second would be worse
// than the failure.
class AutoSaver : public QObject {
  Q_OBJECT
 public:
  static constexpr int kCheckIntervalMs = 1000;

  // settingsNow gives the settings as the shutdown would save them.
  AutoSaver(AppContext& context, std::function<Settings()> settingsNow, QObject* parent = nullptr);
  ~AutoSaver() override;

  // Takes what is loaded now as written (the list only when listOnDisk:
  // rows from the command line are written at the first check) and starts
  // checking.
  void start(bool listOnDisk = true);
  // The list may have changed; the next check compares it.
  void listChanged() { listDirty_ = true; }
  // One check: hands whatever changed since the last write to the writer.
  void check();
  // While held, settings changes are not written: the options window edits
  // the settings live and has its own save, which a write in between would
  // take away from the user (closing it without saving must leave the file).
  void holdSettings(bool held) { settingsHeld_ = held; }
  // Stops checking and waits for writes in flight, so that a final save
  // made afterwards is the last one to reach the files.
  void finish();

 private:
  AppContext& ctx_;
  std::function<Settings()> settingsNow_;
  ErrorLog quietLog_;
  QTimer timer_;
  QThreadPool writer_;  // one thread: writes reach the disk in the order they were made
  bool listDirty_ = false;
  bool settingsHeld_ = false;
  std::int16_t savedIndex_ = 0;
  std::vector<PlaylistRow> savedRows_;
  Settings savedSettings_;
};

}  // namespace lyrovo
