// Lyric files dropped on the lyric pane.
#include "lyrics/lyricdrop.h"

#include "base/apperror.h"
#include "base/errorlog.h"
#include "base/playerstate.h"
#include "lyrics/loadword.h"

#include <QFileInfo>

#include <algorithm>

namespace lyrovo {

namespace {

const QString kDropName = QStringLiteral("Pic1_OLEDragDrop");

bool isLyricFileName(const QString& path) {
  return path.endsWith(QStringLiteral(".lrc"), Qt::CaseInsensitive);
}

}  // namespace

bool AcceptsLyricDrop(const QStringList& paths) {
  return std::any_of(paths.begin(), paths.end(), isLyricFileName);
}

bool DropLyricFile(const QStringList& paths, LoadWordContext& c) {
  if (paths.isEmpty() || !isLyricFileName(paths.front())) return false;
  // Before the first song plays there is no song to give the lyric to.
  if (c.player.SongArtist.isEmpty() && c.player.SongTitle.isEmpty()) return false;
  const QString& path = paths.front();
  const QFileInfo info(path);
  if (info.isFile() && info.size() > kLyricBytesRead) {
    c.log.log(kDropName,
              AppError(errors::PathFileAccess, QStringLiteral("Not a lyric file (too large): ") + path));
    return false;
  }
  if (!LoadWord(path, true, c)) return false;
  const QString kept = KeepLyricCopies(path, c, false, kDropName);
  if (!kept.isEmpty()) c.model.SourceFile = kept;
  return true;
}

}  // namespace lyrovo
