#pragma once
// The reason the system gave for a failed file operation, in words a user of the program
// reads: a short Japanese phrase for the errors a person can do something about (no right
// to the place, a full or read-only disk, a damaged disk), followed by the system's own
// text in parentheses, which is what a search or a support request needs.

#include <string>

// Shift_JIS text for errno value `error`, e.g. 「ディスクの空き容量が足りません (No space left on
// device)」.
std::string SystemReasonText(int error);
