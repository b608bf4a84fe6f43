#pragma once

#include "base/apppaths.h"
#include "base/errorlog.h"
#include "base/fontspec.h"

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringView>

#include <array>
#include <cstdint>
#include <variant>

namespace lyrovo {

struct ShellEnvironment;

// The behaviour settings kept in Settings.ini, one member per key, named
// after the key. The initialisers are the defaults, except for the folders,
// whose defaults depend on the program folder (see SetDefaults).
struct Settings {
  std::int32_t startWidth = 7200;  // main window size at start-up, twips
  std::int32_t startHeight = 4650;
  bool mouseAdjust = true;
  bool saveAfterAdjust = true;
  bool showPlus1 = true;
  bool showPlus2 = false;
  std::int16_t showType = 1;
  std::int16_t playModal = 1;   // 1 sequential, 2 loop all, 3 single loop, 4 random
  std::int16_t textChange = 1;  // 1 simplified, 2 traditional
  std::int16_t volumn = 20;     // 0..100
  std::int16_t visType = 4;
  QString initFilePath;
  QString initFolderPath;
  QString sendFolderPath;
  std::int16_t skinCol = 102;  // 101..110
  bool autoStart = false;
  bool autoPlay = true;
  bool continueLastPlay = true;
  bool useGlobalKey = true;
  bool forbidFileDelete = true;
  bool addSubFold = true;
  bool searchWord = true;
  bool searchServer2 = true;
  bool searchServer3 = true;
  bool saveWord = true;
  bool saveToSongPath = false;
  QString WordPath;
  bool autoSelect = false;
  bool autoReWrite = false;
  bool searchServer4 = true;  // the LRCLIB lyric database is asked

  bool operator==(const Settings&) const = default;
};

using SettingsField =
    std::variant<bool Settings::*, std::int16_t Settings::*, std::int32_t Settings::*, QString Settings::*>;

struct SettingsKey {
  QStringView name;
  SettingsField field;
};

// Settings.ini keys in the order they are read and written.
inline constexpr std::array<SettingsKey, 30> kSettingsKeys{{
    {u"startWidth", &Settings::startWidth},
    {u"startHeight", &Settings::startHeight},
    {u"mouseAdjust", &Settings::mouseAdjust},
    {u"saveAfterAdjust", &Settings::saveAfterAdjust},
    {u"showPlus1", &Settings::showPlus1},
    {u"showPlus2", &Settings::showPlus2},
    {u"showType", &Settings::showType},
    {u"playModal", &Settings::playModal},
    {u"textChange", &Settings::textChange},
    {u"volumn", &Settings::volumn},
    {u"visType", &Settings::visType},
    {u"initFilePath", &Settings::initFilePath},
    {u"initFolderPath", &Settings::initFolderPath},
    {u"sendFolderPath", &Settings::sendFolderPath},
    {u"skinCol", &Settings::skinCol},
    {u"autoStart", &Settings::autoStart},
    {u"autoPlay", &Settings::autoPlay},
    {u"continueLastPlay", &Settings::continueLastPlay},
    {u"useGlobalKey", &Settings::useGlobalKey},
    {u"forbidFileDelete", &Settings::forbidFileDelete},
    {u"addSubFold", &Settings::addSubFold},
    {u"searchWord", &Settings::searchWord},
    {u"searchServer2", &Settings::searchServer2},
    {u"searchServer3", &Settings::searchServer3},
    {u"saveWord", &Settings::saveWord},
    {u"saveToSongPath", &Settings::saveToSongPath},
    {u"WordPath", &Settings::WordPath},
    {u"autoSelect", &Settings::autoSelect},
    {u"autoReWrite", &Settings::autoReWrite},
    {u"searchServer4", &Settings::searchServer4},
}};

// Colours (0x00BBGGRR) and fonts kept in SkinSettings.ini.
struct SkinSettings {
  std::int32_t vis_col2L = 0x0000FFFF;  // view 2: gradient left, right, background
  std::int32_t vis_col2R = 0x000000FF;
  std::int32_t vis_col2B = 0x002C2C2C;
  std::int32_t vis_col3L = 0x00808000;  // view 3: first half, second half, background
  std::int32_t vis_col3R = 0x00C08080;
  std::int32_t vis_col3B = 0x002C2C2C;
  std::int32_t vis_col41 = 0x00FFFF80;  // spectrum: peak, top, middle, bottom, background
  std::int32_t vis_col42 = 0x00C080FF;
  std::int32_t vis_col43 = 0x00FF8080;
  std::int32_t vis_col44 = 0x0000FFFF;
  std::int32_t vis_col4B = 0x002C2C2C;
  std::int32_t vis_col5Q = 0x00C08080;  // level history: line, background
  std::int32_t vis_col5B = 0x002C2C2C;
  std::int32_t vis_col6Q = 0x00C08080;  // solid oscilloscope: fill, background
  std::int32_t vis_col6B = 0x002C2C2C;
  std::int32_t list_colB = 0x002C2C2C;   // playlist background
  std::int32_t list_colBR = 0x0080FFFF;  // title and artist of the row now playing
  std::int32_t list_col1 = 0x00CFCFCF;   // number column
  std::int32_t list_col2 = 0x00937585;   // title and artist columns
  std::int32_t list_col3 = 0x00808040;   // length column
  std::int32_t word_colB = 0x002C2C2C;   // lyric pane background
  std::int32_t word_colQ = 0x009A79D7;   // lyric text
  std::int32_t word_colBR = 0x0000FFFF;  // lyric highlight
  FontSpec listFont{.name = QStringLiteral("MS Sans Serif"), .size = 8};
  FontSpec wordFont{.name = QStringLiteral("MS Sans Serif"), .size = 12, .bold = true};

  bool operator==(const SkinSettings&) const = default;
};

struct SkinColourKey {
  QStringView name;
  std::int32_t SkinSettings::*field;
};

// Section "Color" in the order written. The last two keys are written as
// "word_colq" and "word_colBr"; names match without regard to case.
inline constexpr std::array<SkinColourKey, 23> kSkinColourKeys{{
    {u"vis_col2L", &SkinSettings::vis_col2L},   {u"vis_col2R", &SkinSettings::vis_col2R},
    {u"vis_col2B", &SkinSettings::vis_col2B},   {u"vis_col3L", &SkinSettings::vis_col3L},
    {u"vis_col3R", &SkinSettings::vis_col3R},   {u"vis_col3B", &SkinSettings::vis_col3B},
    {u"vis_col41", &SkinSettings::vis_col41},   {u"vis_col42", &SkinSettings::vis_col42},
    {u"vis_col43", &SkinSettings::vis_col43},   {u"vis_col44", &SkinSettings::vis_col44},
    {u"vis_col4B", &SkinSettings::vis_col4B},   {u"vis_col5Q", &SkinSettings::vis_col5Q},
    {u"vis_col5B", &SkinSettings::vis_col5B},   {u"vis_col6Q", &SkinSettings::vis_col6Q},
    {u"vis_col6B", &SkinSettings::vis_col6B},   {u"list_colB", &SkinSettings::list_colB},
    {u"list_colBR", &SkinSettings::list_colBR}, {u"list_col1", &SkinSettings::list_col1},
    {u"list_col2", &SkinSettings::list_col2},   {u"list_col3", &SkinSettings::list_col3},
    {u"word_colB", &SkinSettings::word_colB},   {u"word_colq", &SkinSettings::word_colQ},
    {u"word_colBr", &SkinSettings::word_colBR},
}};

using FontField = std::variant<bool FontSpec::*, double FontSpec::*, QString FontSpec::*>;

struct SkinFontKey {
  QStringView name;
  FontSpec SkinSettings::*font;
  FontField field;
};

// Section "Font" in the order written: the playlist font, then the lyric font.
inline constexpr std::array<SkinFontKey, 9> kSkinFontKeys{{
    {u"list_FontBold", &SkinSettings::listFont, &FontSpec::bold},
    {u"list_FontItalic", &SkinSettings::listFont, &FontSpec::italic},
    {u"list_FontName", &SkinSettings::listFont, &FontSpec::name},
    {u"list_FontSize", &SkinSettings::listFont, &FontSpec::size},
    {u"word_FontBold", &SkinSettings::wordFont, &FontSpec::bold},
    {u"word_FontItalic", &SkinSettings::wordFont, &FontSpec::italic},
    {u"word_FontName", &SkinSettings::wordFont, &FontSpec::name},
    {u"word_FontSize", &SkinSettings::wordFont, &FontSpec::size},
    {u"word_FontUnderline", &SkinSettings::wordFont, &FontSpec::underline},
}};

// Smallest lyric font size a load accepts, points.
inline constexpr double kMinWordFontSize = 10;

QString settingsFile(const AppPaths& paths);      // appPath + "Settings.ini"
QString skinSettingsFile(const AppPaths& paths);  // appPath + "SkinSettings.ini"

// Every setting to its default; the folders to the program folder, the lyric
// folder to its "Lyrics/" subfolder.
void SetDefaults(Settings& settings, const AppPaths& paths);

// Reads Settings.ini (section = exe name) over the current values. A missing
// file is created empty and nothing is read. A value that does not fit its
// type stops the reading at that key and is logged under "LoadSettings";
// otherwise out-of-range skins and network or missing folders are reset.
void LoadSettings(Settings& settings, const AppPaths& paths, const ErrorLog& log);

void SetSkinDefaults(SkinSettings& skin);

// Reads SkinSettings.ini when it exists; a lyric font below 10 points is raised to 10.
void LoadSkinSettings(SkinSettings& skin, const AppPaths& paths, const ErrorLog& log);

// Writes every key in table order, keeping the file's other lines, then
// creates or removes the autostart entry to match settings.autoStart.
// Failures are logged under "SaveSettings"; the old file is then untouched.
void SaveSettings(const Settings& settings, const AppPaths& paths, const ShellEnvironment& shell,
                  const ErrorLog& log);
void SaveSkinSettings(const SkinSettings& skin, const AppPaths& paths, const ErrorLog& log);

// A stored colour (0x00BBGGRR) as a QColor.
QColor QColorFromBgr(std::int32_t colour);
// A stored font as a QFont; a size of 0 or less keeps Qt's default size.
QFont QFontFromSpec(const FontSpec& font);

// Font size as written: decimal, up to 4 decimals, no trailing zeros ("12", "10.5").
QString formatFontSize(double size);

}  // namespace lyrovo
