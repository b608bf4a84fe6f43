#pragma once

#include "download/fetchwire.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <cstdint>

namespace lyrovo {

class ErrorLog;
struct ServerConfig;

// Bounds of one blocking transfer. Non-positive timeouts or size cap fall
// back to the defaults (there is never "no limit"); a negative redirect cap
// counts as 0.
struct DownloadLimits {
  int connectTimeoutMs = 3000;              // to establish the connection (name look-up included)
  int totalTimeoutMs = 8000;                // the whole transfer, redirects included
  std::int64_t maxBytes = 4 * 1024 * 1024;  // body bytes kept; more aborts the transfer
  int maxRedirects = 5;                     // redirects followed; one more fails the transfer
  const char* userAgent = nullptr;          // User-Agent header to send; none when null
};

// Limits of the connection check, run at start-up: the lyric search of the
// first song may wait for its answer.
inline constexpr DownloadLimits kConnectionCheckLimits{1500, 2000, 64 * 1024, 5};

struct FetchResult {
  FetchStatus status = FetchStatus::NetworkError;
  long httpStatus = 0;  // status of the last answer, 0 when none came
  QByteArray body;      // the whole body when status is Ok (empty for a headers-only fetch)
  bool ok() const { return status == FetchStatus::Ok; }
};

// A blocking GET of url on the calling thread: no event loop runs
// meanwhile, so no timer or slot re-enters the caller. The transfer runs in
// the helper program lyrovo-fetch (libcurl), so the player never loads
// libcurl and the libraries it brings (about 7 MB resident). A helper that
// cannot be started, crashes or sends a damaged answer gives NetworkError;
// one that outlives the total timeout by more than a grace period is killed
// (TimedOut). Only http and https are spoken, on the first request and on
// every redirect; redirects are followed up to the cap. The request carries
// no headers of the program's own unless limits name a User-Agent. With
// headersOnly the transfer stops at the first body byte of the final answer,
// which is all that is needed to know the server answered. Characters that
// cannot travel in a URL (blanks, controls, non-ASCII) are percent-encoded as
// UTF-8; existing "%XX" escapes (a search text encoded as GBK, say) pass
// unchanged.
FetchResult FetchUrl(const QString& url, const DownloadLimits& limits = {}, bool headersOnly = false);

// FetchUrl with the helper program given instead of the installed one.
FetchResult FetchUrlWithHelper(const QString& helperPath, const QString& url,
                               const DownloadLimits& limits = {}, bool headersOnly = false);

// Downloads url into tempFile and returns the body as text (UTF-8 when it is
// valid UTF-8 or carries a byte-order mark, else GB18030) without leading
// and trailing spaces. Every failure returns an empty string: the older
// callers' failure value "0" is never produced, and callers that also treat a
// returned "0" as failure keep working. tempFile is replaced atomically (a
// temporary file in the same folder renamed over it) only when the transfer
// succeeded; a failed, refused or aborted download leaves it exactly as it
// was. Failures to write tempFile are logged under "DownFile" when log is
// given; network failures are not errors and are not logged.
QString DownFile(const QString& url, const QString& tempFile, const DownloadLimits& limits = {},
                 const ErrorLog* log = nullptr);

// Decodes a downloaded body as DownFile returns it.
QString DownloadedText(const QByteArray& body);

// True when the configured connection-check URL gives any HTTP answer with a
// status below 400 (after redirects) within the limits; false otherwise. It
// only reads the answer's head and writes no file; the caller stores the
// result (SearchState::IsOnline).
bool CheckConnection(const ServerConfig& servers, const DownloadLimits& limits = kConnectionCheckLimits);

// True when the check needs no network: a host under ".invalid" (the
// unconfigured default) never resolves, so the answer is "offline" at once.
bool ConnectionCheckIsImmediate(const ServerConfig& servers);

// Status texts the window shows around the connection check.
inline constexpr QStringView kCheckingConnectionText = u"正在检查联网...";
QString ConnectionStatusText(bool online);  // "Lyrovo - 已联网!" or "Lyrovo - 未联网!"

// Path of the private per-user download file "temp.vantor" in a folder only
// this user can write: $XDG_RUNTIME_DIR/lyrovo/ when that is usable, else
// "lyrovo-<uid>" under the system temporary folder, else "lyrovo" under the
// user's cache folder. Empty when no such folder can be had.
QString TempLyricFile();

// The same with the candidate parent folders given (empty ones are skipped):
// runtimeDir must be a folder owned by this user that nobody else can write;
// the folder made in tempDir is named after the user id. Each private folder
// is created with mode 0700, must be a real folder (not a symbolic link)
// owned by this user, and loses any group or other permission bits.
QString TempLyricFileIn(const QString& runtimeDir, const QString& tempDir, const QString& cacheDir);

inline constexpr QStringView kTempLyricFileName = u"temp.vantor";

}  // namespace lyrovo
