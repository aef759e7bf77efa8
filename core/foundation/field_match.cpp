#include "core/foundation/field_match.h"

#include "core/foundation/string_utils.h"

bool FieldMatches(FieldMatch how, std::string_view field, std::string_view text) {
    switch (how) {
    case FieldMatch::kExact: return field == text;
    case FieldMatch::kIgnoreCase: return field.size() == text.size() && FindSjis(field, text, true) == 0;
    case FieldMatch::kFront: return field.starts_with(text);
    case FieldMatch::kPartial: return FindSjis(field, text) != std::string_view::npos;
    }
    return false;
}
