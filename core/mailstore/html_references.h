#pragma once
// Character references as a browser reads them in the text of an HTML page (the HTML
// standard's tokenizer, outside attribute values):
//  - named: the longest name of the standard's table that the text after "&" begins
//    with; a name ends in ";" except the legacy names (lt, gt, amp, quot, nbsp, copy and
//    about a hundred more, in the cases the table lists: "LT", "AMP"), which are read
//    also without it: "&ltREFUSE&gt" reads "<REFUSE>", "&notit;" reads "¬it;";
//  - numeric: "&#" and decimal digits, or "&#x" ("&#X") and hexadecimal digits, all of
//    them, then an optional ";". 0, a surrogate or a value past U+10FFFF stands for
//    U+FFFD; 0x80-0x9F for the character code page 1252 has there (&#150; is "–"); any
//    other value for itself.
// Anything else ("&" alone, "&#;", "&unknown;") is no reference: the "&" is text.

#include <cstddef>
#include <string_view>

namespace html_text {

struct Reference {
    std::size_t length = 0;  // bytes the reference takes from its "&"; 0: none
    char32_t points[2] = {0, 0};
    int count = 0;  // code points in `points`
};

// The reference that starts at `amp` (text[amp] is "&").
Reference ReadReference(std::string_view text, std::size_t amp);

}  // namespace html_text
