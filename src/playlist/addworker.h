#pragma once

#include "playlist/addfiles.h"

#include <QObject>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace lyrovo {

class PluginHost;

// Runs one add off the thread that starts it: collects the files
// (CollectAddFiles), then reads each file's row (ReadAddedRow, on as many
// threads as there are cores), and hands
// the results back to the starting thread through its event loop, in
// order: counted once, rows in batches in file order, then finished. That
// thread never waits on the disk; the worker checks the cancel flag before
// every file, and nothing but finished is delivered once cancel() was
// called there.
class AddWorker {
 public:
  struct Handlers {
    std::function<void(int total)> counted;
    std::function<void(std::vector<PlaylistRow>& rows)> rows;
    std::function<void(const QString& folder)> unreadable;  // each folder that could not be read
    std::function<void()> finished;
  };

  // plugins must outlive the worker; it is only read.
  AddWorker(AddSource source, const PluginHost* plugins, Handlers handlers);
  // Cancels, waits for the thread to end (at most one file) and drops what
  // it had not delivered yet.
  ~AddWorker();
  AddWorker(const AddWorker&) = delete;
  AddWorker& operator=(const AddWorker&) = delete;

  void start();
  void cancel();
  bool cancelled() const { return cancel_.load(); }

  // Threads that read rows at once: one a core, at most four.
  static int readerThreads();
  // Batches are handed over at least this often while rows are read.
  static constexpr int kBatchMs = 15;

 private:
  void run();
  void post(std::function<void()> call);

  AddSource source_;
  const PluginHost* plugins_;
  Handlers handlers_;
  std::atomic<bool> cancel_{false};
  std::unique_ptr<QObject> receiver_;  // lives on the starting thread; deleting it drops pending calls
  std::thread thread_;
};

}  // namespace lyrovo
