// ExtractAction: condition file, condition records and the one-condition filter.
#include "core/addressbook/extract_action.h"

#include <charconv>

#include "core/addressbook/database_edit.h"
#include "core/addressbook/extract_files.h"
#include "core/addressbook/extract_matchers.h"
#include "core/foundation/cp932.h"
#include "core/foundation/env_layout.h"
#include "core/foundation/env_manager.h"
#include "core/foundation/store_key.h"
#include "core/foundation/string_utils.h"
#include "platform/named_mutex.h"
#include "platform/notifier.h"

namespace {

constexpr int kColElement = 0, kColKind = 1, kColValues = 2, kColEqualFlag = 3, kColLower = 4, kColUpper = 5,
              kColRangeFlag = 6;

// A whole decimal number ("-1", "12"); false for anything else.
bool ParseInt(std::string_view text, int& out) {
    if (text.empty()) return false;
    const char* first = text.data();
    const char* last = first + text.size();
    auto [end, ec] = std::from_chars(first, last, out);
    return ec == std::errc() && end == last;
}

// True when `value` begins with a double quote and DivideExtractCsv takes it whole as one
// value: its first closing quote (a quote not paired with the next byte) is its last byte.
bool IsWholeQuotedValue(std::string_view value) {
    if (value.size() < 2 || value.front() != '"') return false;
    for (std::size_t i = 1; i < value.size(); ++i) {
        if (value[i] != '"') continue;
        if (i + 1 == value.size()) return true;
        if (value[i + 1] == '"') {
            ++i;
            continue;
        }
        if (value[i + 1] == ',') return false;
    }
    return false;
}

}  // namespace

ExtractAction::ExtractAction() = default;

ExtractAction::ExtractAction(EnvManager* env, CDatabaseEdit* book) : ExtractAction() {
    if (SetEnvManager(env) != 1) FailConstruction(6002);
    if (SetDatabaseEdit(book) != 1) FailConstruction(6005);
}

ExtractAction::ExtractAction(EnvManager* env, CDatabaseEdit* book, ECTYPE kind, int id) : ExtractAction(env, book) {
    if (SetTypeAndID(kind, id) != 0) FailConstruction(err_.GetLastCode());
}

void ExtractAction::FailConstruction(int code) {
    err_.SetErr(code);
    platform::Notify(err_.GetLastMsg(), SjisLiteral("設定失敗"), platform::kMbOk | platform::kMbIconError);
    throw platform::UserException(err_.GetLastMsg());
}

int ExtractAction::SetEnvManager(EnvManager* env) {
    if (env == nullptr || env_ != nullptr) return 0;
    env_ = env;
    if (book_ != nullptr) book_->SetEnvManager(env_);
    return 1;
}

int ExtractAction::SetDatabaseEdit(CDatabaseEdit* book) {
    if (book == nullptr || book_ != nullptr) return 0;
    book_ = book;
    if (env_ != nullptr) book_->SetEnvManager(env_);
    return 1;
}

int ExtractAction::SetTypeAndID(ECTYPE kind, int id) {
    if (kind == EC_TYPE_MAIL && id == -1) {
        err_.SetErr(6012);
        return -12;
    }
    kind_ = kind;
    id_ = id;
    return 0;
}

void ExtractAction::FillOff() {
    SetElementNumber(kElements);
    static const char* const kOff[kElements] = {"-1", "E", "", "Y", "", "", "Y"};
    for (int i = 0; i < kRecords; ++i) InsertString(kOff);
}

std::string ExtractAction::OwnerPath(int id) const {
    return kind_ == EC_TYPE_MAIL ? env_layout::MailConditionFile(*env_, id)
                                 : env_layout::ExtractConditionFile(*env_, id);
}

// ---- Loading -------------------------------------------------------------------------------

int ExtractAction::CheckOwnerSet() {
    if (env_ == nullptr) {
        err_.SetErr(6001);
        return -1;
    }
    if (kind_ != EC_TYPE_MAIL && kind_ != EC_TYPE_EXTRACT) {
        err_.SetErr(6008);
        return -8;
    }
    if (id_ == kIdNotSet) {
        err_.SetErr(6010);
        return -10;
    }
    return 0;
}

int ExtractAction::GetExtractConditionFromFileToMemory(int useGivenKey, const char* key) {
    if (const int r = CheckOwnerSet(); r != 0) return r;
    if (id_ == -1 && kind_ != EC_TYPE_EXTRACT) {
        err_.SetErr(6012);
        return -12;
    }
    SetElementNumber(0);
    changed_ = 0;
    if (id_ == -1) {
        FillOff();
        return 0;
    }
    if (id_ < 0) {
        err_.SetErr(6010);
        return -10;
    }

    StoreKey storeKey;
    const char* useKey = nullptr;
    if (!ChooseStoreKey(env_, useGivenKey, key, storeKey, useKey)) {
        err_.SetErr(6999);
        return -99;
    }
    const std::string path = OwnerPath(id_);
    const int loaded = LoadCSVFile(path, useKey);
    if (loaded < 0) {
        // The table stays empty; a file that exists but did not read whole is never
        // written over by this table (see BaseRecordStructer).
        if (loaded == kLoadCannotOpen || loaded == kLoadNoRecord) {
            switch (ClassifyUnloadedFile(path)) {
                case UnloadedFile::kMissing:
                    err_.SetErr(6401);
                    return -41;
                case UnloadedFile::kEmpty:
                    err_.SetErr(6402);
                    return -42;
                case UnloadedFile::kUnreadable:
                    break;
            }
        } else if (loaded == kLoadFieldCount || loaded == kLoadBadFirstRecord || loaded == kLoadDamaged) {
            err_.SetErr(6403);
            return -43;
        }
        err_.SetErr(6999);
        return -99;
    }
    return CheckShape();
}

int ExtractAction::CheckShape() {
    if (GetElementNumber() != kElements || GetRecordNumber() != kRecords) {
        err_.SetErr(6007);
        return -7;
    }
    return 0;
}

int ExtractAction::CheckAddress(EC_TAB_NUM tab, EC_CON_NUM con) {
    if (const int r = CheckShape(); r != 0) return r;
    if (tab < 0 || tab >= kGroups) {
        err_.SetErr(6014);
        return -14;
    }
    if (con < 0 || con >= kConditions) {
        err_.SetErr(6015);
        return -15;
    }
    return 0;
}

// ---- Condition records ---------------------------------------------------------------------

int ExtractAction::GetExtractConditionFromMemoryToStruct(OneExtractCondition& out, EC_TAB_NUM tab, EC_CON_NUM con) {
    if (const int r = CheckAddress(tab, con); r != 0) return r;
    const int row = tab * kConditions + con;
    int element = -1;
    if (!ParseInt(GetStringElement(kColElement, row), element)) {
        err_.SetErr(6013);
        return -13;
    }
    out.element = element;
    out.kind = GetStringElement(kColKind, row);
    DivideExtractCsv(GetStringElement(kColValues, row), out.values);
    out.equalFlag = GetStringElement(kColEqualFlag, row);
    out.lower = GetStringElement(kColLower, row);
    out.upper = GetStringElement(kColUpper, row);
    out.rangeFlag = GetStringElement(kColRangeFlag, row);
    return 0;
}

int ExtractAction::SetExtractConditionFromStructToMemory(const OneExtractCondition& in, EC_TAB_NUM tab,
                                                         EC_CON_NUM con) {
    if (const int r = CheckAddress(tab, con); r != 0) return r;
    if (in.element < -1 || in.element >= 56) {
        err_.SetErr(6013);
        return -13;
    }
    XCStringArrayEx row;
    row.Add(std::to_string(in.element));
    row.Add(in.kind);
    row.Add(JoinExtractCsv(in.values));
    row.Add(in.equalFlag);
    row.Add(in.lower);
    row.Add(in.upper);
    row.Add(in.rangeFlag);
    if (CorrectString(tab * kConditions + con, row) != 1) {
        err_.SetErr(6999);
        return -99;
    }
    changed_ = 1;
    return 0;
}

int ExtractAction::CheckExtractEffective(EC_TAB_NUM tab, EC_CON_NUM con) {
    if (const int r = CheckAddress(tab, con); r != 0) return r;
    int element = 0;
    // Anything but a clean "-1" counts as in effect, so that a damaged index is reported
    // by the filter instead of passing every record.
    return ParseInt(GetStringElement(kColElement, tab * kConditions + con), element) && element == -1 ? 0 : 1;
}

void ExtractAction::DivideExtractCsv(std::string_view text, std::vector<std::string>& out) {
    out.clear();
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n) {
        const std::size_t start = i;
        if (text[i] == '"') {
            ++i;
            while (i < n) {
                if (text[i] == '"') {
                    if (i + 1 < n && text[i + 1] == '"') {
                        i += 2;
                        continue;
                    }
                    if (i + 1 == n || text[i + 1] == ',') {
                        ++i;
                        break;
                    }
                }
                ++i;
            }
        } else {
            while (i < n && text[i] != ',') ++i;
        }
        out.emplace_back(text.substr(start, i - start));
        if (i < n) ++i;  // the comma; a final comma adds no empty value
    }
}

std::string ExtractAction::JoinExtractCsv(const std::vector<std::string>& values) {
    std::string joined;
    for (std::size_t k = 0; k < values.size(); ++k) {
        if (k != 0) joined += ',';
        const std::string& v = values[k];
        const bool needsQuotes = (v.find(',') != std::string::npos || (!v.empty() && v.front() == '"')) &&
                                 !IsWholeQuotedValue(v);
        if (!needsQuotes) {
            joined += v;
            continue;
        }
        joined += '"';
        for (char c : v) {
            if (c == '"') joined += '"';
            joined += c;
        }
        joined += '"';
    }
    return joined;
}

// ---- Writing ---------------------------------------------------------------------------------

int ExtractAction::CheckOwnerForWrite(bool forNew) {
    if (const int r = CheckOwnerSet(); r != 0) return r;
    if (forNew ? !(kind_ == EC_TYPE_EXTRACT && id_ == -1) : id_ < 0) {
        err_.SetErr(6012);
        return -12;
    }
    return CheckShape();
}

int ExtractAction::Save(const std::string& path) {
    StoreKey key;
    if (GetStoreKey(env_, key) != 0 || SaveCSVFileCompel(path, key.get()) != 1) {
        err_.SetErr(6404);
        return -44;
    }
    changed_ = 0;
    return 0;
}

int ExtractAction::WriteAllExtractConditionOnMemoryToFile() {
    if (const int r = CheckOwnerForWrite(false); r != 0) return r;
    if (changed_ == 0) return 0;
    return Save(OwnerPath(id_));
}

int ExtractAction::WriteAllExtractConditionOnMemoryToFileCompel() {
    if (const int r = CheckOwnerForWrite(false); r != 0) return r;
    return Save(OwnerPath(id_));
}

int ExtractAction::WriteAllExtractConditionOnMemoryToFileNew(int newId) {
    if (const int r = CheckOwnerForWrite(true); r != 0) return r;
    if (newId < 0) {
        err_.SetErr(6012);
        return -12;
    }
    if (const int r = Save(OwnerPath(newId)); r != 0) return r;
    id_ = newId;
    return 0;
}

int ExtractAction::WriteFromMemoryToFileAppointFileName(const std::string& path, const char* key) {
    if (SaveCSVFileCompel(path, key) != 1) {
        err_.SetErr(6404);
        return -44;
    }
    return 0;
}

// ---- Filtering ----------------------------------------------------------------------------------

int ExtractAction::GetElementDataType(int element) {
    if (element < 0 || element >= 56) {
        err_.SetErr(6013);
        return -13;
    }
    if (book_ == nullptr) {
        err_.SetErr(6004);
        return -4;
    }
    if (element == 8) return 2;  // the birth date is kept as text but compared as a date
    std::string mask(56, '0');
    mask[static_cast<std::size_t>(element)] = '1';
    std::vector<DB_Element_Info> info;
    if (book_->Get_DBElementInfo(info, mask) != 0 || info.size() != 1) {
        err_.SetErr(6006);
        return -6;
    }
    return info[0].dataType;
}

int ExtractAction::PracticalExtractAction(std::vector<int>& ids, EC_TAB_NUM tab, EC_CON_NUM con) {
    return PracticalExtractAction(ids, tab, con, false);
}

int ExtractAction::PracticalExtractAction(std::vector<int>& ids, EC_TAB_NUM tab, EC_CON_NUM con,
                                          bool advertisingChecked) {
    if (book_ == nullptr) {
        err_.SetErr(6004);
        return -4;
    }
    if (const int r = CheckAddress(tab, con); r != 0) return r;
    const int row = tab * kConditions + con;
    int element = -1;
    if (!ParseInt(GetStringElement(kColElement, row), element)) {
        err_.SetErr(6013);
        return -13;
    }
    if (element == -1) return 0;
    if (element < 0 || element >= 56) {
        err_.SetErr(6013);
        return -13;
    }
    const std::string kind = GetStringElement(kColKind, row);
    if (kind != "E" && kind != "R") {
        err_.SetErr(6016);
        return -16;
    }
    const int type = GetElementDataType(element);
    if (type < 0) return type;

    std::vector<std::string> values;
    SplitString(GetStringElement(kColValues, row), values, ",", '"');
    const std::string equalFlag = GetStringElement(kColEqualFlag, row);
    const std::string lower = GetStringElement(kColLower, row);
    const std::string upper = GetStringElement(kColUpper, row);
    const std::string rangeFlag = GetStringElement(kColRangeFlag, row);
    const ExtractMatcher matcher(type, kind == "E", std::move(values), equalFlag, lower, upper, rangeFlag,
                                 element == 1);

    // One lock hold for the pass: the rows cannot move under it, and the store's own
    // calls below only re-enter the lock.
    platform::NamedMutex bookMutex(CDatabaseEdit::kMutexName);
    std::lock_guard<platform::NamedMutex> lock(bookMutex);
    std::vector<int> kept;
    kept.reserve(ids.size());
    std::string dm, text;
    for (const int id : ids) {
        const int line = book_->DBID2RowNumber(id);
        if (line < 0) continue;
        if (!advertisingChecked) {
            if (book_->GetAtElement(line, 21, dm) != 0 || dm == "N") continue;
        }
        if (book_->GetAtElement(line, element, text) != 0) continue;
        if (matcher.Keeps(text)) kept.push_back(id);
    }
    ids.swap(kept);
    return 0;
}
