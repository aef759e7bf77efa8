#include "core/foundation/system_option.h"

#include <cstdlib>

#include "core/foundation/env_layout.h"
#include "core/foundation/env_manager.h"
#include "core/foundation/store_key.h"
#include "core/foundation/string_array.h"
#include "platform/notifier.h"

namespace {

bool ValidItemCount(int n) { return n == 90 || n == 120 || n == SystemOption::kItemCount; }

}  // namespace

SystemOption::SystemOption() { SetSyncOnSave(true); }

SystemOption::SystemOption(EnvManager* env) : SystemOption() {
    if (SetEnvManager(env) == 0) {
        err_.SetErr(4002);
        platform::Notify(err_.GetLastMsg());
        throw platform::UserException(err_.GetLastMsg());
    }
}

int SystemOption::SetEnvManager(EnvManager* env) {
    if (env == nullptr || env_ != nullptr) return 0;
    env_ = env;
    return 1;
}

std::string SystemOption::Path() const { return env_layout::SystemOptionFile(*env_); }

bool SystemOption::HasValidRecord() const {
    return ValidItemCount(GetElementNumber()) && GetRecordNumber() == 1;
}

int SystemOption::CheckReady() {
    if (env_ == nullptr) {
        err_.SetErr(4001);
        return -1;
    }
    if (!HasValidRecord()) {
        err_.SetErr(4003);
        return -3;
    }
    return 0;
}

std::vector<std::string> SystemOption::AllItems() const {
    std::vector<std::string> items(kItemCount);
    const int stored = GetElementNumber();
    for (int i = 0; i < kItemCount && i < stored; ++i) items[static_cast<std::size_t>(i)] = GetStringElement(i, 0);
    return items;
}

bool SystemOption::StoreItems(const std::vector<std::string>& items, bool widen) {
    if (widen && GetElementNumber() != kItemCount) {
        // A fresh table of 123 items; the caller holds every value in `items`.
        if (SetElementNumber(kItemCount) == 0) return false;
    }
    const int count = GetElementNumber();
    if (count <= 0 || count > kItemCount) return false;
    XCStringArrayEx row(std::vector<std::string>(items.begin(), items.begin() + count));
    return GetRecordNumber() > 0 ? CorrectString(0, row) != 0 : InsertString(row) != 0;
}

int SystemOption::GetSODataFromFileToMemory() {
    if (env_ == nullptr) {
        err_.SetErr(4001);
        return -1;
    }
    DeleteAllString();
    modified_ = false;
    StoreKey key;
    if (GetStoreKey(env_, key) != 0) {
        err_.SetErr(4207);
        return -27;
    }
    switch (LoadCSVFile(Path(), key.get())) {
        case kLoadOk:
            break;
        case kLoadCannotOpen:
            err_.SetErr(4201);
            return -21;
        case kLoadNoRecord:
            err_.SetErr(4202);
            return -22;
        case kLoadFieldCount:
            err_.SetErr(4203);
            return -23;
        default:
            err_.SetErr(4205);
            return -25;
    }
    if (!HasValidRecord()) {
        err_.SetErr(4003);
        return -3;
    }
    return 0;
}

int SystemOption::Write(int compel) {
    if (const int r = CheckReady(); r != 0) return r;
    if (!compel && !modified_) return 0;
    StoreKey key;
    if (GetStoreKey(env_, key) != 0) {
        err_.SetErr(4207);
        return -27;
    }
    if (SaveCSVFile(Path(), compel, key.get()) != 1) {
        err_.SetErr(4204);
        return -24;
    }
    modified_ = false;
    return 0;
}

int SystemOption::WriteSODataFromMemoryToFile() { return Write(0); }
int SystemOption::WriteSODataFromMemoryToFileCompel() { return Write(1); }

int SystemOption::GetSODataFromMemoryToAllData(std::vector<std::string>& list) {
    if (const int r = CheckReady(); r != 0) return r;
    list = AllItems();
    return 0;
}

int SystemOption::SetSODataFromAllDataToMemory(const std::vector<std::string>& list) {
    if (env_ == nullptr) {
        err_.SetErr(4001);
        return -1;
    }
    const int n = static_cast<int>(list.size());
    if (!ValidItemCount(n)) {
        err_.SetErr(4005);
        return -5;
    }
    std::vector<std::string> items(list);
    items.resize(kItemCount);
    if (!StoreItems(items, n == kItemCount)) {
        err_.SetErr(4099);
        return -19;
    }
    modified_ = true;
    return 0;
}

int SystemOption::GetSODataFromMemoryPinPoint(int index, std::string& out) {
    if (const int r = CheckReady(); r != 0) return r;
    if (index < 0 || index >= kItemCount) {
        err_.SetErr(4004);
        return -4;
    }
    out = index < GetElementNumber() ? GetStringElement(index, 0) : std::string();
    return 0;
}

int SystemOption::SetSODataToMemoryPinPoint(int index, const std::string& text) {
    if (const int r = CheckReady(); r != 0) return r;
    if (index < 0 || index >= kItemCount) {
        err_.SetErr(4004);
        return -4;
    }
    std::vector<std::string> items = AllItems();
    items[static_cast<std::size_t>(index)] = text;
    if (!StoreItems(items, index >= GetElementNumber())) {
        err_.SetErr(4099);
        return -19;
    }
    modified_ = true;
    return 0;
}

int SystemOption::GetSOExtractDataFromMemory(std::vector<std::string>& list) {
    if (const int r = CheckReady(); r != 0) return r;
    const std::vector<std::string> items = AllItems();
    list.assign(items.begin() + 14, items.begin() + 34);
    return 0;
}

int SystemOption::GetSOExtractTypeFromMemory(std::vector<int>& list) {
    if (const int r = CheckReady(); r != 0) return r;
    const std::vector<std::string> items = AllItems();
    list.clear();
    for (int i = 34; i < 54; ++i) list.push_back(std::atoi(items[static_cast<std::size_t>(i)].c_str()));
    return 0;
}
