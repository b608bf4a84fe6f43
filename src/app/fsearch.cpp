#include "app/fsearch.h"

#include "app/finfo.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace lyrovo {

FSearch::FSearch(AppContext& context, Host host, const QString& listTip, QWidget* parent)
    : QDialog(parent),
      ctx_(context),
      host_(std::move(host)),
      form_(context.player, context.search, context.settings, context.playlist) {
  setObjectName(QStringLiteral("FSearch"));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowModality(Qt::NonModal);
  setWindowTitle(QStringLiteral("Lyrovo - 搜索歌词"));
  buildControls();
  resultList->setToolTip(listTip);
  form_.open(ctx_.BP1.Tag);
  setWindowFlag(Qt::WindowStaysOnTopHint, ctx_.player.OnTop);
  showForm();
}

void FSearch::buildControls() {
  auto line = [this](const char* name) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(QString::fromLatin1(name));
    return edit;
  };
  auto check = [this](const char* name, const QString& text) {
    auto* box = new QCheckBox(text, this);
    box->setObjectName(QString::fromLatin1(name));
    box->setCursor(Qt::PointingHandCursor);
    return box;
  };
  songPathEdit = line("songPathEdit");
  songPathEdit->setReadOnly(true);
  titleEdit = line("titleEdit");
  artistEdit = line("artistEdit");
  artistCheck = check("artistCheck", QStringLiteral("歌手:"));
  artistCheck->setToolTip(QStringLiteral("选中增强搜索精度，不选拓展搜索范围"));
  autoSelectCheck = check("autoSelectCheck", QStringLiteral("自动下载最佳歌词"));
  autoReWriteCheck = check("autoReWriteCheck", QStringLiteral("自动覆盖原歌词"));
  searchButton = new HoverButton(QStringLiteral("搜 索"), this);
  searchButton->setObjectName(QStringLiteral("searchButton"));
  downloadButton = new HoverButton(QStringLiteral("下 载"), this);
  downloadButton->setObjectName(QStringLiteral("downloadButton"));
  closeButton = new HoverButton(QStringLiteral("关 闭"), this);
  closeButton->setObjectName(QStringLiteral("closeButton"));
  statusLabel = new QLabel(this);
  statusLabel->setObjectName(QStringLiteral("statusLabel"));
  statusLabel->setTextFormat(Qt::PlainText);
  resultList = new QTreeWidget(this);
  resultList->setObjectName(QStringLiteral("resultList"));
  resultList->setHeaderLabels({QStringLiteral("标题"), QStringLiteral("歌手")});
  resultList->setRootIsDecorated(false);
  resultList->setSelectionMode(QAbstractItemView::SingleSelection);
  resultList->setContextMenuPolicy(Qt::CustomContextMenu);
  resultList->header()->setSectionResizeMode(QHeaderView::Stretch);
  listMenu = new QMenu(QStringLiteral("菜单"), this);
  QAction* setAsMediaInfo = listMenu->addAction(QStringLiteral("设为媒体信息"));

  connect(searchButton, &HoverButton::clicked, this, &FSearch::searchClicked);
  connect(titleEdit, &QLineEdit::returnPressed, this, &FSearch::searchClicked);
  connect(artistEdit, &QLineEdit::returnPressed, this, &FSearch::searchClicked);
  connect(downloadButton, &HoverButton::clicked, this, &FSearch::downloadClicked);
  connect(resultList, &QTreeWidget::itemDoubleClicked, this, [this] { downloadClicked(); });
  connect(closeButton, &HoverButton::clicked, this, &QWidget::close);
  connect(resultList, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    if (item) form_.select(resultList->indexOfTopLevelItem(item));
  });
  connect(resultList, &QWidget::customContextMenuRequested, this,
          [this](QPoint at) { showListMenu(resultList->viewport()->mapToGlobal(at)); });
  connect(setAsMediaInfo, &QAction::triggered, this, &FSearch::setAsMediaInfoClicked);
  connect(autoSelectCheck, &QCheckBox::clicked, this, [this](bool on) { form_.setAutoSelect(on); });
  connect(autoReWriteCheck, &QCheckBox::clicked, this, [this](bool on) { form_.setAutoReWrite(on); });
  connect(artistCheck, &QCheckBox::clicked, this, [this](bool on) {
    form_.setWithArtist(on);
    artistEdit->setEnabled(on);
  });

  auto* boxes = new QGridLayout;
  boxes->addWidget(new QLabel(QStringLiteral("歌曲文件:"), this), 0, 0);
  boxes->addWidget(songPathEdit, 0, 1, 1, 2);
  boxes->addWidget(new QLabel(QStringLiteral("标题/歌词:"), this), 1, 0);
  boxes->addWidget(titleEdit, 1, 1);
  boxes->addWidget(searchButton, 1, 2);
  boxes->addWidget(artistCheck, 2, 0);
  boxes->addWidget(artistEdit, 2, 1);
  boxes->addWidget(downloadButton, 2, 2);
  auto* checks = new QHBoxLayout;
  checks->addWidget(autoSelectCheck);
  checks->addWidget(autoReWriteCheck);
  checks->addStretch(1);
  checks->addWidget(closeButton);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(boxes);
  layout->addWidget(statusLabel);
  layout->addWidget(resultList, 1);
  layout->addLayout(checks);
  resize(460, 380);
}

// Mirrors the form in the controls.
void FSearch::showForm() {
  songPathEdit->setText(form_.songPath);
  titleEdit->setText(form_.titleText);
  artistEdit->setText(form_.artistText);
  artistCheck->setChecked(form_.withArtist);
  artistEdit->setEnabled(form_.withArtist);
  autoSelectCheck->setChecked(ctx_.settings.autoSelect);
  autoReWriteCheck->setChecked(ctx_.settings.autoReWrite);
  statusLabel->setText(form_.status);
  resultList->clear();
  for (const LyricSearchForm::Row& row : form_.rows) {
    auto* item = new QTreeWidgetItem(resultList, {row.title, row.artist});
    item->setData(0, Qt::UserRole, row.url);
  }
  if (form_.selected >= 0) resultList->setCurrentItem(resultList->topLevelItem(form_.selected));
  downloadButton->setEnabled(form_.downloadEnabled);
  searchButton->setEnabled(!form_.searching);
  resultList->setEnabled(!form_.searching);
  if (form_.searching)
    setCursor(Qt::BusyCursor);
  else
    unsetCursor();
}

void FSearch::searchClicked() {
  ctx_.log.trap(QStringLiteral("FSearch_Search"), [&] {
    if (form_.searching) return;
    const std::optional<LyricQuery> query = form_.startSearch(titleEdit->text(), artistEdit->text());
    showForm();
    if (query && host_.search) host_.search(*query);
  });
}

void FSearch::searchFinished(const LyricLookupResult& result) {
  form_.finishSearch(result);
  showForm();
}

void FSearch::downloadClicked() {
  ctx_.log.trap(QStringLiteral("FSearch_Download"), [&] {
    const QString link = form_.chosenLink();
    downloadButton->setEnabled(form_.downloadEnabled);
    if (link.isEmpty() || !host_.download) return;
    setCursor(Qt::BusyCursor);
    host_.download(link);
  });
}

void FSearch::downloadFinished() {
  if (!form_.searching) unsetCursor();
}

void FSearch::showListMenu(QPoint globalPos) {
  if (form_.canSetAsMediaInfo()) listMenu->popup(globalPos);
}

void FSearch::setAsMediaInfoClicked() {
  ctx_.log.trap(QStringLiteral("FSearch_SetMediaInfo"), [&] {
    if (form_.canSetAsMediaInfo()) form_.setAsMediaInfo(form_.selected);
  });
  // The row shows its new names even when the tag could not be written.
  if (host_.rowChanged) host_.rowChanged();
}

void FSearch::closeEvent(QCloseEvent* event) {
  form_.close();
  QDialog::closeEvent(event);
}

}  // namespace lyrovo
