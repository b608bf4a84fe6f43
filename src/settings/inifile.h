#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

namespace lyrovo {

// An INI document read and written with the rules of classic profile
// strings: section and key names match without regard to case, the first
// occurrence of a section or key wins, a value is the text after the first
// "=" without surrounding blanks and tabs, and an empty value is the same as
// an absent key. Writing a key touches only that key's line; every other
// line (comments, foreign sections, junk) is written back as it was read.
class IniFile {
 public:
  // Profile strings come back in a 255-character buffer: at most 254 characters.
  static constexpr qsizetype kMaxValueLength = 254;

  IniFile() = default;
  explicit IniFile(const QString& text);

  // Reads the file at path (UTF-8, or GB18030 for older files; CR LF, LF or
  // CR line ends). A missing file gives an empty document; a path that exists
  // but cannot be read (a folder, no permission) throws AppError.
  static IniFile load(const QString& path);

  // The value of key in section, cut to kMaxValueLength characters;
  // nothing when the key is absent or its value is empty.
  std::optional<QString> getString(QStringView section, QStringView key) const;
  // The same without the length cut, for lists that must survive a rewrite.
  std::optional<QString> getFullString(QStringView section, QStringView key) const;

  // Replaces the line of the first matching key, or adds the key at the end
  // of its section, or adds the section at the end of the document. Line
  // breaks in the value become blanks: they would split the line.
  void setString(QStringView section, QStringView key, const QString& value);

  bool hasSection(QStringView section) const { return findSection(section) >= 0; }
  const QStringList& lines() const { return lines_; }
  QString toText(QStringView lineEnd = u"\r\n") const;

  // Writes the document as UTF-8 through a temporary file renamed over path,
  // so a failure never leaves a half-written file. Throws AppError on failure.
  void save(const QString& path, QStringView lineEnd = u"\r\n") const;

 private:
  qsizetype findSection(QStringView section) const;            // index of the header line, -1 when absent
  qsizetype findKey(qsizetype header, QStringView key) const;  // index of the key line, -1 when absent

  QStringList lines_;
};

}  // namespace lyrovo
