#pragma once
// Readers of record files: comma-separated records in Shift_JIS, one per line, where a
// quoted field may hold commas, doubled double quotes and line breaks (a record then
// spans several physical lines).
//
// CsvRead reads plain files exchanged with the user (CSV import, rule files). XCsvRead
// reads the system's own coded files: every physical line is split at its stored LF and
// then decoded through the table of its key (see record_coding.h).
//
// Results of ReadLine: the field count (at least 1); 0 for an empty or malformed record
// (no fields are then held); -1 at the end of the file, and also when reading failed:
// IsReadError() tells the two apart, so that a file that could not be read is never
// taken for an empty or short one.
//
// Opening never waits and takes regular files only (a folder, a FIFO, a socket or a device
// is refused at once). CsvRead opens a file as the user named it (platform::OpenNamedFile);
// XCsvRead a file of the program's own (platform::OpenPrivateFile: a link, another user's
// file or one with a second name is refused and the refusal told), unless the caller says
// that the user named it (UserNamedFile: a backup picked to restore from).
//  - CsvRead delivers a last line that has no line end, and reports a quote still open at
//    the end of the file as a malformed record (0), not as the end.
//  - XCsvRead treats a last line without a line end as a record cut off by an interrupted
//    write: ReadLine returns 0 and IsTornRecord() is true. A cut-off line holding only
//    CR counts as an empty line.

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CsvRead {
public:
    CsvRead();
    virtual ~CsvRead();
    CsvRead(const CsvRead&) = delete;
    CsvRead& operator=(const CsvRead&) = delete;

    // Opens for reading as bytes: 1, or -1 (errno set) when the path is null or the open
    // fails or is refused.
    int OpenFile(const char* path);
    int OpenFile(const std::string& path) { return OpenFile(path.c_str()); }

    int ReadLine();
    // Splits `text` as one record (no joining, no decoding). Results as ReadLine; -1 for null.
    int SetLine(const char* text);
    int SetLine(std::string_view text);

    // Field `index` of the current record, NUL-terminated; null outside 0..count-1. Valid
    // until the next read, SetLine or close.
    const char* GetData(int index) const {
        if (index < 0 || index >= GetElementsNumber()) return nullptr;
        return fieldBuf_.data() + fields_[static_cast<size_t>(index)].start;
    }
    // The same as a view (keeps any NUL bytes of the field); empty outside the range.
    std::string_view GetDataView(int index) const {
        if (index < 0 || index >= GetElementsNumber()) return {};
        const Field& f = fields_[static_cast<size_t>(index)];
        return std::string_view(fieldBuf_.data() + f.start, f.length);
    }
    int GetElementsNumber() const { return static_cast<int>(fields_.size()); }
    // The current record's text: decoded, joined, trailing CR and LF removed.
    const std::string& GetLine() const { return line_; }
    int IsEof() const;
    // True after a ReadLine that met the end of the file inside a record (see above).
    bool IsTornRecord() const { return torn_; }
    // True once a read of the open file failed (an I/O error): its -1 is not the end.
    bool IsReadError() const { return readError_; }

    // Back to the start of the file: 0, or -1 when the seek fails (or no file is open).
    int MoveFirst();
    // Closes the current file and adopts `fp` when it is not null; returns the stream held.
    std::FILE* SetFp(std::FILE* fp);
    std::FILE* GetFp() const { return fp_; }
    void CloseFile();

protected:
    explicit CsvRead(bool coded);
    // The table through which physical lines are decoded (XCsvRead only).
    const unsigned char* decodeTable_ = nullptr;
    // Whether OpenFile opens a file of the program's own (else one the user named).
    bool ownFile_ = false;

private:
    int Split();
    void ClearFields();

    const bool coded_;
    std::unique_ptr<char[]> streamBuf_;  // outlives fp_: closed first
    std::FILE* fp_ = nullptr;
    std::string line_;
    char* piece_ = nullptr;  // getdelim's buffer
    size_t pieceCap_ = 0;
    std::string fieldBuf_;   // the fields, each followed by a NUL (grown, never shrunk)
    struct Field {
        unsigned start;
        unsigned length;
    };
    std::vector<Field> fields_;
    bool torn_ = false;
    bool readError_ = false;
};

class XCsvRead : public CsvRead {
public:
    XCsvRead();
    // Keeps a copy of the key and decodes with table GetKeyNumber(key) of the record
    // block; a null key goes back to the default table.
    void SetUseKey(const char* key);
    void SetUseKey(const std::string& key) { SetUseKey(key.c_str()); }
    const std::optional<std::string>& GetKey() const { return key_; }
    // The next files opened are ones the user named, not the program's own.
    void UserNamedFile() { ownFile_ = false; }

private:
    std::optional<std::string> key_;
};
