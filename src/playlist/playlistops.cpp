#include "playlist/playlistops.h"

#include "engine/bp.h"
#include "engine/tags.h"
#include "text/textutil.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>

namespace lyrovo {

namespace {
QString numberTextOf(int position) { return QString::number(position) + u'.'; }

// Closes the engine's information stream however the scope is left.
struct InfoStreamCloser {
  BP& engine;
  ~InfoStreamCloser() { engine.aClose2(); }
};

ListColumnWidths splitRest(int number, int length, int viewWidth) {
  ListColumnWidths widths;
  widths.number = number;
  widths.length = length;
  widths.title = std::max(0, (viewWidth - number - length) / 2);
  widths.artist = std::max(0, widths.title - kArtistNarrowing);
  return widths;
}
}  // namespace

bool FileExists(const QString& path) {
  // A NUL cannot be part of a file name (junk read from a damaged file).
  if (path.isEmpty() || path.contains(QChar(0))) return false;
  const QFileInfo info(path);
  return info.isFile() && !info.fileName().startsWith(u'.');
}

void RenumberRows(Playlist& list, int from) {
  from = std::max(from, 1);
  for (int i = from; i <= list.count(); ++i) list.row(i).numberText = numberTextOf(i);
  list.changed(from, list.count());
}

void RemoveRow(Playlist& list, std::int16_t& CurrentIndex, int position) {
  list.remove(position);
  if (position <= CurrentIndex) --CurrentIndex;
  if (list.empty())
    CurrentIndex = 0;
  else if (CurrentIndex < 1)
    CurrentIndex = 1;
}

TransportEnables MarkCurrentRow(Playlist& list, std::int16_t CurrentIndex) {
  const int n = list.count();
  TransportEnables enables;
  enables.listEmpty = n == 0;
  if (n > 1) {
    enables.previous = CurrentIndex != 1;
    enables.next = CurrentIndex != n;
  }

  for (int i = 1; i <= n; ++i) {
    PlaylistRow& row = list.row(i);
    row.current = false;
    row.selected = false;
  }
  if (CurrentIndex > 0 && CurrentIndex <= n) {
    PlaylistRow& row = list.row(CurrentIndex);
    row.current = true;
    row.selected = true;
    list.setSelectedItem(CurrentIndex);
  }
  list.changed(1, n);
  return enables;
}

void AddList(Playlist& list, BP& engine, const TagFields& tags, const QString& path, int position) {
  engine.aOpen2(path);
  const InfoStreamCloser closer{engine};
  engine.aGetTags(path);

  PlaylistRow row;
  row.numberText = numberTextOf(position);
  row.path = path;
  row.title = tags.tagTitle;
  row.artist = tags.tagArtist;
  row.lengthText = FormatTime(tags.infoLength);
  row.selected = true;
  list.insert(position, std::move(row));
}

int RandomPick(Playlist& list, std::mt19937& random) {
  const int n = list.count();
  if (n == 0) return 0;
  const auto& rows = list.rows();
  if (std::all_of(rows.begin(), rows.end(), [](const PlaylistRow& row) { return row.played; })) {
    for (int i = 1; i <= n; ++i) list.row(i).played = false;
  }
  std::uniform_real_distribution<double> uniform(0.0, 1.0);
  for (;;) {
    // The distribution may round up to 1.0 itself; that would name row n + 1.
    const int pick = std::min(int(std::floor(uniform(random) * n)) + 1, n);
    if (!list.row(pick).played) return pick;
  }
}

ListColumnWidths SkinListColumnWidths(const TextWidth& textWidth, int viewWidth) {
  const int number = textWidth(QStringLiteral("1234.  "));
  const int length = textWidth(QStringLiteral("00:00    "));
  return splitRest(number, length, viewWidth);
}

ListColumnWidths RefreshListColumnWidths(const TextWidth& textWidth, int viewWidth, int rowCount,
                                         int lengthWidth) {
  return splitRest(textWidth(QString::number(rowCount) + QStringLiteral(".  ")), lengthWidth, viewWidth);
}

}  // namespace lyrovo
