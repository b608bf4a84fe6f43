#pragma once

// Helpers for tests of the background downloads: waiting while the event
// loop runs (pumpUntil), and picture bytes for a server to hand out.

#include "support/waituntil.h"

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>

#include <functional>
#include <string>

namespace lyrovo::testing {

// A PNG picture of one colour.
inline std::string pngBytes(QColor colour, int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(colour);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes.toStdString();
}

}  // namespace lyrovo::testing
