#include "app/filedrop.h"

#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTableView>
#include <QUrl>

namespace lyrovo {

QStringList LocalPathsOf(const QMimeData* mime) {
  QStringList paths;
  if (!mime || !mime->hasUrls()) return paths;
  const QList<QUrl> urls = mime->urls();
  for (const QUrl& url : urls)
    if (url.isLocalFile() && !url.toLocalFile().isEmpty()) paths << url.toLocalFile();
  return paths;
}

FileDropFilter::FileDropFilter(QWidget* target, QTableView* list, Accepts accepts, Dropped dropped)
    : QObject(target),
      target_(target),
      list_(list),
      accepts_(std::move(accepts)),
      dropped_(std::move(dropped)) {
  target->setAcceptDrops(true);
  target->installEventFilter(this);
  if (list_) {
    marker_ = new QWidget(target);
    marker_->setObjectName(QStringLiteral("insertionMarker"));
    marker_->setAttribute(Qt::WA_StyledBackground);
    marker_->setAttribute(Qt::WA_TransparentForMouseEvents);
    marker_->setStyleSheet(QStringLiteral("#insertionMarker { background: #D7799A; }"));
    marker_->hide();
  }
}

void FileDropFilter::placeMarker(QPoint at) {
  if (!marker_) return;
  const int rows = list_->model() ? list_->model()->rowCount() : 0;
  if (!acceptable_ || rows == 0) {
    marker_->hide();
    return;
  }
  const int row = list_->rowAt(at.y());
  const QRect cell = list_->visualRect(list_->model()->index(row < 0 ? rows - 1 : row, 0));
  const int y = row < 0 ? cell.bottom() : cell.top();
  marker_->setGeometry(0, std::max(0, y - 1), target_->width(), 2);
  marker_->show();
  marker_->raise();
}

bool FileDropFilter::eventFilter(QObject* watched, QEvent* event) {
  if (watched != target_) return false;
  switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto* drag = static_cast<QDragMoveEvent*>(event);
      const QStringList paths = LocalPathsOf(drag->mimeData());
      if (paths.isEmpty()) return false;
      if (event->type() == QEvent::DragEnter) acceptable_ = accepts_(paths);
      if (acceptable_) {
        drag->setDropAction(Qt::CopyAction);
        drag->accept();
      } else {
        drag->ignore();
      }
      placeMarker(drag->position().toPoint());
      return true;
    }
    case QEvent::DragLeave:
      if (marker_) marker_->hide();
      return false;
    case QEvent::Drop: {
      auto* drop = static_cast<QDropEvent*>(event);
      const QStringList paths = LocalPathsOf(drop->mimeData());
      if (paths.isEmpty()) return false;
      if (marker_) marker_->hide();
      drop->setDropAction(Qt::CopyAction);
      drop->accept();
      dropped_(paths, drop->position().toPoint());
      return true;
    }
    default:
      return false;
  }
}

}  // namespace lyrovo
