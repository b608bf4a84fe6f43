// The decoders built into the engine: WAVE and AIFF through libsndfile, Ogg
// Vorbis through libvorbisfile, MPEG layers 1–3 through libmpg123.
#include "engine/decoder.h"

#include <QFile>
#include <QFileInfo>

#include <mpg123.h>
#include <sndfile.h>
#include <vorbis/vorbisfile.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

namespace lyrovo {

// Spare mpg123 handles, closed but with their tables still allocated.
struct DecoderCache::Spares {
  static constexpr std::size_t kKeep = 4;
  std::mutex mutex;
  std::vector<mpg123_handle*> handles;

  mpg123_handle* take() {
    std::lock_guard lock(mutex);
    if (handles.empty()) return nullptr;
    mpg123_handle* handle = handles.back();
    handles.pop_back();
    return handle;
  }
  // Keeps handle for later, or deletes it when enough are kept.
  void give(mpg123_handle* handle) {
    {
      std::lock_guard lock(mutex);
      if (handles.size() < kKeep) {
        handles.push_back(handle);
        return;
      }
    }
    mpg123_delete(handle);
  }
  ~Spares() {
    for (mpg123_handle* handle : handles) mpg123_delete(handle);
  }
};

DecoderCache::DecoderCache() : spares_(std::make_shared<Spares>()) {}
DecoderCache::~DecoderCache() = default;

namespace {

// ---------------------------------------------------------------- WAVE, AIFF

class SndfileDecoder : public Decoder {
 public:
  static std::unique_ptr<Decoder> open(const QByteArray& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.constData(), SFM_READ, &info);
    if (!file) return nullptr;
    std::unique_ptr<SndfileDecoder> decoder(new SndfileDecoder(file, info));
    if (decoder->format_.typeCode == 0 || info.channels < 1 || info.samplerate < 1) return nullptr;
    return decoder;
  }
  ~SndfileDecoder() override { sf_close(file_); }

  StreamFormat format() const override { return format_; }
  std::int64_t lengthFrames() const override { return std::max<sf_count_t>(info_.frames, 0); }
  bool seek(std::int64_t frame) override { return sf_seek(file_, frame, SEEK_SET) == frame; }
  std::int64_t read(std::int16_t* out, std::int64_t frames) override {
    return sf_readf_short(file_, out, frames);
  }

 private:
  SndfileDecoder(SNDFILE* file, const SF_INFO& info) : file_(file), info_(info) {
    format_.sampleRate = info.samplerate;
    format_.channels = info.channels;
    const int major = info.format & SF_FORMAT_TYPEMASK;
    const int sub = info.format & SF_FORMAT_SUBMASK;
    // libsndfile reads many more containers (FLAC, Ogg, even MP3); only
    // WAVE and AIFF are ours, the rest is left to the other decoders.
    if (major == SF_FORMAT_WAV || major == SF_FORMAT_WAVEX || major == SF_FORMAT_RF64) {
      format_.typeCode =
          (sub == SF_FORMAT_FLOAT || sub == SF_FORMAT_DOUBLE) ? typecode::FloatWave : typecode::PcmWave;
    } else if (major == SF_FORMAT_AIFF) {
      format_.typeCode = typecode::AudioIff;
    }
    // Float samples are read scaled to the 16-bit range, and values beyond
    // ±1.0 clip instead of wrapping around.
    if (sub == SF_FORMAT_FLOAT || sub == SF_FORMAT_DOUBLE) {
      sf_command(file_, SFC_SET_SCALE_FLOAT_INT_READ, nullptr, SF_TRUE);
      sf_command(file_, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    }
  }

  SNDFILE* file_;
  SF_INFO info_;
  StreamFormat format_;
};

// ---------------------------------------------------------------- Ogg Vorbis

class VorbisDecoder : public Decoder {
 public:
  static std::unique_ptr<Decoder> open(const QByteArray& path) {
    std::unique_ptr<VorbisDecoder> decoder(new VorbisDecoder);
    if (ov_fopen(path.constData(), &decoder->file_) != 0) return nullptr;
    decoder->opened_ = true;
    const vorbis_info* info = ov_info(&decoder->file_, -1);
    if (!info || info->channels < 1 || info->rate < 1) return nullptr;
    decoder->format_ = {int(info->rate), info->channels, typecode::OggVorbis, 0};
    return decoder;
  }
  ~VorbisDecoder() override {
    if (opened_) ov_clear(&file_);
  }

  StreamFormat format() const override { return format_; }
  std::int64_t lengthFrames() const override {
    const ogg_int64_t total = ov_pcm_total(const_cast<OggVorbis_File*>(&file_), -1);
    return total > 0 ? total : 0;
  }
  bool seek(std::int64_t frame) override { return ov_pcm_seek(&file_, frame) == 0; }
  std::int64_t read(std::int16_t* out, std::int64_t frames) override {
    const std::int64_t frameBytes = 2 * format_.channels;
    char* target = reinterpret_cast<char*>(out);
    std::int64_t wanted = frames * frameBytes;
    std::int64_t got = 0;
    int holes = 0;
    while (got < wanted) {
      int section = 0;
      const long n = ov_read(&file_, target + got, int(std::min<std::int64_t>(wanted - got, 1 << 20)), 0, 2,
                             1, &section);
      if (n == 0) break;
      if (n == OV_HOLE && ++holes < 64) continue;  // a gap in the data: carry on after it
      if (n < 0) return got > 0 ? got / frameBytes : -1;
      // A chained stream whose later links change the channel count cannot
      // continue in the same format: end there.
      const vorbis_info* info = ov_info(&file_, section);
      if (!info || info->channels != format_.channels) break;
      got += n;
    }
    return got / frameBytes;
  }

 private:
  VorbisDecoder() = default;
  OggVorbis_File file_{};
  bool opened_ = false;
  StreamFormat format_;
};

// ---------------------------------------------------------------- MPEG audio

// Files up to this size are scanned once at open for their exact length;
// larger ones use the length mpg123 estimates (exact with a LAME/Xing header).
constexpr qint64 kScanLimit = 64 * 1024 * 1024;

// Whether a stream of length samples at rate can be held in fileSize bytes:
// no MPEG audio frame is smaller than the lowest bit rate of its version
// and layer allows (32 kbit/s for MPEG-1 and for layer I, 8 kbit/s
// otherwise), so a longer claim is false. Free-format streams go unchecked.
bool mpegLengthFits(off_t length, long rate, const mpg123_frameinfo2& info, qint64 fileSize) {
  if (info.bitrate <= 0) return true;
  const double lowestBitsPerSecond = info.version == MPG123_1_0 || info.layer == 1 ? 32000 : 8000;
  const double seconds = double(length) / double(rate);
  // A little room for the frames' rounding to whole bytes.
  return seconds * lowestBitsPerSecond / 8 <= double(fileSize) * 1.05 + 4096;
}
// The file mpg123 reads, through a buffer: it reads frame headers and
// frames a few bytes at a time, and scanning a file for its length would
// otherwise cost two system calls a frame.
struct BufferedFile {
  int fd = -1;
  std::vector<unsigned char> buffer = std::vector<unsigned char>(64 * 1024);
  std::size_t start = 0, end = 0;  // unread bytes buffer[start, end)
  off_t position = 0;              // the file offset just after buffer[end - 1]

  ~BufferedFile() {
    if (fd >= 0) ::close(fd);
  }

  static mpg123_ssize_t read(void* handle, void* out, std::size_t count) {
    auto* file = static_cast<BufferedFile*>(handle);
    auto* target = static_cast<unsigned char*>(out);
    std::size_t done = 0;
    while (done < count) {
      if (file->start == file->end) {
        const ssize_t got = ::read(file->fd, file->buffer.data(), file->buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return done > 0 ? mpg123_ssize_t(done) : -1;
        if (got == 0) break;
        file->start = 0;
        file->end = std::size_t(got);
        file->position += got;
      }
      const std::size_t take = std::min(count - done, file->end - file->start);
      std::memcpy(target + done, file->buffer.data() + file->start, take);
      file->start += take;
      done += take;
    }
    return mpg123_ssize_t(done);
  }

  static off_t seek(void* handle, off_t offset, int whence) {
    auto* file = static_cast<BufferedFile*>(handle);
    const off_t bufferStart = file->position - off_t(file->end);
    off_t target = -1;
    if (whence == SEEK_SET) target = offset;
    if (whence == SEEK_CUR) target = bufferStart + off_t(file->start) + offset;
    // A target inside the buffer needs no system call.
    if (target >= bufferStart && target <= file->position) {
      file->start = std::size_t(target - bufferStart);
      return target;
    }
    const off_t moved =
        whence == SEEK_END ? ::lseek(file->fd, offset, SEEK_END) : ::lseek(file->fd, target, SEEK_SET);
    if (moved >= 0) {
      file->position = moved;
      file->start = file->end = 0;
    }
    return moved;
  }
};

class Mpg123Decoder : public Decoder {
 public:
  static std::unique_ptr<Decoder> open(const QByteArray& path, qint64 fileSize,
                                       std::shared_ptr<DecoderCache::Spares> spares) {
    mpg123_handle* handle = spares ? spares->take() : nullptr;
    if (!handle) {
      int error = MPG123_OK;
      handle = mpg123_new(nullptr, &error);
      if (!handle) return nullptr;
      mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_GAPLESS, 0);
      mpg123_param(handle, MPG123_RESYNC_LIMIT, 2048, 0);
    }
    std::unique_ptr<Mpg123Decoder> decoder(new Mpg123Decoder(handle, std::move(spares)));
    // Always 16-bit signed output at the stream's own rate and channels.
    mpg123_format_none(handle);
    const long* rates = nullptr;
    size_t rateCount = 0;
    mpg123_rates(&rates, &rateCount);
    for (size_t i = 0; i < rateCount; ++i)
      mpg123_format(handle, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    decoder->file_ = std::make_unique<BufferedFile>();
    decoder->file_->fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (decoder->file_->fd < 0 ||
        mpg123_replace_reader_handle(handle, &BufferedFile::read, &BufferedFile::seek, nullptr) !=
            MPG123_OK ||
        mpg123_open_handle(handle, decoder->file_.get()) != MPG123_OK)
      return nullptr;
    decoder->opened_ = true;
    long rate = 0;
    int channels = 0, encoding = 0;
    if (mpg123_getformat(handle, &rate, &channels, &encoding) != MPG123_OK || rate < 1 || channels < 1)
      return nullptr;
    mpg123_format_none(handle);
    mpg123_format(handle, rate, channels, MPG123_ENC_SIGNED_16);  // hold this format for the whole stream
    mpg123_frameinfo2 info{};
    mpg123_info2(handle, &info);
    const std::uint32_t codes[] = {typecode::MpegLayer1, typecode::MpegLayer2, typecode::MpegLayer3};
    decoder->format_ = {int(rate), channels, codes[std::clamp(info.layer, 1, 3) - 1], 0};
    // A LAME header (it carries the encoder delay) gives the exact length;
    // without one the length is an estimate until the file is scanned. A
    // header whose length the file cannot hold (a damaged or cut file) is
    // not believed: the file is scanned instead, whatever its size.
    long encoderDelay = -1;
    mpg123_getstate(handle, MPG123_ENC_DELAY, &encoderDelay, nullptr);
    bool scanned = false;
    if (encoderDelay < 0 && fileSize <= kScanLimit) {
      mpg123_scan(handle);
      scanned = true;
    }
    off_t length = mpg123_length(handle);
    if (!scanned && length > 0 && !mpegLengthFits(length, rate, info, fileSize)) {
      mpg123_scan(handle);
      length = mpg123_length(handle);
    }
    decoder->length_ = length > 0 ? length : 0;
    return decoder;
  }
  ~Mpg123Decoder() override {
    if (opened_) mpg123_close(handle_);
    if (spares_) {
      spares_->give(handle_);
    } else {
      mpg123_delete(handle_);
    }
  }

  StreamFormat format() const override { return format_; }
  std::int64_t lengthFrames() const override { return length_; }
  bool seek(std::int64_t frame) override { return mpg123_seek(handle_, off_t(frame), SEEK_SET) >= 0; }
  std::int64_t read(std::int16_t* out, std::int64_t frames) override {
    const size_t frameBytes = 2 * size_t(format_.channels);
    unsigned char* target = reinterpret_cast<unsigned char*>(out);
    const size_t wanted = size_t(frames) * frameBytes;
    size_t got = 0;
    for (int attempts = 0; got < wanted && attempts < 64; ++attempts) {
      size_t done = 0;
      const int result = mpg123_read(handle_, target + got, wanted - got, &done);
      got += done;
      if (result == MPG123_DONE) break;
      if (result == MPG123_NEW_FORMAT || result == MPG123_OK) continue;
      if (result == MPG123_NEED_MORE) break;  // a truncated file: end cleanly
      if (got == 0) return -1;
      break;
    }
    return std::int64_t(got / frameBytes);
  }

 private:
  Mpg123Decoder(mpg123_handle* handle, std::shared_ptr<DecoderCache::Spares> spares)
      : handle_(handle), spares_(std::move(spares)) {}
  mpg123_handle* handle_;
  std::shared_ptr<DecoderCache::Spares> spares_;
  std::unique_ptr<BufferedFile> file_;  // closed after mpg123 let go of it
  bool opened_ = false;
  StreamFormat format_;
  std::int64_t length_ = 0;
};

// Which decoder a file is for, from its first bytes (and, for MPEG audio,
// which has no reliable signature, its extension as well). mpg123 is kept
// off other files because it can find false frame syncs in compressed data.
enum class Kind { None, Sndfile, Vorbis, Mpeg };

Kind kindOf(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return Kind::None;
  const QByteArray head = file.read(12);
  if (head.startsWith("RIFF") || head.startsWith("RIFX") || head.startsWith("RF64") ||
      head.startsWith("FORM"))
    return Kind::Sndfile;
  if (head.startsWith("OggS")) return Kind::Vorbis;
  if (head.startsWith("ID3")) return Kind::Mpeg;
  if (head.size() >= 2 && quint8(head[0]) == 0xFF && (quint8(head[1]) & 0xE0) == 0xE0) return Kind::Mpeg;
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix == QLatin1String("mp3") || suffix == QLatin1String("mp2") || suffix == QLatin1String("mp1") ||
      suffix == QLatin1String("mpga"))
    return Kind::Mpeg;
  return Kind::None;
}

}  // namespace

std::unique_ptr<Decoder> openCoreDecoder(const QString& path, DecoderCache* cache) {
  const QFileInfo info(path);
  if (!info.isFile()) return nullptr;
  const QByteArray native = QFile::encodeName(path);
  switch (kindOf(path)) {
    case Kind::Sndfile:
      return SndfileDecoder::open(native);
    case Kind::Vorbis:
      return VorbisDecoder::open(native);
    case Kind::Mpeg:
      return Mpg123Decoder::open(native, info.size(), cache ? cache->spares_ : nullptr);
    case Kind::None:
      return nullptr;
  }
  return nullptr;
}

}  // namespace lyrovo
