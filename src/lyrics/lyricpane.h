#pragma once

#include "base/errorlog.h"
#include "base/playerstate.h"
#include "lyrics/lyriclinecache.h"
#include "lyrics/lyricmodel.h"
#include "settings/settings.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

class QPainter;

namespace lyrovo {

// ---------------------------------------------------------------- colours

// Colours are 0x00BBGGRR integers (red in the low byte), as the skin stores them.
struct ColourParts {
  int red = 0;
  int green = 0;
  int blue = 0;
  bool operator==(const ColourParts&) const = default;
};

// Splits a colour into red, green and blue.
ColourParts SplitColour(std::int32_t colour);

// The colour a fraction f of the way from a to b: each of red, green and
// blue is a + (b - a) * f rounded half to even, kept within 0..255 (so a
// fraction outside 0..1 saturates instead of spilling into the next part).
std::int32_t BlendColour(std::int32_t a, std::int32_t b, double f);

// The colour as Qt draws it.

// ---------------------------------------------------------------- pane state

// A rectangle as the text drawing takes it: right and bottom are exclusive.
struct PaneRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
};

// Everything the lyric pane keeps between ticks. One copy, owned by the
// application context. Coordinates are pixels of the pane, origin top left.
struct LyricPaneState {
  int PaneWidth = 0;
  int PaneHeight = 0;
  int InfoTop = 0;          // top of a single centred text line
  int LineHeight = 0;       // distance between lines: 1.25 x the reference glyph's height, rounded down
  int GlyphWidth = 0;       // width of the reference glyph "你"
  int FadeBand = 0;         // height of the fades at the top and bottom edges
  int HighlightBottom = 0;  // the sung line's band: HighlightTop <= y < HighlightBottom
  int HighlightTop = 0;
  std::int32_t PosMs = 0;     // playing position in milliseconds
  std::int16_t NextLine = 1;  // first entry whose time has not been reached
  int ScrollY = 0;            // y of entry 1 in vertical layout, before progress
  int ScrollX = 0;            // x of entry 1 in horizontal layout, before progress
  int ProgressY = 0;          // how far the sung line has moved toward the next one
  int ProgressX = 0;
  PaneRect DrawRect;                               // the rectangle of the last text drawn
  std::array<std::int32_t, 21> FadeColours{};      // normal text colour to background, in 20 steps
  std::array<std::int32_t, 6> HighlightColours{};  // highlight colour to normal text colour, in 5 steps

  QFont Font;                  // the pane's font; the window sets it from the skin's lyric font
  bool Hidden = false;         // the lyric menu's show/hide item reads "显示歌词(&D)"
  bool CoverPlaylist = false;  // check mark of "覆盖窗体(&F)"
  bool FullScreen = false;     // check mark of "全屏显示(&A)"
  double SavedFontSize = 0;    // font size in points before full screen
  LyricFrame Frame;            // the scrolling lyric's last frame and its rendered lines
};

// ---------------------------------------------------------------- menu texts and timer

inline const QString kHiddenInfo = QStringLiteral("歌词已隐藏！");
inline const QString kHideLyricsCaption = QStringLiteral("隐藏歌词(&D)");
inline const QString kShowLyricsCaption = QStringLiteral("显示歌词(&D)");
inline const QString kHorizontalCaption = QStringLiteral("水平滚动");
inline const QString kVerticalCaption = QStringLiteral("垂直滚动");

// Captions of the lyric menu: [0] is the menu's own caption, [1..13] its
// items ("-" is a separator; 4 starts as shown, 6 and 7 are submenus).
inline const std::array<QString, 14> kLyricMenuCaptions{QStringLiteral("歌词菜单"),
                                                        QStringLiteral("搜索歌词(&S)..."),
                                                        QStringLiteral("-"),
                                                        QStringLiteral("复制歌词(&C)"),
                                                        kHideLyricsCaption,
                                                        QStringLiteral("-"),
                                                        QStringLiteral("显示方式"),
                                                        QStringLiteral("繁简转换"),
                                                        QStringLiteral("-"),
                                                        QStringLiteral("检查联网(&N)"),
                                                        QStringLiteral("覆盖窗体(&F)"),
                                                        QStringLiteral("全屏显示(&A)"),
                                                        QStringLiteral("-"),
                                                        QStringLiteral("选项(&O)...")};
// The layout submenu: [1] is the layout caption (set when the menu opens).
inline const std::array<QString, 5> kShowtypeCaptions{QString(), kHorizontalCaption, QStringLiteral("-"),
                                                      QStringLiteral("卡拉OK"), QStringLiteral("淡入淡出")};
// The script submenu.
inline const std::array<QString, 3> kTextchangeCaptions{QString(), QStringLiteral("繁体 -> 简体"),
                                                        QStringLiteral("简体 -> 繁体")};

// Lyric menu items the window acts on by index.
enum LyricMenuItem {
  kMenuSearch = 1,
  kMenuCopy = 3,
  kMenuShowHide = 4,
  kMenuShowtypes = 6,
  kMenuTextchanges = 7,
  kMenuCheckConnection = 9,
  kMenuCoverPlaylist = 10,
  kMenuFullScreen = 11,
  kMenuSeparator12 = 12,
  kMenuOptions = 13,
};

// When the lyric timer's interval is set.
enum class IntervalSituation { StartUp, LayoutSwitched, EnteringFullScreen, LeavingFullScreen };

// The lyric timer's interval in milliseconds for a layout (showType 1 =
// vertical, anything else horizontal) in a situation; fullScreen matters
// only when the layout is switched.
int LyricTimerInterval(IntervalSituation situation, int showType, bool fullScreen);

// What the window does with the lyric timer after a call.
enum class Timer2Change { Keep, Start, Stop };

// Window-level work a lyric menu click asks for.
enum class LyricMenuRequest {
  None,
  OpenSearch,       // close the lyric search window if open, then open it without blocking
  CheckConnection,  // run the connection check
  CoverPlaylist,    // playlist visible exactly when !CoverPlaylist; run the resize handler twice
  EnterFullScreen,  // topmost unless already on top (then OnTop = true); maximise unless maximised
  LeaveFullScreen,  // unless the stay-on-top item is checked: not topmost, OnTop = false;
                    // restore the window; run the resize handler twice
  OpenOptions,      // close and reopen the options window, modal, on its lyric page
};

struct LyricMenuOutcome {
  LyricMenuRequest request = LyricMenuRequest::None;
  Timer2Change timer = Timer2Change::Keep;
  int timerInterval = 0;             // new lyric timer interval in ms; 0 leaves it
  std::optional<QString> clipboard;  // clear the clipboard and put this text on it
};

// How the lyric menu and its submenus look when they open.
struct LyricMenuLook {
  bool searchEnabled = true;        // item 1
  bool copyEnabled = false;         // item 3
  bool showHideEnabled = false;     // item 4
  QString showHideCaption;          // item 4
  bool coverEnabled = true;         // item 10 (enable again when the menu closes)
  bool coverChecked = false;        // item 10
  bool fullScreenChecked = false;   // item 11
  bool separator12Enabled = true;   // item 12 (enable again when the menu closes)
  QString layoutCaption;            // Showtypes item 1
  bool karaokeChecked = false;      // Showtypes item 3
  bool fadeChecked = false;         // Showtypes item 4
  bool simplifiedChecked = false;   // Textchanges item 1
  bool traditionalChecked = false;  // Textchanges item 2
};

// ---------------------------------------------------------------- the pane

// Playing position in ms from a byte position: rounded half to even, kept within 32 bits.
std::int32_t PositionMs(std::int64_t posByte, double msPerByte);

// Clears a picture box and draws text as one centred line in foreground
// (the artist photo pane's status texts).
void DrawPhotoInfo(QImage& box, const QFont& font, QColor foreground, QColor background, const QString& text);

// The lyric pane: draws the loaded lyric on the surface the window shows,
// moving with playback, and the one-line status texts. It keeps no state of
// its own: everything lives in the structures it is given. After a call that
// draws, the window repaints the pane.
class LyricPane {
 public:
  LyricPane(LyricPaneState& state, LyricModel& model, Settings& settings, const SkinSettings& skin,
            const PlayerState& player, QImage& surface, const ErrorLog* log = nullptr);

  // Rebuilds the fade tables from the skin's lyric colours.
  void ApplySkinColours();

  // Measures LineHeight and GlyphWidth from the reference glyph in the pane font.
  void MeasureFont();
  // The pane was resized: size, InfoTop, WordAdjust, then the stored status is redrawn.
  void Resize(int width, int height, std::int32_t posMs);
  // After a font change: every entry's width, the pane size and the font
  // measures, WordAdjust, then the stored status is redrawn. The pane size
  // is the surface's.
  void RecomputeGeometry(std::int32_t posMs);
  // A new lyric is about to load: scroll bases to the pane's middle, no progress, NextLine 1.
  void ResetScroll();

  // One tick of the lyric timer. Returns Stop when the window must disable
  // the timer (lyrics hidden, playback stopped or the window hidden).
  // ChangedRect() then says what the window must repaint.
  Timer2Change Timer2_Timer(std::int32_t posMs, bool playing, bool windowVisible);
  // The part of the surface the last tick changed (empty when the frame was the same).
  QRect ChangedRect() const { return state_.Frame.changed; }
  // Recomputes the bands and the scroll state from the position.
  void WordAdjust(std::int32_t posMs);
  // Draws entry k with text at pos (a y in vertical layout, an x in horizontal).
  void DrawWord(const QString& text, double pos, int k);
  // Clears the pane and draws text centred in the highlight colour; remembers it in LyricText[0].
  void DrawInfo(const QString& text);
  void Clear();
  // Width in pixels of text in the pane font, as the pane draws it (the loader measures with it).
  int TextWidth(const QString& text) const;

  // The text "复制歌词(&C)" puts on the clipboard.
  QString CopyLyricsText() const;
  QString ShowHideCaption() const { return state_.Hidden ? kShowLyricsCaption : kHideLyricsCaption; }
  // How the lyric menu looks as it opens. executableName is the program's
  // file name; a status text containing it disables the search item.
  LyricMenuLook menuW_Opening(bool timer2Enabled, const QString& executableName) const;
  // A click on lyric menu item index (1..13).
  LyricMenuOutcome menuWs_Click(int index, std::int32_t posMs);
  // A click on layout submenu item index (1, 3 or 4).
  LyricMenuOutcome Showtypes_Click(int index);

 private:
  template <typename Body>
  void trap(const QString& name, Body&& body);
  void storedStatusRedraw();
  // With a null painter the texts go into the frame being built instead of onto the surface.
  void drawWord(QPainter* painter, const QString& text, double pos, int k);
  void drawVertical(QPainter* painter, const QString& text, double y, int k);
  void drawHorizontal(QPainter* painter, const QString& text, double x, int k);
  void drawText(QPainter* painter, const QString& text, std::int32_t colour, bool centred, bool clipped,
                std::int32_t underColour = -1);
  // Puts the frame built by a tick on the surface, unless it is the one already there.
  void presentFrame();
  std::int32_t timeOf(int k) const;
  int widthOf(int k) const;
  int widthsBefore(int k) const;  // widths of entries 1..k-1
  // The width of entry k sung at PosMs, of its full width: with word times,
  // the words sung so far and the sung share of the current word; without,
  // an even share of the line's time span (which must not be 0).
  double sungWidth(int k, double width) const;
  void setFullScreen(bool on, LyricMenuOutcome& outcome);

  LyricPaneState& state_;
  LyricModel& model_;
  Settings& settings_;
  const SkinSettings& skin_;
  const PlayerState& player_;
  QImage& surface_;
  const ErrorLog* log_;
  // The last text measured: the sung line is measured on every frame, and
  // shaping it again each time took about 8 % of the player's time.
  struct Measured {
    QFont font;
    QString text;
    int width = 0;
  };
  mutable Measured measured_;
};

}  // namespace lyrovo
