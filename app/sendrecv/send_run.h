#pragma once
// SendRun: one run of CSendJob::SendOneMail - one stored mail sent to every recipient
// left in its recipient list over one SMTP connection, each recipient's outcome recorded
// in the mail's send history as it happens.
//
// The run, in order: it takes the mail (CSendJob::TakeMail: a mail no longer due, which
// the user cancelled, opened for editing or deleted since the scheduler chose it, is left
// alone and the run ends at once with 0), makes the global SMTP client afresh and attaches
// it to the job (so Cancel can interrupt it), prepares the mail's stores
// (CSendJob::Prepare), drops the recipients that may not or need not be sent to, checks
// the attachments, applies the server settings, connects, and sends each recipient a
// message of its own (RecipientMessageBuilder); then it disconnects, writes its stores,
// reports how it ended and deletes the client. The worker calls SaveProgress(1) after it
// to store the mail's final status from the job's flags.
//
// Results (the worker goes on with the next mail only on 0):
//    0  done (some recipients may have failed), or the mail has no recipient list
//   -1  stopped: cancelled, the send window ended, the server could not be reached or
//       was lost, a send was interrupted, a store or an attachment failed
//   -2, -3, -4  the recipient list could not be read, written, or read back
//   -8  the split count was reached;  -9  split sending on and every recipient dealt with
//       (the run ends with the line a finished run shows)
//   -15 an attachment list could not be loaded (the mail is marked failed, not sent)
//
// What a run guarantees:
//  - Nobody recorded as sent is sent again. A recipient's outcome goes into the send
//    history's progress record (ProgressJournal) right after the server answered, before
//    the next recipient; the whole history and the recipient list are rewritten only now
//    and then (by the history's save pace), the history always first. A run that finds
//    people in the recipient list whom the history shows as sent (a run killed before it
//    rewrote the list) drops them. Outcomes are flushed to the disk at most every 100 ms,
//    and what the progress record holds unflushed is flushed within that time also while
//    the run waits for the server or pauses between messages (a kill loses nothing; a
//    power cut may resend what went out in the last 100 ms, never lose it).
//  - Nobody gets more than two copies from faults. Before each message the recipient is
//    marked in the progress record as sent with its outcome in doubt (nothing goes out
//    unless that attempt is on the disk: one flush reserves the attempts of the next
//    recipients in the list, about what the run sends in 100 ms (HistoryListViewer::
//    ReserveSends), so that a power cut right after a message cannot take its mark); the
//    outcome ends the mark. A mark that outlives the
//    run (no reply before the time-out, a connection lost after the message, a killed
//    run, a disk that filled up) lets the next run send that message once more; a second
//    such message makes the recipient failed for good ("E", never resent, permission
//    untouched: nothing says the address is at fault) and the others go on, over a new
//    connection. So one stubborn message never blocks the rest of the list. That verdict
//    is flushed to the disk before the next message goes, and a run that finds people in
//    the list whom the history shows failed for good drops them like the sent ones. A
//    refusal or a "try later" of the resend takes back only its own mark: the doubt of the
//    first message stays.
//  - A reply that does not fit its command (a 250 where DATA's 354 is due: a server that
//    answered one command twice shifts every reply after it) is no refusal: the component
//    ends the connection, the message's outcome is unknown (its mark stays, as above) and
//    the run stops as after a lost connection; nobody's permission changes.
//  - A lost connection or a server that cannot be reached is no recipient's fault: the
//    recipient at hand and all that follow stay in the list, nobody is marked failed and
//    no permission is changed; the mail goes back to the status it had (connection-failure
//    flag). So does a refusal of the sender (any answer to MAIL FROM but 2xx).
//  - A server that asks to try later (a 4xx answer to RCPT TO, DATA or the message:
//    greylisting, a full mailbox, a rate limit) is no failure either: the recipient stays
//    in the list for the next run, no row is recorded and no permission changes, and the
//    run goes on with the others; the mail then waits as "R". The send history keeps the
//    time of the first such answer; one that comes more than five days after it makes the
//    recipient failed for good ("E", permission untouched) with that answer as the reason,
//    as a mail server returns a message after its queue lifetime, so the mail ends when
//    nobody is left to try. Only a refusal of the recipient or of its message (5xx) is that
//    recipient's failure ("E", or "W" while resends remain).
//  - A recipient waiting for a resend ("W") stays in the recipient list until the resend
//    is recorded, so a run killed or cancelled before the worker's final save (which makes
//    the mail "R") never leaves the person out. A run sends such a person again only while
//    a resend is allowed (dropping the person otherwise), and not in a portion of a split
//    send ("B"), which leaves the resends to the mail's resend run.
//  - A message that cannot be built never goes out (RecipientMessageBuilder): a recipient
//    whose record makes it fail is recorded as failed with an empty Message-ID, and a mail
//    whose own text cannot be built stops the run with the error flag before anything
//    wrong is sent. A recipient whose record cannot be read is recorded as failed with an
//    empty Message-ID too (so no two history rows ever share one).
//  - An attachment list that cannot be loaded, a sender address that cannot be used, and
//    a store that cannot be written end the run with the error flag (the mail shows
//    "E", never "C") after the error was shown and the stores and the transfer log written.
//  - Cost per recipient does not grow with the list: removals from the recipient list are
//    collected and applied in one pass when the list is written; the mail's record is
//    brought up to date (SaveProgress(0)) at most every 100 ms and the mail list written
//    at the job's pace; the connection is renewed after every 1000th message sent.
//
// Speed: with a server that offers PIPELINING one message is in flight while the next is
// built; its reply is read and recorded, and then the message after it goes, its data in
// one write with the envelope of the one after that: one round trip per message, and still
// no message's data before the outcome of the one before is recorded. Without PIPELINING
// every command waits for its reply (see SendAll).
//
// Threads: the run works on the worker thread. Cancel (any thread) interrupts the blocking
// call, but lets the reply to a message in flight come for up to 3 seconds (recorded, it
// spares that recipient a second copy from the next run); the cancel and window-ended
// flags are polled between recipients and during every pause. Progress goes to the job's observer (send_run_observer.h) and the mail-list view
// (mail_row_notice.h); no widget is touched.

#include <memory>
#include <string>
#include <vector>

#include "app/sendrecv/recipient_message.h"

class CMySMTPS;
class CSendJob;
class SystemOption;

class SendRun {
public:
    SendRun(CSendJob& job, int mailId);
    ~SendRun();
    SendRun(const SendRun&) = delete;
    SendRun& operator=(const SendRun&) = delete;

    int Run();

private:
    // Where a stage leaves the run.
    enum class Next {
        kGoOn,        // the next stage
        kDisconnect,  // disconnect, then the closing
        kClose,       // the closing without disconnecting
        kQuietEnd,    // the final saves only, no closing message
    };

    void AcquireClient();
    void ReleaseClient();
    Next PrepareMail();
    Next CheckAttachments();
    Next Connect();
    Next SendAll();
    // A built message on its way: the recipient and the buffer (messages_) that holds it.
    struct Pending {
        bool active = false;
        int id = -1;
        int slot = 0;
    };
    // Reads recipient `id`'s record and builds its message into messages_[slot] (ready), or
    // deals with the recipient at once: skipped, or failed when its message cannot be built.
    Next Prepare(int id, int slot, bool& ready);
    // One step of the pipeline with `next` built (null at the end): the result in flight,
    // the current message's data (with next's envelope when it may follow), next's envelope.
    Next Advance(const Pending* next);
    // A message's envelope; when it is refused, the recipient's outcome (or, when the
    // connection failed under the message in flight, that one's).
    Next SendEnvelope(Pending& message);
    // The message of messages_[slot] as the component's message properties.
    void SetMessage(int slot);
    // Marks the recipient whose envelope went out and sends its message (held for the next
    // envelope when `held`); it is then in flight, or its refusal is recorded.
    Next HandOver(const Pending& message, bool held);
    // Reads the in-flight message's result (or takes `failure`, the error of a call that
    // lost the connection under it) and records it; its progress bookkeeping is owed
    // (SettleOwed), so that it can go to the progress record with the next mark.
    Next Finish(int failure);
    // The owed bookkeeping of the last finished message (Processed), if any.
    Next SettleOwed();
    // `next`, after every message on its way is finished (or the first failure that
    // stops the run).
    Next Settle(Next next);
    // Records a message's outcome: `rc` from the step that ended it, `stage` how far the
    // send got (SmtpsSendStage); then, when the run goes on, Processed.
    Next Outcome(int id, const std::string& messageId, int rc, int stage);
    Next RecordOutcome(int id, const std::string& messageId, int rc, int stage);
    // After a recipient is dealt with: the progress record, the counts, the observer.
    bool Processed();
    Next Renew();
    // Records the outcome in the history's progress record; the history and, after it,
    // the recipient list are rewritten when the history's pace says so.
    bool RecordProgress();
    // Asks the progress record's next write to flush to the disk when kSyncIntervalMs passed.
    void SyncIfDue();
    // Makes sure the next attempt of recipient `id` is on the disk before its message goes:
    // reserved with the recipients after it in the list (about what the run sends in the
    // flush window), in one flush, unless it is reserved already. False when the history
    // could not record it.
    bool Reserve(int id);
    // The client's waiting hook: while the server is silent, flushes what the progress
    // record holds unflushed once kSyncIntervalMs passed since the last flush; the
    // milliseconds until that is due (0: nothing to wait for).
    int FlushWhenDue();
    bool WriteRecipientList();
    void FinalSaves();
    int Closing();

    bool Stopped() const;
    void Status(const std::string& text);
    void Pause(int ms);
    // Counts and records a recipient's failure; false when the history refused it.
    bool RecipientFailed(int id, const std::string& messageId);
    // Counts and records as failed a recipient whose messages went out twice without an
    // outcome, with `rc` as the error number; false when the history refused it.
    bool UnknownOutcomeFailed(int id, int rc);
    // Counts and records as failed for good, permission untouched, a recipient the run
    // gives up on after `attempts` messages, with `rc` and `reason` as the error (shown);
    // the record is on the disk before it returns. False when the history refused it.
    bool GiveUp(int id, int attempts, const std::string& messageId, int rc, const std::string& reason);
    std::string Option(int index);
    // The job's stores, error and flags, shortened.
    void Fail(int code, const std::string& text);

    CSendJob& job_;
    const int mailId_;
    SystemOption* options_ = nullptr;
    CMySMTPS* client_ = nullptr;
    std::unique_ptr<CMySMTPS> ownClient_;  // when the program has no environment service
    int result_ = 0;
    int kind_ = RecipientMessageBuilder::kTextMail;
    std::string honorific_;
    std::vector<int> ids_;       // the recipients of this run, in list order
    std::vector<int> toRemove_;  // dealt with since the recipient list was last written
    std::unique_ptr<RecipientMessageBuilder> builder_;
    RecipientMessage messages_[2];  // the current message's and the one built after it
    long long builds_[2] = {0, 0};  // which build each holds (buildCount_ at the time)
    long long buildCount_ = 0;
    long long propertiesOf_ = 0;    // the build whose message the component's properties hold
    Pending current_;               // its envelope went (or waits); its data is next
    struct InFlight {
        bool active = false;
        int id = -1;
        std::string messageId;
    } inFlight_;                    // handed over, its end-of-data reply still to be read
    bool renewDue_ = false;      // the next message goes over a new connection
    bool owed_ = false;          // a finished message's Processed is still to come
    bool authentication_ = false;
    int timeoutBeforeConnectMs_ = 60000;
    int timeoutConnectedMs_ = 60000;
    int sendCounter_ = -1;       // messages handed to the server in this run, minus one
    bool reconnect_ = false;     // the connection went with an unanswered message
    std::string closingText_;    // shown at the end after a lost connection or an interrupt
    std::string lastStatus_;
    long long lastSyncMs_ = 0;
    std::size_t reserveFrom_ = 0;  // ids_ from here on are not reserved yet
    std::size_t reserveSize_ = 8;  // recipients the next reservation takes (Reserve)
    long long lastReserveMs_ = 0;
    long long lastProgressMs_ = 0;
};
