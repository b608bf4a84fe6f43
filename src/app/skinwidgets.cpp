#include "app/skinwidgets.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

namespace lyrovo {

SkinImage::SkinImage(int index, Look look, QString glyph, QWidget* parent)
    : QWidget(parent), index_(index), look_(look), glyph_(std::move(glyph)) {
  setObjectName(QStringLiteral("Image1_%1").arg(index));
  setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void SkinImage::setGlyph(const QString& glyph) {
  glyph_ = glyph;
  update();
}

void SkinImage::setMarked(bool marked) {
  marked_ = marked;
  update();
}

// A disabled bar or thumb is drawn flat and grey, so that a muted volume
// control looks out of use.
void SkinImage::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  switch (look_) {
    case Look::Track:
      p.setPen(isEnabled() ? QColor(0x50, 0x50, 0x50) : QColor(0x3A, 0x3A, 0x3A));
      p.setBrush(isEnabled() ? QColor(0x1E, 0x1E, 0x1E) : QColor(0x2C, 0x2C, 0x2C));
      p.drawRoundedRect(r, 2, 2);
      break;
    case Look::Thumb:
      p.setPen(Qt::NoPen);
      p.setBrush(!isEnabled() ? QColor(0x5A, 0x5A, 0x5A)
                 : hover_     ? QColor(0xFF, 0xFF, 0x80)
                              : QColor(0xD7, 0x79, 0x9A));
      p.drawRoundedRect(r, 2, 2);
      break;
    case Look::Button:
      p.setPen(QColor(0x60, 0x60, 0x60));
      p.setBrush(hover_ ? QColor(0x48, 0x48, 0x48) : QColor(0x36, 0x36, 0x36));
      p.drawRoundedRect(r, 3, 3);
      p.setPen(isEnabled() ? QColor(0xE0, 0xE0, 0xE0) : QColor(0x70, 0x70, 0x70));
      p.drawText(rect(), Qt::AlignCenter, glyph_);
      break;
  }
  if (marked_) {
    p.setPen(QPen(QColor(0xE0, 0x40, 0x40), 2));
    p.drawLine(r.bottomLeft() + QPointF(2, -2), r.topRight() + QPointF(-2, 2));
  }
}

void SkinImage::mousePressEvent(QMouseEvent* event) { emit pressed(index_, event->button(), event->pos()); }

void SkinImage::mouseReleaseEvent(QMouseEvent* event) {
  emit released(index_, event->button(), event->pos());
  if (event->button() == Qt::LeftButton && rect().contains(event->pos())) emit clicked(index_);
}

void SkinImage::mouseMoveEvent(QMouseEvent* event) { emit moved(index_, event->globalPosition().toPoint()); }

void SkinImage::enterEvent(QEnterEvent*) {
  hover_ = true;
  update();
}

void SkinImage::leaveEvent(QEvent*) {
  hover_ = false;
  update();
}

PicturePane::PicturePane(int index, QWidget* parent) : QWidget(parent), index_(index) {
  setObjectName(QStringLiteral("Pic1_%1").arg(index));
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void PicturePane::setBackground(QColor colour) {
  background_ = colour;
  surface_.fill(background_);
  update();
}

void PicturePane::paintEvent(QPaintEvent* event) {
  QPainter p(this);
  const QRect area = event->rect();  // only what changed is copied to the screen
  if (shown_) p.fillRect(area, background_);
  p.drawImage(area.topLeft(), shown_ ? *shown_ : surface_, area);
}

void PicturePane::resizeEvent(QResizeEvent*) {
  surface_ = QImage(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
  surface_.fill(background_);
  emit resized(index_);
}

void PicturePane::mousePressEvent(QMouseEvent* event) {
  emit mousePressed(index_, event->button(), event->pos());
}

}  // namespace lyrovo
