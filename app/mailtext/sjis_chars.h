#pragma once
// Character tests of the composing screens and of outgoing text: the one definition of a
// Shift_JIS two-byte character that every page, check and converter uses, and the JIS
// repertoire tests that find machine-dependent characters before a mail is saved.
//
// Each test looks at the first one or two bytes of the view it is given. A view too short
// for a second byte reads that byte as 0, which no test accepts as a trail byte, so no test
// reads past the end of its view.

#include <string_view>

#include "core/foundation/sjis_bytes.h"

namespace compose {

// CR (0x0D) followed by LF (0x0A).
inline bool IsCrLf(std::string_view text) {
  return text.size() >= 2 && text[0] == '\r' && text[1] == '\n';
}

// Second byte of a two-byte character: 0x40-0x7E or 0x80-0xFC.
inline bool IsSjisTrailByte(unsigned char byte) { return ::IsSjisTrailByte(byte); }

// A lead byte 0x81-0x9F or 0xE0-0xFC followed by a trail byte. User-defined characters,
// carrier pictograms and the IBM extensions (leads 0xF0-0xFC) count.
inline bool IsSjisDoubleByte(std::string_view bytes) {
  return bytes.size() >= 2 && IsSjisLeadByte(static_cast<unsigned char>(bytes[0])) &&
         IsSjisTrailByte(static_cast<unsigned char>(bytes[1]));
}

// 0x20-0x7E.
inline bool IsPrintableAscii(unsigned char byte) { return byte >= 0x20 && byte <= 0x7E; }

// Whether the character at the start of `bytes` belongs to JIS X 0208-1983 as every
// receiving system knows it (the strict test): all 7-bit bytes; two-byte characters of
// rows 1-8 and 16-84, row 84 only up to cell 4. Half-width katakana, the special
// characters of rows 9-15 (NEC row 13 among them), lead bytes 0x80 and 0xF0-0xFF, and any
// lead byte without a valid trail byte fail.
bool IsJis1983Char(std::string_view bytes);
// The relaxed test: as IsJis1983Char, but half-width katakana (0xA0-0xDF) pass and row 84
// goes up to cell 6 (the two characters JIS X 0208-1990 added).
bool IsJis1990Char(std::string_view bytes);

}  // namespace compose
