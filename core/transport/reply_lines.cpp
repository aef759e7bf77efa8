#include "core/transport/reply_lines.h"

#include "core/foundation/sjis_bytes.h"

namespace reply_lines {
namespace {

constexpr unsigned char kWideLead = 0x81;
constexpr unsigned char kWideBlank = 0x40;  // 0x8140 "　"
constexpr unsigned char kWideColon = 0x46;  // 0x8146 "："
constexpr unsigned char kWideGreater = 0x84;  // 0x8184 "＞"

// The size of the character at `i`: 2 for a double-byte one, else 1.
std::size_t CharSize(std::string_view s, std::size_t i) {
    return IsSjisLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() ? 2 : 1;
}

bool IsWide(std::string_view s, std::size_t i, unsigned char trail) {
    return static_cast<unsigned char>(s[i]) == kWideLead && i + 1 < s.size() &&
           static_cast<unsigned char>(s[i + 1]) == trail;
}

bool IsBlankAt(std::string_view s, std::size_t i) {
    return s[i] == ' ' || s[i] == '\t' || s[i] == '\r' || s[i] == '\n' || IsWide(s, i, kWideBlank);
}

// Where the first character that is no blank begins; the size when there is none.
std::size_t FirstNonBlank(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && IsBlankAt(s, i)) i += CharSize(s, i);
    return i;
}

bool IsQuoted(std::string_view line) {
    const std::size_t i = FirstNonBlank(line);
    return i < line.size() && (line[i] == '>' || IsWide(line, i, kWideGreater));
}

// The line a mail program writes before a quotation: it names the date (so holds a digit)
// and ends in a colon. A person's own "配信停止希望:" holds no digit.
bool LooksLikeAttribution(std::string_view line) {
    bool colon = false;  // the last character that is no blank is a colon
    bool digit = false;
    for (std::size_t i = 0; i < line.size(); i += CharSize(line, i)) {
        if (IsBlankAt(line, i)) continue;
        colon = line[i] == ':' || IsWide(line, i, kWideColon);
        digit = digit || (line[i] >= '0' && line[i] <= '9');
    }
    return colon && digit;
}

// Reads a text line by line.
class Lines {
public:
    explicit Lines(std::string_view text) : text_(text) {}
    bool Next(std::string_view& line) {
        if (at_ >= text_.size()) return false;
        const std::size_t end = text_.find_first_of("\r\n", at_);
        line = text_.substr(at_, end == std::string_view::npos ? std::string_view::npos : end - at_);
        at_ = end == std::string_view::npos ? text_.size() : end + (text_.compare(end, 2, "\r\n") == 0 ? 2 : 1);
        return true;
    }

private:
    std::string_view text_;
    std::size_t at_ = 0;
};

}  // namespace

bool IsBlank(std::string_view text) { return FirstNonBlank(text) == text.size(); }

std::string_view WritersFirstLine(std::string_view text) {
    Lines lines(text);
    std::string_view line;
    bool have = lines.Next(line);
    while (have) {
        if (IsBlank(line) || IsQuoted(line)) {
            have = lines.Next(line);
            continue;
        }
        if (!LooksLikeAttribution(line)) return line;
        // An attribution when a quotation follows it.
        const std::string_view candidate = line;
        while ((have = lines.Next(line)) && IsBlank(line)) {
        }
        if (!have || !IsQuoted(line)) return candidate;
    }
    return {};
}

}  // namespace reply_lines
