// The wheel's timing shift of the shown lyric and its write-back into the
// lyric file.
#include "lyrics/lyricadjust.h"

#include "base/apperror.h"
#include "base/savefile.h"
#include "lyrics/loadword.h"
#include "text/encoding.h"
#include "text/numeric.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QStringList>

#include <algorithm>
#include <limits>
#include <optional>

namespace lyrovo {

int WheelNotches::add(int angleDelta) {
  // A delta far beyond any real wheel is cut so the sum cannot overflow.
  pending_ += std::clamp(angleDelta, -1000 * kWheelNotchAngle, 1000 * kWheelNotchAngle);
  const int notches = pending_ / kWheelNotchAngle;
  pending_ -= notches * kWheelNotchAngle;
  return notches;
}

void ShiftLyric(LyricModel& model, int notches) {
  if (notches == 0) return;
  const std::int64_t delta =
      notches > 0 ? std::int64_t(notches) * kWheelLaterMs : std::int64_t(notches) * kWheelEarlierMs;
  const int last = std::min<int>(model.LyricEnd, LyricModel::kEntries);
  for (int k = 1; k <= last; ++k) {
    const std::int64_t shifted = std::int64_t(model.LyricTime[k - 1]) + delta;
    model.LyricTime[k - 1] = std::int32_t(std::clamp<std::int64_t>(
        shifted, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
  }
}

QString LyricTimeTag(std::int32_t ms) {
  const auto centis = static_cast<long long>(nearest(std::max(ms, 0) / 10.0));
  return QString::asprintf("[%02lld:%02lld.%02lld]", centis / 6000, centis % 6000 / 100, centis % 100);
}

namespace {

const char* const kGb18030 = "GB18030";
const char* const kBig5 = "Big5";

// How a lyric file's text was stored, as the loader's guess read it.
enum class FileEncoding { Utf8, Utf8WithMark, Utf16LE, Utf16BE, Gb18030, Big5, Latin1 };

FileEncoding encodingOf(const QByteArray& bytes, const QString& decoded) {
  if (bytes.startsWith("\xEF\xBB\xBF")) return FileEncoding::Utf8WithMark;
  if (bytes.startsWith("\xFF\xFE")) return FileEncoding::Utf16LE;
  if (bytes.startsWith("\xFE\xFF")) return FileEncoding::Utf16BE;
  if (isValidUtf8(bytes)) return FileEncoding::Utf8;
  if (decoded == QString::fromLatin1(bytes)) return FileEncoding::Latin1;
  QStringDecoder big5(kBig5);
  if (big5.isValid() && decoded == QString(big5(bytes))) return FileEncoding::Big5;
  return FileEncoding::Gb18030;
}

// The text in a legacy encoding, or nothing when a character does not fit it.
std::optional<QByteArray> encodeExactly(const QString& text, const char* name) {
  QStringEncoder encoder(name);
  QStringDecoder decoder(name);
  if (!encoder.isValid() || !decoder.isValid()) return std::nullopt;
  QByteArray bytes = encoder(text);
  if (encoder.hasError() || QString(decoder(bytes)) != text) return std::nullopt;
  return bytes;
}

QByteArray encodeAs(const QString& text, FileEncoding encoding) {
  switch (encoding) {
    case FileEncoding::Utf8WithMark:
      return QByteArray("\xEF\xBB\xBF") + encodeUtf8(text);
    case FileEncoding::Utf16LE:
    case FileEncoding::Utf16BE: {
      QStringEncoder encoder(
          encoding == FileEncoding::Utf16LE ? QStringConverter::Utf16LE : QStringConverter::Utf16BE,
          QStringConverter::Flag::WriteBom);
      return encoder(text);
    }
    case FileEncoding::Gb18030:
      return encodeGbk(text);  // GB18030 holds every character
    case FileEncoding::Big5:
      if (auto bytes = encodeExactly(text, kBig5)) return *bytes;
      break;
    case FileEncoding::Latin1:
      if (auto bytes = encodeExactly(text, "ISO-8859-1")) return *bytes;
      break;
    case FileEncoding::Utf8:
      break;
  }
  return encodeUtf8(text);
}

QStringList splitLines(const QString& text) {
  QStringList lines;
  qsizetype start = 0;
  const qsizetype n = text.size();
  while (start < n) {
    qsizetype end = start;
    while (end < n && text[end] != u'\r' && text[end] != u'\n') ++end;
    lines << text.mid(start, end - start);
    if (end < n && text[end] == u'\r' && end + 1 < n && text[end + 1] == u'\n') ++end;
    start = end + 1;
  }
  return lines;
}

// Entry k as a line of the file: its time tag, then its text with a word
// tag before each word.
QString lyricLine(const LyricModel& model, int k) {
  QString text = model.LyricText[k];
  if (text.endsWith(QStringLiteral("  "))) text.chop(2);
  const std::vector<LyricWord>& words = model.LyricWords[k];
  for (auto word = words.rbegin(); word != words.rend(); ++word) {
    if (word->start < 0 || word->start > text.size()) continue;
    const std::int64_t at = std::int64_t(model.time(k)) + word->offsetMs;
    QString tag = LyricTimeTag(std::int32_t(std::clamp<std::int64_t>(at, 0, LyricModel::kFreeTime)));
    tag.front() = u'<';
    tag.back() = u'>';
    text.insert(word->start, tag);
  }
  return LyricTimeTag(model.time(k)) + text;
}

}  // namespace

void WriteBackLyric(const LyricModel& model) {
  const QString& path = model.SourceFile;
  if (path.isEmpty()) throw AppError(errors::FileNotFound, QStringLiteral("No lyric file to write back"));
  const QFileInfo info(path);
  QByteArray bytes;
  if (info.exists()) {
    // A file its owner made read-only stays as it is, for root too.
    if (!info.isFile() || !info.isWritable() || !(info.permissions() & QFileDevice::WriteOwner))
      throw errors::pathAccess(path);
    if (info.size() > kLyricBytesRead)
      throw AppError(errors::PathFileAccess, QStringLiteral("Not a lyric file (too large): ") + path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) throw errors::pathAccess(path);
    bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) throw errors::pathAccess(path);
  }
  const QString original = decodeTextGuessingEncoding(bytes);

  QStringList head, tail;
  bool lyricSeen = false;
  for (const QString& line : splitLines(original)) {
    if (IsTimedLyricLine(line)) {
      lyricSeen = true;
    } else if (!line.trimmed().isEmpty() && !IsOffsetLine(line)) {
      (lyricSeen ? tail : head) << line;
    }
  }
  QStringList lines = head;
  for (int k = 2; k <= model.LyricEnd - 3; ++k) lines << lyricLine(model, k);
  lines << tail;
  const QString lineEnd =
      bytes.contains('\n') && !bytes.contains('\r') ? QStringLiteral("\n") : QStringLiteral("\r\n");
  const QString text = lines.join(lineEnd) + lineEnd;
  const QByteArray out = encodeAs(text, bytes.isEmpty() ? FileEncoding::Utf8 : encodingOf(bytes, original));

  SaveWholeFile(path, out);
}

}  // namespace lyrovo
