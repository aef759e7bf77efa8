#include "core/foundation/csv_write.h"

#include <cstring>

#include <fcntl.h>
#include <unistd.h>

#include "core/foundation/record_coding.h"
#include "platform/safe_write.h"

namespace {

// Stream buffer: few system calls, yet small enough to stay in the cache while the kernel
// copies it (a megabyte was slower).
constexpr size_t kWriteBuffer = 64 << 10;

void AppendDoublingQuotes(std::string& out, const char* p, size_t n) {
    const char* end = p + n;
    while (p < end) {
        const char* q = static_cast<const char*>(std::memchr(p, '"', static_cast<size_t>(end - p)));
        if (q == nullptr) {
            out.append(p, static_cast<size_t>(end - p));
            break;
        }
        out.append(p, static_cast<size_t>(q - p) + 1);
        out.push_back('"');
        p = q + 1;
    }
}

// snprintf of one conversion into `out`.
template <typename T>
void AppendFormatted(std::string& out, const std::string& conversion, T value) {
    char buf[256];
    const int n = std::snprintf(buf, sizeof buf, conversion.c_str(), value);
    if (n < 0) return;
    if (static_cast<size_t>(n) < sizeof buf) {
        out.append(buf, static_cast<size_t>(n));
        return;
    }
    const size_t at = out.size();
    out.resize(at + static_cast<size_t>(n) + 1);
    std::snprintf(out.data() + at, static_cast<size_t>(n) + 1, conversion.c_str(), value);
    out.resize(at + static_cast<size_t>(n));
}

}  // namespace

CsvWrite::CsvWrite() : coded_(false) {}
CsvWrite::CsvWrite(bool coded) : coded_(coded) {}

CsvWrite::~CsvWrite() { CloseFile(); }

int CsvWrite::OpenFile(const char* path, WriteMode mode, platform::FileAccess access) {
    AbortFile();
    if (path == nullptr) return -1;
    writeFailed_ = false;
    if (mode == WriteMode::kTruncate) {
        const int flags = O_WRONLY | O_CREAT | O_TRUNC;
        const int fd = access == platform::FileAccess::kOwner ? platform::OpenPrivateFile(path, flags)
                                                              : ::open(path, flags | O_CLOEXEC, 0666);
        if (fd < 0) return -1;
        fp_ = ::fdopen(fd, "wb");
        if (fp_ == nullptr) {
            ::close(fd);
            return -1;
        }
    } else {
        auto file = std::make_unique<platform::AtomicFile>();
        if (!file->Open(path, access)) return -1;
        fp_ = file->stream();
        safe_ = std::move(file);
        syncOnClose_ = mode == WriteMode::kSafeSync;
    }
    // glibc ignores the size for a buffer it allocates itself, so give it ours.
    if (!streamBuf_) streamBuf_.reset(new char[kWriteBuffer]);
    std::setvbuf(fp_, streamBuf_.get(), _IOFBF, kWriteBuffer);
    return 1;
}

int CsvWrite::CloseFile() {
    if (safe_) {
        const bool ok = !writeFailed_ && safe_->Commit(syncOnClose_);
        safe_.reset();  // discards the temporary if the commit did not happen
        fp_ = nullptr;
        return ok ? 0 : -1;
    }
    if (fp_ == nullptr) return 0;
    const int r = std::fclose(fp_);
    fp_ = nullptr;
    return r == 0 && !writeFailed_ ? 0 : -1;
}

void CsvWrite::AbortFile() {
    if (safe_) {
        safe_->Abort();
        safe_.reset();
        fp_ = nullptr;
        return;
    }
    if (fp_ != nullptr) {
        std::fclose(fp_);
        fp_ = nullptr;
    }
}

void CsvWrite::SetBeforeReplace(std::function<void(const std::string& temp)> hook) {
    if (safe_) safe_->SetBeforeReplace(std::move(hook));
}

std::FILE* CsvWrite::SetFp(std::FILE* fp) {
    CloseFile();
    writeFailed_ = false;
    if (fp != nullptr) fp_ = fp;
    return fp_;
}

void CsvWrite::Grow(size_t more) {
    size_t cap = cap_ < 256 ? 256 : cap_;
    while (cap - len_ < more) cap *= 2;
    std::unique_ptr<char[]> grown(new char[cap]);
    if (len_ != 0) std::memcpy(grown.get(), line_.get(), len_);
    line_ = std::move(grown);
    cap_ = cap;
}

void CsvWrite::SetData(const char* text) {
    if (text == nullptr) return;
    SetData(std::string_view(text));
}

void CsvWrite::SetData(std::string_view text) {
    char* const begin = Reserve(2 * text.size() + 3);
    char* o = begin;
    if (len_ != 0) *o++ = ',';
    *o++ = '"';
    for (const char c : text) {
        *o++ = c;
        if (c == '"') *o++ = '"';
    }
    *o++ = '"';
    len_ += static_cast<size_t>(o - begin);
}

void CsvWrite::SetData(long number) {
    char* const o = Reserve(32);
    len_ += static_cast<size_t>(std::snprintf(o, 32, len_ == 0 ? "%ld" : ",%ld", number));
}

void CsvWrite::BufferEmpty() {
    len_ = 0;
    elements_ = 0;
}

int CsvWrite::WriteLine() {
    if (fp_ == nullptr) return -1;
    if (len_ == 0) return 0;
    const char last = line_[len_ - 1];
    if (last != '\r' && last != '\n') {
        char* o = Reserve(2);
        o[0] = '\r';
        o[1] = '\n';
        len_ += 2;
    }
    if (coded_) CodeBytes(line_.get(), len_, encodeTable_);
    if (std::fwrite(line_.get(), 1, len_, fp_) != len_) {
        writeFailed_ = true;
        return -1;
    }
    return static_cast<int>(len_);
}

std::string_view CsvWrite::SetLine(const char* format, ...) {
    va_list ap;
    va_start(ap, format);
    FormatLine(format, ap);
    va_end(ap);
    return GetLine();
}

int CsvWrite::WriteLine(const char* format, ...) {
    va_list ap;
    va_start(ap, format);
    FormatLine(format, ap);
    va_end(ap);
    if (fp_ == nullptr) return -1;
    return WriteLine();
}

// A printf of our own so that "%s" texts get their quotes doubled, unknown conversions
// consume nothing, and a null "%s" argument reads as an empty text.
void CsvWrite::FormatLine(const char* format, va_list ap) {
    len_ = 0;
    elements_ = 0;
    if (format == nullptr) return;
    std::string text;
    const char* f = format;
    std::string conversion;
    while (*f != '\0') {
        if (*f != '%') {
            const char* pct = std::strchr(f, '%');
            const size_t n = pct != nullptr ? static_cast<size_t>(pct - f) : std::strlen(f);
            text.append(f, n);
            f += n;
            continue;
        }
        ++f;
        if (*f == '%') {
            text.push_back('%');
            ++f;
            continue;
        }
        conversion.assign("%");
        while (*f != '\0' && std::strchr(" +-0#", *f) != nullptr) conversion.push_back(*f++);
        if (*f == '*') {
            conversion += std::to_string(va_arg(ap, int));
            ++f;
        } else {
            while (*f >= '0' && *f <= '9') conversion.push_back(*f++);
        }
        if (*f == '.') {
            conversion.push_back(*f++);
            if (*f == '*') {
                const int prec = va_arg(ap, int);
                conversion += std::to_string(prec < 0 ? 0 : prec);
                ++f;
            } else {
                while (*f >= '0' && *f <= '9') conversion.push_back(*f++);
            }
        }
        int longs = 0, shorts = 0;
        while (*f == 'l' || *f == 'h') {
            (*f == 'l' ? longs : shorts)++;
            ++f;
        }
        const char conv = *f;
        if (conv == '\0') break;
        ++f;
        const std::string length = longs >= 2 ? "ll" : longs == 1 ? "l" : shorts >= 2 ? "hh" : shorts == 1 ? "h" : "";
        switch (conv) {
        case 'd': case 'i':
            conversion += length;
            conversion.push_back(conv);
            if (longs >= 2) AppendFormatted(text, conversion, va_arg(ap, long long));
            else if (longs == 1) AppendFormatted(text, conversion, va_arg(ap, long));
            else AppendFormatted(text, conversion, va_arg(ap, int));
            break;
        case 'o': case 'u': case 'x': case 'X':
            conversion += length;
            conversion.push_back(conv);
            if (longs >= 2) AppendFormatted(text, conversion, va_arg(ap, unsigned long long));
            else if (longs == 1) AppendFormatted(text, conversion, va_arg(ap, unsigned long));
            else AppendFormatted(text, conversion, va_arg(ap, unsigned));
            break;
        case 'e': case 'E': case 'f': case 'g': case 'G':
            conversion.push_back(conv);
            AppendFormatted(text, conversion, va_arg(ap, double));
            break;
        case 'c':
            conversion.push_back('c');
            AppendFormatted(text, conversion, va_arg(ap, int));
            break;
        case 'p':
            conversion.push_back('p');
            AppendFormatted(text, conversion, va_arg(ap, void*));
            break;
        case 'n': {
            const long long count = static_cast<long long>(text.size());
            if (longs >= 2) *va_arg(ap, long long*) = count;
            else if (longs == 1) *va_arg(ap, long*) = static_cast<long>(count);
            else if (shorts == 1) *va_arg(ap, short*) = static_cast<short>(count);
            else if (shorts >= 2) *va_arg(ap, signed char*) = static_cast<signed char>(count);
            else *va_arg(ap, int*) = static_cast<int>(count);
            break;
        }
        case 's': {
            const char* s = va_arg(ap, const char*);
            std::string doubled;
            if (s != nullptr) AppendDoublingQuotes(doubled, s, std::strlen(s));
            conversion.push_back('s');
            AppendFormatted(text, conversion, doubled.c_str());
            break;
        }
        default:
            break;  // unknown conversion: dropped, takes no argument
        }
    }
    std::memcpy(Reserve(text.size()), text.data(), text.size());
    len_ = text.size();
}

XCsvWrite::XCsvWrite() : CsvWrite(true) { encodeTable_ = DefaultEncodeTable(); }

void XCsvWrite::SetUseKey(const char* key) {
    if (key == nullptr) {
        key_.reset();
        encodeTable_ = DefaultEncodeTable();
        return;
    }
    key_ = key;
    encodeTable_ = RecordEncodeTable(GetKeyNumber(*key_));
}
