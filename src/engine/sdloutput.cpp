#include "engine/audiooutput.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <mutex>

namespace lyrovo {

namespace {

// SDL's output pulls one buffer at a time in its callback; what was handed
// over is heard within one buffer, evenly over the time until the next call.
class SdlOutput : public AudioOutput {
 public:
  using Clock = std::chrono::steady_clock;

  SdlOutput(int rate, Render render) : rate_(rate), render_(std::move(render)) {}
  ~SdlOutput() override {
    if (device_ != 0) SDL_CloseAudioDevice(device_);  // waits for a running callback to finish
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }

  bool open(int device) {
    SDL_AudioSpec want{};
    want.freq = rate_;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = 2048;  // 46 ms: few wake-ups, still a quick response to pause and seek
    want.callback = &SdlOutput::callback;
    want.userdata = this;
    SDL_AudioSpec have{};
    const char* name = device >= 0 ? SDL_GetAudioDeviceName(device, 0) : nullptr;
    device_ = SDL_OpenAudioDevice(name, 0, &want, &have, 0);
    if (device_ == 0) return false;
    bufferFrames_ = have.samples > 0 ? have.samples : 1024;
    SDL_PauseAudioDevice(device_, 0);
    return true;
  }

  std::int64_t heardFrame() override {
    std::lock_guard lock(clockMutex_);
    const std::int64_t elapsed =
        std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - lastCall_).count() * rate_ /
        1000000;
    const std::int64_t floor = std::max<std::int64_t>(0, delivered_ - bufferFrames_);
    return std::clamp(delivered_ - bufferFrames_ + elapsed, floor, delivered_);
  }
  int bufferFrames() const override { return bufferFrames_; }
  void lock() override { SDL_LockAudioDevice(device_); }
  void unlock() override { SDL_UnlockAudioDevice(device_); }
  void discard() override {}
  bool setHeld(bool) override { return false; }
  void wake() override {}
  bool setVolume(int) override { return false; }

 private:
  static void callback(void* userdata, Uint8* stream, int length) {
    auto* self = static_cast<SdlOutput*>(userdata);
    const int frames = self->render_(reinterpret_cast<std::int16_t*>(stream), length / 4, true);
    std::lock_guard lock(self->clockMutex_);
    self->delivered_ += frames;
    self->lastCall_ = Clock::now();
  }

  int rate_;
  Render render_;
  SDL_AudioDeviceID device_ = 0;
  int bufferFrames_ = 1024;
  std::mutex clockMutex_;
  std::int64_t delivered_ = 0;
  Clock::time_point lastCall_ = Clock::now();
};

}  // namespace

std::unique_ptr<AudioOutput> openSdlOutput(int device, int rate, AudioOutput::Render render,
                                           const QByteArray& driver) {
  // The program handles SIGINT and SIGTERM itself; SDL must not take them over.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  // A driver named here overrides SDL_AUDIODRIVER from the environment for this one call.
  if (!driver.isEmpty()) SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, driver.constData(), SDL_HINT_OVERRIDE);
  const bool started = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
  if (!driver.isEmpty()) SDL_ResetHint(SDL_HINT_AUDIODRIVER);
  if (!started) return nullptr;
  auto output = std::make_unique<SdlOutput>(rate, std::move(render));
  if (!output->open(device)) return nullptr;  // the destructor quits the subsystem again
  return output;
}

bool preferSoundServer() {
  const QByteArray choice = qgetenv("LYROVO_AUDIO_OUTPUT").toLower();
  if (choice == "pulse") return true;
  if (choice == "sdl") return false;
  const QByteArray sdlDriver = qgetenv("SDL_AUDIODRIVER").toLower();
  return sdlDriver.isEmpty() || sdlDriver == "pulseaudio" || sdlDriver == "pulse" || sdlDriver == "pipewire";
}

}  // namespace lyrovo
