#pragma once
// Text helpers shared by the HTML tag model, the HTML mail encoder and the stored-mail
// files. The case-folding ones are Shift_JIS-aware: they never touch the trail byte of a
// double-byte character (trail bytes 0x40 to 0x7E look like ASCII letters).

#include <cstddef>
#include <string>
#include <string_view>

namespace html_text {

// First byte of a double-byte Shift_JIS character.
inline bool IsSjisLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

inline char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// HTML white space: blank, TAB, LF, FF, CR.
inline bool IsHtmlSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r'; }

// Equal without regard to ASCII case; double-byte characters compare exactly.
bool EqualsNoCaseSjis(std::string_view a, std::string_view b);

// Position of the first occurrence of `pattern` in `text` at or after `from` that starts
// on a character boundary, without regard to ASCII case; npos when there is none. `from`
// must itself be a character boundary. An empty pattern matches at `from`.
std::size_t FindNoCaseSjis(std::string_view text, std::string_view pattern, std::size_t from = 0);

// Copy with ASCII letters folded to lower case; double-byte characters left alone.
std::string LowerSjis(std::string_view text);

// Every line break (CR LF, LF CR, lone CR, lone LF) written as CR LF.
std::string ToCrLf(std::string_view text);

}  // namespace html_text
