#pragma once
// ShowErrorBox: how the updater, a program without a window, shows an error message.
//
// The text always goes to standard error as "caption: text", for a start from a terminal
// or an installer's log. In a graphical session (DISPLAY or WAYLAND_DISPLAY set) it is also
// shown as an error dialog of the desktop through the "zenity" program found on PATH,
// started with an argument vector (no shell) and with markup off, so that no character
// of a file name in the text is read as syntax. The call returns when the dialog has
// been closed, as a message box would. Without zenity only standard error carries it.

#include <string>

namespace fennick {

void ShowErrorBox(const std::string& text, const std::string& caption);

}  // namespace fennick
