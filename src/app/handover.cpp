#include "app/handover.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <QtEndian>

#include <sys/socket.h>
#include <unistd.h>

#include <memory>

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

bool sameUser(const QLocalSocket& socket) {
  struct ucred peer {};
  socklen_t size = sizeof peer;
  const int fd = int(socket.socketDescriptor());
  return fd >= 0 && ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == ::getuid();
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

  const QDeadlineTimer deadline(timeoutMs);
  const auto remaining = [&] { return int(std::max<qint64>(1, deadline.remainingTime())); };
  // A player still starting up does not listen yet: try again until the time is up.
  for (;;) {
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (socket.waitForConnected(remaining())) {
      socket.write(message);
      while (socket.bytesToWrite() > 0 && !deadline.hasExpired())
        if (!socket.waitForBytesWritten(remaining())) break;
      while (socket.bytesAvailable() < 4 && !deadline.hasExpired())
        if (!socket.waitForReadyRead(remaining())) break;
      if (socket.bytesAvailable() < 4) return -1;
      return int(qFromBigEndian<quint32>(socket.read(4).constData()));
    }
    if (deadline.hasExpired()) return -1;
    QThread::msleep(50);
  }
}

HandOverServer::HandOverServer(QString socketPath, std::function<int(const QStringList&)> accepted,
                               QObject* parent)
    : QObject(parent), socketPath_(std::move(socketPath)), accepted_(std::move(accepted)) {}

HandOverServer::~HandOverServer() {
  if (server_) server_->close();
}

bool HandOverServer::listen() {
  if (!server_) {
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, &HandOverServer::accept);
  }
  QLocalServer::removeServer(socketPath_);
  return server_->listen(socketPath_);
}

void HandOverServer::accept() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    if (!sameUser(*socket)) {
      socket->abort();
      continue;
    }
    QTimer::singleShot(kPeerTimeoutMs, socket, [socket] { socket->abort(); });
    auto buffer = std::make_shared<QByteArray>();
    const auto read = [this, socket, buffer] {
      *buffer += socket->readAll();
      if (buffer->size() < kHeaderSize) return;
      const qint64 length = qFromBigEndian<quint32>(buffer->constData() + kMagicSize);
      if (!buffer->startsWith(QByteArray(kMagic, kMagicSize)) || length > kMaxHandOverPayload) {
        socket->abort();
        return;
      }
      if (buffer->size() < kHeaderSize + length) return;
      const QStringList paths = pathsOf(buffer->mid(kHeaderSize, length));
      buffer->clear();
      disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
      socket->write(bigEndian32(quint32(std::max(0, accepted_(paths)))));
      socket->disconnectFromServer();
      if (!paths.isEmpty()) emit pathsReceived(paths);
    };
    connect(socket, &QLocalSocket::readyRead, this, read);
    if (socket->bytesAvailable() > 0) read();
  }
}

}  // namespace lyrovo
