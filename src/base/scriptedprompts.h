#pragma once

#include "base/prompts.h"

#include <deque>
#include <vector>

namespace lyrovo {

// Prompts for tests and headless runs: records every call and answers from
// queues filled by the test. An empty queue gives the default answer: the
// first button of a message box, "cancelled" for every dialog, success for
// launches and opened files.
class ScriptedPrompts : public Prompts {
 public:
  struct Call {
    QString kind;  // "message", "openFiles", "saveFile", "chooseFolder", "chooseColour", "chooseFont",
                   // "launch", "openFile"
    Icon icon = Icon::None;
    Buttons buttons = Buttons::Ok;
    QString title;
    QString text;  // message text, dialog folder, or the program launched
    QStringList arguments;
  };

  Answer message(Icon icon, Buttons buttons, const QString& title, const QString& text) override;
  QStringList openFiles(const QString& title, const QString& folder, const QString& filter,
                        bool multiple) override;
  std::optional<QString> saveFile(const QString& title, const QString& folder,
                                  const QString& filter) override;
  std::optional<QString> chooseFolder(const QString& title, const QString& start) override;
  std::optional<std::uint32_t> chooseColour(std::uint32_t initial) override;
  std::optional<FontSpec> chooseFont(const FontSpec& initial) override;
  bool launch(const QString& program, const QStringList& arguments) override;
  bool openFile(const QString& path) override;

  std::vector<Call> calls;
  std::deque<Answer> answers;
  std::deque<QStringList> files;
  std::deque<std::optional<QString>> folders;
  std::deque<std::optional<std::uint32_t>> colours;
  std::deque<std::optional<FontSpec>> fonts;
  bool launchSucceeds = true;

  // Calls of one kind, for assertions.
  std::vector<Call> callsOf(const QString& kind) const;
};

}  // namespace lyrovo
