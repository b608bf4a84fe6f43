#include "download/fetchprocess.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstring>

namespace lyrovo {

namespace {

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

}  // namespace

QString FetchHelperPath() {
  static const QString helper = [] {
    const QString exeDir = QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).absolutePath();
    for (const QString& candidate :
         {exeDir + QStringLiteral("/lyrovo-fetch"), exeDir + QStringLiteral("/../lib/lyrovo/lyrovo-fetch")}) {
      const QFileInfo info(candidate);
      if (info.isFile() && info.isExecutable()) return info.absoluteFilePath();
    }
    return QString();
  }();
  return helper;
}

DownloadLimits EffectiveLimits(const DownloadLimits& given) {
  const DownloadLimits defaults;
  DownloadLimits limits = given;
  if (limits.connectTimeoutMs <= 0) limits.connectTimeoutMs = defaults.connectTimeoutMs;
  if (limits.totalTimeoutMs <= 0) limits.totalTimeoutMs = defaults.totalTimeoutMs;
  if (limits.maxBytes <= 0) limits.maxBytes = defaults.maxBytes;
  limits.maxRedirects = std::max(0, limits.maxRedirects);
  return limits;
}

std::vector<QByteArray> FetchHelperCommand(const QString& helperPath, const QString& url,
                                           const DownloadLimits& given, FetchMode mode) {
  const DownloadLimits limits = EffectiveLimits(given);
  std::vector<QByteArray> command{QFile::encodeName(helperPath),
                                  transferUrl(url),
                                  QByteArray::number(limits.connectTimeoutMs),
                                  QByteArray::number(limits.totalTimeoutMs),
                                  QByteArray::number(limits.maxBytes),
                                  QByteArray::number(limits.maxRedirects),
                                  QByteArray::number(std::uint32_t(mode))};
  if (limits.userAgent) command.emplace_back(limits.userAgent);
  return command;
}

FetchAnswerReader::FetchAnswerReader(std::int64_t maxBody, Progress progress)
    : maxBody_(maxBody), progress_(std::move(progress)) {}

bool FetchAnswerReader::feed(const char* data, std::size_t size) {
  if (damaged_ || tooLarge_) return false;
  if (haveHeader_) {
    if (std::int64_t(body_.size()) + std::int64_t(size) > maxBody_) {
      tooLarge_ = true;
      return false;
    }
    body_.append(data, qsizetype(size));
    return true;
  }
  pending_.append(data, size);
  std::size_t at = 0;
  while (!haveHeader_ && pending_.size() - at >= sizeof header_.magic) {
    const char* record = pending_.data() + at;
    if (std::memcmp(record, kFetchProgressMagic, sizeof kFetchProgressMagic) == 0) {
      if (pending_.size() - at < sizeof(FetchWireProgress)) break;
      FetchWireProgress progress{};
      std::memcpy(&progress, record, sizeof progress);
      at += sizeof progress;
      if (progress.received < 0 || progress.received > maxBody_ || progress.announced < -1) {
        damaged_ = true;
        return false;
      }
      if (progress_) progress_(progress.received, progress.announced);
    } else if (std::memcmp(record, kFetchWireMagic, sizeof kFetchWireMagic) == 0) {
      if (pending_.size() - at < sizeof header_) break;
      std::memcpy(&header_, record, sizeof header_);
      at += sizeof header_;
      if (header_.status > kLastFetchStatus) {
        damaged_ = true;
        return false;
      }
      haveHeader_ = true;
    } else {
      damaged_ = true;
      return false;
    }
  }
  const std::string rest = pending_.substr(at);
  pending_.clear();
  if (!haveHeader_) {
    pending_ = rest;
    return true;
  }
  return rest.empty() || feed(rest.data(), rest.size());
}

FetchResult FetchAnswerReader::result(bool exitedCleanly) const {
  FetchResult result;
  if (tooLarge_) {
    result.status = FetchStatus::TooLarge;
    return result;
  }
  if (damaged_ || !haveHeader_ || !exitedCleanly || !pending_.empty()) return result;  // NetworkError
  result.status = FetchStatus(header_.status);
  result.httpStatus = long(header_.httpStatus);
  if (result.ok()) result.body = body_;
  return result;
}

}  // namespace lyrovo
