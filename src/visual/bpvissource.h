#pragma once

#include "visual/vissource.h"

namespace lyrovo {

class BP;

// The audio engine's playback stream as the visualisation's data source.
class BpVisSource : public VisSource {
 public:
  explicit BpVisSource(BP& engine) : engine_(engine) {}

  QStringView chanMod() override;
  VisLevels levels() override;
  bool samples(std::int16_t* array, int count) override;
  bool fft(float* array, int count) override;

 private:
  BP& engine_;
};

}  // namespace lyrovo
