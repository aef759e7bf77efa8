#pragma once
// The character-set conversions the MIME codecs and part model need, in one place: every
// conversion between the Japanese codes of received mail and the core's Shift_JIS goes
// through these functions, which hand the work to the foundation's converters.

#include <string>
#include <string_view>

namespace mime_charset {

// ISO-2022-JP (7-bit JIS) -> Shift_JIS.
std::string JisToSjis(std::string_view jis);
// EUC-JP -> Shift_JIS.
std::string EucJpToSjis(std::string_view euc);
// UTF-8 -> Shift_JIS (characters without a Shift_JIS form become blanks).
std::string Utf8ToSjisText(std::string_view utf8);
// Shift_JIS -> ISO-2022-JP for encoded header words: segments of at most 30 bytes, each
// returning to ASCII, so that each segment can stand in a word of its own.
std::string SjisToJisForHeader(std::string_view sjis);
// Raw 8-bit text of unknown code (a file name written without encoding): detected
// ISO-2022-JP and EUC-JP are converted to Shift_JIS, anything else is kept.
std::string DetectedToSjis(std::string_view raw);

// True for the names under which mail declares Shift_JIS: shift_jis, shift-jis, sjis,
// x-sjis, cp932, windows-31j (any letter case).
bool IsShiftJisCharset(std::string_view name);

}  // namespace mime_charset
