#pragma once

#include "engine/decoder.h"
#include "engine/plugins.h"
#include "engine/streamconverter.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace lyrovo {

class AudioOutput;

// The audio back end: decoded streams, played through one output at the
// engine's rate (16-bit stereo) — the sound server, or SDL — with positions
// in bytes of each stream's own format and a record of the sound just heard
// for levels and spectra.
//
// Decoding and mixing run on the output's thread; every other member is
// called from the UI thread. The two meet only under one mutex, held by the
// output's thread for one refill at a time and by the UI thread for a few
// field reads, so neither waits on the other for longer than that. Where the
// UI thread also holds the output's lock, it takes that one first.
class AudioBackend {
 public:
  using Handle = std::uint32_t;

  AudioBackend();
  ~AudioBackend();
  AudioBackend(const AudioBackend&) = delete;
  AudioBackend& operator=(const AudioBackend&) = delete;

  // Major and minor version in the high 16 bits.
  static constexpr std::uint32_t version() { return 0x02030000; }

  // Opens the output at rate Hz (device -1: the default one): the sound
  // server first unless the environment says otherwise (see
  // preferSoundServer), then SDL. False when no output could be opened.
  bool init(int device, int rate);
  // Opens SDL's silent "dummy" output, paced in real time, so that streams
  // still play (and their positions advance) without a sound device.
  bool initSilent(int rate);
  void free();
  bool initialised() const { return output_ != nullptr; }
  int outputRate() const { return rate_; }
  // Frames of one output buffer: how far the sound heard lags behind what was mixed.
  int outputBufferFrames() const { return bufferFrames_; }

  PluginHost& plugins() { return plugins_; }
  const PluginHost& plugins() const { return plugins_; }

  Handle streamCreateFile(const QString& path);
  bool streamFree(Handle handle);
  std::optional<StreamFormat> channelInfo(Handle handle) const;
  // Byte counts of 16-bit interleaved samples at the stream's rate and channels; -1 on failure.
  std::int64_t getLength(Handle handle) const;
  std::int64_t getPosition(Handle handle) const;
  bool setPosition(Handle handle, std::int64_t bytes);
  double bytes2Seconds(Handle handle, std::int64_t bytes) const;
  std::int64_t seconds2Bytes(Handle handle, double seconds) const;
  bool preBuf(Handle handle, int length);
  bool play(Handle handle, bool restart);
  bool pause(Handle handle);
  bool stop(Handle handle);
  // 0 stopped, 1 playing, 2 stalled, 3 paused; 0 for an unknown handle.
  int isActive(Handle handle) const;
  // Peaks of the last 20 ms heard, left in the low and right in the high 16
  // bits (0..32768 each); 0 while not playing; 0xFFFFFFFF for an unknown handle.
  std::uint32_t getLevel(Handle handle) const;
  // Magnitudes of the sound now heard (both channels mixed, Hann window):
  // bins = 256 (a 512-point transform) or 1024 (2048 points) values into
  // out. A full-scale sine at a bin centre gives about 1.0. False (out
  // untouched) for other counts or an unknown handle.
  bool getFft(Handle handle, float* out, int bins) const;
  // The last count 16-bit samples heard, interleaved stereo (or the left
  // channel alone for a mono stream); false for an unknown handle.
  bool getSamples(Handle handle, std::int16_t* out, int count) const;

  int getVolume() const { return volume_.load(); }
  bool setVolume(int volume);

  // The output's request for sound: mixes up to frames of 16-bit stereo into
  // out; how many frames were filled (all of them, silence after the sound,
  // with pad set).
  int render(std::int16_t* out, int frames, bool pad);

 private:
  static constexpr int kRingFrames = 4096;  // stereo frames of heard sound kept per stream
  static constexpr int kChunkFrames = 1024;
  static constexpr int kMixFrames = 2048;  // mixed in pieces of at most this many frames

  struct Channel {
    std::unique_ptr<Decoder> decoder;
    StreamFormat format;
    std::int64_t lengthFrames = 0;
    std::unique_ptr<StreamConverter> converter;
    int state = 0;                 // 0 stopped, 1 playing, 3 paused
    std::int64_t baseFrame = 0;    // stream frame where output counting restarted (open, seek)
    std::int64_t outFrames = 0;    // output frames mixed since then
    std::int64_t startOutput = 0;  // the output's frame count when counting restarted
    bool decoderEnded = false;     // the decoder has nothing more
    bool drained = false;          // and everything decoded has been mixed
    std::vector<std::int16_t> decodeBuffer;
    std::vector<std::int16_t> stereoBuffer;
    std::array<std::int16_t, 2 * kRingFrames> ring{};  // output frames by (frame number % kRingFrames)
  };

  Channel* find(Handle handle) const;
  bool openOutput(int device, int rate, const QByteArray& sdlDriver);
  // The output's frame heard now (0 without an output). Called without mutex_ held.
  std::int64_t heardNow() const;
  // Output frames of channel heard by the time the output heard its frame heard.
  std::int64_t heardOutFrames(const Channel& channel, std::int64_t heard) const;
  // Marks a drained stream stopped once its last frame has been heard.
  void settle(Channel& channel, std::int64_t heard) const;
  std::int64_t positionFrames(const Channel& channel, std::int64_t heard) const;
  int produce(Channel& channel, std::int16_t* out, int frames);
  // Counts the channel's sound again from frame, dropping what the output
  // holds unheard. Needs the output's lock and mutex_.
  void restartCount(Channel& channel, std::int64_t frame);
  bool anyPlaying() const;
  // Copies the count stereo frames ending at the heard frame into out.
  void heardFrames(const Channel& channel, std::int64_t heard, std::int16_t* out, int count) const;

  mutable std::mutex mutex_;
  std::map<Handle, std::unique_ptr<Channel>> channels_;
  Handle nextHandle_ = 1;
  std::unique_ptr<AudioOutput> output_;
  std::int64_t written_ = 0;  // frames handed to the output
  int rate_ = 44100;
  int bufferFrames_ = 1024;
  std::atomic<int> volume_{100};
  std::atomic<bool> outputScales_{false};  // the output applies the volume itself
  std::vector<std::int16_t> mixScratch_;
  std::vector<std::int32_t> mixSum_;
  struct FftConfigs;
  std::unique_ptr<FftConfigs> fft_;
  DecoderCache decoderCache_;
  PluginHost plugins_;
};

}  // namespace lyrovo
