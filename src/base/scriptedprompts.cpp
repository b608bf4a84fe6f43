#include "base/scriptedprompts.h"

namespace lyrovo {

namespace {
template <typename T>
T takeOr(std::deque<T>& queue, T fallback) {
  if (queue.empty()) return fallback;
  T value = std::move(queue.front());
  queue.pop_front();
  return value;
}

Prompts::Answer firstButton(Prompts::Buttons buttons) {
  switch (buttons) {
    case Prompts::Buttons::YesNo:
    case Prompts::Buttons::YesNoCancel:
      return Prompts::Answer::Yes;
    case Prompts::Buttons::RetryCancel:
      return Prompts::Answer::Retry;
    default:
      return Prompts::Answer::Ok;
  }
}
}  // namespace

Prompts::Answer ScriptedPrompts::message(Icon icon, Buttons buttons, const QString& title,
                                         const QString& text) {
  calls.push_back({QStringLiteral("message"), icon, buttons, title, text, {}});
  return takeOr(answers, firstButton(buttons));
}

QStringList ScriptedPrompts::openFiles(const QString& title, const QString& folder, const QString& filter,
                                       bool multiple) {
  calls.push_back({QStringLiteral("openFiles"), Icon::None, Buttons::Ok, title, folder, {filter}});
  QStringList chosen = takeOr(files, QStringList{});
  if (!multiple && chosen.size() > 1) chosen = chosen.mid(0, 1);
  return chosen;
}

std::optional<QString> ScriptedPrompts::saveFile(const QString& title, const QString& folder,
                                                 const QString& filter) {
  calls.push_back({QStringLiteral("saveFile"), Icon::None, Buttons::Ok, title, folder, {filter}});
  return takeOr(folders, std::optional<QString>{});
}

std::optional<QString> ScriptedPrompts::chooseFolder(const QString& title, const QString& start) {
  calls.push_back({QStringLiteral("chooseFolder"), Icon::None, Buttons::Ok, title, start, {}});
  return takeOr(folders, std::optional<QString>{});
}

std::optional<std::uint32_t> ScriptedPrompts::chooseColour(std::uint32_t initial) {
  calls.push_back(
      {QStringLiteral("chooseColour"), Icon::None, Buttons::Ok, {}, QString::number(initial), {}});
  return takeOr(colours, std::optional<std::uint32_t>{});
}

std::optional<FontSpec> ScriptedPrompts::chooseFont(const FontSpec& initial) {
  calls.push_back({QStringLiteral("chooseFont"), Icon::None, Buttons::Ok, {}, initial.name, {}});
  return takeOr(fonts, std::optional<FontSpec>{});
}

bool ScriptedPrompts::launch(const QString& program, const QStringList& arguments) {
  calls.push_back({QStringLiteral("launch"), Icon::None, Buttons::Ok, {}, program, arguments});
  return launchSucceeds;
}

bool ScriptedPrompts::openFile(const QString& path) {
  calls.push_back({QStringLiteral("openFile"), Icon::None, Buttons::Ok, {}, path, {}});
  return launchSucceeds;
}

std::vector<ScriptedPrompts::Call> ScriptedPrompts::callsOf(const QString& kind) const {
  std::vector<Call> out;
  for (const auto& call : calls)
    if (call.kind == kind) out.push_back(call);
  return out;
}

}  // namespace lyrovo
