#pragma once

#include <QString>

#include <cstdint>

namespace lyrovo {

class ErrorLog;

// Normalises a raw title or artist (from a tag, a file name or a web page)
// into the form the program shows, compares and uses in lyric file names and
// web searches: lower-cased, traditional characters made simplified, leading
// track numbers, one bracketed group, underscores and stray punctuation
// removed, characters that file names cannot hold made blanks. Texts
// starting with "未知" ("unknown") are only trimmed and lower-cased.
QString StringDeal(const QString& text, const ErrorLog* log = nullptr);

// Simplified → traditional Chinese characters, one character at a time:
// the result has the length of the input and characters without a
// counterpart stay as they are. On a failure of the conversion service the
// result is empty and the failure is logged under "GB2GBK".
QString GB2GBK(const QString& text, const ErrorLog* log = nullptr);
// Traditional → simplified; failures are logged under "GBK2GB".
QString GBK2GB(const QString& text, const ErrorLog* log = nullptr);

// Whole seconds as minutes:seconds, each at least two digits: 59 → "00:59",
// 6000 → "100:00", -5 → "00:-05".
QString FormatTime(std::int32_t seconds);

}  // namespace lyrovo
