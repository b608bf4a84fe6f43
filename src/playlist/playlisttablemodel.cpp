#include "playlist/playlisttablemodel.h"

#include "settings/settings.h"

namespace lyrovo {

namespace {
constexpr int kMissingRowAlpha = 96;
}  // namespace

PlaylistColours PlaylistColours::fromSkin(const SkinSettings& skin) {
  return {QColorFromBgr(skin.list_col1), QColorFromBgr(skin.list_col2), QColorFromBgr(skin.list_colBR),
          QColorFromBgr(skin.list_col3)};
}

PlaylistTableModel::PlaylistTableModel(Playlist& list, const PlaylistColours& colours, QObject* parent)
    : QAbstractTableModel(parent), list_(list), colours_(colours) {
  list_.setObserver(this);
}

PlaylistTableModel::~PlaylistTableModel() {
  if (list_.observer() == this) list_.setObserver(nullptr);
}

void PlaylistTableModel::setColours(const PlaylistColours& colours) {
  colours_ = colours;
  if (list_.count() > 0)
    emit dataChanged(index(0, 0), index(list_.count() - 1, ColumnCount - 1), {Qt::ForegroundRole});
}

int PlaylistTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : list_.count();
}

int PlaylistTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : ColumnCount;
}

QVariant PlaylistTableModel::data(const QModelIndex& index, int role) const {
  if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) return {};
  const PlaylistRow& row = list_.row(index.row() + 1);
  if (role == Qt::DisplayRole) {
    switch (index.column()) {
      case NumberColumn:
        return row.numberText;
      case TitleColumn:
        return row.title;
      case ArtistColumn:
        return row.artist;
      case LengthColumn:
        return row.lengthText;
    }
  } else if (role == Qt::ForegroundRole && row.missing) {
    // A row whose file was absent at start-up is drawn faded in every column.
    QColor faded = colours_.text;
    faded.setAlpha(kMissingRowAlpha);
    return faded;
  } else if (role == Qt::ForegroundRole) {
    switch (index.column()) {
      case NumberColumn:
        return colours_.number;
      case TitleColumn:
      case ArtistColumn:
        return row.current ? colours_.current : colours_.text;
      case LengthColumn:
        return colours_.length;
    }
  }
  return {};
}

QVariant PlaylistTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  switch (section) {
    case NumberColumn:
      return QString();
    case TitleColumn:
      return QStringLiteral("标题");
    case ArtistColumn:
      return QStringLiteral("歌手");
    case LengthColumn:
      return QStringLiteral("时长");
  }
  return {};
}

void PlaylistTableModel::beforeInsert(int first, int last) {
  beginInsertRows(QModelIndex(), first - 1, last - 1);
}

void PlaylistTableModel::afterInsert() { endInsertRows(); }

void PlaylistTableModel::beforeRemove(int first, int last) {
  beginRemoveRows(QModelIndex(), first - 1, last - 1);
}

void PlaylistTableModel::afterRemove() { endRemoveRows(); }

void PlaylistTableModel::beforeReset() { beginResetModel(); }

void PlaylistTableModel::afterReset() { endResetModel(); }

void PlaylistTableModel::rowsEdited(int first, int last) {
  emit dataChanged(index(first - 1, 0), index(last - 1, ColumnCount - 1),
                   {Qt::DisplayRole, Qt::ForegroundRole});
}

}  // namespace lyrovo
