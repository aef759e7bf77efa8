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

// The code of a received text part, so that it can be brought to Shift_JIS.
enum class TextCode { Keep, Jis, Utf8, Euc };

// The code of a charset name under which mail carries Japanese text: true with `code` set
// for iso-2022-jp, utf-8 (or utf8), euc-jp (or x-euc-jp), the Shift_JIS names and us-ascii
// (both Keep); false for any other name.
bool CodeOfCharset(std::string_view name, TextCode& code);

// The declared charset decides first: iso-2022-jp, utf-8 (or utf8), euc-jp (or x-euc-jp)
// and the Shift_JIS names. Without a charset, with us-ascii or with one not known here,
// the bytes decide: ISO-2022-JP escapes, then valid UTF-8 with at least one multi-byte
// character, then EUC-JP by score; anything else is kept as it stands.
TextCode DetectTextCode(std::string_view charset, std::string_view bytes);
// `bytes` converted from `code` to Shift_JIS (Keep copies).
std::string ToSjis(std::string_view bytes, TextCode code);

// True when the text is well-formed UTF-8 and holds at least one multi-byte character
// (pure ASCII gives false: it needs no conversion).
bool IsValidUtf8WithMultibyte(std::string_view text);

// True for the names under which mail declares Shift_JIS: shift_jis, shift-jis, sjis,
// x-sjis, cp932, windows-31j (any letter case).
bool IsShiftJisCharset(std::string_view name);

}  // namespace mime_charset
