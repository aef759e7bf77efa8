#pragma once
// CSendJob: how the send/receive worker sends stored mails. One job serves one worker run:
// it owns the stores of the mail being sent (its bodies, the five attachment lists, its
// recipient list and its send history), the counters and stop flags of the run and an
// error record, and it writes the outcome of each mail into the mail list.
//
// The worker makes a job per run, sets the split count, the delay and the time-outs, and
// for each due mail calls SendOneMail (the send run), then SaveProgress(1) to store the
// mail's final status; after split sending it reschedules mails with
// SetMailStatusAndDate. Between the mails of one run the counters and the flags that tell
// how one mail's send ended are cleared; a stop flag (cancel, end of the window, split
// count), once raised, stays raised for the rest of the run.
//
// What the job guarantees:
//  - Prepare treats a mail without a recipient list as "no recipients" (-1) and a mail
//    without a send history as an empty history; any other store failure is an error with
//    the store's code and text in GetErrMsg(), and the stores then refuse to write over
//    the files they could not read (the core stores keep that promise).
//  - UpdateHistory records each recipient's outcome; a failure that allows no further try
//    turns the person's advertising-mail permission (address-book element 21) to "N".
//    RecordGivenUp records a recipient the run gives up on (its outcome never came back,
//    or its server asked to try later for days) as failed for good without touching the
//    permission.
//  - Cancel may be called from any thread at any time: it raises the cancel flag first
//    and only then interrupts the SMTP client the send run has attached (SetSmtpClient),
//    under a lock that the send run also takes to detach the client before deleting it,
//    so a cancel never reaches a deleted client and the run always sees why its call
//    was interrupted.
//  - The mail's sent and error counts are the send history's attempts and failed attempts
//    (HistoryListViewer::GetNumOneMail) whenever the history was read, so the record and
//    the history never tell two stories; skipped and deferred recipients count nowhere.
//  - A run works only on a mail it took (TakeMail): one still due at the moment it became
//    "A", checked and changed under the mail list's lock, which the user's cancel, edit and
//    delete hold too. So a mail the user cancelled, opened for editing or deleted as its
//    run began is not sent, and the mail's status is the run's to set only while it is
//    still "A": SaveProgress writes the sent and error counts whatever the status, but a
//    status someone else gave the mail meanwhile stays.
//  - SaveProgress(1) never reports a run as sent that was not: a run whose resend
//    bookkeeping cannot be read or written ends in "E", not "C". SaveProgress(0), called
//    after every recipient, keeps the mail's record current in memory and writes the mail
//    list at most once per pace (one second by default, counted from the take, which
//    writes it), since the send history already records every recipient's outcome durably.
//  - Every change of a mail's record is announced to the mail-list view (mail_row_notice.h).
//
// Threads: the job runs on the worker thread; the cancel and window-ended flags are set
// from the GUI thread (all flags are atomic). Message boxes go through ui::MessageBox,
// which carries them to the GUI thread.

#include <array>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>

#include "app/sendrecv/send_environment.h"
#include "core/foundation/err_msg.h"
#include "platform/date_time.h"

class AttachWriter;
class CDatabaseEdit;
class CMailListViewer;
class CMySMTPS;
class COneMailData;
class EnvManager;
class ExtractResultDetail;
class HistoryListViewer;
class MailWriter;
class QWidget;
class SendRunObserver;
class SystemOption;

// The counters of one send run (ClearCounters sets them back).
struct SendCounters {
    int sent = 0;
    int error = 0;
    int skipped = 0;
    int deferred = 0;   // recipients the server asked to try later (4xx): still in the list
    int processed = 0;  // recipients dealt with: sent, failed, skipped or deferred
    int total = 0;
    // The mail's send history was read (Prepare): the mail's counts are the history's.
    bool historyRead = false;
    // The server could not be reached, or refused the sender: no other mail can be sent
    // now either.
    bool serverUnusable = false;
};

class CSendJob {
public:
    // Stop flags.
    enum Flag : int {
        kCancel = 0,          // the user cancelled (GUI thread)
        kWindowEnded,         // the send-time window ended (GUI thread)
        kSplitReached,        // the split count was reached
        kError,               // a store or attachment failure
        kRecipientFailed,     // some recipient failed
        kConnectionFailure,   // the server could not be reached or the connection was lost
        kInterrupted,         // a send was interrupted without a cancel
        kFlagCount
    };
    static constexpr int kTerminalTypes = 5;  // attachment writers, terminal types 0-4
    static constexpr int kMailRows = 7;       // body rows of the mail writer

    // Results of Prepare.
    enum PrepareResult : int {
        kPrepared = 0,
        kNoRecipientList = -1,
        kNoEnvironment = -10,
        kBodiesUnreadable = -11,
        kRecipientOwnerRefused = -12,
        kRecipientListUnreadable = -13,
        kHistoryUnreadable = -14,
    };
    // CheckRecipient.
    enum RecipientCheck : int {
        kSendable = 0,
        kRecipientDeleted = 1,
        kRecipientUnreadable = 2,
        kRecipientRefusesMail = 3,
        kRecipientNoAddress = 4,
    };

    // Over the program's open environment / over the given one.
    CSendJob();
    explicit CSendJob(const SendEnvironment& environment);
    // ReleaseStores.
    virtual ~CSendJob();
    CSendJob(const CSendJob&) = delete;
    CSendJob& operator=(const CSendJob&) = delete;

    // Clears the cancel, window-ended, split-reached, connection-failure and interrupted
    // flags, the mail ID, split count, delay and time-outs, recreates the stores and clears
    // the counters.
    void Reset();
    // Counters to 0 (the history counted as unread), the error, recipient-failed,
    // connection-failure and interrupted flags off, no mail taken.
    void ClearCounters();
    // ReleaseStores, then new stores bound to the environment (none without one).
    void CreateStores();
    // Writes the recipient list and the history where they changed and frees every store.
    // 0, or the first write's failure (its code and text in GetErrMsg()).
    int ReleaseStores();

    // Loads the mail GetMailID() names into the stores (see PrepareResult).
    int Prepare();
    // Whether customer `id` may be sent to, tested in this order: address readable (2),
    // address not empty (4), deletion mark readable (2), not deleted (1), advertising mail
    // allowed (3).
    int CheckRecipient(int id);
    // 1 when the customer's address is a PC address (terminal type 0) / a carrier that
    // takes mobile HTML mail (types 1, 2, 3); else 0 (also when unreadable).
    int IsPcRecipient(int id);
    int IsMobileHtmlRecipient(int id);
    // Records the outcome ("C" sent or "E" failed) and Message-ID of a recipient in the
    // send history: a new row, or the existing row with one more try and the send date.
    // "E" becomes "W" when another try is allowed; otherwise it stays "E" and the person's
    // advertising-mail permission is turned off in the address book (in memory). 0; -1
    // the history refused (its error copied); -2 the address book refused.
    int UpdateHistory(int id, const std::string& state, const std::string& messageId);
    // Records as failed for good a recipient the run gives up on after `attempts` messages
    // that were neither accepted nor refused (no answer came, or only "try later" for
    // days; the server may have kept them): never resent, and the person's permission
    // stays as it is, since nothing says the address is at fault. 0; -1 the history
    // refused (its error copied).
    int RecordGivenUp(int id, int attempts, const std::string& messageId);
    // Raises the cancel flag, then interrupts the attached SMTP client. Any thread.
    void Cancel();

    // Takes mail GetMailID() for the run: when it is still due (waiting, resend waiting,
    // interrupted or waiting for its next split portion) it becomes "A" (sending), its
    // status before is kept (GetStatusAtStart) and the list is written; `taken` gets the
    // record. False when it is no longer due or cannot be read: the run must leave it alone.
    bool TakeMail(COneMailData& taken);
    // Writes the run's outcome into the mail's record (see the header comment and the
    // send-result rules in send_results.cpp). 0; -1 after an error box.
    int SaveProgress(int final);
    // Sets the reserve date (and the status, when given) of a mail that is still due and
    // writes the mail list; a mail no longer due is left alone. 0; -1 after an error box.
    int SetMailStatusAndDate(int mailId, platform::DateTime date, const char* status);

    // The send run: sends mail `mailId` to its remaining recipients over one SMTP
    // connection (send_run.h: results and guarantees).
    int SendOneMail(int mailId);
    // Where the send run reports its status lines and progress (not owned; null: nowhere,
    // and the run then makes none of the pauses that let a user read its status lines).
    void SetObserver(SendRunObserver* observer) { observer_ = observer; }
    SendRunObserver* GetObserver() const { return observer_; }

    // The SMTP client the send run uses (null: none). The send run attaches it after
    // creating it and detaches it before deleting it; both wait for a Cancel in progress.
    void SetSmtpClient(CMySMTPS* client);

    // ---- Flags, counters, settings -----------------------------------------------------------
    int GetFlag(Flag flag) const { return flags_[flag].load(); }
    void SetFlag(Flag flag, int on = 1) { flags_[flag].store(on != 0 ? 1 : 0); }
    SendCounters& Counters() { return counters_; }
    const SendCounters& Counters() const { return counters_; }

    int GetMailID() const { return mailId_; }
    void SetMailID(int mailId) { mailId_ = mailId; }
    // 0: split sending off.
    int GetSplitCount() const { return splitCount_; }
    void SetSplitCount(int n) { splitCount_ = n; }
    int GetSendDelay() const { return sendDelayMs_; }
    void SetSendDelay(int ms) { sendDelayMs_ = ms; }
    int GetTimeoutBeforeConnect() const { return timeoutBeforeConnectMs_; }
    int GetTimeoutConnected() const { return timeoutConnectedMs_; }
    void SetTimeouts(int beforeConnectMs, int connectedMs) {
        timeoutBeforeConnectMs_ = beforeConnectMs;
        timeoutConnectedMs_ = connectedMs;
    }
    // The mail's status letter when the send run started.
    const std::string& GetStatusAtStart() const { return statusAtStart_; }
    void SetStatusAtStart(const std::string& letter) { statusAtStart_ = letter; }

    CErrMsg& GetErrMsg() { return err_; }
    const SendEnvironment& GetEnvironment() const { return environment_; }
    MailWriter* GetMailWriter() { return mailWriter_.get(); }
    AttachWriter* GetAttachWriter(int termType);
    ExtractResultDetail* GetRecipientList() { return recipients_.get(); }
    HistoryListViewer* GetHistory() { return history_.get(); }

    // The status dialog that owns the error boxes of SaveProgress (null: none; the boxes
    // then carry the even-numbered captions).
    void SetOwnerWindow(QWidget* owner) { owner_ = owner; }
    // The least time between two mail-list writes of SaveProgress(0).
    void SetProgressSavePace(std::chrono::milliseconds pace) { pace_ = pace; }
    // Number of mail-list writes made by TakeMail and SaveProgress (for tests and benchmarks).
    int GetMailListWrites() const { return mailListWrites_; }

private:
    // Applies the retry rule to a failed recipient: "W" or "E" (DM flag turned off).
    int ApplyRetryRule(int id, std::string& state);
    // The final status of the mail (SaveProgress(1)); may move the reserve date.
    void DecideFinalStatus(COneMailData& mail, const platform::DateTime& now);
    // One error box of SaveProgress (step 1, 3 or 5).
    void SaveErrorBox(int step, const char* textUtf8);
    std::chrono::minutes RetrySpan();

    SendEnvironment environment_;
    std::unique_ptr<MailWriter> mailWriter_;
    std::array<std::unique_ptr<AttachWriter>, kTerminalTypes> attachWriters_;
    std::unique_ptr<ExtractResultDetail> recipients_;
    std::unique_ptr<HistoryListViewer> history_;

    std::array<std::atomic<int>, kFlagCount> flags_{};
    SendCounters counters_;
    CErrMsg err_;
    int mailId_ = -1;
    int splitCount_ = 0;
    int sendDelayMs_ = 0;
    int timeoutBeforeConnectMs_ = 0;
    int timeoutConnectedMs_ = 0;
    std::string statusAtStart_;

    std::mutex clientMutex_;
    CMySMTPS* client_ = nullptr;

    QWidget* owner_ = nullptr;
    SendRunObserver* observer_ = nullptr;
    std::chrono::milliseconds pace_{1000};
    bool taken_ = false;  // TakeMail took the mail of mailId_
    bool interimWritten_ = false;
    std::chrono::steady_clock::time_point lastInterimWrite_{};
    int mailListWrites_ = 0;
};
