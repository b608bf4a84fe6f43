#include "lyrics/embeddedlyrics.h"

#include "base/errorlog.h"
#include "base/playerstate.h"
#include "settings/settings.h"

#include <QFile>
#include <QFileInfo>
#include <QStringView>

#include <aifffile.h>
#include <fileref.h>
#include <flacfile.h>
#include <id3v2tag.h>
#include <mpegfile.h>
#include <mpegproperties.h>
#include <synchronizedlyricsframe.h>
#include <tpropertymap.h>
#include <tstring.h>
#include <wavfile.h>

#include <algorithm>
#include <exception>

namespace lyrovo {

namespace {

// What one song may hand over: a real lyric has a few hundred entries and
// a few kilobytes of text.
constexpr int kMaxSyncedEntries = 20000;
constexpr qsizetype kMaxEntryChars = 4096;
constexpr qsizetype kMaxLyricChars = 4 * 1024 * 1024;

QString qtext(const TagLib::String& s, qsizetype limit) {
  const std::string utf8 = s.to8Bit(true);
  return QString::fromUtf8(utf8.data(), qsizetype(std::min<std::size_t>(utf8.size(), std::size_t(limit) * 4)))
      .left(limit);
}

// Whether a text is an LRC lyric: one of its first lines starts with a time tag.
bool hasTimeTags(const QString& text) {
  qsizetype start = 0;
  for (int lines = 0; lines < kLyricReadLines && start < text.size(); ++lines) {
    qsizetype end = text.indexOf(u'\n', start);
    if (end < 0) end = text.size();
    if (IsTimedLyricLine(QStringView(text).mid(start, end - start))) return true;
    start = end + 1;
  }
  return false;
}

// Milliseconds per MPEG frame of the file's stream, 0 when unknown.
double msPerMpegFrame(const TagLib::MPEG::Properties* properties) {
  if (!properties || properties->sampleRate() <= 0) return 0;
  int samples = 1152;
  if (properties->layer() == 1)
    samples = 384;
  else if (properties->layer() == 3 && properties->version() != TagLib::MPEG::Header::Version1)
    samples = 576;
  return samples * 1000.0 / properties->sampleRate();
}

// The synchronised-lyrics frames of an ID3v2 tag that hold lyrics.
void readSyltFrames(const TagLib::ID3v2::Tag* tag, double msPerFrame, std::vector<EmbeddedLyric>& out) {
  if (!tag) return;
  const auto& frames = tag->frameListMap();
  const auto found = frames.find("SYLT");
  if (found == frames.end()) return;
  for (const TagLib::ID3v2::Frame* frame : found->second) {
    const auto* sylt = dynamic_cast<const TagLib::ID3v2::SynchronizedLyricsFrame*>(frame);
    if (!sylt) continue;
    using Frame = TagLib::ID3v2::SynchronizedLyricsFrame;
    const Frame::Type type = sylt->type();
    if (type != Frame::Lyrics && type != Frame::TextTranscription && type != Frame::Other) continue;
    double scale = 1.0;
    if (sylt->timestampFormat() == Frame::AbsoluteMpegFrames) {
      if (msPerFrame <= 0) continue;
      scale = msPerFrame;
    } else if (sylt->timestampFormat() != Frame::AbsoluteMilliseconds) {
      continue;
    }
    std::vector<SyncedText> entries;
    for (const Frame::SynchedText& entry : sylt->synchedText()) {
      if (int(entries.size()) == kMaxSyncedEntries) break;
      entries.push_back({std::int64_t(entry.time * scale + 0.5), qtext(entry.text, kMaxEntryChars)});
    }
    EmbeddedLyric lyric;
    lyric.lines = SyncedTextToLines(entries);
    lyric.origin = QStringLiteral("ID3v2 SYLT");
    if (!lyric.lines.empty()) out.push_back(std::move(lyric));
  }
}

// The lyric texts of the tag library's common property names: SYNCEDLYRICS
// first, then LYRICS (ID3v2 USLT, Vorbis, MP4 ©lyr, APE, ASF) and
// UNSYNCEDLYRICS, each only when it is an LRC lyric.
void readLyricTexts(const TagLib::PropertyMap& properties, std::vector<EmbeddedLyric>& out) {
  for (const char* wanted : {"SYNCEDLYRICS", "LYRICS", "UNSYNCEDLYRICS"}) {
    for (const auto& [key, values] : properties) {
      // ID3v2 names a lyric with a description "LYRICS:<description>".
      const std::string name = key.upper().to8Bit(true);
      if (name != wanted && name.rfind(std::string(wanted) + ':', 0) != 0) continue;
      for (const TagLib::String& value : values) {
        EmbeddedLyric lyric;
        lyric.text = qtext(value, kMaxLyricChars);
        lyric.origin = QString::fromStdString(name);
        if (hasTimeTags(lyric.text)) out.push_back(std::move(lyric));
      }
    }
  }
}

}  // namespace

std::vector<TimedLyricLine> SyncedTextToLines(const std::vector<SyncedText>& entries) {
  const auto isBreak = [](QChar c) { return c == u'\n' || c == u'\r'; };
  const bool syllables = std::any_of(entries.begin(), entries.end(), [&](const SyncedText& e) {
    return std::any_of(e.text.begin(), e.text.end(), isBreak);
  });
  const auto clampTime = [](std::int64_t ms) {
    return std::int32_t(std::clamp<std::int64_t>(ms, 0, LyricModel::kFreeTime - 1));
  };
  std::vector<TimedLyricLine> lines;
  if (!syllables) {
    for (const SyncedText& entry : entries) lines.push_back({clampTime(entry.timeMs), entry.text, {}});
    return lines;
  }
  // A line starts with the first syllable after a break; its syllables are its words.
  bool open = false;
  for (const SyncedText& entry : entries) {
    const std::int32_t at = clampTime(entry.timeMs);
    qsizetype i = 0;
    while (i <= entry.text.size()) {
      qsizetype end = i;
      while (end < entry.text.size() && !isBreak(entry.text[end])) ++end;
      const QString piece = entry.text.mid(i, end - i);
      if (!piece.isEmpty()) {
        if (!open) {
          lines.push_back({at, {}, {}});
          open = true;
        }
        TimedLyricLine& line = lines.back();
        if (line.text.size() < kMaxEntryChars) {
          line.words.push_back({int(line.text.size()), std::max(0, at - line.timeMs)});
          line.text += piece;
        }
      }
      if (end == entry.text.size()) break;
      // A break ends the line; CR LF counts once, and an empty line between breaks is
      // a pause (none before the first line).
      if (entry.text[end] == u'\r' && end + 1 < entry.text.size() && entry.text[end + 1] == u'\n') ++end;
      if (!open && !lines.empty()) lines.push_back({at, {}, {}});
      open = false;
      i = end + 1;
    }
  }
  return lines;
}

std::vector<EmbeddedLyric> ReadEmbeddedLyrics(const QString& songPath) {
  std::vector<EmbeddedLyric> lyrics;
  // The tag library opens whatever it is given; folders, devices and
  // missing files are kept away from it.
  const QFileInfo info(songPath);
  if (!info.isFile() || !info.isReadable()) return lyrics;
  const QByteArray name = QFile::encodeName(songPath);
  const TagLib::FileRef ref(name.constData(), true, TagLib::AudioProperties::Fast);
  if (ref.isNull() || !ref.file()->isValid()) return lyrics;
  TagLib::File* file = ref.file();

  if (auto* mpeg = dynamic_cast<TagLib::MPEG::File*>(file)) {
    if (mpeg->hasID3v2Tag())
      readSyltFrames(mpeg->ID3v2Tag(), msPerMpegFrame(mpeg->audioProperties()), lyrics);
  } else if (auto* wav = dynamic_cast<TagLib::RIFF::WAV::File*>(file)) {
    if (wav->hasID3v2Tag()) readSyltFrames(wav->ID3v2Tag(), 0, lyrics);
  } else if (auto* aiff = dynamic_cast<TagLib::RIFF::AIFF::File*>(file)) {
    if (aiff->hasID3v2Tag()) readSyltFrames(aiff->tag(), 0, lyrics);
  } else if (auto* flac = dynamic_cast<TagLib::FLAC::File*>(file)) {
    if (flac->hasID3v2Tag()) readSyltFrames(flac->ID3v2Tag(), 0, lyrics);
  }
  readLyricTexts(file->properties(), lyrics);
  return lyrics;
}

bool LoadEmbeddedLyric(const std::vector<EmbeddedLyric>& lyrics, LoadWordContext& c) {
  static const QString kProcedure = QStringLiteral("LoadWord");
  c.model.reset();
  c.player.LyricLoaded = false;
  const QString header = c.player.SongArtist + QStringLiteral(" - ") + c.player.SongTitle;
  const LyricTextWidth width = [&c](const QString& text) { return c.host.TextWidth(text); };
  for (const EmbeddedLyric& lyric : lyrics) {
    try {
      const LyricParseResult parsed = lyric.lines.empty()
                                          ? ParseLyric(lyric.text.toUtf8(), header, c.settings.textChange,
                                                       width, c.songLengthMs, c.model, &c.log)
                                          : ParseTimedLyric(lyric.lines, header, c.settings.textChange, width,
                                                            c.songLengthMs, c.model, &c.log);
      if (!parsed.ok()) continue;
      c.host.ResetScroll();
      c.host.ClearPane();
      c.host.WordAdjust();
      c.host.StartLyricTimer();
      c.player.LyricLoaded = true;
      return true;
    } catch (...) {
      c.log.log(kProcedure, ErrorLog::fromException(std::current_exception()));
    }
  }
  c.model.reset();
  return false;
}

}  // namespace lyrovo
