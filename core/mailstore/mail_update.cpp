#include "core/mailstore/mail_update.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <set>

#include "core/foundation/directory_utils.h"
#include "core/foundation/env_layout.h"
#include "core/foundation/record_table.h"
#include "core/mailstore/mail_list_viewer.h"
#include "platform/path.h"
#include "platform/safe_write.h"

namespace {

constexpr const char* kStagingRoot = "UPDATE/";
constexpr const char* kRecordName = "commit.dat";
constexpr const char* kFormat = "1";
constexpr int kRecordElements = 3;

// Mails some thread of the process is updating or recovering (by staging folder).
class BusyMails {
public:
    void Acquire(const std::string& key) {
        std::unique_lock<std::mutex> lock(mutex_);
        released_.wait(lock, [&] { return held_.count(key) == 0; });
        held_.insert(key);
    }
    bool TryAcquire(const std::string& key) {
        std::lock_guard<std::mutex> lock(mutex_);
        return held_.insert(key).second;
    }
    void Release(const std::string& key) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            held_.erase(key);
        }
        released_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable released_;
    std::set<std::string> held_;
};

BusyMails& Busy() {
    static BusyMails busy;
    return busy;
}

bool IsDecimal(const std::string& text) {
    if (text.empty() || text.size() > 9 || (text.size() > 1 && text[0] == '0')) return false;
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A path inside the mail folder as the record holds it: components joined by '/', none
// empty, "." or "..", no control byte. ('/' is never a Shift_JIS trail byte.)
bool IsSafeInnerPath(const std::string& path) {
    if (path.empty() || path.front() == '/' || path.back() == '/') return false;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = path.find('/', start);
        const std::string part = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (part.empty() || part == "." || part == "..") return false;
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return std::none_of(path.begin(), path.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

bool IsSafeStagedName(const std::string& name) {
    return name.size() > 1 && name[0] == 's' && IsDecimal(name.substr(1));
}

void RemoveStaging(const std::string& staging) {
    std::error_code ec;
    std::filesystem::remove_all(staging, ec);
    // The common root goes with the last mail's folder (fails harmlessly while others remain).
    std::string root = staging.substr(0, staging.size() - 1);
    root = platform::FolderOf(root);
    platform::TestStep("mail-update-root");
    ::rmdir(root.c_str());
}

// Flushes a staged file's bytes to the disk.
bool SyncFile(const std::string& path) {
    const int fd = platform::OpenPrivateFile(path, O_RDONLY);
    if (fd < 0) return false;
    const bool ok = ::fdatasync(fd) == 0;
    ::close(fd);
    return ok;
}

struct Record {
    std::vector<std::pair<std::string, std::string>> renames;  // staged name, inner path
    std::vector<std::string> removals;                         // inner paths
    XCStringArrayEx line;                                      // empty: no list line
};

// Reads a commit record; false when it is damaged or not one for mail `id`.
bool ReadRecord(const std::string& path, const StoreKey& key, int id, Record& out) {
    BaseRecordStructer table;
    if (table.LoadCSVFile(path, key.get()) != BaseRecordStructer::kLoadOk ||
        table.GetElementNumber() != kRecordElements || table.GetRecordNumber() < 1)
        return false;
    if (table.GetStringElement(0, 0) != "V" || table.GetStringElement(1, 0) != kFormat ||
        table.GetStringElement(2, 0) != std::to_string(id))
        return false;
    std::vector<std::pair<int, std::string>> elements;
    for (int row = 1; row < table.GetRecordNumber(); ++row) {
        const std::string kind = table.GetStringElement(0, row);
        const std::string a = table.GetStringElement(1, row);
        const std::string b = table.GetStringElement(2, row);
        if (kind == "R") {
            if (!IsSafeStagedName(a) || !IsSafeInnerPath(b)) return false;
            out.renames.emplace_back(a, b);
        } else if (kind == "D") {
            if (!IsSafeInnerPath(a)) return false;
            out.removals.push_back(a);
        } else if (kind == "L") {
            if (!IsDecimal(a)) return false;
            elements.emplace_back(std::atoi(a.c_str()), b);
        } else {
            return false;
        }
    }
    // The line's elements come in order, each once.
    for (std::size_t i = 0; i < elements.size(); ++i) {
        if (elements[i].first != static_cast<int>(i)) return false;
        out.line.Add(elements[i].second);
    }
    return true;
}

// Carries out a committed update (step 3 of the header). kOk also when the list line had
// to be left for the list's next read (list null): the record then stays.
int CarryOut(const std::string& staging, const std::string& mailFolder, const Record& record,
             CMailListViewer* list) {
    for (const auto& [staged, inner] : record.renames) {
        const std::string from = staging + staged;
        if (!platform::PathExists(from)) continue;  // put in place before an interruption
        const std::string to = mailFolder + inner;
        if (MakeDirectoryCompel(platform::FolderOf(to)) != 0) return MailUpdate::kNotApplied;
        platform::TestStep("mail-update-rename");
        if (std::rename(from.c_str(), to.c_str()) != 0) return MailUpdate::kNotApplied;
    }
    for (const std::string& inner : record.removals) {
        platform::TestStep("mail-update-remove");
        // A file that stays only takes room: nothing lists it any more.
        ::unlink((mailFolder + inner).c_str());
    }
    if (record.line.GetSize() > 0) {
        if (list == nullptr) return MailUpdate::kOk;
        if (record.line.GetSize() != CMailListViewer::kElements || list->SetMailLine(record.line) != 0)
            return MailUpdate::kFailed;
        if (list->WriteMailListCompel() != 0) return MailUpdate::kListNotWritten;
    }
    platform::TestStep("mail-update-finish");
    ::unlink((staging + kRecordName).c_str());
    RemoveStaging(staging);
    return MailUpdate::kOk;
}

// Recovery of a mail the caller holds busy: kOk when nothing is pending any more (or only
// the list line, with list null), else the failure of CarryOut or kFailed for a damaged
// record.
int RecoverHeld(const EnvManager& env, int id, const StoreKey& key, CMailListViewer* list) {
    const std::string staging = MailUpdate::StagingFolder(env, id);
    if (!platform::IsDirectory(staging)) return MailUpdate::kOk;
    const std::string recordPath = staging + kRecordName;
    if (!platform::PathExists(recordPath)) {
        // Not committed: the mail's own files were never touched.
        RemoveStaging(staging);
        return MailUpdate::kOk;
    }
    Record record;
    if (!ReadRecord(recordPath, key, id, record)) return MailUpdate::kFailed;
    return CarryOut(staging, env_layout::OneMailFolder(env, id), record, list);
}

}  // namespace

std::string MailUpdate::StagingFolder(const EnvManager& env, int id) {
    return env_layout::MailFolder(env) + kStagingRoot + std::to_string(id) + "/";
}

std::vector<int> MailUpdate::PendingMails(const EnvManager& env) {
    std::vector<int> ids;
    const std::string root = env_layout::MailFolder(env) + kStagingRoot;
    DIR* dir = ::opendir(root.c_str());
    if (dir == nullptr) return ids;
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (IsDecimal(name) && platform::IsDirectory(root + name)) ids.push_back(std::atoi(name.c_str()));
    }
    ::closedir(dir);
    std::sort(ids.begin(), ids.end());
    return ids;
}

void MailUpdate::RecoverAll(EnvManager* env, CMailListViewer* list) {
    if (env == nullptr) return;
    for (int id : PendingMails(*env)) Recover(env, id, list);
    // Left empty by a process killed just after it removed a mail's folder.
    ::rmdir((env_layout::MailFolder(*env) + kStagingRoot).c_str());
}

int MailUpdate::Recover(EnvManager* env, int id, CMailListViewer* list) {
    if (env == nullptr || id < 0) return kOk;
    const std::string staging = StagingFolder(*env, id);
    if (!platform::IsDirectory(staging)) return kOk;
    if (!Busy().TryAcquire(staging)) return kOk;  // the thread working on it finishes it
    StoreKey key;
    int r = kFailed;
    if (GetStoreKey(env, key) == 0) r = RecoverHeld(*env, id, key, list);
    Busy().Release(staging);
    return r == kOk || r == kListNotWritten ? kOk : kFailed;
}

MailUpdate::~MailUpdate() {
    if (!committed_) Abort();
    Release();
}

void MailUpdate::Release() {
    if (held_) Busy().Release(staging_);
    held_ = false;
}

int MailUpdate::Begin(EnvManager* env, int id, CMailListViewer* list) {
    if (held_) Abort();
    Release();
    committed_ = false;
    entries_.clear();
    line_ = XCStringArrayEx();
    if (env == nullptr || id < 0 || GetStoreKey(env, key_) != 0) return kFailed;
    env_ = env;
    id_ = id;
    staging_ = StagingFolder(*env, id);
    mailFolder_ = env_layout::OneMailFolder(*env, id);
    Busy().Acquire(staging_);
    held_ = true;
    bool ready = RecoverHeld(*env, id, key_, list) == kOk && !platform::IsDirectory(staging_);
    // Another mail's update may remove the common root just as it is made: try again.
    for (int attempt = 0; ready && MakeDirectoryCompel(staging_) != 0; ++attempt)
        if (attempt == 2) ready = false;
    if (!ready) {
        // An earlier update that cannot be finished stays as it is.
        Release();
        return kFailed;
    }
    return kOk;
}

std::string MailUpdate::InsideMailFolder(const std::string& target) const {
    if (target.size() <= mailFolder_.size() || target.compare(0, mailFolder_.size(), mailFolder_) != 0) return "";
    const std::string inner = target.substr(mailFolder_.size());
    return IsSafeInnerPath(inner) ? inner : "";
}

std::string MailUpdate::Stage(const std::string& target) {
    if (!held_ || committed_) return "";
    const std::string inner = InsideMailFolder(target);
    if (inner.empty()) return "";
    // A file staged twice keeps its first name: the later content replaces the earlier.
    for (const Entry& e : entries_)
        if (!e.staged.empty() && e.target == inner) return staging_ + e.staged;
    std::size_t staged = 0;
    for (const Entry& e : entries_) staged += e.staged.empty() ? 0 : 1;
    entries_.push_back({"s" + std::to_string(staged), inner});
    return staging_ + entries_.back().staged;
}

bool MailUpdate::Remove(const std::string& target) {
    if (!held_ || committed_) return false;
    const std::string inner = InsideMailFolder(target);
    if (inner.empty()) return false;
    entries_.push_back({"", inner});
    return true;
}

int MailUpdate::Commit(CMailListViewer* list) {
    if (!held_ || committed_) return kFailed;
    BaseRecordStructer table;
    table.SetElementNumber(kRecordElements);
    const std::string id = std::to_string(id_);
    const char* header[kRecordElements] = {"V", kFormat, id.c_str()};
    table.InsertString(header);
    for (const Entry& e : entries_) {
        if (e.staged.empty()) {
            const char* row[kRecordElements] = {"D", e.target.c_str(), ""};
            table.InsertString(row);
        } else {
            // Every staged file must be whole on the disk before the record says it is.
            if (!SyncFile(staging_ + e.staged)) {
                Abort();
                return kFailed;
            }
            const char* row[kRecordElements] = {"R", e.staged.c_str(), e.target.c_str()};
            table.InsertString(row);
        }
    }
    for (int i = 0; i < line_.GetSize(); ++i) {
        const std::string index = std::to_string(i);
        const char* row[kRecordElements] = {"L", index.c_str(), line_.GetAt(i).c_str()};
        table.InsertString(row);
    }
    table.SetSyncOnSave(true);
    if (table.SaveCSVFileCompel(staging_ + kRecordName, key_.get()) != 1) {
        Abort();
        return kFailed;
    }
    committed_ = true;
    const int r = RecoverHeld(*env_, id_, key_, list);
    Release();
    return r == kFailed ? kNotApplied : r;
}

void MailUpdate::Abort() {
    if (!held_ || committed_) return;
    RemoveStaging(staging_);
    entries_.clear();
    Release();
}
