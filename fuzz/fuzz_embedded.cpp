// The reader of lyrics inside songs on any bytes: the input's length picks
// the kind of file it is named as (most seeds are MP3 files with ID3v2
// tags); whatever lyric comes out is built into a model as the player would.
#include "fuzzfile.h"

#include "base/apperror.h"
#include "lyrics/embeddedlyrics.h"

#include <array>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::array<QString, 5> names{QStringLiteral("song.mp3"), QStringLiteral("song.ogg"),
                                            QStringLiteral("song.flac"), QStringLiteral("song.m4a"),
                                            QStringLiteral("song.wav")};
  const QString path = lyrovo::fuzz::writeInput(names[size % names.size()], data, size);
  const auto width = [](const QString& text) { return int(text.size()) * 7; };
  for (const lyrovo::EmbeddedLyric& lyric : lyrovo::ReadEmbeddedLyrics(path)) {
    lyrovo::LyricModel model;
    try {
      if (lyric.lines.empty())
        lyrovo::ParseLyric(lyric.text.toUtf8(), QStringLiteral("A - T"), 1, width, 240000, model);
      else
        lyrovo::ParseTimedLyric(lyric.lines, QStringLiteral("A - T"), 1, width, 240000, model);
    } catch (const lyrovo::AppError&) {  // a width or time too large: reported by the loader
    }
  }
  return 0;
}
