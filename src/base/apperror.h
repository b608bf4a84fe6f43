#pragma once

#include <QString>

#include <exception>
#include <string>

namespace lyrovo {

// A run-time error as the error log records it: a number and a description.
// The numbers follow the classic BASIC run-time error codes so that log
// records stay comparable with older ones (6 = overflow, 53 = file not found…).
class AppError : public std::exception {
 public:
  AppError(int number, QString description)
      : number_(number), description_(std::move(description)), what_(description_.toStdString()) {}

  int number() const { return number_; }
  const QString& description() const { return description_; }
  const char* what() const noexcept override { return what_.c_str(); }

 private:
  int number_;
  QString description_;
  std::string what_;
};

namespace errors {
constexpr int InvalidCall = 5;
constexpr int Overflow = 6;
constexpr int OutOfMemory = 7;
constexpr int SubscriptOutOfRange = 9;
constexpr int FileNotFound = 53;
constexpr int FileAlreadyOpen = 55;
constexpr int DiskFull = 61;
constexpr int PermissionDenied = 70;
constexpr int PathFileAccess = 75;
constexpr int PathNotFound = 76;

inline AppError overflow() { return AppError(Overflow, QStringLiteral("Overflow")); }
inline AppError pathAccess(const QString& path) {
  return AppError(PathFileAccess, QStringLiteral("Path/File access error: ") + path);
}
inline AppError pathNotFound(const QString& path) {
  return AppError(PathNotFound, QStringLiteral("Path not found: ") + path);
}
}  // namespace errors

}  // namespace lyrovo
