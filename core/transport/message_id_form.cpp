#include "core/transport/message_id_form.h"

#include <climits>

namespace message_id {
namespace {

using std::string_view;
constexpr size_t npos = string_view::npos;

constexpr bool IsBlank(char c) { return c == ' ' || c == '\t'; }
constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string WithoutBlanks(string_view s) {
    std::string out;
    out.reserve(s.size());
    for (char c : s)
        if (!IsBlank(c)) out.push_back(c);
    return out;
}

bool AllDigits(string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (!IsDigit(c)) return false;
    return true;
}

}  // namespace

bool CutDown(string_view value, std::string& id) {
    while (!value.empty() && IsBlank(value.front())) value.remove_prefix(1);
    while (!value.empty() && IsBlank(value.back())) value.remove_suffix(1);
    if (value.empty()) return false;
    const size_t lt = value.find('<');
    const size_t gt = value.rfind('>');
    std::string found;
    if (lt != npos && gt != npos) {
        if (gt < lt) return false;
        found.assign(value.substr(lt + 1, gt - lt - 1));
    } else if (gt != npos) {
        found = WithoutBlanks(value.substr(0, gt));
    } else if (lt != npos) {
        found = WithoutBlanks(value.substr(lt + 1));
    } else {
        found = WithoutBlanks(value);
    }
    if (found.empty()) return false;
    id = std::move(found);
    return true;
}

bool LooksLikeId(string_view id) {
    const size_t at = id.rfind('@');
    if (at == npos || at == 0 || at + 1 == id.size()) return false;
    for (char c : id) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u >= 0x7F || c == '<' || c == '>') return false;
    }
    return true;
}

int SentMailId(string_view id) {
    const size_t dot1 = id.find('.');
    if (dot1 == npos || !AllDigits(id.substr(0, dot1))) return -1;
    const size_t dot2 = id.find('.', dot1 + 1);
    if (dot2 == npos || !AllDigits(id.substr(dot1 + 1, dot2 - dot1 - 1))) return -1;
    const size_t at = id.find('@', dot2 + 1);
    if (at == npos || at + 1 == id.size()) return -1;
    string_view mail = id.substr(dot2 + 1, at - dot2 - 1);
    mail = mail.substr(0, mail.find('.'));
    if (!AllDigits(mail)) return -1;
    long long value = 0;
    for (char c : mail) {
        value = value * 10 + (c - '0');
        if (value > INT_MAX) return -1;
    }
    return static_cast<int>(value);
}

void Choice::OfferId(string_view id, bool fallback) {
    if (!own_.empty() || !LooksLikeId(id)) return;
    if (IsOurs(id))
        own_.assign(id);
    else if (fallback && fallback_.empty())
        fallback_.assign(id);
}

void Choice::OfferValue(string_view value, bool fallback) {
    if (!own_.empty()) return;
    std::string id;
    if (CutDown(value, id)) OfferId(id, fallback);
}

}  // namespace message_id
