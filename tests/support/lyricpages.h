#pragma once

// Result pages of the three web lyric services and the music search page,
// written by hand around the markers the player reads.

#include <QString>

#include <vector>

namespace lyrovo::testing::pages {

inline QString joined(const std::vector<QString>& rows) {
  QString text;
  for (const QString& row : rows) text += row + u'\n';
  return text;
}

// Service 1: a song link, then the lyric link followed by "LRC歌词".
inline QString row1(const char* lyricUrl) {
  return QStringLiteral("<tr><td><a href=\"http://s1.example/song\">song</a></td><td><a href=\"") +
         QString::fromUtf8(lyricUrl) + QStringLiteral("\"> LRC歌词</a></td></tr>");
}
inline QString page1(const std::vector<QString>& rows, const QString& searchText = QStringLiteral("晴天")) {
  return QStringLiteral("<html><title>") + searchText + QStringLiteral(" 的搜索结果</title><th>歌曲</th>\n") +
         joined(rows) + QStringLiteral("<a href=\"/next\">下一页</a></html>");
}

// Service 2: title, artist and lyric group id of one song.
inline QString row2(const QString& title, const QString& artist, int group) {
  return QStringLiteral("<tr><td>曲名：<a href=\"/s\"><font color=#c60a00>") + title +
         QStringLiteral("</font></a></td><td>歌手：<a href=\"/a\">") + artist +
         QStringLiteral("</a></td><td><a href=\"downlrc.jsp?tGroupid=") + QString::number(group) +
         QStringLiteral("\">LRC歌词下载</a></td></tr>");
}
inline QString page2(const std::vector<QString>& rows) {
  return QStringLiteral("<html><body>\n") + joined(rows) + QStringLiteral("</body></html>");
}

// Service 3: artist, lyric link ("查看LRC歌词") and the title in "nm=".
inline QString row3(const QString& artist, const char* lyricUrl, const QString& title) {
  return QStringLiteral("<div>歌手：<a href=\"/singer\">") + artist + QStringLiteral("</a> <a href=\"") +
         QString::fromUtf8(lyricUrl) +
         QStringLiteral("\" target=\"_blank\" >查看LRC歌词</a> <a href=\"/play?nm=") + title +
         QStringLiteral("\">试听</a></div>");
}
inline QString page3(const std::vector<QString>& rows) {
  return QStringLiteral("<html><body>\n") + joined(rows) + QStringLiteral("</body></html>");
}

// The music search page naming the artist of the first song found.
inline QString infoPage(const QString& artistCell) {
  return QStringLiteral("<html><td class=song><a href=\"/s\">晴天</a></td><td><a href=\"/a\" class=mr>") +
         artistCell + QStringLiteral("</a></td></html>");
}

}  // namespace lyrovo::testing::pages
