// Decoder plug-in over libavformat/libavcodec: WMA, FLAC, AAC, Opus, Monkey's
// Audio, WavPack and Apple Lossless, decoded to interleaved signed 16-bit
// samples at the stream's own rate and channel count.

#include <lyrovo_plugin.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/log.h>
#include <libavutil/mathematics.h>
#include <libswresample/swresample.h>
}

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

// Format table, in the order of the Format enumeration.
enum Format { Wma, Flac, Aac, Opus, Ape, WavPack, Alac };

constexpr LyrovoFormat kFormats[] = {
    {0x00110001, "Windows Media Audio", "*.wma"},    {0x00110002, "FLAC", "*.flac"},
    {0x00110003, "MPEG-4 AAC", "*.m4a;*.aac;*.mp4"}, {0x00110004, "Opus", "*.opus"},
    {0x00110005, "Monkey's Audio", "*.ape"},         {0x00110006, "WavPack", "*.wv"},
    {0x00110007, "Apple Lossless", "*.m4a"},
};

// Only the containers these formats come in are probed, so anything else
// (MP3, WAVE, playlists that point at other files) is refused before a
// decoder sees it.
// Files up to this size are read through for their length when the container states none.
constexpr int64_t kLengthScanLimit = 256 * 1024 * 1024;
constexpr const char* kDemuxers = "asf,flac,mov,aac,ogg,ape,wv";
constexpr const char* kDecoders =
    "wmav1,wmav2,wmapro,wmalossless,wmavoice,flac,aac,aac_latm,opus,ape,wavpack,alac";

int formatOf(AVCodecID codec) {
  switch (codec) {
    case AV_CODEC_ID_WMAV1:
    case AV_CODEC_ID_WMAV2:
    case AV_CODEC_ID_WMAPRO:
    case AV_CODEC_ID_WMALOSSLESS:
    case AV_CODEC_ID_WMAVOICE:
      return Wma;
    case AV_CODEC_ID_FLAC:
      return Flac;
    case AV_CODEC_ID_AAC:
    case AV_CODEC_ID_AAC_LATM:
      return Aac;
    case AV_CODEC_ID_OPUS:
      return Opus;
    case AV_CODEC_ID_APE:
      return Ape;
    case AV_CODEC_ID_WAVPACK:
      return WavPack;
    case AV_CODEC_ID_ALAC:
      return Alac;
    default:
      return -1;
  }
}

bool isLossy(int format) { return format == Wma || format == Aac || format == Opus; }

void silenceLibraryLog() {
  // A function-local static is initialised once, thread-safely.
  static const bool silenced = [] {
    av_log_set_level(AV_LOG_QUIET);
    return true;
  }();
  (void)silenced;
}

// A channel layout with a known order: decoders that only give a channel
// count get the default layout for that count.
void normalisedLayout(const AVChannelLayout& in, AVChannelLayout* out) {
  if (in.order == AV_CHANNEL_ORDER_UNSPEC || av_channel_layout_check(&in) == 0 ||
      av_channel_layout_copy(out, &in) < 0)
    av_channel_layout_default(out, in.nb_channels);
}

int64_t timestampOf(const AVFrame* frame) {
  return frame->pts != AV_NOPTS_VALUE ? frame->pts : frame->best_effort_timestamp;
}

enum class Step { Frame, End, Error };

class Stream {
 public:
  ~Stream() {
    closeDecoder();
    av_channel_layout_uninit(&outLayout_);
  }

  // Opens path and decodes its first frame; false when it is not one of the
  // plug-in's formats or cannot be decoded.
  bool open(const std::string& path);
  int64_t read(int16_t* out, int64_t frames);
  int seek(int64_t frame);

  int rate() const { return rate_; }
  int channels() const { return channels_; }
  uint32_t typeCode() const { return kFormats[format_].type_code; }
  int64_t length() const { return length_; }

 private:
  bool openDecoder();
  void closeDecoder();
  bool adoptFormatOf(const AVFrame* frame);
  void findLength();
  int64_t scanLength() const;
  Step decodeFrame();
  bool convert(const AVFrame* frame);
  bool seekByTime(int64_t target);
  bool rewind();
  int64_t position() const { return bufferStart_ + static_cast<int64_t>(pendingPos_ / channels_); }
  // Lossy decoders' output after a seek matches a decode from the start only
  // after some history: 0.4 s makes it match to the sample for these codecs.
  int64_t preroll() const { return isLossy(format_) ? rate_ * 2 / 5 : 0; }
  int64_t pendingFrames() const { return static_cast<int64_t>((pending_.size() - pendingPos_) / channels_); }
  void dropPending(int64_t frames) { pendingPos_ += static_cast<size_t>(frames) * channels_; }
  // The sample frame a decoded frame's timestamp stands for; -1 when unknown.
  int64_t frameIndex(const AVFrame* frame) const;

  std::string path_;
  AVFormatContext* container_ = nullptr;
  AVCodecContext* decoder_ = nullptr;
  SwrContext* converter_ = nullptr;
  AVChannelLayout converterIn_{};
  int converterInRate_ = 0;
  int converterInFormat_ = -1;
  AVChannelLayout outLayout_{};
  AVPacket* packet_ = nullptr;
  AVFrame* frame_ = nullptr;
  int streamIndex_ = -1;
  bool ready_ = false;  // container and decoder open

  int format_ = -1;
  int rate_ = 0;
  int channels_ = 0;
  int64_t length_ = -1;
  // When the container states the length to the sample, decoding stops
  // there, cutting the encoder's padding.
  bool exactLength_ = false;
  // Timestamp of the first decoded frame: sample frame 0 of the stream.
  int64_t firstTimestamp_ = AV_NOPTS_VALUE;
  // Samples of the first decoded frame, used to round positions taken from
  // timestamps coarser than one sample (ASF counts milliseconds).
  int64_t frameGrid_ = 1;

  std::vector<int16_t> pending_;  // converted samples of the last frame
  size_t pendingPos_ = 0;
  int64_t bufferStart_ = 0;  // sample frame of pending_[0]
  bool demuxerDone_ = false;
  bool readFailed_ = false;
  bool ended_ = false;
  bool failed_ = false;
};

bool Stream::open(const std::string& path) {
  path_ = path;
  if (!openDecoder() || decodeFrame() != Step::Frame || !adoptFormatOf(frame_)) return false;
  // The first frame's samples are sample frame 0 whatever its timestamp says.
  firstTimestamp_ = timestampOf(frame_);
  frameGrid_ = std::max<int64_t>(1, frame_->nb_samples);
  bufferStart_ = 0;
  findLength();
  return true;
}

// The output takes the rate and channels of the first decoded frame, which
// can differ from the container's word (implicit SBR or parametric stereo in AAC).
bool Stream::adoptFormatOf(const AVFrame* frame) {
  const int rate = frame->sample_rate;
  const int channels = frame->ch_layout.nb_channels;
  if (rate <= 0 || rate > 768000 || channels <= 0 || channels > 64) return false;
  if (rate == rate_ && channels == channels_) return true;
  rate_ = rate;
  channels_ = channels;
  av_channel_layout_uninit(&outLayout_);
  normalisedLayout(frame->ch_layout, &outLayout_);
  swr_free(&converter_);
  pending_.clear();
  pendingPos_ = 0;
  return convert(frame) && !pending_.empty();
}

// Length: the stream's duration, else the container's; -1 when neither is known.
void Stream::findLength() {
  const AVStream* stream = container_->streams[streamIndex_];
  const AVRational perSample{1, rate_};
  length_ = -1;
  exactLength_ = false;
  if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0) {
    length_ = av_rescale_q(stream->duration, stream->time_base, perSample);
    // Ogg counts Opus's pre-skip into the duration; the decoder drops those samples.
    if (format_ == Opus && std::strcmp(container_->iformat->name, "ogg") == 0)
      length_ = std::max<int64_t>(0, length_ - av_rescale(stream->codecpar->initial_padding, rate_, 48000));
    // Exact when stated, not guessed from the bit rate, in units no coarser than a sample.
    exactLength_ = container_->duration_estimation_method != AVFMT_DURATION_FROM_BITRATE &&
                   av_cmp_q(stream->time_base, perSample) <= 0;
  } else if (container_->duration != AV_NOPTS_VALUE && container_->duration > 0) {
    length_ = av_rescale(container_->duration, rate_, AV_TIME_BASE);
  } else {
    length_ = scanLength();
  }
}

// A container that states no length (some WavPack, raw AAC) is read through
// once, packet by packet without decoding, and the packets' durations are
// added up; -1 when the file is too large for that or the packets carry none.
int64_t Stream::scanLength() const {
  struct stat status {};
  if (::stat(path_.c_str(), &status) != 0 || status.st_size > kLengthScanLimit) return -1;
  AVFormatContext* scan = nullptr;
  AVDictionary* options = nullptr;
  av_dict_set(&options, "protocol_whitelist", "file", 0);
  av_dict_set(&options, "format_whitelist", container_->iformat->name, 0);
  const std::string url = "file:" + path_;
  const int opened = avformat_open_input(&scan, url.c_str(), container_->iformat, &options);
  av_dict_free(&options);
  if (opened < 0) return -1;
  int64_t total = 0;
  AVPacket* packet = av_packet_alloc();
  if (packet && static_cast<unsigned>(streamIndex_) < scan->nb_streams) {
    const AVRational timeBase = scan->streams[streamIndex_]->time_base;
    while (av_read_frame(scan, packet) >= 0) {
      if (packet->stream_index == streamIndex_ && packet->duration > 0)
        total += av_rescale_q(packet->duration, timeBase, AVRational{1, rate_});
      av_packet_unref(packet);
    }
  }
  av_packet_free(&packet);
  avformat_close_input(&scan);
  return total > 0 ? total : -1;
}

bool Stream::openDecoder() {
  // Regular files only: a FIFO would block and a directory is not audio.
  struct stat status {};
  if (::stat(path_.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return false;

  AVDictionary* options = nullptr;
  av_dict_set(&options, "protocol_whitelist", "file", 0);
  av_dict_set(&options, "format_whitelist", kDemuxers, 0);
  av_dict_set(&options, "codec_whitelist", kDecoders, 0);
  // The "file:" prefix keeps a colon in the name from selecting another protocol.
  const std::string url = "file:" + path_;
  const int opened = avformat_open_input(&container_, url.c_str(), nullptr, &options);
  av_dict_free(&options);
  if (opened < 0) return false;
  if (avformat_find_stream_info(container_, nullptr) < 0) return false;

  streamIndex_ = av_find_best_stream(container_, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
  if (streamIndex_ < 0) return false;
  AVStream* stream = container_->streams[streamIndex_];
  for (unsigned i = 0; i < container_->nb_streams; ++i)
    if (static_cast<int>(i) != streamIndex_) container_->streams[i]->discard = AVDISCARD_ALL;

  const int format = formatOf(stream->codecpar->codec_id);
  if (format < 0) return false;
  const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
  if (!codec) return false;
  decoder_ = avcodec_alloc_context3(codec);
  if (!decoder_ || avcodec_parameters_to_context(decoder_, stream->codecpar) < 0) return false;
  decoder_->pkt_timebase = stream->time_base;
  if (avcodec_open2(decoder_, codec, nullptr) < 0) return false;

  // Reopening (see rewind) must find the same codec.
  if (format_ >= 0 && format != format_) return false;
  format_ = format;
  if (rate_ == 0) {  // until the first frame tells
    rate_ = decoder_->sample_rate;
    channels_ = decoder_->ch_layout.nb_channels;
    normalisedLayout(decoder_->ch_layout, &outLayout_);
  }
  if (rate_ <= 0 || channels_ <= 0 || channels_ > 64) return false;

  packet_ = av_packet_alloc();
  frame_ = av_frame_alloc();
  if (!packet_ || !frame_) return false;

  pending_.clear();
  pendingPos_ = 0;
  bufferStart_ = 0;
  demuxerDone_ = false;
  readFailed_ = false;
  ready_ = true;
  return true;
}

void Stream::closeDecoder() {
  ready_ = false;
  swr_free(&converter_);
  av_channel_layout_uninit(&converterIn_);
  av_frame_free(&frame_);
  av_packet_free(&packet_);
  avcodec_free_context(&decoder_);
  avformat_close_input(&container_);
  streamIndex_ = -1;
}

// Decodes the next frame into pending_ (bufferStart_ moves past the previous
// frame). Corrupt packets are skipped; the end of the input ends the stream.
Step Stream::decodeFrame() {
  bufferStart_ = position() + pendingFrames();
  pending_.clear();
  pendingPos_ = 0;
  int errors = 0;
  for (;;) {
    const int received = avcodec_receive_frame(decoder_, frame_);
    if (received >= 0) {
      const bool converted = convert(frame_);
      if (frame_->nb_samples > 0 && !converted) {
        av_frame_unref(frame_);
        return Step::Error;
      }
      if (!pending_.empty()) return Step::Frame;  // frame_ keeps its timestamp until the next call
      av_frame_unref(frame_);
      continue;
    }
    if (received == AVERROR_EOF) return readFailed_ ? Step::Error : Step::End;
    if (received != AVERROR(EAGAIN)) {
      // A damaged frame: go on with the next one, but not forever.
      if (received == AVERROR_INVALIDDATA && ++errors < 64) continue;
      return Step::Error;
    }
    if (demuxerDone_) return readFailed_ ? Step::Error : Step::End;

    const int read = av_read_frame(container_, packet_);
    if (read < 0) {
      // A truncated or damaged tail is an end; an input error is an error.
      demuxerDone_ = true;
      readFailed_ = read != AVERROR_EOF && read != AVERROR_INVALIDDATA;
      avcodec_send_packet(decoder_, nullptr);
      continue;
    }
    if (packet_->stream_index == streamIndex_) {
      const int sent = avcodec_send_packet(decoder_, packet_);
      if (sent < 0 && sent != AVERROR_INVALIDDATA && sent != AVERROR(EAGAIN)) {
        av_packet_unref(packet_);
        return Step::Error;
      }
    }
    av_packet_unref(packet_);
  }
}

// Converts a decoded frame to interleaved s16 at the output rate and layout.
// Normally only the sample format changes; a stream that changes its rate or
// layout midway is resampled and remixed to the one it opened with.
bool Stream::convert(const AVFrame* frame) {
  if (frame->nb_samples <= 0) return true;
  AVChannelLayout in{};
  normalisedLayout(frame->ch_layout.nb_channels > 0 ? frame->ch_layout : decoder_->ch_layout, &in);
  const int inRate = frame->sample_rate > 0 ? frame->sample_rate : rate_;
  if (!converter_ || inRate != converterInRate_ || frame->format != converterInFormat_ ||
      av_channel_layout_compare(&in, &converterIn_) != 0) {
    swr_free(&converter_);
    if (swr_alloc_set_opts2(&converter_, &outLayout_, AV_SAMPLE_FMT_S16, rate_, &in,
                            static_cast<AVSampleFormat>(frame->format), inRate, 0, nullptr) < 0 ||
        swr_init(converter_) < 0) {
      swr_free(&converter_);
      av_channel_layout_uninit(&in);
      return false;
    }
    av_channel_layout_uninit(&converterIn_);
    converterIn_ = in;
    in = {};
    converterInRate_ = inRate;
    converterInFormat_ = frame->format;
  }
  av_channel_layout_uninit(&in);

  const int capacity = swr_get_out_samples(converter_, frame->nb_samples);
  if (capacity <= 0) return capacity == 0;
  pending_.resize(static_cast<size_t>(capacity) * channels_);
  auto* out = reinterpret_cast<uint8_t*>(pending_.data());
  const int converted = swr_convert(converter_, &out, capacity,
                                    const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
  if (converted < 0) {
    pending_.clear();
    return false;
  }
  pending_.resize(static_cast<size_t>(converted) * channels_);
  return true;
}

int64_t Stream::read(int16_t* out, int64_t frames) {
  if (failed_) return -1;
  if (!out || frames <= 0) return 0;
  int64_t done = 0;
  while (done < frames) {
    int64_t available = pendingFrames();
    if (exactLength_) available = std::min(available, length_ - position());
    if (available > 0) {
      const int64_t n = std::min(available, frames - done);
      std::memcpy(out + done * channels_, pending_.data() + pendingPos_,
                  static_cast<size_t>(n * channels_) * sizeof(int16_t));
      dropPending(n);
      done += n;
      continue;
    }
    if (ended_ || (exactLength_ && position() >= length_)) break;
    const Step step = decodeFrame();
    if (step == Step::End) ended_ = true;
    if (step == Step::Error) {
      // Hand out what was decoded; this call or the next reports the error.
      failed_ = true;
      return done > 0 ? done : -1;
    }
  }
  return done;
}

int64_t Stream::frameIndex(const AVFrame* frame) const {
  const int64_t timestamp = timestampOf(frame);
  if (timestamp == AV_NOPTS_VALUE || firstTimestamp_ == AV_NOPTS_VALUE) return -1;
  const AVStream* stream = container_->streams[streamIndex_];
  const AVRational perSample{1, rate_};
  int64_t index = av_rescale_q(timestamp - firstTimestamp_, stream->time_base, perSample);
  // Timestamps coarser than a sample: frames of a constant size sit on a grid.
  if (av_cmp_q(stream->time_base, perSample) > 0) index = (index + frameGrid_ / 2) / frameGrid_ * frameGrid_;
  return index;
}

// Seeks the container to shortly before target and decodes the first frame;
// false when the frame's position is unknown or after target.
bool Stream::seekByTime(int64_t target) {
  if (!ready_ || firstTimestamp_ == AV_NOPTS_VALUE) return false;
  const AVStream* stream = container_->streams[streamIndex_];
  const int64_t start = target - preroll();
  if (start <= 0) return false;  // near the start, rewinding is exact and as quick
  const int64_t timestamp = firstTimestamp_ + av_rescale_q(start, AVRational{1, rate_}, stream->time_base);
  if (av_seek_frame(container_, streamIndex_, timestamp, AVSEEK_FLAG_BACKWARD) < 0) return false;
  avcodec_flush_buffers(decoder_);
  swr_free(&converter_);
  pending_.clear();
  pendingPos_ = 0;
  demuxerDone_ = false;
  readFailed_ = false;
  if (decodeFrame() != Step::Frame) return false;
  const int64_t index = frameIndex(frame_);
  if (index < 0 || index > target) return false;
  bufferStart_ = index;
  return true;
}

// Back to sample frame 0 by opening the file again: exact for every format.
bool Stream::rewind() {
  closeDecoder();
  if (!openDecoder() || decodeFrame() != Step::Frame) return false;
  bufferStart_ = 0;
  return true;
}

int Stream::seek(int64_t target) {
  if (target < 0 || (length_ >= 0 && target > length_)) return -1;
  ended_ = false;
  failed_ = false;
  if (!seekByTime(target)) {
    if (!rewind()) {
      failed_ = true;
      return -1;
    }
  }
  // Decode and discard up to the exact frame.
  while (position() < target) {
    const int64_t skip = std::min(pendingFrames(), target - position());
    if (skip > 0) {
      dropPending(skip);
      continue;
    }
    const Step step = decodeFrame();
    if (step == Step::End) {
      ended_ = true;
      break;
    }
    if (step == Step::Error) {
      failed_ = true;
      return -1;
    }
  }
  return 0;
}

void* pluginOpen(const char* path, LyrovoStreamInfo* info) {
  if (!path || !*path || !info) return nullptr;
  silenceLibraryLog();
  auto stream = std::make_unique<Stream>();
  if (!stream->open(path)) return nullptr;
  info->sample_rate = stream->rate();
  info->channels = stream->channels();
  info->type_code = stream->typeCode();
  info->length_frames = stream->length();
  return stream.release();
}

int64_t pluginRead(void* stream, int16_t* out, int64_t frames) {
  return stream ? static_cast<Stream*>(stream)->read(out, frames) : -1;
}

int pluginSeek(void* stream, int64_t frame) {
  return stream ? static_cast<Stream*>(stream)->seek(frame) : -1;
}

void pluginClose(void* stream) { delete static_cast<Stream*>(stream); }

constexpr LyrovoPluginInfo kInfo{
    LYROVO_PLUGIN_ABI_VERSION, std::size(kFormats), kFormats, pluginOpen, pluginRead, pluginSeek, pluginClose,
};

}  // namespace

extern "C" __attribute__((visibility("default"))) const LyrovoPluginInfo* lyrovo_plugin_info(void) {
  return &kInfo;
}
