// ExtractListViewer: the list of saved extractions.
#include "core/addressbook/extract_list_viewer.h"

#include "core/addressbook/extract_files.h"
#include "core/foundation/cp932.h"
#include "core/foundation/date_utils.h"
#include "core/foundation/env_layout.h"
#include "core/foundation/env_manager.h"
#include "core/foundation/sequencer.h"
#include "core/foundation/store_key.h"
#include "platform/notifier.h"

namespace {
constexpr int kColId = 0, kColName = 1, kColUpdate = 2, kColDelete = 3, kColHonorific = 4;
}  // namespace

ExtractListViewer::ExtractListViewer(EnvManager* env) {
    if (SetEnvManager(env, 1) != 1) FailConstruction(11002);
}

void ExtractListViewer::FailConstruction(int code) {
    err_.SetErr(code);
    platform::Notify(err_.GetLastMsg(), SjisLiteral("設定失敗"), platform::kMbOk | platform::kMbIconError);
    throw platform::UserException(err_.GetLastMsg());
}

int ExtractListViewer::SetEnvManager(EnvManager* env, int load) {
    if (env == nullptr || env_ != nullptr) return 0;
    env_ = env;
    if (load != 0) SetExtractListFromFile(0, nullptr);
    return 1;
}

int ExtractListViewer::SetExtractListFromFile(int useGivenKey, const char* key) {
    if (env_ == nullptr) {
        err_.SetErr(11001);
        return -2;
    }
    SetElementNumber(0);
    count_ = 0;
    changed_ = 0;

    StoreKey storeKey;
    const char* useKey = nullptr;
    if (!ChooseStoreKey(env_, useGivenKey, key, storeKey, useKey)) {
        err_.SetErr(11201);
        return -3;
    }
    const std::string path = env_layout::ExtractListFile(*env_);
    const int loaded = LoadCSVFile(path, useKey);
    if ((loaded == kLoadCannotOpen || loaded == kLoadNoRecord) &&
        ClassifyUnloadedFile(path) == UnloadedFile::kUnreadable) {
        // Unreadable, not absent: an empty list here would later be written over it. With
        // no element count the table takes no entry and saves nothing.
        SetElementNumber(0);
        err_.SetErr(11201);
        return -3;
    }
    if (loaded == kLoadCannotOpen || loaded == kLoadNoRecord) {
        SetElementNumber(kElements);
        changed_ = 0;
        return 0;
    }
    if (loaded < 0) {
        err_.SetErr(11201);
        return -2;
    }
    count_ = GetRecordNumber();
    if (GetElementNumber() != kElements) {
        err_.SetErr(11201);
        return -1;
    }
    return count_;
}

int ExtractListViewer::ExtractID2RowNumber(int id) const {
    if (count_ == 0) return -3;
    return TotalAgreementReference(std::to_string(id).c_str(), kColId, 0, 1);
}

int ExtractListViewer::GetNewExtractID() {
    if (env_ != nullptr) {
        Sequencer seq;
        if (seq.SetEnvManager(env_) == 1 && seq.SetSeqType(SEQ_ID_EXTRACT) == 1) {
            for (int k = 0; k < kMaxIdDraws; ++k) {
                int value = 0;
                if (seq.NextValue(value) == 0) break;
                if (ExtractID2RowNumber(value) < 0) return value;
            }
        }
    }
    err_.SetErr(11005);
    return -1;
}

int ExtractListViewer::CountExtractList() const {
    int n = 0;
    for (int row = 0; row < GetRecordNumber(); ++row)
        if (GetStringElement(kColDelete, row) != "Y") ++n;
    return n;
}

int ExtractListViewer::GetExtractList(std::vector<ExtractViewData>& out) const {
    out.clear();
    for (int row = 0; row < GetRecordNumber(); ++row) {
        if (GetStringElement(kColDelete, row) == "Y") continue;
        ExtractViewData v;
        v.id = std::atoi(GetStringElement(kColId, row).c_str());
        v.name = GetStringElement(kColName, row);
        v.lastUpdate = Convert_DateData2COleDateTime(GetStringElement(kColUpdate, row));
        v.deleteMark = GetStringElement(kColDelete, row);
        v.honorific = GetStringElement(kColHonorific, row);
        out.push_back(std::move(v));
    }
    return static_cast<int>(out.size());
}

int ExtractListViewer::SetExtractViewData(ExtractViewData& out, int index) const {
    out = ExtractViewData();
    if (index < 0 || index >= GetRecordNumber()) return -1;
    out.id = std::atoi(GetStringElement(kColId, index).c_str());
    out.name = GetStringElement(kColName, index);
    out.lastUpdate = Convert_DateData2COleDateTime(GetStringElement(kColUpdate, index));
    out.deleteMark = GetStringElement(kColDelete, index);
    out.honorific = GetStringElement(kColHonorific, index);
    return 0;
}

int ExtractListViewer::InsertExtractList(const ExtractViewData& entry) {
    if (entry.id < 0 || entry.name.empty() || ExtractID2RowNumber(entry.id) >= 0) {
        err_.SetErr(11006);
        return 0;
    }
    const std::string id = std::to_string(entry.id);
    const std::string now = GetNowDateTime();
    const char* const row[kElements] = {id.c_str(), entry.name.c_str(), now.c_str(), "", ""};
    if (InsertString(row) != 1) {
        err_.SetErr(11999);
        return 0;
    }
    count_ = GetRecordNumber();
    changed_ = 1;
    return 1;
}

int ExtractListViewer::CorrectExtractListPinPoint(const char* text, int id, int element) {
    if (element < 0 || element >= kElements) {
        err_.SetErr(11004);
        return 0;
    }
    const int row = ExtractID2RowNumber(id);
    if (row < 0) {
        err_.SetErr(11003);
        return 0;
    }
    XCStringArrayEx values;
    if (GetString(row, values) != 1) {
        err_.SetErr(11999);
        return 0;
    }
    values.SetAt(element, text != nullptr ? text : "");
    if (CorrectString(row, values) != 1) {
        err_.SetErr(11999);
        return 0;
    }
    changed_ = 1;
    return 1;
}

int ExtractListViewer::GetElement(int id, int element, std::string& out) {
    out.clear();
    const int row = ExtractID2RowNumber(id);
    if (row < 0) {
        err_.SetErr(11003);
        return -1;
    }
    out = GetStringElement(element, row);
    return 0;
}

int ExtractListViewer::GetExtractName(int id, std::string& out) { return GetElement(id, kColName, out); }
int ExtractListViewer::GetExtractLaseUpdate(int id, std::string& out) { return GetElement(id, kColUpdate, out); }
int ExtractListViewer::GetExtractHonorific(int id, std::string& out) { return GetElement(id, kColHonorific, out); }

int ExtractListViewer::GetDeleteExtractIDList(std::vector<int>& out) const {
    out.clear();
    for (int row = 0; row < GetRecordNumber(); ++row)
        if (GetStringElement(kColDelete, row) == "Y") out.push_back(std::atoi(GetStringElement(kColId, row).c_str()));
    return 0;
}

int ExtractListViewer::GetAllExtractID(std::vector<int>& out) const {
    out.clear();
    for (int row = 0; row < GetRecordNumber(); ++row) out.push_back(std::atoi(GetStringElement(kColId, row).c_str()));
    return 0;
}

int ExtractListViewer::Write(int compel) {
    if (env_ == nullptr) {
        err_.SetErr(11001);
        return 0;
    }
    if (compel == 0 && changed_ == 0) return 1;
    StoreKey key;
    if (GetStoreKey(env_, key) != 0 || SaveCSVFileCompel(env_layout::ExtractListFile(*env_), key.get()) != 1) {
        err_.SetErr(11202);
        return 0;
    }
    changed_ = 0;
    return 1;
}

int ExtractListViewer::WriteAllExtractListToFile() { return Write(0); }
int ExtractListViewer::WriteAllExtractListToFileCompel() { return Write(1); }

int ExtractListViewer::WriteFromMemoryToFileAppointFileName(const std::string& path, const char* key) {
    if (SaveCSVFileCompel(path, key) != 1) {
        err_.SetErr(11202);
        return 0;
    }
    return 1;
}
