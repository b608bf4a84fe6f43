#include "settings/settings.h"

#include "settings/inifile.h"
#include "settings/shellintegration.h"
#include "text/numeric.h"

#include <QFile>
#include <QFileInfo>
#include <QLatin1String>

#include <cmath>
#include <type_traits>

namespace lyrovo {

namespace {

// Font sizes outside this range are not applied: no real font has them, and
// an infinite or huge size would break the text layout that uses the font.
constexpr double kMaxFontSize = 1000;

QString encode(bool value) { return value ? QStringLiteral("1") : QStringLiteral("0"); }
QString encode(std::int16_t value) { return QString::number(value); }
QString encode(std::int32_t value) { return QString::number(value); }
QString encode(double value) { return formatFontSize(value); }
QString encode(const QString& value) { return value; }

void decode(const QString& text, bool& out) { out = val(text) != 0; }
void decode(const QString& text, std::int16_t& out) { out = toInt16(val(text)); }
void decode(const QString& text, std::int32_t& out) { out = toInt32(val(text)); }
void decode(const QString& text, QString& out) { out = text; }
void decode(const QString& text, double& out) {
  const double size = val(text);
  if (std::isfinite(size) && size > 0 && size <= kMaxFontSize) out = size;
}

// Reads key into member when the file has a non-empty value for it.
template <typename Value>
void readKey(const IniFile& ini, QStringView section, QStringView key, Value& member) {
  if (const auto text = ini.getString(section, key)) decode(*text, member);
}

bool isNetworkPath(const QString& path) { return path.startsWith(QLatin1String("\\\\")); }
bool isFolder(const QString& path) { return !path.isEmpty() && QFileInfo(path).isDir(); }

// Steps after a complete read: the skin number into 101..110, network and
// missing folders back to their defaults.
void checkLoaded(Settings& s, const AppPaths& paths) {
  if (s.skinCol > 110 || s.skinCol <= 100) s.skinCol = 101;
  const QString lyrics = paths.appPath + QStringLiteral("Lyrics/");
  if (isNetworkPath(s.WordPath)) s.WordPath = lyrics;
  for (QString* folder : {&s.initFilePath, &s.initFolderPath, &s.sendFolderPath}) {
    if (isNetworkPath(*folder)) *folder = paths.appPath;
  }
  if (!isFolder(s.WordPath)) s.WordPath = lyrics;
  for (QString* folder : {&s.initFilePath, &s.initFolderPath, &s.sendFolderPath}) {
    if (!isFolder(*folder)) *folder = paths.appPath;
  }
}

constexpr QStringView kColorSection = u"Color";
constexpr QStringView kFontSection = u"Font";

}  // namespace

QString settingsFile(const AppPaths& paths) { return paths.appPath + QStringLiteral("Settings.ini"); }
QString skinSettingsFile(const AppPaths& paths) { return paths.appPath + QStringLiteral("SkinSettings.ini"); }

QColor QColorFromBgr(std::int32_t colour) {
  return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

QFont QFontFromSpec(const FontSpec& stored) {
  QFont font(stored.name);
  if (stored.size > 0) font.setPointSizeF(stored.size);
  font.setBold(stored.bold);
  font.setItalic(stored.italic);
  font.setUnderline(stored.underline);
  return font;
}

QString formatFontSize(double size) {
  QString text = QString::number(size, 'f', 4);
  while (text.endsWith(u'0')) text.chop(1);
  if (text.endsWith(u'.')) text.chop(1);
  if (text == QLatin1String("-0")) text = QStringLiteral("0");
  return text;
}

void SetDefaults(Settings& settings, const AppPaths& paths) {
  settings = Settings{};
  settings.initFilePath = paths.appPath;
  settings.initFolderPath = paths.appPath;
  settings.sendFolderPath = paths.appPath;
  settings.WordPath = paths.appPath + QStringLiteral("Lyrics/");
}

void LoadSettings(Settings& settings, const AppPaths& paths, const ErrorLog& log) {
  log.trap(QStringLiteral("LoadSettings"), [&] {
    const QString path = settingsFile(paths);
    if (!QFileInfo::exists(path)) {
      // First start: an empty file, the defaults stay. NewOnly never truncates a file made meanwhile.
      QFile file(path);
      if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) file.close();
      return;
    }
    const IniFile ini = IniFile::load(path);
    // A bad value (one too large for its type) costs only its own key: it
    // keeps its default, is logged, and every other key still loads.
    for (const SettingsKey& key : kSettingsKeys) {
      log.trap(QStringLiteral("LoadSettings"), [&] {
        std::visit([&](auto member) { readKey(ini, paths.exeName, key.name, settings.*member); }, key.field);
      });
    }
    checkLoaded(settings, paths);
  });
}

void SetSkinDefaults(SkinSettings& skin) { skin = SkinSettings{}; }

void LoadSkinSettings(SkinSettings& skin, const AppPaths& paths, const ErrorLog& log) {
  log.trap(QStringLiteral("LoadSkinSettings"), [&] {
    const QString path = skinSettingsFile(paths);
    if (!QFileInfo::exists(path)) return;
    const IniFile ini = IniFile::load(path);
    for (const SkinColourKey& key : kSkinColourKeys) {
      log.trap(QStringLiteral("LoadSkinSettings"),
               [&] { readKey(ini, kColorSection, key.name, skin.*key.field); });
    }
    for (const SkinFontKey& key : kSkinFontKeys) {
      log.trap(QStringLiteral("LoadSkinSettings"), [&] {
        std::visit([&](auto member) { readKey(ini, kFontSection, key.name, (skin.*key.font).*member); },
                   key.field);
      });
    }
    if (skin.wordFont.size < kMinWordFontSize) skin.wordFont.size = kMinWordFontSize;
  });
}

void SaveSettings(const Settings& settings, const AppPaths& paths, const ShellEnvironment& shell,
                  const ErrorLog& log) {
  log.trap(QStringLiteral("SaveSettings"), [&] {
    const QString path = settingsFile(paths);
    IniFile ini = IniFile::load(path);
    for (const SettingsKey& key : kSettingsKeys) {
      std::visit([&](auto member) { ini.setString(paths.exeName, key.name, encode(settings.*member)); },
                 key.field);
    }
    ini.save(path);
  });
  UpdateAutoStart(settings.autoStart, paths, shell);
}

void SaveSkinSettings(const SkinSettings& skin, const AppPaths& paths, const ErrorLog& log) {
  log.trap(QStringLiteral("SaveSkinSettings"), [&] {
    const QString path = skinSettingsFile(paths);
    IniFile ini = IniFile::load(path);
    for (const SkinColourKey& key : kSkinColourKeys) {
      ini.setString(kColorSection, key.name, encode(skin.*key.field));
    }
    for (const SkinFontKey& key : kSkinFontKeys) {
      std::visit(
          [&](auto member) { ini.setString(kFontSection, key.name, encode((skin.*key.font).*member)); },
          key.field);
    }
    ini.save(path);
  });
}

}  // namespace lyrovo
