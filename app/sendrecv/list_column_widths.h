#pragma once
// Column widths of the report lists that the environment's ini file (QuendrelT.ini) keeps,
// one key per column. The lists of the mail dialogs read the keys of other lists too (the
// address-book list's "COLUMNWIDTH", the main window's "MAINWINDOWINFO"), so the rule is
// one and the same for every list: a stored width from 1 to 1000 counts; 0, a negative
// value, anything above 1000, a missing key or an unreadable file gives the column's
// default.

#include <string>

// The width kept for `key` in `section` of `ini` (an empty path reads nothing).
int ReadListColumnWidth(const std::string& ini, const char* section, const std::string& key, int fallback);
// Writes `width` as decimal text: false when the ini could not be written.
bool WriteListColumnWidth(const std::string& ini, const char* section, const std::string& key, int width);

// The environment ini of the open environment, or "" when none is open.
std::string OpenEnvironmentIniPath();
