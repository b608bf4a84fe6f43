#pragma once

#include "playlist/playlist.h"

#include <QAbstractTableModel>
#include <QColor>

#include <cstdint>

namespace lyrovo {

struct SkinSettings;

// Text colours of the playlist view's cells.
struct PlaylistColours {
  QColor number;   // number column (list_col1)
  QColor text;     // title and artist (list_col2)
  QColor current;  // title and artist of the current row (list_colBR)
  QColor length;   // length column (list_col3)

  static PlaylistColours fromSkin(const SkinSettings& skin);
};

// The playlist as a four-column table for a QTableView: number, title,
// artist, length. Texts and colours are read from the rows on demand; the
// model observes the playlist and passes its changes on as the model's
// insert, remove, reset and data-changed signals. The playlist must outlive
// the model.
class PlaylistTableModel : public QAbstractTableModel, private PlaylistObserver {
  Q_OBJECT

 public:
  enum Column { NumberColumn = 0, TitleColumn = 1, ArtistColumn = 2, LengthColumn = 3, ColumnCount = 4 };

  PlaylistTableModel(Playlist& list, const PlaylistColours& colours, QObject* parent = nullptr);
  ~PlaylistTableModel() override;

  const PlaylistColours& colours() const { return colours_; }
  // New skin colours; every cell is announced changed.
  void setColours(const PlaylistColours& colours);

  // Row r of the model is the playlist's position r + 1.
  Playlist& playlist() const { return list_; }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

 private:
  void beforeInsert(int first, int last) override;
  void afterInsert() override;
  void beforeRemove(int first, int last) override;
  void afterRemove() override;
  void beforeReset() override;
  void afterReset() override;
  void rowsEdited(int first, int last) override;

  Playlist& list_;
  PlaylistColours colours_;
};

}  // namespace lyrovo
