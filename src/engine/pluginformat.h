#pragma once

#include <QString>

#include <cstdint>

namespace lyrovo {

// One format a decoder plug-in offers: its stream type code, display name
// and extension patterns joined by ";" ("*.mid;*.midi").
struct PluginFormat {
  std::uint32_t typeCode = 0;
  QString name;
  QString extensions;
};

}  // namespace lyrovo
