// The playlist's commands in the main window: the row menu with its rename
// and send-to submenus, the delete and sort menus, the Delete key, the cell
// editor, the view's focus rule and moving a row by dragging it.
#include "app/filemanager.h"
#include "app/fplay.h"
#include "playlist/playlistops.h"
#include "playlist/playlisttablemodel.h"

#include <QApplication>
#include <QHeaderView>
#include <QItemSelection>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>

namespace lyrovo {

namespace {
enum ListMenu {
  kPlay = 0,
  kEdit = 2,
  kDelete = 3,
  kDeleteFiles = 4,
  kRename = 6,
  kSendTo = 7,
  kMediaInfo = 9,
  kReveal = 10,
  kOptions = 12
};
constexpr int kPlaylistOptionsPage = 5;
}  // namespace

void Fplay::buildPlaylistCommands() {
  revealFile_ = RevealInFileManager;

  menuL_ = new QMenu(this);
  auto entry = [this](int index, const QString& caption) {
    QAction* action = menuL_->addAction(caption);
    connect(action, &QAction::triggered, this, [this, index] { menuLs_Click(index); });
    menuLs_.insert(index, action);
  };
  entry(kPlay, QStringLiteral("播放(&P)"));
  menuL_->addSeparator();
  entry(kEdit, QStringLiteral("编辑(&E)"));
  entry(kDelete, QStringLiteral("删除(&D)"));
  entry(kDeleteFiles, QStringLiteral("物理删除(&W)"));
  menuL_->addSeparator();
  QMenu* renameMenu = menuL_->addMenu(QStringLiteral("重命名文件"));
  menuLs_.insert(kRename, renameMenu->menuAction());
  const QStringList renameCaptions = {QStringLiteral("歌曲名.扩展名"), QStringLiteral("歌手 - 歌曲名.扩展名"),
                                      QStringLiteral("歌曲名 - 歌手.扩展名")};
  for (int i = 0; i < renameCaptions.size(); ++i) {
    QAction* action = renameMenu->addAction(renameCaptions[i]);
    connect(action, &QAction::triggered, this, [this, i] { renames_Click(i + 1); });
    renames_ << action;
  }
  QMenu* sendMenu = menuL_->addMenu(QStringLiteral("发送到"));
  menuLs_.insert(kSendTo, sendMenu->menuAction());
  QAction* toFolder = sendMenu->addAction(QStringLiteral("文件夹..."));
  QAction* separator = sendMenu->addSeparator();
  QAction* toDesktop = sendMenu->addAction(QStringLiteral("桌面快捷方式"));
  connect(toFolder, &QAction::triggered, this, [this] { sendtos_Click(1); });
  connect(toDesktop, &QAction::triggered, this, [this] { sendtos_Click(3); });
  sendtos_ << toFolder << separator << toDesktop;
  menuL_->addSeparator();
  entry(kMediaInfo, QStringLiteral("媒体信息(&I)..."));
  entry(kReveal, QStringLiteral("浏览文件(&F)..."));
  menuL_->addSeparator();
  entry(kOptions, QStringLiteral("选项(&O)..."));

  auto fill = [this](QMenu*& menu, QList<QAction*>& entries, const QStringList& captions, auto click) {
    menu = new QMenu(this);
    for (int i = 0; i < captions.size(); ++i) {
      QAction* action = captions[i].isEmpty() ? menu->addSeparator() : menu->addAction(captions[i]);
      connect(action, &QAction::triggered, this, [this, click, index = i + 1] { (this->*click)(index); });
      entries << action;
    }
  };
  fill(menuD_, menuDs_,
       {QStringLiteral("删除选中(&S)"), QStringLiteral("删除重复(&D)"), QStringLiteral("删除错误(&F)"),
        QString(), QStringLiteral("删除全部(&A)")},
       &Fplay::menuDs_Click);
  fill(menuS_, menuSs_,
       {QStringLiteral("按标题名(&T)"), QStringLiteral("按歌手名(&S)"), QStringLiteral("按播放长度(&T)"),
        QString(), QStringLiteral("随机乱序(&O)")},
       &Fplay::menuSs_Click);
  for (int index : {1, 2, 3, 5}) menuSs_[index - 1]->setCheckable(true);

  text1_ = new QLineEdit(list_->viewport());
  text1_->setObjectName(QStringLiteral("Text1"));
  text1_->hide();
  connect(text1_, &QLineEdit::textEdited, this, [this] { editModified_ = true; });
  connect(text1_, &QLineEdit::returnPressed, this, [this] { commitCellEdit(); });

  dragSnapshot_ = new QLabel(list_->viewport());
  dragSnapshot_->setObjectName(QStringLiteral("dragSnapshot"));
  dragSnapshot_->setAttribute(Qt::WA_TransparentForMouseEvents);
  dragSnapshot_->hide();

  list_->viewport()->installEventFilter(this);
  list_->viewport()->setMouseTracking(true);
}

// ---------------------------------------------------------------- the row menu

void Fplay::ShowRowMenu(QPoint globalPos, int x) {
  ctx_.log.trap(QStringLiteral("List1_MouseUp"), [&] {
    // With an empty list the right-click belongs to the add menu.
    if (ListCount() == 0) return;
    int selected = 0;
    for (const PlaylistRow& row : ctx_.playlist.rows())
      if (row.selected && ++selected == 2) break;
    const RowMenuState state =
        RowMenu(ctx_.settings.forbidFileDelete, selected, x, list_->columnViewportPosition(1),
                list_->columnViewportPosition(2), list_->columnViewportPosition(3));
    menuLs_[kDeleteFiles]->setEnabled(state.deleteFiles);
    for (int index : {kPlay, kEdit, kMediaInfo, kReveal}) menuLs_[index]->setEnabled(state.singleRow);
    menuLs_[kEdit]->setEnabled(state.edit);
    if (state.edit) editColumn_ = state.editColumn;
    menuL_->popup(globalPos);
  });
}

void Fplay::menuLs_Click(int index) {
  ctx_.log.trap(QStringLiteral("menuLs_Click"), [&] {
    Playlist& list = ctx_.playlist;
    const int item = list.selectedItem();
    const QString itemPath = item >= 1 && item <= ListCount() ? list.row(item).path : QString();
    switch (index) {
      case kPlay:
        List1_DblClick();
        break;
      case kEdit:
        beginCellEdit();
        break;
      case kDelete:
        menuDs_Click(1);
        break;
      case kDeleteFiles:
        if (ctx_.settings.forbidFileDelete) break;
        DeleteSelectedFiles(list, ctx_.player.CurrentIndex, *ctx_.prompts);
        MarkCurrentRow();
        RefreshListLayout();
        break;
      case kMediaInfo:
        ShowMediaInfo();
        break;
      case kReveal:
        if (FileExists(itemPath)) revealFile_(itemPath);
        break;
      case kOptions:
        ShowOptions(kPlaylistOptionsPage);
        break;
      default:
        break;
    }
  });
}

void Fplay::renames_Click(int entry) {
  ctx_.log.trap(QStringLiteral("FormAbout_renames_Click"), [&] {
    RenameFiles(ctx_.playlist, ctx_.player.CurrentIndex, entry, ctx_.BP1, *ctx_.prompts);
    MarkCurrentRow();
    RefreshListLayout();
    SavePlaylist();
  });
}

void Fplay::sendtos_Click(int entry) {
  ctx_.log.trap(QStringLiteral("FormAbout_ sendtos_Click"), [&] {
    if (entry == 1)
      CopyFilesToFolder(ctx_.playlist, ctx_.player.CurrentIndex, ctx_.settings.sendFolderPath, *ctx_.prompts);
    else if (entry == 3)
      MakeDesktopLinks(ctx_.playlist, ctx_.player.CurrentIndex, ctx_.shell, *ctx_.prompts);
  });
  showRowSelection();
}

// Named calls: the media information and options windows open here.

// ---------------------------------------------------------------- delete and sort menus

void Fplay::ShowDeleteMenu() {
  for (QAction* action : std::as_const(menuDs_)) action->setEnabled(ListCount() > 0);
  menuD_->popup(
      image(SkinPart::DeleteButton)->mapToGlobal(QPoint(0, image(SkinPart::DeleteButton)->height())));
}

void Fplay::ShowSortMenu() {
  for (QAction* action : std::as_const(menuSs_)) action->setEnabled(ListCount() > 0);
  menuS_->popup(image(SkinPart::SortButton)->mapToGlobal(QPoint(0, image(SkinPart::SortButton)->height())));
}

void Fplay::menuDs_Click(int index) {
  ctx_.log.trap(QStringLiteral("menuDs_Click"), [&] {
    Playlist& list = ctx_.playlist;
    std::int16_t& current = ctx_.player.CurrentIndex;
    switch (index) {
      case 1:
        DeleteSelected(list, current);
        break;
      case 2:
        DeleteDuplicates(list, current);
        break;
      case 3:
        DeleteMissing(list, current);
        break;
      case 5:
        DeleteAll(list, current);
        break;
      default:
        return;
    }
    MarkCurrentRow();
    RefreshListLayout();
    SavePlaylist();
  });
}

void Fplay::menuSs_Click(int index) {
  ctx_.log.trap(QStringLiteral("menuSs_Click"), [&] {
    if (index == SortState::Random)
      ShuffleRows(ctx_.playlist, ctx_.player.CurrentIndex, sortState_, ctx_.random);
    else if (index >= SortState::ByTitle && index <= SortState::ByLength)
      SortRows(ctx_.playlist, ctx_.player.CurrentIndex, sortState_, SortState::Entry(index));
    else
      return;
    for (int entry : {1, 2, 3, 5}) menuSs_[entry - 1]->setChecked(sortState_.checked == entry);
    showRowSelection();
    ScrollToRow(ctx_.player.CurrentIndex);
    SavePlaylist();
  });
}

void Fplay::showRowSelection() {
  QItemSelection selection;
  const std::vector<PlaylistRow>& rows = ctx_.playlist.rows();
  const int last = listModel_->columnCount() - 1;
  for (int i = 0; i < int(rows.size());) {
    if (!rows[std::size_t(i)].selected) {
      ++i;
      continue;
    }
    int end = i;
    while (end + 1 < int(rows.size()) && rows[std::size_t(end + 1)].selected) ++end;
    selection.select(listModel_->index(i, 0), listModel_->index(end, last));
    i = end + 1;
  }
  // The selection model copies the view's selection back into the rows; it
  // must see the item that single-row commands act on as its current index.
  const int item = ctx_.playlist.selectedItem();
  QItemSelectionModel* model = list_->selectionModel();
  if (item >= 1) model->setCurrentIndex(listModel_->index(item - 1, 0), QItemSelectionModel::NoUpdate);
  model->select(selection, QItemSelectionModel::ClearAndSelect);
  list_->viewport()->update();
}

// ---------------------------------------------------------------- the cell editor

void Fplay::beginCellEdit() {
  const int item = ctx_.playlist.selectedItem();
  if (item < 1 || item > ListCount()) return;
  const PlaylistRow& row = ctx_.playlist.row(item);
  const QModelIndex cell = listModel_->index(item - 1, editColumn_ - 1);
  list_->scrollTo(cell);
  text1_->setGeometry(list_->visualRect(cell));
  text1_->setText(editColumn_ == 2 ? row.title : row.artist);
  text1_->selectAll();
  text1_->show();
  text1_->setFocus();
  editingRow_ = item;
  editingColumn_ = editColumn_;
  editModified_ = false;
}

void Fplay::commitCellEdit() {
  if (!text1_->isVisible()) return;
  ctx_.log.trap(QStringLiteral("Text1_KeyPress"), [&] {
    if (editModified_ && editingRow_ >= 1 && editingRow_ <= ListCount())
      CommitCellEdit(ctx_.playlist, ctx_.player, ctx_.settings.WordPath, editingRow_, editingColumn_,
                     text1_->text());
  });
  editModified_ = false;
  text1_->hide();
  list_->setFocus();
}

// ---------------------------------------------------------------- view events

bool Fplay::playlistEvent(QObject* watched, QEvent* event) {
  if (!text1_) return false;  // events that come while the window is being built
  QWidget* viewport = list_->viewport();
  if (watched == list_) {
    if (event->type() == QEvent::FocusOut) listHasFocus_ = false;
    if (event->type() == QEvent::KeyPress) {
      const auto* key = static_cast<QKeyEvent*>(event);
      if (key->key() == Qt::Key_Delete && !(key->modifiers() & Qt::ShiftModifier)) {
        menuDs_Click(1);
        return true;
      }
    }
    return false;
  }
  if (watched != viewport) return false;
  switch (event->type()) {
    case QEvent::MouseButtonPress: {
      const auto* mouse = static_cast<QMouseEvent*>(event);
      if (text1_->isVisible()) commitCellEdit();
      if (mouse->button() == Qt::LeftButton) {
        dragRow_ = list_->rowAt(mouse->position().toPoint().y()) + 1;
        dragFrom_ = mouse->position().toPoint();
        dragging_ = false;
      }
      return false;
    }
    case QEvent::MouseMove: {
      const auto* mouse = static_cast<QMouseEvent*>(event);
      if (!listHasFocus_ && !text1_->isVisible() && !ctx_.player.SearchWindowOpen) {
        list_->setFocus();
        listHasFocus_ = true;
      }
      if (dragRow_ < 1 || !(mouse->buttons() & Qt::LeftButton)) return false;
      const QPoint at = mouse->position().toPoint();
      if (!dragging_ && (at - dragFrom_).manhattanLength() >= QApplication::startDragDistance()) {
        // A picture of the dragged row as drawn now, carried over the rows.
        dragging_ = true;
        const QRect rowRect(0, list_->rowViewportPosition(dragRow_ - 1), viewport->width(),
                            list_->rowHeight(dragRow_ - 1));
        dragSnapshot_->setPixmap(viewport->grab(rowRect));
        dragSnapshot_->resize(rowRect.size());
        viewport->setCursor(Qt::DragMoveCursor);
      }
      if (dragging_) {
        // Over the row the drop would land on; below the last row when under all rows.
        const int row = list_->rowAt(at.y());
        const int lastBottom =
            ListCount() > 0 ? list_->rowViewportPosition(ListCount() - 1) + list_->rowHeight(ListCount() - 1)
                            : 0;
        dragSnapshot_->move(0, row >= 0 ? list_->rowViewportPosition(row) : lastBottom);
        dragSnapshot_->setVisible(viewport->rect().contains(at));
      }
      return dragging_;  // a drag does not extend the selection
    }
    case QEvent::MouseButtonRelease: {
      const auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() == Qt::RightButton) {
        ShowRowMenu(mouse->globalPosition().toPoint(), mouse->position().toPoint().x());
        return false;
      }
      // The view still sees the release, which ends its own pressed state.
      if (mouse->button() == Qt::LeftButton && dragging_) endRowDrag(mouse->position().toPoint());
      dragRow_ = 0;
      return false;
    }
    default:
      return false;
  }
}

void Fplay::endRowDrag(QPoint viewportPos) {
  dragSnapshot_->hide();
  list_->viewport()->unsetCursor();
  const int src = dragRow_;
  dragRow_ = 0;
  dragging_ = false;
  if (!list_->viewport()->rect().contains(viewportPos)) return;
  ctx_.log.trap(QStringLiteral("List1_OLEDragDrop"), [&] {
    const int row = list_->rowAt(viewportPos.y());
    const int target = row >= 0 ? row + 1 : ListCount() + 1;
    if (MoveRow(ctx_.playlist, ctx_.player.CurrentIndex, src, target) == 0) return;
    showRowSelection();
  });
}

}  // namespace lyrovo
