// The playlist's menus, keys, cell editor and row dragging in the main
// window, on a list of real files loaded from Playlist.dat.
#include "app/fplay.h"
#include "support/testworld.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QTest>

#include <gtest/gtest.h>

using namespace lyrovo;
using lyrovo::testing::TestWorld;

namespace {

struct PlaylistUiTest : ::testing::Test {
  TestWorld world;
  std::unique_ptr<AppContext> ctx;
  std::unique_ptr<Fplay> window;

  // Rows "t1".."tn" of existing files; row `current` is current; nothing plays.
  void start(int rows, int current, const QByteArray& settings = {}) {
    world.writeFile(QStringLiteral("app/Images/.keep"), {});
    QByteArray dat = " " + QByteArray::number(current) + " \r\n";
    for (int i = 1; i <= rows; ++i) {
      const QString file = QStringLiteral("music/%1.mp3").arg(i);
      world.writeFile(file, "x");
      dat += (world.path(file) + QStringLiteral("=t%1=a%1=03:0%2\r\n").arg(i).arg(i % 10)).toUtf8();
    }
    world.writeFile(QStringLiteral("app/Playlist.dat"), dat);
    world.writeFile(QStringLiteral("app/Settings.ini"),
                    "[lyrovo]\r\nautoPlay=0\r\ncontinueLastPlay=1\r\n" + settings);
    ctx = world.makeContext();
    window = std::make_unique<Fplay>(*ctx, QStringList{});
    ASSERT_EQ(window->Form_Load(), Fplay::LoadResult::Run);
    ASSERT_EQ(ctx->playlist.count(), rows);
  }
  void TearDown() override {
    if (window) window->close();
  }

  QWidget* viewport() const { return window->List1()->viewport(); }
  QPoint cellCentre(int row, int column) const {
    return window->List1()->visualRect(window->List1()->model()->index(row - 1, column - 1)).center();
  }
  void mouse(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QMouseEvent event(type, at, viewport()->mapToGlobal(at), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(viewport(), &event);
  }
  void click(int row, int column = 2) {
    const QPoint at = cellCentre(row, column);
    mouse(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
  }
  void rightClick(int row, int column) {
    const QPoint at = cellCentre(row, column);
    mouse(QEvent::MouseButtonPress, at, Qt::RightButton, Qt::RightButton);
    mouse(QEvent::MouseButtonRelease, at, Qt::RightButton, Qt::NoButton);
  }
  QStringList titles() const {
    QStringList out;
    for (const PlaylistRow& row : ctx->playlist.rows()) out << row.title;
    return out;
  }
  QByteArray saved() const { return world.readFile(QStringLiteral("app/Playlist.dat")); }
};

}  // namespace

TEST_F(PlaylistUiTest, DeleteKeyRemovesTheSelectedRowsAndSaves) {
  start(4, 3);
  click(2);
  EXPECT_EQ(ctx->playlist.selectedItem(), 2);
  QKeyEvent shiftDelete(QEvent::KeyPress, Qt::Key_Delete, Qt::ShiftModifier);
  QApplication::sendEvent(window->List1(), &shiftDelete);
  EXPECT_EQ(ctx->playlist.count(), 4);
  QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
  QApplication::sendEvent(window->List1(), &del);
  EXPECT_EQ(titles(), QStringList({"t1", "t3", "t4"}));
  EXPECT_EQ(ctx->player.CurrentIndex, 2);
  EXPECT_TRUE(ctx->playlist.row(2).current);
  EXPECT_TRUE(saved().startsWith(" 2 \r\n")) << saved().constData();
  EXPECT_EQ(saved().count('\n'), 4);
}

TEST_F(PlaylistUiTest, RowMenuEnablingFollowsSelectionPointerAndSetting) {
  start(3, 1);
  rightClick(2, 2);
  EXPECT_TRUE(window->menuL()->isVisible());
  EXPECT_FALSE(window->menuLsEntry(4)->isEnabled());  // deleting files is forbidden by default
  EXPECT_TRUE(window->menuLsEntry(0)->isEnabled());
  EXPECT_TRUE(window->menuLsEntry(2)->isEnabled());
  EXPECT_EQ(window->EditColumn(), 2);
  window->menuL()->hide();

  rightClick(2, 3);
  EXPECT_EQ(window->EditColumn(), 3);
  window->menuL()->hide();

  rightClick(2, 1);  // the number column cannot be edited
  EXPECT_FALSE(window->menuLsEntry(2)->isEnabled());
  window->menuL()->hide();

  // Two rows selected: single-row entries are off.
  for (int i = 1; i <= 3; ++i) ctx->playlist.row(i).selected = i != 1;
  window->ShowRowMenu(QPoint(10, 10), 0);
  EXPECT_FALSE(window->menuLsEntry(0)->isEnabled());
  EXPECT_FALSE(window->menuLsEntry(10)->isEnabled());
  window->menuL()->hide();

  DeleteAll(ctx->playlist, ctx->player.CurrentIndex);
  window->ShowRowMenu(QPoint(10, 10), 50);
  EXPECT_FALSE(window->menuL()->isVisible());  // the empty list's right-click is the add menu's
}

TEST_F(PlaylistUiTest, CellEditorCommitsOnEnterWithoutSavingTheList) {
  start(3, 1);
  const QByteArray before = saved();
  rightClick(2, 3);
  window->menuL()->hide();
  window->menuLs_Click(2);
  QLineEdit* editor = window->Text1();
  ASSERT_TRUE(editor->isVisible());
  EXPECT_EQ(editor->text(), "a2");
  EXPECT_EQ(editor->selectedText(), "a2");
  QKeyEvent typed(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("新歌手"));
  QApplication::sendEvent(editor, &typed);
  QTest::keyClick(editor, Qt::Key_Return);
  EXPECT_FALSE(editor->isVisible());
  EXPECT_EQ(ctx->playlist.row(2).artist, "新歌手");
  EXPECT_EQ(saved(), before);

  // Unchanged text commits nothing; a click on a row ends the edit.
  rightClick(3, 2);
  window->menuLs_Click(2);
  ASSERT_TRUE(editor->isVisible());
  click(1);
  EXPECT_FALSE(editor->isVisible());
  EXPECT_EQ(ctx->playlist.row(3).title, "t3");
}

TEST_F(PlaylistUiTest, SortMenuKeepsCheckMarksAndSaves) {
  start(3, 1);
  window->Image1_Click(28);
  EXPECT_TRUE(window->menuS()->isVisible());
  window->menuS()->hide();
  window->menuSs_Click(1);
  window->menuSs_Click(1);
  EXPECT_EQ(titles(), QStringList({"t3", "t2", "t1"}));
  EXPECT_EQ(ctx->player.CurrentIndex, 3);
  EXPECT_TRUE(window->menuSsEntry(1)->isChecked());
  EXPECT_TRUE(saved().startsWith(" 3 \r\n")) << saved().constData();
  window->menuSs_Click(5);
  EXPECT_TRUE(window->menuSsEntry(5)->isChecked());
  EXPECT_FALSE(window->menuSsEntry(1)->isChecked());
  EXPECT_EQ(ctx->playlist.row(ctx->player.CurrentIndex).title, "t1");
}

TEST_F(PlaylistUiTest, DeleteMenuIsEnabledOnlyWithRows) {
  start(2, 1);
  window->Image1_Click(27);
  EXPECT_TRUE(window->menuD()->isVisible());
  EXPECT_TRUE(window->menuD()->actions().first()->isEnabled());
  window->menuD()->hide();
  window->menuDs_Click(5);
  EXPECT_EQ(ctx->playlist.count(), 0);
  EXPECT_EQ(ctx->player.CurrentIndex, 0);
  EXPECT_EQ(saved(), " 0 \r\n");
  window->Image1_Click(27);
  EXPECT_FALSE(window->menuD()->actions().first()->isEnabled());
}

TEST_F(PlaylistUiTest, DraggingARowMovesItAndCurrentFollows) {
  start(5, 3);
  const QPoint from = cellCentre(1, 2);
  mouse(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
  const QPoint over = cellCentre(4, 2);
  mouse(QEvent::MouseMove, (from + over) / 2, Qt::NoButton, Qt::LeftButton);
  mouse(QEvent::MouseMove, over, Qt::NoButton, Qt::LeftButton);
  const QLabel* snapshot = viewport()->findChild<QLabel*>(QStringLiteral("dragSnapshot"));
  ASSERT_NE(snapshot, nullptr);
  EXPECT_TRUE(snapshot->isVisible());
  EXPECT_EQ(snapshot->y(), window->List1()->rowViewportPosition(3));
  mouse(QEvent::MouseButtonRelease, over, Qt::LeftButton, Qt::NoButton);
  EXPECT_FALSE(snapshot->isVisible());
  EXPECT_EQ(titles(), QStringList({"t2", "t3", "t1", "t4", "t5"}));
  EXPECT_EQ(ctx->player.CurrentIndex, 2);
  EXPECT_EQ(ctx->playlist.row(3).numberText, "3.");
  EXPECT_EQ(ctx->playlist.selectedItem(), 3);
  EXPECT_TRUE(ctx->playlist.row(3).selected);

  // The view goes on selecting by clicks after a drag.
  click(5);
  EXPECT_EQ(ctx->playlist.selectedItem(), 5);
  EXPECT_FALSE(ctx->playlist.row(3).selected);
  EXPECT_TRUE(ctx->playlist.row(5).selected);
}

TEST_F(PlaylistUiTest, RevealShowsTheSelectedFile) {
  start(2, 1);
  QStringList revealed;
  window->setRevealFile([&](const QString& path) { revealed << path; });
  click(2);
  window->menuLs_Click(10);
  EXPECT_EQ(revealed, QStringList({world.path(QStringLiteral("music/2.mp3"))}));
}
