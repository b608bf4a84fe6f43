#pragma once

#include <QObject>
#include <QPoint>
#include <QStringList>

#include <functional>

class QMimeData;
class QTableView;
class QWidget;

namespace lyrovo {

// The local paths of dropped files and folders, in drop order; text and
// remote URLs give none.
QStringList LocalPathsOf(const QMimeData* mime);

// Lets files and folders from the desktop be dropped on a widget: offers
// the copy action while the dragged paths would add anything (decided once
// when the drag enters), and hands the paths of a drop on with the point
// in the widget. Over the playlist an insertion marker (a thin bar) shows
// where the files would go: at the top of the row under the pointer, or
// under the last row. Drags without local paths (rows dragged inside the
// list) pass through untouched.
class FileDropFilter : public QObject {
 public:
  using Accepts = std::function<bool(const QStringList& paths)>;
  using Dropped = std::function<void(const QStringList& paths, QPoint at)>;

  // list: the playlist view whose viewport is target, for the marker; or nullptr.
  FileDropFilter(QWidget* target, QTableView* list, Accepts accepts, Dropped dropped);

  QWidget* marker() const { return marker_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void placeMarker(QPoint at);

  QWidget* target_;
  QTableView* list_;
  QWidget* marker_ = nullptr;
  Accepts accepts_;
  Dropped dropped_;
  bool acceptable_ = false;
};

}  // namespace lyrovo
