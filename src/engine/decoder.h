#pragma once

#include <QString>

#include <cstdint>
#include <memory>

namespace lyrovo {

// Stream type codes the engine reports for the formats it decodes itself.
namespace typecode {
constexpr std::uint32_t OggVorbis = 0x00010002;
constexpr std::uint32_t MpegLayer1 = 0x00010003;
constexpr std::uint32_t MpegLayer2 = 0x00010004;
constexpr std::uint32_t MpegLayer3 = 0x00010005;
constexpr std::uint32_t AudioIff = 0x00010006;
constexpr std::uint32_t PcmWave = 0x00050001;
constexpr std::uint32_t FloatWave = 0x00050003;
}  // namespace typecode

struct StreamFormat {
  int sampleRate = 0;
  int channels = 0;
  std::uint32_t typeCode = 0;
  std::uintptr_t plugin = 0;  // the decoding plug-in's handle; 0 = decoded by the engine itself
};

// One open audio file, decoded to interleaved signed 16-bit samples at its
// own rate and channel count. Not thread-safe: one user at a time.
class Decoder {
 public:
  virtual ~Decoder() = default;
  virtual StreamFormat format() const = 0;
  // Total sample frames; 0 when unknown.
  virtual std::int64_t lengthFrames() const = 0;
  // Moves to a sample frame; false when refused.
  virtual bool seek(std::int64_t frame) = 0;
  // Up to frames frames into out (frames × channels samples); the frames
  // written, 0 at the end of the stream, negative on an error.
  virtual std::int64_t read(std::int16_t* out, std::int64_t frames) = 0;
};

// Decoder state that is costly to create (an MPEG decoder allocates and
// clears large tables), kept by its owner for reuse by the next file, which
// makes reading the tags and lengths of many files several times faster.
// Thread-safe.
class DecoderCache {
 public:
  DecoderCache();
  ~DecoderCache();
  struct Spares;

 private:
  friend std::unique_ptr<class Decoder> openCoreDecoder(const QString&, DecoderCache*);
  std::shared_ptr<Spares> spares_;
};

// Opens path with the decoders built into the engine (MPEG layers 1–3, Ogg
// Vorbis, WAVE and AIFF), chosen by the file's content; null when none can
// decode it.
std::unique_ptr<Decoder> openCoreDecoder(const QString& path, DecoderCache* cache = nullptr);

}  // namespace lyrovo
