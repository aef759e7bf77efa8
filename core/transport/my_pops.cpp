#include "core/transport/my_pops.h"

#include <iterator>

using mailclient::StartsWith;

namespace {

using mailclient::CommandStep;
using mailclient::kMask;
using mailclient::NumberRule;
using mailclient::TextRule;

// First fitting rule wins. The first one speaks of the login method the settings chose
// and the component does not offer, in the words the login test uses for it.
constexpr TextRule kPopTextRules[] = {
    {"UNSUPPORTED LOGIN METHOD", nullptr, "受信サーバのプロトコル設定が正しくありません"},
    {"APOP TIMESTAMP NOT FOUND.", nullptr, "サーバがAPOPに対応していません。"},
    {"TIMEOUT.", nullptr, "サーバとの接続がタイムアウトしました。回線の状況を確認してください。"},
    {"AUTHENTICATION FAILED", nullptr, "ログイン時の認証に失敗しました。ログインIDやパスワードを確認してください。"},
    {"THE REMOTEHOST ADDRESS IS INVALID (0.0.0.0).", nullptr,
     "受信サーバアドレスが正しくありません。接続可能な送信サーバのアドレスを正しく指定してください。"},
    {"ERROR DURING HANDSHAKE", nullptr, "SSL通信を開始しようとしましたが。何らかの原因で通信が確立しませんでした。"},
    {"SERVER DISCONNECTED BEFORE HANDSHAKE COMPLETION", nullptr,
     "SSL通信を開始しようとしましたが。何らかの原因で通信が確立しませんでした。"},
    {"SERVER CERTIFICATE VERIFICATION FAILED. CONNECTION ABORTED.", nullptr, "サーバ証明書の検証に失敗しました。"},
};

constexpr NumberRule kPopNumberRules[] = {
    {10060, "サーバとの接続がタイムアウトしました。回線の状況を確認してください。"},
    {276, "SSL通信中にエラーが発生しました。接続を中止しました。"},
    {301, "受信サーバとの通信がタイムアウトしました。"},
    {10053, "ソフトウェアが接続を中止しました。サーバへの接続途中で、何らかの障害が起きたようです。"},
    {10061, "接続が拒否されました。ファイアウォールの設定や接続回線の確認をしてください。"},
    {10065, "ホストへの経路がありません。接続回線の確認をしてください。"},
    // A connection reset, and an answer that is not the protocol's (the connection is
    // dropped at once after either, so the step alone could not say what happened).
    {10054, "受信サーバとの接続がリセットされました。受信サーバの状態や回線の状況を確認してください。"},
    {110, "受信サーバから想定外の応答がありました。アドレスやポート番号が受信サーバのものか確認してください。"},
};

// Messages of the steps 0, -1 ... -9.
constexpr const char* kPopStepMessages[] = {
    "不明なエラーが発生しました。",
    "受信サーバに接続ができません。アドレスやポート番号の指定が正しいか確認してください。",
    "受信サーバに接続しました。しかし、ユーザIDとパスワードを使った認証ができません。",
    "受信サーバのユーザIDが正しいものではありません。",
    "受信サーバへのログインに失敗しました。ユーザIDやパスワードを確認してください。",
    "サーバ上の受信メール数が取得できませんでした。",
    "サーバから受信メールが取得できませんでした。",
    "受信サーバが割り当てる一意なID（UID)が取得できませんでした。",
    "受信サーバから切断ができませんでした。",
    "受信サーバから切断しましたが、不明なエラーが発生しました。",
};
static_assert(std::size(kPopStepMessages) == 1 - CMyPOPS::kStepDisconnected);
static_assert(CMyPOPS::kStepConnecting == -1 && CMyPOPS::kStepConnected == -2, "as mailclient::StepAfter has them");

constexpr CommandStep kPopCommandSteps[] = {
    {"USER", CMyPOPS::kStepUser}, {"PASS", CMyPOPS::kStepPass}, {"STAT", CMyPOPS::kStepStat},
    {"RETR", CMyPOPS::kStepRetr}, {"UIDL", CMyPOPS::kStepUidl}, {"QUIT", CMyPOPS::kStepQuit},
};

}  // namespace

CMyPOPS::CMyPOPS() : handle_(POPS_Create(this, &POPS::Dispatch)) {
    Init();
}

CMyPOPS::~CMyPOPS() {
    WriteLog();
    POPS_Destroy(handle_);
}

int CMyPOPS::Init() {
    using namespace netssl;
    log_.Init();
    uids_.clear();
    nowStatus_ = kStepNone;
    errorSeen_ = 0;
    POPS_Set(handle_, kPopsTimeout, 0, 60, 0);
    POPS_Set(handle_, kPopsAuthMode, 0, kPopsAuthUserPass, 0);
    POPS_Set(handle_, kPopsUser, 0, "", 0);
    POPS_Set(handle_, kPopsPassword, 0, "", 0);
    POPS_Set(handle_, kPopsSslStartMode, 0, kSslNone, 0);
    POPS_Do(handle_, kPopsConfigure, "SSLEnabledProtocols=255");
    POPS_Set(handle_, kPopsServer, 0, "", 0);
    return POPS_Set(handle_, kPopsPort, 0, 110, 0);
}

void CMyPOPS::SetLogTitle(const std::string& title) { log_.SetTitle(title); }

void CMyPOPS::WriteLog() { log_.Write(); }

int CMyPOPS::FireWaiting() {
    log_.Write();
    return 0;
}

int CMyPOPS::ListMessageUIDs() {
    using namespace netssl;
    const long count = POPS_Get(handle_, kPopsMessageCount, 0, nullptr);
    for (long n = 1; n <= count; ++n) {
        if (int rc = POPS_Set(handle_, kPopsMessageNumber, 0, static_cast<int>(n), 0); rc != 0) return rc;
        std::string uid = POPS_GetText(handle_, kPopsMessageUid, 0);
        uid.erase(0, uid.find_first_not_of(" \t\r\n"));
        uids_.push_back(std::move(uid));
    }
    return 0;
}

int CMyPOPS::FireConnectionStatus(const std::string& text) {
    log_.Status(text);
    return 0;
}

int CMyPOPS::FireSSLStatus(const std::string& text) {
    log_.Ssl(text);
    return 0;
}

int CMyPOPS::FireError(int, const std::string& text) {
    errorMessage_ = text;
    log_.Error(text);
    errorSeen_ = 1;
    return 0;
}

int CMyPOPS::FireMessageList(int number, const std::string& uid) {
    using namespace netssl;
    log_.Trail(kTrailReceived, uid + " (" + std::to_string(number) + ")");
    uids_.push_back(uid);
    return 0;
}

int CMyPOPS::FirePITrail(int direction, const std::string& text) {
    using namespace netssl;
    const std::string upper = mailclient::Upper(text);
    if (!errorSeen_) {
        if (direction == kTrailReceived) {
            if (StartsWith(upper, "-ERR")) errorSeen_ = 1;
        } else if (mailclient::ConnectionLost(nowStatus_, direction, upper, kStepQuit)) {
            errorSeen_ = 1;
        } else {
            nowStatus_ = mailclient::StepAfter(nowStatus_, direction, upper, kPopCommandSteps, kStepDisconnected);
        }
    }

    // What is logged: credentials masked.
    std::string masked;
    if (direction == kTrailSent) {
        if (StartsWith(upper, "PASS")) {
            masked = std::string("PASS ") + kMask;
        } else if (StartsWith(upper, "APOP ")) {
            const size_t digest = text.find(' ', 5);
            masked = (digest == std::string::npos ? text : text.substr(0, digest + 1)) + kMask;
        }
    }
    log_.Trail(direction, masked.empty() ? text : masked);
    return 0;
}

std::string CMyPOPS::GetLastErrorInJapanese() {
    const std::string text = POPS_GetLastError(handle_);
    const int code = POPS_GetLastErrorCode(handle_);
    log_.ErrorReason(code, text);
    return JapaneseErrorText(text, code, nowStatus_);
}

std::string CMyPOPS::JapaneseErrorText(const std::string& text, int code, int nowStatus) {
    return mailclient::ErrorMessage(text, code, nowStatus, kPopTextRules, kPopNumberRules, kPopStepMessages);
}
