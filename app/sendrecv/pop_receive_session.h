#pragma once
// CPopReceiveSession: one receive run - the messages that arrived since the last run are
// fetched from the POP server, each is classified by the received-mail analysis
// (MailAnalyzer) and applied:
//   refusal       the sender's address goes into the refusal list (DB/autoref.dat) and its
//                 record stops getting advertising mail at once (element 21 "N"), so a
//                 refusal holds for the very next send, whether anyone looks at the list
//                 or not (the program may be locked);
//   registration  the record the mail describes goes into the registration list
//                 (DB/autoreg.dat) for the user to review;
//   bounce        the recipient of the sent mail it answers is put back for a resend, or,
//                 with no resend left, marked failed with advertising mail turned off;
//   read receipt  the recipient is marked as having opened the mail;
// and the mail's counts and status in the mail list follow (reply_processing.cpp).
// The status dialog's worker owns a session per run and drives it; the session touches
// no widget.
//
// The run, in order: set up the POP client from the system options (server, port, TLS
// mode, login method, account; the receive password dialog when no password is stored),
// connect, list the unique ids, find where the last run stopped (LAST_UID, given by the
// worker with SetLastUid and read back with GetLastUid), fetch and apply each new message,
// save, delete the handled messages on the server (system option 7 "Y"), log out.
//
// What a run guarantees:
//  - Nothing applied twice, nothing lost. Changes are made in memory and saved as one
//    batch through the receive ledger (receive_ledger.h) before the logout that makes the
//    server delete anything (the deletions themselves are sent while the batch is saved);
//    the address book's changes go to its journal with one flush just before the ledger
//    commits the batch (they only ever turn advertising mail off, so a batch that is
//    applied again after a crash in between changes nothing more);
//    a run killed at any point is finished or undone by the next, and a
//    message whose batch was saved is never applied again, even when the server kept it
//    (a logout refused or broken off: messages marked deleted may not be gone).
//  - A save that fails keeps the messages on the server, deletes nothing, puts the mail
//    list's records back as they were, and ends the run as not normal (-1); the next run
//    applies the messages again.
//  - One message that cannot be fetched (the server refuses it) or applied (a store
//    fails) is skipped and reported; the run goes on and ends as not normal (-2), and
//    LAST_UID never passes a message whose changes could not be stored. A message whose
//    fetch breaks the connection ends the run (-1); if it breaks it again in a later run
//    it is skipped for good, so one message never stops receiving for ever, and the run's
//    end text names it by its number and listed size (it stays on the server).
//  - LAST_UID moves only past messages that stay on the server.
//  - Cost per message does not grow with the address book or the histories: replies are
//    traced through the history's Message-ID index, each history is read once per run and
//    written once, refusals find their record through an address index, and the files are
//    written once per run (a run that touches many histories saves in between, to keep
//    memory bounded). Messages are fetched ahead on a thread of their own
//    (message_fetcher.h) while the run applies the ones before them.
//
// Threads: Run works on the worker thread (with helper threads of its own that it joins
// before it returns); InterruptReceive may come from any thread at
// any time (it interrupts the blocked network call; the client is never deleted while it
// is interrupted). Status lines and counts go to the observer; changed mail-list rows to
// the mail-list view (mail_row_notice.h); the password dialog and the error boxes reach
// the GUI thread through the GUI layer.

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "app/sendrecv/receive_stores.h"
#include "app/sendrecv/send_job.h"
#include "core/addressbook/database_edit.h"
#include "core/foundation/err_msg.h"
#include "core/foundation/record_table.h"

class CAddressImport;
class CMyPOPS;
class ExtractResultDetail;
class HistoryListViewer;
class MailAnalyzer;
class PopClientHold;
class QWidget;
class ReceiveLedger;
class ReceiveRunObserver;
class SendRunObserver;

class CPopReceiveSession {
public:
    // Flags per mail ID, for the whole run.
    enum MailFlag : unsigned {
        kBounceSeen = 0x1,
        kReceiptSeen = 0x2,
        kRecipientRequeued = 0x100,  // a recipient was put back to wait for a resend
    };
    // Results of Run.
    enum RunResult : int {
        kRunNormal = 0,
        kRunCancelled = 1,
        kRunFailed = -1,          // no connection, a setting, the login, the listing, a save
        kRunMessagesFailed = -2,  // the run went through, but some messages were skipped
    };
    // Results of ProcessBounceOrReceipt.
    enum ReplyResult : int {
        kReplyProcessed = 0,
        kReplyNothingNew = 1,     // the recipient already waits for a resend / opened it
        kReplyUntraceable = 2,    // no history, or not exactly one recipient with that id
        kReplyFailed = -1,        // a store failed (its error copied into GetErrMsg)
    };
    // System options read by the run.
    enum Option : int {
        kOptionServer = 1,
        kOptionPort = 2,
        kOptionLoginMethod = 3,   // "0" USER/PASS, "1" APOP, "2" the unsupported method
        kOptionUser = 4,
        kOptionPassword = 5,
        kOptionPasswordStored = 6,
        kOptionDeleteHandled = 7,
        kOptionRetryMinutes = 66,
        kOptionSsl = 85,
        kOptionSslKind = 86,      // "0" none, "1"-"3" implicit TLS, "4" STLS
        kOptionSslLenient = 88,
        kOptionRegisterEmpty = 106,
        kOptionRefuseByKeyword = 107,
        kOptionRefusalKeyword = 108,
    };
    // Histories held at once; a run that needs more saves what it has first.
    static constexpr std::size_t kMaxHeldHistories = 8;

    // Over the program's open environment / over the given one.
    CPopReceiveSession();
    explicit CPopReceiveSession(const SendEnvironment& environment);
    ~CPopReceiveSession();
    CPopReceiveSession(const CPopReceiveSession&) = delete;
    CPopReceiveSession& operator=(const CPopReceiveSession&) = delete;

    // The unique id of the last message handled and kept on the server (null means "").
    void SetLastUid(const char* uid) { lastUid_ = uid != nullptr ? uid : ""; }
    std::string GetLastUid() const { return lastUid_; }

    // The receive run (see above): a RunResult.
    int Run();
    // Any thread: the run stops at its next check, a network call under way returns at
    // once.
    void InterruptReceive();
    bool IsCancelled() const { return cancel_.load() != 0; }

    // Where status lines and counts go (not owned; null: nowhere, and no pauses).
    void SetObserver(ReceiveRunObserver* observer) { observer_ = observer; }
    // The owner of the error boxes (the status dialog).
    void SetOwnerWindow(QWidget* owner) { owner_ = owner; }
    // Asks for the receive password: true with `password` set, false when cancelled.
    // Default: the receive password dialog (AskReceivePassword).
    using PasswordPrompt = std::function<bool(std::string& password)>;
    void SetPasswordPrompt(PasswordPrompt prompt) { askPassword_ = std::move(prompt); }

    // ---- Applying one message (reply_processing.cpp) ---------------------------------------
    // The changes are made in memory (the address book's and the mail list's are visible
    // at once) and saved by SaveChanges; a session destroyed before that drops the
    // history, list and row changes it holds. The first of these calls finishes what an
    // interrupted run left (receive_ledger.h) before it reads anything.
    // Traces a bounce (class 1) or read receipt (class 2) quoting `quotedMessageId` (with
    // or without angle brackets) to the recipient of mail `mailId` and updates the
    // history: a ReplyResult.
    int ProcessBounceOrReceipt(int mailId, const std::string& quotedMessageId, int mailClass);
    // Puts `customerId` back into mail `mailId`'s recipient list: 0, or 1 when the list
    // cannot be read (its error copied).
    int AddRecipientToMailList(int mailId, int customerId);
    // The mail's counts after a bounce (errors + 1; status "R" when a recipient was put back
    // for a resend, else "C" becomes "E") or a receipt (opened + 1), announced to the
    // mail-list view. Classes other than 1 and 2: 0, nothing done. -1 after an error box.
    int UpdateMailAfterReply(int mailId, int mailClass);
    // Append a row to the registration / refusal list (saved with the batch); nothing when
    // the list could not be read.
    void AddAutoRegRecord(const OneCustomer& record);
    void AddRefusalRecord(const std::string& address);
    // Saves every change made so far as one batch, with the unique ids of the messages it
    // applies: 0; -1 when it could not be saved (nothing changed on the disk, the mail
    // list's records put back), also while an earlier batch waits to be installed. Saved
    // (0) but not installed everywhere, the batch is finished by the next run's recovery.
    // The run calls it; tests of the steps above call it too.
    int SaveChanges(const std::vector<std::string>& uids = {});

    // ---- What the run saw -----------------------------------------------------------------
    int GetMessageCount() const { return messageCount_; }
    int GetNewCount() const { return newCount_; }
    int GetHandledCount() const { return handledCount_; }
    unsigned GetMailFlags(int mailId) const;
    CErrMsg& GetErrMsg() { return err_; }
    // The text the run ended with when not normal (Shift_JIS; "" otherwise).
    const std::string& GetErrorText() const { return errorText_; }
    // The history of mail `mailId` as the run holds it (null when not held).
    HistoryListViewer* HeldHistory(int mailId);

private:
    struct HistoryEntry {
        std::unique_ptr<HistoryListViewer> history;  // null: the mail has no history
        bool changed = false;
    };

    // The network.
    bool Connected() const;
    void LogOut();
    void LoopMessages(int first);
    // Applies one fetched message; fills `kind` and whether it was handled. False when a
    // store failed.
    bool ApplyMessage(const std::string& text, int& kind, bool& handled);
    // Saves the batch; on failure its messages count as not received (kept on the server,
    // LAST_UID back before the first of them) and the run ends as failed. A batch saved
    // whose install failed ends the run as failed too, saying which file and why.
    bool CommitBatch();
    // The end of a run that fetched: save, delete what was handled, log out.
    void SaveAndLogOut();
    bool SendDeletions(const std::vector<int>& numbers);
    int Finish();

    // Stores.
    bool PrepareStores();
    // Reads both lists; false when the environment's key cannot be had.
    bool LoadLists();
    // The ledger, read (and what an interrupted run left finished) at its first use.
    ReceiveLedger* Ledger();
    HistoryEntry* HistoryFor(int mailId, int& failure);
    bool MakeRoomForHistory();
    void ForgetHeldStores();
    void RememberMail(const COneMailData& mail);
    void PutMailsBack();

    void Status(const std::string& text);
    void Pause(int ms);
    std::string Option(int index) const;
    // A failure of one message: counted, its text shown and kept for the end.
    void MessageFailed(const std::string& text);
    void Fatal(const std::string& text);
    // "<file>: <the system's reason>" of the ledger's last failed install ("" when none).
    std::string InstallFailureText() const;

    SendEnvironment env_;
    ReceiveRunObserver* observer_ = nullptr;
    QWidget* owner_ = nullptr;
    PasswordPrompt askPassword_;

    std::atomic<int> cancel_{0};
    std::unique_ptr<PopClientHold> client_;

    int messageCount_ = 0;
    int newCount_ = 0;
    int handledCount_ = 0;
    std::unordered_map<int, unsigned> mailFlags_;
    CErrMsg err_;
    bool fatal_ = false;
    int messageFailures_ = 0;
    std::string errorText_;
    std::string lastUid_;
    bool deleteHandled_ = false;
    std::string registerEmpty_, refuseByKeyword_, refusalKeyword_;

    // The lists, the held histories and recipient lists, and what changed in the shared
    // address book and mail list since the last save.
    BaseRecordStructer registrations_;
    BaseRecordStructer refusals_;
    bool listsLoaded_ = false;
    bool registrationsUsable_ = false;
    bool refusalsUsable_ = false;
    bool registrationsChanged_ = false;
    bool refusalsChanged_ = false;
    std::map<int, HistoryEntry> histories_;
    std::map<int, std::unique_ptr<ExtractResultDetail>> recipientLists_;
    std::map<int, COneMailData> mailsBefore_;  // the records as they were before this batch
    bool bookChanged_ = false;
    // The address book's changes reach its journal once per batch, with the batch's save.
    std::optional<CDatabaseEdit::DeferredCommits> bookCommits_;
    std::unique_ptr<receive_stores::AddressLookup> addresses_;
    std::unique_ptr<CAddressImport> importer_;
    std::unique_ptr<MailAnalyzer> analyzer_;
    std::unique_ptr<ReceiveLedger> ledger_;

    // The batch: ids of messages applied since the last save, the messages to delete once
    // it is saved, and LAST_UID as it stood before its first message.
    std::vector<std::string> batchUids_;
    std::vector<int> batchDeletes_;
    std::string batchAnchor_;
    bool batchOpen_ = false;
    std::vector<int> toDelete_;
    bool lastUidFrozen_ = false;
};

// Finishes what a receive run ended by a crash left (receive_ledger.h): call it once after
// the environment was opened, before any run can start. The address book and the mail
// list are read again when their files were replaced. 0; -1 when the ledger cannot be read
// (a receive run then refuses to start); -2 when a file could not be replaced yet.
int RecoverInterruptedReceive(const SendEnvironment& environment);

// The mail ID that a Message-ID written by the send run carries (message_id::SentMailId:
// digits "." digits "." mail ID ["." ...] "@" domain, the mail ID at most INT_MAX), or -1.
int MailIdFromMessageId(const char* messageId);

// The login to the receive server made before sending and by the test senders: set up as
// for a run, connect, log out. 0 logged in and out; 1 the password was not given; 2 or 3
// cancelled before or after connecting; -1 a bad TLS setting; -2 a bad login method; -N
// the connect's error N (-301 for a time-out or an interrupt). On a connect error
// `errorText` receives the POP client's Japanese message, a blank line and the server's
// own text. `cancel` (may be null) is polled; with a null observer no status lines are
// shown (and no pauses made).
int TestReceiveServerLogin(std::string& errorText, const std::atomic<int>* cancel, SendRunObserver* observer);
int TestReceiveServerLogin(std::string& errorText, const std::atomic<int>* cancel, SendRunObserver* observer,
                           const SendEnvironment& environment);

// The receive password dialog (receive_password_dlg.h) on the GUI thread, from any
// thread, over `owner` (a run's status window): true with the password typed (Shift_JIS),
// false when cancelled.
bool AskReceivePassword(std::string& password, QWidget* owner = nullptr);
