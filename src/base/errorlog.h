#pragma once

#include "base/apperror.h"
#include "base/prompts.h"

#include <QString>

#include <exception>
#include <new>

namespace lyrovo {

// The program's error logger. It records only when the marker file
// "debug.dat" exists in the program folder: then every error appends a
// six-line record to "Error.log" there and is announced in a message box.
// Without the marker, errors go unrecorded and the program carries on.
class ErrorLog {
 public:
  ErrorLog(QString appPath, Prompts* prompts) : appPath_(std::move(appPath)), prompts_(prompts) {}

  const QString& appPath() const { return appPath_; }
  bool enabled() const;

  // Records error under location (the name of the procedure that failed).
  void log(const QString& location, const AppError& error) const;

  // Turns any exception into the error the log records.
  static AppError fromException(std::exception_ptr error);

  // Runs body as an error-trapped procedure: an exception leaves the body,
  // is logged under location, and trap returns false.
  template <typename Body>
  bool trap(const QString& location, Body&& body) const {
    try {
      body();
      return true;
    } catch (...) {
      log(location, fromException(std::current_exception()));
      return false;
    }
  }

 private:
  QString appPath_;
  Prompts* prompts_;
};

}  // namespace lyrovo
