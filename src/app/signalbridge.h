#pragma once

#include <QObject>

class QSocketNotifier;

namespace lyrovo {

// Turns SIGTERM and SIGINT into a Qt signal on the UI thread, so that being
// told to quit runs the same shutdown as closing the window. The handler
// only writes one byte to a pipe; all work happens in the event loop.
class SignalBridge : public QObject {
  Q_OBJECT
 public:
  explicit SignalBridge(QObject* parent = nullptr);
  ~SignalBridge() override;

 signals:
  void terminationRequested();

 private:
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace lyrovo
