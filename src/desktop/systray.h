#pragma once

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

namespace lyrovo {

// A mouse action on the icon as the desktop reports it.
enum class TrayAction { LeftPress, LeftDoubleClick, RightPress };

// The desktop's notification-area icon (StatusNotifierItem or XEmbed in the
// real program, a fake in tests). It reports mouse actions through onAction.
class TrayIconBackend {
 public:
  virtual ~TrayIconBackend() = default;
  // Whether a tray host is there to show the icon now.
  virtual bool available() const = 0;
  virtual void show() = 0;
  virtual void hide() = 0;
  virtual void setIcon(const QIcon& icon) = 0;
  virtual void setToolTip(const QString& text) = 0;

  std::function<void(TrayAction)> onAction;
};

// The player's tray icon: remembers the icon and the tooltip, puts the
// icon into the tray and takes it out, and turns the desktop's mouse
// actions into the six button events. While an event is being handled (or
// while a handler holds the icon busy, e.g. with its menu open) further
// notifications are dropped.
class clsSysTray : public QObject {
  Q_OBJECT
 public:
  // The notification numbers of the mouse actions on the icon.
  enum Message : int {
    LeftDown = 513,
    LeftUp = 514,
    LeftDoubleClick = 515,
    RightDown = 516,
    RightUp = 517,
    RightDoubleClick = 518,
  };
  // The tooltip field holds this many characters; longer tips are cut.
  static constexpr int kTipLength = 63;

  // clock gives milliseconds (monotonic); it tells two left presses close
  // together from two single ones on desktops that report no double-click.
  explicit clsSysTray(std::unique_ptr<TrayIconBackend> backend, std::function<std::int64_t()> clock = {},
                      int doubleClickMs = 400);
  ~clsSysTray() override;

  const QString& ToolTip() const { return tip_; }
  void setToolTip(const QString& text) { ChangeToolTip(text); }
  const QIcon& Icon() const { return icon_; }
  void setIcon(const QIcon& icon) { ChangeIcon(icon); }
  QObject* SourceWindow() const { return source_; }
  void setSourceWindow(QObject* window) { source_ = window; }

  void IconInSysTray();
  void RemoveFromSysTray();
  void ChangeIcon(const QIcon& icon);
  void ChangeToolTip(const QString& text);

  bool inSysTray() const { return added_; }
  // Whether a tray host shows the icon now: without one, hiding the main
  // window would leave the user no way back to it.
  bool hostAvailable() const { return backend_->available(); }
  // The tooltip as the icon shows it (cut to the field).
  QString shownToolTip() const;

  // Routes one notification: raises its event unless an event is being
  // handled; other numbers raise nothing.
  void notify(int message);
  bool busy() const { return busy_ > 0; }
  // Keeps the icon busy after a handler returns (its popup menu stays
  // open); each holdBusy needs one releaseBusy.
  void holdBusy() { ++busy_; }
  void releaseBusy() {
    if (busy_ > 0) --busy_;
  }

 signals:
  void LButtonDblClk();
  void LButtonDown();
  void LButtonUp();
  void RButtonDblClk();
  void RButtonDown();
  void RButtonUp();

 private:
  void onAction(TrayAction action);

  std::unique_ptr<TrayIconBackend> backend_;
  std::function<std::int64_t()> clock_;
  int doubleClickMs_;
  QString tip_;
  QIcon icon_;
  QPointer<QObject> source_;
  bool added_ = false;
  int busy_ = 0;
  std::int64_t lastLeftPress_ = -1;  // time of the last single left press, -1 = none
  std::int64_t pairedPresses_ = -1;  // time two presses made a double-click
};

}  // namespace lyrovo
