#pragma once

#include "base/prompts.h"

class QWidget;

namespace lyrovo {

// Prompts shown as real Qt dialogs, modal to the given parent window.
class QtPrompts : public Prompts {
 public:
  void setParent(QWidget* parent) { parent_ = parent; }

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

  // "Name|*.a;*.b|Other|*.c" as the player keeps filters → Qt's "Name (*.a *.b);;Other (*.c)".
  static QString qtFilter(const QString& filter);

 private:
  QWidget* parent_ = nullptr;
};

}  // namespace lyrovo
