#include "core/addressbook/backup_restore.h"

#include <mutex>

#include "core/addressbook/database_edit.h"
#include "core/foundation/cp932.h"
#include "core/foundation/store_key.h"
#include "platform/named_mutex.h"
#include "platform/path.h"
#include "platform/safe_write.h"

namespace {

void AppendIds(std::string& out, const std::vector<int>& ids) {
    for (std::size_t i = 0; i < ids.size(); ++i) {
        if (i != 0) out += ',';
        out += std::to_string(ids[i]);
    }
}

}  // namespace

std::string MakeRestoreReport(const std::string& backupPath, const std::vector<int>& restored,
                              const std::vector<int>& skipped) {
    std::string out = backupPath;
    out += "\r\n";
    out += SjisLiteral("【復旧した個人情報ID】");
    out += "\r\n";
    AppendIds(out, restored);
    out += "\r\n";
    out += SjisLiteral("【同じメールアドレスが存在したため復旧しなかった個人情報ID】");
    out += "\r\n";
    AppendIds(out, skipped);
    return out;
}

// ---- CDBBackup -------------------------------------------------------------------------------

int CDBBackup::SelectBackupPathName(const FileChooser& choose) {
    if (!choose) return 0;
    FileDialogRequest request;
    request.save = true;
    request.defaultExt = "dat";
    request.filter = SjisLiteral("個人情報(*.dat)|*.dat||");
    request.overwritePrompt = true;
    std::string path;
    if (!choose(request, path) || path.empty()) return 0;
    backupPath_ = path;
    return 1;
}

int CDBBackup::ActionBackup() {
    if (backupPath_.empty() || book_ == nullptr || env_ == nullptr) return -1;
    // The coding of the book's own file, so that a backup reads like a generation.
    StoreKey key;
    if (GetStoreKey(env_, key) != 0) return -2;
    return book_->WriteFromMemoryToFileAppointFileName(platform::FixPath(backupPath_), key.get()) < 0 ? -2 : 0;
}

// ---- CDBRestore ------------------------------------------------------------------------------

void CDBRestore::SetBackupPathName(const std::string& path) {
    backupPath_ = path;
    MakeRepairPathName();
}

void CDBRestore::SetRepairFileName(const std::string& name) {
    repairFileName_ = name;
    MakeRepairPathName();
}

int CDBRestore::MakeRepairPathName() {
    if (repairFileName_.empty() || backupPath_.empty()) return 0;
    repairPath_ = platform::FolderOf(platform::FixPath(backupPath_)) + repairFileName_;
    return 1;
}

int CDBRestore::SelectBackupPathName(const FileChooser& choose) {
    if (!choose) return 0;
    FileDialogRequest request;
    request.defaultExt = "dat";
    request.filter = SjisLiteral("個人情報(*.dat)|*.dat|全て(*.*)|*.*||");
    request.fileMustExist = true;
    std::string path;
    if (!choose(request, path) || path.empty()) return 0;
    backupPath_ = path;
    MakeRepairPathName();
    return 1;
}

std::string CDBRestore::GetBackupFileNameWithoutExt() {
    backupTitle_ = platform::SplitPath(platform::FixPath(backupPath_)).title;
    return backupTitle_;
}

std::string CDBRestore::GetBackupFileNameExt() {
    const std::string ext = platform::SplitPath(platform::FixPath(backupPath_)).ext;
    backupExt_ = ext.empty() ? ext : ext.substr(1);
    return backupExt_;
}

int CDBRestore::ActionRestore() {
    restored_.clear();
    skipped_.clear();
    if (backupPath_.empty() || book_ == nullptr || env_ == nullptr || repairPath_.empty()) return -2;
    StoreKey key;
    if (GetStoreKey(env_, key) != 0) return -1;

    CDatabaseEdit backup;
    backup.SetEnvManager(env_);
    const int read = backup.ReadFromFileToMemoryAppointFileName(platform::FixPath(backupPath_), key.get());
    if (read < 0) return -1;
    // A file that holds no record is no backup of a book: nothing in it says so (an empty
    // file is what a failed copy leaves), and "nothing to restore" would call it one.
    if (read == 0) return -5;
    {
        // Merge, sort and re-index in one hold of the lock that every store shares: no
        // reader of the book ever sees rows and index disagree.
        platform::NamedMutex mutex(CDatabaseEdit::kMutexName);
        std::lock_guard<platform::NamedMutex> lock(mutex);
        // A backup record whose ID the book holds is never restored nor listed, so only
        // the others go to the merge. Usually there are none (a generation holds what the
        // book holds), and the merge's pass over every address of the book is spared.
        std::vector<int> ids;
        backup.GetDBIDALL(ids);
        CDatabaseEdit candidates;
        for (std::size_t row = 0; row < ids.size(); ++row)
            if (book_->FindCustomerID(ids[row], 1) == 0 &&
                candidates.AddLine(backup.GetAtLine(static_cast<int>(row))) < 0)
                return -1;
        // The merge takes its rows back itself when it fails: the book is untouched.
        if (candidates.GetLineNumber() > 0) {
            const int merged = book_->RestoreFromOtherDBE(candidates, restored_, skipped_);
            if (merged == -11) {
                skipped_.clear();
                return -4;
            }
            if (merged < 0) return -1;
        }
        if (!restored_.empty()) book_->SortByCustomerID();
    }
    if (restored_.empty() && skipped_.empty()) return 0;

    const std::string report = MakeRestoreReport(backupPath_, restored_, skipped_);
    if (!platform::WriteFileAtomically(platform::FixPath(repairPath_), report)) return -3;
    if (skipped_.empty()) return 1;
    return restored_.empty() ? 2 : 3;
}
