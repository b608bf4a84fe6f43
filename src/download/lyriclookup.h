#pragma once

#include "download/download.h"
#include "download/lrclib.h"
#include "download/serverconfig.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace lyrovo {

struct LyricLookupResult;

// One web lookup for the song that starts playing: its lyric, or (Artist)
// the artist of a song known only by its title (query.title).
struct LyricLookupRequest {
  enum class Kind { Lyric, Artist };
  Kind kind = Kind::Lyric;
  LyricQuery query;
  ServerConfig servers;
  QString searchText;         // what the lyric services are asked for; the title when empty
  bool searchServer2 = true;  // ask lyric service 2 (service 1 is always asked)
  bool searchServer3 = true;  // ask lyric service 3
  bool searchLrclib = true;   // ask the LRCLIB database
  bool autoSelect = false;    // no result fits: take the first whose title fits, else the first
  bool listOnly = false;      // the search window's search: every service is asked, nothing is chosen
  QString tempFile;           // where the text of the chosen lyric is left for the loader
  DownloadLimits limits;
  // Other work for the worker (a search the user asked for, a download):
  // when set, it runs instead of the lookup, with this request.
  std::function<LyricLookupResult(const LyricLookupRequest&)> job;
};

// What a lookup found. A lyric whose text was fetched already is in the
// request's temp file; link names it for the loader and the result list.
struct LyricLookupResult {
  std::uint64_t generation = 0;
  QString link;               // the chosen lyric; empty when none was found
  QString text;               // its text, already fetched
  bool fetched = false;       // link was downloaded already (text is empty when that failed)
  QString artist;             // Artist lookups: the artist found, empty when none
  bool instrumental = false;  // the song has no words
  QStringList titles;         // every result found, in order
  QStringList artists;
  QStringList urls;
};

// Runs the lookup sequence on the calling thread (it blocks on the network):
// lyric services 1 to 3 while none gave a fitting result, then LRCLIB; with
// autoSelect the fallback choice; then the chosen lyric is downloaded.
LyricLookupResult RunLyricLookup(const LyricLookupRequest& request);

// With nothing fitting the song, the url of the first result whose title
// contains the song's title or is contained in it, else the first result's.
QString FallbackLyricChoice(const QStringList& titles, const QStringList& urls, const QString& songTitle);

// Leaves text in tempFile as a downloaded lyric would be, replacing the file whole.
bool WriteTempLyric(const QString& tempFile, const QString& text);

// Runs lyric lookups one at a time on a worker thread and hands each result
// to the receiver's thread. Only the newest request counts: starting a new
// one or abandoning drops a request still waiting, and the result of one
// already running is discarded when it arrives.
class LyricLookupWorker {
 public:
  using Done = std::function<void(const LyricLookupResult&)>;
  // Results are posted to receiver, which must outlive the worker (own it).
  // run does the work (RunLyricLookup unless a test replaces it).
  explicit LyricLookupWorker(
      QObject* receiver, std::function<LyricLookupResult(const LyricLookupRequest&)> run = RunLyricLookup);
  ~LyricLookupWorker();  // waits for a lookup under way (bounded by its timeouts)
  LyricLookupWorker(const LyricLookupWorker&) = delete;
  LyricLookupWorker& operator=(const LyricLookupWorker&) = delete;

  // Queues request; done runs on the receiver's thread with its result,
  // unless a newer request or abandon() came in between.
  std::uint64_t start(LyricLookupRequest request, Done done);
  void abandon();
  std::uint64_t generation() const;

 private:
  void loop();

  QObject* receiver_;
  std::function<LyricLookupResult(const LyricLookupRequest&)> run_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::optional<LyricLookupRequest> pending_;
  Done pendingDone_;
  // Shared with results in flight, which may be delivered after the worker is gone.
  std::shared_ptr<std::atomic<std::uint64_t>> generation_ = std::make_shared<std::atomic<std::uint64_t>>(0);
  bool stop_ = false;
  std::thread thread_;
};

}  // namespace lyrovo
