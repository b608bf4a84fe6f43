#include "desktop/systray.h"
#include "desktop/faketray.h"

#include <gtest/gtest.h>

using namespace lyrovo;
using lyrovo::testing::FakeTrayIcon;

namespace {

struct TrayTest : ::testing::Test {
  std::shared_ptr<FakeTrayIcon::State> state = std::make_shared<FakeTrayIcon::State>();
  FakeTrayIcon* icon = nullptr;
  std::int64_t now = 1000;
  std::unique_ptr<clsSysTray> tray;
  QStringList events;

  void SetUp() override {
    auto backend = std::make_unique<FakeTrayIcon>(state);
    icon = backend.get();
    tray = std::make_unique<clsSysTray>(
        std::move(backend), [this] { return now; }, 400);
    const std::pair<void (clsSysTray::*)(), const char*> all[] = {
        {&clsSysTray::LButtonDblClk, "LButtonDblClk"}, {&clsSysTray::LButtonDown, "LButtonDown"},
        {&clsSysTray::LButtonUp, "LButtonUp"},         {&clsSysTray::RButtonDblClk, "RButtonDblClk"},
        {&clsSysTray::RButtonDown, "RButtonDown"},     {&clsSysTray::RButtonUp, "RButtonUp"}};
    for (const auto& [signal, name] : all)
      QObject::connect(tray.get(), signal, [this, name = QString::fromLatin1(name)] { events << name; });
  }
};

}  // namespace

TEST_F(TrayTest, NotificationNumbersRaiseTheirEventsAndOthersNothing) {
  for (int message : {513, 514, 515, 516, 517, 518, 512, 519, 0}) tray->notify(message);
  EXPECT_EQ(events, (QStringList{"LButtonDown", "LButtonUp", "LButtonDblClk", "RButtonDown", "RButtonUp",
                                 "RButtonDblClk"}));
}

TEST_F(TrayTest, ANotificationWhileAnEventIsHandledOrTheIconIsHeldIsDropped) {
  QObject::connect(tray.get(), &clsSysTray::RButtonDown, [this] { tray->notify(515); });
  tray->notify(516);
  EXPECT_EQ(events, QStringList{"RButtonDown"});
  EXPECT_FALSE(tray->busy());

  events.clear();
  tray->holdBusy();  // a menu stays open after its handler returned
  tray->notify(515);
  EXPECT_TRUE(events.isEmpty());
  tray->releaseBusy();
  tray->notify(515);
  EXPECT_EQ(events, QStringList{"LButtonDblClk"});
}

TEST_F(TrayTest, DesktopActionsBecomeEventsWithOneDoubleClickPerPair) {
  icon->act(TrayAction::RightPress);
  EXPECT_EQ(events, (QStringList{"RButtonDown", "RButtonUp"}));

  // XEmbed reports press, press, double-click; the pair of presses is the double-click.
  events.clear();
  icon->act(TrayAction::LeftPress);
  now += 150;
  icon->act(TrayAction::LeftPress);
  icon->act(TrayAction::LeftDoubleClick);
  EXPECT_EQ(events, (QStringList{"LButtonDown", "LButtonUp", "LButtonDblClk"}));

  // Two presses far apart are two single presses; a lone double-click report counts.
  events.clear();
  now += 5000;
  icon->act(TrayAction::LeftPress);
  now += 401;
  icon->act(TrayAction::LeftPress);
  now += 5000;
  icon->act(TrayAction::LeftDoubleClick);
  EXPECT_EQ(events, (QStringList{"LButtonDown", "LButtonUp", "LButtonDown", "LButtonUp", "LButtonDblClk"}));
}

TEST_F(TrayTest, TipAndIconTakeEffectWhenAddedAndLongTipsAreCut) {
  tray->setToolTip(QStringLiteral("lyrovo"));
  tray->setIcon(QIcon(QPixmap(16, 16)));
  EXPECT_FALSE(state->shown);
  EXPECT_EQ(state->toolTip, QStringLiteral("lyrovo"));
  tray->IconInSysTray();
  EXPECT_TRUE(state->shown);
  EXPECT_TRUE(state->hasIcon);

  const QString tip =
      QStringLiteral("Lyrovo - 媒体信息\r\n标题:") + QString(60, u'长') + QStringLiteral("\r\n歌手:某人");
  tray->ChangeToolTip(tip);
  EXPECT_EQ(tray->ToolTip(), tip);  // remembered whole
  EXPECT_EQ(state->toolTip.size(), 63);
  EXPECT_TRUE(tip.startsWith(state->toolTip));

  // A character outside the BMP at the cut is left out whole.
  tray->ChangeToolTip(QString(62, u'a') + QStringLiteral("😀b"));
  EXPECT_EQ(state->toolTip, QString(62, u'a'));

  tray->RemoveFromSysTray();
  EXPECT_FALSE(state->shown);
}
