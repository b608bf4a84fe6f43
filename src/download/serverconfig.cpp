#include "download/serverconfig.h"

#include "base/apperror.h"
#include "base/errorlog.h"
#include "settings/inifile.h"

#include <QUrl>

#include <array>
#include <optional>

namespace lyrovo {

namespace {

// An absolute http(s) URL with a host and no fragment, or nothing.
std::optional<QUrl> parseHttpUrl(const QString& value) {
  const QString text = value.trimmed();
  if (text.isEmpty()) return std::nullopt;
  const QUrl url(text, QUrl::StrictMode);
  if (!url.isValid()) return std::nullopt;
  const QString scheme = url.scheme().toLower();
  if (scheme != u"http" && scheme != u"https") return std::nullopt;
  if (url.host().isEmpty() || url.hasFragment()) return std::nullopt;
  return url;
}

}  // namespace

QString NormalizeServerUrl(const QString& value) {
  if (!parseHttpUrl(value)) return {};
  return value.trimmed();
}

QString NormalizeServerBase(const QString& value) {
  const auto url = parseHttpUrl(value);
  if (!url || url->hasQuery()) return {};
  QString text = value.trimmed();
  while (text.endsWith(u'/')) text.chop(1);
  return text;
}

bool IsPlaceholderServer(const QString& base) {
  return QUrl(base).host().endsWith(QLatin1String(".invalid"), Qt::CaseInsensitive);
}

ServerConfig LoadServerConfig(const QString& settingsIniPath, const ErrorLog* log) {
  ServerConfig config;
  IniFile ini;
  try {
    ini = IniFile::load(settingsIniPath);
  } catch (const AppError& error) {
    if (log) log->log(QStringLiteral("LoadServerConfig"), error);
    return config;
  }

  struct BaseKey {
    QStringView name;
    QString ServerConfig::*member;
  };
  static constexpr std::array<BaseKey, 7> kBaseKeys{{
      {u"lyricSearch1", &ServerConfig::lyricSearch1},
      {u"lyricSearch2", &ServerConfig::lyricSearch2},
      {u"lyricSearch3", &ServerConfig::lyricSearch3},
      {u"musicSearch", &ServerConfig::musicSearch},
      {u"lyricDownload", &ServerConfig::lyricDownload},
      {u"artistProfile", &ServerConfig::artistProfile},
      {u"lrclib", &ServerConfig::lrclib},
  }};
  for (const BaseKey& key : kBaseKeys) {
    const auto value = ini.getFullString(kServersSection, key.name);
    if (!value) continue;
    const QString base = NormalizeServerBase(*value);
    if (!base.isEmpty()) config.*key.member = base;
  }

  // The check follows the first host that is configured, unless it has its own URL.
  config.connectionCheck =
      (IsPlaceholderServer(config.lyricDownload) ? config.lrclib : config.lyricDownload) + u'/';
  if (const auto value = ini.getFullString(kServersSection, u"connectionCheck")) {
    const QString url = NormalizeServerUrl(*value);
    if (!url.isEmpty()) config.connectionCheck = url;
  }
  return config;
}

}  // namespace lyrovo
