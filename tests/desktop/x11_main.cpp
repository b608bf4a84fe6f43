// main() for tests on a real X server: starts a private Xvfb (a display
// number of its own), runs the tests in a QApplication on it, then stops
// the server and waits for it.
#include <QApplication>

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <string>

namespace {

// Starts Xvfb and returns its process id with the display it took, or 0.
pid_t startXvfb(std::string& display) {
  int fds[2];
  if (::pipe(fds) != 0) return 0;
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    const std::string fd = std::to_string(fds[1]);
    ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
             static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(fds[1]);
  std::string number;
  pollfd wait{fds[0], POLLIN, 0};
  char c = 0;
  while (::poll(&wait, 1, 30000) == 1 && ::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
  ::close(fds[0]);
  if (pid <= 0 || number.empty()) {
    if (pid > 0) {
      ::kill(pid, SIGTERM);
      ::waitpid(pid, nullptr, 0);
    }
    return 0;
  }
  display = ':' + number;
  return pid;
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  pid_t server = 0;
  if (GTEST_FLAG_GET(list_tests)) {
    qputenv("QT_QPA_PLATFORM", "offscreen");  // listing the tests needs no display
  } else {
    std::string display;
    server = startXvfb(display);
    if (server == 0) {
      std::fprintf(stderr, "Xvfb could not be started\n");
      return 1;
    }
    qputenv("DISPLAY", display.c_str());
    qputenv("QT_QPA_PLATFORM", "xcb");
  }
  int result = 0;
  {
    QApplication app(argc, argv);
    result = RUN_ALL_TESTS();
  }
  if (server != 0) {
    ::kill(server, SIGTERM);
    ::waitpid(server, nullptr, 0);
  }
  return result;
}
