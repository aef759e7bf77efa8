#pragma once
// The texts that go with the main window's commands: each command's string is its prompt
// (the line the status bar shows while the command is pointed at, in a menu or on a bar)
// and, after a "\n", its short name (a tool-bar button's text and tool tip), as in
// "選択したメールを送信予約します\n送信予約".

#include <QString>

namespace shell {

// The string of command `id`; empty for a command without one.
QString CommandString(int id);
// The prompt: the text before the first "\n" (all of it when there is none).
QString CommandPrompt(int id);
// A button's text from a command string: the piece after the last "\n" (the whole string
// when it has none); empty when that piece is empty.
QString ButtonTextOf(const QString& commandString);

}  // namespace shell
