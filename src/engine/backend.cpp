#include "engine/backend.h"

#include "engine/audiooutput.h"
#include "engine/streamconverter.h"

#include <kissfft/kiss_fftr.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numbers>

namespace lyrovo {

// Real-input transforms of the two sizes the spectrum uses, with their windows.
struct AudioBackend::FftConfigs {
  struct Size {
    int points = 0;
    kiss_fftr_cfg config = nullptr;
    std::vector<float> window;
  };
  Size small, large;

  FftConfigs() {
    for (auto [size, points] : {std::pair{&small, 512}, std::pair{&large, 2048}}) {
      size->points = points;
      size->config = kiss_fftr_alloc(points, 0, nullptr, nullptr);
      size->window.resize(points);
      for (int i = 0; i < points; ++i)
        size->window[i] = float(0.5 - 0.5 * std::cos(2 * std::numbers::pi * i / points));
    }
  }
  ~FftConfigs() {
    // kiss_fftr_alloc takes its memory from malloc in one block.
    std::free(small.config);
    std::free(large.config);
  }
};

AudioBackend::AudioBackend()
    : mixScratch_(std::size_t(kMixFrames) * 2),
      mixSum_(std::size_t(kMixFrames) * 2),
      fft_(std::make_unique<FftConfigs>()) {}

AudioBackend::~AudioBackend() { free(); }

bool AudioBackend::init(int device, int rate) {
  if (output_) return true;
  rate_ = rate > 0 ? rate : 44100;
  if (device < 0 && preferSoundServer()) {
    output_ = openPulseOutput(
        rate_, [this](std::int16_t* out, int frames, bool pad) { return render(out, frames, pad); });
    if (output_) {
      bufferFrames_ = output_->bufferFrames();
      setVolume(volume_);
      return true;
    }
  }
  return openOutput(device, rate_, {});
}

bool AudioBackend::initSilent(int rate) {
  if (output_) return true;
  rate_ = rate > 0 ? rate : 44100;
  return openOutput(-1, rate_, QByteArrayLiteral("dummy"));
}

bool AudioBackend::openOutput(int device, int rate, const QByteArray& sdlDriver) {
  output_ = openSdlOutput(
      device, rate, [this](std::int16_t* out, int frames, bool pad) { return render(out, frames, pad); },
      sdlDriver);
  if (!output_) return false;
  bufferFrames_ = output_->bufferFrames();
  outputScales_ = false;
  return true;
}

void AudioBackend::free() {
  // Closing the output waits for a running refill to finish.
  output_.reset();
  {
    std::lock_guard lock(mutex_);
    channels_.clear();
    written_ = 0;
  }
  plugins_.freeAll();
}

AudioBackend::Channel* AudioBackend::find(Handle handle) const {
  const auto it = channels_.find(handle);
  return it == channels_.end() ? nullptr : it->second.get();
}

AudioBackend::Handle AudioBackend::streamCreateFile(const QString& path) {
  std::unique_ptr<Decoder> decoder = openCoreDecoder(path, &decoderCache_);
  if (!decoder) decoder = plugins_.open(path);
  if (!decoder) return 0;
  auto channel = std::make_unique<Channel>();
  channel->format = decoder->format();
  channel->lengthFrames = decoder->lengthFrames();
  channel->decoder = std::move(decoder);
  channel->decodeBuffer.resize(std::size_t(kChunkFrames) * channel->format.channels);
  channel->stereoBuffer.resize(std::size_t(kChunkFrames) * 2);
  std::lock_guard lock(mutex_);
  const Handle handle = nextHandle_++;
  if (nextHandle_ == 0) nextHandle_ = 1;
  channels_[handle] = std::move(channel);
  return handle;
}

bool AudioBackend::streamFree(Handle handle) {
  std::unique_ptr<Channel> channel;
  {
    OutputLock outputLock(output_.get());
    std::lock_guard lock(mutex_);
    const auto it = channels_.find(handle);
    if (it == channels_.end()) return false;
    channel = std::move(it->second);
    channels_.erase(it);
    // A song closed while heard is not heard to the end of the output's buffer.
    if (output_ && channel->state != 0 && !anyPlaying()) output_->discard();
  }
  return true;
}

std::optional<StreamFormat> AudioBackend::channelInfo(Handle handle) const {
  std::lock_guard lock(mutex_);
  const Channel* channel = find(handle);
  if (!channel) return std::nullopt;
  return channel->format;
}

std::int64_t AudioBackend::getLength(Handle handle) const {
  std::lock_guard lock(mutex_);
  const Channel* channel = find(handle);
  return channel ? channel->lengthFrames * 2 * channel->format.channels : -1;
}

std::int64_t AudioBackend::heardNow() const { return output_ ? output_->heardFrame() : 0; }

std::int64_t AudioBackend::heardOutFrames(const Channel& channel, std::int64_t heard) const {
  return std::clamp<std::int64_t>(heard - channel.startOutput, 0, channel.outFrames);
}

void AudioBackend::settle(Channel& channel, std::int64_t heard) const {
  if (channel.state == 1 && channel.drained && heardOutFrames(channel, heard) >= channel.outFrames)
    channel.state = 0;
}

bool AudioBackend::anyPlaying() const {
  return std::any_of(channels_.begin(), channels_.end(),
                     [](const auto& entry) { return entry.second->state == 1; });
}

std::int64_t AudioBackend::positionFrames(const Channel& channel, std::int64_t heard) const {
  if (channel.drained && channel.state == 0 && channel.lengthFrames > 0) return channel.lengthFrames;
  std::int64_t frame = channel.baseFrame + heardOutFrames(channel, heard) * channel.format.sampleRate / rate_;
  if (channel.lengthFrames > 0) frame = std::min(frame, channel.lengthFrames);
  return frame;
}

std::int64_t AudioBackend::getPosition(Handle handle) const {
  const std::int64_t heard = heardNow();
  std::lock_guard lock(mutex_);
  Channel* channel = find(handle);
  if (!channel) return -1;
  settle(*channel, heard);
  return positionFrames(*channel, heard) * 2 * channel->format.channels;
}

void AudioBackend::restartCount(Channel& channel, std::int64_t frame) {
  if (channel.converter) channel.converter->clear();
  channel.baseFrame = frame;
  channel.outFrames = 0;
  channel.startOutput = written_;
  channel.decoderEnded = false;
  channel.drained = false;
  channel.ring.fill(0);
  if (output_) output_->discard();
}

bool AudioBackend::setPosition(Handle handle, std::int64_t bytes) {
  OutputLock outputLock(output_.get());
  {
    std::lock_guard lock(mutex_);
    Channel* channel = find(handle);
    if (!channel || bytes < 0) return false;
    const std::int64_t frame = bytes / (2 * channel->format.channels);
    if (channel->lengthFrames > 0 && frame > channel->lengthFrames) return false;
    if (!channel->decoder->seek(frame)) return false;
    restartCount(*channel, frame);
  }
  // Refilled at once rather than at the output's next request; after mutex_,
  // which the refill takes.
  if (output_) output_->wake();
  return true;
}

double AudioBackend::bytes2Seconds(Handle handle, std::int64_t bytes) const {
  std::lock_guard lock(mutex_);
  const Channel* channel = find(handle);
  if (!channel) return -1;
  return double(bytes) / (2.0 * channel->format.channels * channel->format.sampleRate);
}

std::int64_t AudioBackend::seconds2Bytes(Handle handle, double seconds) const {
  std::lock_guard lock(mutex_);
  const Channel* channel = find(handle);
  if (!channel) return -1;
  const std::int64_t frames = std::int64_t(seconds * channel->format.sampleRate);
  return frames * 2 * channel->format.channels;
}

// Decoding starts on the audio thread as soon as the stream plays; there is
// nothing to fill ahead of time.
bool AudioBackend::preBuf(Handle handle, int) {
  std::lock_guard lock(mutex_);
  return find(handle) != nullptr;
}

bool AudioBackend::play(Handle handle, bool restart) {
  OutputLock outputLock(output_.get());
  const std::int64_t heard = heardNow();
  std::unique_lock lock(mutex_);
  Channel* channel = find(handle);
  if (!channel) return false;
  if (!channel->converter) {
    // Made on first play only: streams opened just to read their tags never need one.
    // More than two channels are folded into two before conversion.
    const int convertChannels = std::min(channel->format.channels, 2);
    channel->converter = StreamConverter::create(convertChannels, channel->format.sampleRate, rate_);
    if (!channel->converter) return false;
  }
  if (restart && channel->decoder->seek(0)) restartCount(*channel, 0);
  if (channel->state == 3 && output_ && output_->setHeld(false)) {
    // The output held the unheard sound while paused and plays it on now.
  } else if (channel->state != 1) {
    // Count from here so that the time spent paused or stopped is not taken as heard.
    channel->baseFrame = positionFrames(*channel, heard);
    channel->outFrames = 0;
    channel->startOutput = written_;
    if (output_) {
      output_->discard();
      output_->setHeld(false);
    }
  }
  channel->state = 1;
  lock.unlock();
  if (output_) output_->wake();
  return true;
}

bool AudioBackend::pause(Handle handle) {
  OutputLock outputLock(output_.get());
  const std::int64_t heard = heardNow();
  std::lock_guard lock(mutex_);
  Channel* channel = find(handle);
  if (!channel || channel->state != 1) return false;
  settle(*channel, heard);
  if (channel->state == 1) channel->state = 3;
  if (output_ && !anyPlaying()) output_->setHeld(true);
  return true;
}

bool AudioBackend::stop(Handle handle) {
  OutputLock outputLock(output_.get());
  std::lock_guard lock(mutex_);
  Channel* channel = find(handle);
  if (!channel) return false;
  const bool wasHeard = channel->state != 0;
  channel->state = 0;
  if (output_ && wasHeard && !anyPlaying()) output_->discard();
  return true;
}

int AudioBackend::isActive(Handle handle) const {
  const std::int64_t heard = heardNow();
  std::lock_guard lock(mutex_);
  Channel* channel = find(handle);
  if (!channel) return 0;
  settle(*channel, heard);
  return channel->state;
}

void AudioBackend::heardFrames(const Channel& channel, std::int64_t heard, std::int16_t* out,
                               int count) const {
  const std::int64_t end = heardOutFrames(channel, heard);
  for (int i = 0; i < count; ++i) {
    const std::int64_t frame = end - count + i;
    if (frame < 0 || frame < channel.outFrames - kRingFrames) {
      out[2 * i] = out[2 * i + 1] = 0;
    } else {
      const std::size_t slot = std::size_t(frame % kRingFrames) * 2;
      out[2 * i] = channel.ring[slot];
      out[2 * i + 1] = channel.ring[slot + 1];
    }
  }
}

std::uint32_t AudioBackend::getLevel(Handle handle) const {
  std::array<std::int16_t, 2 * kRingFrames> frames;
  int count = 0;
  const std::int64_t heard = heardNow();
  {
    std::lock_guard lock(mutex_);
    Channel* channel = find(handle);
    if (!channel) return 0xFFFFFFFFu;
    settle(*channel, heard);
    if (channel->state != 1) return 0;
    count = std::min(rate_ / 50, kRingFrames);
    heardFrames(*channel, heard, frames.data(), count);
  }
  std::uint32_t left = 0, right = 0;
  for (int i = 0; i < count; ++i) {
    left = std::max<std::uint32_t>(left, std::uint32_t(std::abs(int(frames[2 * i]))));
    right = std::max<std::uint32_t>(right, std::uint32_t(std::abs(int(frames[2 * i + 1]))));
  }
  return left | right << 16;
}

bool AudioBackend::getSamples(Handle handle, std::int16_t* out, int count) const {
  if (count <= 0) return false;
  std::array<std::int16_t, 2 * kRingFrames> frames;
  bool mono = false;
  int frameCount = 0;
  const std::int64_t heard = heardNow();
  {
    std::lock_guard lock(mutex_);
    const Channel* channel = find(handle);
    if (!channel) return false;
    mono = channel->format.channels == 1;
    frameCount = std::min(mono ? count : (count + 1) / 2, kRingFrames);
    heardFrames(*channel, heard, frames.data(), frameCount);
  }
  if (mono) {
    for (int i = 0; i < count; ++i) out[i] = i < frameCount ? frames[2 * i] : 0;
  } else {
    for (int i = 0; i < count; ++i) out[i] = i < 2 * frameCount ? frames[i] : 0;
  }
  return true;
}

bool AudioBackend::getFft(Handle handle, float* out, int bins) const {
  const FftConfigs::Size* size = bins == 256 ? &fft_->small : bins == 1024 ? &fft_->large : nullptr;
  if (!size) return false;
  std::array<std::int16_t, 2 * kRingFrames> frames;
  const std::int64_t heard = heardNow();
  {
    std::lock_guard lock(mutex_);
    const Channel* channel = find(handle);
    if (!channel) return false;
    heardFrames(*channel, heard, frames.data(), size->points);
  }
  std::array<float, 2048> input;
  std::array<kiss_fft_cpx, 1025> spectrum;
  for (int i = 0; i < size->points; ++i)
    input[i] = (float(frames[2 * i]) + float(frames[2 * i + 1])) / 65536.0f * size->window[i];
  kiss_fftr(size->config, input.data(), spectrum.data());
  // A Hann-windowed sine of amplitude A peaks at A·N/4 in its bin.
  const float scale = 4.0f / float(size->points);
  for (int i = 0; i < bins; ++i) out[i] = std::hypot(spectrum[i].r, spectrum[i].i) * scale;
  return true;
}

bool AudioBackend::setVolume(int volume) {
  if (volume < 0 || volume > 100) return false;
  volume_ = volume;
  OutputLock outputLock(output_.get());
  outputScales_ = output_ && output_->setVolume(volume);
  return true;
}

int AudioBackend::produce(Channel& channel, std::int16_t* out, int frames) {
  const int sourceChannels = channel.format.channels;
  StreamConverter& converter = *channel.converter;
  while (!channel.decoderEnded && converter.available() < frames) {
    const std::int64_t got = channel.decoder->read(channel.decodeBuffer.data(), kChunkFrames);
    if (got <= 0) {
      channel.decoderEnded = true;
      converter.flush();
      break;
    }
    const std::int16_t* samples = channel.decodeBuffer.data();
    if (sourceChannels > 2) {
      // Fold many channels into two: even-numbered ones left, odd-numbered right.
      for (std::int64_t f = 0; f < got; ++f) {
        std::int32_t sum[2] = {0, 0};
        for (int c = 0; c < sourceChannels; ++c) sum[c % 2] += samples[f * sourceChannels + c];
        channel.stereoBuffer[2 * f] = std::int16_t(sum[0] / ((sourceChannels + 1) / 2));
        channel.stereoBuffer[2 * f + 1] = std::int16_t(sum[1] / (sourceChannels / 2));
      }
      samples = channel.stereoBuffer.data();
    }
    converter.put(samples, int(got));
  }
  const int got = converter.get(out, frames);
  if (channel.decoderEnded && got < frames && converter.available() == 0) channel.drained = true;
  for (int i = 0; i < got; ++i) {
    const std::size_t slot = std::size_t((channel.outFrames + i) % kRingFrames) * 2;
    channel.ring[slot] = out[2 * i];
    channel.ring[slot + 1] = out[2 * i + 1];
  }
  channel.outFrames += got;
  return got;
}

int AudioBackend::render(std::int16_t* out, int frames, bool pad) {
  std::lock_guard lock(mutex_);
  int done = 0;
  while (done < frames) {
    const int piece = std::min<int>(frames - done, int(mixScratch_.size() / 2));
    std::fill(mixSum_.begin(), mixSum_.begin() + 2 * piece, 0);
    int filled = 0;
    for (auto& [handle, channel] : channels_) {
      if (channel->state != 1 || channel->drained || !channel->converter) continue;
      const int got = produce(*channel, mixScratch_.data(), piece);
      for (int i = 0; i < 2 * got; ++i) mixSum_[i] += mixScratch_[i];
      filled = std::max(filled, got);
    }
    // Without padding, the output takes only sound: it ends where every stream ran dry.
    const int taken = pad ? piece : filled;
    const int volume = outputScales_ ? 100 : volume_.load();
    for (int i = 0; i < 2 * taken; ++i)
      out[2 * done + i] = std::int16_t(std::clamp(mixSum_[i] * volume / 100, -32768, 32767));
    done += taken;
    if (taken < piece) break;
  }
  if (pad) {
    std::fill(out + 2 * done, out + 2 * frames, 0);
    done = frames;
  }
  written_ += done;
  return done;
}

}  // namespace lyrovo
