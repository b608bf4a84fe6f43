#pragma once

#include <QObject>

class QSocketNotifier;

namespace lyrovo {

// Turns SIGTERM, SIGINT, SIGHUP and SIGQUIT into a Qt signal on the UI
// thread, so that being told to quit runs the same shutdown as closing the
// window. arm() installs the handlers first thing in main, before Qt
// exists; a signal that arrives from then on is kept in a socket until a
// bridge reads it. The handler only writes one byte; all work happens in
// the event loop.
class SignalBridge : public QObject {
  Q_OBJECT
 public:
  // Installs the handlers and unblocks the four signals (a launcher may
  // hand them over blocked). Idempotent; the bridge's constructor calls it too.
  static void arm();

  explicit SignalBridge(QObject* parent = nullptr);
  ~SignalBridge() override;

 signals:
  // Once per burst of signals: several signals that arrive before the
  // event loop reads them are reported once.
  void terminationRequested();

 private:
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace lyrovo
