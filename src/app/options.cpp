#include "app/options.h"

#include "base/apperror.h"
#include "settings/inifile.h"

#include <algorithm>

namespace lyrovo {

namespace {

// Box numbers that belong to each visualisation view, and which of them is
// the view's background.
struct VisColourGroup {
  int first, last, background;
  int view1, view2;  // the views that use these colours
};
constexpr std::array<VisColourGroup, 5> kVisColourGroups{{
    {5, 7, 7, 2, 2},
    {8, 10, 10, 3, 3},
    {11, 15, 15, 4, 5},
    {16, 17, 17, 6, 6},
    {18, 19, 19, 7, 7},
}};
constexpr int kFirstListColour = 20, kLastListColour = 24;
constexpr int kFirstLyricColour = 26, kLastLyricColour = 28;

const OptionCheck* findCheck(int index) {
  const auto it = std::find_if(kOptionChecks.begin(), kOptionChecks.end(),
                               [index](const OptionCheck& check) { return check.index == index; });
  return it == kOptionChecks.end() ? nullptr : &*it;
}

const OptionColour* findColour(int index) {
  const auto it = std::find_if(kOptionColours.begin(), kOptionColours.end(),
                               [index](const OptionColour& box) { return box.index == index; });
  return it == kOptionColours.end() ? nullptr : &*it;
}

const QString kButtonsTrap = QStringLiteral("Formabout_Pic2_click");

}  // namespace

OptionsEditor::OptionsEditor(Settings& settings, SkinSettings& skin, const AppPaths& paths,
                             const ShellEnvironment& shell, const ErrorLog& log, Prompts& prompts,
                             OptionsHost& host)
    : settings_(settings),
      skin_(skin),
      paths_(paths),
      shell_(shell),
      log_(log),
      prompts_(prompts),
      host_(host),
      servers_(LoadServerConfig(settingsFile(paths), &log)) {}

std::optional<bool> OptionsEditor::checked(int index) const {
  const OptionCheck* check = findCheck(index);
  if (!check) return std::nullopt;
  return settings_.*check->setting;
}

void OptionsEditor::setChecked(int index, bool ticked) {
  if (const OptionCheck* check = findCheck(index)) settings_.*check->setting = ticked;
}

bool OptionsEditor::checkEnabled(int index) const {
  if ((index >= kCheckSearchServer1 && index <= kCheckSearchServer1 + 2) || index == kCheckSearchServer4)
    return settings_.searchWord;
  if (index == kCheckSaveToSongPath) return settings_.saveWord;
  return true;
}

std::optional<std::int32_t> OptionsEditor::colour(int index) const {
  const OptionColour* box = findColour(index);
  if (!box) return std::nullopt;
  return skin_.*box->colour;
}

bool OptionsEditor::chooseColour(int index) {
  const OptionColour* box = findColour(index);
  if (!box) return false;
  bool chosen = false;
  log_.trap(kButtonsTrap, [&] {
    const auto answer = prompts_.chooseColour(std::uint32_t(skin_.*box->colour));
    if (!answer) throw AppError(32755, QStringLiteral("Cancel was selected."));
    skin_.*box->colour = std::int32_t(*answer & 0xFFFFFF);
    chosen = true;
  });
  if (!chosen) return false;

  if (index >= kFirstListColour && index <= kLastListColour) host_.ApplyListColours();
  if (index >= kFirstLyricColour && index <= kLastLyricColour) host_.ApplyLyricColours();
  for (const VisColourGroup& group : kVisColourGroups) {
    if (index < group.first || index > group.last) continue;
    const int view = settings_.visType;
    if (view != group.view1 && view != group.view2) break;
    // The views copy their colours when prepared, so the one shown is prepared again.
    host_.PrepareVisAgain();
    if (index == group.background) host_.SetVisBackground(skin_.*box->colour);
  }
  return true;
}

bool OptionsEditor::chooseFont(bool lyric) {
  FontSpec& font = lyric ? skin_.wordFont : skin_.listFont;
  bool chosen = false;
  log_.trap(kButtonsTrap, [&] {
    const auto answer = prompts_.chooseFont(font);
    if (!answer) throw AppError(32755, QStringLiteral("Cancel was selected."));
    // Face, size, bold and italic; the lyric font keeps its underline choice.
    font.name = answer->name;
    font.size = answer->size;
    font.bold = answer->bold;
    font.italic = answer->italic;
    chosen = true;
  });
  if (!chosen) return false;
  if (lyric)
    host_.ApplyLyricFont();
  else
    host_.ApplyListFont();
  return true;
}

bool OptionsEditor::chooseLyricFolder() {
  bool chosen = false;
  log_.trap(kButtonsTrap, [&] {
    const auto folder = prompts_.chooseFolder(QStringLiteral("请选择目录"), settings_.WordPath);
    if (!folder || folder->isEmpty()) throw AppError(32755, QStringLiteral("Cancel was selected."));
    settings_.WordPath = withSlash(*folder);
    chosen = true;
  });
  return chosen;
}

const OptionServer* OptionsEditor::server(QStringView key) const {
  const auto it = std::find_if(kOptionServers.begin(), kOptionServers.end(), [key](const OptionServer& row) {
    return row.key.compare(key, Qt::CaseInsensitive) == 0;
  });
  return it == kOptionServers.end() ? nullptr : &*it;
}

QString OptionsEditor::serverAddress(QStringView key) const {
  const OptionServer* row = server(key);
  return row ? servers_.*row->address : QString();
}

bool OptionsEditor::setServerAddress(QStringView key, const QString& value) {
  const OptionServer* row = server(key);
  if (!row) return false;
  if (value.trimmed().isEmpty()) {
    // Back to the built-in address: the key is written empty, which reads as absent.
    const ServerConfig defaults;
    servers_.*row->address = row->address == &ServerConfig::connectionCheck ? servers_.lyricDownload + u'/'
                                                                            : defaults.*row->address;
    pendingServers_[row->key.toString()] = QString();
    return true;
  }
  const QString accepted = row->fullUrl ? NormalizeServerUrl(value) : NormalizeServerBase(value);
  if (accepted.isEmpty()) {
    prompts_.message(
        Prompts::Icon::Warning, Prompts::Buttons::Ok, QStringLiteral("Lyrovo - 服务器地址"),
        QStringLiteral("服务器地址只能是以 http:// 或 https:// 开头的网址%1：\n%2")
            .arg(row->fullUrl ? QString() : QStringLiteral("（不带查询参数）"), value.trimmed()));
    return false;
  }
  servers_.*row->address = accepted;
  pendingServers_[row->key.toString()] = accepted;
  return true;
}

void OptionsEditor::save() {
  SaveSkinSettings(skin_, paths_, log_);
  SaveSettings(settings_, paths_, shell_, log_);
  if (pendingServers_.empty()) return;
  log_.trap(QStringLiteral("SaveSettings"), [&] {
    const QString path = settingsFile(paths_);
    IniFile ini = IniFile::load(path);
    for (const auto& [key, value] : pendingServers_) ini.setString(kServersSection, key, value);
    ini.save(path);
    pendingServers_.clear();
  });
}

bool OptionsEditor::reset() {
  const auto answer =
      prompts_.message(Prompts::Icon::Question, Prompts::Buttons::YesNo, QStringLiteral("Lyrovo - 参数重置"),
                       QStringLiteral("确定要全部重置为默认参数吗？"));
  if (answer != Prompts::Answer::Yes) return false;
  SetDefaults(settings_, paths_);
  SetSkinDefaults(skin_);
  host_.ApplyListColours();
  host_.ApplyListFont();
  host_.ApplyLyricColours();
  host_.ApplyLyricFont();
  settings_.visType = 3;
  host_.ClickVisPane();
  return true;
}

}  // namespace lyrovo
