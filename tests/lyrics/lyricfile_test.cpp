#include "lyrics/lyricfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>

using namespace lyrovo;

namespace {

// A song folder and a lyric folder on disk; the lister counts its reads.
struct LyricFolders : ::testing::Test {
  QTemporaryDir root;
  std::map<QString, int> listings;

  QString music() const { return root.path() + QStringLiteral("/music/"); }
  QString words() const { return root.path() + QStringLiteral("/Lyrics/"); }
  QString song() const { return music() + QStringLiteral("Hello Song.mp3"); }

  void SetUp() override {
    QDir().mkpath(music());
    QDir().mkpath(words());
    touch(song());
  }
  static void touch(const QString& path) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  }
  // The lookup as Play does it: artist and title arrive lower-cased.
  QString find(const QString& wordPath) {
    return FindLyricFile(song(), wordPath, QStringLiteral("test artist"), QStringLiteral("hello song"),
                         [this](const QString& folder) {
                           ++listings[folder];
                           return ListFolderFiles(folder);
                         });
  }
};

}  // namespace

TEST_F(LyricFolders, MixedCaseNamesInTheSongFolderAndInTheLyricFolder) {
  EXPECT_EQ(find(words()), QString());

  touch(words() + QStringLiteral("TEST ARTIST - Hello Song.LRC"));
  EXPECT_EQ(find(words()), words() + QStringLiteral("TEST ARTIST - Hello Song.LRC"));

  touch(music() + QStringLiteral("Test Artist - Hello Song.lrc"));
  listings.clear();
  EXPECT_EQ(find(words()),
            music() + QStringLiteral("Test Artist - Hello Song.lrc"));  // the song folder first
  EXPECT_EQ(listings[music()], 1);
  EXPECT_EQ(listings.count(words()), 0u);  // found: the lyric folder is not read
}

TEST_F(LyricFolders, TheSongsOwnNameComesAfterArtistAndTitleInBothFolders) {
  touch(music() + QStringLiteral("hello SONG.lrc"));
  EXPECT_EQ(find(words()), music() + QStringLiteral("hello SONG.lrc"));
  EXPECT_EQ(listings[music()], 1);  // one listing serves both names in the song folder
  EXPECT_EQ(listings[words()], 1);

  touch(words() + QStringLiteral("Test Artist - Hello Song.lrc"));
  EXPECT_EQ(find(words()), words() + QStringLiteral("Test Artist - Hello Song.lrc"));

  // A folder called like a lyric, or a lyric beside a song without a base name, is no lyric.
  QDir().mkpath(music() + QStringLiteral("test artist - hello song.lrc"));
  EXPECT_EQ(FindLyricFile(music() + QStringLiteral(".mp3"), QString(), QStringLiteral("test artist"),
                          QStringLiteral("hello song")),
            QString());
}

TEST_F(LyricFolders, AnExactlySpelledNameWinsOverOnesDifferingInCase) {
  touch(music() + QStringLiteral("Test Artist - Hello Song.lrc"));
  touch(music() + QStringLiteral("test artist - hello song.lrc"));
  touch(music() + QStringLiteral("TEST ARTIST - HELLO SONG.lrc"));
  EXPECT_EQ(find(words()), music() + QStringLiteral("test artist - hello song.lrc"));

  // No exact spelling: the same one every time, whatever order the disk lists them in.
  const QStringList names = {QStringLiteral("b.lrc"), QStringLiteral("A.LRC"), QStringLiteral("a.Lrc")};
  const QStringList reversed = {names[2], names[1], names[0]};
  EXPECT_EQ(MatchFileName(names, QStringLiteral("a.lrc")), QStringLiteral("A.LRC"));
  EXPECT_EQ(MatchFileName(reversed, QStringLiteral("a.lrc")), QStringLiteral("A.LRC"));
  EXPECT_EQ(MatchFileName(names, QStringLiteral("a.Lrc")), QStringLiteral("a.Lrc"));
  EXPECT_EQ(MatchFileName(names, QStringLiteral("a.lr")), QString());
}

TEST_F(LyricFolders, AFolderOfFiveThousandFilesIsListedOnce) {
  for (int i = 0; i < 5000; ++i) touch(music() + QStringLiteral("track %1.mp3").arg(i));
  touch(music() + QStringLiteral("Hello Song.LRC"));
  EXPECT_EQ(find(music()),
            music() + QStringLiteral("Hello Song.LRC"));  // the lyric folder is the song folder
  EXPECT_EQ(listings.size(), 1u);
  EXPECT_EQ(listings[music()], 1);
}
