#include "core/foundation/csv_read.h"

#include <cstdlib>
#include <cstring>
#include <sys/types.h>

#include "core/foundation/record_coding.h"

namespace {

// Large stdio buffer: record files of the address book run to hundreds of megabytes.
constexpr size_t kStreamBuffer = 1 << 20;

// Updates the open-quote state over `n` bytes: a doubled quote is skipped as a pair,
// every other quote toggles. Pieces end at LF, so a pair never spans two calls.
bool ScanQuotes(const char* p, size_t n, bool open) {
    const char* end = p + n;
    while (p < end) {
        const char* q = static_cast<const char*>(std::memchr(p, '"', static_cast<size_t>(end - p)));
        if (q == nullptr) break;
        if (q + 1 < end && q[1] == '"') {
            p = q + 2;
        } else {
            open = !open;
            p = q + 1;
        }
    }
    return open;
}

bool OnlyCr(const char* p, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (p[i] != '\r') return false;
    return true;
}

}  // namespace

CsvRead::CsvRead() : coded_(false) {}
CsvRead::CsvRead(bool coded) : coded_(coded) {}

CsvRead::~CsvRead() {
    CloseFile();
    std::free(piece_);
}

int CsvRead::OpenFile(const char* path) {
    CloseFile();
    if (path == nullptr) return -1;
    fp_ = std::fopen(path, "rb");
    if (fp_ == nullptr) return -1;
    std::setvbuf(fp_, nullptr, _IOFBF, kStreamBuffer);
    return 1;
}

void CsvRead::CloseFile() {
    if (fp_ != nullptr) {
        std::fclose(fp_);
        fp_ = nullptr;
    }
    ClearFields();
    line_.clear();
    torn_ = false;
}

std::FILE* CsvRead::SetFp(std::FILE* fp) {
    CloseFile();
    if (fp != nullptr) fp_ = fp;
    return fp_;
}

int CsvRead::IsEof() const { return fp_ != nullptr && std::feof(fp_) ? 1 : 0; }

int CsvRead::MoveFirst() {
    if (fp_ == nullptr || std::fseek(fp_, 0, SEEK_SET) != 0) return -1;
    std::clearerr(fp_);
    torn_ = false;
    return 0;
}

void CsvRead::ClearFields() {
    fieldBuf_.clear();
    fieldStart_.clear();
    fieldLen_.clear();
}

const char* CsvRead::GetData(int index) const {
    if (index < 0 || index >= GetElementsNumber()) return nullptr;
    return fieldBuf_.data() + fieldStart_[static_cast<size_t>(index)];
}

std::string_view CsvRead::GetDataView(int index) const {
    if (index < 0 || index >= GetElementsNumber()) return {};
    const size_t i = static_cast<size_t>(index);
    return std::string_view(fieldBuf_.data() + fieldStart_[i], fieldLen_[i]);
}

int CsvRead::ReadLine() {
    line_.clear();
    ClearFields();
    torn_ = false;
    if (fp_ == nullptr) return -1;
    bool open = false;
    for (;;) {
        const ssize_t got = ::getdelim(&piece_, &pieceCap_, '\n', fp_);
        if (got <= 0) {
            if (line_.empty()) return -1;
            // The file ended inside a quoted field that spans lines.
            if (coded_) torn_ = true;
            return 0;
        }
        const size_t n = static_cast<size_t>(got);
        const bool terminated = piece_[n - 1] == '\n';
        if (coded_) CodeBytes(piece_, n, decodeTable_);
        open = ScanQuotes(piece_, n, open);
        const bool firstPiece = line_.empty();
        line_.append(piece_, n);
        if (!terminated) {
            if (coded_) {
                // A record cut off by an interrupted write; a lone CR is just a blank line.
                if (firstPiece && OnlyCr(piece_, n)) {
                    line_.clear();
                    return 0;
                }
                torn_ = true;
                return 0;
            }
            if (open) return 0;  // a quote never closed: malformed, not the end
            return Split();
        }
        if (!open) return Split();
    }
}

int CsvRead::SetLine(const char* text) {
    if (text == nullptr) {
        line_.clear();
        ClearFields();
        return -1;
    }
    return SetLine(std::string_view(text));
}

int CsvRead::SetLine(std::string_view text) {
    torn_ = false;
    line_.assign(text.data(), text.size());
    return Split();
}

// Splits line_ into fields. Trailing CR and LF go first; an empty text has no fields.
// A field starting with a quote is quoted (commas inside are data, up to the closing
// quote). Any other quote is read by what follows: a second quote is one literal quote,
// a comma or the end ends the field (the quote is dropped), anything else makes the
// record malformed (0 fields). A quote never closed runs to the end of the text.
int CsvRead::Split() {
    ClearFields();
    size_t n = line_.size();
    while (n > 0 && (line_[n - 1] == '\r' || line_[n - 1] == '\n')) --n;
    line_.resize(n);
    if (n == 0) return 0;

    const char* s = line_.data();
    fieldBuf_.resize(2 * n + 2);
    char* out = fieldBuf_.data();
    size_t w = 0;
    size_t p = 0;
    for (;;) {
        const size_t start = w;
        bool quoted = false;
        if (p < n && s[p] == '"') {
            quoted = true;
            ++p;
        }
        bool last = false;
        for (;;) {
            if (p >= n) {
                last = true;
                break;
            }
            if (quoted) {
                // Copy up to the next quote in one go.
                const char* q = static_cast<const char*>(std::memchr(s + p, '"', n - p));
                const size_t stop = q != nullptr ? static_cast<size_t>(q - s) : n;
                std::memcpy(out + w, s + p, stop - p);
                w += stop - p;
                p = stop;
                if (p >= n) continue;
            }
            const char c = s[p];
            if (c == '"') {
                if (p + 1 < n && s[p + 1] == '"') {
                    out[w++] = '"';
                    p += 2;
                    continue;
                }
                if (p + 1 == n) {
                    p = n;
                    last = true;
                    break;
                }
                if (s[p + 1] == ',') {
                    p += 2;
                    break;
                }
                ClearFields();
                return 0;
            }
            if (c == ',') {
                ++p;
                break;
            }
            out[w++] = c;
            ++p;
        }
        fieldStart_.push_back(static_cast<unsigned>(start));
        fieldLen_.push_back(static_cast<unsigned>(w - start));
        out[w++] = '\0';
        if (last) break;
    }
    fieldBuf_.resize(w);
    return GetElementsNumber();
}

XCsvRead::XCsvRead() : CsvRead(true) { decodeTable_ = DefaultDecodeTable(); }

void XCsvRead::SetUseKey(const char* key) {
    if (key == nullptr) {
        key_.reset();
        decodeTable_ = DefaultDecodeTable();
        return;
    }
    key_ = key;
    decodeTable_ = RecordDecodeTable(GetKeyNumber(*key_));
}
