#include "app/compose/mobile_html_tags.h"

#include "core/foundation/string_utils.h"

namespace compose {

namespace {

using Rule = MobileTagRule;

bool EqualNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && LowerAsciiSjis(a) == LowerAsciiSjis(b);
}

// Whether `value` passes the one comparison rule the row carries (the first of contains,
// equals, begins with, range, pattern); false also for a row that carries none.
bool ValueMatches(const Rule& rule, std::string_view value) {
    const bool fold = (rule.flags & Rule::kIgnoreCase) != 0;
    const std::string v = fold ? LowerAsciiSjis(value) : std::string(value);
    const std::string ref = fold ? LowerAsciiSjis(rule.value) : rule.value;
    if (rule.flags & Rule::kContains) return FindSjis(v, ref) != std::string::npos;
    if (rule.flags & Rule::kEquals) return v == ref;
    if (rule.flags & Rule::kBeginsWith) return v.compare(0, ref.size(), ref) == 0;
    if (rule.flags & Rule::kRange) {
        const std::string text = LowerAsciiSjis(value);
        return LowerAsciiSjis(rule.lower) <= text && text <= LowerAsciiSjis(rule.upper);
    }
    if (rule.flags & Rule::kPattern) {
        if (v.size() != ref.size()) return false;
        for (std::size_t i = 0; i < ref.size(); ++i) {
            if (ref[i] == '?') {
                if (rule.allowed.find(v[i]) == std::string::npos) return false;
            } else if (ref[i] != v[i]) {
                return false;
            }
        }
        return true;
    }
    return false;
}

constexpr int kComparisons = Rule::kContains | Rule::kEquals | Rule::kBeginsWith | Rule::kRange | Rule::kPattern;

Rule TagOnly(const char* tag) { return Rule{tag, "", "", "", "", "", Rule::kTagOnly, 0}; }
Rule AnyValue(const char* tag, const char* attr, int maxLength) {
    return Rule{tag, attr, "", "", "", "", Rule::kAnyValue | Rule::kMaxLength, maxLength};
}
Rule EqualsAnyCase(const char* tag, const char* attr, const char* value) {
    return Rule{tag, attr, value, "", "", "", Rule::kEquals | Rule::kIgnoreCase, 0};
}
Rule BeginsWith(const char* tag, const char* attr, const char* value, bool anyCase, int maxLength) {
    return Rule{tag, attr, value, "", "", "",
                Rule::kBeginsWith | Rule::kMaxLength | (anyCase ? Rule::kIgnoreCase : 0), maxLength};
}
Rule Range(const char* tag, const char* attr, const char* lower, const char* upper) {
    return Rule{tag, attr, "", lower, upper, "", Rule::kRange, 0};
}
// "#" and six hexadecimal digits, in any case.
Rule Colour(const char* tag, const char* attr) {
    return Rule{tag, attr, "#??????", "", "", "0123456789abcdef", Rule::kPattern | Rule::kIgnoreCase, 0};
}

}  // namespace

bool IsTagAllowed(std::string_view tag, std::string_view attribute, std::string_view value,
                  const MobileTagRuleTable& table) {
    bool tagSeen = false;
    for (const Rule& rule : table) {
        if (!EqualNoCase(rule.tag, tag)) continue;
        if (!tagSeen) {
            tagSeen = true;
            if (attribute.empty()) return value.empty();
        }
        if (!EqualNoCase(rule.attribute, attribute)) continue;
        bool matched = false;
        if (rule.flags & Rule::kAnyValue) {
            matched = true;
        } else if (rule.flags & Rule::kTagOnly) {
            continue;
        } else if ((rule.flags & kComparisons) == 0) {
            return false;
        } else {
            matched = ValueMatches(rule, value);
        }
        if (!matched) continue;
        if (rule.flags & Rule::kExactLength) return value.size() == static_cast<std::size_t>(rule.length);
        if (rule.flags & Rule::kMaxLength) return value.size() <= static_cast<std::size_t>(rule.length);
        return true;
    }
    return false;
}

void MobileTagRuleTables::BuildMobileTagRules() {
    docomo = {
        TagOnly("BLINK"),
        AnyValue("BODY", "bgcolor", 256),
        EqualsAnyCase("DIV", "align", "left"),
        EqualsAnyCase("DIV", "align", "center"),
        EqualsAnyCase("DIV", "align", "right"),
        AnyValue("FONT", "color", 256),
        Range("FONT", "size", "1", "7"),
        TagOnly("HEAD"),
        AnyValue("HR", "color", 256),
        TagOnly("HTML"),
        BeginsWith("IMG", "src", "cid:", true, 256),
        EqualsAnyCase("MARQUEE", "behavior", "scroll"),
        EqualsAnyCase("MARQUEE", "behavior", "alternate"),
        EqualsAnyCase("META", "http-equiv", "Content-Type"),
        EqualsAnyCase("META", "content", "text/html; charset=Shift_JIS"),
        TagOnly("BR"),
        AnyValue("A", "href", 256),
    };
    au = {
        TagOnly("BLINK"),
        Colour("BODY", "bgcolor"),
        TagOnly("BR"),
        EqualsAnyCase("DIV", "align", "left"),
        EqualsAnyCase("DIV", "align", "center"),
        EqualsAnyCase("DIV", "align", "right"),
        Colour("FONT", "color"),
        Range("FONT", "size", "1", "7"),
        TagOnly("HEAD"),
        Colour("HR", "color"),
        TagOnly("HTML"),
        BeginsWith("IMG", "src", "cid:", false, 256),
        EqualsAnyCase("MARQUEE", "behavior", "scroll"),
        EqualsAnyCase("MARQUEE", "behavior", "alternate"),
        EqualsAnyCase("META", "http-equiv", "Content-Type"),
        EqualsAnyCase("META", "content", "text/html; charset=Shift_JIS"),
        AnyValue("A", "href", 256),
    };
    softbank = {
        TagOnly("BLINK"),
        Colour("BODY", "bgcolor"),
        BeginsWith("BODY", "background", "cid:", false, 256),
        TagOnly("BR"),
        EqualsAnyCase("DIV", "align", "left"),
        EqualsAnyCase("DIV", "align", "center"),
        EqualsAnyCase("DIV", "align", "right"),
        Colour("FONT", "color"),
        Range("FONT", "size", "1", "7"),
        TagOnly("HEAD"),
        Colour("HR", "color"),
        TagOnly("HTML"),
        BeginsWith("IMG", "src", "cid:", false, 256),
        EqualsAnyCase("MARQUEE", "behavior", "scroll"),
        EqualsAnyCase("MARQUEE", "behavior", "alternate"),
        EqualsAnyCase("META", "http-equiv", "Content-Type"),
        EqualsAnyCase("META", "content", "text/html; charset=Shift_JIS"),
        BeginsWith("bgsound", "src", "cid:", false, 256),
        BeginsWith("object", "data", "cid:", false, 256),
        AnyValue("object", "type", 256),
    };
}

const MobileTagRuleTable* MobileTagRuleTables::TableFor(int kind) const {
    switch (kind) {
        case kDocomo: return &docomo;
        case kAu: return &au;
        case kSoftbank: return &softbank;
        default: return nullptr;
    }
}

bool MobileTagRuleTables::CollectDisallowedTags(int kind, const std::string& html, CHtmlElems& result) const {
    result.clear();
    static const MobileTagRuleTable kNone;
    const MobileTagRuleTable* found = TableFor(kind);
    const MobileTagRuleTable& table = found != nullptr ? *found : kNone;
    CHtmlElems elems;
    ExtractHtmlElement(html, elems, 0);
    for (const CHtmlElement& elem : elems) {
        if (elem.endTag != 0) continue;
        bool allowed = true;
        if (elem.attrs.empty()) {
            allowed = IsTagAllowed(elem.name, "", "", table);
        } else {
            for (const CHtmlAttribute& attr : elem.attrs) {
                if (!IsTagAllowed(elem.name, attr.name, attr.value, table)) {
                    allowed = false;
                    break;
                }
            }
        }
        if (!allowed) result.push_back(elem);
    }
    return result.empty();
}

const MobileTagRuleTables& MobileTagRuleTables::Shared() {
    static const MobileTagRuleTables tables;
    return tables;
}

}  // namespace compose
