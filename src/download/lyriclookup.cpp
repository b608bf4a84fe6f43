#include "download/lyriclookup.h"

#include "download/lyricchoice.h"
#include "download/lyricservices.h"

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

QString FallbackLyricChoice(const QStringList& titles, const QStringList& urls, const QString& songTitle) {
  for (qsizetype a = 0; a < titles.size() && a < urls.size(); ++a) {
    const QString& title = titles.at(a);
    if (songTitle.contains(title) || title.contains(songTitle)) return urls.at(a);
  }
  return urls.value(0);
}

LyricLookupResult RunLyricLookup(const LyricLookupRequest& request) {
  LyricLookupResult result;
  if (request.kind == LyricLookupRequest::Kind::Artist) {
    result.artist = SearchInfo(request.servers, request.query.title, request.limits);
    return result;
  }
  const LyricServiceSearch search{request.searchText.isEmpty() ? request.query.title : request.searchText,
                                  request.query.title, request.query.artist, request.servers, request.limits};
  LyricSearchList list;
  QString link = SearchWord1(search, list);
  if ((link.isEmpty() || request.listOnly) && request.searchServer2) link = SearchWord2(search, list);
  if ((link.isEmpty() || request.listOnly) && request.searchServer3) link = SearchWord3(search, list);
  if (request.listOnly) link.clear();
  if (link.isEmpty() && request.searchLrclib && !IsPlaceholderServer(request.servers.lrclib)) {
    const LrclibLyric lyric = LookupLrclib(request.servers.lrclib, request.query, request.limits);
    if (lyric.outcome != LrclibOutcome::NotFound && !list.full())
      list.add(lyric.title, lyric.artist, lyric.url);
    if (lyric.outcome == LrclibOutcome::Instrumental) {
      result.instrumental = true;
    } else if (lyric.outcome == LrclibOutcome::Synced && !request.listOnly &&
               WriteTempLyric(request.tempFile, lyric.text)) {
      result.link = lyric.url;
      result.text = lyric.text;
      result.fetched = true;
    }
  }
  result.titles = list.titles;
  result.artists = list.artists;
  result.urls = list.urls;
  if (result.fetched || result.instrumental || request.listOnly) return result;
  if (link.isEmpty() && request.autoSelect && list.count() > 0)
    link = FallbackLyricChoice(list.titles, list.urls, request.query.title);
  if (!link.isEmpty()) {
    // The loader gets the text from here: the window never waits for the download.
    result.link = link;
    result.text = DownloadLyricText(link, request);
    result.fetched = true;
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
