#include "base/scriptedprompts.h"
#include "engine/bp.h"
#include "support/audiofixtures.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

using namespace lyrovo;
using lyrovo::testing::fixture;
using lyrovo::testing::waitUntil;

namespace {

struct CoreCase {
  const char* file;
  std::uint32_t type;
  int rate;
  int channels;
  std::int64_t frames;
  std::int64_t tolerance;  // frames a lossy codec's length may differ by
};

void PrintTo(const CoreCase& c, std::ostream* os) { *os << c.file; }

class CoreDecoders : public ::testing::TestWithParam<CoreCase> {};

std::vector<double> decodeLeft(Decoder& decoder, std::int64_t frames) {
  const int channels = decoder.format().channels;
  std::vector<std::int16_t> buffer(std::size_t(frames) * channels);
  std::int64_t got = 0;
  while (got < frames) {
    const std::int64_t n = decoder.read(buffer.data() + got * channels, frames - got);
    if (n <= 0) break;
    got += n;
  }
  std::vector<double> left;
  for (std::int64_t i = 0; i < got; ++i) left.push_back(buffer[std::size_t(i * channels)]);
  return left;
}

}  // namespace

TEST_P(CoreDecoders, OpenFormatLengthToneAndSeek) {
  const CoreCase c = GetParam();
  auto decoder = openCoreDecoder(fixture(QString::fromLatin1(c.file)));
  ASSERT_TRUE(decoder);
  EXPECT_EQ(decoder->format().typeCode, c.type);
  EXPECT_EQ(decoder->format().sampleRate, c.rate);
  EXPECT_EQ(decoder->format().channels, c.channels);
  EXPECT_EQ(decoder->format().plugin, 0u);
  EXPECT_NEAR(double(decoder->lengthFrames()), double(c.frames), double(c.tolerance));

  const std::vector<double> head = decodeLeft(*decoder, 8192);
  ASSERT_EQ(head.size(), 8192u);
  EXPECT_EQ(lyrovo::testing::dominantFrequency(std::vector<double>(head.begin() + 2048, head.end()), c.rate),
            1000);

  // After a seek the samples continue exactly where a straight decode would be.
  const std::int64_t target = c.rate / 2;
  auto straight = openCoreDecoder(fixture(QString::fromLatin1(c.file)));
  const std::vector<double> reference = decodeLeft(*straight, target + 1024);
  ASSERT_TRUE(decoder->seek(target));
  const std::vector<double> after = decodeLeft(*decoder, 1024);
  ASSERT_EQ(after.size(), 1024u);
  double worst = 0;
  for (std::size_t i = 0; i < after.size(); ++i)
    worst = std::max(worst, std::abs(after[i] - reference[target + i]));
  EXPECT_LE(worst, c.tolerance == 0 ? 0.0 : 200.0);

  // Reading on past the end stops.
  int reads = 0;
  std::vector<std::int16_t> buffer(4096 * std::size_t(c.channels));
  while (decoder->read(buffer.data(), 4096) > 0) ASSERT_LT(++reads, 1000);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, CoreDecoders,
    ::testing::Values(CoreCase{"tone1k.wav", typecode::PcmWave, 44100, 2, 88200, 0},
                      CoreCase{"tone1k-48k.wav", typecode::PcmWave, 48000, 2, 96000, 0},
                      CoreCase{"tone1k-mono.wav", typecode::PcmWave, 44100, 1, 88200, 0},
                      CoreCase{"tone1k-6ch.wav", typecode::PcmWave, 44100, 6, 88200, 0},
                      CoreCase{"tone1k-float.wav", typecode::FloatWave, 44100, 2, 88200, 0},
                      CoreCase{"tone1k.aif", typecode::AudioIff, 44100, 2, 88200, 0},
                      CoreCase{"tone1k.mp3", typecode::MpegLayer3, 44100, 2, 88200, 1152},
                      CoreCase{"tone1k.mp2", typecode::MpegLayer2, 44100, 2, 88200, 1152},
                      CoreCase{"tone1k.ogg", typecode::OggVorbis, 44100, 2, 88200, 1}),
    [](const auto& info) {
      QString name = QString::fromLatin1(info.param.file);
      return name.replace(u'.', u'_').replace(u'-', u'_').toStdString();
    });

TEST(CoreDecodersBadInput, AHeaderClaimingMoreThanTheFileHoldsIsNotBelieved) {
  // 8 KB at 128 kbit/s hold about half a second; the LAME header claims almost two hours.
  auto decoder = openCoreDecoder(fixture(QStringLiteral("lying-lame.mp3")));
  ASSERT_TRUE(decoder);
  EXPECT_GT(decoder->lengthFrames(), 44100 * 3 / 10);
  EXPECT_LT(decoder->lengthFrames(), 44100 * 6 / 10);
  std::vector<std::int16_t> buffer(4096 * 2);
  std::int64_t frames = 0;
  for (std::int64_t got; (got = decoder->read(buffer.data(), 4096)) > 0;) frames += got;
  EXPECT_NEAR(double(frames), double(decoder->lengthFrames()), 1152);
}

TEST(CoreDecodersBadInput, NeverCrashAndEndCleanly) {
  for (const char* name : {"empty.mp3", "random.mp3", "dir.mp3", "truncated.mp3", "lying-header.wav",
                           "truncated.ogg", "mp3-named.ogg", "no-such-file.mp3", "note.mid", "tone1k.flac"}) {
    SCOPED_TRACE(name);
    auto decoder = openCoreDecoder(fixture(QString::fromLatin1(name)));
    if (!decoder) continue;
    std::vector<std::int16_t> buffer(4096 * std::size_t(decoder->format().channels));
    int reads = 0;
    while (decoder->read(buffer.data(), 4096) > 0) ASSERT_LT(++reads, 10000);
    decoder->seek(0);
  }
  EXPECT_FALSE(openCoreDecoder(fixture(QStringLiteral("empty.mp3"))));
  EXPECT_FALSE(openCoreDecoder(fixture(QStringLiteral("dir.mp3"))));
  EXPECT_FALSE(openCoreDecoder(fixture(QStringLiteral("note.mid"))));
  auto misnamed = openCoreDecoder(fixture(QStringLiteral("mp3-named.ogg")));  // decoded by its content
  ASSERT_TRUE(misnamed);
  EXPECT_EQ(misnamed->format().typeCode, typecode::MpegLayer3);
}

// ---------------------------------------------------------------- engine object

namespace {

class EngineTest : public ::testing::Test {
 protected:
  ScriptedPrompts prompts;
  TagFields tags;
  QTemporaryDir dir;
  QString filter = QStringLiteral("|Wave (*.wav)|*.wav");
  QString list = QStringLiteral("*.wav");

  std::unique_ptr<BP> makeEngine(const QString& pluginParent = QString()) {
    auto engine = std::make_unique<BP>(prompts, tags);
    engine->aInit(-1, 44100, BP::pluginFolder(pluginParent.isEmpty() ? dir.path() : pluginParent), filter,
                  list);
    return engine;
  }
  std::size_t boxes() const { return prompts.callsOf(QStringLiteral("message")).size(); }
};

}  // namespace

TEST_F(EngineTest, PositionBoundsVolumeClampAndStopRewinds) {
  auto engine = makeEngine();
  EXPECT_EQ(boxes(), 0u);
  engine->aOpen(fixture(QStringLiteral("tone1k.wav")));
  ASSERT_NE(engine->hStream, 0u);
  EXPECT_EQ(engine->alenByte(), 88200 * 4);
  EXPECT_FLOAT_EQ(engine->alenTime(), 2.0f);
  EXPECT_EQ(engine->aFiletype(), QStringLiteral("wav"));
  EXPECT_EQ(engine->achanMod(), QStringLiteral("立体声"));
  EXPECT_EQ(tags.infoType, QStringLiteral("PCM WAVE"));

  engine->setAPosByte(engine->alenByte());  // the end itself is accepted
  EXPECT_EQ(engine->aPosByte(), engine->alenByte());
  engine->setAPosByte(engine->alenByte() + 1);
  engine->setAPosByte(-1);
  EXPECT_EQ(boxes(), 0u);
  EXPECT_EQ(engine->aPosByte(), engine->alenByte());
  engine->setAPosTime(1.0f);
  EXPECT_EQ(engine->aPosByte(), 44100 * 4);

  engine->setAVolumn(150);
  EXPECT_EQ(engine->aVolumn(), 100);
  engine->setAVolumn(-5);
  EXPECT_EQ(engine->aVolumn(), 0);

  engine->aPlay();
  EXPECT_TRUE(engine->aIsActive());
  engine->aPause();
  EXPECT_TRUE(engine->aIsPaused());
  engine->aStop();
  EXPECT_TRUE(engine->aIsStopped());
  EXPECT_EQ(engine->aPosByte(), 0);
}

TEST_F(EngineTest, SeekToTheLengthOfALongStreamLandsOnItsEnd) {
  // 67 200 003 frames of 96 kHz stereo silence (a sparse file): as a float,
  // its length of 700.00003 s rounds up to 700.00006 s, two frames past the end.
  constexpr quint32 frames = 67200003, dataBytes = frames * 4;
  QByteArray header = "RIFF";
  const auto put32 = [&](quint32 v) { header += QByteArray(reinterpret_cast<const char*>(&v), 4); };
  const auto put16 = [&](quint16 v) { header += QByteArray(reinterpret_cast<const char*>(&v), 2); };
  put32(36 + dataBytes);
  header += "WAVEfmt ";
  put32(16);
  put16(1);
  put16(2);
  put32(96000);
  put32(96000 * 4);
  put16(4);
  put16(16);
  header += "data";
  put32(dataBytes);
  const QString path = dir.filePath(QStringLiteral("long.wav"));
  {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(header), 44);
    ASSERT_TRUE(file.resize(44 + qint64(dataBytes)));
  }
  auto engine = makeEngine();
  engine->aOpen(path);
  ASSERT_NE(engine->hStream, 0u);
  ASSERT_EQ(engine->alenByte(), qint64(dataBytes));
  engine->setAPosTime(engine->alenTime());
  EXPECT_EQ(boxes(), 0u);
  EXPECT_EQ(engine->aPosByte(), qint64(dataBytes));
}

TEST_F(EngineTest, InformationStreamSharesTheFileType) {
  auto engine = makeEngine();
  engine->aOpen(fixture(QStringLiteral("tone1k.mp3")));
  engine->aPlay();
  engine->aOpen2(fixture(QStringLiteral("tone1k.wav")));
  EXPECT_NE(engine->hInfoStream, 0u);
  engine->aOpen2(QStringLiteral("/nowhere/Song.WMA"));
  EXPECT_EQ(engine->hInfoStream, 0u);
  EXPECT_EQ(engine->aFiletype(), QStringLiteral("wma"));
  EXPECT_TRUE(engine->aIsActive());  // the playing stream is untouched
  engine->aClose2();
}

TEST_F(EngineTest, PlaysToTheEndAndStops) {
  auto engine = makeEngine();
  engine->aOpen(fixture(QStringLiteral("tone1k-mono.wav")));
  EXPECT_EQ(engine->achanMod(), QStringLiteral("单声道"));
  engine->setAPosTime(1.8f);
  engine->aPlay();
  ASSERT_TRUE(waitUntil([&] { return engine->aIsStopped(); }));
  EXPECT_EQ(engine->aPosByte(), engine->alenByte());
}

TEST_F(EngineTest, LevelsOfALeftOnlyToneAndRefusalAfterClose) {
  auto engine = makeEngine();
  engine->aOpen(fixture(QStringLiteral("left-only.wav")));
  engine->aPlay();
  ASSERT_TRUE(waitUntil([&] { return engine->aLlevel() > 10000; }));
  EXPECT_LT(engine->aLlevel(), 16500);  // the tone is at half scale
  EXPECT_LT(engine->aRlevel(), 100);    // the silent side carries only dither
  engine->aStop();
  EXPECT_EQ(engine->aLlevel(), 0);  // nothing plays
  engine->aClose();
  EXPECT_EQ(engine->aLlevel(), 65535);  // the back end refuses a freed stream
  EXPECT_EQ(engine->aRlevel(), 0);
}

TEST_F(EngineTest, SpectrumPeaksAtTheTonesBinForBothSizes) {
  auto engine = makeEngine();
  engine->aOpen(fixture(QStringLiteral("tone1k.wav")));
  engine->aPlay();
  std::vector<float> bins(1025, -1.0f);
  // Once 0.2 s are heard, the 2048-sample window holds only the tone.
  ASSERT_TRUE(waitUntil([&] { return engine->aPosTime() > 0.2f; }));
  ASSERT_TRUE(engine->aDataFFT(bins.data(), 512));
  EXPECT_EQ(bins[0], -1.0f);  // element 0 is never written
  auto peak = [&](int count) {
    return int(std::max_element(bins.begin() + 1, bins.begin() + 1 + count) - bins.begin() - 1);
  };
  EXPECT_NEAR(peak(1024), 1000.0 * 2048 / 44100, 1.0);
  // A half-scale tone 0.44 bins off the centre of its bin: 0.5 less the Hann window's scalloping.
  EXPECT_NEAR(*std::max_element(bins.begin() + 1, bins.end()), 0.41, 0.06);

  ASSERT_TRUE(engine->aDataFFT(bins.data(), 256));
  EXPECT_NEAR(peak(256), 1000.0 * 512 / 44100, 1.0);

  std::vector<float> untouched(1025, 7.0f);
  EXPECT_FALSE(engine->aDataFFT(untouched.data(), 1024));
  EXPECT_TRUE(std::all_of(untouched.begin(), untouched.end(), [](float v) { return v == 7.0f; }));

  std::vector<std::int16_t> samples(1025, 0);
  ASSERT_TRUE(engine->aData(samples.data(), 512));
  EXPECT_GT(*std::max_element(samples.begin() + 1, samples.end()), 8000);
}

TEST(EngineOutput, WhatReachesTheOutputIsTheDecodedAudio) {
  QTemporaryDir dir;
  const QString raw = dir.filePath(QStringLiteral("out.raw"));
  qputenv("SDL_AUDIODRIVER", "disk");
  qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(raw));
  qputenv("SDL_DISKAUDIODELAY", "0");
  {
    ScriptedPrompts prompts;
    TagFields tags;
    QString filter, list;
    BP engine(prompts, tags);
    engine.aInit(-1, 44100, BP::pluginFolder(dir.path()), filter, list);
    engine.setAVolumn(100);
    engine.aOpen(fixture(QStringLiteral("tone1k.wav")));
    engine.aPlay();
    ASSERT_TRUE(waitUntil([&] { return engine.aIsStopped(); }));
    engine.aTerminate();
  }
  qputenv("SDL_AUDIODRIVER", "dummy");
  QFile out(raw), wav(fixture(QStringLiteral("tone1k.wav")));
  ASSERT_TRUE(out.open(QIODevice::ReadOnly));
  ASSERT_TRUE(wav.open(QIODevice::ReadOnly));
  const QByteArray pcm = wav.readAll().mid(44);
  const QByteArray written = out.readAll();
  const qsizetype start = written.indexOf(pcm.left(64));
  ASSERT_GE(start, 0);
  EXPECT_EQ(written.mid(start, pcm.size()), pcm);
}

TEST(EngineDevice, WithoutADeviceTheUserIsToldAndPlaybackRunsSilently) {
  qputenv("SDL_AUDIODRIVER", "no-such-driver");
  ScriptedPrompts prompts;
  TagFields tags;
  QString filter, list;
  QTemporaryDir dir;
  BP engine(prompts, tags);
  engine.aInit(-1, 44100, BP::pluginFolder(dir.path()), filter, list);
  qputenv("SDL_AUDIODRIVER", "dummy");
  const auto boxes = prompts.callsOf(QStringLiteral("message"));
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].title, QStringLiteral("Error"));
  EXPECT_EQ(boxes[0].text, QStringLiteral("Cannot initialize playback device."));
  engine.aOpen(fixture(QStringLiteral("tone1k.wav")));
  engine.setAPosTime(1.9f);
  engine.aPlay();
  EXPECT_TRUE(waitUntil([&] { return engine.aIsStopped(); }));
}
