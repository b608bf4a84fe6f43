// The LRCLIB reader on any bytes: one record as /api/get answers, and a
// result list as /api/search answers.
#include "download/lrclib.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray json = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
  const lyrovo::LrclibLyric record = lyrovo::ReadLrclibRecord(json);
  if (record.outcome == lyrovo::LrclibOutcome::Synced && record.text.isEmpty()) __builtin_trap();
  const lyrovo::LyricQuery query{QStringLiteral("晴天"), QStringLiteral("周杰伦"), QString(), 269};
  lyrovo::PickLrclibResult(json, query);
  return 0;
}
