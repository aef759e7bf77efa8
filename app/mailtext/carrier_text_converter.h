#pragma once
// Conversion of a mail body (text/plain or text/html) from the composed Shift_JIS text to
// the bytes the recipient's terminal expects. Pictograms are composed as NTT DoCoMo codes
// (lead 0xF8/0xF9); the tables of pictogram_tables.h give each carrier's codes.
//
// How the send run uses them (terminal types 1 NTT DoCoMo, 2 au TU-KA, 3 SoftBank; the
// pictogram branches only when HasPictogram holds; except for SoftBank the run first widens
// half-width katakana with the core's CSjisKanaConverter):
//   type 1 with pictograms: ConvertSjisToJis252, kPictogramReplace; the result holds 8-bit
//       bytes (0x90-0x92 pictogram codes), so it goes out base64, charset "iso-2022-jp";
//   type 2 with pictograms: ConvertSjisToJis200, kPictogramReplace; 7bit, "iso-2022-jp";
//   type 3 with pictograms: ConvertPictogramCodes from kCarrierDocomo to kCarrierSoftbank;
//       the Shift_JIS result goes out base64, charset "shift_jis";
//   otherwise: ConvertSjisToJis with kAsciiEscB, kKanjiEscB, kJisReplace; 7bit.
//
// Texts. Input and output are Shift_JIS / ISO-2022-JP bytes. The source ends at the end of
// the view or at its first NUL byte, whichever comes first.
//
// Converters come in pairs: GetSjisToJisLength... gives exactly the number of bytes the
// converter writes (no NUL), and fails exactly when the converter fails. Each converter
// has two forms:
//  - into a std::string (output replaced by the result; untouched on failure);
//  - into a caller's buffer of outputSize bytes, for a caller that sized it from the length
//    function (length + 1): the bytes and a NUL are written; nothing is ever written at or
//    past output + outputSize (a buffer too small fails the call). On failure the buffer
//    holds an unterminated fragment that must be discarded.
// No converter allocates (but the std::string forms, once) or keeps state between calls;
// every function here is safe to call from several threads at once.
//
// Escapes. Every output starts in ASCII without an escape, writes a designation only when
// the set changes, returns to ESC ( B before each CR LF and at the end. A lone CR and the
// other control bytes are copied; in the pictogram converters they stay inside a two-byte
// run, ConvertSjisToJis writes the single-byte designation before them (not before a lone
// CR).
//
// IBM extensions (lead 0xFA-0xFC: 髙, 﨑, ￢, ⅰ ...), which Windows and the program's own
// text boundary write, are converted as the twin CP932 holds for the same character inside
// the JIS rows (Cp932JisRowCode: JIS X 0208, else NEC row 13, else the NEC-selected rows),
// as Windows writes ISO-2022-JP; mail readers show those rows.
//
// Unconvertible characters: half-width katakana (0xA0-0xDF), and a code with a lead 0x80 or
// 0xF0-0xFF that is no IBM extension and that the converter's table does not map
// (user-defined characters, a pictogram the carrier lacks; ConvertSjisToJis maps no
// pictogram).
// The mode says what becomes of them: replaced by the full-width middle dot (JIS 0x21 0x26)
// in the two-byte set, dropped (no bytes, no escape), or any other value: the call fails.
// The two families number their modes differently (kept: stored callers pass these values).
//
// Bad input. A lead byte (0x81-0x9F, 0xE0-0xEF, 0x80, 0xF0-0xFF) that ends the text fails
// the call. A lead byte followed by a byte that cannot be a trail byte (below 0x40, 0x7F,
// 0xFD-0xFF) is an unconvertible character on its own, and the byte after it is read again
// on its own, so a CR LF after a broken character stays a CR LF.
//
// Machine-dependent characters (NEC row 13, the NEC-selected IBM rows 0xED/0xEE) are
// converted arithmetically like any JIS X 0208 lead; the composing checks warn about them.

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace compose {

// Modes of ConvertSjisToJis252 / ConvertSjisToJis200 and their length functions.
inline constexpr int kPictogramReplace = 0;
inline constexpr int kPictogramDrop = 1;
// Modes of ConvertSjisToJis / GetSjisToJisLength.
inline constexpr int kJisReplace = 1;
inline constexpr int kJisDrop = 2;
// Designation choices of ConvertSjisToJis / GetSjisToJisLength; any other value fails the
// call before anything is written.
inline constexpr int kAsciiEscB = 1;   // single-byte text under ESC ( B
inline constexpr int kAsciiEscJ = 0;   // under ESC ( J (line ends and the end still ESC ( B)
inline constexpr int kKanjiEscB = 1;   // two-byte text under ESC $ B
inline constexpr int kKanjiEscAt = 0;  // under ESC $ @
// Carriers of ConvertPictogramCodes (the rows of CPictogramCrossTable).
inline constexpr int kCarrierDocomo = 0;
inline constexpr int kCarrierSoftbank = 1;

// ISO-2022-JP for NTT DoCoMo: pictograms through CImodeJisPictogramTable (all 252).
[[nodiscard]] bool GetSjisToJisLength252(std::string_view source, std::size_t& length, int mode);
[[nodiscard]] bool ConvertSjisToJis252(std::string_view source, std::string& output, int mode);
[[nodiscard]] bool ConvertSjisToJis252(std::string_view source, char* output, std::size_t outputSize,
                                       int mode);

// ISO-2022-JP for au TU-KA: pictograms through CEzwebJisPictogramTable (the 200 common
// ones; the other 52 NTT DoCoMo codes are unconvertible). 7-bit output.
[[nodiscard]] bool GetSjisToJisLength200(std::string_view source, std::size_t& length, int mode);
[[nodiscard]] bool ConvertSjisToJis200(std::string_view source, std::string& output, int mode);
[[nodiscard]] bool ConvertSjisToJis200(std::string_view source, char* output, std::size_t outputSize,
                                       int mode);

// Plain ISO-2022-JP, with a choice of designations and no pictograms. 7-bit output.
[[nodiscard]] bool GetSjisToJisLength(std::string_view source, std::size_t& length, int asciiChoice,
                                      int kanjiChoice, int mode);
[[nodiscard]] bool ConvertSjisToJis(std::string_view source, std::string& output, int asciiChoice,
                                    int kanjiChoice, int mode);
[[nodiscard]] bool ConvertSjisToJis(std::string_view source, char* output, std::size_t outputSize,
                                    int asciiChoice, int kanjiChoice, int mode);

// Whether the text holds at least one of the 252 NTT DoCoMo pictogram codes (walked by
// characters as the converters walk it, so a trail byte is never taken for a lead).
bool HasPictogram(std::string_view source);

// `result` = the source with each pictogram found in the CPictogramCrossTable row of
// `fromCarrier` replaced by the code at the same index of the row of `toCarrier`; codes
// not in the row stay as they are. Equal carriers copy the text. False (result untouched)
// when a carrier is not kCarrierDocomo or kCarrierSoftbank.
[[nodiscard]] bool ConvertPictogramCodes(int fromCarrier, std::string_view source, int toCarrier,
                                         std::string& result);

// The text a source holds: the view up to its first NUL byte (all of it when it has none).
inline std::string_view UpToNul(std::string_view text) {
  const void* nul = std::memchr(text.data(), '\0', text.size());
  return nul ? text.substr(0, static_cast<const char*>(nul) - text.data()) : text;
}

}  // namespace compose
