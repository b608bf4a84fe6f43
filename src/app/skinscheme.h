#pragma once

#include "settings/settings.h"

#include <QColor>
#include <QImage>
#include <QRectF>

class QPainter;

namespace lyrovo {

// The skin's ten colour schemes, numbered 101 to 110 (the skinCol setting).
// Each scheme is a picture drawn here from three tones of its own: a rim, a
// ring and a centre. The skin button shows the picture, and three of its
// pixels give the interface its colours.
inline constexpr int kFirstSkinScheme = 101;
inline constexpr int kLastSkinScheme = 110;
// The size of a scheme's bitmap; the centre pixel lies in the centre tone.
inline constexpr int kSkinSchemeSize = 96;

struct SkinSchemeTones {
  QColor rim;     // sampled at (1, 1): the outer pane borders
  QColor ring;    // sampled at (31, 31): the inner pane borders
  QColor centre;  // sampled at the centre: the backgrounds of the panes, the list and the views
};

// The scheme after (forward) or before the given one, wrapping 110 → 101 and
// 101 → 110. A number outside the range counts as 101.
int StepSkinScheme(int scheme, bool forward);
// Draws the scheme's picture into rect at any scale.
void PaintSkinScheme(QPainter& painter, const QRectF& rect, int scheme);
// The scheme's bitmap, kSkinSchemeSize pixels square.
QImage SkinSchemeBitmap(int scheme);
// The three colours sampled from a scheme's bitmap.
SkinSchemeTones SampleSkinScheme(const QImage& bitmap);
// Gives the lyric pane, the playlist and the views the sampled background.
void ApplySkinSchemeBackground(SkinSettings& skin, QColor background);

}  // namespace lyrovo
