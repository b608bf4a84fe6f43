#include "lyrics/lyricpane.h"

#include "settings/settings.h"
#include "text/numeric.h"

#include <QFontMetrics>
#include <QPainter>
#include <QRect>

#include <algorithm>
#include <cmath>
#include <limits>

namespace lyrovo {

namespace {

const QString kReferenceGlyph = QStringLiteral("你");
const QString kTwoSpaces = QStringLiteral("  ");
constexpr int kDivisionByZero = 11;
constexpr int kInfoLeft = 10;  // left margin of centred lines

AppError divisionByZero() { return AppError(kDivisionByZero, QStringLiteral("Division by zero")); }

// An entry of a colour table; an index outside the table is an error that
// ends the drawing of the line.
template <std::size_t N>
std::int32_t tableEntry(const std::array<std::int32_t, N>& table, double index) {
  const double i = nearest(index);
  if (!(i >= 0 && i < double(N)))
    throw AppError(errors::SubscriptOutOfRange, QStringLiteral("Subscript out of range"));
  return table[std::size_t(i)];
}

// The text without leading and trailing space characters (other blanks stay).
QString trimSpaces(const QString& text) {
  qsizetype first = 0, last = text.size();
  while (first < last && text[first] == u' ') ++first;
  while (last > first && text[last - 1] == u' ') --last;
  return text.mid(first, last - first);
}

int textFlags(bool centred, bool clipped) {
  const int flags = Qt::TextSingleLine | Qt::AlignTop | (centred ? Qt::AlignHCenter : Qt::AlignLeft);
  return clipped ? flags : flags | Qt::TextDontClip;
}

std::int16_t clampToInt16(int value) {
  return std::int16_t(std::clamp(value, int(std::numeric_limits<std::int16_t>::min()),
                                 int(std::numeric_limits<std::int16_t>::max())));
}

}  // namespace

// ---------------------------------------------------------------- colours

ColourParts SplitColour(std::int32_t colour) {
  return {colour % 256, (colour & 0xFF00) / 256, (colour & 0xFF0000) / 65536};
}

std::int32_t BlendColour(std::int32_t a, std::int32_t b, double f) {
  const ColourParts from = SplitColour(a);
  const ColourParts to = SplitColour(b);
  const auto mix = [f](int x, int y) { return int(std::clamp(nearest(x + (y - x) * f), 0.0, 255.0)); };
  return mix(from.red, to.red) + mix(from.green, to.green) * 256 + mix(from.blue, to.blue) * 65536;
}

// ---------------------------------------------------------------- free helpers

int LyricTimerInterval(IntervalSituation situation, int showType, bool fullScreen) {
  const bool vertical = showType == 1;
  switch (situation) {
    case IntervalSituation::LayoutSwitched:
      if (fullScreen) return vertical ? 20 : 10;
      return vertical ? 50 : 20;
    case IntervalSituation::EnteringFullScreen:
      return vertical ? 20 : 5;
    case IntervalSituation::StartUp:
    case IntervalSituation::LeavingFullScreen:
      break;
  }
  return vertical ? 50 : 20;
}

std::int32_t PositionMs(std::int64_t posByte, double msPerByte) {
  const double ms = nearest(double(posByte) * msPerByte);
  if (!std::isfinite(ms)) return 0;
  return std::int32_t(std::clamp(ms, double(std::numeric_limits<std::int32_t>::min()),
                                 double(std::numeric_limits<std::int32_t>::max())));
}

void DrawPhotoInfo(QImage& box, const QFont& font, QColor foreground, QColor background,
                   const QString& text) {
  if (box.isNull()) return;
  box.fill(background);
  QPainter painter(&box);
  painter.setFont(font);
  painter.setPen(foreground);
  const int glyphHeight = QFontMetrics(font).height();
  const int top = int(nearest(box.height() / 2.0 - glyphHeight / 2.0));
  painter.drawText(QRect(0, top, box.width(), glyphHeight),
                   Qt::TextSingleLine | Qt::AlignTop | Qt::AlignHCenter | Qt::TextDontClip, text);
}

// ---------------------------------------------------------------- the pane

LyricPane::LyricPane(LyricPaneState& state, LyricModel& model, Settings& settings, const SkinSettings& skin,
                     const PlayerState& player, QImage& surface, const ErrorLog* log)
    : state_(state),
      model_(model),
      settings_(settings),
      skin_(skin),
      player_(player),
      surface_(surface),
      log_(log) {}

// Runs body as an error-trapped procedure: an error ends it and goes to the
// error log under the procedure's name.
template <typename Body>
void LyricPane::trap(const QString& name, Body&& body) {
  if (log_) {
    log_->trap(name, body);
    return;
  }
  try {
    body();
  } catch (...) {
  }
}

std::int32_t LyricPane::timeOf(int k) const {
  return k >= 1 && k <= LyricModel::kEntries ? model_.time(k) : LyricModel::kFreeTime;
}

int LyricPane::widthOf(int k) const { return k >= 1 && k <= LyricModel::kEntries ? model_.width(k) : 0; }

double LyricPane::sungWidth(int k, double width) const {
  const double start = timeOf(k);
  const double span = double(timeOf(k + 1)) - start;
  const double elapsed = double(state_.PosMs) - start;
  if (k < 1 || k > LyricModel::kEntries || model_.LyricWords[k].empty()) return elapsed * width / span;
  // The word being sung: the last one whose time has come.
  const std::vector<LyricWord>& words = model_.LyricWords[k];
  if (elapsed < words.front().offsetMs) return 0;
  std::size_t i = 0;
  while (i + 1 < words.size() && words[i + 1].offsetMs <= elapsed) ++i;
  const QString& text = model_.LyricText[k];
  qsizetype textEnd = text.size();
  while (textEnd > 0 && text[textEnd - 1] == u' ') --textEnd;
  const bool last = i + 1 == words.size();
  const double from = TextWidth(text.left(words[i].start));
  const double to = TextWidth(text.left(last ? textEnd : words[i + 1].start));
  const double wordStart = words[i].offsetMs;
  const double wordEnd = last ? span : words[i + 1].offsetMs;
  const double sung =
      wordEnd > wordStart ? std::clamp((elapsed - wordStart) / (wordEnd - wordStart), 0.0, 1.0) : 1.0;
  return from + sung * (to - from);
}

int LyricPane::widthsBefore(int k) const {
  int sum = 0;
  for (int i = 1; i < k; ++i) sum += widthOf(i);
  return sum;
}

void LyricPane::ApplySkinColours() {
  for (int i = 0; i <= 20; ++i)
    state_.FadeColours[i] = BlendColour(skin_.word_colQ, skin_.word_colB, i / 20.0);
  for (int j = 0; j <= 5; ++j)
    state_.HighlightColours[j] = BlendColour(skin_.word_colBR, skin_.word_colQ, j / 5.0);
}

// ---------------------------------------------------------------- geometry

void LyricPane::MeasureFont() {
  const QFontMetrics metrics(state_.Font);
  // The line height is the glyph height in twips (15 per pixel) divided by 12.
  state_.LineHeight = metrics.height() * 15 / 12;
  state_.GlyphWidth = metrics.horizontalAdvance(kReferenceGlyph);
}

void LyricPane::Resize(int width, int height, std::int32_t posMs) {
  const QSize size(std::max(width, 1), std::max(height, 1));
  if (surface_.size() != size) {
    surface_ = QImage(size, QImage::Format_RGB32);
    Clear();
  }
  state_.Frame.cache.clear();
  state_.PaneWidth = width;
  state_.PaneHeight = height;
  state_.InfoTop = (height - QFontMetrics(state_.Font).height()) / 2;
  WordAdjust(posMs);
  storedStatusRedraw();
}

void LyricPane::RecomputeGeometry(std::int32_t posMs) {
  const QFontMetrics metrics(state_.Font);
  state_.Frame.cache.clear();
  // The texts already end in the two blanks the loader appended, so each is
  // measured as stored: the widths are those a fresh load in this font gives.
  for (int k = 1; k < model_.LyricEnd && k <= LyricModel::kEntries; ++k)
    model_.LyricWidth[k - 1] = clampToInt16(metrics.horizontalAdvance(model_.LyricText[k]));
  state_.PaneWidth = surface_.isNull() ? 0 : surface_.width();
  state_.PaneHeight = surface_.isNull() ? 0 : surface_.height();
  state_.InfoTop = (state_.PaneHeight - metrics.height()) / 2;
  MeasureFont();
  WordAdjust(posMs);
  storedStatusRedraw();
}

// With no lyric running (none loaded, or hidden) the pane shows the last status text again.
void LyricPane::storedStatusRedraw() {
  if (!player_.LyricLoaded || state_.Hidden) DrawInfo(model_.LyricText[0]);
}

void LyricPane::ResetScroll() {
  state_.Frame.cache.clear();  // a new lyric: the old lines will not come back
  state_.NextLine = 1;
  state_.ScrollX = int(nearest(state_.PaneWidth / 2.0));
  state_.ScrollY = int(nearest(state_.PaneHeight / 2.0));
  state_.ProgressX = 0;
  state_.ProgressY = 0;
}

// ---------------------------------------------------------------- tick

Timer2Change LyricPane::Timer2_Timer(std::int32_t posMs, bool playing, bool windowVisible) {
  Timer2Change result = Timer2Change::Keep;
  LyricFrame& frame = state_.Frame;
  frame.changed = surface_.rect();
  frame.ops.clear();
  trap(QStringLiteral("Timer2_Timer"), [&] {
    if (state_.Hidden || !playing || !windowVisible) {
      if (state_.Hidden) DrawInfo(kHiddenInfo);
      result = Timer2Change::Stop;
      return;
    }
    const int old = state_.NextLine;
    state_.PosMs = posMs;
    const int end = model_.LyricEnd;

    // Only forward: a backward seek waits for WordAdjust.
    while (timeOf(state_.NextLine) < posMs) {
      if (state_.NextLine >= end) return;
      ++state_.NextLine;
    }
    const int next = state_.NextLine;
    if (next >= end) return;  // past the song's end: the pane stays empty

    const int lineHeight = state_.LineHeight;
    if (next > old) state_.ScrollY = toInt32(state_.PaneHeight / 2.0 - double(old - 1) * lineHeight);
    const double span = next > 1 ? double(timeOf(next)) - timeOf(next - 1) : 0;
    if (next > 1) {
      if (span == 0) throw divisionByZero();
      state_.ProgressY = toInt32((double(posMs) - timeOf(next - 1)) * lineHeight / span);
    } else if (timeOf(1) > 0) {
      state_.ProgressY = toInt32(double(lineHeight) * posMs / timeOf(1));
    }
    const double y0 = double(state_.ScrollY) - state_.ProgressY;

    if (next > old && next > 2) {
      state_.ScrollX -= widthOf(next - 2);
      // Every third line the base is rebuilt from the widths so rounding does not add up.
      if (old % 3 == 0) state_.ScrollX = toInt32(state_.PaneWidth / 2.0) - widthsBefore(old);
    }
    if (next > 1) state_.ProgressX = toInt32(sungWidth(next - 1, widthOf(next - 1)));
    const double x0 = double(state_.ScrollX) - state_.ProgressX;

    if (surface_.isNull()) return;
    if (settings_.showType == 1) {
      // Four lines up to and including the sung one, three after it.
      const int first = std::max(1, next - 4);
      const int last = next + 2 >= end - 1 ? end - 2 : next + 2;
      double y = (first - 1) * double(lineHeight) + y0;
      for (int k = first; k <= last; ++k) {
        drawWord(nullptr, model_.LyricText[k], y, k);
        y += lineHeight;
      }
    } else {
      const int first = std::max(1, next - 3);
      double x = x0 + widthsBefore(first);
      for (int k = first; k <= next + 1 && k < end - 1; ++k) {
        drawWord(nullptr, model_.LyricText[k] + kTwoSpaces, x, k);
        x += widthOf(k);
      }
    }
  });
  if (result != Timer2Change::Stop) presentFrame();
  return result;
}

void LyricPane::presentFrame() {
  LyricFrame& frame = state_.Frame;
  if (surface_.isNull()) {
    frame.changed = QRect();
    return;
  }
  const QColor background = QColorFromBgr(skin_.word_colB);
  const bool untouched = surface_.cacheKey() == frame.surfaceKey && background.rgb() == frame.background;
  if (untouched && frame.ops == frame.shown) {
    frame.changed = QRect();
    return;
  }
  QPainter painter(&surface_);
  painter.setFont(state_.Font);
  // The rest of an untouched surface is background already.
  painter.fillRect(untouched ? frame.shownBounds : surface_.rect(), background);
  QRect bounds;
  for (const LyricTextOp& op : frame.ops) {
    if (frame.cacheLines) {
      bounds |= frame.cache.draw(painter, background, op);
    } else {
      painter.setPen(QColorFromBgr(op.colour));
      painter.drawText(op.rect, textFlags(op.centred, op.clipped), op.text);
      bounds = surface_.rect();
    }
  }
  painter.end();
  frame.cache.endFrame();
  frame.changed = untouched ? bounds | frame.shownBounds : surface_.rect();
  frame.shown = std::move(frame.ops);
  frame.ops.clear();
  frame.shownBounds = bounds;
  frame.surfaceKey = surface_.cacheKey();
  frame.background = background.rgb();
}

void LyricPane::WordAdjust(std::int32_t posMs) {
  trap(QStringLiteral("WordAdjust"), [&] {
    state_.FadeBand = toInt32(state_.PaneHeight / 8.0);
    state_.HighlightBottom = toInt32(state_.PaneHeight / 2.0);
    state_.HighlightTop = state_.HighlightBottom - state_.LineHeight;
    state_.PosMs = posMs;
    int k = 1;
    while (k <= LyricModel::kEntries && timeOf(k) < posMs && k < model_.LyricEnd) ++k;
    state_.NextLine = std::int16_t(k);
    state_.ScrollX = toInt32(state_.PaneWidth / 2.0) - widthsBefore(k - 1);
    state_.ScrollY = toInt32(state_.PaneHeight / 2.0) - (k - 2) * state_.LineHeight;
  });
}

// ---------------------------------------------------------------- drawing

int LyricPane::TextWidth(const QString& text) const {
  if (measured_.text != text || measured_.font != state_.Font)
    measured_ = {state_.Font, text, QFontMetrics(state_.Font).horizontalAdvance(text)};
  return measured_.width;
}

void LyricPane::Clear() {
  if (!surface_.isNull()) surface_.fill(QColorFromBgr(skin_.word_colB));
}

void LyricPane::DrawWord(const QString& text, double pos, int k) {
  if (surface_.isNull()) return;
  QPainter painter(&surface_);
  painter.setFont(state_.Font);
  drawWord(&painter, text, pos, k);
}

void LyricPane::drawWord(QPainter* painter, const QString& text, double pos, int k) {
  trap(QStringLiteral("DrawWord"), [&] {
    if (settings_.showType == 1)
      drawVertical(painter, text, pos, k);
    else
      drawHorizontal(painter, text, pos, k);
  });
}

void LyricPane::drawVertical(QPainter* painter, const QString& text, double y, int k) {
  const double paneHeight = state_.PaneHeight;
  const double lineHeight = state_.LineHeight;
  if (!(y > 0 && y < paneHeight - lineHeight)) return;
  const double fadeBand = state_.FadeBand;
  const double top = state_.HighlightTop;
  const double bottom = state_.HighlightBottom;
  const bool karaoke = settings_.showPlus1;
  const bool fade = settings_.showPlus2;
  const double bottomFade = paneHeight - fadeBand - lineHeight;

  bool sung = false;
  std::int32_t colour = skin_.word_colQ;
  if (y <= fadeBand) {
    colour = tableEntry(state_.FadeColours, (fadeBand - y) / fadeBand * 20);
  } else if (top <= y && y < bottom) {
    sung = true;
    colour = skin_.word_colBR;
  } else if (fade && top - lineHeight / 5 <= y && y < top) {
    colour = tableEntry(state_.HighlightColours, (top - y) / lineHeight * 25);
  } else if (fade && !karaoke && bottom <= y && y < bottom + lineHeight / 8) {
    colour = tableEntry(state_.HighlightColours, (y - bottom) / lineHeight * 40);
  } else if (bottomFade <= y && y < paneHeight - lineHeight) {
    colour = tableEntry(state_.FadeColours, (y - bottomFade) / fadeBand * 20);
  }

  const int rowTop = toInt32(y);
  const int rowBottom = rowTop + state_.LineHeight;
  if (karaoke && sung) {
    // The whole line in the normal colour where the centred text would
    // stand, then the part sung so far over it in the highlight colour.
    const int width = TextWidth(text);
    const int left = toInt32(double(state_.PaneWidth - kInfoLeft - width)) / 2 + kInfoLeft;
    state_.DrawRect = {left, rowTop, state_.PaneWidth, rowBottom};
    drawText(painter, text, skin_.word_colQ, false, true);
    const std::int32_t start = timeOf(k), end = timeOf(k + 1);
    if (start != end) state_.DrawRect.Right = toInt32(sungWidth(k, widthOf(k)) + left);
    drawText(painter, text, skin_.word_colBR, false, true, skin_.word_colQ);
  } else {
    state_.DrawRect = {kInfoLeft, rowTop, state_.PaneWidth, rowBottom};
    drawText(painter, text, colour, true, false);
  }
}

void LyricPane::drawHorizontal(QPainter* painter, const QString& text, double x, int k) {
  const double width = widthOf(k);
  const double paneWidth = state_.PaneWidth;
  const double centre = paneWidth / 2;
  const double glyph = state_.GlyphWidth;
  const double edge = 5 * glyph;
  const double right = x + width;
  if (!(right > 0 && x < paneWidth)) return;

  bool sung = false;
  std::int32_t colour = skin_.word_colQ;
  // A line that has just left the centre fades from the highlight colour;
  // the step is negative for a line that has not reached the centre yet,
  // and such a line takes the colours below like any other.
  const double leftCentreStep = nearest((centre - right) / 2 / glyph * 5);
  if (x < centre && right > centre) {
    sung = true;
    colour = skin_.word_colBR;
  } else if (settings_.showPlus2 && centre - glyph < right && right < centre + glyph && leftCentreStep >= 0 &&
             leftCentreStep <= 5) {
    colour = tableEntry(state_.HighlightColours, leftCentreStep);
  } else if (0 < right && right < edge) {
    colour = tableEntry(state_.FadeColours, (edge - right) / edge * 20);
  } else if (paneWidth - edge < x && x < paneWidth) {
    colour = tableEntry(state_.FadeColours, (x - paneWidth + edge) / edge * 20);
  }

  state_.DrawRect = {toInt32(x), state_.InfoTop, state_.PaneWidth, state_.InfoTop + state_.LineHeight};
  if (sung && settings_.showPlus1) {
    // Karaoke: the part left of the centre is highlighted.
    drawText(painter, text, skin_.word_colQ, false, true);
    state_.DrawRect.Right = toInt32(centre);
    drawText(painter, text, skin_.word_colBR, false, true, skin_.word_colQ);
  } else {
    drawText(painter, text, colour, false, true);
  }
}

// Left-aligned (or horizontally centred) single-line text in DrawRect; a
// clipped call draws nothing outside the rectangle, an "&" is drawn as itself.
// underColour >= 0: the same text was just drawn in that colour and this one goes over it.
void LyricPane::drawText(QPainter* painter, const QString& text, std::int32_t colour, bool centred,
                         bool clipped, std::int32_t underColour) {
  const PaneRect& r = state_.DrawRect;
  if (clipped && (r.Right <= r.Left || r.Bottom <= r.Top)) return;
  const QRect rect(r.Left, r.Top, std::max(0, r.Right - r.Left), std::max(0, r.Bottom - r.Top));
  if (!painter) {
    state_.Frame.ops.push_back({text, colour, underColour, centred, clipped, rect});
    return;
  }
  painter->setPen(QColorFromBgr(colour));
  painter->drawText(rect, textFlags(centred, clipped), text);
}

void LyricPane::DrawInfo(const QString& text) {
  trap(QStringLiteral("DrawInfo"), [&] {
    state_.DrawRect = {kInfoLeft, state_.InfoTop, state_.PaneWidth, state_.InfoTop + state_.LineHeight};
    Clear();
    if (!surface_.isNull()) {
      QPainter painter(&surface_);
      painter.setFont(state_.Font);
      drawText(&painter, text, skin_.word_colBR, true, false);
    }
    model_.LyricText[0] = text;
  });
}

// ---------------------------------------------------------------- lyric menu

QString LyricPane::CopyLyricsText() const {
  QString text = trimSpaces(model_.LyricText[1]);
  for (int k = 2; k < model_.LyricEnd && k <= LyricModel::kEntries; ++k)
    text += QStringLiteral("\r\n") + trimSpaces(model_.LyricText[k]);
  return text;
}

LyricMenuLook LyricPane::menuW_Opening(bool timer2Enabled, const QString& executableName) const {
  LyricMenuLook look;
  const bool full = state_.FullScreen;
  look.searchEnabled = executableName.isEmpty() || !model_.LyricText[0].contains(executableName);
  look.copyEnabled = timer2Enabled && !full;
  look.showHideEnabled = player_.LyricLoaded && !full;
  look.showHideCaption = ShowHideCaption();
  look.coverEnabled = !full;
  look.coverChecked = state_.CoverPlaylist;
  look.fullScreenChecked = full;
  look.separator12Enabled = !full;
  look.layoutCaption = settings_.showType == 1 ? kHorizontalCaption : kVerticalCaption;
  look.karaokeChecked = settings_.showPlus1;
  look.fadeChecked = settings_.showPlus2;
  look.simplifiedChecked = settings_.textChange == 1;
  look.traditionalChecked = !look.simplifiedChecked;
  return look;
}

LyricMenuOutcome LyricPane::menuWs_Click(int index, std::int32_t posMs) {
  LyricMenuOutcome outcome;
  trap(QStringLiteral("menuWs_Click"), [&] {
    switch (index) {
      case kMenuSearch:
        outcome.request = LyricMenuRequest::OpenSearch;
        break;
      case kMenuCopy:
        outcome.clipboard = CopyLyricsText();
        break;
      case kMenuShowHide:
        if (!state_.Hidden) {
          state_.Hidden = true;
          DrawInfo(kHiddenInfo);  // the next tick stops the timer
        } else {
          outcome.timer = player_.LyricLoaded ? Timer2Change::Start : Timer2Change::Stop;
          WordAdjust(posMs);
          state_.Hidden = false;
          model_.LyricText[0].clear();
          // The hidden notice must not stay when no tick follows to redraw.
          Clear();
        }
        break;
      case kMenuCheckConnection:
        outcome.request = LyricMenuRequest::CheckConnection;
        break;
      case kMenuCoverPlaylist:
        state_.CoverPlaylist = !state_.CoverPlaylist;
        outcome.request = LyricMenuRequest::CoverPlaylist;
        break;
      case kMenuFullScreen:
        setFullScreen(!state_.FullScreen, outcome);
        RecomputeGeometry(posMs);
        break;
      case kMenuOptions:
        outcome.request = LyricMenuRequest::OpenOptions;
        break;
      default:
        break;  // separators and submenus
    }
  });
  return outcome;
}

void LyricPane::setFullScreen(bool on, LyricMenuOutcome& outcome) {
  if (on) {
    state_.SavedFontSize = state_.Font.pointSizeF();
    state_.Font.setPointSizeF(35);
    outcome.timerInterval =
        LyricTimerInterval(IntervalSituation::EnteringFullScreen, settings_.showType, true);
    outcome.request = LyricMenuRequest::EnterFullScreen;
  } else {
    if (state_.SavedFontSize > 0) state_.Font.setPointSizeF(state_.SavedFontSize);
    outcome.timerInterval =
        LyricTimerInterval(IntervalSituation::LeavingFullScreen, settings_.showType, false);
    outcome.request = LyricMenuRequest::LeaveFullScreen;
  }
  state_.FullScreen = on;
}

LyricMenuOutcome LyricPane::Showtypes_Click(int index) {
  LyricMenuOutcome outcome;
  trap(QStringLiteral("Showtypes_Click"), [&] {
    switch (index) {
      case 1:  // the caption names the layout the click switches to
        settings_.showType = settings_.showType == 1 ? 2 : 1;
        outcome.timerInterval =
            LyricTimerInterval(IntervalSituation::LayoutSwitched, settings_.showType, state_.FullScreen);
        break;
      case 3:
        settings_.showPlus1 = !settings_.showPlus1;
        break;
      case 4:
        settings_.showPlus2 = !settings_.showPlus2;
        break;
      default:
        break;
    }
  });
  return outcome;
}

}  // namespace lyrovo
