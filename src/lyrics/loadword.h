#pragma once

#include "lyrics/lyricmodel.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>

class QIODevice;

namespace lyrovo {

class ErrorLog;
class Prompts;
struct PlayerState;
struct SearchState;
struct Settings;

// What a lyric file can hold, as this program reads it.
inline constexpr int kLyricReadLines = 199;  // reading stops once this many lines are stored
inline constexpr int kLyricMaxLines = 200;   // lines after splitting at line feeds; one more rejects
inline constexpr int kLyricMaxTags = 20;     // time tags on one line; one more rejects
inline constexpr int kLyricMaxEnd = 195;     // LyricEnd after a line; above rejects (193 lyric lines)
inline constexpr std::int32_t kLyricLatestThirdLineMs = 120000;

// Bounds of the work a single load does, so that huge or binary files
// finish at once: only the first 64 KiB of each physical line are kept (the
// rest of the line is skipped up to its line end), and a lyric text keeps
// its first 4096 characters. No real lyric comes near either bound; an LF-
// only file, which is one physical line, still has room for 200 lines of
// some 300 bytes each.
inline constexpr qsizetype kLyricLineBytesKept = 64 * 1024;
inline constexpr qsizetype kLyricTextCharsKept = 4096;
// A UTF-16 file (with its byte-order mark) is converted as a whole before its
// lines are read; only this many of its bytes are looked at.
inline constexpr qint64 kLyricUtf16BytesRead = 16 * 1024 * 1024;

enum class LyricParseStatus {
  Loaded,
  TooManyLines,    // more than 200 lines after splitting at line feeds
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
// The bytes are decoded as UTF-8 when they carry a byte-order mark or are
// valid UTF-8, else as GB18030 (UTF-16 with its mark is also read). Physical
// lines end at CR, CR LF or the end of the file; a lone LF does not end one,
// but splits it where it stands between a character other than "]" and a
// "[", so LF-only files read as lines too. Only time tags count: the first
// tagged line fixes the tag length for the whole file ([mm:ss] or
// [mm:ss.xx]); ID tags such as [ti:] or [offset:] are skipped. A line with
// several tags gives one entry per tag, its last tag's first; a line without
// a complete tag or without text gives none. The entries are sorted by time,
// converted to simplified characters (textChange 1) or traditional ones (any
// other value), get two blanks appended and their width measured. A loaded
// lyric then has the header (entry 1, at half the first line's time), its
// lines, the "Lyrovo - End" entry at a quarter of the way from the last line
// to the song's end, and an empty entry at the song's end.
//
// On a rejection the model is left as far as it got. Throws AppError when a
// width does not fit 16 bits or a time 32 bits (Overflow).
LyricParseResult ParseLyric(QIODevice& file, const QString& header, int textChange,
                            const LyricTextWidth& textWidth, double songLengthMs, LyricModel& model,
                            const ErrorLog* log = nullptr);
LyricParseResult ParseLyric(const QByteArray& fileBytes, const QString& header, int textChange,
                            const LyricTextWidth& textWidth, double songLengthMs, LyricModel& model,
                            const ErrorLog* log = nullptr);

// Converts the loaded lyric in place: entries 1..LyricEnd - 1 to simplified
// characters (index 1) or traditional ones (index 2), each width measured
// again. The texts already end in the two blanks the loader appended, so the
// stored text is measured as it is, and a converted lyric has the widths a
// fresh load would give it. Throws AppError (Overflow) when a width does not
// fit 16 bits.
void ConvertLyricScript(LyricModel& model, int index, const LyricTextWidth& textWidth,
                        const ErrorLog* log = nullptr);

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

}  // namespace lyrovo
