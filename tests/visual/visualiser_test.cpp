#include "visual/visualiser.h"
#include "base/scriptedprompts.h"
#include "engine/bp.h"
#include "visual/bpvissource.h"
#include "visual/fakevissource.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

namespace lyrovo {
namespace {

using test::FakeVisSource;

QRgb bgr(std::int32_t colour) { return qRgb(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF); }

// A visualiser with default colours and a scripted source.
struct Pane {
  Visualiser vis;
  SkinSettings skin;
  FakeVisSource src;

  void show(int view, QSize size = {160, 60}) { vis.prepare(view, size, skin); }
  void frames(int count = 1) {
    for (int i = 0; i < count; ++i) vis.drawFrame(src);
  }
  QRgb at(int x, int y) const { return vis.pane().pixel(x, y); }
  QRgb background() const { return at(0, 0); }
  // Rows of column x that differ from the background.
  std::vector<int> litRows(int x) const {
    std::vector<int> rows;
    for (int y = 0; y < vis.pane().height(); ++y)
      if (at(x, y) != background()) rows.push_back(y);
    return rows;
  }
  int litInRow(int y) const {
    int count = 0;
    for (int x = 0; x < vis.pane().width(); ++x) count += at(x, y) != background();
    return count;
  }
};

std::vector<int> span(int first, int last) {
  std::vector<int> rows;
  for (int y = first; y <= last; ++y) rows.push_back(y);
  return rows;
}

TEST(VisualiserViews, ClicksStepWrapAndSetTheTimer) {
  EXPECT_EQ(clickedVisType(7, Qt::LeftButton), 1);
  EXPECT_EQ(clickedVisType(1, Qt::RightButton), 7);
  EXPECT_EQ(clickedVisType(3, Qt::MiddleButton), 3);
  EXPECT_EQ(clickedVisType(9, Qt::LeftButton), 1);  // a stored value out of range still lands on a view
  const int intervals[] = {0, 50, 30, 20, 20, 20, 20, 20};
  Visualiser vis;
  SkinSettings skin;
  std::int16_t visType = 1;
  std::vector<int> seen;
  for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton}) {
    for (int i = 0; i < 7; ++i) {
      vis.click(visType, button, {160, 60}, skin);
      seen.push_back(visType);
      EXPECT_EQ(vis.view(), visType);
      EXPECT_EQ(vis.timerInterval(), intervals[visType]);
    }
  }
  EXPECT_EQ(seen, (std::vector<int>{2, 3, 4, 5, 6, 7, 1, 7, 6, 5, 4, 3, 2, 1}));
}

TEST(VisualiserViews, StoredViewOneStartsAsViewOneWithItsText) {
  Pane p;
  std::int16_t visType = std::int16_t(visTypeBefore(1));
  EXPECT_EQ(visType, 7);
  p.vis.click(visType, Qt::LeftButton, {160, 60}, p.skin);
  EXPECT_EQ(visType, 1);
  EXPECT_EQ(p.vis.timerInterval(), 50);
  int middle = 0, outside = 0;
  for (int y = 0; y < 60; ++y) (y >= 20 && y < 40 ? middle : outside) += p.litInRow(y);
  EXPECT_GT(middle, 40);  // the text, on the pane's middle
  EXPECT_EQ(outside, 0);
  EXPECT_EQ(p.litRows(2), std::vector<int>{});  // centred: the pane's edges stay clear
  p.frames(3);                                  // frames draw nothing over it
  int after = 0;
  for (int y = 20; y < 40; ++y) after += p.litInRow(y);
  EXPECT_EQ(after, middle);
  EXPECT_EQ(visTypeBefore(4), 3);
}

TEST(VisualiserLevels, UpperBarForLeftLowerBarOnlyForMoreThanOneChannel) {
  Pane p;
  p.src.mode = QStringLiteral("单声道");
  p.src.level = {32768, 32768};
  p.show(2);
  p.frames();
  EXPECT_EQ(p.vis.state().visBar[1], 2250);  // Int((2400 − 150) × 32768 ÷ 32768)
  const QImage& source = p.vis.colourSource();
  for (int y : {5, 28})
    for (int x : {5, 80, 154}) EXPECT_EQ(p.at(x, y), source.pixel(x - 5, 0)) << x << "," << y;
  EXPECT_EQ(p.litInRow(10), 150);
  EXPECT_EQ(p.litRows(80), span(5, 28));  // and nothing below: a mono stream has no lower bar

  p.src.mode = QStringLiteral("立体声");
  p.src.level = {0, 16384};
  p.frames();
  EXPECT_EQ(p.vis.state().visBar[2], 1125);
  EXPECT_EQ(p.litInRow(40), 75);
  // The lower bar: from nearest(h/2 + 1) down for nearest(h/2 − 6) rows.
  std::vector<int> both = span(5, 28), lower = span(31, 54);
  both.insert(both.end(), lower.begin(), lower.end());
  EXPECT_EQ(p.litRows(60), both);
  EXPECT_EQ(p.litRows(120), span(5, 28));

  p.src.mode = QStringLiteral("未知");  // six channels
  p.frames();
  EXPECT_EQ(p.litInRow(40), 75);
}

TEST(VisualiserLevels, BarsFallSeventyTwipsAFrame) {
  Pane p;
  p.src.level = {32768, 32768};
  p.show(2);
  p.frames();
  p.src.level = {0, 0};
  for (int frame = 1; frame <= 34; ++frame) {
    p.frames();
    const int expected = std::max(2250 - 70 * frame, 0);
    ASSERT_EQ(p.vis.state().visBar[1], expected) << frame;
    ASSERT_EQ(p.vis.state().visBar[2], expected) << frame;
    ASSERT_EQ(p.litInRow(10), std::lround(expected / 15.0)) << frame;
  }
}

TEST(VisualiserViews, EachSourceIsReadAtMostOncePerFrameWithTheChannelCount) {
  for (const char16_t* mode : {u"单声道", u"立体声", u"未知"}) {
    const int count = mode == std::u16string_view(u"单声道") ? 256 : 512;
    for (int view = 2; view <= 7; ++view) {
      Pane p;
      p.src.mode = QString::fromUtf16(mode);
      p.show(view);
      p.frames();
      const bool levels = view == 2 || view == 6, samples = view == 3 || view == 7,
                 spectrum = view == 4 || view == 5;
      EXPECT_EQ(p.src.levelReads, levels ? 1 : 0) << view;
      EXPECT_EQ(p.src.sampleReads, samples ? 1 : 0) << view;
      EXPECT_EQ(p.src.fftReads, spectrum ? 1 : 0) << view;
      EXPECT_EQ(p.src.chanModReads, view == 6 ? 0 : 1) << view;
      if (samples || spectrum) {
        EXPECT_EQ(p.src.lastCount, count) << view;
      }
    }
  }
}

TEST(VisualiserSpectrum, SilenceLetsBarsFallTwoAndPeaksOnePixelAFrame) {
  for (int view : {4, 5}) {
    Pane p;
    p.show(view);
    const int last = view == 4 ? 32 : 158;
    for (int d = 1; d <= last; ++d) {
      p.vis.state().visBar[d] = 4;
      p.vis.state().visPeak[d] = 12;
    }
    for (int frame = 1; frame <= 14; ++frame) {
      p.frames();
      for (int d : {1, last}) {
        ASSERT_EQ(p.vis.state().visBar[d], std::max(4 - 2 * frame, 0)) << view << " " << frame;
        ASSERT_EQ(p.vis.state().visPeak[d], std::max(12 - frame, view == 4 ? 0 : 1)) << view << " " << frame;
      }
      if (frame != 1) continue;
      // Bar 2 pixels high at the bottom (hp − 4 − bar), peak 11 at hp − peak − 6.
      const QImage& source = p.vis.colourSource();
      const QRgb peak = bgr(p.skin.vis_col41);
      if (view == 4) {
        EXPECT_EQ(p.litRows(5), (std::vector<int>{43, 44, 54, 55}));
        EXPECT_EQ(p.litRows(8), p.litRows(5));
        EXPECT_EQ(p.litRows(9), std::vector<int>{});
        EXPECT_EQ(p.at(5, 54), source.pixel(0, 54));  // the bands at the bar's own height
        EXPECT_EQ(p.at(5, 43), peak);
      } else {
        EXPECT_EQ(p.litRows(6), (std::vector<int>{43, 54, 55}));
        EXPECT_EQ(p.at(6, 54), source.pixel(0, 58));  // copied from 4 rows lower
        EXPECT_EQ(p.at(6, 43), peak);
      }
    }
  }
}

TEST(VisualiserSpectrum, CoarseBarsCarryIntoTheNextFineColumnsSmoothOnlyStereo) {
  // Bins scaled by (H − 60) × 3 and held at hp − 8 = 52; each coarse bar sums
  // n + 1 values in place, the first being the previous bar's result.
  Pane p;
  p.src.spectrum.assign(16, 1.0f);  // indices 1..16 at 52
  p.show(4);
  p.frames();
  const VisState& state = p.vis.state();
  EXPECT_EQ((std::vector<int>{state.visBar[1], state.visBar[2], state.visBar[3]}),
            (std::vector<int>{64, 5, 0}));  // 16·52 ÷ 13, then 64 ÷ 13
  EXPECT_EQ(p.litRows(5), span(0, 55));     // taller than the pane: cut at its top
  p.src.mode = QStringLiteral("单声道");
  p.src.spectrum.assign(8, 1.0f);
  p.show(4);
  p.frames();  // the chain: 8·52 ÷ 5 = 83.2, then ÷ 5 each
  auto mono = [&] {
    return std::vector<int>{state.visBar[1], state.visBar[2], state.visBar[3], state.visBar[4],
                            state.visBar[5]};
  };
  EXPECT_EQ(mono(), (std::vector<int>{83, 17, 3, 1, 0}));
  p.frames();  // only a value above the bar lifts it: 16.64 < 17 lets bar 2 fall
  EXPECT_EQ(mono(), (std::vector<int>{83, 15, 3, 0, 0}));

  Pane fine;
  fine.src.spectrum = {0.0f, 1.0f};  // index 2 only
  fine.show(5);
  fine.frames();
  EXPECT_EQ(fine.vis.state().visBar[1], 17);  // k = 3, smoothed over indices 2..4: 52 ÷ 3
  fine.src.mode = QStringLiteral("单声道");
  fine.vis.state().visBar[1] = 0;
  fine.frames();
  EXPECT_EQ(fine.vis.state().visBar[1], 52);  // k = 2, no smoothing for mono
}

// Index of the tallest bar (first of equals) among 1..last.
int tallest(const VisState& state, int last) {
  int best = 1;
  for (int d = 2; d <= last; ++d)
    if (state.visBar[d] > state.visBar[best]) best = d;
  return best;
}

TEST(VisualiserSpectrum, ToneOfOneKilohertzLightsItsBarsAndColumns) {
  struct Case {
    const char16_t* mode;
    int points, view, first, lastExpected;
  };
  // 1 kHz lies in bin 46.4 of 2048 points (index 47.4: bar 3, columns 14–15)
  // and bin 11.6 of 512 points (index 12.6: bar 2, columns 7–8).
  for (const Case& c : {Case{u"立体声", 2048, 4, 3, 3}, Case{u"单声道", 512, 4, 2, 2},
                        Case{u"立体声", 2048, 5, 14, 15}, Case{u"单声道", 512, 5, 7, 8}}) {
    Pane p;
    p.src.mode = QString::fromUtf16(c.mode);
    p.src.setTone(1000, 0.02, c.points);
    p.show(c.view);
    p.frames();
    const VisState& state = p.vis.state();
    const int last = c.view == 4 ? 32 : 158;
    const int best = tallest(state, last);
    EXPECT_GE(best, c.first) << c.view << " " << c.points;
    EXPECT_LE(best, c.lastExpected) << c.view << " " << c.points;
    EXPECT_GE(state.visBar[best], 8) << c.view << " " << c.points;
    for (int d = 1; d <= last; ++d)
      if (std::abs(d - best) > 1) {
        EXPECT_LE(state.visBar[d], 1) << c.view << " bar " << d;
      }
    // Lit from the bottom up, with the peak marker just above (view 4) or one row above (view 5).
    const int x = c.view == 4 ? 5 * best : best + 5;
    EXPECT_EQ(p.litRows(x).back(), 55);
    EXPECT_EQ(int(p.litRows(x).size()), state.visBar[best] + (c.view == 4 ? 2 : 1));
  }
}

TEST(VisualiserSolid, NegativeFullScaleIsAsHighAsPositiveOnItsOwnSide) {
  Pane p;
  p.show(7);  // mid = 30, blocks at most mid − 4 = 26 high
  const QRgb fill = bgr(p.skin.vis_col6Q);
  auto column = [&](std::int16_t sample) {
    p.src.data.assign(512, sample);
    p.frames();
    return p.litRows(5);
  };
  EXPECT_EQ(column(32767), span(30, 55));
  EXPECT_EQ(column(-32768), span(4, 29));
  EXPECT_EQ(column(0), std::vector<int>{30});
  EXPECT_EQ(column(8192), span(30, 37));  // nearest(8192 ÷ 65535 × 60) = 8
  EXPECT_EQ(column(-8192), span(22, 29));
  EXPECT_EQ(p.at(5, 22), fill);
  EXPECT_EQ(p.litRows(4), std::vector<int>{});
}

TEST(VisualiserColours, SpectrumBandsAndLevelGradientAtTheirBoundaries) {
  Pane p;
  p.skin.vis_col41 = 0x0000FF;
  p.skin.vis_col42 = 0x000000;
  p.skin.vis_col43 = 0x3C64C8;  // red 200, green 100, blue 60
  p.skin.vis_col44 = 0xFFFFFF;
  for (int view : {4, 5}) {
    p.show(view, {40, 100});  // one row per band
    const QImage& source = p.vis.colourSource();
    EXPECT_EQ(source.pixel(0, 4), qRgb(255, 0, 0));
    EXPECT_EQ(source.pixel(39, 5), qRgb(0, 0, 0));
    EXPECT_EQ(source.pixel(0, 19), qRgb(0, 0, 0));
    EXPECT_EQ(source.pixel(0, 20), qRgb(5, 2, 2));  // 2.5 and 1.5 go to the even side
    EXPECT_EQ(source.pixel(0, 59), qRgb(200, 100, 60));
    EXPECT_EQ(source.pixel(0, 60), qRgb(201, 104, 65));
    EXPECT_EQ(source.pixel(0, 99), qRgb(255, 255, 255));
  }
  p.show(4, {160, 60});  // bands of 0.6 rows: a row takes the band at its centre
  EXPECT_EQ(p.vis.colourSource().pixel(0, 2), qRgb(255, 0, 0));
  EXPECT_EQ(p.vis.colourSource().pixel(0, 3), qRgb(0, 0, 0));

  p.skin.vis_col2L = 0x000000;
  p.skin.vis_col2R = 0xFDFDFD;
  p.show(2, {300, 20});  // one column per strip
  EXPECT_EQ(p.vis.colourSource().pixel(0, 0), qRgb(1, 1, 1));
  EXPECT_EQ(p.vis.colourSource().pixel(149, 19), qRgb(126, 126, 126));  // 126.5, to even
  EXPECT_EQ(p.vis.colourSource().pixel(299, 0), qRgb(253, 253, 253));
  p.skin = SkinSettings{};
  p.show(2, {160, 60});
  EXPECT_EQ(p.vis.colourSource().pixel(0, 0), qRgb(255, 254, 0));  // strip 1 of yellow → red
  EXPECT_EQ(p.vis.colourSource().pixel(159, 59), qRgb(255, 0, 0));
}

TEST(VisualiserViews, BarsAndPeaksSurviveOtherViews) {
  Pane p;
  p.src.level = {32768, 32768};
  p.show(2);
  p.frames();
  p.show(3);
  p.frames();
  p.show(2);
  EXPECT_EQ(p.vis.state().visBar[1], 2250);
  p.vis.state().visBar[5] = 20;
  p.vis.state().visPeak[5] = 30;
  p.show(4);  // resets only the level view's two entries
  EXPECT_EQ(p.vis.state().visBar[1], 0);
  EXPECT_EQ(p.vis.state().visBar[2], 0);
  EXPECT_EQ(p.vis.state().visBar[5], 20);
  p.show(6);
  p.frames(5);
  p.show(5);
  EXPECT_EQ(p.vis.state().visPeak[5], 30);
  p.frames();
  EXPECT_EQ(p.vis.state().visBar[5], 18);
  EXPECT_EQ(p.vis.state().visPeak[5], 29);
}

TEST(VisualiserHistory, ScrollsLeftAndDrawsTheLevelAtTheRight) {
  Pane p;
  p.show(6);
  p.src.level = {32768, 32768};
  p.frames();  // lvl = Int(780 ÷ 65535 × 65536) = 780: from H − 80 up to twips 40
  EXPECT_EQ(p.litRows(155), span(3, 55));
  EXPECT_EQ(p.litRows(154), std::vector<int>{});
  p.src.level = {0, 0};
  p.frames();  // at least 1 twip: a single dot
  EXPECT_EQ(p.litRows(155), std::vector<int>{55});
  EXPECT_EQ(p.litRows(154), span(5, 55));  // the scrolled region keeps rows 5..h − 5
  p.frames(149);
  EXPECT_EQ(p.litRows(5), span(5, 55));
  p.frames();
  EXPECT_EQ(p.litRows(5), std::vector<int>{55});
  EXPECT_EQ(p.litRows(4), std::vector<int>{});
}

TEST(VisualiserLine, HalvesInTheirColoursAndFullScaleOnTheLastRow) {
  Pane p;
  p.show(3);
  const QRgb first = bgr(p.skin.vis_col3L), second = bgr(p.skin.vis_col3R);
  p.frames();  // silence: a flat line on the middle row, the second half in its own colour
  EXPECT_EQ(p.at(10, 30), first);
  EXPECT_EQ(p.at(150, 30), second);
  EXPECT_EQ(p.litInRow(30), 150);  // from x = 75 twips to the last point within W − 80
  p.src.mode = QStringLiteral("单声道");
  p.frames();
  EXPECT_EQ(p.at(150, 30), first);
  EXPECT_EQ(p.litInRow(30), 150);
  p.src.data.assign(256, 32767);  // y = H lies below the pane; it is drawn on the last row
  p.frames();
  EXPECT_GT(p.litInRow(59), 100);
  p.src.data.assign(256, -32768);
  p.frames();
  EXPECT_GT(p.litInRow(0), 100);
}

TEST(VisualiserBadInput, TinyPanesOddStreamsAndBadDataDrawSafely) {
  const std::vector<std::function<void(FakeVisSource&)>> sources = {
      [](FakeVisSource& s) { s.mode = QStringLiteral("单声道"); },  // mono silence
      [](FakeVisSource& s) {                                        // full-scale square wave
        for (int i = 0; i < 1024; ++i)
          s.data.push_back(i / 8 % 2 ? std::int16_t(-32768) : std::int16_t(32767));
        s.spectrum.assign(1024, 1.27f);
        s.level = {32768, 32768};
      },
      [](FakeVisSource& s) {  // six channels, a refused level query
        s.mode = QStringLiteral("未知");
        s.level = {65535, 0};
      },
      [](FakeVisSource& s) {  // the stream ends mid-frame
        s.data.assign(100, 20000);
        s.spectrum.assign(100, 0.5f);
        s.ok = false;
      },
      [](FakeVisSource& s) {  // no stream open
        s.ok = false;
        s.level = {65535, 0};
      },
      [](FakeVisSource& s) {  // values no engine should give
        s.spectrum = {NAN, INFINITY, -INFINITY, 1e30f, -1e30f};
        s.spectrum.resize(1024, NAN);
        s.level = {-5, 2147483647};
      },
  };
  for (QSize size : {QSize(1, 1), QSize(160, 0), QSize(0, 60), QSize(0, 0), QSize(3, 3), QSize(9, 9),
                     QSize(12, 13), QSize(160, 60)}) {
    for (int view = 1; view <= 7; ++view) {
      for (const auto& setUp : sources) {
        Pane p;
        setUp(p.src);
        p.show(view, size);
        p.frames(3);
        const bool empty = size.width() == 0 || size.height() == 0;
        ASSERT_EQ(p.vis.pane().isNull(), empty);
        if (!empty) {
          ASSERT_EQ(p.vis.pane().size(), size);
        }
        if (size == QSize(160, 60) && view != 1) {  // the views keep their left margin
          for (int x = 0; x < 5; ++x) ASSERT_EQ(p.litRows(x), std::vector<int>{}) << view << " " << x;
        }
      }
    }
  }
}

TEST(VisualiserBadInput, EngineWithoutAStreamDrawsSafely) {
  ScriptedPrompts prompts;
  TagFields tags;
  BP engine(prompts, tags);
  BpVisSource source(engine);
  Visualiser vis;
  for (int view = 1; view <= 7; ++view) {
    vis.prepare(view, {160, 60}, SkinSettings{});
    vis.drawFrame(source);
    vis.drawFrame(source);
    EXPECT_EQ(vis.pane().size(), QSize(160, 60));
  }
  EXPECT_TRUE(prompts.calls.empty());
}

}  // namespace
}  // namespace lyrovo
