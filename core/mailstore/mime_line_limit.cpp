#include "core/mailstore/mime_line_limit.h"

#include <algorithm>
#include <cstring>

namespace mime_line {

bool HasLineLongerThan(std::string_view text, size_t limit) {
    const char* p = text.data();
    const size_t n = text.size();
    size_t start = 0;  // the start of a line
    while (n - start > limit) {
        // A line that may stand here ends in an LF at most limit + 1 bytes on (after a CR
        // at limit); the last LF of that window starts the next line to look at.
        const size_t window = std::min(limit + 2, n - start);
        const void* hit = memrchr(p + start, '\n', window);
        if (!hit) return true;
        const size_t lf = static_cast<const char*>(hit) - p;
        if (lf - start == limit + 1 && p[lf - 1] != '\r' && !memchr(p + start, '\n', lf - start))
            return true;
        start = lf + 1;
    }
    return false;
}

bool IsBase64Wrapped(std::string_view base64) {
    const char* p = base64.data();
    const size_t n = base64.size();
    constexpr size_t kStride = kBase64Line + 2;
    size_t k = 0;
    while (k + kStride <= n && p[k + kBase64Line] == '\r' && p[k + kBase64Line + 1] == '\n') k += kStride;
    if (n - k <= kBase64Line) return true;
    return !HasLineLongerThan(base64.substr(k), kBase64Line);
}

std::string WrapBase64(std::string_view base64) {
    std::string out;
    out.reserve(base64.size() + base64.size() / kBase64Line * 2 + 2);
    size_t onLine = 0;
    for (char c : base64) {
        if (c == '\r' || c == '\n' || c == ' ' || c == '\t') continue;
        if (onLine == kBase64Line) {
            out += "\r\n";
            onLine = 0;
        }
        out += c;
        ++onLine;
    }
    return out;
}

}  // namespace mime_line
