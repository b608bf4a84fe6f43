#include "download/serverconfig.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace lyrovo {
namespace {

void writeText(const QString& path, const QByteArray& text) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  ASSERT_EQ(file.write(text), text.size());
}

TEST(ServerConfig, DefaultsArePlaceholderHttpHostsThatNeverResolve) {
  const ServerConfig defaults;
  for (const QString& base : {defaults.lyricSearch1, defaults.lyricSearch2, defaults.lyricSearch3,
                              defaults.musicSearch, defaults.lyricDownload, defaults.artistProfile}) {
    EXPECT_EQ(NormalizeServerBase(base), base);
    EXPECT_TRUE(base.endsWith(QStringLiteral(".invalid"))) << base.toStdString();
  }
  // The only live default is LRCLIB, so a fresh install checks the connection there.
  EXPECT_EQ(defaults.lrclib, QStringLiteral("https://lrclib.net"));
  EXPECT_EQ(defaults.connectionCheck, QStringLiteral("https://lrclib.net/"));
  EXPECT_TRUE(IsPlaceholderServer(defaults.lyricDownload));
  EXPECT_FALSE(IsPlaceholderServer(defaults.lrclib));

  QTemporaryDir dir;
  EXPECT_EQ(LoadServerConfig(dir.path() + QStringLiteral("/Settings.ini")), defaults);  // no file
  EXPECT_EQ(LoadServerConfig(dir.path()), defaults);  // a folder, unreadable
}

TEST(ServerConfig, ReadsTheServersSectionOfSettingsIni) {
  QTemporaryDir dir;
  const QString path = dir.path() + QStringLiteral("/Settings.ini");
  writeText(path,
            "[lyrovo]\r\n"
            "lyricSearch1=http://ignored.example.test\r\n"
            "[servers]\r\n"
            "LYRICSEARCH1 = http://127.0.0.1:8080/ \r\n"
            "lyricSearch2=https://lyrics.example.test/base//\r\n"
            "lyricDownload=HTTP://lrc.example.test:81\r\n"
            "artistProfile=\r\n");
  ServerConfig expected;
  expected.lyricSearch1 = QStringLiteral("http://127.0.0.1:8080");
  expected.lyricSearch2 = QStringLiteral("https://lyrics.example.test/base");
  expected.lyricDownload = QStringLiteral("HTTP://lrc.example.test:81");
  expected.connectionCheck = QStringLiteral("HTTP://lrc.example.test:81/");  // follows the download host
  EXPECT_EQ(LoadServerConfig(path), expected);

  writeText(path,
            "[Servers]\nlyricDownload=http://lrc.example.test\nconnectionCheck=https://check.example.test/"
            "ping?x=1\n");
  EXPECT_EQ(LoadServerConfig(path).connectionCheck, QStringLiteral("https://check.example.test/ping?x=1"));
}

TEST(ServerConfig, IgnoresValuesThatAreNotHttpUrls) {
  QTemporaryDir dir;
  const QString path = dir.path() + QStringLiteral("/Settings.ini");
  writeText(path,
            "[Servers]\n"
            "lyricSearch1=file:///etc/passwd\n"
            "lyricSearch2=ftp://lyrics.example.test\n"
            "lyricSearch3=lyrics.example.test\n"
            "musicSearch=http://\n"
            "lyricDownload=http://lrc.example.test/?q=1\n"
            "artistProfile=javascript:alert(1)\n"
            "connectionCheck=http://check.example.test/#top\n");
  EXPECT_EQ(LoadServerConfig(path), ServerConfig());
  EXPECT_EQ(NormalizeServerUrl(QStringLiteral("gopher://check.example.test/")), QString());
  EXPECT_EQ(NormalizeServerBase(QStringLiteral("http://a b.example.test")), QString());
}

}  // namespace
}  // namespace lyrovo
