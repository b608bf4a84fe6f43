#pragma once

#include <QString>

namespace lyrovo {

// Holds an exclusive lock on a file for as long as the object lives. The
// kernel drops the lock when the process ends, however it ends, so a crash
// never leaves a stale lock behind.
class InstanceLock {
 public:
  InstanceLock() = default;
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  enum class Result { Acquired, HeldElsewhere, Unavailable };
  // Unavailable: the lock file could not be opened (the single-instance test is skipped).
  Result acquire(const QString& lockFile);

 private:
  int fd_ = -1;
};

}  // namespace lyrovo
