#pragma once
// Base64 codecs of the mail system (RFC 4648 alphabet, plus the system's own permuted
// alphabet used for the random part of MIME boundaries).
//
// Results are std::string (bytes, not necessarily text); no function here writes into a
// caller's buffer, and every decoder stops at the end of its input.

#include <cstddef>
#include <string>
#include <string_view>

// Standard base64 of `in` without line breaks, padded, and always followed by "?=" (the
// closing of an encoded word): "abc" -> "YWJj?=", "a" -> "YQ==?=", "" -> "?=".
std::string normal_base64encoding(std::string_view in);

// Lenient decoder: characters outside the alphabet (line breaks, blanks, NUL, any stray
// byte) are skipped, as RFC 2045 asks, so they never turn into wrong bytes; the data ends
// at the first "=" (so a trailing "?=" produces nothing) or at the end of the text, where
// a last group of two or three characters gives the one or two bytes it holds.
std::string normal_base64decoding(std::string_view in);

// Standard base64 of the bytes of `data`. With lineLength > 0 a CR LF follows every
// lineLength output characters, also after the last full group (so an output whose length
// is a multiple of lineLength ends in CR LF), but never after a final "=". lineLength -1
// (or any value below 1) writes no line breaks.
std::string base64encoding(std::string_view data, int lineLength);

// Strict decoder, for this system's own stored base64 and a server's reply, where a
// character outside the alphabet means damage: it refuses, and never reports success with
// wrong bytes. A leading "+ " is skipped; then groups of four characters are decoded, the
// first two from the alphabet, the last two from the alphabet or "=" (a third "=" needs a
// fourth). Decoding ends with the byte count at the end of the text, at a NUL or CR after
// a group, or after a group ending in "=" (a text starting with CR gives 0), provided only
// line ends and blanks follow up to the end or a NUL. Anything else (a blank or LF inside
// the data, an 8-bit byte, data after the padding or after a CR), a group cut short, or a
// group that would take `out` past `limit` bytes gives -1. The bytes are appended to
// `out`, which is emptied first.
long base64decoding(std::string& out, std::string_view in,
                    size_t limit = std::string::npos);

// Decoded size of a base64 text without line breaks: true with `size` set for a length
// of 0 or a multiple of 4 (less one byte per trailing "="); false for any other length.
bool GetSizeAfterBase64Decoding(size_t& size, std::string_view text);

// The permuted-alphabet pair: padded like standard base64, no "?=", no line breaks;
// the decoder reads like normal_base64decoding.
std::string abnbase64encoding(std::string_view in);
std::string abnbase64decoding(std::string_view in);
