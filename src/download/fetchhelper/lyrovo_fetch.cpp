// lyrovo-fetch: one HTTP(S) GET with libcurl, answered on standard output in
// the layout of fetchwire.h. The player runs it for every blocking web
// request (the connection check, the lyric searches), so libcurl and the
// TLS, Kerberos, LDAP, SSH and RTMP libraries it brings live only as long as
// one transfer and never in the player itself.

#include "download/fetchwire.h"

#include <curl/curl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

using lyrovo::FetchStatus;

// Response headers (all answers of one transfer together) beyond this abort
// it: a server that sends headers forever must not grow memory or time.
constexpr std::int64_t kMaxHeaderBytes = 256 * 1024;

struct Transfer {
  CURL* handle = nullptr;
  std::string body;
  std::int64_t maxBytes = 0;
  std::int64_t headerBytes = 0;
  bool headersOnly = false;
  bool progress = false;       // a progress record after each piece of the body
  bool outputFailed = false;   // the reader went away
  bool tooLarge = false;       // the write or header callback stopped the transfer over a cap
  bool stoppedAtBody = false;  // headersOnly: stopped deliberately at the first body byte
};

bool writeAll(const char* data, size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(STDOUT_FILENO, data, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data += written;
    size -= static_cast<size_t>(written);
  }
  return true;
}

// Tells the reader how much of the body has come and how much was announced.
bool sendProgress(const Transfer& transfer) noexcept {
  curl_off_t announced = -1;
  if (curl_easy_getinfo(transfer.handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced) != CURLE_OK)
    announced = -1;
  lyrovo::FetchWireProgress record{};
  std::memcpy(record.magic, lyrovo::kFetchProgressMagic, sizeof record.magic);
  record.received = static_cast<std::int64_t>(transfer.body.size());
  record.announced = announced < 0 ? -1 : static_cast<std::int64_t>(announced);
  return writeAll(reinterpret_cast<const char*>(&record), sizeof record);
}

// Body bytes: kept up to the cap. Returning a count other than the one given
// makes libcurl abort the transfer. Nothing may throw through libcurl.
size_t onBody(char* data, size_t size, size_t count, void* user) noexcept {
  auto* transfer = static_cast<Transfer*>(user);
  const size_t bytes = size * count;
  if (transfer->headersOnly) {
    transfer->stoppedAtBody = true;
    return 0;
  }
  if (static_cast<std::int64_t>(bytes) >
      transfer->maxBytes - static_cast<std::int64_t>(transfer->body.size())) {
    transfer->tooLarge = true;
    return 0;
  }
  try {
    transfer->body.append(data, bytes);
  } catch (...) {
    return 0;
  }
  if (transfer->progress && !sendProgress(*transfer)) {
    transfer->outputFailed = true;
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

// A whole decimal number in [minimum, maximum], or false.
bool parseNumber(const char* text, long long minimum, long long maximum, long long& value) {
  if (!text || !*text) return false;
  errno = 0;
  char* end = nullptr;
  value = std::strtoll(text, &end, 10);
  return errno == 0 && *end == '\0' && value >= minimum && value <= maximum;
}

struct Request {
  const char* url = nullptr;
  long long connectMs = 0, totalMs = 0, maxBytes = 0, maxRedirects = 0, mode = 0;
  const char* userAgent = nullptr;
};

bool parseRequest(int argc, char** argv, Request& request) {
  constexpr long long kDay = 24LL * 3600 * 1000;
  if (argc != 7 && argc != 8) return false;
  request.url = argv[1];
  if (argc == 8) request.userAgent = argv[7];
  return parseNumber(argv[2], 1, kDay, request.connectMs) && parseNumber(argv[3], 1, kDay, request.totalMs) &&
         parseNumber(argv[4], 1, 1LL << 40, request.maxBytes) &&
         parseNumber(argv[5], 0, 1000, request.maxRedirects) &&
         parseNumber(argv[6], 0, lyrovo::kLastFetchMode, request.mode);
}

}  // namespace

int main(int argc, char** argv) {
  Request request;
  if (!parseRequest(argc, argv, request)) return 2;
  if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) return 3;
  CURL* handle = curl_easy_init();
  if (!handle) return 3;

  Transfer transfer;
  transfer.handle = handle;
  transfer.maxBytes = request.maxBytes;
  transfer.headersOnly = request.mode == static_cast<long long>(lyrovo::FetchMode::HeadersOnly);
  transfer.progress = request.mode == static_cast<long long>(lyrovo::FetchMode::BodyWithProgress);
  // Only http and https, on the first request and on every redirect: a
  // libcurl that cannot hold to that is not used.
  if (curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https") != CURLE_OK ||
      curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https") != CURLE_OK) {
    return 3;
  }
  curl_easy_setopt(handle, CURLOPT_URL, request.url);
  curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(handle, CURLOPT_MAXREDIRS, static_cast<long>(request.maxRedirects));
  curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(request.connectMs));
  curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, static_cast<long>(request.totalMs));
  // An announced body over the cap fails at once; a head-only fetch reads no body.
  if (!transfer.headersOnly)
    curl_easy_setopt(handle, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(request.maxBytes));
  curl_easy_setopt(handle, CURLOPT_FAILONERROR, 1L);
  curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &onBody);
  curl_easy_setopt(handle, CURLOPT_WRITEDATA, &transfer);
  curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, &onHeader);
  curl_easy_setopt(handle, CURLOPT_HEADERDATA, &transfer);
  if (request.userAgent) curl_easy_setopt(handle, CURLOPT_USERAGENT, request.userAgent);

  const CURLcode code = curl_easy_perform(handle);
  long httpStatus = 0;
  curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &httpStatus);
  curl_easy_cleanup(handle);
  if (transfer.outputFailed) return 4;

  FetchStatus status;
  if (transfer.tooLarge) {
    status = FetchStatus::TooLarge;
  } else if (code == CURLE_OK ||
             (transfer.headersOnly && transfer.stoppedAtBody && code == CURLE_WRITE_ERROR)) {
    // A final 3xx means a redirect that could not be followed (no target):
    // its body is not the resource asked for. A headers-only fetch only asks
    // whether the server answered.
    const bool answered =
        transfer.headersOnly ? httpStatus > 0 && httpStatus < 400 : httpStatus >= 200 && httpStatus < 300;
    status = answered ? FetchStatus::Ok : FetchStatus::HttpError;
  } else {
    status = statusOf(code);
  }

  lyrovo::FetchWireHeader header{};
  std::memcpy(header.magic, lyrovo::kFetchWireMagic, sizeof header.magic);
  header.status = static_cast<std::uint32_t>(status);
  header.httpStatus = httpStatus;
  const bool sent = writeAll(reinterpret_cast<const char*>(&header), sizeof header) &&
                    (status != FetchStatus::Ok || transfer.headersOnly ||
                     writeAll(transfer.body.data(), transfer.body.size()));
  return sent ? 0 : 4;
}
