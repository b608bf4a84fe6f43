#include "text/encoding.h"

#include <QStringDecoder>

#include <unicode/ucnv.h>

#include <memory>

namespace lyrovo {

namespace {
struct ConverterCloser {
  void operator()(UConverter* c) const { ucnv_close(c); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

Converter openGb18030() {
  UErrorCode status = U_ZERO_ERROR;
  Converter converter(ucnv_open("GB18030", &status));
  return U_SUCCESS(status) ? std::move(converter) : nullptr;
}

QString fromGb18030(const QByteArray& bytes) {
  Converter converter = openGb18030();
  if (!converter) return QString::fromLatin1(bytes);
  QString out(bytes.size() * 2 + 1, Qt::Uninitialized);
  UErrorCode status = U_ZERO_ERROR;
  const int32_t length =
      ucnv_toUChars(converter.get(), reinterpret_cast<UChar*>(out.data()), int32_t(out.size()),
                    bytes.constData(), int32_t(bytes.size()), &status);
  if (U_FAILURE(status)) return QString::fromLatin1(bytes);
  out.truncate(length);
  return out;
}
}  // namespace

bool isValidUtf8(const QByteArray& bytes) {
  QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  const QString ignored = decoder(bytes);
  return !decoder.hasError();
}

QString decodeText(const QByteArray& bytes) {
  if (bytes.startsWith("\xEF\xBB\xBF")) return QString::fromUtf8(bytes.mid(3));
  if (bytes.startsWith("\xFF\xFE")) {
    QStringDecoder decoder(QStringDecoder::Utf16LE);
    return decoder(bytes.mid(2));
  }
  if (bytes.startsWith("\xFE\xFF")) {
    QStringDecoder decoder(QStringDecoder::Utf16BE);
    return decoder(bytes.mid(2));
  }
  if (isValidUtf8(bytes)) return QString::fromUtf8(bytes);
  return fromGb18030(bytes);
}

namespace {

// How a non-UTF-8 text reads in one double-byte character set.
struct DoubleByteReading {
  int valid = 0;    // characters of two (or four) bytes that the set defines
  int broken = 0;   // bytes that start no valid character
  int unusual = 0;  // broken bytes and valid characters outside the common range
};

enum class Pair { Broken, Unusual, Common };

// GBK: the punctuation rows and the first level of GB2312 (the characters
// in everyday use) are common.
Pair gbkPair(uchar b, uchar t) {
  if (b < 0x81 || b > 0xFE || t < 0x40 || t > 0xFE || t == 0x7F) return Pair::Broken;
  return t >= 0xA1 && ((b >= 0xA1 && b <= 0xA3) || (b >= 0xB0 && b <= 0xD7)) ? Pair::Common : Pair::Unusual;
}

// Big5: the punctuation rows and the frequent characters (A440..C67E) are common.
Pair big5Pair(uchar b, uchar t) {
  if (b < 0x81 || b > 0xFE || !((t >= 0x40 && t <= 0x7E) || (t >= 0xA1 && t <= 0xFE))) return Pair::Broken;
  const int code = b << 8 | t;
  return (b >= 0xA1 && b <= 0xA3) || (code >= 0xA440 && code <= 0xC67E) ? Pair::Common : Pair::Unusual;
}

bool isGb18030FourBytes(const QByteArray& bytes, qsizetype i) {
  auto at = [&](qsizetype k) { return uchar(bytes[i + k]); };
  return i + 3 < bytes.size() && at(0) >= 0x81 && at(0) <= 0xFE && at(1) >= 0x30 && at(1) <= 0x39 &&
         at(2) >= 0x81 && at(2) <= 0xFE && at(3) >= 0x30 && at(3) <= 0x39;
}

// Reads bytes in a double-byte set whose pairs classify tells; gb18030 adds
// its four-byte sequences (valid, but unusual in lyrics).
DoubleByteReading readDoubleByte(const QByteArray& bytes, Pair (*classify)(uchar, uchar), bool gb18030) {
  DoubleByteReading r;
  const qsizetype n = bytes.size();
  for (qsizetype i = 0; i < n;) {
    const uchar b = uchar(bytes[i]);
    if (b < 0x80) {
      ++i;
      continue;
    }
    if (gb18030 && isGb18030FourBytes(bytes, i)) {
      ++r.valid;
      ++r.unusual;
      i += 4;
      continue;
    }
    const Pair pair = classify(b, i + 1 < n ? uchar(bytes[i + 1]) : 0);
    if (pair == Pair::Broken) {
      ++r.broken;
      ++r.unusual;
      ++i;
    } else {
      ++r.valid;
      if (pair == Pair::Unusual) ++r.unusual;
      i += 2;
    }
  }
  return r;
}

bool mostlyBroken(const DoubleByteReading& r) { return r.broken * 4 > r.valid; }

}  // namespace

QString decodeTextGuessingEncoding(const QByteArray& bytes) {
  if (bytes.startsWith("\xEF\xBB\xBF") || bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF") ||
      isValidUtf8(bytes))
    return decodeText(bytes);
  const DoubleByteReading gbk = readDoubleByte(bytes, gbkPair, true);
  const DoubleByteReading big5 = readDoubleByte(bytes, big5Pair, false);
  if (mostlyBroken(gbk) && mostlyBroken(big5)) return QString::fromLatin1(bytes);
  if (big5.unusual < gbk.unusual) {
    QStringDecoder decoder("Big5");
    if (decoder.isValid()) return decoder(bytes);
  }
  return fromGb18030(bytes);
}

QByteArray encodeUtf8(const QString& text) { return text.toUtf8(); }

QByteArray encodeGbk(const QString& text) {
  Converter converter = openGb18030();
  if (!converter) return text.toLatin1();
  QByteArray out(text.size() * 4 + 1, Qt::Uninitialized);
  UErrorCode status = U_ZERO_ERROR;
  const int32_t length =
      ucnv_fromUChars(converter.get(), out.data(), int32_t(out.size()),
                      reinterpret_cast<const UChar*>(text.constData()), int32_t(text.size()), &status);
  if (U_FAILURE(status)) return text.toLatin1();
  out.truncate(length);
  return out;
}

}  // namespace lyrovo
