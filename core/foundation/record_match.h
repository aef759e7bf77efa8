#pragma once
// Text comparisons of the record-table searches, aware of Shift_JIS: bytes 0x81-0x9F and
// 0xE0-0xFC start a two-byte character whose second byte is never taken for a letter or
// for the start of a match (the second byte of "ア", 0x83 0x41, is not an "A").

#include <cstddef>
#include <string_view>

namespace record_match {

inline bool IsSjisLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Equal when ASCII letters are folded; two-byte characters must match as they are.
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

// Position of the first occurrence of `needle` in `hay` starting on a character
// boundary; npos when none. An empty needle is found at 0.
std::size_t Find(std::string_view hay, std::string_view needle);

inline bool StartsWith(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && s.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace record_match
