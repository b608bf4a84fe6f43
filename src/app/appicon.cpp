#include "app/appicon.h"

#include <QPainter>
#include <QPainterPath>

namespace lyrovo {

QPixmap appIcon(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 64.0, size / 64.0);
  p.setPen(QPen(QColor(0xFF, 0xFF, 0x00), 3));
  p.setBrush(QColor(0x2C, 0x2C, 0x2C));
  p.drawEllipse(QRectF(2, 2, 60, 60));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xD7, 0x79, 0x9A));
  p.drawEllipse(QRectF(16, 38, 14, 11));
  p.drawEllipse(QRectF(34, 34, 14, 11));
  p.drawRect(QRectF(26, 16, 4, 27));
  p.drawRect(QRectF(44, 12, 4, 27));
  QPainterPath beam;
  beam.addPolygon(QPolygonF({QPointF(26, 16), QPointF(48, 12), QPointF(48, 19), QPointF(26, 23)}));
  p.drawPath(beam);
  return pixmap;
}

}  // namespace lyrovo
