#include "app/finfo.h"
#include "app/fplay.h"
#include "playlist/playlistops.h"

namespace lyrovo {

void Fplay::ShowMediaInfo() {
  ctx_.log.trap(QStringLiteral("ShowMediaInfo"), [&] {
    const Playlist& list = ctx_.playlist;
    const int selected = list.selectedItem();
    if (selected < 1 || selected > list.count()) return;
    const QString path = list.row(selected).path;
    if (!FileExists(path)) {
      ctx_.prompts->message(Prompts::Icon::Critical, Prompts::Buttons::Ok, QStringLiteral("Lyrovo - 警告"),
                            QStringLiteral("文件：") + path + QStringLiteral(" 不存在！"));
      return;
    }
    // One window at a time: an open one goes and a new one shows the row.
    delete infoWindow_.data();
    infoWindow_ = new FInfo(
        ctx_,
        [this] {
          MarkCurrentRow();
          RefreshListLayout();
        },
        this);
    infoWindow_->Form_Load();
    infoWindow_->show();
  });
}

FInfo* Fplay::MediaInfoWindow() const { return infoWindow_.data(); }

}  // namespace lyrovo
