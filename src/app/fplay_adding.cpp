// Adding files and folders: the add menu, "open", the folder chooser, drops
// from the desktop and paths from the command line. The files are collected
// and their tags read on a worker; the rows arrive here in order, while the
// playlist view is hidden behind the loading panel.
#include "app/adding.h"
#include "app/filedrop.h"
#include "app/fplay.h"
#include "app/loadingpanel.h"
#include "base/apppaths.h"
#include "playlist/playlistops.h"
#include "playlist/playlisttablemodel.h"

#include <QCursor>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QMenu>
#include <QMetaObject>

#include <algorithm>

namespace lyrovo {

namespace {
const QString kTitlePrefix = QStringLiteral("Lyrovo - ");
const QString kCountingText = QStringLiteral("正在统计总文件数...");
const QString kNoFilesText = QStringLiteral("无有效文件！");
}  // namespace

void Fplay::buildAdding() {
  adding_ = std::make_unique<AddingState>();
  loadingPanel_ = new LoadingPanel(this);
  connect(loadingPanel_, &LoadingPanel::cancelClicked, this, &Fplay::CancelLoading);

  menuA_ = new QMenu(this);
  menuA_->setObjectName(QStringLiteral("menuA"));
  const QStringList captions = {QStringLiteral("添加文件(&F)..."), QStringLiteral("添加目录(&P)...")};
  for (int i = 0; i < captions.size(); ++i)
    connect(menuA_->addAction(captions[i]), &QAction::triggered, this,
            [this, index = i + 1] { menuAs_Click(index); });

  // A right-click on an empty playlist offers the add menu.
  list_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(list_, &QWidget::customContextMenuRequested, this, [this](QPoint at) {
    if (ListCount() == 0) ShowAddMenu(list_->viewport()->mapToGlobal(at));
  });

  const auto accepts = [this](const QStringList& paths) {
    return AcceptableDrop(paths, ctx_.player.SupportedTypes);
  };
  new FileDropFilter(this, nullptr, accepts,
                     [this](const QStringList& paths, QPoint) { Form_OLEDragDrop(paths); });
  new FileDropFilter(list_->viewport(), list_, accepts,
                     [this](const QStringList& paths, QPoint at) { List1_OLEDragDrop(paths, at); });
}

void Fplay::ShowAddMenu(QPoint at) { menuA_->popup(at); }

void Fplay::menuAs_Click(int index) {
  if (index == 1) AddFiles(false);
  if (index == 2) AddFolder();
}

void Fplay::AddFiles(bool replace) {
  ctx_.log.trap(QStringLiteral("menuAs_Click"), [&] {
    const QStringList chosen =
        ctx_.prompts->openFiles(kTitlePrefix + QStringLiteral("添加文件(可多选)(注意：添加在列表最后)"),
                                ctx_.settings.initFilePath, openFileFilter_, true);
    if (chosen.isEmpty()) return;
    ctx_.settings.initFilePath = withSlash(QFileInfo(chosen.first()).absolutePath());
    AddRequest request;
    request.source = {AddSource::Kind::Files, chosen, false, ctx_.player.SupportedTypes};
    request.location = QStringLiteral("menuAs_Click");
    request.replace = replace;
    queueAdd(std::move(request));
  });
}

void Fplay::AddFolder() {
  ctx_.log.trap(QStringLiteral("menuAs_Click"), [&] {
    QString start = ctx_.settings.initFolderPath;
    if (start.size() > 1 && start.endsWith(u'/')) start.chop(1);
    const std::optional<QString> folder = ctx_.prompts->chooseFolder(QStringLiteral("请选择文件夹："), start);
    if (!folder || folder->isEmpty()) return;
    ctx_.settings.initFolderPath = withSlash(*folder);
    AddRequest request;
    request.source = {
        AddSource::Kind::Folder, {*folder}, ctx_.settings.addSubFold, ctx_.player.SupportedTypes};
    request.location = QStringLiteral("menuAs_Click");
    request.counts = true;
    queueAdd(std::move(request));
  });
}

void Fplay::AddPaths(const QStringList& paths, bool playFirstNew) {
  AddRequest request;
  request.source = {AddSource::Kind::Paths, paths, ctx_.settings.addSubFold, ctx_.player.SupportedTypes};
  request.location = QStringLiteral("AddPaths");
  request.playFirstNew = playFirstNew;
  request.counts = true;
  queueAdd(std::move(request));
}

void Fplay::Form_OLEDragDrop(const QStringList& paths) {
  if (!AcceptableDrop(paths, ctx_.player.SupportedTypes)) return;
  AddRequest request;
  request.source = {AddSource::Kind::Paths, paths, ctx_.settings.addSubFold, ctx_.player.SupportedTypes};
  request.location = QStringLiteral("Form_OLEDragDrop");
  request.place = AddRequest::Place::AfterCurrent;
  request.counts = true;
  queueAdd(std::move(request));
}

void Fplay::List1_OLEDragDrop(const QStringList& paths, QPoint at) {
  if (!AcceptableDrop(paths, ctx_.player.SupportedTypes)) return;
  // The row under the point, taken before anything is added; below the last row appends.
  const int row = list_->rowAt(at.y());
  AddRequest request;
  request.source = {AddSource::Kind::Paths, paths, ctx_.settings.addSubFold, ctx_.player.SupportedTypes};
  request.location = QStringLiteral("List1_OLEDragDrop");
  request.place = AddRequest::Place::Before;
  request.position = row < 0 ? ListCount() + 1 : row + 1;
  request.counts = true;
  queueAdd(std::move(request));
}

bool Fplay::Loading() const { return adding_->running; }

void Fplay::CancelLoading() {
  AddingState& state = *adding_;
  if (!state.running) return;
  state.cancelled = true;
  if (state.worker) state.worker->cancel();
}

// An add asked for while another runs waits for it.
void Fplay::queueAdd(AddRequest request) {
  adding_->waiting.push_back(std::move(request));
  startNextAdd();
}

void Fplay::startNextAdd() {
  AddingState& state = *adding_;
  if (state.running || state.waiting.empty()) return;
  state.current = std::move(state.waiting.front());
  state.waiting.pop_front();
  state.running = true;
  state.cancelled = state.failed = false;
  state.total = state.added = 0;

  PlayerState& player = ctx_.player;
  const AddRequest& request = state.current;
  if (request.replace) {
    ctx_.playlist.clear();
    player.CurrentIndex = 0;
  }
  const int rows = ListCount();
  switch (request.place) {
    case AddRequest::Place::Append:
      state.position = 0;
      break;
    case AddRequest::Place::AfterCurrent:
      state.position = player.CurrentIndex >= 1 ? player.CurrentIndex + 1 : 1;
      break;
    case AddRequest::Place::Before:
      state.position = std::clamp(request.position, 1, rows + 1);
      break;
  }
  state.firstNew = state.position > 0 ? state.position : rows + 1;

  loadingPanel_->setGeometry(list_->geometry());
  loadingPanel_->showProgress(false);
  loadingPanel_->setStatus(request.counts ? kCountingText : LoadingPanel::restingText());
  list_->hide();
  loadingPanel_->show();
  loadingPanel_->raise();

  AddWorker::Handlers handlers;
  handlers.counted = [this](int total) { addCounted(total); };
  handlers.rows = [this](std::vector<PlaylistRow>& batch) { addRows(batch); };
  handlers.unreadable = [this](const QString& folder) {
    ctx_.log.log(QStringLiteral("addfile"), errors::pathAccess(folder));
  };
  handlers.finished = [this] { finishAdd(); };
  state.worker =
      std::make_unique<AddWorker>(request.source, &ctx_.BP1.backend().plugins(), std::move(handlers));
  state.worker->start();
}

void Fplay::addCounted(int total) {
  AddingState& state = *adding_;
  state.total = total;
  if (total == 0 && state.current.counts) loadingPanel_->setStatus(kNoFilesText);
  if (total > LoadingPanel::kProgressAbove) {
    loadingPanel_->showProgress(true);
    loadingPanel_->setProgress(0, total);
  }
}

void Fplay::addRows(std::vector<PlaylistRow>& batch) {
  AddingState& state = *adding_;
  PlayerState& player = ctx_.player;
  const bool progress = state.total > LoadingPanel::kProgressAbove;
  // Appended rows go into the list in one step at the end of the batch;
  // rows at a fixed position one by one, each before the one added last.
  std::vector<PlaylistRow> appended;
  bool full = false;
  for (PlaylistRow& row : batch) {
    if (state.cancelled) break;
    if (ListCount() + int(appended.size()) >= Playlist::kMaxRows) {
      full = true;
      break;
    }
    const int position = state.position > 0 ? std::min(state.position, ListCount() + 1)
                                            : ListCount() + int(appended.size()) + 1;
    row.numberText = QString::number(position) + u'.';
    row.selected = true;
    if (state.position > 0) {
      ctx_.playlist.insert(position, std::move(row));
      // Rows inserted before the current row move it down; CurrentIndex follows it.
      if (position <= player.CurrentIndex) ++player.CurrentIndex;
    } else {
      appended.push_back(std::move(row));
    }
    ++state.added;
    if (progress) {
      loadingPanel_->setProgress(state.added, state.total);
      loadingPanel_->setStatus(QStringLiteral("加载文件：%1/%2").arg(state.added).arg(state.total));
    }
  }
  ctx_.playlist.append(std::move(appended));
  // A full list ends the add as a failure; the rows added so far stay and are saved.
  if (full) {
    ctx_.log.log(state.current.location, errors::overflow());
    state.failed = true;
    CancelLoading();
  }
}

void Fplay::finishAdd() {
  AddingState& state = *adding_;
  const AddRequest& request = state.current;
  const bool nothingFound = state.total == 0 && request.counts && !state.failed;
  ctx_.log.trap(request.location, [&] {
    if (state.total > LoadingPanel::kProgressAbove) loadingPanel_->showProgress(false);
    loadingPanel_->hide();
    list_->show();
    loadingPanel_->setStatus(LoadingPanel::restingText());
    if (nothingFound) return;  // nothing added, nothing saved
    if (state.added > 0) {
      RenumberRows(ctx_.playlist, state.firstNew);
      const QItemSelection rows(
          listModel_->index(state.firstNew - 1, 0),
          listModel_->index(state.firstNew + state.added - 2, PlaylistTableModel::ColumnCount - 1));
      list_->selectionModel()->select(rows, QItemSelectionModel::ClearAndSelect);
      ScrollToRow(state.firstNew);
    }
    list_->setFocus();
    RefreshListLayout();
    update();
    PlayerState& player = ctx_.player;
    if (!state.failed && request.replace && ListCount() > 0) {
      player.CurrentIndex = 1;
      list_->setCursor(Qt::WaitCursor);
      Play();
      list_->unsetCursor();
    } else if (!state.failed && request.playFirstNew && state.added > 0) {
      player.CurrentIndex = std::int16_t(state.firstNew);
      Play();
    }
    if (player.CurrentIndex < ListCount()) image(SkinPart::NextButton)->setEnabled(true);
  });
  if (!nothingFound) SavePlaylist();
  state.running = false;
  // The worker is still delivering this call; it is let go and the next add started afterwards.
  QMetaObject::invokeMethod(
      this,
      [this] {
        if (adding_->running) return;
        adding_->worker.reset();
        startNextAdd();
      },
      Qt::QueuedConnection);
}

}  // namespace lyrovo
