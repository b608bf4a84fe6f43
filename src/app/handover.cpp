#include "app/handover.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QFile>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <QtEndian>

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>  // chmod
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace lyrovo {

namespace {

constexpr char kMagic[] = "LYRHAND1";
constexpr qsizetype kMagicSize = sizeof kMagic - 1;
constexpr qsizetype kHeaderSize = kMagicSize + 4;
// A sender that does not finish its message within this time is dropped.
constexpr int kPeerTimeoutMs = 5000;

QByteArray bigEndian32(quint32 value) {
  QByteArray bytes(4, Qt::Uninitialized);
  qToBigEndian(value, bytes.data());
  return bytes;
}

// The paths of a payload: NUL-ended UTF-8 texts; only absolute paths on one line count.
QStringList pathsOf(const QByteArray& payload) {
  QStringList paths;
  for (const QByteArray& part : payload.split('\0')) {
    const QString path = QString::fromUtf8(part);
    if (path.startsWith(u'/') && !path.contains(u'\n') && !path.contains(u'\r')) paths << path;
  }
  return paths;
}

bool sameUser(int fd) {
  struct ucred peer {};
  socklen_t size = sizeof peer;
  return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == ::getuid();
}

// A socket descriptor closed with its owner.
class SocketFd {
 public:
  explicit SocketFd(int fd = -1) : fd_(fd) {}
  SocketFd(const SocketFd&) = delete;
  SocketFd& operator=(const SocketFd&) = delete;
  ~SocketFd() { reset(); }
  int get() const { return fd_; }
  int release() { return std::exchange(fd_, -1); }
  void reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

 private:
  int fd_;
};

// A non-blocking stream socket, closed on exec.
int streamSocket() { return ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0); }

// False when the path does not fit a socket address.
bool socketAddress(const QString& path, sockaddr_un& address) {
  const QByteArray bytes = QFile::encodeName(path);
  address = {};
  address.sun_family = AF_UNIX;
  if (bytes.isEmpty() || std::size_t(bytes.size()) >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, bytes.constData(), std::size_t(bytes.size()));
  return true;
}

// Waits until fd is ready for events; false when the deadline passed first.
bool waitFor(int fd, short events, const QDeadlineTimer& deadline) {
  for (;;) {
    pollfd ready{fd, events, 0};
    const int count = ::poll(&ready, 1, int(std::max<qint64>(0, deadline.remainingTime())));
    if (count > 0) return true;
    if (count == 0 || errno != EINTR) return false;
  }
}

// Sends the whole message; false when the peer went away or the time ran out.
bool sendAll(int fd, const QByteArray& message, const QDeadlineTimer& deadline) {
  qsizetype sent = 0;
  while (sent < message.size()) {
    const ssize_t written =
        ::send(fd, message.constData() + sent, std::size_t(message.size() - sent), MSG_NOSIGNAL);
    if (written > 0) {
      sent += written;
    } else if (written < 0 && errno == EINTR) {
      continue;
    } else if (written < 0 && errno == EAGAIN && waitFor(fd, POLLOUT, deadline)) {
      continue;
    } else {
      return false;
    }
  }
  return true;
}

// Reads exactly size bytes; false when the peer closed first or the time ran out.
bool receiveAll(int fd, char* into, std::size_t size, const QDeadlineTimer& deadline) {
  std::size_t got = 0;
  while (got < size) {
    const ssize_t count = ::recv(fd, into + got, size - got, 0);
    if (count > 0) {
      got += std::size_t(count);
    } else if (count < 0 && errno == EINTR) {
      continue;
    } else if (count < 0 && errno == EAGAIN && waitFor(fd, POLLIN, deadline)) {
      continue;
    } else {
      return false;
    }
  }
  return true;
}

}  // namespace

QString HandOverSocketName(const QString& appPath) {
  const QByteArray hash = QCryptographicHash::hash(appPath.toUtf8(), QCryptographicHash::Sha256).toHex();
  return QStringLiteral("lyrovo-") + QString::fromLatin1(hash.left(16)) + QStringLiteral(".sock");
}

QString HandOverSocketPath(const QString& appPath) {
  QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (!folder.startsWith(u'/')) folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  return folder + u'/' + HandOverSocketName(appPath);
}

int HandOverPaths(const QString& socketPath, const QStringList& paths, int timeoutMs) {
  QByteArray payload;
  for (const QString& path : paths) {
    const QByteArray bytes = path.toUtf8() + '\0';
    if (payload.size() + bytes.size() > kMaxHandOverPayload) break;  // the rest would not be read
    payload += bytes;
  }
  const QByteArray message = QByteArray(kMagic, kMagicSize) + bigEndian32(quint32(payload.size())) + payload;

  sockaddr_un address;
  if (!socketAddress(socketPath, address)) return -1;
  const QDeadlineTimer deadline(timeoutMs);
  // A player still starting up does not listen yet: try again until the time is up.
  for (;;) {
    SocketFd socket(streamSocket());
    if (socket.get() < 0) return -1;
    if (::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
      char answer[4];
      if (!sendAll(socket.get(), message, deadline) ||
          !receiveAll(socket.get(), answer, sizeof answer, deadline))
        return -1;
      return int(qFromBigEndian<quint32>(answer));
    }
    if (deadline.hasExpired()) return -1;
    QThread::msleep(50);
  }
}

// One accepted connection: its message is read as it comes, without ever
// blocking, then answered; the connection ends after the answer, after a
// malformed or oversized message, or when the peer stays silent too long.
class HandOverServer::Peer : public QObject {
 public:
  Peer(int fd, HandOverServer& server)
      : QObject(&server), fd_(fd), server_(server), notifier_(fd, QSocketNotifier::Read) {
    connect(&notifier_, &QSocketNotifier::activated, this, [this] { read(); });
    QTimer::singleShot(kPeerTimeoutMs, this, [this] { end(); });
  }

 private:
  void read() {
    char chunk[4096];
    for (;;) {
      const ssize_t count = ::recv(fd_.get(), chunk, sizeof chunk, 0);
      if (count < 0 && errno == EINTR) continue;
      if (count < 0 && errno == EAGAIN) return;  // the rest comes later
      if (count <= 0) {
        end();  // closed before the message was whole
        return;
      }
      buffer_.append(chunk, count);
      if (buffer_.size() < kHeaderSize) continue;
      const qint64 length = qFromBigEndian<quint32>(buffer_.constData() + kMagicSize);
      if (!buffer_.startsWith(QByteArray(kMagic, kMagicSize)) || length > kMaxHandOverPayload) {
        end();
        return;
      }
      if (buffer_.size() >= kHeaderSize + length) {
        answer(pathsOf(buffer_.mid(kHeaderSize, length)));
        return;
      }
    }
  }

  void answer(const QStringList& paths) {
    // Four bytes always fit the empty send buffer of a new connection.
    const QByteArray taken = bigEndian32(quint32(std::max(0, server_.accepted_(paths))));
    ::send(fd_.get(), taken.constData(), std::size_t(taken.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
    end();
    if (!paths.isEmpty()) emit server_.pathsReceived(paths);
  }

  void end() {
    notifier_.setEnabled(false);
    ::shutdown(fd_.get(), SHUT_RDWR);
    deleteLater();
  }

  SocketFd fd_;
  HandOverServer& server_;
  QSocketNotifier notifier_;
  QByteArray buffer_;
};

HandOverServer::HandOverServer(QString socketPath, std::function<int(const QStringList&)> accepted,
                               QObject* parent)
    : QObject(parent), socketPath_(std::move(socketPath)), accepted_(std::move(accepted)) {}

HandOverServer::~HandOverServer() { stop(); }

void HandOverServer::stop() {
  if (!notifier_) return;
  delete std::exchange(notifier_, nullptr);
  ::close(std::exchange(listenFd_, -1));
  ::unlink(QFile::encodeName(socketPath_).constData());
}

bool HandOverServer::listen() {
  stop();
  sockaddr_un address;
  if (!socketAddress(socketPath_, address)) return false;
  ::unlink(address.sun_path);
  SocketFd socket(streamSocket());
  if (socket.get() < 0 ||
      ::bind(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
    return false;
  // Owner-only; a peer of another user that connects meanwhile is refused on accept.
  if (::chmod(address.sun_path, 0600) != 0 || ::listen(socket.get(), 16) != 0) {
    ::unlink(address.sun_path);
    return false;
  }
  listenFd_ = socket.release();
  notifier_ = new QSocketNotifier(listenFd_, QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &HandOverServer::accept);
  return true;
}

void HandOverServer::accept() {
  for (;;) {
    const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0 && errno == EINTR) continue;
    if (fd < 0) return;
    if (!sameUser(fd)) {
      ::close(fd);
      continue;
    }
    new Peer(fd, *this);
  }
}

}  // namespace lyrovo
