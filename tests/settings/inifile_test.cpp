#include "settings/inifile.h"
#include "base/apperror.h"
#include "settings/files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace lyrovo {
namespace {

using testfiles::readBytes;
using testfiles::writeBytes;

TEST(IniFileRead, ProfileStringLookupRules) {
  const IniFile ini(
      QStringLiteral("; comment=1\r\n"
                     "[Other]\n"
                     "key=other\r"
                     "[ Main ]\r\n"
                     "Volumn = \t 5 \t\n"
                     "volumn=6\n"
                     "url=http://a/?x=1\n"
                     "empty=\n"
                     "blanks=  \t \n"
                     "noequals\n"
                     "[main]\n"
                     "late=1\n"));
  // Names without regard to case; the first section and the first key win.
  EXPECT_EQ(ini.getString(u"MAIN", u"VOLUMN"), QStringLiteral("5"));
  EXPECT_EQ(ini.getString(u"main", u"url"), QStringLiteral("http://a/?x=1"));
  EXPECT_EQ(ini.getString(u"Other", u"key"), QStringLiteral("other"));
  EXPECT_FALSE(ini.getString(u"Main", u"late"));
  // Empty values are absent values; keys of other sections are not seen.
  EXPECT_FALSE(ini.getString(u"Main", u"empty"));
  EXPECT_FALSE(ini.getString(u"Main", u"blanks"));
  EXPECT_FALSE(ini.getString(u"Main", u"noequals"));
  EXPECT_FALSE(ini.getString(u"Main", u"key"));
  EXPECT_FALSE(ini.getString(u"Missing", u"key"));
}

TEST(IniFileRead, LongValuesAreCutTo254Characters) {
  const QString longValue(5000, QLatin1Char('x'));
  IniFile ini;
  ini.setString(u"S", u"k", longValue);
  EXPECT_EQ(ini.getString(u"S", u"k"), QString(254, QLatin1Char('x')));
  EXPECT_EQ(ini.getFullString(u"S", u"k"), longValue);

  // A character outside the BMP is never split at the cut.
  const QString wide = QString(253, QLatin1Char('a')) + QString::fromUcs4(U"\U0001F3B5");
  ini.setString(u"S", u"k", wide);
  EXPECT_EQ(ini.getString(u"S", u"k"), QString(253, QLatin1Char('a')));
}

TEST(IniFileWrite, RewriteKeepsEveryOtherLine) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("a.ini"));
  writeBytes(path,
             "; header comment\r\n"
             "[First]\r\n"
             "Keep = this  \r\n"
             "junk line without equals\r\n"
             "Value=old\r\n"
             "\r\n"
             "[Second]\r\n"
             "x=1\r\n");
  IniFile ini = IniFile::load(path);
  ini.setString(u"first", u"value", QStringLiteral("new"));  // replaced in place, in the caller's spelling
  ini.setString(u"First", u"Added", QStringLiteral("a"));    // end of its section, before the blank line
  ini.setString(u"Third", u"k", QStringLiteral("line1\r\nline2"));
  ini.save(path);
  EXPECT_EQ(readBytes(path),
            "; header comment\r\n"
            "[First]\r\n"
            "Keep = this  \r\n"
            "junk line without equals\r\n"
            "value=new\r\n"
            "Added=a\r\n"
            "\r\n"
            "[Second]\r\n"
            "x=1\r\n"
            "\r\n"
            "[Third]\r\n"
            "k=line1  line2\r\n");
  EXPECT_EQ(IniFile::load(path).getString(u"Third", u"k"), QStringLiteral("line1  line2"));
}

TEST(IniFileDisk, UnusablePathsThrowAndLeaveTheTargetAlone) {
  QTemporaryDir dir;
  EXPECT_TRUE(IniFile::load(dir.filePath(QStringLiteral("missing.ini"))).lines().isEmpty());
  EXPECT_THROW(IniFile::load(dir.path()), AppError);
  IniFile ini;
  ini.setString(u"S", u"k", QStringLiteral("v"));
  EXPECT_THROW(ini.save(dir.filePath(QStringLiteral("no/such/folder/a.ini"))), AppError);

  const QString folder = dir.filePath(QStringLiteral("folder.ini"));
  ASSERT_TRUE(QDir().mkdir(folder));
  EXPECT_THROW(ini.save(folder), AppError);
  EXPECT_TRUE(QFileInfo(folder).isDir());
  // Only the folder is left: no temporary file stays behind.
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
            QStringList{QStringLiteral("folder.ini")});
}

}  // namespace
}  // namespace lyrovo
