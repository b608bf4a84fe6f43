#pragma once

#include "visual/vissource.h"

#include <QString>

#include <cmath>
#include <numbers>
#include <vector>

namespace lyrovo::test {

// Scripted engine data for the views; counts how often each source is read.
class FakeVisSource : public VisSource {
 public:
  QString mode = QStringLiteral("立体声");
  VisLevels level;
  std::vector<std::int16_t> data;  // values for array[1..]; the rest stays 0
  std::vector<float> spectrum;     // values for array[1..]
  bool ok = true;                  // false: the data stops short (a stream ending, none open)
  int chanModReads = 0, levelReads = 0, sampleReads = 0, fftReads = 0, lastCount = 0;

  QStringView chanMod() override {
    ++chanModReads;
    return mode;
  }
  VisLevels levels() override {
    ++levelReads;
    return level;
  }
  bool samples(std::int16_t* array, int count) override {
    ++sampleReads;
    lastCount = count;
    for (int i = 0; i < count && i < int(data.size()); ++i) array[i + 1] = data[i];
    return ok;
  }
  bool fft(float* array, int count) override {
    ++fftReads;
    lastCount = count;
    const int bins = count == 256 ? 256 : count == 512 ? 1024 : 0;
    for (int i = 0; i < bins && i < int(spectrum.size()); ++i) array[i + 1] = spectrum[i];
    return ok;
  }

  // The spectrum the engine reports for a sine of amplitude (0..1) at
  // frequency Hz, sampled at 44100 Hz: a Hann-windowed transform of points
  // samples, magnitudes scaled so a full-scale sine at a bin centre gives 1.
  void setTone(double frequency, double amplitude, int points) {
    spectrum.assign(points / 2, 0.0f);
    std::vector<double> x(points), c(points), s(points);
    for (int n = 0; n < points; ++n) {
      const double hann = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * n / points);
      x[n] = amplitude * std::sin(2 * std::numbers::pi * frequency * n / 44100) * hann;
      c[n] = std::cos(2 * std::numbers::pi * n / points);
      s[n] = std::sin(2 * std::numbers::pi * n / points);
    }
    for (int k = 0; k < points / 2; ++k) {
      double re = 0, im = 0;
      for (int n = 0; n < points; ++n) {
        const int index = int((long long)k * n % points);
        re += x[n] * c[index];
        im -= x[n] * s[index];
      }
      spectrum[k] = float(std::hypot(re, im) * 4 / points);
    }
  }
};

}  // namespace lyrovo::test
