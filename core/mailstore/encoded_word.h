#pragma once
// MIME encoded words (RFC 2047) for Japanese header text: encoding of ISO-2022-JP header
// text, decoding of B and Q words in ISO-2022-JP, Shift_JIS, UTF-8 and EUC-JP into
// Shift_JIS, and the encoding of attachment file names for header parameters.
//
// Decoding rules common to every decoder here:
//  - a word is "=?" charset "?" B-or-Q "?" text "?="; charsets and the B/Q letter are
//    matched without regard to case (an RFC 2231 language, "utf-8*ja", is ignored); words
//    of a charset a decoder does not take are left as text;
//  - in Q words "_" is a blank and "=" with two hexadecimal digits one byte; B words skip
//    characters outside the base64 alphabet;
//  - white space that only separates two decoded words is dropped, as RFC 2047 asks;
//  - a word whose letter is neither B nor Q, or that is never closed, is copied from its
//    start to the end of the text and decoding stops there.
//
// What the encoders write, whatever the ISO-2022-JP text they are given (the header
// conversion of the foundation, with its ASCII under ESC ( J and its short segments, or
// the plain conversion):
//  - every word is at most 66 characters, starts in ASCII mode and returns to it, so each
//    decodes on its own; JIS-Roman is written as ASCII (readers would show its "\" and
//    "~" as a yen sign and an overline);
//  - a word never touches plain text: a word of the text (between blanks) that holds
//    Japanese, control or 8-bit bytes, or that looks like an encoded word itself
//    ("=?"), is encoded whole, its ASCII included;
//  - blanks between two such words go inside a word, since readers drop white space
//    between words;
//  - a fold is CR LF TAB between two words (white space there is not part of the text) or
//    CR LF before blanks of the text (which it keeps), so unfolding gives back exactly
//    the text; plain text passes unchanged, but a line that would pass 900 octets (998
//    less room for the header's name) is folded at a blank, and a word of text longer
//    than that is encoded.
#include <string>
#include <string_view>

// Encoded-word charsets of MIMEDecodeVersion2.
enum MimeWordMode : int {
    kMimeWordJis = 1,   // iso-2022-jp
    kMimeWordSjis = 2,  // shift_jis, shift-jis, sjis, x-sjis, cp932, windows-31j
    kMimeWordUtf8 = 3,  // utf-8
};

// Header text in ISO-2022-JP as "=?ISO-2022-JP?B?" words and plain text (the rules
// above): one word per run of the input (a run from ESC $, or ESC ( other than B, to the
// next ESC ( B), long runs split, with a fold CR LF TAB between every two words. Pure
// ASCII text without "=?" and without over-long lines passes unchanged.
std::string base64encoding(std::string_view isoText);

// The folding encoder of the socket SMTP client: the same words as base64encoding, as
// "=?iso-2022-jp?B?...?=", and lines of at most 70 characters: words are separated by a
// blank while they fit on the line, by the fold CR LF TAB otherwise, and plain text moves
// to the next line at one of its blanks. A plain word of text longer than a line stays
// whole.
std::string MIMEBase64EncodeForJIS(std::string_view in);

// Decodes the ISO-2022-JP words of `in` and converts the whole text to Shift_JIS.
std::string MIMEbase64decoding(std::string_view in);
// The same (the allocating form of the original interface).
std::string MIMEBase64DecodeForJIS(std::string_view in);

// Decodes the words of the charset of `mode` (MimeWordMode) and converts the whole text to
// Shift_JIS: ISO-2022-JP and UTF-8 are converted, Shift_JIS kept. Any other mode copies.
std::string MIMEDecodeVersion2(std::string_view in, int mode);

// A header value meant for reading (a Subject) decoded to Shift_JIS: the words of every
// charset known here (ISO-2022-JP, the Shift_JIS names, UTF-8, EUC-JP, US-ASCII) are
// decoded and converted, those of one charset that follow each other joined first so a
// character split over two words comes out whole. The text outside words is converted by
// its detected code (ISO-2022-JP, valid UTF-8, EUC-JP; Shift_JIS and anything else
// kept). Line breaks become blanks.
std::string DecodeHeaderTextToSjis(std::string_view value);
// The same text in UTF-8, with the characters of UTF-8 words and text that Shift_JIS cannot
// hold still in it: for a caller that must tell the user what the Shift_JIS form left out.
std::string DecodeHeaderTextToUtf8(std::string_view value);

// A header parameter (a file name) in Shift_JIS, decoded as DecodeHeaderTextToSjis does
// (line breaks kept). FindHeaderParam (mime_header_param.h) gives RFC 2231 values in the
// form this decoder reads.
std::string DecodeMimeHeaderParam(std::string_view in);

// A Shift_JIS file name made ready for a MIME header parameter: an all-ASCII name is
// returned unchanged; any other is converted to ISO-2022-JP in segments of at most 30
// bytes and written as "=?ISO-2022-JP?B?" words separated by CR LF TAB.
std::string EncodeAttachFileName(std::string_view sjisName);
