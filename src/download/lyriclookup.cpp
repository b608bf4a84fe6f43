#include "download/lyriclookup.h"

#include <QMetaObject>
#include <QSaveFile>

#include <memory>

namespace lyrovo {

bool WriteTempLyric(const QString& tempFile, const QString& text) {
  if (tempFile.isEmpty()) return false;
  QSaveFile file(tempFile);
  if (!file.open(QIODevice::WriteOnly)) return false;
  file.write(text.toUtf8());
  return file.commit();
}

LyricLookupResult RunLyricLookup(const LyricLookupRequest& request) {
  LyricLookupResult result;
  if (!request.searchLrclib || IsPlaceholderServer(request.servers.lrclib)) return result;
  const LrclibLyric lyric = LookupLrclib(request.servers.lrclib, request.query, request.limits);
  if (lyric.outcome == LrclibOutcome::NotFound) return result;
  result.titles << lyric.title;
  result.artists << lyric.artist;
  result.urls << lyric.url;
  if (lyric.outcome == LrclibOutcome::Instrumental) {
    result.instrumental = true;
    return result;
  }
  if (WriteTempLyric(request.tempFile, lyric.text)) {
    result.link = lyric.url;
    result.text = lyric.text;
  }
  return result;
}

LyricLookupWorker::LyricLookupWorker(QObject* receiver,
                                     std::function<LyricLookupResult(const LyricLookupRequest&)> run)
    : receiver_(receiver), run_(std::move(run)), thread_([this] { loop(); }) {}

LyricLookupWorker::~LyricLookupWorker() {
  {
    const std::lock_guard lock(mutex_);
    stop_ = true;
    ++*generation_;
  }
  wake_.notify_all();
  thread_.join();
}

std::uint64_t LyricLookupWorker::start(LyricLookupRequest request, Done done) {
  std::uint64_t generation;
  {
    const std::lock_guard lock(mutex_);
    generation = ++*generation_;
    pending_ = std::move(request);
    pendingDone_ = std::move(done);
  }
  wake_.notify_all();
  return generation;
}

void LyricLookupWorker::abandon() {
  const std::lock_guard lock(mutex_);
  ++*generation_;
  pending_.reset();
  pendingDone_ = nullptr;
}

std::uint64_t LyricLookupWorker::generation() const { return *generation_; }

void LyricLookupWorker::loop() {
  for (;;) {
    LyricLookupRequest request;
    Done done;
    std::uint64_t generation;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stop_ || pending_.has_value(); });
      if (stop_) return;
      request = std::move(*pending_);
      pending_.reset();
      done = std::move(pendingDone_);
      generation = *generation_;
    }
    auto result = std::make_shared<LyricLookupResult>(request.job ? request.job(request) : run_(request));
    result->generation = generation;
    // The receiver's thread decides whether the result still counts: a
    // newer request may come in after this check and before delivery.
    QMetaObject::invokeMethod(
        receiver_,
        [current = generation_, result, done = std::move(done)] {
          if (result->generation == *current && done) done(*result);
        },
        Qt::QueuedConnection);
  }
}

}  // namespace lyrovo
