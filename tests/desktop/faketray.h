#pragma once

#include "desktop/systray.h"

namespace lyrovo::testing {

// A tray icon that records what it is told; tests report mouse actions
// through act() and say whether a tray host is there.
struct FakeTrayIcon : TrayIconBackend {
  struct State {
    bool hostAvailable = true;
    bool shown = false;
    QString toolTip;
    bool hasIcon = false;
  };
  explicit FakeTrayIcon(std::shared_ptr<State> state) : state_(std::move(state)) {}
  bool available() const override { return state_->hostAvailable; }
  void show() override { state_->shown = true; }
  void hide() override { state_->shown = false; }
  void setIcon(const QIcon& icon) override { state_->hasIcon = !icon.isNull(); }
  void setToolTip(const QString& text) override { state_->toolTip = text; }
  void act(TrayAction action) {
    if (onAction) onAction(action);
  }

 private:
  std::shared_ptr<State> state_;
};

}  // namespace lyrovo::testing
