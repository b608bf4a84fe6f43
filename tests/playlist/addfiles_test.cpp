// Collecting the files of an add, reading their rows, and the worker that
// hands them to the UI thread.
#include "playlist/addworker.h"
#include "support/audiofixtures.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace lyrovo;
using lyrovo::testing::fixture;

namespace {

const QString kTypes = QStringLiteral("*.mp3;*.mp2;*.mp1;*.ogg;*.aif;*.wav;");

struct Tree {
  QTemporaryDir root;
  QString path(const QString& relative) const { return root.path() + u'/' + relative; }
  void file(const QString& relative, const QByteArray& bytes = "x") const {
    QDir().mkpath(QFileInfo(path(relative)).absolutePath());
    QFile out(path(relative));
    out.open(QIODevice::WriteOnly);
    out.write(bytes);
  }
};

QStringList collect(const AddSource& source) {
  std::atomic<bool> cancel{false};
  return CollectAddFiles(source, cancel);
}

using lyrovo::testing::pumpUntil;

}  // namespace

TEST(CollectAddFiles, OwnFilesFirstThenSubfoldersDepthFirstOnlyWhenAsked) {
  Tree tree;
  for (const char* name : {"a.mp3", "B.MP3", "c.wav", "notes.txt", "sub1/d.mp3", "sub1/e.ogg",
                           "sub1/deep/f.mp3", "sub2/g.mp3", "sub2/h.wav"})
    tree.file(QString::fromLatin1(name));

  const QStringList own = collect({AddSource::Kind::Folder, {tree.root.path()}, false, kTypes});
  ASSERT_EQ(own.size(), 3);
  EXPECT_TRUE(own.contains(tree.path("B.MP3")));  // the extension test ignores case, the path keeps it

  const QStringList all = collect({AddSource::Kind::Folder, {tree.root.path()}, true, kTypes});
  ASSERT_EQ(all.size(), 8);
  EXPECT_EQ(QSet<QString>(all.begin(), all.begin() + 3), QSet<QString>(own.begin(), own.end()));
  // Each subfolder's files stay together, its own files before its subfolder's.
  const qsizetype d = all.indexOf(tree.path("sub1/d.mp3")), e = all.indexOf(tree.path("sub1/e.ogg"));
  const qsizetype f = all.indexOf(tree.path("sub1/deep/f.mp3"));
  const qsizetype g = all.indexOf(tree.path("sub2/g.mp3")), h = all.indexOf(tree.path("sub2/h.wav"));
  EXPECT_EQ(std::abs(d - e), 1);
  EXPECT_EQ(f, std::max(d, e) + 1);
  EXPECT_EQ(std::abs(g - h), 1);
  EXPECT_TRUE(std::min(g, h) == 3 || std::min(d, e) == 3);
}

TEST(CollectAddFiles, LinkLoopsSpecialFilesAndOddNamesNeitherHangNorCount) {
  Tree tree;
  tree.file("music/one.mp3");
  tree.file("music/.hidden.mp3");
  tree.file(QStringLiteral("music/line\nbreak.mp3"));
  ASSERT_TRUE(QFile::link(tree.path("music"), tree.path("music/loop")));  // a folder linking to itself
  ASSERT_TRUE(QFile::link(tree.root.path(), tree.path("music/up")));      // and to its parent
  ASSERT_TRUE(QFile::link(tree.path("gone.mp3"), tree.path("music/dangling.mp3")));
  ASSERT_EQ(::mkfifo(QFile::encodeName(tree.path("music/pipe.mp3")).constData(), 0600), 0);
  // A name that is not valid UTF-8.
  QFile raw(QFile::decodeName(QFile::encodeName(tree.path("music/")) + "bad\xff\xfe.mp3"));
  raw.open(QIODevice::WriteOnly);

  const QStringList files = collect({AddSource::Kind::Folder, {tree.path("music")}, true, kTypes});
  EXPECT_TRUE(files.contains(tree.path("music/one.mp3")));
  EXPECT_TRUE(files.contains(tree.path(QStringLiteral("music/line\nbreak.mp3"))));
  for (const QString& file : files) {
    EXPECT_FALSE(file.endsWith(QStringLiteral("pipe.mp3")));
    EXPECT_FALSE(file.endsWith(QStringLiteral("dangling.mp3")));
    EXPECT_FALSE(file.contains(QStringLiteral(".hidden")));
  }
  EXPECT_EQ(files.count(tree.path("music/one.mp3")), 1);  // the loop walked it once
  EXPECT_LE(files.size(), 3);
}

TEST(CollectAddFiles, DroppedPathsAndDialogFiles) {
  Tree tree;
  tree.file("x.mp3");
  tree.file("readme.txt");
  tree.file("folder/y.mp3");
  tree.file("folder/sub/z.mp3");
  const QStringList dropped = {tree.path("readme.txt"), tree.path("x.mp3"), tree.path("folder"),
                               tree.path("gone.mp3")};
  const QStringList paths = collect({AddSource::Kind::Paths, dropped, false, kTypes});
  EXPECT_EQ(paths, (QStringList{tree.path("x.mp3"), tree.path("folder/y.mp3")}));
  EXPECT_EQ(collect({AddSource::Kind::Paths, dropped, true, kTypes}).size(), 3);
  // The dialog's choice is taken as it is, less what no longer exists.
  EXPECT_EQ(collect({AddSource::Kind::Files, {tree.path("readme.txt"), tree.path("gone.mp3")}, true, kTypes}),
            QStringList{tree.path("readme.txt")});

  EXPECT_FALSE(AcceptableDrop({tree.path("readme.txt")}, kTypes));
  EXPECT_FALSE(AcceptableDrop({}, kTypes));
  EXPECT_TRUE(AcceptableDrop({tree.path("readme.txt"), tree.path("folder")}, kTypes));
  EXPECT_TRUE(AcceptableDrop({QStringLiteral("/nowhere/SONG.MP3")}, kTypes));
}

TEST(ReadAddedRow, TagsTitleFallbackAndLength) {
  const PlaylistRow mp3 = ReadAddedRow(fixture("id3v1.mp3"), nullptr, nullptr);
  EXPECT_EQ(mp3.path, fixture("id3v1.mp3"));
  EXPECT_EQ(mp3.title, "moon song");
  EXPECT_EQ(mp3.artist, "singer");
  EXPECT_EQ(mp3.lengthText, "00:02");
  EXPECT_FALSE(mp3.selected);
  const PlaylistRow wav = ReadAddedRow(fixture("tone1k.wav"), nullptr, nullptr);
  EXPECT_EQ(wav.title, "tone1k");
  EXPECT_EQ(wav.artist, "未知歌手");
  EXPECT_EQ(wav.lengthText, "00:02");
  const PlaylistRow broken = ReadAddedRow(fixture("truncated.mp3"), nullptr, nullptr);
  EXPECT_EQ(broken.title, "truncated");
}

TEST(AddWorker, RowsArriveInFileOrderWhileTheEventLoopRuns) {
  Tree tree;
  const QByteArray mp3 = [] {
    QFile in(fixture("id3v1.mp3"));
    in.open(QIODevice::ReadOnly);
    return in.readAll();
  }();
  for (int i = 0; i < 60; ++i) tree.file(QStringLiteral("f/%1.mp3").arg(i, 3, 10, QChar(u'0')), mp3);
  const AddSource source{AddSource::Kind::Folder, {tree.path("f")}, true, kTypes};
  const QStringList expected = collect(source);

  QStringList events, paths;
  bool done = false;
  AddWorker worker(source, nullptr,
                   {[&](int total) { events << QStringLiteral("counted %1").arg(total); },
                    [&](std::vector<PlaylistRow>& rows) {
                      if (events.last() != QStringLiteral("rows")) events << QStringLiteral("rows");
                      for (const PlaylistRow& row : rows) paths << row.path;
                    },
                    {},
                    [&] {
                      events << QStringLiteral("finished");
                      done = true;
                    }});
  worker.start();
  ASSERT_TRUE(pumpUntil([&] { return done; }));
  EXPECT_EQ(events, (QStringList{"counted 60", "rows", "finished"}));
  EXPECT_EQ(paths, expected);
}

TEST(AddWorker, NothingButFinishedAfterCancel) {
  Tree tree;
  for (int i = 0; i < 200; ++i) tree.file(QStringLiteral("f/%1.wav").arg(i));
  int rows = 0, total = -1;
  bool done = false;
  AddWorker worker({AddSource::Kind::Folder, {tree.path("f")}, true, kTypes}, nullptr,
                   {[&](int count) { total = count; },
                    [&](std::vector<PlaylistRow>& batch) { rows += int(batch.size()); },
                    {},
                    [&] { done = true; }});
  worker.start();
  ASSERT_TRUE(pumpUntil([&] { return total >= 0 || done; }));
  worker.cancel();
  const int atCancel = rows;
  ASSERT_TRUE(pumpUntil([&] { return done; }));
  EXPECT_EQ(rows, atCancel);
  EXPECT_TRUE(worker.cancelled());
}
