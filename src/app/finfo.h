#pragma once

#include "app/appcontext.h"
#include "playlist/mediainfo.h"

#include <QDialog>
#include <QLabel>

#include <functional>

class QLineEdit;

namespace lyrovo {

// A text that acts as a button: hand cursor, a thin border while the mouse
// is over it, clicked on a left click unless disabled.
class HoverButton : public QLabel {
  Q_OBJECT
 public:
  HoverButton(const QString& text, QWidget* parent);

 signals:
  void clicked();

 protected:
  void enterEvent(QEnterEvent*) override;
  void leaveEvent(QEvent*) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
};

// The media information window: the tags and stream description of one
// playlist row, the editing of its title, artist, album, year, comment and
// track, and stepping to the previous and next row.
class FInfo : public QDialog {
  Q_OBJECT
 public:
  // rowsRemoved runs after the window removed the row of a missing file,
  // for the main window's list upkeep.
  FInfo(AppContext& context, std::function<void()> rowsRemoved, QWidget* parent = nullptr);

  // Shows the playlist's selected row and enables the stepping buttons;
  // stays on top when the main window does.
  void Form_Load();
  // Fills the window from row index; the save button ends disabled.
  void ShowMediaInfo(int index);
  void previousClicked();
  void nextClicked();
  void saveClicked();
  void reloadClicked();

  int infoIndex() const { return infoIndex_; }

  QLineEdit* pathEdit = nullptr;
  QLineEdit* trackEdit = nullptr;
  QLineEdit* titleEdit = nullptr;
  QLineEdit* artistEdit = nullptr;
  QLineEdit* albumEdit = nullptr;
  QLineEdit* yearEdit = nullptr;
  QLineEdit* genreEdit = nullptr;
  QLineEdit* commentEdit = nullptr;
  QLabel* formatLabel = nullptr;
  QLabel* channelsLabel = nullptr;
  QLabel* frequencyLabel = nullptr;
  QLabel* bitrateLabel = nullptr;
  QLabel* sizeLabel = nullptr;
  QLabel* lengthLabel = nullptr;
  QLabel* ownTagsCaption = nullptr;
  QLabel* ownTagsLabel = nullptr;
  HoverButton* previousButton = nullptr;
  HoverButton* nextButton = nullptr;
  HoverButton* closeButton = nullptr;
  HoverButton* saveButton = nullptr;
  HoverButton* reloadButton = nullptr;

 private:
  void buildControls();
  void step(int target);

  AppContext& ctx_;
  std::function<void()> rowsRemoved_;
  int infoIndex_ = 0;
  int genreNumber_ = 255;  // the ID3v1 genre number of the row shown
};

}  // namespace lyrovo
