#include "core/foundation/my_db.h"

#include <algorithm>
#include <climits>
#include <cstdio>

#include "core/foundation/cp932.h"
#include "core/foundation/csv_read.h"
#include "core/foundation/csv_write.h"
#include "core/foundation/record_walk.h"
#include "core/foundation/string_utils.h"
#include "platform/date_time.h"
#include "platform/notifier.h"
#include "platform/path.h"

namespace {

// The C library's atoi on a text that need not be NUL-terminated: leading white space,
// an optional sign, digits; anything else ends the number. Clamped to the int range.
long long AtoiKey(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || (s[i] >= '\t' && s[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    long long v = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        v = v * 10 + (s[i] - '0');
        if (v > static_cast<long long>(INT_MAX) + 1) v = static_cast<long long>(INT_MAX) + 1;
    }
    v = negative ? -v : v;
    return std::clamp<long long>(v, INT_MIN, INT_MAX);
}

}  // namespace

CMyDB::CMyDB(int columns) {
    if (SetElementNumber(columns) != 0) {
        platform::Notify(SjisLiteral("列数は1以上の値にしてください"));
        throw platform::UserException("CMyDB: the column count must be 1 or more");
    }
}

void CMyDB::Init() {
    lines_.clear();
    lines_.shrink_to_fit();
    changed_ = 0;
    elements_ = 0;
    elementsY2_ = 0;
    path_.clear();
    damaged_ = false;
}

int CMyDB::SetElementNumber(int n) {
    if (elements_ != 0) return kErrElementsSet;
    if (n <= 0) return kErrBadFirstRecord;
    elements_ = n;
    return 0;
}

int CMyDB::GetElementNumber() const { return elements_ != 0 ? elements_ : kErrElementsUnset; }

int CMyDB::SetElementNumber_Y2(int n) {
    elementsY2_ = n;
    return 0;
}

int CMyDB::GetElementNumber_Y2() const { return elementsY2_ != 0 ? elementsY2_ : kErrElementsUnset; }

int CMyDB::GetLineNumber() const {
    return elements_ != 0 ? static_cast<int>(lines_.size()) : kErrElementsUnset;
}

int CMyDB::SetDBFilePath(const std::string& path) {
    if (elements_ == 0) return kErrElementsUnset;
    if (path != path_) damaged_ = false;
    path_ = path;
    return 0;
}

std::string CMyDB::GetDBFilePath() const { return elements_ != 0 ? path_ : std::string(); }

int CMyDB::ReadDBFile(const char* key, bool userNamed) {
    XCsvRead reader;
    if (userNamed) reader.UserNamedFile();
    if (key != nullptr) reader.SetUseKey(key);
    if (elements_ == 0) return kErrElementsUnset;
    if (path_.empty()) return kErrPathEmpty;
    const std::string path = platform::FixPath(path_);
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return kErrNoFolder;
    const std::string folder = slash == 0 ? std::string("/") : path.substr(0, slash);
    if (!platform::IsDirectory(folder)) return kErrNoFolder;
    if (!platform::PathExists(path)) return kErrNoFile;
    if (reader.OpenFile(path) != 1) {
        damaged_ = true;
        return kErrOpen;
    }
    int n = reader.ReadLine();
    if (n < 0 && reader.IsReadError()) {
        damaged_ = true;
        return kErrOpen;
    }
    if (n < 0) return kErrNoRecord;
    if (n == 0) {
        damaged_ = true;
        return kErrBadFirstRecord;
    }

    // Read into a new list; the table changes only when the whole file was read.
    std::vector<PackedRow> lines;
    std::vector<std::string_view> fields(static_cast<size_t>(elements_));
    const RecordWalk walk = WalkRecords(reader, n, [&](int count) {
        if (count != elements_ && count != elementsY2_) return false;
        for (int i = 0; i < elements_; ++i)
            fields[static_cast<size_t>(i)] = i < count ? reader.GetDataView(i) : std::string_view();
        lines.emplace_back(fields.data(), fields.size());
        return true;
    });
    if (walk != RecordWalk::kWhole) {
        damaged_ = true;
        if (walk == RecordWalk::kRejected) return kErrSize;
        return walk == RecordWalk::kDamaged ? kErrDamagedRecord : kErrOpen;
    }
    lines_.swap(lines);
    damaged_ = false;
    return 0;
}

int CMyDB::WriteDBFileTo(const std::string& path, const char* key, bool& ownBehind,
                         const BeforeReplace& beforeReplace) {
    const std::string own = GetDBFilePath();
    const bool unsaved = IsChanged();
    SetDBFilePath(path);
    const int r = WriteDBFile(1, key, beforeReplace);
    SetDBFilePath(own);
    ownBehind = unsaved && path != own;
    return r;
}

int CMyDB::WriteDBFile(int compel, const char* key, const BeforeReplace& beforeReplace) {
    XCsvWrite writer;
    if (key != nullptr) writer.SetUseKey(key);
    if (elements_ == 0) return kErrElementsUnset;
    if (path_.empty()) return kErrPathEmpty;
    if (!changed_ && !compel) return 0;
    if (damaged_) return kErrDamagedFile;
    const std::string path = platform::FixPath(path_);
    if (writer.OpenFile(path, syncOnWrite_ ? WriteMode::kSafeSync : WriteMode::kSafe) != 1) return kErrOpen;
    if (beforeReplace) writer.SetBeforeReplace(beforeReplace);
    for (const PackedRow& row : lines_) {
        writer.BufferEmpty();
        const size_t n = row.size();
        for (size_t i = 0; i < n; ++i) writer.SetData(row.at(i));
        if (writer.WriteLine() < 0) {
            writer.AbortFile();
            return kErrWrite;
        }
    }
    if (writer.CloseFile() != 0) return kErrWrite;
    changed_ = 0;
    return 0;
}

int CMyDB::CheckLine(const XCStringArrayEx& line) const {
    if (elements_ == 0) return kErrElementsUnset;
    if (line.GetSize() != elements_) return kErrSize;
    return 0;
}

int CMyDB::AddLine(const XCStringArrayEx& line) {
    if (int r = CheckLine(line); r != 0) return r;
    lines_.emplace_back(line.values());
    changed_ = 1;
    return 0;
}

int CMyDB::SetAtLine(int index, const XCStringArrayEx& line) {
    if (int r = CheckLine(line); r != 0) return r;
    if (index < 0 || index >= static_cast<int>(lines_.size())) return kErrLineIndex;
    lines_[static_cast<size_t>(index)] = PackedRow(line.values());
    changed_ = 1;
    return 0;
}

int CMyDB::SetAtLineGrow(int index, const XCStringArrayEx& line) {
    if (int r = CheckLine(line); r != 0) return r;
    if (index < 0) return kErrLineIndex;
    while (static_cast<int>(lines_.size()) <= index) lines_.push_back(PackedRow::Empty(static_cast<size_t>(elements_)));
    lines_[static_cast<size_t>(index)] = PackedRow(line.values());
    changed_ = 1;
    return 0;
}

int CMyDB::InsertAtLine(int index, const XCStringArrayEx& line) {
    if (int r = CheckLine(line); r != 0) return r;
    if (index < 0 || index > static_cast<int>(lines_.size())) return kErrLineIndex;
    lines_.insert(lines_.begin() + index, PackedRow(line.values()));
    changed_ = 1;
    return 0;
}

int CMyDB::RemoveLine(int index) {
    if (elements_ == 0) return kErrElementsUnset;
    if (index < 0 || index >= static_cast<int>(lines_.size())) return kErrLineIndex;
    lines_.erase(lines_.begin() + index);
    changed_ = 1;
    return 0;
}

int CMyDB::RemoveLinesFrom(int count) {
    if (elements_ == 0) return kErrElementsUnset;
    if (count < 0 || count > static_cast<int>(lines_.size())) return kErrLineIndex;
    if (count == static_cast<int>(lines_.size())) return 0;
    lines_.resize(static_cast<size_t>(count));
    changed_ = 1;
    return 0;
}

int CMyDB::RemoveAll(int mark) {
    if (elements_ == 0) return kErrElementsUnset;
    lines_.clear();
    if (mark != 0) changed_ = 1;
    return 0;
}

int CMyDB::SwapLines(CMyDB& other) {
    if (elements_ == 0 || elements_ != other.elements_) return kErrElementsUnset;
    lines_.swap(other.lines_);
    changed_ = other.changed_ = 1;
    return 0;
}

int CMyDB::SetElementText(int line, int column, std::string_view text) {
    if (elements_ == 0) return kErrElementsUnset;
    if (line < 0 || line >= static_cast<int>(lines_.size())) return kErrLineIndex;
    if (column < 0 || column >= elements_) return kErrColumnIndex;
    PackedRow& row = lines_[static_cast<size_t>(line)];
    row = row.With(static_cast<size_t>(column), text);
    changed_ = 1;
    return 0;
}

int CMyDB::SetAtElement(int line, int column, const std::string& text) { return SetElementText(line, column, text); }

int CMyDB::SetAtElement(int line, int column, const char* text) {
    return SetElementText(line, column, text != nullptr ? std::string_view(text) : std::string_view());
}

int CMyDB::SetAtElement(int line, int column, int number) {
    return SetElementText(line, column, std::to_string(number));
}

int CMyDB::SetAtElement(int line, int column, const platform::DateTime& dt) {
    if (elements_ == 0) return kErrElementsUnset;
    if (line < 0 || line >= static_cast<int>(lines_.size())) return kErrLineIndex;
    if (column < 0 || column >= elements_) return kErrColumnIndex;
    if (!dt.IsValid()) return kErrDateTime;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d/%02d/%02d %02d:%02d:%02d", dt.GetYear(), dt.GetMonth(), dt.GetDay(),
                  dt.GetHour(), dt.GetMinute(), dt.GetSecond());
    return SetElementText(line, column, buf);
}

XCStringArrayEx CMyDB::GetAtLine(int index) const {
    XCStringArrayEx out;
    GetAtLine(index, out);
    return out;
}

int CMyDB::GetAtLine(int index, XCStringArrayEx& out) const {
    if (elements_ == 0) return kErrElementsUnset;
    if (index < 0 || index >= static_cast<int>(lines_.size())) return kErrLineIndex;
    out = XCStringArrayEx(lines_[static_cast<size_t>(index)].ToStrings());
    return 0;
}

std::string CMyDB::GetAtElement(int line, int column) const {
    std::string out;
    GetAtElement(line, column, out);
    return out;
}

int CMyDB::GetAtElement(int line, int column, std::string& out) const {
    if (elements_ == 0) return kErrElementsUnset;
    if (line < 0 || line >= static_cast<int>(lines_.size())) return kErrLineIndex;
    if (column < 0 || column >= elements_) return kErrColumnIndex;
    out.assign(lines_[static_cast<size_t>(line)].at(static_cast<size_t>(column)));
    return 0;
}

int CMyDB::Sort(int column, int dataType, int ascending) {
    if (elements_ == 0) return kErrElementsUnset;
    if (column < 0 || column >= elements_) return kErrColumnIndex;
    if (dataType != kMyDbString && dataType != kMyDbInteger && dataType != kMyDbDate) return kErrDataType;
    if (lines_.empty()) return 0;
    if (dataType == kMyDbInteger) {
        struct Key {
            long long key;
            size_t line;
        };
        std::vector<Key> keys;
        keys.reserve(lines_.size());
        for (size_t i = 0; i < lines_.size(); ++i) keys.push_back({AtoiKey(lines_[i].at(static_cast<size_t>(column))), i});
        if (ascending != 0)
            std::stable_sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) { return a.key < b.key; });
        else
            std::stable_sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) { return a.key > b.key; });
        std::vector<PackedRow> sorted;
        sorted.reserve(lines_.size());
        for (const Key& k : keys) sorted.push_back(std::move(lines_[k.line]));
        lines_.swap(sorted);
    }
    changed_ = 1;
    return 0;
}

int CMyDB::Search(Match how, const char* text, int column, int start, int step) const {
    if (elements_ == 0) return kErrElementsUnset;
    if (column < 0 || column >= elements_) return kErrColumnIndex;
    if (step <= 0) return kErrStep;
    if (start < 0) return kErrStartLine;
    const std::string_view t = text != nullptr ? std::string_view(text) : std::string_view();
    for (long i = start; i < static_cast<long>(lines_.size()); i += step) {
        if (FieldMatches(how, lines_[static_cast<size_t>(i)].at(static_cast<size_t>(column)), t)) return static_cast<int>(i);
    }
    return kErrNotFound;
}

int CMyDB::TotalAgreementReference(const char* text, int column, int start, int step) const {
    return Search(Match::kExact, text, column, start, step);
}
int CMyDB::TotalAgreementReferenceSameUpLow(const char* text, int column, int start, int step) const {
    return Search(Match::kIgnoreCase, text, column, start, step);
}
int CMyDB::FrontAgreementReference(const char* text, int column, int start, int step) const {
    return Search(Match::kFront, text, column, start, step);
}
int CMyDB::PartialAgreementReference(const char* text, int column, int start, int step) const {
    return Search(Match::kPartial, text, column, start, step);
}

int CMyDB::SetSizeDBArray(int n) {
    if (elements_ == 0) return kErrElementsUnset;
    if (n > static_cast<int>(lines_.size())) {
        lines_.reserve(static_cast<size_t>(n));
        while (static_cast<int>(lines_.size()) < n) lines_.push_back(PackedRow::Empty(static_cast<size_t>(elements_)));
        changed_ = 1;
    }
    return 0;
}
