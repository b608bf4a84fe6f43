#include "app/signalbridge.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <pthread.h>
#include <sys/socket.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>

namespace lyrovo {

namespace {
// The handler can reach nothing but these: the socket pair that carries a
// signal from the handler to the event loop. Only one exists per process.
int signalWriteFd = -1;
int signalReadFd = -1;

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP, SIGQUIT};

void onSignal(int) {
  const int savedErrno = errno;
  const char byte = 1;
  // A full socket already holds a pending request; the byte is not needed.
  [[maybe_unused]] const auto written = ::write(signalWriteFd, &byte, 1);
  errno = savedErrno;
}
}  // namespace

void SignalBridge::arm() {
  if (signalWriteFd >= 0) return;
  int fds[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, fds) != 0) return;
  signalWriteFd = fds[0];
  signalReadFd = fds[1];
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigset_t handled;
  sigemptyset(&handled);
  for (int signal : kSignals) {
    ::sigaction(signal, &action, nullptr);
    sigaddset(&handled, signal);
  }
  ::pthread_sigmask(SIG_UNBLOCK, &handled, nullptr);
}

SignalBridge::SignalBridge(QObject* parent) : QObject(parent) {
  arm();
  if (signalReadFd < 0) return;
  notifier_ = new QSocketNotifier(signalReadFd, QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [] {
    char buffer[64];
    while (::read(signalReadFd, buffer, sizeof buffer) > 0) {
    }
  });
  connect(notifier_, &QSocketNotifier::activated, this, &SignalBridge::terminationRequested);
}

SignalBridge::~SignalBridge() {
  for (int signal : kSignals) ::signal(signal, SIG_DFL);
  if (signalWriteFd >= 0) {
    ::close(signalReadFd);
    ::close(signalWriteFd);
    signalWriteFd = signalReadFd = -1;
  }
}

}  // namespace lyrovo
