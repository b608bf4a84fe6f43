#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

class QPainter;

namespace lyrovo {

// One clickable part of the skin (a button, a bar, a thumb, a frame area),
// drawn with vector shapes in the skin's colours, so it is sharp at every
// scale. Each part draws the icon of its role (windowparts.h); the playlist's
// buttons show their glyph as text. A frame area draws nothing.
class SkinImage : public QWidget {
  Q_OBJECT
 public:
  enum class Look { Button, Track, Thumb, Frame };
  SkinImage(int index, Look look, QString glyph, QWidget* parent);

  int index() const { return index_; }
  Look look() const { return look_; }
  void setGlyph(const QString& glyph);
  const QString& glyph() const { return glyph_; }
  // A red stroke across the image (the mute mark on the mute button).
  void setMarked(bool marked);
  bool marked() const { return marked_; }
  // The scheme's colour for lit parts (thumbs, the play button, hover rims).
  void setAccent(QColor accent);
  // The colour scheme the skin button shows.
  void setScheme(int scheme);
  bool hovered() const { return hover_; }

 signals:
  void clicked(int index);
  void pressed(int index, Qt::MouseButton button, QPoint pos);
  void moved(int index, QPoint globalPos);  // while a button is held
  void released(int index, Qt::MouseButton button, QPoint pos);

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void enterEvent(QEnterEvent*) override;
  void leaveEvent(QEvent*) override;

 private:
  void paintButton(QPainter& p, const QRectF& r, const QColor& ink);

  int index_;
  Look look_;
  QString glyph_;
  bool hover_ = false;
  bool marked_ = false;
  QColor accent_{0xD7, 0x79, 0x9A};
  int scheme_ = 0;
};

// A picture pane (artist photo, lyrics, visualisation): shows an
// off-screen surface that the drawing code paints into.
class PicturePane : public QWidget {
  Q_OBJECT
 public:
  PicturePane(int index, QWidget* parent);

  int index() const { return index_; }
  void setBackground(QColor colour);
  QColor background() const { return background_; }
  // The surface the pane shows, kept at the pane's size.
  QImage& surface() { return surface_; }
  // Shows image (owned elsewhere, drawn into by its owner) instead of the surface; nullptr: the surface.
  void showImage(const QImage* image) { shown_ = image; }

 signals:
  void mousePressed(int index, Qt::MouseButton button, QPoint pos);
  void resized(int index);  // the surface has the new size (and is blank)

 protected:
  void paintEvent(QPaintEvent*) override;
  void resizeEvent(QResizeEvent*) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  int index_;
  QColor background_{0x2C, 0x2C, 0x2C};
  QImage surface_;
  const QImage* shown_ = nullptr;
};

}  // namespace lyrovo
