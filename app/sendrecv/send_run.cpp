// The send run (CSendJob::SendOneMail): see send_run.h.
#include "app/sendrecv/send_run.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <unordered_set>

#include "app/sendrecv/mail_timeouts.h"
#include "app/sendrecv/message_headers.h"
#include "app/sendrecv/send_fault_probe.h"
#include "app/sendrecv/send_job.h"
#include "app/sendrecv/send_option_indices.h"
#include "app/sendrecv/send_run_observer.h"
#include "app/sendrecv/smtp_server_settings.h"
#include "app/environment/environment_service.h"
#include "app/ui/sjis_text.h"
#include "core/addressbook/database_edit.h"
#include "core/addressbook/extract_result_detail.h"
#include "core/foundation/cp932.h"
#include "core/foundation/env_layout.h"
#include "core/foundation/env_manager.h"
#include "core/foundation/system_option.h"
#include "core/mailstore/attach_writer.h"
#include "core/mailstore/history_list_viewer.h"
#include "core/mailstore/mail_list_viewer.h"
#include "core/mailstore/mail_writer.h"
#include "core/mailstore/x_email.h"
#include "core/transport/my_smtps.h"
#include "platform/date_time.h"
#include "platform/netssl/net_error.h"
#include "platform/netssl/smtps.h"

namespace {

// A connection is renewed after this many messages.
constexpr int kMessagesPerConnection = 1000;
// The progress record is flushed to the disk at most this often (outcomes; a message's
// attempt is on the disk before the message goes).
constexpr long long kSyncIntervalMs = 100;
// The most recipients whose next attempts one flush reserves (HistoryListViewer::
// ReserveSends): the run reserves about what it sends in kSyncIntervalMs, so that it
// flushes a few times a second rather than once per message, and a power cut leaves no
// more attempts counted that never went than the messages of that time.
constexpr std::size_t kMostReserved = 1024;
// The mail's record in the mail list is brought up to date at most this often.
constexpr long long kProgressIntervalMs = 100;
// The time-out while the run stops after a cancelled send (seconds).
constexpr int kCancelTimeoutSeconds = 10;
// How long a cancel lets the reply to a message in flight come (seconds): the message is
// with the server, and its outcome spares the recipient a second copy from the next run.
constexpr int kCancelGraceSeconds = 3;
// Messages to one recipient that may go out without a known outcome: the one a lost
// answer leaves in doubt, and the one resend the next run makes.
constexpr int kMostAttemptsInDoubt = 2;
// How long a recipient may be deferred ("try later") before the run gives up on it: the
// queue lifetime after which mail servers (Postfix, Sendmail) return a message.
constexpr platform::DateTimeSpan kLongestDeferral(5, 0, 0, 0);

// Result codes of the run.
constexpr int kStopped = -1;
constexpr int kListUnreadable = -2;
constexpr int kListUnwritable = -3;
constexpr int kListNotReadBack = -4;
constexpr int kAttachmentMissing = -6;
constexpr int kSplitReached = -8;
constexpr int kSplitDone = -9;
constexpr int kListSaveFailed = -12;
constexpr int kHistorySaveFailed = -13;
constexpr int kAttachListUnreadable = -15;

long long NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// The terminal types whose attachments a mail kind sends.
std::vector<int> AttachmentTypes(int kind) {
    switch (kind) {
    case RecipientMessageBuilder::kPcHtmlMail: return {TERM_PC};
    case RecipientMessageBuilder::kMobileHtmlMail: return {TERM_DOCOMO, TERM_AU, TERM_SOFTBANK, TERM_WILLCOM};
    default: return {TERM_PC, TERM_DOCOMO, TERM_AU, TERM_SOFTBANK, TERM_WILLCOM};
    }
}

// The reply code at the start of the component's last error text ("550 5.1.1 ..."); 0
// when it has none.
int ReplyCode(netssl::SmtpsComponent* h) {
    const std::string text = netssl::SMTPS_GetLastError(h);
    if (text.size() < 3 || !std::all_of(text.begin(), text.begin() + 3, [](char c) { return c >= '0' && c <= '9'; }))
        return 0;
    return std::stoi(text.substr(0, 3));
}

}  // namespace

int CSendJob::SendOneMail(int mailId) { return SendRun(*this, mailId).Run(); }

SendRun::SendRun(CSendJob& job, int mailId)
    : job_(job), mailId_(mailId), options_(job.GetEnvironment().options) {}

SendRun::~SendRun() { ReleaseClient(); }

// ---- Small helpers -------------------------------------------------------------------------

bool SendRun::Stopped() const {
    return job_.GetFlag(CSendJob::kCancel) != 0 || job_.GetFlag(CSendJob::kWindowEnded) != 0;
}

void SendRun::Status(const std::string& text) {
    lastStatus_ = text;
    if (SendRunObserver* o = job_.GetObserver()) o->OnStatus(text);
}

void SendRun::Pause(int ms) {
    if (SendRunObserver* o = job_.GetObserver()) o->Pause(ms, [this] { return Stopped(); });
}

std::string SendRun::Option(int index) {
    std::string value;
    if (options_ != nullptr) options_->GetSODataFromMemoryPinPoint(index, value);
    return value;
}

void SendRun::Fail(int code, const std::string& text) { job_.GetErrMsg().SetErrS(code, text); }

// ---- The client -----------------------------------------------------------------------------

void SendRun::AcquireClient() {
    if (shell::EnvironmentService* service = shell::ProgramEnvironment()) {
        client_ = service->CreateSmtpClient();
    } else {
        ownClient_ = std::make_unique<CMySMTPS>();
        client_ = ownClient_.get();
    }
    job_.SetSmtpClient(client_);
    client_->SetWaitingHook([this] { return FlushWhenDue(); });
    netssl::SmtpsComponent* h = client_->GetHandle();
    if (netssl::SMTPS_Get(h, netssl::kSmtpsConnected, 0, nullptr) != 0) netssl::SMTPS_Do(h, netssl::kSmtpsDisconnect);
    netssl::SMTPS_StaticInit(nullptr);
    client_->Init();
    const EnvManager* env = job_.GetEnvironment().env;
    client_->SetLogTitle(SjisLiteral("メール送信 - ") + (env != nullptr ? ui::PathToSjis(env->GetEnvName()) : std::string()));
}

void SendRun::ReleaseClient() {
    if (client_ == nullptr) return;
    client_->SetWaitingHook({});
    client_->WriteLog();
    // Detached first: a Cancel arriving now finds no client rather than a deleted one.
    job_.SetSmtpClient(nullptr);
    if (ownClient_ != nullptr) {
        ownClient_.reset();
    } else if (shell::EnvironmentService* service = shell::ProgramEnvironment()) {
        service->DeleteSmtpClient();
    }
    client_ = nullptr;
}

// ---- The run --------------------------------------------------------------------------------

int SendRun::Run() {
    job_.ClearCounters();
    job_.SetMailID(mailId_);
    // Only a mail still due when it becomes "A": one the user cancelled, opened for editing
    // or deleted since the scheduler chose it is not this run's.
    SendRunReached("taking");
    COneMailData mail;
    if (!job_.TakeMail(mail)) return 0;
    kind_ = RecipientMessageBuilder::MailKindOf(mail.GetSpecialFlag());
    honorific_ = mail.GetHonorific();
    AcquireClient();
    Status(SjisLiteral("送信を開始します"));
    Pause(500);

    Next next = PrepareMail();
    if (next == Next::kGoOn) next = CheckAttachments();
    if (next == Next::kGoOn) next = Connect();
    if (next == Next::kGoOn) next = SendAll();
    if (next == Next::kDisconnect) netssl::SMTPS_Do(client_->GetHandle(), netssl::kSmtpsDisconnect);

    FinalSaves();
    // A mail without recipients ends quietly, unless the run was stopped meanwhile.
    if (next != Next::kQuietEnd || Stopped() || job_.GetFlag(CSendJob::kError)) result_ = Closing();
    ReleaseClient();
    SendRunReached("closed");
    return result_;
}

SendRun::Next SendRun::PrepareMail() {
    if (Stopped()) return Next::kClose;
    const int prepared = job_.Prepare();
    if (prepared == CSendJob::kNoRecipientList) {
        Status(SjisLiteral("送信対象が0件です"));
        Pause(500);
        return Next::kQuietEnd;
    }
    if (prepared < 0) {
        job_.SetFlag(CSendJob::kError);
        result_ = kStopped;
        return Next::kClose;
    }

    ExtractResultDetail& list = *job_.GetRecipientList();
    HistoryListViewer& history = *job_.GetHistory();
    std::vector<int> all;
    if (list.GetDBIDToCListInt(all, 0) < 0) {
        job_.GetErrMsg() = list.GetErrMsg();
        job_.SetFlag(CSendJob::kError);
        result_ = kListUnreadable;
        return Next::kClose;
    }
    // Who may not be sent to, who does not take this kind of mail, and who the history
    // shows as sent or failed for good already (a run that was killed before it rewrote
    // the list) leave the list before anything is sent. Only a failure waiting for its
    // resend ("W") is sent again, while a resend is allowed; a portion of a split send
    // leaves it to the mail's resend run, as the resend span asks.
    const bool splitPortion = job_.GetStatusAtStart() == "B";
    std::vector<int> drop;
    std::unordered_set<int> resendLater;
    for (int id : all) {
        bool keep = job_.CheckRecipient(id) == CSendJob::kSendable;
        if (keep && kind_ == RecipientMessageBuilder::kPcHtmlMail) keep = job_.IsPcRecipient(id) != 0;
        if (keep && kind_ == RecipientMessageBuilder::kMobileHtmlMail) keep = job_.IsMobileHtmlRecipient(id) != 0;
        if (keep && history.DBID2RowNumber(id) >= 0) {
            const std::string state = history.GetElementFromMemoryPinPoint(id, HistoryListViewer::kState);
            keep = state != "C" && state != "E";
            if (keep && state == "W") {
                keep = history.CheckRetrySendOK(id, 0) == 0;
                if (keep && splitPortion) resendLater.insert(id);
            }
        }
        // Two messages went out to this person without an outcome (killed runs, a disk
        // that filled up): a third try could be a third copy. The verdict is on the disk
        // before the list drops the person.
        if (keep && history.GetSendPending(id) >= kMostAttemptsInDoubt) {
            if (!UnknownOutcomeFailed(id, 0)) return Next::kClose;
            keep = false;
        }
        if (!keep) drop.push_back(id);
    }
    if (!drop.empty()) list.RemoveDBIDs(drop);

    if (Stopped()) return Next::kClose;
    if (list.WriteAllOnMemoryDBIDToFile() < 0) {
        job_.GetErrMsg() = list.GetErrMsg();
        job_.SetFlag(CSendJob::kError);
        result_ = kListUnwritable;
        return Next::kClose;
    }
    if (list.GetDBIDToCListInt(ids_, 0) < 0) {
        job_.GetErrMsg() = list.GetErrMsg();
        job_.SetFlag(CSendJob::kError);
        result_ = kListNotReadBack;
        return Next::kClose;
    }
    if (!resendLater.empty())
        ids_.erase(std::remove_if(ids_.begin(), ids_.end(), [&](int id) { return resendLater.count(id) != 0; }),
                   ids_.end());
    // Shown as soon as it is known, not only once the server has answered.
    if (SendRunObserver* o = job_.GetObserver()) o->OnTotal(static_cast<int>(ids_.size()));
    return Next::kGoOn;
}

SendRun::Next SendRun::CheckAttachments() {
    if (Stopped()) return Next::kClose;
    if (Option(kOptionNoAttachments) == "Y") return Next::kGoOn;
    for (int t : AttachmentTypes(kind_)) {
        AttachWriter& writer = *job_.GetAttachWriter(t);
        if (writer.LoadAttachList(nullptr) == 0) {
            // Never a quiet end: the mail must not pass for sent.
            job_.GetErrMsg() = writer.GetErrMsg();
            job_.SetFlag(CSendJob::kError);
            result_ = kAttachListUnreadable;
            return Next::kClose;
        }
        if (writer.CheckAllFile() == 0) {
            job_.GetErrMsg() = writer.GetErrMsg();
            job_.SetFlag(CSendJob::kError);
            result_ = kAttachmentMissing;
            return Next::kClose;
        }
    }
    return Next::kGoOn;
}

SendRun::Next SendRun::Connect() {
    if (Stopped()) return Next::kClose;
    // Nobody is left to send to (the history records everyone the list named): no server is
    // needed, and one that is down must not send a mail that reached everyone back to wait.
    if (ids_.empty()) {
        job_.Counters().total = 0;
        return Next::kClose;
    }
    Status(SjisLiteral("送信サーバに接続中です"));
    Pause(500);
    netssl::SmtpsComponent* h = client_->GetHandle();
    authentication_ = ApplySmtpServerSettings(h, *options_);
    netssl::SMTPS_Set(h, netssl::kSmtpsResultGrace, 0, kCancelGraceSeconds, 0);

    const std::string sender = Option(kOptionSender);
    std::string from;
    if (FormatAddress(Option(kOptionSenderName), sender, from) != 0) {
        // Every message would be refused for it: nobody is to be marked failed.
        Fail(-1, SjisLiteral("送信者メールアドレスが正しくないため送信できません。システム設定を確認してください。"));
        job_.SetFlag(CSendJob::kError);
        result_ = kStopped;
        return Next::kClose;
    }
    netssl::SMTPS_Set(h, netssl::kSmtpsFrom, 0, from.c_str(), 0);

    RecipientMessageBuilder::Settings settings;
    settings.mailId = mailId_;
    settings.kind = kind_;
    settings.honorific = honorific_;
    settings.senderAddress = sender;
    settings.zone = Option(kOptionZone);
    if (Option(kOptionReadReceipt) == "Y") settings.readReceiptLine = "Disposition-Notification-To: " + sender;
    builder_ = std::make_unique<RecipientMessageBuilder>(*job_.GetMailWriter(), std::move(settings));
    if (Option(kOptionNoAttachments) != "Y") {
        for (int t : AttachmentTypes(kind_)) {
            if (builder_->AddAttachments(t, *job_.GetAttachWriter(t)) != RecipientMessageBuilder::kBuilt) {
                job_.GetErrMsg() = builder_->GetErrMsg();
                job_.SetFlag(CSendJob::kError);
                result_ = kAttachmentMissing;
                return Next::kClose;
            }
        }
    }

    const EnvManager* env = job_.GetEnvironment().env;
    ReadMailTimeouts(env_layout::EnvIniFile(*env), timeoutBeforeConnectMs_, timeoutConnectedMs_, false);
    netssl::SMTPS_Set(h, netssl::kSmtpsTimeout, 0, timeoutBeforeConnectMs_ / 1000, 0);
    if (Stopped()) return Next::kClose;
    const int rc = ConnectSmtp(h, authentication_);
    if (rc != 0) {
        if (rc == netssl::kNetTimeout && job_.GetFlag(CSendJob::kCancel)) {
            closingText_ = SjisLiteral("送信をキャンセルしました");
        } else {
            closingText_ = client_->GetLastErrorInJapanese();
            Fail(rc, closingText_);
            job_.SetFlag(CSendJob::kConnectionFailure);
            job_.Counters().serverUnusable = true;
        }
        netssl::SMTPS_Do(h, netssl::kSmtpsDisconnect);
        return Next::kClose;
    }

    job_.Counters().total = static_cast<int>(ids_.size());
    Status(SjisLiteral("送信中です"));
    Pause(500);
    if (SendRunObserver* o = job_.GetObserver()) o->OnTotal(job_.Counters().total);
    netssl::SMTPS_Set(h, netssl::kSmtpsTimeout, 0, timeoutConnectedMs_ / 1000, 0);
    return Next::kGoOn;
}

// With a server that offers PIPELINING the run keeps two messages going: while one
// message's end-of-data reply travels (in flight), the next recipient's message is built;
// then that reply is read and the outcome recorded, and the current message (whose
// envelope went before) gets its data, in one write with the envelope of the one just
// built. So the server reads the end of one message and the next commands at once and
// answers both in one write: one round trip per message. No message's data goes out
// before the outcome of the one before it is on record, exactly as when each command
// waits for its reply. Without PIPELINING an envelope goes command by command when its
// data is due (the unpipelined exchange), and only the build overlaps the reply.
SendRun::Next SendRun::SendAll() {
    SendCounters& counters = job_.Counters();
    HistoryListViewer& history = *job_.GetHistory();
    // Flushed by time, not per recipient (see kSyncIntervalMs).
    history.SetProgressSync(false);
    lastSyncMs_ = NowMs();
    lastProgressMs_ = lastSyncMs_;
    // A paced run (a delay between messages) gains nothing from overlap.
    const bool overlap = job_.GetSendDelay() <= 0;
    for (std::size_t i = 0; i < ids_.size(); ++i) {
        if (Stopped()) return Settle(Next::kDisconnect);
        const int going = (current_.active ? 1 : 0) + (inFlight_.active ? 1 : 0);
        if (job_.GetSplitCount() > 0 && counters.processed + going >= job_.GetSplitCount()) {
            job_.SetFlag(CSendJob::kSplitReached);
            return Settle(Next::kDisconnect);
        }
        // Built into the buffer the current message does not use.
        const int slot = current_.active ? 1 - current_.slot : current_.slot;
        bool ready = false;
        if (const Next next = Prepare(ids_[i], slot, ready); next != Next::kGoOn) return Settle(next);
        if (ready) {
            const Pending built{true, ids_[i], slot};
            if (const Next next = Advance(&built); next != Next::kGoOn) return next;
            if (!overlap) {
                if (const Next next = Settle(Next::kGoOn); next != Next::kGoOn) return next;
            }
        }
        if (!Stopped() && i + 1 < ids_.size() && job_.GetSendDelay() > 0) {
            // The pause is longer than the flush window: what is recorded goes to the disk
            // first (a failure stops the run at the next record).
            (void)history.FlushProgress();
            lastSyncMs_ = NowMs();
            SleepUnlessStopped(job_.GetSendDelay(), [this] { return Stopped(); });
        }
    }
    return Settle(Next::kDisconnect);
}

SendRun::Next SendRun::Advance(const Pending* next) {
    netssl::SmtpsComponent* h = client_->GetHandle();
    using namespace netssl;
    // 1. The result of the message in flight (the build of `next` overlapped its round trip).
    // Recorded now; it goes to the progress record with the next message's mark, in one
    // append, or at once when no message follows.
    if (inFlight_.active) {
        if (const Next finished = Finish(0); finished != Next::kGoOn) return finished;
        if (!current_.active) {
            if (const Next settled = SettleOwed(); settled != Next::kGoOn) return settled;
        }
    }
    // 2. The current message's data, with the next envelope in the same write when it may
    // follow on this connection.
    bool nextSent = false;
    if (current_.active) {
        if (Stopped()) return SettleOwed() == Next::kGoOn ? Next::kDisconnect : Next::kClose;
        if (reconnect_ || SMTPS_Get(h, kSmtpsConnected, 0, nullptr) == 0) {
            if (const Next settled = SettleOwed(); settled != Next::kGoOn) return settled;
            // Its envelope went with a connection that failed under the message before.
            if (const Next renewed = Renew(); renewed != Next::kGoOn) return renewed;
            if (const Next sent = SendEnvelope(current_); sent != Next::kGoOn) return sent;
        }
    }
    if (current_.active) {
        const bool chain = next != nullptr && (sendCounter_ + 2) % kMessagesPerConnection != 0;
        const Pending handed = current_;
        current_.active = false;
        if (const Next given = HandOver(handed, chain); given != Next::kGoOn) return given;
        // Not onto a connection that is to be renewed (its server closed it with an answer).
        if (chain && !reconnect_) {
            nextSent = true;
            current_ = *next;
            if (const Next sent = SendEnvelope(current_); sent != Next::kGoOn) return sent;
            SendRunReached("handed");  // the held message went with that envelope
        }
    }
    // 3. The next envelope, when it did not go with that data: over a new connection when one
    // is due (after the result of the message before).
    if (next != nullptr && !nextSent) {
        if (renewDue_ || reconnect_) {
            if (inFlight_.active) {
                if (const Next finished = Finish(0); finished != Next::kGoOn) return finished;
            }
            if (const Next settled = SettleOwed(); settled != Next::kGoOn) return settled;
            if (const Next renewed = Renew(); renewed != Next::kGoOn) return renewed;
        }
        current_ = *next;
        if (const Next sent = SendEnvelope(current_); sent != Next::kGoOn) return sent;
    }
    return SettleOwed();
}

SendRun::Next SendRun::SendEnvelope(Pending& message) {
    SetMessage(message.slot);
    netssl::SmtpsComponent* h = client_->GetHandle();
    const int rc = netssl::SMTPS_Do(h, netssl::kSmtpsSendEnvelope);
    if (rc == netssl::kNetOk) return Next::kGoOn;
    message.active = false;
    if (inFlight_.active && rc != netssl::kNetBadArgument) {
        // The connection failed under the message in flight (held data went with this
        // write): that is its outcome; this one never went, and is tried again when the run
        // goes on over a new connection.
        if (const Next finished = Finish(rc); finished != Next::kGoOn) return finished;
        message.active = true;
        return SettleOwed();
    }
    // Refused before anything went out: the recipient's address or headers.
    return Outcome(message.id, messages_[message.slot].messageId, rc, netssl::kSendNotBegun);
}

SendRun::Next SendRun::Settle(Next next) {
    while (current_.active || inFlight_.active) {
        if (const Next step = Advance(nullptr); step != Next::kGoOn) return step;
    }
    return next;
}

void SendRun::SetMessage(int slot) {
    // The envelope and the data of a message set the same properties: set once.
    if (propertiesOf_ == builds_[slot]) return;
    propertiesOf_ = builds_[slot];
    const RecipientMessage& m = messages_[slot];
    netssl::SmtpsComponent* h = client_->GetHandle();
    using namespace netssl;
    SMTPS_Set(h, kSmtpsTo, 0, m.to.c_str(), 0);
    SMTPS_Set(h, kSmtpsMessageId, 0, m.messageId.c_str(), 0);
    SMTPS_Set(h, kSmtpsDate, 0, m.date.c_str(), 0);
    SMTPS_Set(h, kSmtpsHeaderText, 0, m.headerText.data(), static_cast<int>(m.headerText.size()));
    SMTPS_Set(h, kSmtpsMessageText, 0, "", 0);
}

bool SendRun::Processed() {
    if (!RecordProgress()) return false;
    SendCounters& counters = job_.Counters();
    ++counters.processed;
    // The mail's record follows by time: the history holds every outcome already, and
    // the worker's final save sets the exact counts.
    if (const long long now = NowMs(); now - lastProgressMs_ >= kProgressIntervalMs) {
        job_.SaveProgress(0);
        lastProgressMs_ = now;
    }
    if (SendRunObserver* o = job_.GetObserver()) o->OnProcessed(counters.processed);
    return true;
}

bool SendRun::RecipientFailed(int id, const std::string& messageId) {
    ++job_.Counters().error;
    job_.SetFlag(CSendJob::kRecipientFailed);
    const CErrMsg kept = job_.GetErrMsg();
    // -2 (the address book would not take the permission change) still leaves the
    // history right; the recipient's own error stays the one shown.
    if (job_.UpdateHistory(id, "E", messageId) == -1) {
        job_.SetFlag(CSendJob::kError);
        result_ = kHistorySaveFailed;
        return false;
    }
    job_.GetErrMsg() = kept;
    // A person waiting for a resend ("W") stays in the list: only the list a run starts from
    // tells who is still to get the mail, and a run killed or cancelled before the worker's
    // final save must not leave the person out of it.
    if (job_.GetHistory()->GetElementFromMemoryPinPoint(id, HistoryListViewer::kState) != "W") toRemove_.push_back(id);
    return true;
}

bool SendRun::UnknownOutcomeFailed(int id, int rc) {
    std::string messageId;
    const int attempts = job_.GetHistory()->GetSendPending(id, &messageId);
    return GiveUp(id, attempts, messageId, rc, SjisLiteral("送信結果を確認できないまま2回送信したため、この宛先への送信を打ち切りました"));
}

bool SendRun::GiveUp(int id, int attempts, const std::string& messageId, int rc, const std::string& reason) {
    HistoryListViewer& history = *job_.GetHistory();
    ++job_.Counters().error;
    job_.SetFlag(CSendJob::kRecipientFailed);
    if (job_.RecordGivenUp(id, attempts, messageId) != 0) {
        job_.SetFlag(CSendJob::kError);
        result_ = kHistorySaveFailed;
        return false;
    }
    // On the disk before anything more goes out: the recipient list, which still holds
    // the person until its next rewrite, must not have a restarted run try once more.
    history.SetProgressSync(true);
    const int recorded = history.RecordProgress();
    history.SetProgressSync(false);
    if (recorded < 0) {
        job_.GetErrMsg() = history.GetErrMsg();
        job_.SetFlag(CSendJob::kError);
        result_ = kHistorySaveFailed;
        return false;
    }
    Fail(rc, reason);
    toRemove_.push_back(id);
    Status(reason);
    return true;
}

SendRun::Next SendRun::Prepare(int id, int slot, bool& ready) {
    ready = false;
    SendCounters& counters = job_.Counters();
    CDatabaseEdit* book = job_.GetEnvironment().book;
    OneCustomer person;
    if (book == nullptr || book->GetOneCustomerForEdit(person, id) != 0) {
        if (book != nullptr) job_.GetErrMsg() = book->GetErrMsg();
        // Nothing was sent: no Message-ID (another row's would make its replies untraceable).
        if (!RecipientFailed(id, std::string())) return Next::kDisconnect;
        return Processed() ? Next::kGoOn : Next::kClose;
    }
    if (job_.CheckRecipient(id) != CSendJob::kSendable ||
        !RecipientMessageBuilder::ServesTerminal(kind_, CXEmail::GetTermTypeFromMailAddr(person.Email))) {
        ++counters.skipped;
        toRemove_.push_back(id);
        return Processed() ? Next::kGoOn : Next::kClose;
    }

    builds_[slot] = ++buildCount_;
    const int built = builder_->Build(person, messages_[slot]);
    if (built == RecipientMessageBuilder::kMailFault) {
        // Every recipient of this terminal type would fail alike: the mail is at fault,
        // and this recipient stays in the list for when it is mended.
        job_.GetErrMsg() = builder_->GetErrMsg();
        job_.SetFlag(CSendJob::kError);
        result_ = kStopped;
        return Next::kDisconnect;
    }
    if (built != RecipientMessageBuilder::kBuilt) {
        job_.GetErrMsg() = builder_->GetErrMsg();
        if (!RecipientFailed(id, std::string())) return Next::kDisconnect;
        Status(job_.GetErrMsg().GetLastMsg());
        Pause(500);
        return Processed() ? Next::kGoOn : Next::kClose;
    }
    ready = true;
    return Next::kGoOn;
}

SendRun::Next SendRun::HandOver(const Pending& message, bool held) {
    // Marked before it goes: should its answer never come, the next run knows that this
    // person may have it already. Nothing goes out unless the mark is on the disk (it goes
    // in one append with the outcome recorded just before).
    const std::string& messageId = messages_[message.slot].messageId;
    HistoryListViewer& history = *job_.GetHistory();
    SyncIfDue();
    const int marked = Reserve(message.id) ? history.MarkSendPending(message.id, messageId) : -1;
    history.SetProgressSync(false);
    if (marked != 0) {
        job_.GetErrMsg() = history.GetErrMsg();
        job_.SetFlag(CSendJob::kError);
        result_ = kHistorySaveFailed;
        return Next::kDisconnect;
    }
    if (const Next settled = SettleOwed(); settled != Next::kGoOn) return settled;
    SetMessage(message.slot);
    netssl::SmtpsComponent* h = client_->GetHandle();
    const int rc = netssl::SMTPS_Do(h, held ? netssl::kSmtpsSendDataHeld : netssl::kSmtpsSendData);
    ++sendCounter_;
    // Renewed after each 1000th message, before the next one goes.
    if ((sendCounter_ + 1) % kMessagesPerConnection == 0) renewDue_ = true;
    if (rc == netssl::kNetOk) {
        inFlight_.active = true;
        inFlight_.id = message.id;
        inFlight_.messageId = messageId;
        if (!held) SendRunReached("handed");
        return Next::kGoOn;
    }
    const int stage = static_cast<int>(netssl::SMTPS_Get(h, netssl::kSmtpsSendStage, 0, nullptr));
    return Outcome(message.id, messageId, rc, stage);
}

SendRun::Next SendRun::Finish(int failure) {
    inFlight_.active = false;
    // The reply to the message's end of data, unless the connection already failed under it.
    const int rc = failure != 0 ? failure : netssl::SMTPS_Do(client_->GetHandle(), netssl::kSmtpsSendResult);
    const Next next = RecordOutcome(inFlight_.id, inFlight_.messageId, rc, netssl::kSendMessage);
    owed_ = next == Next::kGoOn;
    return next;
}

SendRun::Next SendRun::SettleOwed() {
    if (!owed_) return Next::kGoOn;
    owed_ = false;
    return Processed() ? Next::kGoOn : Next::kClose;
}

SendRun::Next SendRun::Outcome(int id, const std::string& messageId, int rc, int stage) {
    const Next next = RecordOutcome(id, messageId, rc, stage);
    if (next != Next::kGoOn) return next;
    return Processed() ? Next::kGoOn : Next::kClose;
}

SendRun::Next SendRun::RecordOutcome(int id, const std::string& messageId, int rc, int stage) {
    SendCounters& counters = job_.Counters();
    HistoryListViewer& history = *job_.GetHistory();
    netssl::SmtpsComponent* h = client_->GetHandle();
    using namespace netssl;
    if (rc == kNetOk) {
        SendRunReached("accepted");
        ++counters.sent;
        if (job_.UpdateHistory(id, "C", messageId) == -1) {
            job_.SetFlag(CSendJob::kError);
            result_ = kHistorySaveFailed;
            return Next::kClose;
        }
        toRemove_.push_back(id);
        if (lastStatus_ != SjisLiteral("送信中です")) Status(SjisLiteral("送信中です"));
        return Next::kGoOn;
    }
    // Where the send ended tells whether the message may be with the server: only when it
    // went out whole and no answer came is the outcome unknown, and the mark stays. So it
    // is after a reply that did not fit its command (a server that answered twice): the
    // replies no longer said which command they answered.
    const bool inDoubt = (stage == kSendMessage && rc != kNetServerReply) || rc == kNetProtocol;
    if (!inDoubt) history.ClearSendPending(id, messageId);
    const std::string text = client_->GetLastErrorInJapanese();
    if (rc == kNetTimeout && job_.GetFlag(CSendJob::kCancel)) {
        Fail(rc, SjisLiteral("送信をキャンセルしました。"));
        SMTPS_Set(h, kSmtpsTimeout, 0, kCancelTimeoutSeconds, 0);
        return Next::kDisconnect;
    }
    if (inDoubt && history.GetSendPending(id) >= kMostAttemptsInDoubt) {
        // The one resend went unanswered too: this recipient ends here, the others go on
        // over a new connection.
        Fail(rc, text);
        if (!UnknownOutcomeFailed(id, rc)) return Next::kClose;
        reconnect_ = true;
        Pause(500);
        return Next::kGoOn;
    }
    if (rc == kNetTimeout) {
        // Interrupted, or no answer in time: the recipient stays in the list, unrecorded
        // (and marked when its message went out).
        job_.SetFlag(CSendJob::kInterrupted);
        closingText_ = text;
        Fail(rc, closingText_);
        job_.SetFlag(CSendJob::kRecipientFailed);
        return Next::kClose;
    }

    // A lost connection, a refused sender or a server that asks to try later says nothing
    // about this recipient. Only a refusal of the recipient or of its message (5xx), or an
    // address the client cannot use, is the recipient's failure.
    const int reply = ReplyCode(h);
    const bool connected = SMTPS_Get(h, kSmtpsConnected, 0, nullptr) != 0;
    const bool answered = rc == kNetServerReply && stage != kSendMailFrom;
    Fail(rc, text);
    // A server that closes the connection with its answer (421) still answered this
    // recipient's command: that is this recipient's deferral like any other, and the
    // others go on over a new connection.
    if (answered && reply / 100 == 4 && (connected || reply == 421)) {
        if (!connected) reconnect_ = true;
        // Greylisting, a full mailbox, a rate limit: this recipient waits in the list for
        // the next run; the others go on. No pause to read it: a greylisting server may
        // defer every address it has not seen yet. Not for ever: after five days of it
        // the recipient fails, with this answer as the reason.
        const platform::DateTime now = platform::DateTime::GetCurrentTime();
        if (now - history.NoteDeferral(id, now) > kLongestDeferral) {
            const std::string reason = SjisLiteral("最初に保留されてから5日を過ぎたため、この宛先への送信を打ち切りました") +
                                       "\r\n" + text + "\r\n" + SMTPS_GetLastError(h);
            if (!GiveUp(id, 1, messageId, rc, reason)) return Next::kClose;
            Pause(500);
            return Next::kGoOn;
        }
        ++counters.deferred;
        Status(text + "\r\n" + SjisLiteral("この宛先には次回の送信で送ります"));
        return Next::kGoOn;
    }
    if (!connected || !(answered || rc == kNetBadArgument)) {
        closingText_ = text;
        SMTPS_Do(h, kSmtpsDisconnect);
        job_.SetFlag(CSendJob::kConnectionFailure);
        // A refused sender is refused for every mail alike.
        if (rc == kNetServerReply && stage == kSendMailFrom) job_.Counters().serverUnusable = true;
        return Next::kClose;
    }
    if (!RecipientFailed(id, messageId)) return Next::kDisconnect;
    Status(text);
    Pause(500);
    return Next::kGoOn;
}

SendRun::Next SendRun::Renew() {
    renewDue_ = reconnect_ = false;
    netssl::SmtpsComponent* h = client_->GetHandle();
    netssl::SMTPS_Do(h, netssl::kSmtpsDisconnect);
    netssl::SMTPS_Set(h, netssl::kSmtpsTimeout, 0, timeoutBeforeConnectMs_ / 1000, 0);
    const int rc = ConnectSmtp(h, authentication_);
    if (rc == netssl::kNetTimeout && job_.GetFlag(CSendJob::kCancel)) {
        closingText_ = SjisLiteral("送信をキャンセルしました");
        return Next::kDisconnect;
    }
    if (rc != 0) {
        closingText_ = client_->GetLastErrorInJapanese();
        Fail(rc, closingText_);
        netssl::SMTPS_Do(h, netssl::kSmtpsDisconnect);
        job_.SetFlag(CSendJob::kConnectionFailure);
        job_.Counters().serverUnusable = true;
        return Next::kClose;
    }
    netssl::SMTPS_Set(h, netssl::kSmtpsTimeout, 0, timeoutConnectedMs_ / 1000, 0);
    return Next::kGoOn;
}

// ---- Stores ---------------------------------------------------------------------------------

void SendRun::SyncIfDue() {
    const long long now = NowMs();
    const bool sync = now - lastSyncMs_ >= kSyncIntervalMs;
    job_.GetHistory()->SetProgressSync(sync);
    if (sync) lastSyncMs_ = now;
}

bool SendRun::Reserve(int id) {
    HistoryListViewer& history = *job_.GetHistory();
    if (history.IsSendReserved(id)) return true;
    // The group the size of what went since the last one: doubled while it lasted less
    // than the flush window, halved when it lasted more than twice that (a slow server).
    const long long now = NowMs();
    if (lastReserveMs_ != 0) {
        const long long lasted = now - lastReserveMs_;
        if (lasted < kSyncIntervalMs) reserveSize_ = std::min(reserveSize_ * 2, kMostReserved);
        else if (lasted > 2 * kSyncIntervalMs) reserveSize_ = std::max<std::size_t>(reserveSize_ / 2, 1);
    }
    lastReserveMs_ = now;
    // Messages go in list order: the recipient is found at or after the last one reserved
    // for (from the start for one sent again out of that order).
    auto at = std::find(ids_.begin() + static_cast<std::ptrdiff_t>(reserveFrom_), ids_.end(), id);
    if (at == ids_.end()) at = std::find(ids_.begin(), ids_.end(), id);
    std::vector<int> group;
    if (at == ids_.end()) {
        group.push_back(id);
    } else {
        const auto end = ids_.end() - at > static_cast<std::ptrdiff_t>(reserveSize_)
                             ? at + static_cast<std::ptrdiff_t>(reserveSize_)
                             : ids_.end();
        group.assign(at, end);
        reserveFrom_ = std::max(reserveFrom_, static_cast<std::size_t>(end - ids_.begin()));
    }
    if (history.ReserveSends(group) != 0) return false;
    lastSyncMs_ = NowMs();  // flushed with it: what was recorded before
    return true;
}

int SendRun::FlushWhenDue() {
    HistoryListViewer* history = job_.GetHistory();
    if (history == nullptr || !history->HasUnflushedProgress()) return 0;
    const long long left = lastSyncMs_ + kSyncIntervalMs - NowMs();
    if (left > 0) return static_cast<int>(left);
    lastSyncMs_ = NowMs();
    // A failure leaves the progress record refusing the next record, which stops the run
    // with the history's error.
    (void)history->FlushProgress();
    return 0;
}

bool SendRun::RecordProgress() {
    HistoryListViewer& history = *job_.GetHistory();
    SyncIfDue();
    const int saved = history.WriteHDataFromMemoryToFileByPace();
    history.SetProgressSync(false);
    if (saved < 0) {
        job_.GetErrMsg() = history.GetErrMsg();
        job_.SetFlag(CSendJob::kError);
        result_ = kHistorySaveFailed;
        return false;
    }
    SendRunReached("recorded");
    // The list is rewritten only after the history holds every outcome it drops.
    if (saved == 1 && !WriteRecipientList()) {
        result_ = kListSaveFailed;
        return false;
    }
    return true;
}

bool SendRun::WriteRecipientList() {
    ExtractResultDetail& list = *job_.GetRecipientList();
    if (!toRemove_.empty()) {
        list.RemoveDBIDs(toRemove_);
        toRemove_.clear();
    }
    SendRunReached("list-save");
    if (list.WriteAllOnMemoryDBIDToFile() < 0) {
        job_.GetErrMsg() = list.GetErrMsg();
        job_.SetFlag(CSendJob::kError);
        return false;
    }
    return true;
}

void SendRun::FinalSaves() {
    ExtractResultDetail* list = job_.GetRecipientList();
    HistoryListViewer* history = job_.GetHistory();
    if (list == nullptr || history == nullptr || list->GetType() != ER_TYPE_MAIL || list->GetID() != mailId_ ||
        history->GetMailID() != mailId_)
        return;  // the stores hold nothing of this mail
    SendRunReached("closing");
    history->DropReservations();
    history->SetProgressSync(true);
    // The history first: the list may drop only what the history holds.
    if (history->WriteHDataFromMemoryToFile() < 0) {
        job_.GetErrMsg() = history->GetErrMsg();
        job_.SetFlag(CSendJob::kError);
        return;
    }
    WriteRecipientList();
}

int SendRun::Closing() {
    int result = result_;
    if (job_.GetFlag(CSendJob::kCancel)) {
        Status(SjisLiteral("送信をキャンセルしました"));
        Pause(500);
        return kStopped;
    }
    if (job_.GetFlag(CSendJob::kWindowEnded)) {
        Status(SjisLiteral("送信可能時刻が終わりました"));
        Pause(500);
        return kStopped;
    }
    if (job_.GetFlag(CSendJob::kSplitReached)) {
        Status(SjisLiteral("分割送信数に達しました"));
        Pause(500);
        return kSplitReached;
    }
    if (job_.GetFlag(CSendJob::kConnectionFailure) || job_.GetFlag(CSendJob::kInterrupted)) {
        Status(closingText_);
        Pause(3000);
        return kStopped;
    }
    if (job_.GetFlag(CSendJob::kError)) {
        const std::string reason = job_.GetErrMsg().GetLastMsg();
        Status(reason);
        Pause(3000);
        // The reason stays in the line the run ends with: the window may be read long after.
        Status(reason.empty() ? SjisLiteral("送信が正常に終了しませんでした") : SjisLiteral("送信が正常に終了しませんでした") + "\r\n" + reason);
        Pause(3000);
        // The list and attachment-list failures keep their own results.
        const bool own = result == kListUnreadable || result == kListUnwritable || result == kListNotReadBack ||
                         result == kAttachListUnreadable;
        return own ? result : kStopped;
    }
    // A split send that dealt with every recipient ends as any finished send does (the
    // window left open must not read as if a part were still to come); its result tells
    // the worker that split sending is on.
    if (job_.GetSplitCount() > 0) result = kSplitDone;
    if (job_.GetFlag(CSendJob::kRecipientFailed)) {
        Status(job_.GetErrMsg().GetLastMsg());
        Pause(2000);
        return result;
    }
    Status(SjisLiteral("送信が正常に終了しました"));
    Pause(500);
    return result;
}
