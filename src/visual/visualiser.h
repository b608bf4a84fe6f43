#pragma once

#include "settings/settings.h"
#include "visual/vissource.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QSize>
#include <Qt>

#include <array>
#include <cstdint>

namespace lyrovo {

// Bar and peak-marker heights of the spectrum views, kept between frames
// and between views. Entries 1 and 2 of visBar hold the left and right bar
// lengths (twips) of the level view.
struct VisState {
  static constexpr int kSize = 201;
  std::array<std::int32_t, kSize> visBar{};
  std::array<std::int32_t, kSize> visPeak{};
};

// The view a click on the pane selects: the left button steps forward, the
// right button back, wrapping from 7 to 1 and from 1 to 7 (a value outside
// 1..7 wraps the same way); any other button keeps the view.
int clickedVisType(int visType, Qt::MouseButton button);

// The value to store before simulating a left click that selects view:
// one less, with 0 replaced by 7.
int visTypeBefore(int view);

// The visualisation pane: seven views of the sound now playing, drawn into
// an off-screen image the pane widget shows. A second image of the same
// size is the colour source the views copy rectangles from (a gradient,
// colour bands or a solid colour, painted once per view change) and a
// scratch buffer for scrolling.
//
// Coordinates follow the pane's twips (15 to a pixel): W = 15·w and
// H = 15·h for a pane of w × h pixels; fractions become whole pixels by
// nearest(), halves to even.
class Visualiser {
 public:
  static constexpr int kTwipsPerPixel = 15;
  static constexpr int kBufferSize = 1025;

  Visualiser();

  // Makes visType (1..7; any other value acts as 1) the current view for a
  // pane of paneSize pixels: sets the timer interval, paints the colour
  // source the view copies from and clears the pane. Call it again when the
  // pane's size or a visualisation colour changes.
  void prepare(int visType, QSize paneSize, const SkinSettings& skin);
  // A mouse press on the pane: steps visType by the button, then prepares the new view.
  void click(std::int16_t& visType, Qt::MouseButton button, QSize paneSize, const SkinSettings& skin);

  // One frame of the current view (2..7) from source; view 1 draws nothing.
  void drawFrame(VisSource& source);
  // Clears the pane to the current view's background (view 1 keeps its text).
  void clear();

  int view() const { return view_; }
  // Interval of the playback timer that paces the frames: 50 ms for view 1,
  // 30 ms for view 2, 20 ms for views 3 to 7.
  int timerInterval() const;
  // The pane's picture. Paint it directly; a copy kept across frames would
  // make the next frame copy the whole image.
  const QImage& pane() const { return pane_; }
  const QImage& colourSource() const { return source_; }
  VisState& state() { return state_; }
  const VisState& state() const { return state_; }

  // Font and colour of view 1's text.
  void setTextStyle(const QFont& font, QColor colour);

 private:
  void drawText();
  void drawLevels(VisSource& source);
  void drawLine(VisSource& source);
  void drawSpectrum(VisSource& source);
  void drawHistory(VisSource& source);
  void drawSolid(VisSource& source);

  void paintGradient(std::int32_t from, std::int32_t to);
  void paintBands(const SkinSettings& skin);

  int view_ = 1;
  int w_ = 0, h_ = 0;    // pane size, pixels
  int W_ = 0, H_ = 0;    // pane size, twips
  QRgb background_ = 0;  // the pane's background colour, kept from view to view
  bool haveBackground_ = false;
  QRgb sourceBackground_ = qRgb(0, 0, 0);
  QRgb line1_ = 0, line2_ = 0;  // line colours of views 3 and 6
  QImage pane_;
  QImage source_;
  QFont textFont_;
  QColor textColour_{0xCF, 0xCF, 0xCF};
  VisState state_;
  // Per-frame data, filled anew each frame (no allocation while drawing).
  std::array<float, kBufferSize> fft_{};
  std::array<std::int16_t, kBufferSize> samples_{};
};

}  // namespace lyrovo
