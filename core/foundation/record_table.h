#pragma once
// BaseRecordStructer: the record table behind the smaller record files (system options,
// saved extractions, send histories, attachment lists, list-column settings). Rows of a
// fixed number of texts, loaded from and saved to a whole record file under the named
// mutex of the file's title and extension ("systemoption_.dat"), which serialises loads
// and saves of files of that name in every thread, whatever their folder.
//
// Row operations return 1 for success and 0 for failure; loads and searches return 0 or
// an index for success and a negative number for failure. The table keeps no error code.
//
// A load never leaves a fragment: when it fails the table stays as it was before. A file
// that could not be read whole (damaged records, an unreadable file) is not overwritten by
// this table: saves to it fail until a load of it succeeds or SetElementNumber starts the
// table afresh. Saves replace the file safely (temporary file renamed over it).

#include <string>
#include <vector>

#include "core/foundation/field_match.h"
#include "core/foundation/string_array.h"

class BaseRecordStructer {
public:
    // LoadCSVFile results.
    enum : int {
        kLoadOk = 0,
        kLoadCannotOpen = -1,
        kLoadNoRecord = -2,
        kLoadFieldCount = -3,       // a record's field count differs from the first one's
        kLoadBadFirstRecord = -4,   // the first record is empty or malformed
        kLoadDamaged = -5,          // a later record is malformed or cut off, or data
                                    // follows an empty line
    };

    BaseRecordStructer() = default;
    virtual ~BaseRecordStructer() = default;

    // n < 0: 0 and nothing changes. Otherwise all rows go, the element count becomes n,
    // the table counts as changed: 1.
    int SetElementNumber(int n);
    int GetElementNumber() const { return elements_; }
    int GetRecordNumber() const { return static_cast<int>(rows_.size()); }

    // Copies a row into out: 1; 0 (out emptied) when the element count is not positive or
    // the row does not exist.
    int GetString(int row, XCStringArrayEx& out) const;
    // Appends a row of element-count texts (a null text reads as empty) or a copy of an
    // array of element-count texts: 1; 0 when the element count is below 1 or the array's
    // size differs from it.
    int InsertString(const char* const* values);
    int InsertString(const XCStringArrayEx& row);
    // Replaces a row in the same way: 1; 0 for a missing row or a bad size.
    int CorrectString(int row, const char* const* values);
    int CorrectString(int row, const XCStringArrayEx& values);
    int DeleteString(int row);
    void DeleteAllString();
    // The element at (column, row); "" when either is outside or the count is unset.
    std::string GetStringElement(int column, int row) const;
    // The same into `out`: 1, or 0 (out emptied).
    int GetStringElement(std::string& out, int column, int row) const;

    // Reorders the rows by a list of row numbers (text "2,0,1" read like atoi, or
    // integers): named rows first, in list order, repeats and unknown numbers skipped,
    // then the others in their old order. An empty list changes nothing. 1; 0 when the
    // element count is below 1.
    int FullSort(const char* orderText);
    int FullSort(const std::vector<int>& order);

    // Searches of one column from `start`, moving by `step` (negative: backwards):
    // the first matching row, -1 when none, -2 for bad arguments (an empty text, a column
    // or start outside, step 0). The exact search of an empty table gives -1.
    int TotalAgreementReference(const char* text, int column, int start, int step) const;
    // Equal when ASCII letters are folded (two-byte characters as they are).
    int TotalAgreementReferenceSameUpLow(const char* text, int column, int start, int step) const;
    int FrontAgreementReference(const char* text, int column, int start, int step) const;
    // The text occurs in the element, matching only on Shift_JIS character boundaries.
    int PartialAgreementReference(const char* text, int column, int start, int step) const;

    // Replaces the table by the file's records (key null: default coding). Results above.
    // Success also for trailing empty lines; the table then counts as changed.
    int LoadCSVFile(const char* path, const char* key);
    int LoadCSVFile(const std::string& path, const char* key) { return LoadCSVFile(path.c_str(), key); }
    // Writes the table when it changed or compel is nonzero: 1; 0 when the element count
    // is not positive, the file cannot be written (the old file is kept) or it is a file
    // that could not be read whole.
    int SaveCSVFile(const char* path, int compel, const char* key);
    int SaveCSVFile(const std::string& path, int compel, const char* key) {
        return SaveCSVFile(path.c_str(), compel, key);
    }
    int SaveCSVFileCompel(const char* path, const char* key) { return SaveCSVFile(path, 1, key); }
    int SaveCSVFileCompel(const std::string& path, const char* key) { return SaveCSVFile(path.c_str(), 1, key); }

    // Saves flush the new file to the disk before it replaces the old one (for files whose
    // loss would cost the environment, such as the options).
    void SetSyncOnSave(bool sync) { syncOnSave_ = sync; }
    bool IsChanged() const { return changed_ != 0; }

private:
    using Match = FieldMatch;
    int Search(Match how, const char* text, int column, int start, int step) const;
    bool ValidRow(int row) const { return elements_ > 0 && row >= 0 && row < GetRecordNumber(); }

    std::vector<XCStringArrayEx> rows_;
    int changed_ = 0;
    int elements_ = 0;
    bool syncOnSave_ = false;
    std::string damagedPath_;  // a file that could not be read whole: not overwritten
};
