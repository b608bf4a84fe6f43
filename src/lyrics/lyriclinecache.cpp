#include "lyrics/lyriclinecache.h"

#include "settings/settings.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace lyrovo {

namespace {

int textFlags(const LyricTextOp& op) {
  return Qt::TextSingleLine | Qt::AlignTop | (op.centred ? Qt::AlignHCenter : Qt::AlignLeft) |
         Qt::TextDontClip;
}

}  // namespace

void LyricLineCache::clear() {
  entries_.clear();
  extents_.clear();
}

const LyricLineCache::Extent& LyricLineCache::extentOf(const Placement& placement, const LyricTextOp& op) {
  auto found = extents_.find(placement);
  if (found == extents_.end()) {
    const QFontMetrics metrics(font_);
    // A left-aligned text starts at the rectangle's left whatever its width;
    // a centred one is placed within the rectangle's width.
    Extent extent;
    extent.layout =
        QRect(0, 0, placement.centred ? placement.width : std::max(1, metrics.horizontalAdvance(op.text)),
              std::max(1, placement.height));
    const QRect box = metrics.boundingRect(extent.layout, textFlags(op), op.text);
    // Glyphs may reach past their advance (italics, wide fallback glyphs).
    const int margin = metrics.height() / 2 + 2;
    extent.left = box.left() - margin;
    extent.width = box.right() + 1 + margin - extent.left;
    found = extents_.emplace(placement, extent).first;
  }
  found->second.lastFrame = frame_;
  return found->second;
}

LyricLineCache::Entry LyricLineCache::render(QColor background, const LyricTextOp& op,
                                             const Extent& extent) const {
  Entry entry;
  entry.left = extent.left;
  entry.image = QImage(extent.width, extent.layout.height(), QImage::Format_RGB32);
  entry.image.fill(background);
  QPainter painter(&entry.image);
  painter.setFont(font_);
  const int flags = textFlags(op);
  const QRect at = extent.layout.translated(-extent.left, 0);
  if (op.underColour >= 0) {
    painter.setPen(QColorFromBgr(op.underColour));
    painter.drawText(at, flags, op.text);
  }
  painter.setPen(QColorFromBgr(op.colour));
  painter.drawText(at, flags, op.text);
  return entry;
}

QRect LyricLineCache::draw(QPainter& painter, QColor background, const LyricTextOp& op) {
  if (painter.font() != font_ || background.rgb() != background_) {
    clear();
    font_ = painter.font();
    background_ = background.rgb();
  }
  const Placement placement{op.text, op.centred, op.centred ? op.rect.width() : 0, op.rect.height()};
  const Extent& extent = extentOf(placement, op);
  const Key key{placement, op.colour, op.underColour};
  auto found = entries_.find(key);
  if (found == entries_.end()) found = entries_.emplace(key, render(background, op, extent)).first;
  Entry& entry = found->second;
  entry.lastFrame = frame_;

  const QPoint origin(op.rect.left() + entry.left, op.rect.top());
  QRect area(origin, entry.image.size());
  if (op.clipped) area &= op.rect;
  if (const QPaintDevice* device = painter.device()) area &= QRect(0, 0, device->width(), device->height());
  if (area.isEmpty()) return {};
  painter.drawImage(area.topLeft(), entry.image, area.translated(-origin));
  return area;
}

void LyricLineCache::endFrame() {
  const auto unused = [this](const auto& item) { return item.second.lastFrame != frame_; };
  if (int(entries_.size()) > kMaxEntries) std::erase_if(entries_, unused);
  if (int(extents_.size()) > kMaxEntries) std::erase_if(extents_, unused);
  ++frame_;
}

}  // namespace lyrovo
