// The main window's tray handlers, global hot keys and media controls,
// driven through fake desktop services (headless).
#include "app/fplay.h"
#include "desktop/fakeportal.h"
#include "desktop/faketray.h"
#include "desktop/mpris.h"
#include "support/audiofixtures.h"
#include "support/privatebus.h"
#include "support/testworld.h"
#include "support/waituntil.h"

#include <QApplication>
#include <QMenu>

#include <gtest/gtest.h>

using namespace lyrovo;
using lyrovo::testing::FakeTrayIcon;
using lyrovo::testing::fixture;
using lyrovo::testing::TestWorld;

namespace {

struct FakeHotKeys : GlobalHotKeys {
  bool listening = false;
  bool registered = false;
  void install() override { listening = true; }
  void remove() override { listening = false; }
  void registerKeys() override { registered = true; }
  void unregisterKeys() override { registered = false; }
  void press(HotKey key) { emit pressed(key); }
};

struct DesktopTest : ::testing::Test {
  TestWorld world;
  std::shared_ptr<FakeTrayIcon::State> trayState = std::make_shared<FakeTrayIcon::State>();
  FakeTrayIcon* trayIcon = nullptr;
  FakeHotKeys* hotKeys = nullptr;
  std::unique_ptr<AppContext> ctx;
  std::unique_ptr<Fplay> window;

  void SetUp() override { world.writeFile(QStringLiteral("app/Images/.keep"), {}); }

  void start(const QStringList& files) {
    ctx = world.makeContext();
    ctx->makeTrayIcon = [this] {
      auto icon = std::make_unique<FakeTrayIcon>(trayState);
      trayIcon = icon.get();
      return icon;
    };
    ctx->makeHotKeys = [this] { return makeHotKeys(); };
    window = std::make_unique<Fplay>(*ctx, files);
    ASSERT_EQ(window->Form_Load(), Fplay::LoadResult::Run);
  }
  virtual std::unique_ptr<GlobalHotKeys> makeHotKeys() {
    auto keys = std::make_unique<FakeHotKeys>();
    hotKeys = keys.get();
    return keys;
  }
  QString status() const { return window->Label1(4)->text(); }
  QAction* entry(int index) const { return window->menuT()->actions().at(index - 1); }

  void TearDown() override {
    if (window) window->close();
  }
};

// The window where keys come through the desktop portal (Wayland), here a
// fake portal on a private bus.
struct PortalDesktopTest : DesktopTest {
  lyrovo::testing::PrivateBus bus;
  lyrovo::testing::FakePortal portal{bus.connect()};
  PortalHotKeys* portalKeys = nullptr;

  std::unique_ptr<GlobalHotKeys> makeHotKeys() override {
    auto keys = std::make_unique<PortalHotKeys>(bus.connect(), QString());
    portalKeys = keys.get();
    return keys;
  }
};

}  // namespace

TEST_F(DesktopTest, StartUpShowsTheIconAndTakesTheKeysShutdownGivesThemBack) {
  start({fixture(QStringLiteral("id3v1.mp3"))});
  EXPECT_TRUE(trayState->shown);
  EXPECT_TRUE(trayState->hasIcon);
  EXPECT_TRUE(hotKeys->listening);
  EXPECT_TRUE(hotKeys->registered);
  // The tooltip of the song playing.
  EXPECT_EQ(trayState->toolTip, QStringLiteral("Lyrovo - 媒体信息\r\n标题:moon song\r\n歌手:singer"));
  window->close();
  EXPECT_FALSE(trayState->shown);
  EXPECT_FALSE(hotKeys->registered);
  EXPECT_FALSE(hotKeys->listening);
}

TEST_F(DesktopTest, DoubleClickHidesAndShowsAndClosesTheOptionsWindow) {
  start({fixture(QStringLiteral("tone1k.wav"))});
  QWidget options;
  options.setObjectName(QStringLiteral("FSet"));
  options.show();
  QWidget search;  // the lyric search window is not closed
  search.setObjectName(QStringLiteral("FSearch"));
  search.show();

  trayIcon->act(TrayAction::LeftDoubleClick);
  EXPECT_FALSE(window->isVisible());
  EXPECT_FALSE(options.isVisible());
  EXPECT_TRUE(search.isVisible());

  trayIcon->act(TrayAction::LeftPress);  // raises a hidden window: nothing to do
  EXPECT_FALSE(window->isVisible());
  trayIcon->act(TrayAction::LeftDoubleClick);
  EXPECT_TRUE(window->isVisible());
  EXPECT_FALSE(window->isMinimized());
  EXPECT_TRUE(window->List1()->isVisible());
}

TEST_F(DesktopTest, RightClickWhileHiddenLeavesOutTheWindowEntriesUntilTheMenuCloses) {
  start({fixture(QStringLiteral("tone1k.wav"))});
  window->Image1_Click(3);  // to the tray
  ASSERT_FALSE(window->isVisible());

  trayIcon->act(TrayAction::RightPress);
  ASSERT_TRUE(window->menuT()->isVisible());
  for (int index : {7, 8, 9}) EXPECT_FALSE(entry(index)->isVisible()) << index;
  EXPECT_TRUE(entry(3)->isVisible());
  EXPECT_EQ(entry(3)->text(), QStringLiteral("暂停(&P)"));
  // While the menu is open the icon is busy: a double-click does not show the window.
  trayIcon->act(TrayAction::LeftDoubleClick);
  EXPECT_FALSE(window->isVisible());

  window->menuT()->hide();
  for (int index : {7, 8, 9}) EXPECT_TRUE(entry(index)->isVisible()) << index;
  trayIcon->act(TrayAction::LeftDoubleClick);
  EXPECT_TRUE(window->isVisible());

  // From the skin's menu button, with the window shown, every entry is there.
  window->Image1_Click(4);
  for (int index : {7, 8, 9}) EXPECT_TRUE(entry(index)->isVisible()) << index;
  window->menuT()->hide();

  // "居于最上(&T)" twice: on top, then not.
  entry(9)->trigger();
  EXPECT_TRUE(ctx->player.OnTop);
  EXPECT_TRUE(window->windowFlags() & Qt::WindowStaysOnTopHint);
  entry(9)->trigger();
  EXPECT_FALSE(ctx->player.OnTop);
  EXPECT_FALSE(window->windowFlags() & Qt::WindowStaysOnTopHint);
}

TEST_F(DesktopTest, WithoutATrayHostMinimiseLeavesTheWindowReachable) {
  trayState->hostAvailable = false;
  start({fixture(QStringLiteral("tone1k.wav"))});
  window->Image1_Click(3);
  EXPECT_TRUE(window->isVisible());
  EXPECT_TRUE(window->isMinimized());
}

TEST_F(DesktopTest, HotKeysPressEnabledControlsOnlyWhileTheSettingIsOn) {
  world.writeFile(QStringLiteral("app/Settings.ini"), "[lyrovo]\r\nplayModal=1\r\nvolumn=50\r\n");
  start({fixture(QStringLiteral("tone1k.wav")), fixture(QStringLiteral("tone1k.mp3"))});
  window->Image1_Click(3);

  hotKeys->press(HotKey::P);  // hidden in the tray, it pauses and resumes
  EXPECT_EQ(status(), QStringLiteral("状态: 暂停"));
  hotKeys->press(HotKey::P);
  EXPECT_EQ(status(), QStringLiteral("状态: 播放(顺序)"));
  hotKeys->press(HotKey::Up);
  EXPECT_EQ(ctx->settings.volumn, 60);
  hotKeys->press(HotKey::Down);
  hotKeys->press(HotKey::Down);
  EXPECT_EQ(ctx->settings.volumn, 40);

  hotKeys->press(HotKey::Right);
  EXPECT_EQ(ctx->player.CurrentIndex, 2);
  const std::uint32_t stream = ctx->BP1.hStream;
  hotKeys->press(HotKey::Right);  // the last row in sequential mode: next is disabled
  EXPECT_EQ(ctx->player.CurrentIndex, 2);
  EXPECT_EQ(ctx->BP1.hStream, stream);
  hotKeys->press(HotKey::Left);
  EXPECT_EQ(ctx->player.CurrentIndex, 1);

  hotKeys->press(HotKey::S);
  EXPECT_EQ(status(), QStringLiteral("状态: 停止"));
  hotKeys->press(HotKey::S);  // stop is disabled now: nothing, no error
  EXPECT_TRUE(world.prompts.callsOf(QStringLiteral("message")).empty());

  ctx->settings.useGlobalKey = false;  // read at every press
  hotKeys->press(HotKey::P);
  EXPECT_EQ(status(), QStringLiteral("状态: 停止"));
  ctx->settings.useGlobalKey = true;
  hotKeys->press(HotKey::P);
  EXPECT_EQ(status(), QStringLiteral("状态: 播放(顺序)"));
}

TEST_F(DesktopTest, MediaControlsActThroughTheButtonsAndDescribeTheRow) {
  start({fixture(QStringLiteral("id3v1.mp3")), fixture(QStringLiteral("tone1k.wav"))});
  MprisService* media = window->MediaControls();
  ASSERT_NE(media, nullptr);
  EXPECT_TRUE(media->busName().isEmpty());  // no session bus in tests
  EXPECT_EQ(media->playbackStatus(), QStringLiteral("Playing"));
  QVariantMap metadata = media->metadata();
  EXPECT_EQ(metadata.value(QStringLiteral("xesam:title")).toString(), QStringLiteral("moon song"));
  EXPECT_EQ(metadata.value(QStringLiteral("xesam:album")).toString(), QStringLiteral("Album"));
  EXPECT_NEAR(double(metadata.value(QStringLiteral("mpris:length")).toLongLong()), 2e6, 0.1e6);
  EXPECT_FALSE(media->enables().previous);

  std::vector<qlonglong> seeks;
  QObject::connect(media, &MprisService::seeked, [&](qlonglong at) { seeks.push_back(at); });
  media->SetPosition(trackIdOf(1), 1'000'000);
  ASSERT_EQ(seeks.size(), 1u);
  EXPECT_NEAR(double(seeks[0]), 1e6, 0.05e6);
  EXPECT_NEAR(double(media->position()), 1e6, 0.3e6);

  media->Pause();
  EXPECT_EQ(status(), QStringLiteral("状态: 暂停"));
  EXPECT_EQ(media->playbackStatus(), QStringLiteral("Paused"));
  EXPECT_FALSE(media->enables().seek);  // the seek bar is off while paused
  media->Play();
  media->Next();
  EXPECT_EQ(ctx->player.CurrentIndex, 2);
  media->Next();  // the last row: next is disabled
  EXPECT_EQ(ctx->player.CurrentIndex, 2);

  media->setShuffle(true);
  EXPECT_EQ(ctx->settings.playModal, 4);
  EXPECT_EQ(status(), QStringLiteral("状态: 播放(随机)"));
  media->setShuffle(false);
  EXPECT_EQ(ctx->settings.playModal, 1);
  media->setVolume(0.35);
  EXPECT_EQ(ctx->settings.volumn, 35);
  EXPECT_EQ(ctx->BP1.aVolumn(), 35);

  media->Stop();
  EXPECT_EQ(media->playbackStatus(), QStringLiteral("Stopped"));
  media->OpenUri(QUrl::fromLocalFile(fixture(QStringLiteral("tone1k.mp3"))).toString());
  // The file goes through the ordinary add, which runs on a worker.
  ASSERT_TRUE(lyrovo::testing::pumpUntil([&] { return ctx->playlist.count() == 3 && !window->Loading(); }));
  EXPECT_EQ(ctx->player.CurrentIndex, 3);
  EXPECT_EQ(ctx->playlist.row(3).numberText, QStringLiteral("3."));
  EXPECT_EQ(media->playbackStatus(), QStringLiteral("Playing"));
}

TEST_F(PortalDesktopTest, PortalPressesActWhileTheSettingIsOn) {
  ASSERT_TRUE(bus.isRunning());
  ASSERT_TRUE(portal.publish());
  world.writeFile(QStringLiteral("app/Settings.ini"), "[lyrovo]\r\nplayModal=1\r\n");
  start({fixture(QStringLiteral("tone1k.wav"))});
  ASSERT_TRUE(lyrovo::testing::pumpUntil([&] { return portalKeys->bound().size() == 7; }));
  int presses = 0;
  QObject::connect(portalKeys, &GlobalHotKeys::pressed, [&] { ++presses; });

  portal.activate(portal.sessionPath, QStringLiteral("play-pause"));
  ASSERT_TRUE(lyrovo::testing::pumpUntil([&] { return presses == 1; }));
  EXPECT_EQ(status(), QStringLiteral("状态: 暂停"));

  ctx->settings.useGlobalKey = false;  // read at every press
  portal.activate(portal.sessionPath, QStringLiteral("play-pause"));
  ASSERT_TRUE(lyrovo::testing::pumpUntil([&] { return presses == 2; }));
  EXPECT_EQ(status(), QStringLiteral("状态: 暂停"));
}
