#include "playlist/playlist.h"

#include "base/apperror.h"

#include <algorithm>
#include <iterator>

namespace lyrovo {

void Playlist::checkPosition(int position, int last) const {
  if (position < 1 || position > last)
    throw AppError(errors::SubscriptOutOfRange, QStringLiteral("Subscript out of range"));
}

const PlaylistRow& Playlist::row(int position) const {
  checkPosition(position, count());
  return rows_[std::size_t(position - 1)];
}

PlaylistRow& Playlist::row(int position) {
  checkPosition(position, count());
  return rows_[std::size_t(position - 1)];
}

void Playlist::insert(int position, PlaylistRow row) {
  if (count() >= kMaxRows) throw errors::overflow();
  checkPosition(position, count() + 1);
  // Grow first: once the observer has been told, the insertion must not fail.
  // Doubling keeps a run of single inserts linear.
  if (rows_.size() == rows_.capacity()) rows_.reserve(std::max<std::size_t>(16, rows_.capacity() * 2));
  if (observer_) observer_->beforeInsert(position, position);
  rows_.insert(rows_.begin() + (position - 1), std::move(row));
  if (selectedItem_ >= position) ++selectedItem_;
  if (observer_) observer_->afterInsert();
}

void Playlist::append(std::vector<PlaylistRow> rows) {
  if (rows.empty()) return;
  if (rows.size() > std::size_t(kMaxRows - count())) throw errors::overflow();
  rows_.reserve(rows_.size() + rows.size());
  const int first = count() + 1;
  if (observer_) observer_->beforeInsert(first, first + int(rows.size()) - 1);
  std::move(rows.begin(), rows.end(), std::back_inserter(rows_));
  if (observer_) observer_->afterInsert();
}

void Playlist::remove(int position) {
  checkPosition(position, count());
  if (observer_) observer_->beforeRemove(position, position);
  rows_.erase(rows_.begin() + (position - 1));
  if (selectedItem_ == position)
    selectedItem_ = 0;
  else if (selectedItem_ > position)
    --selectedItem_;
  if (observer_) observer_->afterRemove();
}

void Playlist::clear() {
  if (observer_) observer_->beforeReset();
  rows_.clear();
  selectedItem_ = 0;
  if (observer_) observer_->afterReset();
}

void Playlist::removeRows(const std::vector<bool>& doomed) {
  if (doomed.size() != rows_.size())
    throw AppError(errors::SubscriptOutOfRange, QStringLiteral("Subscript out of range"));
  if (observer_) observer_->beforeReset();
  std::vector<PlaylistRow> kept;
  kept.reserve(rows_.size());
  int newSelected = 0;
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    if (doomed[i]) continue;
    kept.push_back(std::move(rows_[i]));
    if (int(i) + 1 == selectedItem_) newSelected = int(kept.size());
  }
  rows_ = std::move(kept);
  selectedItem_ = newSelected;
  if (observer_) observer_->afterReset();
}

void Playlist::reorder(const std::vector<int>& order) {
  if (order.size() != rows_.size())
    throw AppError(errors::SubscriptOutOfRange, QStringLiteral("Subscript out of range"));
  std::vector<bool> seen(rows_.size(), false);
  for (int old : order) {
    if (old < 0 || old >= count() || seen[std::size_t(old)])
      throw AppError(errors::InvalidCall, QStringLiteral("Invalid procedure call or argument"));
    seen[std::size_t(old)] = true;
  }
  if (observer_) observer_->beforeReset();
  std::vector<PlaylistRow> moved;
  moved.reserve(rows_.size());
  int newSelected = 0;
  for (std::size_t k = 0; k < order.size(); ++k) {
    moved.push_back(std::move(rows_[std::size_t(order[k])]));
    if (order[k] + 1 == selectedItem_) newSelected = int(k) + 1;
  }
  rows_ = std::move(moved);
  selectedItem_ = newSelected;
  if (observer_) observer_->afterReset();
}

void Playlist::changed(int first, int last) {
  first = std::max(first, 1);
  last = std::min(last, count());
  if (first <= last && observer_) observer_->rowsEdited(first, last);
}

void Playlist::setSelectedItem(int position) {
  selectedItem_ = position >= 1 && position <= count() ? position : 0;
}

}  // namespace lyrovo
