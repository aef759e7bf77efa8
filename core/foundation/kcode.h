#pragma once
// Japanese character codes of mail text: Shift_JIS (the program's own), ISO-2022-JP
// (7-bit JIS: outgoing bodies and encoded header words), EUC-JP and UTF-8 (received mail).
//
// Shift_JIS, JIS X 0208 and EUC-JP pairs are converted by the arithmetic mapping. What the
// converters guarantee:
//  - ISO-2022-JP written from Shift_JIS or EUC-JP holds 7-bit bytes only. The IBM
//    extensions (lead bytes 0xFA-0xFC: 髙, 﨑, small Roman numerals) are written as their
//    twins of cp932.h (Cp932JisRowCode), the NEC-selected ones at JIS rows 0x79-0x7C;
//    reading those rows back gives the codes Utf8ToSjis gives (0xFA-0xFC). The
//    user-defined area (0xF0-0xF9) has no 7-bit form and no EUC-JP form: each such
//    character becomes one blank. Shift_JIS -> EUC-JP -> Shift_JIS keeps every character
//    that has a JIS row, the IBM extensions included.
//  - Broken input is never allowed to eat good text: a byte that starts no character (a
//    Shift_JIS lead byte without a trail byte, a lone 0x80, 0xA0 or 0xFD-0xFF, an EUC-JP
//    byte without its partner) becomes one blank on its own and the next byte is read
//    again, so an ASCII byte after it survives. A JIS X 0212 character (EUC-JP 0x8F, or
//    ESC $ ( D / ESC ) D in ISO-2022-JP) becomes its CP932 code where there is one, else a
//    blank. An escape sequence the ISO-2022-JP reader does not know (a terminal colour
//    sequence, another character set) is kept as its bytes, and reading goes on.
//  - Converters read no byte past the end of their input; a character or escape sequence
//    cut off by the end of the input ends the conversion.
// UTF-8 goes through the CP932 tables of cp932.h.

#include <cstddef>
#include <string>
#include <string_view>

class KCodeC {
 public:
  // Results of CheckCode.
  enum {
    kCodeUnknown = 0,  // 7-bit text without escape, empty text, or equal scores
    kCodeBinary = 1,   // a byte 0x01-0x06, 0x7F or 0xFF before any sign of JIS
    kCodeJis = 2,
    kCodeSjis = 3,
    kCodeEuc = 4,
  };

  KCodeC() = default;
  virtual ~KCodeC() = default;
  KCodeC(const KCodeC&) = default;  // copies the last result
  KCodeC& operator=(const KCodeC&) = default;

  // Which of the four codes the text is in (kCode...): signs of JIS first, then a score of
  // plausible Shift_JIS pairs against one of plausible EUC-JP pairs, where an EUC-JP pair
  // that Shift_JIS can read neither as one kanji nor as two half-width kana counts one more;
  // equal scores go to the code under which the text is well-formed, if only one is.
  // UTF-8 is not detected.
  int CheckCode(std::string_view bytes) const;

  // The conversions below put their result into this object and return it; the reference
  // stays valid until the next conversion on the same object. widenKana nonzero turns
  // half-width katakana into full-width JIS X 0208 katakana (one for one, a voiced mark
  // stays a separate character); zero keeps them as JIS X 0201 kana under ESC ( I.
  const std::string& ToSJIS(std::string_view text);  // detected JIS or EUC-JP, else copied
  const std::string& ToEUC(std::string_view text);   // detected JIS or Shift_JIS, else copied
  const std::string& ToJIS(std::string_view text, int widenKana);  // Shift_JIS or EUC-JP
  const std::string& sjtojis7(std::string_view text, int widenKana);
  const std::string& jis7tosj(std::string_view text);
  const std::string& ujtojis7(std::string_view text, int widenKana);
  const std::string& jis7touj(std::string_view text);
  const std::string& ujtosj(std::string_view text);
  const std::string& sjtouj(std::string_view text);

  // Forms with a caller's buffer of outputSize bytes: the result and a terminating zero
  // are copied into it and output is returned. When the result does not fit, output is
  // set to "" (if outputSize > 0) and nullptr is returned; nothing is written past it.
  char* ToSJIS(char* output, size_t outputSize, std::string_view text);
  char* ToEUC(char* output, size_t outputSize, std::string_view text);
  char* ToJIS(char* output, size_t outputSize, std::string_view text, int widenKana);
  char* sjtojis7(char* output, size_t outputSize, std::string_view text, int widenKana);
  char* jis7tosj(char* output, size_t outputSize, std::string_view text);
  char* ujtojis7(char* output, size_t outputSize, std::string_view text, int widenKana);
  char* jis7touj(char* output, size_t outputSize, std::string_view text);
  char* ujtosj(char* output, size_t outputSize, std::string_view text);
  char* sjtouj(char* output, size_t outputSize, std::string_view text);

  // UTF-8 -> Shift_JIS: one leading byte-order mark is dropped; invalid sequences and
  // characters Shift_JIS cannot hold become one blank each (see Utf8ToSjis).
  static std::string utf8tosj(std::string_view text);
  // Shift_JIS -> UTF-8 (see SjisToUtf8).
  static std::string sjtoutf8(std::string_view text);
  static char* utf8tosj(char* output, size_t outputSize, std::string_view text);
  static char* sjtoutf8(char* output, size_t outputSize, std::string_view text);

 private:
  // The same conversions through UTF-16 big-endian bytes.
  static std::string utf8toutf16be(std::string_view utf8);
  static std::string utf16betosj(std::string_view utf16be);
  static std::string sjtoutf16be(std::string_view sjis);
  static std::string utf16betoutf8(std::string_view utf16be);

  const std::string& Keep(std::string result);
  char* CopyOut(char* output, size_t outputSize) const;

  std::string m_result;
};

// Shift_JIS -> ISO-2022-JP for an encoded header word: 7-bit bytes go under ESC ( J (the
// first one too), and before each character, once more than segmentLength bytes (escape
// sequences included) have been written in the current segment, a non-ASCII mode is closed
// with ESC ( B and a new segment begins, so that the caller can cut the text into encoded
// words there. The program passes widenKana 0 and segmentLength 30.
std::string sjtojis7_for_header(std::string_view text, int widenKana, int segmentLength);
// The same into a caller's buffer of outputSize bytes, terminated. A null output does
// nothing; a result that does not fit leaves "" and returns nullptr.
char* sjtojis7_for_header(char* output, size_t outputSize, std::string_view text, int widenKana,
                          int segmentLength);
