#pragma once

#include <QByteArray>
#include <QString>

namespace lyrovo {

// Decodes text read from a file or a web page: UTF-8 when it has a UTF-8
// byte-order mark or is valid UTF-8 (UTF-16 with its mark), otherwise
// GB18030, the superset of GBK. The mark is not part of the result.
QString decodeText(const QByteArray& bytes);

// True when bytes form valid UTF-8 (a byte-order mark is allowed).
bool isValidUtf8(const QByteArray& bytes);

// Decodes a text file whose encoding nobody states, such as a lyric file:
// UTF-8 or UTF-16 by their byte-order marks, UTF-8 when valid, else Big5 when
// it decodes to fewer unusual characters (outside the common characters and
// punctuation of each set, or broken) than GBK/GB18030 does, else
// GB18030; Latin-1 when both multi-byte readings are mostly broken.
QString decodeTextGuessingEncoding(const QByteArray& bytes);

QByteArray encodeUtf8(const QString& text);
// GBK/GB18030 bytes of the text.
QByteArray encodeGbk(const QString& text);

}  // namespace lyrovo
