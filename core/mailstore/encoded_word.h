#pragma once
// MIME encoded words (RFC 2047) for Japanese header text: encoding of ISO-2022-JP runs,
// decoding of B and Q words in ISO-2022-JP, Shift_JIS and UTF-8 into Shift_JIS, and the
// encoding of attachment file names for header parameters.
//
// Decoding rules common to every decoder here:
//  - a word is "=?" charset "?" B-or-Q "?" text "?="; charsets and the B/Q letter are
//    matched without regard to case; words of other charsets are left as text;
//  - in Q words "_" is a blank and "=" with two hexadecimal digits one byte;
//  - white space that only separates two decoded words is dropped, as RFC 2047 asks;
//  - a word whose letter is neither B nor Q, or that is never closed, is copied from its
//    start to the end of the text and decoding stops there.

#include <string>
#include <string_view>

// Encoded-word charsets of MIMEDecodeVersion2.
enum MimeWordMode : int {
    kMimeWordJis = 1,   // iso-2022-jp
    kMimeWordSjis = 2,  // shift_jis, shift-jis, sjis, x-sjis, cp932, windows-31j
    kMimeWordUtf8 = 3,  // utf-8
};

// Header text in ISO-2022-JP: each run from ESC $ or ESC ( (other than ESC ( B) up to and
// including the next ESC ( B becomes one "=?ISO-2022-JP?B?...?=" word, followed by the
// fold CR LF TAB when more text follows; other bytes are copied, a lone ESC ( B dropped.
// Pure ASCII passes unchanged.
std::string base64encoding(std::string_view isoText);

// The folding encoder of the socket SMTP client: like base64encoding, but the words are
// "=?iso-2022-jp?B?...?=" and lines (counted after each fold CR LF TAB) are kept to at
// most 70 characters; a long run is split into several words that each decode on their
// own (each starts with ESC $ B and ends with ESC ( B). Plain text longer than a line is
// put on a line of its own, never split.
std::string MIMEBase64EncodeForJIS(std::string_view in);

// Decodes the ISO-2022-JP words of `in` and converts the whole text to Shift_JIS.
std::string MIMEbase64decoding(std::string_view in);
// The same (the allocating form of the original interface).
std::string MIMEBase64DecodeForJIS(std::string_view in);

// Decodes the words of the charset of `mode` (MimeWordMode) and converts the whole text to
// Shift_JIS: ISO-2022-JP and UTF-8 are converted, Shift_JIS kept. Any other mode copies.
std::string MIMEDecodeVersion2(std::string_view in, int mode);

// A header value meant for reading (a Subject) decoded to Shift_JIS. Encoded words of one
// charset per value are decoded (when several charsets are mixed, those of the first one
// win). A value without encoded words that carries raw 8-bit text is converted by its
// code: valid UTF-8, else detected ISO-2022-JP or EUC-JP; Shift_JIS is kept. Line breaks
// become blanks.
std::string DecodeHeaderTextToSjis(std::string_view value);

// A header parameter (a file name) in Shift_JIS: a value naming iso-2022-jp, then one
// naming a Shift_JIS charset, then one naming utf-8 has its words decoded in that charset;
// any other value is raw bytes whose code is detected (ISO-2022-JP and EUC-JP converted,
// the rest kept).
std::string DecodeMimeHeaderParam(std::string_view in);

// A Shift_JIS file name made ready for a MIME header parameter: an all-ASCII name is
// returned unchanged; any other is converted to ISO-2022-JP in segments of at most 30
// bytes and written as "=?ISO-2022-JP?B?" words separated by CR LF TAB.
std::string EncodeAttachFileName(std::string_view sjisName);
