// The tray icon and the global hot keys on a real X server: the real
// player window, Qt's tray icon in an XEmbed tray (wmdocker) and key
// presses from xdotool.
#include "app/fplay.h"
#include "desktop/systray.h"
#include "desktop/x11hotkeys.h"
#include "support/audiofixtures.h"
#include "support/testworld.h"

#include <QApplication>
#include <QProcess>
#include <QSystemTrayIcon>
#include <QWidget>

#include <gtest/gtest.h>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <cstdlib>

using namespace lyrovo;
using lyrovo::testing::TestWorld;

namespace {

using lyrovo::testing::pumpUntil;

void press(const QString& keys) {
  ASSERT_EQ(QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("key"), keys}), 0);
}

// The window Qt made for the tray icon.
QWidget* trayIconWindow() {
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (qstrcmp(widget->metaObject()->className(), "QSystemTrayIconSys") == 0) return widget;
  return nullptr;
}

// The parent of an X window, and the root window: an embedded icon's parent is the tray's window.
std::pair<xcb_window_t, xcb_window_t> parentAndRoot(xcb_connection_t* connection, xcb_window_t window) {
  xcb_query_tree_reply_t* tree =
      xcb_query_tree_reply(connection, xcb_query_tree(connection, window), nullptr);
  if (!tree) return {0, 0};
  const std::pair<xcb_window_t, xcb_window_t> result{tree->parent, tree->root};
  std::free(tree);
  return result;
}

// Messages logged while a test runs.
QStringList* capturedMessages = nullptr;
void captureMessage(QtMsgType, const QMessageLogContext&, const QString& text) {
  if (capturedMessages) *capturedMessages << text;
}

struct X11DesktopTest : ::testing::Test {
  TestWorld world;
  QProcess tray;
  std::unique_ptr<AppContext> ctx;
  std::unique_ptr<Fplay> window;
  int hotKeyPresses = 0;

  void SetUp() override { world.writeFile(QStringLiteral("app/Images/.keep"), {}); }

  // A song long enough to stay playing through a test.
  QString longSong(const QString& name) {
    const QString path = world.path(name);
    EXPECT_EQ(QProcess::execute(QStringLiteral("sox"),
                                {QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("44100"),
                                 QStringLiteral("-c"), QStringLiteral("2"), path, QStringLiteral("synth"),
                                 QStringLiteral("60"), QStringLiteral("sine"), QStringLiteral("440")}),
              0);
    return path;
  }

  void startTrayHost() {
    tray.start(QStringLiteral("wmdocker"), {});
    ASSERT_TRUE(tray.waitForStarted(30000));
    ASSERT_TRUE(pumpUntil([] { return QSystemTrayIcon::isSystemTrayAvailable(); }));
  }

  void start(const QStringList& files, const QByteArray& settings = "[lyrovo]\r\nplayModal=1\r\n") {
    world.writeFile(QStringLiteral("app/Settings.ini"), settings);
    ctx = world.makeContext();
    window = std::make_unique<Fplay>(*ctx, files);
    ASSERT_EQ(window->Form_Load(), Fplay::LoadResult::Run);
    ASSERT_NE(window->HotKeys(), nullptr);
    QObject::connect(window->HotKeys(), &GlobalHotKeys::pressed, [this] { ++hotKeyPresses; });
  }
  QString status() const { return window->Label1(4)->text(); }

  void TearDown() override {
    if (window) window->close();
    window.reset();
    if (tray.state() != QProcess::NotRunning) {
      tray.terminate();
      if (!tray.waitForFinished(10000)) {
        tray.kill();
        tray.waitForFinished(10000);
      }
    }
    // The next test starts without a tray host.
    pumpUntil([] { return !QSystemTrayIcon::isSystemTrayAvailable(); }, 10000);
  }
};

xcb_connection_t* qtConnection() {
  auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
  return x11 ? x11->connection() : nullptr;
}

}  // namespace

TEST_F(X11DesktopTest, IconSitsInTheTrayAndHotKeysPauseAndResumeTheHiddenPlayer) {
  startTrayHost();
  start({longSong(QStringLiteral("long.wav"))});
  ASSERT_TRUE(pumpUntil([] {
    QWidget* icon = trayIconWindow();
    if (!icon) return false;
    const auto [parent, root] = parentAndRoot(qtConnection(), xcb_window_t(icon->winId()));
    return parent != 0 && parent != root;
  })) << "the icon was not embedded in the tray";

  window->Image1_Click(3);
  EXPECT_FALSE(window->isVisible());
  press(QStringLiteral("ctrl+shift+p"));
  ASSERT_TRUE(pumpUntil([&] { return status() == QStringLiteral("状态: 暂停"); }));
  EXPECT_FALSE(ctx->BP1.aIsActive());
  press(QStringLiteral("ctrl+shift+p"));
  ASSERT_TRUE(pumpUntil([&] { return status() == QStringLiteral("状态: 播放(顺序)"); }));
  EXPECT_TRUE(ctx->BP1.aIsActive());
  EXPECT_FALSE(window->isVisible());
}

TEST_F(X11DesktopTest, WithoutATrayHostMinimiseLeavesTheWindowOnTheTaskBar) {
  ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());
  start({longSong(QStringLiteral("long.wav"))});
  window->Image1_Click(3);
  EXPECT_TRUE(window->isVisible());
  EXPECT_TRUE(window->isMinimized());
}

TEST_F(X11DesktopTest, NextOnTheLastRowInSequentialModeDoesNothing) {
  start({longSong(QStringLiteral("a.wav")), longSong(QStringLiteral("b.wav"))});
  press(QStringLiteral("ctrl+shift+Right"));
  ASSERT_TRUE(pumpUntil([&] { return hotKeyPresses == 1; }));
  EXPECT_EQ(ctx->player.CurrentIndex, 2);
  const std::uint32_t stream = ctx->BP1.hStream;
  press(QStringLiteral("ctrl+shift+Right"));
  ASSERT_TRUE(pumpUntil([&] { return hotKeyPresses == 2; }));
  EXPECT_EQ(ctx->player.CurrentIndex, 2);
  EXPECT_EQ(ctx->BP1.hStream, stream);
  EXPECT_TRUE(ctx->BP1.aIsActive());
}

TEST_F(X11DesktopTest, SettingOffIgnoresTheHotKeyWhileCtrlPInTheListStillWorks) {
  start({longSong(QStringLiteral("long.wav"))}, "[lyrovo]\r\nplayModal=1\r\nuseGlobalKey=0\r\n");
  window->activateWindow();
  window->List1()->setFocus();
  ASSERT_TRUE(
      pumpUntil([&] { return QApplication::focusWidget() == window->List1() && window->isActiveWindow(); }));

  press(QStringLiteral("ctrl+shift+p"));
  ASSERT_TRUE(pumpUntil([&] { return hotKeyPresses == 1; }));
  EXPECT_EQ(status(), QStringLiteral("状态: 播放(顺序)"));
  press(QStringLiteral("ctrl+p"));
  ASSERT_TRUE(pumpUntil([&] { return status() == QStringLiteral("状态: 暂停"); }));
  EXPECT_EQ(hotKeyPresses, 1);
}

TEST_F(X11DesktopTest, AKeyAnotherProgramHoldsIsSkippedAndTheOthersWork) {
  // Another program takes Ctrl+Shift+S first.
  xcb_connection_t* other = xcb_connect(nullptr, nullptr);
  ASSERT_EQ(xcb_connection_has_error(other), 0);
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(other)).data->root;
  xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(other);
  xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, 0x0073);
  ASSERT_NE(codes, nullptr);
  const xcb_keycode_t s = codes[0];
  std::free(codes);
  xcb_key_symbols_free(symbols);
  ASSERT_EQ(
      xcb_request_check(other, xcb_grab_key_checked(other, 0, root, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_SHIFT,
                                                    s, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)),
      nullptr);

  QStringList messages;
  capturedMessages = &messages;
  const QtMessageHandler previous = qInstallMessageHandler(captureMessage);
  start({longSong(QStringLiteral("long.wav"))});
  qInstallMessageHandler(previous);
  capturedMessages = nullptr;

  EXPECT_TRUE(window->isVisible());
  EXPECT_TRUE(
      messages.contains(QStringLiteral("Ctrl+Shift+S is taken by another program; that hot key is off")))
      << messages.join(u'\n').toStdString();
  auto* keys = dynamic_cast<X11HotKeys*>(window->HotKeys());
  ASSERT_NE(keys, nullptr);
  EXPECT_EQ(keys->registered(), (std::vector<HotKey>{HotKey::O, HotKey::P, HotKey::Up, HotKey::Down,
                                                     HotKey::Left, HotKey::Right}));
  press(QStringLiteral("ctrl+shift+p"));
  ASSERT_TRUE(pumpUntil([&] { return status() == QStringLiteral("状态: 暂停"); }));
  xcb_disconnect(other);
}
