#pragma once

#include <QStringView>

namespace lyrovo {

// Case-sensitive wildcard match of the whole text: "*" any run of
// characters (also none), "?" any one character, "#" any one digit 0–9.
// Every other pattern character matches itself. Examples: "未知*",
// "?:\*", "*.mp3", "###*".
bool like(QStringView text, QStringView pattern);

}  // namespace lyrovo
