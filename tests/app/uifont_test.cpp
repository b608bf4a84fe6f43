#include "app/uifont.h"
#include "support/fontfamilies.h"

#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

using namespace lyrovo;
using lyrovo::testing::FamilyDrawing;

namespace {

// Texts the main window shows at start, mixed with Latin as they appear.
const QStringList kInterfaceTexts = {QStringLiteral("状态: 播放(顺序)"),
                                     QStringLiteral("声道: 立体声"),
                                     QStringLiteral("未联网！"),
                                     QStringLiteral("无视觉效果"),
                                     QStringLiteral("添加 移除 排序 模式"),
                                     QStringLiteral("正在查找歌词…"),
                                     QStringLiteral("加载歌曲 请稍候"),
                                     QStringLiteral("正在检查联网"),
                                     QStringLiteral("停止 12:34 MP3")};

bool SystemChineseFontMapped() {
  QFile maps(QStringLiteral("/proc/self/maps"));
  return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("wqy-microhei");
}

QImage Render(const QFont& font, const QString& text) {
  QImage image(420, 40, QImage::Format_ARGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.setFont(font);
  painter.setPen(Qt::black);
  painter.drawText(QPointF(4, 28), text);
  return image;
}

QFont Font(const QString& family, int points, bool bold) {
  QFont font(family, points);
  font.setBold(bold);
  return font;
}

}  // namespace

// The interface's Chinese text is drawn from the built-in cut font: the big
// system font is never mapped for it, and every pixel is what the system font
// draws (the same glyphs, hinted alike, with the same primary font).
// Characters the cut font lacks still come from the system font.
TEST(UiHanFont, InterfaceTextLooksTheSameWithoutMappingTheSystemFont) {
  // "MS Sans Serif" is what the skin asks for and no system has; the other
  // name stands for the same request without the built-in font.
  const QString skinFamily = QStringLiteral("MS Sans Serif");
  const QString plainFamily = QStringLiteral("Lyrovo Test No Such Family");
  EXPECT_EQ(InstallUiHanFont({skinFamily, skinFamily}), 1);
  EXPECT_EQ(InstallUiHanFont({skinFamily}), 1);  // again: nothing more happens
  EXPECT_EQ(QFontDatabase::families().count(kUiHanFamily.toString()), 1);

  std::vector<QImage> drawn;
  for (const QString& text : kInterfaceTexts)
    for (auto [points, bold] : {std::pair{9, false}, std::pair{12, true}})
      drawn.push_back(Render(Font(skinFamily, points, bold), text));
  EXPECT_FALSE(SystemChineseFontMapped());

  // Same primary font, same line height.
  EXPECT_EQ(QFontInfo(QFont(skinFamily, 9)).family(), QFontInfo(QFont(plainFamily, 9)).family());
  EXPECT_EQ(QFontMetricsF(QFont(skinFamily, 9)).height(), QFontMetricsF(QFont(plainFamily, 9)).height());
  std::size_t at = 0;
  for (const QString& text : kInterfaceTexts)
    for (auto [points, bold] : {std::pair{9, false}, std::pair{12, true}})
      EXPECT_TRUE(drawn[at++] == Render(Font(plainFamily, points, bold), text))
          << text.toStdString() << " " << points;

  const QString title = QStringLiteral("歌词 鬱金香 Tulip");
  EXPECT_EQ(FamilyDrawing(QFont(skinFamily, 9), title, 0), kUiHanFamily.toString());
  EXPECT_EQ(FamilyDrawing(QFont(skinFamily, 9), title, 3), QStringLiteral("WenQuanYi Micro Hei"));
  // (Qt reports a family reached through a substitution in lower case.)
  EXPECT_EQ(FamilyDrawing(QFont(skinFamily, 9), title, 8).toLower(), QStringLiteral("dejavu sans"));
}
