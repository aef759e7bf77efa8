// Matchers of the extraction conditions.
#include "core/addressbook/extract_matchers.h"

#include <climits>
#include <cstring>

#include "core/foundation/date_utils.h"
#include "core/foundation/sjis_bytes.h"
#include "core/foundation/string_utils.h"

namespace {

int Apply(bool hit, std::string_view flag) { return (IsKeepHitsFlag(flag) ? hit : !hit) ? 1 : 0; }

// The completed date text (19 characters, fixed width, so texts order as dates do).
void Complete(std::string_view text, int mode, char (&out)[kDateTextBufferSize]) {
    ReFormat_DateData(text, out, mode);
}

// The needle occurs in the haystack starting on a character boundary. Texts of plain
// ASCII (mail addresses, numbers) take the library's search.
bool ContainsSjis(std::string_view haystack, std::string_view needle) {
    if (AsciiRunLength(reinterpret_cast<const unsigned char*>(haystack.data()), haystack.size()) == haystack.size())
        return haystack.find(needle) != std::string_view::npos;
    return FindSjis(haystack, needle, false) != std::string_view::npos;
}

bool IsAsciiSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// One character of a Shift_JIS text at `i`: its value and its length.
unsigned CharAt(std::string_view s, std::size_t i, bool ignoreCase, std::size_t& length) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (IsSjisLeadByte(c) && i + 1 < s.size()) {
        length = 2;
        return (static_cast<unsigned>(c) << 8) | static_cast<unsigned char>(s[i + 1]);
    }
    length = 1;
    if (ignoreCase && c >= 'A' && c <= 'Z') return c - 'A' + 'a';
    return c;
}

}  // namespace

int ExtractAtoi(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsAsciiSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long v = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        v = v * 10 + (text[i] - '0');
        if (v > static_cast<long long>(INT_MAX) + 1) break;  // clamped below
    }
    if (negative) v = -v;
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return static_cast<int>(v);
}

int CompareSjisChars(std::string_view a, std::string_view b, bool ignoreCase) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        std::size_t la = 0, lb = 0;
        const unsigned ca = CharAt(a, i, ignoreCase, la);
        const unsigned cb = CharAt(b, j, ignoreCase, lb);
        if (ca != cb) return ca < cb ? -1 : 1;
        i += la;
        j += lb;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return 0;
}

int Check_Equal_String(std::string_view element, std::string_view value, std::string_view flag,
                       bool ignoreCase) {
    bool hit;
    if (value.empty()) hit = element.empty();
    else hit = !element.empty() && FindSjis(element, value, ignoreCase) != std::string_view::npos;
    return Apply(hit, flag);
}

int Check_Equal_Number(std::string_view element, std::string_view value, std::string_view flag) {
    bool hit;
    if (value.empty()) hit = element.empty();
    else hit = !element.empty() && ExtractAtoi(element) == ExtractAtoi(value);
    return Apply(hit, flag);
}

int Check_Equal_Date(std::string_view element, std::string_view value, std::string_view flag) {
    bool hit;
    if (value.empty()) {
        hit = element.empty();
    } else if (element.empty()) {
        hit = false;
    } else {
        char completed[kDateTextBufferSize];
        Complete(element, 0, completed);
        hit = std::string_view(completed).find(value) != std::string_view::npos;
    }
    return Apply(hit, flag);
}

int Check_Renge_String(std::string_view element, std::string_view lower, std::string_view upper,
                       std::string_view flag, bool ignoreCase) {
    if (element.empty()) return 0;
    const bool hit = (lower.empty() || CompareSjisChars(element, lower, ignoreCase) >= 0) &&
                     (upper.empty() || CompareSjisChars(element, upper, ignoreCase) <= 0);
    return Apply(hit, flag);
}

int Check_Renge_Number(std::string_view element, std::string_view lower, std::string_view upper,
                       std::string_view flag) {
    if (element.empty()) return 0;
    const int d = ExtractAtoi(element);
    const bool hit = (lower.empty() || d >= ExtractAtoi(lower)) && (upper.empty() || d <= ExtractAtoi(upper));
    return Apply(hit, flag);
}

int Check_Renge_Date(std::string_view element, std::string_view lower, std::string_view upper,
                     std::string_view flag) {
    if (element.empty()) return 0;
    char d[kDateTextBufferSize], lo[kDateTextBufferSize], hi[kDateTextBufferSize];
    Complete(element, 0, d);
    Complete(lower, 0, lo);
    Complete(upper, 1, hi);
    const bool hit = std::strcmp(d, lo) >= 0 && std::strcmp(d, hi) <= 0;
    return Apply(hit, flag);
}

// ---- ExtractMatcher ---------------------------------------------------------------------------

ExtractMatcher::ExtractMatcher(int dataType, bool equal, std::vector<std::string> values, std::string_view equalFlag,
                               std::string_view lower, std::string_view upper, std::string_view rangeFlag,
                               bool ignoreCase)
    : type_(dataType),
      equal_(equal),
      keepHits_(IsKeepHitsFlag(equal ? equalFlag : rangeFlag)),
      ignoreCase_(ignoreCase && dataType == 0),
      values_(std::move(values)),
      hasLower_(!lower.empty()),
      hasUpper_(!upper.empty()) {
    if (ignoreCase_) {
        for (std::string& v : values_) {
            std::string f;
            LowerAsciiSjisInto(v, f);
            v.swap(f);
        }
    }
    for (const std::string& v : values_) numbers_.push_back(ExtractAtoi(v));
    if (type_ == 2) {
        char lo[kDateTextBufferSize], hi[kDateTextBufferSize];
        Complete(lower, 0, lo);
        Complete(upper, 1, hi);
        lower_ = lo;
        upper_ = hi;
    } else if (ignoreCase_) {
        LowerAsciiSjisInto(lower, lower_);
        LowerAsciiSjisInto(upper, upper_);
    } else {
        lower_ = lower;
        upper_ = upper;
    }
    lowerNumber_ = ExtractAtoi(lower);
    upperNumber_ = ExtractAtoi(upper);
}

bool ExtractMatcher::Hit(std::string_view element, std::size_t k) const {
    const std::string& value = values_[k];
    if (value.empty()) return element.empty();
    if (element.empty()) return false;
    switch (type_) {
        case 0:
            if (!ignoreCase_) return ContainsSjis(element, value);
            LowerAsciiSjisInto(element, folded_);
            return ContainsSjis(folded_, value);
        case 1:
            return ExtractAtoi(element) == numbers_[k];
        default: {
            char completed[kDateTextBufferSize];
            Complete(element, 0, completed);
            return std::string_view(completed).find(value) != std::string_view::npos;
        }
    }
}

bool ExtractMatcher::Keeps(std::string_view element) const {
    if (type_ < 0 || type_ > 2) return false;
    if (equal_) {
        for (std::size_t k = 0; k < values_.size(); ++k)
            if (Hit(element, k)) return keepHits_;
        return !keepHits_;
    }
    if (element.empty()) return false;
    bool hit;
    switch (type_) {
        case 0:
            if (ignoreCase_) LowerAsciiSjisInto(element, folded_);
            hit = (!hasLower_ || CompareSjisChars(ignoreCase_ ? folded_ : element, lower_, false) >= 0) &&
                  (!hasUpper_ || CompareSjisChars(ignoreCase_ ? folded_ : element, upper_, false) <= 0);
            break;
        case 1: {
            const int d = ExtractAtoi(element);
            hit = (!hasLower_ || d >= lowerNumber_) && (!hasUpper_ || d <= upperNumber_);
            break;
        }
        default: {
            char d[kDateTextBufferSize];
            Complete(element, 0, d);
            hit = std::strcmp(d, lower_.c_str()) >= 0 && std::strcmp(d, upper_.c_str()) <= 0;
            break;
        }
    }
    return hit == keepHits_;
}
