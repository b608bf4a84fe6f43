#include "playlist/mediainfo.h"

#include "base/apperror.h"
#include "base/playerstate.h"
#include "engine/bp.h"
#include "engine/librarytags.h"
#include "engine/tags.h"
#include "playlist/playlistops.h"
#include "text/numeric.h"
#include "text/textutil.h"

#include <optional>
#include <utility>

namespace lyrovo {

namespace {

constexpr int TypeMismatch = 13;
constexpr int NoGenre = 255;

// The engine's information stream, closed however the scope is left.
struct InfoStream {
  InfoStream(BP& engine, const QString& path) : engine(engine) { engine.aOpen2(path); }
  ~InfoStream() { engine.aClose2(); }
  InfoStream(const InfoStream&) = delete;
  InfoStream& operator=(const InfoStream&) = delete;
  BP& engine;
};

// The ID3v2/APE texts of an mp3, listed when one of them differs from what
// its ID3v1 tag holds (all of them count as different without an ID3v1 tag).
void describeOwnTags(MediaInfo& info) {
  const LibraryTags own = readLibraryTags(info.path, true);
  TagFields v1;
  const bool hasV1 = ReadID3v1(info.path, v1);
  const QString v1Track = hasV1 ? QString::number(v1.tagTrack) : QString();
  const QString v1Genre = hasV1 ? genreName(int(val(v1.tagGenre))) : QString();
  const std::pair<const char16_t*, std::pair<const std::optional<QString>*, QString>> fields[] = {
      {u"标题:", {&own.title, v1.tagTitle}},     {u"歌手:", {&own.artist, v1.tagArtist}},
      {u"专辑:", {&own.album, v1.tagAlbum}},     {u"年份:", {&own.year, v1.tagYear}},
      {u"音轨:", {&own.track, v1Track}},         {u"流派:", {&own.genre, v1Genre}},
      {u"备注:", {&own.comment, v1.tagComment}},
  };
  bool differs = false;
  QStringList lines;
  for (const auto& [caption, texts] : fields) {
    const auto& [ownText, v1Text] = texts;
    if (!*ownText) continue;
    const QString text = (*ownText)->trimmed();
    lines << QString::fromUtf16(caption) + u' ' + text;
    if (text != v1Text) differs = true;
  }
  if (!differs) return;
  info.ownTagKinds = own.kinds.join(QStringLiteral(", "));
  info.ownTagText = lines.join(u'\n');
}

}  // namespace

QString GenreText(const QString& fileType, const QString& tagGenre) {
  if (fileType != u"mp3") return tagGenre;
  if (tagGenre.isEmpty()) return {};
  return genreName(int(val(tagGenre)));
}

MediaInfo ReadMediaInfo(BP& engine, const TagFields& tags, const Playlist& list, int index) {
  MediaInfo info;
  info.path = list.row(index).path;
  info.caption = QStringLiteral("Lyrovo - 媒体信息 [") + QString::number(index) + u']';
  {
    const InfoStream stream(engine, info.path);
    engine.aGetTags(info.path);
    info.track = QString::number(tags.tagTrack);
    info.title = tags.tagTitle;
    info.artist = tags.tagArtist;
    info.album = tags.tagAlbum;
    info.year = tags.tagYear;
    info.isMp3 = engine.aFiletype() == u"mp3";
    info.genre = GenreText(engine.aFiletype(), tags.tagGenre);
    if (info.isMp3 && !tags.tagGenre.isEmpty()) info.genreNumber = int(val(tags.tagGenre));
    info.comment = tags.tagComment;
    engine.aGetInfos(info.path, false);
  }
  info.format = tags.infoType;
  info.channels = tags.infoChannels;
  info.frequency = tags.infoFreq;
  info.bitrate = tags.infoBitrate;
  info.size = tags.infoSize;
  info.length = FormatTime(tags.infoLength);
  if (info.isMp3) describeOwnTags(info);
  return info;
}

void SaveMediaInfo(Playlist& list, PlayerState& player, BP& engine, int index, MediaInfoEdits& edits,
                   int genreNumber, const ErrorLog* log) {
  for (QString* text : {&edits.track, &edits.title, &edits.artist, &edits.album, &edits.year, &edits.comment})
    *text = text->trimmed();

  PlaylistRow& row = list.row(index);
  row.title = edits.title;
  row.artist = edits.artist;
  list.changed(index, index);
  // The same normalised names Play sets, which the lyric lookup relies on.
  if (index == player.CurrentIndex) {
    player.SongTitle = StringDeal(edits.title, log);
    player.SongArtist = StringDeal(edits.artist, log);
  }

  const Id3v1Fields fields{edits.title,   edits.artist,
                           edits.album,   edits.year,
                           edits.comment, edits.track.isEmpty() ? QStringLiteral("0") : edits.track,
                           genreNumber};
  engine.aSetTags(row.path, fields);
}

QString SaveFailureText(const AppError& error, const QString& path) {
  switch (error.number()) {
    case TypeMismatch:
    case errors::Overflow:
      return QStringLiteral("音轨须为 0 到 255 之间的数字，标签未写入！");
    case errors::FileNotFound:
      return QStringLiteral("文件：") + path + QStringLiteral(" 不存在，标签未写入！");
    case errors::PermissionDenied:
      return QStringLiteral("文件：") + path + QStringLiteral(" 是只读的，标签未写入！");
    case errors::DiskFull:
      return QStringLiteral("磁盘已满，文件：") + path + QStringLiteral(" 未作改动！");
    default:
      return QStringLiteral("无法写入文件：") + path + QStringLiteral("，文件未作改动！");
  }
}

StepResult StepMediaInfo(Playlist& list, std::int16_t& CurrentIndex, int shown, int target) {
  StepResult result;
  const QString path = list.row(target).path;
  if (FileExists(path)) {
    result.index = target;
    return result;
  }
  RemoveRow(list, CurrentIndex, target);
  RenumberRows(list, target);
  result.index = target < shown ? shown - 1 : shown;
  result.removed = true;
  result.missingPath = path;
  return result;
}

}  // namespace lyrovo
