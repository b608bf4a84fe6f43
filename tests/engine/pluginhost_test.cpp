#include "base/scriptedprompts.h"
#include "engine/bp.h"
#include "engine/plugins.h"
#include "support/audiofixtures.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace lyrovo;
using lyrovo::testing::fixture;

namespace {

const QString kFilter = QStringLiteral("|Wave (*.wav)|*.wav");
const QString kList = QStringLiteral("*.mp3;*.wav");

struct PluginFolder : ::testing::Test {
  QTemporaryDir dir;
  ScriptedPrompts prompts;
  TagFields tags;
  QString filter = kFilter;
  QString list = kList;

  QString plugins() const { return dir.path() + QStringLiteral("/Plugins/"); }
  void addFile(const QString& name, const QByteArray& bytes) const {
    QDir().mkpath(plugins());
    QFile file(plugins() + name);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
  }
  void copyIn(const QString& from, const QString& name) const {
    QDir().mkpath(plugins());
    ASSERT_TRUE(QFile::copy(from, plugins() + name)) << from.toStdString();
  }
};

}  // namespace

TEST_F(PluginFolder, NoPluginsLeaveFilterAndListUnchanged) {
  BP engine(prompts, tags);
  engine.aInit(-1, 44100, BP::pluginFolder(dir.path()), filter, list);
  EXPECT_EQ(filter, kFilter);
  EXPECT_EQ(list, kList);
}

TEST_F(PluginFolder, BrokenForeignAndCrashingLibrariesAndFoldersAreSkipped) {
  addFile(QStringLiteral("lyrovo_text.so"), "not a library");
  addFile(QStringLiteral("lyrovo_empty.so"), QByteArray());
  QDir().mkpath(plugins() + QStringLiteral("lyrovo_folder.so"));
  copyIn(QStringLiteral(LYROVO_CRASHING_PLUGIN), QStringLiteral("lyrovo_crash.so"));
  // A real shared library without the plug-in entry point.
  copyIn(QStringLiteral(LYROVO_CRASHING_PLUGIN), QStringLiteral("other.so"));
  BP engine(prompts, tags);
  engine.aInit(-1, 44100, BP::pluginFolder(dir.path()), filter, list);
  EXPECT_EQ(filter, kFilter);
  EXPECT_EQ(list, kList);
  EXPECT_TRUE(prompts.calls.empty());
}

TEST_F(PluginFolder, PluginFormatsExtendFilterAndListAndNameTheirStreams) {
  const QString built = QStringLiteral(LYROVO_PLUGIN_DIR "/lyrovo_ffmpeg.so");
  if (!QFile::exists(built)) GTEST_SKIP() << "the FFmpeg plug-in is not built";
  copyIn(built, QStringLiteral("lyrovo_ffmpeg.so"));
  BP engine(prompts, tags);
  engine.aInit(-1, 44100, BP::pluginFolder(dir.path()), filter, list);
  EXPECT_TRUE(filter.startsWith(kFilter + QStringLiteral("|")));
  EXPECT_TRUE(filter.contains(QStringLiteral("(*.flac)|*.flac")));
  EXPECT_TRUE(list.startsWith(kList + QStringLiteral(";")));
  EXPECT_TRUE(list.contains(QStringLiteral(";*.wma")));

  engine.aOpen(fixture(QStringLiteral("tone1k.flac")));
  ASSERT_NE(engine.hStream, 0u);
  EXPECT_NE(engine.chanInfo.plugin, 0u);
  EXPECT_EQ(tags.infoType, QStringLiteral("FLAC"));
  EXPECT_EQ(engine.aFiletype(), QStringLiteral("flac"));
  EXPECT_NEAR(engine.alenTime(), 2.0, 0.05);
}

TEST(PluginProbe, ALibraryThatHangsWhileListingItsFormatsIsSkippedInTime) {
  PluginHost host;
  host.setProbeTimeout(300);
  EXPECT_EQ(host.load(QStringLiteral(LYROVO_HANGING_PLUGIN)), 0u);
  EXPECT_EQ(host.load(QStringLiteral(LYROVO_CRASHING_PLUGIN)), 0u);
  EXPECT_TRUE(host.plugins().empty());
}

TEST(PluginFolderPath, OneSlashBetweenFolderAndPlugins) {
  EXPECT_EQ(BP::pluginFolder(QStringLiteral("/")), QStringLiteral("/Plugins/"));
  EXPECT_EQ(BP::pluginFolder(QStringLiteral("/opt/lyrovo")), QStringLiteral("/opt/lyrovo/Plugins/"));
  EXPECT_EQ(BP::pluginFolder(QStringLiteral("/opt/lyrovo/")), QStringLiteral("/opt/lyrovo/Plugins/"));
}
