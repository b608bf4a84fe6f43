// Sorting a full playlist (32 767 rows) by title and deleting the duplicates
// in one, in milliseconds.

#include "playlist/playlistcommands.h"

#include <benchmark/benchmark.h>

namespace {

using namespace lyrovo;

// A full list of mixed Chinese and Latin titles in no order; every path
// appears about three times, spread over the list.
void fillFull(Playlist& list) {
  std::vector<PlaylistRow> rows;
  rows.reserve(Playlist::kMaxRows);
  static const char16_t* const kWords[] = {u"月亮", u"Moon",  u"海阔天空", u"river",
                                           u"晴天", u"Zebra", u"稻香"};
  for (int i = 1; i <= Playlist::kMaxRows; ++i) {
    PlaylistRow row;
    const int scrambled = int((std::int64_t(i) * 7919) % Playlist::kMaxRows);
    row.numberText = QString::number(i) + u'.';
    row.path = QStringLiteral("/home/user/音乐/%1 歌手 - 歌 %1.mp3").arg(scrambled % 11000);
    row.title = QString::fromUtf16(kWords[scrambled % 7]) + QStringLiteral(" %1").arg(scrambled);
    row.artist = QStringLiteral("歌手 %1").arg(scrambled % 300);
    row.lengthText = QStringLiteral("03:%1").arg(scrambled % 60, 2, 10, QChar(u'0'));
    rows.push_back(std::move(row));
  }
  list.append(std::move(rows));
}

void SortFullListByTitle(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    Playlist list;
    fillFull(list);
    std::int16_t current = 100;
    SortState sort;
    state.ResumeTiming();
    SortRows(list, current, sort, SortState::ByTitle);
    benchmark::DoNotOptimize(current);
  }
}
BENCHMARK(SortFullListByTitle)->Unit(benchmark::kMillisecond);

void DeleteDuplicatesInFullList(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    Playlist list;
    fillFull(list);
    std::int16_t current = 100;
    state.ResumeTiming();
    const int removed = DeleteDuplicates(list, current);
    benchmark::DoNotOptimize(removed);
  }
}
BENCHMARK(DeleteDuplicatesInFullList)->Unit(benchmark::kMillisecond);

}  // namespace
