#include "base/savefile.h"

#include "base/apperror.h"

#include <QSaveFile>

namespace lyrovo {

void SaveWholeFile(const QString& path, const QByteArray& bytes) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly))
    throw AppError(errors::PathFileAccess, QStringLiteral("Path/File access error: ") + path +
                                               QStringLiteral(" (") + file.errorString() + u')');
  if (file.write(bytes) != bytes.size() || !file.flush()) {
    const QString reason = file.errorString();
    file.cancelWriting();
    throw AppError(errors::DiskFull,
                   QStringLiteral("Disk full: ") + path + QStringLiteral(" (") + reason + u')');
  }
  if (!file.commit())
    throw AppError(errors::PathFileAccess, QStringLiteral("Path/File access error: ") + path +
                                               QStringLiteral(" (") + file.errorString() + u')');
}

}  // namespace lyrovo
