#pragma once

#include "app/appcontext.h"
#include "app/skinwidgets.h"
#include "app/transport.h"
#include "download/lyriclookup.h"
#include "lyrics/loadword.h"
#include "visual/bpvissource.h"
#include "visual/visualiser.h"

#include <QLabel>
#include <QMap>
#include <QStringList>
#include <QTableView>
#include <QTimer>
#include <QWidget>

#include <memory>

class QMenu;
class QAction;

namespace lyrovo {

class PlaylistTableModel;
class AutoSaver;
class HandOverServer;
struct ListColumnWidths;
class LyricPane;
struct LyricMenuOutcome;

// The main window: a borderless, skinned window holding the skin images
// (Image1 by index), the labels (Label1), the three panes (Pic1 0 photo,
// 1 lyrics, 2 visualisation), the playlist view and the two timers.
// Form_Load runs the whole start-up, Form_Unload the whole shutdown; Play
// turns the current row into sound and lyrics; the transport moves it on.
class Fplay : public QWidget, private LyricHost {
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

  SkinImage* Image1(int index) const { return images_.value(index); }
  QLabel* Label1(int index) const { return labels_.value(index); }
  PicturePane* Pic1(int index) const { return index >= 0 && index < 3 ? panes_[index] : nullptr; }
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
  // The lyric file the last lyric lookup handed to the lyric loader.
  const QString& LastLyricSource() const { return lastLyricSource_; }

  // Plays row CurrentIndex, which must exist.
  void Play();
  // One tick of the playback timer.
  void Timer1_Timer();
  void Image1_Click(int index);
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

  // The last step of start-up, after Form_Load: from here on changes are
  // saved within seconds, and a second launch can hand its files over. The
  // player is ready once its hand-over socket listens.
  void FinishStartUp();
  // Appends the playable files among absolutePaths, saves the list, brings
  // the window up and plays the first new row. Folders are skipped.
  void AddAndPlayPaths(const QStringList& absolutePaths);
  // How many of absolutePaths AddAndPlayPaths would take (a folder counts).
  int PlayablePathCount(const QStringList& absolutePaths) const;
  // Saves the list and both settings files now (the session is ending).
  void SaveAll();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildElements();
  void buildMenus();
  void buildLyricMenu();
  void applyLyricMenuOutcome(const LyricMenuOutcome& outcome);
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
  void AutoPlay();
  void ShowMainWindow();
  void InstallWindowHooks();
  void RegisterHotKeys();
  void TrimWorkingSet();

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
  void previousOrNext(bool next);
  void setStatus(const QString& word, bool withMode = false);
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
  void SearchInfo(int row, const QString& title);
  QString SearchWord(int server);
  void ShowLyricSearchWindow();
  void CloseLyricSearchWindow();
  void startLyricSearch();
  void finishLyricSearch(const LyricLookupResult& result);
  void DownloadJJ(const QString& title, const QString& artist);
  void DrawInfo(const QString& text) override;
  void DrawPhotoInfo(const QString& text);
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

  AppContext& ctx_;
  QStringList arguments_;
  QStringList commandLineFiles_;
  QString openFileFilter_;
  bool hooked_ = false;
  bool unloaded_ = false;

  QMap<int, SkinImage*> images_;
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

  int ticks_ = 0;            // playback timer ticks since the seek thumb last moved
  FailedOpens failedOpens_;  // files that did not open since the last song that did
  int draggedThumb_ = 0;     // index of the thumb being dragged, 0 = none
  int grabOffset_ = 0;       // cursor position minus the thumb's edge when the drag began
  bool muted_ = false;
  QString lyricInfo_;
  QString photoInfo_;
  QString lastLyricSource_;
  AutoSaver* autoSaver_ = nullptr;
  HandOverServer* handOver_ = nullptr;
  // A lyric the web lookup fetched already: the loader gets its text without a second download.
  QString prefetchedLink_;
  QString prefetchedText_;
  // Last member: destroyed first, so no lookup result arrives at a half-destroyed window.
  std::unique_ptr<LyricLookupWorker> lyricLookup_ = std::make_unique<LyricLookupWorker>(this);
};

}  // namespace lyrovo
