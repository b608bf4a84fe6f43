#pragma once

#include "app/appcontext.h"
#include "app/options.h"
#include "app/skinwidgets.h"
#include "app/transport.h"
#include "app/windowparts.h"
#include "artist/artistlookup.h"
#include "desktop/hotkeys.h"
#include "download/connectioncheck.h"
#include "download/lyriclookup.h"
#include "lyrics/loadword.h"
#include "lyrics/lyricadjust.h"
#include "lyrics/lyricdrag.h"
#include "playlist/playlistcommands.h"
#include "visual/bpvissource.h"
#include "visual/visualiser.h"

#include <QLabel>
#include <QMap>
#include <QPointer>
#include <QStringList>
#include <QTableView>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <vector>

class QMenu;
class QAction;
class QLineEdit;
class QFrame;

namespace lyrovo {

struct EmbeddedLyric;
class FInfo;
class FSearch;
class FSet;
class PlaylistTableModel;
class AutoSaver;
class HandOverServer;
struct ListColumnWidths;
struct AddingState;
struct AddRequest;
struct PlaylistRow;
class LoadingPanel;
class LyricPane;
struct LyricMenuOutcome;
class DesktopGlue;
class clsSysTray;
class MprisService;

// The main window: a borderless, skinned window holding the skin images,
// the labels, the three panes (photo, lyrics, visualisation), the playlist
// view and the two timers. Code names the elements by role (image(SkinPart),
// label(LabelPart), lyricView()); the numbered table (Image1, Label1, Pic1)
// is for the handlers and tests that carry an element's number.
// Form_Load runs the whole start-up, Form_Unload the whole shutdown; Play
// turns the current row into sound and lyrics; the transport moves it on.
class Fplay : public QWidget, private LyricHost, private OptionsHost, private PhotoView {
  Q_OBJECT
 public:
  Fplay(AppContext& context, QStringList commandLine);
  ~Fplay() override;

  enum class LoadResult { Run, Exit };
  // Start-up; Exit means the program must end now (another instance runs,
  // or the command line names no playable file). The window is shown
  // unless start-up ended that way.
  LoadResult Form_Load();
  // Shutdown: stops playback, saves everything, then ends the process once
  // start-up got as far as installing the hooks. Runs at most once.
  void Form_Unload();

  // The window's elements by their number in the element table.
  SkinImage* Image1(int index) const { return images_.value(index); }
  QLabel* Label1(int index) const { return labels_.value(index); }
  PicturePane* Pic1(int index) const { return index >= 0 && index < 3 ? panes_[index] : nullptr; }
  // The same elements by role.
  SkinImage* image(SkinPart part) const { return Image1(static_cast<int>(part)); }
  QLabel* label(LabelPart part) const { return Label1(static_cast<int>(part)); }
  PicturePane* photoPane() const { return panes_[static_cast<int>(PanePart::Photo)]; }
  PicturePane* lyricView() const { return panes_[static_cast<int>(PanePart::Lyrics)]; }
  PicturePane* visPane() const { return panes_[static_cast<int>(PanePart::Visualisation)]; }
  QTableView* List1() const { return list_; }
  QTimer& Timer1() { return timer1_; }
  QTimer& Timer2() { return timer2_; }
  QMenu* menuT() const { return menuT_; }
  QMenu* menuMs() const { return menuMs_; }
  bool Hooked() const { return hooked_; }
  const QString& OpenFileFilter() const { return openFileFilter_; }
  const QStringList& CommandLineFiles() const { return commandLineFiles_; }
  // The last one-line status drawn in the lyric pane and in the photo pane.
  const QString& LyricInfoText() const { return lyricInfo_; }
  const QString& PhotoInfoText() const { return photoInfo_; }
  // The photo pane's tooltip as plain text, and the artist look-up behind the pane.
  const QString& PhotoTip() const { return photoTip_; }
  ArtistLookup& artistLookup();
  // The lyric file the last lyric lookup handed to the lyric loader.
  const QString& LastLyricSource() const { return lastLyricSource_; }

  // Plays row CurrentIndex, which must exist.
  void Play();
  // One tick of the playback timer.
  void Timer1_Timer();
  void Image1_Click(int index);
  void Image1_Click(SkinPart part) { Image1_Click(static_cast<int>(part)); }
  void Image1_MouseDown(int index, Qt::MouseButton button, QPoint pos);
  void Image1_MouseMove(int index, QPoint globalPos);
  void Image1_MouseUp(int index, Qt::MouseButton button, QPoint pos);
  void Label1_MouseUp(int index, Qt::MouseButton button);
  void List1_DblClick();
  void menuMs_Click(int index);
  void menuTs_Click(int index);
  // Local Ctrl shortcuts from the playlist and the lyric pane; true when the key was used.
  bool ShortcutKey(int key, Qt::KeyboardModifiers modifiers);
  void ShowMainMenu(QPoint at);
  // The lyric pane: one animation tick, the lyric menu and its submenus.
  void Timer2_Timer();
  void ShowLyricMenu(QPoint at);
  void menuWs_Click(int index);
  void Showtypes_Click(int index);
  void Textchanges_Click(int index);
  QMenu* menuW() const { return menuW_; }

  // Mouse press on a pane; on the visualisation pane a left press steps to
  // the next view and a right press to the previous one.
  void Pic1_MouseDown(int index, Qt::MouseButton button, int shift, int x, int y);

  // Places every element for the window's current size.
  void LayoutWindow();
  // The skin colour button: the next (or previous) colour scheme, applied.
  void StepSkinColour(bool forward);
  // The outline shown on the screen while the frame is dragged; empty when none.
  QRect ResizeOutline() const;

  // The last step of start-up, after Form_Load: from here on changes are
  // saved within seconds, and a second launch can hand its files over. The
  // player is ready once its hand-over socket listens.
  void FinishStartUp();
  // Brings the window up and adds absolutePaths (files and folders) as
  // AddPaths does, playing the first new row.
  void AddAndPlayPaths(const QStringList& absolutePaths);
  // How many of absolutePaths AddAndPlayPaths would take (a folder counts).
  int PlayablePathCount(const QStringList& absolutePaths) const;
  // Saves the list and both settings files now (the session is ending).
  void SaveAll();
  // The playlist's commands: the row menu (right-click on a row), the delete
  // and sort menus of the 移除 and 排序 buttons, the cell editor, and moving
  // a row by dragging it.
  void ShowRowMenu(QPoint globalPos, int x);
  void menuLs_Click(int index);
  void renames_Click(int entry);
  void sendtos_Click(int entry);
  void ShowDeleteMenu();
  void ShowSortMenu();
  void menuDs_Click(int index);
  void menuSs_Click(int index);
  QMenu* menuL() const { return menuL_; }
  QMenu* menuD() const { return menuD_; }
  QMenu* menuS() const { return menuS_; }
  QAction* menuLsEntry(int index) const { return menuLs_.value(index); }
  QAction* menuSsEntry(int index) const { return menuSs_.value(index - 1); }
  QLineEdit* Text1() const { return text1_; }
  int EditColumn() const { return editColumn_; }
  const SortState& ListSortState() const { return sortState_; }
  // How a file is shown in the file manager; tests replace it.
  void setRevealFile(std::function<void(const QString&)> reveal) { revealFile_ = std::move(reveal); }
  // Adding files and folders. Each add runs on a worker while the loading
  // panel stands in the playlist's place; an add asked for meanwhile waits.
  void menuAs_Click(int index);  // 1 add files, 2 add folder
  void ShowAddMenu(QPoint at);
  // The file dialog; replace ("open") empties the list first and plays row 1.
  void AddFiles(bool replace);
  void AddFolder();
  // Appends files and folders (walked as "add folder" does, subfolders
  // when addSubFold is on) in the order given; with playFirstNew the first
  // row added is played. Paths from the command line and from a second
  // launch come here.
  void AddPaths(const QStringList& paths, bool playFirstNew);
  void Form_OLEDragDrop(const QStringList& paths);
  void List1_OLEDragDrop(const QStringList& paths, QPoint at);
  void CancelLoading();
  bool Loading() const;
  QMenu* menuA() const { return menuA_; }
  LoadingPanel* loadingPanel() const { return loadingPanel_; }
  // The desktop services (fplay_desktop.cpp): the tray icon and its events,
  // the global hot keys, the media controls. Null before start-up creates them.
  clsSysTray* Tray() const;
  GlobalHotKeys* HotKeys() const;
  MprisService* MediaControls() const;
  void Tray_LButtonDblClk();
  void Tray_LButtonDown();
  void Tray_RButtonDown();
  // A system-wide Ctrl+Shift hot key was pressed.
  void GlobalHotKey(HotKey key);

  // Opens the media information window for the playlist's selected row,
  // modal to this window; an open one is closed first.
  void ShowMediaInfo();
  FInfo* MediaInfoWindow() const;
  // Opens the options window on page (1 about … 6 lyrics), closing one already open.
  void ShowOptions(int page);
  FSet* OptionsWindow() const;
  // The lyric search window while it is open.
  FSearch* LyricSearchWindow() const;

 signals:
  // The playing position jumped: a seek, or a song starting over.
  void positionJumped();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildElements();
  // The skin (fplay_skin.cpp, fplay_layout.cpp).
  void buildFrame();
  void layoutFrame(int w, int h);
  void layoutLyricsAndList(int w, int h);
  void ApplySkinScheme(bool withBackgrounds);
  void WindowShape();
  // The frame areas' mouse events; false when index is not a frame area.
  bool frameMouseDown(int index, Qt::MouseButton button);
  bool frameMouseMove(int index, QPoint globalPos);
  bool frameMouseUp(int index);
  void buildMenus();
  void buildLyricMenu();
  void buildPlaylistCommands();
  // Mouse, key and focus events of the playlist view; true when used up.
  bool playlistEvent(QObject* watched, QEvent* event);
  void beginCellEdit();
  void commitCellEdit();
  // Drops the dragged row at a point of the view (nothing outside it).
  void endRowDrag(QPoint viewportPos);
  // Copies the rows' selected flags into the view after the rows were reset.
  void showRowSelection();
  void applyLyricMenuOutcome(const LyricMenuOutcome& outcome);
  // The lyric pane's wheel, mouse, focus and drop events, and the wheel over
  // the playlist; true when used up.
  bool lyricPaneEvent(QObject* watched, QEvent* event);
  bool listWheelEvent(QObject* watched, QEvent* event);
  void LyricWheel(int angleDelta);
  void startLyricDrag(QPoint screenPos);
  void Pic1_MouseMove(QPoint screenPos);
  void Pic1_MouseUp(Qt::MouseButton button, QPoint screenPos);
  void showDragGuide(bool vertical);
  void Pic1_OLEDragDrop(const QStringList& paths);
  // What the lyric loader needs, for the song now playing.
  LoadWordContext loadWordContext();
  // Playing position in ms for the lyric pane.
  std::int32_t positionMs() const;

  // Start-up steps, in the order Form_Load runs them.
  bool refuseSecondInstance();
  bool handOverToRunningPlayer();
  bool readCommandLine();
  QString pluginFileTypes() const;
  void firstRunSetUp();
  void InstallTrayIcon();
  void ApplySkinCursors();
  void LoadAllSettings();
  void ApplyAppearance();
  void PlaceWindow();
  void FramePanes();
  void InitAudioEngine();
  void FillPlaylist();
  void SelectVisView();
  void MeasureLyricFont();
  void HideListScrollBars();
  void CreateDataFolders();
  void CheckConnection();
  void connectionAnswered(bool online);
  bool awaitConnection();
  void AutoPlay();
  void ShowMainWindow();
  void InstallWindowHooks();
  void RegisterHotKeys();
  void TrimWorkingSet();

  // Adding files and folders.
  void buildAdding();
  void queueAdd(AddRequest request);
  void startNextAdd();
  void addCounted(int total);
  void addRows(std::vector<PlaylistRow>& batch);
  void finishAdd();

  // Playlist upkeep.
  void AddList(const QString& path, int position);
  void LoadPlaylist();
  void KeepDamagedPlaylist();
  void SavePlaylist();
  Settings settingsToSave() const;
  void MarkCurrentRow();
  void RefreshListLayout();
  void applyColumnWidths(const ListColumnWidths& widths);
  void ScrollToRow(int row);
  void fitListRowsToFont();
  int ListTopRow() const;
  int RowsPerPage() const;
  void placeListThumb();
  int ListCount() const;

  // Transport.
  void pausePlayback();
  void resumePlayback();
  void stopPlayback();
  void applyEndOfTrack();
  // Repaints what the lyric ticks changed since the last repaint.
  void showPendingLyricChange();
  void previousOrNext(bool next);
  void setStatus(const QString& word, bool withMode = false);
  // The time, status and stream labels, greyed while nothing plays.
  void setSongLabelsEnabled(bool enabled);
  void setButtonsEnabled(std::initializer_list<SkinPart> parts, bool enabled);
  void setPlayButton(bool playing);
  void setTimeLabel();
  void placeSeekThumb();
  void placeVolumeKnob();
  void seekToFraction(double fraction);
  void setVolumeFromKnob();
  void stepVolume(bool up);
  void restoreStatusAfterDrag();

  // Calls that the lyric, web, visualisation and shell parts fill in.
  bool LoadWord(const QString& source, bool isLocal);
  void WriteBackShiftedLyric();
  bool SearchInfo(int row, const QString& title);
  void finishArtistRepair(const QString& path, const LyricLookupResult& result);
  void playCurrentRow();
  void ShowLyricSearchWindow();
  void CloseLyricSearchWindow();
  // The lyric steps of Play after the local files, on the lookup worker:
  // the lyric inside the song, then the web (fplay_lyricsearch.cpp).
  void startLyricSearch(const QString& songPath);
  void finishLyricSearch(const LyricLookupResult& result);
  LyricLookupRequest lyricLookupRequest();
  bool lyricWebSearchAllowed();
  void startWebLyricSearch();
  bool loadEmbeddedLyric(const QString& songPath, const std::vector<EmbeddedLyric>& lyrics);
  // Loads a chosen lyric link; its text is fetched on the worker unless fetched has it.
  void loadChosenLyric(const QString& link, const LyricLookupResult* fetched);
  void DownloadJJ(const QString& title, const QString& artist);
  void DrawInfo(const QString& text) override;
  void DrawPhotoInfo(const QString& text) override;
  // The artist photo pane (fplay_artist.cpp).
  void ClearPhoto() override;
  void ShowPhoto(const QImage& photo) override;
  void SetPhotoTip(const QString& text) override;
  void RedrawPhotoPane();
  void OpenArtistProfile();
  void WordAdjust() override;
  void ClearPane() override;
  void StartLyricTimer() override;
  void ResetScroll() override;
  int TextWidth(const QString& text) override;
  QString DownFile(const QString& url) override;
  void DrawVis();
  void ClearVis();
  void PrepareVis();
  void StopEngine();
  void RemoveTrayIcon();
  void UnregisterHotKeys();
  void RestoreWindowHooks();
  void PublishMediaControls();
  void WithdrawMediaControls();
  void MinimiseToTray();
  void RestoreFromTray();
  void CloseToolWindows();
  friend class DesktopGlue;

  // What the options window changes in the running player.
  void PrepareVisAgain() override;
  void SetVisBackground(std::int32_t colour) override;
  void ApplyListColours() override;
  void ApplyListFont() override;
  void ApplyLyricColours() override;
  void ApplyLyricFont() override;
  void ClickVisPane() override;

  AppContext& ctx_;
  QStringList arguments_;
  QStringList commandLineFiles_;
  QString openFileFilter_;
  bool hooked_ = false;
  bool unloaded_ = false;

  QMap<int, SkinImage*> images_;
  QColor outerBorder_{0x50, 0x50, 0x50};  // the pane borders, from the colour scheme
  QColor innerBorder_{0x44, 0x44, 0x44};
  struct FrameDrag {
    int index = 0;   // the frame area being dragged, 0 = none
    QRect proposed;  // the window's rectangle on the screen if released now
  } frameDrag_;
  std::unique_ptr<QWidget> resizeOutline_;
  bool wasMaximised_ = false;  // before the lyrics went full screen
  QMap<int, QLabel*> labels_;
  PicturePane* panes_[3] = {};
  QTableView* list_ = nullptr;
  PlaylistTableModel* listModel_ = nullptr;
  QTimer timer1_;
  QTimer timer2_;
  QMenu* menuT_ = nullptr;
  QMenu* menuMs_ = nullptr;
  QList<QAction*> menuTs_;  // menuTs_[i - 1] is entry i
  QList<QAction*> menuMsEntries_;
  QMenu* menuW_ = nullptr;
  QList<QAction*> menuWs_;  // menuWs_[i - 1] is item i
  QList<QAction*> showtypes_;
  QList<QAction*> textchanges_;
  std::unique_ptr<LyricPane> lyricPane_;
  Visualiser vis_;
  BpVisSource visSource_;

  int ticks_ = 0;               // playback timer ticks since the seek thumb last moved
  bool drawingFrames_ = false;  // the playback tick draws a view frame by frame
  QRect pendingLyricRect_;      // lyric changes waiting for the next view frame
  FailedOpens failedOpens_;     // files that did not open since the last song that did
  int draggedThumb_ = 0;        // index of the thumb being dragged, 0 = none
  int grabOffset_ = 0;          // cursor position minus the thumb's edge when the drag began
  bool muted_ = false;
  QString lyricInfo_;
  QString photoInfo_;
  QString photoTip_;
  QImage photo_;  // the artist photo the pane shows; null while it shows a text
  std::unique_ptr<ArtistLookup> artistLookup_;
  QString lastLyricSource_;
  AutoSaver* autoSaver_ = nullptr;
  HandOverServer* handOver_ = nullptr;

  QMenu* menuL_ = nullptr;
  QMenu* menuD_ = nullptr;
  QMenu* menuS_ = nullptr;
  QMap<int, QAction*> menuLs_;  // by the list menu's index, 0..12
  QList<QAction*> renames_;
  QList<QAction*> sendtos_;
  QList<QAction*> menuDs_;  // menuDs_[i - 1] is entry i
  QList<QAction*> menuSs_;
  QLineEdit* text1_ = nullptr;  // the cell editor
  int editColumn_ = 2;          // column under the pointer at the last right-click
  int editingRow_ = 0;
  int editingColumn_ = 0;
  bool editModified_ = false;
  bool listHasFocus_ = false;
  SortState sortState_;
  int dragRow_ = 0;  // row pressed for a drag, 0 = none
  bool dragging_ = false;
  QPoint dragFrom_;
  QLabel* dragSnapshot_ = nullptr;
  std::function<void(const QString&)> revealFile_;
  QMenu* menuA_ = nullptr;
  LoadingPanel* loadingPanel_ = nullptr;
  std::unique_ptr<AddingState> adding_;
  std::unique_ptr<DesktopGlue> desktop_;
  QPointer<FInfo> infoWindow_;
  QPointer<FSet> optionsWindow_;
  QPointer<FSearch> searchWindow_;

  LyricDrag lyricDrag_;
  WheelNotches lyricWheel_;
  WheelNotches listWheel_;
  QFrame* guideLine_ = nullptr;      // across the lyric pane's centre while dragging
  QLabel* dragTimeLabel_ = nullptr;  // the time under the guide line
  bool lyricHasFocus_ = false;
  // A lyric the web lookup fetched already: the loader gets its text without a second download.
  QString prefetchedLink_;
  QString prefetchedText_;
  bool artistRepairPending_ = false;  // Play waits for the artist look-up before it opens the song
  // The web steps of the song that started while the connection check ran;
  // they go on when it answers, if that song is still the current one.
  struct AwaitingConnection {
    QString path;
    bool photo = false;  // the artist photo and profile
    bool lyric = false;  // the web lyric search
  } awaitingConnection_;
  std::unique_ptr<ConnectionChecker> connectionCheck_ = std::make_unique<ConnectionChecker>();
  // Last member: destroyed first, so no lookup result arrives at a half-destroyed window.
  std::unique_ptr<LyricLookupWorker> lyricLookup_ = std::make_unique<LyricLookupWorker>(this);
};

}  // namespace lyrovo
