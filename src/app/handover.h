#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QSocketNotifier;

namespace lyrovo {

// A second launch of the player hands its command-line paths to the running
// instance over a Unix stream socket in the user's runtime folder, named from
// the program folder (one player per program folder).
//
// Message: the 8 bytes "LYRHAND1", the payload's length as a 32-bit
// big-endian number, then the payload: the absolute paths in UTF-8, each
// ended by a NUL byte. Answer: the number of paths the running player took,
// as a 32-bit big-endian number.

// Largest payload a running player reads; longer messages are refused.
inline constexpr qint64 kMaxHandOverPayload = 1024 * 1024;

// The socket's file name: "lyrovo-" + a hash of appPath + ".sock".
QString HandOverSocketName(const QString& appPath);
// Its path: in $XDG_RUNTIME_DIR, or Qt's private runtime folder without it.
QString HandOverSocketPath(const QString& appPath);

// The sending side, for a second launch: hands paths to the running player
// and returns how many it took, or -1 when no player took the message within
// timeoutMs (none listening yet, or it did not answer). Blocks the caller.
int HandOverPaths(const QString& socketPath, const QStringList& paths, int timeoutMs);

// The receiving side, in the running player. Listens owner-only; refuses
// connections from other users, malformed or oversized messages and peers
// that stay silent. Reads without ever blocking the UI thread.
class HandOverServer : public QObject {
  Q_OBJECT
 public:
  // accepted tells how many of the received paths the player will take
  // (it is answered to the sender before pathsReceived is emitted).
  HandOverServer(QString socketPath, std::function<int(const QStringList&)> accepted,
                 QObject* parent = nullptr);
  ~HandOverServer() override;

  // Replaces a socket left by an instance that crashed (the caller holds the
  // instance lock, so no live player owns it) and starts listening. The
  // socket file is removed again when the server goes.
  bool listen();

 signals:
  void pathsReceived(const QStringList& paths);

 private:
  class Peer;
  void accept();
  void stop();

  QString socketPath_;
  std::function<int(const QStringList&)> accepted_;
  int listenFd_ = -1;
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace lyrovo
