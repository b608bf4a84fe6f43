#pragma once

#include <QByteArray>

#include <cstdint>
#include <functional>
#include <memory>

namespace lyrovo {

// Where the engine's mixed sound goes: 16-bit stereo at one rate. The output
// pulls sound on its own thread through the render function it was given and
// counts every frame it takes, so that "frame n" names the same frame on
// both sides; it reports which of them is being heard now.
class AudioOutput {
 public:
  // Mixes up to frames into out and returns how many it filled. With pad set
  // the output needs every frame (the rest is silence) and frames is returned.
  using Render = std::function<int(std::int16_t* out, int frames, bool pad)>;

  virtual ~AudioOutput() = default;

  // Index of the frame heard now: frames taken before it have reached the ear.
  virtual std::int64_t heardFrame() = 0;
  // Frames the output holds before they are heard, at most.
  virtual int bufferFrames() const = 0;

  // While held, render is not called. Everything below needs it held.
  virtual void lock() = 0;
  virtual void unlock() = 0;
  // Drops what was taken but not yet heard (after a seek or a change of song).
  virtual void discard() = 0;
  // Holds what was taken, unheard, until resumed; false when the output
  // cannot hold it (it then keeps asking for sound and plays silence).
  virtual bool setHeld(bool held) = 0;
  // New sound may be ready: asks for it now rather than at the next request.
  virtual void wake() = 0;
  // Sets the volume (0..100) where the sound is played, so that it applies at
  // once rather than after the buffer; false when the mixer must scale instead.
  virtual bool setVolume(int volume) = 0;
};

// Keeps an output's render from running for the lifetime of the guard.
class OutputLock {
 public:
  explicit OutputLock(AudioOutput* output) : output_(output) {
    if (output_) output_->lock();
  }
  ~OutputLock() {
    if (output_) output_->unlock();
  }
  OutputLock(const OutputLock&) = delete;
  OutputLock& operator=(const OutputLock&) = delete;

 private:
  AudioOutput* output_;
};

// The sound server's own interface (PulseAudio, or PipeWire serving it), with
// a large buffer refilled in large pieces; null when no server answers
// within timeoutMs or it refuses the stream.
std::unique_ptr<AudioOutput> openPulseOutput(int rate, AudioOutput::Render render, int timeoutMs = 2000);

// SDL's output: device index (-1 the default), with the driver SDL_AUDIODRIVER
// or driver (when not empty) names; null when it cannot be opened.
std::unique_ptr<AudioOutput> openSdlOutput(int device, int rate, AudioOutput::Render render,
                                           const QByteArray& driver = {});

// Which output to try first. LYROVO_AUDIO_OUTPUT=pulse or sdl decides; else
// the sound server, unless SDL_AUDIODRIVER names another SDL driver (dummy,
// disk, alsa…), which is then used as before.
bool preferSoundServer();

}  // namespace lyrovo
