// The element and collection classes of the HTML tag model (the scanner and the
// rewriters are in html_tag_scan.cpp).

#include "core/mailstore/html_tag.h"
#include "core/mailstore/html_text_util.h"

#include <unordered_set>

int CHtmlAttrs::IsInEntryAttribute(const CHtmlAttribute& attr) const {
    for (const auto& a : *this)
        if (a == attr) return 1;
    return 0;
}

int CHtmlAttrs::IsInEntryAttrName(const std::string& name) const {
    for (const auto& a : *this)
        if (a.name == name) return 1;
    return 0;
}

int CHtmlAttrs::GetValue(const std::string& name, std::string& value) const {
    for (const auto& a : *this) {
        if (a.name == name) {
            value = a.value;
            return 1;
        }
    }
    return 0;
}

int CHtmlAttrs::SetValue(const std::string& name, const std::string& value) {
    for (auto& a : *this) {
        if (a.name == name) {
            a.value = value;
            return 1;
        }
    }
    return 0;
}

bool CHtmlElement::operator==(const CHtmlElement& other) const {
    return name == other.name && (endTag != 0) == (other.endTag != 0) &&
           static_cast<const std::vector<CHtmlAttribute>&>(attrs) ==
               static_cast<const std::vector<CHtmlAttribute>&>(other.attrs);
}

int CHtmlElement::GetTagString(std::string& text) const {
    if (name.empty()) return 0;
    for (const auto& a : attrs)
        if (a.name.empty()) return 0;
    if (endTag) {
        text = "</" + name + ">";
        return 1;
    }
    std::string s = "<" + name;
    for (const auto& a : attrs) {
        s += ' ';
        s += a.name;
        s += "=\"";
        for (char c : a.value) {
            if (c == '"')
                s += "&quot;";
            else
                s += c;
        }
        s += '"';
    }
    s += '>';
    text = std::move(s);
    return 1;
}

int CHtmlElement::IsParticalAgreement(const CHtmlElement& pattern) const {
    if (name != pattern.name) return 0;
    if (endTag) return pattern.endTag ? 1 : 0;
    for (const auto& want : pattern.attrs) {
        bool found = false;
        for (const auto& have : attrs) {
            if (have.name == want.name && html_text::EqualsNoCaseSjis(have.value, want.value)) {
                found = true;
                break;
            }
        }
        if (!found) return 0;
    }
    return 1;
}

int CHtmlElemRepPair::GetDestElem(const CHtmlElement& elem, CHtmlElement& dest) const {
    for (const auto& pair : *this) {
        if (pair.first == elem) {
            dest = pair.second;
            return 1;
        }
    }
    return 0;
}

int CArrayOfString::IsInEntryString(const std::string& text) const {
    for (const auto& s : *this)
        if (s == text) return 1;
    return 0;
}

int CHtmlElems::IsInEntryElement(const CHtmlElement& elem) const {
    for (const auto& e : *this)
        if (e == elem) return 1;
    return 0;
}

void CHtmlElems::GetElemNames(CArrayOfString& names) const {
    names.clear();
    std::unordered_set<std::string> seen;
    for (const auto& e : *this)
        if (seen.insert(e.name).second) names.push_back(e.name);
}

void CHtmlElems::GetAttrVals(const std::string& elemName, const std::string& attrName,
                             CArrayOfString& values) const {
    values.clear();
    std::unordered_set<std::string> seen;
    std::string v;
    for (const auto& e : *this) {
        if (e.name != elemName || !e.attrs.GetValue(attrName, v)) continue;
        if (seen.insert(v).second) values.push_back(v);
    }
}

int IsAllowdAsHtmlAttrName(const std::string& name) {
    for (unsigned char c : name) {
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-')) return 0;
    }
    return 1;
}

int IsAllowdAsHtmlElemName(const std::string& name) {
    for (unsigned char c : name) {
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) return 0;
    }
    return 1;
}
