#include "engine/librarytags.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>

#include <aifffile.h>
#include <apetag.h>
#include <asffile.h>
#include <fileref.h>
#include <flacfile.h>
#include <id3v2tag.h>
#include <infotag.h>
#include <mp4file.h>
#include <mpegfile.h>
#include <oggfile.h>
#include <tag.h>
#include <tstring.h>
#include <wavfile.h>
#include <xiphcomment.h>

#include <initializer_list>
#include <vector>

namespace lyrovo {

namespace {

std::optional<QString> text(const TagLib::String& s) {
  if (s.isEmpty()) return std::nullopt;
  const std::string utf8 = s.to8Bit(true);
  QString out = QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
  if (out.isEmpty()) return std::nullopt;
  return out;
}

std::optional<QString> number(unsigned int n) {
  if (n == 0) return std::nullopt;
  return QString::number(n);
}

struct NamedTag {
  const char* kind;
  const TagLib::Tag* tag;
};

// Each field from the first tag, in the order given, that has it.
LibraryTags merge(std::initializer_list<NamedTag> tags) {
  LibraryTags out;
  for (const auto& [kind, tag] : tags) {
    if (!tag || tag->isEmpty()) continue;
    out.kinds << QString::fromUtf8(kind);
    if (!out.title) out.title = text(tag->title());
    if (!out.artist) out.artist = text(tag->artist());
    if (!out.album) out.album = text(tag->album());
    if (!out.track) out.track = number(tag->track());
    if (!out.genre) out.genre = text(tag->genre());
    if (!out.year) out.year = number(tag->year());
    if (!out.comment) out.comment = text(tag->comment());
  }
  return out;
}

// An MPEG file's own tags without its ID3v1 tag, which the library would
// decode as Latin-1 whatever code page wrote it.
LibraryTags mpegTags(TagLib::MPEG::File& file) {
  if (!file.isValid()) return {};
  return merge({{"ID3v2", file.hasID3v2Tag() ? file.ID3v2Tag() : nullptr},
                {"APE", file.hasAPETag() ? file.APETag() : nullptr}});
}

// The name of the one tag kind the other formats carry.
const char* kindOf(TagLib::File* file) {
  if (dynamic_cast<TagLib::Ogg::File*>(file)) return "Vorbis 注释";
  if (dynamic_cast<TagLib::MP4::File*>(file)) return "MP4";
  if (dynamic_cast<TagLib::ASF::File*>(file)) return "ASF";
  if (dynamic_cast<TagLib::RIFF::AIFF::File*>(file)) return "ID3v2";
  return "标签";
}

}  // namespace

LibraryTags readLibraryTags(const QString& path, bool mp3Fallback) {
  // The library opens whatever it is given; folders, devices and missing
  // files are kept away from it.
  const QFileInfo info(path);
  if (!info.isFile() || !info.isReadable()) return {};
  const QByteArray name = QFile::encodeName(path);

  if (mp3Fallback) {
    TagLib::MPEG::File file(name.constData(), false);
    return mpegTags(file);
  }

  const TagLib::FileRef ref(name.constData(), false);
  if (ref.isNull()) return {};
  TagLib::File* file = ref.file();
  if (!file->isValid()) return {};

  if (auto* mpeg = dynamic_cast<TagLib::MPEG::File*>(file)) return mpegTags(*mpeg);
  if (auto* wav = dynamic_cast<TagLib::RIFF::WAV::File*>(file)) {
    // The RIFF INFO texts are not part of tag() for WAVE files.
    return merge({{"ID3v2", wav->hasID3v2Tag() ? wav->ID3v2Tag() : nullptr},
                  {"RIFF INFO", wav->hasInfoTag() ? wav->InfoTag() : nullptr}});
  }
  if (auto* flac = dynamic_cast<TagLib::FLAC::File*>(file)) {
    return merge({{"Vorbis 注释", flac->hasXiphComment() ? flac->xiphComment() : nullptr},
                  {"ID3v2", flac->hasID3v2Tag() ? flac->ID3v2Tag() : nullptr}});
  }
  return merge({{kindOf(file), ref.tag()}});
}

}  // namespace lyrovo
