#include "playlist/playlistfile.h"

#include "base/apperror.h"
#include "base/savefile.h"
#include "playlist/playlistops.h"
#include "text/encoding.h"
#include "text/numeric.h"

#include <QFile>

#include <cmath>
#include <exception>
#include <optional>

namespace lyrovo {

namespace {

constexpr char16_t kFullWidthEquals = u'\uFF1D';

// Splits a device's bytes into lines ended by CR LF, LF or a lone CR,
// reading a block at a time so that memory follows the longest line, not
// the file.
class LineReader {
 public:
  explicit LineReader(QIODevice& device) : device_(device) {}

  // The next line without its end; false after the last one. Throws
  // AppError when the device reports a read error.
  bool next(QByteArray& line) {
    for (;;) {
      const char* data = buffer_.constData();
      const qsizetype size = buffer_.size();
      qsizetype end = scan_;
      while (end < size && data[end] != '\r' && data[end] != '\n') ++end;
      scan_ = end;
      // A CR at the end of the buffer may be the first half of CR LF.
      if (end < size && (data[end] == '\n' || end + 1 < size || atEnd_)) {
        line = buffer_.mid(start_, end - start_);
        start_ = end + 1;
        if (data[end] == '\r' && start_ < size && data[start_] == '\n') ++start_;
        scan_ = start_;
        return true;
      }
      if (atEnd_) {
        if (start_ >= size) return false;
        line = buffer_.mid(start_);
        start_ = scan_ = size;
        return true;
      }
      fill();
    }
  }

 private:
  static constexpr qsizetype kBlock = 64 * 1024;

  void fill() {
    buffer_.remove(0, start_);
    scan_ -= start_;
    start_ = 0;
    const qsizetype old = buffer_.size();
    buffer_.resize(old + kBlock);
    const qint64 got = device_.read(buffer_.data() + old, kBlock);
    if (got < 0) {
      buffer_.resize(old);
      atEnd_ = true;
      throw AppError(errors::PathFileAccess,
                     QStringLiteral("Path/File access error: ") + device_.errorString());
    }
    buffer_.resize(old + got);
    if (got == 0) atEnd_ = true;
  }

  QIODevice& device_;
  QByteArray buffer_;
  qsizetype start_ = 0;  // first byte of the next line
  qsizetype scan_ = 0;   // bytes before this hold no line end
  bool atEnd_ = false;
};

// The current row saved in line 1: its leading number, rounded, within 0..32767.
std::int16_t indexFromText(const QString& text) {
  const double value = nearest(val(text));
  if (!(value > 0)) return 0;  // negative, zero or not a number
  if (value >= Playlist::kMaxRows) return Playlist::kMaxRows;
  return std::int16_t(value);
}

// A row from "path=title=artist=length"; the path may itself contain "=".
std::optional<PlaylistRow> rowFromLine(const QString& line) {
  qsizetype cuts[3];
  int found = 0;
  for (qsizetype i = line.size() - 1; i >= 0 && found < 3; --i) {
    if (line[i] == u'=') cuts[found++] = i;
  }
  if (found < 3) return std::nullopt;
  PlaylistRow row;
  row.path = line.left(cuts[2]);
  // A row whose file is absent stays (its drive may come back), unless its
  // path is relative: such a path names no file for sure.
  row.missing = !FileExists(row.path);
  if (row.missing && !row.path.startsWith(u'/')) return std::nullopt;
  row.title = line.mid(cuts[2] + 1, cuts[1] - cuts[2] - 1);
  row.artist = line.mid(cuts[1] + 1, cuts[0] - cuts[1] - 1);
  row.lengthText = line.mid(cuts[0] + 1);
  return row;
}

// A title, artist or length as saved: no "=" (it would move the field
// boundaries) and no line breaks (they would end the row).
QString savedField(QString text) {
  text.replace(u'=', kFullWidthEquals);
  text.replace(u'\r', u' ');
  text.replace(u'\n', u' ');
  return text;
}

}  // namespace

QString PlaylistFilePath(const QString& appPath) { return appPath + QStringLiteral("Playlist.dat"); }

void SavePlaylist(const Playlist& list, std::int16_t CurrentIndex, const QString& appPath) {
  SavePlaylist(list.rows(), CurrentIndex, appPath);
}

void SavePlaylist(const std::vector<PlaylistRow>& rows, std::int16_t CurrentIndex, const QString& appPath) {
  QByteArray bytes;
  bytes.reserve(qsizetype(rows.size()) * 128 + 16);
  // A number is printed with a blank in the sign place of a non-negative
  // value and one blank after it.
  if (CurrentIndex >= 0) bytes += ' ';
  bytes += QByteArray::number(CurrentIndex);
  bytes += " \r\n";
  for (const PlaylistRow& row : rows) {
    const QString line = row.path + u'=' + savedField(row.title) + u'=' + savedField(row.artist) + u'=' +
                         savedField(row.lengthText);
    bytes += encodeUtf8(line);
    bytes += "\r\n";
  }

  const QString path = PlaylistFilePath(appPath);
  SaveWholeFile(path, bytes);
}

bool LoadPlaylist(Playlist& list, std::int16_t& CurrentIndex, bool continueLastPlay, const QString& appPath) {
  const QString path = PlaylistFilePath(appPath);
  if (!FileExists(path)) return true;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    throw AppError(errors::PathFileAccess, QStringLiteral("Path/File access error: ") + path +
                                               QStringLiteral(" (") + file.errorString() + u')');

  LineReader reader(file);
  std::vector<PlaylistRow> rows;
  const std::size_t room = std::size_t(Playlist::kMaxRows - list.count());
  std::exception_ptr failure;
  bool whole = true;
  try {
    QByteArray line;
    if (continueLastPlay) CurrentIndex = reader.next(line) ? indexFromText(decodeText(line)) : 0;
    while (reader.next(line)) {
      std::optional<PlaylistRow> row = rowFromLine(decodeText(line));
      if (!row) continue;
      if (rows.size() == room) {
        whole = false;
        break;
      }
      row->numberText = QString::number(list.count() + int(rows.size()) + 1) + u'.';
      rows.push_back(std::move(*row));
    }
  } catch (...) {
    failure = std::current_exception();
  }

  // Rows read before a failure are kept, and CurrentIndex fits them.
  list.append(std::move(rows));
  if (continueLastPlay) {
    if (CurrentIndex > list.count()) CurrentIndex = std::int16_t(list.count());
    if (list.count() > 0 && CurrentIndex == 0) CurrentIndex = 1;
  }
  if (failure) std::rethrow_exception(failure);
  return whole;
}

}  // namespace lyrovo
