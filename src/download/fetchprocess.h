#pragma once

#include "download/download.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace lyrovo {

// How long past its own total timeout the fetch helper may take (start-up,
// writing the answer) before it is killed.
inline constexpr int kFetchHelperGraceMs = 3000;

// The fetch helper lyrovo-fetch: beside this program (the build tree, a
// portable folder) or, installed, in ../lib/lyrovo/ from bin/. Looked up
// once; empty when it is in neither place.
QString FetchHelperPath();

// The helper's command line for one GET of url (program first). Limits that
// are not positive fall back to the defaults, as FetchUrl documents.
std::vector<QByteArray> FetchHelperCommand(const QString& helperPath, const QString& url,
                                           const DownloadLimits& limits, FetchMode mode);

// limits with the defaults in place of timeouts and a size cap that are not
// positive, and a negative redirect cap as 0.
DownloadLimits EffectiveLimits(const DownloadLimits& limits);

// Reads the helper's answer as it arrives, in any pieces: progress records,
// the header, then the body. Nothing the helper writes is trusted: an
// unknown record, an unknown status or a body over the cap ends the reading.
class FetchAnswerReader {
 public:
  using Progress = std::function<void(std::int64_t received, std::int64_t announced)>;
  explicit FetchAnswerReader(std::int64_t maxBody, Progress progress = {});

  // Takes the next bytes; false once the answer is damaged or too large
  // (the helper should then be stopped).
  bool feed(const char* data, std::size_t size);
  // The outcome once the helper has ended; exitedCleanly tells that it
  // closed its output and exited with status 0.
  FetchResult result(bool exitedCleanly) const;

 private:
  std::int64_t maxBody_;
  Progress progress_;
  std::string pending_;  // the start of a record not complete yet
  bool haveHeader_ = false;
  bool damaged_ = false;
  bool tooLarge_ = false;
  FetchWireHeader header_{};
  QByteArray body_;
};

}  // namespace lyrovo
