#include "engine/streamconverter.h"

#include <QFile>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

using namespace lyrovo;

namespace {

bool sdlLoaded() {
  QFile maps(QStringLiteral("/proc/self/maps"));
  return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libSDL2");
}

}  // namespace

// At the output's rate the samples pass unchanged, in order, however the
// pieces put and taken are cut, and SDL is never loaded for it.
TEST(StreamConverter, AtTheSameRateSamplesPassUnchangedAndInOrder) {
  const bool sdlAlreadyLoaded = sdlLoaded();  // by an earlier test of this run
  auto stereo = StreamConverter::create(2, 44100, 44100);
  ASSERT_TRUE(stereo);
  std::vector<std::int16_t> taken;
  std::int16_t next = 0;
  std::int16_t out[2 * 700];
  for (int piece : {1, 1024, 3, 700, 1024, 5}) {
    std::vector<std::int16_t> in(std::size_t(piece) * 2);
    for (auto& sample : in) sample = next++;
    stereo->put(in.data(), piece);
    const int got = stereo->get(out, 700);
    taken.insert(taken.end(), out, out + 2 * got);
  }
  while (const int got = stereo->get(out, 700)) taken.insert(taken.end(), out, out + 2 * got);
  ASSERT_EQ(taken.size(), std::size_t(next));
  for (std::size_t i = 0; i < taken.size(); ++i) ASSERT_EQ(taken[i], std::int16_t(i)) << i;

  auto mono = StreamConverter::create(1, 22050, 22050);
  ASSERT_TRUE(mono);
  const std::int16_t samples[] = {-32768, -1, 0, 1, 32767};
  mono->put(samples, 5);
  EXPECT_EQ(mono->available(), 5);
  std::int16_t pairs[10] = {};
  EXPECT_EQ(mono->get(pairs, 2), 2);
  EXPECT_EQ(mono->get(pairs + 4, 8), 3);
  const std::int16_t expected[] = {-32768, -32768, -1, -1, 0, 0, 1, 1, 32767, 32767};
  for (int i = 0; i < 10; ++i) EXPECT_EQ(pairs[i], expected[i]) << i;

  // A seek forgets what was queued.
  mono->put(samples, 5);
  mono->clear();
  EXPECT_EQ(mono->available(), 0);
  EXPECT_EQ(mono->get(pairs, 5), 0);

  if (!sdlAlreadyLoaded) {
    EXPECT_FALSE(sdlLoaded());
  }
}

// Another rate goes through SDL's resampler: twice the frames at twice the
// rate, the level kept, both sides alike.
TEST(StreamConverter, AnotherRateIsResampled) {
  auto converter = StreamConverter::create(1, 22050, 44100);
  ASSERT_TRUE(converter);
  EXPECT_TRUE(sdlLoaded());
  const std::vector<std::int16_t> level(22050, 8000);
  converter->put(level.data(), 22050);
  converter->flush();
  std::vector<std::int16_t> out(2 * 50000);
  int got = 0;
  while (const int piece = converter->get(out.data() + 2 * got, std::min(4096, 50000 - got))) got += piece;
  EXPECT_EQ(converter->available(), 0);
  // SDL's filter keeps back up to 1024 frames (23 ms) of the end.
  EXPECT_GE(got, 44100 - 1100);
  EXPECT_LE(got, 44100 + 100);
  for (int f = 1000; f < 43000; f += 997) {
    EXPECT_NEAR(out[2 * f], 8000, 80) << f;
    EXPECT_EQ(out[2 * f], out[2 * f + 1]) << f;
  }
}

TEST(StreamConverter, RefusesWhatItCannotConvert) {
  EXPECT_FALSE(StreamConverter::create(0, 44100, 44100));
  EXPECT_FALSE(StreamConverter::create(3, 44100, 44100));
  EXPECT_FALSE(StreamConverter::create(2, 0, 44100));
  EXPECT_FALSE(StreamConverter::create(2, 44100, -1));
}
