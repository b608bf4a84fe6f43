#include "download/httpserver.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace lyrovo::testing {

namespace {

constexpr std::int64_t kStreamLimit = std::int64_t{1} << 30;  // 1 GiB
constexpr int kMaxConnections = 500;
constexpr int kPollMs = 50;

std::string answer(const std::string& status, const std::string& body, const std::string& headers = {}) {
  return "HTTP/1.1 " + status + "\r\nContent-Length: " + std::to_string(body.size()) +
         "\r\nConnection: close\r\n" + headers + "\r\n" + body;
}

std::string redirect(const std::string& location) {
  return answer("302 Found", "moved", "Location: " + location + "\r\n");
}

int bindLoopback(std::uint16_t* port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) throw std::runtime_error("socket");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    ::close(fd);
    throw std::runtime_error("bind");
  }
  *port = ntohs(address.sin_port);
  return fd;
}

}  // namespace

std::uint16_t closedPort() {
  std::uint16_t port = 0;
  ::close(bindLoopback(&port));
  return port;
}

TestHttpServer::TestHttpServer() {
  listener_ = bindLoopback(&port_);
  if (::listen(listener_, 16) != 0) throw std::runtime_error("listen");
  acceptor_ = std::thread([this] { acceptLoop(); });
}

TestHttpServer::~TestHttpServer() {
  stop_ = true;
  acceptor_.join();
  for (std::thread& handler : handlers_) handler.join();
  ::close(listener_);
}

QString TestHttpServer::url(const char* path) const {
  return QStringLiteral("http://127.0.0.1:%1%2").arg(port_).arg(QString::fromUtf8(path));
}

void TestHttpServer::setPage(const std::string& target, const std::string& status, const std::string& body,
                             const std::string& headers) {
  setRaw(target, answer(status, body, headers));
}

void TestHttpServer::setRaw(const std::string& target, const std::string& bytes) {
  const std::lock_guard lock(mutex_);
  pages_[target] = bytes;
}

void TestHttpServer::setDelay(const std::string& target, std::chrono::milliseconds delay) {
  const std::lock_guard lock(mutex_);
  delays_[target] = delay;
}

int TestHttpServer::requests(const std::string& target) const {
  const std::lock_guard lock(mutex_);
  const auto found = counts_.find(target);
  return found == counts_.end() ? 0 : found->second;
}

int TestHttpServer::totalRequests() const {
  const std::lock_guard lock(mutex_);
  int total = 0;
  for (const auto& [target, count] : counts_) total += count;
  return total;
}

std::string TestHttpServer::lastTarget() const {
  const std::lock_guard lock(mutex_);
  return lastTarget_;
}

std::string TestHttpServer::lastRequest() const {
  const std::lock_guard lock(mutex_);
  return lastRequest_;
}

bool TestHttpServer::waitIdle(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return idle_.wait_for(lock, timeout, [this] { return active_ == 0; });
}

void TestHttpServer::acceptLoop() {
  int accepted = 0;
  while (!stop_ && accepted < kMaxConnections) {
    pollfd waiting{listener_, POLLIN, 0};
    if (::poll(&waiting, 1, kPollMs) <= 0) continue;
    const int socket = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (socket < 0) continue;
    ++accepted;
    const std::lock_guard lock(mutex_);
    handlers_.emplace_back([this, socket] {
      bool requested = false;
      serve(socket, requested);
      ::close(socket);
      const std::lock_guard done(mutex_);
      if (requested && --active_ == 0) idle_.notify_all();
    });
  }
}

bool TestHttpServer::sendAll(int socket, const std::string& data) {
  std::size_t sent = 0;
  while (sent < data.size()) {
    if (stop_) return false;
    const ssize_t n = ::send(socket, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
    if (n > 0) {
      sent += static_cast<std::size_t>(n);
    } else if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
      return false;  // the client went away
    }
  }
  return true;
}

bool TestHttpServer::waitPeerGone(int socket, std::chrono::milliseconds wait) {
  pollfd waiting{socket, POLLIN, 0};
  if (::poll(&waiting, 1, static_cast<int>(wait.count())) <= 0) return false;
  char byte;
  return ::recv(socket, &byte, 1, MSG_PEEK | MSG_DONTWAIT) <= 0;
}

void TestHttpServer::serve(int socket, bool& requested) {
  const timeval tick{0, kPollMs * 1000};
  ::setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, &tick, sizeof tick);
  ::setsockopt(socket, SOL_SOCKET, SO_SNDTIMEO, &tick, sizeof tick);

  std::string request;
  while (request.find("\r\n\r\n") == std::string::npos) {
    if (stop_ || request.size() > 65536) return;
    char buffer[4096];
    const ssize_t n = ::recv(socket, buffer, sizeof buffer, 0);
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) return;
    if (n > 0 && !requested) {
      const std::lock_guard lock(mutex_);
      ++active_;
      requested = true;
    }
    if (n > 0) request.append(buffer, static_cast<std::size_t>(n));
  }
  const std::size_t start = request.find(' ') + 1;
  const std::string target = request.substr(start, request.find(' ', start) - start);
  std::string page;
  bool hasPage = false;
  std::chrono::milliseconds delay{0};
  {
    const std::lock_guard lock(mutex_);
    ++counts_[target];
    lastTarget_ = target;
    lastRequest_ = request.substr(0, request.find("\r\n\r\n") + 2);
    const auto found = pages_.find(target);
    hasPage = found != pages_.end();
    if (hasPage) page = found->second;
    if (const auto wait = delays_.find(target); wait != delays_.end()) delay = wait->second;
  }
  const auto until = std::chrono::steady_clock::now() + delay;
  while (!stop_ && std::chrono::steady_clock::now() < until) {
    if (waitPeerGone(socket, std::chrono::milliseconds(kPollMs))) return;
  }

  const auto stream = [&](const std::string& head, const std::string& chunk) {
    if (!sendAll(socket, head)) return;
    for (std::int64_t sent = 0; sent < kStreamLimit; sent += static_cast<std::int64_t>(chunk.size())) {
      if (!sendAll(socket, chunk)) return;
      streamed_ += static_cast<std::int64_t>(chunk.size());
    }
  };
  const std::string block(64 * 1024, 'z');

  if (hasPage) {
    sendAll(socket, page);
  } else if (target == "/") {
    sendAll(socket, answer("200 OK", "ok"));
  } else if (target == "/lrc") {
    sendAll(socket, answer("200 OK", kLyricFile, "Content-Type: text/plain; charset=utf-8\r\n"));
  } else if (target == "/utf8") {
    sendAll(socket, answer("200 OK", kUtf8Page, "Content-Type: text/plain; charset=utf-8\r\n"));
  } else if (target == "/gbk") {
    sendAll(socket, answer("200 OK", kGbkPage, "Content-Type: text/plain\r\n"));
  } else if (target.rfind("/bytes/", 0) == 0) {
    sendAll(socket, answer("200 OK", std::string(std::stoul(target.substr(7)), 'x')));
  } else if (target.rfind("/nolength/", 0) == 0) {
    sendAll(socket,
            "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + std::string(std::stoul(target.substr(10)), 'x'));
  } else if (target == "/empty") {
    sendAll(socket, answer("200 OK", ""));
  } else if (target.rfind("/echo", 0) == 0) {
    sendAll(socket, answer("200 OK", target));
  } else if (target == "/notfound") {
    sendAll(socket, answer("404 Not Found", "no such page"));
  } else if (target == "/moved-nowhere") {
    sendAll(socket, answer("302 Found", "moved"));
  } else if (target == "/redirect") {
    sendAll(socket, redirect("http://127.0.0.1:" + std::to_string(port_) + "/utf8"));
  } else if (target.rfind("/chain/", 0) == 0) {
    const int left = std::stoi(target.substr(7));
    sendAll(socket,
            left > 0 ? redirect("/chain/" + std::to_string(left - 1)) : answer("200 OK", "end of chain"));
  } else if (target == "/loop") {
    sendAll(socket, redirect("/loop"));
  } else if (target == "/to-file") {
    sendAll(socket, redirect("file:///etc/passwd"));
  } else if (target == "/slow") {
    if (!sendAll(socket, "HTTP/1.1 200 OK\r\nContent-Length: 100000\r\nConnection: close\r\n\r\n")) return;
    for (int i = 0; i < 100000 && !stop_; ++i) {
      if (waitPeerGone(socket, std::chrono::milliseconds(100)) || !sendAll(socket, "x")) return;
    }
  } else if (target == "/silent") {
    while (!stop_ && !waitPeerGone(socket, std::chrono::milliseconds(kPollMs))) {
    }
  } else if (target == "/huge") {
    stream("HTTP/1.1 200 OK\r\nContent-Length: 1073741824\r\nConnection: close\r\n\r\n", block);
  } else if (target == "/endless") {
    stream("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n", block);
  } else if (target == "/header-flood") {
    stream("HTTP/1.1 200 OK\r\n", "X-Pad: " + std::string(1000, 'a') + "\r\n");
  } else {
    sendAll(socket, answer("404 Not Found", "unknown route"));
  }
}

}  // namespace lyrovo::testing
