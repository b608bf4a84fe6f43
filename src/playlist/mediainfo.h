#pragma once

#include "playlist/playlist.h"

#include <QString>

#include <cstdint>

namespace lyrovo {

class AppError;
class BP;
struct PlayerState;
struct TagFields;
class ErrorLog;

// What the media information window shows for one playlist row.
struct MediaInfo {
  QString caption;  // "Lyrovo - 媒体信息 [3]"
  QString path;
  QString track;
  QString title;
  QString artist;
  QString album;
  QString year;
  QString genre;
  QString comment;
  QString format;
  QString channels;
  QString frequency;
  QString bitrate;
  QString size;
  QString length;
  bool isMp3 = false;
  // The ID3v1 genre number a save writes back: the number read, or 255
  // (none) when the file had no ID3v1 tag.
  int genreNumber = 255;
  // For an mp3 whose ID3v2 or APE tag says something else than its ID3v1
  // tag: the kinds of those tags ("ID3v2") and their texts, one
  // "caption text" line per field; both empty otherwise.
  QString ownTagKinds;
  QString ownTagText;
};

// The genre text shown for a file: for "mp3" the name of the ID3v1 genre
// number ("未知流派" from 148 on, empty when the file had no ID3v1 tag);
// for other types the tag library's text as it is.
QString GenreText(const QString& fileType, const QString& tagGenre);

// Reads row `index` (1-based) through the engine's information stream: its
// tags into tags (the engine's tag fields) and the texts the window shows.
// Throws AppError 9 for a row that does not exist.
MediaInfo ReadMediaInfo(BP& engine, const TagFields& tags, const Playlist& list, int index);

// The texts the user edited.
struct MediaInfoEdits {
  QString track;
  QString title;
  QString artist;
  QString album;
  QString year;
  QString comment;
};

// Saves the edits of row `index`: trims them (the caller shows the trimmed
// texts), sets the row's title and artist, makes them the now-playing texts
// when the row is the current one, then writes the ID3v1 tag of an mp3
// (other types keep their file as it is). A blank track counts as 0. Throws
// AppError when the tag cannot be written: a track that is not a number from
// 0 to 255 (nothing written), a read-only, vanished or unwritable file (left
// as it was). The row and the now-playing texts stay updated then.
void SaveMediaInfo(Playlist& list, PlayerState& player, BP& engine, int index, MediaInfoEdits& edits,
                   int genreNumber, const ErrorLog* log = nullptr);

// The text that tells the user why a save could not write the tag.
QString SaveFailureText(const AppError& error, const QString& path);

// Before stepping from row `shown` to `target`: when the target's file is
// missing, removes that row (renumbering the rest; CurrentIndex follows)
// and returns the position the shown row has afterwards; otherwise returns
// target. The caller tells the user about the removal.
struct StepResult {
  int index = 0;         // the row to show
  bool removed = false;  // the target row was removed
  QString missingPath;   // the removed row's file
};
StepResult StepMediaInfo(Playlist& list, std::int16_t& CurrentIndex, int shown, int target);

}  // namespace lyrovo
