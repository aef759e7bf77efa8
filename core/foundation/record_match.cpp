#include "core/foundation/record_match.h"

#include <cstring>

namespace record_match {

namespace {
inline unsigned char FoldAscii(unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; }
}  // namespace

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    const std::size_t n = a.size();
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char x = static_cast<unsigned char>(a[i]);
        const unsigned char y = static_cast<unsigned char>(b[i]);
        if (IsSjisLead(x) || IsSjisLead(y)) {
            // A two-byte character compares whole and unfolded.
            if (x != y) return false;
            if (i + 1 < n) {
                if (a[i + 1] != b[i + 1]) return false;
                ++i;
            }
            continue;
        }
        if (FoldAscii(x) != FoldAscii(y)) return false;
    }
    return true;
}

std::size_t Find(std::string_view hay, std::string_view needle) {
    if (needle.empty()) return 0;
    if (needle.size() > hay.size()) return std::string_view::npos;
    const std::size_t last = hay.size() - needle.size();
    std::size_t i = 0;
    while (i <= last) {
        if (hay[i] == needle[0] && std::memcmp(hay.data() + i, needle.data(), needle.size()) == 0) return i;
        i += IsSjisLead(static_cast<unsigned char>(hay[i])) ? 2 : 1;
    }
    return std::string_view::npos;
}

}  // namespace record_match
