// The receive run and the login test: the POP client's set-up, the walk over the new
// messages, the batch save before anything is deleted on the server, and the end.
#include "app/sendrecv/pop_receive_session.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <thread>

#include "app/sendrecv/mail_timeouts.h"
#include "app/sendrecv/message_fetcher.h"
#include "app/sendrecv/receive_fault_probe.h"
#include "app/sendrecv/receive_ledger.h"
#include "app/sendrecv/receive_run_observer.h"
#include "app/environment/environment_service.h"
#include "app/ui/sjis_text.h"
#include "core/addressbook/address_import.h"
#include "core/addressbook/database_edit.h"
#include "core/addressbook/extract_result_detail.h"
#include "core/foundation/cp932.h"
#include "core/foundation/env_layout.h"
#include "core/foundation/env_manager.h"
#include "core/foundation/system_option.h"
#include "core/foundation/system_reason.h"
#include "core/mailstore/history_list_viewer.h"
#include "core/mailstore/mail_list_viewer.h"
#include "core/transport/mail_analyzer.h"
#include "core/transport/my_pops.h"

namespace {

const std::string& T(const char* utf8) { return SjisLiteral(utf8); }

// The POP client a run or a login test is using, for InterruptReceive from another
// thread. Registered after it is made and unregistered before it is deleted, both under
// the lock the interrupt takes, so an interrupt never reaches a deleted client.
std::mutex g_clientMutex;
CMyPOPS* g_clientInUse = nullptr;

void InterruptClientInUse() {
    std::lock_guard<std::mutex> lock(g_clientMutex);
    if (g_clientInUse != nullptr) netssl::POPS_Do(g_clientInUse->GetHandle(), netssl::kPopsInterrupt);
}

// What the run says of a message it passes over for good: which one, by the number and the
// size the server lists it with, so that the user can find it with another mail program.
std::string PassedOverText(int number, long size) {
    std::string where = "[" + T("メール番号:") + std::to_string(number);
    if (size > 0) where += " " + T("サイズ:") + std::to_string(size) + T("バイト");
    where += "]";
    return T("2回続けて接続が切れたメールを受信せずサーバに残しました") + "\r\n" + where;
}

std::string OptionOf(SystemOption* options, int index) {
    std::string value;
    if (options != nullptr) options->GetSODataFromMemoryPinPoint(index, value);
    return value;
}

// What the set-up of the client found wrong (steps 5 to 7 of the set-up).
enum SetUpResult : int {
    kSetUpDone = 0,
    kSetUpNoPassword = 1,
    kSetUpBadSsl = -1,
    kSetUpBadLogin = -2,
};

}  // namespace

// The run's (or the login test's) POP client: the program's global one when the program
// has its environment service, else one of its own.
class PopClientHold {
public:
    PopClientHold() {
        if (shell::EnvironmentService* service = shell::ProgramEnvironment()) {
            client_ = service->CreatePopClient();
        } else {
            own_ = std::make_unique<CMyPOPS>();
            client_ = own_.get();
        }
        std::lock_guard<std::mutex> lock(g_clientMutex);
        g_clientInUse = client_;
    }
    ~PopClientHold() {
        client_->WriteLog();
        {
            std::lock_guard<std::mutex> lock(g_clientMutex);
            if (g_clientInUse == client_) g_clientInUse = nullptr;
        }
        if (own_ != nullptr) {
            own_.reset();
        } else if (shell::EnvironmentService* service = shell::ProgramEnvironment()) {
            service->DeletePopClient();
        }
    }
    PopClientHold(const PopClientHold&) = delete;
    PopClientHold& operator=(const PopClientHold&) = delete;

    CMyPOPS& client() { return *client_; }
    netssl::PopsComponent* handle() { return client_->GetHandle(); }

    // Steps 1 to 7 of the set-up: a fresh client told the server, TLS mode, login method,
    // account and password. `loginTest` picks the login test's time-out and refuses a bad
    // TLS setting (the run leaves TLS as the client's defaults have it).
    int SetUp(const SendEnvironment& env, bool loginTest, const CPopReceiveSession::PasswordPrompt& ask) {
        netssl::PopsComponent* h = handle();
        if (netssl::POPS_Get(h, netssl::kPopsConnected, 0, nullptr) != 0) netssl::POPS_Do(h, netssl::kPopsDisconnect);
        netssl::POPS_StaticInit(nullptr);
        client_->Init();
        const std::string envName = env.env != nullptr ? ui::PathToSjis(env.env->GetEnvName()) : std::string();
        client_->SetLogTitle(T(loginTest ? "受信サーバログインテスト - " : "メール受信 - ") + envName);

        int beforeConnect = 90000, connected = 90000;
        if (env.env != nullptr) ReadMailTimeouts(env_layout::EnvIniFile(*env.env), beforeConnect, connected, true);
        netssl::POPS_Set(h, netssl::kPopsTimeout, 0, (loginTest ? connected : beforeConnect) / 1000, 0);

        SystemOption* options = env.options;
        netssl::POPS_Set(h, netssl::kPopsServer, 0, OptionOf(options, CPopReceiveSession::kOptionServer).c_str(), 0);
        netssl::POPS_Set(h, netssl::kPopsPort, 0, std::atoi(OptionOf(options, CPopReceiveSession::kOptionPort).c_str()), 0);

        if (OptionOf(options, CPopReceiveSession::kOptionSsl) != "Y") {
            netssl::POPS_Set(h, netssl::kPopsSslStartMode, 0, 3, 0);
        } else {
            const std::string kind = OptionOf(options, CPopReceiveSession::kOptionSslKind);
            if (kind == "0") {
                netssl::POPS_Set(h, netssl::kPopsSslStartMode, 0, 3, 0);
            } else if (kind == "1" || kind == "2" || kind == "3") {
                netssl::POPS_Set(h, netssl::kPopsSslStartMode, 0, 1, 0);
                const char* mask = kind == "1" ? "SSLEnabledProtocols=192"
                                   : kind == "2" ? "SSLEnabledProtocols=48"
                                                 : "SSLEnabledProtocols=12";
                netssl::POPS_Do(h, netssl::kPopsConfigure, mask);
            } else if (kind == "4") {
                netssl::POPS_Set(h, netssl::kPopsSslStartMode, 0, 2, 0);
            } else if (loginTest) {
                return kSetUpBadSsl;
            }
        }
        netssl::POPS_Do(h, netssl::kPopsConfigure,
                OptionOf(options, CPopReceiveSession::kOptionSslLenient) == "Y" ? "SSLSecurityFlags=0xFFFFFFFF"
                                                                                : "SSLSecurityFlags=0x00000000");

        const std::string method = OptionOf(options, CPopReceiveSession::kOptionLoginMethod);
        if (method == "0") {
            netssl::POPS_Set(h, netssl::kPopsAuthMode, 0, netssl::kPopsAuthUserPass, 0);
        } else if (method == "1") {
            netssl::POPS_Set(h, netssl::kPopsAuthMode, 0, netssl::kPopsAuthApop, 0);
        } else if (method == "2") {
            netssl::POPS_Set(h, netssl::kPopsAuthMode, 0, netssl::kPopsAuthUnsupported, 0);
        } else {
            return kSetUpBadLogin;
        }

        netssl::POPS_Set(h, netssl::kPopsUser, 0, OptionOf(options, CPopReceiveSession::kOptionUser).c_str(), 0);
        std::string password = OptionOf(options, CPopReceiveSession::kOptionPassword);
        if (password.empty() || OptionOf(options, CPopReceiveSession::kOptionPasswordStored) != "Y") {
            password.clear();
            if (!(ask ? ask(password) : AskReceivePassword(password))) return kSetUpNoPassword;
        }
        netssl::POPS_Set(h, netssl::kPopsPassword, 0, password.c_str(), static_cast<int>(password.size()));
        return kSetUpDone;
    }

    // The mailbox, as the receive ledger tells mailboxes apart (a new port or TLS mode
    // reaches the same mailbox).
    static std::string Account(const SendEnvironment& env) {
        return OptionOf(env.options, CPopReceiveSession::kOptionUser) + "@" +
               OptionOf(env.options, CPopReceiveSession::kOptionServer);
    }

private:
    CMyPOPS* client_ = nullptr;
    std::unique_ptr<CMyPOPS> own_;
};

// ---- The session ---------------------------------------------------------------------------

CPopReceiveSession::CPopReceiveSession() : CPopReceiveSession(SendEnvironment::Program()) {}

CPopReceiveSession::CPopReceiveSession(const SendEnvironment& environment) : env_(environment) {
    registrations_.SetElementNumber(receive_stores::kRegistrationElements);
    refusals_.SetElementNumber(receive_stores::kRefusalElements);
}

CPopReceiveSession::~CPopReceiveSession() = default;

void CPopReceiveSession::InterruptReceive() {
    cancel_.store(1);
    InterruptClientInUse();
}

unsigned CPopReceiveSession::GetMailFlags(int mailId) const {
    const auto it = mailFlags_.find(mailId);
    return it == mailFlags_.end() ? 0u : it->second;
}

void CPopReceiveSession::Status(const std::string& text) {
    if (observer_ != nullptr) observer_->OnStatus(text);
}

void CPopReceiveSession::Pause(int ms) {
    // The lines stay up for the user to read; a cancel cuts the wait short.
    if (observer_ != nullptr) observer_->Pause(ms, [this] { return IsCancelled(); });
}

std::string CPopReceiveSession::Option(int index) const { return OptionOf(env_.options, index); }

void CPopReceiveSession::MessageFailed(const std::string& text) {
    ++messageFailures_;
    // After a failure that ends the run, a message that fails with it has nothing to add:
    // the run's reason stays its last word.
    if (fatal_) return;
    errorText_ = text;
    Status(text);
}

void CPopReceiveSession::Fatal(const std::string& text) {
    fatal_ = true;
    errorText_ = text;
}

std::string CPopReceiveSession::InstallFailureText() const {
    if (ledger_ == nullptr || ledger_->FailedFile().empty()) return std::string();
    // The ledger names the file within the environment (ASCII), so it reads in any coding.
    return ledger_->FailedFile() + ": " + SystemReasonText(ledger_->FailedError());
}

bool CPopReceiveSession::Connected() const {
    return client_ != nullptr && netssl::POPS_Get(client_->handle(), netssl::kPopsConnected, 0, nullptr) != 0;
}

ReceiveLedger* CPopReceiveSession::Ledger() {
    if (ledger_ == nullptr && env_.env != nullptr) {
        ledger_ = std::make_unique<ReceiveLedger>(env_layout::EnvFolder(*env_.env));
        std::vector<std::string> installed;
        const int r = ledger_->Recover(&installed);
        if (r == -1) {
            ledger_.reset();
            return nullptr;
        }
        // The shared address book and mail list hold what their files held before.
        if (std::find(installed.begin(), installed.end(), env_layout::MailListFile(*env_.env)) != installed.end())
            env_.mails->ReadMailList();
        if (std::find(installed.begin(), installed.end(), env_layout::DatabaseFile(*env_.env)) != installed.end())
            env_.book->ReadCustomerList();
    }
    return ledger_.get();
}

bool CPopReceiveSession::PrepareStores() {
    if (env_.env == nullptr || env_.options == nullptr || env_.book == nullptr || env_.mails == nullptr) {
        err_.SetErr(10001);
        Fatal(err_.GetLastMsg());
        return false;
    }
    if (Ledger() == nullptr) {
        Fatal(T("受信済みメールの記録を読み込めません"));
        return false;
    }
    if (ledger_->InstallPending()) {
        // A batch is waiting to be installed: nothing may be staged over its copies.
        Fatal(T("前回の受信結果をファイルに書き込めないため、受信できません") + "\r\n" + InstallFailureText());
        return false;
    }
    if (!LoadLists()) {
        err_.SetErr(4207);
        Fatal(err_.GetLastMsg());
        return false;
    }
    analyzer_ = std::make_unique<MailAnalyzer>();
    importer_ = std::make_unique<CAddressImport>(env_.book, env_.env, env_.options);
    return true;
}

bool CPopReceiveSession::LoadLists() {
    const int reg = receive_stores::LoadList(env_.env, receive_stores::kRegistrations, registrations_);
    const int ref = receive_stores::LoadList(env_.env, receive_stores::kRefusals, refusals_);
    registrationsUsable_ = reg == receive_stores::kLoaded;
    refusalsUsable_ = ref == receive_stores::kLoaded;
    registrationsChanged_ = refusalsChanged_ = false;
    listsLoaded_ = true;
    return reg != receive_stores::kNoKey && ref != receive_stores::kNoKey;
}

int CPopReceiveSession::Run() {
    // Every run finishes first what an earlier one left (a crash, an install that failed).
    ledger_.reset();
    messageCount_ = newCount_ = handledCount_ = 0;
    mailFlags_.clear();
    fatal_ = false;
    messageFailures_ = 0;
    errorText_.clear();
    toDelete_.clear();
    batchUids_.clear();
    batchDeletes_.clear();
    batchOpen_ = false;
    lastUidFrozen_ = false;

    if (!PrepareStores()) return Finish();
    bookCommits_.emplace(*env_.book);
    Status(T("受信を開始します"));

    if (!IsCancelled()) {
        client_ = std::make_unique<PopClientHold>();
        // Asked over the status window, which stands over the main window.
        const PasswordPrompt ask = askPassword_ ? askPassword_ : PasswordPrompt([owner = owner_](std::string& password) {
            return AskReceivePassword(password, owner);
        });
        switch (client_->SetUp(env_, false, ask)) {
        case kSetUpBadLogin:
            Fatal(T("受信プロトコルの設定がされていません\r\nシステム設定の必須項目の確認をしてください"));
            return Finish();
        case kSetUpNoPassword:
            Fatal(T("パスワードが入力されなかったので\r\n接続がキャンセルされました"));
            return Finish();
        default: break;
        }
    }
    if (IsCancelled()) {
        Status(T("受信サーバ接続をキャンセルしました"));
        Pause(500);
        return Finish();
    }

    netssl::PopsComponent* h = client_->handle();
    CMyPOPS& pop = client_->client();
    deleteHandled_ = Option(kOptionDeleteHandled) == "Y";
    Status(T("受信サーバに接続中です"));
    if (netssl::POPS_Do(h, netssl::kPopsConnect) != 0) {
        if (!IsCancelled()) Fatal(pop.GetLastErrorInJapanese());
        LogOut();
        return Finish();
    }

    Status(T("受信状態を取得中です"));
    messageCount_ = static_cast<int>(netssl::POPS_Get(h, netssl::kPopsMessageCount, 0, nullptr));
    if (messageCount_ <= 0) {
        Status(T("受信メールはありません"));
        Pause(500);
        (void)ledger_->Prune(PopClientHold::Account(env_), {});
        LogOut();
        return Finish();
    }
    // One listing serves the search for the last run's place and the ledger's upkeep.
    if (pop.ListMessageUIDs() != 0) {
        if (!IsCancelled()) Fatal(pop.GetLastErrorInJapanese());
        LogOut();
        return Finish();
    }
    const std::vector<std::string>& uids = pop.GetUidList();
    if (ledger_->Prune(PopClientHold::Account(env_), uids) != 0) {
        Fatal(T("受信済みメールの記録を書き込めません"));
        LogOut();
        return Finish();
    }
    int first = 1;
    newCount_ = messageCount_;
    if (!lastUid_.empty()) {
        const auto it = std::find(uids.begin(), uids.end(), lastUid_);
        if (it != uids.end()) {
            const int k = static_cast<int>(it - uids.begin());
            newCount_ = messageCount_ - (k + 1);
            first = k + 2;
        }
    }
    if (IsCancelled()) {
        LogOut();
        return Finish();
    }
    if (observer_ != nullptr) observer_->OnTotal(newCount_);
    if (newCount_ <= 0) {
        Status(T("受信メールはありません"));
        Pause(500);
        LogOut();
        return Finish();
    }

    Status(T("受信中です"));
    registerEmpty_ = Option(kOptionRegisterEmpty);
    refuseByKeyword_ = Option(kOptionRefuseByKeyword);
    refusalKeyword_ = Option(kOptionRefusalKeyword);
    LoopMessages(first);
    SaveAndLogOut();
    return Finish();
}

void CPopReceiveSession::LoopMessages(int first) {
    const int last = static_cast<int>(netssl::POPS_Get(client_->handle(), netssl::kPopsMessageCount, 0, nullptr));
    MessageFetcher fetcher(client_->client(), cancel_);
    fetcher.Start(first, last, ledger_->Applied(), ledger_->FailedFetches());
    while (std::optional<MessageFetcher::Message> m = fetcher.Next()) {
        if (IsCancelled() || fatal_ || m->selectFailed) break;
        int kind = ReceiveRunObserver::kUnrelated;
        bool handled = false;
        bool applied = false;  // changes made now, to be saved with the batch
        if (m->known) {
            // Its changes were saved by an earlier run that could not delete it.
            handled = true;
        } else if (m->header.empty()) {
            if (IsCancelled()) break;
            if (m->connectionLost) {
                // The connection went with this message. The next run tries it again,
                // once: a message that breaks the connection twice is passed over.
                Fatal(m->error);
                if (ledger_->FailedBefore(m->uid)) {
                    if (!lastUidFrozen_) lastUid_ = m->uid;
                    errorText_ += "\r\n" + PassedOverText(m->number, m->size);
                } else if (ledger_->NoteFailedFetch(m->uid) != 0) {
                    Fatal(T("受信済みメールの記録を書き込めません"));
                }
                break;
            }
            MessageFailed(m->error);
        } else {
            const std::string anchor = lastUid_;
            if (!ApplyMessage(m->header + "\r\n" + m->body, kind, handled)) lastUidFrozen_ = true;
            applied = handled;
            if (applied && !batchOpen_) {
                batchOpen_ = true;
                batchAnchor_ = anchor;
            }
        }

        ++handledCount_;
        if (observer_ != nullptr) {
            observer_->OnMailKind(kind);
            observer_->OnProcessed(handledCount_);
        }
        if (applied) {
            batchUids_.push_back(m->uid);
            ReceiveRunReached("applied");
        }
        if (handled && deleteHandled_) {
            (applied ? batchDeletes_ : toDelete_).push_back(m->number);
        } else if (!lastUidFrozen_) {
            lastUid_ = m->uid;
        }
    }
    fetcher.Stop();
}

void CPopReceiveSession::SaveAndLogOut() {
    // The deletions travel while the batch is saved: the server carries them out only at
    // the logout, and the logout waits until everything applied is saved. When the save
    // fails there is no logout, so nothing is deleted.
    std::vector<int> deletes = toDelete_;
    deletes.insert(deletes.end(), batchDeletes_.begin(), batchDeletes_.end());
    std::atomic<bool> sent{false};
    std::thread deleter;
    if (!deletes.empty() && Connected()) deleter = std::thread([&] { sent = SendDeletions(deletes); });
    const bool saved = CommitBatch();
    if (deleter.joinable()) deleter.join();
    if (sent) ReceiveRunReached("deleted");
    if (saved || deletes.empty()) LogOut();
}

bool CPopReceiveSession::SendDeletions(const std::vector<int>& numbers) {
    // All in one call: the component sends them in groups where the server allows.
    std::vector<std::string> texts;
    texts.reserve(numbers.size());
    for (int n : numbers) texts.push_back(std::to_string(n));
    std::vector<const char*> values;
    values.reserve(texts.size());
    for (const std::string& t : texts) values.push_back(t.c_str());
    return netssl::POPS_Do(client_->handle(), netssl::kPopsDelete, static_cast<int>(values.size()), values.data(), nullptr) == 0;
}

bool CPopReceiveSession::ApplyMessage(const std::string& text, int& kind, bool& handled) {
    kind = ReceiveRunObserver::kUnrelated;
    handled = false;
    MailAnalyzer& mail = *analyzer_;
    mail.InitMember();
    mail.SetResistWithEmpty(registerEmpty_ == "Y" ? 1 : 0);
    mail.SetRefuseWithKeyword(refuseByKeyword_ == "Y" ? 1 : 0, refusalKeyword_);
    mail.MailAnalysis(text);
    const int type = mail.GetMailType();

    if (type == MailAnalyzer::kRefusal) {
        const std::string& from = mail.GetFromAddress();
        if (from.empty()) return true;  // nobody to stop mailing
        // The refusal holds at once, whoever looks at the list and whenever.
        if (addresses_ == nullptr) addresses_ = std::make_unique<receive_stores::AddressLookup>(*env_.book);
        if (receive_stores::ApplyRefusal(*env_.book, *addresses_, from) >= 0) bookChanged_ = true;
        if (!refusalsUsable_) {
            MessageFailed(T("受信拒否メール情報ファイルを読み込めないため、受信拒否メールを保存できません"));
            return false;
        }
        AddRefusalRecord(from);
        kind = ReceiveRunObserver::kRefusal;
        handled = true;
        return true;
    }
    if (type == MailAnalyzer::kRegistration) {
        OneCustomer record;
        if (importer_->ConvertEMailToOneCunstomer(mail.GetDecodeMailBody(), record, 0) != 0) return true;
        if (!registrationsUsable_) {
            MessageFailed(T("自動登録メール情報ファイルを読み込めないため、自動登録メールを保存できません"));
            return false;
        }
        AddAutoRegRecord(record);
        kind = ReceiveRunObserver::kRegistration;
        handled = true;
        return true;
    }
    const int mailId = MailIdFromMessageId(mail.GetOriginalMessageID().c_str());
    if (mailId < 0 || (type != MailAnalyzer::kBounce && type != MailAnalyzer::kReadReceipt)) return true;
    const int r = ProcessBounceOrReceipt(mailId, mail.GetOriginalMessageID(), type);
    if (r == kReplyFailed) {
        MessageFailed(err_.GetLastMsg());
        return false;
    }
    if (r == kReplyProcessed || (r == kReplyNothingNew && type == MailAnalyzer::kBounce)) {
        handled = true;
        kind = type == MailAnalyzer::kBounce ? ReceiveRunObserver::kErrorMail : ReceiveRunObserver::kReadReceipt;
        UpdateMailAfterReply(mailId, type);
    }
    return true;
}

void CPopReceiveSession::LogOut() {
    if (!Connected()) return;
    if (netssl::POPS_Do(client_->handle(), netssl::kPopsDisconnect) != 0 && !toDelete_.empty() && !IsCancelled()) {
        // The server may keep what was marked deleted; the ledger keeps those messages
        // from being applied again, and the next run deletes them.
        MessageFailed(client_->client().GetLastErrorInJapanese());
    }
}

int CPopReceiveSession::Finish() {
    int result = kRunNormal;
    if (fatal_ || (messageFailures_ > 0 && !IsCancelled())) {
        Status(errorText_);
        Pause(1000);
        // The reason stays in the line the run ends with (with a message passed over, which
        // one it was): the window may be read long after the run.
        Status(errorText_.empty() ? T("受信が正常に終了しませんでした")
                                  : T("受信が正常に終了しませんでした") + "\r\n" + errorText_);
        Pause(1000);
        result = fatal_ ? kRunFailed : kRunMessagesFailed;
    } else if (IsCancelled()) {
        Status(T("受信をキャンセルしました"));
        Pause(500);
        result = kRunCancelled;
    } else {
        Status(T("受信が正常に終了しました"));
        Pause(500);
    }
    ForgetHeldStores();
    client_.reset();
    bookCommits_.reset();
    return result;
}

// ---- The login test ----------------------------------------------------------------------

int TestReceiveServerLogin(std::string& errorText, const std::atomic<int>* cancel, SendRunObserver* observer) {
    return TestReceiveServerLogin(errorText, cancel, observer, SendEnvironment::Program());
}

int TestReceiveServerLogin(std::string& errorText, const std::atomic<int>* cancel, SendRunObserver* observer,
                           const SendEnvironment& environment) {
    const auto cancelled = [cancel] { return cancel != nullptr && cancel->load() != 0; };
    const auto status = [observer](const std::string& text, int ms) {
        if (observer == nullptr) return;
        observer->OnStatus(text);
        if (ms > 0) observer->Pause(ms, [] { return false; });
    };
    PopClientHold hold;
    netssl::PopsComponent* h = hold.handle();
    switch (hold.SetUp(environment, true, {})) {
    case kSetUpBadSsl:
        errorText = T("受信時の暗号化通信の設定が正しくありません");
        status(errorText, 0);
        return -1;
    case kSetUpBadLogin:
        errorText = T("受信サーバのプロトコル設定が正しくありません");
        status(errorText, 0);
        return -2;
    case kSetUpNoPassword:
        errorText = T("受信サーバのログインパスワードが指定されていません");
        status(errorText, 0);
        return 1;
    default: break;
    }
    if (cancelled()) {
        status(T("受信サーバ接続をキャンセルしました"), 500);
        return 2;
    }
    status(T("受信サーバに接続中です"), 0);
    const int r = netssl::POPS_Do(h, netssl::kPopsConnect);
    if (r == netssl::kNetTimeout && cancelled()) {
        status(T("受信サーバ接続をキャンセルしました"), 500);
        return 2;
    }
    if (r != 0) {
        const std::string japanese = hold.client().GetLastErrorInJapanese();
        errorText = japanese + "\r\n\r\n" + netssl::POPS_GetLastError(h);
        status(japanese, 3000);
        netssl::POPS_Set(h, netssl::kPopsTimeout, 0, 10, 0);
        return -r;
    }
    status(T("受信サーバ接続に成功しました"), 500);
    netssl::POPS_Do(h, netssl::kPopsDisconnect);
    status(T("受信サーバから切断しました"), 500);
    if (cancelled()) {
        status(T("受信サーバ接続をキャンセルしました"), 500);
        return 3;
    }
    return 0;
}

int RecoverInterruptedReceive(const SendEnvironment& environment) {
    if (environment.env == nullptr) return 0;
    ReceiveLedger ledger(env_layout::EnvFolder(*environment.env));
    std::vector<std::string> installed;
    const int r = ledger.Recover(&installed);
    for (const std::string& path : installed) {
        if (environment.mails != nullptr && path == env_layout::MailListFile(*environment.env))
            environment.mails->ReadMailList();
        if (environment.book != nullptr && path == env_layout::DatabaseFile(*environment.env))
            environment.book->ReadCustomerList();
    }
    return r;
}
