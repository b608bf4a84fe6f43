// The lyric loader on any bytes, in both scripts.
#include "base/apperror.h"
#include "lyrics/loadword.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
  const int textChange = size > 0 && (data[0] & 1) ? 2 : 1;
  lyrovo::LyricModel model;
  try {
    lyrovo::ParseLyric(
        bytes, QStringLiteral("A - T"), textChange, [](const QString& text) { return int(text.size()) * 7; },
        240000, model);
  } catch (const lyrovo::AppError&) {  // a width or time too large: reported by LoadWord
  }
  return 0;
}
