#include "base/errorlog.h"
#include "base/scriptedprompts.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <stdexcept>

using namespace lyrovo;

namespace {
struct ErrorLogTest : ::testing::Test {
  QTemporaryDir dir;
  ScriptedPrompts prompts;
  QString appPath() const { return dir.path() + u'/'; }
  QByteArray logBytes() const {
    QFile file(appPath() + QStringLiteral("Error.log"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }
  void enableDebug() {
    QFile marker(appPath() + QStringLiteral("debug.dat"));
    ASSERT_TRUE(marker.open(QIODevice::WriteOnly));
  }
};
}  // namespace

TEST_F(ErrorLogTest, WithoutTheMarkerNothingIsWrittenOrShown) {
  ErrorLog log(appPath(), &prompts);
  EXPECT_FALSE(
      log.trap(QStringLiteral("SavePlaylist"), [] { throw errors::pathAccess(QStringLiteral("x")); }));
  EXPECT_FALSE(QFile::exists(appPath() + QStringLiteral("Error.log")));
  EXPECT_TRUE(prompts.calls.empty());
}

TEST_F(ErrorLogTest, WithTheMarkerEachErrorAppendsTheSixLineRecordAndShowsTheBox) {
  enableDebug();
  ErrorLog log(appPath(), &prompts);
  EXPECT_FALSE(log.trap(QStringLiteral("SavePlaylist"),
                        [] { throw AppError(75, QStringLiteral("Path/File access error")); }));
  const QByteArray record =
      QStringLiteral(
          " \r\n错误地点 : SavePlaylist\r\n错误号码 : 75\r\n错误类型 : Path/File access error\r\n \r\n")
          .toUtf8() +
      QByteArray(53, '-') + "\r\n";
  EXPECT_EQ(logBytes(), record);
  ASSERT_EQ(prompts.calls.size(), 1u);
  EXPECT_EQ(prompts.calls[0].icon, Prompts::Icon::Critical);
  EXPECT_EQ(prompts.calls[0].title, QStringLiteral("Lyrovo - 错误调试"));
  EXPECT_EQ(prompts.calls[0].text,
            QStringLiteral("错误地点: SavePlaylist\r\n错误号码: 75\r\n错误类型: Path/File access error"));

  log.log(QStringLiteral(" DealJJ"), AppError(-2147, QStringLiteral("neg")));
  EXPECT_TRUE(logBytes().startsWith(record));
  EXPECT_TRUE(logBytes().contains(QStringLiteral("错误地点 :  DealJJ\r\n错误号码 : -2147\r\n").toUtf8()));
}

TEST_F(ErrorLogTest, ErrorNumberZeroAndSuccessfulBodiesRecordNothing) {
  enableDebug();
  ErrorLog log(appPath(), &prompts);
  bool ran = false;
  EXPECT_TRUE(log.trap(QStringLiteral("Form_Unload"), [&] { ran = true; }));
  EXPECT_TRUE(ran);
  log.log(QStringLiteral("x"), AppError(0, QString()));
  EXPECT_TRUE(logBytes().isEmpty());
  EXPECT_TRUE(prompts.calls.empty());
}

TEST(ErrorLogMapping, ForeignExceptionsGetANumberAndDescription) {
  auto map = [](auto thrower) {
    try {
      thrower();
    } catch (...) {
      return ErrorLog::fromException(std::current_exception());
    }
    return AppError(0, QString());
  };
  EXPECT_EQ(map([] { throw std::bad_alloc(); }).number(), errors::OutOfMemory);
  const AppError runtime = map([] { throw std::runtime_error("broken"); });
  EXPECT_EQ(runtime.number(), errors::InvalidCall);
  EXPECT_EQ(runtime.description(), QStringLiteral("broken"));
  EXPECT_EQ(map([] { throw 42; }).number(), errors::InvalidCall);
}

TEST_F(ErrorLogTest, AnUnwritableLogStillShowsTheBox) {
  enableDebug();
  ASSERT_TRUE(QDir(appPath()).mkdir(QStringLiteral("Error.log")));  // a folder where the log should be
  ErrorLog log(appPath(), &prompts);
  log.log(QStringLiteral("LoadWord"), AppError(5, QStringLiteral("x")));
  EXPECT_EQ(prompts.calls.size(), 1u);
}
