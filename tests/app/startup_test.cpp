#include "app/fplay.h"
#include "support/testworld.h"

#include <QGuiApplication>
#include <QScreen>

#include <gtest/gtest.h>

using namespace lyrovo;
using lyrovo::testing::TestWorld;

namespace {

struct StartupTest : ::testing::Test {
  TestWorld world;

  std::vector<ScriptedPrompts::Call> boxesTitled(const QString& title) const {
    std::vector<ScriptedPrompts::Call> out;
    for (const auto& call : world.prompts.callsOf(QStringLiteral("message")))
      if (call.title == title) out.push_back(call);
    return out;
  }
  bool exists(const QString& relative) const { return QFileInfo::exists(world.path(relative)); }
};

const QString kWelcome = QStringLiteral("Lyrovo - 欢迎使用");

}  // namespace

TEST_F(StartupTest, FirstRunWelcomesLinksAndAssociatesOnceThenSecondRunDoesNot) {
  {
    auto ctx = world.makeContext();
    Fplay window(*ctx, {});
    ASSERT_EQ(window.Form_Load(), Fplay::LoadResult::Run);
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.Hooked());

    const auto welcome = boxesTitled(kWelcome);
    ASSERT_EQ(welcome.size(), 1u);
    EXPECT_EQ(welcome[0].icon, Prompts::Icon::Information);
    EXPECT_EQ(welcome[0].text, QStringLiteral("欢迎使用“Vantor -- lyrovo(带歌词音乐播放器)”"));
    EXPECT_EQ(window.Pic1(2)->toolTip(), QStringLiteral("点击鼠标切换不同的视觉效果！"));

    for (const char* folder : {"app/Images", "app/Resumes", "app/Lyrics"})
      EXPECT_TRUE(exists(QString::fromLatin1(folder)));
    EXPECT_TRUE(exists(QStringLiteral("app/Settings.ini")));
    EXPECT_FALSE(exists(QStringLiteral("app/SkinSettings.ini")));

    const QString link = QString::fromUtf8(world.readFile(QStringLiteral("Desktop/lyrovo.desktop")));
    EXPECT_TRUE(link.contains(QStringLiteral("Comment=lyrovo(带歌词音乐播放器)")));
    EXPECT_TRUE(link.contains(QStringLiteral("Exec=") + world.appPath() + QStringLiteral("lyrovo")));
    const QString entry =
        QString::fromUtf8(world.readFile(QStringLiteral("data/applications/lyrovo.desktop")));
    for (const char* mime : {"audio/mpeg", "audio/x-ms-wma", "audio/x-wav"})
      EXPECT_TRUE(entry.contains(QLatin1String(mime)));
    EXPECT_TRUE(entry.contains(QStringLiteral("媒体文件")));
    EXPECT_TRUE(world.readFile(QStringLiteral("config/mimeapps.list")).contains("audio/mpeg=lyrovo.desktop"));

    window.close();
    EXPECT_EQ(world.terminatedWith, 0);
    EXPECT_TRUE(exists(QStringLiteral("app/SkinSettings.ini")));
  }

  QFile::remove(world.path(QStringLiteral("Desktop/lyrovo.desktop")));
  world.prompts.calls.clear();
  auto ctx = world.makeContext();
  Fplay window(*ctx, {});
  ASSERT_EQ(window.Form_Load(), Fplay::LoadResult::Run);
  EXPECT_TRUE(boxesTitled(kWelcome).empty());
  EXPECT_FALSE(exists(QStringLiteral("Desktop/lyrovo.desktop")));
  EXPECT_TRUE(window.Pic1(2)->toolTip().isEmpty());
}

TEST_F(StartupTest, InstalledFirstRunLinksTheInstalledEntryInsteadOfWritingOne) {
  const QString entry = world.path(QStringLiteral("usr/share/applications/io.github.lyrovo.Lyrovo.desktop"));
  world.writeFile(QStringLiteral("usr/share/applications/io.github.lyrovo.Lyrovo.desktop"),
                  "[Desktop Entry]\nType=Application\nName=Lyrovo\nExec=lyrovo %F\n");
  auto ctx = world.makeContext();
  ctx->paths.desktopEntry = entry;
  Fplay window(*ctx, {});
  ASSERT_EQ(window.Form_Load(), Fplay::LoadResult::Run);
  EXPECT_EQ(boxesTitled(kWelcome).size(), 1u);
  EXPECT_EQ(QFileInfo(world.path(QStringLiteral("Desktop/lyrovo.desktop"))).symLinkTarget(), entry);
  EXPECT_FALSE(exists(QStringLiteral("data/applications")));
  EXPECT_FALSE(exists(QStringLiteral("data/icons")));
  const QByteArray mimeapps = world.readFile(QStringLiteral("config/mimeapps.list"));
  for (const char* line :
       {"audio/mpeg=io.github.lyrovo.Lyrovo.desktop;", "audio/x-ms-wma=io.github.lyrovo.Lyrovo.desktop;",
        "audio/x-wav=io.github.lyrovo.Lyrovo.desktop;"})
    EXPECT_TRUE(mimeapps.contains(line)) << line;
  window.close();
}

TEST_F(StartupTest, SecondInstanceOnTheSameFolderIsRefusedAndSavesNothing) {
  auto first = world.makeContext();
  Fplay running(*first, {});
  ASSERT_EQ(running.Form_Load(), Fplay::LoadResult::Run);
  const QByteArray settingsBefore = world.readFile(QStringLiteral("app/Settings.ini"));

  ScriptedPrompts secondPrompts;
  auto second = world.makeContext(&secondPrompts);
  Fplay refused(*second, {QStringLiteral("/music/a.mp3")});
  EXPECT_EQ(refused.Form_Load(), Fplay::LoadResult::Exit);
  EXPECT_FALSE(refused.isVisible());
  ASSERT_EQ(secondPrompts.calls.size(), 1u);
  EXPECT_EQ(secondPrompts.calls[0].icon, Prompts::Icon::Warning);
  EXPECT_EQ(secondPrompts.calls[0].title, QStringLiteral("Lyrovo - 提示"));
  EXPECT_EQ(secondPrompts.calls[0].text, QStringLiteral("程序已在运行！\r\n\r\n本程序将退出！"));
  EXPECT_EQ(world.readFile(QStringLiteral("app/Settings.ini")), settingsBefore);
}

TEST_F(StartupTest, CommandLineWithoutPlayableFilesEndsBeforeTheWindowShows) {
  auto ctx = world.makeContext();
  Fplay window(*ctx, {QStringLiteral("/docs/notes.txt"), QStringLiteral("/docs/README.TXT")});
  EXPECT_EQ(window.Form_Load(), Fplay::LoadResult::Exit);
  EXPECT_FALSE(window.isVisible());
  const auto boxes = world.prompts.callsOf(QStringLiteral("message"));
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].icon, Prompts::Icon::None);
  EXPECT_EQ(boxes[0].text, QStringLiteral("您所拖动的不是程序所支持的文件，Lyrovo将无法播放!"));
  EXPECT_FALSE(exists(QStringLiteral("app/Images")));
  EXPECT_FALSE(exists(QStringLiteral("app/Settings.ini")));
}

TEST_F(StartupTest, CommandLineFilesKeepTheirCaseAndStartAtRowOne) {
  QStringList args;
  for (int i = 0; i < 3000; ++i) args << QStringLiteral("/docs/note %1 \"$\\.txt").arg(i);
  args << QStringLiteral("/Music/Mixed Case/Song.MP3");
  auto ctx = world.makeContext();
  Fplay window(*ctx, args);
  ASSERT_EQ(window.Form_Load(), Fplay::LoadResult::Run);
  EXPECT_EQ(window.CommandLineFiles().last(), QStringLiteral("/Music/Mixed Case/Song.MP3"));
  EXPECT_EQ(ctx->player.CurrentIndex, 1);
  EXPECT_EQ(ctx->player.SupportedTypes, QStringLiteral("*.mp3;*.mp2;*.mp1;*.ogg;*.aif;*.wav;"));
  EXPECT_EQ(
      window.OpenFileFilter(),
      QStringLiteral("All Supported Files|*.mp3;*.mp2;*.mp1;*.ogg;*.aif;*.wav|MPEG Audio "
                     "(*.mp3;*.mp2;*.mp1)|*.mp3;*.mp2;*.mp1|Ogg Vorbis (*.ogg)|*.ogg|AIFF (*.aif)|*.aif|Wave "
                     "(*.wav)|*.wav"));
}

TEST_F(StartupTest, StoredSettingsShapeTheWindowTimersAndFolders) {
  world.writeFile(QStringLiteral("app/Images/.keep"), {});
  world.writeFile(QStringLiteral("app/Settings.ini"),
                  "[lyrovo]\r\nstartWidth=9000\r\nstartHeight=6000\r\nshowType=2\r\nvisType=1\r\n"
                  "WordPath=/nonexistent/lyrics\r\n");
  auto ctx = world.makeContext();
  Fplay window(*ctx, {});
  ASSERT_EQ(window.Form_Load(), Fplay::LoadResult::Run);
  EXPECT_EQ(window.size(), QSize(600, 400));
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  EXPECT_EQ(window.pos(), QPoint((screen.width() - 600) / 2, (screen.height() - 400) / 2));
  EXPECT_EQ(window.Timer2().interval(), 20);
  EXPECT_EQ(ctx->settings.visType, 1);  // view 1 stays view 1 through the step back and forward
  EXPECT_EQ(ctx->settings.WordPath, world.appPath() + QStringLiteral("Lyrics/"));
  EXPECT_GT(ctx->lyricPane.LineHeight, 0);
  EXPECT_GT(ctx->lyricPane.GlyphWidth, 0);
  EXPECT_EQ(ctx->lyricPane.NextLine, 1);

  window.close();
  EXPECT_TRUE(world.readFile(QStringLiteral("app/Settings.ini"))
                  .contains("WordPath=" + world.appPath().toUtf8() + "Lyrics/\r\n"));
  EXPECT_TRUE(world.readFile(QStringLiteral("app/Settings.ini")).contains("startWidth=9000\r\n"));
}

TEST_F(StartupTest, VisualisationPaneClicksWrapAroundTheSevenViews) {
  auto ctx = world.makeContext();
  Fplay window(*ctx, {});
  ASSERT_EQ(window.Form_Load(), Fplay::LoadResult::Run);
  EXPECT_EQ(ctx->settings.visType, 4);
  EXPECT_EQ(window.Timer2().interval(), 50);
  ctx->settings.visType = 7;
  window.Pic1_MouseDown(2, Qt::LeftButton, 0, 1, 1);
  EXPECT_EQ(ctx->settings.visType, 1);
  window.Pic1_MouseDown(2, Qt::RightButton, 0, 1, 1);
  EXPECT_EQ(ctx->settings.visType, 7);
  window.Pic1_MouseDown(1, Qt::LeftButton, 0, 1, 1);  // another pane leaves the view alone
  EXPECT_EQ(ctx->settings.visType, 7);
}

TEST_F(StartupTest, AFailingStepIsLoggedTheWindowStillShowsAndShutdownEndsNormally) {
  world.writeFile(QStringLiteral("app/debug.dat"), {});
  world.writeFile(QStringLiteral("app/Images/.keep"), {});
  world.writeFile(QStringLiteral("app/Resumes"), "a file where a folder belongs");
  auto ctx = world.makeContext();
  Fplay window(*ctx, {});
  ASSERT_EQ(window.Form_Load(), Fplay::LoadResult::Run);
  EXPECT_TRUE(window.isVisible());
  EXPECT_FALSE(window.Hooked());
  EXPECT_TRUE(QString::fromUtf8(world.readFile(QStringLiteral("app/Error.log")))
                  .contains(QStringLiteral("错误地点 : Form_Load\r\n")));

  window.close();
  EXPECT_FALSE(world.terminatedWith.has_value());  // not hooked: the ordinary way out
  EXPECT_TRUE(exists(QStringLiteral("app/SkinSettings.ini")));
}

TEST_F(StartupTest, SettingsFileThatIsAFolderNeitherCrashesNorStopsStartUp) {
  QDir().mkpath(world.path(QStringLiteral("app/Settings.ini")));
  world.writeFile(QStringLiteral("app/Images/.keep"), {});
  auto ctx = world.makeContext();
  Fplay window(*ctx, {});
  ASSERT_EQ(window.Form_Load(), Fplay::LoadResult::Run);
  EXPECT_TRUE(window.Hooked());
  window.close();
  EXPECT_EQ(world.terminatedWith, 0);
  EXPECT_TRUE(QFileInfo(world.path(QStringLiteral("app/Settings.ini"))).isDir());
}
