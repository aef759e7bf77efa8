#pragma once
// Code page 932 (Windows Shift_JIS) <-> UTF-8.
//
// The core holds Japanese text as CP932 bytes; the GUI, the source files and mail in UTF-8
// meet it through these functions. The tables are built once, at first use, from glibc
// iconv's "CP932" converter (no locale is involved), so they agree with iconv code for code:
//
//  - every CP932 double-byte code decodes, including the NEC special characters (row 13,
//    0x8740-0x879C), the NEC-selected IBM extensions (0xED40-0xEEFC), the IBM extensions
//    (0xFA40-0xFC4B) and the user-defined area 0xF040-0xF9FC <-> U+E000-U+E757 (this is
//    also where carrier pictograms live), so CP932 -> UTF-8 -> CP932 is lossless for every
//    code that has a unique Unicode value;
//  - where several codes share one character, encoding gives the code Windows gives:
//    JIS X 0208 first (U+2252 -> 0x81E0, not 0x8790; U+FFE2 -> 0x81CA), then NEC row 13
//    (U+2160 -> 0x8754, not 0xFA4A; U+3231 -> 0x878A), then the IBM extensions 0xFA-0xFC
//    (U+2170 -> 0xFA40, not 0xEEEF), never the NEC-selected rows 0xED/0xEE;
//  - besides, a few look-alikes that CP932 carries under another code point are encoded
//    to that code instead of being lost: U+301C -> 0x8160, U+2016 -> 0x8161,
//    U+2212 -> 0x817C, U+00A2 -> 0x8191, U+00A3 -> 0x8192, U+00AC -> 0x81CA,
//    U+2014 -> 0x815C, U+00A5 -> 0x5C, U+203E -> 0x7E (the same one-way mappings as iconv).

#include <cstdint>
#include <string>
#include <string_view>

// CP932 -> UTF-8. Never fails: a byte that cannot start a CP932 character (0x80, 0xA0,
// 0xFD-0xFF), a lead byte whose next byte is no trail byte (or that ends the input), and
// a well-formed pair that CP932 leaves unassigned each become U+FFFD. A lead byte with a
// bad trail yields U+FFFD for the lead alone; the next byte is read again on its own, so
// an ASCII byte after a broken lead byte survives.
std::string SjisToUtf8(std::string_view sjis);

// UTF-8 -> CP932. Validating decoder: 1- to 4-byte sequences, no overlong forms, no
// surrogates, nothing above U+10FFFF; a continuation byte must be 0x80-0xBF, so an ASCII
// byte is never swallowed; a sequence cut off by the end of the input is invalid.
// Each invalid sequence and each character CP932 cannot hold becomes one blank (0x20).
std::string Utf8ToSjis(std::string_view utf8);

// One Unicode character in CP932, as Utf8ToSjis gives it: one or two bytes, or a blank
// when CP932 has no code for it (anything above U+FFFF, a surrogate).
std::string CodePointToSjis(char32_t u);

// A UTF-8 literal from the source, converted to CP932 once and kept for the life of the
// process (messages, captions, fixed words). Thread-safe; the reference stays valid.
const std::string& SjisLiteral(const char* utf8);

// Other codes of the same character, for the 7-bit JIS and EUC-JP forms of the text. Codes
// are lead << 8 | trail. The IBM extensions 0xFA40-0xFC4B, which Utf8ToSjis gives (髙, 﨑,
// small Roman numerals), lie outside the 94 x 94 rows of JIS X 0208; each has a twin that
// lies inside them: in JIS X 0208 itself, in NEC row 13 or among the NEC-selected IBM
// extensions 0xED40-0xEEFC (JIS rows 0x79-0x7C, as mail programs in Japan write them).

// A code for the character of the double-byte `code` whose lead byte is 0x81-0x9F or
// 0xE0-0xEF, so that the arithmetic mapping gives a JIS row and cell of 0x21-0x7E: the
// code itself when its lead byte already is one of these; the twin of an IBM extension;
// 0 for the user-defined area (0xF0-0xF9), unassigned codes at 0xFA-0xFC, and anything
// that is no double-byte code. The twin is the one Windows writes in ISO-2022-JP: JIS X
// 0208 first (￢ 0xFA54 -> 0x81CA, ∵ 0xFA5B -> 0x81E6), then NEC row 13 (Ⅰ 0xFA4A ->
// 0x8754), else the NEC-selected code (髙 0xFBFC -> 0xEEE0, 﨑 0xFAB1 -> 0xED95). The
// twins are constant data (cp932_ibm_twins.h, generated from iconv and frozen by tests),
// since they decide the bytes every recipient receives. Every converter of outgoing
// ISO-2022-JP (the core's and the carriers') takes IBM extensions through this one function.
uint16_t Cp932JisRowCode(uint16_t code);

// The code Utf8ToSjis gives for the character of the double-byte `code`, so that text read
// from JIS rows 0x79-0x7C uses the same codes as the rest of the program (0xEEE0 -> 0xFBFC
// 髙, 0xEEEF -> 0xFA40 ⅰ, 0xEEF9 -> 0x81CA ￢). An unassigned code is returned unchanged.
uint16_t Cp932PreferredCode(uint16_t code);

// The CP932 code of the JIS X 0212 character at row and cell (0x21-0x7E each, as in
// ISO-2022-JP; EUC-JP writes them after 0x8F with the high bits set), or 0 when CP932 has
// none. The table is built at first use from glibc iconv's EUC-JP-MS, which also reads the
// IBM extensions (rows 0x73-0x74) and user-defined characters (rows 0x75-0x7E) that
// eucJP-ms places there. Thread-safe.
uint16_t Cp932FromJisX0212(unsigned char row, unsigned char cell);
