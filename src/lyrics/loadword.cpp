#include "lyrics/loadword.h"

#include "base/apppaths.h"

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
#include <exception>
#include <optional>
#include <utility>
#include <vector>

namespace lyrovo {

namespace {

const QString kLoaderName = QStringLiteral("LoadWord");
constexpr qsizetype kReadChunkBytes = 64 * 1024;

// ---------------------------------------------------------------- lines

// Drops a UTF-8 character that the cut at the read limit left incomplete, so
// that a cut UTF-8 file stays valid UTF-8 (and is still recognised as such).
void dropCutCharacter(QByteArray& bytes) {
  qsizetype start = bytes.size();
  int continuation = 0;
  while (start > 0 && continuation < 3 && (uchar(bytes[start - 1]) & 0xC0) == 0x80) {
    --start;
    ++continuation;
  }
  if (start == 0) return;
  const uchar lead = uchar(bytes[start - 1]);
  const int needed = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
  if (continuation < needed) bytes.truncate(start - 1);
}

// The text of the file's first kLyricBytesRead bytes, its encoding guessed.
QString readText(QIODevice& device) {
  QByteArray bytes = device.read(kLyricBytesRead);
  if (!device.atEnd()) dropCutCharacter(bytes);
  return decodeTextGuessingEncoding(bytes);
}

// The raw lines: LF, CR LF and CR each end a line. Reading stops once
// kLyricReadLines are stored.
std::vector<QStringView> rawLines(QStringView text) {
  std::vector<QStringView> lines;
  qsizetype start = 0;
  const qsizetype n = text.size();
  while (start < n && int(lines.size()) < kLyricReadLines) {
    qsizetype end = start;
    while (end < n && text[end] != u'\r' && text[end] != u'\n') ++end;
    lines.push_back(text.mid(start, end - start));
    if (end < n && text[end] == u'\r' && end + 1 < n && text[end + 1] == u'\n') ++end;
    start = end + 1;
  }
  return lines;
}

bool isBlank(QChar c) { return c == u' ' || c == u'\t'; }

QStringView trimBlanks(QStringView s) {
  qsizetype begin = 0, end = s.size();
  while (begin < end && isBlank(s[begin])) ++begin;
  while (end > begin && isBlank(s[end - 1])) --end;
  return s.mid(begin, end - begin);
}

// ---------------------------------------------------------------- tags

// Caps on what a tag's numbers may hold: a time never goes past the time of
// a free position, and digits past these counts change nothing.
constexpr std::int64_t kLatestTimeMs = LyricModel::kFreeTime - 1;
constexpr std::int64_t kNumberCap = 1'000'000'000'000;
constexpr int kFractionDigits = 9;

bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

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

// Milliseconds of a fraction of a second given as its digits after the point.
std::int64_t fractionMs(QStringView digits) {
  const qsizetype n = std::min<qsizetype>(digits.size(), kFractionDigits);
  std::int64_t value = 0;
  for (qsizetype i = 0; i < n; ++i) value = value * 10 + (digits[i].unicode() - u'0');
  return divideNearest(value * 1000, powerOfTen(int(n)));
}

// Reads the time tag opened by s[i] and closed by close: [mm:ss],
// [mm:ss.x], [mm:ss.xx], [mm:ss.xxx], [mm:ss:xx] (hundredths after the
// second colon) and [hh:mm:ss.xx], each field of any number of digits; a
// leading "-" makes the time 0. Gives the position after the closing
// character, or -1 when no time tag stands there.
qsizetype readTimeTag(QStringView s, qsizetype i, QChar close, std::int64_t& ms) {
  qsizetype j = i + 1;
  const qsizetype n = s.size();
  const bool negative = j < n && s[j] == u'-';
  if (negative) ++j;
  std::array<std::int64_t, 3> fields{};
  std::array<QStringView, 3> fieldText;
  int count = 0;
  for (;;) {
    const qsizetype begin = j;
    std::int64_t value = 0;
    while (j < n && isDigit(s[j])) {
      value = std::min(value * 10 + (s[j].unicode() - u'0'), kNumberCap);
      ++j;
    }
    if (j == begin) return -1;
    fields[std::size_t(count)] = value;
    fieldText[std::size_t(count)] = s.mid(begin, j - begin);
    ++count;
    if (j < n && s[j] == u':' && count < 3) {
      ++j;
      continue;
    }
    break;
  }
  if (count < 2) return -1;
  QStringView fraction;
  bool pointed = false;
  if (j < n && s[j] == u'.') {
    pointed = true;
    const qsizetype begin = ++j;
    while (j < n && isDigit(s[j])) ++j;
    fraction = s.mid(begin, j - begin);
  }
  if (j >= n || s[j] != close) return -1;

  std::int64_t total = 0;
  if (count == 2) {  // mm:ss.f
    total = fields[0] * 60000 + fields[1] * 1000 + fractionMs(fraction);
  } else if (pointed) {  // hh:mm:ss.f
    total = (fields[0] * 60 + fields[1]) * 60000 + fields[2] * 1000 + fractionMs(fraction);
  } else {  // mm:ss:xx
    total = fields[0] * 60000 + fields[1] * 1000 + fractionMs(fieldText[2]);
  }
  ms = negative ? 0 : std::min(total, kLatestTimeMs);
  return j + 1;
}

// The value of an [offset:±ms] line, or nothing when the line is not one.
std::optional<std::int64_t> offsetTag(QStringView line) {
  static const QString kOpen = QStringLiteral("[offset:");
  if (!line.startsWith(kOpen, Qt::CaseInsensitive)) return std::nullopt;
  qsizetype j = kOpen.size();
  while (j < line.size() && isBlank(line[j])) ++j;
  bool negative = false;
  if (j < line.size() && (line[j] == u'+' || line[j] == u'-')) negative = line[j++] == u'-';
  std::int64_t value = 0;
  const qsizetype begin = j;
  while (j < line.size() && isDigit(line[j]))
    value = std::min(value * 10 + (line[j++].unicode() - u'0'), kNumberCap);
  if (j == begin) return std::nullopt;
  value = std::min(value, kLatestTimeMs);
  return negative ? -value : value;
}

// One lyric line: its line tags (times in milliseconds), its shown text and
// the times of its words.
struct ParsedLine {
  int tagCount = 0;
  std::array<std::int64_t, kLyricMaxTags> tags{};
  QString text;
  std::vector<LyricWord> words;  // offsets relative to the first line tag
};

enum class LineKind { NotLyric, Lyric, TooManyTags };

// Reads a line: the time tags at its start (blanks between them allowed)
// are its tags; in the rest, <mm:ss.xx> word tags and [mm:ss.xx] tags are
// word times, not text. The text is trimmed and keeps at most
// kLyricTextCharsKept characters; a line keeps at most kLyricWordsKept
// word times.
LineKind parseLine(QStringView line, ParsedLine& out) {
  out = ParsedLine();
  qsizetype pos = 0;
  while (pos < line.size() && isBlank(line[pos])) ++pos;
  while (pos < line.size() && line[pos] == u'[') {
    std::int64_t ms = 0;
    const qsizetype next = readTimeTag(line, pos, u']', ms);
    if (next < 0) break;
    if (out.tagCount == kLyricMaxTags) return LineKind::TooManyTags;
    out.tags[std::size_t(out.tagCount++)] = ms;
    pos = next;
    while (pos < line.size() && isBlank(line[pos])) ++pos;
  }
  if (out.tagCount == 0) return LineKind::NotLyric;

  // The text without word tags; each word tag marks where its word starts.
  QString text;
  text.reserve(std::min(line.size() - pos, kLyricTextCharsKept));
  std::vector<std::pair<qsizetype, std::int64_t>> marks;
  while (pos < line.size() && text.size() < kLyricTextCharsKept) {
    const QChar c = line[pos];
    if (c == u'<' || c == u'[') {
      std::int64_t ms = 0;
      const qsizetype next = readTimeTag(line, pos, c == u'<' ? u'>' : u']', ms);
      if (next >= 0) {
        if (int(marks.size()) < kLyricWordsKept) marks.emplace_back(text.size(), ms);
        pos = next;
        continue;
      }
    }
    text += c;
    ++pos;
  }
  if (!text.isEmpty() && text.back().isHighSurrogate()) text.chop(1);

  // Trimming moves the words' starts with the text.
  qsizetype lead = 0;
  while (lead < text.size() && isBlank(text[lead])) ++lead;
  out.text = trimBlanks(text).toString();
  if (!marks.empty()) {
    const std::int64_t base = out.tags[0];
    std::int32_t latest = 0;
    const auto place = [&](qsizetype at) {
      return int(std::clamp<qsizetype>(at - lead, 0, out.text.size()));
    };
    if (place(marks.front().first) > 0) out.words.push_back({0, 0});
    for (const auto& [at, ms] : marks) {
      // Word times run forward from the line's start.
      latest = std::max(latest, std::int32_t(std::clamp<std::int64_t>(ms - base, 0, kLatestTimeMs)));
      const int start = place(at);
      if (!out.words.empty() && out.words.back().start == start)
        out.words.back().offsetMs = std::max(out.words.back().offsetMs, latest);
      else
        out.words.push_back({start, latest});
    }
  }
  return LineKind::Lyric;
}

}  // namespace

bool IsTimedLyricLine(QStringView line) {
  ParsedLine parsed;
  return parseLine(line, parsed) != LineKind::NotLyric;
}

bool IsOffsetLine(QStringView line) { return offsetTag(trimBlanks(line)).has_value(); }

namespace {

// Kana and Hangul mark a Japanese or Korean text, which the conversion
// between Chinese scripts would spoil (its kanji and hanja are not
// traditional Chinese characters to simplify).
bool isKanaOrHangul(char32_t c) {
  return (c >= 0x3040 && c <= 0x30FF) || (c >= 0x31F0 && c <= 0x31FF) || (c >= 0xFF66 && c <= 0xFF9F) ||
         (c >= 0x1100 && c <= 0x11FF) || (c >= 0x3130 && c <= 0x318F) || (c >= 0xA960 && c <= 0xA97F) ||
         (c >= 0xAC00 && c <= 0xD7FF);
}

bool hasKanaOrHangul(const LyricModel& model, int end) {
  for (int k = 1; k < end; ++k)
    for (QChar c : model.LyricText[k])
      if (isKanaOrHangul(c.unicode())) return true;
  return false;
}

// Converts entry k per index (1: to simplified, else to traditional). The
// conversion is character by character; should it change the length, the
// word times no longer fit the text and are dropped.
void convertEntry(LyricModel& model, int k, int index, const ErrorLog* log) {
  QString& text = model.LyricText[k];
  const qsizetype before = text.size();
  text = index == 1 ? GBK2GB(text, log) : GB2GBK(text, log);
  if (text.size() != before) model.LyricWords[k].clear();
}

// Widths are kept in 16 bits; a text too wide for them is an overflow error.
std::int16_t measure(const LyricTextWidth& textWidth, const QString& text) {
  return toInt16(double(textWidth(text)));
}

}  // namespace

// ---------------------------------------------------------------- parsing

namespace {
LyricParseResult finishModel(int textChange, const LyricTextWidth& textWidth, double songLengthMs,
                             LyricModel& model, const ErrorLog* log);
}  // namespace

LyricParseResult ParseLyric(QIODevice& file, const QString& header, int textChange,
                            const LyricTextWidth& textWidth, double songLengthMs, LyricModel& model,
                            const ErrorLog* log) {
  model.reset();
  const QString text = readText(file);
  const std::vector<QStringView> raw = rawLines(text);

  model.LyricText[1] = header;
  model.LyricTime[0] = 0;
  model.LyricEnd = 2;

  // [offset:] holds wherever it stands in the file: a positive offset shows
  // the lyric earlier. Times are shifted once every line is read.
  std::int64_t offset = 0;
  ParsedLine parsed;
  for (QStringView line : raw) {
    const LineKind kind = parseLine(line, parsed);
    if (kind == LineKind::TooManyTags) return {LyricParseStatus::TooManyTags};
    if (kind == LineKind::NotLyric) {
      if (const auto value = offsetTag(trimBlanks(line))) offset = *value;
    } else {
      // One entry per tag, the line's last tag first; a tag without text
      // is a pause, an entry with empty text.
      for (int t = 0; t < parsed.tagCount; ++t) {
        const int tag = t == 0 ? parsed.tagCount - 1 : t - 1;
        const int k = model.LyricEnd;
        if (k > LyricModel::kEntries) return {LyricParseStatus::TooManyEntries};
        model.LyricText[k] = parsed.text;
        model.LyricTime[k - 1] = std::int32_t(parsed.tags[std::size_t(tag)]);
        model.LyricWords[k] = parsed.words;
        model.LyricEnd = std::int16_t(k + 1);
      }
    }
    if (model.LyricEnd > kLyricMaxEnd) return {LyricParseStatus::TooManyEntries};
  }
  const int end = model.LyricEnd;
  for (int k = 2; k < end; ++k)
    model.LyricTime[k - 1] = std::int32_t(std::clamp<std::int64_t>(model.time(k) - offset, 0, kLatestTimeMs));
  return finishModel(textChange, textWidth, songLengthMs, model, log);
}

namespace {

// The common end of a load once the entries stand in the model: sorting,
// script conversion, widths, the checks, the header and end entries.
LyricParseResult finishModel(int textChange, const LyricTextWidth& textWidth, double songLengthMs,
                             LyricModel& model, const ErrorLog* log) {
  const int end = model.LyricEnd;
  // Selection sort by time: the earliest entry at or after each position
  // (the lowest index among equals) is swapped into it.
  for (int i = 1; i < end; ++i) {
    int earliest = i;
    for (int j = i + 1; j < end; ++j)
      if (model.time(j) < model.time(earliest)) earliest = j;
    if (earliest != i) {
      std::swap(model.LyricText[i], model.LyricText[earliest]);
      std::swap(model.LyricTime[i - 1], model.LyricTime[earliest - 1]);
      std::swap(model.LyricWords[i], model.LyricWords[earliest]);
    }
  }
  const bool convert = !hasKanaOrHangul(model, end);
  for (int k = 1; k < end; ++k) {
    if (convert) convertEntry(model, k, textChange, log);
    model.LyricText[k] += QStringLiteral("  ");
    model.LyricWidth[k - 1] = measure(textWidth, model.LyricText[k]);
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

}  // namespace

LyricParseResult ParseTimedLyric(const std::vector<TimedLyricLine>& lines, const QString& header,
                                 int textChange, const LyricTextWidth& textWidth, double songLengthMs,
                                 LyricModel& model, const ErrorLog* log) {
  model.reset();
  model.LyricText[1] = header;
  model.LyricTime[0] = 0;
  model.LyricEnd = 2;
  for (const TimedLyricLine& line : lines) {
    const int k = model.LyricEnd;
    if (k > kLyricMaxEnd - 1) return {LyricParseStatus::TooManyEntries};
    // Trimming moves the words' starts with the text, as for a line of a file.
    const QString cut = line.text.left(kLyricTextCharsKept);
    qsizetype lead = 0;
    while (lead < cut.size() && isBlank(cut[lead])) ++lead;
    model.LyricText[k] = trimBlanks(cut).toString();
    model.LyricTime[k - 1] = std::clamp<std::int32_t>(line.timeMs, 0, std::int32_t(kLatestTimeMs));
    std::vector<LyricWord>& words = model.LyricWords[k];
    words.clear();
    for (const LyricWord& word : line.words) {
      if (int(words.size()) == kLyricWordsKept) break;
      const int start = int(std::clamp<qsizetype>(word.start - lead, 0, model.LyricText[k].size()));
      const std::int32_t at = std::clamp<std::int32_t>(word.offsetMs, 0, std::int32_t(kLatestTimeMs));
      if (!words.empty() && (start < words.back().start || at < words.back().offsetMs)) continue;
      if (!words.empty() && words.back().start == start)
        words.back().offsetMs = at;
      else
        words.push_back({start, at});
    }
    model.LyricEnd = std::int16_t(k + 1);
  }
  return finishModel(textChange, textWidth, songLengthMs, model, log);
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
  const bool convert = !hasKanaOrHangul(model, end);
  for (int k = 1; k < end; ++k) {
    if (convert) convertEntry(model, k, index, log);
    model.LyricWidth[k - 1] = measure(textWidth, model.LyricText[k]);
  }
}

QString LyricFileName(const PlayerState& player) {
  return player.SongArtist + QStringLiteral(" - ") + player.SongTitle + QStringLiteral(".lrc");
}

// ---------------------------------------------------------------- loading

namespace {

const QString kLyricNotFoundText = QStringLiteral("歌词未找到，请右击搜索！");

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

}  // namespace

// Keeps the lyric file from under the song's lyric name: in the song's
// folder when saveToSongPath is set, and always in the lyric folder
// (created when missing). Each target is handled on its own, so a failure
// is logged and the next one still tried; a folder named twice (the song
// lies in the lyric folder) gets one copy and at most one question, and a
// target that is from itself counts as kept without a question.
QString KeepLyricCopies(const QString& from, LoadWordContext& c, bool onTopReplaces,
                        const QString& procedure) {
  struct Target {
    QString folder;
    bool create;
  };
  std::vector<Target> targets;
  if (c.settings.saveToSongPath && !c.songFolder.isEmpty())
    targets.push_back({withSlash(c.songFolder), false});
  if (!c.settings.WordPath.isEmpty()) targets.push_back({withSlash(c.settings.WordPath), true});

  const QString name = LyricFileName(c.player).replace(u'/', u' ');
  const QString source = QFileInfo(from).canonicalFilePath();
  QStringList handled;
  QString kept;
  for (const Target& t : targets) {
    c.log.trap(procedure, [&] {
      if (t.create && !QFileInfo(t.folder).isDir() && !QDir().mkpath(t.folder))
        throw errors::pathNotFound(t.folder);
      const QString canonical = QFileInfo(t.folder).canonicalFilePath();
      if (!canonical.isEmpty()) {
        if (handled.contains(canonical)) return;
        handled << canonical;
      }
      const QString target = t.folder + name;
      const QFileInfo existing(target);
      if (!source.isEmpty() && existing.canonicalFilePath() == source) {
        if (kept.isEmpty()) kept = target;
        return;
      }
      if ((existing.exists() || existing.isSymLink()) && !c.settings.autoReWrite &&
          !(onTopReplaces && c.player.OnTop)) {
        const Prompts::Answer answer = c.prompts.message(
            Prompts::Icon::Question, Prompts::Buttons::YesNo, QStringLiteral("Lyrovo - 覆盖提示"),
            QStringLiteral("歌词文件：") + target + QStringLiteral("已经存在，是否覆盖？"));
        if (answer != Prompts::Answer::Yes) return;
      }
      copyFileAtomically(from, target);
      if (kept.isEmpty()) kept = target;
    });
  }
  return kept;
}

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
    if (isLocal) c.model.SourceFile = source;
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
  if (!isLocal && c.settings.saveWord) c.model.SourceFile = KeepLyricCopies(c.tempFile, c, true, kLoaderName);
  return true;
}

}  // namespace lyrovo
