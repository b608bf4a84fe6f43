#pragma once

#include <QString>

namespace lyrovo {

// Shows a file in the desktop's file manager with the file selected
// (org.freedesktop.FileManager1.ShowItems over the session bus); when no
// file manager answers there, opens the file's folder instead. Never waits
// for the answer and never goes through a shell.
void RevealInFileManager(const QString& path);

}  // namespace lyrovo
