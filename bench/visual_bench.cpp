// Time of one visualisation frame of each view in a 160 × 60 pane, fed
// with music-like engine data that changes from frame to frame; and of a
// view change (the preparation, gradients and text included).
#include "visual/visualiser.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <array>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>
#include <numbers>

// Heap allocations made by the process, counted to show what a frame allocates.
std::atomic<long> allocations{0};

void* operator new(std::size_t size) {
  ++allocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

using namespace lyrovo;

// Eight frames of a stereo chord with a soft noise floor, served in turn.
class MusicSource : public VisSource {
 public:
  MusicSource() {
    unsigned noise = 12345;
    for (int f = 0; f < kFrames; ++f) {
      for (int i = 0; i < 1024; ++i) {
        noise = noise * 1103515245u + 12345u;
        const double t = (f * 512 + i) / 44100.0;
        const double wave =
            0.3 * std::sin(2 * std::numbers::pi * 220 * t) + 0.2 * std::sin(2 * std::numbers::pi * 330 * t) +
            0.1 * std::sin(2 * std::numbers::pi * 440 * t) + 0.02 * ((noise >> 16) / 32768.0 - 1);
        samples_[f][i] = std::int16_t(std::lround(wave * 32767));
        const int bin = i + 1;
        spectrum_[f][i] =
            float(0.002 / bin * (1 + (noise >> 20) % 8) + (bin % 10 == (f + 1) % 10 ? 0.05 : 0.0) +
                  (bin == 11 || bin == 16 ? 0.2 : 0.0));
      }
    }
  }
  void next() { frame_ = (frame_ + 1) % kFrames; }

  QStringView chanMod() override { return u"立体声"; }
  VisLevels levels() override { return {8000 + frame_ * 3000, 20000 - frame_ * 2000}; }
  bool samples(std::int16_t* array, int count) override {
    std::copy_n(samples_[frame_].begin(), count, array + 1);
    return true;
  }
  bool fft(float* array, int count) override {
    std::copy_n(spectrum_[frame_].begin(), count == 256 ? 256 : 1024, array + 1);
    return true;
  }

 private:
  static constexpr int kFrames = 8;
  int frame_ = 0;
  std::array<std::array<std::int16_t, 1024>, kFrames> samples_{};
  std::array<std::array<float, 1024>, kFrames> spectrum_{};
};

void frame(benchmark::State& state) {
  Visualiser vis;
  SkinSettings skin;
  MusicSource source;
  vis.prepare(int(state.range(0)), {160, 60}, skin);
  const long before = allocations;
  for (auto _ : state) {
    source.next();
    vis.drawFrame(source);
    benchmark::DoNotOptimize(vis.pane().constBits());
  }
  state.counters["allocs/frame"] = double(allocations - before) / double(state.iterations());
}
BENCHMARK(frame)->DenseRange(2, 7)->Unit(benchmark::kMicrosecond);

void viewChange(benchmark::State& state) {
  Visualiser vis;
  SkinSettings skin;
  for (auto _ : state) {
    vis.prepare(int(state.range(0)), {160, 60}, skin);
    benchmark::DoNotOptimize(vis.pane().constBits());
  }
}
BENCHMARK(viewChange)->DenseRange(1, 7)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  // Text drawing needs a GUI application; no display is needed.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
