#include "playlist/supportedfile.h"

namespace lyrovo {

bool IsSupportedFile(const QString& name, const QString& supportedTypes) {
  const qsizetype dot = name.lastIndexOf(u'.');
  const QString extension = dot < 0 ? name : name.mid(dot + 1);
  // An empty extension would match every ";" of the list.
  return !extension.isEmpty() && supportedTypes.contains(extension + u';');
}

}  // namespace lyrovo
