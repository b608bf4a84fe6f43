#include "app/autosave.h"

#include "app/appcontext.h"
#include "playlist/playlistfile.h"

#include <algorithm>

namespace lyrovo {

namespace {

// Whether two lists would be saved as the same lines.
bool sameSavedRows(const std::vector<PlaylistRow>& a, const std::vector<PlaylistRow>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const PlaylistRow& x, const PlaylistRow& y) {
    return x.path == y.path && x.title == y.title && x.artist == y.artist && x.lengthText == y.lengthText;
  });
}

}  // namespace

AutoSaver::AutoSaver(AppContext& context, std::function<Settings()> settingsNow, QObject* parent)
    : QObject(parent),
      ctx_(context),
      settingsNow_(std::move(settingsNow)),
      quietLog_(context.paths.appPath, nullptr) {
  writer_.setMaxThreadCount(1);
  timer_.setInterval(kCheckIntervalMs);
  connect(&timer_, &QTimer::timeout, this, &AutoSaver::check);
}

AutoSaver::~AutoSaver() { finish(); }

void AutoSaver::start(bool listOnDisk) {
  savedRows_ = ctx_.playlist.rows();
  savedIndex_ = listOnDisk ? ctx_.player.CurrentIndex : std::int16_t(-1);
  savedSettings_ = settingsNow_();
  listDirty_ = false;
  timer_.start();
}

void AutoSaver::check() {
  const Settings settings = settingsHeld_ ? savedSettings_ : settingsNow_();
  if (!(settings == savedSettings_)) {
    savedSettings_ = settings;
    writer_.start([this, settings, paths = ctx_.paths, shell = ctx_.shell] {
      SaveSettings(settings, paths, shell, quietLog_);
    });
  }
  const std::int16_t index = ctx_.player.CurrentIndex;
  const bool listChanged = listDirty_ && !sameSavedRows(ctx_.playlist.rows(), savedRows_);
  listDirty_ = false;
  if (listChanged || index != savedIndex_) {
    if (listChanged) savedRows_ = ctx_.playlist.rows();
    savedIndex_ = index;
    writer_.start([this, rows = savedRows_, index, appPath = ctx_.paths.appPath] {
      quietLog_.trap(QStringLiteral("SavePlaylist"), [&] { SavePlaylist(rows, index, appPath); });
    });
  }
}

void AutoSaver::finish() {
  timer_.stop();
  writer_.waitForDone();
}

}  // namespace lyrovo
