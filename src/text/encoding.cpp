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

// GBK with the four-byte sequences of GB18030. Common: the punctuation rows
// and the first level of GB2312, the characters in everyday use.
DoubleByteReading readAsGbk(const QByteArray& bytes) {
  DoubleByteReading r;
  const qsizetype n = bytes.size();
  for (qsizetype i = 0; i < n;) {
    const uchar b = uchar(bytes[i]);
    if (b < 0x80) {
      ++i;
      continue;
    }
    const uchar t = i + 1 < n ? uchar(bytes[i + 1]) : 0;
    if (b >= 0x81 && b <= 0xFE && t >= 0x30 && t <= 0x39 && i + 3 < n && uchar(bytes[i + 2]) >= 0x81 &&
        uchar(bytes[i + 2]) <= 0xFE && uchar(bytes[i + 3]) >= 0x30 && uchar(bytes[i + 3]) <= 0x39) {
      ++r.valid;
      ++r.unusual;
      i += 4;
    } else if (b >= 0x81 && b <= 0xFE && t >= 0x40 && t <= 0xFE && t != 0x7F) {
      ++r.valid;
      const bool common = t >= 0xA1 && ((b >= 0xA1 && b <= 0xA3) || (b >= 0xB0 && b <= 0xD7));
      if (!common) ++r.unusual;
      i += 2;
    } else {
      ++r.broken;
      ++r.unusual;
      ++i;
    }
  }
  return r;
}

// Big5. Common: the punctuation rows and the frequent characters (A440..C67E).
DoubleByteReading readAsBig5(const QByteArray& bytes) {
  DoubleByteReading r;
  const qsizetype n = bytes.size();
  for (qsizetype i = 0; i < n;) {
    const uchar b = uchar(bytes[i]);
    if (b < 0x80) {
      ++i;
      continue;
    }
    const uchar t = i + 1 < n ? uchar(bytes[i + 1]) : 0;
    if (b >= 0x81 && b <= 0xFE && ((t >= 0x40 && t <= 0x7E) || (t >= 0xA1 && t <= 0xFE))) {
      ++r.valid;
      const int code = b << 8 | t;
      const bool common = (b >= 0xA1 && b <= 0xA3) || (code >= 0xA440 && code <= 0xC67E);
      if (!common) ++r.unusual;
      i += 2;
    } else {
      ++r.broken;
      ++r.unusual;
      ++i;
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
  const DoubleByteReading gbk = readAsGbk(bytes);
  const DoubleByteReading big5 = readAsBig5(bytes);
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
