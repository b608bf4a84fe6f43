#include "text/textutil.h"

#include "base/errorlog.h"
#include "text/pattern.h"

#include <unicode/translit.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <memory>

namespace lyrovo {

namespace {

// ICU transliterators are costly to create, so each thread keeps its two.
// They hold no state between calls that affects the result.
icu::Transliterator* transliterator(bool toTraditional) {
  thread_local std::unique_ptr<icu::Transliterator> cache[2];
  auto& slot = cache[toTraditional ? 1 : 0];
  if (!slot) {
    UErrorCode status = U_ZERO_ERROR;
    slot.reset(icu::Transliterator::createInstance(toTraditional ? "Hans-Hant" : "Hant-Hans", UTRANS_FORWARD,
                                                   status));
    if (U_FAILURE(status)) slot.reset();
  }
  return slot.get();
}

// Maps each character on its own; a character whose mapping is not exactly
// one character stays as it is, so the length never changes.
QString convertScript(const QString& text, bool toTraditional, const char* name, const ErrorLog* log) {
  // Below the CJK blocks nothing maps; a text without such characters needs
  // no transliterator (whose first creation loads ICU's whole registry).
  const auto cjk = [](QChar c) { return c.unicode() >= 0x2E80 && !c.isSurrogate(); };
  if (std::none_of(text.begin(), text.end(), cjk)) return text;
  icu::Transliterator* t = transliterator(toTraditional);
  if (!t) {
    if (log)
      log->log(QString::fromLatin1(name), AppError(errors::InvalidCall, QStringLiteral("无法转换简繁体")));
    return {};
  }
  QString out = text;
  for (qsizetype i = 0; i < out.size(); ++i) {
    const QChar c = out[i];
    if (!cjk(c)) continue;
    icu::UnicodeString one(static_cast<UChar>(c.unicode()));
    t->transliterate(one);
    if (one.length() == 1) out[i] = QChar(one.charAt(0));
  }
  return out;
}

QString trimBlanks(const QString& s) {
  qsizetype begin = 0, end = s.size();
  while (begin < end && s[begin] == u' ') ++begin;
  while (end > begin && s[end - 1] == u' ') --end;
  return s.mid(begin, end - begin);
}

QString lowerLatin(QString s) {
  for (QChar& c : s)
    if (c.script() == QChar::Script_Latin) c = c.toLower();
  return s;
}

// A bracketed group: one at the front is dropped with nothing before it,
// anywhere else everything from the opening bracket on is dropped.
QString dropGroup(const QString& s, QChar open, QChar close) {
  if (!s.contains(open) || !s.contains(close)) return s;
  if (s.front() == open) return s.mid(s.indexOf(close) + 1);
  return s.left(s.indexOf(open));
}

}  // namespace

QString GB2GBK(const QString& text, const ErrorLog* log) { return convertScript(text, true, "GB2GBK", log); }

QString GBK2GB(const QString& text, const ErrorLog* log) { return convertScript(text, false, "GBK2GB", log); }

QString StringDeal(const QString& text, const ErrorLog* log) {
  QString s;
  try {
    s = lowerLatin(trimBlanks(text));
    if (s.isEmpty() || like(s, u"未知*")) return s;
    s = GBK2GB(s, log);

    if (!like(s, u"###*")) {
      while (!s.isEmpty() && s.front() >= u'0' && s.front() <= u'9') s.remove(0, 1);
      s = trimBlanks(s);
    }

    s.replace(u'（', u'(').replace(u'）', u')');
    s = dropGroup(s, u'(', u')');
    s.replace(u'【', u'[').replace(u'】', u']');
    s = dropGroup(s, u'[', u']');

    s.remove(u'。').remove(u'＿').remove(u'_');
    s = trimBlanks(s);

    for (QChar c : {u'.', u'．', u'-', u'－'})
      if (s.startsWith(c)) s.remove(0, 1);
    for (QChar c : {u'.', u'．', u'-', u'－'})
      if (s.endsWith(c)) s.chop(1);

    if (const qsizetype at = s.indexOf(u'，'); at >= 0) s[at] = u',';
    if (const qsizetype at = s.indexOf(u'－'); at >= 0) s[at] = u'-';

    for (QChar& c : s)
      if (QStringView(u"\\/:*?\"<>|").contains(c)) c = u' ';
    return trimBlanks(s);
  } catch (...) {
    if (log) log->log(QStringLiteral("StringDeal"), ErrorLog::fromException(std::current_exception()));
    return s;
  }
}

QString FormatTime(std::int32_t seconds) {
  auto twoDigits = [](std::int64_t n) {
    const QString digits = QString::number(n < 0 ? -n : n).rightJustified(2, u'0');
    return n < 0 ? QStringLiteral("-") + digits : digits;
  };
  const std::int64_t secs = seconds;
  return twoDigits(secs / 60) + u':' + twoDigits(secs % 60);
}

}  // namespace lyrovo
