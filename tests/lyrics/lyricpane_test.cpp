#include "lyrics/lyricpane.h"

#include "text/numeric.h"

#include <QFontMetrics>
#include <QRect>

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace lyrovo {
namespace {

constexpr std::int32_t kBackground = 0x00202020;
constexpr std::int32_t kNormal = 0x0000C000;     // green
constexpr std::int32_t kHighlight = 0x000000FF;  // red

QRgb rgb(std::int32_t bgr) { return QColorFromBgr(bgr).rgb(); }

// Without anti-aliasing every ink pixel has exactly the pen's colour.
QFont testFont(int points = 12) {
  QFont font(QStringLiteral("WenQuanYi Micro Hei"));
  font.setPointSize(points);
  font.setStyleStrategy(QFont::NoAntialias);
  return font;
}

struct PaneWorld {
  LyricPaneState state;
  LyricModel model;
  Settings settings;
  SkinSettings skin;
  PlayerState player;
  QImage surface;
  LyricPane pane{state, model, settings, skin, player, surface};

  PaneWorld() {
    skin.word_colB = kBackground;
    skin.word_colQ = kNormal;
    skin.word_colBR = kHighlight;
    settings.showPlus1 = false;
    settings.showPlus2 = false;
    state.Font = testFont();
    pane.ApplySkinColours();
    pane.MeasureFont();
    pane.Resize(400, 300, 0);
  }

  // Entries 1.. as (time, text); the loader's two trailing spaces are added here.
  void load(const std::vector<std::pair<int, QString>>& entries) {
    model.reset();
    int k = 1;
    for (const auto& [time, text] : entries) {
      model.LyricText[k] = text.isEmpty() ? text : text + QStringLiteral("  ");
      model.LyricTime[k - 1] = time;
      ++k;
    }
    model.LyricEnd = std::int16_t(k);
    player.LyricLoaded = true;
    pane.RecomputeGeometry(0);
  }
  void loadSong() {
    load({{500, QStringLiteral("歌手 - 歌名")},
          {1000, QStringLiteral("第一行")},
          {2000, QStringLiteral("第二行")},
          {3000, QStringLiteral("第三行")},
          {3000, QStringLiteral("第四行")},
          {5000, QStringLiteral("第五行")},
          {6000, QStringLiteral("Lyrovo - End")},
          {8000, QString()}});
  }

  // Colours other than the background inside area.
  std::set<QRgb> ink(QRect area = QRect()) const {
    if (area.isNull()) area = surface.rect();
    std::set<QRgb> found;
    for (int y = std::max(0, area.top()); y <= std::min(area.bottom(), surface.height() - 1); ++y)
      for (int x = std::max(0, area.left()); x <= std::min(area.right(), surface.width() - 1); ++x)
        if (surface.pixel(x, y) != rgb(kBackground)) found.insert(surface.pixel(x, y));
    return found;
  }
  // Bounding box of the pixels of one colour.
  QRect inkBox(std::int32_t colour, QRect area = QRect()) const {
    if (area.isNull()) area = surface.rect();
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y)
      for (int x = area.left(); x <= area.right(); ++x)
        if (surface.pixel(x, y) == rgb(colour)) box |= QRect(x, y, 1, 1);
    return box;
  }
  std::set<QRgb> drawnAt(const QString& text, double pos, int k) {
    pane.Clear();
    pane.DrawWord(text, pos, k);
    return ink();
  }
  QRect row(int y) const { return QRect(0, y, state.PaneWidth, state.LineHeight); }
};

std::set<QRgb> only(std::int32_t colour) { return {rgb(colour)}; }

TEST(LyricColours, SplitAndBlendRoundHalfToEvenAndSaturate) {
  EXPECT_EQ(SplitColour(0x00123456), (ColourParts{0x56, 0x34, 0x12}));
  EXPECT_EQ(BlendColour(0x01, 0x04, 0.5), 0x02);  // 2.5 -> 2
  EXPECT_EQ(BlendColour(0x02, 0x05, 0.5), 0x04);  // 3.5 -> 4
  EXPECT_EQ(BlendColour(0x00100000, 0x00200000, 0.25), 0x00140000);
  EXPECT_EQ(BlendColour(0x00000000, 0x00FFFFFF, 1.5), 0x00FFFFFF);
  EXPECT_EQ(BlendColour(0x00FFFFFF, 0x00000000, 2), 0x00000000);

  PaneWorld w;
  EXPECT_EQ(w.state.FadeColours[0], kNormal);
  EXPECT_EQ(w.state.FadeColours[10], BlendColour(kNormal, kBackground, 0.5));
  EXPECT_EQ(w.state.FadeColours[20], kBackground);
  EXPECT_EQ(w.state.HighlightColours[0], kHighlight);
  EXPECT_EQ(w.state.HighlightColours[5], kNormal);
}

TEST(LyricPaneInfo, DrawsCentredInTheHighlightColourAndRedrawsAfterResize) {
  PaneWorld w;
  w.pane.DrawInfo(QStringLiteral("歌词未找到"));
  EXPECT_EQ(w.model.LyricText[0], QStringLiteral("歌词未找到"));
  EXPECT_EQ(w.ink(), only(kHighlight));
  QRect box = w.inkBox(kHighlight);
  EXPECT_NEAR(box.center().x(), (10 + 400) / 2, 3);
  EXPECT_TRUE(w.row(w.state.InfoTop).contains(box));

  // No lyric running: the status text comes back at the new size.
  w.pane.Resize(300, 200, 0);
  box = w.inkBox(kHighlight);
  EXPECT_NEAR(box.center().x(), (10 + 300) / 2, 3);
  EXPECT_TRUE(w.row(w.state.InfoTop).contains(box));

  // A lyric loaded and shown: the ticks draw, the status stays away.
  w.player.LyricLoaded = true;
  w.pane.Resize(320, 200, 0);
  EXPECT_TRUE(w.ink().empty());
  w.state.Hidden = true;
  w.pane.Resize(340, 200, 0);
  EXPECT_EQ(w.ink(), only(kHighlight));
}

TEST(LyricPaneVertical, BandBoundariesAndFades) {
  PaneWorld w;
  const QString text = QStringLiteral("你你你");
  const int top = w.state.HighlightTop, bottom = w.state.HighlightBottom, lh = w.state.LineHeight;
  ASSERT_EQ(bottom, 150);
  ASSERT_EQ(w.state.FadeBand, 38);  // 37.5 rounds to even
  EXPECT_EQ(w.drawnAt(text, top, 2), only(kHighlight));
  EXPECT_EQ(w.drawnAt(text, bottom - 1, 2), only(kHighlight));
  EXPECT_EQ(w.drawnAt(text, bottom, 2), only(kNormal));
  EXPECT_EQ(w.drawnAt(text, top - 1, 2), only(kNormal));
  EXPECT_EQ(w.drawnAt(text, 19, 2), only(w.state.FadeColours[10]));            // half the top fade
  EXPECT_EQ(w.drawnAt(text, 300 - lh - 1, 2), only(w.state.FadeColours[19]));  // 37/38 of the bottom fade
  EXPECT_TRUE(w.drawnAt(text, 0, 2).empty());
  EXPECT_TRUE(w.drawnAt(text, 300 - lh, 2).empty());

  // With fades on, above the band the colour steps back from the highlight;
  // with karaoke on too, the line just below the band gets no transition.
  w.settings.showPlus2 = true;
  EXPECT_EQ(w.drawnAt(text, top - 1, 2), only(w.state.HighlightColours[int(nearest(25.0 / lh))]));
  w.settings.showPlus1 = true;
  EXPECT_EQ(w.drawnAt(text, bottom, 2), only(kNormal));
}

TEST(LyricPaneHorizontal, CentreCrossingFadesAndKaraoke) {
  PaneWorld w;
  w.settings.showType = 2;
  w.load({{1000, QStringLiteral("你你")}, {2000, QStringLiteral("i")}, {3000, QString()}});
  const QString text = w.model.LyricText[1] + QStringLiteral("  ");
  const int width = w.model.width(1);
  EXPECT_EQ(width, QFontMetrics(testFont()).horizontalAdvance(w.model.LyricText[1]));

  EXPECT_EQ(w.drawnAt(text, 200 - width, 1), only(kNormal));  // ends exactly at the centre
  EXPECT_EQ(w.drawnAt(text, 200 - width + 1, 1), only(kHighlight));
  const double edge = 5.0 * w.state.GlyphWidth;
  EXPECT_EQ(w.drawnAt(text, edge / 2 - width, 1), only(w.state.FadeColours[10]));
  EXPECT_TRUE(w.drawnAt(text, -width, 1).empty());

  w.settings.showPlus1 = true;
  w.drawnAt(text, 200 - width / 2, 1);
  EXPECT_LT(w.inkBox(kHighlight).right(), 200);
  EXPECT_GE(w.inkBox(kNormal).left(), 200);

  // A line narrower than the reference glyph that starts at the centre is
  // still drawn with fades on, in the normal colour.
  w.settings.showPlus2 = true;
  w.model.LyricWidth[1] = std::int16_t(w.state.GlyphWidth / 2);
  EXPECT_EQ(w.drawnAt(QStringLiteral("i"), 200, 2), only(kNormal));
}

TEST(LyricPaneTick, KaraokeWipeFollowsThePosition) {
  PaneWorld w;
  w.settings.showPlus1 = true;
  w.loadSong();
  w.pane.WordAdjust(1001);
  ASSERT_EQ(w.pane.Timer2_Timer(1500, true, true), Timer2Change::Keep);
  ASSERT_EQ(w.state.NextLine, 3);

  // Entry 2 is half sung: the wipe covers half its width from where the centred text starts.
  const int y = w.state.ScrollY - w.state.ProgressY + w.state.LineHeight;
  const int textWidth = QFontMetrics(testFont()).horizontalAdvance(w.model.LyricText[2]);
  const int left = (400 - 10 - textWidth) / 2 + 10;
  const int wipe = int(nearest(500.0 * w.model.width(2) / 1000 + left));
  const QRect row = w.row(y);
  EXPECT_LT(w.inkBox(kHighlight, row).right(), wipe);
  EXPECT_GE(w.inkBox(kHighlight, row).right(), wipe - w.state.GlyphWidth);
  EXPECT_GE(w.inkBox(kNormal, row).left(), wipe);
}

TEST(LyricPaneTick, KaraokeWipeFollowsWordTimes) {
  PaneWorld w;
  w.settings.showPlus1 = true;
  w.loadSong();
  // "第一行" from 1000 to 2000: 第 is sung over 600 ms, 一 over 100, 行 over the last 300.
  w.model.LyricWords[2] = {{0, 0}, {1, 600}, {2, 700}};
  w.pane.WordAdjust(1001);
  const QFontMetrics metrics(testFont());
  const int left = (400 - 10 - metrics.horizontalAdvance(w.model.LyricText[2])) / 2 + 10;
  const double glyph = metrics.horizontalAdvance(QStringLiteral("第"));
  auto wipeEnd = [&](int posMs) {
    w.pane.Timer2_Timer(posMs, true, true);
    const int y = w.state.ScrollY - w.state.ProgressY + w.state.LineHeight;
    return w.inkBox(kHighlight, w.row(y)).right() + 1 - left;
  };
  // Halfway through the line's time an even wipe would stand past 一; here 第 is 5/6 sung.
  EXPECT_NEAR(wipeEnd(1500), glyph * 5 / 6, 2);
  EXPECT_NEAR(wipeEnd(1650), glyph * 1.5, 2);
  EXPECT_NEAR(wipeEnd(1950), glyph * (2 + 5.0 / 6), 2);
}

TEST(LyricPaneTick, EqualTimesHighlightTheWholeLine) {
  PaneWorld w;
  w.settings.showPlus1 = true;
  w.loadSong();
  w.pane.WordAdjust(2001);
  w.pane.Timer2_Timer(2500, true, true);
  w.pane.Timer2_Timer(3500, true, true);  // entries 4 and 5 both start at 3000
  ASSERT_EQ(w.state.NextLine, 6);
  const int y4 = w.state.ScrollY - w.state.ProgressY + 3 * w.state.LineHeight;
  ASSERT_GE(y4, w.state.HighlightTop);
  ASSERT_LT(y4, w.state.HighlightBottom);
  EXPECT_EQ(w.ink(w.row(y4)), only(kHighlight));
}

TEST(LyricPaneTick, FollowsForwardOnlyUntilWordAdjustAndEndsEmpty) {
  PaneWorld w;
  w.loadSong();
  w.pane.WordAdjust(0);
  int previous = w.state.NextLine;
  for (int pos = 0; pos <= 7000; pos += 250) {
    ASSERT_EQ(w.pane.Timer2_Timer(pos, true, true), Timer2Change::Keep);
    EXPECT_GE(w.state.NextLine, previous) << pos;
    EXPECT_GE(w.model.time(w.state.NextLine), pos) << pos;
    if (w.state.NextLine > 1) {
      EXPECT_LT(w.model.time(w.state.NextLine - 1), pos) << pos;
    }
    previous = w.state.NextLine;
  }

  // Seeking back: the tick keeps its place, WordAdjust puts the sung line in the band again.
  w.pane.Timer2_Timer(1200, true, true);
  EXPECT_EQ(w.state.NextLine, previous);
  w.pane.WordAdjust(1200);
  EXPECT_EQ(w.state.NextLine, 3);
  w.pane.Timer2_Timer(1300, true, true);
  const int y2 = w.state.ScrollY - w.state.ProgressY + w.state.LineHeight;
  EXPECT_GE(y2, w.state.HighlightTop);
  EXPECT_EQ(w.ink(w.row(y2)), only(kHighlight));

  // Past the song's end nothing is drawn.
  EXPECT_EQ(w.pane.Timer2_Timer(8001, true, true), Timer2Change::Keep);
  EXPECT_EQ(w.state.NextLine, w.model.LyricEnd);
  EXPECT_TRUE(w.ink().empty());
}

TEST(LyricPaneTick, StopsWhenStoppedHiddenOrInvisible) {
  PaneWorld w;
  w.loadSong();
  w.pane.DrawInfo(QStringLiteral("x"));
  const QImage before = w.surface.copy();
  EXPECT_EQ(w.pane.Timer2_Timer(1500, false, true), Timer2Change::Stop);
  EXPECT_EQ(w.pane.Timer2_Timer(1500, true, false), Timer2Change::Stop);
  EXPECT_EQ(w.surface, before);
  EXPECT_EQ(w.state.NextLine, 1);
}

TEST(LyricMenu, HideAndShow) {
  PaneWorld w;
  w.loadSong();
  EXPECT_EQ(w.pane.ShowHideCaption(), QStringLiteral("隐藏歌词(&D)"));
  w.pane.menuWs_Click(kMenuShowHide, 1500);
  EXPECT_EQ(w.pane.ShowHideCaption(), QStringLiteral("显示歌词(&D)"));
  EXPECT_EQ(w.model.LyricText[0], QStringLiteral("歌词已隐藏！"));
  EXPECT_EQ(w.pane.Timer2_Timer(1500, true, true), Timer2Change::Stop);
  EXPECT_EQ(w.ink(), only(kHighlight));

  LyricMenuOutcome shown = w.pane.menuWs_Click(kMenuShowHide, 2500);
  EXPECT_EQ(shown.timer, Timer2Change::Start);
  EXPECT_EQ(w.pane.ShowHideCaption(), QStringLiteral("隐藏歌词(&D)"));
  EXPECT_TRUE(w.model.LyricText[0].isEmpty());
  EXPECT_TRUE(w.ink().empty());
  EXPECT_EQ(w.state.NextLine, 4);  // resumes at the position

  w.pane.menuWs_Click(kMenuShowHide, 0);
  w.player.LyricLoaded = false;
  EXPECT_EQ(w.pane.menuWs_Click(kMenuShowHide, 0).timer, Timer2Change::Stop);
}

TEST(LyricMenu, CopyLyricsTakesEveryEntryTrimmed) {
  PaneWorld w;
  w.loadSong();
  w.model.LyricText[2] = QStringLiteral("  第一行  ");
  const LyricMenuOutcome copied = w.pane.menuWs_Click(kMenuCopy, 0);
  ASSERT_TRUE(copied.clipboard);
  EXPECT_EQ(*copied.clipboard,
            QStringLiteral("歌手 - 歌名\r\n第一行\r\n第二行\r\n第三行\r\n第四行\r\n第五行\r\n"
                           "Lyrovo - End\r\n"));
}

TEST(LyricMenu, LayoutAndFullScreenIntervals) {
  PaneWorld w;
  w.loadSong();
  EXPECT_EQ(LyricTimerInterval(IntervalSituation::StartUp, 1, false), 50);
  EXPECT_EQ(LyricTimerInterval(IntervalSituation::StartUp, 2, false), 20);

  EXPECT_EQ(w.pane.menuW_Opening(true, QStringLiteral("lyrovo")).layoutCaption, QStringLiteral("水平滚动"));
  EXPECT_EQ(w.pane.Showtypes_Click(1).timerInterval, 20);
  EXPECT_EQ(w.settings.showType, 2);
  EXPECT_EQ(w.pane.menuW_Opening(true, QStringLiteral("lyrovo")).layoutCaption, QStringLiteral("垂直滚动"));

  const int lineHeight = w.state.LineHeight;
  LyricMenuOutcome on = w.pane.menuWs_Click(kMenuFullScreen, 0);
  EXPECT_EQ(on.request, LyricMenuRequest::EnterFullScreen);
  EXPECT_EQ(on.timerInterval, 5);
  EXPECT_EQ(w.state.Font.pointSize(), 35);
  EXPECT_GT(w.state.LineHeight, lineHeight);
  EXPECT_EQ(w.model.width(2), QFontMetrics(testFont(35)).horizontalAdvance(w.model.LyricText[2]));
  const LyricMenuLook look = w.pane.menuW_Opening(true, QStringLiteral("lyrovo"));
  EXPECT_FALSE(look.copyEnabled || look.showHideEnabled || look.coverEnabled || look.separator12Enabled);
  EXPECT_EQ(w.pane.Showtypes_Click(1).timerInterval, 20);  // vertical while full screen
  EXPECT_EQ(w.pane.Showtypes_Click(1).timerInterval, 10);  // horizontal while full screen
  w.pane.Showtypes_Click(1);

  LyricMenuOutcome off = w.pane.menuWs_Click(kMenuFullScreen, 0);
  EXPECT_EQ(off.request, LyricMenuRequest::LeaveFullScreen);
  EXPECT_EQ(off.timerInterval, 50);
  EXPECT_EQ(w.state.Font.pointSize(), 12);
  EXPECT_EQ(w.state.LineHeight, lineHeight);
  EXPECT_EQ(w.pane.menuWs_Click(kMenuFullScreen, 0).timerInterval, 20);  // vertical, entering
}

TEST(LyricMenu, ChecksAndEnabledItems) {
  PaneWorld w;
  w.pane.Showtypes_Click(3);
  w.pane.Showtypes_Click(4);
  EXPECT_TRUE(w.settings.showPlus1 && w.settings.showPlus2);
  w.pane.DrawInfo(QStringLiteral("lyrovo 正在启动"));
  LyricMenuLook look = w.pane.menuW_Opening(false, QStringLiteral("lyrovo"));
  EXPECT_FALSE(look.searchEnabled);
  EXPECT_FALSE(look.copyEnabled);
  EXPECT_FALSE(look.showHideEnabled);
  EXPECT_TRUE(look.karaokeChecked && look.fadeChecked && look.simplifiedChecked);
  EXPECT_EQ(w.pane.menuWs_Click(kMenuCoverPlaylist, 0).request, LyricMenuRequest::CoverPlaylist);
  EXPECT_TRUE(w.pane.menuW_Opening(true, QStringLiteral("lyrovo")).coverChecked);
}

// The scrolling lyric drawn from rendered lines must look exactly as drawing
// each text directly does, in both layouts, with and without the karaoke wipe,
// with anti-aliased glyphs, across a change of font and of colours; and what
// a tick reports as changed must hold every pixel that changed.
struct CachedAndDirect {
  PaneWorld cached, direct;
  explicit CachedAndDirect(int showType, bool karaoke) {
    direct.state.Frame.cacheLines = false;
    for (PaneWorld* w : {&cached, &direct}) {
      w->settings.showType = std::int16_t(showType);
      w->settings.showPlus1 = karaoke;
      w->settings.showPlus2 = true;
      QFont font(QStringLiteral("WenQuanYi Micro Hei"));
      font.setPointSize(14);
      w->state.Font = font;
      w->pane.MeasureFont();
      w->loadSong();
    }
  }
  // One tick of both; the first pixel where they differ, or an empty text.
  std::string tick(int posMs) {
    const QImage before = cached.surface.copy();
    cached.pane.Timer2_Timer(posMs, true, true);
    direct.pane.Timer2_Timer(posMs, true, true);
    const QRect changed = cached.pane.ChangedRect();
    for (int y = 0; y < cached.surface.height(); ++y)
      for (int x = 0; x < cached.surface.width(); ++x) {
        if (cached.surface.pixel(x, y) != direct.surface.pixel(x, y))
          return QStringLiteral("at %1 ms pixel %2,%3 differs").arg(posMs).arg(x).arg(y).toStdString();
        if (cached.surface.pixel(x, y) != before.pixel(x, y) && !changed.contains(x, y))
          return QStringLiteral("at %1 ms pixel %2,%3 changed outside the reported area")
              .arg(posMs)
              .arg(x)
              .arg(y)
              .toStdString();
      }
    return {};
  }
  void both(const std::function<void(PaneWorld&)>& change) {
    change(cached);
    change(direct);
  }
};

TEST(LyricPaneCache, FramesLookExactlyAsDrawnDirectly) {
  for (const int showType : {1, 2})
    for (const bool karaoke : {false, true}) {
      SCOPED_TRACE(testing::Message() << "layout " << showType << " karaoke " << karaoke);
      CachedAndDirect panes(showType, karaoke);
      for (int ms = 0; ms < 7500; ms += 23) {
        if (ms == 2990) {  // a larger font and other colours half-way
          panes.both([](PaneWorld& w) {
            w.state.Font.setPointSize(18);
            w.pane.RecomputeGeometry(2990);
          });
        }
        if (ms == 4991) {
          panes.both([](PaneWorld& w) {
            w.skin.word_colB = 0x00402010;
            w.skin.word_colQ = 0x00F0F0F0;
            w.pane.ApplySkinColours();
          });
        }
        ASSERT_EQ(panes.tick(ms), "");
      }
      EXPECT_LE(panes.cached.state.Frame.cache.size(), LyricLineCache::kMaxEntries + 8);
    }
}

TEST(LyricPaneCache, AnUnchangedFrameIsNotDrawnAgainUnlessTheSurfaceWasTouched) {
  PaneWorld w;
  w.settings.showType = 1;
  w.loadSong();
  w.pane.Timer2_Timer(1500, true, true);
  EXPECT_FALSE(w.pane.ChangedRect().isEmpty());
  const QImage frame = w.surface.copy();
  w.pane.Timer2_Timer(1501, true, true);  // less than a pixel further
  EXPECT_TRUE(w.pane.ChangedRect().isEmpty());

  // Someone else drew on the pane: the next tick puts the whole frame back.
  w.pane.Clear();
  w.pane.Timer2_Timer(1501, true, true);
  EXPECT_EQ(w.pane.ChangedRect(), w.surface.rect());
  EXPECT_EQ(w.surface, frame);

  // A new lyric drops the lines of the old one.
  EXPECT_GT(w.state.Frame.cache.size(), 0);
  w.pane.ResetScroll();
  EXPECT_EQ(w.state.Frame.cache.size(), 0);
}

}  // namespace
}  // namespace lyrovo
