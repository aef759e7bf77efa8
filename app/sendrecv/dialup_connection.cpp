#include "app/sendrecv/dialup_connection.h"

#include <algorithm>
#include <condition_variable>
#include <iterator>
#include <mutex>
#include <string>

#include "app/sendrecv/send_run_observer.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "core/foundation/cp932.h"
#include "core/foundation/sjis_bytes.h"
#include "platform/notifier.h"

namespace {

constexpr int kStateConnected = 0x2000;
constexpr int kStateDisconnected = 0x2001;

// At most `limit` bytes of `text`, never ending inside a double-byte character.
std::string CutAtCharacter(const std::string& text, std::size_t limit) {
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t width = IsSjisLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
        if (i + width > limit) break;
        i += width;
    }
    return text.substr(0, std::min(i, text.size()));
}

}  // namespace

// What the dial's progress reports reach: it outlives the connection object while the
// provider may still report.
struct CDialupConnection::Shared {
    std::mutex mutex;
    std::condition_variable changed;
    std::atomic<int> abort{0};
    std::atomic<int> dialState{kIdle};
    std::atomic<int> lastCode{0};
    SendRunObserver* observer = nullptr;  // guarded by mutex; null once detached
    DialupProvider* provider = nullptr;

    void Status(const std::string& text) {
        std::lock_guard<std::mutex> lock(mutex);
        if (observer != nullptr) observer->OnStatus(text);
    }

    // The provider's report of state `state` with error `error`. The line is shown before
    // the waiting run can see the new state (both under the mutex), so its own lines
    // follow.
    void Progress(int state, int error) {
        const char* known = error == 0 ? StateText(state) : nullptr;
        const std::string text = error != 0          ? provider->ErrorText(error)
                                 : known != nullptr ? SjisLiteral(known)
                                                    : SjisLiteral("通知ID: ") + std::to_string(state);
        std::lock_guard<std::mutex> lock(mutex);
        if (observer != nullptr) observer->OnStatus(text);
        if (error != 0) {
            lastCode = error;
            dialState = kLineFailed;
        } else {
            lastCode = state;
            if (state == kStateConnected) dialState = kLineUp;
            // A line that drops while being dialled will not come up by itself.
            if (state == kStateDisconnected) dialState = kLineFailed;
        }
        changed.notify_all();
    }
};

const char* CDialupConnection::StateText(int state) {
    static const char* const kFirst[] = {
        "ポートをオープンしています",
        "ポートのオープンが完了しました",
        "デバイスの接続完了を待っています",
        "デバイスに接続を完了しました",
        "全デバイスに接続完了しました",
        "ユーザ認証をしています",
        "ユーザ認証に応答しています",
        "ユーザ認証をリトライします",
        "コールバックための認証をしています",
        "パスワードの変更を行っています",
        "ネットワーク接続の開始",
        "接続速度を設定しています",
        "認証に対して応答しています",
        "コールバック後の認証中です",
        "認証が終了しました",
        "コールバック待機のために切断しました",
        "コールバック待機のためにモデムを初期化しています",
        "コールバックを待機中です",
        "接続が完了しました",
        "ユーザ認証を開始します",
        "コールバックが完了しました",
        "ネットワークにログオンしました",
        "通知ID: RASCS_SubEntryConnected",
        "通知ID: RASCS_SubEntryDisconnected",
    };
    static const char* const kPaused[] = {
        "対話認証をしています",
        "再度の認証をしています",
        "コールバック情報を設定中",
        "パスワードの期限が切れています",
    };
    if (state >= 0 && state < static_cast<int>(std::size(kFirst))) return kFirst[state];
    if (state >= 0x1000 && state < 0x1000 + static_cast<int>(std::size(kPaused))) return kPaused[state - 0x1000];
    if (state == kStateConnected) return "全接続処理が完了しました";
    if (state == kStateDisconnected) return "ダイヤルアップ接続が切断されました";
    return nullptr;
}

CDialupConnection::CDialupConnection(CommNetRules rules, DialupProvider& provider)
    : rules_(std::move(rules)), provider_(&provider), shared_(std::make_shared<Shared>()) {
    shared_->provider = provider_;
    askLogin_ = [this](std::string& user, std::string& password) { return AskDialupLogin(owner_, user, password); };
}

CDialupConnection::~CDialupConnection() {
    SetObserver(nullptr);
    if (connection_ != 0) provider_->HangUp(connection_);
}

int CDialupConnection::SetKind(int kind) {
    if (kind < kKindNone || kind > kKindManual) return 0;
    kind_ = kind;
    return 1;
}

void CDialupConnection::SetObserver(SendRunObserver* observer) {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->observer = observer;
}

void CDialupConnection::Abort() {
    shared_->abort = 1;
    std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->changed.notify_all();
}

bool CDialupConnection::IsAborted() const { return shared_->abort.load() != 0; }
int CDialupConnection::GetDialState() const { return shared_->dialState.load(); }
int CDialupConnection::GetLastCode() const { return shared_->lastCode.load(); }

void CDialupConnection::Status(const std::string& text) { shared_->Status(text); }

void CDialupConnection::Wait(int ms) {
    SendRunObserver* observer;
    {
        std::lock_guard<std::mutex> lock(shared_->mutex);
        observer = shared_->observer;
    }
    if (observer != nullptr) observer->Pause(ms, [] { return false; });
}

void CDialupConnection::StatusAndWait(const char* utf8, int ms) {
    Status(SjisLiteral(utf8));
    Wait(ms);
}

int CDialupConnection::Connect() {
    if (kind_ == kKindNone || !rules_.IsDialupUsed()) return kNotUsed;
    if (!provider_->Available()) {
        Status(SjisLiteral("この環境ではダイアルアップ接続を使用できません。そのまま送受信を行います"));
        return kNotUsed;
    }
    Status(SjisLiteral("ダイアルアップ接続を開始します"));
    if (kind_ == kKindAutomatic) {
        if (!rules_.IsInDialupWindow(false)) return kOutsideWindow;
    } else {
        const int answer = ui::MessageBox(owner_,
                                          ui::U8("ダイアルアップ接続をしてもいいですか？\r\n\r\n"
                                                 "はい ： 接続し、送受信を行います\r\n"
                                                 "いいえ ： 接続しないで送受信を行います\r\n"
                                                 "キャンセル ： 接続せず、送受信をキャンセルします"),
                                          ui::U8("ダイアルアップ接続"),
                                          platform::kMbYesNoCancel | platform::kMbIconQuestion);
        if (answer == platform::kIdCancel) return kCancelled;
        if (answer == platform::kIdNo) return kNotDialled;
    }
    if (IsAborted()) return kCancelled;

    entry_ = rules_.Option(kOptionEntry);
    const int r = Dial(entry_);
    if (r == 0) {
        {
            std::unique_lock<std::mutex> lock(shared_->mutex);
            shared_->changed.wait(lock, [this] {
                const int s = shared_->dialState.load();
                return s == kLineUp || s == kLineFailed || shared_->abort.load() != 0;
            });
        }
        if (IsAborted()) {
            HangUp();
            return kAborted;
        }
        if (GetDialState() == kLineUp) {
            StatusAndWait("正常に接続しました", 500);
            return kConnected;
        }
        HangUp();
        Wait(2000);
        StatusAndWait("正常に接続できませんでした", 500);
        return kFailed;
    }
    if (r == kDialAlreadyConnected) {
        Status(SjisLiteral("既に接続されています"));
        const QString entry = ui::FromSjis(entry_);
        ui::MessageBox(owner_,
                       ui::U8("%1へは、既に接続済みです\r\n送受信の終了後、%2ではダイアルアップの切断を行いません\r\n"
                              "ダイアルアップの切断は手動で行ってください")
                           .arg(entry, ui::U8("Varnis")),
                       ui::U8("ダイアルアップ接続済み"), platform::kMbOk | platform::kMbIconWarning);
        return kAlreadyConnected;
    }
    if (r == kDialPromptCancelled) {
        StatusAndWait("接続がキャンセルされました", 500);
        return kCancelled;
    }
    Wait(2000);
    StatusAndWait("正常に接続できませんでした", 500);
    return kCannotStart;
}

int CDialupConnection::Dial(const std::string& entry) {
    if (provider_->IsConnected(entry)) return kDialAlreadyConnected;
    DialParams params;
    params.entry = CutAtCharacter(entry, kMaxField);
    const int read = provider_->GetEntryDialParams(params);
    if (read == DialupProvider::kEntryNotFound) return kDialNoEntry;
    if (read != 0) return kDialParamsUnreadable;
    std::string user, password;
    if (rules_.Option(kOptionUseStoredLogin) == "Y") {
        user = rules_.Option(kOptionUser);
        password = rules_.Option(kOptionPassword);
    } else {
        user = params.userName;
        password = params.password;
        if (!askLogin_ || !askLogin_(user, password)) return kDialPromptCancelled;
    }
    params.userName = CutAtCharacter(user, kMaxField);
    params.password = CutAtCharacter(password, kMaxField);
    params.phoneNumber.clear();
    shared_->dialState = kIdle;
    std::weak_ptr<Shared> weak = shared_;
    return provider_->Dial(
        params,
        [weak](int state, int error) {
            if (std::shared_ptr<Shared> s = weak.lock()) s->Progress(state, error);
        },
        connection_);
}

int CDialupConnection::HangUpWithStatus() {
    StatusAndWait("切断しています", 500);
    const int r = HangUp();
    if (r != 0) return 0;
    StatusAndWait("切断が完了しました", 500);
    return 1;
}

int CDialupConnection::HangUp() {
    int r = 0;
    if (connection_ != 0) {
        r = provider_->HangUp(connection_);
        Wait(3000);
        connection_ = 0;
    }
    shared_->dialState = kIdle;
    shared_->lastCode = 0;
    return r;
}
