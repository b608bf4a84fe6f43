#include "engine/audiooutput.h"

#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/proplist.h>
#include <pulse/rtclock.h>
#include <pulse/stream.h>
#include <pulse/thread-mainloop.h>
#include <pulse/volume.h>

#include <algorithm>
#include <vector>

namespace lyrovo {

namespace {

// How much sound the server holds for us, and in what pieces it asks for
// more: a long buffer keeps the server's and our wake-ups few (about eight
// a second), while pause, seek and volume still act at once (the stream is
// corked, flushed, or its volume set on the server).
constexpr pa_usec_t kBufferUsec = 500 * 1000;
constexpr pa_usec_t kRefillUsec = 125 * 1000;

class PulseOutput : public AudioOutput {
 public:
  PulseOutput(int rate, Render render) : rate_(rate), render_(std::move(render)) {}

  ~PulseOutput() override {
    if (!loop_) return;
    pa_threaded_mainloop_lock(loop_);
    if (stream_) {
      pa_stream_set_write_callback(stream_, nullptr, nullptr);
      pa_stream_set_state_callback(stream_, nullptr, nullptr);
      pa_stream_disconnect(stream_);
      pa_stream_unref(stream_);
    }
    if (context_) {
      pa_context_set_state_callback(context_, nullptr, nullptr);
      pa_context_disconnect(context_);
      pa_context_unref(context_);
    }
    pa_threaded_mainloop_unlock(loop_);
    pa_threaded_mainloop_stop(loop_);
    pa_threaded_mainloop_free(loop_);
  }

  // Connects to the server and opens the stream, waiting at most timeoutMs.
  bool open(int timeoutMs) {
    loop_ = pa_threaded_mainloop_new();
    if (!loop_) return false;
    pa_proplist* properties = pa_proplist_new();
    pa_proplist_sets(properties, PA_PROP_APPLICATION_NAME, "Lyrovo");
    pa_proplist_sets(properties, PA_PROP_APPLICATION_ID, "lyrovo");
    pa_proplist_sets(properties, PA_PROP_APPLICATION_ICON_NAME, "lyrovo");
    pa_proplist_sets(properties, PA_PROP_MEDIA_ROLE, "music");
    context_ = pa_context_new_with_proplist(pa_threaded_mainloop_get_api(loop_), "Lyrovo", properties);
    pa_proplist_free(properties);
    if (!context_) return false;
    pa_context_set_state_callback(context_, &PulseOutput::signalLoop, this);
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) return false;

    pa_threaded_mainloop_lock(loop_);
    if (pa_threaded_mainloop_start(loop_) < 0) {
      pa_threaded_mainloop_unlock(loop_);
      return false;
    }
    // A server that accepts the connection but never answers must not hang start-up.
    pa_time_event* deadline = pa_context_rttime_new(context_, pa_rtclock_now() + pa_usec_t(timeoutMs) * 1000,
                                                    &PulseOutput::deadlinePassed, this);
    const bool ready = waitFor([this] {
                         const pa_context_state_t state = pa_context_get_state(context_);
                         return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
                       }) &&
                       pa_context_get_state(context_) == PA_CONTEXT_READY && openStream() && waitFor([this] {
                         const pa_stream_state_t state = pa_stream_get_state(stream_);
                         return state == PA_STREAM_READY || !PA_STREAM_IS_GOOD(state);
                       }) &&
                       pa_stream_get_state(stream_) == PA_STREAM_READY;
    if (deadline) pa_threaded_mainloop_get_api(loop_)->time_free(deadline);
    if (ready) {
      if (const pa_buffer_attr* attr = pa_stream_get_buffer_attr(stream_))
        bufferFrames_ = int(attr->tlength / 4);
    }
    pa_threaded_mainloop_unlock(loop_);
    return ready;
  }

  std::int64_t heardFrame() override {
    pa_threaded_mainloop_lock(loop_);
    pa_usec_t latency = 0;
    int negative = 0;
    // Right after a flush the server has not yet said where its buffer
    // stands: the frame last known to be heard stands until it does.
    const int rc = pa_stream_get_latency(stream_, &latency, &negative);
    if (rc == 0) {
      const std::int64_t unheard = negative ? 0 : std::int64_t(latency * pa_usec_t(rate_) / 1000000);
      heard_ = std::max<std::int64_t>({0, delivered_ - unheard, playedOut_});
    }
    const std::int64_t heard = heard_;
    pa_threaded_mainloop_unlock(loop_);
    return heard;
  }
  int bufferFrames() const override { return bufferFrames_; }
  void lock() override { pa_threaded_mainloop_lock(loop_); }
  void unlock() override { pa_threaded_mainloop_unlock(loop_); }

  void discard() override {
    if (pa_operation* operation = pa_stream_flush(stream_, nullptr, nullptr)) pa_operation_unref(operation);
  }
  bool setHeld(bool held) override {
    held_ = held;
    updateCork();
    return true;
  }
  void wake() override {
    const std::size_t writable = pa_stream_writable_size(stream_);
    if (writable != std::size_t(-1)) fill(writable);
  }
  bool setVolume(int volume) override {
    pa_cvolume levels;
    pa_cvolume_set(&levels, 2, pa_sw_volume_from_linear(volume / 100.0));
    if (pa_operation* operation = pa_context_set_sink_input_volume(context_, pa_stream_get_index(stream_),
                                                                   &levels, nullptr, nullptr))
      pa_operation_unref(operation);
    return true;
  }

 private:
  bool openStream() {
    const pa_sample_spec format{PA_SAMPLE_S16NE, std::uint32_t(rate_), 2};
    stream_ = pa_stream_new(context_, "Lyrovo", &format, nullptr);
    if (!stream_) return false;
    pa_stream_set_state_callback(stream_, &PulseOutput::signalStream, this);
    pa_stream_set_write_callback(stream_, &PulseOutput::writeRequested, this);
    pa_stream_set_underflow_callback(stream_, &PulseOutput::ranDry, this);
    pa_buffer_attr attr{};
    attr.maxlength = std::uint32_t(-1);
    attr.tlength = std::uint32_t(pa_usec_to_bytes(kBufferUsec, &format));
    attr.prebuf = std::uint32_t(-1);
    attr.minreq = std::uint32_t(pa_usec_to_bytes(kRefillUsec, &format));
    attr.fragsize = std::uint32_t(-1);
    // The latency asked for is the whole way to the ear, so the server sizes
    // its own buffer to it as well; timing is interpolated between reports.
    // Corked until the first song plays (see updateCork). Not held
    // monotonic, so that the clock may step back to what the server reports
    // after a flush.
    const auto flags =
        pa_stream_flags_t(PA_STREAM_ADJUST_LATENCY | PA_STREAM_INTERPOLATE_TIMING |
                          PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_NOT_MONOTONIC | PA_STREAM_START_CORKED);
    return pa_stream_connect_playback(stream_, nullptr, &attr, flags, nullptr, nullptr) == 0;
  }

  template <typename Done>
  bool waitFor(Done done) {
    while (!done()) {
      if (timedOut_) return false;
      pa_threaded_mainloop_wait(loop_);
    }
    return true;
  }

  // Hands the server up to bytes of sound, in one piece.
  void fill(std::size_t bytes) {
    const int frames = int(bytes / 4);
    if (frames <= 0) return;
    if (buffer_.size() < std::size_t(frames) * 2) buffer_.resize(std::size_t(frames) * 2);
    const int got = render_(buffer_.data(), frames, false);
    if (got <= 0) return;
    pa_stream_write(stream_, buffer_.data(), std::size_t(got) * 4, nullptr, 0, PA_SEEK_RELATIVE);
    delivered_ += got;
    if (dry_) {
      dry_ = false;
      updateCork();
    }
    if (got < frames) {
      // Nothing more for now (the song ends): what is buffered plays even
      // when it is less than the server waits for before it starts.
      if (pa_operation* operation = pa_stream_trigger(stream_, nullptr, nullptr))
        pa_operation_unref(operation);
    }
  }

  // Corked while paused, and while there is nothing to play: an idle
  // stream's clock would run on ahead of any sound.
  void updateCork() {
    const bool cork = held_ || dry_;
    if (cork == corked_) return;
    corked_ = cork;
    if (pa_operation* operation = pa_stream_cork(stream_, cork ? 1 : 0, nullptr, nullptr))
      pa_operation_unref(operation);
  }

  static void signalLoop(pa_context*, void* userdata) {
    pa_threaded_mainloop_signal(static_cast<PulseOutput*>(userdata)->loop_, 0);
  }
  static void signalStream(pa_stream*, void* userdata) {
    pa_threaded_mainloop_signal(static_cast<PulseOutput*>(userdata)->loop_, 0);
  }
  static void deadlinePassed(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* userdata) {
    auto* self = static_cast<PulseOutput*>(userdata);
    self->timedOut_ = true;
    pa_threaded_mainloop_signal(self->loop_, 0);
  }
  static void writeRequested(pa_stream*, std::size_t bytes, void* userdata) {
    static_cast<PulseOutput*>(userdata)->fill(bytes);
  }
  // Everything handed over has been played: the latency the server goes on
  // reporting is its sink's own, no longer any of our sound.
  static void ranDry(pa_stream*, void* userdata) {
    auto* self = static_cast<PulseOutput*>(userdata);
    // A report that crossed sound just written (after a flush, a new song)
    // is stale: the server has that sound now and has not asked for more.
    const std::size_t writable = pa_stream_writable_size(self->stream_);
    if (writable == std::size_t(-1) || writable < std::size_t(self->bufferFrames_) * 2) return;
    self->playedOut_ = self->delivered_;
    self->dry_ = true;
    self->updateCork();
  }

  int rate_;
  Render render_;
  pa_threaded_mainloop* loop_ = nullptr;
  pa_context* context_ = nullptr;
  pa_stream* stream_ = nullptr;
  int bufferFrames_ = 0;
  bool timedOut_ = false;
  bool corked_ = true;  // as the stream starts
  bool held_ = false;
  bool dry_ = true;
  // Frames handed to the server, and the last frame known heard; both under the loop's lock.
  std::int64_t delivered_ = 0;
  std::int64_t heard_ = 0;
  std::int64_t playedOut_ = 0;  // frames handed over before the stream last ran dry
  std::vector<std::int16_t> buffer_;
};

}  // namespace

std::unique_ptr<AudioOutput> openPulseOutput(int rate, AudioOutput::Render render, int timeoutMs) {
  auto output = std::make_unique<PulseOutput>(rate, std::move(render));
  if (!output->open(timeoutMs)) return nullptr;
  return output;
}

}  // namespace lyrovo
