#include "engine/audiooutput.h"

#include "engine/sdllibrary.h"

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

  SdlOutput(const SdlLibrary* sdl, int rate, Render render)
      : sdl_(sdl), rate_(rate), render_(std::move(render)) {}
  ~SdlOutput() override {
    if (device_ != 0) sdl_->closeAudioDevice(device_);  // waits for a running callback to finish
    sdl_->quitSubSystem(SDL_INIT_AUDIO);
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
    const char* name = device >= 0 ? sdl_->getAudioDeviceName(device, 0) : nullptr;
    device_ = sdl_->openAudioDevice(name, 0, &want, &have, 0);
    if (device_ == 0) return false;
    bufferFrames_ = have.samples > 0 ? have.samples : 1024;
    sdl_->pauseAudioDevice(device_, 0);
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
  void lock() override { sdl_->lockAudioDevice(device_); }
  void unlock() override { sdl_->unlockAudioDevice(device_); }
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

  const SdlLibrary* sdl_;
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
  const SdlLibrary* sdl = openSdlLibrary();
  if (!sdl) return nullptr;
  // The program handles SIGINT and SIGTERM itself; SDL must not take them over.
  sdl->setHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  // A driver named here overrides SDL_AUDIODRIVER from the environment for this one call.
  if (!driver.isEmpty())
    sdl->setHintWithPriority(SDL_HINT_AUDIODRIVER, driver.constData(), SDL_HINT_OVERRIDE);
  const bool started = sdl->initSubSystem(SDL_INIT_AUDIO) == 0;
  if (!driver.isEmpty()) sdl->resetHint(SDL_HINT_AUDIODRIVER);
  if (!started) return nullptr;
  auto output = std::make_unique<SdlOutput>(sdl, rate, std::move(render));
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
