#pragma once
// Quoted-printable codec of the mail system, and the body decoder that picks base64 or
// quoted-printable by a numeric type.
//
// The encoder writes lines of at most 75 characters plus the "=" of a soft break. Blanks
// and tabs that end a line (before CR, LF or the end of the text) are escaped, because
// mail transports strip trailing white space.
//
// The decoders remove soft breaks ("=" CR LF, and "=" LF from LF-only text, also with
// blanks or tabs between the "=" and the line end, which transports add) and turn "="
// with two hexadecimal digits into one byte. Every other byte is kept, the line break
// that ends the text included. An "=" that is not followed by two
// hexadecimal digits is kept as it stands, as mail readers do with such text.

#include <cstddef>
#include <string>
#include <string_view>

// Encodes `text` (the rules of the mail writer and of the HTML mail encoder).
std::string QuotedPrintableEncode(std::string_view text);

// Decodes `text`; an escape cut short by the end of the text ends the result there.
std::string QuotedPrintableDecode(std::string_view text);

// Decodes `in` into `out`; false (with `out` holding what was decoded before it) when an
// escape is cut short by the end of the text.
bool QuotedPrintableDecoding(std::string_view in, std::string& out);

// The number of bytes QuotedPrintableDecoding writes; false on a cut-short escape.
bool GetSizeAfterQuotedPrintableDecoding(std::string_view in, size_t& size);

// Decodes a mail body by type: 1 base64 (only alphabet characters and "=" are kept, line
// breaks and blanks dropped), 2 quoted-printable, any other type a plain copy.
std::string DecodeMailBody(std::string_view in, int type);
