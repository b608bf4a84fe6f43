#include "desktop/qttrayicon.h"

#include <QTextDocument>

namespace lyrovo {

QtTrayIcon::QtTrayIcon() {
  QObject::connect(&icon_, &QSystemTrayIcon::activated, [this](QSystemTrayIcon::ActivationReason reason) {
    if (!onAction) return;
    switch (reason) {
      case QSystemTrayIcon::Trigger:
        onAction(TrayAction::LeftPress);
        break;
      case QSystemTrayIcon::DoubleClick:
        onAction(TrayAction::LeftDoubleClick);
        break;
      case QSystemTrayIcon::Context:
        onAction(TrayAction::RightPress);
        break;
      default:
        break;
    }
  });
}

bool QtTrayIcon::available() const { return QSystemTrayIcon::isSystemTrayAvailable(); }

// Song titles are shown as they are: a title that looks like markup is
// escaped rather than rendered. Line ends become plain line breaks.
void QtTrayIcon::setToolTip(const QString& text) {
  QString plain = text;
  plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  if (Qt::mightBeRichText(plain))
    plain = QStringLiteral("<p>") + plain.toHtmlEscaped().replace(u'\n', QStringLiteral("<br/>")) +
            QStringLiteral("</p>");
  icon_.setToolTip(plain);
}

}  // namespace lyrovo
