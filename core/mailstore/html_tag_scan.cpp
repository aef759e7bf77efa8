// The tag scanner, the one-tag parser and the rewriters of the HTML tag model.

#include "core/foundation/string_utils.h"
#include "core/mailstore/html_tag.h"
#include "core/mailstore/html_text_util.h"

#include <string_view>
#include <unordered_set>

using html_text::IsHtmlSpace;

namespace {

using text_search::npos;

// Byte range [begin, end) inside one tag's text.
struct Span {
    std::size_t begin;
    std::size_t end;
};

std::size_t SkipSpace(std::string_view t, std::size_t p, std::size_t end) {
    while (p < end && IsHtmlSpace(t[p])) ++p;
    return p;
}

std::size_t FindSpace(std::string_view t, std::size_t p, std::size_t end) {
    while (p < end && !IsHtmlSpace(t[p])) ++p;
    return p == end ? npos : p;
}

// Parses one tag's text. On success fills `elem` and, when asked, the span of each
// attribute's value token (quotes included) in attribute order.
bool ParseTag(std::string_view t, CHtmlElement& elem, std::vector<Span>* valueSpans) {
    std::size_t b = SkipSpace(t, 0, t.size());
    std::size_t e = t.size();
    while (e > b && IsHtmlSpace(t[e - 1])) --e;
    if (b == e || t[b] == '!') return false;

    CHtmlElement result;
    if (t[b] == '/') {
        result.endTag = 1;
        b = SkipSpace(t, b + 1, e);
        if (b == e) return false;
    }

    std::size_t sep = FindSpace(t, b, e);
    result.name = LowerAsciiSjis(t.substr(b, (sep == npos ? e : sep) - b));
    if (!IsAllowdAsHtmlAttrName(result.name)) return false;
    std::vector<Span> spans;
    if (sep != npos) {
        std::size_t p = SkipSpace(t, sep, e);
        for (;;) {
            std::size_t eq = t.find('=', p);
            if (eq == npos || eq >= e) {
                // Words after the last pair are ignored; a tag of words only fails.
                if (result.attrs.empty()) return false;
                break;
            }
            if (eq == p) return false;
            std::size_t nameEnd = eq;
            while (nameEnd > p && IsHtmlSpace(t[nameEnd - 1])) --nameEnd;
            std::string attrName = LowerAsciiSjis(t.substr(p, nameEnd - p));
            if (!IsAllowdAsHtmlAttrName(attrName) || eq + 1 >= e) return false;

            p = SkipSpace(t, eq + 1, e);
            Span token{p, e};
            bool last = false;
            char q = t[p];
            if (q == '"' || q == '\'') {
                std::size_t close = t.find(q, p + 1);
                if (close == npos || close >= e) return false;
                if (close == e - 1) {
                    last = true;
                } else {
                    if (!IsHtmlSpace(t[close + 1])) return false;
                    token.end = close + 1;
                }
            } else {
                std::size_t s = FindSpace(t, p, e);
                if (s == npos)
                    last = true;
                else
                    token.end = s;
            }

            std::string_view v = t.substr(token.begin, token.end - token.begin);
            while (!v.empty() && v.front() == '"') v.remove_prefix(1);
            while (!v.empty() && v.back() == '"') v.remove_suffix(1);
            while (!v.empty() && v.front() == '\'') v.remove_prefix(1);
            while (!v.empty() && v.back() == '\'') v.remove_suffix(1);
            result.attrs.emplace_back(std::move(attrName), std::string(v));
            spans.push_back(token);
            if (last) break;
            p = SkipSpace(t, token.end, e);
        }
    }
    elem = std::move(result);
    if (valueSpans) *valueSpans = std::move(spans);
    return true;
}

// Calls onTag(lt, gt, elem, spans) for every tag of `html` that parses, in text order;
// lt and gt are the positions of its "<" and ">", spans are relative to lt + 1.
template <typename OnTag>
void ScanTags(std::string_view html, bool wantSpans, OnTag onTag) {
    std::size_t pos = 0;
    std::size_t gt = npos;  // the last ">" found; reused while the scan stays before it
    CHtmlElement elem;
    std::vector<Span> spans;
    for (;;) {
        std::size_t lt = html.find('<', pos);
        if (lt == npos) return;
        std::size_t start = lt + 1;
        if (start >= html.size()) return;
        if (gt == npos || gt < start) {
            gt = html.find('>', start);
            if (gt == npos) return;
        }
        if (gt == start) {
            pos = gt + 1;
            continue;
        }
        std::size_t inner = html.substr(0, gt).find('<', start);
        if (inner != npos) {
            pos = inner;
            continue;
        }
        if (ParseTag(html.substr(start, gt - start), elem, wantSpans ? &spans : nullptr))
            onTag(lt, gt, elem, spans);
        pos = gt + 1;
    }
}

// Length-prefixed key of an element, for duplicate detection.
std::string ElementKey(const CHtmlElement& e) {
    std::string k;
    auto add = [&k](const std::string& s) {
        k += std::to_string(s.size());
        k += ':';
        k += s;
    };
    k += e.endTag ? '/' : '<';
    add(e.name);
    for (const auto& a : e.attrs) {
        add(a.name);
        add(a.value);
    }
    return k;
}

bool SafeUnquoted(const std::string& v) {
    if (v.empty()) return false;
    for (char c : v) {
        if (IsHtmlSpace(c) || c == '"' || c == '\'' || c == '<' || c == '>' || c == '=' || c == '`')
            return false;
    }
    return true;
}

// The value token that replaces an old one: the old quoting when the new value allows it,
// else double quotes with any double quote in the value written as &quot;.
std::string ValueToken(std::string_view oldToken, const std::string& value) {
    char q = oldToken.empty() ? 0 : oldToken.front();
    if (q == '\'' && value.find('\'') == std::string::npos) return "'" + value + "'";
    if (q != '"' && q != '\'' && SafeUnquoted(value)) return value;
    std::string s = "\"";
    for (char c : value) {
        if (c == '"')
            s += "&quot;";
        else
            s += c;
    }
    s += '"';
    return s;
}

}  // namespace

int ExpandHtmlElement(const std::string& tagText, CHtmlElement& elem) {
    return ParseTag(tagText, elem, nullptr) ? 1 : 0;
}

void ExtractHtmlElement(const std::string& html, CHtmlElems& elems, int all) {
    elems.clear();
    std::unordered_set<std::string> seen;
    ScanTags(html, false, [&](std::size_t, std::size_t, const CHtmlElement& e, const std::vector<Span>&) {
        if (!all && !seen.insert(ElementKey(e)).second) return;
        elems.push_back(e);
    });
}

int ReplaceHtmlElement(const std::string& html, const CHtmlElemRepPair& pairs, std::string& out) {
    std::string result;
    result.reserve(html.size());
    std::size_t copied = 0;
    int count = 0;
    CHtmlElement dest;
    std::string tag;
    ScanTags(html, false, [&](std::size_t lt, std::size_t gt, const CHtmlElement& e, const std::vector<Span>&) {
        if (!pairs.GetDestElem(e, dest) || !dest.GetTagString(tag)) return;
        result.append(html, copied, lt - copied);
        result += tag;
        copied = gt + 1;
        ++count;
    });
    result.append(html, copied, std::string::npos);
    out = std::move(result);
    return count;
}

int ReplaceHtmlAttrVal(const std::string& html, const std::string& elemName,
                       const CHtmlAttribute& attr, const std::string& newValue, std::string& out) {
    if (html.empty()) return 0;
    CHtmlElement pattern;
    pattern.name = LowerAsciiSjis(elemName);
    pattern.attrs.emplace_back(LowerAsciiSjis(attr.name), attr.value);

    std::string result;
    result.reserve(html.size());
    std::size_t copied = 0;
    int count = 0;
    ScanTags(html, true, [&](std::size_t lt, std::size_t, const CHtmlElement& e, const std::vector<Span>& spans) {
        if (!e.IsParticalAgreement(pattern)) return;
        for (std::size_t i = 0; i < e.attrs.size(); ++i) {
            if (e.attrs[i].name != pattern.attrs[0].name) continue;
            std::size_t begin = lt + 1 + spans[i].begin;
            std::size_t end = lt + 1 + spans[i].end;
            result.append(html, copied, begin - copied);
            result += ValueToken(std::string_view(html).substr(begin, end - begin), newValue);
            copied = end;
            ++count;
            break;
        }
    });
    result.append(html, copied, std::string::npos);
    out = std::move(result);
    return count;
}

int ReplaceHtmlAttrVal(const std::string& html, const std::string& elemName,
                       const std::string& attrName, const std::string& attrValue,
                       const std::string& newValue, std::string& out) {
    return ReplaceHtmlAttrVal(html, elemName, CHtmlAttribute(attrName, attrValue), newValue, out);
}
