#pragma once

#include <QLabel>
#include <QWidget>

namespace lyrovo {

// What stands in the playlist's place while files are added: the status
// line, and above it, only when more than 20 files come, the progress frame
// with its fill bar and the cancel label "取消加载".
class LoadingPanel : public QWidget {
  Q_OBJECT
 public:
  explicit LoadingPanel(QWidget* parent);

  static constexpr int kProgressAbove = 20;  // files an add needs for the progress frame to show

  void setStatus(const QString& text);
  QString status() const { return statusLabel_->text(); }
  // Shows the frame empty, or hides it.
  void showProgress(bool shown);
  bool progressShown() const { return progressFrame_->isVisibleTo(this); }
  // The fill bar covers added / total of the frame's inside.
  void setProgress(int added, int total);
  int fillWidth() const { return progressFill_->width(); }
  int fillRoom() const;
  QLabel* cancelLabel() const { return cancelLabel_; }

  static QString restingText() { return QStringLiteral("加载文件,请稍候..."); }

 signals:
  void cancelClicked();
  void statusChanged(const QString& text);

 protected:
  void resizeEvent(QResizeEvent*) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void placeParts();

  QLabel* statusLabel_;
  QWidget* progressFrame_;
  QWidget* progressFill_;
  QLabel* cancelLabel_;
  int added_ = 0;
  int total_ = 0;
};

}  // namespace lyrovo
