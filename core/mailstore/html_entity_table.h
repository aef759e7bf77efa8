#pragma once
// The tables behind the reading of character references (html_references.h), generated
// by scripts/gen_html_entities.py from the HTML standard.

#include <cstddef>

namespace html_text {

// A named character reference: its name as written after "&" (with its ";" where the
// name has one; a legacy name such as "lt" or "copy" is listed with and without it) and
// the code points it stands for (second 0 when there is one).
struct NamedReference {
    const char* name;
    char32_t first;
    char32_t second;
};

// Sorted by name, byte for byte.
extern const NamedReference kNamedReferences[];
extern const std::size_t kNamedReferenceCount;

// What a numeric reference of 0x80 + i stands for (the code page 1252 reading the
// standard keeps; the code itself where that code page has nothing).
extern const char32_t kC1Replacements[32];

}  // namespace html_text
