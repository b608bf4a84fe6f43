#pragma once

#include <QStringView>

#include <cstdint>

namespace lyrovo {

// The numeric value of a text, read the way settings and web pages are
// read everywhere in the program: blanks, tabs and line feeds are skipped,
// then an optional sign, digits, an optional fraction and exponent ("1e3",
// "2D2"), or a "&H"/"&O" hexadecimal/octal number. Reading stops at the
// first character that does not fit; a text without a leading number is 0.
double val(QStringView text);

// Fraction to integer: the nearest integer, halves going to the even
// neighbour (2.5 → 2, 3.5 → 4, -2.5 → -2).
double nearest(double value);

// Converts to a 16- or 32-bit integer by nearest(); throws AppError 6
// ("Overflow") when the result does not fit (or the value is not finite).
std::int16_t toInt16(double value);
std::int32_t toInt32(double value);

}  // namespace lyrovo
