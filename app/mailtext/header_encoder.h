#pragma once
// The Subject of a mail for a mobile carrier that holds pictograms, as RFC 2047 "B"
// encoded words, one word per line, lines folded with a TAB and each ended by CR LF (the
// last one too). The send run writes "Subject: " followed by the encoder's output; with
// the Shift_JIS encoder it leaves out the output's first character (the TAB of line one).
//
//  - EncodeHeaderIso2022jp252 / 200: "=?ISO-2022-JP?B?...?=" words for NTT DoCoMo / au
//    TU-KA, each word converted on its own with ConvertSjisToJis252 / 200 under `mode`
//    (kPictogramReplace or kPictogramDrop, carrier_text_converter.h), so every word starts
//    and ends in ASCII and decodes alone. No TAB before the first line. Line budgets
//    31-97; the send run passes 76, which gives words of at most 42 JIS bytes.
//    Only printable ASCII and Shift_JIS double-byte characters are accepted: a control
//    byte (TAB, CR, LF), 0x7F, a half-width katakana or a broken two-byte character fails
//    the call (the send run widens half-width katakana first). CR and LF therefore never
//    reach the header.
//  - EncodeHeaderShiftJis: "=?shift_jis?B?...?=" words of the Shift_JIS bytes as they are
//    (pictograms already exchanged to SoftBank codes), a TAB before every line, the first
//    included. Line budgets 22-76; with 76 every line but the last is TAB + 72 characters.
//    No byte is refused, but a lead byte that ends the text fails the call.
//
// A line never exceeds the budget (CR LF not counted). Source texts are Shift_JIS and end
// at the end of the view or at the first NUL. The encoders keep their work in the call, so
// any number of threads may encode at once. On failure `output` is untouched.
//
// The length functions give the encoders' output length without running the conversion:
// exactly for the Shift_JIS encoder, and for the ISO-2022-JP encoders under
// kPictogramReplace; under kPictogramDrop dropped characters make the output shorter than
// the figure, never longer. They fail exactly when the encoders fail for a valid mode.

#include <cstddef>
#include <string>
#include <string_view>

namespace compose {

// Line budgets the encoders accept (other budgets fail).
inline constexpr int kIsoHeaderMinBudget = 31;
inline constexpr int kIsoHeaderMaxBudget = 97;
inline constexpr int kSjisHeaderMinBudget = 22;
inline constexpr int kSjisHeaderMaxBudget = 76;

[[nodiscard]] bool EncodeHeaderIso2022jp252(std::string_view source, std::string& output, int lineBudget,
                                            int mode);
[[nodiscard]] bool EncodeHeaderIso2022jp200(std::string_view source, std::string& output, int lineBudget,
                                            int mode);
[[nodiscard]] bool GetEncodedHeaderLengthIso2022jp(std::string_view source, std::size_t& length,
                                                   int lineBudget);

[[nodiscard]] bool EncodeHeaderShiftJis(std::string_view source, std::string& output, int lineBudget);
[[nodiscard]] bool GetEncodedHeaderLengthShiftJis(std::string_view source, std::size_t& length,
                                                  int lineBudget);

}  // namespace compose
