#pragma once
// CDBColumnInfo: which address-book fields a list shows as columns, and how wide. Every
// screen that lists personal records (the personal-information list, the search result,
// the import preview) owns one; the column-selection dialog edits it.
//
// The table has one record {shown flag, width} per element 0-55, kept in the environment's
// "QuendrelT.ini": section COLUMNVIEW holds the flags ("Y" shown, anything else hidden),
// section COLUMNWIDTH the widths in pixels, keys "0" to "55".
//
// Loading is forgiving, so a hand-edited or damaged ini never breaks a list:
//  - the ID column (element 0) is always shown, whatever the ini says;
//  - a width whose number is 0 or less, or above 1000 (or that is no number), reads as
//    the element's default width;
//  - a missing key reads as the default.
// Element 20 (second part of the mobile number) has an empty default and therefore always
// reads hidden with width 0; it is shown joined with element 19 anyway.
//
// Until LoadColumnInfo has run, every get and set answers kErrTable.
//
// Columns never follow element order: a list walks DisplayOrder() (40 elements; the
// second parts of postal code and phone numbers, the building, the spares and the deletion
// mark never become columns), see BuildListColumns.

#include <array>
#include <string>
#include <vector>

#include "core/foundation/ini_manager.h"
#include "core/foundation/record_table.h"

namespace addressui {

class CDBColumnInfo {
public:
    static constexpr int kElements = 56;
    static constexpr int kOrderCount = 40;
    static constexpr int kCaptionCount = 18;
    static constexpr int kMaxWidth = 1000;

    enum : int {
        kErrTable = -3,    // the table is not 56 records of 2 (not loaded)
        kErrWhich = -4,    // value number other than 0 (flag) or 1 (width)
        kErrIndex = -5,    // element outside 0-55
        kErrReplace = -99  // the record could not be replaced
    };

    // Over the "QuendrelT.ini" of the program's open environment (none open: the defaults
    // are loaded and saving fails).
    CDBColumnInfo();
    // Over the ini file at `iniPath` (file-system bytes).
    explicit CDBColumnInfo(std::string iniPath);

    // Builds the 56 records from the ini file by the rules above. 0.
    int LoadColumnInfo();
    // Writes all 112 keys (flags, then widths). 0, kErrTable before loading, or -1 when
    // a write failed (the keys written so far stay). Success clears the changed flag.
    int SaveColumnInfo();

    // Value `which` (0 flag, 1 width) of element `element` as stored: 0, or a kErr code.
    int GetColumnValue(int element, int which, std::string& out) const;
    // Sets it: 0 and the changed flag set, or a kErr code.
    int SetColumnValue(int element, int which, const std::string& text);
    // 1 when the flag is "Y", 0 otherwise, or a kErr code.
    int IsColumnShown(int element) const;
    // The width as a number (0 for an empty text), or a kErr code.
    int GetColumnWidth(int element) const;
    bool IsChanged() const { return changed_; }

    // The elements in the order lists show them.
    static const std::array<int, kOrderCount>& DisplayOrder();
    // Caption k (Shift_JIS) of the first kCaptionCount order entries; empty outside.
    static const std::string& Caption(int k);
    // The defaults of element `element` (Shift_JIS texts; empty outside 0-55).
    static const std::string& DefaultFlag(int element);
    static const std::string& DefaultWidth(int element);

private:
    int Check(int element, int which) const;
    std::string IniPath() const;

    BaseRecordStructer table_;
    bool changed_ = false;
    bool ownPath_ = false;
    std::string iniPath_;
    CIniManager ini_;
};

// One column of a list of personal records.
struct ListColumn {
    int element = 0;
    std::string caption;  // Shift_JIS
    int width = 0;
};

// The columns a list shows, left to right: the display order, keeping the elements whose
// flag is shown (and `alsoShown`, the searched field of a search result, whatever its
// flag). Captions: the fixed caption for the first 18 order entries, the extension item
// names `extensionNames` (A-T; a missing name gives an empty caption) for the next 20,
// "登録日時" and "更新日時" for elements 54 and 55. The table must be loaded.
std::vector<ListColumn> BuildListColumns(const CDBColumnInfo& info, const std::vector<std::string>& extensionNames,
                                         int alsoShown = -1);

}  // namespace addressui
