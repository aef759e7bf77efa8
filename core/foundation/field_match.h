#pragma once
// How the record tables' searches compare a field with the text searched for. Both kinds
// of table search the same way; only their argument checks and results differ.

#include <string_view>

enum class FieldMatch {
    kExact,       // the whole field
    kIgnoreCase,  // the whole field, ASCII letters without case
    kFront,       // the start of the field
    kPartial,     // anywhere in the field, on a character boundary
};

bool FieldMatches(FieldMatch how, std::string_view field, std::string_view text);
