#pragma once

#include <cstdint>
#include <memory>

namespace lyrovo {

// Turns a stream's 16-bit samples (one or two channels at the stream's rate)
// into 16-bit stereo at the output's rate. At the same rate it only copies
// (a single channel to both sides); another rate goes through SDL's
// resampler, which is loaded then.
class StreamConverter {
 public:
  // Null when the rates differ and SDL cannot be loaded or refuses them.
  static std::unique_ptr<StreamConverter> create(int channels, int fromRate, int toRate);

  virtual ~StreamConverter() = default;
  // Takes frames of interleaved input.
  virtual void put(const std::int16_t* samples, int frames) = 0;
  // The input has ended: what the converter still holds becomes available.
  virtual void flush() = 0;
  // Moves up to frames stereo frames into out; how many it moved.
  virtual int get(std::int16_t* out, int frames) = 0;
  // Stereo frames ready to be taken.
  virtual int available() const = 0;
  // Forgets all input, as after a seek.
  virtual void clear() = 0;
};

}  // namespace lyrovo
