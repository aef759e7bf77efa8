#include "app/sendrecv/receive_stores.h"

#include <cstdlib>
#include <mutex>

#include "core/addressbook/database_edit.h"
#include "core/addressbook/import_mail_index.h"
#include "core/foundation/env_layout.h"
#include "core/foundation/env_manager.h"
#include "core/foundation/record_table.h"
#include "core/foundation/store_key.h"
#include "core/foundation/validation.h"
#include "platform/named_mutex.h"

namespace receive_stores {

namespace {
int Width(int which) { return which == kRegistrations ? kRegistrationElements : kRefusalElements; }

// The address book's row layout: element e of a registration row holds this field.
const std::string* RowField(const OneCustomer& record, int element) {
    if ((element >= kElemEmail && element <= kElemOtherMailOk) ||
        (element >= kElemExtraFirst && element <= kElemExtraLast))
        return record.Field(element);
    return nullptr;
}
}  // namespace

std::string ListPath(const EnvManager& env, int which) {
    return which == kRegistrations ? env_layout::AutoRegisterFile(env) : env_layout::AutoRefuseFile(env);
}

int LoadList(EnvManager* env, int which, BaseRecordStructer& table) {
    StoreKey key;
    if (env == nullptr || GetStoreKey(env, key) != 0) {
        table.SetElementNumber(Width(which));
        return kNoKey;
    }
    const int r = table.LoadCSVFile(ListPath(*env, which), key.get());
    if (r != BaseRecordStructer::kLoadOk && r != BaseRecordStructer::kLoadCannotOpen &&
        r != BaseRecordStructer::kLoadNoRecord) {
        table.SetElementNumber(Width(which));
        return kUnreadable;
    }
    if (r != BaseRecordStructer::kLoadOk || table.GetElementNumber() != Width(which))
        table.SetElementNumber(Width(which));
    return kLoaded;
}

bool SaveList(EnvManager* env, int which, BaseRecordStructer& table, const std::string& path) {
    StoreKey key;
    if (env == nullptr || GetStoreKey(env, key) != 0) return false;
    table.SetSyncOnSave(true);
    return table.SaveCSVFile(path.empty() ? ListPath(*env, which) : path, 1, key.get()) == 1;
}

std::vector<std::string> RegistrationRow(const OneCustomer& record) {
    std::vector<std::string> row(kRegistrationElements);
    row[kElemCustomerID] = "-1";
    for (int e = 0; e < kRegistrationElements; ++e)
        if (const std::string* field = RowField(record, e)) row[static_cast<std::size_t>(e)] = *field;
    return row;
}

OneCustomer RegistrationRecord(const std::vector<std::string>& row, const std::vector<int>& extensionTypes) {
    OneCustomer record;
    InitOneCustomer(record);
    record.CustomerID = -1;
    const auto text = [&row](int e) -> std::string {
        return e < static_cast<int>(row.size()) ? row[static_cast<std::size_t>(e)] : std::string();
    };
    for (int e = kElemEmail; e <= kElemOtherMailOk; ++e) *record.Field(e) = text(e);
    for (int k = 0; k < kCustomerExtraCount; ++k) {
        const std::string value = text(kElemExtraFirst + k);
        const int type = k < static_cast<int>(extensionTypes.size()) ? extensionTypes[static_cast<std::size_t>(k)] : 0;
        bool keep = false;
        switch (type) {
        case kCustomerText: keep = true; break;
        case kCustomerNumber: keep = CheckNumberData(value) != 0; break;
        case kCustomerDate: keep = CheckDateTypeData(value, 3) != 0; break;
        default: break;
        }
        record.Extra[static_cast<std::size_t>(k)] = keep ? value : std::string();
    }
    record.DeleteFlag.clear();
    return record;
}

AddressLookup::AddressLookup(CDatabaseEdit& book) : book_(book) {}

void AddressLookup::AddRow(std::string_view address, int row) {
    if (row < 0) return;
    if (static_cast<std::size_t>(row) >= earlier_.size()) earlier_.resize(static_cast<std::size_t>(row) + 1, -1);
    const auto [it, added] = last_.try_emplace(ImportMailIndex::Fold(address), row);
    earlier_[static_cast<std::size_t>(row)] = added ? -1 : it->second;
    it->second = row;
}

void AddressLookup::Build() {
    if (built_) return;
    const int n = book_.GetLineNumber();
    last_.clear();
    last_.reserve(static_cast<std::size_t>(n > 0 ? n : 0) + 1024);
    earlier_.assign(static_cast<std::size_t>(n > 0 ? n : 0), -1);
    std::string address;
    for (int row = 0; row < n; ++row) {
        address.clear();
        book_.GetAtElement(row, kElemEmail, address);
        AddRow(address, row);
    }
    built_ = true;
}

int AddressLookup::IdOfRow(int row) const {
    std::string id;
    if (book_.GetAtElement(row, kElemCustomerID, id) < 0 || id.empty()) return -1;
    return std::atoi(id.c_str());
}

int AddressLookup::Find(std::string_view address) {
    platform::NamedMutex mutex(CDatabaseEdit::kMutexName);
    std::lock_guard<platform::NamedMutex> lock(mutex);
    Build();
    const auto it = last_.find(ImportMailIndex::Fold(address));
    return it == last_.end() ? -1 : IdOfRow(it->second);
}

std::vector<int> AddressLookup::FindAll(std::string_view address) {
    platform::NamedMutex mutex(CDatabaseEdit::kMutexName);
    std::lock_guard<platform::NamedMutex> lock(mutex);
    Build();
    std::vector<int> ids;
    const auto it = last_.find(ImportMailIndex::Fold(address));
    for (int row = it == last_.end() ? -1 : it->second; row >= 0; row = earlier_[static_cast<std::size_t>(row)])
        if (const int id = IdOfRow(row); id >= 0) ids.push_back(id);
    return ids;
}

void AddressLookup::Add(std::string_view address, int customerId) {
    if (!built_) return;  // the first look-up reads every row
    platform::NamedMutex mutex(CDatabaseEdit::kMutexName);
    std::lock_guard<platform::NamedMutex> lock(mutex);
    AddRow(address, book_.DBID2RowNumber(customerId));
}

int ApplyRefusal(CDatabaseEdit& book, AddressLookup& lookup, std::string_view address) {
    if (address.empty()) return -1;
    const std::vector<int> ids = lookup.FindAll(address);
    if (ids.empty()) return -1;
    for (int id : ids) {
        OneCustomer record;
        if (book.GetOneCustomerForEdit(record, id) != 0) return -1;
        if (record.DMOk == "N") continue;
        record.DMOk = "N";
        if (book.SetOneCustomerInfo(record, 0) != 0) return -1;
    }
    return static_cast<int>(ids.size());
}

}  // namespace receive_stores
