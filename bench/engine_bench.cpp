// Decoding speed of the engine's decoders against bare loops over the same
// libraries, and the cost of reading a file's tags and length the way the
// playlist does when files are added, against a bare TagLib loop.
//
// Run: build/bin/engine_bench (it makes its input files with the fixture
// script and lame into a temporary folder first).
#include "base/scriptedprompts.h"
#include "engine/bp.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <mpg123.h>
#include <sndfile.h>
#include <taglib/fileref.h>
#include <taglib/tag.h>
#include <vorbis/vorbisfile.h>

#include <vector>

namespace {

struct Inputs {
  QTemporaryDir dir;
  QString path(const char* name) const { return dir.path() + u'/' + QLatin1String(name); }
  Inputs() {
    QProcess::execute(QStringLiteral(LYROVO_SOURCE_DIR "/tools/make_fixtures.sh"), {dir.path()});
    // 30 s of music-like sound for the decode loops.
    QProcess::execute(
        QStringLiteral("sox"),
        {QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("44100"), QStringLiteral("-c"),
         QStringLiteral("2"), QStringLiteral("-b"), QStringLiteral("16"), path("long.wav"),
         QStringLiteral("synth"), QStringLiteral("30"), QStringLiteral("pluck"), QStringLiteral("220"),
         QStringLiteral("pluck"), QStringLiteral("330")});
    QProcess::execute(QStringLiteral("lame"),
                      {QStringLiteral("--quiet"), path("long.wav"), path("long.mp3")});
    QProcess::execute(QStringLiteral("oggenc"),
                      {QStringLiteral("--quiet"), path("long.wav"), QStringLiteral("-o"), path("long.ogg")});
    // 2000 small tagged MP3 files, as a playlist folder would hold.
    QDir().mkpath(path("many"));
    for (int i = 0; i < 2000; ++i)
      QFile::copy(path("id3v1.mp3"),
                  path("many") + QStringLiteral("/song%1.mp3").arg(i, 4, 10, QLatin1Char('0')));
  }
};

Inputs& inputs() {
  static Inputs instance;
  return instance;
}

void engineDecode(benchmark::State& state, const char* name) {
  const QString file = inputs().path(name);
  std::vector<std::int16_t> buffer(4096 * 2);
  std::int64_t frames = 0;
  for (auto _ : state) {
    auto decoder = lyrovo::openCoreDecoder(file);
    std::int64_t n;
    while ((n = decoder->read(buffer.data(), 4096)) > 0) frames += n;
  }
  state.counters["frames/s"] = benchmark::Counter(double(frames), benchmark::Counter::kIsRate);
}

void BM_EngineMp3(benchmark::State& state) { engineDecode(state, "long.mp3"); }
void BM_EngineOgg(benchmark::State& state) { engineDecode(state, "long.ogg"); }
void BM_EngineWav(benchmark::State& state) { engineDecode(state, "long.wav"); }

void BM_BareMpg123(benchmark::State& state) {
  const QByteArray file = QFile::encodeName(inputs().path("long.mp3"));
  std::vector<unsigned char> buffer(4096 * 4);
  std::int64_t frames = 0;
  for (auto _ : state) {
    mpg123_handle* handle = mpg123_new(nullptr, nullptr);
    mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_GAPLESS, 0);
    mpg123_open(handle, file.constData());
    size_t done = 0;
    while (mpg123_read(handle, buffer.data(), buffer.size(), &done) != MPG123_DONE)
      frames += std::int64_t(done / 4);
    mpg123_close(handle);
    mpg123_delete(handle);
  }
  state.counters["frames/s"] = benchmark::Counter(double(frames), benchmark::Counter::kIsRate);
}

void BM_BareVorbisfile(benchmark::State& state) {
  const QByteArray file = QFile::encodeName(inputs().path("long.ogg"));
  std::vector<char> buffer(4096 * 4);
  std::int64_t frames = 0;
  for (auto _ : state) {
    OggVorbis_File vf;
    ov_fopen(file.constData(), &vf);
    int section = 0;
    long n;
    while ((n = ov_read(&vf, buffer.data(), int(buffer.size()), 0, 2, 1, &section)) > 0) frames += n / 4;
    ov_clear(&vf);
  }
  state.counters["frames/s"] = benchmark::Counter(double(frames), benchmark::Counter::kIsRate);
}

void BM_BareSndfile(benchmark::State& state) {
  const QByteArray file = QFile::encodeName(inputs().path("long.wav"));
  std::vector<short> buffer(4096 * 2);
  std::int64_t frames = 0;
  for (auto _ : state) {
    SF_INFO info{};
    SNDFILE* sf = sf_open(file.constData(), SFM_READ, &info);
    sf_count_t n;
    while ((n = sf_readf_short(sf, buffer.data(), 4096)) > 0) frames += n;
    sf_close(sf);
  }
  state.counters["frames/s"] = benchmark::Counter(double(frames), benchmark::Counter::kIsRate);
}

// What adding a file to the playlist costs: open the information stream,
// read its tags and length, close it.
void BM_AddFileTagsAndLength(benchmark::State& state) {
  const QString folder = inputs().path("many");
  const QStringList names = QDir(folder).entryList({QStringLiteral("*.mp3")});
  lyrovo::ScriptedPrompts prompts;
  lyrovo::TagFields tags;
  lyrovo::BP engine(prompts, tags);
  for (auto _ : state) {
    for (const QString& name : names) {
      const QString file = folder + u'/' + name;
      engine.aOpen2(file);
      engine.aGetTags(file);
      engine.aClose2();
      benchmark::DoNotOptimize(tags.infoLength);
    }
  }
  state.counters["files/s"] =
      benchmark::Counter(double(state.iterations() * names.size()), benchmark::Counter::kIsRate);
}

void BM_BareTagLibFileRef(benchmark::State& state) {
  const QString folder = inputs().path("many");
  const QStringList names = QDir(folder).entryList({QStringLiteral("*.mp3")});
  for (auto _ : state) {
    for (const QString& name : names) {
      TagLib::FileRef ref(QFile::encodeName(folder + u'/' + name).constData(), true,
                          TagLib::AudioProperties::Average);
      benchmark::DoNotOptimize(ref.tag() ? ref.tag()->title().size() : 0);
      benchmark::DoNotOptimize(ref.audioProperties() ? ref.audioProperties()->lengthInMilliseconds() : 0);
    }
  }
  state.counters["files/s"] =
      benchmark::Counter(double(state.iterations() * names.size()), benchmark::Counter::kIsRate);
}

BENCHMARK(BM_EngineMp3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareMpg123)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EngineOgg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareVorbisfile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EngineWav)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareSndfile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AddFileTagsAndLength)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareTagLibFileRef)->Unit(benchmark::kMillisecond);

}  // namespace
