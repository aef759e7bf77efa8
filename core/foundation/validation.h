#pragma once
// Checks of typed values that the stores, the importers and the screens share: mail
// addresses, numbers of the extended attributes, dates, character sets and mail bodies.
// Texts are Shift_JIS bytes. Each check answers nonzero for an acceptable text and 0
// otherwise; the pointer forms refuse a null text.

#include <string>
#include <string_view>
#include <vector>

// A deliberately strict address check: the text holds an "@" that does not begin it; the
// domain after it holds a dot, no further "@", no empty label (no leading, doubled or final
// dot) and only ASCII letters, digits, "-" and "."; every byte of the whole text is a letter,
// a digit or one of ! # $ % & ' * + - . / = ? @ ^ _ ` { | } ~. Blanks, quotes, brackets
// and bytes of 0x80 and above make the address unacceptable. The local part is not
// checked further (doubled dots occur in real carrier addresses).
int MailAddressChecker(std::string_view text);
inline int MailAddressChecker(const char* text) {
    return text != nullptr && MailAddressChecker(std::string_view(text));
}

// Empty, a single digit, or an optional "+"/"-" followed by 1 to 9 decimal digits.
int CheckNumberData(std::string_view text);
inline int CheckNumberData(const char* text) {
    return text != nullptr && CheckNumberData(std::string_view(text));
}

// Nonzero when ReFormat_DateData in start mode recognises at least minimumParts parts
// (3 = a date, 4 = a date with the hour, 6 = a full date and time).
int CheckDateTypeData(std::string_view text, int minimumParts);
inline int CheckDateTypeData(const char* text, int minimumParts) {
    return text != nullptr && CheckDateTypeData(std::string_view(text), minimumParts);
}

// Nonzero when every byte of text occurs in allowed (the empty text passes).
int CheckSpecialStringData(std::string_view text, std::string_view allowed);
inline int CheckSpecialStringData(const char* text, const char* allowed) {
    return text != nullptr &&
           CheckSpecialStringData(std::string_view(text), allowed ? std::string_view(allowed) : std::string_view());
}

// Scans a Shift_JIS mail body for characters that do not travel well. All three flags
// start at 1 and drop to 0 when the body holds:
//   noHalfKana  - a half-width katakana byte (0xA1 to 0xDF);
//   noDependent - a machine-dependent character: lead 0x87 with trail 0x40 to 0x9C (circled
//                 numbers, Roman numerals, units) or any character with lead 0xF0 to 0xFC
//                 (user-defined and vendor area);
//   allValid    - a lead byte without a valid trail byte, or a byte that is no character
//                 (0x7F, 0xA0, 0xFD to 0xFF).
// A lead byte followed by an invalid trail counts as one offending byte and the scan goes
// on with the trail byte. Result 1 when all flags stay 1, else 0; the body ending in the
// middle of a character stops the scan at once with result 0.
int CheckMailBodyCharacterCode(std::string_view text, int& noHalfKana, int& noDependent, int& allValid);
// The same, and fills offending (cleared first) with each offending character, one or two
// bytes, in text order, repeats included. Result 1 for the empty text.
int CheckMailBodyCharacterCode(std::string_view text, int& noHalfKana, int& noDependent, int& allValid,
                               std::vector<std::string>& offending);
