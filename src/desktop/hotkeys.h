#pragma once

#include <QLoggingCategory>
#include <QObject>
#include <QString>

#include <memory>

namespace lyrovo {

Q_DECLARE_LOGGING_CATEGORY(lcHotKeys)

// The seven system-wide combinations, each with Ctrl+Shift; numbered 1 to 7
// in the order they are registered.
enum class HotKey { O = 1, P, S, Up, Down, Left, Right };
inline constexpr HotKey kHotKeys[] = {HotKey::O,    HotKey::P,    HotKey::S,    HotKey::Up,
                                      HotKey::Down, HotKey::Left, HotKey::Right};

// "Ctrl+Shift+P" and so on, for messages.
QString hotKeyName(HotKey key);

// System-wide hot keys, pressed while the player is in the background.
// install/remove start and stop listening; registerKeys takes the seven
// combinations (one that another program holds is logged and skipped, the
// rest still work); unregisterKeys gives them back.
class GlobalHotKeys : public QObject {
  Q_OBJECT
 public:
  virtual void install() = 0;
  virtual void remove() = 0;
  virtual void registerKeys() = 0;
  virtual void unregisterKeys() = 0;

 signals:
  void pressed(lyrovo::HotKey key);
};

// The hot keys this desktop offers: key grabs on X11, the desktop portal's
// global shortcuts on Wayland, otherwise none (logged once).
std::unique_ptr<GlobalHotKeys> createGlobalHotKeys();

// A stand-in for desktops without global shortcuts: it takes nothing and never fires.
class NoHotKeys : public GlobalHotKeys {
 public:
  void install() override {}
  void remove() override {}
  void registerKeys() override {}
  void unregisterKeys() override {}
};

}  // namespace lyrovo
