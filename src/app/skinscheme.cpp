#include "app/skinscheme.h"

#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <array>

namespace lyrovo {

namespace {

struct SchemeTones {
  QRgb rim, ring, centre;
};

// Rim, ring and centre of each scheme: graphite, plum, ocean, teal, forest,
// olive, copper, crimson, violet and slate. The centres stay dark, so the
// lyric and list texts keep their contrast on every scheme.
constexpr std::array<SchemeTones, 10> kSchemes{{
    {0x6E6E72, 0x46464A, 0x2C2C2C},  // 101
    {0x9A5C78, 0x5E3A4C, 0x2E2429},  // 102
    {0x4F7BA6, 0x34506E, 0x1E2833},  // 103
    {0x3E8C88, 0x2A5C5A, 0x1C2B2A},  // 104
    {0x5E8C4A, 0x3E5C31, 0x212A1D},  // 105
    {0x9A9048, 0x625C30, 0x2A2820},  // 106
    {0xB0703E, 0x704828, 0x2E241D},  // 107
    {0xA8444E, 0x6C2E34, 0x2E1E20},  // 108
    {0x7E5CAA, 0x523C70, 0x26202F},  // 109
    {0x5E6E8C, 0x3E4A5E, 0x22262E},  // 110
}};

const SchemeTones& tonesOf(int scheme) {
  if (scheme < kFirstSkinScheme || scheme > kLastSkinScheme) scheme = kFirstSkinScheme;
  return kSchemes[std::size_t(scheme - kFirstSkinScheme)];
}

}  // namespace

int StepSkinScheme(int scheme, bool forward) {
  if (scheme < kFirstSkinScheme || scheme > kLastSkinScheme) return kFirstSkinScheme;
  if (forward) return scheme == kLastSkinScheme ? kFirstSkinScheme : scheme + 1;
  return scheme == kFirstSkinScheme ? kLastSkinScheme : scheme - 1;
}

// A square in the rim tone, a rounded ring inside it and a disc of the centre
// tone with a soft highlight towards its upper left. The proportions put
// (1, 1), (31, 31) and the centre of the 96-pixel bitmap in the three tones.
void PaintSkinScheme(QPainter& painter, const QRectF& rect, int scheme) {
  const SchemeTones& tones = tonesOf(scheme);
  const double unit = std::min(rect.width(), rect.height()) / kSkinSchemeSize;
  const QPointF centre = rect.center();
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(tones.rim));
  painter.drawRect(rect);
  painter.setBrush(QColor(tones.ring));
  painter.drawRoundedRect(rect.adjusted(18 * unit, 18 * unit, -18 * unit, -18 * unit), 20 * unit, 20 * unit);
  painter.setBrush(QColor(tones.centre));
  painter.drawEllipse(centre, 17 * unit, 17 * unit);
  // The highlight keeps clear of the centre, whose colour is sampled.
  QPainterPath shine;
  shine.addEllipse(centre + QPointF(-8 * unit, -8 * unit), 5 * unit, 5 * unit);
  painter.setBrush(QColor(255, 255, 255, 48));
  painter.drawPath(shine);
  painter.restore();
}

QImage SkinSchemeBitmap(int scheme) {
  QImage bitmap(kSkinSchemeSize, kSkinSchemeSize, QImage::Format_RGB32);
  bitmap.fill(Qt::black);
  QPainter painter(&bitmap);
  PaintSkinScheme(painter, QRectF(0, 0, kSkinSchemeSize, kSkinSchemeSize), scheme);
  return bitmap;
}

SkinSchemeTones SampleSkinScheme(const QImage& bitmap) {
  return {bitmap.pixelColor(1, 1), bitmap.pixelColor(31, 31),
          bitmap.pixelColor(bitmap.width() / 2, bitmap.height() / 2)};
}

void ApplySkinSchemeBackground(SkinSettings& skin, QColor background) {
  const std::int32_t bgr = background.red() | background.green() << 8 | background.blue() << 16;
  for (std::int32_t SkinSettings::*field :
       {&SkinSettings::word_colB, &SkinSettings::list_colB, &SkinSettings::vis_col2B,
        &SkinSettings::vis_col3B, &SkinSettings::vis_col4B, &SkinSettings::vis_col5B,
        &SkinSettings::vis_col6B})
    skin.*field = bgr;
}

}  // namespace lyrovo
