// Text utilities run for every playlist row added and every lyric line
// loaded: how long one call takes.
#include "text/encoding.h"
#include "text/textutil.h"

#include <benchmark/benchmark.h>

namespace {

void BM_StringDeal(benchmark::State& state) {
  const QString title = QStringLiteral("  03 月亮代表我的心（Live 版）[Remastered]_2007 ");
  for (auto _ : state) benchmark::DoNotOptimize(lyrovo::StringDeal(title));
}
BENCHMARK(BM_StringDeal);

void BM_TraditionalToSimplifiedLyricLine(benchmark::State& state) {
  const QString line = QStringLiteral("我們的愛情在這裡開始，風吹過來，輕輕地說聲再見");
  for (auto _ : state) benchmark::DoNotOptimize(lyrovo::GBK2GB(line));
}
BENCHMARK(BM_TraditionalToSimplifiedLyricLine);

void BM_DecodeGbkLyricFile(benchmark::State& state) {
  QString text;
  for (int i = 0; i < 200; ++i)
    text += QStringLiteral("[01:%1.00]我們的愛情在這裡開始\r\n").arg(i % 60, 2, 10, QLatin1Char('0'));
  const QByteArray gbk = lyrovo::encodeGbk(text);
  for (auto _ : state) benchmark::DoNotOptimize(lyrovo::decodeText(gbk));
  state.SetBytesProcessed(state.iterations() * gbk.size());
}
BENCHMARK(BM_DecodeGbkLyricFile);

}  // namespace
