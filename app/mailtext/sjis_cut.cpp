#include "app/mailtext/sjis_cut.h"

#include "app/mailtext/sjis_chars.h"

namespace compose {

std::string CutSjisText(std::string_view text, std::size_t limit) {
    if (text.size() <= limit) return std::string(text);
    std::size_t end = 0;
    while (end < text.size()) {
        const std::string_view rest = text.substr(end);
        const std::size_t length = IsSjisDoubleByte(rest) || IsCrLf(rest) ? 2 : 1;
        if (end + length > limit) break;
        end += length;
    }
    return std::string(text.substr(0, end));
}

}  // namespace compose
