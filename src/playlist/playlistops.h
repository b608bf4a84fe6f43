#pragma once

#include "playlist/playlist.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <random>

namespace lyrovo {

class BP;
struct TagFields;

// True when path names an existing regular file (a link to one counts).
// Directories, other special files and hidden files (names starting with
// ".") count as absent.
bool FileExists(const QString& path);

// numberText = position + "." for every row from `from` (at least 1) to the end.
void RenumberRows(Playlist& list, int from);

// Removes the row at position and moves CurrentIndex with the rows: a row at
// or before the current one lowers it by one; then it is at least 1 while
// rows remain, and 0 when none do. Removing the current row thus makes the
// row before it current (the new first row when it was the first). The
// numbers of the following rows stay until the caller renumbers.
void RemoveRow(Playlist& list, std::int16_t& CurrentIndex, int position);

// What the main window's transport buttons show for the current row.
struct TransportEnables {
  bool previous = false;
  bool next = false;
  // An empty list: the window also disables play and stop unless the engine
  // is playing.
  bool listEmpty = true;
};

// Clears every row's selection and current-row colour, then selects the
// current row (which becomes the selected item) and colours it. Returns the
// enabling of the previous and next buttons: with more than one row, the
// last row disables next, the first disables previous, any other (also 0)
// enables both; with at most one row both are disabled.
TransportEnables MarkCurrentRow(Playlist& list, std::int16_t CurrentIndex);

// Turns one file into one row at position (1..count()+1; count()+1
// appends): opens it on the engine's information stream, reads its tags
// into tags (the engine's tag fields), inserts the row numbered position +
// "." with the tag title, artist and FormatTime(infoLength), selected (other
// rows keep their flags), and closes the stream. The following rows keep
// their numbers until the caller renumbers. Checks neither the extension
// nor the existence of the file. Throws AppError 6 when the list is full;
// the list is unchanged then and the stream closed.
void AddList(Playlist& list, BP& engine, const TagFields& tags, const QString& path, int position);

// The random-mode pick: starts a new cycle (clears every row's played mark)
// when all rows are marked, then draws rows floor(r × count) + 1 with r
// uniform in [0, 1) until one is unmarked, and returns it. Marking the
// row is the caller's job. 0 for an empty list.
int RandomPick(Playlist& list, std::mt19937& random);

// Column widths of the playlist view in pixels.
struct ListColumnWidths {
  int number = 0;
  int title = 0;
  int artist = 0;
  int length = 0;
};

// The width of a text in the list font, in pixels.
using TextWidth = std::function<int(const QString&)>;

// The artist column is this much narrower than the title column, so that
// the four columns fit without a horizontal scroll bar: 50 twips at 15
// twips a pixel, rounded.
inline constexpr int kArtistNarrowing = 3;

// Widths when the skin colours and fonts are applied: number fits "1234.  ",
// length "00:00    "; title = (viewWidth - number - length) / 2 and
// artist = title - kArtistNarrowing, neither below 0.
ListColumnWidths SkinListColumnWidths(const TextWidth& textWidth, int viewWidth);

// Widths after the list changed or the window was resized: number fits the
// row count followed by ".  ", the length width stays lengthWidth, title and
// artist follow by the same formulas.
ListColumnWidths RefreshListColumnWidths(const TextWidth& textWidth, int viewWidth, int rowCount,
                                         int lengthWidth);

}  // namespace lyrovo
