#include "settings/settings.h"
#include "base/scriptedprompts.h"
#include "settings/files.h"
#include "settings/inifile.h"
#include "settings/shellintegration.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "support/filesizelimit.h"

#include <sys/resource.h>
#include <csignal>
#include <random>

namespace lyrovo {
namespace {

using testfiles::readBytes;
using testfiles::writeBytes;

// A program folder of its own, with the error log switched on, and folders
// for the desktop integration that SaveSettings touches.
class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QDir().mkpath(paths.appPath));
    writeBytes(paths.appPath + QStringLiteral("debug.dat"), "");
    SetDefaults(defaults, paths);
    settings = defaults;
  }

  QString iniPath() const { return settingsFile(paths); }
  void writeIni(const QByteArray& body) { writeBytes(iniPath(), "[lyrovo]\r\n" + body); }
  Settings loaded() {
    Settings result;
    SetDefaults(result, paths);
    LoadSettings(result, paths, log);
    return result;
  }
  QString errorLog() const {
    return QString::fromUtf8(readBytes(paths.appPath + QStringLiteral("Error.log")));
  }

  QTemporaryDir dir;
  AppPaths paths{dir.path() + QStringLiteral("/app/"), QStringLiteral("lyrovo"),
                 dir.path() + QStringLiteral("/app/lyrovo")};
  ShellEnvironment shell{dir.path() + QStringLiteral("/data"), dir.path() + QStringLiteral("/config"),
                         dir.path() + QStringLiteral("/desktop")};
  ScriptedPrompts prompts;
  ErrorLog log{paths.appPath, &prompts};
  Settings defaults;
  Settings settings;
};

TEST_F(SettingsTest, FirstStartCreatesAnEmptySettingsFileAndKeepsDefaults) {
  EXPECT_EQ(defaults.WordPath, paths.appPath + QStringLiteral("Lyrics/"));
  EXPECT_EQ(defaults.initFilePath, paths.appPath);

  LoadSettings(settings, paths, log);
  EXPECT_EQ(settings, defaults);
  EXPECT_TRUE(QFileInfo(iniPath()).isFile());
  EXPECT_EQ(QFileInfo(iniPath()).size(), 0);

  SkinSettings skin;
  SetSkinDefaults(skin);
  LoadSkinSettings(skin, paths, log);
  EXPECT_EQ(skin.wordFont, (FontSpec{QStringLiteral("MS Sans Serif"), 12, true, false, false}));
  EXPECT_FALSE(QFileInfo::exists(skinSettingsFile(paths)));

  // A second start with the now empty file still has the defaults.
  EXPECT_EQ(loaded(), defaults);
}

TEST_F(SettingsTest, EveryKeyRoundTrips) {
  int index = 0;
  for (const SettingsKey& key : kSettingsKeys) {
    ++index;
    std::visit(
        [&](auto member) {
          auto& value = settings.*member;
          using Value = std::decay_t<decltype(value)>;
          if constexpr (std::is_same_v<Value, bool>) {
            value = !value;
          } else if constexpr (std::is_same_v<Value, QString>) {
            value = dir.path() + QStringLiteral("/folder %1/").arg(index);
            ASSERT_TRUE(QDir().mkpath(value));
          } else {
            value = static_cast<Value>(-30 - index);
            if constexpr (std::is_same_v<Value, std::int16_t>) {
              if (member == &Settings::skinCol) value = 107;
            }
          }
          EXPECT_NE(settings.*member, defaults.*member) << key.name.toString().toStdString();
        },
        key.field);
  }
  SaveSettings(settings, paths, shell, log);
  EXPECT_EQ(loaded(), settings);

  SkinSettings skin;
  index = 0;
  for (const SkinColourKey& key : kSkinColourKeys) skin.*key.field = 0x00102030 + ++index;
  skin.listFont = {QStringLiteral("文泉驿微米黑"), 9.25, true, true, false};
  skin.wordFont = {QStringLiteral("DejaVu Sans"), 10.5, false, true, true};
  SaveSkinSettings(skin, paths, log);
  SkinSettings back;
  LoadSkinSettings(back, paths, log);
  EXPECT_EQ(back, skin);
  EXPECT_EQ(errorLog(), QString());
}

TEST_F(SettingsTest, SavedFilesListEveryKeyInTableOrder) {
  SaveSettings(settings, paths, shell, log);
  const QString text = QString::fromUtf8(readBytes(iniPath()));
  QStringList expected{QStringLiteral("[lyrovo]")};
  for (const SettingsKey& key : kSettingsKeys) expected << key.name.toString();
  QStringList actual;
  for (const QString& line : text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)) {
    actual << line.section(u'=', 0, 0);
  }
  EXPECT_EQ(actual, expected);
  EXPECT_TRUE(text.contains(QStringLiteral("\r\nstartWidth=7200\r\n")));
  EXPECT_TRUE(text.contains(QStringLiteral("\r\nmouseAdjust=1\r\n")));
  EXPECT_TRUE(text.contains(QStringLiteral("\r\nshowPlus2=0\r\n")));
  EXPECT_TRUE(text.contains(QStringLiteral("\r\nWordPath=") + paths.appPath + QStringLiteral("Lyrics/\r\n")));

  SkinSettings skin;
  skin.wordFont.size = 10.5;
  SaveSkinSettings(skin, paths, log);
  const QString skinText = QString::fromUtf8(readBytes(skinSettingsFile(paths)));
  EXPECT_TRUE(skinText.startsWith(QStringLiteral("[Color]\r\nvis_col2L=65535\r\n")));
  EXPECT_TRUE(
      skinText.contains(QStringLiteral("\r\nword_colq=10123735\r\nword_colBr=65535\r\n\r\n[Font]\r\n")));
  EXPECT_TRUE(skinText.contains(QStringLiteral("\r\nlist_FontSize=8\r\n")));
  EXPECT_TRUE(skinText.contains(QStringLiteral("\r\nword_FontSize=10.5\r\n")));
  EXPECT_TRUE(skinText.endsWith(QStringLiteral("\r\nword_FontUnderline=0\r\n")));
}

TEST_F(SettingsTest, LoadedValuesAreCheckedAndConverted) {
  struct Case {
    QByteArray line;
    std::int16_t skinCol;
  };
  for (const Case& c : {Case{"skinCol=100", 101}, Case{"skinCol=111", 101}, Case{"skinCol=110", 110},
                        Case{"skinCol=101", 101}, Case{"skinCol=104.5", 104}, Case{"skinCol=", 102}}) {
    writeIni(c.line + "\r\n");
    EXPECT_EQ(loaded().skinCol, c.skinCol) << c.line.constData();
  }

  writeIni("mouseAdjust=yes\r\nshowPlus2=-1\r\nautoStart=&H10\r\nvolumn=\r\nVOLUMN=5\r\nVisType = 3\r\n");
  Settings s = loaded();
  EXPECT_FALSE(s.mouseAdjust);
  EXPECT_TRUE(s.showPlus2);
  EXPECT_TRUE(s.autoStart);
  EXPECT_EQ(s.volumn, 20);  // the empty first "volumn" wins and counts as absent
  EXPECT_EQ(s.visType, 3);

  writeBytes(iniPath(), "[LYROVO]\r\nVOLUMN=5\r\n");
  EXPECT_EQ(loaded().volumn, 5);
}

TEST_F(SettingsTest, MissingAndNetworkFoldersFallBack) {
  const QString gone = dir.path() + QStringLiteral("/gone/");
  const QString kept = dir.path() + QStringLiteral("/kept");  // stored without a trailing "/"
  ASSERT_TRUE(QDir().mkpath(gone));
  ASSERT_TRUE(QDir().mkpath(kept));
  writeIni(("initFilePath=" + kept + "\r\ninitFolderPath=\\\\server\\music\r\nsendFolderPath=" + gone +
            "\r\nWordPath=" + gone + "\r\n")
               .toUtf8());
  ASSERT_TRUE(QDir(gone).removeRecursively());
  Settings s = loaded();
  EXPECT_EQ(s.initFilePath, kept);
  EXPECT_EQ(s.initFolderPath, paths.appPath);
  EXPECT_EQ(s.sendFolderPath, paths.appPath);
  EXPECT_EQ(s.WordPath, paths.appPath + QStringLiteral("Lyrics/"));

  writeIni("WordPath=\\\\server\\lyrics\\\r\n");
  EXPECT_EQ(loaded().WordPath, paths.appPath + QStringLiteral("Lyrics/"));
}

TEST_F(SettingsTest, OverflowResetsOnlyThatKey) {
  const QString lyrics = dir.path() + QStringLiteral("/my lyrics/");
  ASSERT_TRUE(QDir().mkpath(lyrics));
  writeIni("startWidth=1234\r\nshowType=3\r\nvolumn=99999\r\nvisType=2\r\nskinCol=300\r\nWordPath=" +
           lyrics.toUtf8() + "\r\n");
  LoadSettings(settings, paths, log);
  EXPECT_EQ(settings.startWidth, 1234);
  EXPECT_EQ(settings.showType, 3);
  EXPECT_EQ(settings.volumn, 20);  // the bad key alone keeps its default
  EXPECT_EQ(settings.visType, 2);
  EXPECT_EQ(settings.skinCol, 101);  // the checks after loading still run
  EXPECT_EQ(settings.WordPath, lyrics);

  const QString record = errorLog();
  EXPECT_TRUE(record.contains(QStringLiteral("LoadSettings")));
  EXPECT_TRUE(record.contains(QStringLiteral(": 6\r\n")));
  EXPECT_TRUE(record.contains(QStringLiteral("Overflow")));
  EXPECT_EQ(prompts.callsOf(QStringLiteral("message")).size(), 1u);

  // A colour too large for 32 bits resets only itself in the skin as well.
  writeBytes(skinSettingsFile(paths), "[Color]\r\nvis_col2L=1\r\nvis_col2R=1e12\r\nvis_col2B=2\r\n");
  SkinSettings skin;
  LoadSkinSettings(skin, paths, log);
  EXPECT_EQ(skin.vis_col2L, 1);
  EXPECT_EQ(skin.vis_col2R, 0x000000FF);
  EXPECT_EQ(skin.vis_col2B, 2);
  EXPECT_TRUE(errorLog().contains(QStringLiteral("LoadSkinSettings")));
}

TEST_F(SettingsTest, SkinFontsAreCheckedOnLoad) {
  writeBytes(skinSettingsFile(paths),
             "[Font]\r\nlist_FontSize=8\r\nword_FontSize=8\r\nword_FontBold=0\r\nlist_FontName=" +
                 QByteArray(5000, 'f') + "\r\n");
  SkinSettings skin;
  LoadSkinSettings(skin, paths, log);
  EXPECT_EQ(skin.listFont.size, 8);
  EXPECT_EQ(skin.wordFont.size, 10);
  EXPECT_FALSE(skin.wordFont.bold);
  EXPECT_EQ(skin.listFont.name, QString(254, QLatin1Char('f')));

  // Sizes no font can have are ignored.
  writeBytes(skinSettingsFile(paths), "[Font]\r\nlist_FontSize=1e400\r\nword_FontSize=-3\r\n");
  skin = SkinSettings{};
  LoadSkinSettings(skin, paths, log);
  EXPECT_EQ(skin.listFont.size, 8);
  EXPECT_EQ(skin.wordFont.size, 12);
}

TEST_F(SettingsTest, SettingsFileThatIsAFolderIsLoggedAndKept) {
  ASSERT_TRUE(QDir().mkdir(iniPath()));
  LoadSettings(settings, paths, log);
  EXPECT_EQ(settings, defaults);
  SaveSettings(settings, paths, shell, log);
  EXPECT_TRUE(QFileInfo(iniPath()).isDir());
  const QString record = errorLog();
  EXPECT_TRUE(record.contains(QStringLiteral("LoadSettings")));
  EXPECT_TRUE(record.contains(QStringLiteral("SaveSettings")));
}

TEST_F(SettingsTest, BinaryJunkLoadsAndSavesOurKeys) {
  std::mt19937 random(20240601);
  QByteArray junk(10 * 1024 * 1024, Qt::Uninitialized);
  for (char& byte : junk) byte = static_cast<char>(random() & 0xFF);
  writeBytes(iniPath(), junk);
  writeBytes(skinSettingsFile(paths), junk);

  LoadSettings(settings, paths, log);
  EXPECT_EQ(settings, defaults);
  SkinSettings skin;
  LoadSkinSettings(skin, paths, log);
  EXPECT_EQ(skin, SkinSettings{});

  settings.volumn = 77;
  settings.playModal = 4;
  SaveSettings(settings, paths, shell, log);
  EXPECT_GT(QFileInfo(iniPath()).size(), 10 * 1024 * 1024);
  EXPECT_EQ(loaded(), settings);
}

TEST_F(SettingsTest, FailedSaveLeavesThePreviousFileByteIdentical) {
  writeBytes(iniPath(), "; mine\r\n[lyrovo]\r\nvolumn=33\r\n[other]\r\nx=1\r\n");
  const QByteArray before = readBytes(iniPath());

  settings.initFilePath = QString(100000, QLatin1Char('p'));
  {
    lyrovo::testing::FileSizeLimit limit(4096);
    SaveSettings(settings, paths, shell, log);
  }
  EXPECT_EQ(readBytes(iniPath()), before);
  EXPECT_TRUE(errorLog().contains(QStringLiteral("SaveSettings")));
  QStringList files = QDir(paths.appPath).entryList(QDir::Files | QDir::Hidden);
  files.sort();
  EXPECT_EQ(files, (QStringList{QStringLiteral("Error.log"), QStringLiteral("Settings.ini"),
                                QStringLiteral("debug.dat")}));

  // The next save that fits keeps the foreign lines and updates ours.
  settings.initFilePath = paths.appPath;
  SaveSettings(settings, paths, shell, log);
  const IniFile ini = IniFile::load(iniPath());
  EXPECT_EQ(ini.lines().first(), QStringLiteral("; mine"));
  EXPECT_EQ(ini.getString(u"lyrovo", u"volumn"), QStringLiteral("20"));
  EXPECT_EQ(ini.getString(u"other", u"x"), QStringLiteral("1"));
}

}  // namespace
}  // namespace lyrovo
