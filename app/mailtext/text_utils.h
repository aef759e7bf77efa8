#pragma once
// Text helpers of the composing screens: UTF-8 and URL percent-encoding for the map search
// request, and numbers with thousands separators for the size displays. Shift_JIS in,
// plain values out; nothing here keeps state.

#include <cstdint>
#include <string>
#include <string_view>

namespace compose {

// `result` = the Shift_JIS (code page 932) source in UTF-8, through the core's converter
// (cp932.h): bytes that are no CP932 character become U+FFFD, so the conversion always
// gives a text. Result 1. (-1, result unchanged, is kept for a conversion that gives
// nothing from a non-empty source, which the core's converter never does.)
int ConvertToUtf8(std::string_view source, std::string& result);

// The length of the UTF-8 sequence that `firstByte` starts: 1 for 0x00-0x7F, 2 for
// 0xC0-0xDF, 3 for 0xE0-0xEF, 4 for 0xF0-0xF7, -1 for any other byte.
int GetUtf8SequenceLength(unsigned char firstByte);

// `result` = the UTF-8 source percent-encoded: A-Z, a-z, 0-9 and * - . @ _ stay, every
// other byte becomes "%" and two lower-case hex digits (a blank gives %20). Result 1;
// -1 (result unchanged) when a byte cannot start a UTF-8 sequence or a sequence is cut
// short by the end of the text. The bytes inside a sequence are not checked further.
int UrlEncode(std::string_view source, std::string& result);

// The number in decimal with a comma before every group of three digits counted from the
// right: 0 -> "0", 1000 -> "1,000", 1234567 -> "1,234,567".
std::string FormatNumberWithCommas(uint64_t number);

}  // namespace compose
