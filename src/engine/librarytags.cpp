#include "engine/librarytags.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>

#include <apetag.h>
#include <fileref.h>
#include <flacfile.h>
#include <id3v2tag.h>
#include <infotag.h>
#include <mpegfile.h>
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

// Each field from the first tag, in the order given, that has it.
LibraryTags merge(std::initializer_list<const TagLib::Tag*> tags) {
  LibraryTags out;
  for (const TagLib::Tag* tag : tags) {
    if (!tag) continue;
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
  return merge({file.hasID3v2Tag() ? file.ID3v2Tag() : nullptr, file.hasAPETag() ? file.APETag() : nullptr});
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
    return merge(
        {wav->hasID3v2Tag() ? wav->ID3v2Tag() : nullptr, wav->hasInfoTag() ? wav->InfoTag() : nullptr});
  }
  if (auto* flac = dynamic_cast<TagLib::FLAC::File*>(file)) {
    return merge({flac->hasXiphComment() ? flac->xiphComment() : nullptr,
                  flac->hasID3v2Tag() ? flac->ID3v2Tag() : nullptr});
  }
  return merge({ref.tag()});
}

}  // namespace lyrovo
