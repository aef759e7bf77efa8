#pragma once
// The importers' reading of a date value: the normalised date text cut to the precision
// the value was given with (date, hour, minute or second: 10, 13, 16 or 19 characters).

#include <string>
#include <string_view>

#include "core/foundation/date_utils.h"

// False (out untouched) when the value does not give at least a whole date.
inline bool ImportDateText(std::string_view value, std::string& out) {
    std::string full;
    const int parts = ReFormat_DateData(value, full, 0);
    if (parts < 3) return false;
    static constexpr std::size_t kLength[] = {10, 13, 16, 19};
    out = full.substr(0, kLength[(parts > 6 ? 6 : parts) - 3]);
    return true;
}
