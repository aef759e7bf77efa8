#include "app/addressui/search_filter.h"

#include <mutex>
#include <utility>

#include "core/addressbook/database_edit.h"
#include "core/addressbook/extract_matchers.h"
#include "core/foundation/date_utils.h"
#include "core/foundation/string_utils.h"
#include "platform/named_mutex.h"

namespace addressui {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string TrimBlanks(std::string_view text) {
    std::size_t b = 0, e = text.size();
    while (b < e && IsBlank(text[b])) ++b;
    while (e > b && IsBlank(text[e - 1])) --e;
    return std::string(text.substr(b, e - b));
}

}  // namespace

std::vector<std::string> SplitSearchValues(std::string_view text) {
    std::vector<std::string> values;
    if (!text.empty()) SplitString(text, values, ",", '"');
    return values;
}

int SearchFieldKind(CDatabaseEdit& book, int element) {
    if (element < 0 || element > 55) return -1;
    std::string mask(56, '0');
    mask[static_cast<std::size_t>(element)] = '1';
    std::vector<DB_Element_Info> info;
    if (book.Get_DBElementInfo(info, mask) != 0 || info.size() != 1) return -1;
    const int kind = info.front().dataType;
    return kind >= 0 && kind <= 2 ? kind : -1;
}

bool IsSignedInteger(std::string_view text) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    if (i == text.size()) return false;
    for (; i < text.size(); ++i)
        if (text[i] < '0' || text[i] > '9') return false;
    return true;
}

void OrderSearchBounds(int kind, std::string& lower, std::string& upper) {
    if (lower.empty() || upper.empty()) return;
    switch (kind) {
        case 0:
            if (CompareSjisChars(lower, upper, false) > 0) std::swap(lower, upper);
            break;
        case 1:
            lower = TrimBlanks(lower);
            if (IsSignedInteger(lower) && IsSignedInteger(upper) && ExtractAtoi(upper) < ExtractAtoi(lower))
                std::swap(lower, upper);
            break;
        case 2: {
            char start[kDateTextBufferSize], end[kDateTextBufferSize];
            if (ReFormat_DateData(lower, start, 0) >= 1 && ReFormat_DateData(upper, end, 1) >= 1 &&
                std::string_view(start) > std::string_view(end))
                std::swap(lower, upper);
            break;
        }
        default:
            break;
    }
}

void FilterSearchHits(CDatabaseEdit& book, const OneExtractCondition& condition, std::vector<int>& ids) {
    const int element = condition.element;
    if (element < 0 || element > 55) return;
    if (condition.kind != "E" && condition.kind != "R") return;
    const int kind = SearchFieldKind(book, element);
    if (kind < 0) return;
    const ExtractMatcher matcher(kind, condition.kind == "E", condition.values, condition.equalFlag, condition.lower,
                                 condition.upper, condition.rangeFlag, element == 1);

    // One hold of the book's lock for the pass: rows cannot move under it.
    platform::NamedMutex bookMutex(CDatabaseEdit::kMutexName);
    std::lock_guard<platform::NamedMutex> lock(bookMutex);
    std::string text;
    std::size_t kept = 0;
    for (const int id : ids) {
        const int row = book.DBID2RowNumber(id);
        if (row < 0 || book.GetAtElement(row, element, text) != 0) continue;
        if (matcher.Keeps(text)) ids[kept++] = id;
    }
    ids.resize(kept);
}

std::vector<int> RunSearch(CDatabaseEdit& book, const OneExtractCondition& condition) {
    std::vector<int> ids;
    book.GetDBIDWithoutDelete(ids);
    FilterSearchHits(book, condition, ids);
    return ids;
}

}  // namespace addressui
