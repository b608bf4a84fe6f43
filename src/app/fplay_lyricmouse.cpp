// The mouse on the lyric pane and the playlist: the wheel shifts the
// lyric's timing or scrolls the list, a drag on the lyric scrubs through the
// song, a right click opens the lyric menu, and an .lrc file dropped on the
// pane becomes the song's lyric. A shifted lyric is written back into its
// file when the next song starts.
#include "app/filedrop.h"
#include "app/fplay.h"
#include "app/transport.h"
#include "lyrics/lyricadjust.h"
#include "lyrics/lyricdrop.h"
#include "lyrics/lyricpane.h"
#include "playlist/playlisttablemodel.h"
#include "text/numeric.h"
#include "text/textutil.h"

#include <QCursor>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFrame>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <QWheelEvent>

namespace lyrovo {

bool Fplay::lyricPaneEvent(QObject* watched, QEvent* event) {
  PicturePane* pane = lyricView();
  if (!pane || watched != pane) return false;
  switch (event->type()) {
    case QEvent::Wheel:
      ctx_.log.trap(QStringLiteral("WindowProc"),
                    [&] { LyricWheel(static_cast<QWheelEvent*>(event)->angleDelta().y()); });
      return true;
    case QEvent::MouseButtonPress: {
      const auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() == Qt::LeftButton) startLyricDrag(mouse->globalPosition().toPoint());
      return false;
    }
    case QEvent::MouseMove:
      Pic1_MouseMove(static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
      return false;
    case QEvent::MouseButtonRelease: {
      const auto* mouse = static_cast<QMouseEvent*>(event);
      Pic1_MouseUp(mouse->button(), mouse->globalPosition().toPoint());
      return false;
    }
    case QEvent::FocusOut:
      lyricHasFocus_ = false;
      return false;
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto* drag = static_cast<QDragMoveEvent*>(event);
      if (AcceptsLyricDrop(LocalPathsOf(drag->mimeData()))) {
        drag->setDropAction(Qt::CopyAction);
        drag->accept();
      } else {
        drag->ignore();
      }
      return true;
    }
    case QEvent::Drop: {
      auto* drop = static_cast<QDropEvent*>(event);
      const QStringList paths = LocalPathsOf(drop->mimeData());
      if (!AcceptsLyricDrop(paths)) {
        drop->ignore();
        return true;
      }
      drop->setDropAction(Qt::CopyAction);
      drop->accept();
      Pic1_OLEDragDrop(paths);
      return true;
    }
    default:
      return false;
  }
}

void Fplay::LyricWheel(int angleDelta) {
  if (!isVisible() || !timer2_.isActive() || !ctx_.settings.mouseAdjust) return;
  const int notches = lyricWheel_.add(angleDelta);
  if (notches == 0) return;
  ShiftLyric(ctx_.lyrics, notches);
  WordAdjust();
  ctx_.player.LyricDirty = true;
}

void Fplay::WriteBackShiftedLyric() {
  ctx_.log.trap(QStringLiteral("WriteBackShiftedLyric"), [&] {
    // A lyric without a file of its own (from the song's tags, or from the
    // web without a kept copy) keeps its shift only while it plays.
    if (ctx_.settings.saveAfterAdjust && !ctx_.lyrics.SourceFile.isEmpty()) WriteBackLyric(ctx_.lyrics);
  });
  ctx_.player.LyricDirty = false;
  lyricWheel_.reset();
}

// ---------------------------------------------------------------- drag seeking

void Fplay::startLyricDrag(QPoint screenPos) {
  ctx_.log.trap(QStringLiteral("Pic1_MouseDown"), [&] {
    if (!timer2_.isActive()) return;
    timer2_.stop();
    const bool vertical = ctx_.settings.showType == 1;
    lyricView()->setCursor(vertical ? Qt::SizeVerCursor : Qt::SizeHorCursor);
    BeginLyricDrag(lyricDrag_, ctx_.lyricPane, ctx_.lyrics, vertical, screenPos, positionMs());
  });
}

void Fplay::Pic1_MouseMove(QPoint screenPos) {
  ctx_.log.trap(QStringLiteral("Pic1_MouseMove"), [&] {
    // The pane takes the keyboard focus once, so keys such as Escape reach
    // it; never from a playlist cell being edited.
    if (!lyricHasFocus_ && !ctx_.player.SearchWindowOpen && !(text1_ && text1_->isVisible())) {
      lyricView()->setFocus();
      lyricHasFocus_ = true;
    }
    if (!lyricDrag_.active) return;
    const bool vertical = ctx_.settings.showType == 1;
    if (!MoveLyricDrag(lyricDrag_, *lyricPane_, ctx_.lyricPane, ctx_.lyrics, vertical, screenPos)) return;
    showDragGuide(vertical);
    dragTimeLabel_->setText(FormatTime(lyricDrag_.targetMs / 1000));
    dragTimeLabel_->adjustSize();
    setStatus(QStringLiteral("调节歌词"));
    lyricView()->update();
  });
}

void Fplay::Pic1_MouseUp(Qt::MouseButton button, QPoint screenPos) {
  ctx_.log.trap(QStringLiteral("Pic1_MouseUp"), [&] {
    if (button == Qt::RightButton) {
      ShowLyricMenu(screenPos);
      return;
    }
    if (!lyricDrag_.active) return;
    const std::optional<std::int32_t> target =
        EndLyricDrag(lyricDrag_, ctx_.settings.showType == 1, screenPos);
    if (target && ctx_.player.MsPerByte > 0)
      ctx_.BP1.setAPosByte(std::int64_t(nearest(*target / ctx_.player.MsPerByte)));
    if (guideLine_) guideLine_->hide();
    if (dragTimeLabel_) dragTimeLabel_->hide();
    lyricView()->unsetCursor();
    timer2_.start();
    WordAdjust();
    setStatus(QStringLiteral("播放"), true);
  });
}

// The guide line across the pane's centre and the time under it.
void Fplay::showDragGuide(bool vertical) {
  PicturePane* pane = lyricView();
  if (!guideLine_) {
    guideLine_ = new QFrame(pane);
    guideLine_->setObjectName(QStringLiteral("lyricGuideLine"));
    dragTimeLabel_ = new QLabel(pane);
    dragTimeLabel_->setObjectName(QStringLiteral("lyricDragTime"));
    dragTimeLabel_->setTextFormat(Qt::PlainText);
  }
  const ColourParts colour = SplitColour(ctx_.skin.word_colBR);
  const QString css = QStringLiteral("rgb(%1,%2,%3)").arg(colour.red).arg(colour.green).arg(colour.blue);
  guideLine_->setStyleSheet(QStringLiteral("background: ") + css + u';');
  dragTimeLabel_->setStyleSheet(QStringLiteral("color: ") + css +
                                QStringLiteral("; background: transparent;"));
  const int midX = pane->width() / 2, midY = pane->height() / 2;
  if (vertical) {
    guideLine_->setGeometry(0, midY, pane->width(), 1);
    dragTimeLabel_->move(std::max(0, pane->width() - dragTimeLabel_->width() - 4),
                         std::max(0, midY - dragTimeLabel_->height()));
  } else {
    guideLine_->setGeometry(midX, 0, 1, pane->height());
    dragTimeLabel_->move(midX + 4, 0);
  }
  guideLine_->show();
  dragTimeLabel_->show();
  guideLine_->raise();
  dragTimeLabel_->raise();
}

// ---------------------------------------------------------------- drops

void Fplay::Pic1_OLEDragDrop(const QStringList& paths) {
  ctx_.log.trap(QStringLiteral("Pic1_OLEDragDrop"), [&] {
    // A shift of the lyric shown until now is kept before it is replaced.
    if (ctx_.player.LyricDirty) WriteBackShiftedLyric();
    LoadWordContext context = loadWordContext();
    lastLyricSource_ = paths.value(0);
    DropLyricFile(paths, context);
    lyricView()->update();
  });
}

// ---------------------------------------------------------------- the playlist's wheel

bool Fplay::listWheelEvent(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::Wheel || watched != list_->viewport()) return false;
  ctx_.log.trap(QStringLiteral("WindowProc"), [&] {
    const int rows = ListCount();
    if (rows < 1 || !list_->isVisible()) return;
    const int notches = listWheel_.add(static_cast<QWheelEvent*>(event)->angleDelta().y());
    if (notches == 0) return;
    const int top = ListTopRow();
    const int newTop = ListTopAfterWheel(top, rows, RowsPerPage(), notches);
    if (newTop != top) list_->scrollTo(listModel_->index(newTop - 1, 0), QAbstractItemView::PositionAtTop);
    placeListThumb();
  });
  return true;
}

}  // namespace lyrovo
