#pragma once

#include "app/options.h"

#include <QLabel>
#include <QMap>
#include <QWidget>

class QCheckBox;
class QLineEdit;
class QStackedWidget;

namespace lyrovo {

struct AppContext;

// A label that acts as a button: a hand cursor, a click signal, and a
// single-line border while the mouse is over it (sticky borders stay until
// the window clears them, as the page tabs do).
class OptionLabel : public QLabel {
  Q_OBJECT
 public:
  OptionLabel(const QString& text, bool hoverBorder, bool stickyBorder, QWidget* parent);
  void setBorder(bool on);

 signals:
  void clicked();
  void hovered();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  bool hoverBorder_;
  bool stickyBorder_;
};

// The options window: page tabs on the left, one page of settings at a time,
// and the close, save and reset buttons. Every change takes effect in the
// running player at once; only "保 存" writes the settings files.
class FSet : public QWidget {
  Q_OBJECT
 public:
  // Pages, numbered as the tabs: 1 about … 7 skin; the server addresses are page 8.
  static constexpr int kPageAbout = 1, kPagePlaylist = 5, kPageLyrics = 6, kPageSkin = 7, kPageNetwork = 8;

  FSet(AppContext& context, OptionsHost& host, QWidget* parent = nullptr);

  OptionLabel* Label1(int tab) const { return tabs_.value(tab); }
  QWidget* Pic1(int page) const { return pages_.value(page); }
  QCheckBox* Check1(int index) const { return checks_.value(index); }
  OptionLabel* Label3(int index) const { return buttons_.value(index); }
  QLineEdit* wordPathField() const { return wordPathField_; }
  QLineEdit* serverField(QStringView key) const { return serverFields_.value(key.toString()); }
  QLabel* pageDescription() const { return description_; }
  int currentPage() const { return page_; }
  OptionsEditor& editor() { return editor_; }

  // A click on a tab: shows its page (the skin tab only answers with a message).
  void Label1_Click(int tab);
  // A click on a button, colour box or "选择..." button.
  void Label3_Click(int index);
  // A click that changed check box index.
  void Check1_Click(int index);
  // The server address field of key was edited.
  void ServerField_Changed(const QString& key);

 private:
  void Form_Load();
  QWidget* buildAbout();
  QWidget* buildGeneral();
  QWidget* buildShortcuts();
  QWidget* buildVisual();
  QWidget* buildPlaylist();
  QWidget* buildLyrics();
  QWidget* buildNetwork();
  QCheckBox* addCheck(int index, const QString& caption, QWidget* page);
  QCheckBox* addLinkedCheck(int index, QWidget* page);  // caption from the settings table
  OptionLabel* addButton(int index, const QString& caption, QWidget* parent);
  OptionLabel* addColourBox(int index, QWidget* parent);
  void showColour(int index);
  void showFonts();
  void updateEnabled();

  AppContext& ctx_;
  OptionsEditor editor_;
  QMap<int, OptionLabel*> tabs_;
  QMap<int, QWidget*> pages_;
  QMap<int, QCheckBox*> checks_;
  QMap<int, OptionLabel*> buttons_;
  QMap<QString, QLineEdit*> serverFields_;
  QStackedWidget* stack_ = nullptr;
  QLabel* description_ = nullptr;
  QWidget* tabMarker_ = nullptr;
  QLabel* listFontName_ = nullptr;
  QLabel* lyricFontName_ = nullptr;
  QLineEdit* wordPathField_ = nullptr;
  int page_ = 0;
};

}  // namespace lyrovo
