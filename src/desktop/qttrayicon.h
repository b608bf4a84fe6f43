#pragma once

#include "desktop/systray.h"

#include <QSystemTrayIcon>

namespace lyrovo {

// The tray icon through Qt, which speaks StatusNotifierItem where the
// desktop offers it and XEmbed elsewhere.
class QtTrayIcon : public TrayIconBackend {
 public:
  QtTrayIcon();
  bool available() const override;
  void show() override { icon_.show(); }
  void hide() override { icon_.hide(); }
  void setIcon(const QIcon& icon) override { icon_.setIcon(icon); }
  void setToolTip(const QString& text) override;

 private:
  QSystemTrayIcon icon_;
};

}  // namespace lyrovo
