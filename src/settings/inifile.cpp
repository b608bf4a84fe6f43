#include "settings/inifile.h"

#include "base/apperror.h"
#include "text/encoding.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace lyrovo {

namespace {

bool isBlank(QChar c) { return c == u' ' || c == u'\t'; }

QStringView trimBlanks(QStringView text) {
  qsizetype begin = 0;
  qsizetype end = text.size();
  while (begin < end && isBlank(text[begin])) ++begin;
  while (end > begin && isBlank(text[end - 1])) --end;
  return text.mid(begin, end - begin);
}

// The name a section header line opens ("[name]"), or nothing for other lines.
std::optional<QStringView> headerName(QStringView line) {
  line = trimBlanks(line);
  if (!line.startsWith(u'[')) return std::nullopt;
  line = line.mid(1);
  const qsizetype close = line.indexOf(u']');
  if (close >= 0) line = line.left(close);
  return trimBlanks(line);
}

bool sameName(QStringView a, QStringView b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

}  // namespace

IniFile::IniFile(const QString& text) {
  qsizetype start = 0;
  const qsizetype size = text.size();
  for (qsizetype i = 0; i < size; ++i) {
    const QChar c = text[i];
    if (c != u'\r' && c != u'\n') continue;
    lines_.append(text.mid(start, i - start));
    if (c == u'\r' && i + 1 < size && text[i + 1] == u'\n') ++i;
    start = i + 1;
  }
  if (start < size) lines_.append(text.mid(start));
}

IniFile IniFile::load(const QString& path) {
  const QFileInfo info(path);
  if (!info.exists()) return IniFile();
  QFile file(path);
  if (info.isDir() || !file.open(QIODevice::ReadOnly)) throw errors::pathAccess(path);
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) throw errors::pathAccess(path);
  return IniFile(decodeText(bytes));
}

qsizetype IniFile::findSection(QStringView section) const {
  const QStringView wanted = trimBlanks(section);
  for (qsizetype i = 0; i < lines_.size(); ++i) {
    const auto name = headerName(lines_[i]);
    if (name && sameName(*name, wanted)) return i;
  }
  return -1;
}

qsizetype IniFile::findKey(qsizetype header, QStringView key) const {
  const QStringView wanted = trimBlanks(key);
  for (qsizetype i = header + 1; i < lines_.size(); ++i) {
    const QStringView line = lines_[i];
    if (headerName(line)) break;
    const qsizetype equals = line.indexOf(u'=');
    if (equals >= 0 && sameName(trimBlanks(line.left(equals)), wanted)) return i;
  }
  return -1;
}

std::optional<QString> IniFile::getFullString(QStringView section, QStringView key) const {
  const qsizetype header = findSection(section);
  if (header < 0) return std::nullopt;
  const qsizetype at = findKey(header, key);
  if (at < 0) return std::nullopt;
  const QStringView line = lines_[at];
  const QStringView value = trimBlanks(line.mid(line.indexOf(u'=') + 1));
  if (value.isEmpty()) return std::nullopt;
  return value.toString();
}

std::optional<QString> IniFile::getString(QStringView section, QStringView key) const {
  auto value = getFullString(section, key);
  if (value && value->size() > kMaxValueLength) {
    // Never keep half of a surrogate pair.
    qsizetype length = kMaxValueLength;
    if (value->at(length - 1).isHighSurrogate()) --length;
    value->truncate(length);
  }
  return value;
}

void IniFile::setString(QStringView section, QStringView key, const QString& value) {
  QString clean = value;
  clean.replace(u'\r', u' ').replace(u'\n', u' ');
  const QString line = key.toString() + u'=' + clean;

  const qsizetype header = findSection(section);
  if (header < 0) {
    if (!lines_.isEmpty() && !trimBlanks(lines_.last()).isEmpty()) lines_.append(QString());
    lines_.append(u'[' + section.toString() + u']');
    lines_.append(line);
    return;
  }
  const qsizetype at = findKey(header, key);
  if (at >= 0) {
    lines_[at] = line;
    return;
  }
  // After the section's last non-blank line, so a blank separator before the next section stays.
  qsizetype insertAt = header + 1;
  for (qsizetype i = header + 1; i < lines_.size() && !headerName(lines_[i]); ++i) {
    if (!trimBlanks(lines_[i]).isEmpty()) insertAt = i + 1;
  }
  lines_.insert(insertAt, line);
}

QString IniFile::toText(QStringView lineEnd) const {
  QString text;
  for (const QString& line : lines_) {
    text += line;
    text += lineEnd;
  }
  return text;
}

void IniFile::save(const QString& path, QStringView lineEnd) const {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) throw errors::pathAccess(path);
  const QByteArray bytes = encodeUtf8(toText(lineEnd));
  if (file.write(bytes) != bytes.size()) {
    file.cancelWriting();
    throw errors::pathAccess(path);
  }
  if (!file.commit()) throw errors::pathAccess(path);
}

}  // namespace lyrovo
