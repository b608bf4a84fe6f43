#pragma once

#include "engine/pluginformat.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace lyrovo {

class ErrorLog;

// The tags and the stream description of the file read last. One set lives
// in the application context and every read overwrites it.
struct TagFields {
  QString tagTitle;
  QString tagArtist;  // "未知歌手" when no artist is found
  QString tagAlbum;
  QString tagYear;
  QString tagComment;
  std::int16_t tagTrack = 0;  // 0 = none
  QString tagGenre;           // mp3: the ID3v1 genre number as text ("17"); others: the genre name

  QString infoType;             // format name, see CTypeName
  QString infoFreq;             // "44.1kHz"
  QString infoBitrate;          // "128kbps"
  QString infoSize;             // "3.52MB"
  QString infoChannels;         // "单声道", "立体声" or "未知"
  std::int32_t infoLength = 0;  // whole seconds
};

// The 148 ID3v1 genre names (numbers 0..147) in the program's own spellings.
const QStringList& genreTable();
// The name of a genre number; "未知流派" for numbers outside the table.
QString genreName(int number);

// The display name of a stream type code. The decoding plug-in's formats are
// searched first (pass an empty list for streams the engine decodes itself),
// then the engine's own table; other codes with the WAVE bit 0x00040000 give
// "WAVE", anything else "?".
QString CTypeName(std::uint32_t code, const std::vector<PluginFormat>& pluginFormats);

// The lower-cased text after the last "." of path; the whole path
// lower-cased when it has no ".".
QString fileTypeOf(const QString& path);

// Reads the ID3v1 tag in the last 128 bytes of an MPEG audio file ("*.mp3",
// "*.mp2", "*.mp1") into title,
// artist, album, year, comment (decoded as UTF-8 when valid, else GB18030;
// a zero byte ends a field; blanks trimmed), genre (number as text) and
// track. Returns false, leaving the fields alone, when the path is not MPEG
// audio, the file cannot be read or it has no tag.
bool ReadID3v1(const QString& path, TagFields& fields);

// The texts of an ID3v1 tag as the media information window edits them.
struct Id3v1Fields {
  QString title;
  QString artist;
  QString album;
  QString year;
  QString comment;
  QString track;  // must read as a number from 0 to 255
  int genre = 0;  // 0..255
};

// Writes a complete ID3v1 tag into a "*.mp3" file (other paths are left
// alone): over the existing tag, or appended (the file grows by 128 bytes)
// when there is none. Texts are written in GBK, cut at a whole character and
// padded with blanks. Every byte is prepared before the file is touched and
// the audio data is never written. Throws AppError when the track or genre
// is not a number from 0 to 255 (nothing written) or the file cannot be
// written.
void WriteID3v1(const QString& path, const Id3v1Fields& fields);

// Writes only title and artist into the ID3v1 tag of a "*.mp3" file (other
// paths are left alone). A file without a tag gets a new one with the other
// texts empty, track 0 and genre 255. Throws AppError when the file cannot
// be written.
void WriteTitleArtist(const QString& path, const QString& title, const QString& artist);

// Fills the tag fields of a file and infoLength: ID3v1 first for "mp3"
// (completed by the ID3v2/APE tags when title or artist is missing), the tag
// library for every other type. Title and artist are normalised; an empty
// title becomes the file's name without folder and extension, an empty
// artist "未知歌手". fileType is the engine's lower-cased type of the file.
void GetTags(TagFields& fields, const QString& path, const QString& fileType, double lengthSeconds,
             const ErrorLog* log = nullptr);

// Fills the stream description (infoType … infoLength) from the stream's
// format and length and the file's size. Returns the channel text.
QString GetInfos(TagFields& fields, const QString& path, int sampleRate, int channels,
                 const QString& typeName, double lengthSeconds);

}  // namespace lyrovo
