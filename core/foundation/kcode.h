#pragma once
// Japanese character codes of mail text: Shift_JIS (the program's own), ISO-2022-JP
// (7-bit JIS: outgoing bodies and encoded header words), EUC-JP and UTF-8 (received mail).
//
// Shift_JIS, JIS X 0208 and EUC-JP pairs are converted by the arithmetic mapping, so
// user-defined characters (lead bytes 0xF0-0xF9) survive a Shift_JIS -> JIS -> Shift_JIS
// round trip even though no standard JIS row holds them. Converters read no byte past the
// end of their input; a two-byte character cut off by the end of the input ends the
// conversion. UTF-8 goes through the CP932 tables of cp932.h.

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
  // plausible Shift_JIS pairs against one of plausible EUC-JP pairs. UTF-8 is not detected.
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
