#include "text/pattern.h"

#include <QList>
#include <QString>

namespace lyrovo {

bool like(QStringView textView, QStringView patternView) {
  // Work on code points so that "?" takes a whole character.
  const QList<uint> text = textView.toUcs4();
  const QList<uint> pattern = patternView.toUcs4();
  qsizetype t = 0, p = 0;
  qsizetype starP = -1, starT = 0;  // last "*" seen and where its match began
  auto single = [](uint pc, uint tc) {
    if (pc == '?') return true;
    if (pc == '#') return tc >= '0' && tc <= '9';
    return pc == tc;
  };
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starT = t;
    } else if (p < pattern.size() && single(pattern[p], text[t])) {
      ++p;
      ++t;
    } else if (starP >= 0) {
      p = starP + 1;
      t = ++starT;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace lyrovo
