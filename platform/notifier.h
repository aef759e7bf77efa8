#pragma once
// Core code that must tell the user something (where the desktop framework would show a
// message box) reports through this notifier. The GUI installs a function that shows a
// message box; tests install a recorder. With none installed the text goes to stderr and
// the default answer is given.
//
// Texts are Shift_JIS bytes as the core holds them; the GUI converts at its boundary.

#include <functional>
#include <stdexcept>
#include <string>

namespace platform {

// Message-box style bits and answers, with the values callers compare against.
enum : unsigned {
    kMbOk = 0x0, kMbOkCancel = 0x1, kMbYesNoCancel = 0x3, kMbYesNo = 0x4,
    kMbIconError = 0x10, kMbIconQuestion = 0x20, kMbIconWarning = 0x30, kMbIconInformation = 0x40,
};
enum : int { kIdOk = 1, kIdCancel = 2, kIdYes = 6, kIdNo = 7 };

using NotifierFunction =
    std::function<int(const std::string& text, const std::string& caption, unsigned style)>;

// Installs the notifier (an empty function restores the default). Returns the previous one.
NotifierFunction SetNotifier(NotifierFunction fn);

// Shows `text`; returns the user's answer (kIdOk, kIdYes, ...).
int Notify(const std::string& text, const std::string& caption = std::string(),
           unsigned style = kMbOk | kMbIconError);

// Stands for the framework's "user exception": thrown by a constructor after it has told
// the user why it failed; the caller catches it and gives up the operation.
class UserException : public std::runtime_error {
public:
    explicit UserException(const std::string& what) : std::runtime_error(what) {}
};

}  // namespace platform
