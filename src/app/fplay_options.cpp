// The options window's effects on the running player.
#include "app/autosave.h"
#include "app/fplay.h"
#include "app/fset.h"
#include "playlist/playlistops.h"
#include "playlist/playlisttablemodel.h"

#include <QPalette>

namespace lyrovo {

void Fplay::ShowOptions(int page) {
  ctx_.log.trap(QStringLiteral("ShowOptions"), [&] {
    if (optionsWindow_) optionsWindow_->close();
    auto* window = new FSet(ctx_, *this, this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowModality(Qt::ApplicationModal);
    window->Label1_Click(page);
    window->show();
    optionsWindow_ = window;
    // Settings.ini follows the window's save, not each click in it.
    if (autoSaver_) autoSaver_->holdSettings(true);
    connect(window, &QObject::destroyed, this, [this, window] {
      if (autoSaver_ && (optionsWindow_.isNull() || optionsWindow_.data() == window))
        autoSaver_->holdSettings(false);
    });
  });
}

FSet* Fplay::OptionsWindow() const { return optionsWindow_; }

void Fplay::PrepareVisAgain() { PrepareVis(); }

void Fplay::SetVisBackground(std::int32_t colour) { visPane()->setBackground(QColorFromBgr(colour)); }

void Fplay::ApplyListColours() {
  const SkinSettings& skin = ctx_.skin;
  QPalette palette = list_->palette();
  palette.setColor(QPalette::Base, QColorFromBgr(skin.list_colB));
  palette.setColor(QPalette::Window, QColorFromBgr(skin.list_colB));
  palette.setColor(QPalette::Text, QColorFromBgr(skin.list_col2));
  list_->setPalette(palette);
  listModel_->setColours(PlaylistColours::fromSkin(skin));
}

// The rows follow the font's height on their own; the columns are fitted to it here.
void Fplay::ApplyListFont() {
  list_->setFont(QFontFromSpec(ctx_.skin.listFont));
  const ListColumnWidths widths = SkinListColumnWidths(
      [this](const QString& text) { return list_->fontMetrics().horizontalAdvance(text); },
      list_->viewport()->width());
  applyColumnWidths(widths);
}

void Fplay::ApplyLyricColours() {
  lyricView()->setBackground(QColorFromBgr(ctx_.skin.word_colB));
  lyricPane_->ApplySkinColours();
  lyricPane_->RecomputeGeometry(positionMs());
  lyricView()->update();
}

void Fplay::ApplyLyricFont() {
  ctx_.lyricPane.Font = QFontFromSpec(ctx_.skin.wordFont);
  lyricView()->setFont(ctx_.lyricPane.Font);
  lyricPane_->RecomputeGeometry(positionMs());
  lyricView()->update();
}

void Fplay::ClickVisPane() {
  Pic1_MouseDown(static_cast<int>(PanePart::Visualisation), Qt::LeftButton, 0, 1, 1);
}

}  // namespace lyrovo
