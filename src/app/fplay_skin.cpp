// The skin of the main window: its colour schemes, its rounded shape and
// resizing it by the frame areas.
#include "app/fplay.h"
#include "app/skinscheme.h"
#include "lyrics/lyricpane.h"

#include <QEvent>
#include <QGuiApplication>
#include <QLineEdit>
#include <QRegion>
#include <QRubberBand>
#include <QWindow>

#include <algorithm>

namespace lyrovo {

namespace {

bool isFramePart(SkinPart part) {
  return part >= SkinPart::FrameTopLeft && part <= SkinPart::FrameBottomRight;
}

// Which window edges each frame area moves.
Qt::Edges edgesOf(SkinPart part) {
  switch (part) {
    case SkinPart::FrameTopLeft:
      return Qt::TopEdge | Qt::LeftEdge;
    case SkinPart::FrameTop:
      return Qt::TopEdge;
    case SkinPart::FrameTopRight:
      return Qt::TopEdge | Qt::RightEdge;
    case SkinPart::FrameLeft:
      return Qt::LeftEdge;
    case SkinPart::FrameRight:
      return Qt::RightEdge;
    case SkinPart::FrameBottomLeft:
      return Qt::BottomEdge | Qt::LeftEdge;
    case SkinPart::FrameBottom:
      return Qt::BottomEdge;
    default:
      return Qt::BottomEdge | Qt::RightEdge;
  }
}

Qt::CursorShape cursorOf(SkinPart part) {
  switch (part) {
    case SkinPart::FrameTopLeft:
    case SkinPart::FrameBottomRight:
      return Qt::SizeFDiagCursor;
    case SkinPart::FrameTopRight:
    case SkinPart::FrameBottomLeft:
      return Qt::SizeBDiagCursor;
    case SkinPart::FrameTop:
    case SkinPart::FrameBottom:
      return Qt::SizeVerCursor;
    default:
      return Qt::SizeHorCursor;
  }
}

// A client cannot draw on a Wayland screen, nor place its own window: there
// the compositor moves and resizes it.
bool compositorDrags() { return QGuiApplication::platformName().startsWith(QStringLiteral("wayland")); }

}  // namespace

// The eight frame areas, drawn by the window's background and on top of it.
void Fplay::buildFrame() {
  for (int index = static_cast<int>(SkinPart::FrameTopLeft);
       index <= static_cast<int>(SkinPart::FrameBottomRight); ++index) {
    auto* area = new SkinImage(index, SkinImage::Look::Frame, QString(), this);
    area->setCursor(cursorOf(static_cast<SkinPart>(index)));
    connect(area, &SkinImage::pressed, this, &Fplay::Image1_MouseDown);
    connect(area, &SkinImage::moved, this, &Fplay::Image1_MouseMove);
    connect(area, &SkinImage::released, this, &Fplay::Image1_MouseUp);
    images_.insert(index, area);
  }
}

// The panes' borders and the buttons take the stored scheme's colours; the
// backgrounds stay as the skin settings saved them.
void Fplay::FramePanes() { ApplySkinScheme(false); }

void Fplay::StepSkinColour(bool forward) {
  ctx_.settings.skinCol = std::int16_t(StepSkinScheme(ctx_.settings.skinCol, forward));
  ApplySkinScheme(true);
}

// Samples the scheme's bitmap: its rim colours the outer pane borders and
// the lyric editing box, its ring the inner borders, and its centre (when
// asked) the backgrounds of the lyric pane, the playlist and the views.
void Fplay::ApplySkinScheme(bool withBackgrounds) {
  int scheme = ctx_.settings.skinCol;
  if (scheme < kFirstSkinScheme || scheme > kLastSkinScheme) scheme = kFirstSkinScheme;
  const SkinSchemeTones tones = SampleSkinScheme(SkinSchemeBitmap(scheme));
  outerBorder_ = tones.rim;
  innerBorder_ = tones.ring;
  for (SkinImage* part : std::as_const(images_)) part->setAccent(tones.rim.lighter(135));
  image(SkinPart::SkinButton)->setScheme(scheme);
  label(LabelPart::Name)
      ->setStyleSheet(QStringLiteral("QLabel { color: %1; }").arg(tones.rim.lighter(160).name()));
  QPalette editor = text1_->palette();
  editor.setColor(QPalette::Base, tones.rim);
  text1_->setPalette(editor);
  if (withBackgrounds) {
    ApplySkinSchemeBackground(ctx_.skin, tones.centre);
    ApplyLyricColours();
    ApplyListColours();
    visPane()->setBackground(tones.centre);
    PrepareVis();
  }
  update();
}

// Rounded corners of 10 pixels; square while the window fills the screen or
// the lyrics are shown full screen.
void Fplay::WindowShape() {
  if (ctx_.lyricPane.FullScreen || isMaximized() || isFullScreen()) {
    clearMask();
    return;
  }
  const int w = width(), h = height();
  QRegion shape(0, 10, w, h - 20);
  shape += QRegion(10, 0, w - 20, h);
  for (const QPoint& corner : {QPoint(0, 0), QPoint(w - 20, 0), QPoint(0, h - 20), QPoint(w - 20, h - 20)})
    shape += QRegion(corner.x(), corner.y(), 20, 20, QRegion::Ellipse);
  setMask(shape);
}

// Maximised or full screen, the frame areas go; the maximise button's
// tooltip says what a click does next.
void Fplay::changeEvent(QEvent* event) {
  if (event->type() == QEvent::WindowStateChange) {
    image(SkinPart::MaximiseButton)
        ->setToolTip(isMaximized() ? QStringLiteral("还原") : QStringLiteral("最大化"));
    image(SkinPart::MaximiseButton)->update();
    LayoutWindow();
  }
  QWidget::changeEvent(event);
}

// ---------------------------------------------------------------- resizing by the frame

bool Fplay::frameMouseDown(int index, Qt::MouseButton button) {
  const auto part = static_cast<SkinPart>(index);
  if (!isFramePart(part)) return false;
  if (button != Qt::LeftButton || isMaximized() || isFullScreen()) return true;
  if (compositorDrags() && windowHandle()) {
    windowHandle()->startSystemResize(edgesOf(part));
    return true;
  }
  frameDrag_ = {index, geometry()};
  if (!resizeOutline_) resizeOutline_ = std::make_unique<QRubberBand>(QRubberBand::Rectangle);
  resizeOutline_->setGeometry(frameDrag_.proposed);
  resizeOutline_->show();
  return true;
}

// The proposed rectangle keeps the edges opposite the dragged ones, and never
// gets smaller than the minimum.
bool Fplay::frameMouseMove(int index, QPoint globalPos) {
  if (!isFramePart(static_cast<SkinPart>(index))) return false;
  if (frameDrag_.index != index) return true;
  const Qt::Edges edges = edgesOf(static_cast<SkinPart>(index));
  QRect rect = frameDrag_.proposed;
  const QRect start = geometry();
  if (edges & Qt::LeftEdge) rect.setLeft(std::min(globalPos.x(), start.right() + 1 - kMinWindowWidth));
  if (edges & Qt::RightEdge) rect.setRight(std::max(globalPos.x(), start.left() + kMinWindowWidth - 1));
  if (edges & Qt::TopEdge) rect.setTop(std::min(globalPos.y(), start.bottom() + 1 - kMinWindowHeight));
  if (edges & Qt::BottomEdge) rect.setBottom(std::max(globalPos.y(), start.top() + kMinWindowHeight - 1));
  frameDrag_.proposed = rect;
  if (resizeOutline_) resizeOutline_->setGeometry(rect);
  return true;
}

bool Fplay::frameMouseUp(int index) {
  if (!isFramePart(static_cast<SkinPart>(index))) return false;
  if (frameDrag_.index != index) return true;
  if (resizeOutline_) resizeOutline_->hide();
  frameDrag_.index = 0;
  setGeometry(frameDrag_.proposed);
  return true;
}

QRect Fplay::ResizeOutline() const {
  return resizeOutline_ && resizeOutline_->isVisible() ? resizeOutline_->geometry() : QRect();
}

}  // namespace lyrovo
