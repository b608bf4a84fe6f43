// The lyric pane of the main window: loading a lyric, the animation tick,
// the status texts and the lyric menu with its submenus.
#include "app/fplay.h"
#include "app/fset.h"
#include "download/download.h"
#include "lyrics/loadword.h"
#include "lyrics/lyricpane.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>

#include <utility>

namespace lyrovo {

std::int32_t Fplay::positionMs() const { return PositionMs(ctx_.BP1.aPosByte(), ctx_.player.MsPerByte); }

LoadWordContext Fplay::loadWordContext() {
  const PlaylistRow* row = ctx_.player.CurrentIndex >= 1 && ctx_.player.CurrentIndex <= ListCount()
                               ? &ctx_.playlist.row(ctx_.player.CurrentIndex)
                               : nullptr;
  const QString songFolder = row ? row->path.left(row->path.lastIndexOf(u'/') + 1) : QString();
  LoadWordContext context{ctx_.lyrics,    ctx_.player,   ctx_.search,
                          ctx_.settings,  *ctx_.prompts, ctx_.log,
                          *this,          songFolder,    double(ctx_.BP1.alenByte()) * ctx_.player.MsPerByte,
                          TempLyricFile()};
  return context;
}

bool Fplay::LoadWord(const QString& source, bool isLocal) {
  // A shift of the lyric shown until now is kept before it is replaced.
  if (ctx_.player.LyricDirty) WriteBackShiftedLyric();
  lastLyricSource_ = source;
  LoadWordContext context = loadWordContext();
  const bool loaded = lyrovo::LoadWord(source, isLocal, context);
  lyricView()->update();
  return loaded;
}

QString Fplay::DownFile(const QString& url) {
  // The web lookup left the chosen lyric in the temp file already.
  if (!prefetchedLink_.isEmpty() && url == prefetchedLink_) {
    prefetchedLink_.clear();
    return std::exchange(prefetchedText_, QString());
  }
  return lyrovo::DownFile(url, TempLyricFile(), {}, &ctx_.log);
}

void Fplay::DrawInfo(const QString& text) {
  lyricInfo_ = text;
  lyricPane_->DrawInfo(text);
  // Shown now: the work that follows a status text may keep the event loop waiting.
  lyricView()->repaint();
}

void Fplay::DrawPhotoInfo(const QString& text) {
  photoInfo_ = text;
  photo_ = QImage();
  PicturePane* box = photoPane();
  lyrovo::DrawPhotoInfo(box->surface(), box->font(), QColor(0xCF, 0xCF, 0xCF), box->background(), text);
  box->repaint();
}

void Fplay::WordAdjust() {
  lyricPane_->WordAdjust(positionMs());
  lyricView()->update();
}

void Fplay::ClearPane() {
  lyricPane_->Clear();
  lyricView()->update();
}

void Fplay::StartLyricTimer() { timer2_.start(); }

void Fplay::ResetScroll() { lyricPane_->ResetScroll(); }

int Fplay::TextWidth(const QString& text) { return lyricPane_->TextWidth(text); }

void Fplay::Timer2_Timer() {
  if (lyricPane_->Timer2_Timer(positionMs(), timer1_.isActive(), isVisible()) == Timer2Change::Stop)
    timer2_.stop();
  // Most ticks move the text by less than a pixel and change nothing.
  pendingLyricRect_ |= lyricPane_->ChangedRect();
  // While the playback tick draws a view at least as often, the lyric's
  // change goes to the screen with the view's next frame: one repaint and one
  // transfer to the display instead of two.
  if (drawingFrames_ && timer1_.isActive() && timer1_.interval() <= timer2_.interval()) return;
  showPendingLyricChange();
}

void Fplay::showPendingLyricChange() {
  if (pendingLyricRect_.isEmpty()) return;
  lyricView()->update(pendingLyricRect_);
  pendingLyricRect_ = QRect();
}

// ---------------------------------------------------------------- the lyric menu

void Fplay::buildLyricMenu() {
  menuW_ = new QMenu(kLyricMenuCaptions[0], this);
  QMenu* showtypes = new QMenu(kLyricMenuCaptions[kMenuShowtypes], this);
  for (int i = 1; i < int(kShowtypeCaptions.size()); ++i) {
    QAction* action = kShowtypeCaptions[i] == QStringLiteral("-")
                          ? showtypes->addSeparator()
                          : showtypes->addAction(kShowtypeCaptions[i]);
    action->setCheckable(i >= 3);
    connect(action, &QAction::triggered, this, [this, i] { Showtypes_Click(i); });
    showtypes_ << action;
  }
  QMenu* textchanges = new QMenu(kLyricMenuCaptions[kMenuTextchanges], this);
  for (int i = 1; i < int(kTextchangeCaptions.size()); ++i) {
    QAction* action = textchanges->addAction(kTextchangeCaptions[i]);
    action->setCheckable(true);
    connect(action, &QAction::triggered, this, [this, i] { Textchanges_Click(i); });
    textchanges_ << action;
  }
  for (int i = 1; i < int(kLyricMenuCaptions.size()); ++i) {
    QAction* action = nullptr;
    if (i == kMenuShowtypes) {
      action = menuW_->addMenu(showtypes);
    } else if (i == kMenuTextchanges) {
      action = menuW_->addMenu(textchanges);
    } else if (kLyricMenuCaptions[i] == QStringLiteral("-")) {
      action = menuW_->addSeparator();
    } else {
      action = menuW_->addAction(kLyricMenuCaptions[i]);
      connect(action, &QAction::triggered, this, [this, i] { menuWs_Click(i); });
    }
    menuWs_ << action;
  }
  menuWs_[kMenuCoverPlaylist - 1]->setCheckable(true);
  menuWs_[kMenuFullScreen - 1]->setCheckable(true);
  connect(menuW_, &QMenu::aboutToHide, this, [this] {
    menuWs_[kMenuCoverPlaylist - 1]->setEnabled(true);
    menuWs_[kMenuSeparator12 - 1]->setEnabled(true);
  });
}

void Fplay::ShowLyricMenu(QPoint at) {
  const LyricMenuLook look = lyricPane_->menuW_Opening(timer2_.isActive(), ctx_.paths.exeName);
  menuWs_[kMenuSearch - 1]->setEnabled(look.searchEnabled);
  menuWs_[kMenuCopy - 1]->setEnabled(look.copyEnabled);
  menuWs_[kMenuShowHide - 1]->setEnabled(look.showHideEnabled);
  menuWs_[kMenuShowHide - 1]->setText(look.showHideCaption);
  menuWs_[kMenuCoverPlaylist - 1]->setEnabled(look.coverEnabled);
  menuWs_[kMenuCoverPlaylist - 1]->setChecked(look.coverChecked);
  menuWs_[kMenuFullScreen - 1]->setChecked(look.fullScreenChecked);
  menuWs_[kMenuSeparator12 - 1]->setEnabled(look.separator12Enabled);
  showtypes_[0]->setText(look.layoutCaption);
  showtypes_[2]->setChecked(look.karaokeChecked);
  showtypes_[3]->setChecked(look.fadeChecked);
  textchanges_[0]->setChecked(look.simplifiedChecked);
  textchanges_[1]->setChecked(look.traditionalChecked);
  menuW_->popup(at);
}

void Fplay::menuWs_Click(int index) { applyLyricMenuOutcome(lyricPane_->menuWs_Click(index, positionMs())); }

void Fplay::Showtypes_Click(int index) { applyLyricMenuOutcome(lyricPane_->Showtypes_Click(index)); }

// Shows the lyric in simplified (1) or traditional (2) characters.
void Fplay::Textchanges_Click(int index) {
  ctx_.log.trap(QStringLiteral("FormAbout_textchange_Click"), [&] {
    if (ctx_.settings.textChange == index) return;
    ClearPane();
    ConvertLyricScript(
        ctx_.lyrics, index, [this](const QString& text) { return TextWidth(text); }, &ctx_.log);
    ctx_.settings.textChange = std::int16_t(index);
    for (int i = 0; i < textchanges_.size(); ++i) textchanges_[i]->setChecked(i + 1 == index);
  });
}

void Fplay::applyLyricMenuOutcome(const LyricMenuOutcome& outcome) {
  if (outcome.timerInterval > 0) timer2_.setInterval(outcome.timerInterval);
  if (outcome.timer == Timer2Change::Start) timer2_.start();
  if (outcome.timer == Timer2Change::Stop) timer2_.stop();
  if (outcome.clipboard) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(*outcome.clipboard);
  }
  switch (outcome.request) {
    case LyricMenuRequest::OpenSearch:
      CloseLyricSearchWindow();
      ShowLyricSearchWindow();
      break;
    case LyricMenuRequest::CheckConnection:
      CheckConnection();
      break;
    case LyricMenuRequest::CoverPlaylist:
      LayoutWindow();
      LayoutWindow();
      break;
    case LyricMenuRequest::EnterFullScreen:
      if (!ctx_.player.OnTop) {
        setWindowFlag(Qt::WindowStaysOnTopHint, true);
        ctx_.player.OnTop = true;
      }
      wasMaximised_ = isMaximized();
      showFullScreen();
      break;
    case LyricMenuRequest::LeaveFullScreen:
      if (!menuTs_[8]->isChecked()) {
        setWindowFlag(Qt::WindowStaysOnTopHint, false);
        ctx_.player.OnTop = false;
      }
      if (wasMaximised_) {
        showMaximized();
      } else {
        showNormal();
      }
      LayoutWindow();
      LayoutWindow();
      break;
    case LyricMenuRequest::OpenOptions:
      ShowOptions(FSet::kPageLyrics);
      break;
    case LyricMenuRequest::None:
      break;
  }
  lyricView()->update();
}

}  // namespace lyrovo
