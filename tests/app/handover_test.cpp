#include "app/handover.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <future>
#include <thread>

using namespace lyrovo;

namespace {

// Runs the blocking sender on another thread while this one serves events.
template <typename Send>
auto whileServing(Send send) {
  auto result = std::async(std::launch::async, send);
  QDeadlineTimer deadline(30000);
  while (result.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready && !deadline.hasExpired())
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  return result.get();
}

struct HandOverTest : ::testing::Test {
  QTemporaryDir dir;
  QString socket = dir.path() + QStringLiteral("/player.sock");
  QList<QStringList> received;
  HandOverServer server{socket, [](const QStringList& paths) { return int(paths.size()) - 1; }};

  void SetUp() override {
    QObject::connect(&server, &HandOverServer::pathsReceived,
                     [this](const QStringList& paths) { received << paths; });
  }
};

}  // namespace

TEST_F(HandOverTest, PathsArriveAndTheAnswerCountsWhatWasTaken) {
  // A socket file left behind by a crashed player is replaced.
  {
    QFile stale(socket);
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
  }
  ASSERT_TRUE(server.listen());
  EXPECT_EQ(QFile::permissions(socket) & (QFile::ReadOther | QFile::WriteOther | QFile::ReadGroup), 0);

  const QStringList paths = {QStringLiteral("/music/一 首.mp3"), QStringLiteral("/music/b.flac"),
                             QStringLiteral("relative.mp3")};
  EXPECT_EQ(whileServing([&] { return HandOverPaths(socket, paths, 10000); }), 1);
  ASSERT_EQ(received.size(), 1);
  // Only absolute paths are taken from a message.
  EXPECT_EQ(received[0], QStringList({QStringLiteral("/music/一 首.mp3"), QStringLiteral("/music/b.flac")}));

  // An empty hand-over is answered (the readiness probe) and reports nothing.
  EXPECT_EQ(whileServing([&] { return HandOverPaths(socket, {}, 10000); }), 0);
  EXPECT_EQ(received.size(), 1);
}

TEST(HandOverServerLife, TheSocketFileGoesWithTheServer) {
  QTemporaryDir dir;
  const QString socket = dir.path() + QStringLiteral("/player.sock");
  {
    HandOverServer server(socket, [](const QStringList&) { return 0; });
    ASSERT_TRUE(server.listen());
    EXPECT_TRUE(QFileInfo::exists(socket));
    // Listening again (a restart of the listener) keeps one working socket.
    ASSERT_TRUE(server.listen());
    EXPECT_EQ(whileServing([&] { return HandOverPaths(socket, {}, 10000); }), 0);
  }
  EXPECT_FALSE(QFileInfo::exists(socket));
  // A folder that cannot hold the socket is a failure, not a crash.
  HandOverServer homeless(dir.path() + QStringLiteral("/missing/player.sock"),
                          [](const QStringList&) { return 0; });
  EXPECT_FALSE(homeless.listen());
}

TEST_F(HandOverTest, NobodyListeningOrABadMessageFailsWithinTheTime) {
  EXPECT_EQ(HandOverPaths(socket, {QStringLiteral("/a.mp3")}, 300), -1);

  ASSERT_TRUE(server.listen());
  // A message longer than the limit, or one without the right start, is refused.
  const auto sendRaw = [&](const QByteArray& header, qint64 payloadSize) {
    QLocalSocket client;
    client.connectToServer(socket);
    if (!client.waitForConnected(5000)) return QByteArray("no connection");
    client.write(header);
    const QByteArray chunk(64 * 1024, 'x');
    for (qint64 sent = 0; sent < payloadSize && client.state() == QLocalSocket::ConnectedState;
         sent += chunk.size()) {
      client.write(chunk);
      client.waitForBytesWritten(5000);
    }
    client.waitForReadyRead(3000);
    return client.readAll();
  };
  QByteArray tooLong = "LYRHAND1";
  tooLong += QByteArray(4, Qt::Uninitialized);
  qToBigEndian(quint32(10 * 1024 * 1024), tooLong.data() + 8);
  EXPECT_EQ(whileServing([&] { return sendRaw(tooLong, 10 * 1024 * 1024); }), QByteArray());
  QByteArray wrong = "SOMETHIN";
  wrong += QByteArray(4, '\0');
  EXPECT_EQ(whileServing([&] { return sendRaw(wrong, 0); }), QByteArray());
  EXPECT_TRUE(received.isEmpty());

  // The server still serves afterwards.
  EXPECT_EQ(whileServing([&] {
              return HandOverPaths(socket, {QStringLiteral("/a"), QStringLiteral("/b")}, 10000);
            }),
            1);
}
