#pragma once
// Small ASCII-only text helpers shared by the MIME codecs, part model and parser. Header
// names, parameter names and charset names are ASCII; the bytes of Shift_JIS text around
// them are never case-folded, so every comparison here folds only 'A' to 'Z'.

#include <cstddef>
#include <string>
#include <string_view>

namespace mime_text {

constexpr char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? char(c + ('a' - 'A')) : c; }

inline std::string AsciiLower(std::string_view s) {
    std::string r(s);
    for (char& c : r) c = AsciiLower(c);
    return r;
}

inline bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    return true;
}

// Position of the first case-insensitive occurrence of `pattern` in `text` at or after
// `from`; npos when there is none. An empty pattern matches at `from`.
inline size_t FindNoCase(std::string_view text, std::string_view pattern, size_t from = 0) {
    if (from > text.size()) return std::string_view::npos;
    if (pattern.empty()) return from;
    if (pattern.size() > text.size()) return std::string_view::npos;
    const char first = AsciiLower(pattern[0]);
    const size_t last = text.size() - pattern.size();
    for (size_t i = from; i <= last; ++i) {
        if (AsciiLower(text[i]) != first) continue;
        size_t k = 1;
        while (k < pattern.size() && AsciiLower(text[i + k]) == AsciiLower(pattern[k])) ++k;
        if (k == pattern.size()) return i;
    }
    return std::string_view::npos;
}

inline bool ContainsNoCase(std::string_view text, std::string_view pattern) {
    return FindNoCase(text, pattern) != std::string_view::npos;
}

constexpr bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

inline std::string_view TrimLeft(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && IsSpace(s[i])) ++i;
    return s.substr(i);
}
inline std::string_view TrimRight(std::string_view s) {
    size_t n = s.size();
    while (n > 0 && IsSpace(s[n - 1])) --n;
    return s.substr(0, n);
}
inline std::string_view Trim(std::string_view s) { return TrimRight(TrimLeft(s)); }

constexpr int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace mime_text
