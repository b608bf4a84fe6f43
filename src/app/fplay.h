#pragma once

#include "app/appcontext.h"
#include "app/skinwidgets.h"

#include <QLabel>
#include <QMap>
#include <QStringList>
#include <QTableView>
#include <QTimer>
#include <QWidget>

namespace lyrovo {

// The main window: a borderless, skinned window holding the skin images
// (Image1 by index), the labels (Label1), the three panes (Pic1 0 photo,
// 1 lyrics, 2 visualisation), the playlist view and the two timers.
// Form_Load runs the whole start-up, Form_Unload the whole shutdown.
class Fplay : public QWidget {
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
  bool Hooked() const { return hooked_; }
  const QString& OpenFileFilter() const { return openFileFilter_; }
  const QStringList& CommandLineFiles() const { return commandLineFiles_; }

  // Mouse press on a pane; on the visualisation pane a left press steps to
  // the next view and a right press to the previous one.
  void Pic1_MouseDown(int index, Qt::MouseButton button, int shift, int x, int y);

  // Places every element for the window's current size.
  void LayoutWindow();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void buildElements();
  void Image1_Click(int index);

  // Start-up steps, in the order Form_Load runs them.
  bool refuseSecondInstance();
  bool readCommandLine();
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

  // Calls that later parts of the player fill in.
  void AddList(const QString& path, int position);
  void LoadPlaylist();
  void SavePlaylist();
  void RefreshListLayout();
  void PrepareVis();
  void Play();
  void StopEngine();
  void RemoveTrayIcon();
  void UnregisterHotKeys();
  void RestoreWindowHooks();
  int ListCount() const;

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
  QTimer timer1_;
  QTimer timer2_;
};

}  // namespace lyrovo
