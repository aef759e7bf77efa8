#pragma once
// Shift_JIS-aware string helpers: field splitting, searches that ignore case or width,
// copying without cutting a character, line-break and character-set checks.
//
// "Character boundary" below means: a lead byte 0x81-0x9F or 0xE0-0xFC starts a two-byte
// character, so a trail byte such as 0x5C ('\' in 表) is never taken for a sign.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace text_search {
// "Not found" of the std::string_view searches, which the parsers compare with often.
inline constexpr std::size_t npos = std::string_view::npos;
}  // namespace text_search

// Splits one delimited line into fields (cleared first). separators is a set of single
// bytes; quote is the quoting byte, 0 for none. A quote at the start of a field opens a
// quoted field in which separators are content and a doubled quote is one quote; the
// quoted field closes at a quote followed by a separator or the end (any other quote is
// content). A trail byte is never a separator or quote; a lead byte that no trail byte
// follows stands alone, so a broken character never swallows the separator after it. The
// empty text gives one empty field; a separator at the end gives an empty last field.
// Returns true when the text ends inside a quoted field that was never closed (the last
// field then holds the rest of the text): a record whose quoted field goes on on the
// next line.
bool SplitString(std::string_view text, std::vector<std::string>& fields,
                 std::string_view separators, char quote);

// First match of pattern in text ignoring the case of ASCII letters, starting on a
// character boundary; a pointer into text, or nullptr. An empty pattern matches at the
// start. Either argument null gives nullptr.
const char* xcstristr(const char* text, const char* pattern);

// 1 when pattern occurs in text once both are widened (xc_han2zen_sjis_all), else 0.
int xcstrhzstr(std::string_view text, std::string_view pattern);
// 1 when pattern occurs in text once both are narrowed (xc_zen2han_sjis_all), ignoring
// the case of ASCII letters, else 0.
int xcstrhzistr(std::string_view text, std::string_view pattern);

// Copies at most count bytes of text into output without cutting a character and
// terminates it: output must hold count + 1 bytes. Copying stops at the end of the text,
// at a lead byte whose pair does not fit or has no valid trail byte, and at a byte of
// 0x80 or above that starts no character (0x80, 0xA0, 0xFD-0xFF). Returns output.
char* strncpy_mb(char* output, const char* text, size_t count);
// The same, as a string.
std::string strncpy_mb(std::string_view text, size_t count);

// First occurrence of the pattern bytes in the data, or nullptr. An empty pattern matches
// at the start of the data.
const char* xcmemmem(const void* data, size_t dataLength, const void* pattern,
                     size_t patternLength);

// True when the text holds a CR, LF or NUL byte: a value that would end or cut the command
// line it is put into.
bool HasLineBreakOrNul(std::string_view text);

// Every line break (CR LF, LF CR, lone CR, lone LF) written as CR LF.
std::string CrLfConverter(std::string_view text);

// 1 when no byte is 0x80 or above (also for the empty text), else 0.
int IsStrAscii(std::string_view text);

// 1 when every character is one Windows Shift_JIS can show: ASCII 0x20-0x7E, half-width
// katakana, a lead byte 0x80-0x9F or 0xE0-0xEF with a valid trail byte, or a lead byte
// 0xF0-0xFC with any byte. Otherwise 0; copy, when given, is then the text with a zero
// byte at each offending position (so it reads up to the first offending character).
int CheckCharacterCodeForWinSJIS(std::string_view text, std::string* copy);

// Only the ASCII letters and digits of the text (two-byte characters and signs dropped).
std::string ViolationRemoveForDomain(std::string_view text);

// The text without blanks, tabs and CR LF pairs (a lone CR or LF stays).
void DeleteBlankAndBreakLine(std::string_view text, std::string& output);

// The text with ASCII letters in lower case; two-byte characters (whose trail byte may
// look like a letter) are left as they are. The Into form reuses out's buffer.
std::string LowerAsciiSjis(std::string_view text);
void LowerAsciiSjisInto(std::string_view text, std::string& out);

// Offset of the first occurrence of needle in haystack starting on a character boundary,
// or npos. ignoreCase compares ASCII letters without case (trail bytes exactly).
size_t FindSjis(std::string_view haystack, std::string_view needle, bool ignoreCase = false);
