#pragma once

// The generated audio files tests play and read (tools/make_fixtures.sh).
// The test target defines LYROVO_FIXTURES (the folder) and LYROVO_SOURCE_DIR.

#include "support/waituntil.h"

#include <QFile>
#include <QProcess>
#include <QString>
#include <QThread>

#include <cmath>
#include <cstdint>
#include <functional>
#include <numbers>
#include <vector>

namespace lyrovo::testing {

// The path of a fixture file; generates the set on first use when a test
// binary runs outside CTest (which generates them once beforehand).
inline QString fixture(const QString& name) {
  const QString folder = QStringLiteral(LYROVO_FIXTURES);
  static const bool made = [&] {
    return QProcess::execute(QStringLiteral(LYROVO_SOURCE_DIR "/tools/make_fixtures.sh"), {folder}) == 0;
  }();
  (void)made;
  return folder + u'/' + name;
}

// Power of the frequency in samples (Goertzel), for finding a tone.
inline double tonePower(const std::vector<double>& samples, double frequency, double rate) {
  const double k = 2 * std::cos(2 * std::numbers::pi * frequency / rate);
  double s1 = 0, s2 = 0;
  for (double x : samples) {
    const double s0 = x + k * s1 - s2;
    s2 = s1;
    s1 = s0;
  }
  return s1 * s1 + s2 * s2 - k * s1 * s2;
}

// The strongest of a few candidate frequencies.
inline double dominantFrequency(const std::vector<double>& samples, double rate) {
  double best = 0, bestPower = -1;
  for (double f : {250.0, 500.0, 750.0, 1000.0, 1250.0, 1500.0, 2000.0, 3000.0}) {
    const double power = tonePower(samples, f, rate);
    if (power > bestPower) {
      bestPower = power;
      best = f;
    }
  }
  return best;
}

}  // namespace lyrovo::testing
