#pragma once

#include "app/appcontext.h"
#include "app/lyricsearchform.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QTreeWidget;

namespace lyrovo {

class HoverButton;

// The lyric search window: a modeless window owned by the main window that
// searches the lyric sources with a title (and artist) the user may edit,
// lists what they found and loads the chosen lyric. The work is done by
// LyricSearchForm and, on the lookup worker, by the main window.
class FSearch : public QDialog {
  Q_OBJECT
 public:
  // What the window asks of the main window: run a search (its answer
  // comes back through searchFinished), download and load a chosen lyric,
  // and show a changed playlist row.
  struct Host {
    std::function<void(const LyricQuery&)> search;
    std::function<void(const QString& link)> download;
    std::function<void()> rowChanged;
  };

  // listTip: the list's tooltip (empty for none).
  FSearch(AppContext& context, Host host, const QString& listTip, QWidget* parent);

  void searchClicked();
  void downloadClicked();
  // The lyric chosen last was loaded or refused: the busy cursor goes.
  void downloadFinished();
  // The answer of the search started last.
  void searchFinished(const LyricLookupResult& result);
  // "设为媒体信息" for the selected row.
  void setAsMediaInfoClicked();
  // The popup of the list: only on a non-empty list while a row plays.
  void showListMenu(QPoint globalPos);

  const LyricSearchForm& form() const { return form_; }

  QLineEdit* songPathEdit = nullptr;
  QLineEdit* titleEdit = nullptr;
  QCheckBox* artistCheck = nullptr;
  QLineEdit* artistEdit = nullptr;
  HoverButton* searchButton = nullptr;
  HoverButton* downloadButton = nullptr;
  HoverButton* closeButton = nullptr;
  QLabel* statusLabel = nullptr;
  QTreeWidget* resultList = nullptr;
  QCheckBox* autoSelectCheck = nullptr;
  QCheckBox* autoReWriteCheck = nullptr;
  QMenu* listMenu = nullptr;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildControls();
  void showForm();

  AppContext& ctx_;
  Host host_;
  LyricSearchForm form_;
};

}  // namespace lyrovo
