// The main window's skin under the offscreen platform: resizing by the frame,
// maximise and full screen, the colour schemes and where their colours go,
// the lyric pane over the playlist, and buttons drawn sharp at scale 2.
#include "app/fplay.h"
#include "lyrics/lyricpane.h"
#include "support/testworld.h"

#include <QImage>
#include <QPalette>
#include <QTest>

#include <gtest/gtest.h>

using namespace lyrovo;
using lyrovo::testing::TestWorld;

namespace {

struct SkinTest : ::testing::Test {
  TestWorld world;
  std::unique_ptr<AppContext> ctx;
  std::unique_ptr<Fplay> window;

  void SetUp() override { world.writeFile(QStringLiteral("app/Images/.keep"), {}); }
  void start(const QByteArray& settings = "[lyrovo]\r\nautoPlay=0\r\n") {
    world.writeFile(QStringLiteral("app/Settings.ini"), settings);
    ctx = world.makeContext();
    window = std::make_unique<Fplay>(*ctx, QStringList());
    ASSERT_EQ(window->Form_Load(), Fplay::LoadResult::Run);
    QCoreApplication::processEvents();
  }
  bool frameShown() const {
    for (int index = 10; index <= 17; ++index)
      if (window->Image1(index)->isHidden()) return false;
    return true;
  }
  bool frameHidden() const {
    for (int index = 10; index <= 17; ++index)
      if (!window->Image1(index)->isHidden()) return false;
    return true;
  }
  // The window's corners are cut off by its shape.
  bool roundedCorners() const {
    const QRegion shape = window->mask();
    const int w = window->width(), h = window->height();
    return !shape.isEmpty() && !shape.contains(QPoint(0, 0)) && !shape.contains(QPoint(w - 1, h - 1)) &&
           shape.contains(QPoint(w / 2, 0)) && shape.contains(QPoint(0, h / 2));
  }
  void TearDown() override {
    if (window) window->close();
  }
};

// Across one row of image from x0 to x1, the longest run of pixels that are
// near neither of the two colours: a sharp edge has at most one.
int longestBlurRun(const QImage& image, int y, int x0, int x1, QColor a, QColor b) {
  const auto near = [](QRgb pixel, QColor colour) {
    return std::abs(qRed(pixel) - colour.red()) <= 12 && std::abs(qGreen(pixel) - colour.green()) <= 12 &&
           std::abs(qBlue(pixel) - colour.blue()) <= 12;
  };
  int longest = 0, run = 0;
  for (int x = x0; x <= x1; ++x) {
    const QRgb pixel = image.pixel(x, y);
    run = near(pixel, a) || near(pixel, b) ? 0 : run + 1;
    longest = std::max(longest, run);
  }
  return longest;
}

QImage renderAtScale2(QWidget* widget) {
  QImage image(widget->size() * 2, QImage::Format_RGB32);
  image.setDevicePixelRatio(2);
  image.fill(Qt::black);
  widget->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
  return image;
}

}  // namespace

TEST_F(SkinTest, DraggingTheFrameInwardStopsAtTheMinimumSize) {
  start();
  const QRect before = window->geometry();
  // The bottom-right corner dragged far up and left: 7000 × 4500 twips.
  window->Image1_MouseDown(17, Qt::LeftButton, QPoint(2, 2));
  EXPECT_EQ(window->ResizeOutline(), before);  // the outline shows from the press on
  window->Image1_MouseMove(17, before.topLeft() + QPoint(40, 30));
  EXPECT_EQ(window->ResizeOutline(), QRect(before.topLeft(), QSize(467, 300)));
  window->Image1_MouseUp(17, Qt::LeftButton, QPoint(2, 2));
  EXPECT_TRUE(window->ResizeOutline().isNull());
  QTRY_COMPARE_WITH_TIMEOUT(window->size(), QSize(467, 300), 5000);
  EXPECT_EQ(window->pos(), before.topLeft());

  // The top-left corner dragged outward keeps the bottom-right corner where it is.
  const QRect small = window->geometry();
  window->Image1_MouseDown(10, Qt::LeftButton, QPoint(2, 2));
  window->Image1_MouseMove(10, small.topLeft() - QPoint(60, 40));
  window->Image1_MouseUp(10, Qt::LeftButton, QPoint(2, 2));
  QTRY_COMPARE_WITH_TIMEOUT(window->size(), QSize(467 + 60, 300 + 40), 5000);
  EXPECT_EQ(window->geometry().bottomRight(), small.bottomRight());
  // The layout followed: the list keeps its place at the window's right edge.
  EXPECT_EQ(window->List1()->geometry().right() + 14 + 8, window->width() - 1);
}

TEST_F(SkinTest, MaximiseHidesTheFrameAndRestoreShowsIt) {
  start();
  EXPECT_TRUE(frameShown());
  EXPECT_EQ(window->Image1(2)->toolTip(), QStringLiteral("最大化"));
  window->Image1_Click(2);
  EXPECT_TRUE(window->isMaximized());
  EXPECT_TRUE(frameHidden());
  EXPECT_EQ(window->Image1(2)->toolTip(), QStringLiteral("还原"));
  window->Image1_Click(2);
  EXPECT_FALSE(window->isMaximized());
  EXPECT_TRUE(frameShown());
  EXPECT_EQ(window->Image1(2)->toolTip(), QStringLiteral("最大化"));
  EXPECT_TRUE(roundedCorners());
}

TEST_F(SkinTest, FullScreenLyricsHaveSquareCornersAndTheWholeWindow) {
  start();
  ASSERT_TRUE(roundedCorners());
  window->menuWs_Click(kMenuFullScreen);
  ASSERT_TRUE(ctx->lyricPane.FullScreen);
  EXPECT_FALSE(roundedCorners());
  EXPECT_TRUE(window->mask().isEmpty());
  EXPECT_TRUE(frameHidden());
  QTRY_COMPARE_WITH_TIMEOUT(window->Pic1(1)->geometry(), window->rect(), 5000);
  EXPECT_FALSE(window->List1()->isVisible());

  window->menuWs_Click(kMenuFullScreen);
  QTRY_VERIFY_WITH_TIMEOUT(!window->isFullScreen(), 5000);
  EXPECT_TRUE(roundedCorners());
  EXPECT_TRUE(frameShown());
  EXPECT_TRUE(window->List1()->isVisible());
  EXPECT_LT(window->Pic1(1)->width(), window->width() / 2 + 60);
}

TEST_F(SkinTest, TheSkinButtonCyclesTheTenSchemesBothWays) {
  start("[lyrovo]\r\nautoPlay=0\r\nskinCol=110\r\n");
  window->Image1_MouseUp(18, Qt::LeftButton, QPoint(2, 2));
  EXPECT_EQ(ctx->settings.skinCol, 101);
  window->Image1_MouseUp(18, Qt::RightButton, QPoint(2, 2));
  EXPECT_EQ(ctx->settings.skinCol, 110);
  window->Image1_MouseUp(18, Qt::RightButton, QPoint(2, 2));
  EXPECT_EQ(ctx->settings.skinCol, 109);
  // The main menu's skin entry steps forward too.
  window->menuTs_Click(8);
  EXPECT_EQ(ctx->settings.skinCol, 110);
}

TEST_F(SkinTest, TheSchemesCentreColourReachesTheLyricPaneTheListAndTheViews) {
  start("[lyrovo]\r\nautoPlay=0\r\nskinCol=102\r\n");
  window->Image1_MouseUp(18, Qt::LeftButton, QPoint(2, 2));  // 103, the ocean scheme
  ASSERT_EQ(ctx->settings.skinCol, 103);
  const QColor centre(0x1E, 0x28, 0x33);
  const std::int32_t bgr = 0x33281E;
  for (std::int32_t value :
       {ctx->skin.word_colB, ctx->skin.list_colB, ctx->skin.vis_col2B, ctx->skin.vis_col3B,
        ctx->skin.vis_col4B, ctx->skin.vis_col5B, ctx->skin.vis_col6B})
    EXPECT_EQ(value, bgr);
  QCoreApplication::processEvents();
  // What the user sees: the lyric pane, the list and the view drawn in it.
  const QImage lyrics = window->Pic1(1)->grab().toImage();
  EXPECT_EQ(QColor(lyrics.pixel(2, 2)), centre);
  QTableView* list = window->List1();
  EXPECT_EQ(list->palette().color(QPalette::Base), centre);
  const QImage rows = list->viewport()->grab().toImage();
  EXPECT_EQ(QColor(rows.pixel(rows.width() - 2, rows.height() - 2)), centre);
  for (int view = 1; view <= 7; ++view) {
    window->Pic1_MouseDown(2, Qt::LeftButton, 0, 1, 1);
    const QImage vis = window->Pic1(2)->grab().toImage();
    EXPECT_EQ(QColor(vis.pixel(1, 1)), centre) << "view " << ctx->settings.visType;
  }
  // The stepped colours are saved with the skin.
  window->close();
  EXPECT_TRUE(world.readFile(QStringLiteral("app/SkinSettings.ini"))
                  .contains("word_colB=" + QByteArray::number(bgr)));
}

TEST_F(SkinTest, CoveringThePlaylistGivesTheLyricPaneTheListsSpace) {
  start();
  const QRect lyricsBefore = window->Pic1(1)->geometry();
  const QRect listBefore = window->List1()->geometry();
  window->menuWs_Click(kMenuCoverPlaylist);
  ASSERT_TRUE(ctx->lyricPane.CoverPlaylist);
  const QRect lyrics = window->Pic1(1)->geometry();
  EXPECT_FALSE(window->List1()->isVisible());
  for (int index = 24; index <= 29; ++index) EXPECT_FALSE(window->Image1(index)->isVisible()) << index;
  EXPECT_EQ(lyrics.top(), lyricsBefore.top());
  EXPECT_GE(lyrics.bottom(), listBefore.bottom());
  EXPECT_GE(lyrics.width(), listBefore.width());
  EXPECT_EQ(ctx->lyricPane.PaneHeight, lyrics.height());  // the pane's measures follow

  window->menuWs_Click(kMenuCoverPlaylist);
  EXPECT_TRUE(window->List1()->isVisible());
  EXPECT_EQ(window->Pic1(1)->geometry(), lyricsBefore);
  EXPECT_EQ(window->List1()->geometry(), listBefore);
}

TEST_F(SkinTest, ButtonsAreDrawnSharpAtScaleTwo) {
  start();
  // The stop square: black around, light grey inside, hard edges.
  SkinImage* stop = window->Image1(6);
  stop->setEnabled(true);
  const QImage square = renderAtScale2(stop);
  ASSERT_EQ(square.size(), stop->size() * 2);
  const int middle = square.height() / 2;
  EXPECT_NE(QColor(square.pixel(square.width() / 2, middle)), QColor(Qt::black));
  EXPECT_LE(longestBlurRun(square, middle, 0, square.width() - 1, Qt::black, QColor(0xE6, 0xE6, 0xE6)), 1);

  // The pause bars on the play button's disc.
  window->Image1_Click(5);  // nothing to play: the look stays; give it the pause look by hand
  SkinImage* play = window->Image1(5);
  play->setEnabled(true);
  play->setToolTip(QStringLiteral("暂停(Ctrl+P)"));
  const QImage disc = renderAtScale2(play);
  const QColor accent(disc.pixel(disc.width() / 2, disc.height() / 2));  // between the bars
  EXPECT_LE(
      longestBlurRun(disc, disc.height() / 2, disc.width() / 4, disc.width() * 3 / 4, accent, Qt::white), 1);
}
