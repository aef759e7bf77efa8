#pragma once
// Cutting Shift_JIS text to a byte limit without breaking it: the composing screens cut
// subjects, bodies and names to a carrier's limit, and the HTML pages their parts and
// imported subjects to the page's maximum. A cut through a two-byte character
// would leave a lead byte that no converter can send (the whole carrier's mail would then
// fail at send time). A cut also never separates the CR of a line break from its LF.

#include <cstddef>
#include <string>
#include <string_view>

namespace compose {

// The longest start of `text` of at most `limit` bytes that ends where a character ends:
// a two-byte character (a lead byte with a trail byte), a CR LF pair and any other byte
// count as one character each. A text within the limit comes back whole.
std::string CutSjisText(std::string_view text, std::size_t limit);

}  // namespace compose
