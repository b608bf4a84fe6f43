// The now-playing pipeline and the transport of the main window: Play, the
// playback tick with the end-of-track rule, buttons, sliders, menus and
// local shortcuts.
#include "app/fplay.h"
#include "app/fset.h"
#include "app/transport.h"
#include "desktop/systray.h"
#include "engine/tags.h"
#include "lyrics/lyricfile.h"
#include "lyrics/lyricpane.h"
#include "playlist/playlistfile.h"
#include "playlist/playlistops.h"
#include "playlist/playlisttablemodel.h"
#include "text/numeric.h"
#include "text/pattern.h"
#include "text/textutil.h"

#include <QApplication>
#include <QCursor>
#include <QFileInfo>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

namespace lyrovo {

namespace {
const QString kPlayTip = QStringLiteral("播放(Ctrl+P)");
const QString kPauseTip = QStringLiteral("暂停(Ctrl+P)");
}  // namespace

// ---------------------------------------------------------------- Play

void Fplay::Play() {
  PlayerState& player = ctx_.player;
  Playlist& list = ctx_.playlist;
  BP& engine = ctx_.BP1;
  if (player.CurrentIndex < 1 || player.CurrentIndex > list.count())
    throw AppError(errors::SubscriptOutOfRange, QStringLiteral("Subscript out of range"));

  lyricLookup_->abandon();  // a lookup for the song that was playing must not load
  artistRepairPending_ = false;
  awaitingConnection_ = {};
  if (player.SearchWindowOpen) CloseLyricSearchWindow();
  setSongLabelsEnabled(true);
  MarkCurrentRow();
  if (timer2_.isActive() && player.LyricDirty) WriteBackShiftedLyric();
  engine.aStop();
  engine.aClose();

  // A row whose artist is unknown is looked up on the web by its title; the
  // song opens when the look-up answers (SearchInfo, fplay_lyricsearch.cpp).
  {
    const PlaylistRow& row = list.row(player.CurrentIndex);
    if (row.title != QStringLiteral("未知标题") && row.artist == QStringLiteral("未知歌手")) {
      DrawInfo(QStringLiteral("修补媒体信息,请稍候..."));
      if (SearchInfo(player.CurrentIndex, row.title)) return;
    }
  }
  playCurrentRow();
}

void Fplay::playCurrentRow() {
  PlayerState& player = ctx_.player;
  BP& engine = ctx_.BP1;
  const PlaylistRow row = ctx_.playlist.row(player.CurrentIndex);
  player.TrayTip =
      QStringLiteral("Lyrovo - 媒体信息\r\n标题:") + row.title + QStringLiteral("\r\n歌手:") + row.artist;
  if (Tray()) Tray()->ChangeToolTip(player.TrayTip);

  DrawInfo(QStringLiteral("加载歌曲,请稍候..."));
  engine.aOpen(row.path);
  engine.Tag = row.path;
  engine.setAVolumn(ctx_.settings.volumn);
  engine.aPlay();
  if (engine.hStream == 0) {
    failedOpens_.failed(row.path);
  } else {
    failedOpens_.clear();
  }

  label(LabelPart::TotalTime)
      ->setText(QStringLiteral("| ") + FormatTime(std::int32_t(nearest(engine.alenTime()))));
  label(LabelPart::Channels)->setText(QStringLiteral("声道: ") + engine.achanMod());
  const TagFields& tags = ctx_.tags;
  label(LabelPart::StreamInfo)
      ->setText(tags.infoBitrate + QStringLiteral("  ") + tags.infoFreq + QStringLiteral("  ") +
                tags.infoSize + QStringLiteral("  ") + engine.aFiletype().toUpper());
  const std::int64_t lengthBytes = engine.alenByte();
  player.MsPerByte = lengthBytes > 0 ? engine.alenTime() * 1000.0 / double(lengthBytes) : 0;
  player.SongTitle = StringDeal(row.title, &ctx_.log);
  player.SongArtist = StringDeal(row.artist, &ctx_.log);

  setPlayButton(true);
  setStatus(QStringLiteral("播放"), true);
  setButtonsEnabled({SkinPart::PlayButton, SkinPart::StopButton, SkinPart::SeekBar, SkinPart::SeekThumb},
                    true);
  ticks_ = 0;
  timer1_.start();
  timer2_.stop();

  ScrollToRow(player.CurrentIndex);
  placeListThumb();

  if (player.SongArtist.isEmpty() || like(player.SongArtist, u"未知*")) {
    artistLookup().Stop();
    ClearPhoto();
    DrawPhotoInfo(QStringLiteral("未知歌手"));
  } else {
    DownloadJJ(player.SongTitle, player.SongArtist);
  }

  // The lyric: beside the song, then in the lyric folder, then under the song's own name, then on the web.
  DrawInfo(QStringLiteral("正在查找歌词..."));
  SearchState& search = ctx_.search;
  const QString lyricFile =
      FindLyricFile(row.path, ctx_.settings.WordPath, player.SongArtist, player.SongTitle);
  if (!lyricFile.isEmpty()) {
    search.SearchResultCount = 0;
    timer2_.stop();
    if (LoadWord(lyricFile, true)) timer2_.start();
    return;
  }
  // The lyric inside the song and the web search are looked up on a worker;
  // the lyric steps go on when it answers.
  startLyricSearch(row.path);
}

// ---------------------------------------------------------------- playback tick

void Fplay::Timer1_Timer() {
  ctx_.log.trap(QStringLiteral("Timer1_Timer"), [&] {
    BP& engine = ctx_.BP1;
    const bool shown = isVisible() && !isMinimized();
    // A view nobody sees is not drawn: its frame would read the sound for nothing.
    const bool drawsFrames = shown && ctx_.settings.visType > 1 && visPane()->isVisible();
    if (engine.aIsActive() && shown) {
      if (!drawsFrames || ++ticks_ % 20 == 0) {
        placeSeekThumb();
        ticks_ = 0;
      }
      setTimeLabel();
      if (drawsFrames) DrawVis();
    } else if (engine.alenByte() == engine.aPosByte()) {
      applyEndOfTrack();
    }
    drawingFrames_ = drawsFrames;
    showPendingLyricChange();
    // Without frames to draw, the tick only has work when the time label
    // changes or the song ends: it sleeps until then instead of waking 20
    // times a second.
    const int interval =
        drawsFrames ? vis_.timerInterval()
                    : PlainTickMs(label(LabelPart::Time)->toolTip(), engine.aPosTime(), engine.alenTime());
    if (timer1_.isActive() && timer1_.interval() != interval) timer1_.setInterval(interval);
  });
}

void Fplay::applyEndOfTrack() {
  PlayerState& player = ctx_.player;
  const TrackAdvance next =
      EndOfTrack(ctx_.settings.playModal, player.CurrentIndex, ctx_.playlist, failedOpens_, ctx_.random);
  switch (next.action) {
    case TrackAdvance::Action::Restart:
      timer1_.stop();
      ctx_.BP1.setAPosByte(0);
      placeSeekThumb();
      ctx_.BP1.aPlay();
      timer1_.start();
      emit positionJumped();
      break;
    case TrackAdvance::Action::Play:
      player.CurrentIndex = std::int16_t(next.row);
      Play();
      if (next.markPlayed) ctx_.playlist.row(next.row).played = true;
      break;
    case TrackAdvance::Action::Stop:
      failedOpens_.clear();
      Image1_Click(SkinPart::StopButton);
      break;
  }
}

// ---------------------------------------------------------------- buttons

void Fplay::Image1_Click(int index) {
  ctx_.log.trap(QStringLiteral("Image1_Click"), [&] {
    switch (static_cast<SkinPart>(index)) {
      case SkinPart::CloseButton:
        close();
        break;
      case SkinPart::MaximiseButton:
        if (isMaximized()) {
          showNormal();
          image(SkinPart::MaximiseButton)->setToolTip(QStringLiteral("最大化"));
        } else {
          showMaximized();
          image(SkinPart::MaximiseButton)->setToolTip(QStringLiteral("还原"));
        }
        break;
      case SkinPart::MinimiseButton:
        MinimiseToTray();
        break;
      case SkinPart::MenuButton:
        ShowMainMenu(QCursor::pos());
        break;
      case SkinPart::PlayButton:
        if (image(SkinPart::PlayButton)->toolTip() != kPlayTip) {
          pausePlayback();
        } else {
          resumePlayback();
        }
        break;
      case SkinPart::StopButton:
        stopPlayback();
        break;
      case SkinPart::PreviousButton:
        previousOrNext(false);
        break;
      case SkinPart::NextButton:
        previousOrNext(true);
        break;
      case SkinPart::DeleteButton:
        ShowDeleteMenu();
        break;
      case SkinPart::SortButton:
        ShowSortMenu();
        break;
      case SkinPart::OpenButton:
        AddFiles(true);
        break;
      case SkinPart::AddButton:
        ShowAddMenu(QCursor::pos());
        break;
      default:
        break;
    }
  });
}

void Fplay::pausePlayback() {
  ctx_.BP1.aPause();
  timer1_.stop();
  timer2_.stop();
  setPlayButton(false);
  setStatus(QStringLiteral("暂停"));
  image(SkinPart::StopButton)->setEnabled(true);
  setButtonsEnabled({SkinPart::SeekBar, SkinPart::SeekThumb}, false);
  setSongLabelsEnabled(false);
}

void Fplay::resumePlayback() {
  // No song opened yet (auto play off, or the last one failed): play the current row.
  if (ctx_.BP1.alenByte() < 0 && ListCount() > 0) {
    ctx_.player.CurrentIndex = std::int16_t(std::clamp<int>(ctx_.player.CurrentIndex, 1, ListCount()));
    Play();
    return;
  }
  ctx_.BP1.aPlay();
  timer1_.start();
  if (ctx_.player.LyricLoaded) {
    timer2_.start();
  } else {
    timer2_.stop();
  }
  setPlayButton(true);
  setStatus(QStringLiteral("播放"), true);
  setButtonsEnabled({SkinPart::StopButton, SkinPart::SeekBar, SkinPart::SeekThumb}, true);
  setSongLabelsEnabled(true);
}

void Fplay::stopPlayback() {
  if (std::exchange(artistRepairPending_, false))
    lyricLookup_->abandon();  // the song must not start after all
  awaitingConnection_ = {};
  ctx_.BP1.aStop();
  WordAdjust();
  image(SkinPart::SeekThumb)->move(image(SkinPart::SeekBar)->x(), image(SkinPart::SeekThumb)->y());
  timer1_.stop();
  timer2_.stop();
  setPlayButton(false);
  setStatus(QStringLiteral("停止"));
  image(SkinPart::PlayButton)->setEnabled(true);
  setButtonsEnabled({SkinPart::SeekBar, SkinPart::SeekThumb, SkinPart::StopButton}, false);
  setSongLabelsEnabled(false);
  ClearVis();
  DrawInfo(ctx_.player.SongArtist + QStringLiteral(" - ") + ctx_.player.SongTitle);
}

void Fplay::previousOrNext(bool next) {
  PlayerState& player = ctx_.player;
  const int rows = ListCount();
  if (ctx_.settings.playModal == 4) {
    if (rows > 0) {
      player.CurrentIndex = std::int16_t(RandomPick(ctx_.playlist, ctx_.random));
      ctx_.playlist.row(player.CurrentIndex).played = true;
      Play();
    }
  } else if (next ? player.CurrentIndex < rows : player.CurrentIndex >= 2) {
    player.CurrentIndex = std::int16_t(player.CurrentIndex + (next ? 1 : -1));
    Play();
  }
  image(SkinPart::NextButton)->setEnabled(player.CurrentIndex != rows);
  image(SkinPart::PreviousButton)->setEnabled(player.CurrentIndex != 1);
}

void Fplay::setStatus(const QString& word, bool withMode) {
  label(LabelPart::Status)
      ->setText(QStringLiteral("状态: ") + word +
                (withMode ? ModeLabel(ctx_.settings.playModal) : QString()));
}

void Fplay::setSongLabelsEnabled(bool enabled) {
  for (LabelPart part :
       {LabelPart::Time, LabelPart::TotalTime, LabelPart::Status, LabelPart::Channels, LabelPart::StreamInfo})
    label(part)->setEnabled(enabled);
}

void Fplay::setButtonsEnabled(std::initializer_list<SkinPart> parts, bool enabled) {
  for (SkinPart part : parts) image(part)->setEnabled(enabled);
}

void Fplay::setPlayButton(bool playing) {
  image(SkinPart::PlayButton)->setToolTip(playing ? kPauseTip : kPlayTip);
  image(SkinPart::PlayButton)->setGlyph(playing ? QStringLiteral("❚❚") : QStringLiteral("▶"));
}

void Fplay::setTimeLabel() {
  const BP& engine = ctx_.BP1;
  // Set only when the text changes (once a second): each set lays out and repaints the label.
  QLabel* timeLabel = label(LabelPart::Time);
  const QString text = TimeLabelText(timeLabel->toolTip(), engine.aPosTime(), engine.alenTime());
  if (timeLabel->text() != text) timeLabel->setText(text);
}

// ---------------------------------------------------------------- sliders

void Fplay::placeSeekThumb() {
  const SkinImage* bar = image(SkinPart::SeekBar);
  SkinImage* thumb = image(SkinPart::SeekThumb);
  const std::int64_t length = ctx_.BP1.alenByte();
  const double fraction = length > 0 ? double(ctx_.BP1.aPosByte()) / double(length) : 0;
  thumb->move(bar->x() + int(nearest((bar->width() - thumb->width()) * fraction)), thumb->y());
}

void Fplay::placeVolumeKnob() {
  const SkinImage* bar = image(SkinPart::VolumeBar);
  SkinImage* knob = image(SkinPart::VolumeKnob);
  knob->move(bar->x() + int(nearest((bar->width() - knob->width()) * ctx_.settings.volumn / 100.0)),
             knob->y());
}

void Fplay::seekToFraction(double fraction) {
  BP& engine = ctx_.BP1;
  engine.aPause();
  engine.setAPosByte(std::int64_t(nearest(fraction * double(engine.alenByte()))));
  engine.aPlay();
  setTimeLabel();
  WordAdjust();
  emit positionJumped();
}

void Fplay::setVolumeFromKnob() {
  const SkinImage* bar = image(SkinPart::VolumeBar);
  const SkinImage* knob = image(SkinPart::VolumeKnob);
  ctx_.settings.volumn =
      std::int16_t(nearest(SliderFraction(knob->x() - bar->x(), bar->width(), knob->width()) * 100));
  ctx_.BP1.setAVolumn(ctx_.settings.volumn);
}

void Fplay::stepVolume(bool up) {
  if (!image(SkinPart::VolumeBar)->isEnabled()) return;  // muted
  std::int16_t& volume = ctx_.settings.volumn;
  volume = std::int16_t(up ? VolumeUp(volume) : VolumeDown(volume));
  ctx_.BP1.setAVolumn(volume);
  placeVolumeKnob();
}

// The bars and thumbs answer any mouse button.
void Fplay::Image1_MouseDown(int index, Qt::MouseButton button, QPoint pos) {
  ctx_.log.trap(QStringLiteral("Image1_MouseDown"), [&] {
    if (frameMouseDown(index, button)) return;
    const auto part = static_cast<SkinPart>(index);
    if (part == SkinPart::SeekBar) {
      SkinImage* bar = image(SkinPart::SeekBar);
      SkinImage* thumb = image(SkinPart::SeekThumb);
      const double x = ClampClick(pos.x(), bar->width(), thumb->width());
      thumb->move(bar->x() + int(x - thumb->width() / 2.0), thumb->y());
      seekToFraction(SliderFraction(x - thumb->width() / 2.0, bar->width(), thumb->width()));
    } else if (part == SkinPart::VolumeBar) {
      SkinImage* bar = image(SkinPart::VolumeBar);
      SkinImage* knob = image(SkinPart::VolumeKnob);
      const double x = ClampClick(pos.x(), bar->width(), knob->width());
      knob->move(bar->x() + int(x - knob->width() / 2.0), knob->y());
      setVolumeFromKnob();
    } else if (part == SkinPart::SeekThumb || part == SkinPart::VolumeKnob || part == SkinPart::ListThumb) {
      draggedThumb_ = index;
      SkinImage* thumb = image(part);
      const QPoint cursor = mapFromGlobal(thumb->mapToGlobal(pos));
      grabOffset_ = part == SkinPart::ListThumb ? cursor.y() - thumb->y() : cursor.x() - thumb->x();
      thumb->setCursor(Qt::ClosedHandCursor);
    } else if (part == SkinPart::ListTrack) {
      const int rows = ListCount(), page = RowsPerPage();
      const int top = ListTopRow();
      if (pos.y() + image(SkinPart::ListTrack)->y() < image(SkinPart::ListThumb)->y()) {
        if (top >= 2) ScrollToRow(std::max(1, top - 5));
      } else if (top < rows - page + 1) {
        const int newTop = std::min(top + 5, rows - page + 1);
        list_->scrollTo(listModel_->index(newTop - 1, 0), QAbstractItemView::PositionAtTop);
      }
      placeListThumb();
    }
  });
}

void Fplay::Image1_MouseMove(int index, QPoint globalPos) {
  ctx_.log.trap(QStringLiteral("Image1_MouseMove"), [&] {
    if (frameMouseMove(index, globalPos)) return;
    if (draggedThumb_ != index) return;
    const QPoint cursor = mapFromGlobal(globalPos);
    const auto part = static_cast<SkinPart>(index);
    SkinImage* thumb = image(part);
    if (part == SkinPart::ListThumb) {
      const SkinImage* track = image(SkinPart::ListTrack);
      const int rows = ListCount(), page = RowsPerPage();
      if (rows == 0) return;
      const int top =
          std::clamp(cursor.y() - grabOffset_, track->y(), track->y() + track->height() - thumb->height());
      thumb->move(thumb->x(), top);
      const int first =
          std::max(1, int(nearest(SliderFraction(top - track->y(), track->height(), thumb->height()) *
                                  std::max(0, rows - page))) +
                          1);
      list_->scrollTo(listModel_->index(first - 1, 0), QAbstractItemView::PositionAtTop);
      ctx_.player.ListTopIndex = std::int16_t(first);
      return;
    }
    const SkinImage* bar = image(part == SkinPart::SeekThumb ? SkinPart::SeekBar : SkinPart::VolumeBar);
    const int left = std::clamp(cursor.x() - grabOffset_, bar->x(), bar->x() + bar->width() - thumb->width());
    thumb->move(left, thumb->y());
    if (part == SkinPart::SeekThumb) {
      seekToFraction(SliderFraction(left - bar->x(), bar->width(), thumb->width()));
      setStatus(QStringLiteral("调节进度"));
    } else {
      setVolumeFromKnob();
      setStatus(QStringLiteral("音量") + QString::number(ctx_.settings.volumn) + u'%');
    }
  });
}

void Fplay::Image1_MouseUp(int index, Qt::MouseButton button, QPoint) {
  ctx_.log.trap(QStringLiteral("Image1_MouseUp"), [&] {
    if (frameMouseUp(index)) return;
    const auto part = static_cast<SkinPart>(index);
    if (index == draggedThumb_) {
      draggedThumb_ = 0;
      image(part)->setCursor(Qt::OpenHandCursor);
      if (part == SkinPart::SeekThumb || part == SkinPart::VolumeKnob) restoreStatusAfterDrag();
      return;
    }
    if (part == SkinPart::SkinButton && (button == Qt::LeftButton || button == Qt::RightButton)) {
      StepSkinColour(button == Qt::LeftButton);
      return;
    }
    if (button != Qt::LeftButton) return;
    if (part == SkinPart::MuteButton) {
      muted_ = image(SkinPart::VolumeBar)->isEnabled();
      image(SkinPart::VolumeBar)->setEnabled(!muted_);
      image(SkinPart::VolumeKnob)->setEnabled(!muted_);
      image(SkinPart::MuteButton)->setMarked(muted_);
      if (muted_) {
        ctx_.settings.volumn = 0;
        ctx_.BP1.setAVolumn(0);
      } else {
        setVolumeFromKnob();
      }
    } else if (part == SkinPart::ModeButton) {
      for (int i = 0; i < menuMsEntries_.size(); ++i)
        menuMsEntries_[i]->setChecked(i + 1 == ctx_.settings.playModal);
      menuMs_->popup(
          image(SkinPart::ModeButton)->mapToGlobal(QPoint(0, image(SkinPart::ModeButton)->height())));
    }
  });
}

void Fplay::restoreStatusAfterDrag() {
  const BP& engine = ctx_.BP1;
  if (engine.aIsActive()) {
    setStatus(QStringLiteral("播放"), true);
  } else if (engine.aIsPaused()) {
    setStatus(QStringLiteral("暂停"));
  } else if (engine.aIsStopped()) {
    setStatus(QStringLiteral("停止"));
  } else {
    setStatus(QStringLiteral("未知"));
  }
}

// ---------------------------------------------------------------- labels, list, menus, keys

void Fplay::Label1_MouseUp(int index, Qt::MouseButton button) {
  const auto part = static_cast<LabelPart>(index);
  if (button == Qt::LeftButton && part == LabelPart::Time) {
    QLabel* time = label(LabelPart::Time);
    time->setToolTip(time->toolTip() == QStringLiteral("逝去时间") ? QStringLiteral("剩余时间")
                                                                   : QStringLiteral("逝去时间"));
  } else if (button == Qt::RightButton && part != LabelPart::Time) {
    ShowMainMenu(QCursor::pos());
  }
}

void Fplay::List1_DblClick() {
  ctx_.log.trap(QStringLiteral("List1_DblClick"), [&] {
    const int selected = ctx_.playlist.selectedItem();
    if (selected < 1 || selected > ListCount() || !FileExists(ctx_.playlist.row(selected).path)) return;
    ctx_.player.CurrentIndex = std::int16_t(selected);
    list_->setCursor(Qt::WaitCursor);
    Play();
    list_->unsetCursor();
  });
}

void Fplay::buildMenus() {
  menuT_ = new QMenu(this);
  const QStringList captions = {QStringLiteral("打开(&O)..."),
                                QStringLiteral("-"),
                                QStringLiteral("播放(&P)"),
                                QStringLiteral("停止(&S)"),
                                QStringLiteral("上一首(&F)"),
                                QStringLiteral("下一首(&N)"),
                                QStringLiteral("-"),
                                QStringLiteral("皮肤换色(&C)"),
                                QStringLiteral("居于最上(&T)"),
                                QStringLiteral("-"),
                                QStringLiteral("关于(&A)..."),
                                QStringLiteral("退出(&X)")};
  for (int i = 0; i < captions.size(); ++i) {
    QAction* action =
        captions[i] == QStringLiteral("-") ? menuT_->addSeparator() : menuT_->addAction(captions[i]);
    connect(action, &QAction::triggered, this, [this, index = i + 1] { menuTs_Click(index); });
    menuTs_ << action;
  }
  menuTs_[8]->setCheckable(true);

  menuMs_ = new QMenu(this);
  const QStringList modes = {QStringLiteral("顺序播放(&N)"), QStringLiteral("循环播放(&C)"),
                             QStringLiteral("单曲循环(&I)"), QStringLiteral("随机播放(&R)")};
  for (int i = 0; i < modes.size(); ++i) {
    QAction* action = menuMs_->addAction(modes[i]);
    action->setCheckable(true);
    connect(action, &QAction::triggered, this, [this, index = i + 1] { menuMs_Click(index); });
    menuMsEntries_ << action;
  }
}

void Fplay::menuMs_Click(int index) {
  for (int i = 0; i < menuMsEntries_.size(); ++i) menuMsEntries_[i]->setChecked(i + 1 == index);
  ctx_.settings.playModal = std::int16_t(index);
  if (label(LabelPart::Status)->text().contains(QStringLiteral("播放")))
    setStatus(QStringLiteral("播放"), true);
}

void Fplay::menuTs_Click(int index) {
  ctx_.log.trap(QStringLiteral("menuTs_Click"), [&] {
    switch (index) {
      case 1:
        Image1_Click(SkinPart::OpenButton);
        break;
      case 3:
        Image1_Click(SkinPart::PlayButton);
        break;
      case 4:
        Image1_Click(SkinPart::StopButton);
        break;
      case 5:
        Image1_Click(SkinPart::PreviousButton);
        break;
      case 6:
        Image1_Click(SkinPart::NextButton);
        break;
      case 9: {
        const bool onTop = menuTs_[8]->isChecked();
        ctx_.player.OnTop = onTop;
        const QRect frame = geometry();
        setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
        setGeometry(frame);
        show();
        break;
      }
      case 8:
        StepSkinColour(true);
        break;
      case 11:
        ShowOptions(FSet::kPageAbout);
        break;
      case 12:
        close();
        break;
      default:
        break;
    }
  });
}

void Fplay::ShowMainMenu(QPoint at) {
  menuTs_[2]->setText(image(SkinPart::PlayButton)->toolTip().left(2) + QStringLiteral("(&P)"));
  // Entries 3 to 6 (play, stop, previous, next) follow their buttons.
  const SkinPart buttons[] = {SkinPart::PlayButton, SkinPart::StopButton, SkinPart::PreviousButton,
                              SkinPart::NextButton};
  for (int entry = 3; entry <= 6; ++entry)
    menuTs_[entry - 1]->setEnabled(image(buttons[entry - 3])->isEnabled());
  menuT_->popup(at);
}

bool Fplay::ShortcutKey(int key, Qt::KeyboardModifiers modifiers) {
  if ((modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) !=
      Qt::ControlModifier)
    return false;
  switch (key) {
    case Qt::Key_O:
      Image1_Click(SkinPart::OpenButton);
      return true;
    case Qt::Key_P:
      if (!image(SkinPart::PlayButton)->isEnabled()) return false;
      Image1_Click(SkinPart::PlayButton);
      return true;
    case Qt::Key_S:
      if (!image(SkinPart::StopButton)->isEnabled()) return false;
      Image1_Click(SkinPart::StopButton);
      return true;
    case Qt::Key_Left:
      if (!image(SkinPart::PreviousButton)->isEnabled()) return false;
      Image1_Click(SkinPart::PreviousButton);
      return true;
    case Qt::Key_Right:
      if (!image(SkinPart::NextButton)->isEnabled()) return false;
      Image1_Click(SkinPart::NextButton);
      return true;
    case Qt::Key_Up:
      stepVolume(true);
      return true;
    case Qt::Key_Down:
      stepVolume(false);
      return true;
    default:
      return false;
  }
}

bool Fplay::eventFilter(QObject* watched, QEvent* event) {
  if (!list_) return QWidget::eventFilter(watched, event);  // labels exist before the list
  // Rows follow the list font; columns and the scroll thumb follow the view's size.
  if (watched == list_ && event->type() == QEvent::FontChange) fitListRowsToFont();
  if (watched == list_->viewport() && event->type() == QEvent::Resize) RefreshListLayout();
  if (playlistEvent(watched, event)) return true;
  if (lyricPaneEvent(watched, event) || listWheelEvent(watched, event)) return true;
  if (event->type() == QEvent::KeyPress && (watched == list_ || watched == lyricView())) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (watched == lyricView() && key->key() == Qt::Key_Escape && ctx_.lyricPane.FullScreen) {
      menuWs_Click(kMenuFullScreen);
      return true;
    }
    if (ShortcutKey(key->key(), key->modifiers())) return true;
  }
  // A left press on a label other than the time drags the window, as the background does.
  if (event->type() == QEvent::MouseButtonPress && watched != label(LabelPart::Time) &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    for (QLabel* item : std::as_const(labels_))
      if (item == watched && windowHandle()) windowHandle()->startSystemMove();
  }
  if (event->type() == QEvent::MouseButtonRelease) {
    for (auto it = labels_.cbegin(); it != labels_.cend(); ++it)
      if (it.value() == watched) Label1_MouseUp(it.key(), static_cast<QMouseEvent*>(event)->button());
  }
  return QWidget::eventFilter(watched, event);
}

// ---------------------------------------------------------------- playlist upkeep

void Fplay::AddList(const QString& path, int position) {
  lyrovo::AddList(ctx_.playlist, ctx_.BP1, ctx_.tags, path, position);
}

void Fplay::LoadPlaylist() {
  bool whole = false;
  ctx_.log.trap(QStringLiteral("LoadPlaylist"), [&] {
    whole = lyrovo::LoadPlaylist(ctx_.playlist, ctx_.player.CurrentIndex, ctx_.settings.continueLastPlay,
                                 ctx_.paths.appPath);
    MarkCurrentRow();
    if (ctx_.player.CurrentIndex > 0) ScrollToRow(ctx_.player.CurrentIndex);
  });
  if (!whole) KeepDamagedPlaylist();
}

void Fplay::SavePlaylist() {
  ctx_.log.trap(QStringLiteral("SavePlaylist"),
                [&] { lyrovo::SavePlaylist(ctx_.playlist, ctx_.player.CurrentIndex, ctx_.paths.appPath); });
}

void Fplay::MarkCurrentRow() {
  const TransportEnables enables = lyrovo::MarkCurrentRow(ctx_.playlist, ctx_.player.CurrentIndex);
  image(SkinPart::PreviousButton)->setEnabled(enables.previous);
  image(SkinPart::NextButton)->setEnabled(enables.next);
  if (enables.listEmpty && !ctx_.BP1.aIsActive()) {
    image(SkinPart::PlayButton)->setEnabled(false);
    image(SkinPart::StopButton)->setEnabled(false);
  }
  const int current = ctx_.player.CurrentIndex;
  QItemSelectionModel* selection = list_->selectionModel();
  selection->clearSelection();
  if (current > 0 && current <= ListCount())
    selection->setCurrentIndex(listModel_->index(current - 1, 0),
                               QItemSelectionModel::Select | QItemSelectionModel::Rows);
  list_->viewport()->update();
}

int Fplay::ListCount() const { return ctx_.playlist.count(); }

int Fplay::ListTopRow() const {
  const int row = list_->rowAt(0);
  return row < 0 ? 1 : row + 1;
}

void Fplay::fitListRowsToFont() {
  list_->verticalHeader()->setDefaultSectionSize(QFontMetrics(list_->font()).height() + 4);
}

int Fplay::RowsPerPage() const {
  const int height = list_->verticalHeader()->defaultSectionSize();
  return height > 0 ? std::max(1, list_->viewport()->height() / height) : 1;
}

void Fplay::ScrollToRow(int row) {
  if (row >= 1 && row <= ListCount()) list_->scrollTo(listModel_->index(row - 1, 0));
}

void Fplay::placeListThumb() {
  const int rows = ListCount(), page = RowsPerPage();
  ctx_.player.ListTopIndex = std::int16_t(ListTopRow());
  const bool scrolls = page < rows;
  image(SkinPart::ListTrack)->setVisible(scrolls);
  image(SkinPart::ListThumb)->setVisible(scrolls);
  if (!scrolls) return;
  const SkinImage* track = image(SkinPart::ListTrack);
  SkinImage* thumb = image(SkinPart::ListThumb);
  const int travel = track->height() - thumb->height();
  const int top = track->y() + travel * (ctx_.player.ListTopIndex - 1) / (rows - page);
  thumb->move(thumb->x(), std::clamp(top, track->y(), track->y() + travel));
}

void Fplay::RefreshListLayout() {
  placeListThumb();
  const ListColumnWidths widths = RefreshListColumnWidths(
      [this](const QString& text) { return list_->fontMetrics().horizontalAdvance(text); },
      list_->viewport()->width(), ListCount(), list_->columnWidth(3));
  applyColumnWidths(widths);
}

void Fplay::applyColumnWidths(const ListColumnWidths& widths) {
  list_->setColumnWidth(0, widths.number);
  list_->setColumnWidth(1, widths.title);
  list_->setColumnWidth(2, widths.artist);
  list_->setColumnWidth(3, widths.length);
}

// ---------------------------------------------------------------- calls later parts fill in

void Fplay::DrawVis() {
  vis_.drawFrame(visSource_);
  visPane()->update();
}

void Fplay::ClearVis() {
  vis_.clear();
  visPane()->update();
}

}  // namespace lyrovo
