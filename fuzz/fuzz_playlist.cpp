// "Playlist.dat" on any bytes, with and without its first line's index.
#include "fuzzfile.h"

#include "base/apperror.h"
#include "playlist/playlistfile.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  lyrovo::fuzz::writeInput(QStringLiteral("Playlist.dat"), data, size);
  for (bool continueLastPlay : {true, false}) {
    lyrovo::Playlist list;
    std::int16_t current = 0;
    try {
      lyrovo::LoadPlaylist(list, current, continueLastPlay, lyrovo::fuzz::folder());
    } catch (const lyrovo::AppError&) {
    }
  }
  return 0;
}
