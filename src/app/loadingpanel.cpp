#include "app/loadingpanel.h"

#include <QMouseEvent>

#include <algorithm>

namespace lyrovo {

namespace {
constexpr int kFrameHeight = 14, kFramePadding = 2, kCancelWidth = 64;
}

LoadingPanel::LoadingPanel(QWidget* parent)
    : QWidget(parent),
      statusLabel_(new QLabel(restingText(), this)),
      progressFrame_(new QWidget(this)),
      progressFill_(new QWidget(progressFrame_)),
      cancelLabel_(new QLabel(QStringLiteral("取消加载"), this)) {
  setObjectName(QStringLiteral("loadingPanel"));
  statusLabel_->setObjectName(QStringLiteral("loadingStatus"));
  statusLabel_->setTextFormat(Qt::PlainText);
  statusLabel_->setAlignment(Qt::AlignCenter);
  statusLabel_->setStyleSheet(QStringLiteral("QLabel { color: #CFCFCF; }"));
  progressFrame_->setObjectName(QStringLiteral("progressFrame"));
  progressFrame_->setAttribute(Qt::WA_StyledBackground);
  progressFrame_->setStyleSheet(QStringLiteral("#progressFrame { border: 1px solid #CFCFCF; }"));
  progressFill_->setObjectName(QStringLiteral("progressFill"));
  progressFill_->setAttribute(Qt::WA_StyledBackground);
  progressFill_->setStyleSheet(QStringLiteral("#progressFill { background: #D7799A; }"));
  cancelLabel_->setObjectName(QStringLiteral("cancelLabel"));
  cancelLabel_->setStyleSheet(QStringLiteral("QLabel { color: #D7799A; text-decoration: underline; }"));
  cancelLabel_->setCursor(Qt::PointingHandCursor);
  cancelLabel_->installEventFilter(this);
  showProgress(false);
  hide();
}

void LoadingPanel::setStatus(const QString& text) {
  statusLabel_->setText(text);
  emit statusChanged(text);
}

void LoadingPanel::showProgress(bool shown) {
  added_ = 0;
  total_ = 0;
  progressFrame_->setVisible(shown);
  cancelLabel_->setVisible(shown);
  placeParts();
}

int LoadingPanel::fillRoom() const { return std::max(0, progressFrame_->width() - 2 * kFramePadding); }

void LoadingPanel::setProgress(int added, int total) {
  added_ = added;
  total_ = total;
  placeParts();
}

void LoadingPanel::resizeEvent(QResizeEvent*) { placeParts(); }

void LoadingPanel::placeParts() {
  const int middle = height() / 2;
  const int frameWidth = std::max(0, width() * 2 / 3 - kCancelWidth);
  const int left = (width() - frameWidth - kCancelWidth) / 2;
  progressFrame_->setGeometry(left, middle - kFrameHeight - 6, frameWidth, kFrameHeight);
  cancelLabel_->setGeometry(left + frameWidth + 6, middle - kFrameHeight - 8, kCancelWidth, kFrameHeight + 4);
  statusLabel_->setGeometry(0, middle, width(), 20);
  const int fill = total_ > 0 ? int(qint64(fillRoom()) * std::clamp(added_, 0, total_) / total_) : 0;
  progressFill_->setGeometry(kFramePadding, kFramePadding, fill, kFrameHeight - 2 * kFramePadding);
}

bool LoadingPanel::eventFilter(QObject* watched, QEvent* event) {
  if (watched == cancelLabel_ && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    emit cancelClicked();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace lyrovo
