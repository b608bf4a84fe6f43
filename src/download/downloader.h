#pragma once

#include "download/download.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <cstdint>
#include <functional>

namespace lyrovo {

class ErrorLog;
class DownloadTransfer;
using FetchDone = std::function<void(const FetchResult&)>;

// The User-Agent every request of the background downloads carries.
QByteArray PlayerUserAgent();

// Background downloads into files, on the UI thread's event loop: nothing
// here ever blocks. Each transfer runs in the fetch helper, as FetchUrl's
// do, and its answer is read as it comes. Each download is listed under its
// save file; the events report progress, failure and completion per
// download, and once every listed download has finished, the end of the
// batch with the save files that failed. Only http and https are spoken
// (redirects too, at most limits.maxRedirects of them); a body over
// limits.maxBytes, a connection not made within limits.connectTimeoutMs or a
// transfer longer than limits.totalTimeoutMs fails. A save file is written
// only when its download succeeded, through a temporary file renamed over
// it, so it never holds half a download.
class Downloader : public QObject {
  Q_OBJECT
 public:
  static constexpr std::uint8_t kPending = 255;
  static constexpr std::uint8_t kDone = 6;
  static constexpr std::uint8_t kFailed = 0;

  explicit Downloader(const ErrorLog* log = nullptr, DownloadLimits limits = {}, QObject* parent = nullptr);
  ~Downloader() override;

  // Starts fetching url into SaveFile and lists the download as pending. A
  // URL that is not http(s) fails like an unreachable one: its DownloadError
  // arrives from the event loop, never from inside this call.
  void BeginDownload(const QString& url, const QString& SaveFile);
  // Stops the first listed download whose save file contains part; the
  // lists keep its entry (still pending). Always true.
  bool CancelDownload(const QString& part);
  // Stops every listed download and empties the lists. No event follows
  // for the stopped downloads. Always true.
  bool CancelAllDownload();

  const QStringList& SaveFiles() const { return saveFiles_; }
  const QList<std::uint8_t>& Statuses() const { return statuses_; }

 signals:
  // Only raised when the server announced the length (MaxBytes > 0).
  void DownloadProgress(qint64 CurBytes, qint64 MaxBytes, const QString& SaveFile);
  void DownloadError(const QString& SaveFile);
  // After the file was written; MaxBytes is 0 when the length was never announced.
  void DownloadComplete(qint64 MaxBytes, const QString& SaveFile);
  void DownloadAllComplete(const QStringList& FileNotDownload);

 private:
  struct Active {
    DownloadTransfer* transfer = nullptr;
    QString saveFile;
  };
  void finished(const FetchResult& result, const QString& saveFile, qint64 maxBytes);
  void complete(const QString& saveFile, std::uint8_t status);

  const ErrorLog* log_;
  DownloadLimits limits_;
  QStringList saveFiles_;
  QList<std::uint8_t> statuses_;
  QList<Active> active_;  // transfers still running, in start order
};

// One GET of url into memory on the event loop, with the limits and rules
// of Downloader. done runs once, on the event loop (never inside this call),
// with the outcome; it does not run when context is destroyed first. The
// returned function cancels the fetch (done then never runs).
std::function<void()> FetchInBackground(const QUrl& url, const DownloadLimits& limits, QObject* context,
                                        FetchDone done);

}  // namespace lyrovo
