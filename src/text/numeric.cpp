#include "text/numeric.h"

#include "base/apperror.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace lyrovo {

namespace {
bool skippable(QChar c) { return c == u' ' || c == u'\t' || c == u'\n'; }

// Reads digits of the given base after "&H"/"&O"; non-digits end the number.
double radixValue(QStringView text, qsizetype pos, int base) {
  double value = 0;
  for (; pos < text.size(); ++pos) {
    const QChar c = text[pos];
    if (skippable(c)) continue;
    const int digit = c.isDigit() && c.unicode() < 128 ? c.unicode() - '0'
                      : (base == 16 && c.toLower() >= u'a' && c.toLower() <= u'f')
                          ? c.toLower().unicode() - 'a' + 10
                          : -1;
    if (digit < 0 || digit >= base) break;
    value = value * base + digit;
  }
  return value;
}
}  // namespace

double val(QStringView text) {
  qsizetype pos = 0;
  auto skip = [&] {
    while (pos < text.size() && skippable(text[pos])) ++pos;
  };
  auto asciiDigit = [&](qsizetype at) { return at < text.size() && text[at] >= u'0' && text[at] <= u'9'; };

  skip();
  if (pos + 1 < text.size() && text[pos] == u'&') {
    const QChar kind = text[pos + 1].toUpper();
    if (kind == u'H') return radixValue(text, pos + 2, 16);
    if (kind == u'O') return radixValue(text, pos + 2, 8);
  }

  std::string number;
  if (pos < text.size() && (text[pos] == u'-' || text[pos] == u'+')) {
    number += char(text[pos].unicode());
    ++pos;
  }
  bool digits = false;
  bool point = false;
  for (skip(); pos < text.size(); ++pos, skip()) {
    if (asciiDigit(pos)) {
      number += char(text[pos].unicode());
      digits = true;
    } else if (text[pos] == u'.' && !point) {
      number += '.';
      point = true;
    } else {
      break;
    }
  }
  if (!digits) return 0;
  // Exponent: E or D, optional sign, at least one digit.
  if (pos < text.size() && QStringLiteral("EeDd").contains(text[pos])) {
    qsizetype at = pos + 1;
    std::string exponent = "e";
    while (at < text.size() && skippable(text[at])) ++at;
    if (at < text.size() && (text[at] == u'-' || text[at] == u'+')) exponent += char(text[at++].unicode());
    bool expDigits = false;
    for (; at < text.size(); ++at) {
      if (skippable(text[at])) continue;
      if (!asciiDigit(at)) break;
      exponent += char(text[at].unicode());
      expDigits = true;
    }
    if (expDigits) number += exponent;
  }
  return std::strtod(number.c_str(), nullptr);
}

double nearest(double value) {
  if (!std::isfinite(value)) return value;
  const double floor = std::floor(value);
  const double fraction = value - floor;
  if (fraction < 0.5) return floor;
  if (fraction > 0.5) return floor + 1;
  return std::fmod(floor, 2.0) == 0 ? floor : floor + 1;
}

namespace {
template <typename Int>
Int toInteger(double value) {
  const double rounded = nearest(value);
  if (!std::isfinite(rounded) || rounded < double(std::numeric_limits<Int>::min()) ||
      rounded > double(std::numeric_limits<Int>::max()))
    throw errors::overflow();
  return static_cast<Int>(rounded);
}
}  // namespace

std::int16_t toInt16(double value) { return toInteger<std::int16_t>(value); }
std::int32_t toInt32(double value) { return toInteger<std::int32_t>(value); }

}  // namespace lyrovo
