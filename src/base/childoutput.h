#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

namespace lyrovo {

// What a child process wrote to a pipe, and how it ended.
struct ChildOutput {
  std::string bytes;
  bool late = false;           // the deadline passed first: the child was killed
  bool tooLarge = false;       // it wrote more than allowed: the child was killed
  bool exitedCleanly = false;  // it closed its output and exited with status 0 in time
};

// Reads readEnd until the child closes it, more than maxBytes arrive or
// timeoutMs pass, waits for the child to exit within the same deadline,
// kills it when it is late or wrote too much, and reaps it. Closes readEnd.
// Output is read as it comes, so a long one never blocks the child.
ChildOutput CollectChildOutput(pid_t child, int readEnd, std::int64_t maxBytes, int timeoutMs);

}  // namespace lyrovo
