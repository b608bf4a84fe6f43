#include "lyrics/lyricdrag.h"

#include "base/playerstate.h"
#include "lyrics/lyricpane.h"
#include "settings/settings.h"

#include <QImage>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

using namespace lyrovo;

namespace {

// A 400 x 300 pane showing the header at 500 ms, six lines a second apart
// from 1 s, the end entry at 7 s and the song's end at 10 s.
struct DragWorld {
  LyricPaneState state;
  LyricModel model;
  Settings settings;
  SkinSettings skin;
  PlayerState player;
  QImage surface;
  LyricPane pane{state, model, settings, skin, player, surface};
  LyricDrag drag;

  explicit DragWorld(int showType) {
    settings.showType = std::int16_t(showType);
    const std::vector<std::pair<int, QString>> entries{
        {500, "A - T  "}, {1000, "one  "}, {2000, "two  "},        {3000, "three  "}, {4000, "four  "},
        {5000, "five  "}, {6000, "six  "}, {7000, "Lyrovo - End"}, {10000, ""}};
    int k = 1;
    for (const auto& [time, text] : entries) {
      model.LyricText[k] = text;
      model.LyricTime[k - 1] = time;
      ++k;
    }
    model.LyricEnd = std::int16_t(k);
    pane.MeasureFont();
    pane.Resize(400, 300, 0);
    pane.RecomputeGeometry(2500);  // half way through "two"
  }
  bool vertical() const { return settings.showType == 1; }
  void begin(QPoint at) { BeginLyricDrag(drag, state, model, vertical(), at, 2500); }
  bool move(QPoint to) { return MoveLyricDrag(drag, pane, state, model, vertical(), to); }
};

}  // namespace

TEST(LyricDrag, EndingWhereItBeganDoesNotSeek) {
  for (int showType : {1, 2}) {
    DragWorld w(showType);
    w.begin({200, 100});
    EXPECT_FALSE(w.move({200, 100}) && w.vertical());
    EXPECT_FALSE(EndLyricDrag(w.drag, w.vertical(), {200, 100}).has_value()) << showType;
    EXPECT_FALSE(w.drag.active);

    // Moved away and back level with the press: no seek either.
    w.begin({200, 100});
    ASSERT_TRUE(w.move({260, 160}));
    EXPECT_FALSE(EndLyricDrag(w.drag, w.vertical(), {200, 100}).has_value()) << showType;
  }
}

TEST(LyricDrag, VerticalScrubsLineByLineAndStopsAtBothEnds) {
  DragWorld w(1);
  const int lineHeight = w.state.LineHeight;
  ASSERT_GT(lineHeight, 0);
  w.begin({0, 100});
  // One line up shows the lyric one line further on: half way through "three".
  ASSERT_TRUE(w.move({0, 100 - lineHeight}));
  EXPECT_NEAR(w.drag.targetMs, 3500, 1000.0 / lineHeight + 1);
  EXPECT_EQ(w.state.PosMs, w.drag.targetMs);

  // Far down: the header sits at the centre; the time is the header's.
  ASSERT_TRUE(w.move({0, 100 + 100000}));
  EXPECT_EQ(w.state.ScrollY, 150);
  EXPECT_EQ(w.drag.targetMs, 500);
  EXPECT_EQ(w.state.NextLine, 1);
  // Far up: the empty last entry at the centre, the song's end.
  ASSERT_TRUE(w.move({0, 100 - 100000}));
  EXPECT_EQ(w.state.ScrollY, 150 - 8 * lineHeight);
  EXPECT_EQ(w.drag.targetMs, 10000);
  EXPECT_EQ(w.state.NextLine, 7);
  EXPECT_EQ(EndLyricDrag(w.drag, true, {0, 100 - 100000}), std::optional<std::int32_t>(10000));
}

TEST(LyricDrag, HorizontalScrubsAndStopsAtBothEnds) {
  DragWorld w(2);
  const int headerWidth = w.model.width(1);
  ASSERT_GT(headerWidth, 0);
  w.begin({300, 0});
  ASSERT_TRUE(w.move({300 + 100000, 0}));
  EXPECT_EQ(w.state.ScrollX, 200);
  EXPECT_EQ(w.drag.targetMs, 500);
  ASSERT_TRUE(w.move({300 - 100000, 0}));
  int all = 0;
  for (int k = 1; k <= 8; ++k) all += w.model.width(k);
  EXPECT_EQ(w.state.ScrollX, 200 - all);
  EXPECT_EQ(w.drag.targetMs, 10000);
  EXPECT_EQ(EndLyricDrag(w.drag, false, {300 - 100000, 0}), std::optional<std::int32_t>(10000));
}
