#pragma once

#include <QStyledItemDelegate>

namespace lyrovo {

class PlaylistTableModel;

// Draws the playlist's cells. A selected row gets the selection tint behind
// it (a quarter of the current row's colour over the list's background)
// instead of the style's highlight, so its cells keep the colours the
// model gives them (the current row's colour above all).
class PlaylistRowDelegate : public QStyledItemDelegate {
  Q_OBJECT
 public:
  PlaylistRowDelegate(const PlaylistTableModel& model, QObject* parent);

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

 private:
  const PlaylistTableModel& model_;
};

}  // namespace lyrovo
