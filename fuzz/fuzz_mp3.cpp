// The decoder's header and length code on any MP3: open, read, seek, read on.
#include "fuzzfile.h"

#include "engine/decoder.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QString path = lyrovo::fuzz::writeInput(QStringLiteral("song.mp3"), data, size);
  auto decoder = lyrovo::openCoreDecoder(path);
  if (!decoder) return 0;
  std::vector<std::int16_t> buffer(1152 * 2 * std::size_t(decoder->format().channels));
  for (int i = 0; i < 64 && decoder->read(buffer.data(), 1152 * 2) > 0; ++i) {
  }
  decoder->seek(decoder->lengthFrames() / 2);
  decoder->read(buffer.data(), 1152);
  return 0;
}
