#pragma once
// The pieces of an outgoing message that the MIME model does not make itself: the local
// part of the Message-ID, the Date value, the text/plain and text/html entities of a body
// for a terminal type, the entity of an attachment, the "Subject: " line, the From/To value of a name and an address,
// and the SMTP dot-stuffing of a body. The send run and the test senders build every
// message from them; the composing screens use the part builders too.
//
// Input texts are Shift_JIS. Outputs are 7-bit except where a carrier's body is sent as
// base64 of 8-bit bytes.
//
// What reaches a header is checked here, once for every caller:
//  - CR, LF, NUL and every other control byte (and DEL) of a subject or a display name
//    becomes a blank before encoding, so a record or a merged field can never start a
//    header line of its own (Shift_JIS trail bytes are never below 0x40, so no character
//    is cut by this);
//  - an address that could split into several recipients or leave its angle brackets
//    (IsSafeMailAddress) is refused by FormatAddress, and the sender address in a
//    Message-ID loses such bytes;
//  - an ASCII display name is always sent as a quoted string with backslash escapes,
//    never as an encoded word inside quotes (which readers would show raw);
//  - half-width katakana are widened before any ISO-2022-JP encoding, so names, subjects
//    and bodies never carry the JIS X 0201 kana set that ISO-2022-JP has no room for;
//  - IBM extensions (髙 0xFBFC, 﨑 0xFAB1, ￢ ...) go out in every ISO-2022-JP text (names,
//    subjects, bodies) as the twin CP932 holds inside the JIS rows (髙 0xEEE0, 﨑 0xED95,
//    ￢ 0x81CA), which mail readers show; SoftBank's Shift_JIS keeps them as they are;
//  - characters ISO-2022-JP cannot carry (user-defined codes, pictograms for a terminal
//    that has no pictogram encoding) become "・" in a subject, as they do in a body.
//
// Terminal types: 0 PC, 1 NTT DoCoMo, 2 au TU-KA, 3 SoftBank, 4 WILLCOM. Only 1, 2 and 3
// have pictogram encodings; text for any other type is plain ISO-2022-JP.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// "YYYYMMDDhhmmssmmm.nnnnn.<mailId>.<address>": the UTC time with milliseconds, a
// sequence number 0-99999 within the millisecond, the mail ID (which replies are traced
// by) and the sender address (which gives the "@domain"). The caller puts "<" and ">"
// around it.
// Unique within the process: a second call in the same millisecond takes the next
// sequence number; after 99999 the number starts at 0 again in the next millisecond, and
// a clock that goes back never makes an earlier time stamp come round again (the time
// stamp then runs on from the last one given). Thread-safe.
std::string MakeMessageIDLocalPart(const char* address, int mailId);

// The clock of MakeMessageIDLocalPart in milliseconds since the Unix epoch (an empty
// function restores the system clock). Setting it also forgets the last time stamp.
void SetMessageIdClockForTesting(std::function<std::int64_t()> clock);

// The Date value of now in local time: "Sun, 01 Jan 2024 09:00:00 +0900". A non-empty
// `zone` (system option 10, "+0900") gives the offset number as atoi reads it; an empty or
// null zone gives the machine's offset at that moment (daylight saving included).
// Taken for each message: a run over many recipients may last days, and every message
// carries the time it was sent.
std::string MakeMailDateHeader(const char* zone);

// Results of the part and subject builders: 0, or the step that failed (`out` untouched):
//                          text and HTML parts           Subject
//   plain ISO-2022-JP      -1 length, -2 conversion      -1 (the text ends inside a character)
//   NTT DoCoMo pictograms  -5 length, -6 conversion      -1 length, -2 encoding
//   au TU-KA pictograms    -3 length, -4 conversion      -3 length, -4 encoding
//   SoftBank pictograms    (cannot fail)                 -5 exchange, -6 length, -7 encoding
// A text that ends inside a two-byte character fails the length step of its branch.

// A complete MIME entity (headers, blank line, encoded body) of a text/plain or text/html
// body for the terminal type:
//   "Content-Type: text/plain;\r\n\tcharset=<charset>\r\nContent-Transfer-Encoding:
//   <encoding>\r\nMIME-Version: 1.0\r\n\r\n<body>"
// By the terminal type, when the text holds a pictogram (else plain ISO-2022-JP, 7bit):
//   1 NTT DoCoMo   ISO-2022-JP with DoCoMo's pictogram codes, base64 in lines of 76
//   2 au TU-KA     ISO-2022-JP with au's pictogram codes, 7bit
//   3 SoftBank     Shift_JIS with SoftBank's pictogram codes, base64 in lines of 76
// Half-width katakana are widened except for SoftBank; a character a branch cannot carry
// becomes "・". An HTML text's META charset declaration, if it has one, is rewritten to the
// charset the part is sent in (ConvertHtmlMetaCharset). 0 with `out` set, or a negative
// result with `out` untouched.
[[nodiscard]] int MakeTextPartHeader(const std::string& text, const int& termType, std::string& out);
[[nodiscard]] int MakeHtmlPartHeader(const std::string& text, const int& termType, std::string& out);

// The MIME entity of an attachment: the Shift_JIS file name encoded for a header
// parameter (CAttachFileManager::EncodeFileName) and given twice, as the type's name and
// the disposition's file name, then the file's base64 text as it stands:
//   "Content-Type: application/octet-stream;\r\n\tname=\"<name>\"\r\nContent-Disposition:
//   attachment;\r\n\tfilename=\"<name>\"\r\nContent-Transfer-Encoding: base64\r\n\r\n<base64>"
std::string MakeAttachmentPart(std::string_view fileName, const std::string& base64);

// "Subject: " and the subject's value, ending in exactly one CR LF: an ASCII subject as
// it is (for every terminal); any other as encoded words folded with CR LF TAB - for NTT
// DoCoMo and au TU-KA with pictograms, ISO-2022-JP words with the carrier's pictogram
// codes, and for SoftBank with pictograms Shift_JIS words with SoftBank's codes, each
// line's words within 76 characters ("Subject: " comes before the first line's); otherwise
// ISO-2022-JP words of at most 30 JIS bytes, lines within 76 characters. 0 with `out` set,
// or a negative result with `out` untouched.
[[nodiscard]] int MakeSubjectHeader(const std::string& subject, const int& termType, std::string& out);

// True when `address` may stand in a header and the envelope as one mailbox: not empty,
// printable ASCII only, and none of the blank, < > ( ) , ; " \ that would split it into
// several recipients or end its angle brackets.
bool IsSafeMailAddress(std::string_view address);

// The From or To value of a display name (Shift_JIS) and an address:
//  - empty name: the address alone;
//  - ASCII name: "\"<name>\" <address>" with each backslash doubled and a backslash put
//    before each double quote and parenthesis;
//  - any other name: ISO-2022-JP encoded words (in pieces of at most 30 JIS bytes,
//    folded with CR LF TAB) followed by " <address>".
// 0 with `out` set; -1 (out untouched) when IsSafeMailAddress refuses the address.
[[nodiscard]] int FormatAddress(const std::string& name, const std::string& address, std::string& out);
