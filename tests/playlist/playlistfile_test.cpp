#include "playlist/playlistfile.h"
#include "base/apperror.h"
#include "playlist/playlistops.h"
#include "text/encoding.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "support/filesizelimit.h"

#include <signal.h>
#include <sys/resource.h>

using namespace lyrovo;

namespace {

// A program folder (app/) and a music folder with a few existing files.
class PlaylistFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(root.isValid());
    QDir(root.path()).mkpath("app");
    QDir(root.path()).mkpath("music");
  }

  QString appPath() const { return root.path() + "/app/"; }
  QString datPath() const { return appPath() + "Playlist.dat"; }
  QString song(const QString& name) {
    const QString path = root.path() + "/music/" + name;
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    return path;
  }
  void writeDat(const QByteArray& bytes) {
    QFile file(datPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
  }
  QByteArray readDat() const {
    QFile file(datPath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }
  // Five "path=title=artist=length" lines of existing files.
  QByteArray fiveRows() {
    QByteArray rows;
    for (int i = 1; i <= 5; ++i)
      rows += (song(QString("s%1.mp3").arg(i)) + QString("=t%1=a%1=00:0%1\r\n").arg(i)).toUtf8();
    return rows;
  }
  bool load(bool continueLastPlay = true) { return LoadPlaylist(list, current, continueLastPlay, appPath()); }

  QTemporaryDir root;
  Playlist list;
  std::int16_t current = 2;
};

}  // namespace

TEST_F(PlaylistFileTest, FirstLineGivesTheCurrentRowOnlyWithContinueLastPlay) {
  writeDat(" 7 \r\n" + fiveRows());
  load(true);
  EXPECT_EQ(list.count(), 5);
  EXPECT_EQ(current, 5);  // limited to the rows
  EXPECT_EQ(list.row(5).numberText, "5.");
  EXPECT_EQ(list.row(3).title, "t3");
  EXPECT_EQ(list.row(3).artist, "a3");
  EXPECT_EQ(list.row(3).lengthText, "00:03");
  EXPECT_FALSE(list.row(1).selected || list.row(1).current);

  Playlist other;
  std::int16_t unchanged = 2;
  LoadPlaylist(other, unchanged, false, appPath());
  EXPECT_EQ(other.count(), 5);  // the first line, without "=", is dropped
  EXPECT_EQ(unchanged, 2);
}

TEST_F(PlaylistFileTest, FirstLineValues) {
  struct Case {
    QByteArray firstLine;
    bool rows;
    int expected;
  };
  for (const Case& c : {Case{"abc", true, 1}, Case{"", false, 0}, Case{" 3 ", false, 0}, Case{"-4 ", true, 1},
                        Case{"-4 ", false, 0}, Case{" 99999999999 ", true, 5}, Case{"1e999", true, 5},
                        Case{" 2.5 ", true, 2}, Case{" 3.5 ", true, 4}, Case{" 4 trailing", true, 4}}) {
    Playlist fresh;
    std::int16_t index = 9;
    writeDat(c.firstLine + "\r\n" + (c.rows ? fiveRows() : QByteArray()));
    LoadPlaylist(fresh, index, true, appPath());
    EXPECT_EQ(index, c.expected) << c.firstLine.constData();
  }

  writeDat(QByteArray());
  load(true);
  EXPECT_EQ(list.count(), 0);
  EXPECT_EQ(current, 0);

  // Without the file nothing changes.
  QFile::remove(datPath());
  current = 2;
  load(true);
  EXPECT_EQ(current, 2);
}

TEST_F(PlaylistFileTest, RowLinesNeedFourFieldsAndKeepAbsentFilesAsMissing) {
  const QString a = song("a.mp3");
  const QString withEquals = song("x=y.mp3");
  const QString gone = song("gone.mp3");
  QFile::remove(gone);
  const QString hidden = song(".hidden.mp3");
  writeDat(" 1 \r\n" + (a + "=t=b\r\n" +  // three fields
                        a +
                        "\r\n"    // one
                        "\r\n" +  // empty
                        withEquals +
                        "=t=ar=00:01\r\n" +  // five fields: the path holds "="
                        "no=such=file=00:01=x\r\n" + gone + "=t=ar=00:01\r\n" + hidden + "=t=ar=00:01\r\n" +
                        root.path() + "/music=t=ar=00:01\r\n" +  // a folder
                        a + "=t=ar=00:02")
                           .toUtf8());  // the last line has no line end
  load();
  // An absent file's row stays, marked missing; a relative path that names
  // nothing ("no=such") is dropped.
  ASSERT_EQ(list.count(), 5);
  EXPECT_EQ(list.row(1).path, withEquals);
  EXPECT_EQ(list.row(1).title, "t");
  EXPECT_FALSE(list.row(1).missing);
  EXPECT_EQ(list.row(2).path, gone);
  EXPECT_TRUE(list.row(2).missing);
  EXPECT_EQ(list.row(3).path, hidden);
  EXPECT_TRUE(list.row(3).missing);
  EXPECT_EQ(list.row(4).path, root.path() + "/music");
  EXPECT_TRUE(list.row(4).missing);
  EXPECT_EQ(list.row(5).path, a);
  EXPECT_EQ(list.row(5).lengthText, "00:02");
  EXPECT_EQ(list.row(5).numberText, "5.");
  EXPECT_FALSE(list.row(5).missing);

  // Saved back as they were read.
  SavePlaylist(list, 1, appPath());
  EXPECT_TRUE(readDat().contains((gone + "=t=ar=00:01\r\n").toUtf8()));
}

TEST_F(PlaylistFileTest, LineEndsCrLfLfAndLoneCr) {
  const QString a = song("a.mp3");
  const QByteArray row = (a + "=t=ar=00:01").toUtf8();
  writeDat(" 2\r" + row + "\r" + row + "\n" + row + "\r\n" + row + "\r\r\n" + row);
  load();
  EXPECT_EQ(list.count(), 5);
  EXPECT_EQ(current, 2);
  for (const PlaylistRow& r : list.rows()) EXPECT_EQ(r.lengthText, "00:01");
}

TEST_F(PlaylistFileTest, OldGbkFileLoads) {
  const QString path = song("月亮代表我的心.mp3");
  writeDat(encodeGbk(" 1 \r\n" + path + "=月亮代表我的心=邓丽君=03:27\r\n"));
  load();
  ASSERT_EQ(list.count(), 1);
  EXPECT_EQ(list.row(1).path, path);
  EXPECT_EQ(list.row(1).title, "月亮代表我的心");
  EXPECT_EQ(list.row(1).artist, "邓丽君");
}

TEST_F(PlaylistFileTest, SaveWritesTheFormatAndEqualsSignsRoundTrip) {
  PlaylistRow row;
  row.path = song("a=b.mp3");
  row.title = "1+1=2";
  row.artist = "x=y";
  row.lengthText = "00:05";
  list.insert(1, row);
  row.path = song("歌.mp3");
  row.title = "two\r\nlines";
  row.artist = "歌手";
  list.insert(2, row);

  SavePlaylist(list, 3, appPath());
  EXPECT_EQ(readDat(), (" 3 \r\n" + root.path() + "/music/a=b.mp3=1+1＝2=x＝y=00:05\r\n" + root.path() +
                        "/music/歌.mp3=two  lines=歌手=00:05\r\n")
                           .toUtf8());
  SavePlaylist(list, -2, appPath());
  EXPECT_TRUE(readDat().startsWith("-2 \r\n"));

  Playlist loaded;
  std::int16_t index = 0;
  LoadPlaylist(loaded, index, true, appPath());
  ASSERT_EQ(loaded.count(), 2);
  EXPECT_EQ(index, 1);  // -2 read back as 0, then the first row
  EXPECT_EQ(loaded.row(1).path, list.row(1).path);
  EXPECT_EQ(loaded.row(1).title, "1+1＝2");
  EXPECT_EQ(loaded.row(1).artist, "x＝y");
  EXPECT_EQ(loaded.row(2).title, "two  lines");
}

TEST_F(PlaylistFileTest, JunkLongLinesAndTooManyRows) {
  const QString a = song("a.mp3");
  QByteArray bytes = " 40000 \r\n";
  bytes += QByteArray(100000, 'x') + "\r\n";
  bytes += (a + "=" + QString(100000, u'标') + "=ar=00:01\r\n").toUtf8();  // a very long title is kept
  QByteArray junk(200000, Qt::Uninitialized);
  QRandomGenerator generator(5);
  for (char& c : junk) c = char(generator.bounded(256));
  bytes += junk + "\r\n";
  const QByteArray row = (a + "=t=ar=00:01\r\n").toUtf8();
  for (int i = 0; i < 40000; ++i) bytes += row;
  writeDat(bytes);

  EXPECT_FALSE(load());  // rows were left unread
  ASSERT_EQ(list.count(), Playlist::kMaxRows);
  EXPECT_EQ(list.row(1).title.size(), 100000);
  EXPECT_EQ(list.row(Playlist::kMaxRows).numberText, "32767.");
  EXPECT_EQ(current, Playlist::kMaxRows);
  EXPECT_EQ(readDat(), bytes);  // loading never writes
}

TEST_F(PlaylistFileTest, AFailedSaveLeavesTheOldFileWhole) {
  writeDat(" 1 \r\n" + fiveRows());
  const QByteArray before = readDat();
  for (int i = 0; i < 2000; ++i) {
    PlaylistRow row;
    row.path = root.path() + QString("/music/song%1.mp3").arg(i);
    row.title = "title";
    list.insert(list.count() + 1, row);
  }

  int number = 0;
  {
    const lyrovo::testing::FileSizeLimit limit(4096);  // writes beyond 4 KiB fail
    try {
      SavePlaylist(list, 1, appPath());
    } catch (const AppError& error) {
      number = error.number();
    }
  }

  EXPECT_EQ(number, errors::DiskFull);
  EXPECT_EQ(readDat(), before);
  EXPECT_EQ(QDir(appPath()).entryList(QDir::Files | QDir::Hidden), QStringList({"Playlist.dat"}));

  // A folder in the file's place cannot be replaced either.
  QFile::remove(datPath());
  QDir().mkdir(datPath());
  EXPECT_THROW(SavePlaylist(list, 1, appPath()), AppError);
  EXPECT_TRUE(QFileInfo(datPath()).isDir());
}
