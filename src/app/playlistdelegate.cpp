#include "app/playlistdelegate.h"

#include "playlist/playlisttablemodel.h"

#include <QColor>

namespace lyrovo {

namespace {
QColor SelectionTint(const QColor& background, const QColor& current) {
  auto mix = [](int back, int front) { return (3 * back + front + 2) / 4; };
  return QColor(mix(background.red(), current.red()), mix(background.green(), current.green()),
                mix(background.blue(), current.blue()));
}
}  // namespace

PlaylistRowDelegate::PlaylistRowDelegate(const PlaylistTableModel& model, QObject* parent)
    : QStyledItemDelegate(parent), model_(model) {}

void PlaylistRowDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
  QStyledItemDelegate::initStyleOption(option, index);
  if (!(option->state & QStyle::State_Selected)) return;
  option->state &= ~QStyle::State_Selected;
  option->backgroundBrush = SelectionTint(option->palette.color(QPalette::Base), model_.colours().current);
}

}  // namespace lyrovo
