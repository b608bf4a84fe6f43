#include "playlist/addworker.h"

#include "engine/decoder.h"

#include <QElapsedTimer>
#include <QMetaObject>

#include <algorithm>
#include <chrono>
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

int AddWorker::readerThreads() { return std::clamp(int(std::thread::hardware_concurrency()), 1, 4); }

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

  // Rows are read by this thread and a few helpers, each taking the next
  // unread file; this thread hands over the finished rows at the front, in
  // file order.
  const int count = int(files.size());
  DecoderCache cache;
  std::vector<PlaylistRow> rows(std::size_t(count), PlaylistRow{});
  const std::unique_ptr<std::atomic<bool>[]> ready(new std::atomic<bool>[std::size_t(count)]);
  for (int i = 0; i < count; ++i) ready[i] = false;
  std::atomic<int> next{0};
  const auto readOne = [&]() -> bool {
    if (next.load() >= count || cancel_.load()) return false;
    const int i = next++;
    if (i >= count) return false;
    rows[std::size_t(i)] = ReadAddedRow(files[i], plugins_, &cache);
    ready[i].store(true, std::memory_order_release);
    return true;
  };
  std::vector<std::thread> helpers;
  for (int k = 1; k < std::min(readerThreads(), count); ++k)
    helpers.emplace_back([&] {
      while (readOne()) {
      }
    });

  int delivered = 0;
  QElapsedTimer sinceHandOver;
  sinceHandOver.start();
  const auto handOver = [&] {
    std::vector<PlaylistRow> batch;
    while (delivered < count && ready[delivered].load(std::memory_order_acquire))
      batch.push_back(std::move(rows[std::size_t(delivered++)]));
    if (!batch.empty())
      post([this, batch = std::move(batch)]() mutable {
        if (!cancel_.load() && handlers_.rows) handlers_.rows(batch);
      });
    sinceHandOver.restart();
  };
  while (delivered < count && !cancel_.load()) {
    if (!readOne())
      std::this_thread::sleep_for(std::chrono::milliseconds(1));  // the helpers finish the last files
    if (sinceHandOver.elapsed() >= kBatchMs || next.load() >= count) handOver();
  }
  for (std::thread& helper : helpers) helper.join();
  post([this] {
    if (handlers_.finished) handlers_.finished();
  });
}

}  // namespace lyrovo
