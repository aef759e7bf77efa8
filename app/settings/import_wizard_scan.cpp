#include "app/settings/import_wizard_scan.h"

#include <sys/stat.h>

#include <cstring>

#include "core/addressbook/import_line_reader.h"
#include "core/addressbook/import_records.h"
#include "core/foundation/cp932.h"
#include "core/foundation/string_utils.h"
#include "core/foundation/validation.h"
#include "platform/path.h"

namespace settings {
namespace {

bool IsShiftJis(std::string_view line) {
    int halfKana = 1, dependent = 1, valid = 1;
    CheckMailBodyCharacterCode(line, halfKana, dependent, valid);
    return valid == 1;
}

}  // namespace

FileStamp StampOf(const std::string& path) {
    FileStamp stamp;
    struct stat st {};
    if (path.empty() || ::stat(platform::FixPath(path).c_str(), &st) != 0) return stamp;
    stamp.exists = true;
    stamp.size = static_cast<std::uintmax_t>(st.st_size);
    stamp.mtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return stamp;
}

bool IsBlankLabel(std::string_view field) {
    const auto* p = reinterpret_cast<const unsigned char*>(field.data());
    for (std::size_t i = 0; i < field.size();) {
        if (p[i] == 0x20) {
            ++i;
        } else if (p[i] == 0x81 && i + 1 < field.size() && p[i + 1] == 0x40) {
            i += 2;
        } else {
            return false;
        }
    }
    return true;
}

ImportScan ScanImportFile(const std::string& path, const std::string& separators, char quote) {
    ImportScan scan;
    scan.path = path;
    scan.separators = separators;
    scan.quote = quote;
    if (path.empty()) {
        scan.status = kImportFileNoPath;
        return scan;
    }
    scan.stamp = StampOf(path);
    if (!scan.stamp.exists) {
        scan.status = kImportFileMissing;
        return scan;
    }
    ImportLineReader reader;
    if (!reader.Open(path)) {
        scan.status = kImportFileUnreadable;
        return scan;
    }
    const auto refuse = [&scan](int status, int line) {
        scan.status = status;
        scan.badLine = line;
        scan.sampleFields.clear();
        scan.labels.clear();
        scan.lineCount = 0;
        scan.widestLine = -1;
        scan.columnCount = 0;
        return scan;
    };

    // The file checks go by physical line, so a refusal names the line where it was found.
    // The text code is decided as the import decides it: a UTF-8 file is read converted.
    ImportTextDetector text;
    int notSjisLine = 0;
    std::string line;
    int physical = 0;
    while (reader.ReadLine(line)) {
        ++physical;
        text.Feed(line);
        if (physical == 1 && text.HasBom()) line.erase(0, 3);
        if (line.size() > ImportScan::kMaxLineBytes) return refuse(kImportFileLineTooLong, physical);
        if (std::memchr(line.data(), '\0', line.size()) != nullptr) return refuse(kImportFileBinary, physical);
        // Bytes that are no Shift_JIS in text that may still be UTF-8 are judged at the end;
        // otherwise the first such line is the answer.
        if (notSjisLine == 0 && !IsShiftJis(line)) notSjisLine = physical;
        if (notSjisLine != 0 && !text.CanBeUtf8()) return refuse(kImportFileNotSjis, notSjisLine);
    }
    if (reader.Failed()) return refuse(kImportFileUnreadable, 0);
    reader.Close();
    scan.utf8 = text.IsUtf8();
    if (!scan.utf8 && notSjisLine != 0) return refuse(kImportFileNotSjis, notSjisLine);

    // The split comes from the import's own reader: a quoted field that holds line breaks
    // (as spreadsheets write a cell with several lines) is one record here as it is there,
    // not a row cut in two and a stray row of its tail. A UTF-8 file's records come
    // converted, as the import will store them.
    ImportRecords records;
    if (!records.Load(path, separators, quote)) return refuse(kImportFileUnreadable, 0);
    ImportRecords::Record record;
    while (records.Next(record)) {
        if (record.text.empty()) continue;
        const int index = scan.lineCount++;
        if (scan.tooManyFields) continue;
        std::vector<std::string>& fields = record.columns;
        const int count = static_cast<int>(fields.size());
        if (count > ImportScan::kMaxFields) {
            scan.tooManyFields = true;
            scan.tooManyFieldsLine = record.line;
            continue;
        }
        if (count > scan.columnCount) {
            scan.columnCount = count;
            scan.widestLine = index;
        }
        for (int j = 0; j < count; ++j) {
            std::string& field = fields[static_cast<std::size_t>(j)];
            if (j >= static_cast<int>(scan.labels.size())) scan.labels.push_back(field);
            else if (IsBlankLabel(scan.labels[static_cast<std::size_t>(j)])) scan.labels[static_cast<std::size_t>(j)] = field;
        }
        if (index < ImportScan::kMaxSamples) scan.sampleFields.push_back(std::move(fields));
    }
    if (scan.lineCount == 0) return refuse(kImportFileNoData, 0);
    if (scan.tooManyFields) {
        scan.sampleFields.clear();
        scan.labels.clear();
        scan.widestLine = -1;
        scan.columnCount = 0;
    }
    scan.status = kImportFileUsable;
    return scan;
}

std::shared_ptr<const ImportScan> ImportScanCache::Cached(const std::string& path, const std::string& separators,
                                                          char quote) const {
    if (!last_ || last_->path != path || last_->separators != separators || last_->quote != quote) return nullptr;
    // A missing or unnamed file is looked at again every time.
    if (!last_->stamp.exists || !(StampOf(path) == last_->stamp)) return nullptr;
    return last_;
}

std::shared_ptr<const ImportScan> ImportScanCache::Get(const std::string& path, const std::string& separators,
                                                       char quote) {
    if (auto kept = Cached(path, separators, quote)) return kept;
    last_ = std::make_shared<const ImportScan>(ScanImportFile(path, separators, quote));
    return last_;
}

}  // namespace settings
