#pragma once

#include "base/apppaths.h"
#include "base/errorlog.h"
#include "base/prompts.h"
#include "download/serverconfig.h"
#include "settings/settings.h"
#include "settings/shellintegration.h"

#include <QString>
#include <QStringView>

#include <array>
#include <cstdint>
#include <map>
#include <optional>

namespace lyrovo {

// A check box of the options window that sets a behaviour setting (true when ticked).
struct OptionCheck {
  int index;
  bool Settings::*setting;
  QStringView caption;
};

inline constexpr std::array<OptionCheck, 14> kOptionChecks{{
    {0, &Settings::autoStart, u"开机启动程序"},
    {1, &Settings::autoPlay, u"程序启动时自动播放"},
    {2, &Settings::continueLastPlay, u"程序自动播放时继续上一次的播放进度"},
    {6, &Settings::useGlobalKey, u"启用全局快捷键（后台响应）"},
    {8, &Settings::forbidFileDelete, u"禁用物理删除功能"},
    {9, &Settings::addSubFold, u"添加文件夹时包括子文件夹"},
    {11, &Settings::searchWord, u"播放时自动搜索歌词"},
    {12, &Settings::saveWord, u"保存歌词（以便离线播放时显示歌词）"},
    {14, &Settings::searchServer2, u"服务器2"},
    {15, &Settings::searchServer3, u"服务器3"},
    {19, &Settings::searchServer4, u"LRCLIB"},
    {16, &Settings::saveToSongPath, u"保存到歌曲所在文件夹"},
    {17, &Settings::mouseAdjust, u"启用鼠标滚轮调整歌词"},
    {18, &Settings::saveAfterAdjust, u"调整后自动保存"},
}};

// The check box numbers that toggle between searching and saving lyrics.
enum OptionCheckIndex { kCheckSearchServer1 = 13, kCheckSaveToSongPath = 16, kCheckSearchServer4 = 19 };

// A colour box of the options window and the skin colour it edits.
struct OptionColour {
  int index;
  std::int32_t SkinSettings::*colour;
};

inline constexpr std::array<OptionColour, 23> kOptionColours{{
    {5, &SkinSettings::vis_col2L},   {6, &SkinSettings::vis_col2R},  {7, &SkinSettings::vis_col2B},
    {8, &SkinSettings::vis_col3L},   {9, &SkinSettings::vis_col3R},  {10, &SkinSettings::vis_col3B},
    {11, &SkinSettings::vis_col41},  {12, &SkinSettings::vis_col42}, {13, &SkinSettings::vis_col43},
    {14, &SkinSettings::vis_col44},  {15, &SkinSettings::vis_col4B}, {16, &SkinSettings::vis_col5Q},
    {17, &SkinSettings::vis_col5B},  {18, &SkinSettings::vis_col6Q}, {19, &SkinSettings::vis_col6B},
    {20, &SkinSettings::list_col1},  {21, &SkinSettings::list_col2}, {22, &SkinSettings::list_col3},
    {23, &SkinSettings::list_colBR}, {24, &SkinSettings::list_colB}, {26, &SkinSettings::word_colBR},
    {27, &SkinSettings::word_colQ},  {28, &SkinSettings::word_colB},
}};

// Buttons of the options window (numbers shared with the colour boxes).
enum OptionButton {
  kButtonClose = 0,
  kButtonSave = 1,
  kButtonReset = 2,
  kButtonListFont = 25,
  kButtonLyricFont = 29,
  kButtonLyricFolder = 30,
};

// A server address shown on the network page, stored under key in [Servers].
// fullUrl: the address is used as it is (otherwise it is a base URL that
// request paths are appended to).
struct OptionServer {
  QStringView key;
  QString ServerConfig::*address;
  QStringView caption;
  bool fullUrl = false;
};

inline constexpr std::array<OptionServer, 8> kOptionServers{{
    {u"lyricSearch1", &ServerConfig::lyricSearch1, u"歌词服务器1"},
    {u"lyricSearch2", &ServerConfig::lyricSearch2, u"歌词服务器2"},
    {u"lyricSearch3", &ServerConfig::lyricSearch3, u"歌词服务器3"},
    {u"lyricDownload", &ServerConfig::lyricDownload, u"歌词下载"},
    {u"musicSearch", &ServerConfig::musicSearch, u"歌手搜索"},
    {u"artistProfile", &ServerConfig::artistProfile, u"歌手资料"},
    {u"lrclib", &ServerConfig::lrclib, u"LRCLIB 歌词"},
    {u"connectionCheck", &ServerConfig::connectionCheck, u"联网检查", true},
}};

// What the running player does when the options window changes its look.
class OptionsHost {
 public:
  virtual ~OptionsHost() = default;
  // The visualisation view now shown is prepared again with the current colours.
  virtual void PrepareVisAgain() = 0;
  virtual void SetVisBackground(std::int32_t colour) = 0;
  // The playlist's colours, font (row height and column widths) and background.
  virtual void ApplyListColours() = 0;
  virtual void ApplyListFont() = 0;
  // The lyric pane's colours (fade tables) and font (line widths).
  virtual void ApplyLyricColours() = 0;
  virtual void ApplyLyricFont() = 0;
  // A left click on the visualisation pane: the next view, prepared.
  virtual void ClickVisPane() = 0;
};

// The options window's work on the settings, free of widgets: check boxes
// and their enabling rules, colour, font and folder choices with their live
// effects, save, reset and the server addresses. Everything changes the
// settings in memory at once; only Save writes files.
class OptionsEditor {
 public:
  OptionsEditor(Settings& settings, SkinSettings& skin, const AppPaths& paths, const ShellEnvironment& shell,
                const ErrorLog& log, Prompts& prompts, OptionsHost& host);

  // Check box index ticked or not, as the settings say; nothing for an unlinked box.
  std::optional<bool> checked(int index) const;
  void setChecked(int index, bool ticked);
  // Whether a check box, the lyric folder field or its button can be used now.
  bool checkEnabled(int index) const;
  bool lyricFolderEnabled() const { return settings_.saveWord; }

  // The colour colour box index shows, or nothing for another number.
  std::optional<std::int32_t> colour(int index) const;
  // Asks for a new colour for box index; true when one was chosen and applied.
  bool chooseColour(int index);
  // Asks for the playlist font (lyric = false) or the lyric font.
  bool chooseFont(bool lyric);
  // Asks for the lyric folder; a chosen one becomes WordPath with a trailing "/".
  bool chooseLyricFolder();

  // The server address shown for key, as entered or as loaded.
  QString serverAddress(QStringView key) const;
  // Takes a new address for key: an http or https URL (a base URL carries no
  // query); an empty value returns the key to its built-in default. Anything
  // else is refused with a message and the old value stays. True when taken.
  bool setServerAddress(QStringView key, const QString& value);

  // Writes SkinSettings.ini, then Settings.ini with the autostart entry, then
  // the server addresses changed here.
  void save();
  // Asks, and on Yes puts every setting back to its default (nothing is
  // saved) and shows the defaults. True when reset.
  bool reset();

 private:
  const OptionServer* server(QStringView key) const;

  Settings& settings_;
  SkinSettings& skin_;
  const AppPaths& paths_;
  const ShellEnvironment& shell_;
  const ErrorLog& log_;
  Prompts& prompts_;
  OptionsHost& host_;
  ServerConfig servers_;
  std::map<QString, QString> pendingServers_;  // [Servers] keys to write on save
};

}  // namespace lyrovo
