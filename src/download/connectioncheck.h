#pragma once
// The connection check on a thread of its own: the first request of a run
// sets up name look-up and TLS and may wait up to the check's time limits,
// which the window must not spend frozen.
#include "download/download.h"
#include "download/serverconfig.h"

#include <QObject>
#include <QThread>

#include <memory>

namespace lyrovo {

class ConnectionChecker : public QObject {
  Q_OBJECT

 public:
  explicit ConnectionChecker(QObject* parent = nullptr);
  // Waits for a running check; its time limits bound the wait.
  ~ConnectionChecker() override;

  // Starts a check of servers. A check asked for while one runs replaces it:
  // the running one's answer is dropped and the newest one is answered.
  void start(const ServerConfig& servers, const DownloadLimits& limits = kConnectionCheckLimits);
  bool running() const { return thread_ != nullptr; }

 signals:
  void answered(bool online);

 private:
  void launch();
  void threadDone();

  std::unique_ptr<QThread> thread_;
  bool online_ = false;  // written by the thread, read after it ended
  bool restart_ = false;
  ServerConfig nextServers_;
  DownloadLimits nextLimits_;
};

}  // namespace lyrovo
