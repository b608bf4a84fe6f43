#pragma once

#include <QFont>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>

#include <cstdint>
#include <map>
#include <tuple>
#include <vector>

class QPainter;

namespace lyrovo {

// One text the lyric pane draws in a frame: drawText's arguments. rect is
// the text's rectangle in pane pixels (right and bottom exclusive); a
// clipped text draws nothing outside it, a centred one is centred in it.
// underColour >= 0 marks the karaoke wipe: the same text was drawn just
// before in underColour, and this one goes over it.
struct LyricTextOp {
  QString text;
  std::int32_t colour = 0;
  std::int32_t underColour = -1;
  bool centred = false;
  bool clipped = false;
  QRect rect;
  bool operator==(const LyricTextOp&) const = default;
};

// Lines of lyric text rendered once and copied onto the pane afterwards.
// An entry holds a text exactly as QPainter::drawText puts it on the pane's
// background, in an opaque image placed at a whole-pixel offset from the
// text's rectangle: text rasterised at whole-pixel offsets is the same, so
// copying the entry gives the pixels drawing the text there would give. A
// karaoke wipe is an entry of the highlighted text drawn over the normal
// one, copied up to the wipe's edge.
//
// The image spans the text's rectangle in height (a glyph reaching beyond
// its line's band is cut there) and the text's extent plus a margin in width.
class LyricLineCache {
 public:
  // Forgets every entry (the lyric, the pane's size or its look changed).
  void clear();
  // Draws op onto the painter's surface through the cache and returns the
  // pane rectangle it covered. The painter's font is the text's font and
  // background the colour under the text; entries made with another font
  // or background are dropped first.
  QRect draw(QPainter& painter, QColor background, const LyricTextOp& op);
  // Ends a frame: once more entries than kMaxEntries are kept, those not
  // used in this frame go.
  void endFrame();
  int size() const { return int(entries_.size()); }

  static constexpr int kMaxEntries = 24;

 private:
  // Where a text stands, whatever its colours. Measuring lays the text out
  // twice, so it is done once per text: a line that takes a new colour every
  // few pixels as it scrolls through the faded edges is only drawn again.
  struct Placement {
    QString text;
    bool centred;
    int width;  // of the rectangle for a centred text (it moves the text); else 0
    int height;
    auto tie() const { return std::tie(text, centred, width, height); }
    bool operator<(const Placement& other) const { return tie() < other.tie(); }
  };
  struct Extent {
    QRect layout;  // the rectangle drawText is given, in image pixels before the shift by left
    int left = 0;  // the image's left edge relative to the rectangle's left
    int width = 0;
    std::uint64_t lastFrame = 0;
  };
  struct Key {
    Placement placement;
    std::int32_t colour;
    std::int32_t underColour;
    auto tie() const { return std::tie(placement, colour, underColour); }
    bool operator<(const Key& other) const { return tie() < other.tie(); }
  };
  struct Entry {
    QImage image;
    int left = 0;  // the image's left edge relative to the rectangle's left
    std::uint64_t lastFrame = 0;
  };
  const Extent& extentOf(const Placement& placement, const LyricTextOp& op);
  Entry render(QColor background, const LyricTextOp& op, const Extent& extent) const;

  std::map<Key, Entry> entries_;
  std::map<Placement, Extent> extents_;
  QFont font_;
  QRgb background_ = 0;
  std::uint64_t frame_ = 1;
};

// The lyric pane's frames: the texts of the frame being built and of the
// one on the surface, so a tick that would draw the same frame again draws
// nothing and the window repaints only what changed.
struct LyricFrame {
  std::vector<LyricTextOp> ops;    // the frame being built
  std::vector<LyricTextOp> shown;  // the frame on the surface
  QRect shownBounds;               // where the shown frame has ink
  QRgb background = 0;             // the colour the rest of the surface has
  qint64 surfaceKey = 0;           // the surface's cacheKey() once drawn: another change shows as a new key
  QRect changed;                   // what the last tick changed on the surface
  LyricLineCache cache;
  bool cacheLines = true;  // false: each text is drawn directly (what the cache must look like)
};

}  // namespace lyrovo
