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

// A record of an import file as shown on one line: `bytes` as the file holds it, read in
// its code (UTF-8, else Shift_JIS; bytes that start no character as U+FFFD), its final line
// end dropped and the ones inside (a quoted field's) shown as "↵", a NUL byte as "␀",
// cut within kShownValueBytes as ShownValue cuts.
QString ShownRecord(std::string_view bytes, bool utf8);

}  // namespace settings
