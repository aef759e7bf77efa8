#pragma once
// The window rectangle that the list screens of the address book keep in the open
// environment's ini file ("QuendrelT.ini"), in a section of their own (the
// personal-information list DBDLGINFO, the search result DBSRCHRSLTDLGINFO), keys LEFT,
// TOP, RIGHT, BOTTOM: the dialog's own area in screen coordinates, without its frame, so a
// dialog does not grow by its frame from one opening to the next.
//
// Restoring applies a stored rectangle only when all four values are non-zero (0 means
// "never stored"); a negative LEFT or TOP counts as 0. A rectangle that lies off every
// screen (a monitor since removed) or is larger than its screen is pulled onto the screen
// it mostly covers, shrunk as little as needed. Without an open environment nothing is read
// or written.

class QWidget;

namespace addressui {

void RestoreWindowRect(QWidget* window, const char* section);
// Writes the four keys, stopping at the first write that fails.
void SaveWindowRect(const QWidget* window, const char* section);

}  // namespace addressui
