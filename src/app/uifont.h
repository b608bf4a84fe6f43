#pragma once

#include <QStringList>

namespace lyrovo {

// The name under which the interface's cut-down Chinese font is registered.
inline constexpr QStringView kUiHanFamily = u"Lyrovo UI Han";

// Draws the interface's Chinese text from a small font built into the
// program: the system's Chinese font, cut down at build time to the
// characters the interface itself uses. Without it, the few dozen characters
// of the main window map pages all over a font file of several megabytes.
//
// Applies to each of families whose Chinese characters the system takes
// from the very font (file and face) that was cut: such text looks exactly
// as before, with the same primary font and line heights. It applies too
// where the system has no Chinese font at all, so that the interface is
// legible there. Characters outside the cut font (song titles,
// lyrics) still come from the system font. Calling it again changes nothing
// for a family already done. Returns how many families use it now.
int InstallUiHanFont(const QStringList& families);

}  // namespace lyrovo
