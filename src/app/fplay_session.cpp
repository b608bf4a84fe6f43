// The main window's part in keeping the user's data: saves that follow
// changes, the hand-over of files between two launches, and a damaged
// playlist file kept aside.
#include "app/autosave.h"
#include "app/fplay.h"
#include "app/handover.h"
#include "engine/plugins.h"
#include "playlist/playlistfile.h"
#include "playlist/playlistops.h"
#include "playlist/playlisttablemodel.h"
#include "playlist/supportedfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace lyrovo {

namespace {
// How long a second launch tries to reach the running player.
constexpr int kHandOverTimeoutMs = 2000;
}  // namespace

// A second launch with files or folders passes them to the running player
// and ends quietly; true when the running player took any of them.
bool Fplay::handOverToRunningPlayer() {
  QStringList paths;
  for (const QString& path : std::as_const(arguments_))
    if (QFileInfo::exists(path)) paths << path;
  if (paths.isEmpty()) return false;
  return HandOverPaths(HandOverSocketPath(ctx_.paths.appPath), paths, kHandOverTimeoutMs) > 0;
}

// "*.ext;" patterns of the formats the decoder plug-ins beside the program
// take, read from the plug-ins themselves (which are freed again).
QString Fplay::pluginFileTypes() const {
  const QString folder = BP::pluginFolder(QFileInfo(ctx_.paths.exePath).absolutePath());
  PluginHost plugins;
  if (!ctx_.paths.pluginFormatCache.isEmpty()) plugins.setFormatCache(ctx_.paths.pluginFormatCache);
  QString types;
  const QFileInfoList files = QDir(folder).entryInfoList({QStringLiteral("lyrovo*.so")}, QDir::Files);
  for (const QFileInfo& file : files)
    for (const PluginFormat& format : plugins.formatsOf(plugins.load(file.filePath())))
      types += format.extensions + u';';
  return types;
}

void Fplay::FinishStartUp() {
  if (!autoSaver_) {
    autoSaver_ = new AutoSaver(
        ctx_, [this] { return settingsToSave(); }, this);
    // Any change of the model may be a change of the list; the saver compares.
    connect(listModel_, &QAbstractItemModel::rowsInserted, autoSaver_, &AutoSaver::listChanged);
    connect(listModel_, &QAbstractItemModel::rowsRemoved, autoSaver_, &AutoSaver::listChanged);
    connect(listModel_, &QAbstractItemModel::rowsMoved, autoSaver_, &AutoSaver::listChanged);
    connect(listModel_, &QAbstractItemModel::dataChanged, autoSaver_, &AutoSaver::listChanged);
    connect(listModel_, &QAbstractItemModel::modelReset, autoSaver_, &AutoSaver::listChanged);
    connect(listModel_, &QAbstractItemModel::layoutChanged, autoSaver_, &AutoSaver::listChanged);
    autoSaver_->start(commandLineFiles_.isEmpty());
  }
  if (!handOver_) {
    handOver_ = new HandOverServer(
        HandOverSocketPath(ctx_.paths.appPath),
        [this](const QStringList& paths) { return PlayablePathCount(paths); }, this);
    connect(handOver_, &HandOverServer::pathsReceived, this, &Fplay::AddAndPlayPaths);
    if (!handOver_->listen())
      ctx_.log.log(QStringLiteral("FinishStartUp"),
                   errors::pathAccess(HandOverSocketPath(ctx_.paths.appPath)));
  }
}

int Fplay::PlayablePathCount(const QStringList& absolutePaths) const {
  int count = 0;
  for (const QString& path : absolutePaths)
    if (QFileInfo(path).isDir() ||
        (FileExists(path) && IsSupportedFile(path.toLower(), ctx_.player.SupportedTypes)))
      ++count;
  return count;
}

void Fplay::AddAndPlayPaths(const QStringList& absolutePaths) {
  if (isMinimized()) showNormal();
  show();
  raise();
  activateWindow();
  // Files and folders go through the ordinary add (folders walked, the list
  // saved when it ends), which plays the first row it added.
  AddPaths(absolutePaths, true);
}

void Fplay::SaveAll() {
  if (unloaded_) return;
  if (autoSaver_) autoSaver_->finish();
  SavePlaylist();
  SaveSkinSettings(ctx_.skin, ctx_.paths, ctx_.log);
  SaveSettings(settingsToSave(), ctx_.paths, ctx_.shell, ctx_.log);
  if (autoSaver_) autoSaver_->start();
}

// The file could not be read whole, so the next save would write only part
// of it over the rest: the file is moved aside as Playlist.dat.bad (or
// .bad.2, .bad.3… when an earlier damaged file is kept there already), and
// what was read is saved in its place, so the damage is kept once.
void Fplay::KeepDamagedPlaylist() {
  const QString path = PlaylistFilePath(ctx_.paths.appPath);
  if (!QFileInfo::exists(path)) return;
  QString kept = path + QStringLiteral(".bad");
  for (int number = 2; QFileInfo::exists(kept); ++number)
    kept = path + QStringLiteral(".bad.") + QString::number(number);
  if (!QFile::rename(path, kept)) {
    ctx_.log.log(QStringLiteral("LoadPlaylist"), errors::pathAccess(kept));
    return;
  }
  ctx_.log.log(QStringLiteral("LoadPlaylist"),
               AppError(errors::PathFileAccess,
                        QStringLiteral("Playlist.dat could not be read whole; kept as ") + kept));
  SavePlaylist();
}

}  // namespace lyrovo
