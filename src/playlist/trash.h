#pragma once

#include <QString>

namespace lyrovo {

// Moves a file into the user's trash as the freedesktop.org Trash
// standard lays it out, so the desktop's file manager can restore it:
// the home trash ($XDG_DATA_HOME/Trash) for a file on the same file system,
// otherwise that file system's own "$topdir/.Trash-$uid". Each trashed file
// gets its ".trashinfo" (original path, deletion time); a name already in
// the trash gets a number. The file is only ever renamed, never copied or
// deleted: false, with the file left where it was, when no trash on its
// file system takes it.
bool MoveToTrash(const QString& path);

}  // namespace lyrovo
