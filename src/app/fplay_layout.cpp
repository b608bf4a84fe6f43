// The main window's layout and background: where every element sits for the
// window's size, and the skin painted behind them.
#include "app/fplay.h"
#include "app/loadingpanel.h"
#include "lyrics/lyricpane.h"

#include <QCursor>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWindow>

#include <algorithm>

namespace lyrovo {

namespace {

constexpr int kMargin = 8;        // around the window's content
constexpr int kTitleBand = 30;    // the band with the name and the window buttons
constexpr int kLeftColumn = 194;  // right edge of the column of photo, texts, views and transport
constexpr int kCorner = 12;       // frame corners, square
constexpr int kEdge = 5;          // thickness of the frame edges

QColor blend(const QColor& from, const QColor& to, double amount) {
  return QColor::fromRgbF(float(from.redF() + (to.redF() - from.redF()) * amount),
                          float(from.greenF() + (to.greenF() - from.greenF()) * amount),
                          float(from.blueF() + (to.blueF() - from.blueF()) * amount));
}

}  // namespace

// In the order the window is built up: frame, title band, the left column
// (photo, texts, views, seek bar, transport, volume), then the lyric pane,
// the playlist with its scroll track and buttons; then the list's columns
// and the lyric pane's measures follow the new sizes, and the window's shape.
void Fplay::LayoutWindow() {
  if (isMinimized()) return;
  const int w = width(), h = height();
  layoutFrame(w, h);

  int x = w - kMargin - 24;
  for (SkinPart part :
       {SkinPart::CloseButton, SkinPart::MaximiseButton, SkinPart::MinimiseButton, SkinPart::MenuButton}) {
    image(part)->setGeometry(x, 5, 24, 20);
    x -= 26;
  }
  label(LabelPart::Name)->setGeometry(14, 5, std::clamp(x + 26 - 14 - 4, 1, 240), 20);

  constexpr int top = kTitleBand + 2, left = kMargin, column = kLeftColumn - kMargin;
  photoPane()->setGeometry(left, top, 56, 56);
  const int textLeft = left + 64, textWidth = column - 64;
  label(LabelPart::Time)->setGeometry(textLeft, top - 4, textWidth, 28);
  label(LabelPart::TotalTime)->setGeometry(textLeft, top + 24, textWidth, 16);
  label(LabelPart::Status)->setGeometry(textLeft, top + 40, textWidth, 16);
  label(LabelPart::Channels)->setGeometry(left, top + 60, column, 16);
  label(LabelPart::StreamInfo)->setGeometry(left, top + 76, column, 16);
  const int visTop = top + 98;
  const int visHeight = std::max(1, h - visTop - 96);
  visPane()->setGeometry(left, visTop, column, visHeight);

  const int seekTop = visTop + visHeight + 8;
  image(SkinPart::SeekBar)->setGeometry(left, seekTop, column, 12);
  image(SkinPart::SeekThumb)->setGeometry(left, seekTop, 12, 12);
  const int rowTop = seekTop + 18;
  x = left;
  for (SkinPart part : {SkinPart::PreviousButton, SkinPart::PlayButton, SkinPart::NextButton,
                        SkinPart::StopButton, SkinPart::OpenButton, SkinPart::SkinButton}) {
    const int size = part == SkinPart::PlayButton ? 34 : part == SkinPart::SkinButton ? 24 : 26;
    image(part)->setGeometry(x, rowTop + (34 - size) / 2, size, size);
    x += size + (part == SkinPart::OpenButton ? 10 : 3);
  }
  const int volumeTop = rowTop + 40;
  image(SkinPart::MuteButton)->setGeometry(left, volumeTop, 22, 20);
  image(SkinPart::VolumeBar)->setGeometry(left + 26, volumeTop + 4, 96, 12);
  image(SkinPart::VolumeKnob)->setGeometry(left + 26, volumeTop + 4, 12, 12);
  placeVolumeKnob();
  placeSeekThumb();

  layoutLyricsAndList(w, h);  // the lyric pane keeps its measures as it is resized
  WindowShape();
  update();
}

// The lyric pane over the upper half and the playlist under it; with the
// playlist covered the pane takes the list's space too, and in full screen
// it takes the whole window.
void Fplay::layoutLyricsAndList(int w, int h) {
  const bool covered = ctx_.lyricPane.CoverPlaylist;
  const bool full = ctx_.lyricPane.FullScreen;
  for (SkinPart part :
       {SkinPart::AddButton, SkinPart::DeleteButton, SkinPart::SortButton, SkinPart::ModeButton})
    image(part)->setVisible(!covered && !full);
  list_->setVisible(!covered && !full);
  if (full) {
    lyricView()->setGeometry(rect());
    lyricView()->raise();
    image(SkinPart::ListTrack)->hide();
    image(SkinPart::ListThumb)->hide();
    return;
  }
  constexpr int top = kTitleBand + 2;
  const int right = kLeftColumn + kMargin;
  const int paneWidth = std::max(1, w - right - kMargin);
  const int lyricHeight = covered ? std::max(1, h - top - kMargin) : std::max(1, (h - top - kMargin) / 2);
  lyricView()->setGeometry(right, top, paneWidth, lyricHeight);
  const int listTop = top + lyricHeight + kMargin;
  const int listHeight = std::max(1, h - listTop - kMargin - 28);
  list_->setGeometry(right, listTop, std::max(1, paneWidth - 14), listHeight);
  image(SkinPart::ListTrack)->setGeometry(w - kMargin - 10, listTop, 10, listHeight);
  SkinImage* thumb = image(SkinPart::ListThumb);
  thumb->setGeometry(w - kMargin - 10, std::max(thumb->y(), listTop), 10, std::min(listHeight, 30));
  loadingPanel_->setGeometry(list_->geometry());
  int x = right;
  for (SkinPart part :
       {SkinPart::AddButton, SkinPart::DeleteButton, SkinPart::SortButton, SkinPart::ModeButton}) {
    image(part)->setGeometry(x, h - kMargin - 22, 46, 22);
    x += 50;
  }
  if (covered) {
    image(SkinPart::ListTrack)->hide();
    image(SkinPart::ListThumb)->hide();
  } else {
    RefreshListLayout();
  }
}

// The eight frame areas along the edges; hidden while the window fills the screen.
void Fplay::layoutFrame(int w, int h) {
  const bool shown = !isMaximized() && !isFullScreen();
  const QRect areas[] = {{0, 0, kCorner, kCorner},
                         {kCorner, 0, w - 2 * kCorner, kEdge},
                         {w - kCorner, 0, kCorner, kCorner},
                         {0, kCorner, kEdge, h - 2 * kCorner},
                         {w - kEdge, kCorner, kEdge, h - 2 * kCorner},
                         {0, h - kCorner, kCorner, kCorner},
                         {kCorner, h - kEdge, w - 2 * kCorner, kEdge},
                         {w - kCorner, h - kCorner, kCorner, kCorner}};
  for (int i = 0; i < 8; ++i) {
    SkinImage* area = Image1(static_cast<int>(SkinPart::FrameTopLeft) + i);
    area->setGeometry(areas[i]);
    area->setVisible(shown);
    if (shown) area->raise();
  }
}

void Fplay::resizeEvent(QResizeEvent*) { LayoutWindow(); }

// A press on the window's own background drags the borderless window.
void Fplay::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && windowHandle()) windowHandle()->startSystemMove();
}

// A right click on the background opens the main menu (a click a label let
// through is not one).
void Fplay::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::RightButton && !childAt(event->position().toPoint()))
    ShowMainMenu(QCursor::pos());
}

// The background: a dark body tinted by the scheme, a title band in the
// scheme's colour, a soft panel under the transport, and two borders around
// each pane (the scheme's rim outside, its ring inside).
void Fplay::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const bool square = isMaximized() || isFullScreen() || ctx_.lyricPane.FullScreen;
  const QRectF whole = QRectF(rect());
  const QColor body = blend(QColor(0x1E, 0x1E, 0x21), innerBorder_, 0.18);
  p.fillRect(rect(), body.darker(140));  // the corners outside the rounded shape
  QPainterPath shape;
  shape.addRoundedRect(whole.adjusted(0.5, 0.5, -0.5, -0.5), square ? 0 : 10, square ? 0 : 10);
  QLinearGradient fill(0, 0, 0, height());
  fill.setColorAt(0, body.lighter(118));
  fill.setColorAt(1, body);
  p.fillPath(shape, fill);

  QLinearGradient band(0, 0, 0, kTitleBand);
  band.setColorAt(0, innerBorder_.lighter(115));
  band.setColorAt(1, innerBorder_.darker(135));
  QPainterPath title;
  title.addRoundedRect(QRectF(0.5, 0.5, width() - 1, kTitleBand + 10), square ? 0 : 10, square ? 0 : 10);
  QPainterPath below;
  below.addRect(QRectF(0, kTitleBand, width(), 12));
  p.fillPath(title.subtracted(below), band);

  const QRect seek = image(SkinPart::SeekBar)->geometry();
  const QRect volume = image(SkinPart::VolumeBar)->geometry();
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 255, 255, 10));
  p.drawRoundedRect(
      QRectF(seek.left() - 4, seek.top() - 4, seek.width() + 8, volume.bottom() - seek.top() + 12), 6, 6);

  for (QWidget* pane : {static_cast<QWidget*>(photoPane()), static_cast<QWidget*>(visPane()),
                        static_cast<QWidget*>(lyricView()), static_cast<QWidget*>(list_)}) {
    if (!pane->isVisible()) continue;
    const QRectF area = QRectF(pane->geometry());
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(outerBorder_, 1));
    p.drawRoundedRect(area.adjusted(-3.5, -3.5, 3.5, 3.5), 5, 5);
    p.setPen(QPen(innerBorder_, 1));
    p.drawRoundedRect(area.adjusted(-1.5, -1.5, 1.5, 1.5), 3, 3);
  }
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(outerBorder_, 1));
  p.drawPath(shape);
}

}  // namespace lyrovo
