#include "app/signalbridge.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <csignal>

namespace lyrovo {

namespace {
// The write end of the pipe must be reachable from the signal handler; a
// handler can reach nothing else. Only one bridge exists per process.
int signalWriteFd = -1;

void onSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const auto written = ::write(signalWriteFd, &byte, 1);
}
}  // namespace

SignalBridge::SignalBridge(QObject* parent) : QObject(parent) {
  int fds[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, fds) != 0) return;
  signalWriteFd = fds[0];
  notifier_ = new QSocketNotifier(fds[1], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this, readFd = fds[1]] {
    char buffer[16];
    while (::read(readFd, buffer, sizeof buffer) > 0) {
    }
    emit terminationRequested();
  });
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGTERM, &action, nullptr);
  ::sigaction(SIGINT, &action, nullptr);
}

SignalBridge::~SignalBridge() {
  ::signal(SIGTERM, SIG_DFL);
  ::signal(SIGINT, SIG_DFL);
  if (notifier_) {
    ::close(int(notifier_->socket()));
    ::close(signalWriteFd);
    signalWriteFd = -1;
  }
}

}  // namespace lyrovo
