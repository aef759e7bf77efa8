#pragma once
// Small helpers the import screens share for showing imported data.

#include <QString>

#include <cstddef>
#include <string_view>

namespace settings {

// At most this many bytes of one imported value are shown in a list cell or a message;
// the data itself is never cut.
inline constexpr std::size_t kShownValueBytes = 256;

// `sjis` as shown: cut at a character boundary within kShownValueBytes, with "…" when cut.
QString ShownValue(std::string_view sjis);

}  // namespace settings
