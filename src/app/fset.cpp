#include "app/fset.h"

#include "app/appcontext.h"

#include <QCheckBox>
#include <QEnterEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMouseEvent>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace lyrovo {

OptionLabel::OptionLabel(const QString& text, bool hoverBorder, bool stickyBorder, QWidget* parent)
    : QLabel(text, parent), hoverBorder_(hoverBorder), stickyBorder_(stickyBorder) {
  setCursor(Qt::PointingHandCursor);
  setAlignment(Qt::AlignCenter);
  setBorder(false);
}

void OptionLabel::setBorder(bool on) {
  setFrameShape(on ? QFrame::Box : QFrame::NoFrame);
  setLineWidth(1);
  // The same room with and without the border, so the text does not jump.
  setMargin(on ? 2 : 3);
}

void OptionLabel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit clicked();
}

void OptionLabel::enterEvent(QEnterEvent*) {
  if (hoverBorder_) setBorder(true);
  emit hovered();
}

void OptionLabel::leaveEvent(QEvent*) {
  if (hoverBorder_ && !stickyBorder_) setBorder(false);
}

namespace {

const QStringList kTabCaptions = {QString(),
                                  QStringLiteral("关于"),
                                  QStringLiteral("常规"),
                                  QStringLiteral("快捷键"),
                                  QStringLiteral("视觉效果"),
                                  QStringLiteral("播放列表"),
                                  QStringLiteral("歌词秀"),
                                  QStringLiteral("皮肤"),
                                  QStringLiteral("网络")};

QString pageDescriptionText(int page, const QString& exeName) {
  switch (page) {
    case 1:
      return QStringLiteral("\" ") + exeName + QStringLiteral(" \" 的简明介绍");
    case 2:
      return QStringLiteral("常规操作的参数设置");
    case 3:
      return QStringLiteral("浏览播放器的快捷键设置");
    case 4:
      return QStringLiteral("视觉效果相关的参数设置");
    case 5:
      return QStringLiteral("播放列表相关的参数设置");
    case 6:
      return QStringLiteral("歌词秀相关的参数设置");
    case 8:
      return QStringLiteral("联网服务器的地址设置");
    default:
      return {};
  }
}

QString fontText(const FontSpec& font) {
  QString text = font.name + u' ' + formatFontSize(font.size) + QStringLiteral("pt");
  if (font.bold) text += QStringLiteral(" 粗体");
  if (font.italic) text += QStringLiteral(" 斜体");
  return text;
}

// The highlight beside the chosen tab sits 4 px below the tab's top.
constexpr int kMarkerOffset = 4;

}  // namespace

FSet::FSet(AppContext& context, OptionsHost& host, QWidget* parent)
    : QWidget(parent, Qt::Window),
      ctx_(context),
      editor_(context.settings, context.skin, context.paths, context.shell, context.log, *context.prompts,
              host) {
  setObjectName(QStringLiteral("FSet"));
  setWindowTitle(QStringLiteral("Lyrovo - 选项"));

  auto* tabColumn = new QWidget(this);
  tabColumn->setObjectName(QStringLiteral("tabColumn"));
  auto* tabLayout = new QVBoxLayout(tabColumn);
  tabLayout->setContentsMargins(12, 8, 4, 8);
  for (int tab = 1; tab < kTabCaptions.size(); ++tab) {
    auto* label = new OptionLabel(kTabCaptions[tab], true, true, tabColumn);
    label->setObjectName(QStringLiteral("Label1_%1").arg(tab));
    label->setMinimumWidth(72);
    connect(label, &OptionLabel::clicked, this, [this, tab] { Label1_Click(tab); });
    connect(label, &OptionLabel::hovered, this, [this, label] {
      for (OptionLabel* other : std::as_const(tabs_))
        if (other != label) other->setBorder(false);
    });
    tabLayout->addWidget(label);
    tabs_.insert(tab, label);
  }
  tabLayout->addStretch();
  tabMarker_ = new QFrame(tabColumn);
  tabMarker_->setObjectName(QStringLiteral("tabMarker"));
  tabMarker_->setFixedSize(4, 16);
  tabMarker_->setAutoFillBackground(true);
  tabMarker_->setBackgroundRole(QPalette::Highlight);

  description_ = new QLabel(this);
  description_->setObjectName(QStringLiteral("pageDescription"));
  stack_ = new QStackedWidget(this);
  const std::array<std::pair<int, QWidget*>, 7> pages{{{1, buildAbout()},
                                                       {2, buildGeneral()},
                                                       {3, buildShortcuts()},
                                                       {4, buildVisual()},
                                                       {5, buildPlaylist()},
                                                       {6, buildLyrics()},
                                                       {8, buildNetwork()}}};
  for (const auto& [page, widget] : pages) {
    widget->setObjectName(QStringLiteral("Pic1_%1").arg(page));
    stack_->addWidget(widget);
    pages_.insert(page, widget);
  }

  auto* buttonRow = new QHBoxLayout;
  buttonRow->addStretch();
  addButton(kButtonSave, QStringLiteral("保 存"), this);
  addButton(kButtonReset, QStringLiteral("全部重置"), this);
  addButton(kButtonClose, QStringLiteral("关 闭"), this);
  for (int index : {kButtonSave, kButtonReset, kButtonClose}) buttonRow->addWidget(Label3(index));

  auto* right = new QVBoxLayout;
  right->addWidget(description_);
  right->addWidget(stack_, 1);
  right->addLayout(buttonRow);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(tabColumn);
  layout->addLayout(right, 1);
  resize(560, 420);

  Form_Load();
  Label1_Click(kPageAbout);
}

// Fills every control from the settings and makes the window top-most when the player is.
void FSet::Form_Load() {
  ctx_.log.trap(QStringLiteral("Form_Load"), [&] {
    for (auto it = checks_.begin(); it != checks_.end(); ++it) {
      if (const auto ticked = editor_.checked(it.key())) it.value()->setChecked(*ticked);
    }
    for (const OptionColour& box : kOptionColours) showColour(box.index);
    showFonts();
    wordPathField_->setText(ctx_.settings.WordPath);
    for (const OptionServer& row : kOptionServers)
      serverFields_.value(row.key.toString())->setText(editor_.serverAddress(row.key));
    updateEnabled();
    if (ctx_.player.OnTop) setWindowFlag(Qt::WindowStaysOnTopHint, true);
  });
}

QCheckBox* FSet::addCheck(int index, const QString& caption, QWidget* page) {
  auto* box = new QCheckBox(caption, page);
  box->setObjectName(QStringLiteral("Check1_%1").arg(index));
  box->setCursor(Qt::PointingHandCursor);
  connect(box, &QCheckBox::clicked, this, [this, index] { Check1_Click(index); });
  checks_.insert(index, box);
  return box;
}

QCheckBox* FSet::addLinkedCheck(int index, QWidget* page) {
  const auto check = std::find_if(kOptionChecks.begin(), kOptionChecks.end(),
                                  [index](const OptionCheck& c) { return c.index == index; });
  return addCheck(index, check->caption.toString(), page);
}

OptionLabel* FSet::addButton(int index, const QString& caption, QWidget* parent) {
  auto* button = new OptionLabel(caption, true, false, parent);
  button->setObjectName(QStringLiteral("Label3_%1").arg(index));
  button->setMinimumWidth(64);
  connect(button, &OptionLabel::clicked, this, [this, index] { Label3_Click(index); });
  buttons_.insert(index, button);
  return button;
}

OptionLabel* FSet::addColourBox(int index, QWidget* parent) {
  OptionLabel* box = addButton(index, QString(), parent);
  box->setMinimumWidth(40);
  box->setFixedHeight(18);
  box->setAutoFillBackground(true);
  return box;
}

void FSet::showColour(int index) {
  OptionLabel* box = Label3(index);
  const auto colour = editor_.colour(index);
  if (!box || !colour) return;
  QPalette palette = box->palette();
  palette.setColor(QPalette::Window, QColorFromBgr(*colour));
  box->setPalette(palette);
}

void FSet::showFonts() {
  listFontName_->setText(fontText(ctx_.skin.listFont));
  lyricFontName_->setText(fontText(ctx_.skin.wordFont));
}

void FSet::updateEnabled() {
  for (auto it = checks_.begin(); it != checks_.end(); ++it)
    it.value()->setEnabled(editor_.checkEnabled(it.key()));
  wordPathField_->setEnabled(editor_.lyricFolderEnabled());
  Label3(kButtonLyricFolder)->setEnabled(editor_.lyricFolderEnabled());
}

QWidget* FSet::buildAbout() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  auto* text =
      new QLabel(QStringLiteral("Lyrovo 是一个小巧的音乐播放器，最大的特色是与歌曲同步滚动的 LRC 歌词。\n\n"
                                "· 播放 MP3、WMA、WAV、OGG 等常见格式，播放列表可拖放排序；\n"
                                "· 自动查找本地歌词，联网时可从歌词服务器搜索并保存歌词；\n"
                                "· 歌词可竖排、横排、卡拉OK 或淡入淡出显示，可用鼠标滚轮调整时间；\n"
                                "· 七种可视化效果，颜色和字体都可在本窗口中设置；\n"
                                "· 全局快捷键在后台也能控制播放。\n\n"
                                "所有改动立即生效，按“保 存”后下次启动仍然有效。"),
                 page);
  text->setWordWrap(true);
  text->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  layout->addWidget(text);
  return page;
}

QWidget* FSet::buildGeneral() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  for (int index : {0, 1, 2, 6, 8, 9}) layout->addWidget(addLinkedCheck(index, page));
  layout->addStretch();
  return page;
}

QWidget* FSet::buildShortcuts() {
  auto* page = new QWidget;
  auto* grid = new QGridLayout(page);
  const QStringList rows[] = {
      {QStringLiteral("功能"), QStringLiteral("本地快捷键"), QStringLiteral("全局快捷键")},
      {QStringLiteral("打开"), QStringLiteral("Ctrl + O"), QString()},
      {QStringLiteral("播放/暂停"), QStringLiteral("Ctrl + P"), QStringLiteral("Ctrl + Shift + P")},
      {QStringLiteral("停止"), QStringLiteral("Ctrl + S"), QString()},
      {QStringLiteral("上一首"), QStringLiteral("Ctrl + ←"), QStringLiteral("Ctrl + Shift + ←")},
      {QStringLiteral("下一首"), QStringLiteral("Ctrl + →"), QStringLiteral("Ctrl + Shift + →")},
      {QStringLiteral("音量加"), QStringLiteral("Ctrl + ↑"), QStringLiteral("Ctrl + Shift + ↑")},
      {QStringLiteral("音量减"), QStringLiteral("Ctrl + ↓"), QStringLiteral("Ctrl + Shift + ↓")},
  };
  int row = 0;
  for (const QStringList& cells : rows) {
    for (int column = 0; column < cells.size(); ++column)
      grid->addWidget(new QLabel(cells[column], page), row, column);
    ++row;
  }
  grid->setRowStretch(row, 1);
  return page;
}

QWidget* FSet::buildVisual() {
  auto* page = new QWidget;
  auto* grid = new QGridLayout(page);
  struct Row {
    QString caption;
    QList<int> boxes;
  };
  const Row rows[] = {
      {QStringLiteral("左右声道电平（渐变起点、终点、背景）"), {5, 6, 7}},
      {QStringLiteral("波形（左声道、右声道、背景）"), {8, 9, 10}},
      {QStringLiteral("频谱（峰值、上部、中部、底部、背景）"), {11, 12, 13, 14, 15}},
      {QStringLiteral("电平历史（线条、背景）"), {16, 17}},
      {QStringLiteral("实心波形（填充、背景）"), {18, 19}},
  };
  int row = 0;
  for (const Row& entry : rows) {
    grid->addWidget(new QLabel(entry.caption, page), row++, 0, 1, 5);
    for (int column = 0; column < entry.boxes.size(); ++column)
      grid->addWidget(addColourBox(entry.boxes[column], page), row, column);
    ++row;
  }
  grid->setRowStretch(row, 1);
  return page;
}

QWidget* FSet::buildPlaylist() {
  auto* page = new QWidget;
  auto* grid = new QGridLayout(page);
  const std::pair<int, QString> rows[] = {
      {20, QStringLiteral("序号颜色")}, {21, QStringLiteral("文字颜色")},
      {22, QStringLiteral("时长颜色")}, {23, QStringLiteral("正在播放的颜色")},
      {24, QStringLiteral("背景颜色")},
  };
  int row = 0;
  for (const auto& [index, caption] : rows) {
    grid->addWidget(new QLabel(caption, page), row, 0);
    grid->addWidget(addColourBox(index, page), row++, 1);
  }
  grid->addWidget(new QLabel(QStringLiteral("列表字体"), page), row, 0);
  listFontName_ = new QLabel(page);
  listFontName_->setObjectName(QStringLiteral("listFontName"));
  grid->addWidget(listFontName_, row, 1);
  grid->addWidget(addButton(kButtonListFont, QStringLiteral("选择..."), page), row++, 2);
  grid->setColumnStretch(3, 1);
  grid->setRowStretch(row, 1);
  return page;
}

QWidget* FSet::buildLyrics() {
  auto* page = new QWidget;
  auto* grid = new QGridLayout(page);
  auto linked = [&](int index) { return addLinkedCheck(index, page); };
  int row = 0;
  grid->addWidget(linked(11), row++, 0, 1, 4);
  // Server 1 is always asked; its box only shows that beside the other two.
  QCheckBox* server1 = addCheck(kCheckSearchServer1, QStringLiteral("服务器1"), page);
  server1->setChecked(true);
  server1->setAttribute(Qt::WA_TransparentForMouseEvents);
  server1->setFocusPolicy(Qt::NoFocus);
  grid->addWidget(server1, row, 0);
  grid->addWidget(linked(14), row, 1);
  grid->addWidget(linked(15), row, 2);
  grid->addWidget(linked(kCheckSearchServer4), row++, 3);
  grid->addWidget(linked(12), row++, 0, 1, 4);
  grid->addWidget(linked(16), row++, 0, 1, 4);
  wordPathField_ = new QLineEdit(page);
  wordPathField_->setObjectName(QStringLiteral("wordPathField"));
  wordPathField_->setReadOnly(true);
  grid->addWidget(wordPathField_, row, 0, 1, 3);
  grid->addWidget(addButton(kButtonLyricFolder, QStringLiteral("选择..."), page), row++, 3);
  grid->addWidget(linked(17), row++, 0, 1, 4);
  grid->addWidget(linked(18), row++, 0, 1, 4);
  const std::pair<int, QString> colours[] = {
      {26, QStringLiteral("加亮颜色")}, {27, QStringLiteral("普通颜色")}, {28, QStringLiteral("背景颜色")}};
  for (const auto& [index, caption] : colours) {
    grid->addWidget(new QLabel(caption, page), row, 0);
    grid->addWidget(addColourBox(index, page), row++, 1);
  }
  grid->addWidget(new QLabel(QStringLiteral("歌词字体"), page), row, 0);
  lyricFontName_ = new QLabel(page);
  lyricFontName_->setObjectName(QStringLiteral("lyricFontName"));
  grid->addWidget(lyricFontName_, row, 1, 1, 2);
  grid->addWidget(addButton(kButtonLyricFont, QStringLiteral("选择..."), page), row++, 3);
  grid->setRowStretch(row, 1);
  return page;
}

QWidget* FSet::buildNetwork() {
  auto* page = new QWidget;
  auto* form = new QFormLayout(page);
  for (const OptionServer& row : kOptionServers) {
    auto* field = new QLineEdit(page);
    const QString key = row.key.toString();
    field->setObjectName(QStringLiteral("server_") + key);
    connect(field, &QLineEdit::editingFinished, this, [this, key] { ServerField_Changed(key); });
    form->addRow(row.caption.toString(), field);
    serverFields_.insert(key, field);
  }
  form->addRow(new QLabel(QStringLiteral("地址须以 http:// 或 https:// 开头；留空则恢复默认地址。"), page));
  return page;
}

void FSet::Label1_Click(int tab) {
  if (tab == kPageSkin) {
    ctx_.prompts->message(Prompts::Icon::None, Prompts::Buttons::Ok, QStringLiteral("Lyrovo - 功能提示"),
                          QStringLiteral("此功能暂不能使用，抱歉！"));
    return;
  }
  QWidget* page = pages_.value(tab);
  if (!page) return;
  page_ = tab;
  stack_->setCurrentWidget(page);
  description_->setText(pageDescriptionText(tab, ctx_.paths.exeName));
  const OptionLabel* label = tabs_.value(tab);
  tabMarker_->move(2, label->y() + kMarkerOffset);
  tabMarker_->raise();
}

void FSet::Label3_Click(int index) {
  switch (index) {
    case kButtonClose:
      close();
      return;
    case kButtonSave:
      editor_.save();
      return;
    case kButtonReset:
      // The controls keep showing the old values until the window opens again.
      editor_.reset();
      return;
    case kButtonListFont:
    case kButtonLyricFont:
      if (editor_.chooseFont(index == kButtonLyricFont)) showFonts();
      return;
    case kButtonLyricFolder:
      if (editor_.chooseLyricFolder()) wordPathField_->setText(ctx_.settings.WordPath);
      return;
    default:
      if (editor_.chooseColour(index)) showColour(index);
      return;
  }
}

void FSet::Check1_Click(int index) {
  const QCheckBox* box = Check1(index);
  if (!box) return;
  editor_.setChecked(index, box->isChecked());
  updateEnabled();
}

void FSet::ServerField_Changed(const QString& key) {
  QLineEdit* field = serverFields_.value(key);
  if (!field || field->text() == editor_.serverAddress(key)) return;
  editor_.setServerAddress(key, field->text());
  field->setText(editor_.serverAddress(key));
}

}  // namespace lyrovo
