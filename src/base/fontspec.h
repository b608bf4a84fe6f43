#pragma once

#include <QString>

namespace lyrovo {

// The properties of a font that the skin settings store and the font dialog
// returns; widgets turn it into a QFont.
struct FontSpec {
  QString name;
  double size = 8;  // points
  bool bold = false;
  bool italic = false;
  bool underline = false;

  bool operator==(const FontSpec&) const = default;
};

}  // namespace lyrovo
