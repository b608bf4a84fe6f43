// Adding a folder of 2000 small tagged MP3s through the main window (warm
// cache): milliseconds from the command until all rows are in the list,
// until the list is shown again, and until Playlist.dat is saved.
// Usage: build/bin/add_folder [runs]   (default 5; needs lame)

#include "app/fplay.h"
#include "base/scriptedprompts.h"
#include "engine/tags.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace lyrovo;

namespace {

constexpr int kFiles = 2000;

// kFiles one-second mono MP3s, each with its own ID3v1 title and artist.
bool makeSongs(const QString& root, const QString& folder) {
  const QString wav = root + QStringLiteral("/tone.wav"), mp3 = root + QStringLiteral("/tone.mp3");
  if (QProcess::execute(QStringLiteral("sox"),
                        {QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("22050"),
                         QStringLiteral("-c"), QStringLiteral("1"), wav, QStringLiteral("synth"),
                         QStringLiteral("1"), QStringLiteral("sine"), QStringLiteral("440")}) != 0 ||
      QProcess::execute(QStringLiteral("lame"), {QStringLiteral("--quiet"), QStringLiteral("-b"),
                                                 QStringLiteral("32"), wav, mp3}) != 0)
    return false;
  QDir().mkpath(folder);
  for (int i = 1; i <= kFiles; ++i) {
    const QString song = folder + QStringLiteral("/%1 歌手 - 一首歌.mp3").arg(i, 4, 10, QChar(u'0'));
    if (!QFile::copy(mp3, song)) return false;
    Id3v1Fields tag;
    tag.title = QStringLiteral("一首歌 %1").arg(i);
    tag.artist = QStringLiteral("歌手 %1").arg(i % 50);
    tag.track = QString::number(i % 256);
    WriteID3v1(song, tag);
  }
  return true;
}

struct Times {
  double rows = 0, shown = 0, saved = 0;
};

Times addOnce(AppContext& ctx, Fplay& window, const QString& folder) {
  ctx.playlist.clear();
  Times times;
  QElapsedTimer clock;
  clock.start();
  window.AddPaths({folder}, false);
  while (window.Loading()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    if (times.rows == 0 && ctx.playlist.count() == kFiles) times.rows = double(clock.nsecsElapsed()) / 1e6;
    if (times.shown == 0 && window.List1()->isVisible()) times.shown = double(clock.nsecsElapsed()) / 1e6;
  }
  times.saved = double(clock.nsecsElapsed()) / 1e6;
  if (times.rows == 0) times.rows = times.saved;
  if (times.shown == 0) times.shown = times.saved;
  return times;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  if (qEnvironmentVariableIsEmpty("SDL_AUDIODRIVER")) qputenv("SDL_AUDIODRIVER", "dummy");
  QApplication app(argc, argv);
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;

  QTemporaryDir root;
  const QString appPath = root.path() + QStringLiteral("/app/"),
                folder = root.path() + QStringLiteral("/music");
  QDir().mkpath(appPath + QStringLiteral("Images"));
  if (!makeSongs(root.path(), folder)) {
    std::fprintf(stderr, "could not make the MP3 files (sox and lame are needed)\n");
    return 1;
  }
  ScriptedPrompts prompts;
  AppContext ctx(
      AppPaths{appPath, QStringLiteral("lyrovo"), appPath + QStringLiteral("lyrovo")},
      ShellEnvironment{root.path() + QStringLiteral("/data"), root.path() + QStringLiteral("/config"),
                       root.path() + QStringLiteral("/Desktop")},
      &prompts);
  ctx.terminate = [](int) {};
  Fplay window(ctx, {});
  if (window.Form_Load() != Fplay::LoadResult::Run) return 1;

  addOnce(ctx, window, folder);  // warms the file cache
  std::vector<double> rows, shown, saved;
  for (int run = 0; run < runs; ++run) {
    const Times times = addOnce(ctx, window, folder);
    if (ctx.playlist.count() != kFiles) {
      std::fprintf(stderr, "only %d of %d rows were added\n", ctx.playlist.count(), kFiles);
      return 1;
    }
    rows.push_back(times.rows);
    shown.push_back(times.shown);
    saved.push_back(times.saved);
  }
  std::printf("add folder of %d tagged MP3s, median of %d runs (min):\n", kFiles, runs);
  std::printf("  all rows in the list   %7.1f ms (%.1f)\n", median(rows),
              *std::min_element(rows.begin(), rows.end()));
  std::printf("  list shown again       %7.1f ms (%.1f)\n", median(shown),
              *std::min_element(shown.begin(), shown.end()));
  std::printf("  Playlist.dat saved     %7.1f ms (%.1f)\n", median(saved),
              *std::min_element(saved.begin(), saved.end()));
  window.Form_Unload();
  return 0;
}
