#include "core/mailstore/html_text_util.h"

namespace html_text {

bool EqualsNoCaseSjis(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (IsSjisLead(static_cast<unsigned char>(a[i])) && i + 1 < a.size()) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
            ++i;
        } else if (AsciiLower(a[i]) != AsciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

namespace {

bool MatchesAt(std::string_view text, std::size_t pos, std::string_view pattern) {
    if (text.size() - pos < pattern.size()) return false;
    for (std::size_t k = 0; k < pattern.size(); ++k)
        if (AsciiLower(text[pos + k]) != AsciiLower(pattern[k])) return false;
    return true;
}

}  // namespace

std::size_t FindNoCaseSjis(std::string_view text, std::string_view pattern, std::size_t from) {
    if (from > text.size()) return std::string_view::npos;
    if (pattern.empty()) return from;
    std::size_t i = from;
    while (i < text.size()) {
        if (MatchesAt(text, i, pattern)) return i;
        i += (IsSjisLead(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) ? 2 : 1;
    }
    return std::string_view::npos;
}

std::string LowerSjis(std::string_view text) {
    std::string out(text);
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (IsSjisLead(static_cast<unsigned char>(out[i])) && i + 1 < out.size())
            ++i;
        else
            out[i] = AsciiLower(out[i]);
    }
    return out;
}

std::string ToCrLf(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            out += "\r\n";
            char other = c == '\r' ? '\n' : '\r';
            if (i + 1 < text.size() && text[i + 1] == other) ++i;
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace html_text
