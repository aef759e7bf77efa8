#pragma once
// Base64 with one of 256 fixed alphabets chosen by a table number (the key number of a
// key text). The compound key of an environment descriptor and the proxy record of the
// settings use it; the bit order and the '=' padding are those of standard Base64.
//
// Table numbers outside 0..255 give -1. Decoding stops at the first '=' or at the end of
// the text; a character outside the table's alphabet, or a lone final character that
// cannot make a byte, makes the text unreadable (-2): such texts come only from damage or
// from a hand-edited file, and yield nothing rather than garbage.

#include <cstddef>
#include <string>
#include <string_view>

// Characters written for `length` bytes, padding included (not counting a NUL).
constexpr std::size_t KeyedBase64EncodedLength(std::size_t length) { return (length + 2) / 3 * 4; }
// Largest number of bytes a text of `textLength` characters can decode to.
constexpr std::size_t KeyedBase64MaxDecodedLength(std::size_t textLength) { return textLength / 4 * 3 + 2; }

// Encodes `length` bytes at `in` into `out` (KeyedBase64EncodedLength + 1 bytes for the
// text and its NUL must fit in `outSize`). Result: the length of the text written; -1 for
// a bad table number; -3 when `outSize` is too small (nothing written).
int EncodeBase64WithKeyTable(char* out, std::size_t outSize, const void* in, std::size_t length,
                             int table);
// The same into a string (replaced). Result: the text's length, or -1 (out untouched).
int EncodeBase64WithKeyTable(std::string& out, std::string_view in, int table);

// Decodes `text` into at most `outSize` bytes at `out`. Result: the number of bytes
// written; -1 for a bad table number; -2 when the text is not of the table's alphabet;
// -3 when the result would not fit (nothing beyond outSize is written).
int DecodeBase64WithKeyTable(unsigned char* out, std::size_t outSize, std::string_view text,
                             int table);
// The same into a string (replaced). Result: the byte count, -1 or -2 (out untouched).
int DecodeBase64WithKeyTable(std::string& out, std::string_view text, int table);
