#include "download/downloader.h"

#include "base/apperror.h"
#include "base/errorlog.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QSaveFile>
#include <QTimer>

#include <algorithm>
#include <memory>

namespace lyrovo {

namespace {

bool isHttp(const QUrl& url) {
  const QString scheme = url.scheme().toLower();
  return (scheme == u"http" || scheme == u"https") && !url.host().isEmpty();
}

DownloadLimits effective(const DownloadLimits& given) {
  const DownloadLimits defaults;
  DownloadLimits limits = given;
  if (limits.connectTimeoutMs <= 0) limits.connectTimeoutMs = defaults.connectTimeoutMs;
  if (limits.totalTimeoutMs <= 0) limits.totalTimeoutMs = defaults.totalTimeoutMs;
  if (limits.maxBytes <= 0) limits.maxBytes = defaults.maxBytes;
  limits.maxRedirects = std::max(0, limits.maxRedirects);
  return limits;
}

}  // namespace

// One GET with the player's rules: its User-Agent, redirects followed here
// (http and https only, at most maxRedirects), a body no larger than
// maxBytes, a stall or connect time over connectTimeoutMs and a whole
// transfer over totalTimeoutMs ending it as failed. The callbacks run on
// the event loop; after done the transfer deletes itself. cancel() ends it
// without any further callback.
class DownloadTransfer : public QObject {
 public:
  using Progress = std::function<void(qint64 cur, qint64 max)>;
  DownloadTransfer(QNetworkAccessManager& network, const QUrl& url, const DownloadLimits& limits,
                   Progress progress, FetchDone done, QObject* parent)
      : QObject(parent),
        network_(network),
        limits_(effective(limits)),
        progress_(std::move(progress)),
        done_(std::move(done)) {
    total_.setSingleShot(true);
    connect(&total_, &QTimer::timeout, this, [this] { fail(FetchStatus::TimedOut); });
    total_.start(limits_.totalTimeoutMs);
    if (isHttp(url)) {
      get(url);
    } else {
      fail(FetchStatus::UnsupportedUrl);
    }
  }

  void cancel() {
    dropReply();
    total_.stop();
    deleteLater();
  }

 private:
  void get(const QUrl& url) {
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, PlayerUserAgent());
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setTransferTimeout(limits_.connectTimeoutMs);
    reply_ = network_.get(request);
    connect(reply_, &QNetworkReply::downloadProgress, this, [this](qint64 received, qint64) {
      const int status = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
      if (status < 200 || status >= 300) return;  // a redirect's or an error's body
      // Only a length the server announced counts: without one, Qt reports
      // the bytes received as the total when the transfer ends.
      const qint64 announced = reply_->header(QNetworkRequest::ContentLengthHeader).toLongLong();
      if (received > limits_.maxBytes || announced > limits_.maxBytes) {
        fail(FetchStatus::TooLarge);
      } else if (progress_) {
        progress_(received, std::max<qint64>(announced, 0));
      }
    });
    connect(reply_, &QNetworkReply::finished, this, [this] { finished(); });
  }

  void finished() {
    QNetworkReply* reply = std::exchange(reply_, nullptr);
    reply->deleteLater();
    FetchResult result;
    result.httpStatus = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QUrl location = reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
    if (reply->error() == QNetworkReply::NoError && !location.isEmpty() && result.httpStatus >= 300 &&
        result.httpStatus < 400) {
      const QUrl next = reply->url().resolved(location);
      if (!isHttp(next)) {
        result.status = FetchStatus::UnsupportedUrl;
      } else if (++redirects_ > limits_.maxRedirects) {
        result.status = FetchStatus::TooManyRedirects;
      } else {
        get(next);
        return;
      }
    } else if (reply->error() == QNetworkReply::OperationCanceledError ||
               reply->error() == QNetworkReply::TimeoutError) {
      result.status = FetchStatus::TimedOut;
    } else if (result.httpStatus >= 300 ||
               (reply->error() == QNetworkReply::NoError && result.httpStatus < 200)) {
      result.status = FetchStatus::HttpError;  // also a redirect without a target
    } else if (reply->error() != QNetworkReply::NoError) {
      result.status = FetchStatus::NetworkError;
    } else {
      result.body = reply->readAll();
      result.status = result.body.size() > limits_.maxBytes ? FetchStatus::TooLarge : FetchStatus::Ok;
      if (!result.ok()) result.body.clear();
    }
    finish(result);
  }

  void fail(FetchStatus why) {
    dropReply();
    FetchResult result;
    result.status = why;
    // Outside the signal that noticed the problem, so no handler runs inside another.
    QTimer::singleShot(0, this, [this, result] { finish(result); });
  }

  void finish(const FetchResult& result) {
    total_.stop();
    deleteLater();
    if (FetchDone done = std::exchange(done_, {})) done(result);
  }

  void dropReply() {
    if (!reply_) return;
    QNetworkReply* reply = std::exchange(reply_, nullptr);
    reply->disconnect(this);
    reply->abort();
    reply->deleteLater();
  }

  QNetworkAccessManager& network_;
  DownloadLimits limits_;
  Progress progress_;
  FetchDone done_;
  QNetworkReply* reply_ = nullptr;
  QTimer total_;
  int redirects_ = 0;
};

QByteArray PlayerUserAgent() {
  const QByteArray version = QCoreApplication::applicationVersion().toUtf8();
  return "Lyrovo/" + (version.isEmpty() ? QByteArray("0.1") : version) + " (desktop music player)";
}

Downloader::Downloader(const ErrorLog* log, DownloadLimits limits, QObject* parent)
    : QObject(parent), log_(log), limits_(limits) {}

// Made on the first download: a network access manager costs more than a
// megabyte of resident memory from the moment it exists, and a run that
// stays offline or finds everything cached never needs one.
QNetworkAccessManager& Downloader::network() {
  if (!network_) network_ = new QNetworkAccessManager(this);
  return *network_;
}

Downloader::~Downloader() {
  if (!saveFiles_.isEmpty() || !active_.isEmpty()) CancelAllDownload();
}

void Downloader::BeginDownload(const QString& url, const QString& SaveFile) {
  saveFiles_ << SaveFile;
  statuses_ << kPending;
  const QUrl address(url.trimmed());
  if (!isHttp(address) && log_)
    log_->log(QStringLiteral("Downloader_BeginDownload"),
              AppError(errors::InvalidCall, QStringLiteral("Not an http(s) address: ") + url));
  // A refused address fails like an unreachable one, from the event loop.
  auto maxBytes = std::make_shared<qint64>(0);
  auto self = std::make_shared<DownloadTransfer*>(nullptr);
  auto* transfer = new DownloadTransfer(
      network(), address, limits_,
      [this, SaveFile, maxBytes](qint64 cur, qint64 max) {
        if (max <= 0) return;
        *maxBytes = max;
        emit DownloadProgress(cur, max, SaveFile);
      },
      [this, SaveFile, maxBytes, self](const FetchResult& result) {
        active_.removeIf([&](const Active& a) { return a.transfer == *self; });
        finished(result, SaveFile, *maxBytes);
      },
      this);
  *self = transfer;
  active_.append({transfer, SaveFile});
}

void Downloader::finished(const FetchResult& result, const QString& saveFile, qint64 maxBytes) {
  bool written = false;
  if (result.ok()) {
    QSaveFile file(saveFile);
    written =
        file.open(QIODevice::WriteOnly) && file.write(result.body) == result.body.size() && file.commit();
    if (!written && log_)
      log_->log(QStringLiteral("Downloader_DownloadComplete"), errors::pathAccess(saveFile));
  }
  if (written) {
    emit DownloadComplete(maxBytes, saveFile);
  } else {
    emit DownloadError(saveFile);
  }
  complete(saveFile, written ? kDone : kFailed);
}

void Downloader::complete(const QString& saveFile, std::uint8_t status) {
  // The first entry of this save file still waiting takes the status, so a
  // file downloaded twice fills both of its entries in turn.
  int entry = -1;
  for (int i = 0; i < saveFiles_.size() && entry < 0; ++i)
    if (saveFiles_[i] == saveFile && statuses_[i] == kPending) entry = i;
  if (entry < 0) entry = int(saveFiles_.indexOf(saveFile));
  if (entry < 0) return;  // the lists were reset meanwhile
  statuses_[entry] = status;

  QStringList failed;
  for (int i = 0; i < saveFiles_.size(); ++i) {
    if (statuses_[i] == kFailed) {
      failed << saveFiles_[i];
    } else if (statuses_[i] != kDone) {
      return;
    }
  }
  CancelAllDownload();
  emit DownloadAllComplete(failed);
}

bool Downloader::CancelDownload(const QString& part) {
  for (const QString& saveFile : saveFiles_) {
    if (!saveFile.contains(part)) continue;
    for (int i = 0; i < active_.size(); ++i) {
      if (active_[i].saveFile != saveFile) continue;
      active_.takeAt(i).transfer->cancel();
      break;
    }
    break;
  }
  return true;
}

bool Downloader::CancelAllDownload() {
  const QList<Active> running = std::exchange(active_, {});
  for (const Active& each : running) each.transfer->cancel();
  saveFiles_.clear();
  statuses_.clear();
  return true;
}

std::function<void()> FetchInBackground(QNetworkAccessManager& network, const QUrl& url,
                                        const DownloadLimits& limits, QObject* context, FetchDone done) {
  // The transfer belongs to context: it goes away with it, answer and all.
  QPointer<DownloadTransfer> transfer(
      new DownloadTransfer(network, url, limits, {}, std::move(done), context));
  return [transfer] {
    if (transfer) transfer->cancel();
  };
}

}  // namespace lyrovo
