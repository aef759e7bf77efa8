#include "core/mailstore/html_shown_text.h"

#include <utility>

#include "core/foundation/cp932.h"
#include "core/foundation/sjis_bytes.h"
#include "core/mailstore/html_references.h"
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
constexpr std::string_view kHidden[] = {"script", "style", "template", "title", "xml"};

// Elements without content: hiding one hides nothing after it.
constexpr std::string_view kVoid[] = {"area", "base", "br",   "col",   "embed",  "hr",  "img",
                                      "input", "link", "meta", "param", "source", "track", "wbr"};

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

// A start or end tag at `lt`: its name in lower case, where the name ends and where the
// tag ends. False when no tag starts there.
struct Tag {
    std::string name;
    bool end = false;
    std::size_t nameEnd = 0;
    std::size_t tagEnd = 0;
};

bool ReadTag(std::string_view html, std::size_t lt, Tag& tag) {
    if (lt + 1 >= html.size() || html[lt] != '<') return false;
    tag.end = html[lt + 1] == '/';
    const std::size_t nameStart = lt + (tag.end ? 2 : 1);
    if (nameStart >= html.size() || !IsAsciiLetter(html[nameStart])) return false;
    std::size_t nameEnd = nameStart;
    while (nameEnd < html.size() && (IsAsciiLetter(html[nameEnd]) || IsAsciiDigit(html[nameEnd]) ||
                                     html[nameEnd] == ':' || html[nameEnd] == '-' || html[nameEnd] == '_'))
        ++nameEnd;
    tag.name.clear();
    for (std::size_t k = nameStart; k < nameEnd; ++k) tag.name.push_back(AsciiLower(html[k]));
    tag.nameEnd = nameEnd;
    tag.tagEnd = TagEnd(html, lt);
    return true;
}

// Whether a style value sets "display: none" (blanks, case and "!important" aside).
bool StyleHides(std::string_view style) {
    std::string tight;
    for (char c : style)
        if (!IsHtmlSpace(c)) tight.push_back(AsciiLower(c));
    static constexpr std::string_view kNone = "display:none";
    for (std::size_t at = tight.find(kNone); at != std::string::npos; at = tight.find(kNone, at + 1)) {
        const std::size_t after = at + kNone.size();
        if ((at == 0 || tight[at - 1] == ';') && (after == tight.size() || tight[after] == ';' || tight[after] == '!'))
            return true;
    }
    return false;
}

// Whether the attributes of a start tag (between its name and its end) hide the element.
bool AttributesHide(std::string_view html, std::size_t from, std::size_t end) {
    if (end > 0 && html[end - 1] == '>') --end;
    std::size_t i = from;
    while (i < end) {
        while (i < end && (IsHtmlSpace(html[i]) || html[i] == '/')) ++i;
        if (i >= end) break;
        // A name runs to white space, "/" or "="; an "=" can only be its first character.
        const std::size_t nameStart = i++;
        while (i < end && !IsHtmlSpace(html[i]) && html[i] != '/' && html[i] != '=') ++i;
        std::string name;
        for (std::size_t k = nameStart; k < i; ++k) name.push_back(AsciiLower(html[k]));
        while (i < end && IsHtmlSpace(html[i])) ++i;
        std::string_view value;
        if (i < end && html[i] == '=') {
            ++i;
            while (i < end && IsHtmlSpace(html[i])) ++i;
            if (i < end && (html[i] == '"' || html[i] == '\'')) {
                const char quote = html[i++];
                const std::size_t close = html.substr(0, end).find(quote, i);
                const std::size_t stop = close == npos ? end : close;
                value = html.substr(i, stop - i);
                i = stop == end ? end : stop + 1;
            } else {
                const std::size_t start = i;
                while (i < end && !IsHtmlSpace(html[i])) ++i;
                value = html.substr(start, i - start);
            }
        }
        if (name == "hidden" || (name == "style" && StyleHides(value))) return true;
    }
    return false;
}

// Where the reading goes on after an element `name` whose start tag ends at `from` and
// which is hidden: after its matching end tag (elements of its name inside it counted),
// or, for a <p>, also where the next block begins (which closes it); the end of the text
// when it never ends. Comments and the elements of kHidden inside it are passed over
// whole, so that a "</div>" in a script does not end it.
std::size_t AfterHidden(std::string_view html, const std::string& name, std::size_t from) {
    int depth = 1;
    Tag tag;
    for (std::size_t at = html.find('<', from); at != npos; at = html.find('<', at + 1)) {
        if (html.compare(at, 4, "<!--") == 0) {
            const std::size_t close = html.find("-->", at + 4);
            if (close == npos) return html.size();
            at = close + 2;
            continue;
        }
        if (!ReadTag(html, at, tag)) continue;
        if (name == "p" && tag.name != "p" && OneOf(tag.name, kBlocks)) return at;
        if (tag.name == name) {
            if (tag.end && --depth == 0) return tag.tagEnd;
            if (!tag.end && name == "p") return at;
            if (!tag.end) ++depth;
        } else if (!tag.end && OneOf(tag.name, kHidden)) {
            const std::size_t close = FindEndTag(html, tag.name, tag.tagEnd);
            if (close == npos) return html.size();
            at = close;
            continue;
        }
        at = tag.tagEnd - 1;
    }
    return html.size();
}

// Quotation marks a line gets at most: hostile nesting must not make a short line long.
constexpr int kMostQuoteMarks = 8;

// Characters that take no room on the screen.
constexpr bool IsInvisible(char32_t c) {
    return c == 0xAD || (c >= 0x200B && c <= 0x200D) || c == 0x2060 || c == 0xFEFF;
}

bool NamedIn(std::string_view name, std::span<const std::string_view> names) {
    for (std::string_view n : names)
        if (EqualsNoCaseSjis(name, n)) return true;
    return false;
}

}  // namespace

std::string ShownText(std::string_view html, std::span<const std::string_view> tagsAsText) {
    std::string out;
    out.reserve(html.size() / 2);
    bool blankDue = false;  // white space came since the last text on this line
    int quoteDepth = 0;     // blockquotes open around the text
    const auto atLineStart = [&] { return out.empty() || out.back() == '\n'; };
    const auto endLine = [&](bool evenEmpty) {
        if (evenEmpty || !atLineStart()) out += "\r\n";
        blankDue = false;
    };
    const auto text = [&](std::string_view t) {
        if (atLineStart()) {
            for (int k = 0; k < quoteDepth && k < kMostQuoteMarks; ++k) out += "> ";
        } else if (blankDue) {
            out += ' ';
        }
        blankDue = false;
        out += t;
    };
    Tag tag;
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
            if (ReadTag(html, i, tag)) {
                const std::size_t lt = i;
                i = tag.tagEnd;
                if (NamedIn(tag.name, tagsAsText)) {
                    text(html.substr(lt, tag.tagEnd - lt));
                } else if (!tag.end && OneOf(tag.name, kHidden)) {
                    const std::size_t close = FindEndTag(html, tag.name, i);
                    i = close == npos ? html.size() : TagEnd(html, close);
                } else if (!tag.end && !OneOf(tag.name, kVoid) && AttributesHide(html, tag.nameEnd, tag.tagEnd)) {
                    i = AfterHidden(html, tag.name, i);
                } else if (tag.name == "br") {
                    endLine(true);
                } else if (OneOf(tag.name, kBlocks)) {
                    endLine(false);
                    if (tag.name == "blockquote" && !tag.end) ++quoteDepth;
                    if (tag.name == "blockquote" && tag.end && quoteDepth > 0) --quoteDepth;
                } else if (tag.name == "td" || tag.name == "th") {
                    blankDue = true;  // cells side by side
                }
                continue;
            }
        }
        if (c == '&') {
            const Reference r = ReadReference(html, i);
            if (r.length > 0) {
                i += r.length;
                for (int k = 0; k < r.count; ++k) {
                    const char32_t u = r.points[k];
                    if (u == 0xA0) text(" ");
                    else if (u < 0x20 || (u >= 0x7F && u < 0xA0)) blankDue = true;
                    else if (!IsInvisible(u)) text(CodePointToSjis(u));
                }
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
