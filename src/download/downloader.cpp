#include "download/downloader.h"

#include "base/apperror.h"
#include "base/errorlog.h"
#include "download/fetchprocess.h"

#include <QCoreApplication>
#include <QFile>
#include <QPointer>
#include <QProcess>
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

}  // namespace

// One GET with the player's rules, run by the fetch helper as a child
// process read on the event loop: the player's User-Agent, redirects (http
// and https only, at most maxRedirects), a body no larger than maxBytes, a
// connect time over connectTimeoutMs and a whole transfer over
// totalTimeoutMs ending it as failed. The callbacks run on the event loop;
// after done the transfer deletes itself. cancel() ends it without any
// further callback.
class DownloadTransfer : public QObject {
 public:
  using Progress = std::function<void(qint64 cur, qint64 max)>;
  DownloadTransfer(const QUrl& url, const DownloadLimits& limits, Progress progress, FetchDone done,
                   QObject* parent)
      : QObject(parent),
        limits_(EffectiveLimits(limits)),
        progress_(std::move(progress)),
        done_(std::move(done)),
        reader_(limits_.maxBytes, [this](std::int64_t received, std::int64_t announced) {
          if (progress_) progress_(received, std::max<std::int64_t>(announced, 0));
        }) {
    // The helper keeps to the total timeout itself; this only catches one
    // that hangs.
    deadline_.setSingleShot(true);
    connect(&deadline_, &QTimer::timeout, this, [this] { fail(FetchStatus::TimedOut); });
    deadline_.start(limits_.totalTimeoutMs + kFetchHelperGraceMs);
    if (!isHttp(url)) {
      fail(FetchStatus::UnsupportedUrl);
    } else if (FetchHelperPath().isEmpty()) {
      fail(FetchStatus::NetworkError);
    } else {
      start(url);
    }
  }

  ~DownloadTransfer() override { dropProcess(); }

  void cancel() {
    dropProcess();
    deadline_.stop();
    done_ = {};
    deleteLater();
  }

 private:
  void start(const QUrl& url) {
    const QByteArray agent = PlayerUserAgent();
    DownloadLimits limits = limits_;
    limits.userAgent = agent.constData();
    const std::vector<QByteArray> command = FetchHelperCommand(
        FetchHelperPath(), url.toString(QUrl::FullyEncoded), limits, FetchMode::BodyWithProgress);
    QStringList arguments;
    for (auto arg = command.begin() + 1; arg != command.end(); ++arg) arguments << QString::fromUtf8(*arg);

    process_ = new QProcess(this);
    process_->setStandardErrorFile(QProcess::nullDevice());
    connect(process_, &QProcess::readyReadStandardOutput, this, [this] { read(); });
    connect(process_, &QProcess::finished, this, [this](int exitCode, QProcess::ExitStatus exitStatus) {
      read();
      if (!process_) return;  // the rest of the answer was refused: that failure stands
      const bool clean = exitStatus == QProcess::NormalExit && exitCode == 0;
      dropProcess();
      finish(reader_.result(clean));
    });
    connect(process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
      if (error == QProcess::FailedToStart) fail(FetchStatus::NetworkError);
    });
    process_->start(QFile::decodeName(command.front()), arguments, QIODevice::ReadOnly);
  }

  void read() {
    if (!process_) return;
    const QByteArray bytes = process_->readAllStandardOutput();
    if (!reader_.feed(bytes.constData(), std::size_t(bytes.size()))) {
      const FetchResult result = reader_.result(true);
      fail(result.status == FetchStatus::TooLarge ? FetchStatus::TooLarge : FetchStatus::NetworkError);
    }
  }

  void fail(FetchStatus why) {
    dropProcess();
    FetchResult result;
    result.status = why;
    // Outside the signal that noticed the problem, so no handler runs inside another.
    QTimer::singleShot(0, this, [this, result] { finish(result); });
  }

  void finish(const FetchResult& result) {
    deadline_.stop();
    deleteLater();
    if (FetchDone done = std::exchange(done_, {})) done(result);
  }

  // Stops the helper, if it still runs, and forgets it.
  void dropProcess() {
    if (!process_) return;
    QProcess* process = std::exchange(process_, nullptr);
    process->disconnect(this);
    if (process->state() != QProcess::NotRunning) process->kill();
    process->deleteLater();
  }

  DownloadLimits limits_;
  Progress progress_;
  FetchDone done_;
  FetchAnswerReader reader_;
  QProcess* process_ = nullptr;
  QTimer deadline_;
};

QByteArray PlayerUserAgent() {
  const QByteArray version = QCoreApplication::applicationVersion().toUtf8();
  return "Lyrovo/" + (version.isEmpty() ? QByteArray("0.1") : version) + " (desktop music player)";
}

Downloader::Downloader(const ErrorLog* log, DownloadLimits limits, QObject* parent)
    : QObject(parent), log_(log), limits_(limits) {}

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
      address, limits_,
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

std::function<void()> FetchInBackground(const QUrl& url, const DownloadLimits& limits, QObject* context,
                                        FetchDone done) {
  // The transfer belongs to context: it goes away with it, answer and all.
  QPointer<DownloadTransfer> transfer(new DownloadTransfer(url, limits, {}, std::move(done), context));
  return [transfer] {
    if (transfer) transfer->cancel();
  };
}

}  // namespace lyrovo
