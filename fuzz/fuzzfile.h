#pragma once

// The readers under test take a path: each input is written to one file in
// a private folder that lives as long as the fuzzer.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

namespace lyrovo::fuzz {

inline QString folder() {
  static const QTemporaryDir dir;
  return dir.path() + u'/';
}

inline QString writeInput(const QString& name, const std::uint8_t* data, std::size_t size) {
  const QString path = folder() + name;
  QFile file(path);
  if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
    file.write(reinterpret_cast<const char*>(data), qint64(size));
  return path;
}

}  // namespace lyrovo::fuzz
