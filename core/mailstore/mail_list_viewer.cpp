#include "core/mailstore/mail_list_viewer.h"

#include <dirent.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>

#include "core/foundation/cp932.h"
#include "core/foundation/date_utils.h"
#include "core/foundation/env_layout.h"
#include "core/foundation/env_manager.h"
#include "core/foundation/file_info.h"
#include "core/foundation/sequencer.h"
#include "core/foundation/store_key.h"
#include "core/mailstore/history_list_viewer.h"
#include "core/mailstore/mail_update.h"
#include "core/mailstore/mail_writer.h"
#include "platform/named_mutex.h"
#include "platform/notifier.h"
#include "platform/path.h"
#include "platform/safe_write.h"

namespace {

using Lock = std::lock_guard<platform::NamedMutex>;

enum Column : int {
    kId = 0, kTitle = 1, kAddressName = 2, kStatus = 3, kEntry = 4, kRenewal = 5, kReserve = 6,
    kSent = 7, kErrors = 8, kOpened = 9, kSetAddress = 10, kSpecial = 11, kHonorific = 12,
};

constexpr const char* kMultipartAlternative = "Content-Type: multipart/alternative";

platform::NamedMutex& ListMutex() {
    static platform::NamedMutex mutex(CMailListViewer::kMutexName);
    return mutex;
}

bool IsCanonicalId(const std::string& text, int& id) {
    if (text.empty() || text.size() > 9) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    if (text.size() > 1 && text[0] == '0') return false;
    id = std::atoi(text.c_str());
    return true;
}

std::string DateText(const platform::DateTime& d) { return Convert_COleDateTime2DateData(d); }

}  // namespace

CMailListViewer::CMailListViewer() {
    Lock lock(ListMutex());
    Init();
}

CMailListViewer::CMailListViewer(EnvManager* env) : CMailListViewer() {
    if (SetEnvManager(env) == 0) {
        const std::string& text = SjisLiteral("メール一覧情報へ環境を設定できませんでした");
        platform::Notify(text);
        throw platform::UserException(text);
    }
}

int CMailListViewer::Init() {
    Lock lock(ListMutex());
    if (GetElementNumber() < 0) SetElementNumber(kElements);
    SetElementNumber_Y2(kOldElements);
    env_ = nullptr;
    indexedLines_ = -1;
    return 1;
}

int CMailListViewer::SetEnvManager(EnvManager* env) {
    {
        Lock lock(ListMutex());
        if (env_ != nullptr || env == nullptr) return 0;
        env_ = env;
    }
    return ReadMailList() >= 0 ? 1 : 0;
}

int CMailListViewer::ReadMailList() {
    std::vector<int> repaired;
    int count = 0;
    {
        Lock lock(ListMutex());
        if (env_ == nullptr) return -2;
        RemoveAll(0);
        indexedLines_ = -1;
        SetDBFilePath(env_layout::MailListFile(*env_));
        // Temporaries of saves that a killed process left.
        platform::RemoveStaleTemporaries(GetDBFilePath());
        StoreKey key;
        if (GetStoreKey(env_, key) != 0) return -27;
        const int r = ReadDBFile(key.get());
        if (r < 0 && r != kErrNoRecord) return r;
        if (GetElementNumber() != kElements) return -3;
        // Updates a killed process left, before the repair looks at the mails' files.
        MailUpdate::RecoverAll(env_, this);
        repaired = RepairMailList();
        count = GetLineNumber();
    }
    // Told after the lock is released, so that the send/receive worker does not wait for
    // the user to close the message.
    if (!repaired.empty()) {
        std::string text = "メールID: " + std::to_string(repaired[0]);
        for (std::size_t i = 1; i < repaired.size(); ++i) text += ", " + std::to_string(repaired[i]);
        text +=
            " を復旧しました\r\n\r\nなお、データの不足により、下記の項目は復旧できません\r\n"
            "[宛先名称] [敬称] [状態] [送信日時] [作成日時] [更新日時]\r\n"
            "これらの項目は、確認の上、必要があれば手動で修正をしてください";
        platform::Notify(Utf8ToSjis(text), SjisLiteral("メール一覧にエラーがありました"),
                         platform::kMbOk | platform::kMbIconInformation);
    }
    return count;
}

int CMailListViewer::WriteMailList(int force) {
    Lock lock(ListMutex());
    if (env_ == nullptr) return -1;
    StoreKey key;
    if (GetStoreKey(env_, key) != 0) return -1;
    if (env_->GetEnvType() == 3) force = 0;
    return WriteDBFile(force, key.get()) == 0 ? 0 : -1;
}

int CMailListViewer::WriteFromMemoryToFileAppointFileName(const std::string& path, const char* key) {
    const std::string own = GetDBFilePath();
    SetDBFilePath(path);
    const int r = WriteDBFile(1, key);
    SetDBFilePath(own);
    return r == 0 ? 0 : -1;
}

int CMailListViewer::MailID2RowNumber(int mailID) {
    const int lines = GetLineNumber();
    if (lines <= 0) return -1;
    const std::string text = std::to_string(mailID);
    auto it = index_.find(mailID);
    if (it != index_.end() && it->second < lines && GetAtElement(it->second, kId) == text) return it->second;
    if (it == index_.end() && indexedLines_ == lines) return -1;
    // Stale (lines added, removed or renumbered): rebuild. The first line of an ID wins,
    // as a search from the top would find.
    index_.clear();
    index_.reserve(static_cast<std::size_t>(lines));
    for (int row = 0; row < lines; ++row) {
        int id;
        if (IsCanonicalId(GetAtElement(row, kId), id)) index_.emplace(id, row);
    }
    indexedLines_ = lines;
    it = index_.find(mailID);
    return it == index_.end() ? -1 : it->second;
}

unsigned long CMailListViewer::ConvertStatusStrToDword(const std::string& status) {
    return mail_status::StatusBit(status);
}

int CMailListViewer::GetNewMailID() {
    Lock lock(ListMutex());
    if (env_ == nullptr) return -1;
    Sequencer seq;
    if (seq.SetEnvManager(env_) == 0 || seq.SetSeqType(SEQ_ID_MAIL) == 0) return -1;
    for (int i = 0; i < kMaxIdDraws; ++i) {
        int id;
        if (seq.NextValue(id) == 0) return -1;
        if (MailID2RowNumber(id) < 0) return id;
    }
    return -1;
}

int CMailListViewer::CountMail() {
    Lock lock(ListMutex());
    if (env_ == nullptr) return -1;
    return GetLineNumber();
}

int CMailListViewer::CountMailByViewType(unsigned long mask, std::vector<int>* ids) {
    Lock lock(ListMutex());
    if (ids != nullptr) ids->clear();
    int count = 0;
    for (int row = 0; row < GetLineNumber(); ++row) {
        if ((mail_status::ViewBits(GetAtElement(row, kStatus)) & mask) == 0) continue;
        ++count;
        if (ids != nullptr) ids->push_back(std::atoi(GetAtElement(row, kId).c_str()));
    }
    return count;
}

int CMailListViewer::CountMailByMailStatus(unsigned long mask, std::vector<int>* ids, int exclude) {
    Lock lock(ListMutex());
    if (ids != nullptr) ids->clear();
    int count = 0;
    for (int row = 0; row < GetLineNumber(); ++row) {
        const unsigned long bit = ConvertStatusStrToDword(GetAtElement(row, kStatus));
        if (bit == 0) continue;
        if (((bit & mask) != 0) == (exclude != 0)) continue;
        ++count;
        if (ids != nullptr) ids->push_back(std::atoi(GetAtElement(row, kId).c_str()));
    }
    return count;
}

int CMailListViewer::GetMailData(int mailID, COneMailData& record) {
    Lock lock(ListMutex());
    const int row = MailID2RowNumber(mailID);
    XCStringArrayEx line;
    if (row < 0 || GetAtLine(row, line) != 0) return -1;
    const platform::DateTime now = platform::DateTime::GetCurrentTime();
    // A reused record must not show the previous mail's values where this line's are bad.
    record.Init();
    record.SetCheckCharacterCodeFlag(1);
    record.SetMailID(mailID);
    record.SetMailTitle(line[kTitle]);
    record.SetAddressName(line[kAddressName]);
    record.SetHonorific(line[kHonorific]);
    record.SetStatus(line[kStatus], 0);
    record.SetSentNumber(line[kSent]);
    record.SetErrorNumber(line[kErrors]);
    record.SetOpenNumber(line[kOpened]);
    // Entry, renewal and set-address dates never lie in the future; the reserve date may.
    record.SetDate(COneMailData::kEntryDate, line[kEntry].substr(0, 19), 1, &now, nullptr, &now);
    record.SetDate(COneMailData::kRenewalDate, line[kRenewal].substr(0, 19), 1, &now, nullptr, &now);
    record.SetDate(COneMailData::kReserveDate, line[kReserve].substr(0, 19), 0);
    record.SetDate(COneMailData::kSetAddressDate, line[kSetAddress].substr(0, 19), 1, &now, nullptr, &now);
    record.SetSpecialFlag(line[kSpecial]);
    return 0;
}

int CMailListViewer::GetMailDataPinPoint(int mailID, int element, std::string& out) {
    Lock lock(ListMutex());
    out.clear();
    const int row = MailID2RowNumber(mailID);
    if (row < 0) return -1;
    if (element < 0 || element >= kElements) return -2;
    out = GetAtElement(row, element);
    return 0;
}

int CMailListViewer::GetMailDataForReprint(int mailID, COneMailData& record) {
    Lock lock(ListMutex());
    const platform::DateTime now = platform::DateTime::GetCurrentTime();
    COneMailData source;
    if (GetMailData(mailID, source) != 0) return -1;
    record.Init();
    record.SetCheckCharacterCodeFlag(1);
    COneMailData::Copy(record, source);
    const int id = GetNewMailID();
    if (id < 0) return -2;
    record.SetMailID(id);
    record.SetStatus("D", 0);
    record.SetDate(COneMailData::kEntryDate, now, 0);
    record.SetDate(COneMailData::kRenewalDate, now, 0);
    record.SetSentNumber(0);
    record.SetErrorNumber(0);
    record.SetOpenNumber(0);
    // Position 0: the copy's recipients come from another mail's send history.
    record.SetSpecialFlag(0, "Y");
    return SetMailData(record) == 0 ? 0 : -3;
}

int CMailListViewer::SetMailData(const COneMailData& r) { return SetMailLine(LineOf(r)); }

XCStringArrayEx CMailListViewer::LineOf(const COneMailData& r) {
    XCStringArrayEx line;
    line.SetSize(kElements);
    line[kId] = std::to_string(r.GetMailID());
    line[kTitle] = r.GetMailTitle();
    line[kAddressName] = r.GetAddressName();
    line[kStatus] = r.GetStatus();
    line[kEntry] = DateText(r.GetEntryDate());
    line[kRenewal] = DateText(r.GetRenewalDate());
    line[kReserve] = DateText(r.GetReserveDate());
    line[kSent] = std::to_string(r.GetSentNumber());
    line[kErrors] = std::to_string(r.GetErrorNumber());
    line[kOpened] = std::to_string(r.GetOpenNumber());
    line[kSetAddress] = DateText(r.GetSetAddressDate());
    line[kSpecial] = r.GetSpecialFlag();
    line[kHonorific] = r.GetHonorific();
    return line;
}

int CMailListViewer::SetMailLine(const XCStringArrayEx& line) {
    Lock lock(ListMutex());
    if (line.GetSize() != kElements) return -1;
    const int row = MailID2RowNumber(std::atoi(line.GetAt(kId).c_str()));
    if (row < 0) return AddLine(line) >= 0 ? 0 : -1;
    return SetAtLine(row, line) == 0 ? 0 : -2;
}

int CMailListViewer::SetMailDataPinPoint(int mailID, int element, const std::string& value) {
    Lock lock(ListMutex());
    const int row = MailID2RowNumber(mailID);
    if (row < 0) return -1;
    if (element < 0 || element >= kElements) return -2;
    return SetAtElement(row, element, value) == 0 ? 0 : -3;
}

int CMailListViewer::SetStatusOf(int mailID, const char* status) {
    const int r = SetMailDataPinPoint(mailID, kStatus, status);
    return r == -3 ? -2 : r;
}

int CMailListViewer::DeleteMailData(int mailID) { return SetStatusOf(mailID, "S"); }
int CMailListViewer::UnDeleteMailData(int mailID) { return SetStatusOf(mailID, "D"); }

platform::NamedMutex& CMailListViewer::Mutex() { return ListMutex(); }

int CMailListViewer::FindMailData(int mailID) {
    Lock lock(ListMutex());
    return MailID2RowNumber(mailID) >= 0 ? 0 : 1;
}

int CMailListViewer::RemoveMailData(int mailID) {
    Lock lock(ListMutex());
    const int row = MailID2RowNumber(mailID);
    if (row < 0) return -1;
    return RemoveLine(row) == 0 ? 0 : -2;
}

int CMailListViewer::Update4AddHtmlMailAbility() {
    Lock lock(ListMutex());
    for (int row = 0; row < GetLineNumber(); ++row) {
        std::string flags = GetAtElement(row, kSpecial);
        if (flags.size() >= 2) continue;
        flags = flags.empty() ? "NN" : flags + "N";
        if (SetAtElement(row, kSpecial, flags) != 0) return -3;
    }
    return WriteMailList(0) == 0 ? 0 : -4;
}

// ---- Repair -----------------------------------------------------------------------------

std::vector<int> CMailListViewer::GetMailFolderNameInThisEnv() {
    std::vector<int> ids;
    const std::string folder = env_layout::MailFolder(*env_);
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return ids;
    while (const dirent* e = ::readdir(dir)) {
        int id;
        const std::string name = e->d_name;
        if (!IsCanonicalId(name, id)) continue;
        if (platform::IsDirectory(folder + name)) ids.push_back(id);
    }
    ::closedir(dir);
    std::sort(ids.begin(), ids.end());
    return ids;
}

bool CMailListViewer::CheckMailFolderInThisEnv(int mailID) {
    return platform::IsRegularFile(env_layout::MailRecordFile(*env_, mailID)) &&
           platform::IsRegularFile(env_layout::MailRecipientFile(*env_, mailID)) &&
           platform::IsRegularFile(env_layout::MailConditionFile(*env_, mailID));
}

COneMailData CMailListViewer::RebuildRecord(int mailID) {
    COneMailData r;
    r.SetCheckCharacterCodeFlag(1);
    r.SetMailID(mailID);
    MailWriter bodies;
    bodies.SetEnvManager(env_);
    bodies.SetTermNum(7);
    const bool haveBodies = bodies.SetMailFromFile(mailID, 0, nullptr) == 1;
    if (haveBodies) r.SetMailTitle(bodies.GetMailElement(0, TERM_PC));
    r.SetAddressName(SjisLiteral("（修復のため不明）"));
    r.SetHonorific("");
    r.SetStatus("D", 0);
    platform::DateTime now = platform::DateTime::GetCurrentTime();
    r.SetDate(COneMailData::kEntryDate, now, 0);
    r.SetDate(COneMailData::kRenewalDate, now, 0);
    platform::DateTime reserve = now;
    r.SetDate(COneMailData::kReserveDate, AdjustTime(reserve), 0);

    int attempts = 0, failed = 0, opened = 0;
    HistoryListViewer::CountsOnDisk(env_, this, mailID, attempts, failed, opened);
    r.SetSentNumber(attempts);
    r.SetErrorNumber(failed);
    r.SetOpenNumber(opened);

    std::string stamp;
    if (GetFileStat_LastRenewalDate(env_layout::MailRecipientFile(*env_, mailID), stamp) == 1)
        r.SetDate(COneMailData::kSetAddressDate, stamp, 0);
    else
        r.SetDate(COneMailData::kSetAddressDate, now, 0);

    std::string flags = "N";
    if (haveBodies && bodies.GetMailElement(1, TERM_PC).find(kMultipartAlternative) != std::string::npos) {
        flags += "Y";
    } else {
        bool mobile = false;
        for (int t = 1; haveBodies && t <= 4 && !mobile; ++t)
            mobile = bodies.GetMailElement(1, t).find(kMultipartAlternative) != std::string::npos;
        flags += mobile ? "M" : "N";
    }
    r.SetSpecialFlag(flags);
    return r;
}

std::vector<int> CMailListViewer::RepairMailList() {
    std::vector<int> known;
    for (int row = 0; row < GetLineNumber(); ++row)
        if (ConvertStatusStrToDword(GetAtElement(row, kStatus)) != 0)
            known.push_back(std::atoi(GetAtElement(row, kId).c_str()));
    std::sort(known.begin(), known.end());

    std::vector<int> repaired;
    for (int id : GetMailFolderNameInThisEnv()) {
        if (std::binary_search(known.begin(), known.end(), id)) continue;
        if (!CheckMailFolderInThisEnv(id)) continue;
        if (repaired.empty()) {
            // Keep the list as it was before anything is changed in it.
            std::string old;
            const std::string path = env_layout::MailListFile(*env_);
            if (platform::ReadWholeFile(path, old)) platform::WriteFileAtomically(path + ".bak", old, true);
        }
        const int row = MailID2RowNumber(id);
        if (row >= 0) {
            // The line is there, only its status is damaged: keep what it knows.
            SetAtElement(row, kStatus, "D");
        } else {
            SetMailData(RebuildRecord(id));
        }
        repaired.push_back(id);
    }
    if (!repaired.empty()) WriteMailListCompel();
    return repaired;
}
