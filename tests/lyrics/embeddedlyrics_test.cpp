// Lyrics stored inside songs: real encoded files (made by the fixture
// script) get their lyric frames and comments written by the tag library
// here, then are read back the way the player reads them.
#include "lyrics/embeddedlyrics.h"

#include "base/errorlog.h"
#include "base/playerstate.h"
#include "base/scriptedprompts.h"
#include "settings/settings.h"
#include "support/audiofixtures.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <flacfile.h>
#include <id3v2tag.h>
#include <mp4file.h>
#include <mpegfile.h>
#include <synchronizedlyricsframe.h>
#include <unsynchronizedlyricsframe.h>
#include <vorbisfile.h>
#include <xiphcomment.h>

#include <gtest/gtest.h>

using namespace lyrovo;
using lyrovo::testing::fixture;

namespace {

using SyltFrame = TagLib::ID3v2::SynchronizedLyricsFrame;

// Seven lines a second apart from 1 s: enough for a lyric that loads.
const char kLrcText[] =
    "[ti:song]\n[00:01.00]one\n[00:02.00]two\n[00:03.00]three\n[00:04.00]four\n[00:05.00]five\n"
    "[00:06.00]six\n[00:07.00]seven\n";

TagLib::String utf8(const QString& text) { return TagLib::String(text.toStdString(), TagLib::String::UTF8); }

class EmbeddedLyricsTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(root.isValid()); }

  // A copy of a generated fixture in the test's own folder.
  QString copy(const QString& name, const QString& as) {
    const QString path = root.filePath(as);
    EXPECT_TRUE(QFile::copy(fixture(name), path));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    return path;
  }
  static QByteArray digest(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
  }
  // An mp3 with one SYLT frame of entries.
  QString mp3WithSylt(const std::vector<std::pair<unsigned, QString>>& entries,
                      SyltFrame::TimestampFormat format = SyltFrame::AbsoluteMilliseconds) {
    const QString path = copy(QStringLiteral("tone1k.mp3"), QStringLiteral("sylt.mp3"));
    TagLib::MPEG::File file(QFile::encodeName(path).constData());
    auto* frame = new SyltFrame(TagLib::String::UTF8);
    frame->setTimestampFormat(format);
    frame->setType(SyltFrame::Lyrics);
    frame->setLanguage("chi");
    SyltFrame::SynchedTextList list;
    for (const auto& [time, text] : entries) list.append(SyltFrame::SynchedText(time, utf8(text)));
    frame->setSynchedText(list);
    file.ID3v2Tag(true)->addFrame(frame);
    EXPECT_TRUE(file.save(TagLib::MPEG::File::ID3v2));
    return path;
  }
  QString mp3WithUslt(const QString& text) {
    const QString path = copy(QStringLiteral("tone1k.mp3"), QStringLiteral("uslt.mp3"));
    TagLib::MPEG::File file(QFile::encodeName(path).constData());
    auto* frame = new TagLib::ID3v2::UnsynchronizedLyricsFrame(TagLib::String::UTF8);
    frame->setText(utf8(text));
    file.ID3v2Tag(true)->addFrame(frame);
    EXPECT_TRUE(file.save(TagLib::MPEG::File::ID3v2));
    return path;
  }

  // Loads what the song holds as the player does, into model.
  bool load(const QString& path) {
    player.SongArtist = QStringLiteral("a");
    player.SongTitle = QStringLiteral("t");
    LoadWordContext c{model, player, search, settings, prompts, log, host, root.path() + u'/', 60000, {}};
    return LoadEmbeddedLyric(ReadEmbeddedLyrics(path), c);
  }
  // (time, text) of the lyric lines between the header and the end entries.
  std::vector<std::pair<int, QString>> lines() const {
    std::vector<std::pair<int, QString>> out;
    for (int k = 2; k < model.LyricEnd - 2; ++k) out.emplace_back(model.time(k), model.LyricText[k]);
    return out;
  }

  struct Host : LyricHost {
    void DrawInfo(const QString& text) override { calls << "DrawInfo:" + text; }
    void ClearPane() override { calls << "ClearPane"; }
    void WordAdjust() override { calls << "WordAdjust"; }
    void StartLyricTimer() override { calls << "StartLyricTimer"; }
    void ResetScroll() override { calls << "ResetScroll"; }
    int TextWidth(const QString& text) override { return int(text.size()) * 10; }
    QString DownFile(const QString&) override {
      calls << "DownFile";
      return {};
    }
    QStringList calls;
  };

  QTemporaryDir root;
  LyricModel model;
  PlayerState player;
  SearchState search;
  Settings settings;
  ScriptedPrompts prompts;
  ErrorLog log{root.path() + u'/', &prompts};
  Host host;
};

}  // namespace

TEST_F(EmbeddedLyricsTest, SyltLinesLoadWithTheirTimesAndTheSongStaysUntouched) {
  const QString path = mp3WithSylt(
      {{1000, "一"}, {2500, "二"}, {4000, "三"}, {5000, "四"}, {6000, "五"}, {7000, "六"}, {8000, "七"}});
  const QByteArray before = digest(path);
  const auto found = ReadEmbeddedLyrics(path);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].origin, QStringLiteral("ID3v2 SYLT"));
  ASSERT_TRUE(load(path));
  EXPECT_TRUE(player.LyricLoaded);
  EXPECT_EQ(host.calls, QStringList({"ResetScroll", "ClearPane", "WordAdjust", "StartLyricTimer"}));
  EXPECT_EQ(model.LyricText[1], QStringLiteral("a - t  "));
  const std::vector<std::pair<int, QString>> expected{{1000, "一  "}, {2500, "二  "}, {4000, "三  "},
                                                      {5000, "四  "}, {6000, "五  "}, {7000, "六  "},
                                                      {8000, "七  "}};
  EXPECT_EQ(lines(), expected);
  // A lyric without a file of its own: a timing shift has nowhere to go.
  EXPECT_TRUE(model.SourceFile.isEmpty());
  EXPECT_EQ(digest(path), before);
}

TEST_F(EmbeddedLyricsTest, SyltSyllablesBecomeLinesWithWordTimes) {
  // A line break at the start of a syllable begins a new line.
  const std::vector<SyncedText> entries{{1000, "\nHel"}, {1400, "lo "},  {1800, "world"}, {3000, "\nsec"},
                                        {3300, "ond\n"}, {5000, "\r\n"}, {6000, "third"}};
  const std::vector<TimedLyricLine> got = SyncedTextToLines(entries);
  ASSERT_EQ(got.size(), 4u);
  EXPECT_EQ(got[0].timeMs, 1000);
  EXPECT_EQ(got[0].text, QStringLiteral("Hello world"));
  EXPECT_EQ(got[0].words, (std::vector<LyricWord>{{0, 0}, {3, 400}, {6, 800}}));
  EXPECT_EQ(got[1].timeMs, 3000);
  EXPECT_EQ(got[1].text, QStringLiteral("second"));
  EXPECT_EQ(got[1].words, (std::vector<LyricWord>{{0, 0}, {3, 300}}));
  EXPECT_EQ(got[2].text, QString());  // the empty line between two breaks: a pause
  EXPECT_EQ(got[2].timeMs, 5000);
  EXPECT_EQ(got[3].text, QStringLiteral("third"));

  // MPEG frame times are converted with the stream's frame length (1152 samples at 44.1 kHz).
  const QString path =
      mp3WithSylt({{38, "a"}, {77, "b"}, {115, "c"}, {153, "d"}, {192, "e"}, {230, "f"}, {268, "g"}},
                  SyltFrame::AbsoluteMpegFrames);
  const auto found = ReadEmbeddedLyrics(path);
  ASSERT_EQ(found.size(), 1u);
  ASSERT_EQ(found[0].lines.size(), 7u);
  EXPECT_EQ(found[0].lines[0].timeMs, 993);  // 38 × 1152 / 44100 s
  EXPECT_EQ(found[0].lines[6].timeMs, 7001);
}

TEST_F(EmbeddedLyricsTest, UnsyncedTextLoadsOnlyWhenItCarriesTimeTags) {
  ASSERT_TRUE(load(mp3WithUslt(QString::fromUtf8(kLrcText))));
  EXPECT_EQ(lines().front(), std::make_pair(1000, QStringLiteral("one  ")));
  EXPECT_EQ(lines().size(), 7u);

  QFile::remove(root.filePath(QStringLiteral("uslt.mp3")));
  const QString plain = mp3WithUslt(QStringLiteral("one\ntwo\nthree\nfour\nfive\nsix\nseven\n"));
  EXPECT_TRUE(ReadEmbeddedLyrics(plain).empty());
  host.calls.clear();
  EXPECT_FALSE(load(plain));
  EXPECT_FALSE(player.LyricLoaded);
  EXPECT_TRUE(host.calls.isEmpty());  // nothing drawn: the search goes on
}

TEST_F(EmbeddedLyricsTest, VorbisFlacAndMp4LyricsAreFound) {
  const QString ogg = copy(QStringLiteral("tone1k.ogg"), QStringLiteral("song.ogg"));
  {
    TagLib::Ogg::Vorbis::File file(QFile::encodeName(ogg).constData());
    file.tag()->addField("LYRICS", utf8(QString::fromUtf8(kLrcText)));
    ASSERT_TRUE(file.save());
  }
  const QString flac = copy(QStringLiteral("tone1k.flac"), QStringLiteral("song.flac"));
  {
    TagLib::FLAC::File file(QFile::encodeName(flac).constData());
    file.xiphComment(true)->addField("LYRICS", "just words, no times");
    file.xiphComment(true)->addField("SYNCEDLYRICS", utf8(QString::fromUtf8(kLrcText)));
    ASSERT_TRUE(file.save());
  }
  const QString m4a = copy(QStringLiteral("tone1k.m4a"), QStringLiteral("song.m4a"));
  {
    TagLib::MP4::File file(QFile::encodeName(m4a).constData());
    file.tag()->setItem("\251lyr", TagLib::StringList(utf8(QString::fromUtf8(kLrcText))));
    ASSERT_TRUE(file.save());
  }
  for (const QString& path : {ogg, flac, m4a}) {
    const auto found = ReadEmbeddedLyrics(path);
    ASSERT_EQ(found.size(), 1u) << path.toStdString();
    EXPECT_TRUE(found[0].text.startsWith(QStringLiteral("[ti:song]"))) << path.toStdString();
    EXPECT_TRUE(load(path)) << path.toStdString();
    EXPECT_EQ(lines().size(), 7u) << path.toStdString();
  }
  EXPECT_EQ(ReadEmbeddedLyrics(flac)[0].origin, QStringLiteral("SYNCEDLYRICS"));
  EXPECT_TRUE(ReadEmbeddedLyrics(copy(QStringLiteral("tone1k.mp3"), QStringLiteral("bare.mp3"))).empty());
}

TEST_F(EmbeddedLyricsTest, BrokenFramesAndHugeTextsNeverCrash) {
  // An ID3v2.3 tag in front of real MPEG audio, holding one SYLT frame whose
  // declared sizes lie in different ways.
  QFile audio(fixture(QStringLiteral("tone1k.mp3")));
  ASSERT_TRUE(audio.open(QIODevice::ReadOnly));
  const QByteArray mpeg = audio.readAll();
  const auto be32 = [](quint32 n) {
    const char bytes[4] = {char(n >> 24), char(n >> 16), char(n >> 8), char(n)};
    return QByteArray(bytes, 4);
  };
  const auto syncsafe = [](quint32 n) {
    const char bytes[4] = {char((n >> 21) & 0x7F), char((n >> 14) & 0x7F), char((n >> 7) & 0x7F),
                           char(n & 0x7F)};
    return QByteArray(bytes, 4);
  };
  const auto song = [&](const QByteArray& frameBody, quint32 declaredFrameSize, quint32 declaredTagSize) {
    const QByteArray frame = "SYLT" + be32(declaredFrameSize) + QByteArray(2, '\0') + frameBody;
    return "ID3" + QByteArray::fromHex("030000") + syncsafe(declaredTagSize) + frame + mpeg;
  };
  // Latin-1 texts, language "eng", millisecond times, lyrics; the description "desc".
  const QByteArray head = QByteArray::fromHex("00656e670201");
  const QByteArray nul(1, '\0');
  const QByteArray body = head + "desc" + nul + "one" + nul + be32(1000) + "two" + nul + be32(2000);
  const quint32 frameSize = quint32(body.size());
  const std::vector<QByteArray> songs{
      song(body, frameSize, frameSize + 10),                        // sound
      song(body, 0xFFFFFFF0u, frameSize + 10),                      // frame larger than everything
      song(body, frameSize, 3),                                     // tag smaller than its frame
      song(body.left(body.size() - 2), frameSize, frameSize + 10),  // the last time cut short
      song(head + QByteArray(300, 'x'), 306, 316),                  // no terminator
      song(QByteArray::fromHex("03"), 1, 11),                       // only the encoding byte
      song(QByteArray(), 0, 10),                                    // empty frame
  };
  int index = 0;
  for (const QByteArray& bytes : songs) {
    const QString path = root.filePath(QStringLiteral("broken%1.mp3").arg(index++));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    const auto found = ReadEmbeddedLyrics(path);  // must simply return
    EXPECT_FALSE(load(path)) << index;            // two lines are no lyric
    EXPECT_EQ(QFileInfo(path).size(), bytes.size());
    if (index == 1) {
      ASSERT_EQ(found.size(), 1u);
      EXPECT_EQ(found[0].lines.size(), 2u);
    }
  }

  // A 1 MB unsynchronised text: the first lines load, the rest is not read.
  QByteArray huge = kLrcText;
  while (huge.size() < 1024 * 1024) huge += QByteArray(200, 'z') + "\n";
  EXPECT_TRUE(load(mp3WithUslt(QString::fromUtf8(huge))));

  // Things that are no song at all.
  for (const QString& path : {root.path(), root.filePath(QStringLiteral("missing.mp3")), QString()})
    EXPECT_TRUE(ReadEmbeddedLyrics(path).empty());
  const QString junk = root.filePath(QStringLiteral("junk.m4a"));
  QFile file(junk);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(QByteArray(4096, '\x01'));
  file.close();
  EXPECT_TRUE(ReadEmbeddedLyrics(junk).empty());
}
