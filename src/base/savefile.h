#pragma once

#include <QByteArray>
#include <QString>

namespace lyrovo {

// Writes bytes as the whole new content of path: into a temporary file
// beside it that replaces the old file only once every byte is written, so
// a crash or a full disk never leaves half a file. Throws AppError
// (PathFileAccess when the file cannot be opened or replaced, DiskFull when
// the bytes do not all reach it); the old file is then left as it was.
void SaveWholeFile(const QString& path, const QByteArray& bytes);

}  // namespace lyrovo
