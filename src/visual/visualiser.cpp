#include "visual/visualiser.h"

#include "settings/settings.h"
#include "text/numeric.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPoint>
#include <QRect>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace lyrovo {

namespace {

constexpr int kTwips = Visualiser::kTwipsPerPixel;

QRgb fromBgr(std::int32_t colour) { return QColorFromBgr(colour).rgb(); }

// Blend of two 0x00BBGGRR colours at t = num / den, each of red, green and
// blue separately: nearest(a + (b − a)·t). The fraction is taken after the
// product so that an exact half stays exact (and goes to the even side).
QRgb blend(std::int32_t a, std::int32_t b, int num, int den) {
  auto part = [&](int shift) {
    const int from = (a >> shift) & 0xFF, to = (b >> shift) & 0xFF;
    return int(nearest(from + double((to - from) * num) / den));
  };
  return qRgb(part(0), part(8), part(16));
}

// nearest() as an int. Values are held within ±1e9 first (NaN counts as 0)
// so that data from the engine can never overflow a conversion.
int toInt(double value) {
  if (std::isnan(value)) return 0;
  return int(nearest(std::clamp(value, -1e9, 1e9)));
}

int toPixels(double twips) { return toInt(twips / kTwips); }

bool isMono(VisSource& source) { return source.chanMod() == u"单声道"; }

// New height of a bar or peak marker: up to v when v is above it, else down
// by fall; never below floor.
void follow(std::int32_t& value, double v, int fall, int floor) {
  const long long next = v > value ? toInt(v) : (long long)value - fall;
  value = std::int32_t(std::clamp<long long>(next, floor, 1'000'000'000));
}

// Raster copy (source copy) of a width × height block from one surface to
// another of the same format. A negative width or height spans from the
// anchor to the left or upwards. Parts outside either surface are left out.
void rasterCopy(const QImage& from, int sx, int sy, QImage& to, int dx, int dy, int width, int height) {
  long long x0 = sx, y0 = sy, x1 = dx, y1 = dy, cw = width, ch = height;
  if (cw < 0) {
    x0 += cw;
    x1 += cw;
    cw = -cw;
  }
  if (ch < 0) {
    y0 += ch;
    y1 += ch;
    ch = -ch;
  }
  const long long left = std::max({0LL, -x0, -x1});
  const long long top = std::max({0LL, -y0, -y1});
  const long long right = std::min({cw, from.width() - x0, to.width() - x1});
  const long long bottom = std::min({ch, from.height() - y0, to.height() - y1});
  if (left >= right || top >= bottom) return;
  const uchar* src = from.constBits();
  uchar* dst = to.bits();
  const long long srcStride = from.bytesPerLine(), dstStride = to.bytesPerLine();
  const std::size_t bytes = std::size_t(right - left) * sizeof(QRgb);
  for (long long y = top; y < bottom; ++y)
    std::memcpy(dst + (y1 + y) * dstStride + (x1 + left) * long(sizeof(QRgb)),
                src + (y0 + y) * srcStride + (x0 + left) * long(sizeof(QRgb)), bytes);
}

// A one-pixel line from a to b, both ends included (Bresenham); pixels
// outside the image are left out.
void plotLine(QImage& image, QPoint a, QPoint b, QRgb colour) {
  uchar* bits = image.bits();
  const qsizetype stride = image.bytesPerLine();
  const int width = image.width(), height = image.height();
  const int dx = std::abs(b.x() - a.x()), dy = -std::abs(b.y() - a.y());
  const int sx = a.x() < b.x() ? 1 : -1, sy = a.y() < b.y() ? 1 : -1;
  int err = dx + dy, x = a.x(), y = a.y();
  for (;;) {
    if (x >= 0 && x < width && y >= 0 && y < height) reinterpret_cast<QRgb*>(bits + y * stride)[x] = colour;
    if (x == b.x() && y == b.y()) break;
    const int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y += sy;
    }
  }
}

}  // namespace

int clickedVisType(int visType, Qt::MouseButton button) {
  int next = visType;
  if (button == Qt::LeftButton) next = visType + 1;
  if (button == Qt::RightButton) next = visType - 1;
  if (next == visType) return visType;
  if (next < 1) return 7;
  if (next > 7) return 1;
  return next;
}

int visTypeBefore(int view) { return view - 1 == 0 ? 7 : view - 1; }

Visualiser::Visualiser() { textFont_.setPixelSize(12); }

void Visualiser::setTextStyle(const QFont& font, QColor colour) {
  textFont_ = font;
  textColour_ = colour;
}

void Visualiser::click(std::int16_t& visType, Qt::MouseButton button, QSize paneSize,
                       const SkinSettings& skin) {
  visType = std::int16_t(clickedVisType(visType, button));
  prepare(visType, paneSize, skin);
}

int Visualiser::timerInterval() const { return view_ == 1 ? 50 : view_ == 2 ? 30 : 20; }

void Visualiser::prepare(int visType, QSize paneSize, const SkinSettings& skin) {
  view_ = visType >= 1 && visType <= 7 ? visType : 1;
  w_ = std::max(paneSize.width(), 0);
  h_ = std::max(paneSize.height(), 0);
  W_ = w_ * kTwips;
  H_ = h_ * kTwips;
  if (pane_.width() != w_ || pane_.height() != h_) {
    pane_ = QImage(w_, h_, QImage::Format_RGB32);
    source_ = QImage(w_, h_, QImage::Format_RGB32);
    source_.fill(sourceBackground_);
  }
  // The pane keeps the background of the view it last showed; view 1 sets none.
  if (!haveBackground_) background_ = fromBgr(skin.vis_col4B);
  haveBackground_ = true;

  switch (view_) {
    case 2:
      background_ = fromBgr(skin.vis_col2B);
      source_.fill(sourceBackground_);
      paintGradient(skin.vis_col2L, skin.vis_col2R);
      break;
    case 3:
      background_ = fromBgr(skin.vis_col3B);
      line1_ = fromBgr(skin.vis_col3L);
      line2_ = fromBgr(skin.vis_col3R);
      break;
    case 4:
    case 5:
      background_ = fromBgr(skin.vis_col4B);
      state_.visBar[1] = state_.visBar[2] = 0;
      paintBands(skin);
      break;
    case 6:
      background_ = fromBgr(skin.vis_col5B);
      line1_ = fromBgr(skin.vis_col5Q);
      break;
    case 7:
      sourceBackground_ = fromBgr(skin.vis_col6Q);
      source_.fill(sourceBackground_);
      background_ = fromBgr(skin.vis_col6B);
      break;
    default:
      break;
  }
  clear();
}

void Visualiser::clear() {
  if (pane_.isNull()) return;
  pane_.fill(background_);
  if (view_ == 1) drawText();
}

// Horizontal gradient over the colour source: 300 strips, strip i (1..300)
// covering [(i − 1)·s, i·s) with s = w / 300 and coloured blend(from, to, i / 300).
// A column takes the strip its centre lies in.
void Visualiser::paintGradient(std::int32_t from, std::int32_t to) {
  if (source_.isNull()) return;
  QPainter painter(&source_);
  auto stripOf = [&](int x) { return int(300LL * (2 * x + 1) / (2LL * w_)) + 1; };
  for (int x = 0; x < w_;) {
    const int strip = stripOf(x);
    int end = x + 1;
    while (end < w_ && stripOf(end) == strip) ++end;
    painter.fillRect(QRect(x, 0, end - x, h_), QColor(blend(from, to, strip, 300)));
    x = end;
  }
}

// 100 horizontal bands over the colour source, band i (1..100) covering
// [(i − 1)·s, i·s) with s = h / 100: the peak colour, the top colour, then
// top → middle and middle → bottom gradients. A row takes the band its
// centre lies in.
void Visualiser::paintBands(const SkinSettings& skin) {
  if (source_.isNull()) return;
  auto colourOf = [&](int band) {
    if (band <= 5) return fromBgr(skin.vis_col41);
    if (band <= 20) return fromBgr(skin.vis_col42);
    if (band <= 60) return blend(skin.vis_col42, skin.vis_col43, band - 20, 40);
    return blend(skin.vis_col43, skin.vis_col44, band - 60, 40);
  };
  QPainter painter(&source_);
  auto bandOf = [&](int y) { return int(100LL * (2 * y + 1) / (2LL * h_)) + 1; };
  for (int y = 0; y < h_;) {
    const int band = bandOf(y);
    int end = y + 1;
    while (end < h_ && bandOf(end) == band) ++end;
    painter.fillRect(QRect(0, y, w_, end - y), QColor(colourOf(band)));
    y = end;
  }
}

// View 1: "无视觉效果" centred horizontally on a text line centred on the pane's middle.
void Visualiser::drawText() {
  QPainter painter(&pane_);
  painter.setFont(textFont_);
  painter.setPen(textColour_);
  const int textHeight = painter.fontMetrics().height();
  const int top = toInt(h_ / 2.0 - textHeight / 2.0);
  painter.drawText(QRect(0, top, w_, textHeight), Qt::AlignHCenter | Qt::AlignTop | Qt::TextDontClip,
                   QStringLiteral("无视觉效果"));
}

void Visualiser::drawFrame(VisSource& source) {
  if (pane_.isNull()) return;
  switch (view_) {
    case 2:
      drawLevels(source);
      break;
    case 3:
      drawLine(source);
      break;
    case 4:
    case 5:
      drawSpectrum(source);
      break;
    case 6:
      drawHistory(source);
      break;
    case 7:
      drawSolid(source);
      break;
    default:
      break;
  }
}

// View 2: a bar per channel, as long as the level, falling at most 70 twips
// a frame; a mono stream shows only the upper (left) bar.
void Visualiser::drawLevels(VisSource& source) {
  const bool mono = isMono(source);
  const VisLevels levels = source.levels();
  pane_.fill(background_);
  auto bar = [&](int index, std::int32_t level, int top) {
    const int length = toInt(std::floor((W_ - 150) * double(level) / 32768));
    std::int32_t& value = state_.visBar[index];
    value = std::int32_t(std::max<long long>({length, (long long)value - 70, 0}));
    rasterCopy(source_, 0, 0, pane_, 5, top, toInt(value / double(kTwips)), toInt(h_ / 2.0 - 6));
  };
  bar(1, levels.left, 5);
  if (!mono) bar(2, levels.right, toInt(h_ / 2.0 + 1));
}

// View 3: one polyline through every third (mono) or fifth (stereo) sample
// across the pane; with stereo data the second half in the second colour.
void Visualiser::drawLine(VisSource& source) {
  const int count = isMono(source) ? 256 : 512;
  samples_.fill(0);
  source.samples(samples_.data(), count);
  pane_.fill(background_);

  // A point in pixels; a full-scale positive sample (y = H) stays on the last row.
  auto toPoint = [&](int x, int y) { return QPoint(toPixels(x), std::clamp(toPixels(y), 0, h_ - 1)); };
  auto yOf = [&](int i) { return toInt((samples_[i] + 32768) / 65535.0 * H_); };
  // The pen starts at (75, y of sample 0); each point inside the right margin
  // is joined to the last one drawn, so a skipped point does not move the pen.
  QPoint pen = toPoint(75, yOf(0));
  auto lineTo = [&](int i, QRgb colour) {
    const int x = toInt((W_ - 150) * double(i) / count + 75);
    if (x > W_ - 80) return;
    const QPoint point = toPoint(x, yOf(i));
    plotLine(pane_, pen, point, colour);
    pen = point;
  };
  const int step = count == 256 ? 3 : 5;
  for (int i = 0; i <= 255; i += step) lineTo(i, line1_);
  if (count == 512)
    for (int i = 257; i <= 512; i += 5) lineTo(i, line2_);
}

// Views 4 (32 bars) and 5 (158 columns): spectrum bars that copy the colour
// bands at their own height, with peak markers; bars fall 2 pixels and
// peaks 1 pixel a frame.
void Visualiser::drawSpectrum(VisSource& source) {
  const int count = isMono(source) ? 256 : 512;
  fft_.fill(0.0f);
  source.fft(fft_.data(), count);
  const int hp = h_;  // nearest(H / 15)
  const float top = float(hp - 8);
  for (int i = 1; i <= count; ++i) {
    const float v = float(double(H_ - 60) * fft_[i] * 3);
    fft_[i] = v > top ? top : v;
  }
  pane_.fill(background_);

  std::int32_t* bars = state_.visBar.data();
  std::int32_t* peaks = state_.visPeak.data();
  if (view_ == 4) {
    const int n = count / 32;                          // bins per bar: 16 or 8
    const double divisor = nearest(count / 32.0 - 3);  // 13 or 5
    for (int d = 1; d <= 32; ++d) {
      // The sum reaches back to fft[k − n], which already holds the previous bar's value.
      const int k = d * n;
      double sum = 0;
      for (int j = k; j >= k - n; --j) sum += fft_[j];
      fft_[k] = float(sum / divisor);
      const double v = fft_[k];
      follow(peaks[d], v, 1, 0);
      follow(bars[d], v, 2, 0);
      rasterCopy(source_, 0, hp - 4 - bars[d], pane_, 5 * d, hp - 4 - bars[d], 4, bars[d]);
      rasterCopy(source_, 0, 0, pane_, 5 * d, hp - peaks[d] - 6, 4, 2);
    }
  } else {
    for (int c = 1; c <= 158; ++c) {
      const int k = toInt(count / 158.0 * c);
      if (count == 512) fft_[k] = (fft_[k - 1] + fft_[k] + fft_[k + 1]) / 3;
      const double v = fft_[k];
      follow(peaks[c], v, 1, 1);
      follow(bars[c], v, 2, 0);
      rasterCopy(source_, 0, hp - bars[c], pane_, c + 5, hp - bars[c] - 4, 1, bars[c]);
      rasterCopy(source_, 0, 0, pane_, c + 5, hp - peaks[c] - 6, 1, 1);
    }
  }
}

// View 6: the picture scrolls one pixel to the left (through the colour
// source as scratch) and the summed level is drawn as a new vertical line
// at the right.
void Visualiser::drawHistory(VisSource& source) {
  const VisLevels levels = source.levels();
  const int lvl =
      std::max(toInt(std::floor((H_ - 120) / 65535.0 * (double(levels.left) + double(levels.right)))), 1);
  source_.fill(sourceBackground_);
  rasterCopy(pane_, 5, 5, source_, 4, 4, w_ - 9, h_ - 9);
  pane_.fill(background_);
  rasterCopy(source_, 5, 4, pane_, 5, 5, w_ - 10, h_ - 9);

  // The line from y = H − 80 up to y = H − lvl − 80, both ends drawn.
  const QPoint bottom(toPixels(W_ - 70), std::clamp(toPixels(H_ - 80), -1, h_));
  plotLine(pane_, bottom, QPoint(bottom.x(), std::clamp(toPixels(double(H_) - lvl - 80), -1, h_)), line1_);
}

// View 7: 157 two-pixel blocks from the centre line, each as high as its
// sample, downwards for positive samples and upwards for negative ones.
void Visualiser::drawSolid(VisSource& source) {
  const int count = isMono(source) ? 256 : 512;
  samples_.fill(0);
  source.samples(samples_.data(), count);
  const int mid = toInt(H_ / double(kTwips) / 2);
  const int limit = std::max(mid - 4, 0);
  pane_.fill(background_);
  for (int d = 1; d <= 157; ++d) {
    const int s = samples_[toInt(double(d * count) / 157)];
    int v = toInt(s / 65535.0 * mid * 2);
    if (std::abs(v) < 1) v = 1;
    // Held at the limit on its own side: a loud negative sample is not turned into a positive one.
    if (std::abs(v) > limit) v = v < 0 ? -limit : limit;
    rasterCopy(source_, 0, mid, pane_, d + 4, mid, 2, v);
  }
}

}  // namespace lyrovo
