#include "core/mailstore/html_references.h"

#include <algorithm>
#include <cstring>

#include "core/mailstore/html_entity_table.h"

namespace html_text {
namespace {

constexpr bool IsAsciiAlnum(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

constexpr int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The longest name in the table: "CounterClockwiseContourIntegral;".
constexpr std::size_t kLongestName = 32;
// The longest legacy name (read without ";"): "frac12", "Aacute" and the like.
constexpr std::size_t kLongestLegacyName = 6;

const NamedReference* FindName(std::string_view name) {
    const NamedReference* begin = kNamedReferences;
    const NamedReference* end = kNamedReferences + kNamedReferenceCount;
    const NamedReference* at = std::lower_bound(
        begin, end, name, [](const NamedReference& r, std::string_view n) { return std::string_view(r.name) < n; });
    return at != end && std::string_view(at->name) == name ? at : nullptr;
}

Reference Named(std::string_view text, std::size_t amp) {
    // Every name is letters and digits, with a ";" at its end or not: the longest match is
    // the whole run of letters and digits with the ";" after it, or else a legacy name
    // that the run begins with.
    const std::size_t start = amp + 1;
    std::size_t end = start;
    while (end < text.size() && end - start < kLongestName && IsAsciiAlnum(text[end])) ++end;
    Reference r;
    const NamedReference* found = nullptr;
    if (end < text.size() && text[end] == ';') {
        found = FindName(text.substr(start, end + 1 - start));
        if (found) r.length = end + 1 - amp;
    }
    for (std::size_t n = std::min(end - start, kLongestLegacyName); !found && n >= 2; --n) {
        found = FindName(text.substr(start, n));
        if (found) r.length = n + 1;
    }
    if (!found) return Reference{};
    r.points[0] = found->first;
    r.points[1] = found->second;
    r.count = found->second ? 2 : 1;
    return r;
}

Reference Numeric(std::string_view text, std::size_t amp) {
    std::size_t i = amp + 2;
    const bool hex = i < text.size() && (text[i] == 'x' || text[i] == 'X');
    if (hex) ++i;
    const std::size_t digits = i;
    char32_t value = 0;
    bool tooLarge = false;
    for (; i < text.size(); ++i) {
        const int v = hex ? HexValue(text[i]) : (text[i] >= '0' && text[i] <= '9' ? text[i] - '0' : -1);
        if (v < 0) break;
        if (!tooLarge) {
            value = value * (hex ? 16 : 10) + static_cast<char32_t>(v);
            tooLarge = value > 0x10FFFF;
        }
    }
    if (i == digits) return Reference{};
    if (i < text.size() && text[i] == ';') ++i;
    Reference r;
    r.length = i - amp;
    r.count = 1;
    if (tooLarge || value == 0 || (value >= 0xD800 && value <= 0xDFFF)) value = 0xFFFD;
    else if (value >= 0x80 && value <= 0x9F) value = kC1Replacements[value - 0x80];
    r.points[0] = value;
    return r;
}

}  // namespace

Reference ReadReference(std::string_view text, std::size_t amp) {
    if (amp + 1 >= text.size() || text[amp] != '&') return Reference{};
    if (text[amp + 1] == '#') return Numeric(text, amp);
    if (IsAsciiAlnum(text[amp + 1])) return Named(text, amp);
    return Reference{};
}

}  // namespace html_text
