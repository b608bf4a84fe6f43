#pragma once

#include <QString>

#include <vector>

namespace lyrovo {

// One entry of the playlist.
struct PlaylistRow {
  QString numberText;  // the row's position and a full stop ("12."), rebuilt by RenumberRows
  QString path;        // the audio file; the row's identity (exact, case-sensitive)
  QString title;
  QString artist;
  QString lengthText;     // FormatTime of the length ("03:07")
  bool selected = false;  // the view's multi-selection mark
  bool current = false;   // title and artist are drawn in the current-row colour
  bool played = false;    // already played in the current random cycle
  bool missing = false;   // its file was absent when the list was loaded (drawn dimmed)
};

// What a view of the playlist is told. Positions are 1-based and inclusive.
// The "before" calls come before the rows change, the "after" calls once
// the change is complete.
class PlaylistObserver {
 public:
  virtual ~PlaylistObserver() = default;
  virtual void beforeInsert(int first, int last) = 0;
  virtual void afterInsert() = 0;
  virtual void beforeRemove(int first, int last) = 0;
  virtual void afterRemove() = 0;
  virtual void beforeReset() = 0;
  virtual void afterReset() = 0;
  // Texts or flags of rows first..last changed.
  virtual void rowsEdited(int first, int last) = 0;
};

// The ordered rows of the playlist (1-based positions, contiguous) and the
// selected item (the focused row single-row commands act on; 0 = none).
// Positions are 16-bit counters elsewhere in the player, so the list holds at
// most kMaxRows rows.
class Playlist {
 public:
  static constexpr int kMaxRows = 32767;

  Playlist() = default;
  Playlist(const Playlist&) = delete;
  Playlist& operator=(const Playlist&) = delete;

  int count() const { return int(rows_.size()); }
  bool empty() const { return rows_.empty(); }
  const std::vector<PlaylistRow>& rows() const { return rows_; }

  // The row at position 1..count(); throws AppError 9 ("Subscript out of
  // range") for any other position. Edits through the non-const reference
  // are announced with changed().
  const PlaylistRow& row(int position) const;
  PlaylistRow& row(int position);

  // Inserts at position 1..count()+1 (count()+1 appends); the rows from
  // there on move down. Throws AppError 6 ("Overflow") when the list is
  // full and AppError 9 for a position outside that range; the list is
  // unchanged then.
  void insert(int position, PlaylistRow row);
  // Appends rows at the end in one step; all or nothing (AppError 6 when
  // they do not all fit).
  void append(std::vector<PlaylistRow> rows);
  // Removes the row at position 1..count() (AppError 9 otherwise).
  void remove(int position);
  void clear();
  // Removes every row whose flag is set (doomed holds one flag per row) in
  // one step, announced as a reset. The selected item follows its row.
  void removeRows(const std::vector<bool>& doomed);
  // Puts the rows in a new order: order[k] is the 0-based old index of the
  // row that ends up at index k (a permutation of 0..count()-1). Announced
  // as a reset; the selected item follows its row.
  void reorder(const std::vector<int>& order);

  // Announces that rows first..last (clamped to the list) were edited.
  void changed(int first, int last);

  // The selected item follows the row it names when rows are inserted or
  // removed before it, and becomes 0 when its row is removed.
  int selectedItem() const { return selectedItem_; }
  void setSelectedItem(int position);

  // The one observer (a view adapter), or nullptr. Not owned.
  void setObserver(PlaylistObserver* observer) { observer_ = observer; }
  PlaylistObserver* observer() const { return observer_; }

 private:
  void checkPosition(int position, int last) const;

  std::vector<PlaylistRow> rows_;
  int selectedItem_ = 0;
  PlaylistObserver* observer_ = nullptr;
};

}  // namespace lyrovo
