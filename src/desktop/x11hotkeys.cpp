#include "desktop/x11hotkeys.h"

#include <QCoreApplication>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <cstdlib>

namespace lyrovo {

namespace {

// X key symbols of the seven keys and of the two lock keys.
constexpr std::uint32_t kSymO = 0x006f, kSymP = 0x0070, kSymS = 0x0073;
constexpr std::uint32_t kSymLeft = 0xff51, kSymUp = 0xff52, kSymRight = 0xff53, kSymDown = 0xff54;
constexpr std::uint32_t kSymNumLock = 0xff7f, kSymScrollLock = 0xff14;
constexpr std::uint16_t kCtrlShift = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_SHIFT;
// The modifiers that make a different combination; lock modifiers and the keyboard group do not.
constexpr std::uint16_t kSignificant =
    XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_1 | XCB_MOD_MASK_4;

std::uint32_t keysymOf(HotKey key) {
  switch (key) {
    case HotKey::O:
      return kSymO;
    case HotKey::P:
      return kSymP;
    case HotKey::S:
      return kSymS;
    case HotKey::Up:
      return kSymUp;
    case HotKey::Down:
      return kSymDown;
    case HotKey::Left:
      return kSymLeft;
    case HotKey::Right:
      return kSymRight;
  }
  return 0;
}

// The first key code that produces keysym on this keyboard, 0 when none does.
std::uint8_t keycodeOf(xcb_key_symbols_t* symbols, std::uint32_t keysym) {
  xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, keysym);
  if (!codes) return 0;
  const std::uint8_t code = codes[0] == XCB_NO_SYMBOL ? 0 : codes[0];
  std::free(codes);
  return code;
}

}  // namespace

X11HotKeys::X11HotKeys(xcb_connection_t* connection, std::uint32_t root)
    : connection_(connection), root_(root) {}

X11HotKeys::~X11HotKeys() {
  unregisterKeys();
  remove();
}

void X11HotKeys::install() {
  if (installed_) return;
  QCoreApplication::instance()->installNativeEventFilter(this);
  installed_ = true;
}

void X11HotKeys::remove() {
  if (!installed_) return;
  if (QCoreApplication::instance()) QCoreApplication::instance()->removeNativeEventFilter(this);
  installed_ = false;
}

// The modifier bit (1 << index) that a lock key is mapped to, 0 when it is not mapped.
std::uint16_t X11HotKeys::modifierMaskOf(std::uint32_t keysym) const {
  xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(connection_);
  const std::uint8_t keycode = keycodeOf(symbols, keysym);
  xcb_key_symbols_free(symbols);
  if (keycode == 0) return 0;
  xcb_get_modifier_mapping_reply_t* mapping =
      xcb_get_modifier_mapping_reply(connection_, xcb_get_modifier_mapping(connection_), nullptr);
  if (!mapping) return 0;
  std::uint16_t mask = 0;
  const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(mapping);
  const int perModifier = mapping->keycodes_per_modifier;
  for (int modifier = 0; modifier < 8 && mask == 0; ++modifier)
    for (int i = 0; i < perModifier; ++i)
      if (codes[modifier * perModifier + i] == keycode) mask = std::uint16_t(1u << modifier);
  std::free(mapping);
  return mask;
}

std::vector<std::uint16_t> X11HotKeys::lockCombinations() const {
  std::vector<std::uint16_t> locks = {XCB_MOD_MASK_LOCK};
  for (std::uint32_t keysym : {kSymNumLock, kSymScrollLock}) {
    const std::uint16_t mask = modifierMaskOf(keysym);
    if (mask != 0 && (mask & (kSignificant | XCB_MOD_MASK_LOCK)) == 0) locks.push_back(mask);
  }
  std::vector<std::uint16_t> combinations;
  for (unsigned subset = 0; subset < (1u << locks.size()); ++subset) {
    std::uint16_t combination = 0;
    for (std::size_t i = 0; i < locks.size(); ++i)
      if (subset & (1u << i)) combination |= locks[i];
    combinations.push_back(combination);
  }
  return combinations;
}

void X11HotKeys::registerKeys() {
  unregisterKeys();
  locks_ = lockCombinations();
  xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(connection_);
  for (HotKey key : kHotKeys) {
    const std::uint8_t keycode = keycodeOf(symbols, keysymOf(key));
    if (keycode == 0) {
      qCWarning(lcHotKeys, "%s: the keyboard has no such key; that hot key is off",
                qPrintable(hotKeyName(key)));
      continue;
    }
    std::vector<xcb_void_cookie_t> cookies;
    for (std::uint16_t locks : locks_)
      cookies.push_back(xcb_grab_key_checked(connection_, 0, root_, kCtrlShift | locks, keycode,
                                             XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    bool taken = false;
    for (const xcb_void_cookie_t& cookie : cookies) {
      if (xcb_generic_error_t* error = xcb_request_check(connection_, cookie)) {
        taken = true;
        std::free(error);
      }
    }
    if (taken) {
      // Half a combination would work only with some locks on: give all of it back.
      for (std::uint16_t locks : locks_) xcb_ungrab_key(connection_, keycode, root_, kCtrlShift | locks);
      qCWarning(lcHotKeys, "%s is taken by another program; that hot key is off",
                qPrintable(hotKeyName(key)));
      continue;
    }
    grabs_.push_back({key, keycode});
  }
  xcb_key_symbols_free(symbols);
  xcb_flush(connection_);
}

void X11HotKeys::unregisterKeys() {
  if (grabs_.empty()) return;
  for (const Grab& grab : grabs_)
    for (std::uint16_t locks : locks_) xcb_ungrab_key(connection_, grab.keycode, root_, kCtrlShift | locks);
  grabs_.clear();
  xcb_flush(connection_);
}

std::vector<HotKey> X11HotKeys::registered() const {
  std::vector<HotKey> keys;
  for (const Grab& grab : grabs_) keys.push_back(grab.key);
  return keys;
}

bool X11HotKeys::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
  if (eventType != "xcb_generic_event_t") return false;
  const auto* event = static_cast<const xcb_generic_event_t*>(message);
  if ((event->response_type & 0x7f) != XCB_KEY_PRESS) return false;
  const auto* press = static_cast<const xcb_key_press_event_t*>(message);
  if (press->event != root_ || (press->state & kSignificant) != kCtrlShift) return false;
  for (const Grab& grab : grabs_) {
    if (grab.keycode == press->detail) {
      emit pressed(grab.key);
      return true;
    }
  }
  return false;
}

}  // namespace lyrovo
