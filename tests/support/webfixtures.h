#pragma once

// Helpers for tests of the background downloads: waiting while the event
// loop runs, and picture bytes for a server to hand out.

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QImage>
#include <QThread>

#include <functional>
#include <string>

namespace lyrovo::testing {

// Runs the event loop until condition holds, up to timeoutMs; true when it came.
inline bool pumpUntil(const std::function<bool()>& condition, int timeoutMs = 30000) {
  QDeadlineTimer deadline(timeoutMs);
  while (!condition()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QThread::msleep(1);
  }
  return true;
}

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
