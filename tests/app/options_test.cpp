// What the options window does to the settings, without widgets: a host that
// records the live effects, scripted dialogs, and real INI files on disk.
#include "app/options.h"
#include "support/testworld.h"

#include <gtest/gtest.h>

using namespace lyrovo;
using lyrovo::testing::TestWorld;

namespace {

struct RecordingHost : OptionsHost {
  QStringList calls;
  void PrepareVisAgain() override { calls << QStringLiteral("prepare"); }
  void SetVisBackground(std::int32_t colour) override {
    calls << QStringLiteral("background %1").arg(colour);
  }
  void ApplyListColours() override { calls << QStringLiteral("listColours"); }
  void ApplyListFont() override { calls << QStringLiteral("listFont"); }
  void ApplyLyricColours() override { calls << QStringLiteral("lyricColours"); }
  void ApplyLyricFont() override { calls << QStringLiteral("lyricFont"); }
  void ClickVisPane() override { calls << QStringLiteral("click"); }
};

struct OptionsTest : ::testing::Test {
  TestWorld world;
  AppPaths paths{world.appPath(), QStringLiteral("lyrovo"), world.appPath() + QStringLiteral("lyrovo")};
  ShellEnvironment shell = world.shell();
  ErrorLog log{world.appPath(), &world.prompts};
  Settings settings;
  SkinSettings skin;
  RecordingHost host;
  std::unique_ptr<OptionsEditor> editor;

  void SetUp() override {
    world.writeFile(QStringLiteral("app/Settings.ini"),
                    "[lyrovo]\r\nvolumn=55\r\n\r\n[Servers]\r\nlyricSearch2=http://lyrics.example.org\r\n");
    world.writeFile(QStringLiteral("app/SkinSettings.ini"), "; mine\r\n[Color]\r\nlist_colB=255\r\n");
    SetDefaults(settings, paths);
    LoadSettings(settings, paths, log);
    LoadSkinSettings(skin, paths, log);
    editor = std::make_unique<OptionsEditor>(settings, skin, paths, shell, log, world.prompts, host);
  }
  QString autostartEntry() const { return world.path(QStringLiteral("config/autostart/lyrovo.desktop")); }
};

TEST_F(OptionsTest, CheckBoxesSetTheirSettingAndServerBoxesFollowTheSearchBox) {
  editor->setChecked(15, false);
  EXPECT_FALSE(settings.searchServer3);
  editor->setChecked(11, false);
  EXPECT_FALSE(settings.searchWord);
  for (int index : {13, 14, 15, 19}) EXPECT_FALSE(editor->checkEnabled(index)) << index;
  EXPECT_TRUE(settings.searchServer2);  // greyed boxes keep their values
  EXPECT_TRUE(settings.searchServer4);
  EXPECT_FALSE(settings.searchServer3);
  EXPECT_TRUE(editor->checkEnabled(16));
  editor->setChecked(11, true);
  EXPECT_TRUE(editor->checkEnabled(14));

  editor->setChecked(12, false);
  EXPECT_FALSE(editor->checkEnabled(16));
  EXPECT_FALSE(editor->lyricFolderEnabled());
  EXPECT_FALSE(editor->checked(13).has_value());  // not linked to a setting
}

TEST_F(OptionsTest, ACancelledColourOrFontDialogChangesNothing) {
  const SkinSettings before = skin;
  EXPECT_FALSE(editor->chooseColour(24));
  EXPECT_FALSE(editor->chooseFont(true));
  EXPECT_FALSE(editor->chooseLyricFolder());
  EXPECT_EQ(skin, before);
  EXPECT_TRUE(host.calls.isEmpty());
  // The colour dialog opened on the box's colour.
  ASSERT_EQ(world.prompts.callsOf(QStringLiteral("chooseColour")).size(), 1u);
  EXPECT_EQ(world.prompts.callsOf(QStringLiteral("chooseColour"))[0].text, QStringLiteral("255"));
}

TEST_F(OptionsTest, AColourChangeRepaintsOnlyTheViewThatUsesIt) {
  settings.visType = 2;
  world.prompts.colours = {0x112233, 0x445566, 0x778899};
  ASSERT_TRUE(editor->chooseColour(11));  // a spectrum colour while view 2 shows
  EXPECT_EQ(skin.vis_col41, 0x112233);
  EXPECT_TRUE(host.calls.isEmpty());
  ASSERT_TRUE(editor->chooseColour(7));  // view 2's own background
  EXPECT_EQ(host.calls, (QStringList{QStringLiteral("prepare"), QStringLiteral("background 4478310")}));

  host.calls.clear();
  settings.visType = 5;  // the second spectrum view uses the same colours
  ASSERT_TRUE(editor->chooseColour(13));
  EXPECT_EQ(host.calls, QStringList{QStringLiteral("prepare")});

  host.calls.clear();
  world.prompts.colours = {0x010203, 0x040506};
  ASSERT_TRUE(editor->chooseColour(23));
  ASSERT_TRUE(editor->chooseColour(26));
  EXPECT_EQ(host.calls, (QStringList{QStringLiteral("listColours"), QStringLiteral("lyricColours")}));
  EXPECT_EQ(skin.list_colBR, 0x010203);
  EXPECT_EQ(skin.word_colBR, 0x040506);
}

TEST_F(OptionsTest, FontAndFolderChoicesTakeEffect) {
  skin.wordFont.underline = true;
  world.prompts.fonts = {FontSpec{QStringLiteral("WenQuanYi Micro Hei"), 15, false, true, false}};
  ASSERT_TRUE(editor->chooseFont(true));
  EXPECT_EQ(skin.wordFont, (FontSpec{QStringLiteral("WenQuanYi Micro Hei"), 15, false, true, true}));
  EXPECT_EQ(host.calls, QStringList{QStringLiteral("lyricFont")});
  EXPECT_EQ(world.prompts.callsOf(QStringLiteral("chooseFont"))[0].text, QStringLiteral("MS Sans Serif"));

  world.prompts.folders = {QStringLiteral("/music/lyrics")};
  ASSERT_TRUE(editor->chooseLyricFolder());
  EXPECT_EQ(settings.WordPath, QStringLiteral("/music/lyrics/"));
  EXPECT_EQ(world.prompts.callsOf(QStringLiteral("chooseFolder"))[0].title, QStringLiteral("请选择目录"));
}

TEST_F(OptionsTest, SaveWritesBothFilesAndTheAutostartEntryExactlyWhenTicked) {
  world.prompts.colours = {0x00FF00};
  ASSERT_TRUE(editor->chooseColour(20));
  editor->setChecked(0, true);
  editor->save();
  const QString saved = QString::fromUtf8(world.readFile(QStringLiteral("app/Settings.ini")));
  EXPECT_TRUE(saved.contains(QStringLiteral("autoStart=1\r\n")));
  EXPECT_TRUE(saved.contains(QStringLiteral("volumn=55\r\n")));
  EXPECT_TRUE(saved.contains(QStringLiteral("lyricSearch2=http://lyrics.example.org\r\n")));
  const QString skinFile = QString::fromUtf8(world.readFile(QStringLiteral("app/SkinSettings.ini")));
  EXPECT_TRUE(skinFile.startsWith(QStringLiteral("; mine\r\n")));
  EXPECT_TRUE(skinFile.contains(QStringLiteral("list_col1=65280\r\n")));
  EXPECT_TRUE(QFileInfo::exists(autostartEntry()));

  editor->setChecked(0, false);
  editor->save();
  EXPECT_TRUE(QString::fromUtf8(world.readFile(QStringLiteral("app/Settings.ini")))
                  .contains(QStringLiteral("autoStart=0\r\n")));
  EXPECT_FALSE(QFileInfo::exists(autostartEntry()));
}

TEST_F(OptionsTest, ServerAddressesMustBeHttpOrHttps) {
  EXPECT_EQ(editor->serverAddress(u"lyricSearch2"), QStringLiteral("http://lyrics.example.org"));
  EXPECT_FALSE(editor->setServerAddress(u"lyricSearch1", QStringLiteral("file:///etc")));
  ASSERT_EQ(world.prompts.callsOf(QStringLiteral("message")).size(), 1u);
  EXPECT_EQ(world.prompts.callsOf(QStringLiteral("message"))[0].icon, Prompts::Icon::Warning);
  EXPECT_TRUE(
      world.prompts.callsOf(QStringLiteral("message"))[0].text.contains(QStringLiteral("file:///etc")));
  EXPECT_FALSE(editor->setServerAddress(u"musicSearch", QStringLiteral("https://music.example.org/?q=1")));
  EXPECT_EQ(editor->serverAddress(u"lyricSearch1"), ServerConfig{}.lyricSearch1);

  EXPECT_TRUE(editor->setServerAddress(u"lyricSearch1", QStringLiteral(" https://lrclib.example.net/api/ ")));
  EXPECT_TRUE(
      editor->setServerAddress(u"connectionCheck", QStringLiteral("https://check.example.net/?ping")));
  EXPECT_TRUE(editor->setServerAddress(u"lyricSearch2", QString()));  // back to the built-in address
  EXPECT_EQ(editor->serverAddress(u"lyricSearch2"), ServerConfig{}.lyricSearch2);
  editor->save();

  const ServerConfig read = LoadServerConfig(settingsFile(paths));
  EXPECT_EQ(read.lyricSearch1, QStringLiteral("https://lrclib.example.net/api"));
  EXPECT_EQ(read.connectionCheck, QStringLiteral("https://check.example.net/?ping"));
  EXPECT_EQ(read.lyricSearch2, ServerConfig{}.lyricSearch2);
  EXPECT_EQ(read.musicSearch, ServerConfig{}.musicSearch);
  EXPECT_FALSE(world.readFile(QStringLiteral("app/Settings.ini")).contains("file:"));
}

TEST_F(OptionsTest, ResetAsksThenShowsTheDefaultsWithoutSaving) {
  const QByteArray settingsBytes = world.readFile(QStringLiteral("app/Settings.ini"));
  const QByteArray skinBytes = world.readFile(QStringLiteral("app/SkinSettings.ini"));
  world.prompts.answers = {Prompts::Answer::No, Prompts::Answer::Yes};
  EXPECT_FALSE(editor->reset());
  EXPECT_EQ(settings.volumn, 55);
  EXPECT_TRUE(host.calls.isEmpty());

  EXPECT_TRUE(editor->reset());
  const auto asked = world.prompts.callsOf(QStringLiteral("message"));
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_EQ(asked[1].icon, Prompts::Icon::Question);
  EXPECT_EQ(asked[1].buttons, Prompts::Buttons::YesNo);
  EXPECT_EQ(asked[1].title, QStringLiteral("Lyrovo - 参数重置"));
  EXPECT_EQ(asked[1].text, QStringLiteral("确定要全部重置为默认参数吗？"));
  EXPECT_EQ(settings.volumn, 20);
  EXPECT_EQ(settings.visType, 3);  // the simulated click then selects view 4
  EXPECT_EQ(skin.list_colB, 0x002C2C2C);
  EXPECT_EQ(host.calls.last(), QStringLiteral("click"));
  EXPECT_TRUE(host.calls.contains(QStringLiteral("listColours")));
  EXPECT_TRUE(host.calls.contains(QStringLiteral("listFont")));
  EXPECT_EQ(world.readFile(QStringLiteral("app/Settings.ini")), settingsBytes);
  EXPECT_EQ(world.readFile(QStringLiteral("app/SkinSettings.ini")), skinBytes);
}

}  // namespace
