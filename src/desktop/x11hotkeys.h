#pragma once

#include "desktop/hotkeys.h"

#include <QAbstractNativeEventFilter>

#include <cstdint>
#include <vector>

struct xcb_connection_t;

namespace lyrovo {

// Hot keys through key grabs on the X root window. Each combination is
// grabbed with every on/off combination of Caps Lock, Num Lock and Scroll
// Lock, so the keys work whatever lock is on. Presses arrive through Qt's
// native event filter.
class X11HotKeys : public GlobalHotKeys, private QAbstractNativeEventFilter {
 public:
  X11HotKeys(xcb_connection_t* connection, std::uint32_t root);
  ~X11HotKeys() override;

  void install() override;
  void remove() override;
  void registerKeys() override;
  void unregisterKeys() override;
  // The keys actually grabbed.
  std::vector<HotKey> registered() const;

 private:
  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
  std::vector<std::uint16_t> lockCombinations() const;
  std::uint16_t modifierMaskOf(std::uint32_t keysym) const;

  struct Grab {
    HotKey key;
    std::uint8_t keycode;
  };
  xcb_connection_t* connection_;
  std::uint32_t root_;
  std::vector<Grab> grabs_;
  std::vector<std::uint16_t> locks_;
  bool installed_ = false;
};

}  // namespace lyrovo
