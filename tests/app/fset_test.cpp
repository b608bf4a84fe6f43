// The options window over the real main window: pages, check boxes, the
// live effects of colour choices, server fields, reset and the menus that
// open it.
#include "app/fset.h"
#include "app/fplay.h"
#include "lyrics/lyricpane.h"
#include "support/testworld.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QStackedWidget>

#include <gtest/gtest.h>

using namespace lyrovo;
using lyrovo::testing::TestWorld;

namespace {

struct FSetTest : ::testing::Test {
  TestWorld world;
  std::unique_ptr<AppContext> ctx;
  std::unique_ptr<Fplay> window;

  void SetUp() override {
    world.writeFile(QStringLiteral("app/Images/.keep"), {});
    world.writeFile(QStringLiteral("app/Settings.ini"), "[lyrovo]\r\nautoPlay=0\r\nsearchServer3=0\r\n");
    world.writeFile(QStringLiteral("app/SkinSettings.ini"), "[Color]\r\nlist_colB=255\r\n");
    ctx = world.makeContext();
    window = std::make_unique<Fplay>(*ctx, QStringList{});
    ASSERT_EQ(window->Form_Load(), Fplay::LoadResult::Run);
    QCoreApplication::processEvents();
  }
  void TearDown() override {
    if (window) window->close();
  }
  FSet* options() const { return window->OptionsWindow(); }
};

TEST_F(FSetTest, OpensOnTheCallersPageAndTheSkinTabKeepsIt) {
  window->ShowOptions(FSet::kPagePlaylist);
  FSet* first = options();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->windowTitle(), QStringLiteral("Lyrovo - 选项"));
  EXPECT_EQ(first->currentPage(), 5);
  EXPECT_EQ(first->pageDescription()->text(), QStringLiteral("播放列表相关的参数设置"));

  first->Label1_Click(FSet::kPageSkin);
  const auto messages = world.prompts.callsOf(QStringLiteral("message"));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].title, QStringLiteral("Lyrovo - 功能提示"));
  EXPECT_EQ(messages[0].text, QStringLiteral("此功能暂不能使用，抱歉！"));
  EXPECT_EQ(first->currentPage(), 5);
  EXPECT_TRUE(first->Pic1(5)->isVisible());

  first->Label1_Click(1);
  EXPECT_EQ(first->pageDescription()->text(), QStringLiteral("\" lyrovo \" 的简明介绍"));

  // The lyric menu's options item opens a new window on the lyric page in place of the old one.
  window->menuWs_Click(kMenuOptions);
  ASSERT_NE(options(), nullptr);
  EXPECT_NE(options(), first);
  EXPECT_EQ(options()->currentPage(), 6);
  EXPECT_FALSE(first->isVisible());
}

TEST_F(FSetTest, UntickingTheLyricSearchGreysTheServerBoxesKeepingTheirValues) {
  window->ShowOptions(FSet::kPageLyrics);
  FSet* set = options();
  ASSERT_TRUE(set->Check1(11)->isChecked());
  EXPECT_TRUE(set->Check1(14)->isChecked());
  EXPECT_FALSE(set->Check1(15)->isChecked());

  set->Check1(11)->click();
  EXPECT_FALSE(ctx->settings.searchWord);
  for (int index : {13, 14, 15}) EXPECT_FALSE(set->Check1(index)->isEnabled()) << index;
  EXPECT_TRUE(set->Check1(14)->isChecked());
  EXPECT_FALSE(set->Check1(15)->isChecked());
  EXPECT_TRUE(ctx->settings.searchServer2);

  set->Check1(12)->click();
  EXPECT_FALSE(set->Check1(16)->isEnabled());
  EXPECT_FALSE(set->wordPathField()->isEnabled());
  EXPECT_FALSE(set->Label3(kButtonLyricFolder)->isEnabled());
  set->Check1(11)->click();
  EXPECT_TRUE(set->Check1(15)->isEnabled());
}

TEST_F(FSetTest, AChosenColourShowsInItsBoxAndInThePlaylist) {
  window->ShowOptions(FSet::kPagePlaylist);
  FSet* set = options();
  EXPECT_EQ(set->Label3(24)->palette().color(QPalette::Window), QColor(255, 0, 0));

  set->Label3_Click(24);  // cancelled: nothing changes
  EXPECT_EQ(ctx->skin.list_colB, 255);
  EXPECT_EQ(window->List1()->palette().color(QPalette::Base), QColor(255, 0, 0));

  world.prompts.colours = {0x00FF0000};
  set->Label3_Click(24);
  EXPECT_EQ(set->Label3(24)->palette().color(QPalette::Window), QColor(0, 0, 255));
  EXPECT_EQ(window->List1()->palette().color(QPalette::Base), QColor(0, 0, 255));

  world.prompts.fonts = {FontSpec{QStringLiteral("WenQuanYi Micro Hei"), 18}};
  set->Label3_Click(kButtonListFont);
  EXPECT_EQ(window->List1()->font().pointSize(), 18);
}

TEST_F(FSetTest, AServerAddressThatIsNotHttpIsRefused) {
  window->ShowOptions(8);
  FSet* set = options();
  QLineEdit* field = set->serverField(u"lyricSearch1");
  ASSERT_NE(field, nullptr);
  const QString before = field->text();
  field->setText(QStringLiteral("file:///etc"));
  emit field->editingFinished();
  ASSERT_EQ(world.prompts.callsOf(QStringLiteral("message")).size(), 1u);
  EXPECT_EQ(field->text(), before);

  field->setText(QStringLiteral("https://lyrics.example.org/"));
  emit field->editingFinished();
  EXPECT_EQ(field->text(), QStringLiteral("https://lyrics.example.org"));
  EXPECT_EQ(world.prompts.callsOf(QStringLiteral("message")).size(), 1u);
}

TEST_F(FSetTest, ResetThenCloseWithoutSavingKeepsTheFiles) {
  const QByteArray settingsBytes = world.readFile(QStringLiteral("app/Settings.ini"));
  const QByteArray skinBytes = world.readFile(QStringLiteral("app/SkinSettings.ini"));
  window->ShowOptions(1);
  FSet* set = options();
  world.prompts.answers = {Prompts::Answer::Yes};
  set->Label3_Click(kButtonReset);
  EXPECT_EQ(ctx->settings.visType, 4);  // 3, then the simulated click on the pane
  EXPECT_EQ(ctx->skin.list_colB, 0x002C2C2C);
  EXPECT_EQ(window->List1()->palette().color(QPalette::Base), QColor(0x2C, 0x2C, 0x2C));
  set->Label3_Click(kButtonClose);
  QCoreApplication::processEvents();
  EXPECT_EQ(world.readFile(QStringLiteral("app/Settings.ini")), settingsBytes);
  EXPECT_EQ(world.readFile(QStringLiteral("app/SkinSettings.ini")), skinBytes);
}

}  // namespace
