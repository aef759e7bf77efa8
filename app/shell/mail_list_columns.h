#pragma once
// The fixed tables of the main window's mail list: its five list modes, its two column
// layouts, the twelve column kinds with their headers, alignments and default widths, and
// where the widths are kept (section "MAINWINDOWINFO" of the environment's QuendrelT.ini).
//
// Widths: a stored width outside 1..1000, a missing key or an ini file that cannot be
// read gives the column's default; a key this table does not know gives 100. Saving
// writes the keys of one layout in column order and stops at the first write that fails.
// The keys "MAILIDW", "TITLEW", "STATEW" and "RESERVEDATEW" belong to both layouts, so a
// width changed in one layout shows in the other.
//
// The text comparison of the sort is here too: the cell texts are Shift_JIS and compare
// as the list always compared them, character by character, a two-byte character as its
// code, ASCII letters without regard to case. Nothing here depends on the locale.

#include <QString>

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace shell::mail_list {

// List modes. Each is also a view bit of CMailListViewer::CountMailByViewType.
enum Mode : int {
    kModeNone = 0,  // before the first show (and after a reload's reset)
    kModeAll = 1,
    kModeDraft = 2,
    kModeWaiting = 4,
    kModeSent = 8,
    kModeReport = 16,
};

enum Layout : int { kLayoutNone = 0, kLayoutMail = 1, kLayoutReport = 2 };

// Column kinds.
enum ColumnKind : int {
    kColMailId = 0,
    kColTitle = 1,
    kColAddress = 2,
    kColMailType = 3,
    kColStatus = 4,
    kColReserveDate = 5,
    kColEntryDate = 6,
    kColRenewalDate = 7,
    kColSentAll = 8,
    kColSentError = 9,
    kColSentOpen = 10,
    kColOpenRate = 11,
};
constexpr int kColumnKindCount = 12;

struct ColumnInfo {
    int kind;
    const char* iniKey;   // in "MAINWINDOWINFO"
    const char* header;   // UTF-8
    bool alignRight;
    int defaultWidth;
};

struct ModeInfo {
    int mode;
    int command;          // the menu command that shows it
    const char* listBarKey;
    const char* name;     // UTF-8, the name the captions show
};

constexpr const char* kWidthSection = "MAINWINDOWINFO";
constexpr int kMinWidth = 1;
constexpr int kMaxWidth = 1000;
constexpr int kUnknownKeyWidth = 100;

// The column of `kind` (0-11); null for any other kind.
const ColumnInfo* FindColumn(int kind);
// The five modes in menu order; the mode of a command, a list-bar key or a value (null
// when none).
std::span<const ModeInfo> Modes();
const ModeInfo* FindMode(int mode);
const ModeInfo* FindModeByCommand(int command);
const ModeInfo* FindModeByListBarKey(std::string_view key);
// The mode's name ("すべて" ...); empty for mode 0 and any value that is no mode.
QString ModeName(int mode);
// The layout a mode shows in: report for 16, mail for 1, 2, 4 and 8, none otherwise.
int LayoutOfMode(int mode);
// The column kinds of a layout, in column order (empty for kLayoutNone).
std::span<const int> LayoutColumns(int layout);
// The column of `kind` in `layout`, or -1.
int ColumnOfKind(int layout, int kind);

// The width kept for `key` in `envIni`, or the key's default (see above). An empty
// `envIni` gives the default too.
int LoadColumnWidth(const std::string& envIni, const std::string& key);
// The widths of `layout`'s columns as stored (LoadColumnWidth per column).
std::vector<int> LoadLayoutWidths(const std::string& envIni, int layout);
// Writes `widths` (one per column of `layout`, in column order) under the layout's keys.
// True when every key was written; false at the first failure (the rest unwritten), for
// kLayoutNone (nothing written) or when the count does not match the layout.
bool SaveLayoutWidths(const std::string& envIni, int layout, const std::vector<int>& widths);

// <0, 0, >0 as `a` sorts before, with or after `b` (Shift_JIS texts; see above).
int CompareSjisNoCase(std::string_view a, std::string_view b);
// A key whose plain byte order is that order: two bytes a character (a one-byte character
// as 0 and its folded byte, a two-byte character as its own bytes), so a sort makes the
// key once a row and compares with memcmp.
std::string SjisSortKey(std::string_view text);

}  // namespace shell::mail_list
