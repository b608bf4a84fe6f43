// How much of the pane the spectrum views fill on real music. Plays a file
// through the engine (SDL_AUDIODRIVER=dummy plays without a sound card) and
// every 20 ms draws views 4 and 5 from the engine's spectrum, at its own
// scale and at smaller ones, then prints the bar heights as fractions of
// the pane height.
//
// Run: build/bin/visual_scaling [file] [seconds]
// Without a file it plays a generated sequence of plucked chords over a
// soft noise bed, normalised to -1 dBFS.
#include "base/scriptedprompts.h"
#include "engine/bp.h"
#include "visual/visualiser.h"

#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

using namespace lyrovo;

// One frame of engine data, read once and served to every visualiser scaled.
class Snapshot : public VisSource {
 public:
  QString mode;
  std::array<float, 1025> fftData{};
  float factor = 1;

  QStringView chanMod() override { return mode; }
  VisLevels levels() override { return {}; }
  bool samples(std::int16_t*, int) override { return false; }
  bool fft(float* array, int count) override {
    const int bins = count == 256 ? 256 : 1024;
    for (int i = 1; i <= bins; ++i) array[i] = fftData[i] * factor;
    return true;
  }
};

QString makeMusic(const QTemporaryDir& dir) {
  const char* notes[][2] = {{"C3", "E4"}, {"G3", "B4"}, {"A2", "C4"}, {"F3", "A4"},
                            {"E3", "G4"}, {"D3", "F4"}, {"G2", "D4"}, {"C3", "G4"}};
  QStringList parts;
  for (int bar = 0; bar < 3; ++bar)
    for (int n = 0; n < 8; ++n) {
      const QString part = dir.filePath(QStringLiteral("n%1.wav").arg(bar * 8 + n));
      QProcess::execute(
          QStringLiteral("sox"),
          {QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("44100"), QStringLiteral("-c"),
           QStringLiteral("2"), QStringLiteral("-b"), QStringLiteral("16"), part, QStringLiteral("synth"),
           QStringLiteral("0.5"), QStringLiteral("pluck"), QString::fromLatin1(notes[n][0]),
           QStringLiteral("pluck"), QString::fromLatin1(notes[n][1])});
      parts << part;
    }
  const QString chords = dir.filePath(QStringLiteral("chords.wav")),
                noise = dir.filePath(QStringLiteral("noise.wav")),
                music = dir.filePath(QStringLiteral("music.wav"));
  QProcess::execute(QStringLiteral("sox"), parts + QStringList{chords});
  QProcess::execute(
      QStringLiteral("sox"),
      {QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("44100"), QStringLiteral("-c"),
       QStringLiteral("2"), QStringLiteral("-b"), QStringLiteral("16"), noise, QStringLiteral("synth"),
       QStringLiteral("12"), QStringLiteral("pinknoise"), QStringLiteral("vol"), QStringLiteral("0.05")});
  QProcess::execute(
      QStringLiteral("sox"),
      {QStringLiteral("-m"), chords, noise, music, QStringLiteral("trim"), QStringLiteral("0"),
       QStringLiteral("12"), QStringLiteral("gain"), QStringLiteral("-n"), QStringLiteral("-1")});
  return music;
}

double percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[std::min(values.size() - 1, std::size_t(p * double(values.size())))];
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  if (qEnvironmentVariableIsEmpty("SDL_AUDIODRIVER")) qputenv("SDL_AUDIODRIVER", "dummy");
  QGuiApplication app(argc, argv);
  QTemporaryDir dir;
  const QString file = argc > 1 ? QString::fromLocal8Bit(argv[1]) : makeMusic(dir);
  const int seconds = argc > 2 ? std::atoi(argv[2]) : 10;

  ScriptedPrompts prompts;
  TagFields tags;
  BP engine(prompts, tags);
  QString filter, list;
  engine.aInit(-1, 44100, BP::pluginFolder(dir.path()), filter, list);
  engine.aOpen(file);
  engine.aPlay();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));

  const std::array<float, 6> factors{1.0f, 1 / 4.0f, 1 / 16.0f, 1 / 64.0f, 1 / 256.0f, 1 / 1024.0f};
  const std::array<QSize, 2> sizes{QSize(160, 60), QSize(162, 112)};
  struct Run {
    int view;
    QSize size;
    float factor;
    Visualiser vis;
    std::vector<double> heights;  // bar heights ÷ pane height
    long full = 0, bars = 0;      // bars reaching the cap hp − 8
  };
  std::vector<Run> runs;
  runs.reserve(factors.size() * sizes.size() * 2);
  SkinSettings skin;
  for (int view : {4, 5})
    for (QSize size : sizes)
      for (float factor : factors) {
        runs.push_back(Run{view, size, factor, {}, {}});
        runs.back().vis.prepare(view, size, skin);
      }

  Snapshot snapshot;
  std::vector<double> topMagnitude, medianMagnitude;
  auto tick = std::chrono::steady_clock::now();
  for (int frame = 0; frame < seconds * 50 && engine.aIsActive(); ++frame) {
    tick += std::chrono::milliseconds(20);
    std::this_thread::sleep_until(tick);
    snapshot.mode = engine.achanMod();
    snapshot.fftData.fill(0);
    const int count = snapshot.mode == u"单声道" ? 256 : 512;
    engine.aDataFFT(snapshot.fftData.data(), count);
    std::vector<double> magnitudes(snapshot.fftData.begin() + 1, snapshot.fftData.begin() + 1 + count);
    topMagnitude.push_back(*std::max_element(magnitudes.begin(), magnitudes.end()));
    medianMagnitude.push_back(percentile(magnitudes, 0.5));
    for (Run& run : runs) {
      snapshot.factor = run.factor;
      run.vis.drawFrame(snapshot);
      const int last = run.view == 4 ? 32 : 158, h = run.size.height();
      for (int d = 1; d <= last; ++d) {
        const int bar = run.vis.state().visBar[d];
        run.heights.push_back(double(bar) / h);
        run.full += bar >= h - 8;
        ++run.bars;
      }
    }
  }
  std::printf("%s: %zu frames, channel mode %s\n", qPrintable(file), topMagnitude.size(),
              qPrintable(engine.achanMod()));
  std::printf("engine magnitudes (bins 1..count): top of frame median %.4f, p90 %.4f; bin median %.5f\n",
              percentile(topMagnitude, 0.5), percentile(topMagnitude, 0.9), percentile(medianMagnitude, 0.5));
  std::printf("view  pane     scale    bar height / pane height: median  p75   p90   max   at cap\n");
  for (const Run& run : runs)
    std::printf("%4d  %3dx%-3d  1/%-5.0f %36.2f %5.2f %5.2f %5.2f %6.1f%%\n", run.view, run.size.width(),
                run.size.height(), 1 / run.factor, percentile(run.heights, 0.5),
                percentile(run.heights, 0.75), percentile(run.heights, 0.9), percentile(run.heights, 1.0),
                100.0 * double(run.full) / double(std::max(run.bars, 1L)));
  engine.aStop();
  engine.aClose();
  engine.aTerminate();
  return 0;
}
