// CDatabaseEdit: the read side (element access, ID lists, distinct values, search), the
// sort by customer ID and the merge of a second store.
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string_view>
#include <unordered_set>

#include "core/addressbook/database_edit.h"
#include "core/foundation/sjis_bytes.h"
#include "core/foundation/string_utils.h"

namespace {

bool BadElement(int element) { return element < 0 || element >= kCustomerElementCount; }

// Equal when ASCII letters are folded (two-byte characters compared as they are), as the
// table's own same-up-low search compares.
bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && FindSjis(a, b, true) == 0;
}

bool InRange(int id, int from, int to) { return from == -1 || to == -1 || (from <= id && id <= to); }

}  // namespace

// ---- One element ------------------------------------------------------------------------------

int CDatabaseEdit::GetOneCustomerDataPinPoint(std::string& out, int element, int id) {
    Lock lock(mutex_);
    out.clear();
    if (BadElement(element)) {
        errMsg_.SetErr(10005);
        return -2;
    }
    const int row = RowOf(id);
    if (row < 0) {
        errMsg_.SetErr(10006);
        return -6;
    }
    CMyDB::GetAtElement(row, element, out);
    return 0;
}

int CDatabaseEdit::GetCustomerDataPinPoint(int id, int element, std::string& out) {
    Lock lock(mutex_);
    if (BadElement(element)) return -2;
    const int row = RowOf(id);
    if (row < 0) return -1;
    CMyDB::GetAtElement(row, element, out);
    return 0;
}

std::string CDatabaseEdit::GetCustomerDataPinPoint(int id, int element) {
    std::string out;
    GetCustomerDataPinPoint(id, element, out);
    return out;
}

int CDatabaseEdit::FindCustomerID(int id, int includeDeleted) {
    Lock lock(mutex_);
    const int row = RowOf(id);
    if (row < 0) return 0;
    return includeDeleted != 0 || IsLiveRow(row) ? 1 : 0;
}

// ---- Lists and counts -------------------------------------------------------------------------

int CDatabaseEdit::GetDBIDWithoutDelete(std::list<int>& ids) {
    // The same IDs as the vector form, for callers that keep them in a list.
    std::vector<int> live;
    GetDBIDWithoutDelete(live);
    ids.assign(live.begin(), live.end());
    return static_cast<int>(ids.size());
}

int CDatabaseEdit::GetDBIDWithoutDelete(std::vector<int>& ids) {
    Lock lock(mutex_);
    ids.clear();
    const int n = Rows();
    for (int row = 0; row < n; ++row)
        if (IsLiveRow(row)) ids.push_back(IdOfRow(row));
    return static_cast<int>(ids.size());
}

int CDatabaseEdit::GetDBCountWithoutDelete() {
    Lock lock(mutex_);
    int count = 0;
    const int n = Rows();
    for (int row = 0; row < n; ++row)
        if (IsLiveRow(row)) ++count;
    return count;
}

int CDatabaseEdit::GetDeleteCustomerList(std::vector<int>& ids) {
    Lock lock(mutex_);
    ids.clear();
    const int n = Rows();
    for (int row = 0; row < n; ++row)
        if (!IsLiveRow(row)) ids.push_back(IdOfRow(row));
    return static_cast<int>(ids.size());
}

int CDatabaseEdit::GetDBIDALL(std::vector<int>& ids) {
    Lock lock(mutex_);
    ids.clear();
    const int n = Rows();
    ids.reserve(static_cast<std::size_t>(n > 0 ? n : 0));
    for (int row = 0; row < n; ++row) ids.push_back(IdOfRow(row));
    return static_cast<int>(ids.size());
}

int CDatabaseEdit::GetDBForListSize(int from, int to) {
    Lock lock(mutex_);
    int count = 0;
    const int n = Rows();
    for (int row = 0; row < n; ++row)
        if (IsLiveRow(row) && InRange(IdOfRow(row), from, to)) ++count;
    return count;
}

int CDatabaseEdit::GetDBForList(std::vector<CDbCustomerID>* list, int from, int to) {
    Lock lock(mutex_);
    if (list == nullptr) return 0;
    std::size_t count = 0;
    const int n = Rows();
    for (int row = 0; row < n; ++row) {
        if (!IsLiveRow(row)) continue;
        const int id = IdOfRow(row);
        if (!InRange(id, from, to)) continue;
        if (count >= list->size()) list->resize(count + 1);
        (*list)[count++].customerID = id;
    }
    return static_cast<int>(count);
}

int CDatabaseEdit::GetMaxDBIDOnlyExisting() {
    Lock lock(mutex_);
    int largest = 0;
    bool any = false;
    const int n = Rows();
    for (int row = 0; row < n; ++row) {
        if (!IsLiveRow(row)) continue;
        const int id = IdOfRow(row);
        if (!any || id > largest) largest = id;
        any = true;
    }
    return largest;
}

int CDatabaseEdit::GetDBID2Item(int element, std::vector<t_SORT_ITEM>& items) {
    Lock lock(mutex_);
    items.clear();
    if (BadElement(element)) {
        errMsg_.SetErr(10005);
        return -2;
    }
    const int n = Rows();
    for (int row = 0; row < n; ++row)
        if (IsLiveRow(row)) items.push_back(t_SORT_ITEM{IdOfRow(row), CMyDB::GetAtElement(row, element)});
    return static_cast<int>(items.size());
}

int CDatabaseEdit::GetDBElementGroupBy(int element, std::vector<std::string>& values, int includeDeleted,
                                       int maximum) {
    Lock lock(mutex_);
    values.clear();
    if (BadElement(element)) {
        errMsg_.SetErr(10005);
        return -2;
    }
    // Open addressing over positions in `values`: each distinct value is stored once (in
    // the output), a slot keeps its position and hash, and a row's value is looked up as it
    // stands in a reused buffer. Room for every row at once, so the table never grows.
    struct Slot {
        std::uint32_t position = 0;  // position in `values` + 1; 0 = empty
        std::uint32_t tag = 0;       // low bits of the hash
    };
    const int n = Rows();
    const std::size_t room = static_cast<std::size_t>(maximum > 0 && maximum < n ? maximum : n);
    std::size_t capacity = 16;
    while (capacity < room * 2) capacity *= 2;
    std::vector<Slot> table(capacity);
    const std::size_t mask = capacity - 1;
    std::string value;
    for (int row = 0; row < n; ++row) {
        if (includeDeleted == 0 && !IsLiveRow(row)) continue;
        CMyDB::GetAtElement(row, element, value);
        const std::size_t hash = std::hash<std::string_view>()(value);
        const std::uint32_t tag = static_cast<std::uint32_t>(hash);
        std::size_t at = hash & mask;
        bool known = false;
        for (; table[at].position != 0; at = (at + 1) & mask) {
            if (table[at].tag == tag && values[table[at].position - 1] == value) {
                known = true;
                break;
            }
        }
        if (known) continue;
        values.push_back(value);
        table[at] = Slot{static_cast<std::uint32_t>(values.size()), tag};
        if (maximum > 0 && static_cast<int>(values.size()) >= maximum) break;
    }
    return static_cast<int>(values.size());
}

// ---- Search and order ---------------------------------------------------------------------------

int CDatabaseEdit::SearchCustomerOneElement(int element, const std::string& text, int startID, int direction) {
    Lock lock(mutex_);
    if (BadElement(element)) {
        errMsg_.SetErr(10005);
        return -2;
    }
    const int n = Rows();
    int startRow = direction == kDirectionBackward ? n - 1 : 0;
    if (startID != -1) {
        const int row = RowOf(startID);
        if (row < 0) {
            errMsg_.SetErr(10006);
            return -6;
        }
        startRow = direction == kDirectionBackward ? row - 1 : row + 1;
    }
    if (direction != kDirectionForward && direction != kDirectionBackward) {
        errMsg_.SetErr(10007);
        return -7;
    }
    if (direction == kDirectionBackward) {
        for (int row = startRow; row >= 0; --row)
            if (EqualsIgnoreCase(CMyDB::GetAtElement(row, element), text)) return IdOfRow(row);
        return -1;
    }
    const int found = TotalAgreementReferenceSameUpLow(text.c_str(), element, startRow, 1);
    if (found >= 0) return IdOfRow(found);
    if (found == kErrNotFound) return -1;
    errMsg_.SetErr(10999);
    return -99;
}

int CDatabaseEdit::ReplaceRowsWith(CDatabaseEdit& fresh) {
    Lock lock(mutex_);  // the same named mutex guards `fresh`
    if (&fresh == this) return 0;
    const auto exchange = [&] {
        if (CMyDB::SwapLines(fresh) != 0) return false;
        MakeIndex();
        fresh.MakeIndex();
        return true;
    };
    if (!exchange()) {
        errMsg_.SetErr(10010);
        return -10;
    }
    NoteReshaped();
    if (groupDepth_ > 0 || CommitChanges() == 0) return 0;
    exchange();
    reshaped_ = false;
    errMsg_.SetErr(10204);
    return -11;
}

int CDatabaseEdit::SortByCustomerID() {
    Lock lock(mutex_);
    return Sort(kElemCustomerID, kMyDbInteger, 1);  // rebuilds the index in the same hold
}

// ---- Merge ---------------------------------------------------------------------------------------

int CDatabaseEdit::RestoreFromOtherDBE(CDatabaseEdit& other, std::vector<int>& restored, std::vector<int>& skipped) {
    ChangeGroup group(*this);  // the same named mutex guards `other`
    if (&other == this) return 0;
    const int n = Rows();
    std::unordered_set<std::string> addresses;
    addresses.reserve(static_cast<std::size_t>(n > 0 ? n : 0));
    for (int row = 0; row < n; ++row) addresses.insert(LowerAsciiSjis(CMyDB::GetAtElement(row, kElemEmail)));

    // Records to append, by the other store's row. An ID merged once is "in this store"
    // for the rows after it, so a backup holding an ID twice never makes it twice here.
    std::vector<int> rows;
    std::unordered_set<int> merged;
    const int m = other.Rows();
    for (int row = 0; row < m; ++row) {
        const std::string address = other.CMyDB::GetAtElement(row, kElemEmail);
        if (address.empty()) continue;
        const int id = other.IdOfRow(row);
        const bool idHere = RowOf(id) >= 0 || merged.count(id) != 0;
        if (addresses.count(LowerAsciiSjis(address)) != 0) {
            // Already here under its own ID: nothing to report. Otherwise the address
            // belongs to another record now, and the user is told this one was left out.
            if (!idHere) skipped.push_back(id);
            continue;
        }
        if (idHere) continue;
        merged.insert(id);
        rows.push_back(row);
    }
    // A merge that cannot be made whole, or whose rows cannot reach the disk, leaves the
    // book as it was: rows left in memory would be written by the next unrelated save, and
    // the restore would have happened after all while its caller was told it did not.
    const std::size_t listed = restored.size();
    const auto takeBack = [&](int code, int result) {
        TakeBackRowsFrom(n);
        restored.resize(listed);
        errMsg_.SetErr(code);
        return result;
    };
    for (int row : rows) {
        if (AddLine(other.CMyDB::GetAtLine(row)) < 0) return takeBack(10010, -10);
        restored.push_back(other.IdOfRow(row));
    }
    if (group.Commit() < 0) return takeBack(10204, -11);
    return static_cast<int>(rows.size());
}

void CDatabaseEdit::TakeBackRowsFrom(int count) {
    if (count >= Rows()) return;
    for (int row = count; row < Rows(); ++row) pendingIds_.erase(IdOfRow(row));
    CMyDB::RemoveLinesFrom(count);
    MakeIndex();
    ++changes_;
}
