#pragma once

// Which font draws a character of a laid-out text.

#include <QFont>
#include <QGlyphRun>
#include <QRawFont>
#include <QString>
#include <QTextLayout>

namespace lyrovo::testing {

// The family of the font that draws the character at index of text in font.
inline QString FamilyDrawing(const QFont& font, const QString& text, int index) {
  QTextLayout layout(text, font);
  layout.beginLayout();
  layout.createLine();
  layout.endLayout();
  const QList<QGlyphRun> runs = layout.glyphRuns(index, 1);
  return runs.isEmpty() ? QString() : runs.first().rawFont().familyName();
}

}  // namespace lyrovo::testing
