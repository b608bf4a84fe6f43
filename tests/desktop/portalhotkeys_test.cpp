// Hot keys through the desktop portal's global shortcuts, against a fake
// portal on a private session bus.
#include "desktop/portalhotkeys.h"
#include "desktop/fakeportal.h"
#include "support/privatebus.h"
#include "support/waituntil.h"

#include <gtest/gtest.h>

using namespace lyrovo;
using lyrovo::testing::FakePortal;
using lyrovo::testing::PrivateBus;
using lyrovo::testing::pumpUntil;

namespace {

QStringList* capturedHotKeyLines = nullptr;
QtMessageHandler otherLines = nullptr;

void captureHotKeyLine(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (capturedHotKeyLines && context.category && QByteArray(context.category) == "lyrovo.hotkeys")
    capturedHotKeyLines->append(text);
  if (otherLines) otherLines(type, context, text);
}

struct PortalHotKeysTest : ::testing::Test {
  PrivateBus bus;
  FakePortal portal{bus.connect()};
  PortalHotKeys keys{bus.connect(), QStringLiteral("io.github.lyrovo.Lyrovo")};
  QList<HotKey> presses;
  QStringList lines;
  QtMessageHandler previousHandler = nullptr;

  void SetUp() override {
    ASSERT_TRUE(bus.isRunning());
    QObject::connect(&keys, &GlobalHotKeys::pressed, [this](HotKey key) { presses.append(key); });
    capturedHotKeyLines = &lines;
    previousHandler = qInstallMessageHandler(captureHotKeyLine);
    otherLines = previousHandler;
  }
  void TearDown() override {
    qInstallMessageHandler(previousHandler);
    capturedHotKeyLines = nullptr;
  }

  void registerAndWait() {
    keys.registerKeys();
    ASSERT_TRUE(pumpUntil([&] { return !keys.waiting(); }));
  }
};

}  // namespace

TEST_F(PortalHotKeysTest, BindsTheSevenShortcutsAndReportsTheirPresses) {
  ASSERT_TRUE(portal.publish());
  keys.install();
  registerAndWait();

  EXPECT_TRUE(portal.sessionOptions.contains(QStringLiteral("handle_token")));
  EXPECT_TRUE(portal.sessionOptions.contains(QStringLiteral("session_handle_token")));
  QStringList ids, triggers;
  for (const PortalShortcut& shortcut : portal.shortcuts) {
    ids << shortcut.id;
    triggers << shortcut.properties.value(QStringLiteral("preferred_trigger")).toString();
  }
  EXPECT_EQ(ids, (QStringList{"open", "play-pause", "stop", "volume-up", "volume-down", "previous", "next"}));
  EXPECT_EQ(triggers, (QStringList{"CTRL+SHIFT+O", "CTRL+SHIFT+P", "CTRL+SHIFT+S", "CTRL+SHIFT+Up",
                                   "CTRL+SHIFT+Down", "CTRL+SHIFT+Left", "CTRL+SHIFT+Right"}));
  ASSERT_EQ(portal.shortcuts.size(), 7);
  EXPECT_EQ(portal.shortcuts[1].properties.value(QStringLiteral("description")).toString(),
            QStringLiteral("播放/暂停"));
  EXPECT_EQ(keys.bound(), ids);

  // Presses of another session and unknown ids are not ours.
  portal.activate(QStringLiteral("/org/freedesktop/portal/desktop/session/1_99/other"),
                  QStringLiteral("stop"));
  portal.activate(portal.sessionPath, QStringLiteral("unknown"));
  portal.activate(portal.sessionPath, QStringLiteral("play-pause"));
  portal.activate(portal.sessionPath, QStringLiteral("next"));
  ASSERT_TRUE(pumpUntil([&] { return presses.size() == 2; }));
  EXPECT_EQ(presses, (QList<HotKey>{HotKey::P, HotKey::Right}));

  // Giving the keys back closes the session; its presses no longer count.
  const QString session = portal.sessionPath;
  keys.unregisterKeys();
  ASSERT_TRUE(pumpUntil([&] { return portal.session.closed; }));
  EXPECT_TRUE(keys.bound().isEmpty());
  portal.activate(session, QStringLiteral("stop"));
  registerAndWait();
  ASSERT_NE(portal.sessionPath, session);
  portal.activate(portal.sessionPath, QStringLiteral("volume-up"));  // arrives after the one above
  ASSERT_TRUE(pumpUntil([&] { return presses.size() == 3; }));
  EXPECT_EQ(presses.last(), HotKey::Up);
}

TEST_F(PortalHotKeysTest, WithoutThePortalItLogsOnceAndGoesOn) {
  keys.install();
  registerAndWait();
  registerAndWait();
  EXPECT_TRUE(keys.bound().isEmpty());
  ASSERT_EQ(lines.size(), 1) << lines.join(u'\n').toStdString();
  EXPECT_TRUE(lines[0].startsWith(
      QStringLiteral("global hot keys are not offered on this desktop (no GlobalShortcuts portal: ")))
      << lines[0].toStdString();

  portal.portalVersion = 0;  // a portal that knows no global shortcuts yet
  ASSERT_TRUE(portal.publish());
  registerAndWait();
  EXPECT_EQ(portal.bindCalls, 0);
  EXPECT_EQ(lines.size(), 1);
}

TEST_F(PortalHotKeysTest, ARefusalIsLoggedOnceAndTheSessionClosed) {
  portal.bindAnswer = 1;  // the user said no in the desktop's dialog
  ASSERT_TRUE(portal.publish());
  keys.install();
  registerAndWait();
  EXPECT_EQ(portal.bindCalls, 1) << lines.join(u'\n').toStdString();
  EXPECT_TRUE(keys.bound().isEmpty());
  ASSERT_TRUE(pumpUntil([&] { return portal.session.closed; }));
  ASSERT_EQ(lines.size(), 1);
  EXPECT_EQ(
      lines[0],
      QStringLiteral(
          "global hot keys are not offered on this desktop (the desktop refused to bind them (answer 1))"));

  portal.sessionAnswer = 1;  // refused one step earlier
  registerAndWait();
  EXPECT_EQ(portal.bindCalls, 1);
  EXPECT_EQ(lines.size(), 1);
}
