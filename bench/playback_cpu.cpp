// CPU time the player's audio path uses while an MP3 plays: the engine
// plays a generated 30-second MP3 for 20 s through SDL's output (set
// SDL_AUDIODRIVER=dummy to measure without a sound card) while this thread
// sleeps; the process CPU time over that span is what the audio thread cost.
//
// Run: build/bin/playback_cpu [seconds] [idle]
#include "base/scriptedprompts.h"
#include "engine/bp.h"

#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

namespace {
double cpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}
}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 20;
  // "idle": the output runs but nothing plays, to separate the output's own cost.
  const bool idle = argc > 2 && std::strcmp(argv[2], "idle") == 0;
  QTemporaryDir dir;
  const QString wav = dir.filePath(QStringLiteral("music.wav")),
                mp3 = dir.filePath(QStringLiteral("music.mp3"));
  QProcess::execute(QStringLiteral("sox"),
                    {QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("44100"),
                     QStringLiteral("-c"), QStringLiteral("2"), QStringLiteral("-b"), QStringLiteral("16"),
                     wav, QStringLiteral("synth"), QString::number(seconds + 10), QStringLiteral("pluck"),
                     QStringLiteral("220"), QStringLiteral("pluck"), QStringLiteral("330")});
  QProcess::execute(QStringLiteral("lame"), {QStringLiteral("--quiet"), wav, mp3});

  lyrovo::ScriptedPrompts prompts;
  lyrovo::TagFields tags;
  lyrovo::BP engine(prompts, tags);
  QString filter, list;
  engine.aInit(-1, 44100, lyrovo::BP::pluginFolder(dir.path()), filter, list);
  engine.aOpen(mp3);
  if (!idle) engine.aPlay();
  std::this_thread::sleep_for(std::chrono::milliseconds(500));  // past the start-up of the output

  const double cpuBefore = cpuSeconds();
  const auto wallBefore = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  const double cpu = cpuSeconds() - cpuBefore;
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
  std::printf("played %.1f s of MP3: %.3f s CPU = %.2f %% of one core (still playing: %s)\n", wall, cpu,
              100.0 * cpu / wall, engine.aIsActive() ? "yes" : "no");
  return 0;
}
