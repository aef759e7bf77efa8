#include "core/foundation/record_table.h"

#include <cstdlib>
#include <cstring>
#include <mutex>

#include "core/foundation/csv_read.h"
#include "core/foundation/csv_write.h"
#include "core/foundation/record_walk.h"
#include "core/foundation/string_utils.h"
#include "platform/named_mutex.h"
#include "platform/path.h"

namespace {

// "title_.ext" of a path: the folder takes no part, so files of one name in different
// folders share the lock.
std::string MutexNameOf(const std::string& path) {
    const platform::PathParts parts = platform::SplitPath(path);
    return parts.title + "_" + parts.ext;
}

}  // namespace

int BaseRecordStructer::SetElementNumber(int n) {
    if (n < 0) return 0;
    rows_.clear();
    elements_ = n;
    changed_ = 1;
    damagedPath_.clear();
    return 1;
}

int BaseRecordStructer::GetString(int row, XCStringArrayEx& out) const {
    if (!ValidRow(row)) {
        out.RemoveAll();
        return 0;
    }
    XCStringArrayEx::Copy(out, rows_[static_cast<size_t>(row)]);
    return 1;
}

namespace {
XCStringArrayEx RowOf(const char* const* values, int n) {
    XCStringArrayEx row;
    row.values().reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) row.Add(values[i] != nullptr ? values[i] : "");
    return row;
}
}  // namespace

int BaseRecordStructer::InsertString(const char* const* values) {
    if (elements_ < 1 || values == nullptr) return 0;
    rows_.push_back(RowOf(values, elements_));
    changed_ = 1;
    return 1;
}

int BaseRecordStructer::InsertString(const XCStringArrayEx& row) {
    if (elements_ < 1 || row.GetSize() != elements_) return 0;
    rows_.push_back(row);
    changed_ = 1;
    return 1;
}

int BaseRecordStructer::CorrectString(int row, const char* const* values) {
    if (!ValidRow(row) || values == nullptr) return 0;
    rows_[static_cast<size_t>(row)] = RowOf(values, elements_);
    changed_ = 1;
    return 1;
}

int BaseRecordStructer::CorrectString(int row, const XCStringArrayEx& values) {
    if (!ValidRow(row) || values.GetSize() != elements_) return 0;
    rows_[static_cast<size_t>(row)] = values;
    changed_ = 1;
    return 1;
}

int BaseRecordStructer::DeleteString(int row) {
    if (!ValidRow(row)) return 0;
    rows_.erase(rows_.begin() + row);
    changed_ = 1;
    return 1;
}

void BaseRecordStructer::DeleteAllString() {
    rows_.clear();
    changed_ = 1;
}

std::string BaseRecordStructer::GetStringElement(int column, int row) const {
    std::string out;
    GetStringElement(out, column, row);
    return out;
}

int BaseRecordStructer::GetStringElement(std::string& out, int column, int row) const {
    if (!ValidRow(row) || column < 0 || column >= elements_) {
        out.clear();
        return 0;
    }
    out = rows_[static_cast<size_t>(row)].GetAt(column);
    return 1;
}

int BaseRecordStructer::FullSort(const char* orderText) {
    if (elements_ < 1) return 0;
    std::vector<int> order;
    if (orderText != nullptr && *orderText != '\0') {
        const char* p = orderText;
        for (;;) {
            order.push_back(std::atoi(p));
            const char* comma = std::strchr(p, ',');
            if (comma == nullptr) break;
            p = comma + 1;
        }
    }
    return FullSort(order);
}

int BaseRecordStructer::FullSort(const std::vector<int>& order) {
    if (elements_ < 1) return 0;
    if (order.empty()) return 1;
    const int count = GetRecordNumber();
    std::vector<XCStringArrayEx> old;
    old.swap(rows_);
    rows_.reserve(old.size());
    std::vector<char> taken(old.size(), 0);
    for (int n : order) {
        if (n < 0 || n >= count || taken[static_cast<size_t>(n)]) continue;
        taken[static_cast<size_t>(n)] = 1;
        rows_.push_back(std::move(old[static_cast<size_t>(n)]));
    }
    for (size_t i = 0; i < old.size(); ++i)
        if (!taken[i]) rows_.push_back(std::move(old[i]));
    changed_ = 1;
    return 1;
}

int BaseRecordStructer::Search(Match how, const char* text, int column, int start, int step) const {
    if (how == Match::kExact && rows_.empty()) return -1;
    if (text == nullptr || *text == '\0' || column < 0 || column >= elements_ || start < 0 ||
        start >= GetRecordNumber() || step == 0)
        return -2;
    const std::string_view t(text);
    for (long i = start; i >= 0 && i < static_cast<long>(rows_.size()); i += step) {
        if (FieldMatches(how, rows_[static_cast<size_t>(i)].GetAt(column), t)) return static_cast<int>(i);
    }
    return -1;
}

int BaseRecordStructer::TotalAgreementReference(const char* text, int column, int start, int step) const {
    return Search(Match::kExact, text, column, start, step);
}
int BaseRecordStructer::TotalAgreementReferenceSameUpLow(const char* text, int column, int start, int step) const {
    return Search(Match::kIgnoreCase, text, column, start, step);
}
int BaseRecordStructer::FrontAgreementReference(const char* text, int column, int start, int step) const {
    return Search(Match::kFront, text, column, start, step);
}
int BaseRecordStructer::PartialAgreementReference(const char* text, int column, int start, int step) const {
    return Search(Match::kPartial, text, column, start, step);
}

int BaseRecordStructer::LoadCSVFile(const char* pathText, const char* key) {
    const std::string path = platform::FixPath(pathText != nullptr ? pathText : "");
    platform::NamedMutex mutex(MutexNameOf(path));
    std::lock_guard<platform::NamedMutex> lock(mutex);

    XCsvRead reader;
    if (key != nullptr) reader.SetUseKey(key);
    if (path.empty() || reader.OpenFile(path) != 1) {
        // A file that exists but cannot be read must not be replaced by a save.
        if (!path.empty() && platform::PathExists(path)) damagedPath_ = path;
        return kLoadCannotOpen;
    }
    int n = reader.ReadLine();
    if (n < 0 && reader.IsReadError()) {
        damagedPath_ = path;
        return kLoadCannotOpen;
    }
    if (n < 0) {
        // An empty file is an empty table.
        SetElementNumber(1);
        return kLoadNoRecord;
    }
    if (n == 0) {
        damagedPath_ = path;
        return kLoadBadFirstRecord;
    }
    const int count = n;
    std::vector<XCStringArrayEx> rows;
    const RecordWalk walk = WalkRecords(reader, n, [&](int fields) {
        if (fields != count) return false;
        XCStringArrayEx row;
        row.values().reserve(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) row.Add(std::string(reader.GetDataView(i)));
        rows.push_back(std::move(row));
        return true;
    });
    if (walk != RecordWalk::kWhole) {
        damagedPath_ = path;
        if (walk == RecordWalk::kRejected) return kLoadFieldCount;
        return walk == RecordWalk::kDamaged ? kLoadDamaged : kLoadCannotOpen;
    }
    rows_.swap(rows);
    elements_ = count;
    changed_ = 1;
    if (damagedPath_ == path) damagedPath_.clear();
    return kLoadOk;
}

int BaseRecordStructer::SaveCSVFile(const char* pathText, int compel, const char* key) {
    const std::string path = platform::FixPath(pathText != nullptr ? pathText : "");
    platform::NamedMutex mutex(MutexNameOf(path));
    std::lock_guard<platform::NamedMutex> lock(mutex);

    XCsvWrite writer;
    if (key != nullptr) writer.SetUseKey(key);
    if (elements_ <= 0) return 0;
    if (!changed_ && !compel) return 1;
    if (path.empty() || path == damagedPath_) return 0;
    if (writer.OpenFile(path, syncOnSave_ ? WriteMode::kSafeSync : WriteMode::kSafe) != 1) return 0;
    for (const XCStringArrayEx& row : rows_) {
        writer.BufferEmpty();
        for (int i = 0; i < elements_; ++i) writer.SetData(std::string_view(row.GetAt(i)));
        if (writer.WriteLine() < 0) {
            writer.AbortFile();
            return 0;
        }
    }
    if (writer.CloseFile() != 0) return 0;
    changed_ = 0;
    return 1;
}
