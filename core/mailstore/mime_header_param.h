#pragma once
// Reading parameters out of structured MIME header values ("text/plain; charset=utf-8",
// "attachment; filename=...").
//
// The value is read as RFC 2045 and RFC 2231 write it, with the leniency received mail
// needs:
//  - the leading type or disposition is skipped (a value that starts with a parameter has
//    none); parameters follow, separated by ";"; blanks, tabs and comments "(...)" around
//    names, "=" and values are ignored; names match without regard to letter case; the
//    first parameter of a name wins;
//  - a quoted value runs to the closing double quote; inside it a backslash escapes a
//    double quote or a backslash (any other backslash is kept, as Windows paths and
//    Shift_JIS trail bytes need), and a Shift_JIS pair is taken whole, so its trail byte
//    0x5C never escapes the closing quote;
//  - an unquoted value runs to the next ";", trimmed, and ends early before a blank that
//    is followed by a comment or by another "name=" (a missing ";");
//  - RFC 2231: "name*=charset'language'%XX..." and the continuations "name*0=",
//    "name*0*=", "name*1*=" ... are joined in order (up to the first missing number),
//    the encoded pieces percent-decoded; such a value wins over a plain "name=".
// Nothing here fails on bad input: a parameter that cannot be read is absent.

#include <string>
#include <string_view>

struct MimeHeaderParam {
    // The value: quotes removed and escapes resolved; RFC 2231 pieces joined and decoded.
    std::string value;
    // The charset an RFC 2231 value names ("" for a plain parameter or none named).
    std::string charset;
    // False when a quoted value ran to the end of the header without its closing quote.
    bool closed = true;
};

// Parameter `name` of `headerValue`; false when it is absent.
bool ReadHeaderParam(std::string_view headerValue, std::string_view name, MimeHeaderParam& out);

// The value of parameter `name` as bytes (the RFC 2231 charset is not applied); false when
// it is absent.
bool GetHeaderParam(std::string_view headerValue, std::string_view name, std::string& out);

// Parameter `name` in the form DecodeMimeHeaderParam turns into Shift_JIS: a plain value
// as it stands (encoded words and raw bytes included); an RFC 2231 value in a charset the
// decoder knows becomes one "=?charset?B?...?=" word holding its bytes, in any other
// charset its bytes. False when the parameter is absent.
bool FindHeaderParam(std::string_view value, std::string_view name, std::string& out);
