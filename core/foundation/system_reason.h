#pragma once
// The reason the system gave for a failed operation, in words a user of the program reads:
// a short Japanese phrase for the errors a person can do something about (no right to the
// place, a full or read-only disk, a damaged disk), followed by the system's own text in
// parentheses, which is what a search or a support request needs. This is the program's
// one table of these phrases: the core's messages and the windows' (ui::SystemErrorText)
// both take their words from here.

#include <string>

// Shift_JIS text for errno value `error`, e.g. 「ディスクの空き容量が足りません (No space left on
// device)」; "" for 0 (no reason known). The system's text comes in the language of the
// process's locale (「接続を拒否されました」 under ja_JP.UTF-8), converted from the locale's
// encoding, or in English when Shift_JIS cannot hold it whole: the whole text is Shift_JIS
// whatever the locale.
std::string SystemReasonText(int error);
