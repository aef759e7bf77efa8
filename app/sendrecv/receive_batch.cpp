// The receive session's batch: the stores a run holds, and their save as one batch through
// the receive ledger (stage every changed file, or the records to append to a history's
// progress record, commit, install).
#include <sys/stat.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/sendrecv/mail_row_notice.h"
#include "app/sendrecv/pop_receive_session.h"
#include "app/sendrecv/receive_fault_probe.h"
#include "app/sendrecv/receive_ledger.h"
#include "core/addressbook/database_edit.h"
#include "core/addressbook/extract_result_detail.h"
#include "core/foundation/cp932.h"
#include "core/foundation/env_layout.h"
#include "core/foundation/env_manager.h"
#include "core/foundation/store_key.h"
#include "core/mailstore/history_list_viewer.h"
#include "core/mailstore/mail_list_viewer.h"

namespace {

// A file's size, 0 when there is none.
std::uint64_t SizeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
}

}  // namespace

HistoryListViewer* CPopReceiveSession::HeldHistory(int mailId) {
    const auto it = histories_.find(mailId);
    return it == histories_.end() ? nullptr : it->second.history.get();
}

CPopReceiveSession::HistoryEntry* CPopReceiveSession::HistoryFor(int mailId, int& failure) {
    failure = kReplyProcessed;
    if (const auto it = histories_.find(mailId); it != histories_.end()) return &it->second;
    std::size_t held = 0;
    for (const auto& [id, entry] : histories_) held += entry.history != nullptr ? 1 : 0;
    if (held >= kMaxHeldHistories && !MakeRoomForHistory()) {
        failure = kReplyFailed;
        return nullptr;
    }
    auto history = std::make_unique<HistoryListViewer>();
    history->SetEnvManager(env_.env);
    history->SetSystemOption(env_.options);
    history->SetDatabaseEdit(env_.book);
    history->SetMailListViewer(env_.mails);
    HistoryEntry& entry = histories_[mailId];
    int r = history->SetMailID(mailId, 0);
    if (r == -14) return &entry;  // not a mail of the list: nothing to trace it to
    if (r >= 0) {
        r = history->GetHDataFromFileToMemory();
        if (r == -21 || r == -22) return &entry;  // sent to nobody yet
    }
    if (r < 0) {
        err_ = history->GetErrMsg();
        histories_.erase(mailId);
        failure = kReplyFailed;
        return nullptr;
    }
    entry.history = std::move(history);
    return &entry;
}

bool CPopReceiveSession::MakeRoomForHistory() {
    // A batch saved but not installed ends the run (see CommitBatch): nothing more is taken.
    if (!CommitBatch() || fatal_) return false;
    ForgetHeldStores();
    return true;
}

void CPopReceiveSession::ForgetHeldStores() {
    histories_.clear();
    recipientLists_.clear();
}

void CPopReceiveSession::RememberMail(const COneMailData& mail) { mailsBefore_.try_emplace(mail.GetMailID(), mail); }

void CPopReceiveSession::PutMailsBack() {
    for (const auto& [id, mail] : mailsBefore_) {
        env_.mails->SetMailData(mail);
        NotifyMailRowChanged(mail);
    }
    mailsBefore_.clear();
}

bool CPopReceiveSession::CommitBatch() {
    const bool saved = SaveChanges(batchUids_) == 0;
    if (saved) {
        toDelete_.insert(toDelete_.end(), batchDeletes_.begin(), batchDeletes_.end());
        if (ledger_ != nullptr && ledger_->InstallPending()) {
            // The batch counts as applied (its messages may go), but a file of it still lacks
            // it: the next run installs it before it stages anything, and until then this run
            // takes no more messages - they stay on the server.
            Fatal(SjisLiteral("受信結果をファイルに書き込めませんでした") + "\r\n" + InstallFailureText() + "\r\n" +
                  SjisLiteral("書き込めなかった結果は次回の受信時に書き込みます"));
            // What they hold is in the batch; nothing of them is to be saved again.
            ForgetHeldStores();
        }
    } else {
        Fatal(SjisLiteral("受信結果の保存に失敗しました\r\n受信したメールはサーバに残してあります"));
        if (batchOpen_) {
            lastUid_ = batchAnchor_;
            lastUidFrozen_ = true;
        }
    }
    batchUids_.clear();
    batchDeletes_.clear();
    batchOpen_ = false;
    return saved;
}

int CPopReceiveSession::SaveChanges(const std::vector<std::string>& uids) {
    if (env_.env == nullptr || env_.mails == nullptr || env_.book == nullptr) return -1;
    const EnvManager& env = *env_.env;
    std::vector<ReceiveLedger::Target> targets;
    for (const auto& [id, entry] : histories_) {
        if (!entry.changed || entry.history == nullptr) continue;
        // The rows the batch changed go on the end of the history's progress record: a
        // history of a million rows is not rewritten for a few thousand replies.
        const std::string progress = entry.history->ProgressPath();
        targets.push_back({progress, "", SizeOf(progress)});
    }
    for (const auto& [id, list] : recipientLists_)
        if (list->IsListChanged()) targets.push_back({env_layout::MailRecipientFile(env, id), ""});
    if (!mailsBefore_.empty()) targets.push_back({env_layout::MailListFile(env), ""});
    if (registrationsChanged_) targets.push_back({receive_stores::ListPath(env, receive_stores::kRegistrations), ""});
    if (refusalsChanged_) targets.push_back({receive_stores::ListPath(env, receive_stores::kRefusals), ""});
    if (targets.empty() && uids.empty() && !bookChanged_) return 0;

    ReceiveLedger* ledger = Ledger();
    StoreKey key;
    bool saved = ledger != nullptr && GetStoreKey(env_.env, key) == 0 && ledger->Prepare(targets) == 0;
    if (saved) {
        for (const auto& [id, entry] : histories_) {
            if (!saved || !entry.changed || entry.history == nullptr) continue;
            saved = entry.history->WriteProgressTo(ReceiveLedger::StagedPath(entry.history->ProgressPath())) == 0;
            if (!saved) err_ = entry.history->GetErrMsg();
        }
        for (const auto& [id, list] : recipientLists_) {
            if (!saved || !list->IsListChanged()) continue;
            saved = list->WriteFromMemoryToFileAppointFileName(
                        ReceiveLedger::StagedPath(env_layout::MailRecipientFile(env, id)), key.get()) == 0;
            if (!saved) err_ = list->GetErrMsg();
        }
        if (saved && !mailsBefore_.empty())
            saved = env_.mails->WriteFromMemoryToFileAppointFileName(
                        ReceiveLedger::StagedPath(env_layout::MailListFile(env)), key.get()) == 0;
        if (saved && registrationsChanged_)
            saved = receive_stores::SaveList(env_.env, receive_stores::kRegistrations, registrations_,
                                             ReceiveLedger::StagedPath(receive_stores::ListPath(env, receive_stores::kRegistrations)));
        if (saved && refusalsChanged_)
            saved = receive_stores::SaveList(env_.env, receive_stores::kRefusals, refusals_,
                                             ReceiveLedger::StagedPath(receive_stores::ListPath(env, receive_stores::kRefusals)));
        if (saved) ReceiveRunReached("staged");
        // The book's rows go to its journal, not staged whole: a staged book would miss an
        // edit saved meanwhile, and costs as much as the book. They reach the disk before the
        // batch counts as applied; a crash in between applies the batch again, which turns
        // off again what is off already.
        if (saved && bookChanged_ && bookCommits_) {
            saved = bookCommits_->Commit() == 0;
            if (!saved) err_ = env_.book->GetErrMsg();
            else ReceiveRunReached("journaled");
        }
        saved = saved && ledger->Commit(uids) == 0;
        if (!saved) ledger->Abandon();
    }
    if (!saved) {
        // Nothing of the batch is on the disk: memory goes back to what the files hold,
        // so that nothing of it is saved later by someone else and applied twice.
        PutMailsBack();
        ForgetHeldStores();
        if (listsLoaded_) LoadLists();
        bookChanged_ = false;
        return -1;
    }
    ReceiveRunReached("committed");
    // A file that cannot be replaced now is replaced by the next Recover: the batch holds.
    (void)ledger->Install();
    ReceiveRunReached("installed");
    for (auto& [id, entry] : histories_) entry.changed = false;
    mailsBefore_.clear();
    bookChanged_ = registrationsChanged_ = refusalsChanged_ = false;
    return 0;
}
