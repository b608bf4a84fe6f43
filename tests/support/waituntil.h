#pragma once

#include <QCoreApplication>
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

// Waits for condition while the event loop runs (queued signals, timers,
// workers posting results), up to timeoutMs; true when it came.
inline bool pumpUntil(const std::function<bool()>& condition, int timeoutMs = 60000) {
  QDeadlineTimer deadline(timeoutMs);
  while (!condition()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QThread::msleep(1);
  }
  return true;
}

}  // namespace lyrovo::testing
