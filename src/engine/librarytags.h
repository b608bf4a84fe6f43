#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace lyrovo {

// Tag texts found by the tag library; a field that is absent or empty is
// std::nullopt.
struct LibraryTags {
  std::optional<QString> title;
  std::optional<QString> artist;
  std::optional<QString> album;
  std::optional<QString> track;
  std::optional<QString> genre;
  std::optional<QString> year;
  std::optional<QString> comment;
  // The kinds of tag the texts came from, in the order read ("ID3v2", "APE",
  // "Vorbis 注释", "MP4", "ASF", "RIFF INFO"); only tags that hold something.
  QStringList kinds;
};

// Reads the tags of a file through the tag library, the format chosen by
// the file's extension. With mp3Fallback the file is read as MPEG audio and
// only its ID3v2 and APE tags are used. ID3v1 tags are never read here: the
// program reads them itself (ReadID3v1) with the right text encoding. WAVE
// files give their ID3v2 tag, then their RIFF INFO texts. Files that cannot
// be read (missing, empty, corrupt, a folder) give no fields.
LibraryTags readLibraryTags(const QString& path, bool mp3Fallback);

}  // namespace lyrovo
