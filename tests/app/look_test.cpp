// What the main window shows, grabbed from the real widgets under the
// offscreen platform: the playlist's colours, rows and columns, the mute
// mark; and the mouse and keys that reach the window.
#include "app/fplay.h"
#include "support/audiofixtures.h"
#include "support/testworld.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QImage>
#include <QMenu>
#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

using namespace lyrovo;
using lyrovo::testing::fixture;
using lyrovo::testing::TestWorld;

namespace {

const QColor kBackground(0x20, 0x20, 0x20);  // list_colB
const QColor kCurrent(0xFF, 0x30, 0x30);     // list_colBR
const QColor kText(0x30, 0x80, 0xFF);        // list_col2
const QColor kLength(0x30, 0xFF, 0x30);      // list_col3

int bgr(const QColor& colour) { return colour.red() | colour.green() << 8 | colour.blue() << 16; }

bool near(QRgb pixel, const QColor& colour, int tolerance = 24) {
  return std::abs(qRed(pixel) - colour.red()) <= tolerance &&
         std::abs(qGreen(pixel) - colour.green()) <= tolerance &&
         std::abs(qBlue(pixel) - colour.blue()) <= tolerance;
}

int countNear(const QImage& image, const QRect& area, const QColor& colour) {
  int count = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      if (image.rect().contains(x, y) && near(image.pixel(x, y), colour)) ++count;
  return count;
}

// Rows of area holding any pixel that is not the background: the ink's height.
int inkHeight(const QImage& image, const QRect& area, const QColor& background) {
  int top = -1, bottom = -1;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      if (!near(image.pixel(x, y), background, 40)) {
        if (top < 0) top = y;
        bottom = y;
        break;
      }
  return top < 0 ? 0 : bottom - top + 1;
}

struct LookTest : ::testing::Test {
  TestWorld world;
  std::unique_ptr<AppContext> ctx;
  std::unique_ptr<Fplay> window;

  void SetUp() override { world.writeFile(QStringLiteral("app/Images/.keep"), {}); }

  // Skin colours that tell the cells apart, in a list font of fontSize points.
  void writeSkin(int fontSize) {
    world.writeFile(
        QStringLiteral("app/SkinSettings.ini"),
        QStringLiteral("[Color]\r\nlist_colB=%1\r\nlist_colBR=%2\r\nlist_col1=%3\r\nlist_col2=%3\r\n"
                       "list_col3=%4\r\n\r\n[Font]\r\nlist_FontSize=%5\r\n")
            .arg(bgr(kBackground))
            .arg(bgr(kCurrent))
            .arg(bgr(kText))
            .arg(bgr(kLength))
            .arg(fontSize)
            .toUtf8());
  }
  // A saved list of two rows, the first of them current, and no auto play.
  void writeList(const QString& firstTitle) {
    world.writeFile(QStringLiteral("app/Playlist.dat"),
                    (QStringLiteral(" 1 \r\n") + fixture(QStringLiteral("tone1k.wav")) + u'=' + firstTitle +
                     QStringLiteral("=someone=00:02\r\n") + fixture(QStringLiteral("tone1k.mp3")) +
                     QStringLiteral("=other song=nobody=00:02\r\n"))
                        .toUtf8());
    world.writeFile(QStringLiteral("app/Settings.ini"), "[lyrovo]\r\nautoPlay=0\r\n");
  }
  void start(const QStringList& files = {}) {
    ctx = world.makeContext();
    window = std::make_unique<Fplay>(*ctx, files);
    ASSERT_EQ(window->Form_Load(), Fplay::LoadResult::Run);
    QCoreApplication::processEvents();
  }
  void restart() {
    window->close();
    window.reset();
    start();
  }
  QTableView* list() const { return window->List1(); }
  QRect cell(int row, int column) const { return list()->visualRect(list()->model()->index(row, column)); }
  QImage grabList() const { return list()->viewport()->grab().toImage(); }

  void TearDown() override {
    if (window) window->close();
  }
};

}  // namespace

TEST_F(LookTest, TheCurrentRowKeepsItsColoursWhileSelected) {
  writeSkin(14);
  writeList(QStringLiteral("HHHH"));
  start();
  ASSERT_TRUE(list()->selectionModel()->isRowSelected(0, {}));
  const QImage image = grabList();
  EXPECT_GT(countNear(image, cell(0, 1), kCurrent), 10);  // title and artist in list_colBR
  EXPECT_GT(countNear(image, cell(0, 2), kCurrent), 10);
  EXPECT_GT(countNear(image, cell(0, 3), kLength), 10);  // the length keeps list_col3
  EXPECT_EQ(countNear(image, cell(1, 1), kCurrent), 0);  // other rows in list_col2
  EXPECT_GT(countNear(image, cell(1, 1), kText), 10);
  // The selection still shows: a tint behind the current row, not behind the others.
  const QPoint blank = cell(0, 3).topRight() + QPoint(-1, 1);
  EXPECT_FALSE(near(image.pixel(blank), kBackground, 4));
  EXPECT_TRUE(near(image.pixel(cell(1, 3).topRight() + QPoint(-1, 1)), kBackground, 4));
}

TEST_F(LookTest, RowsOfALargeListFontAreNotClipped) {
  writeSkin(20);
  writeList(QStringLiteral("Hgjy"));
  start();
  window->resize(1000, window->height());  // room for the whole title in so large a font
  QCoreApplication::processEvents();
  const QFont font = list()->font();
  EXPECT_EQ(font.pointSize(), 20);
  EXPECT_GE(list()->rowHeight(0), QFontMetrics(font).height());

  // The title's ink in the row is as tall as the same text drawn unclipped.
  QImage reference(300, 120, QImage::Format_RGB32);
  reference.fill(kBackground);
  {
    QPainter painter(&reference);
    painter.setFont(font);
    painter.setPen(kText);
    painter.drawText(QRect(0, 0, 300, 120), Qt::AlignCenter, QStringLiteral("Hgjy"));
  }
  const int expected = inkHeight(reference, reference.rect(), kBackground);
  ASSERT_GT(expected, 20);
  // Only the top row: the current row's tint would count as ink.
  list()->selectionModel()->clearSelection();
  EXPECT_GE(inkHeight(grabList(), cell(0, 1), kBackground), expected - 1);
  // A smaller font later makes the rows smaller again.
  list()->setFont(QFont(font.family(), 8));
  EXPECT_LT(list()->rowHeight(0), QFontMetrics(font).height());
}

TEST_F(LookTest, ColumnsAreAsWideOnTheNextStartAsOnTheFirst) {
  writeSkin(9);
  writeList(QStringLiteral("hello song"));
  start();
  const int firstTitle = list()->columnWidth(1);
  EXPECT_GE(firstTitle, list()->fontMetrics().horizontalAdvance(QStringLiteral("hello song")));
  EXPECT_GT(list()->columnWidth(2), 0);

  restart();
  EXPECT_EQ(list()->columnWidth(1), firstTitle);
  const QImage image = grabList();
  EXPECT_GT(countNear(image, cell(0, 1), kCurrent), 10);

  // The columns follow the view's width.
  window->resize(window->width() + 200, window->height());
  QCoreApplication::processEvents();
  EXPECT_NEAR(list()->columnWidth(1), firstTitle + 100, 2);
}

TEST_F(LookTest, MuteShowsItsMarkAndAGreyVolumeControl) {
  start({fixture(QStringLiteral("tone1k.wav"))});
  SkinImage* mute = window->Image1(19);
  SkinImage* knob = window->Image1(23);
  const QColor mark(0xE0, 0x40, 0x40);
  auto markPixels = [&] { return countNear(mute->grab().toImage(), mute->rect(), mark); };
  const QPoint middle = knob->rect().center();
  const QRgb knobBefore = knob->grab().toImage().pixel(middle);
  EXPECT_EQ(markPixels(), 0);

  window->Image1_MouseUp(19, Qt::LeftButton, QPoint(1, 1));
  EXPECT_GT(markPixels(), 3);
  const QRgb knobMuted = knob->grab().toImage().pixel(middle);
  EXPECT_LT(std::abs(qRed(knobMuted) - qBlue(knobMuted)), 8);  // grey
  EXPECT_NE(knobMuted, knobBefore);

  window->Image1_MouseUp(19, Qt::LeftButton, QPoint(1, 1));
  EXPECT_EQ(markPixels(), 0);
  EXPECT_EQ(knob->grab().toImage().pixel(middle), knobBefore);
}

TEST_F(LookTest, ADisabledButtonLeavesItsKeyToTheView) {
  writeList(QStringLiteral("hello song"));
  start();
  ASSERT_FALSE(window->Image1(7)->isEnabled());  // the first row: no previous
  EXPECT_FALSE(window->ShortcutKey(Qt::Key_Left, Qt::ControlModifier));
  ASSERT_FALSE(window->Image1(6)->isEnabled());  // stopped
  EXPECT_FALSE(window->ShortcutKey(Qt::Key_S, Qt::ControlModifier));

  ctx->player.CurrentIndex = 2;
  window->Image1_Click(5);  // plays the last row: next is disabled
  ASSERT_FALSE(window->Image1(8)->isEnabled());
  EXPECT_FALSE(window->ShortcutKey(Qt::Key_Right, Qt::ControlModifier));
  // The view gets the key: Ctrl+Right moves its current cell.
  list()->setFocus();
  const int column = list()->currentIndex().column();
  QTest::keyClick(list(), Qt::Key_Right, Qt::ControlModifier);
  EXPECT_EQ(list()->currentIndex().column(), column + 1);
  EXPECT_EQ(ctx->player.CurrentIndex, 2);
  EXPECT_TRUE(window->ShortcutKey(Qt::Key_P, Qt::ControlModifier));  // enabled: used
  EXPECT_EQ(window->Label1(4)->text(), QStringLiteral("状态: 暂停"));
}

TEST_F(LookTest, RightClicksOnTheLabelsOpenTheMainMenuAndThumbsTakeAnyButton) {
  start({fixture(QStringLiteral("tone1k.wav"))});
  for (int index : {0, 3, 4, 5, 6}) {
    window->menuT()->hide();
    QTest::mouseClick(window->Label1(index), Qt::RightButton);
    EXPECT_TRUE(window->menuT()->isVisible()) << "label " << index;
  }
  window->menuT()->hide();
  QTest::mouseClick(window->Label1(2), Qt::RightButton);
  EXPECT_FALSE(window->menuT()->isVisible());
  window->Image1_Click(6);  // stopped: the labels are disabled and still answer
  QTest::mouseClick(window->Label1(4), Qt::RightButton);
  EXPECT_TRUE(window->menuT()->isVisible());
  window->menuT()->hide();

  // The volume knob dragged with the right button.
  SkinImage* bar = window->Image1(22);
  SkinImage* knob = window->Image1(23);
  window->Image1_MouseDown(23, Qt::RightButton, QPoint(1, 1));
  window->Image1_MouseMove(23, bar->mapToGlobal(QPoint(bar->width(), 0)));
  window->Image1_MouseUp(23, Qt::RightButton, QPoint(1, 1));
  EXPECT_EQ(ctx->settings.volumn, 100);
  EXPECT_EQ(knob->x(), bar->x() + bar->width() - knob->width());
}
