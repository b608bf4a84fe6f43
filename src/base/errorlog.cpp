#include "base/errorlog.h"

#include <QFile>
#include <QFileInfo>

namespace lyrovo {

bool ErrorLog::enabled() const { return QFileInfo::exists(appPath_ + QStringLiteral("debug.dat")); }

void ErrorLog::log(const QString& location, const AppError& error) const {
  if (!enabled() || error.number() == 0) return;
  const QString number = QString::number(error.number());
  const QString crlf = QStringLiteral("\r\n");
  const QString record = QStringLiteral(" ") + crlf + QStringLiteral("错误地点 : ") + location + crlf +
                         QStringLiteral("错误号码 : ") + number + crlf + QStringLiteral("错误类型 : ") +
                         error.description() + crlf + QStringLiteral(" ") + crlf +
                         QString(53, QLatin1Char('-')) + crlf;
  QFile file(appPath_ + QStringLiteral("Error.log"));
  if (file.open(QIODevice::WriteOnly | QIODevice::Append)) file.write(record.toUtf8());
  if (prompts_) {
    prompts_->message(Prompts::Icon::Critical, Prompts::Buttons::Ok, QStringLiteral("Lyrovo - 错误调试"),
                      QStringLiteral("错误地点: ") + location + crlf + QStringLiteral("错误号码: ") + number +
                          crlf + QStringLiteral("错误类型: ") + error.description());
  }
}

AppError ErrorLog::fromException(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const AppError& e) {
    return e;
  } catch (const std::bad_alloc&) {
    return AppError(errors::OutOfMemory, QStringLiteral("Out of memory"));
  } catch (const std::exception& e) {
    return AppError(errors::InvalidCall, QString::fromLocal8Bit(e.what()));
  } catch (...) {
    return AppError(errors::InvalidCall, QStringLiteral("Unknown error"));
  }
}

}  // namespace lyrovo
