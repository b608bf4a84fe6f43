#pragma once

#include <QString>

namespace lyrovo {

class ErrorLog;

// Where the web services the player talks to live. Base URLs are scheme,
// host and optional port (and path prefix), without a trailing "/": the
// request paths and queries are appended to them. The built-in defaults are
// placeholders under the reserved ".invalid" domain, which never resolves,
// so the player stays offline until Settings.ini names real servers.
struct ServerConfig {
  QString lyricSearch1 = QStringLiteral("http://lyrics1.lyrovo.invalid");  // lyric search service 1
  QString lyricSearch2 = QStringLiteral("http://lyrics2.lyrovo.invalid");  // lyric search service 2
  QString lyricSearch3 = QStringLiteral("http://lyrics3.lyrovo.invalid");  // lyric search service 3
  QString musicSearch = QStringLiteral("http://music.lyrovo.invalid");  // music search page (artist look-up)
  QString lyricDownload = QStringLiteral("http://lrc.lyrovo.invalid");  // lyric download host of service 2
  QString artistProfile = QStringLiteral("http://profile.lyrovo.invalid");  // artist profile search page
  QString lrclib = QStringLiteral("https://lrclib.net");  // LRCLIB lyric database (JSON API)
  // Full URL the connection check fetches: the root of the lyric download
  // host when it is configured, else of LRCLIB, unless configured otherwise.
  QString connectionCheck = QStringLiteral("https://lrclib.net/");

  bool operator==(const ServerConfig&) const = default;
};

// Section of Settings.ini that holds the server keys.
inline constexpr QStringView kServersSection = u"Servers";

// Reads the [Servers] section of the Settings.ini at settingsIniPath over the
// defaults. Keys (case-insensitive): lyricSearch1, lyricSearch2,
// lyricSearch3, musicSearch, lyricDownload, artistProfile, lrclib,
// connectionCheck.
// A missing file or key keeps the default; a value that is not an absolute
// http or https URL with a host (or, for the base URLs, carries a query or
// fragment) is ignored. Base URLs lose their trailing "/". When
// connectionCheck is not given, it is the root "/" of lyricDownload, or of
// lrclib while lyricDownload is a placeholder.
// A file that exists but cannot be read gives the defaults and, when log is
// given, is logged under "LoadServerConfig".
ServerConfig LoadServerConfig(const QString& settingsIniPath, const ErrorLog* log = nullptr);

// The accepted form of a configured base URL (trimmed, no trailing "/"), or
// an empty string when value is not usable as one.
QString NormalizeServerBase(const QString& value);
// The accepted form of a configured full URL (trimmed), or an empty string.
QString NormalizeServerUrl(const QString& value);

// True for the built-in placeholder hosts (under ".invalid"), which never answer.
bool IsPlaceholderServer(const QString& base);

}  // namespace lyrovo
