#pragma once
// CMyDB: the in-memory table of the large stores (address book, mail list, environment
// descriptor, test-mail recipient): lines of a fixed number of texts, read whole from a
// record file and written whole back. Lines are held compactly (PackedRow); every getter
// hands out copies.
//
// Results: 0 (or a found index) for success, a distinct negative number per failure (the
// enumeration below). CMyDB keeps no error object and takes no lock: its owner's store
// mutex covers it.
//
// A read never leaves a fragment: when it fails the table stays as it was. A file that
// could not be read whole (damaged records, wrong field counts, unreadable) is not
// overwritten: WriteDBFile refuses with kErrDamagedFile until a read of it succeeds, the
// path changes or Init starts afresh. Writes replace the file safely (temporary file
// renamed over it), so a failed write keeps the old file.

#include <functional>
#include <string>
#include <vector>

#include "core/foundation/field_match.h"
#include "core/foundation/packed_row.h"
#include "core/foundation/string_array.h"

namespace platform {
class DateTime;
}

// Sort data types: only kMyDbInteger defines an order.
enum _MYDB_DATATYPE { kMyDbString = 0, kMyDbInteger = 1, kMyDbDate = 2 };

class CMyDB {
public:
    enum : int {
        kErrPathEmpty = -1,
        kErrElementsUnset = -2,
        kErrNoFile = -3,
        kErrOpen = -4,
        kErrNoRecord = -5,
        kErrSize = -7,             // a line's size or a record's field count
        kErrBadFirstRecord = -8,   // also: an element count of 0 or less
        kErrLineIndex = -9,
        kErrColumnIndex = -10,
        kErrDataType = -11,
        kErrNotFound = -12,
        kErrStartLine = -13,
        kErrStep = -14,
        kErrElementsSet = -15,
        kErrDateTime = -16,
        kErrWrite = -17,
        kErrNoFolder = -18,
        kErrDamagedRecord = -19,   // a malformed or cut-off record, or data after an empty line
        kErrDamagedFile = -20,     // writing over a file that could not be read whole
    };

    CMyDB() = default;
    // As CMyDB(), then SetElementNumber(columns); on failure the user is told
    // "列数は1以上の値にしてください" and platform::UserException is thrown.
    explicit CMyDB(int columns);
    virtual ~CMyDB() = default;
    CMyDB(const CMyDB&) = delete;
    CMyDB& operator=(const CMyDB&) = delete;

    void Init();
    int SetElementNumber(int n);
    int GetElementNumber() const;
    int SetElementNumber_Y2(int n);
    int GetElementNumber_Y2() const;
    int GetLineNumber() const;
    int SetDBFilePath(const std::string& path);
    std::string GetDBFilePath() const;

    // Reads the file at the path (key null: default coding). Lines of the alternative
    // count are padded to the element count. Trailing empty lines are allowed. Does not
    // touch the changed flag. The file is one of the program's own (csv_read.h), unless
    // `userNamed` (a backup the user picked).
    int ReadDBFile(const char* key, bool userNamed = false);
    // Called with the new file's temporary path once it is complete, just before it
    // replaces the old one (csv_write.h, SetBeforeReplace).
    using BeforeReplace = std::function<void(const std::string& temp)>;
    // Writes the table when it changed or compel is nonzero.
    int WriteDBFile(int compel, const char* key, const BeforeReplace& beforeReplace = nullptr);
    // Writes the whole table to `path` and keeps the table's own path; WriteDBFile's
    // result. The write clears the changed flag, so `ownBehind` tells the caller that the
    // own file has not seen changes the table holds.
    int WriteDBFileTo(const std::string& path, const char* key, bool& ownBehind,
                      const BeforeReplace& beforeReplace = nullptr);

    int AddLine(const XCStringArrayEx& line);
    int SetAtLine(int index, const XCStringArrayEx& line);
    int SetAtLineGrow(int index, const XCStringArrayEx& line);
    int InsertAtLine(int index, const XCStringArrayEx& line);
    int RemoveLine(int index);
    // Keeps the first `count` lines and removes the rest: 0, or kErrLineIndex when the
    // table has fewer.
    int RemoveLinesFrom(int count);
    int RemoveAll(int mark);
    // Exchanges the lines of the two tables (both then count as changed). 0, or
    // kErrElementsUnset when their element counts differ.
    int SwapLines(CMyDB& other);
    int SetAtElement(int line, int column, const std::string& text);
    int SetAtElement(int line, int column, const char* text);
    int SetAtElement(int line, int column, int number);
    // "YYYY/MM/DD hh:mm:ss"; an invalid value: kErrDateTime.
    int SetAtElement(int line, int column, const platform::DateTime& dateTime);

    XCStringArrayEx GetAtLine(int index) const;
    int GetAtLine(int index, XCStringArrayEx& out) const;
    XCStringArrayEx operator[](int index) const { return GetAtLine(index); }
    std::string GetAtElement(int line, int column) const;
    int GetAtElement(int line, int column, std::string& out) const;

    // Integer sort (keys read like atoi) by a stable sort; types 0 and 2 leave the order
    // but mark a non-empty table changed.
    int Sort(int column, int dataType, int ascending);

    // Searches of one column from `start` by `step` (> 0): the first match, kErrNotFound
    // when none. An empty text matches at once in the front and partial searches.
    int TotalAgreementReference(const char* text, int column, int start, int step) const;
    int TotalAgreementReferenceSameUpLow(const char* text, int column, int start, int step) const;
    int FrontAgreementReference(const char* text, int column, int start, int step) const;
    int PartialAgreementReference(const char* text, int column, int start, int step) const;

    // Grows the table to n lines of element-count empty texts: 0, or kErrElementsUnset.
    int SetSizeDBArray(int n);

    bool IsChanged() const { return changed_ != 0; }
    // Writes flush the new file to the disk before replacing the old one.
    void SetSyncOnWrite(bool sync) { syncOnWrite_ = sync; }

private:
    using Match = FieldMatch;
    int Search(Match how, const char* text, int column, int start, int step) const;
    int CheckLine(const XCStringArrayEx& line) const;
    int SetElementText(int line, int column, std::string_view text);

    std::vector<PackedRow> lines_;
    int changed_ = 0;
    int elements_ = 0;
    std::string path_;
    int elementsY2_ = 0;
    bool syncOnWrite_ = false;
    bool damaged_ = false;  // the file at path_ could not be read whole
};
