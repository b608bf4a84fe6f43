// The built-in interface font on a system with no Chinese font at all. Runs
// in its own program: fontconfig is limited to the Latin fonts before Qt
// starts.
#include "app/uifont.h"
#include "support/fontfamilies.h"

#include <QApplication>
#include <QFile>
#include <QFont>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace lyrovo;
using lyrovo::testing::FamilyDrawing;

// Without a Chinese font the interface's text would be a row of boxes; the
// built-in font draws it instead.
TEST(UiHanFontWithoutChineseFonts, InterfaceTextIsDrawnFromTheBuiltInFont) {
  const QFont skinFont(QStringLiteral("MS Sans Serif"), 9);
  const QString status = QStringLiteral("未联网！");
  ASSERT_NE(FamilyDrawing(skinFont, status, 0), kUiHanFamily.toString());
  EXPECT_EQ(InstallUiHanFont({skinFont.family()}), 1);
  EXPECT_EQ(FamilyDrawing(skinFont, status, 0), kUiHanFamily.toString());
  EXPECT_EQ(FamilyDrawing(skinFont, status, 2), kUiHanFamily.toString());
}

int main(int argc, char** argv) {
  QTemporaryDir fonts;
  QFile config(fonts.filePath(QStringLiteral("fonts.conf")));
  if (!fonts.isValid() || !config.open(QIODevice::WriteOnly)) return 1;
  config.write(
      QStringLiteral("<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"urn:fontconfig:fonts.dtd\">\n"
                     "<fontconfig>\n  <dir>/usr/share/fonts/truetype/dejavu</dir>\n"
                     "  <cachedir>%1</cachedir>\n</fontconfig>\n")
          .arg(fonts.filePath(QStringLiteral("cache")))
          .toUtf8());
  config.close();
  qputenv("FONTCONFIG_FILE", QFile::encodeName(config.fileName()));
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
