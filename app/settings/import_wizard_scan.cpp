#include "app/settings/import_wizard_scan.h"

#include <sys/stat.h>

#include <cstring>

#include "core/addressbook/import_line_reader.h"
#include "core/foundation/string_utils.h"
#include "core/foundation/validation.h"
#include "platform/path.h"

namespace settings {
namespace {

// Where UTF-8 stands in a file: no non-ASCII byte yet, valid UTF-8 with non-ASCII
// characters so far, or not UTF-8.
enum class Utf8State { kAsciiOnly, kValid, kInvalid };

// Folds `line` into the file's UTF-8 state.
Utf8State FoldUtf8(Utf8State state, std::string_view line) {
    if (state == Utf8State::kInvalid) return state;
    const auto* p = reinterpret_cast<const unsigned char*>(line.data());
    const std::size_t n = line.size();
    for (std::size_t i = 0; i < n;) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int more = 0;
        unsigned min = 0;
        if (c >= 0xC2 && c <= 0xDF) more = 1, min = 0x80;
        else if (c >= 0xE0 && c <= 0xEF) more = 2, min = 0x800;
        else if (c >= 0xF0 && c <= 0xF4) more = 3, min = 0x10000;
        else return Utf8State::kInvalid;
        if (i + static_cast<std::size_t>(more) >= n) return Utf8State::kInvalid;  // cut off
        unsigned code = c & (0x3Fu >> more);
        for (int k = 1; k <= more; ++k) {
            const unsigned char t = p[i + static_cast<std::size_t>(k)];
            if ((t & 0xC0) != 0x80) return Utf8State::kInvalid;
            code = (code << 6) | (t & 0x3Fu);
        }
        if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return Utf8State::kInvalid;
        i += static_cast<std::size_t>(more) + 1;
        state = Utf8State::kValid;
    }
    return state;
}

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

    Utf8State utf8 = Utf8State::kAsciiOnly;
    int notSjisLine = 0;
    std::string line;
    std::vector<std::string> fields;
    int physical = 0;
    while (reader.ReadLine(line)) {
        ++physical;
        if (physical == 1 && line.size() >= 3 && std::memcmp(line.data(), "\xEF\xBB\xBF", 3) == 0)
            return refuse(kImportFileUtf8, 1);
        if (line.size() > ImportScan::kMaxLineBytes) return refuse(kImportFileLineTooLong, physical);
        if (std::memchr(line.data(), '\0', line.size()) != nullptr) return refuse(kImportFileBinary, physical);
        utf8 = FoldUtf8(utf8, line);
        // Invalid Shift_JIS in valid UTF-8 text is told as UTF-8 at the end; otherwise the
        // first such line is the answer.
        if (notSjisLine == 0 && !IsShiftJis(line)) notSjisLine = physical;
        if (notSjisLine != 0 && utf8 == Utf8State::kInvalid) return refuse(kImportFileNotSjis, notSjisLine);
        if (line.empty()) continue;

        const int index = scan.lineCount++;
        if (scan.tooManyFields) continue;  // the file is still checked to its end
        SplitString(line, fields, separators, quote);
        const int count = static_cast<int>(fields.size());
        if (count > ImportScan::kMaxFields) {
            scan.tooManyFields = true;
            scan.tooManyFieldsLine = physical;
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
        fields.clear();
    }
    if (reader.Failed()) return refuse(kImportFileUnreadable, 0);
    if (utf8 == Utf8State::kValid) return refuse(kImportFileUtf8, 0);
    if (notSjisLine != 0) return refuse(kImportFileNotSjis, notSjisLine);
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
