#include "app/skinwidgets.h"

#include "app/skinscheme.h"
#include "app/windowparts.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>

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

void SkinImage::setAccent(QColor accent) {
  accent_ = accent;
  update();
}

void SkinImage::setScheme(int scheme) {
  scheme_ = scheme;
  update();
}

namespace {

const QColor kIcon(0xE6, 0xE6, 0xE6);
const QColor kIconDisabled(0x6A, 0x6A, 0x6A);
const QColor kMark(0xE0, 0x40, 0x40);

// A triangle pointing right (or left) inside box.
QPainterPath triangle(const QRectF& box, bool right) {
  QPainterPath path;
  if (right) {
    path.moveTo(box.topLeft());
    path.lineTo(box.right(), box.center().y());
    path.lineTo(box.bottomLeft());
  } else {
    path.moveTo(box.topRight());
    path.lineTo(box.left(), box.center().y());
    path.lineTo(box.bottomRight());
  }
  path.closeSubpath();
  return path;
}

// A square of side size centred in rect.
QRectF centred(const QRectF& rect, double width, double height) {
  return QRectF(rect.center().x() - width / 2, rect.center().y() - height / 2, width, height);
}

}  // namespace

// A disabled bar or thumb is drawn flat and grey, so that a muted volume
// control looks out of use.
void SkinImage::paintEvent(QPaintEvent*) {
  if (look_ == Look::Frame) return;
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF r = QRectF(rect());
  const QColor ink = !isEnabled() ? kIconDisabled : hover_ ? Qt::white : kIcon;
  const double side = std::min(r.width(), r.height());
  switch (look_) {
    case Look::Frame:
      return;
    case Look::Track: {
      const bool vertical = r.height() > r.width();
      const double thickness = std::min(4.0, side);
      const QRectF groove = vertical ? centred(r, thickness, r.height()) : centred(r, r.width(), thickness);
      p.setPen(Qt::NoPen);
      p.setBrush(isEnabled() ? QColor(0, 0, 0, 120) : QColor(0, 0, 0, 60));
      p.drawRoundedRect(groove, thickness / 2, thickness / 2);
      p.setBrush(QColor(255, 255, 255, isEnabled() ? 28 : 12));
      p.drawRoundedRect(
          vertical ? groove.adjusted(thickness - 1, 0, 0, 0) : groove.adjusted(0, thickness - 1, 0, 0), 0.5,
          0.5);
      break;
    }
    case Look::Thumb: {
      const QColor fill = !isEnabled() ? QColor(0x5A, 0x5A, 0x5A) : hover_ ? accent_.lighter(135) : accent_;
      p.setBrush(fill);
      p.setPen(QPen(isEnabled() ? QColor(255, 255, 255, 200) : QColor(0x80, 0x80, 0x80), 1));
      if (r.height() > r.width() * 1.5) {  // the list's thumb: a pill along the track
        p.drawRoundedRect(r.adjusted(1, 0.5, -1, -0.5), r.width() / 2 - 1, r.width() / 2 - 1);
      } else {
        p.drawEllipse(centred(r, side - 1, side - 1));
      }
      break;
    }
    case Look::Button:
      paintButton(p, r, ink);
      break;
  }
  if (marked_) {
    p.setPen(QPen(kMark, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(r.bottomLeft() + QPointF(3, -3), r.topRight() + QPointF(-3, 3));
  }
}

void SkinImage::paintButton(QPainter& p, const QRectF& r, const QColor& ink) {
  const double side = std::min(r.width(), r.height());
  const QRectF icon = centred(r, side * 0.46, side * 0.46);
  const auto face = [&](QColor colour) {
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
  };
  const QPen line(ink, std::max(1.5, side / 12), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  switch (static_cast<SkinPart>(index_)) {
    case SkinPart::CloseButton:
      if (hover_) face(QColor(0xC8, 0x42, 0x4A));
      p.setPen(line);
      p.drawLine(icon.topLeft(), icon.bottomRight());
      p.drawLine(icon.topRight(), icon.bottomLeft());
      return;
    case SkinPart::MaximiseButton:
      if (hover_) face(QColor(255, 255, 255, 36));
      p.setPen(line);
      p.setBrush(Qt::NoBrush);
      if (toolTip() == QStringLiteral("还原")) {
        const double step = icon.width() / 4;
        p.drawRect(icon.adjusted(0, step, -step, 0));
        p.drawPolyline(QPolygonF{icon.topLeft() + QPointF(step, step), icon.topLeft() + QPointF(step, 0),
                                 icon.topRight(), icon.bottomRight() - QPointF(0, step),
                                 icon.bottomRight() - QPointF(step, step)});
      } else {
        p.drawRect(icon);
      }
      return;
    case SkinPart::MinimiseButton:
      if (hover_) face(QColor(255, 255, 255, 36));
      p.setPen(line);
      p.drawLine(QPointF(icon.left(), icon.center().y()), QPointF(icon.right(), icon.center().y()));
      return;
    case SkinPart::MenuButton:
      if (hover_) face(QColor(255, 255, 255, 36));
      p.setPen(line);
      for (double y : {icon.top(), icon.center().y(), icon.bottom()})
        p.drawLine(QPointF(icon.left(), y), QPointF(icon.right(), y));
      return;
    case SkinPart::PlayButton: {
      // The pair of looks follows the tooltip: pause while a click pauses.
      const bool pauseLook = toolTip() == QStringLiteral("暂停(Ctrl+P)");
      const QColor disc = !isEnabled() ? QColor(0x4A, 0x4A, 0x4A) : hover_ ? accent_.lighter(125) : accent_;
      p.setPen(QPen(QColor(255, 255, 255, isEnabled() ? 150 : 60), 1));
      p.setBrush(disc);
      p.drawEllipse(centred(r, side - 1, side - 1));
      p.setPen(Qt::NoPen);
      p.setBrush(isEnabled() ? Qt::white : kIconDisabled);
      const QRectF glyph = centred(r, side * 0.36, side * 0.40);
      if (pauseLook) {
        const double bar = glyph.width() / 3;
        p.drawRoundedRect(QRectF(glyph.left(), glyph.top(), bar, glyph.height()), 1, 1);
        p.drawRoundedRect(QRectF(glyph.right() - bar, glyph.top(), bar, glyph.height()), 1, 1);
      } else {
        p.drawPath(triangle(glyph.translated(glyph.width() * 0.12, 0), true));
      }
      return;
    }
    case SkinPart::StopButton:
      if (hover_) face(QColor(255, 255, 255, 30));
      p.setPen(Qt::NoPen);
      p.setBrush(ink);
      p.drawRoundedRect(centred(r, side * 0.38, side * 0.38), 1.5, 1.5);
      return;
    case SkinPart::PreviousButton:
    case SkinPart::NextButton: {
      if (hover_) face(QColor(255, 255, 255, 30));
      const bool next = index_ == static_cast<int>(SkinPart::NextButton);
      const QRectF glyph = centred(r, side * 0.44, side * 0.36);
      const double bar = std::max(1.5, side / 14);
      p.setPen(Qt::NoPen);
      p.setBrush(ink);
      const QRectF tri = next ? glyph.adjusted(0, 0, -bar - 1, 0) : glyph.adjusted(bar + 1, 0, 0, 0);
      p.drawPath(triangle(tri, next));
      p.drawRect(next ? QRectF(glyph.right() - bar, glyph.top(), bar, glyph.height())
                      : QRectF(glyph.left(), glyph.top(), bar, glyph.height()));
      return;
    }
    case SkinPart::OpenButton: {
      if (hover_) face(QColor(255, 255, 255, 30));
      const QRectF glyph = centred(r, side * 0.42, side * 0.40);
      p.setPen(Qt::NoPen);
      p.setBrush(ink);
      QPainterPath roof;
      roof.moveTo(glyph.left(), glyph.top() + glyph.height() * 0.62);
      roof.lineTo(glyph.center().x(), glyph.top());
      roof.lineTo(glyph.right(), glyph.top() + glyph.height() * 0.62);
      roof.closeSubpath();
      p.drawPath(roof);
      p.drawRect(
          QRectF(glyph.left(), glyph.bottom() - glyph.height() * 0.2, glyph.width(), glyph.height() * 0.2));
      return;
    }
    case SkinPart::SkinButton: {
      const QRectF swatch = centred(r, side - 4, side - 4);
      PaintSkinScheme(p, swatch, scheme_ ? scheme_ : kFirstSkinScheme);
      p.setBrush(Qt::NoBrush);
      p.setPen(QPen(hover_ ? Qt::white : QColor(255, 255, 255, 90), 1));
      p.drawRoundedRect(swatch.adjusted(-0.5, -0.5, 0.5, 0.5), 4, 4);
      return;
    }
    case SkinPart::MuteButton: {
      if (hover_) face(QColor(255, 255, 255, 30));
      const QRectF glyph = centred(r, side * 0.56, side * 0.5);
      QPainterPath speaker;
      const double w = glyph.width(), h = glyph.height();
      speaker.moveTo(glyph.left(), glyph.top() + h * 0.32);
      speaker.lineTo(glyph.left() + w * 0.22, glyph.top() + h * 0.32);
      speaker.lineTo(glyph.left() + w * 0.5, glyph.top());
      speaker.lineTo(glyph.left() + w * 0.5, glyph.bottom());
      speaker.lineTo(glyph.left() + w * 0.22, glyph.top() + h * 0.68);
      speaker.lineTo(glyph.left(), glyph.top() + h * 0.68);
      speaker.closeSubpath();
      p.setPen(Qt::NoPen);
      p.setBrush(ink);
      p.drawPath(speaker);
      p.setPen(QPen(ink, std::max(1.2, side / 16), Qt::SolidLine, Qt::RoundCap));
      p.setBrush(Qt::NoBrush);
      for (double radius : {0.22, 0.42}) {
        const QRectF arc(glyph.left() + w * 0.5 - w * radius, glyph.center().y() - h * radius * 1.2,
                         2 * w * radius, 2 * h * radius * 1.2);
        p.drawArc(arc, -45 * 16, 90 * 16);
      }
      return;
    }
    default:
      break;
  }
  // The playlist's buttons: a soft face with their word.
  p.setPen(QPen(hover_ ? accent_.lighter(130) : QColor(255, 255, 255, 40), 1));
  p.setBrush(QColor(255, 255, 255, hover_ ? 40 : 18));
  p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
  p.setPen(ink);
  p.drawText(r, Qt::AlignCenter, glyph_);
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
