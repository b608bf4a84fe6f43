#pragma once

#include <QString>
#include <QStringList>

namespace lyrovo {

// The command line's file arguments as absolute paths, resolved against the
// folder the program was started from, so that a row added from them still
// names its file after a later start from another folder. "." and ".."
// steps are resolved on the real folders (a ".." after a symbolic link to a
// folder leads where the file system leads); the file's own name is kept,
// even when it is a symbolic link. An argument holding a line break is
// dropped: no playlist line could hold it. Empty arguments are dropped too.
QStringList AbsoluteCommandLinePaths(const QStringList& arguments, const QString& launchFolder);

}  // namespace lyrovo
