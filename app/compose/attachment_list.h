#pragma once
// The attachment list of the attachment-settings dialog (attachment_settings_dlg.h)
// without widgets: the entries the dialog starts with, the files the user adds and
// removes, the size limit, and what pressing OK does to the mail's attachment folder.
//
// Entries are kept in list order; the rows the dialog shows are the entries not deleted.
// A removed row is matched by its position, never by its name, so removing the second of
// two rows that once had the same name (an old attachment removed, a new file of the same
// name added) removes that second one.
//
// Names are bare file names in Shift_JIS, as the attachment store keeps them; the file of
// an entry in the attachment folder is folder + "/" + that name (the same bytes the store
// reads). Source paths are file-system paths.
//
// Applying (OK) to the folder:
//  1. the files of removed entries that came with the list are deleted from the folder (a
//     failure is ignored: the list no longer names them);
//  2. each added file is copied into the folder under its name, replacing a file of that
//     name only when the whole copy was written (a copy goes to a temporary file first),
//     so a failed copy never leaves a half file behind;
//  3. the result is the (name, size) pairs of the rows, without the ones whose copy
//     failed: the list never names a file the folder does not hold.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace compose {

// (file name, size in bytes as decimal text).
using AttachmentPair = std::pair<std::string, std::string>;

struct AttachmentEntry {
    std::string fileName;
    std::string size;
    std::string sourcePath;  // of an added file; empty for entries of the list given
    bool existing = false;   // came with the list given
    bool deleted = false;    // an existing entry the user removed
};

class AttachmentList {
public:
    // The most bytes all attachments of a mail may take together.
    static constexpr std::uint64_t kMaxTotalBytes = 2000000;

    // Starts from the mail's list (every entry existing).
    void Load(const std::vector<AttachmentPair>& pairs);

    // The rows shown: the entries not deleted, in order.
    int RowCount() const;
    const AttachmentEntry& Row(int row) const;
    // True when a row has exactly this name (case counts).
    bool HasName(const std::string& fileName) const;
    // Appends an added file; the new row's number.
    int Add(const std::string& fileName, std::uint64_t size, const std::string& sourcePath);
    // Removes row `row`: an existing entry is marked deleted, an added one forgotten.
    void RemoveRow(int row);

    // The check before OK, in row order: an added file is measured again (it may have
    // changed or gone since it was added); the sizes are summed.
    struct SizeCheck {
        enum Result { kOk, kUnreadable, kTooLarge } result = kOk;
        std::string path;  // the added file that could not be read
    };
    SizeCheck CheckSizes();

    struct Applied {
        std::vector<AttachmentPair> list;
        std::vector<std::string> failedSources;  // added files that could not be copied
    };
    // Applies the list to `folder` (see above).
    Applied Apply(const std::string& folder) const;

private:
    int EntryOfRow(int row) const;
    std::vector<AttachmentEntry> entries_;
};

// The size of a file that can be opened for reading, or nothing.
std::optional<std::uint64_t> ReadableFileSize(const std::string& path);
// Copies `from` to `to` through a temporary file renamed over `to`: true when `to` now
// holds the whole copy; on failure `to` is as it was.
bool CopyFileSafely(const std::string& from, const std::string& to);

}  // namespace compose
