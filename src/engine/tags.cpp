#include "engine/tags.h"

#include "base/apperror.h"
#include "engine/librarytags.h"
#include "text/encoding.h"
#include "text/numeric.h"
#include "text/pattern.h"
#include "text/textutil.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cmath>
#include <cstdint>
#include <limits>

namespace lyrovo {

namespace {

constexpr qint64 TagSize = 128;
constexpr int TitleOffset = 3;  // offsets inside the 128-byte tag
constexpr int ArtistOffset = 33;
constexpr int AlbumOffset = 63;
constexpr int YearOffset = 93;
constexpr int CommentOffset = 97;
constexpr int TrackOffset = 126;
constexpr int GenreOffset = 127;
constexpr int TextWidth = 30;  // title, artist, album
constexpr int YearWidth = 4;
constexpr int CommentWidth = 28;

constexpr int TypeMismatch = 13;
constexpr std::uint8_t NoGenre = 255;

const char16_t* const GenreText =
    u"Blues|Classic Rock|Country|Dance|Disco|Funk|Grunge|Hip-Hop|Jazz|Metal|New Age|Oldies|Other|Pop|R&B|Rap|"
    u"Reggae|Rock|Techno|Industrial|Alternative|Ska|Death Metal|Pranks|Soundtrack|Euro-Techno|Ambient|Trip "
    u"Hop|Vocal|Jazz+Funk|Fusion|Trance|Classical|Instrumental|Acid|House|Game|Sound "
    u"Clip|Gospel|Noise|Alt. Rock|Bass|Soul|Punk|Space|Meditative|Instrumental Pop|Instrumental "
    u"Rock|Ethnic|Gothic|Darkwave|Techno-Industrial|Electronic|Pop-Folk|Eurodance|Dream|Southern "
    u"Rock|Comedy|Cult|Gangsta Rap|Top 40|Christian Rap|Pop/Punk|Jungle|Native "
    u"American|Cabaret|New Wave|Phychedelic|Rave|Showtunes|Trailer|Lo-Fi|Tribal|Acid Punk|Acid "
    u"Jazz|Polka|Retro|Musical|Rock & Roll|Hard Rock|Folk|Folk/Rock|National "
    u"Folk|Swing|Fast-Fusion|Bebob|Latin|Revival|Celtic|Blue Grass|Avantegarde|Gothic Rock|Progressive "
    u"Rock|Psychedelic Rock|Symphonic Rock|Slow Rock|Big Band|Chorus|Easy "
    u"Listening|Acoustic|Humour|Speech|Chanson|Opera|Chamber Music|Sonata|Symphony|Booty Bass|Primus|Porn "
    u"Groove|Satire|Slow Jam|Club|Tango|Samba|Folklore|Ballad|power Ballad|Rhythmic "
    u"Soul|Freestyle|Duet|Punk Rock|Drum Solo|A Capella|Euro-House|Dance Hall|Goa|Drum & "
    u"Bass|Club-House|Hardcore|Terror|indie|Brit Pop|Negerpunk|Polsk Punk|Beat|Christian Gangsta Rap|Heavy "
    u"Metal|Black Metal|Crossover|Comteporary Christian|Christian Rock|Merengue|Salsa|Trash "
    u"Metal|Anime|JPop|Synth Pop";

struct TypeName {
  std::uint32_t code;
  const char* name;
};
constexpr TypeName TypeNames[] = {
    {0x00000100, "MO3 MUSIC"},
    {0x00010002, "Ogg Vorbis"},
    {0x00010003, "MPEG layer 1"},
    {0x00010004, "MPEG layer 2"},
    {0x00010005, "MPEG layer 3"},
    {0x00010006, "Audio IFF"},
    {0x00020000, "MOD MUSIC"},
    {0x00020001, "MTM MUSIC"},
    {0x00020002, "S3M MUSIC"},
    {0x00020003, "XM MUSIC"},
    {0x00020004, "IT MUSIC"},
    {0x00050001, "PCM WAVE"},
    {0x00050003, "Floating-point WAVE"},
};
constexpr std::uint32_t WaveBit = 0x00040000;

bool isMp3Path(const QString& path) { return like(path.toLower(), u"*.mp3"); }
// MPEG audio of any layer ends in an ID3v1 tag when it has one.
bool isMpegPath(const QString& path) {
  const QString type = fileTypeOf(path);
  return type == u"mp3" || type == u"mp2" || type == u"mp1";
}

// Removes leading and trailing blanks (spaces only, as the tag pads with them).
QString trimBlanks(const QString& s) {
  qsizetype begin = 0;
  qsizetype end = s.size();
  while (begin < end && s[begin] == u' ') ++begin;
  while (end > begin && s[end - 1] == u' ') --end;
  return s.mid(begin, end - begin);
}

// One text field of a tag: the bytes up to the first zero byte, decoded.
QString readField(const QByteArray& tag, int offset, int width) {
  QByteArray bytes = tag.mid(offset, width);
  const qsizetype zero = bytes.indexOf('\0');
  if (zero >= 0) bytes.truncate(zero);
  return trimBlanks(decodeText(bytes));
}

// The GBK bytes of text in exactly width bytes: cut after the last whole
// character that fits, then padded with blanks.
QByteArray fieldBytes(const QString& text, int width) {
  QByteArray out;
  out.reserve(width);
  for (qsizetype i = 0; i < text.size();) {
    const qsizetype length =
        text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2 : 1;
    const QByteArray bytes = encodeGbk(text.mid(i, length));
    if (out.size() + bytes.size() > width) break;
    out += bytes;
    i += length;
  }
  out.append(width - out.size(), ' ');
  return out;
}

// A decimal number ("3", " 12 ", "2.5", "1e2") or a "&H"/"&O" number, with
// the blanks around it that val() skips.
bool isNumberText(const QString& text) {
  static const QRegularExpression number(QStringLiteral(
      R"(^[ \t\n]*(?:[+-]?(?:[0-9]+\.?[0-9]*|\.[0-9]+)(?:[eEdD][+-]?[0-9]+)?|&[hH][0-9a-fA-F]+|&[oO][0-7]+)[ \t\n]*$)"));
  return number.match(text).hasMatch();
}

// The track byte of the media information window's track text.
std::uint8_t trackByte(const QString& text) {
  if (!isNumberText(text)) throw AppError(TypeMismatch, QStringLiteral("Type mismatch"));
  const double value = nearest(val(text));
  if (!(value >= 0 && value <= 255)) throw errors::overflow();
  return std::uint8_t(value);
}

QByteArray tagRecord(const QString& title, const QString& artist, const QString& album, const QString& year,
                     const QString& comment, std::uint8_t track, std::uint8_t genre) {
  QByteArray tag = "TAG";
  tag += fieldBytes(title, TextWidth);
  tag += fieldBytes(artist, TextWidth);
  tag += fieldBytes(album, TextWidth);
  tag += fieldBytes(year, YearWidth);
  tag += fieldBytes(comment, CommentWidth);
  tag += '\0';
  tag += char(track);
  tag += char(genre);
  Q_ASSERT(tag.size() == TagSize);
  return tag;
}

// An mp3 file open for writing, with the position of its ID3v1 tag.
class TagFile {
 public:
  explicit TagFile(const QString& path) : file_(path) {
    const QFileInfo info(path);
    if (!info.exists()) throw AppError(errors::FileNotFound, QStringLiteral("File not found: ") + path);
    if (!info.isFile()) throw errors::pathAccess(path);
    // A file marked read-only stays untouched, also for a user (root) whom
    // the system would let write it anyway.
    constexpr QFileDevice::Permissions anyWrite =
        QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    if (!(info.permissions() & anyWrite))
      throw AppError(errors::PermissionDenied, QStringLiteral("Permission denied: ") + path);
    // ExistingOnly: a file removed meanwhile is not created anew. Unbuffered:
    // bytes a failed write could not place must not linger in a buffer that
    // a later resize or close would try to write again.
    if (!file_.open(QIODevice::ReadWrite | QIODevice::ExistingOnly | QIODevice::Unbuffered))
      throw errors::pathAccess(path);
    size_ = file_.size();
    if (size_ >= TagSize && file_.seek(size_ - TagSize)) hasTag_ = file_.read(3) == "TAG";
  }

  bool hasTag() const { return hasTag_; }

  // Writes bytes at offset within the existing tag.
  void writeInTag(int offset, const QByteArray& bytes) { write(size_ - TagSize + offset, bytes); }

  // Appends a whole tag; on a failure the file is cut back to its old size.
  void append(const QByteArray& tag) {
    try {
      write(size_, tag);
    } catch (...) {
      file_.resize(size_);
      throw;
    }
  }

 private:
  void write(qint64 at, const QByteArray& bytes) {
    if (!file_.seek(at) || file_.write(bytes) != bytes.size()) {
      if (file_.error() == QFileDevice::ResourceError)
        throw AppError(errors::DiskFull, QStringLiteral("Disk full: ") + file_.fileName());
      throw errors::pathAccess(file_.fileName());
    }
  }

  QFile file_;
  qint64 size_ = 0;
  bool hasTag_ = false;
};

// Seconds rounded to a whole number, halves to even; 0 when out of range.
std::int32_t wholeSeconds(double seconds) {
  if (!std::isfinite(seconds)) return 0;
  const double rounded = nearest(seconds);
  if (rounded < std::numeric_limits<std::int32_t>::min() ||
      rounded > std::numeric_limits<std::int32_t>::max())
    return 0;
  return std::int32_t(rounded);
}

// The file's name without folder and extension.
QString baseName(const QString& path) {
  const qsizetype start = path.lastIndexOf(u'/') + 1;
  qsizetype end = path.lastIndexOf(u'.');
  if (end < start) end = path.size();  // no extension: the "." belongs to a folder
  return path.mid(start, end - start);
}

qint64 fileSize(const QString& path) {
  const QFileInfo info(path);
  return info.isFile() ? info.size() : 0;
}

// size ÷ 1024 ÷ 1024 with two decimals, halves rounded up.
QString megabytes(qint64 size) {
  constexpr qint64 MiB = 1024 * 1024;
  if (size < 0) size = 0;
  const qint64 hundredths = size / MiB * 100 + ((size % MiB) * 200 + MiB) / (2 * MiB);
  return QString::number(hundredths / 100) + u'.' +
         QStringLiteral("%1").arg(hundredths % 100, 2, 10, QChar(u'0'));
}

}  // namespace

const QStringList& genreTable() {
  static const QStringList table = QString::fromUtf16(GenreText).split(u'|');
  return table;
}

QString genreName(int number) {
  const QStringList& table = genreTable();
  if (number < 0 || number >= table.size()) return QStringLiteral("未知流派");
  return table[number];
}

QString CTypeName(std::uint32_t code, const std::vector<PluginFormat>& pluginFormats) {
  for (const PluginFormat& format : pluginFormats)
    if (format.typeCode == code) return format.name;
  for (const TypeName& entry : TypeNames)
    if (entry.code == code) return QString::fromLatin1(entry.name);
  if (code & WaveBit) return QStringLiteral("WAVE");
  return QStringLiteral("?");
}

QString fileTypeOf(const QString& path) { return path.mid(path.lastIndexOf(u'.') + 1).toLower(); }

bool ReadID3v1(const QString& path, TagFields& fields) {
  if (!isMpegPath(path)) return false;
  if (!QFileInfo(path).isFile()) return false;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  const qint64 size = file.size();
  if (size < TagSize || !file.seek(size - TagSize)) return false;
  const QByteArray tag = file.read(TagSize);
  if (tag.size() != TagSize || !tag.startsWith("TAG")) return false;

  fields.tagTitle = readField(tag, TitleOffset, TextWidth);
  fields.tagArtist = readField(tag, ArtistOffset, TextWidth);
  fields.tagAlbum = readField(tag, AlbumOffset, TextWidth);
  fields.tagYear = readField(tag, YearOffset, YearWidth);
  fields.tagComment = readField(tag, CommentOffset, CommentWidth);
  fields.tagGenre = QString::number(std::uint8_t(tag[GenreOffset]));
  fields.tagTrack = std::uint8_t(tag[TrackOffset]);
  return true;
}

void WriteID3v1(const QString& path, const Id3v1Fields& fields) {
  if (!isMp3Path(path)) return;
  const std::uint8_t track = trackByte(fields.track);
  if (fields.genre < 0 || fields.genre > 255) throw errors::overflow();
  const QByteArray tag = tagRecord(fields.title, fields.artist, fields.album, fields.year, fields.comment,
                                   track, std::uint8_t(fields.genre));

  TagFile file(path);
  if (file.hasTag())
    file.writeInTag(0, tag);
  else
    file.append(tag);
}

void WriteTitleArtist(const QString& path, const QString& title, const QString& artist) {
  if (!isMp3Path(path)) return;
  TagFile file(path);
  if (file.hasTag()) {
    // Title and artist lie side by side; album, year, comment, track and genre stay.
    file.writeInTag(TitleOffset, fieldBytes(title, TextWidth) + fieldBytes(artist, TextWidth));
  } else {
    file.append(tagRecord(title, artist, {}, {}, {}, 0, NoGenre));
  }
}

void GetTags(TagFields& fields, const QString& path, const QString& fileType, double lengthSeconds,
             const ErrorLog* log) {
  fields.tagTitle.clear();
  fields.tagArtist.clear();
  fields.tagAlbum.clear();
  fields.tagGenre.clear();
  fields.tagYear.clear();
  fields.tagComment.clear();
  fields.tagTrack = 0;

  // Every MPEG audio layer may end in an ID3v1 tag, which the program reads itself.
  if (!isMpegPath(u'.' + fileType)) {
    const LibraryTags lib = readLibraryTags(path, false);
    if (lib.title) fields.tagTitle = *lib.title;
    if (lib.artist) fields.tagArtist = *lib.artist;
    if (lib.album) fields.tagAlbum = *lib.album;
    if (lib.track) {
      // A track text too large for the field counts as no track.
      const double track = nearest(val(*lib.track));
      if (track >= std::numeric_limits<std::int16_t>::min() &&
          track <= std::numeric_limits<std::int16_t>::max())
        fields.tagTrack = std::int16_t(track);
    }
    if (lib.genre) fields.tagGenre = *lib.genre;
    if (lib.year) fields.tagYear = *lib.year;
    if (lib.comment) fields.tagComment = *lib.comment;
  } else {
    ReadID3v1(path, fields);
    if (fields.tagTitle.isEmpty() || fields.tagArtist.isEmpty()) {
      const LibraryTags lib = readLibraryTags(path, true);
      if (lib.title) fields.tagTitle = *lib.title;
      if (lib.artist) fields.tagArtist = *lib.artist;
    }
  }

  fields.infoLength = wholeSeconds(lengthSeconds);
  fields.tagTitle = StringDeal(fields.tagTitle, log);
  fields.tagArtist = StringDeal(fields.tagArtist, log);
  if (fields.tagTitle.isEmpty()) fields.tagTitle = GBK2GB(baseName(path), log);
  if (fields.tagArtist.isEmpty()) fields.tagArtist = QStringLiteral("未知歌手");
}

QString GetInfos(TagFields& fields, const QString& path, int sampleRate, int channels,
                 const QString& typeName, double lengthSeconds) {
  fields.infoChannels = channels == 1   ? QStringLiteral("单声道")
                        : channels == 2 ? QStringLiteral("立体声")
                                        : QStringLiteral("未知");
  fields.infoType = typeName;
  // Tenths of a kHz, halves rounded away from zero.
  const long long tenths = std::llround(sampleRate / 100.0);
  fields.infoFreq = QString::number(double(tenths) / 10.0, 'f', 1) + QStringLiteral("kHz");
  fields.infoLength = wholeSeconds(lengthSeconds);

  // 64-bit: files of 256 MiB and more overflow 32 bits once multiplied by 8.
  // A stream without length has no average bit rate.
  const qint64 size = fileSize(path);
  qint64 bitsPerSecond = 0;
  if (fields.infoLength > 0) bitsPerSecond = qint64(nearest(double(size) * 8.0 / fields.infoLength));
  fields.infoBitrate = QString::number(bitsPerSecond / 1000) + QStringLiteral("kbps");
  fields.infoSize = megabytes(size).left(4) + QStringLiteral("MB");
  return fields.infoChannels;
}

}  // namespace lyrovo
