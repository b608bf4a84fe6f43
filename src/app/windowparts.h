#pragma once

namespace lyrovo {

// The smallest window a resize by hand leaves: 7000 × 4500 twips at 15
// twips to the pixel.
inline constexpr int kMinWindowWidth = 467;
inline constexpr int kMinWindowHeight = 300;

// The main window's skin images by role. The value is the image's number in
// the window's element table (Fplay::Image1): the mouse handlers receive it,
// and tests walk the table by it.
enum class SkinPart : int {
  CloseButton = 1,
  MaximiseButton = 2,  // its tooltip reads "最大化" or, while maximised, "还原"
  MinimiseButton = 3,
  MenuButton = 4,
  PlayButton = 5,  // play/pause: its tooltip says what a click does
  StopButton = 6,
  PreviousButton = 7,
  NextButton = 8,
  OpenButton = 9,
  FrameTopLeft = 10,  // the eight frame areas that resize the window, 10–17
  FrameTop = 11,
  FrameTopRight = 12,
  FrameLeft = 13,
  FrameRight = 14,
  FrameBottomLeft = 15,
  FrameBottom = 16,
  FrameBottomRight = 17,
  SkinButton = 18,  // shows the colour scheme and steps through the schemes
  MuteButton = 19,
  SeekBar = 20,
  SeekThumb = 21,
  VolumeBar = 22,
  VolumeKnob = 23,
  ListTrack = 24,  // the playlist's scroll track and its thumb
  ListThumb = 25,
  AddButton = 26,  // the playlist's buttons
  DeleteButton = 27,
  SortButton = 28,
  ModeButton = 29,
};

// The window's labels by role; the value is the label's number (Fplay::Label1).
enum class LabelPart : int {
  Name = 0,  // the program's name in the title band
  Time = 2,  // elapsed or remaining time; its tooltip names the mode
  TotalTime = 3,
  Status = 4,
  Channels = 5,
  StreamInfo = 6,
};

// The three picture panes; the value is the pane's number (Fplay::Pic1).
enum class PanePart : int { Photo = 0, Lyrics = 1, Visualisation = 2 };

}  // namespace lyrovo
