#include "engine/tags.h"
#include "base/apperror.h"
#include "engine/librarytags.h"
#include "support/audiofixtures.h"
#include "text/encoding.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <apetag.h>
#include <mpegfile.h>
#include <vorbisfile.h>

#include <gtest/gtest.h>

#include "support/filesizelimit.h"

#include <sys/resource.h>
#include <csignal>

namespace lyrovo {
namespace {

const QString Unknown = QStringLiteral("未知歌手");

QByteArray readBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray tail(const QString& path) { return readBytes(path).right(128); }

// Copies of the generated audio files in a folder of the test's own, so
// that writes never touch the shared fixtures.
class TagsTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir.isValid()); }

  static QString fixture(const QString& name) { return testing::fixture(name); }

  // A private copy of a fixture, named as asked.
  QString copy(const QString& name, const QString& as = {}) {
    const QString target = dir.filePath(as.isEmpty() ? name : as);
    EXPECT_TRUE(QFile::copy(fixture(name), target)) << name.toStdString();
    QFile(target).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    return target;
  }

  // A file of the given size whose bytes are never written (sparse).
  QString sized(const QString& name, qint64 size) {
    const QString path = dir.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    EXPECT_TRUE(file.resize(size));
    return path;
  }

  static TagFields tagsOf(const QString& path, double length = 2.0) {
    TagFields fields;
    GetTags(fields, path, fileTypeOf(path), length);
    return fields;
  }

  QTemporaryDir dir;
};

TEST(GenreTable, HasTheProgramsSpellings) {
  const QStringList& table = genreTable();
  ASSERT_EQ(table.size(), 148);
  EXPECT_EQ(table[17], QStringLiteral("Rock"));
  EXPECT_EQ(table[27], QStringLiteral("Trip Hop"));
  EXPECT_EQ(table[40], QStringLiteral("Alt. Rock"));
  EXPECT_EQ(table[67], QStringLiteral("Phychedelic"));
  EXPECT_EQ(table[78], QStringLiteral("Rock & Roll"));
  EXPECT_EQ(table[117], QStringLiteral("power Ballad"));
  EXPECT_EQ(table[131], QStringLiteral("indie"));
  EXPECT_EQ(table[140], QStringLiteral("Comteporary Christian"));
  EXPECT_EQ(table[144], QStringLiteral("Trash Metal"));
  EXPECT_EQ(table[147], QStringLiteral("Synth Pop"));

  EXPECT_EQ(genreName(12), QStringLiteral("Other"));
  EXPECT_EQ(genreName(148), QStringLiteral("未知流派"));
  EXPECT_EQ(genreName(255), QStringLiteral("未知流派"));
  EXPECT_EQ(genreName(-1), QStringLiteral("未知流派"));
}

TEST(FormatNames, PluginFormatsFirstThenTableThenWaveBit) {
  const std::vector<PluginFormat> none;
  EXPECT_EQ(CTypeName(0x00010005, none), QStringLiteral("MPEG layer 3"));
  EXPECT_EQ(CTypeName(0x00050003, none), QStringLiteral("Floating-point WAVE"));
  EXPECT_EQ(CTypeName(0x00000100, none), QStringLiteral("MO3 MUSIC"));
  EXPECT_EQ(CTypeName(0x00040007, none), QStringLiteral("WAVE"));
  EXPECT_EQ(CTypeName(0x00010100, none), QStringLiteral("?"));

  const std::vector<PluginFormat> plugin = {
      {0x00010300, QStringLiteral("Windows Media Audio"), QStringLiteral("*.wma")},
      {0x00010005, QStringLiteral("Plug-in MP3"), QStringLiteral("*.mp3")},
      {0x00010005, QStringLiteral("Second"), QStringLiteral("*.mp3")},
  };
  EXPECT_EQ(CTypeName(0x00010300, plugin), QStringLiteral("Windows Media Audio"));
  EXPECT_EQ(CTypeName(0x00010005, plugin), QStringLiteral("Plug-in MP3"));  // first match wins over the table
  EXPECT_EQ(CTypeName(0x00010006, plugin), QStringLiteral("Audio IFF"));
}

TEST(FileType, LowerCasedTextAfterTheLastDot) {
  EXPECT_EQ(fileTypeOf(QStringLiteral("/m/a.b/Song.MP3")), QStringLiteral("mp3"));
  EXPECT_EQ(fileTypeOf(QStringLiteral("/m/x.tar.WMA")), QStringLiteral("wma"));
  EXPECT_EQ(fileTypeOf(QStringLiteral("/m/NoExt")), QStringLiteral("/m/noext"));
}

using Id3v1Read = TagsTest;

TEST_F(Id3v1Read, ReadsEveryFieldOfAnMp3Tag) {
  TagFields fields;
  ASSERT_TRUE(ReadID3v1(fixture(QStringLiteral("id3v1.mp3")), fields));
  EXPECT_EQ(fields.tagTitle, QStringLiteral("Moon Song"));
  EXPECT_EQ(fields.tagArtist, QStringLiteral("Singer"));
  EXPECT_EQ(fields.tagAlbum, QStringLiteral("Album"));
  EXPECT_EQ(fields.tagYear, QStringLiteral("2007"));
  EXPECT_EQ(fields.tagComment, QStringLiteral("comment"));
  EXPECT_EQ(fields.tagTrack, 3);
  EXPECT_EQ(fields.tagGenre, QStringLiteral("17"));

  // The extension decides, in any case; content alone is not enough.
  TagFields upper;
  EXPECT_TRUE(ReadID3v1(copy(QStringLiteral("id3v1.mp3"), QStringLiteral("LOUD.MP3")), upper));
  EXPECT_EQ(upper.tagTitle, QStringLiteral("Moon Song"));
  TagFields other;
  EXPECT_FALSE(ReadID3v1(copy(QStringLiteral("id3v1.mp3"), QStringLiteral("tagged.wav")), other));
  EXPECT_TRUE(other.tagTitle.isEmpty());
}

TEST_F(Id3v1Read, FilesWithoutATagLeaveTheFieldsAlone) {
  for (const char* name : {"tone1k.mp3", "id3v2.mp3", "empty.mp3", "dir.mp3", "no-such-file.mp3"}) {
    TagFields fields;
    fields.tagTitle = QStringLiteral("kept");
    EXPECT_FALSE(ReadID3v1(fixture(QString::fromLatin1(name)), fields)) << name;
    EXPECT_EQ(fields.tagTitle, QStringLiteral("kept")) << name;
  }
}

using Id3v1Write = TagsTest;

TEST_F(Id3v1Write, AppendsOnceThenRewritesInPlaceKeepingTheAudio) {
  const QString path = copy(QStringLiteral("tone1k.mp3"));
  const QByteArray audio = readBytes(path);

  Id3v1Fields tag{QStringLiteral("月亮代表我的心"),
                  QStringLiteral("邓丽君"),
                  QStringLiteral("专辑"),
                  QStringLiteral("1977"),
                  QStringLiteral("注释"),
                  QStringLiteral("9"),
                  13};
  WriteID3v1(path, tag);
  QByteArray written = readBytes(path);
  ASSERT_EQ(written.size(), audio.size() + 128);
  EXPECT_EQ(written.left(audio.size()), audio);
  // GBK bytes, blank padded, then zero, track and genre bytes.
  EXPECT_EQ(written.mid(audio.size(), 33), "TAG" + encodeGbk(tag.title).leftJustified(30, ' '));
  EXPECT_EQ(written.right(3), QByteArray("\0\x09\x0d", 3));

  TagFields fields;
  ASSERT_TRUE(ReadID3v1(path, fields));
  EXPECT_EQ(fields.tagTitle, tag.title);
  EXPECT_EQ(fields.tagArtist, tag.artist);
  EXPECT_EQ(fields.tagAlbum, tag.album);
  EXPECT_EQ(fields.tagYear, tag.year);
  EXPECT_EQ(fields.tagComment, tag.comment);
  EXPECT_EQ(fields.tagTrack, 9);
  EXPECT_EQ(fields.tagGenre, QStringLiteral("13"));

  // The second write replaces the tag: the size stays.
  tag.title = QStringLiteral("Second");
  tag.track = QStringLiteral(" 2.5 ");  // rounded half to even
  WriteID3v1(path, tag);
  written = readBytes(path);
  ASSERT_EQ(written.size(), audio.size() + 128);
  EXPECT_EQ(written.left(audio.size()), audio);
  ASSERT_TRUE(ReadID3v1(path, fields));
  EXPECT_EQ(fields.tagTitle, QStringLiteral("Second"));
  EXPECT_EQ(fields.tagArtist, tag.artist);
  EXPECT_EQ(fields.tagTrack, 2);
}

TEST_F(Id3v1Write, LongTextsAreCutAtAWholeCharacter) {
  const QString path = copy(QStringLiteral("id3v1.mp3"));
  // 16 Chinese characters are 32 GBK bytes; after one ASCII letter a
  // 30-byte cut would fall inside the 15th character.
  const QString chinese = QStringLiteral("一二三四五六七八九十甲乙丙丁戊己");
  const QString mixed = u'a' + chinese;
  WriteID3v1(path, {chinese, mixed, QStringLiteral("x").repeated(40), QStringLiteral("20071"),
                    QStringLiteral("甲").repeated(20), QStringLiteral("1"), 0});

  const QByteArray tag = tail(path);
  EXPECT_EQ(tag.mid(3, 30), encodeGbk(chinese.left(15)));
  EXPECT_EQ(tag.mid(33, 30), encodeGbk(mixed.left(15)) + ' ');
  TagFields fields;
  ASSERT_TRUE(ReadID3v1(path, fields));
  EXPECT_EQ(fields.tagTitle, chinese.left(15));
  EXPECT_EQ(fields.tagArtist, mixed.left(15));
  EXPECT_EQ(fields.tagAlbum, QStringLiteral("x").repeated(30));
  EXPECT_EQ(fields.tagYear, QStringLiteral("2007"));
  EXPECT_EQ(fields.tagComment, QStringLiteral("甲").repeated(14));

  // A character outside the BMP takes four bytes and is never split either.
  const QString note = QString(28, u'x') + QString::fromUcs4(U"\U0001F3B5");
  WriteID3v1(path, {note, note.right(2), {}, {}, {}, QStringLiteral("1"), 0});
  EXPECT_EQ(tail(path).mid(3, 30), QByteArray(28, 'x') + "  ");
  ASSERT_TRUE(ReadID3v1(path, fields));
  EXPECT_EQ(fields.tagArtist, note.right(2));
}

TEST_F(Id3v1Write, InvalidNumbersFailBeforeAnythingIsWritten) {
  const QString tagged = copy(QStringLiteral("id3v1.mp3"));
  const QString bare = copy(QStringLiteral("tone1k.mp3"));
  const QByteArray taggedBytes = readBytes(tagged);
  const QByteArray bareBytes = readBytes(bare);
  Id3v1Fields tag{QStringLiteral("T"), QStringLiteral("A"), {}, {}, {}, {}, 0};

  for (const char* track : {"abc", "", "256", "-1", "255.5", "3x", "1e9"}) {
    tag.track = QString::fromLatin1(track);
    EXPECT_THROW(WriteID3v1(tagged, tag), AppError) << track;
    EXPECT_THROW(WriteID3v1(bare, tag), AppError) << track;
  }
  tag.track = QStringLiteral("255");
  for (int genre : {256, -1}) {
    tag.genre = genre;
    EXPECT_THROW(WriteID3v1(bare, tag), AppError) << genre;
  }
  EXPECT_EQ(readBytes(tagged), taggedBytes);
  EXPECT_EQ(readBytes(bare), bareBytes);

  tag.genre = 255;
  WriteID3v1(bare, tag);
  EXPECT_EQ(tail(bare).right(2), "\xff\xff");
}

TEST_F(Id3v1Write, OnlyExistingMp3FilesAreWritten) {
  const QString wav = copy(QStringLiteral("tone1k.wav"));
  const QByteArray wavBytes = readBytes(wav);
  const Id3v1Fields tag{QStringLiteral("T"), {}, {}, {}, {}, QStringLiteral("1"), 0};
  WriteID3v1(wav, tag);
  EXPECT_EQ(readBytes(wav), wavBytes);

  const QString missing = dir.filePath(QStringLiteral("missing.mp3"));
  EXPECT_THROW(WriteID3v1(missing, tag), AppError);
  EXPECT_FALSE(QFile::exists(missing));
  const QString folder = dir.filePath(QStringLiteral("folder.mp3"));
  ASSERT_TRUE(QDir().mkdir(folder));
  EXPECT_THROW(WriteID3v1(folder, tag), AppError);
  EXPECT_THROW(WriteTitleArtist(folder, QStringLiteral("T"), QStringLiteral("A")), AppError);

  const QString readOnly = copy(QStringLiteral("tone1k.mp3"), QStringLiteral("ro.mp3"));
  const QByteArray roBytes = readBytes(readOnly);
  QFile(readOnly).setPermissions(QFile::ReadOwner | QFile::ReadGroup);
  // Refused also when the system would let the user (root) write it.
  EXPECT_THROW(WriteID3v1(readOnly, tag), AppError);
  EXPECT_THROW(WriteTitleArtist(readOnly, QStringLiteral("T"), QStringLiteral("A")), AppError);
  EXPECT_EQ(readBytes(readOnly), roBytes);
}

TEST_F(Id3v1Write, AFailedAppendLeavesTheFileAsItWas) {
  const QString path = copy(QStringLiteral("tone1k.mp3"));
  const QByteArray before = readBytes(path);
  {
    lyrovo::testing::FileSizeLimit limit(before.size() + 50);
    EXPECT_THROW(WriteID3v1(path, {QStringLiteral("T"), {}, {}, {}, {}, QStringLiteral("1"), 0}), AppError);
    EXPECT_THROW(WriteTitleArtist(path, QStringLiteral("T"), QStringLiteral("A")), AppError);
  }
  EXPECT_EQ(readBytes(path), before);
}

TEST_F(Id3v1Write, TitleArtistIntoAnExistingTagKeepsTheOtherFields) {
  const QString path = copy(QStringLiteral("id3v1.mp3"));
  const QByteArray before = readBytes(path);
  WriteTitleArtist(path, QStringLiteral("新的标题"), QStringLiteral("New Artist"));

  const QByteArray after = readBytes(path);
  ASSERT_EQ(after.size(), before.size());
  EXPECT_EQ(after.left(after.size() - 125), before.left(before.size() - 125));
  EXPECT_EQ(after.right(65), before.right(65));  // album … genre
  TagFields fields;
  ASSERT_TRUE(ReadID3v1(path, fields));
  EXPECT_EQ(fields.tagTitle, QStringLiteral("新的标题"));
  EXPECT_EQ(fields.tagArtist, QStringLiteral("New Artist"));
  EXPECT_EQ(fields.tagAlbum, QStringLiteral("Album"));
  EXPECT_EQ(fields.tagTrack, 3);
  EXPECT_EQ(fields.tagGenre, QStringLiteral("17"));
}

TEST_F(Id3v1Write, TitleArtistWithoutATagAppendsANewOne) {
  const QString path = copy(QStringLiteral("tone1k.mp3"));
  const QByteArray audio = readBytes(path);
  WriteTitleArtist(path, QStringLiteral("歌名"), QStringLiteral("歌手"));

  const QByteArray after = readBytes(path);
  ASSERT_EQ(after.size(), audio.size() + 128);
  EXPECT_EQ(after.left(audio.size()), audio);
  TagFields fields;
  ASSERT_TRUE(ReadID3v1(path, fields));
  EXPECT_EQ(fields.tagTitle, QStringLiteral("歌名"));
  EXPECT_EQ(fields.tagArtist, QStringLiteral("歌手"));
  EXPECT_TRUE(fields.tagAlbum.isEmpty());
  EXPECT_TRUE(fields.tagYear.isEmpty());
  EXPECT_TRUE(fields.tagComment.isEmpty());
  EXPECT_EQ(fields.tagTrack, 0);
  EXPECT_EQ(fields.tagGenre, QStringLiteral("255"));

  // A second call finds the new tag and keeps the size.
  WriteTitleArtist(path, QStringLiteral("Again"), QString());
  EXPECT_EQ(QFileInfo(path).size(), audio.size() + 128);

  const QString wma = copy(QStringLiteral("tone1k.wma"));
  const QByteArray wmaBytes = readBytes(wma);
  WriteTitleArtist(wma, QStringLiteral("T"), QStringLiteral("A"));
  EXPECT_EQ(readBytes(wma), wmaBytes);
}

using LibraryRead = TagsTest;

TEST_F(LibraryRead, Mp3FallbackUsesId3v2AndApeButNeverId3v1) {
  const LibraryTags v2 = readLibraryTags(fixture(QStringLiteral("id3v2.mp3")), true);
  EXPECT_EQ(v2.title, QStringLiteral("V2 Title"));
  EXPECT_EQ(v2.artist, QStringLiteral("V2 Artist"));
  EXPECT_FALSE(v2.album);

  const LibraryTags v1 = readLibraryTags(fixture(QStringLiteral("id3v1.mp3")), true);
  EXPECT_FALSE(v1.title);
  EXPECT_FALSE(v1.artist);
  EXPECT_FALSE(readLibraryTags(fixture(QStringLiteral("id3v1.mp3")), false).title);

  const QString ape = copy(QStringLiteral("tone1k.mp3"));
  {
    TagLib::MPEG::File file(QFile::encodeName(ape).constData());
    file.APETag(true)->setTitle(TagLib::String("APE 标题", TagLib::String::UTF8));
    file.APETag(true)->setArtist("Ape Artist");
    ASSERT_TRUE(file.save(TagLib::MPEG::File::APE, TagLib::File::StripNone));
  }
  const LibraryTags apeTags = readLibraryTags(ape, true);
  EXPECT_EQ(apeTags.title, QStringLiteral("APE 标题"));
  EXPECT_EQ(apeTags.artist, QStringLiteral("Ape Artist"));
}

using GetTagsTest = TagsTest;

TEST_F(GetTagsTest, Mp3TagsFromId3v1CompletedByTheLibrary) {
  const TagFields v1 = tagsOf(fixture(QStringLiteral("id3v1.mp3")));
  EXPECT_EQ(v1.tagTitle, QStringLiteral("moon song"));  // normalised
  EXPECT_EQ(v1.tagArtist, QStringLiteral("singer"));
  EXPECT_EQ(v1.tagAlbum, QStringLiteral("Album"));
  EXPECT_EQ(v1.tagYear, QStringLiteral("2007"));
  EXPECT_EQ(v1.tagComment, QStringLiteral("comment"));
  EXPECT_EQ(v1.tagTrack, 3);
  EXPECT_EQ(v1.tagGenre, QStringLiteral("17"));

  // No ID3v1 tag: title and artist from the ID3v2 tag.
  const TagFields v2 = tagsOf(fixture(QStringLiteral("id3v2.mp3")));
  EXPECT_EQ(v2.tagTitle, QStringLiteral("v2 title"));
  EXPECT_EQ(v2.tagArtist, QStringLiteral("v2 artist"));

  // An ID3v1 title without artist: both are read again, the library's title wins.
  const QString both = copy(QStringLiteral("id3v2.mp3"));
  WriteID3v1(both,
             {QStringLiteral("V1 Title"), {}, QStringLiteral("V1 Album"), {}, {}, QStringLiteral("4"), 8});
  const TagFields mixed = tagsOf(both);
  EXPECT_EQ(mixed.tagTitle, QStringLiteral("v2 title"));
  EXPECT_EQ(mixed.tagArtist, QStringLiteral("v2 artist"));
  EXPECT_EQ(mixed.tagAlbum, QStringLiteral("V1 Album"));
  EXPECT_EQ(mixed.tagTrack, 4);

  // Nothing in the library: the ID3v1 title stays.
  const TagFields noArtist = tagsOf(fixture(QStringLiteral("id3v1-noartist.mp3")));
  EXPECT_EQ(noArtist.tagTitle, QStringLiteral("only title"));
  EXPECT_EQ(noArtist.tagArtist, Unknown);
}

TEST_F(GetTagsTest, LayerOneAndTwoFilesReadTheirId3v1Tag) {
  QByteArray tag = "TAG";
  tag += QByteArray("Layer Two").leftJustified(30, '\0');
  tag += QByteArray("Band").leftJustified(30, '\0');
  tag += QByteArray("Record").leftJustified(30, '\0');
  tag += "1999";
  tag += QByteArray(28, '\0') + '\0' + char(7);
  tag += char(12);
  for (const char* name : {"layer.mp2", "layer.MP1"}) {
    const QString path = copy(QStringLiteral("tone1k.mp2"), QString::fromLatin1(name));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::Append));
    ASSERT_EQ(file.write(tag), 128);
    file.close();
    const TagFields fields = tagsOf(path);
    EXPECT_EQ(fields.tagTitle, QStringLiteral("layer two")) << name;
    EXPECT_EQ(fields.tagArtist, QStringLiteral("band")) << name;
    EXPECT_EQ(fields.tagAlbum, QStringLiteral("Record")) << name;
    EXPECT_EQ(fields.tagYear, QStringLiteral("1999")) << name;
    EXPECT_EQ(fields.tagTrack, 7) << name;
    EXPECT_EQ(fields.tagGenre, QStringLiteral("12")) << name;
  }
}

TEST_F(GetTagsTest, TaglessFilesTakeTheTitleFromTheFileName) {
  const TagFields intro = tagsOf(fixture(QStringLiteral("01 Intro.mp3")));
  EXPECT_EQ(intro.tagTitle, QStringLiteral("01 Intro"));
  EXPECT_EQ(intro.tagArtist, Unknown);

  // Traditional characters of the file name become simplified.
  const TagFields chinese = tagsOf(copy(QStringLiteral("tone1k.mp3"), QStringLiteral("愛的.歌.mp3")));
  EXPECT_EQ(chinese.tagTitle, QStringLiteral("爱的.歌"));

  const QString folder = dir.filePath(QStringLiteral("a.b"));
  ASSERT_TRUE(QDir().mkdir(folder));
  ASSERT_TRUE(QFile::copy(fixture(QStringLiteral("tone1k.wav")), folder + QStringLiteral("/NoExt")));
  TagFields noExt;
  GetTags(noExt, folder + QStringLiteral("/NoExt"), QStringLiteral("b/noext"), 2.0);
  EXPECT_EQ(noExt.tagTitle, QStringLiteral("NoExt"));
}

TEST_F(GetTagsTest, GenreByteIsKeptAsNumberText) {
  const QString path = copy(QStringLiteral("tone1k.mp3"));
  WriteID3v1(path, {QStringLiteral("T"), QStringLiteral("A"), {}, {}, {}, QStringLiteral("0"), 255});
  const TagFields fields = tagsOf(path);
  EXPECT_EQ(fields.tagGenre, QStringLiteral("255"));
  EXPECT_EQ(genreName(fields.tagGenre.toInt()), QStringLiteral("未知流派"));
}

TEST_F(GetTagsTest, OtherFormatsThroughTheLibrary) {
  const TagFields ogg = tagsOf(fixture(QStringLiteral("tagged.ogg")), 2.5);
  EXPECT_EQ(ogg.tagTitle, QStringLiteral("ogg title"));
  EXPECT_EQ(ogg.tagArtist, QStringLiteral("ogg artist"));
  EXPECT_EQ(ogg.tagAlbum, QStringLiteral("Ogg Album"));
  EXPECT_EQ(ogg.tagTrack, 5);
  EXPECT_EQ(ogg.tagGenre, QStringLiteral("Rock"));
  EXPECT_EQ(ogg.infoLength, 2);  // half to even

  const TagFields wav = tagsOf(fixture(QStringLiteral("tagged.wav")), 3.5);
  EXPECT_EQ(wav.tagTitle, QStringLiteral("wave title"));
  EXPECT_EQ(wav.tagArtist, QStringLiteral("波浪"));
  EXPECT_EQ(wav.tagAlbum, QStringLiteral("Wave Album"));
  EXPECT_EQ(wav.infoLength, 4);

  const TagFields wma = tagsOf(fixture(QStringLiteral("tagged.wma")));
  EXPECT_EQ(wma.tagTitle, QStringLiteral("月亮"));
  EXPECT_EQ(wma.tagArtist, QStringLiteral("wma artist"));
  EXPECT_EQ(wma.tagTrack, 7);
  EXPECT_EQ(wma.tagGenre, QStringLiteral("Jazz"));

  // A track number too large for the field counts as none.
  const QString bigTrack = copy(QStringLiteral("tagged.ogg"));
  {
    TagLib::Ogg::Vorbis::File file(QFile::encodeName(bigTrack).constData());
    file.tag()->setTrack(99999);
    ASSERT_TRUE(file.save());
  }
  EXPECT_EQ(tagsOf(bigTrack).tagTrack, 0);
  EXPECT_EQ(tagsOf(bigTrack).tagTitle, QStringLiteral("ogg title"));
}

TEST_F(GetTagsTest, EachReadStartsFromEmptyFields) {
  TagFields fields;
  GetTags(fields, fixture(QStringLiteral("tagged.ogg")), QStringLiteral("ogg"), 2.0);
  ASSERT_EQ(fields.tagTrack, 5);
  GetTags(fields, fixture(QStringLiteral("tone1k.wav")), QStringLiteral("wav"), 2.0);
  EXPECT_EQ(fields.tagTitle, QStringLiteral("tone1k"));
  EXPECT_EQ(fields.tagArtist, Unknown);
  EXPECT_TRUE(fields.tagAlbum.isEmpty());
  EXPECT_TRUE(fields.tagGenre.isEmpty());
  EXPECT_EQ(fields.tagTrack, 0);
}

TEST_F(GetTagsTest, BrokenAndMissingFilesGiveTheFileName) {
  for (const char* name : {"empty.mp3", "random.mp3", "dir.mp3", "missing.mp3", "truncated.mp3",
                           "truncated.ogg", "lying-header.wav", "mp3-named.ogg", "note.mid"}) {
    const QString path = fixture(QString::fromLatin1(name));
    const TagFields fields = tagsOf(path, 0.0);
    EXPECT_EQ(fields.tagTitle, QFileInfo(path).completeBaseName()) << name;
    EXPECT_EQ(fields.tagArtist, Unknown) << name;
    EXPECT_EQ(fields.infoLength, 0);
  }
}

using GetInfosTest = TagsTest;

TEST_F(GetInfosTest, ChannelsRateAndType) {
  TagFields fields;
  EXPECT_EQ(
      GetInfos(fields, fixture(QStringLiteral("tone1k-mono.wav")), 44100, 1, QStringLiteral("PCM WAVE"), 2),
      QStringLiteral("单声道"));
  EXPECT_EQ(fields.infoChannels, QStringLiteral("单声道"));
  EXPECT_EQ(fields.infoType, QStringLiteral("PCM WAVE"));
  EXPECT_EQ(fields.infoFreq, QStringLiteral("44.1kHz"));
  EXPECT_EQ(fields.infoLength, 2);
  EXPECT_EQ(fields.infoBitrate, QStringLiteral("705kbps"));  // 176 444 bytes × 8 ÷ 2 s
  EXPECT_EQ(fields.infoSize, QStringLiteral("0.17MB"));

  EXPECT_EQ(GetInfos(fields, fixture(QStringLiteral("tone1k.wav")), 48000, 2, QStringLiteral("x"), 2),
            QStringLiteral("立体声"));
  EXPECT_EQ(fields.infoFreq, QStringLiteral("48.0kHz"));
  EXPECT_EQ(GetInfos(fields, fixture(QStringLiteral("tone1k-6ch.wav")), 22050, 6, QStringLiteral("x"), 2),
            QStringLiteral("未知"));
  EXPECT_EQ(fields.infoChannels, QStringLiteral("未知"));
}

TEST_F(GetInfosTest, SizeTextKeepsFourCharacters) {
  TagFields fields;
  GetInfos(fields, sized(QStringLiteral("small.mp3"), 900), 44100, 2, {}, 1);
  EXPECT_EQ(fields.infoSize, QStringLiteral("0.00MB"));
  GetInfos(fields, sized(QStringLiteral("mid.mp3"), 3690000), 44100, 2, {}, 30);
  EXPECT_EQ(fields.infoSize, QStringLiteral("3.52MB"));
  EXPECT_EQ(fields.infoBitrate, QStringLiteral("984kbps"));
  GetInfos(fields, sized(QStringLiteral("big.mp3"), 123456789), 44100, 2, {}, 600);
  EXPECT_EQ(fields.infoSize, QStringLiteral("117.MB"));
}

TEST_F(GetInfosTest, BitRateIn64BitsAndZeroForNoLength) {
  TagFields fields;
  // 300 MiB: × 8 does not fit in 32 bits.
  const QString huge = sized(QStringLiteral("huge.mp3"), 300LL * 1024 * 1024);
  GetInfos(fields, huge, 44100, 2, {}, 60.2);
  EXPECT_EQ(fields.infoLength, 60);
  EXPECT_EQ(fields.infoBitrate, QStringLiteral("41943kbps"));
  EXPECT_EQ(fields.infoSize, QStringLiteral("300.MB"));

  // A stream without length still gets every text.
  GetInfos(fields, huge, 8000, 1, QStringLiteral("MPEG layer 3"), 0.4);
  EXPECT_EQ(fields.infoLength, 0);
  EXPECT_EQ(fields.infoBitrate, QStringLiteral("0kbps"));
  EXPECT_EQ(fields.infoSize, QStringLiteral("300.MB"));
  EXPECT_EQ(fields.infoFreq, QStringLiteral("8.0kHz"));

  GetInfos(fields, dir.filePath(QStringLiteral("gone.mp3")), 44100, 2, {}, 10);
  EXPECT_EQ(fields.infoBitrate, QStringLiteral("0kbps"));
  EXPECT_EQ(fields.infoSize, QStringLiteral("0.00MB"));
}

}  // namespace
}  // namespace lyrovo
