#include "app/finfo.h"

#include "base/apperror.h"

#include <QCursor>
#include <QEnterEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMouseEvent>
#include <QVBoxLayout>

namespace lyrovo {

HoverButton::HoverButton(const QString& text, QWidget* parent) : QLabel(text, parent) {
  setTextFormat(Qt::PlainText);
  setAlignment(Qt::AlignCenter);
  setCursor(Qt::PointingHandCursor);
  setFrameShape(QFrame::NoFrame);
  setMargin(3);
}

void HoverButton::enterEvent(QEnterEvent*) {
  if (isEnabled()) setFrameShape(QFrame::Box);
}

void HoverButton::leaveEvent(QEvent*) { setFrameShape(QFrame::NoFrame); }

void HoverButton::mouseReleaseEvent(QMouseEvent* event) {
  if (isEnabled() && event->button() == Qt::LeftButton && rect().contains(event->pos())) emit clicked();
}

FInfo::FInfo(AppContext& context, std::function<void()> rowsRemoved, QWidget* parent)
    : QDialog(parent), ctx_(context), rowsRemoved_(std::move(rowsRemoved)) {
  setObjectName(QStringLiteral("FInfo"));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowModality(Qt::WindowModal);
  setWindowTitle(QStringLiteral("Lyrovo - 媒体信息"));
  buildControls();
}

void FInfo::buildControls() {
  auto edit = [this](const char* name, bool readOnly) {
    auto* line = new QLineEdit(this);
    line->setObjectName(QString::fromLatin1(name));
    line->setReadOnly(readOnly);
    if (!readOnly) connect(line, &QLineEdit::textChanged, this, [this] { saveButton->setEnabled(true); });
    return line;
  };
  auto value = [this](const char* name) {
    auto* label = new QLabel(this);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
  };
  auto caption = [this](const char16_t* text) { return new QLabel(QString::fromUtf16(text), this); };

  // The path and the genre are shown, not edited: the genre number a save
  // writes is the one read.
  pathEdit = edit("pathEdit", true);
  trackEdit = edit("trackEdit", false);
  titleEdit = edit("titleEdit", false);
  artistEdit = edit("artistEdit", false);
  albumEdit = edit("albumEdit", false);
  yearEdit = edit("yearEdit", false);
  genreEdit = edit("genreEdit", true);
  commentEdit = edit("commentEdit", false);
  formatLabel = value("formatLabel");
  channelsLabel = value("channelsLabel");
  frequencyLabel = value("frequencyLabel");
  bitrateLabel = value("bitrateLabel");
  sizeLabel = value("sizeLabel");
  lengthLabel = value("lengthLabel");
  ownTagsCaption = value("ownTagsCaption");
  ownTagsLabel = value("ownTagsLabel");
  ownTagsLabel->setWordWrap(true);

  auto* tagBox = new QGroupBox(QStringLiteral("标签:"), this);
  auto* tagGrid = new QGridLayout(tagBox);
  const std::pair<const char16_t*, QLineEdit*> tagRows[] = {
      {u"标题:", titleEdit}, {u"歌手:", artistEdit}, {u"专辑:", albumEdit},  {u"年份:", yearEdit},
      {u"音轨:", trackEdit}, {u"流派:", genreEdit},  {u"备注:", commentEdit}};
  int row = 0;
  for (const auto& [text, line] : tagRows) {
    tagGrid->addWidget(caption(text), row, 0);
    tagGrid->addWidget(line, row++, 1);
  }
  tagGrid->addWidget(ownTagsCaption, row++, 0, 1, 2);
  tagGrid->addWidget(ownTagsLabel, row, 0, 1, 2);

  auto* formatBox = new QGroupBox(QStringLiteral("格式:"), this);
  auto* formatGrid = new QGridLayout(formatBox);
  const std::pair<const char16_t*, QLabel*> formatRows[] = {
      {u"编码:", formatLabel},  {u"声道:", channelsLabel}, {u"频率:", frequencyLabel},
      {u"比特:", bitrateLabel}, {u"大小:", sizeLabel},     {u"长度:", lengthLabel}};
  row = 0;
  for (const auto& [text, label] : formatRows) {
    formatGrid->addWidget(caption(text), row, 0);
    formatGrid->addWidget(label, row++, 1);
  }
  formatGrid->setRowStretch(row, 1);

  previousButton = new HoverButton(QStringLiteral("上一首"), this);
  nextButton = new HoverButton(QStringLiteral("下一首"), this);
  closeButton = new HoverButton(QStringLiteral("关  闭"), this);
  saveButton = new HoverButton(QStringLiteral("保  存"), this);
  reloadButton = new HoverButton(QStringLiteral("重新读取"), this);
  connect(previousButton, &HoverButton::clicked, this, &FInfo::previousClicked);
  connect(nextButton, &HoverButton::clicked, this, &FInfo::nextClicked);
  connect(closeButton, &HoverButton::clicked, this, &QWidget::close);
  connect(saveButton, &HoverButton::clicked, this, &FInfo::saveClicked);
  connect(reloadButton, &HoverButton::clicked, this, &FInfo::reloadClicked);
  // Enter in title, artist, album or year saves; in the other fields it does not.
  for (QLineEdit* line : {titleEdit, artistEdit, albumEdit, yearEdit}) {
    connect(line, &QLineEdit::returnPressed, this, [this] {
      if (saveButton->isEnabled()) saveClicked();
    });
  }

  auto* fileRow = new QHBoxLayout;
  fileRow->addWidget(caption(u"文件:"));
  fileRow->addWidget(pathEdit, 1);
  auto* boxes = new QHBoxLayout;
  boxes->addWidget(tagBox, 3);
  boxes->addWidget(formatBox, 2);
  auto* buttons = new QHBoxLayout;
  for (HoverButton* button : {previousButton, nextButton}) buttons->addWidget(button);
  buttons->addStretch(1);
  for (HoverButton* button : {reloadButton, saveButton, closeButton}) buttons->addWidget(button);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fileRow);
  layout->addLayout(boxes);
  layout->addLayout(buttons);
  resize(560, sizeHint().height());
}

void FInfo::Form_Load() {
  ctx_.log.trap(QStringLiteral("FInfo_Form_Load"), [&] {
    infoIndex_ = ctx_.playlist.selectedItem();
    ShowMediaInfo(infoIndex_);
    previousButton->setEnabled(infoIndex_ != 1);
    nextButton->setEnabled(infoIndex_ != ctx_.playlist.count());
    setWindowFlag(Qt::WindowStaysOnTopHint, ctx_.player.OnTop);
  });
}

void FInfo::ShowMediaInfo(int index) {
  const MediaInfo info = ReadMediaInfo(ctx_.BP1, ctx_.tags, ctx_.playlist, index);
  setWindowTitle(info.caption);
  pathEdit->setText(info.path);
  trackEdit->setText(info.track);
  titleEdit->setText(info.title);
  artistEdit->setText(info.artist);
  albumEdit->setText(info.album);
  yearEdit->setText(info.year);
  genreEdit->setText(info.genre);
  commentEdit->setText(info.comment);
  genreNumber_ = info.genreNumber;
  formatLabel->setText(info.format);
  channelsLabel->setText(info.channels);
  frequencyLabel->setText(info.frequency);
  bitrateLabel->setText(info.bitrate);
  sizeLabel->setText(info.size);
  lengthLabel->setText(info.length);
  // The file's own ID3v2/APE texts, read-only, when they say something else.
  const bool ownTags = !info.ownTagText.isEmpty();
  ownTagsCaption->setText(QStringLiteral("文件自带标签 (") + info.ownTagKinds + QStringLiteral(", 只读):"));
  ownTagsLabel->setText(info.ownTagText);
  ownTagsCaption->setVisible(ownTags);
  ownTagsLabel->setVisible(ownTags);
  saveButton->setEnabled(false);
}

void FInfo::step(int target) {
  ctx_.log.trap(QStringLiteral("FInfo_Label1_Click"), [&] {
    const StepResult result = StepMediaInfo(ctx_.playlist, ctx_.player.CurrentIndex, infoIndex_, target);
    if (result.removed) {
      ctx_.prompts->message(
          Prompts::Icon::Critical, Prompts::Buttons::Ok, QStringLiteral("Lyrovo - 警告"),
          QStringLiteral("文件：") + result.missingPath + QStringLiteral(" 不存在，即将从列表中删除！"));
      if (rowsRemoved_) rowsRemoved_();
    }
    infoIndex_ = result.index;
    ShowMediaInfo(infoIndex_);
    previousButton->setEnabled(infoIndex_ > 1);
    nextButton->setEnabled(infoIndex_ < ctx_.playlist.count());
  });
}

void FInfo::previousClicked() { step(infoIndex_ - 1); }

void FInfo::nextClicked() { step(infoIndex_ + 1); }

void FInfo::saveClicked() {
  MediaInfoEdits edits{trackEdit->text(), titleEdit->text(), artistEdit->text(),
                       albumEdit->text(), yearEdit->text(),  commentEdit->text()};
  bool saved = false;
  try {
    SaveMediaInfo(ctx_.playlist, ctx_.player, ctx_.BP1, infoIndex_, edits, genreNumber_, &ctx_.log);
    saved = true;
  } catch (...) {
    const AppError error = ErrorLog::fromException(std::current_exception());
    ctx_.log.log(QStringLiteral("FInfo_Label1_Click"), error);
    ctx_.prompts->message(Prompts::Icon::Critical, Prompts::Buttons::Ok, QStringLiteral("Lyrovo - 警告"),
                          SaveFailureText(error, pathEdit->text()));
  }
  // The texts as the row holds them now, trimmed.
  trackEdit->setText(edits.track);
  titleEdit->setText(edits.title);
  artistEdit->setText(edits.artist);
  albumEdit->setText(edits.album);
  yearEdit->setText(edits.year);
  commentEdit->setText(edits.comment);
  // A tag that could not be written can be saved again.
  saveButton->setEnabled(!saved);
}

void FInfo::reloadClicked() {
  ctx_.log.trap(QStringLiteral("FInfo_Label1_Click"), [&] { ShowMediaInfo(infoIndex_); });
}

}  // namespace lyrovo
