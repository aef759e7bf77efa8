#pragma once
// Half-width <-> full-width conversion of Shift_JIS text.
//
// Japanese mail must not carry half-width katakana, and searches must match text whatever
// its width. Everything here works on Shift_JIS bytes; a lead byte 0x81-0x9F or 0xE0-0xFC
// always takes its trail byte with it, so user-defined characters and carrier pictograms
// (0xF040-0xFCFC) pass through untouched.

#include <cstddef>
#include <string>
#include <string_view>

// The kana tables: for each half-width byte 0xA0-0xDF its full-width form, and for the
// bytes that take a voiced (ﾞ) or semi-voiced (ﾟ) mark the merged form, both as Shift_JIS
// and as 7-bit JIS X 0208 row/cell bytes. Entries are two code bytes and a zero byte; an
// empty entry ("") means "no such form".
// The tables themselves are constant data shared by every instance, so the shared
// instance is usable from the first instruction of the program and copying costs nothing.
class CKanaConvertTbl {
 public:
  constexpr CKanaConvertTbl() = default;
  constexpr virtual ~CKanaConvertTbl() = default;

  // voiced nonzero: the voiced form; else semiVoiced nonzero: the semi-voiced form; else
  // the plain form. A byte outside 0xA0-0xDF gives "".
  const char* Conv1byteKanaTo2byteKana(unsigned char byte, int voiced, int semiVoiced) const;
  const char* ConvHalfKanaToJisX208Kana(unsigned char byte, int voiced, int semiVoiced) const;
  int IsAllowedDakuten(unsigned char byte) const;
  int IsAllowedHanDakuten(unsigned char byte) const;
  int GetLenOfJisX208OneKana() const { return 2; }
};

// Widens half-width katakana (merging ｶﾞ into ガ and ﾊﾟ into パ) before text is encoded
// for mail. Any byte of 0x80 or above other than 0xA0-0xDF starts a two-byte character.
class CSjisKanaConverter {
 public:
  virtual ~CSjisKanaConverter() = default;

  // Byte size of the widened text (no terminator) in *size. Returns 1, or 0 when the text
  // ends inside a two-byte character (*size then counts what comes before it).
  static int GetSizeAfterConvertKana(std::string_view text, size_t* size);
  // The widened text in output. Returns 1, or 0 when the text ends inside a two-byte
  // character; output then holds the text converted up to that character.
  static int ConvertKana(std::string_view text, std::string& output);

  static const CKanaConvertTbl m_KanaConvTbl;
};

// Widens half-width katakana, with the same voiced and semi-voiced merging.
void xc_han2zen_sjis_kana(std::string& output, std::string_view text);
// Widens half-width katakana and the ASCII bytes 0x20-0x7D (blank to the full-width space,
// " to ”, ' to ’, \ to ￥, ` to ‘); the tilde and control bytes stay.
void xc_han2zen_sjis_all(std::string& output, std::string_view text);
// Narrows: full-width letters and digits, the full-width signs that have an ASCII or
// half-width form, and katakana (ガ to ｶﾞ; ヰ and ヱ stay full-width, ヮ becomes ﾜ, the empty
// code 0x837F is dropped). A lead byte at the end of the text is copied alone.
void xc_zen2han_sjis_all(std::string& output, std::string_view text);
