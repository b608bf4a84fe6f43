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
