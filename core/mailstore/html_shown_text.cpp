#include "core/mailstore/html_shown_text.h"

#include <cstdint>
#include <utility>

#include "core/foundation/cp932.h"
#include "core/foundation/sjis_bytes.h"
#include "core/mailstore/html_text_util.h"

namespace html_text {
namespace {

constexpr std::size_t npos = std::string_view::npos;

constexpr bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
constexpr bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

// Elements whose start and end each end a line that holds anything.
constexpr std::string_view kBlocks[] = {
    "address", "article", "aside", "blockquote", "caption", "center", "dd",      "div",   "dl",    "dt",    "fieldset",
    "figure",  "footer",  "form",  "h1",         "h2",      "h3",     "h4",      "h5",    "h6",    "header", "hr",
    "li",      "nav",     "ol",    "p",          "pre",     "section", "table",  "tbody", "tr",    "ul",
};

// Elements whose content is no text for the reader.
constexpr std::string_view kHidden[] = {"script", "style", "title", "xml"};

template <std::size_t N>
bool OneOf(std::string_view name, const std::string_view (&names)[N]) {
    for (std::string_view n : names)
        if (name == n) return true;
    return false;
}

// Where the end tag "</name" of a hidden element begins at or after `from`, or npos.
std::size_t FindEndTag(std::string_view html, std::string_view name, std::size_t from) {
    for (std::size_t at = html.find("</", from); at != npos; at = html.find("</", at + 2)) {
        const std::string_view candidate = html.substr(at + 2, name.size());
        const std::size_t after = at + 2 + name.size();
        if (EqualsNoCaseSjis(candidate, name) &&
            (after >= html.size() || html[after] == '>' || html[after] == '/' || IsHtmlSpace(html[after])))
            return at;
    }
    return npos;
}

// Where the tag that starts at `lt` ends (one past its ">"): the first ">" outside an
// attribute value in quotes (a quote opens a value only right after "=" and blanks); the
// end of the text when it never closes.
std::size_t TagEnd(std::string_view html, std::size_t lt) {
    char quote = 0;
    bool afterEquals = false;
    for (std::size_t i = lt + 1; i < html.size(); ++i) {
        const char c = html[i];
        if (quote) {
            if (c == quote) quote = 0;
            continue;
        }
        if (c == '>') return i + 1;
        if ((c == '"' || c == '\'') && afterEquals) {
            quote = c;
            afterEquals = false;
        } else if (c == '=') {
            afterEquals = true;
        } else if (!IsHtmlSpace(c)) {
            afterEquals = false;
        }
    }
    return html.size();
}

// The character of the reference that starts at `amp` ("&" ... ";") into `out` as
// Shift_JIS, and its length; 0 when none starts there.
std::size_t Reference(std::string_view html, std::size_t amp, std::string& out) {
    constexpr std::size_t kLongest = 10;  // "&#x10FFFF;"
    const std::size_t semicolon = html.substr(amp, kLongest + 1).find(';');
    if (semicolon == npos || semicolon < 2) return 0;
    const std::string_view name = html.substr(amp + 1, semicolon - 1);
    const std::size_t length = semicolon + 1;
    if (name[0] != '#') {
        static constexpr std::pair<std::string_view, char> kNamed[] = {
            {"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}, {"nbsp", ' '}};
        for (const auto& [n, c] : kNamed) {
            if (name == n) {
                out.assign(1, c);
                return length;
            }
        }
        return 0;
    }
    const bool hex = name.size() > 1 && (name[1] == 'x' || name[1] == 'X');
    const std::string_view digits = name.substr(hex ? 2 : 1);
    if (digits.empty()) return 0;
    std::uint32_t code = 0;
    for (char c : digits) {
        int v = -1;
        if (IsAsciiDigit(c)) v = c - '0';
        else if (hex && c >= 'a' && c <= 'f') v = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F') v = c - 'A' + 10;
        if (v < 0) return 0;
        code = code * (hex ? 16 : 10) + static_cast<std::uint32_t>(v);
        if (code > 0x10FFFF) return 0;
    }
    if (code < 0x20 || (code >= 0x7F && code <= 0xA0)) {
        out.assign(1, ' ');  // a control character or a no-break space: a blank
        return length;
    }
    out = CodePointToSjis(code);
    return length;
}

}  // namespace

std::string ShownText(std::string_view html) {
    std::string out;
    out.reserve(html.size() / 2);
    bool blankDue = false;  // white space came since the last text on this line
    const auto endLine = [&](bool evenEmpty) {
        if (evenEmpty || (!out.empty() && out.back() != '\n')) out += "\r\n";
        blankDue = false;
    };
    const auto text = [&](std::string_view t) {
        if (blankDue && !out.empty() && out.back() != '\n') out += ' ';
        blankDue = false;
        out += t;
    };
    std::string reference;
    std::size_t i = 0;
    while (i < html.size()) {
        const char c = html[i];
        if (c == '<' && i + 1 < html.size()) {
            const char next = html[i + 1];
            if (html.compare(i, 4, "<!--") == 0) {
                const std::size_t close = html.find("-->", i + 4);
                i = close == npos ? html.size() : close + 3;
                continue;
            }
            if (next == '!' || next == '?') {  // a declaration or processing instruction
                i = TagEnd(html, i);
                continue;
            }
            const bool endTag = next == '/';
            const std::size_t nameStart = i + (endTag ? 2 : 1);
            if (nameStart < html.size() && IsAsciiLetter(html[nameStart])) {
                std::size_t nameEnd = nameStart;
                while (nameEnd < html.size() && (IsAsciiLetter(html[nameEnd]) || IsAsciiDigit(html[nameEnd]) ||
                                                 html[nameEnd] == ':' || html[nameEnd] == '-' || html[nameEnd] == '_'))
                    ++nameEnd;
                std::string name;
                for (std::size_t k = nameStart; k < nameEnd; ++k) name.push_back(AsciiLower(html[k]));
                i = TagEnd(html, i);
                if (!endTag && OneOf(name, kHidden)) {
                    const std::size_t close = FindEndTag(html, name, i);
                    i = close == npos ? html.size() : TagEnd(html, close);
                } else if (name == "br") {
                    endLine(true);
                } else if (OneOf(name, kBlocks)) {
                    endLine(false);
                } else if (name == "td" || name == "th") {
                    blankDue = true;  // cells side by side
                }
                continue;
            }
        }
        if (c == '&') {
            if (const std::size_t length = Reference(html, i, reference)) {
                text(reference);
                i += length;
                continue;
            }
        }
        if (IsHtmlSpace(c)) {
            blankDue = true;
            ++i;
            continue;
        }
        // A double-byte character goes whole, so its trail byte is never read as a sign.
        const std::size_t size =
            IsSjisLeadByte(static_cast<unsigned char>(c)) && i + 1 < html.size() ? 2 : 1;
        text(html.substr(i, size));
        i += size;
    }
    return out;
}

}  // namespace html_text
