#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

namespace lyrovo {

// The state of the player that every subsystem shares: one copy, owned by
// the application context and passed by reference.
struct PlayerState {
  std::int16_t CurrentIndex = 0;  // 1-based current playlist row, 0 = none
  std::int16_t ListTopIndex = 1;  // first visible playlist row
  QString SongTitle;
  QString SongArtist;
  double MsPerByte = 0;
  bool LyricLoaded = false;
  bool LyricDirty = false;
  bool SearchWindowOpen = false;
  bool OnTop = false;

  QString AppPath;         // ends in "/"
  QString SupportedTypes;  // "*.mp3;*.ogg;…;" patterns of playable files
  QString ImagesPath;      // AppPath + "Images/"
  QString ResumesPath;     // AppPath + "Resumes/"

  QString TrayTip;  // tooltip of the tray icon
};

// Results of the last lyric search and whether the player is online.
struct SearchState {
  int SearchResultCount = 0;
  QStringList SearchTitles;
  QStringList SearchArtists;
  QStringList SearchUrls;
  bool IsOnline = false;
};

}  // namespace lyrovo
