#pragma once
// ImportRecords: the records of a delimited import file, split into columns. The file is
// read whole before the import changes the book, so a file that cannot be read (missing,
// a folder, a read error half-way) never costs the book anything.
//
// Lines end at LF; trailing CR and LF are dropped; a last line without a line break is a
// line too, an empty rest after the last line break is not. A record is one line, or more
// when a quoted field holds line breaks (as RFC 4180 allows): while the line's last field
// is a quoted field still open, the next line is joined on with CR LF. A quote never closed
// within kMaxRecordLines lines or kMaxRecordBytes bytes (or by the end of the file) makes
// the record's first line a rejected record of its own, and reading goes on with the line
// after it.
//
// Text code: the records come out in Shift_JIS. A file that starts with a UTF-8 byte-order
// mark, or that is well-formed UTF-8 throughout and holds characters beyond ASCII, is read
// as UTF-8 and converted line by line; a line holding a character that Shift_JIS cannot
// hold (or a broken sequence) is rejected rather than stored with the character replaced. In a Shift_JIS file, a line with a byte that starts no character or
// a lead byte without its trail byte is rejected (its fields are split all the same, so a
// broken character never merges two fields). A line holding a NUL byte is rejected in either code.
//
// A record rejected on reading says why (Record::reason): the characters Shift_JIS cannot
// hold, each once with its code point, the bytes that start no character, the NUL byte, the
// quote never closed. Each record also keeps its bytes as the file holds them, line ends
// included, so that a rejected one can be given back to the user unchanged.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The text code of a delimited import file, by the rule above, from its text fed in pieces
// that end at line breaks (or all at once): a line break never splits a character of
// either code, so the pieces judge as the whole would. The import and the screens that
// preview its file decide the same way through this.
// The reason phrase of a line holding a NUL byte (UTF-8), shared by every importer.
inline constexpr const char* kNulInLineReason = "NUL文字(0x00)が含まれている、";

class ImportTextDetector {
public:
    // The first piece may begin with the UTF-8 byte-order mark.
    void Feed(std::string_view piece);
    bool IsUtf8() const;
    bool HasBom() const { return bom_; }
    // False once the text can no longer turn out UTF-8 (a piece that is no UTF-8).
    bool CanBeUtf8() const { return bom_ || utf8WellFormed_; }

private:
    bool first_ = true;
    bool bom_ = false;
    bool utf8WellFormed_ = true;
    bool wide_ = false;  // a character beyond ASCII
};

class ImportRecords {
public:
    static constexpr int kMaxRecordLines = 1000;
    static constexpr std::size_t kMaxRecordBytes = 1 << 20;

    struct Record {
        std::string text;                  // Shift_JIS, inner line breaks as CR LF
        std::vector<std::string> columns;  // SplitString of the text
        int line = 0;                      // 1-based number of its first line in the file
        bool rejected = false;             // see the header comment
        // Why it was rejected on reading: phrases in UTF-8 (they may name characters
        // Shift_JIS lacks), each ending in "、"; empty when it was not.
        std::string reason;
        // The record as the file holds it: its lines with their line ends (the last line
        // of the file may have none), in the file's code, no byte-order mark. Valid until
        // the next Load.
        std::string_view bytes;
    };

    // Reads the whole file: false when it cannot be opened or read (nothing is kept).
    // `separators` and `quote` split the records as SplitString does.
    bool Load(const std::string& path, std::string_view separators, char quote);
    // The file was taken for UTF-8.
    bool IsUtf8() const { return utf8_; }
    // The byte-order mark the file starts with ("" when none).
    std::string_view Bom() const { return std::string_view(data_).substr(0, start_); }

    // The next record: false at the end of the file.
    bool Next(Record& out);

private:
    // The physical line that starts at `pos` (without its line break) and the start of the
    // one after it; false at the end.
    bool LineAt(std::size_t pos, std::string_view& line, std::size_t& next) const;

    std::string data_;
    std::size_t start_ = 0;  // after a byte-order mark
    std::size_t pos_ = 0;
    int lineNumber_ = 0;     // lines passed so far
    std::string separators_;
    char quote_ = '\0';
    bool utf8_ = false;
};
