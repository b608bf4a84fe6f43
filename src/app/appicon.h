#pragma once

#include <QPixmap>

namespace lyrovo {

// The program's icon, drawn rather than loaded so the program needs no
// image files: a note on a round dark face.
QPixmap appIcon(int size);

}  // namespace lyrovo
