#include "playlist/playlisttablemodel.h"
#include "playlist/playlistops.h"
#include "settings/settings.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <memory>

using namespace lyrovo;

namespace {

PlaylistRow rowOf(const QString& title) {
  PlaylistRow row;
  row.path = "/music/" + title + ".mp3";
  row.title = title;
  row.artist = "artist " + title;
  row.lengthText = "00:01";
  return row;
}

const PlaylistColours kColours{QColor(1, 1, 1), QColor(2, 2, 2), QColor(3, 3, 3), QColor(4, 4, 4)};

}  // namespace

TEST(PlaylistTableModel, TextsAndColoursOfTheCells) {
  Playlist list;
  list.insert(1, rowOf("one"));
  list.insert(2, rowOf("two"));
  RenumberRows(list, 1);
  MarkCurrentRow(list, 2);
  PlaylistTableModel model(list, kColours);

  ASSERT_EQ(model.rowCount(), 2);
  ASSERT_EQ(model.columnCount(), 4);
  EXPECT_EQ(model.rowCount(model.index(0, 0)), 0);
  auto cell = [&](int row, int column, int role) { return model.data(model.index(row, column), role); };
  const QStringList texts{"2.", "two", "artist two", "00:01"};
  const QColor secondRow[] = {kColours.number, kColours.current, kColours.current, kColours.length};
  for (int column = 0; column < 4; ++column) {
    EXPECT_EQ(cell(1, column, Qt::DisplayRole).toString(), texts[column]);
    EXPECT_EQ(cell(1, column, Qt::ForegroundRole).value<QColor>(), secondRow[column]);
  }
  EXPECT_EQ(cell(0, 1, Qt::ForegroundRole).value<QColor>(), kColours.text);
  EXPECT_EQ(cell(0, 2, Qt::ForegroundRole).value<QColor>(), kColours.text);
  EXPECT_EQ(model.headerData(3, Qt::Horizontal).toString(), "时长");

  // Skin colours are stored as 0x00BBGGRR.
  SkinSettings skin;
  skin.list_colBR = 0x0080FF40;
  const PlaylistColours colours = PlaylistColours::fromSkin(skin);
  EXPECT_EQ(colours.current, QColor(0x40, 0xFF, 0x80));
  EXPECT_EQ(colours.length, QColor(0x40, 0x80, 0x80));
}

TEST(PlaylistTableModel, RowsOfMissingFilesAreFaded) {
  Playlist list;
  PlaylistRow away = rowOf("away");
  away.missing = true;
  list.insert(1, away);
  PlaylistTableModel model(list, kColours);
  for (int column = 0; column < 4; ++column)
    EXPECT_EQ(model.data(model.index(0, column), Qt::ForegroundRole).value<QColor>(), QColor(2, 2, 2, 96));
}

TEST(PlaylistTableModel, PlaylistChangesArriveAsModelSignals) {
  Playlist list;
  auto model = std::make_unique<PlaylistTableModel>(list, kColours);
  auto tester = std::make_unique<QAbstractItemModelTester>(
      model.get(), QAbstractItemModelTester::FailureReportingMode::Fatal);
  QSignalSpy inserted(model.get(), &QAbstractItemModel::rowsInserted);
  QSignalSpy removed(model.get(), &QAbstractItemModel::rowsRemoved);
  QSignalSpy reset(model.get(), &QAbstractItemModel::modelReset);
  QSignalSpy changed(model.get(), &QAbstractItemModel::dataChanged);

  list.insert(1, rowOf("a"));
  list.insert(1, rowOf("b"));
  list.append({rowOf("c"), rowOf("d"), rowOf("e")});
  ASSERT_EQ(inserted.size(), 3);
  EXPECT_EQ(inserted[1][1].toInt(), 0);
  EXPECT_EQ(inserted[2][1].toInt(), 2);
  EXPECT_EQ(inserted[2][2].toInt(), 4);
  EXPECT_EQ(model->rowCount(), 5);

  std::int16_t current = 5;
  RemoveRow(list, current, 2);
  ASSERT_EQ(removed.size(), 1);
  EXPECT_EQ(removed[0][1].toInt(), 1);
  EXPECT_EQ(removed[0][2].toInt(), 1);

  RenumberRows(list, 2);
  ASSERT_EQ(changed.size(), 1);
  EXPECT_EQ(changed[0][0].toModelIndex(), model->index(1, 0));
  EXPECT_EQ(changed[0][1].toModelIndex(), model->index(3, 3));
  EXPECT_EQ(model->data(model->index(3, 0)).toString(), "4.");

  MarkCurrentRow(list, current);
  EXPECT_EQ(changed.size(), 2);
  EXPECT_EQ(model->data(model->index(3, 1), Qt::ForegroundRole).value<QColor>(), kColours.current);
  model->setColours({kColours.number, Qt::red, Qt::green, kColours.length});
  EXPECT_EQ(changed.size(), 3);
  EXPECT_EQ(model->data(model->index(3, 1), Qt::ForegroundRole).value<QColor>(), QColor(Qt::green));

  list.clear();
  EXPECT_EQ(reset.size(), 1);
  EXPECT_EQ(model->rowCount(), 0);

  // The list outlives its view.
  tester.reset();
  model.reset();
  EXPECT_EQ(list.observer(), nullptr);
  list.insert(1, rowOf("f"));
  EXPECT_EQ(list.count(), 1);
}
