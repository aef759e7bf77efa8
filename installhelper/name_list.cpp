#include "installhelper/name_list.h"

#include <cstring>

namespace tarbolt {

std::vector<std::string> SplitNameList(const char* list) {
    std::vector<std::string> names;
    if (list == nullptr) return names;
    while (*list != '\0') {
        const std::size_t length = std::strlen(list);
        names.emplace_back(list, length);
        list += length + 1;
    }
    return names;
}

bool HasWildcard(std::string_view name) { return name.find_first_of("*?") != std::string_view::npos; }

namespace {

// Length of the UTF-8 sequence starting at `text[at]` (1 for a stray byte, never past the end).
std::size_t CharLength(std::string_view text, std::size_t at) {
    const unsigned char lead = static_cast<unsigned char>(text[at]);
    std::size_t length = 1;
    if (lead >= 0xF0 && lead < 0xF8) length = 4;
    else if (lead >= 0xE0) length = lead < 0xF0 ? 3 : 1;
    else if (lead >= 0xC0) length = 2;
    if (at + length > text.size()) return 1;
    for (std::size_t i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80) return 1;
    }
    return length;
}

char Fold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool MatchesWildcard(std::string_view pattern, std::string_view name) {
    if (pattern == "*.*") pattern = "*";
    // Greedy match with one back-track point: the last '*' seen and where it began to match.
    std::size_t p = 0, n = 0;
    std::size_t starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() && pattern[p] == '?') {
            ++p;
            n += CharLength(name, n);
        } else if (p < pattern.size() && Fold(pattern[p]) == Fold(name[n])) {
            ++p;
            ++n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            starN += CharLength(name, starN);
            n = starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

}  // namespace tarbolt
