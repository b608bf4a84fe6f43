#include "app/fplay.h"

#include "app/adding.h"
#include "app/appicon.h"
#include "app/autosave.h"
#include "app/desktopglue.h"
#include "app/handover.h"
#include "app/loadingpanel.h"
#include "app/playlistdelegate.h"
#include "app/uifont.h"
#include "download/download.h"
#include "download/serverconfig.h"
#include "lyrics/lyricpane.h"
#include "playlist/playlistops.h"
#include "playlist/playlisttablemodel.h"
#include "playlist/supportedfile.h"
#include "text/numeric.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHeaderView>
#include <QPainter>
#include <QScreen>
#include <QWindow>

#include <algorithm>

namespace lyrovo {

namespace {

const QString kTitlePrefix = QStringLiteral("Lyrovo - ");
// Extensions accepted on the command line before the engine reports what it can play.
const QString kProvisionalTypes =
    QStringLiteral("*.mp3;*.mp2;*.mp1;*.ogg;*.aif;*.wav;*.mid;*.midi;*.wma;*.cda;");
constexpr int kTwipsPerPixel = 15;
constexpr int kMinWidth = kMinWindowWidth, kMinHeight = kMinWindowHeight;

struct ImageSpec {
  SkinPart part;
  SkinImage::Look look;
  const char16_t* glyph;
  const char16_t* tip;
};
// The skin images: window buttons, transport buttons, the skin colour
// button, and the seek, volume and list scroll bars with their thumbs.
constexpr ImageSpec kImages[] = {
    {SkinPart::CloseButton, SkinImage::Look::Button, u"×", u"关闭"},
    {SkinPart::MaximiseButton, SkinImage::Look::Button, u"□", u"最大化"},
    {SkinPart::MinimiseButton, SkinImage::Look::Button, u"－", u"最小化"},
    {SkinPart::MenuButton, SkinImage::Look::Button, u"≡", u"主菜单"},
    {SkinPart::PlayButton, SkinImage::Look::Button, u"▶", u"播放(Ctrl+P)"},
    {SkinPart::StopButton, SkinImage::Look::Button, u"■", u"停止"},
    {SkinPart::PreviousButton, SkinImage::Look::Button, u"◀◀", u"上一首"},
    {SkinPart::NextButton, SkinImage::Look::Button, u"▶▶", u"下一首"},
    {SkinPart::OpenButton, SkinImage::Look::Button, u"＋", u"打开"},
    {SkinPart::MuteButton, SkinImage::Look::Button, u"♪", u"静音"},
    {SkinPart::AddButton, SkinImage::Look::Button, u"添加", u"添加"},
    {SkinPart::DeleteButton, SkinImage::Look::Button, u"移除", u"移除"},
    {SkinPart::SortButton, SkinImage::Look::Button, u"排序", u"排序"},
    {SkinPart::ModeButton, SkinImage::Look::Button, u"模式", u"播放模式"},
    {SkinPart::SkinButton, SkinImage::Look::Button, u"◐", u"换肤"},
    {SkinPart::SeekBar, SkinImage::Look::Track, u"", u""},
    {SkinPart::SeekThumb, SkinImage::Look::Thumb, u"", u""},
    {SkinPart::VolumeBar, SkinImage::Look::Track, u"", u""},
    {SkinPart::VolumeKnob, SkinImage::Look::Thumb, u"", u""},
    {SkinPart::ListTrack, SkinImage::Look::Track, u"", u""},
    {SkinPart::ListThumb, SkinImage::Look::Thumb, u"", u""},
};

}  // namespace

Fplay::Fplay(AppContext& context, QStringList commandLine)
    : ctx_(context), arguments_(std::move(commandLine)), visSource_(context.BP1) {
  setObjectName(QStringLiteral("Fplay"));
  setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
  setWindowTitle(ctx_.paths.exeName);
  setWindowIcon(QIcon(appIcon(64)));
  setMinimumSize(kMinWidth, kMinHeight);
  buildElements();
  connect(connectionCheck_.get(), &ConnectionChecker::answered, this, [this](bool online) {
    ctx_.log.trap(QStringLiteral("CheckConnection"), [&] { connectionAnswered(online); });
  });
}

Fplay::~Fplay() = default;

void Fplay::buildElements() {
  for (const ImageSpec& item : kImages) {
    auto* image = new SkinImage(static_cast<int>(item.part), item.look, QString::fromUtf16(item.glyph), this);
    image->setToolTip(QString::fromUtf16(item.tip));
    connect(image, &SkinImage::clicked, this, qOverload<int>(&Fplay::Image1_Click));
    connect(image, &SkinImage::pressed, this, &Fplay::Image1_MouseDown);
    connect(image, &SkinImage::moved, this, &Fplay::Image1_MouseMove);
    connect(image, &SkinImage::released, this, &Fplay::Image1_MouseUp);
    images_.insert(static_cast<int>(item.part), image);
  }
  const QStringList texts = {QStringLiteral("00:00"), QStringLiteral("| 00:00"), QStringLiteral("状态: 停止"),
                             QStringLiteral("声道: "), QString()};
  for (int index = 2; index <= 6; ++index) {
    auto* label = new QLabel(texts[index - 2], this);
    label->setObjectName(QStringLiteral("Label1_%1").arg(index));
    label->setTextFormat(Qt::PlainText);
    label->setStyleSheet(QStringLiteral("QLabel { color: #CFCFCF; } QLabel:disabled { color: #707070; }"));
    label->installEventFilter(this);
    labels_.insert(index, label);
  }
  // Label 0 shows the program's name in the title band.
  auto* nameLabel = new QLabel(ctx_.paths.exeName, this);
  nameLabel->setObjectName(QStringLiteral("Label1_0"));
  nameLabel->setTextFormat(Qt::PlainText);
  nameLabel->setStyleSheet(QStringLiteral("QLabel { color: #D7799A; }"));
  nameLabel->installEventFilter(this);
  labels_.insert(0, nameLabel);
  QFont timeFont = label(LabelPart::Time)->font();
  timeFont.setPointSize(timeFont.pointSize() + 6);
  label(LabelPart::Time)->setFont(timeFont);
  // The time label turns white under the mouse: a click there switches what it counts.
  label(LabelPart::Time)
      ->setStyleSheet(QStringLiteral(
          "QLabel { color: #CFCFCF; } QLabel:hover { color: #FFFFFF; } QLabel:disabled { color: #707070; }"));
  for (int index = 0; index < 3; ++index) {
    panes_[index] = new PicturePane(index, this);
    connect(panes_[index], &PicturePane::mousePressed, this,
            [this](int pane, Qt::MouseButton button, QPoint pos) {
              Pic1_MouseDown(pane, button, 0, pos.x(), pos.y());
            });
  }
  list_ = new QTableView(this);
  list_->setObjectName(QStringLiteral("List1"));
  list_->setFrameShape(QFrame::NoFrame);
  list_->setShowGrid(false);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->verticalHeader()->hide();
  list_->horizontalHeader()->hide();
  list_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  fitListRowsToFont();
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setWordWrap(false);
  listModel_ = new PlaylistTableModel(ctx_.playlist, PlaylistColours::fromSkin(ctx_.skin), this);
  list_->setModel(listModel_);
  list_->setItemDelegate(new PlaylistRowDelegate(*listModel_, list_));
  list_->viewport()->installEventFilter(this);
  list_->installEventFilter(this);
  lyricView()->installEventFilter(this);
  lyricView()->setFocusPolicy(Qt::ClickFocus);
  lyricView()->setMouseTracking(true);
  lyricView()->setAcceptDrops(true);
  connect(list_, &QTableView::doubleClicked, this, [this] { List1_DblClick(); });
  connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
    // The view's selection is the playlist's: copy it into the rows.
    Playlist& rows = ctx_.playlist;
    for (int i = 1; i <= rows.count(); ++i)
      rows.row(i).selected = list_->selectionModel()->isRowSelected(i - 1, QModelIndex());
    const QModelIndex focused = list_->selectionModel()->currentIndex();
    rows.setSelectedItem(focused.isValid() ? focused.row() + 1 : 0);
  });
  timer1_.setObjectName(QStringLiteral("Timer1"));
  timer1_.setInterval(20);
  // Precise: a tick timed to the time label's change must not come early.
  timer1_.setTimerType(Qt::PreciseTimer);
  connect(&timer1_, &QTimer::timeout, this, &Fplay::Timer1_Timer);
  timer2_.setObjectName(QStringLiteral("Timer2"));
  connect(&timer2_, &QTimer::timeout, this, &Fplay::Timer2_Timer);
  lyricPane_ = std::make_unique<LyricPane>(ctx_.lyricPane, ctx_.lyrics, ctx_.settings, ctx_.skin, ctx_.player,
                                           lyricView()->surface(), &ctx_.log);
  connect(lyricView(), &PicturePane::resized, this,
          [this] { lyricPane_->Resize(lyricView()->width(), lyricView()->height(), positionMs()); });
  visPane()->showImage(&vis_.pane());
  connect(visPane(), &PicturePane::resized, this, [this] { PrepareVis(); });
  connect(photoPane(), &PicturePane::resized, this, [this] { RedrawPhotoPane(); });
  buildFrame();
  buildMenus();
  buildLyricMenu();
  buildPlaylistCommands();
  buildAdding();
}

// ---------------------------------------------------------------- start-up

Fplay::LoadResult Fplay::Form_Load() {
  LoadResult result = LoadResult::Run;
  ctx_.log.trap(QStringLiteral("Form_Load"), [&] {
    if (!refuseSecondInstance() || !readCommandLine()) {  // steps 1–4
      result = LoadResult::Exit;
      return;
    }
    ctx_.player.AppPath = ctx_.paths.appPath;
    firstRunSetUp();
    InstallTrayIcon();
    ApplySkinCursors();
    LoadAllSettings();
    PlaceWindow();
    FramePanes();
    ctx_.lyricPane.NextLine = 1;
    SelectVisView();
    timer2_.setInterval(LyricTimerInterval(IntervalSituation::StartUp, ctx_.settings.showType, false));
    MeasureLyricFont();
    LayoutWindow();
    LayoutWindow();
    HideListScrollBars();
    // The window is on screen before the sound device and the plug-ins are
    // opened, which is the slow part of start-up.
    ShowMainWindow();
    InitAudioEngine();
    FillPlaylist();
    CreateDataFolders();
    CheckConnection();
    AutoPlay();
    hooked_ = true;  // set before the hooks exist, so a failure below still unhooks what was hooked
    InstallWindowHooks();
    RegisterHotKeys();
    PublishMediaControls();
    TrimWorkingSet();
  });
  // A start-up that failed half-way still leaves a usable window.
  if (result == LoadResult::Run && !isVisible()) show();
  return result;
}

bool Fplay::refuseSecondInstance() {
  QDir().mkpath(ctx_.paths.appPath);
  if (ctx_.instanceLock.acquire(ctx_.paths.appPath + QStringLiteral(".lyrovo.lock")) !=
      InstanceLock::Result::HeldElsewhere)
    return true;
  if (handOverToRunningPlayer()) return false;
  ctx_.prompts->message(Prompts::Icon::Warning, Prompts::Buttons::Ok, kTitlePrefix + QStringLiteral("提示"),
                        QStringLiteral("程序已在运行！\r\n\r\n本程序将退出！"));
  return false;
}

// Every argument is one absolute path (main makes them so). The extension
// test looks at the lower-cased name, but paths keep their case: Linux file
// names are case-sensitive. A file that only a plug-in decodes is looked up
// in the plug-ins' own lists, which the engine loads only later.
bool Fplay::readCommandLine() {
  ctx_.player.SupportedTypes = kProvisionalTypes;
  if (arguments_.isEmpty()) return true;
  const auto anySupported = [&](const QString& types) {
    return std::any_of(arguments_.begin(), arguments_.end(), [&](const QString& name) {
      return IsSupportedFile(name.toLower(), types) || QFileInfo(name).isDir();
    });
  };
  if (!anySupported(ctx_.player.SupportedTypes) && !anySupported(pluginFileTypes())) {
    ctx_.prompts->message(Prompts::Icon::None, Prompts::Buttons::Ok, kTitlePrefix + QStringLiteral("提示"),
                          QStringLiteral("您所拖动的不是程序所支持的文件，Lyrovo将无法播放!"));
    return false;
  }
  commandLineFiles_ = arguments_;
  return true;
}

// The first run is recognised by the missing Images folder, which start-up
// creates later, so this runs once.
void Fplay::firstRunSetUp() {
  if (QFileInfo(ctx_.player.AppPath + QStringLiteral("Images")).isDir()) return;
  const QString& exeName = ctx_.paths.exeName;
  lyricView()->setToolTip(QStringLiteral("如果未找到歌词或者歌词有误，请在此右击鼠标\"搜索歌词\"!"));
  visPane()->setToolTip(QStringLiteral("点击鼠标切换不同的视觉效果！"));
  SetPhotoTip(QStringLiteral("点击可以查看歌手简介哦！"));

  if (!ctx_.paths.desktopEntry.isEmpty()) {
    // Installed: the desktop link is the installed entry, with its installed icon.
    LinkInstalledEntry(ctx_.paths, ctx_.shell);
  } else {
    // Desktop entries name their icon; install it where icon themes look.
    const QString iconDir = ctx_.shell.dataHome + QStringLiteral("/icons/hicolor/64x64/apps");
    if (QDir().mkpath(iconDir)) appIcon(64).save(iconDir + u'/' + exeName + QStringLiteral(".png"), "PNG");

    const QFileInfo exe(ctx_.paths.exePath);
    MakeShortcut(exeName, exeName, exe.absolutePath(), exe.fileName(), QString(),
                 exeName + QStringLiteral("(带歌词音乐播放器)"), QString(), ctx_.shell);
  }
  ctx_.prompts->message(
      Prompts::Icon::Information, Prompts::Buttons::Ok, kTitlePrefix + QStringLiteral("欢迎使用"),
      QStringLiteral("欢迎使用“Vantor -- ") + exeName + QStringLiteral("(带歌词音乐播放器)”"));
  for (const char* ext : {"mp3", "wma", "wav"})
    AssFile(QString::fromLatin1(ext), ctx_.paths, ctx_.shell, ctx_.log);
}

void Fplay::ApplySkinCursors() {
  for (SkinImage* image : std::as_const(images_))
    if (image->look() != SkinImage::Look::Frame)
      image->setCursor(image->look() == SkinImage::Look::Thumb ? Qt::OpenHandCursor : Qt::PointingHandCursor);
  for (PicturePane* pane : panes_) pane->setCursor(Qt::PointingHandCursor);
  lyricView()->setCursor(Qt::OpenHandCursor);
  label(LabelPart::Time)->setCursor(Qt::PointingHandCursor);
  label(LabelPart::TotalTime)->setCursor(Qt::PointingHandCursor);
}

void Fplay::LoadAllSettings() {
  SetDefaults(ctx_.settings, ctx_.paths);
  LoadSettings(ctx_.settings, ctx_.paths, ctx_.log);
  SetSkinDefaults(ctx_.skin);
  LoadSkinSettings(ctx_.skin, ctx_.paths, ctx_.log);
  InstallUiHanFont({QGuiApplication::font().family(), ctx_.skin.listFont.name, ctx_.skin.wordFont.name});
  ApplyAppearance();
}

void Fplay::ApplyAppearance() {
  const SkinSettings& skin = ctx_.skin;
  lyricView()->setFont(QFontFromSpec(skin.wordFont));
  lyricView()->setBackground(QColorFromBgr(skin.word_colB));
  ctx_.lyricPane.Font = QFontFromSpec(skin.wordFont);
  lyricPane_->ApplySkinColours();
  visPane()->setBackground(QColorFromBgr(skin.vis_col4B));
  ApplyListColours();
  ApplyListFont();
}

void Fplay::PlaceWindow() {
  const QRect screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->geometry()
                                                        : QRect(0, 0, 1024, 768);
  // A stored size that would make the window unusable is kept within the screen.
  const int width = std::clamp(int(nearest(ctx_.settings.startWidth / double(kTwipsPerPixel))), kMinWidth,
                               std::max(kMinWidth, screen.width()));
  const int height = std::clamp(int(nearest(ctx_.settings.startHeight / double(kTwipsPerPixel))), kMinHeight,
                                std::max(kMinHeight, screen.height()));
  resize(width, height);
  move(screen.x() + (screen.width() - width) / 2, screen.y() + (screen.height() - height) / 2);
}

void Fplay::InitAudioEngine() {
  QString filter = QStringLiteral(
      "|MPEG Audio (*.mp3;*.mp2;*.mp1)|*.mp3;*.mp2;*.mp1|Ogg Vorbis (*.ogg)|*.ogg|AIFF (*.aif)|*.aif|Wave "
      "(*.wav)|*.wav");
  QString& types = ctx_.player.SupportedTypes;
  types = QStringLiteral("*.mp3;*.mp2;*.mp1;*.ogg;*.aif;*.wav");
  // The window stays responsive while the plug-ins load.
  if (!ctx_.paths.pluginFormatCache.isEmpty())
    ctx_.BP1.backend().plugins().setFormatCache(ctx_.paths.pluginFormatCache);
  ctx_.BP1.aInit(-1, 44100, ctx_.paths.pluginPath, filter, types, [] { QCoreApplication::processEvents(); });
  openFileFilter_ = QStringLiteral("All Supported Files|") + types + filter;
  types += u';';
  ctx_.BP1.setAVolumn(ctx_.settings.volumn);
  ctx_.BP1.setABufferLen(1);
}

void Fplay::FillPlaylist() {
  if (commandLineFiles_.isEmpty()) {
    LoadPlaylist();
    return;
  }
  // A folder among the paths: all of them are added on the worker, in
  // order, and the first row plays once they are in.
  if (std::any_of(commandLineFiles_.begin(), commandLineFiles_.end(),
                  [](const QString& path) { return QFileInfo(path).isDir(); })) {
    AddPaths(commandLineFiles_, true);
    return;
  }
  // Each playable file of the command line is appended (an unplayable one
  // before it leaves no gap), then the rows are numbered from 1.
  // A list that is full stops the adding (logged); start-up goes on.
  ctx_.log.trap(QStringLiteral("AddList"), [&] {
    for (const QString& file : std::as_const(commandLineFiles_))
      if (IsSupportedFile(file.toLower(), ctx_.player.SupportedTypes)) AddList(file, ListCount() + 1);
  });
  RenumberRows(ctx_.playlist, 1);
  ctx_.player.CurrentIndex = 1;
}

// Steps back one view and lets a click on the pane step forward again, so the
// stored view is shown through the same path as a user's click.
void Fplay::SelectVisView() {
  std::int16_t& visType = ctx_.settings.visType;
  visType = visType - 1 == 0 ? 7 : std::int16_t(visType - 1);
  Pic1_MouseDown(static_cast<int>(PanePart::Visualisation), Qt::LeftButton, -2, 1, 1);
}

void Fplay::Pic1_MouseDown(int index, Qt::MouseButton button, int, int, int) {
  const auto pane = static_cast<PanePart>(index);
  if (pane == PanePart::Photo && button == Qt::LeftButton) OpenArtistProfile();
  if (pane != PanePart::Visualisation) return;
  std::int16_t& visType = ctx_.settings.visType;
  if (button == Qt::LeftButton) visType = visType >= 7 ? 1 : std::int16_t(visType + 1);
  if (button == Qt::RightButton) visType = visType <= 1 ? 7 : std::int16_t(visType - 1);
  PrepareVis();
}

// The line height and glyph width of the lyric pane come from "你" in its font.
void Fplay::MeasureLyricFont() { lyricPane_->MeasureFont(); }

void Fplay::HideListScrollBars() {
  list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void Fplay::CreateDataFolders() {
  PlayerState& player = ctx_.player;
  player.ImagesPath = player.AppPath + QStringLiteral("Images/");
  player.ResumesPath = player.AppPath + QStringLiteral("Resumes/");
  for (const QString& folder : {player.ImagesPath, player.ResumesPath})
    if (!QDir().mkpath(folder)) throw errors::pathNotFound(folder);

  QString& wordPath = ctx_.settings.WordPath;
  wordPath = withSlash(wordPath);
  if (!QFileInfo(wordPath).isDir()) {
    wordPath = player.AppPath + QStringLiteral("Lyrics/");
    if (!QDir().mkpath(wordPath)) throw errors::pathNotFound(wordPath);
  }
}

// Whether the web services answer; the lyric search reads the result.
// The check runs on its own thread (the first request of a run may wait
// seconds on name look-up and TLS); the web steps of a song started
// meanwhile wait for its answer (awaitConnection).
void Fplay::CheckConnection() {
  DrawInfo(kCheckingConnectionText.toString());
  const ServerConfig servers = LoadServerConfig(settingsFile(ctx_.paths), &ctx_.log);
  if (ConnectionCheckIsImmediate(servers)) {
    connectionAnswered(false);
    return;
  }
  connectionCheck_->start(servers);
}

void Fplay::connectionAnswered(bool online) {
  ctx_.search.IsOnline = online;
  // The status replaces only the checking text: a song's own texts stay.
  if (lyricInfo_ == kCheckingConnectionText) DrawInfo(ConnectionStatusText(online));
  const AwaitingConnection waiting = std::exchange(awaitingConnection_, {});
  const PlayerState& player = ctx_.player;
  if (waiting.path.isEmpty() || player.CurrentIndex < 1 || player.CurrentIndex > ctx_.playlist.count() ||
      ctx_.playlist.row(player.CurrentIndex).path != waiting.path)
    return;
  if (waiting.photo && online) DownloadJJ(player.SongTitle, player.SongArtist);
  if (waiting.lyric && !player.LyricLoaded && lyricWebSearchAllowed()) startWebLyricSearch();
}

// True when the connection check still runs: the caller's web step is then
// put off until it answers.
bool Fplay::awaitConnection() {
  if (ctx_.search.IsOnline || !connectionCheck_->running()) return false;
  const PlayerState& player = ctx_.player;
  if (player.CurrentIndex < 1 || player.CurrentIndex > ctx_.playlist.count()) return false;
  const QString path = ctx_.playlist.row(player.CurrentIndex).path;
  if (awaitingConnection_.path != path) awaitingConnection_ = {path};
  return true;
}

// Plays the current row when files came on the command line, or when auto
// play is on. A playlist loaded without its last position starts at row 1.
void Fplay::AutoPlay() {
  // A song that fails to play must not keep start-up from finishing.
  ctx_.log.trap(QStringLiteral("Form_Load"), [&] {
    const int rows = ListCount();
    PlayerState& player = ctx_.player;
    if (rows == 0 || (commandLineFiles_.isEmpty() && !ctx_.settings.autoPlay)) return;
    if (player.CurrentIndex < 1) player.CurrentIndex = 1;
    if (player.CurrentIndex <= rows) Play();
  });
  // Nothing plays: the transport shows the stopped state.
  if (!ctx_.BP1.aIsActive()) {
    setButtonsEnabled({SkinPart::StopButton, SkinPart::SeekBar, SkinPart::SeekThumb}, false);
    setSongLabelsEnabled(false);
  }
}

void Fplay::ShowMainWindow() {
  list_->hide();
  show();
  list_->hide();
  list_->show();
  // Mapped and painted now, not when the event loop first runs.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

// There is nothing to trim: the kernel manages the working set.
void Fplay::TrimWorkingSet() {}

void Fplay::StopEngine() {
  BP& engine = ctx_.BP1;
  engine.aStop();
  engine.aClose();
  engine.aClose2();
  engine.aTerminate();
}

// Switches the visualisation pane to view visType: its timer interval, colours and a blank pane.
void Fplay::PrepareVis() {
  vis_.prepare(ctx_.settings.visType, visPane()->size(), ctx_.skin);
  timer1_.setInterval(vis_.timerInterval());
  visPane()->update();
}

// ---------------------------------------------------------------- shutdown

void Fplay::Form_Unload() {
  if (unloaded_) return;
  unloaded_ = true;
  delete handOver_;  // a player on its way out takes no more files; its socket file goes
  handOver_ = nullptr;
  if (autoSaver_) autoSaver_->finish();
  timer1_.stop();
  timer2_.stop();
  ctx_.log.trap(QStringLiteral("Form_Unload"), [&] {
    StopEngine();
    WithdrawMediaControls();
    RemoveTrayIcon();
    if (hooked_) {
      UnregisterHotKeys();
      RestoreWindowHooks();
    }
    SavePlaylist();
    ctx_.settings = settingsToSave();
    SaveSkinSettings(ctx_.skin, ctx_.paths, ctx_.log);
    SaveSettings(ctx_.settings, ctx_.paths, ctx_.shell, ctx_.log);
  });
  if (hooked_) ctx_.terminate(0);
}

// The settings as saved: the window's size (its normal size when maximised) becomes the start size.
Settings Fplay::settingsToSave() const {
  Settings settings = ctx_.settings;
  const QSize size = isMaximized() || isFullScreen() ? normalGeometry().size() : this->size();
  settings.startWidth = size.width() * kTwipsPerPixel;
  settings.startHeight = size.height() * kTwipsPerPixel;
  return settings;
}

void Fplay::closeEvent(QCloseEvent* event) {
  Form_Unload();
  event->accept();
}

}  // namespace lyrovo
