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

void LyricLineCache::clear() { entries_.clear(); }

LyricLineCache::Entry LyricLineCache::render(const QFont& font, QColor background, const LyricTextOp& op,
                                             const Key& key) const {
  const QFontMetrics metrics(font);
  const int height = std::max(1, op.rect.height());
  // A left-aligned text starts at the rectangle's left whatever its width;
  // a centred one is placed within the rectangle's width.
  const QRect layout(0, 0, key.centred ? key.width : std::max(1, metrics.horizontalAdvance(op.text)), height);
  const int flags = textFlags(op);
  const QRect box = metrics.boundingRect(layout, flags, op.text);
  // Glyphs may reach past their advance (italics, wide fallback glyphs).
  const int margin = metrics.height() / 2 + 2;
  Entry entry;
  entry.left = box.left() - margin;
  const int right = box.right() + 1 + margin;
  entry.image = QImage(right - entry.left, height, QImage::Format_RGB32);
  entry.image.fill(background);
  QPainter painter(&entry.image);
  painter.setFont(font);
  const QRect at = layout.translated(-entry.left, 0);
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
    entries_.clear();
    font_ = painter.font();
    background_ = background.rgb();
  }
  const Key key{op.text,         op.colour, op.underColour, op.centred, op.centred ? op.rect.width() : 0,
                op.rect.height()};
  auto found = entries_.find(key);
  if (found == entries_.end()) found = entries_.emplace(key, render(font_, background, op, key)).first;
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
  if (int(entries_.size()) > kMaxEntries)
    std::erase_if(entries_, [this](const auto& item) { return item.second.lastFrame != frame_; });
  ++frame_;
}

}  // namespace lyrovo
