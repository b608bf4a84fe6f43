#pragma once

#include <QString>

namespace lyrovo {

// The extension test of playable files: the text after the last "." of name
// (the whole name when it has none) followed by ";" must occur in
// supportedTypes ("*.mp3;*.ogg;…;"), compared case-sensitively. Callers pass
// lower-cased names. Being a substring test, an ending of a listed extension
// passes too ("x.p3" matches inside "*.mp3;").
bool IsSupportedFile(const QString& name, const QString& supportedTypes);

}  // namespace lyrovo
