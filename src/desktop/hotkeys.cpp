#include "desktop/hotkeys.h"

#include "desktop/portalhotkeys.h"
#include "desktop/x11hotkeys.h"

#include <QGuiApplication>

#include <xcb/xcb.h>

namespace lyrovo {

Q_LOGGING_CATEGORY(lcHotKeys, "lyrovo.hotkeys")

QString hotKeyName(HotKey key) {
  static const char* const names[] = {"O", "P", "S", "Up", "Down", "Left", "Right"};
  return QStringLiteral("Ctrl+Shift+") + QLatin1String(names[int(key) - 1]);
}

std::unique_ptr<GlobalHotKeys> createGlobalHotKeys() {
  auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
  const QString platform = QGuiApplication::platformName();
  if (app && platform == QLatin1String("xcb")) {
    auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>();
    if (xcb_connection_t* connection = x11 ? x11->connection() : nullptr) {
      if (const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data)
        return std::make_unique<X11HotKeys>(connection, screen->root);
    }
  }
  // Wayland lets no program grab keys; the desktop portal binds them on request.
  if (platform.startsWith(QLatin1String("wayland")))
    return std::make_unique<PortalHotKeys>(QDBusConnection::sessionBus(), QStringLiteral(LYROVO_APP_ID));
  // Without a window system (headless runs) there is nothing to tell anyone.
  if (platform != QLatin1String("offscreen") && platform != QLatin1String("minimal"))
    qCInfo(lcHotKeys, "global hot keys are not offered on this desktop (%s)", qPrintable(platform));
  return std::make_unique<NoHotKeys>();
}

}  // namespace lyrovo
