#include "app/sendrecv/receive_stores.h"

#include <cstdlib>
#include <mutex>

#include "core/addressbook/database_edit.h"
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

int AddressLookup::Find(std::string_view address) {
    platform::NamedMutex mutex(CDatabaseEdit::kMutexName);
    std::lock_guard<platform::NamedMutex> lock(mutex);
    if (!built_) {
        rows_.Build(book_);
        built_ = true;
    }
    const int row = rows_.Find(address);
    if (row < 0) return -1;
    std::string id;
    if (book_.GetAtElement(row, kElemCustomerID, id) < 0 || id.empty()) return -1;
    return std::atoi(id.c_str());
}

void AddressLookup::Add(std::string_view address, int customerId) {
    if (!built_) return;  // the first look-up reads every row
    const int row = book_.DBID2RowNumber(customerId);
    if (row >= 0) rows_.Add(address, row);
}

int ApplyRefusal(CDatabaseEdit& book, AddressLookup& lookup, std::string_view address) {
    if (address.empty()) return -1;
    const int id = lookup.Find(address);
    if (id < 0) return -1;
    OneCustomer record;
    if (book.GetOneCustomerForEdit(record, id) != 0) return -1;
    record.DMOk = "N";
    return book.SetOneCustomerInfo(record, 0) == 0 ? id : -1;
}

}  // namespace receive_stores
