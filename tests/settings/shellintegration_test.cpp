#include "settings/shellintegration.h"
#include "base/scriptedprompts.h"
#include "settings/files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <map>

namespace lyrovo {
namespace {

using testfiles::readBytes;
using testfiles::writeBytes;

// Reads a desktop entry the way a desktop does: LF lines, "Key=Value" in
// [Desktop Entry], string escapes undone.
std::map<QString, QString> readEntry(const QString& path) {
  std::map<QString, QString> entry;
  const QString text = QString::fromUtf8(readBytes(path));
  const QStringList lines = text.split(u'\n');
  EXPECT_EQ(lines.value(0), QStringLiteral("[Desktop Entry]"));
  for (const QString& line : lines.mid(1)) {
    const qsizetype equals = line.indexOf(u'=');
    if (equals < 0) continue;
    QString value;
    const QString raw = line.mid(equals + 1);
    for (qsizetype i = 0; i < raw.size(); ++i) {
      if (raw[i] != u'\\' || i + 1 == raw.size()) {
        value += raw[i];
        continue;
      }
      const QChar next = raw[++i];
      value += next == u's'   ? u' '
               : next == u'n' ? u'\n'
               : next == u't' ? u'\t'
               : next == u'r' ? u'\r'
                              : next;
    }
    entry[line.left(equals)] = value;
  }
  return entry;
}

// Splits an unescaped Exec value into arguments: double quotes group, and
// inside them a backslash takes the next character literally; "%%" is "%".
QStringList execArguments(const QString& exec) {
  QStringList arguments;
  QString current;
  bool inQuotes = false, started = false;
  for (qsizetype i = 0; i < exec.size(); ++i) {
    const QChar c = exec[i];
    if (inQuotes && c == u'\\' && i + 1 < exec.size()) {
      current += exec[++i];
    } else if (c == u'"') {
      inQuotes = !inQuotes;
      started = true;
    } else if (c == u' ' && !inQuotes) {
      if (started) arguments << current.replace(QStringLiteral("%%"), QStringLiteral("%"));
      current.clear();
      started = false;
    } else {
      current += c;
      started = true;
    }
  }
  if (started) arguments << current.replace(QStringLiteral("%%"), QStringLiteral("%"));
  return arguments;
}

TEST(DesktopEscaping, StringsAndExecArguments) {
  EXPECT_EQ(desktopEscape(QStringLiteral(" a\\b\nc\td\re ")), QStringLiteral("\\sa\\\\b\\nc\\td\\re "));
  EXPECT_EQ(execQuote(QStringLiteral("/usr/bin/lyrovo")), QStringLiteral("/usr/bin/lyrovo"));
  EXPECT_EQ(execQuote(QStringLiteral("/opt/my player/run")), QStringLiteral("\"/opt/my player/run\""));
  EXPECT_EQ(execQuote(QStringLiteral("/a/100%")), QStringLiteral("/a/100%%"));
  EXPECT_EQ(execQuote(QString()), QStringLiteral("\"\""));
  EXPECT_EQ(execQuote(QStringLiteral("a\"b`c$d")), QStringLiteral("\"a\\\"b\\`c\\$d\""));
  // A backslash is escaped once for the quotes and once more for the string.
  EXPECT_EQ(desktopEscape(execQuote(QStringLiteral("/a\\b"))), QStringLiteral("\"/a\\\\\\\\b\""));
  for (QChar c : QStringLiteral("\t'><~|&;*?#()")) EXPECT_TRUE(execQuote(QString(c)).startsWith(u'"'));
}

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QDir().mkpath(paths.appPath));
    writeBytes(paths.appPath + QStringLiteral("debug.dat"), "");
  }
  QString entryPath() const { return shell.dataHome + QStringLiteral("/applications/lyrovo.desktop"); }
  QString mimeappsPath() const { return shell.configHome + QStringLiteral("/mimeapps.list"); }
  QString autostartPath() const { return shell.configHome + QStringLiteral("/autostart/lyrovo.desktop"); }
  QString errorLog() const {
    return QString::fromUtf8(readBytes(paths.appPath + QStringLiteral("Error.log")));
  }

  QTemporaryDir dir;
  AppPaths paths{dir.path() + QStringLiteral("/my app/"), QStringLiteral("lyrovo"),
                 dir.path() + QStringLiteral("/my app/lyrovo")};
  ShellEnvironment shell{dir.path() + QStringLiteral("/data"), dir.path() + QStringLiteral("/config"),
                         dir.path() + QStringLiteral("/desktop")};
  ScriptedPrompts prompts;
  ErrorLog log{paths.appPath, &prompts};
};

TEST_F(ShellTest, AssociationMakesTheProgramTheDefaultOpener) {
  ASSERT_TRUE(QDir().mkpath(shell.configHome));
  writeBytes(mimeappsPath(),
             "# user file\n"
             "[Default Applications]\n"
             "audio/x-wav=other.desktop\n"
             "text/plain=editor.desktop\n"
             "\n"
             "[Added Associations]\n"
             "audio/x-wav=other.desktop;second.desktop;\n"
             "\n"
             "[Removed Associations]\n"
             "image/png=viewer.desktop;\n");
  for (const char* ext : {"mp3", "wma", "wav", "mp3"}) AssFile(QString::fromLatin1(ext), paths, shell, log);
  EXPECT_EQ(errorLog(), QString());

  auto entry = readEntry(entryPath());
  EXPECT_EQ(entry[QStringLiteral("Type")], QStringLiteral("Application"));
  EXPECT_EQ(entry[QStringLiteral("Name")], QStringLiteral("lyrovo"));
  EXPECT_EQ(entry[QStringLiteral("Comment")], QStringLiteral("媒体文件"));
  EXPECT_EQ(entry[QStringLiteral("Icon")], QStringLiteral("lyrovo"));
  EXPECT_EQ(entry[QStringLiteral("MimeType")],
            QStringLiteral("audio/mpeg;audio/x-ms-wma;audio/x-wav;audio/wav;"));
  EXPECT_EQ(execArguments(entry[QStringLiteral("Exec")]), (QStringList{paths.exePath, QStringLiteral("%f")}));

  EXPECT_EQ(readBytes(mimeappsPath()),
            "# user file\n"
            "[Default Applications]\n"
            "audio/x-wav=lyrovo.desktop;\n"
            "text/plain=editor.desktop\n"
            "audio/mpeg=lyrovo.desktop;\n"
            "audio/x-ms-wma=lyrovo.desktop;\n"
            "audio/wav=lyrovo.desktop;\n"
            "\n"
            "[Added Associations]\n"
            "audio/x-wav=lyrovo.desktop;other.desktop;second.desktop;\n"
            "audio/mpeg=lyrovo.desktop;\n"
            "audio/x-ms-wma=lyrovo.desktop;\n"
            "audio/wav=lyrovo.desktop;\n"
            "\n"
            "[Removed Associations]\n"
            "image/png=viewer.desktop;\n");
}

TEST_F(ShellTest, AssociationKeepsOtherTypesOfAnExistingEntry) {
  ASSERT_TRUE(QDir().mkpath(shell.dataHome + QStringLiteral("/applications")));
  writeBytes(entryPath(), "[Desktop Entry]\nMimeType=audio/ogg;audio/mpeg;\nName[zh_CN]=歌词播放器\n");
  AssFile(QStringLiteral("MP3"), paths, shell, log);
  AssFile(QStringLiteral("flac"), paths, shell, log);
  auto entry = readEntry(entryPath());
  EXPECT_EQ(entry[QStringLiteral("MimeType")], QStringLiteral("audio/ogg;audio/mpeg;audio/x-flac;"));
  EXPECT_EQ(entry[QStringLiteral("Name[zh_CN]")], QStringLiteral("歌词播放器"));

  // An extension that would break the key syntax is refused and logged.
  AssFile(QStringLiteral("a=b"), paths, shell, log);
  EXPECT_TRUE(errorLog().contains(QStringLiteral("AssFile")));
  EXPECT_FALSE(readBytes(mimeappsPath()).contains("a=b"));
}

// An installed player names its installed entry and writes no second one;
// the desktop link is a symbolic link to that entry.
TEST_F(ShellTest, InstalledPlayerPointsAtItsInstalledEntry) {
  const QString installedEntry =
      dir.path() + QStringLiteral("/usr/share/applications/org.example.Player.desktop");
  ASSERT_TRUE(QDir().mkpath(QFileInfo(installedEntry).absolutePath()));
  writeBytes(installedEntry, "[Desktop Entry]\nType=Application\nExec=lyrovo %F\n");
  paths.desktopEntry = installedEntry;

  for (const char* ext : {"mp3", "wav"}) AssFile(QString::fromLatin1(ext), paths, shell, log);
  EXPECT_EQ(errorLog(), QString());
  EXPECT_FALSE(QFileInfo::exists(shell.dataHome + QStringLiteral("/applications")));
  EXPECT_EQ(readBytes(mimeappsPath()),
            "[Default Applications]\n"
            "audio/mpeg=org.example.Player.desktop;\n"
            "audio/x-wav=org.example.Player.desktop;\n"
            "audio/wav=org.example.Player.desktop;\n"
            "\n"
            "[Added Associations]\n"
            "audio/mpeg=org.example.Player.desktop;\n"
            "audio/x-wav=org.example.Player.desktop;\n"
            "audio/wav=org.example.Player.desktop;\n");

  ASSERT_TRUE(QDir().mkpath(shell.desktopDir));
  const QString link = shell.desktopDir + QStringLiteral("/lyrovo.desktop");
  writeBytes(link, "[Desktop Entry]\nType=Link\n");  // left from a portable run
  ASSERT_TRUE(LinkInstalledEntry(paths, shell));
  EXPECT_EQ(QFileInfo(link).symLinkTarget(), installedEntry);
  ASSERT_TRUE(LinkInstalledEntry(paths, shell));  // again: replaced, not refused
  EXPECT_EQ(QFileInfo(link).symLinkTarget(), installedEntry);
  EXPECT_FALSE(LinkInstalledEntry(
      paths, ShellEnvironment{shell.dataHome, shell.configHome, dir.path() + QStringLiteral("/no/desktop")}));
}

TEST_F(ShellTest, AutostartEntryExistsExactlyWhenOn) {
  UpdateAutoStart(false, paths, shell);
  EXPECT_FALSE(QFileInfo::exists(shell.configHome));

  UpdateAutoStart(true, paths, shell);
  auto entry = readEntry(autostartPath());
  EXPECT_EQ(entry[QStringLiteral("Type")], QStringLiteral("Application"));
  EXPECT_EQ(entry[QStringLiteral("Name")], QStringLiteral("lyrovo"));
  EXPECT_EQ(execArguments(entry[QStringLiteral("Exec")]), QStringList{paths.exePath});

  // An existing entry is not rewritten, even when it points elsewhere.
  writeBytes(autostartPath(), "[Desktop Entry]\nExec=/old/place/lyrovo\n");
  UpdateAutoStart(true, paths, shell);
  EXPECT_EQ(readBytes(autostartPath()), "[Desktop Entry]\nExec=/old/place/lyrovo\n");

  UpdateAutoStart(false, paths, shell);
  EXPECT_FALSE(QFileInfo::exists(autostartPath()));
}

TEST_F(ShellTest, ShortcutFileNames) {
  ASSERT_TRUE(QDir().mkpath(shell.desktopDir));
  const QString folder = dir.path() + QStringLiteral("/links");
  ASSERT_TRUE(QDir().mkpath(folder));
  const QString music = paths.appPath;
  writeBytes(music + QStringLiteral("song.mp3"), "ID3");

  EXPECT_TRUE(MakeShortcut(QStringLiteral("song"), QString(), music, QStringLiteral("song.mp3"), QString(),
                           QString(), QString(), shell));
  EXPECT_TRUE(QFileInfo::exists(shell.desktopDir + QStringLiteral("/song.desktop")));
  EXPECT_TRUE(MakeShortcut(QStringLiteral("Mine.DESKTOP"), QString(), music, QStringLiteral("song.mp3"),
                           QString(), QString(), folder, shell));
  EXPECT_TRUE(MakeShortcut(QStringLiteral("song."), QString(), music, QStringLiteral("song.mp3"), QString(),
                           QString(), folder, shell));
  EXPECT_EQ(QDir(folder).entryList(QDir::Files),
            (QStringList{QStringLiteral("Mine.DESKTOP"), QStringLiteral("song..desktop")}));
  EXPECT_EQ(readEntry(folder + QStringLiteral("/Mine.DESKTOP"))[QStringLiteral("Name")],
            QStringLiteral("Mine"));

  auto link = readEntry(shell.desktopDir + QStringLiteral("/song.desktop"));
  EXPECT_EQ(link[QStringLiteral("Type")], QStringLiteral("Link"));
  EXPECT_EQ(QUrl::fromEncoded(link[QStringLiteral("URL")].toLatin1()).toLocalFile(),
            music + QStringLiteral("song.mp3"));
  EXPECT_TRUE(QFileInfo(shell.desktopDir + QStringLiteral("/song.desktop")).permissions() &
              QFileDevice::ExeOwner);

  EXPECT_FALSE(MakeShortcut(QStringLiteral("x"), QString(), music, QStringLiteral("song.mp3"), QString(),
                            QString(), dir.path() + QStringLiteral("/no/such"), shell));
}

TEST_F(ShellTest, ShortcutFieldsSurviveAwkwardCharacters) {
  const QString odd = dir.path() + QStringLiteral("/a b \"q\" $HOME \\x\\ 100% `c`\nline");
  ASSERT_TRUE(QDir().mkpath(odd));
  const QString program = odd + QStringLiteral("/run me");
  writeBytes(program, "#!/bin/sh\n");
  ASSERT_TRUE(QFile::setPermissions(
      program, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
  ASSERT_TRUE(QDir().mkpath(shell.desktopDir));
  const QString name = QStringLiteral(" name\\with \"quotes\"\tand\nbreaks");
  const QString description = QStringLiteral("快捷方式到 \"run me\"");

  ASSERT_TRUE(MakeShortcut(QStringLiteral("app"), program, odd, QStringLiteral("run me"),
                           QStringLiteral("^A"), description, QString(), shell));
  auto entry = readEntry(shell.desktopDir + QStringLiteral("/app.desktop"));
  EXPECT_EQ(entry[QStringLiteral("Type")], QStringLiteral("Application"));
  EXPECT_EQ(execArguments(entry[QStringLiteral("Exec")]), QStringList{program});
  EXPECT_EQ(entry[QStringLiteral("Path")], odd);
  EXPECT_EQ(entry[QStringLiteral("Icon")], program);
  EXPECT_EQ(entry[QStringLiteral("Comment")], description);

  ASSERT_TRUE(
      MakeShortcut(name, program, odd, QStringLiteral("run me"), QString(), QString(), QString(), shell));
  EXPECT_EQ(readEntry(shell.desktopDir + u'/' + name + QStringLiteral(".desktop"))[QStringLiteral("Name")],
            name);
}

}  // namespace
}  // namespace lyrovo
