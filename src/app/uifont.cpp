#include "app/uifont.h"

#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>

#include <fontconfig/fontconfig.h>

#include <cstddef>

namespace lyrovo {

// The cut font's bytes, written by the build (uifont/embed.cmake).
extern const unsigned char kUiHanFont[];
extern const std::size_t kUiHanFontSize;

namespace {

struct FontFace {
  QString file;
  int index = -1;
};

// The font face fontconfig takes a Chinese character from for family at
// weight: the first in its fallback order that has one. Only fontconfig's
// cache is read; no font file is opened.
FontFace ChineseFaceFor(const QString& family, int weight) {
  FontFace face;
  FcPattern* pattern = FcPatternCreate();
  const QByteArray name = family.toUtf8();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.constData()));
  FcPatternAddInteger(pattern, FC_WEIGHT, weight);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcFontSet* fonts = FcFontSort(nullptr, pattern, FcTrue, nullptr, &result);
  for (int i = 0; fonts && i < fonts->nfont; ++i) {
    FcCharSet* characters = nullptr;
    if (FcPatternGetCharSet(fonts->fonts[i], FC_CHARSET, 0, &characters) != FcResultMatch ||
        !FcCharSetHasChar(characters, U'你'))
      continue;
    FcChar8* file = nullptr;
    if (FcPatternGetString(fonts->fonts[i], FC_FILE, 0, &file) == FcResultMatch)
      face.file = QString::fromUtf8(reinterpret_cast<const char*>(file));
    if (FcPatternGetInteger(fonts->fonts[i], FC_INDEX, 0, &face.index) != FcResultMatch) face.index = 0;
    break;
  }
  if (fonts) FcFontSetDestroy(fonts);
  FcPatternDestroy(pattern);
  return face;
}

}  // namespace

int InstallUiHanFont(const QStringList& families) {
  // The font the build cut from, still the same file (a changed size means
  // an update that may have changed its glyphs).
  const QString source = QStringLiteral(LYROVO_UI_FONT_SOURCE);
  const bool sourceUnchanged = QFileInfo(source).size() == LYROVO_UI_FONT_SOURCE_SIZE;

  const QString han = kUiHanFamily.toString();
  int count = 0;
  QStringList seen, wanted;
  for (const QString& family : families) {
    if (family.isEmpty() || seen.contains(family, Qt::CaseInsensitive)) continue;
    seen << family;
    if (QFont::substitutes(family).contains(han, Qt::CaseInsensitive)) {
      ++count;
      continue;
    }
    // The same font draws the same text, plain or bold; with no Chinese font
    // at all, the interface is at least legible instead of a row of boxes.
    const auto usable = [&](int weight) {
      const FontFace face = ChineseFaceFor(family, weight);
      return face.file.isEmpty() ||
             (sourceUnchanged && face.file == source && face.index == LYROVO_UI_FONT_INDEX);
    };
    if (usable(FC_WEIGHT_REGULAR) && usable(FC_WEIGHT_BOLD)) wanted << family;
  }
  if (wanted.isEmpty()) return count;
  if (!QFontDatabase::families().contains(han)) {
    const int id = QFontDatabase::addApplicationFontFromData(
        QByteArray::fromRawData(reinterpret_cast<const char*>(kUiHanFont), qsizetype(kUiHanFontSize)));
    if (!QFontDatabase::applicationFontFamilies(id).contains(han)) return count;
  }
  for (const QString& family : wanted) {
    // The family Qt draws with now stays first, so metrics and Latin text are
    // unchanged; the cut font comes before the system's own fallbacks.
    const QString primary = QFontInfo(QFont(family)).family();
    QFont::insertSubstitutions(family, {primary, han});
    ++count;
  }
  return count;
}

}  // namespace lyrovo
