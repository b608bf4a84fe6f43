#pragma once

#include "base/fontspec.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace lyrovo {

// Everything that asks the user something or hands work to another program
// goes through this interface: the Qt implementation shows real dialogs, the
// scripted one records each call and answers from a script, so every flow
// that asks a question runs headless in tests.
class Prompts {
 public:
  enum class Icon { None, Information, Question, Warning, Critical };
  enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
  enum class Answer { Ok, Cancel, Yes, No, Retry };

  virtual ~Prompts() = default;

  virtual Answer message(Icon icon, Buttons buttons, const QString& title, const QString& text) = 0;

  // Open-file dialog; an empty list means cancelled.
  virtual QStringList openFiles(const QString& title, const QString& folder, const QString& filter,
                                bool multiple) = 0;
  virtual std::optional<QString> saveFile(const QString& title, const QString& folder,
                                          const QString& filter) = 0;
  virtual std::optional<QString> chooseFolder(const QString& title, const QString& start) = 0;
  // Colours are 0x00BBGGRR.
  virtual std::optional<std::uint32_t> chooseColour(std::uint32_t initial) = 0;
  virtual std::optional<FontSpec> chooseFont(const FontSpec& initial) = 0;
  // Starts a program with an argument list (never through a shell); false when it could not start.
  virtual bool launch(const QString& program, const QStringList& arguments) = 0;
  // Opens a file with the desktop's application for its type (never through a shell); false when none could.
  virtual bool openFile(const QString& path) = 0;
};

}  // namespace lyrovo
