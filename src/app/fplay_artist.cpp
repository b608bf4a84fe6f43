// The artist photo pane of the main window: the look-up when a song starts,
// the photo, the tooltip and the click that opens the profile.
#include "app/fplay.h"
#include "artist/artistlookup.h"

#include <QFileInfo>
#include <QPainter>
#include <QTextDocument>

namespace lyrovo {

ArtistLookup& Fplay::artistLookup() {
  PhotoView& pane = *this;  // a private base: only the window may hand itself out as the pane
  if (!artistLookup_) artistLookup_ = std::make_unique<ArtistLookup>(pane, &ctx_.log);
  return *artistLookup_;
}

void Fplay::DownloadJJ(const QString& title, const QString& artist) {
  ctx_.log.trap(QStringLiteral("DownloadJJ"), [&] {
    ArtistLookup& lookup = artistLookup();
    lookup.setSources(LoadArtistSources(settingsFile(ctx_.paths), &ctx_.log));
    // A cached photo shows at once; the web look-up follows the connection check's answer.
    if (awaitConnection()) awaitingConnection_.photo = true;
    lookup.DownloadJJ(title, artist, ctx_.player.ImagesPath, ctx_.player.ResumesPath, ctx_.search.IsOnline);
  });
}

void Fplay::ClearPhoto() {
  photo_ = QImage();
  photoInfo_.clear();
  photoPane()->setBackground(photoPane()->background());
}

void Fplay::ShowPhoto(const QImage& photo) {
  photo_ = photo;
  photoInfo_.clear();
  RedrawPhotoPane();
}

// Text from the web is never read as markup: the tooltip gets it escaped.
void Fplay::SetPhotoTip(const QString& text) {
  photoTip_ = text;
  photoPane()->setToolTip(text.isEmpty() ? QString() : Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal));
}

// The photo fills the pane as far as its shape allows, centred; without
// one the last status text is drawn again.
void Fplay::RedrawPhotoPane() {
  PicturePane* box = photoPane();
  if (photo_.isNull()) {
    if (!photoInfo_.isEmpty()) DrawPhotoInfo(photoInfo_);
    return;
  }
  QImage& surface = box->surface();
  surface.fill(box->background());
  const QImage scaled = photo_.scaled(surface.size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
  QPainter painter(&surface);
  painter.drawImage((surface.width() - scaled.width()) / 2, (surface.height() - scaled.height()) / 2, scaled);
  painter.end();
  box->update();
}

// A left click on the pane opens the shown artist's profile in the
// desktop's text viewer, except in full screen.
void Fplay::OpenArtistProfile() {
  if (!artistLookup_ || ctx_.lyricPane.FullScreen) return;
  const QString profile = artistLookup_->Tag();
  if (profile.isEmpty() || !QFileInfo(profile).isFile()) return;
  ctx_.prompts->openFile(profile);
}

}  // namespace lyrovo
