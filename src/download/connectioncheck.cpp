#include "download/connectioncheck.h"

namespace lyrovo {

ConnectionChecker::ConnectionChecker(QObject* parent) : QObject(parent) {}

ConnectionChecker::~ConnectionChecker() {
  if (thread_) thread_->wait();
}

void ConnectionChecker::start(const ServerConfig& servers, const DownloadLimits& limits) {
  nextServers_ = servers;
  nextLimits_ = limits;
  if (thread_) {
    restart_ = true;
    return;
  }
  launch();
}

void ConnectionChecker::launch() {
  restart_ = false;
  thread_.reset(QThread::create(
      [this, servers = nextServers_, limits = nextLimits_] { online_ = CheckConnection(servers, limits); }));
  // finished is emitted on the check's thread; with this object as the
  // context the slot runs on the object's own (the window's) thread.
  connect(thread_.get(), &QThread::finished, this, &ConnectionChecker::threadDone, Qt::QueuedConnection);
  thread_->start();
}

void ConnectionChecker::threadDone() {
  thread_->wait();
  thread_.reset();
  if (restart_) {
    launch();
    return;
  }
  emit answered(online_);
}

}  // namespace lyrovo
