#include "app/sendrecv/send_receive_worker.h"

#include <cstdlib>
#include <unordered_set>
#include <utility>

#include "app/sendrecv/mail_timeouts.h"
#include "app/sendrecv/pop_receive_session.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "core/foundation/cp932.h"
#include "core/foundation/ini_manager.h"
#include "platform/date_time.h"
#include "platform/notifier.h"

namespace {

// State codes (CSendReceiveDlg::State).
constexpr int kStateReceiving = 11;
constexpr int kStateLogin = 12;
constexpr int kStateSending = 13;
constexpr int kStateAutoDialup = 14;
constexpr int kStateManualDialup = 15;

// Send results that end in a postponement.
constexpr int kSentSplitReached = -8;
constexpr int kSentSplitFinished = -9;

bool Receives(int mode) { return mode == 1 || mode == 2 || mode == 4 || mode == 7; }
bool LogsInOnly(int mode) { return mode == 3 || mode == 5 || mode == 6; }

}  // namespace

void RouteStop(SendReceiveRunParts& parts, int state, bool windowEnded) {
    switch (state) {
    case kStateReceiving:
    case kStateLogin:
        if (parts.receiver) parts.receiver->Interrupt();
        break;
    case kStateSending:
        if (!parts.sender) break;
        if (windowEnded) {
            parts.sender->EndWindow();
        } else {
            parts.sender->Cancel();
        }
        break;
    case kStateAutoDialup:
    case kStateManualDialup:
        if (parts.dialup) parts.dialup->Abort();
        break;
    default: break;
    }
}

std::string ReadLastUid(const std::string& iniFile) {
    std::string uid;
    if (!iniFile.empty()) CIniManager::GetProfileStringA(iniFile, "POPINFO", "LAST_UID", uid, "");
    return uid;
}

void WriteLastUid(const std::string& iniFile, const std::string& uid) {
    if (!iniFile.empty()) CIniManager::WriteProfileStringA(iniFile, "POPINFO", "LAST_UID", uid.c_str());
}

SendReceiveWorker::SendReceiveWorker(SendReceiveRunParts& parts, RunFlags& flags, SendReceiveObserver& observer,
                                     Settings settings)
    : parts_(parts), flags_(flags), observer_(observer), settings_(std::move(settings)) {}

void SendReceiveWorker::SetState(int state) {
    // Published before the flags are looked at: a stop the dialog routes by the old state
    // is then seen here and routed to the part that starts now.
    flags_.state.store(state);
    observer_.OnState(state);
    if (StopRequested()) RouteStop(parts_, state, flags_.windowEnded.load() != 0);
}

void SendReceiveWorker::Status(const char* utf8) { observer_.OnStatus(SjisLiteral(utf8)); }

void SendReceiveWorker::Pause(int ms) {
    observer_.Pause(ms, [] { return false; });
}

void SendReceiveWorker::Run() {
    observer_.OnRunStarted();
    const int dial = settings_.mode == 0 ? CDialupConnection::kNotUsed : DialUp();
    const bool goOn = dial == CDialupConnection::kConnected || dial == CDialupConnection::kAlreadyConnected ||
                      dial == CDialupConnection::kNotDialled || dial == CDialupConnection::kNotUsed;
    if (!goOn && !StopRequested()) Failed();
    if (goOn) {
        if (StopRequested()) {
            ShowCancelled();
        } else if (const int received = ReceiveOrLogin(); received != 0) {
            if (!StopRequested()) Failed();
        } else if (StopRequested()) {
            ShowCancelled();
        } else if (settings_.mode != 2 && settings_.mode != 7 && settings_.mode != 0) {
            const int sent = SendDueMails();
            if (sent == 0 && StopRequested()) {
                ShowCancelled();
            } else if (sent != 0 && sent != kSentSplitReached && sent != kSentSplitFinished && !StopRequested()) {
                Failed();
            }
        }
    }
    if (dial == CDialupConnection::kConnected && !HangUp()) Failed();
    if (parts_.sender) parts_.sender->Finish();
    const RunOutcome outcome = failed_ ? RunOutcome::kFailed
                               : StopRequested() ? RunOutcome::kCancelled
                                                 : RunOutcome::kSucceeded;
    observer_.OnRunFinished(outcome);
}

int SendReceiveWorker::DialUp() {
    CDialupConnection* line = parts_.dialup.get();
    const bool automatic = settings_.mode == 4;
    SetState(automatic ? kStateAutoDialup : kStateManualDialup);
    if (line == nullptr) return CDialupConnection::kNotUsed;
    line->SetKind(automatic ? CDialupConnection::kKindAutomatic : CDialupConnection::kKindManual);
    line->SetObserver(&observer_);
    return line->Connect();
}

int SendReceiveWorker::ReceiveOrLogin() {
    const int mode = settings_.mode;
    if (Receives(mode)) {
        SetState(kStateReceiving);
        if (!parts_.receiver) return CPopReceiveSession::kRunFailed;
        std::string lastUid = ReadLastUid(parts_.iniFile);
        int r = parts_.receiver->Receive(lastUid, &observer_);
        WriteLastUid(parts_.iniFile, lastUid);
        if (settings_.showReceiveResults) settings_.showReceiveResults();
        // Some messages skipped, the rest received and saved: the sending goes on, but the
        // run does not pass for a clean one.
        if (r == CPopReceiveSession::kRunMessagesFailed) {
            Failed();
            r = 0;
        }
        return r;
    }
    if (LogsInOnly(mode)) {
        SetState(kStateLogin);
        if (!parts_.receiver) return -1;
        return parts_.receiver->TestLogin(flags_.cancel, &observer_);
    }
    return 0;
}

int SendReceiveWorker::SendDueMails() {
    RunSender* sender = parts_.sender.get();
    if (sender == nullptr) return 0;
    const CommNetRules& rules = parts_.rules;
    const int mode = settings_.mode;
    int beforeConnect = 60000, connected = 60000, delay = 0;
    if (!parts_.iniFile.empty()) {
        ReadMailTimeouts(parts_.iniFile, beforeConnect, connected, false);
        delay = ReadSendDelay(parts_.iniFile);
    }
    const int split = rules.Option(kOptionSplitOn) == "Y" ? std::atoi(rules.Option(kOptionSplitCount).c_str()) : 0;
    sender->SetSplitCount(split);
    SetState(kStateSending);
    sender->SetSendSettings(delay, beforeConnect, connected);

    std::unordered_set<int> taken;
    // The next due mail this run has not taken yet: one whose resend time has already come
    // waits for the scheduler's next run instead of being sent again at once.
    const auto next = [&rules, &taken] {
        for (int id : rules.DueMailsInSendOrder())
            if (taken.count(id) == 0) return id;
        return -1;
    };
    int mail = mode == 5 ? settings_.chosenMailId : next();
    int result = 0;
    int failure = 0;  // the first mail's send that did not end cleanly
    for (;;) {
        // A mail not begun yet is never begun after a stop: the send would make it a draft.
        if (mail == -1 || StopRequested()) {
            result = 0;
            break;
        }
        taken.insert(mail);
        observer_.OnTotal(0);
        observer_.OnProcessed(0);
        observer_.OnMailId(mail);
        result = sender->SendOneMail(mail, &observer_);
        const std::string status = rules.MailStatus(mail);
        if (status == "R" || status == "E") Failed();
        if (status == "R") {
            // Only a refusal for good says something about the person; a server that asked
            // to try later (greylisting, a full mailbox) gets the mail in the next run.
            if (sender->LastDeferredCount() > 0 && sender->LastFailedCount() == 0)
                Status("一時的に受け付けられなかったアドレスがあります\r\n次回の送信で送ります");
            else
                Status("送信に失敗したアドレスがあります\r\n個人情報を確認してください");
            Pause(2000);
        }
        if (mode == 5 || result == kSentSplitReached || result == kSentSplitFinished) break;
        // One mail's trouble (a person's message that hangs or drops the connection, its own
        // files) keeps no other due mail from its run; a server that cannot be reached, or
        // refuses the sender, would fail them all alike.
        if (result != 0) {
            if (!StopRequested()) Failed();
            if (failure == 0) failure = result;
        }
        if (sender->LastServerUnusable()) break;
        mail = next();
    }
    Postpone(result);
    return result == kSentSplitReached || result == kSentSplitFinished || failure == 0 ? result : failure;
}

void SendReceiveWorker::Postpone(int result) {
    if (result != kSentSplitReached && result != kSentSplitFinished) return;
    const CommNetRules& rules = parts_.rules;
    const int mode = settings_.mode;
    if (mode == 5 && result == kSentSplitFinished) return;
    const platform::DateTime when =
        platform::DateTime(rules.Now()) +
        platform::DateTimeSpan::FromSeconds(std::atoi(rules.Option(kOptionSplitPause).c_str()));
    if (mode == 5) {
        parts_.sender->SetMailStatusAndDate(settings_.chosenMailId, when, "B");
    } else {
        // Collected once, each changed once: a mail whose change cannot be stored stays
        // due, and asking again would find it again for ever.
        bool first = true;
        for (int id : rules.DueMailsInSendOrder()) {
            parts_.sender->SetMailStatusAndDate(id, when, first ? "B" : nullptr);
            first = false;
        }
        // The last mail finished and none waits: nothing was interrupted, and the line
        // the send ended with stays.
        if (result == kSentSplitFinished && first) return;
    }
    Status("分割送信設定により送信を中断します");
    Pause(1000);
}

void SendReceiveWorker::ShowCancelled() {
    Status("キャンセルしました");
    Pause(500);
}

bool SendReceiveWorker::HangUp() {
    CDialupConnection* line = parts_.dialup.get();
    if (line == nullptr) return true;
    if (settings_.mode != 4) {
        SetState(kStateManualDialup);
        const int answer = ui::MessageBox(settings_.owner, ui::U8("ダイアルアップ接続を切断しますか？"),
                                          ui::U8("ダイアルアップ切断確認"), platform::kMbYesNo);
        if (answer != platform::kIdYes) {
            line->Forget();
            return true;
        }
        if (line->HangUpWithStatus() == 1) return true;
        ui::MessageBox(settings_.owner, ui::U8("ダイアルアップの切断に失敗しました"), ui::U8("ダイアルアップ切断失敗"),
                       platform::kMbOk | platform::kMbIconWarning);
        return false;
    }
    if (!parts_.rules.IsAutoHangUp()) {
        // Not to be hung up after automatic runs: the line stays up, also when this run's
        // objects go.
        line->Forget();
        return true;
    }
    SetState(kStateAutoDialup);
    if (line->HangUpWithStatus() == 1) return true;
    ui::MessageBox(settings_.owner,
                   ui::U8("ダイアルアップの切断に失敗しました\r\n手動で切断をしないと、課金が続く場合があります\r\n"
                          "確認の上、必要な場合は手動で切断をしてください"),
                   ui::U8("ダイアルアップ切断失敗"), platform::kMbOk | platform::kMbIconWarning);
    return false;
}
