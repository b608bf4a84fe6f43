#include "base/scriptedprompts.h"
#include "engine/bp.h"
#include "engine/plugins.h"
#include "support/audiofixtures.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
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

namespace {

// Whether this process has that file mapped (a library it opened).
bool mapped(const QString& path) {
  QFile maps(QStringLiteral("/proc/self/maps"));
  return maps.open(QIODevice::ReadOnly) && maps.readAll().contains(QFile::encodeName(path));
}

QString builtFfmpegPlugin() { return QStringLiteral(LYROVO_PLUGIN_DIR "/lyrovo_ffmpeg.so"); }

// A cache file as a user's cache folder holds it, for one plug-in file.
QByteArray cacheFor(const QString& path, bool usable, const QByteArray& formats) {
  const QFileInfo file(path);
  return "{\"version\": 1, \"abi\": 1, \"plugins\": [{\"path\": \"" + file.absoluteFilePath().toUtf8() +
         "\", \"size\": " + QByteArray::number(file.size()) +
         ", \"modified\": " + QByteArray::number(file.lastModified().toMSecsSinceEpoch()) +
         ", \"usable\": " + (usable ? "true" : "false") + ", \"formats\": [" + formats + "]}]}";
}

void writeFile(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(bytes);
}

}  // namespace

TEST_F(PluginFolder, APluginIsOpenedOnlyWhenAFileFirstNeedsIt) {
  if (!QFile::exists(builtFfmpegPlugin())) GTEST_SKIP() << "the FFmpeg plug-in is not built";
  copyIn(builtFfmpegPlugin(), QStringLiteral("lyrovo_ffmpeg.so"));
  const QString library = plugins() + QStringLiteral("lyrovo_ffmpeg.so");
  BP engine(prompts, tags);
  engine.aInit(-1, 44100, BP::pluginFolder(dir.path()), filter, list);
  EXPECT_TRUE(list.contains(QStringLiteral(";*.flac")));
  EXPECT_FALSE(mapped(library));

  // MPEG audio is decoded by the player itself: still not needed.
  engine.aOpen(fixture(QStringLiteral("tone1k.mp3")));
  ASSERT_NE(engine.hStream, 0u);
  EXPECT_FALSE(mapped(library));
  engine.aClose();

  engine.aOpen(fixture(QStringLiteral("tone1k.flac")));
  ASSERT_NE(engine.hStream, 0u);
  EXPECT_NE(engine.chanInfo.plugin, 0u);
  EXPECT_TRUE(mapped(library));
}

TEST_F(PluginFolder, TheFormatCacheStandsInForTheProbeUntilThePluginFileChanges) {
  if (!QFile::exists(builtFfmpegPlugin())) GTEST_SKIP() << "the FFmpeg plug-in is not built";
  copyIn(builtFfmpegPlugin(), QStringLiteral("lyrovo_ffmpeg.so"));
  const QString library = plugins() + QStringLiteral("lyrovo_ffmpeg.so");
  const QString cacheFile = dir.path() + QStringLiteral("/cache/plugin-formats.json");
  const auto namesFrom = [&](const PluginHost& host) {
    QStringList names;
    if (!host.plugins().empty())
      for (const PluginFormat& format : host.plugins().front()->formats) names << format.name;
    return names;
  };

  // A cache as an earlier run left it: its list is taken as it stands.
  writeFile(cacheFile,
            cacheFor(library, true, R"({"type": 66048, "name": "Remembered", "extensions": "*.rem"})"));
  {
    PluginHost host;
    host.setFormatCache(cacheFile);
    ASSERT_NE(host.load(library), 0u);
    EXPECT_EQ(namesFrom(host), QStringList{QStringLiteral("Remembered")});
    EXPECT_EQ(host.plugins().front()->formats.front().typeCode, 66048u);
    EXPECT_EQ(host.plugins().front()->formats.front().extensions, QStringLiteral("*.rem"));
  }
  // The program folder copied elsewhere: the same file name, size and time.
  {
    const QString copied = dir.path() + QStringLiteral("/copy/Plugins/lyrovo_ffmpeg.so");
    QDir().mkpath(QFileInfo(copied).absolutePath());
    ASSERT_TRUE(QFile::copy(library, copied));
    QFile copy(copied);
    ASSERT_TRUE(copy.open(QIODevice::ReadWrite));
    ASSERT_TRUE(copy.setFileTime(QFileInfo(library).lastModified(), QFileDevice::FileModificationTime));
    copy.close();
    PluginHost host;
    host.setFormatCache(cacheFile);
    ASSERT_NE(host.load(copied), 0u);
    EXPECT_EQ(namesFrom(host), QStringList{QStringLiteral("Remembered")});
  }
  // Remembered as no plug-in: skipped without a probe.
  writeFile(cacheFile, cacheFor(library, false, ""));
  {
    PluginHost host;
    host.setFormatCache(cacheFile);
    EXPECT_EQ(host.load(library), 0u);
  }
  // The file changed since: probed again, and the cache learns the real list.
  QFile touched(library);
  ASSERT_TRUE(touched.open(QIODevice::ReadWrite));
  ASSERT_TRUE(
      touched.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
  touched.close();
  {
    PluginHost host;
    host.setFormatCache(cacheFile);
    ASSERT_NE(host.load(library), 0u);
    EXPECT_TRUE(namesFrom(host).contains(QStringLiteral("FLAC"))) << namesFrom(host).join(u',').toStdString();
  }
  QFile written(cacheFile);
  ASSERT_TRUE(written.open(QIODevice::ReadOnly));
  const QByteArray text = written.readAll();
  EXPECT_TRUE(text.contains("\"*.flac\"")) << text.toStdString();
  EXPECT_FALSE(text.contains("Remembered"));
}

TEST_F(PluginFolder, ADamagedOrForeignFormatCacheIsProbedPast) {
  if (!QFile::exists(builtFfmpegPlugin())) GTEST_SKIP() << "the FFmpeg plug-in is not built";
  copyIn(builtFfmpegPlugin(), QStringLiteral("lyrovo_ffmpeg.so"));
  const QString library = plugins() + QStringLiteral("lyrovo_ffmpeg.so");
  const QString cacheFile = dir.path() + QStringLiteral("/plugin-formats.json");
  const QByteArray remembered = R"({"type": 66048, "name": "Remembered", "extensions": "*.rem"})";
  QByteArray otherInterface = cacheFor(library, true, remembered);
  otherInterface.replace("\"abi\": 1", "\"abi\": 2");
  QByteArray cutShort = cacheFor(library, true, remembered);
  cutShort.chop(9);
  for (const QByteArray& damaged : {QByteArray("\x00\xff garbage"), cutShort, otherInterface,
                                    QByteArray(R"({"version": 1, "abi": 1, "plugins": [{"path": 7}]})")}) {
    writeFile(cacheFile, damaged);
    PluginHost host;
    host.setFormatCache(cacheFile);
    ASSERT_NE(host.load(library), 0u) << damaged.toStdString();
    ASSERT_FALSE(host.plugins().front()->formats.empty());
    EXPECT_NE(host.plugins().front()->formats.front().name, QStringLiteral("Remembered"));
  }
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
