#include "app/qtprompts.h"

#include "settings/settings.h"

#include <QColorDialog>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFontDialog>
#include <QMessageBox>
#include <QProcess>
#include <QUrl>

namespace lyrovo {

Prompts::Answer QtPrompts::message(Icon icon, Buttons buttons, const QString& title, const QString& text) {
  QMessageBox box(parent_);
  box.setWindowTitle(title);
  box.setTextFormat(Qt::PlainText);
  box.setText(text);
  switch (icon) {
    case Icon::None:
      box.setIcon(QMessageBox::NoIcon);
      break;
    case Icon::Information:
      box.setIcon(QMessageBox::Information);
      break;
    case Icon::Question:
      box.setIcon(QMessageBox::Question);
      break;
    case Icon::Warning:
      box.setIcon(QMessageBox::Warning);
      break;
    case Icon::Critical:
      box.setIcon(QMessageBox::Critical);
      break;
  }
  switch (buttons) {
    case Buttons::Ok:
      box.setStandardButtons(QMessageBox::Ok);
      break;
    case Buttons::OkCancel:
      box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
      break;
    case Buttons::YesNo:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      break;
    case Buttons::YesNoCancel:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
      break;
    case Buttons::RetryCancel:
      box.setStandardButtons(QMessageBox::Retry | QMessageBox::Cancel);
      break;
  }
  switch (box.exec()) {
    case QMessageBox::Yes:
      return Answer::Yes;
    case QMessageBox::No:
      return Answer::No;
    case QMessageBox::Retry:
      return Answer::Retry;
    case QMessageBox::Cancel:
      return Answer::Cancel;
    default:
      return buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
  }
}

QString QtPrompts::qtFilter(const QString& filter) {
  const QStringList parts = filter.split(u'|');
  QStringList out;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    if (parts[i].isEmpty() && parts[i + 1].isEmpty()) continue;
    QString name = parts[i];
    const QString patterns = QString(parts[i + 1]).replace(u';', u' ');
    if (const qsizetype bracket = name.indexOf(u'('); bracket > 0) name = name.left(bracket).trimmed();
    out << name + QStringLiteral(" (") + patterns + u')';
  }
  return out.join(QStringLiteral(";;"));
}

QStringList QtPrompts::openFiles(const QString& title, const QString& folder, const QString& filter,
                                 bool multiple) {
  if (multiple) return QFileDialog::getOpenFileNames(parent_, title, folder, qtFilter(filter));
  const QString file = QFileDialog::getOpenFileName(parent_, title, folder, qtFilter(filter));
  return file.isEmpty() ? QStringList{} : QStringList{file};
}

std::optional<QString> QtPrompts::saveFile(const QString& title, const QString& folder,
                                           const QString& filter) {
  const QString file = QFileDialog::getSaveFileName(parent_, title, folder, qtFilter(filter));
  if (file.isEmpty()) return std::nullopt;
  return file;
}

std::optional<QString> QtPrompts::chooseFolder(const QString& title, const QString& start) {
  const QString folder = QFileDialog::getExistingDirectory(parent_, title, start);
  if (folder.isEmpty()) return std::nullopt;
  return folder;
}

std::optional<std::uint32_t> QtPrompts::chooseColour(std::uint32_t initial) {
  const QColor start(int(initial & 0xFF), int((initial >> 8) & 0xFF), int((initial >> 16) & 0xFF));
  const QColor chosen = QColorDialog::getColor(start, parent_);
  if (!chosen.isValid()) return std::nullopt;
  return std::uint32_t(chosen.red()) | std::uint32_t(chosen.green()) << 8 |
         std::uint32_t(chosen.blue()) << 16;
}

std::optional<FontSpec> QtPrompts::chooseFont(const FontSpec& initial) {
  QFont start = QFontFromSpec(initial);
  if (initial.size <= 0) start.setPointSizeF(9);
  bool ok = false;
  const QFont font = QFontDialog::getFont(&ok, start, parent_);
  if (!ok) return std::nullopt;
  return FontSpec{font.family(), font.pointSizeF(), font.bold(), font.italic(), font.underline()};
}

bool QtPrompts::launch(const QString& program, const QStringList& arguments) {
  return QProcess::startDetached(program, arguments);
}

bool QtPrompts::openFile(const QString& path) { return QDesktopServices::openUrl(QUrl::fromLocalFile(path)); }

}  // namespace lyrovo
