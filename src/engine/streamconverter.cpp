#include "engine/streamconverter.h"

#include "engine/sdllibrary.h"

#include <algorithm>
#include <vector>

namespace lyrovo {

namespace {

// Same rate: a queue of stereo frames.
class CopyingConverter : public StreamConverter {
 public:
  explicit CopyingConverter(int channels) : channels_(channels) {}

  void put(const std::int16_t* samples, int frames) override {
    // Drop what was taken before growing, so the queue stays about one decoded piece long.
    if (head_ > 0) {
      queue_.erase(queue_.begin(), queue_.begin() + std::ptrdiff_t(head_));
      head_ = 0;
    }
    const std::size_t start = queue_.size();
    queue_.resize(start + std::size_t(frames) * 2);
    std::int16_t* to = queue_.data() + start;
    if (channels_ == 2) {
      std::copy_n(samples, std::size_t(frames) * 2, to);
    } else {
      for (int f = 0; f < frames; ++f) to[2 * f] = to[2 * f + 1] = samples[f];
    }
  }
  void flush() override {}
  int get(std::int16_t* out, int frames) override {
    const int moved = std::min(frames, available());
    std::copy_n(queue_.data() + head_, std::size_t(moved) * 2, out);
    head_ += std::size_t(moved) * 2;
    return moved;
  }
  int available() const override { return int((queue_.size() - head_) / 2); }
  void clear() override {
    queue_.clear();
    head_ = 0;
  }

 private:
  int channels_;
  std::vector<std::int16_t> queue_;
  std::size_t head_ = 0;  // samples of queue_ already taken
};

// Another rate: SDL's audio stream resamples.
class ResamplingConverter : public StreamConverter {
 public:
  ResamplingConverter(const SdlLibrary* sdl, SDL_AudioStream* stream, int channels)
      : sdl_(sdl), stream_(stream), channels_(channels) {}
  ~ResamplingConverter() override { sdl_->freeAudioStream(stream_); }
  ResamplingConverter(const ResamplingConverter&) = delete;
  ResamplingConverter& operator=(const ResamplingConverter&) = delete;

  void put(const std::int16_t* samples, int frames) override {
    sdl_->audioStreamPut(stream_, samples, frames * channels_ * 2);
  }
  void flush() override { sdl_->audioStreamFlush(stream_); }
  int get(std::int16_t* out, int frames) override {
    return std::max(0, sdl_->audioStreamGet(stream_, out, frames * 4)) / 4;
  }
  int available() const override { return sdl_->audioStreamAvailable(stream_) / 4; }
  void clear() override { sdl_->audioStreamClear(stream_); }

 private:
  const SdlLibrary* sdl_;
  SDL_AudioStream* stream_;
  int channels_;
};

}  // namespace

std::unique_ptr<StreamConverter> StreamConverter::create(int channels, int fromRate, int toRate) {
  if (channels < 1 || channels > 2 || fromRate <= 0 || toRate <= 0) return nullptr;
  if (fromRate == toRate) return std::make_unique<CopyingConverter>(channels);
  const SdlLibrary* sdl = openSdlLibrary();
  if (!sdl) return nullptr;
  SDL_AudioStream* stream =
      sdl->newAudioStream(AUDIO_S16SYS, Uint8(channels), fromRate, AUDIO_S16SYS, 2, toRate);
  if (!stream) return nullptr;
  return std::make_unique<ResamplingConverter>(sdl, stream, channels);
}

}  // namespace lyrovo
