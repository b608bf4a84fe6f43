#include "lyrics/lyricfile.h"

#include <QDir>
#include <QFileInfo>

#include <optional>

namespace lyrovo {

QStringList ListFolderFiles(const QString& folder) {
  if (folder.isEmpty()) return {};
  return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::NoSort);
}

QString MatchFileName(const QStringList& names, const QString& name) {
  QString best;
  for (const QString& entry : names) {
    if (entry.size() != name.size() || entry.compare(name, Qt::CaseInsensitive) != 0) continue;
    if (entry == name) return entry;
    if (best.isEmpty() || entry < best) best = entry;
  }
  return best;
}

QString FindLyricFile(const QString& songPath, const QString& wordPath, const QString& artist,
                      const QString& title, const FolderListing& listFolder) {
  const QString songFolder = songPath.left(songPath.lastIndexOf(u'/') + 1);
  const QString lyricName = artist + QStringLiteral(" - ") + title + QStringLiteral(".lrc");

  std::optional<QStringList> songFolderFiles;
  auto inSongFolder = [&](const QString& name) -> QString {
    if (!songFolderFiles) songFolderFiles = listFolder(songFolder);
    const QString found = MatchFileName(*songFolderFiles, name);
    return found.isEmpty() ? QString() : songFolder + found;
  };

  if (QString found = inSongFolder(lyricName); !found.isEmpty()) return found;
  if (!wordPath.isEmpty()) {
    // The lyric folder may be the song folder itself: its listing is already at hand.
    const QStringList wordFiles = songFolderFiles && QDir::cleanPath(wordPath) == QDir::cleanPath(songFolder)
                                      ? *songFolderFiles
                                      : listFolder(wordPath);
    if (const QString found = MatchFileName(wordFiles, lyricName); !found.isEmpty()) return wordPath + found;
  }
  const QString baseName = QFileInfo(songPath).completeBaseName();
  if (baseName.isEmpty()) return {};
  return inSongFolder(baseName + QStringLiteral(".lrc"));
}

}  // namespace lyrovo
