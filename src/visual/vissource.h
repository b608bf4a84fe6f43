#pragma once

#include <QStringView>

#include <cstdint>

namespace lyrovo {

// Left and right peak levels of the sound now heard, 0..32768 each (a level
// query the engine refuses may read 65535).
struct VisLevels {
  std::int32_t left = 0;
  std::int32_t right = 0;
};

// Where the visualisation reads the sound now playing. A frame asks each
// source at most once. The arrays are the caller's fixed buffers of 1025
// elements (0..1024); the data goes into elements 1.., element 0 is never
// written.
class VisSource {
 public:
  virtual ~VisSource() = default;

  // The playing stream's channel-mode text: "单声道" (mono), "立体声" or "未知".
  virtual QStringView chanMod() = 0;
  virtual VisLevels levels() = 0;
  // count 16-bit samples heard (interleaved for stereo) into array[1..count].
  // False when there is no data; the array may then be partly filled.
  virtual bool samples(std::int16_t* array, int count) = 0;
  // Spectrum magnitudes into array[1..]: count 256 gives 256 values, 512
  // gives 1024. False when there is no data.
  virtual bool fft(float* array, int count) = 0;
};

}  // namespace lyrovo
