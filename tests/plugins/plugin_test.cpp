// The decoder plug-ins, loaded with dlopen and used only through their C
// table, exactly as the player uses them.

#include "support/audiofixtures.h"

#include <lyrovo_plugin.h>

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace lyrovo {
namespace {

using testing::dominantFrequency;
using testing::tonePower;

// Loaded once and kept: unloading libraries mid-process is not what the player does either.
const LyrovoPluginInfo* plugin(const char* file) {
  void* library = dlopen((std::string(LYROVO_PLUGIN_DIR "/") + file).c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library) return nullptr;
  auto entry = reinterpret_cast<LyrovoPluginInfoFunction>(dlsym(library, LYROVO_PLUGIN_ENTRY));
  return entry ? entry() : nullptr;
}
const LyrovoPluginInfo* ffmpeg() {
  static const LyrovoPluginInfo* const info = plugin("lyrovo_ffmpeg.so");
  return info;
}
const LyrovoPluginInfo* midi() {
  static const LyrovoPluginInfo* const info = plugin("lyrovo_midi.so");
  return info;
}

std::string fixture(const char* name) { return testing::fixture(QString::fromUtf8(name)).toStdString(); }

std::vector<uint8_t> readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}
std::string writeBytes(const QTemporaryDir& dir, const char* name, const std::vector<uint8_t>& bytes) {
  const std::string path = dir.filePath(QString::fromUtf8(name)).toStdString();
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  return path;
}

// One open stream; reads check the plug-in's promises on every call.
class Stream {
 public:
  Stream(const LyrovoPluginInfo* plugin, const std::string& path)
      : plugin_(plugin), handle_(plugin->open(path.c_str(), &info_)) {}
  ~Stream() {
    if (handle_) plugin_->close(handle_);
  }
  explicit operator bool() const { return handle_ != nullptr; }
  const LyrovoStreamInfo& info() const { return info_; }
  int seek(int64_t frame) { return plugin_->seek(handle_, frame); }

  // Up to frames frames, in reads of chunk frames, until the end; an error
  // ends the reading too (error() tells).
  std::vector<int16_t> read(int64_t frames, int64_t chunk = 1000) {
    std::vector<int16_t> samples;
    while (frames > 0) {
      std::vector<int16_t> buffer(static_cast<size_t>(chunk * info_.channels), 0x5a5a);
      const int64_t got = plugin_->read(handle_, buffer.data(), std::min(chunk, frames));
      if (got < 0) error_ = true;
      if (got <= 0) break;
      EXPECT_LE(got, std::min(chunk, frames));
      samples.insert(samples.end(), buffer.begin(), buffer.begin() + got * info_.channels);
      frames -= got;
    }
    return samples;
  }
  std::vector<int16_t> readAll() { return read(info_.length_frames > 0 ? 4 * info_.length_frames : 1 << 22); }
  bool error() const { return error_; }

 private:
  const LyrovoPluginInfo* plugin_;
  LyrovoStreamInfo info_{};
  void* handle_;
  bool error_ = false;
};

std::vector<double> channel(const std::vector<int16_t>& samples, int channels, int which, size_t from,
                            size_t count) {
  std::vector<double> out;
  for (size_t i = from; i < from + count && (i + 1) * channels <= samples.size(); ++i)
    out.push_back(samples[i * channels + which]);
  return out;
}

double rms(const std::vector<int16_t>& samples, size_t from, size_t to) {
  double sum = 0;
  to = std::min(to, samples.size());
  for (size_t i = from; i < to; ++i) sum += double(samples[i]) * samples[i];
  return to > from ? std::sqrt(sum / double(to - from)) : 0;
}

int maxDifference(const std::vector<int16_t>& a, size_t aFrom, const std::vector<int16_t>& b, size_t count) {
  int worst = 0;
  for (size_t i = 0; i < count && i < b.size() && aFrom + i < a.size(); ++i)
    worst = std::max(worst, std::abs(a[aFrom + i] - b[i]));
  return worst;
}

// ---- Format tables ---------------------------------------------------------

TEST(PluginTable, EachPluginOffersWellFormedFormats) {
  const std::regex pattern(R"(\*\.[a-z0-9]+(;\*\.[a-z0-9]+)*)");
  for (const LyrovoPluginInfo* info : {ffmpeg(), midi()}) {
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->abi_version, LYROVO_PLUGIN_ABI_VERSION);
    ASSERT_TRUE(info->open && info->read && info->seek && info->close);
    ASSERT_GT(info->format_count, 0u) << "the sound font package is missing";
    std::set<uint32_t> codes;
    for (uint32_t i = 0; i < info->format_count; ++i) {
      const LyrovoFormat& format = info->formats[i];
      EXPECT_TRUE(format.name && *format.name);
      EXPECT_TRUE(std::regex_match(format.extensions, pattern)) << format.extensions;
      EXPECT_TRUE(codes.insert(format.type_code).second) << "duplicate type code " << format.type_code;
      EXPECT_EQ(format.type_code >> 16, info == ffmpeg() ? 0x0011u : 0x0012u);
    }
  }
  EXPECT_EQ(midi()->format_count, 1u);
  EXPECT_EQ(midi()->formats[0].type_code, 0x00120001u);
  EXPECT_STREQ(midi()->formats[0].extensions, "*.mid;*.midi");
}

const LyrovoFormat* ffmpegFormat(const char* name) {
  for (uint32_t i = 0; i < ffmpeg()->format_count; ++i)
    if (std::strcmp(ffmpeg()->formats[i].name, name) == 0) return &ffmpeg()->formats[i];
  return nullptr;
}

// ---- The FFmpeg plug-in on each format's two-second 1 kHz tone ---------------

struct Tone {
  const char* file;
  const char* format;  // the format the stream must report
  int rate;            // Opus always decodes at 48 kHz
  int codecFrame;      // samples per codec frame: the length's precision
  bool exactLength;    // the container states the length to the sample
  int seekTolerance;   // largest sample difference after a seek (a sample off would be ~2300)
};

void PrintTo(const Tone& tone, std::ostream* os) { *os << tone.file; }

class FfmpegTone : public ::testing::TestWithParam<Tone> {};

TEST_P(FfmpegTone, DecodesTheToneAtItsRateAndLength) {
  const Tone& tone = GetParam();
  Stream stream(ffmpeg(), fixture(tone.file));
  ASSERT_TRUE(stream);
  const LyrovoFormat* format = ffmpegFormat(tone.format);
  ASSERT_NE(format, nullptr);
  const std::string extension = std::strrchr(tone.file, '.');
  EXPECT_NE(std::string(format->extensions).find("*" + extension), std::string::npos);
  EXPECT_EQ(stream.info().type_code, format->type_code);
  EXPECT_EQ(stream.info().sample_rate, tone.rate);
  EXPECT_EQ(stream.info().channels, 2);
  EXPECT_NEAR(stream.info().length_frames, 2 * tone.rate, tone.codecFrame);

  const std::vector<int16_t> samples = stream.readAll();
  EXPECT_FALSE(stream.error());
  const int64_t frames = int64_t(samples.size()) / 2;
  if (tone.exactLength)
    EXPECT_EQ(frames, stream.info().length_frames);
  else
    EXPECT_NEAR(frames, stream.info().length_frames, tone.codecFrame);
  EXPECT_EQ(stream.read(100).size(), 0u) << "the end stays the end";

  for (int side : {0, 1}) {
    const std::vector<double> middle = channel(samples, 2, side, size_t(tone.rate / 2), 4096);
    ASSERT_EQ(middle.size(), 4096u);
    EXPECT_EQ(dominantFrequency(middle, tone.rate), 1000.0);
    const double peak = *std::max_element(middle.begin(), middle.end());
    EXPECT_NEAR(peak, 16384, 1640) << "half scale";
  }
}

TEST_P(FfmpegTone, SeekContinuesAtTheRequestedFrame) {
  const Tone& tone = GetParam();
  std::vector<int16_t> reference;
  {
    Stream fresh(ffmpeg(), fixture(tone.file));
    ASSERT_TRUE(fresh);
    reference = fresh.readAll();
  }
  const int64_t total = int64_t(reference.size()) / 2;
  Stream stream(ffmpeg(), fixture(tone.file));
  ASSERT_TRUE(stream);
  stream.read(3000);
  for (int64_t target : {int64_t(44100), int64_t(tone.rate / 2 + 333), total - 500}) {
    ASSERT_EQ(stream.seek(target), 0) << target;
    const std::vector<int16_t> after = stream.read(4096);
    const size_t expected = size_t(std::min<int64_t>(4096, total - target)) * 2;
    ASSERT_EQ(after.size(), expected) << "seek to " << target;
    // Lossy decoders may differ slightly in the last frame (noise substitution).
    if (target + 4096 < total) {
      EXPECT_LE(maxDifference(reference, size_t(target) * 2, after, expected), tone.seekTolerance)
          << "seek to " << target;
    }
  }
  // Back to the start gives the very first samples again.
  ASSERT_EQ(stream.seek(0), 0);
  EXPECT_EQ(stream.read(4096), std::vector<int16_t>(reference.begin(), reference.begin() + 4096 * 2));
  // From a seek the stream runs to its end.
  ASSERT_EQ(stream.seek(44100), 0);
  EXPECT_EQ(int64_t(stream.readAll().size()) / 2, total - 44100);

  EXPECT_EQ(stream.seek(-1), -1);
  EXPECT_EQ(stream.seek(stream.info().length_frames + 1), -1);
}

INSTANTIATE_TEST_SUITE_P(Formats, FfmpegTone,
                         ::testing::Values(Tone{"tone1k.wma", "Windows Media Audio", 44100, 2048, false, 64},
                                           Tone{"tone1k.flac", "FLAC", 44100, 0, true, 0},
                                           Tone{"tone1k.m4a", "MPEG-4 AAC", 44100, 1024, true, 64},
                                           Tone{"tone1k.opus", "Opus", 48000, 960, true, 64},
                                           // States no length: read through once for it.
                                           Tone{"nolength.wv", "WavPack", 44100, 1, false, 0}),
                         [](const auto& info) { return std::string(std::strchr(info.param.file, '.') + 1); });

TEST(FfmpegPlugin, RefusesOtherFormatsAndBrokenFiles) {
  // MP3, MP2, WAVE and Vorbis are the core's; the rest is not audio at all.
  for (const char* name :
       {"tone1k.mp3", "tone1k.mp2", "tone1k.wav", "tone1k.ogg", "truncated.ogg", "random.mp3", "empty.mp3",
        "dir.mp3", "note.mid", "lying-header.wav", "missing.wma"}) {
    Stream stream(ffmpeg(), fixture(name));
    EXPECT_FALSE(stream) << name;
  }
  const QTemporaryDir dir;
  Stream noise(ffmpeg(), writeBytes(dir, "noise.wma", readBytes(fixture("random.mp3"))));
  EXPECT_FALSE(noise);
  Stream empty(ffmpeg(), writeBytes(dir, "empty.flac", {}));
  EXPECT_FALSE(empty);
}

TEST(FfmpegPlugin, DecodesByContentNotByName) {
  const QTemporaryDir dir;
  // A UTF-8 name, with a colon that must not be taken for a protocol.
  Stream stream(ffmpeg(), writeBytes(dir, "歌曲 concat:flac.mp3", readBytes(fixture("tone1k.flac"))));
  ASSERT_TRUE(stream);
  EXPECT_EQ(stream.info().type_code, ffmpegFormat("FLAC")->type_code);
  EXPECT_EQ(stream.readAll().size(), 88200u * 2);
}

// Cut and overwritten copies of each file: refused, or decoded to a clean end.
TEST(FfmpegPlugin, DamagedFilesEndCleanly) {
  const QTemporaryDir dir;
  std::mt19937 random(7);
  for (const char* name : {"tone1k.wma", "tone1k.flac", "tone1k.m4a", "tone1k.opus"}) {
    const std::vector<uint8_t> whole = readBytes(fixture(name));
    for (int variant = 0; variant < 4; ++variant) {
      std::vector<uint8_t> bytes = whole;
      if (variant < 3) {
        bytes.resize(bytes.size() * (variant + 1) / 4);  // a quarter, half, three quarters
      } else {
        for (size_t i = bytes.size() / 3; i < bytes.size() / 3 + 2000; ++i) bytes[i] = uint8_t(random());
      }
      const std::string path = writeBytes(dir, (std::to_string(variant) + name).c_str(), bytes);
      Stream stream(ffmpeg(), path);
      if (!stream) continue;
      const size_t limit = size_t(stream.info().sample_rate) * 2 * 2 + 4096;
      EXPECT_LE(stream.readAll().size(), limit) << path;
      if (variant < 3) {
        EXPECT_FALSE(stream.error()) << "a cut file ends, it does not fail: " << path;
      }
      // Seeking in the damaged file neither hangs nor crashes.
      const int seek = stream.seek(stream.info().sample_rate);
      EXPECT_TRUE(seek == 0 || seek == -1);
      EXPECT_LE(stream.readAll().size(), limit) << path;
    }
  }
}

// ---- The MIDI plug-in --------------------------------------------------------

constexpr int kMidiRate = 44100;

// A Standard MIDI File of the given format and division with these track bodies.
std::vector<uint8_t> smf(uint16_t format, uint16_t division,
                         const std::vector<std::vector<uint8_t>>& tracks) {
  std::vector<uint8_t> out;
  auto bigEndian = [&out](size_t value, int bytes) {
    while (bytes-- > 0) out.push_back(uint8_t(value >> (8 * bytes)));
  };
  out.insert(out.end(), {'M', 'T', 'h', 'd'});
  bigEndian(6, 4);
  bigEndian(format, 2);
  bigEndian(tracks.size(), 2);
  bigEndian(division, 2);
  for (const auto& track : tracks) {
    out.insert(out.end(), {'M', 'T', 'r', 'k'});
    bigEndian(track.size(), 4);
    out.insert(out.end(), track.begin(), track.end());
  }
  return out;
}

// 96 ticks a beat. Track 0 holds the tempo map: one second a beat, from tick 96
// a quarter second. Track 1 holds middle C from 0 to 1 s, and G from tick 480
// (1 s + 4 × 0.25 s = 2 s) to 576 (2.25 s); note-offs as note-ons of velocity 0
// in running status.
std::vector<uint8_t> twoTempoSong() {
  return smf(1, 96,
             {{0x00, 0xff, 0x51, 0x03, 0x0f, 0x42, 0x40,  // 1,000,000 µs a beat
               0x60, 0xff, 0x51, 0x03, 0x03, 0xd0, 0x90,  // 250,000 µs a beat
               0x00, 0xff, 0x2f, 0x00},
              {0x00, 0x90, 0x3c, 0x64,  // C on
               0x60, 0x3c, 0x00,        // C off (running status)
               0x83, 0x00, 0x43, 0x64,  // 384 ticks later: G on
               0x60, 0x43, 0x00,        // G off
               0x00, 0xff, 0x2f, 0x00}});
}

TEST(MidiPlugin, RendersTheNoteWithAOneSecondTail) {
  Stream stream(midi(), fixture("note.mid"));
  ASSERT_TRUE(stream);
  EXPECT_EQ(stream.info().sample_rate, kMidiRate);
  EXPECT_EQ(stream.info().channels, 2);
  EXPECT_EQ(stream.info().type_code, 0x00120001u);
  EXPECT_EQ(stream.info().length_frames, 2 * kMidiRate) << "one second of note, one of release";

  const std::vector<int16_t> samples = stream.readAll();
  EXPECT_EQ(samples.size(), size_t(2 * kMidiRate) * 2);
  EXPECT_EQ(stream.read(100).size(), 0u);
  const double held = rms(samples, 0, size_t(kMidiRate) * 2);
  EXPECT_GT(held, 100) << "the note sounds";
  EXPECT_LT(rms(samples, size_t(kMidiRate) * 2 * 19 / 10, samples.size()), held / 10) << "and dies away";
  const std::vector<double> left = channel(samples, 2, 0, kMidiRate / 10, 4096);
  EXPECT_GT(tonePower(left, 261.63, kMidiRate), 10 * tonePower(left, 1000, kMidiRate)) << "middle C";
}

TEST(MidiPlugin, FollowsTheTempoMapOfAllTracks) {
  const QTemporaryDir dir;
  Stream stream(midi(), writeBytes(dir, "tempo.mid", twoTempoSong()));
  ASSERT_TRUE(stream);
  EXPECT_EQ(stream.info().length_frames, kMidiRate * 325 / 100);
  const std::vector<int16_t> samples = stream.readAll();
  EXPECT_EQ(int64_t(samples.size()) / 2, stream.info().length_frames);
  auto loudness = [&](double from, double to) {
    return rms(samples, size_t(from * kMidiRate) * 2, size_t(to * kMidiRate) * 2);
  };
  // G starts at 2.0 s: not at 2.5 s (the default tempo) nor at 5 s (the first tempo only).
  EXPECT_GT(loudness(2.0, 2.2), 20 * loudness(1.75, 1.98));

  // A seek to 1.5 s lands in the silence before G, which starts half a second later.
  ASSERT_EQ(stream.seek(kMidiRate * 3 / 2), 0);
  const std::vector<int16_t> after = stream.readAll();
  EXPECT_EQ(int64_t(after.size()) / 2, stream.info().length_frames - kMidiRate * 3 / 2);
  EXPECT_LT(rms(after, 0, size_t(kMidiRate) * 2 * 45 / 100), 10);
  EXPECT_GT(rms(after, size_t(kMidiRate) * 2 * 51 / 100, size_t(kMidiRate) * 2 * 7 / 10), 100);
}

TEST(MidiPlugin, SeeksWithinTheStreamOnly) {
  Stream stream(midi(), fixture("note.mid"));
  ASSERT_TRUE(stream);
  const std::vector<int16_t> reference = stream.readAll();
  ASSERT_EQ(stream.seek(0), 0);
  EXPECT_EQ(stream.readAll(), reference) << "the synthesizer starts afresh";
  ASSERT_EQ(stream.seek(kMidiRate), 0);
  EXPECT_EQ(stream.readAll().size(), size_t(kMidiRate) * 2);
  ASSERT_EQ(stream.seek(2 * kMidiRate), 0);
  EXPECT_EQ(stream.read(100).size(), 0u);
  EXPECT_EQ(stream.seek(2 * kMidiRate + 1), -1);
  EXPECT_EQ(stream.seek(-1), -1);
}

TEST(MidiPlugin, RefusesAnythingButAPlayableMidiFile) {
  for (const char* name :
       {"tone1k.mp3", "tone1k.wav", "tone1k.flac", "random.mp3", "empty.mp3", "dir.mp3", "missing.mid"}) {
    Stream stream(midi(), fixture(name));
    EXPECT_FALSE(stream) << name;
  }
  const QTemporaryDir dir;
  // Every cut of the file loses its end-of-track event or more.
  const std::vector<uint8_t> note = readBytes(fixture("note.mid"));
  for (size_t size = 0; size < note.size(); ++size) {
    Stream stream(midi(), writeBytes(dir, "cut.mid", {note.begin(), note.begin() + size}));
    EXPECT_FALSE(stream) << size << " bytes";
  }
  const std::vector<uint8_t> end = {0x00, 0xff, 0x2f, 0x00};
  auto track = [&](std::vector<uint8_t> events) {
    events.insert(events.end(), end.begin(), end.end());
    return events;
  };
  const std::vector<std::vector<uint8_t>> broken = {
      smf(0, 0xe728, {track({})}),                                            // SMPTE time
      smf(0, 0, {track({})}),                                                 // no ticks per beat
      smf(3, 96, {track({})}),                                                // format 3
      smf(0, 96, {}),                                                         // no track
      smf(0, 96, {track({0x00, 0x3c, 0x64})}),                                // data without a status
      smf(0, 96, {track({0x00, 0xff, 0x51, 0x02, 0x07, 0xa1})}),              // short tempo
      smf(0, 96, {track({0x00, 0xff, 0x51, 0x03, 0, 0, 0})}),                 // zero tempo
      smf(0, 96, {{0x00, 0xff, 0x2f, 0x01, 0x00}}),                           // long end of track
      smf(0, 96, {track({0x80, 0x80, 0x80, 0x80, 0x00, 0x90, 0x3c, 0x64})}),  // five-byte delta
      smf(0, 96, {track({0x00, 0xf1, 0x00})}),                                // a system message
      smf(0, 96, {track({0x00, 0xf0, 0x7f, 0x01})}),                          // system exclusive past the end
  };
  for (size_t i = 0; i < broken.size(); ++i) {
    Stream stream(midi(), writeBytes(dir, "broken.mid", broken[i]));
    EXPECT_FALSE(stream) << "case " << i;
  }
  // Unknown chunks are skipped, tracks without events are fine.
  std::vector<uint8_t> withChunk = smf(0, 96, {});
  withChunk[11] = 1;
  withChunk.insert(withChunk.end(), {'X', 'x', 'x', 'x', 0, 0, 0, 2, 1, 2, 'M', 'T', 'r', 'k', 0, 0, 0, 4});
  withChunk.insert(withChunk.end(), end.begin(), end.end());
  Stream stream(midi(), writeBytes(dir, "chunk.mid", withChunk));
  EXPECT_TRUE(stream);
}

// An installation links soundfont.sf2 beside the plug-in to the sound font
// to play with; a link that leads nowhere leaves the system's sound font.
TEST(MidiPlugin, PlaysWithTheSoundFontNamedBesideIt) {
  auto copyWithSoundFont = [](const QTemporaryDir& dir, const QString& linkTarget) {
    const QString copy = dir.filePath(QStringLiteral("lyrovo_midi.so"));
    EXPECT_TRUE(QFile::copy(QStringLiteral(LYROVO_PLUGIN_DIR "/lyrovo_midi.so"), copy));
    EXPECT_TRUE(QFile::link(linkTarget, dir.filePath(QStringLiteral("soundfont.sf2"))));
    // A copy is a library of its own for dlopen, with its own sound font choice.
    void* library = dlopen(copy.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
    auto entry =
        library ? reinterpret_cast<LyrovoPluginInfoFunction>(dlsym(library, LYROVO_PLUGIN_ENTRY)) : nullptr;
    return entry ? entry() : nullptr;
  };
  const QTemporaryDir notAFont, nowhere;
  std::ofstream(notAFont.filePath(QStringLiteral("font.txt")).toStdString()) << "not a sound font";
  const LyrovoPluginInfo* named = copyWithSoundFont(notAFont, notAFont.filePath(QStringLiteral("font.txt")));
  const LyrovoPluginInfo* dangling = copyWithSoundFont(nowhere, nowhere.filePath(QStringLiteral("gone.sf2")));
  ASSERT_TRUE(named && dangling);
  EXPECT_FALSE(Stream(named, fixture("note.mid"))) << "the named file is used, and it is no sound font";
  Stream stream(dangling, fixture("note.mid"));
  ASSERT_TRUE(stream);
  EXPECT_GT(rms(stream.read(kMidiRate / 2), 0, size_t(kMidiRate)), 100);
}

TEST(MidiPlugin, MutatedFilesNeverCrash) {
  const QTemporaryDir dir;
  const std::vector<uint8_t> song = twoTempoSong();
  std::mt19937 random(11);
  for (int round = 0; round < 80; ++round) {
    std::vector<uint8_t> bytes = song;
    for (int flips = 1 + int(random() % 3); flips > 0; --flips)
      bytes[random() % bytes.size()] = uint8_t(random());
    Stream stream(midi(), writeBytes(dir, "mutated.mid", bytes));
    if (!stream) continue;
    EXPECT_GE(stream.info().length_frames, kMidiRate);
    stream.read(kMidiRate / 4);
    const int seek = stream.seek(stream.info().length_frames / 2);
    EXPECT_TRUE(seek == 0 || seek == -1);
    stream.read(kMidiRate / 4);
    EXPECT_FALSE(stream.error());
  }
}

// ---- Both plug-ins -----------------------------------------------------------

// Streams used from different threads at once decode exactly as alone.
TEST(Plugins, StreamsDecodeIndependentlyInParallel) {
  const std::vector<std::pair<const LyrovoPluginInfo*, const char*>> files = {
      {ffmpeg(), "tone1k.opus"}, {midi(), "note.mid"}, {ffmpeg(), "tone1k.m4a"}, {ffmpeg(), "tone1k.wma"}};
  std::vector<std::vector<int16_t>> alone, together(files.size());
  for (const auto& [plugin, name] : files) alone.push_back(Stream(plugin, fixture(name)).readAll());
  std::vector<std::thread> threads;
  for (size_t i = 0; i < files.size(); ++i)
    threads.emplace_back(
        [&, i] { together[i] = Stream(files[i].first, fixture(files[i].second)).readAll(); });
  for (std::thread& thread : threads) thread.join();
  for (size_t i = 0; i < files.size(); ++i) {
    EXPECT_FALSE(alone[i].empty());
    EXPECT_EQ(together[i], alone[i]) << files[i].second;
  }
}

}  // namespace
}  // namespace lyrovo
