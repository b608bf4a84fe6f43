#include "download/download.h"

#include "base/apperror.h"
#include "base/errorlog.h"
#include "download/serverconfig.h"
#include "text/encoding.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUrl>

#include <curl/curl.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>

namespace lyrovo {

namespace {

// Response headers (all answers of one transfer together) beyond this abort
// it: a server that sends headers forever must not grow memory or time.
constexpr std::int64_t kMaxHeaderBytes = 256 * 1024;

// libcurl's process-wide set-up, done once and thread-safely (a function-local
// static is initialised exactly once). It is never undone: the process keeps
// it until exit.
bool curlReady() {
  static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  return ready;
}

bool isHttpUrl(QStringView url) {
  return url.startsWith(u"http://", Qt::CaseInsensitive) || url.startsWith(u"https://", Qt::CaseInsensitive);
}

// The URL as bytes libcurl accepts: printable ASCII stays, everything else
// (blanks, controls, non-ASCII, and the characters URLs never carry raw) is
// percent-encoded from UTF-8. "%" stays, so escapes made by the caller pass.
QByteArray transferUrl(const QString& url) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  const QByteArray utf8 = url.toUtf8();
  QByteArray out;
  out.reserve(utf8.size());
  for (const char ch : utf8) {
    const auto c = static_cast<unsigned char>(ch);
    const bool unsafe = c <= 0x20 || c >= 0x7F || c == '"' || c == '<' || c == '>' || c == '\\' || c == '^' ||
                        c == '`' || c == '{' || c == '|' || c == '}';
    if (unsafe) {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 0xF];
    } else {
      out += ch;
    }
  }
  return out;
}

struct Transfer {
  QByteArray body;
  std::int64_t maxBytes = 0;
  std::int64_t headerBytes = 0;
  bool headersOnly = false;
  bool tooLarge = false;       // the write or header callback stopped the transfer over a cap
  bool stoppedAtBody = false;  // headersOnly: stopped deliberately at the first body byte
};

// Body bytes: kept up to the cap. Returning a count other than the one given
// makes libcurl abort the transfer. Nothing may throw through libcurl.
size_t onBody(char* data, size_t size, size_t count, void* user) noexcept {
  auto* transfer = static_cast<Transfer*>(user);
  const size_t bytes = size * count;
  if (transfer->headersOnly) {
    transfer->stoppedAtBody = true;
    return 0;
  }
  if (static_cast<std::int64_t>(bytes) > transfer->maxBytes - transfer->body.size()) {
    transfer->tooLarge = true;
    return 0;
  }
  try {
    transfer->body.append(data, static_cast<qsizetype>(bytes));
  } catch (...) {
    return 0;
  }
  return bytes;
}

size_t onHeader(char* /*data*/, size_t size, size_t count, void* user) noexcept {
  auto* transfer = static_cast<Transfer*>(user);
  const size_t bytes = size * count;
  transfer->headerBytes += static_cast<std::int64_t>(bytes);
  if (transfer->headerBytes > kMaxHeaderBytes) {
    transfer->tooLarge = true;
    return 0;
  }
  return bytes;
}

struct EasyDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};

long positiveOr(long value, long fallback) { return value > 0 ? value : fallback; }

FetchStatus statusOf(CURLcode code) {
  switch (code) {
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
      return FetchStatus::UnsupportedUrl;
    case CURLE_OPERATION_TIMEDOUT:
      return FetchStatus::TimedOut;
    case CURLE_TOO_MANY_REDIRECTS:
      return FetchStatus::TooManyRedirects;
    case CURLE_FILESIZE_EXCEEDED:
      return FetchStatus::TooLarge;
    case CURLE_HTTP_RETURNED_ERROR:
      return FetchStatus::HttpError;
    default:
      return FetchStatus::NetworkError;
  }
}

QString trimSpaces(const QString& text) {
  qsizetype begin = 0;
  qsizetype end = text.size();
  while (begin < end && text[begin] == u' ') ++begin;
  while (end > begin && text[end - 1] == u' ') --end;
  return text.mid(begin, end - begin);
}

// Opens path as a folder without following a symbolic link and checks that
// this user owns it; drops any group or other permission bits.
bool makePrivate(const QByteArray& path) {
  const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info {};
  bool ok = ::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid();
  if (ok && (info.st_mode & 077) != 0) ok = ::fchmod(fd, 0700) == 0;
  ::close(fd);
  return ok;
}

// Creates folder with mode 0700 when missing, then checks it as makePrivate does.
bool ensurePrivateFolder(const QString& folder) {
  const QByteArray path = QFile::encodeName(folder);
  if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST) return false;
  return makePrivate(path);
}

// A runtime folder is usable when it is an existing folder of this user that
// nobody else can write into (it may be reached through a symbolic link).
bool usableRuntimeDir(const QString& folder) {
  if (!QDir::isAbsolutePath(folder)) return false;
  struct stat info {};
  const QByteArray path = QFile::encodeName(folder);
  return ::stat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() &&
         (info.st_mode & 022) == 0 && ::access(path.constData(), W_OK | X_OK) == 0;
}

QString fileIn(const QString& folder) { return folder + u'/' + kTempLyricFileName.toString(); }

}  // namespace

FetchResult FetchUrl(const QString& url, const DownloadLimits& limits, bool headersOnly) {
  FetchResult result;
  const QString target = url.trimmed();
  if (!isHttpUrl(target)) {
    result.status = FetchStatus::UnsupportedUrl;
    return result;
  }
  if (!curlReady()) return result;
  std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
  if (!easy) return result;
  CURL* handle = easy.get();

  const DownloadLimits defaults;
  Transfer transfer;
  transfer.maxBytes = limits.maxBytes > 0 ? limits.maxBytes : defaults.maxBytes;
  transfer.headersOnly = headersOnly;
  const QByteArray address = transferUrl(target);
  char errorText[CURL_ERROR_SIZE] = {};

  curl_easy_setopt(handle, CURLOPT_URL, address.constData());
  curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(handle, CURLOPT_MAXREDIRS, static_cast<long>(std::max(limits.maxRedirects, 0)));
  curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS,
                   positiveOr(limits.connectTimeoutMs, defaults.connectTimeoutMs));
  curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, positiveOr(limits.totalTimeoutMs, defaults.totalTimeoutMs));
  // An announced body over the cap fails at once; a head-only fetch reads no body.
  if (!headersOnly)
    curl_easy_setopt(handle, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(transfer.maxBytes));
  curl_easy_setopt(handle, CURLOPT_FAILONERROR, 1L);
  // Signals would be unsafe in a multi-threaded program; the threaded
  // resolver keeps name look-ups within the timeouts without them.
  curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &onBody);
  curl_easy_setopt(handle, CURLOPT_WRITEDATA, &transfer);
  curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, &onHeader);
  curl_easy_setopt(handle, CURLOPT_HEADERDATA, &transfer);
  curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, errorText);
  if (limits.userAgent) curl_easy_setopt(handle, CURLOPT_USERAGENT, limits.userAgent);

  const CURLcode code = curl_easy_perform(handle);
  curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &result.httpStatus);

  if (transfer.tooLarge) {
    result.status = FetchStatus::TooLarge;
  } else if (code == CURLE_OK || (headersOnly && transfer.stoppedAtBody && code == CURLE_WRITE_ERROR)) {
    // A final 3xx means a redirect that could not be followed (no target):
    // its body is not the resource asked for. A headers-only fetch only asks
    // whether the server answered.
    const bool answered = headersOnly ? result.httpStatus > 0 && result.httpStatus < 400
                                      : result.httpStatus >= 200 && result.httpStatus < 300;
    result.status = answered ? FetchStatus::Ok : FetchStatus::HttpError;
  } else {
    result.status = statusOf(code);
  }
  if (result.ok()) result.body = std::move(transfer.body);
  return result;
}

QString DownloadedText(const QByteArray& body) { return trimSpaces(decodeText(body)); }

QString DownFile(const QString& url, const QString& tempFile, const DownloadLimits& limits,
                 const ErrorLog* log) {
  const auto fail = [&](const AppError& error) {
    if (log) log->log(QStringLiteral("DownFile"), error);
    return QString();
  };
  if (tempFile.isEmpty()) return fail(errors::pathAccess(tempFile));

  const FetchResult fetched = FetchUrl(url, limits);
  if (!fetched.ok()) return {};

  // Written beside the old file and renamed over it, so a reader of the temp
  // file sees the old download or the new one, never a mixture.
  QSaveFile file(tempFile);
  if (!file.open(QIODevice::WriteOnly) || file.write(fetched.body) != fetched.body.size() || !file.commit()) {
    return fail(errors::pathAccess(tempFile));
  }
  return DownloadedText(fetched.body);
}

bool ConnectionCheckIsImmediate(const ServerConfig& servers) {
  return QUrl(servers.connectionCheck).host().endsWith(QLatin1String(".invalid"));
}

bool CheckConnection(const ServerConfig& servers, const DownloadLimits& limits) {
  // No waiting on the resolver at every start for the unconfigured default.
  if (ConnectionCheckIsImmediate(servers)) return false;
  return FetchUrl(servers.connectionCheck, limits, /*headersOnly=*/true).ok();
}

QString ConnectionStatusText(bool online) {
  return QStringLiteral("Lyrovo - ") + (online ? QStringLiteral("已联网") : QStringLiteral("未联网")) + u'!';
}

QString TempLyricFileIn(const QString& runtimeDir, const QString& tempDir, const QString& cacheDir) {
  if (!runtimeDir.isEmpty() && usableRuntimeDir(runtimeDir)) {
    const QString folder = QDir::cleanPath(runtimeDir) + QStringLiteral("/lyrovo");
    if (ensurePrivateFolder(folder)) return fileIn(folder);
  }
  if (!tempDir.isEmpty() && QDir::isAbsolutePath(tempDir)) {
    const QString folder =
        QDir::cleanPath(tempDir) + QStringLiteral("/lyrovo-") + QString::number(::geteuid());
    if (ensurePrivateFolder(folder)) return fileIn(folder);
  }
  if (!cacheDir.isEmpty() && QDir::isAbsolutePath(cacheDir) && QDir().mkpath(cacheDir)) {
    const QString folder = QDir::cleanPath(cacheDir) + QStringLiteral("/lyrovo");
    if (ensurePrivateFolder(folder)) return fileIn(folder);
  }
  return {};
}

QString TempLyricFile() {
  return TempLyricFileIn(qEnvironmentVariable("XDG_RUNTIME_DIR"), QDir::tempPath(),
                         QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation));
}

}  // namespace lyrovo
