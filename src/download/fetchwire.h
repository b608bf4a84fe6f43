#pragma once

// How the player and its fetch helper (lyrovo-fetch) talk. The player starts
// the helper with
//   lyrovo-fetch URL CONNECT_MS TOTAL_MS MAX_BYTES MAX_REDIRECTS MODE [USER_AGENT]
// (URL already percent-encoded, MODE a FetchMode number) and reads from its
// standard output, in FetchMode::BodyWithProgress only, any number of
// FetchWireProgress records, then one FetchWireHeader, then, when the status
// is Ok, the body. Plain C++ only: the helper links neither Qt nor the
// player's libraries.

#include <cstdint>

namespace lyrovo {

enum class FetchStatus : std::uint32_t {
  Ok,
  UnsupportedUrl,    // not http or https (also a redirect to another scheme)
  NetworkError,      // name look-up, connection refused, reset, TLS…
  TimedOut,          // connect or total timeout
  HttpError,         // the final answer has status 400 or above (or a 3xx that was not followed)
  TooLarge,          // body (announced or received) or headers over the cap
  TooManyRedirects,  // more redirects than the cap
};
inline constexpr std::uint32_t kLastFetchStatus = std::uint32_t(FetchStatus::TooManyRedirects);

struct FetchWireHeader {
  char magic[4];            // kFetchWireMagic
  std::uint32_t status;     // a FetchStatus
  std::int64_t httpStatus;  // status of the last answer, 0 when none came
};
inline constexpr char kFetchWireMagic[4] = {'L', 'Y', 'F', '1'};

enum class FetchMode : std::uint32_t {
  Body,              // the body, read whole
  HeadersOnly,       // stop at the first body byte: only "did the server answer" counts
  BodyWithProgress,  // the body, with a progress record after each piece of it
};
inline constexpr std::uint32_t kLastFetchMode = std::uint32_t(FetchMode::BodyWithProgress);

// Body bytes received so far, and the length the server announced (-1 when
// it announced none).
struct FetchWireProgress {
  char magic[4];  // kFetchProgressMagic
  std::uint32_t reserved;
  std::int64_t received;
  std::int64_t announced;
};
inline constexpr char kFetchProgressMagic[4] = {'L', 'Y', 'P', '1'};

}  // namespace lyrovo
