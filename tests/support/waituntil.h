#pragma once

#include <QDeadlineTimer>
#include <QThread>

#include <functional>

namespace lyrovo::testing {

// Waits for condition, polling, up to timeoutMs; true when it came.
inline bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 30000) {
  QDeadlineTimer deadline(timeoutMs);
  while (!condition()) {
    if (deadline.hasExpired()) return false;
    QThread::msleep(5);
  }
  return true;
}

}  // namespace lyrovo::testing
