// Loading and saving a full playlist (32 767 rows whose files exist), and the
// process's peak memory afterwards.

#include "playlist/playlistfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

using namespace lyrovo;

// A program folder with a Playlist.dat of kMaxRows rows, each naming one of
// as many empty files (made once, shared by the benchmarks).
class FullPlaylist {
 public:
  FullPlaylist() {
    QDir(dir_.path()).mkpath(QStringLiteral("app"));
    QDir(dir_.path()).mkpath(QStringLiteral("music"));
    QByteArray bytes = " 1 \r\n";
    for (int i = 1; i <= Playlist::kMaxRows; ++i) {
      const QString path = dir_.path() + QStringLiteral("/music/%1 歌手 - 一首歌 %1.mp3").arg(i);
      QFile file(path);
      file.open(QIODevice::WriteOnly);
      bytes += (path + QStringLiteral("=一首歌 %1=歌手=03:%2\r\n").arg(i).arg(i % 60, 2, 10, QChar(u'0')))
                   .toUtf8();
    }
    QFile dat(appPath() + QStringLiteral("Playlist.dat"));
    dat.open(QIODevice::WriteOnly);
    dat.write(bytes);
  }

  QString appPath() const { return dir_.path() + QStringLiteral("/app/"); }

 private:
  QTemporaryDir dir_;
};

const FullPlaylist& fullPlaylist() {
  static const FullPlaylist playlist;
  return playlist;
}

// The peak resident set size of this process (VmHWM), in KiB.
double peakRssKiB() {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly)) return 0;
  for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
    if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').value(0).toDouble();
  }
  return 0;
}

void BM_LoadPlaylist(benchmark::State& state) {
  const QString appPath = fullPlaylist().appPath();
  for (auto _ : state) {
    Playlist list;
    std::int16_t current = 0;
    LoadPlaylist(list, current, true, appPath);
    if (list.count() != Playlist::kMaxRows) state.SkipWithError("rows were lost");
    benchmark::DoNotOptimize(list.rows().data());
  }
  state.counters["rows"] = Playlist::kMaxRows;
  state.counters["peak_rss_MiB"] = peakRssKiB() / 1024;
}
BENCHMARK(BM_LoadPlaylist)->Unit(benchmark::kMillisecond);

void BM_SavePlaylist(benchmark::State& state) {
  const QString appPath = fullPlaylist().appPath();
  Playlist list;
  std::int16_t current = 0;
  LoadPlaylist(list, current, true, appPath);
  QTemporaryDir out;
  const QString outPath = out.path() + u'/';
  for (auto _ : state) SavePlaylist(list, current, outPath);
  state.counters["rows"] = list.count();
  state.counters["peak_rss_MiB"] = peakRssKiB() / 1024;
}
BENCHMARK(BM_SavePlaylist)->Unit(benchmark::kMillisecond);

}  // namespace
