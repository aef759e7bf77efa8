#pragma once
// Helpers shared by the HTML tag model, the HTML mail encoder and the stored-mail files.
// Case folding here is Shift_JIS-aware: it never touches the trail byte of a double-byte
// character (trail bytes 0x40 to 0x7E look like ASCII letters).

#include <cstddef>
#include <string>
#include <string_view>

namespace html_text {

inline char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// HTML white space: blank, TAB, LF, FF, CR.
inline bool IsHtmlSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r'; }

// Equal without regard to ASCII case; double-byte characters compare exactly.
bool EqualsNoCaseSjis(std::string_view a, std::string_view b);

}  // namespace html_text
