#include "core/addressbook/test_mailing_info.h"

#include <cstdlib>
#include <vector>

#include "core/addressbook/database_edit.h"
#include "core/foundation/cp932.h"
#include "core/foundation/date_utils.h"
#include "core/foundation/env_layout.h"
#include "core/foundation/env_manager.h"
#include "core/foundation/store_key.h"
#include "core/foundation/system_option.h"
#include "platform/notifier.h"
#include "platform/path.h"
#include "platform/safe_write.h"

CTestMailingInfo::CTestMailingInfo() {
    SetElementNumber(kCustomerElementCount);
    SetElementNumber_Y2(kCustomerElementCount);
    work_.SetSize(kCustomerElementCount);
}

CTestMailingInfo::CTestMailingInfo(EnvManager* env) : CTestMailingInfo() {
    if (SetEnvManager(env) != 1) FailConstruction(10002);
}

CTestMailingInfo::CTestMailingInfo(EnvManager* env, SystemOption* options) : CTestMailingInfo() {
    if (SetEnvManager(env) != 1) FailConstruction(10002);
    if (SetSystemOption(options) != 1) FailConstruction(10004);
}

void CTestMailingInfo::FailConstruction(int code) {
    errMsg_.SetErr(code);
    platform::Notify(errMsg_.GetLastMsg(), SjisLiteral("設定失敗"), platform::kMbOk | platform::kMbIconError);
    throw platform::UserException(errMsg_.GetLastMsg());
}

int CTestMailingInfo::SetEnvManager(EnvManager* env) {
    if (env == nullptr || env_ != nullptr) return 0;
    env_ = env;
    if (ReadFromFileToMemory() < 0) return 0;
    if (options_ != nullptr) options_->SetEnvManager(env_);
    return 1;
}

int CTestMailingInfo::SetSystemOption(SystemOption* options) {
    if (options == nullptr || options_ != nullptr) return 0;
    options_ = options;
    if (env_ != nullptr) options_->SetEnvManager(env_);
    return 1;
}

int CTestMailingInfo::ReadFromFileToMemory(const char* path, int useGivenKey, const char* key) {
    std::string file;
    if (path != nullptr && *path != '\0') {
        file = path;
    } else {
        if (env_ == nullptr) return -101;
        file = env_layout::TestMailingInfoFile(*env_);
    }
    RemoveAll(0);
    pendingSave_ = false;
    SetDBFilePath(file);

    // The key: none in an unkeyed environment, the caller's when asked for, else the
    // environment's own (refused when a keyed environment's key cannot be had).
    StoreKey storeKey;
    const int k = GetStoreKey(env_, storeKey);
    const char* useKey = nullptr;
    if (k == 0 && !storeKey.keyed) {
        useKey = nullptr;
    } else if (useGivenKey != 0) {
        useKey = key;
    } else if (k == -1) {
        return -101;
    } else if (k != 0) {
        errMsg_.SetErr(4207);
        return -27;
    } else {
        useKey = storeKey.get();
    }

    const int r = ReadDBFile(useKey);
    if (r == kErrNoFile) {
        if (!platform::WriteFileAtomically(platform::FixPath(file), std::string_view())) return -4;
    } else if (r != kErrNoRecord && r < 0) {
        return r;
    }
    if (GetElementNumber() != kCustomerElementCount) return -102;
    return GetLineNumber();
}

int CTestMailingInfo::WriteFromMemoryToFile() {
    StoreKey storeKey;
    if (GetStoreKey(env_, storeKey) != 0 || WriteDBFile(pendingSave_ ? 1 : 0, storeKey.get()) < 0) {
        errMsg_.SetErr(10204);
        return -11;
    }
    pendingSave_ = false;
    return 0;
}

int CTestMailingInfo::WriteFromMemoryToFileAppointFileName(const std::string& path, const char* key) {
    bool ownBehind = false;
    const int r = WriteDBFileTo(path, key, ownBehind);
    if (ownBehind) pendingSave_ = true;
    return r < 0 ? -1 : 0;
}

int CTestMailingInfo::RowOfId(int id) const {
    const int n = GetLineNumber();
    for (int row = 0; row < n; ++row)
        if (std::atoi(GetAtElement(row, kElemCustomerID).c_str()) == id) return row;
    return -1;
}

int CTestMailingInfo::GetTestMailingInfo(OneCustomer& record, int id) {
    const int row = RowOfId(id);
    if (row < 0) {
        InitOneCustomer(record, id);
        return 0;
    }
    CustomerFromRow(GetAtLine(row).values(), record);
    return 1;
}

int CTestMailingInfo::SetTestMailingInfo(const OneCustomer& record, int id) {
    const int row = RowOfId(id);
    const std::string now = GetNowDateTime();
    std::vector<std::string>& cells = work_.values();
    CustomerToRow(record, cells);
    cells[kElemCustomerID] = std::to_string(id);
    HyphenCut(&record.ZipCode1, &cells[kElemZipCode1]);
    cells[kElemDeleteFlag].clear();
    if (row >= 0) {
        cells[kElemEntryDate] = Convert_COleDateTime2DateData(record.EntryDate);
        // A record without a valid entry date keeps the one stored.
        if (cells[kElemEntryDate].empty()) cells[kElemEntryDate] = GetAtElement(row, kElemEntryDate);
    } else {
        cells[kElemEntryDate] = now;
    }
    cells[kElemRenewalDate] = now;
    if ((row >= 0 ? SetAtLine(row, work_) : AddLine(work_)) < 0) {
        errMsg_.SetErr(10010);
        return -10;
    }
    return 0;
}

void CTestMailingInfo::InitOneCustomer(OneCustomer& record, int id) {
    ::InitOneCustomer(record);
    record.CustomerID = id;
}

int CTestMailingInfo::SetElementTestMailingInfoTemp(const char* text, int element) {
    if (element < 0 || element >= kCustomerElementCount) {
        errMsg_.SetErr(10005);
        return -2;
    }
    work_.SetSize(kCustomerElementCount);
    work_.SetAt(element, text != nullptr ? text : "");
    return 0;
}

void CTestMailingInfo::InitMember() {
    RemoveAll(0);
    InitOneCustomerTemp();
}

void CTestMailingInfo::InitOneCustomerTemp() {
    work_.RemoveAll();
    work_.SetSize(kCustomerElementCount);
}

int CTestMailingInfo::HyphenCut(const std::string* in, std::string* out) { return CDatabaseEdit::HyphenCut(in, out); }
