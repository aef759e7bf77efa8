#pragma once
// ImportFileScan: what the CSV import wizard learns about its file, in one pass over it.
//
// The wizard's pages need the same facts again and again (the file check on every page,
// the split preview, the column labels, the widest line); reading and splitting a file of
// a million lines for each page would freeze the window for seconds every time. So one
// pass computes all of them for a (file, separators, quote) triple, and ImportScanCache
// keeps the last result while the file's size and modification time stay the same.
//
// The records are the import's own (ImportRecords): lines end at LF, CR and LF removed at
// the end, a quoted field may hold line breaks, empty lines are skipped; each record is
// split with the import's own splitter, so the preview never differs from what the import
// will do.
//
// The pass also refuses files that would put something into the address book that no
// person typed, each with the 1-based physical line where it was found:
//  - a NUL byte (a UTF-16 file or binary data, not text);
//  - bytes that are not Shift_JIS (a lead byte without its trail, 0x80, 0xA0, 0xFD-0xFF)
//    in a file that is not UTF-8 either (a UTF-8 file, with a byte-order mark or valid
//    UTF-8 with non-ASCII characters, is read converted, as the import reads it);
//  - a line longer than kMaxLineBytes (no address record is that long; a megabyte cell
//    would also stall every list that shows it);
//  - with the chosen separators, a record of more than kMaxFields fields (a split setting
//    that does not fit the file, or a hostile file: each field becomes a list row).
// The first three are file checks; the last depends on the split and is told as such.
//
// No widgets here: the pass runs on a worker, the wizard only shows its result.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace settings {

// Results of the file check. The first four are the wizard's classic codes.
enum ImportFileStatus : int {
    kImportFileUsable = 0,
    kImportFileNoPath = -1,      // no path given
    kImportFileMissing = -2,     // no such file (its status cannot be read)
    kImportFileUnreadable = -3,  // cannot be opened or read
    kImportFileNoData = -4,      // no line with any text
    kImportFileBinary = -5,      // a NUL byte
    kImportFileNotSjis = -7,     // bytes that are not Shift_JIS
    kImportFileLineTooLong = -8  // a line above kMaxLineBytes
};

// Size and modification time of a file: a changed stamp means the file must be read again.
struct FileStamp {
    bool exists = false;
    std::uintmax_t size = 0;
    std::int64_t mtimeNs = 0;
    bool operator==(const FileStamp&) const = default;
};
FileStamp StampOf(const std::string& path);

struct ImportScan {
    static constexpr std::size_t kMaxLineBytes = 1 << 20;
    static constexpr int kMaxFields = 1000;
    static constexpr int kMaxSamples = 100;

    std::string path;
    std::string separators;
    char quote = 0;
    FileStamp stamp;

    int status = kImportFileNoPath;  // an ImportFileStatus
    int badLine = 0;                 // physical line of a refusal (statuses -5 to -8)
    // The split failed: a record of more than kMaxFields fields (status stays usable;
    // the line is where that record starts).
    bool tooManyFields = false;
    int tooManyFieldsLine = 0;

    int lineCount = 0;                                   // non-empty records
    std::vector<std::vector<std::string>> sampleFields;  // the first kMaxSamples records, split
    int widestLine = -1;   // index (among non-empty records) of the first one with most fields
    int columnCount = 0;   // its field count
    // One label per column: the column's first field that is not blank (only half- and
    // full-width spaces); while none is, the column's field of the latest line. Shift_JIS.
    std::vector<std::string> labels;

    // The file is UTF-8 (the import converts it; labels and samples are given converted).
    bool utf8 = false;

    bool Usable() const { return status == kImportFileUsable; }
    // Usable and split into at least one column within the limits.
    bool Splittable() const { return Usable() && !tooManyFields && columnCount > 0; }
};

// Scans `path` with the split (separators: each byte separates; quote 0 for none).
ImportScan ScanImportFile(const std::string& path, const std::string& separators, char quote);

// True when `field` is empty once every half-width space (0x20) and every full-width space
// (0x81 0x40 at a character boundary) is removed.
bool IsBlankLabel(std::string_view field);

// The last scan, kept while the file and the split stay the same. Thread-compatible: one
// thread at a time (the wizard scans on its worker and reads the result after it).
class ImportScanCache {
public:
    // The scan of (path, separators, quote): the kept one when the file's stamp is
    // unchanged, else a new pass.
    std::shared_ptr<const ImportScan> Get(const std::string& path, const std::string& separators, char quote);
    // The kept scan, if it is still for (path, separators, quote) and the file did not change.
    std::shared_ptr<const ImportScan> Cached(const std::string& path, const std::string& separators,
                                             char quote) const;
    void Clear() { last_.reset(); }

private:
    std::shared_ptr<const ImportScan> last_;
};

}  // namespace settings
