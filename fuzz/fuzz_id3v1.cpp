// The ID3v1 reader on any file ending.
#include "fuzzfile.h"

#include "engine/tags.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QString path = lyrovo::fuzz::writeInput(QStringLiteral("song.mp3"), data, size);
  lyrovo::TagFields fields;
  lyrovo::ReadID3v1(path, fields);
  return 0;
}
