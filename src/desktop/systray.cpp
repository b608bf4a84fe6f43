#include "desktop/systray.h"

#include <QElapsedTimer>

namespace lyrovo {

namespace {
std::function<std::int64_t()> monotonicClock() {
  auto timer = std::make_shared<QElapsedTimer>();
  timer->start();
  return [timer] { return std::int64_t(timer->elapsed()); };
}
}  // namespace

clsSysTray::clsSysTray(std::unique_ptr<TrayIconBackend> backend, std::function<std::int64_t()> clock,
                       int doubleClickMs)
    : backend_(std::move(backend)),
      clock_(clock ? std::move(clock) : monotonicClock()),
      doubleClickMs_(doubleClickMs) {
  backend_->onAction = [this](TrayAction action) { onAction(action); };
}

clsSysTray::~clsSysTray() {
  backend_->onAction = nullptr;
  if (added_) backend_->hide();
}

void clsSysTray::IconInSysTray() {
  added_ = true;
  backend_->show();
}

void clsSysTray::RemoveFromSysTray() {
  added_ = false;
  backend_->hide();
}

void clsSysTray::ChangeIcon(const QIcon& icon) {
  icon_ = icon;
  backend_->setIcon(icon);
}

void clsSysTray::ChangeToolTip(const QString& text) {
  tip_ = text;
  backend_->setToolTip(shownToolTip());
}

QString clsSysTray::shownToolTip() const {
  if (tip_.size() <= kTipLength) return tip_;
  // Cut at a whole character, never between the halves of a surrogate pair.
  int length = kTipLength;
  if (tip_.at(length - 1).isHighSurrogate()) --length;
  return tip_.left(length);
}

void clsSysTray::notify(int message) {
  void (clsSysTray::*event)() = nullptr;
  switch (message) {
    case LeftDown:
      event = &clsSysTray::LButtonDown;
      break;
    case LeftUp:
      event = &clsSysTray::LButtonUp;
      break;
    case LeftDoubleClick:
      event = &clsSysTray::LButtonDblClk;
      break;
    case RightDown:
      event = &clsSysTray::RButtonDown;
      break;
    case RightUp:
      event = &clsSysTray::RButtonUp;
      break;
    case RightDoubleClick:
      event = &clsSysTray::RButtonDblClk;
      break;
    default:
      return;
  }
  if (busy_ > 0) return;
  ++busy_;
  // A handler may delete the icon's owner; the counter belongs to this object, which outlives the emit.
  emit(this->*event)();
  releaseBusy();
}

// Some desktops report a double-click, some only two presses: two left
// presses within the double-click time count as one double-click, and the
// desktop's own double-click report that follows them is not counted again.
void clsSysTray::onAction(TrayAction action) {
  const std::int64_t now = clock_();
  const auto within = [&](std::int64_t then) { return then >= 0 && now - then <= doubleClickMs_; };
  switch (action) {
    case TrayAction::LeftPress:
      if (within(lastLeftPress_)) {
        lastLeftPress_ = -1;
        pairedPresses_ = now;
        notify(LeftDoubleClick);
      } else {
        lastLeftPress_ = now;
        notify(LeftDown);
        notify(LeftUp);
      }
      break;
    case TrayAction::LeftDoubleClick:
      lastLeftPress_ = -1;
      if (within(pairedPresses_)) {
        pairedPresses_ = -1;
        break;
      }
      notify(LeftDoubleClick);
      break;
    case TrayAction::RightPress:
      notify(RightDown);
      notify(RightUp);
      break;
  }
}

}  // namespace lyrovo
