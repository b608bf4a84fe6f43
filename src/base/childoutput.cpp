#include "base/childoutput.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

namespace lyrovo {

ChildOutput CollectChildOutput(pid_t child, int readEnd, std::int64_t maxBytes, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  const auto remainingMs = [&] {
    return int(std::max<std::int64_t>(
        0, std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())
               .count()));
  };
  ChildOutput output;
  bool closed = false;
  for (;;) {
    pollfd readable{readEnd, POLLIN, 0};
    const int ready = ::poll(&readable, 1, remainingMs());
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) {
      output.late = true;
      break;
    }
    char chunk[64 * 1024];
    const ssize_t got = ::read(readEnd, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      closed = got == 0;
      break;
    }
    if (got > maxBytes - std::int64_t(output.bytes.size())) {
      output.tooLarge = true;
      break;
    }
    output.bytes.append(chunk, std::size_t(got));
  }
  ::close(readEnd);

  int status = 0;
  for (;;) {
    const pid_t done = closed ? ::waitpid(child, &status, WNOHANG) : 0;
    if (done == child) break;
    if (done < 0 && errno == EINTR) continue;
    if (!closed || done < 0 || remainingMs() == 0) {
      if (closed) output.late = true;  // closed its output but did not exit in time
      ::kill(child, SIGKILL);
      while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
      }
      return output;
    }
    ::usleep(1000);
  }
  output.exitedCleanly = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return output;
}

}  // namespace lyrovo
