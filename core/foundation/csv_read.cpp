#include "core/foundation/csv_read.h"

#include <sys/stat.h>

#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sys/types.h>

#include "core/foundation/record_coding.h"
#include "platform/private_files.h"

namespace {

// Stream buffer: record files of the address book run to hundreds of megabytes. 64 KB
// keeps system calls few and still stays in the cache while the kernel copies it.
constexpr size_t kReadBuffer = 64 << 10;

// The open-quote test of record joining skips a doubled quote as a pair and lets every
// other quote toggle. In a run of k quotes that is k / 2 pairs and k % 2 toggles, so a
// record is open exactly when it holds an odd number of quotes. These count the quotes of
// a piece (decoding it first, for coded files) in one pass.
size_t CountQuotes(const char* p, size_t n) {
    size_t q = 0;
    for (size_t i = 0; i < n; ++i) q += p[i] == '"';
    return q;
}

size_t DecodeCountingQuotes(char* p, size_t n, const unsigned char* table) {
    unsigned char* b = reinterpret_cast<unsigned char*>(p);
    size_t q = 0;
    for (size_t i = 0; i < n; ++i) {
        const unsigned char c = table[b[i]];
        b[i] = c;
        q += c == '"';
    }
    return q;
}

static_assert(std::endian::native == std::endian::little, "CopyRun reads words low byte first");

// Word-at-a-time search: the mask has the high bit set in the lowest byte of `x` that
// equals `b` (higher bytes may be marked falsely, which the lowest-bit pick ignores).
inline uint64_t BytesEqual(uint64_t x, unsigned char b) {
    const uint64_t v = x ^ (0x0101010101010101ull * b);
    return (v - 0x0101010101010101ull) & ~v & 0x8080808080808080ull;
}

// Copies bytes from p to o until one of the stop bytes (a quote, and a comma unless
// inQuotes) or `end`; returns the new p and advances o. Eight bytes at a time while
// eight remain: fields are short and a byte loop's exit is badly predicted. o must have
// eight bytes of room past what is copied.
inline const char* CopyRun(const char* p, const char* end, char*& o, bool inQuotes) {
    while (end - p >= 8) {
        uint64_t x;
        std::memcpy(&x, p, 8);
        uint64_t hit = BytesEqual(x, '"');
        if (!inQuotes) hit |= BytesEqual(x, ',');
        std::memcpy(o, &x, 8);
        if (hit != 0) {
            const size_t k = static_cast<size_t>(__builtin_ctzll(hit)) / 8;
            o += k;
            return p + k;
        }
        o += 8;
        p += 8;
    }
    if (inQuotes) {
        while (p < end && *p != '"') *o++ = *p++;
    } else {
        while (p < end && *p != '"' && *p != ',') *o++ = *p++;
    }
    return p;
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
    // Both opens take regular files only: a folder would read as an empty file, and a FIFO
    // would hold the open for ever.
    fp_ = ownFile_ ? platform::OpenPrivateStream(path) : platform::OpenNamedStream(path);
    if (fp_ == nullptr) return -1;
    // glibc ignores the size for a buffer it allocates itself, so give it ours.
    if (!streamBuf_) streamBuf_.reset(new char[kReadBuffer]);
    std::setvbuf(fp_, streamBuf_.get(), _IOFBF, kReadBuffer);
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
    readError_ = false;
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
    readError_ = false;
    return 0;
}

// The field buffer keeps its size (only the field list says what is valid), so that it
// is not cleared and refilled for every record.
void CsvRead::ClearFields() {
    fields_.clear();
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
            if (std::ferror(fp_)) {
                readError_ = true;
                line_.clear();
                return -1;
            }
            if (line_.empty()) return -1;
            // The file ended inside a quoted field that spans lines.
            if (coded_) torn_ = true;
            return 0;
        }
        const size_t n = static_cast<size_t>(got);
        const bool terminated = piece_[n - 1] == '\n';
        const size_t quotes = coded_ ? DecodeCountingQuotes(piece_, n, decodeTable_) : CountQuotes(piece_, n);
        if (quotes % 2 != 0) open = !open;
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

    // Every byte yields at most one byte, and every field one NUL; CopyRun may store
    // eight bytes past what it keeps.
    if (fieldBuf_.size() < 2 * n + 10) fieldBuf_.resize(2 * n + 10);
    const char* p = line_.data();
    const char* const end = p + n;
    char* const out = fieldBuf_.data();
    char* o = out;
    for (;;) {
        char* const start = o;
        bool last = false;
        const bool quoted = *p == '"';
        if (quoted) ++p;
        for (;;) {
            // Copy the plain run: inside quotes only a quote stops it, outside a comma too.
            p = CopyRun(p, end, o, quoted);
            if (p == end) {
                last = true;
                break;
            }
            if (*p == ',') {  // only reached outside quotes
                ++p;
                break;
            }
            // A quote: doubled it is one quote; before a comma or the end it closes the
            // field and is dropped; before anything else the record is malformed.
            if (p + 1 == end) {
                p = end;
                last = true;
                break;
            }
            if (p[1] == '"') {
                *o++ = '"';
                p += 2;
                continue;
            }
            if (p[1] == ',') {
                p += 2;
                break;
            }
            ClearFields();
            return 0;
        }
        fields_.push_back({static_cast<unsigned>(start - out), static_cast<unsigned>(o - start)});
        *o++ = '\0';
        if (last) break;
        if (p == end) {
            // A comma ended the text: one more, empty field.
            fields_.push_back({static_cast<unsigned>(o - out), 0});
            *o++ = '\0';
            break;
        }
    }
    return GetElementsNumber();
}

XCsvRead::XCsvRead() : CsvRead(true) {
    decodeTable_ = DefaultDecodeTable();
    ownFile_ = true;
}

void XCsvRead::SetUseKey(const char* key) {
    if (key == nullptr) {
        key_.reset();
        decodeTable_ = DefaultDecodeTable();
        return;
    }
    key_ = key;
    decodeTable_ = RecordDecodeTable(GetKeyNumber(*key_));
}
