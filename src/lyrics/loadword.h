#pragma once

#include "lyrics/lyricmodel.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <functional>
#include <vector>

class QIODevice;

namespace lyrovo {

class ErrorLog;
class Prompts;
struct PlayerState;
struct SearchState;
struct Settings;

// What a lyric file can hold, as this program reads it.
inline constexpr int kLyricReadLines = 199;  // reading stops once this many lines are stored
inline constexpr int kLyricMaxTags = 20;     // time tags at the start of a line; one more rejects
inline constexpr int kLyricMaxEnd = 195;     // LyricEnd after a line; above rejects (193 lyric lines)
inline constexpr std::int32_t kLyricLatestThirdLineMs = 120000;

// Bounds of the work a single load does, so that huge or binary files
// finish at once: only the first 4 MiB of a file are read, a lyric text keeps
// its first 4096 characters and a line its first 512 word times. No real
// lyric comes near any of them.
inline constexpr qint64 kLyricBytesRead = 4 * 1024 * 1024;
inline constexpr qsizetype kLyricTextCharsKept = 4096;
inline constexpr int kLyricWordsKept = 512;

enum class LyricParseStatus {
  Loaded,
  TooManyTags,     // more than 20 time tags on one line
  TooManyEntries,  // more than 193 lyric lines
  TooFewEntries,   // fewer than 6 lyric lines
  LateStart,       // the third lyric line starts after 2:00.00
};

struct LyricParseResult {
  LyricParseStatus status = LyricParseStatus::TooFewEntries;
  bool ok() const { return status == LyricParseStatus::Loaded; }
};

// Width in pixels of a text drawn in the lyric pane's font.
using LyricTextWidth = std::function<int(const QString&)>;

// Reads an LRC file into model (emptied first; LyricText[0] stays).
//
// The encoding is guessed (UTF-8 or UTF-16 by their marks, UTF-8, GBK/
// GB18030, Big5, Latin-1). LF, CR LF and CR each end a line. A lyric line
// starts with one or more time tags ([mm:ss], [mm:ss.xx], [mm:ss.xxx],
// [mm:ss:xx], [hh:mm:ss.xx], minutes of any length; a negative one counts as
// 0) and gives one entry per tag, its last tag's first; a line with tags and
// no text is a pause, an entry with empty text. Word tags (<mm:ss.xx>, and
// time tags inside the text) are not shown: they become the entry's word
// times. Other lines are skipped, except that [offset:±ms] shifts every time
// (a positive offset shows the lyric earlier; no time goes below 0). The
// entries are sorted by time, converted to simplified characters (textChange
// 1) or traditional ones (any other value) unless the lyric contains kana or
// Hangul, get two blanks appended and their width measured. A loaded lyric
// then has the header (entry 1, at half the first line's time), its lines,
// the "Lyrovo - End" entry at a quarter of the way from the last line to the
// song's end, and an empty entry at the song's end.
//
// On a rejection the model is left as far as it got. Throws AppError when a
// width does not fit 16 bits or a time 32 bits (Overflow).
LyricParseResult ParseLyric(QIODevice& file, const QString& header, int textChange,
                            const LyricTextWidth& textWidth, double songLengthMs, LyricModel& model,
                            const ErrorLog* log = nullptr);
LyricParseResult ParseLyric(const QByteArray& fileBytes, const QString& header, int textChange,
                            const LyricTextWidth& textWidth, double songLengthMs, LyricModel& model,
                            const ErrorLog* log = nullptr);

// One lyric line with its time and the times of its words (offsets from the
// line's time), as a lyric stored with times gives it.
struct TimedLyricLine {
  std::int32_t timeMs = 0;
  QString text;
  std::vector<LyricWord> words;
};

// Builds the model from timed lines exactly as ParseLyric does from the
// lines of a file: the same sorting, script conversion, widths, checks,
// header and end entries. Texts are trimmed and kept to kLyricTextCharsKept
// characters; lines beyond what a file may hold reject the lyric.
LyricParseResult ParseTimedLyric(const std::vector<TimedLyricLine>& lines, const QString& header,
                                 int textChange, const LyricTextWidth& textWidth, double songLengthMs,
                                 LyricModel& model, const ErrorLog* log = nullptr);

// Converts the loaded lyric in place: entries 1..LyricEnd - 1 to simplified
// characters (index 1) or traditional ones (index 2), unless the lyric
// contains kana or Hangul (a Japanese or Korean lyric), each width measured
// again. The texts already end in the two blanks the loader appended, so the
// stored text is measured as it is, and a converted lyric has the widths a
// fresh load would give it. Throws AppError (Overflow) when a width does not
// fit 16 bits.
void ConvertLyricScript(LyricModel& model, int index, const LyricTextWidth& textWidth,
                        const ErrorLog* log = nullptr);

// Whether a line of a lyric file starts with a time tag (a lyric line), and
// whether it is an [offset:] line.
bool IsTimedLyricLine(QStringView line);
bool IsOffsetLine(QStringView line);

// The lyric file of the song now playing: SongArtist + " - " + SongTitle + ".lrc".
QString LyricFileName(const PlayerState& player);

// What the loader asks of the window that shows the lyric.
class LyricHost {
 public:
  virtual ~LyricHost() = default;
  // Clears the pane and shows text as its one status line (remembered in LyricText[0]).
  virtual void DrawInfo(const QString& text) = 0;
  virtual void ClearPane() = 0;
  virtual void WordAdjust() = 0;
  virtual void StartLyricTimer() = 0;
  // NextLine back to 1, the scroll bases to the pane's middle, progress offsets to 0.
  virtual void ResetScroll() = 0;
  // Width in pixels of text in the pane's font, as the pane draws it.
  virtual int TextWidth(const QString& text) = 0;
  // Downloads url into the temp file and returns its text; "" or "0" when it failed.
  virtual QString DownFile(const QString& url) = 0;
};

// Everything LoadWord reads and changes, filled in by the caller.
struct LoadWordContext {
  LyricModel& model;
  PlayerState& player;
  const SearchState& search;
  const Settings& settings;
  Prompts& prompts;
  const ErrorLog& log;
  LyricHost& host;
  QString songFolder;  // folder of the song now playing, ends in "/"
  double songLengthMs = 0;
  QString tempFile;  // where DownFile leaves what it downloaded
};

// Loads the lyric of the song now playing from a file (isLocal) or a lyric
// URL, replacing the one loaded before whatever the outcome. On success the
// pane shows it, the lyric timer runs, LyricLoaded is true, and a downloaded
// lyric is kept as SongArtist - SongTitle.lrc in the lyric folder (and the
// song's folder) when the settings say so; each copy is written to a
// temporary file beside its target and renamed over it, and an existing file
// is replaced only with the user's consent, or without asking when
// autoReWrite or OnTop is set. Failures show "歌词未找到，请右击搜索！" in the
// pane, a message box when the search window is open and the player is not
// on top, and errors go to the error log under "LoadWord". Returns whether
// a lyric was loaded.
bool LoadWord(const QString& source, bool isLocal, LoadWordContext& c);

// Copies the lyric file from to SongArtist - SongTitle.lrc in the song's
// folder (when saveToSongPath is set) and in the lyric folder, each through
// a temporary file renamed over its target. An existing target is replaced
// only with the user's consent ("覆盖提示"), or without asking when
// autoReWrite is set, or OnTop when onTopReplaces. Failures are logged under
// procedure. Returns the first target that now holds the lyric, or "".
QString KeepLyricCopies(const QString& from, LoadWordContext& c, bool onTopReplaces,
                        const QString& procedure);

}  // namespace lyrovo
