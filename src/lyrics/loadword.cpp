#include "lyrics/loadword.h"

#include "base/apperror.h"
#include "base/errorlog.h"
#include "base/playerstate.h"
#include "base/prompts.h"
#include "settings/settings.h"
#include "text/encoding.h"
#include "text/numeric.h"
#include "text/textutil.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QSaveFile>
#include <QStringList>
#include <QStringView>

#include <algorithm>
#include <array>
#include <cstring>
#include <exception>
#include <utility>
#include <vector>

namespace lyrovo {

namespace {

const QString kLoaderName = QStringLiteral("LoadWord");
constexpr qsizetype kReadChunkBytes = 64 * 1024;

// ---------------------------------------------------------------- physical lines

// Drops a UTF-8 character that the cut at the line's byte limit left
// incomplete, so that a cut line of a UTF-8 file stays valid UTF-8 (and the
// file is still recognised as UTF-8).
void dropCutCharacter(QByteArray& line) {
  qsizetype start = line.size();
  int continuation = 0;
  while (start > 0 && continuation < 3 && (uchar(line[start - 1]) & 0xC0) == 0x80) {
    --start;
    ++continuation;
  }
  if (start == 0) return;
  const uchar lead = uchar(line[start - 1]);
  const int needed = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
  if (continuation < needed) line.truncate(start - 1);
}

// Reads physical lines of bytes: a line ends at CR, at CR LF or at the end
// of the file; a lone LF stays in the line. Of a longer line only the first
// kLyricLineBytesKept bytes are kept; the rest is read past in chunks.
class PhysicalLineReader {
 public:
  explicit PhysicalLineReader(QIODevice& device) : device_(device) {}

  bool next(QByteArray& line) {
    line.clear();
    if (!fill()) return false;
    bool cut = false;
    for (;;) {
      const char* begin = buffer_.constData() + pos_;
      const qsizetype available = buffer_.size() - pos_;
      const char* cr = static_cast<const char*>(std::memchr(begin, '\r', std::size_t(available)));
      const qsizetype length = cr ? cr - begin : available;
      const qsizetype room = kLyricLineBytesKept - line.size();
      if (length > room) cut = true;
      line.append(begin, std::min(length, room));
      pos_ += length;
      if (cr) {
        ++pos_;
        if (fill() && buffer_[pos_] == '\n') ++pos_;
        break;
      }
      if (!fill()) break;
    }
    if (cut) dropCutCharacter(line);
    return true;
  }

 private:
  // Makes sure unread bytes are buffered; false at the end of the file.
  bool fill() {
    if (pos_ < buffer_.size()) return true;
    buffer_ = device_.read(kReadChunkBytes);
    pos_ = 0;
    return !buffer_.isEmpty();
  }

  QIODevice& device_;
  QByteArray buffer_;
  qsizetype pos_ = 0;
};

// The physical lines that reading can get to (at most kLyricReadLines),
// decoded together so that one decision between UTF-8 and GB18030 holds for
// the whole text. The lines are joined at CR for decoding: CR is the same
// byte in both encodings, and the GB18030 decoder never takes it as part of
// a broken character.
QStringList readPhysicalLines(QIODevice& device) {
  const QByteArray mark = device.peek(2);
  if (mark == "\xFF\xFE" || mark == "\xFE\xFF") {
    QByteArray utf8 = "\xEF\xBB\xBF" + encodeUtf8(decodeText(device.read(kLyricUtf16BytesRead)));
    QBuffer converted(&utf8);
    converted.open(QIODevice::ReadOnly);
    return readPhysicalLines(converted);
  }
  PhysicalLineReader reader(device);
  QByteArray joined;
  QByteArray line;
  int count = 0;
  while (count < kLyricReadLines && reader.next(line)) {
    if (count > 0) joined += '\r';
    joined += line;
    ++count;
  }
  if (count == 0) return {};
  return decodeText(joined).split(u'\r');
}

QStringView trimSpaces(QStringView s) {
  qsizetype begin = 0, end = s.size();
  while (begin < end && s[begin] == u' ') ++begin;
  while (end > begin && s[end - 1] == u' ') --end;
  return s.mid(begin, end - begin);
}

// Stores the raw lines of one physical line: it is trimmed, then split at
// each LF that has a character other than "]" before it and a "[" after it.
// Other LFs stay in the text. False when the 201st raw line would be stored.
bool storeRawLines(QStringView physical, std::vector<QString>& raw) {
  auto store = [&raw](QStringView piece) {
    if (int(raw.size()) == kLyricMaxLines) return false;
    raw.push_back(piece.toString());
    return true;
  };
  QStringView rest = trimSpaces(physical);
  qsizetype from = 0;
  for (;;) {
    const qsizetype lf = rest.indexOf(u'\n', from);
    if (lf < 0) break;
    if (lf > 0 && rest[lf - 1] != u']' && lf + 1 < rest.size() && rest[lf + 1] == u'[') {
      if (!store(rest.left(lf))) return false;
      rest = rest.mid(lf + 1);
      from = 0;
    } else {
      from = lf + 1;
    }
  }
  return store(rest);
}

// ---------------------------------------------------------------- tags

// A decimal number as digits and the count of digits after its point.
struct Decimal {
  std::int64_t digits = 0;
  int scale = 0;
};

// The longest leading decimal number of s (ASCII digits with at most one
// point); 0 when s does not start with one.
Decimal leadingDecimal(QStringView s) {
  Decimal d;
  bool point = false;
  for (QChar c : s) {
    if (c >= u'0' && c <= u'9') {
      d.digits = d.digits * 10 + (c.unicode() - u'0');
      if (point) ++d.scale;
    } else if (c == u'.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  return d;
}

std::int64_t powerOfTen(int n) {
  std::int64_t p = 1;
  while (n-- > 0) p *= 10;
  return p;
}

// n / d for n >= 0, d > 0, rounded to the nearest integer, halves to the even one.
std::int64_t divideNearest(std::int64_t n, std::int64_t d) {
  std::int64_t q = n / d;
  const std::int64_t twice = 2 * (n % d);
  if (twice > d || (twice == d && (q & 1))) ++q;
  return q;
}

// Milliseconds of the tag whose "[" stands at i: minutes from the two
// characters after the "[", seconds from the five starting four after it.
// Computed exactly, so "[00:.0015]" (1.5 ms) rounds to 2 and "[00:.0005]" to 0.
std::int32_t tagTime(QStringView line, qsizetype i) {
  const Decimal minutes = leadingDecimal(line.mid(std::min(i + 1, line.size()), 2));
  const Decimal seconds = leadingDecimal(line.mid(std::min(i + 4, line.size()), 5));
  const int scale = std::max(minutes.scale, seconds.scale);
  const std::int64_t numerator = minutes.digits * 60000 * powerOfTen(scale - minutes.scale) +
                                 seconds.digits * 1000 * powerOfTen(scale - seconds.scale);
  return std::int32_t(divideNearest(numerator, powerOfTen(scale)));
}

// Widths are kept in 16 bits; a text too wide for them is an overflow error.
std::int16_t measure(const LyricTextWidth& textWidth, const QString& text) {
  return toInt16(double(textWidth(text)));
}

// The text of a line from its text start: trimmed, and at most
// kLyricTextCharsKept characters (never half of a surrogate pair).
QString lineText(QStringView line, qsizetype start) {
  if (start >= line.size()) return {};
  QStringView text = trimSpaces(line.mid(start));
  if (text.size() > kLyricTextCharsKept) {
    qsizetype keep = kLyricTextCharsKept;
    if (text[keep - 1].isHighSurrogate()) --keep;
    text = trimSpaces(text.left(keep));
  }
  return text.toString();
}

}  // namespace

// ---------------------------------------------------------------- parsing

LyricParseResult ParseLyric(QIODevice& file, const QString& header, int textChange,
                            const LyricTextWidth& textWidth, double songLengthMs, LyricModel& model,
                            const ErrorLog* log) {
  model.reset();

  // Raw lines: reading stops once kLyricReadLines are stored.
  std::vector<QString> raw;
  for (const QString& physical : readPhysicalLines(file)) {
    if (int(raw.size()) >= kLyricReadLines) break;
    if (!storeRawLines(physical, raw)) return {LyricParseStatus::TooManyLines};
  }

  model.LyricText[1] = header;
  model.LyricTime[0] = 0;
  model.LyricEnd = 2;

  // The tag length: fixed by the first line whose first "[" is followed by
  // "0", as the distance from that "[" to the line's first "]". A first
  // tagged line without a "]" after its "[" leaves no usable length, and no
  // tag in the file is recognised.
  qsizetype tagLength = 0;
  bool tagLengthSet = false;
  std::array<qsizetype, kLyricMaxTags> tags{};

  for (const QString& line : raw) {
    const qsizetype h = line.indexOf(u'[');
    if (h < 0 || h + 1 >= line.size() || line[h + 1] != u'0') continue;
    if (!tagLengthSet) {
      tagLength = line.indexOf(u']') - h + 1;
      if (tagLength == 8 || tagLength == 9) tagLength = 10;
      tagLengthSet = true;
    }

    // Tags: each "[" whose tag length ends in "]"; the search goes on after
    // a tag, or one character after a "[" that is not one. Where the search
    // ends, the text starts.
    int count = 0;
    qsizetype from = h;
    for (;;) {
      const qsizetype open = line.indexOf(u'[', from);
      if (open < 0) break;
      const qsizetype close = open + tagLength - 1;
      if (tagLength >= 2 && close < line.size() && line[close] == u']') {
        if (count == kLyricMaxTags) return {LyricParseStatus::TooManyTags};
        tags[count++] = open;
        from = open + tagLength;
      } else {
        from = open + 1;
      }
    }
    const QString text = lineText(line, from);

    // One entry per tag, the line's last tag first; a line without text
    // gives none.
    if (count > 0 && !text.isEmpty()) {
      for (int t = 0; t < count; ++t) {
        const qsizetype open = tags[t == 0 ? count - 1 : t - 1];
        const int k = model.LyricEnd;
        if (k > LyricModel::kEntries) return {LyricParseStatus::TooManyEntries};
        model.LyricText[k] = text;
        model.LyricTime[k - 1] = tagTime(line, open);
        model.LyricEnd = std::int16_t(k + 1);
      }
    }
    if (model.LyricEnd > kLyricMaxEnd) return {LyricParseStatus::TooManyEntries};
  }

  // Selection sort by time: the earliest entry at or after each position
  // (the lowest index among equals) is swapped into it.
  const int end = model.LyricEnd;
  for (int i = 1; i < end; ++i) {
    int earliest = i;
    for (int j = i + 1; j < end; ++j)
      if (model.time(j) < model.time(earliest)) earliest = j;
    if (earliest != i) {
      std::swap(model.LyricText[i], model.LyricText[earliest]);
      std::swap(model.LyricTime[i - 1], model.LyricTime[earliest - 1]);
    }
  }
  for (int k = 1; k < end; ++k) {
    QString& text = model.LyricText[k];
    text = (textChange == 1 ? GBK2GB(text, log) : GB2GBK(text, log)) + QStringLiteral("  ");
    model.LyricWidth[k - 1] = measure(textWidth, text);
  }

  if (end < 8) return {LyricParseStatus::TooFewEntries};
  if (model.time(4) > kLyricLatestThirdLineMs) return {LyricParseStatus::LateStart};

  // The header halfway to the first line, the end entry, the empty entry at the song's end.
  model.LyricTime[0] = toInt32(model.time(2) / 2.0);
  const QString endText = QStringLiteral("Lyrovo - End");
  model.LyricText[end] = endText;
  model.LyricTime[end - 1] = toInt32((songLengthMs + 3.0 * model.time(end - 1)) / 4.0);
  model.LyricWidth[end - 1] = measure(textWidth, endText);
  model.LyricText[end + 1].clear();
  model.LyricTime[end] = toInt32(songLengthMs);
  model.LyricEnd = std::int16_t(end + 2);
  return {LyricParseStatus::Loaded};
}

LyricParseResult ParseLyric(const QByteArray& fileBytes, const QString& header, int textChange,
                            const LyricTextWidth& textWidth, double songLengthMs, LyricModel& model,
                            const ErrorLog* log) {
  QBuffer buffer;
  buffer.setData(fileBytes);
  buffer.open(QIODevice::ReadOnly);
  return ParseLyric(buffer, header, textChange, textWidth, songLengthMs, model, log);
}

void ConvertLyricScript(LyricModel& model, int index, const LyricTextWidth& textWidth, const ErrorLog* log) {
  const int end = std::clamp<int>(model.LyricEnd, 1, LyricModel::kEntries + 1);
  for (int k = 1; k < end; ++k) {
    QString& text = model.LyricText[k];
    text = index == 1 ? GBK2GB(text, log) : GB2GBK(text, log);
    model.LyricWidth[k - 1] = measure(textWidth, text);
  }
}

QString LyricFileName(const PlayerState& player) {
  return player.SongArtist + QStringLiteral(" - ") + player.SongTitle + QStringLiteral(".lrc");
}

// ---------------------------------------------------------------- loading

namespace {

const QString kLyricNotFoundText = QStringLiteral("歌词未找到，请右击搜索！");

QString withSlash(const QString& folder) {
  return folder.isEmpty() || folder.endsWith(u'/') ? folder : folder + u'/';
}

// The pane's failure text, and a message box when the search window is open
// and the player is not on top (a box would hide behind it or interrupt).
void showFailure(LoadWordContext& c, const QString& boxText) {
  c.log.trap(kLoaderName, [&] {
    c.player.LyricLoaded = false;
    c.host.DrawInfo(kLyricNotFoundText);
    if (c.player.SearchWindowOpen && !c.player.OnTop)
      c.prompts.message(Prompts::Icon::Critical, Prompts::Buttons::Ok, QStringLiteral("Lyrovo - 下载提示"),
                        boxText);
  });
}

LyricParseResult readLyricFile(const QString& path, LoadWordContext& c) {
  const QFileInfo info(path);
  if (!info.exists()) throw AppError(errors::FileNotFound, QStringLiteral("File not found: ") + path);
  // Only a regular file is opened: a FIFO or a device could block forever.
  if (!info.isFile()) throw errors::pathAccess(path);
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    throw AppError(errors::PathFileAccess, QStringLiteral("Path/File access error: ") + path +
                                               QStringLiteral(" (") + file.errorString() + u')');
  const QString header = c.player.SongArtist + QStringLiteral(" - ") + c.player.SongTitle;
  return ParseLyric(
      file, header, c.settings.textChange, [&c](const QString& text) { return c.host.TextWidth(text); },
      c.songLengthMs, c.model, &c.log);
}

// Copies from to target through a temporary file beside target that is
// renamed over it once every byte is written: target is either untouched or
// the complete copy.
void copyFileAtomically(const QString& from, const QString& target) {
  QFile in(from);
  if (!in.open(QIODevice::ReadOnly)) throw errors::pathAccess(from);
  QSaveFile out(target);
  if (!out.open(QIODevice::WriteOnly))
    throw AppError(errors::PathFileAccess, QStringLiteral("Path/File access error: ") + target +
                                               QStringLiteral(" (") + out.errorString() + u')');
  for (;;) {
    const QByteArray chunk = in.read(kReadChunkBytes);
    if (chunk.isEmpty()) break;
    if (out.write(chunk) != chunk.size()) {
      const QString reason = out.errorString();
      out.cancelWriting();
      throw AppError(errors::DiskFull,
                     QStringLiteral("Disk full: ") + target + QStringLiteral(" (") + reason + u')');
    }
  }
  if (in.error() != QFileDevice::NoError) {
    out.cancelWriting();
    throw errors::pathAccess(from);
  }
  if (!out.commit())
    throw AppError(errors::PathFileAccess, QStringLiteral("Path/File access error: ") + target +
                                               QStringLiteral(" (") + out.errorString() + u')');
}

// Keeps the downloaded lyric: in the song's folder when saveToSongPath is
// set, and always in the lyric folder (created when missing). Each target
// is handled on its own, so a failure is logged and the next one still
// tried; a folder named twice (the song lies in the lyric folder) gets one
// copy and at most one question.
void keepCopies(LoadWordContext& c) {
  struct Target {
    QString folder;
    bool create;
  };
  std::vector<Target> targets;
  if (c.settings.saveToSongPath && !c.songFolder.isEmpty())
    targets.push_back({withSlash(c.songFolder), false});
  if (!c.settings.WordPath.isEmpty()) targets.push_back({withSlash(c.settings.WordPath), true});

  const QString name = LyricFileName(c.player).replace(u'/', u' ');
  QStringList handled;
  for (const Target& t : targets) {
    c.log.trap(kLoaderName, [&] {
      if (t.create && !QFileInfo(t.folder).isDir() && !QDir().mkpath(t.folder))
        throw errors::pathNotFound(t.folder);
      const QString canonical = QFileInfo(t.folder).canonicalFilePath();
      if (!canonical.isEmpty()) {
        if (handled.contains(canonical)) return;
        handled << canonical;
      }
      const QString target = t.folder + name;
      const QFileInfo existing(target);
      if ((existing.exists() || existing.isSymLink()) && !c.settings.autoReWrite && !c.player.OnTop) {
        const Prompts::Answer answer = c.prompts.message(
            Prompts::Icon::Question, Prompts::Buttons::YesNo, QStringLiteral("Lyrovo - 覆盖提示"),
            QStringLiteral("歌词文件：") + target + QStringLiteral("已经存在，是否覆盖？"));
        if (answer != Prompts::Answer::Yes) return;
      }
      copyFileAtomically(c.tempFile, target);
    });
  }
}

}  // namespace

bool LoadWord(const QString& source, bool isLocal, LoadWordContext& c) {
  // The previous lyric is gone from here on, whatever the outcome.
  c.model.reset();
  c.player.LyricLoaded = false;
  try {
    c.host.ResetScroll();
    QString path = source;
    if (!isLocal) {
      if (!c.search.IsOnline) {
        c.host.DrawInfo(QStringLiteral("未联网!"));
        return false;
      }
      c.host.DrawInfo(QStringLiteral("正在加载歌词..."));
      const QString text = c.host.DownFile(source);
      if (text.isEmpty() || text == u"0") {
        showFailure(c, QStringLiteral("歌词下载失败，请尝试其它链接！"));
        return false;
      }
      path = c.tempFile;
    }
    if (!readLyricFile(path, c).ok()) {
      showFailure(c, QStringLiteral("该歌词有误，请尝试其它链接！"));
      return false;
    }
    c.host.ClearPane();
    c.host.WordAdjust();
    c.host.StartLyricTimer();
    c.player.LyricLoaded = true;
  } catch (...) {
    c.log.log(kLoaderName, ErrorLog::fromException(std::current_exception()));
    showFailure(c, QStringLiteral("该歌词有误，请尝试其它链接！"));
    return false;
  }
  // A lyric that shows is not undone by a copy that could not be kept.
  if (!isLocal && c.settings.saveWord) keepCopies(c);
  return true;
}

}  // namespace lyrovo
