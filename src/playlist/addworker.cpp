#include "playlist/addworker.h"

#include "engine/decoder.h"

#include <QElapsedTimer>
#include <QMetaObject>

#include <algorithm>
#include <limits>

namespace lyrovo {

AddWorker::AddWorker(AddSource source, const PluginHost* plugins, Handlers handlers)
    : source_(std::move(source)),
      plugins_(plugins),
      handlers_(std::move(handlers)),
      receiver_(std::make_unique<QObject>()) {}

AddWorker::~AddWorker() {
  cancel_ = true;
  if (thread_.joinable()) thread_.join();
}

void AddWorker::start() {
  if (!thread_.joinable()) thread_ = std::thread([this] { run(); });
}

void AddWorker::cancel() { cancel_ = true; }

void AddWorker::post(std::function<void()> call) {
  QMetaObject::invokeMethod(receiver_.get(), std::move(call), Qt::QueuedConnection);
}

void AddWorker::run() {
  QStringList unreadable;
  const QStringList files = CollectAddFiles(source_, cancel_, &unreadable);
  for (const QString& folder : unreadable)
    post([this, folder] {
      if (handlers_.unreadable) handlers_.unreadable(folder);
    });
  post([this, total = int(std::min<qsizetype>(files.size(), std::numeric_limits<int>::max()))] {
    if (!cancel_.load() && handlers_.counted) handlers_.counted(total);
  });

  DecoderCache cache;
  std::vector<PlaylistRow> batch;
  QElapsedTimer sinceHandOver;
  sinceHandOver.start();
  auto handOver = [&] {
    post([this, rows = std::move(batch)]() mutable {
      if (!cancel_.load() && handlers_.rows) handlers_.rows(rows);
    });
    batch.clear();
    sinceHandOver.restart();
  };
  for (const QString& file : files) {
    if (cancel_.load()) break;
    batch.push_back(ReadAddedRow(file, plugins_, &cache));
    if (sinceHandOver.elapsed() >= kBatchMs) handOver();
  }
  if (!batch.empty()) handOver();
  post([this] {
    if (handlers_.finished) handlers_.finished();
  });
}

}  // namespace lyrovo
