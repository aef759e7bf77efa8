#include "core/transport/my_smtps.h"

#include <cctype>
#include <string_view>
#include <iterator>

using mailclient::StartsWith;

namespace {

using mailclient::CommandStep;
using mailclient::kMask;
using mailclient::NumberRule;
using mailclient::TextRule;

// First fitting rule wins; "432" needs no blank after it, every other reply code does.
constexpr TextRule kSmtpTextRules[] = {
    {"TIMEOUT.", nullptr, "サーバとの接続がタイムアウトしました。回線の状況を確認してください。"},
    {"AUTHENTICATION FAILED", nullptr, "SMTP認証に失敗しました。ログインIDやパスワードを確認してください。"},
    {"THE REMOTEHOST ADDRESS IS INVALID (0.0.0.0).", nullptr,
     "送信サーバアドレスが正しくありません。接続可能な送信サーバのアドレスを正しく指定してください。"},
    {"ERROR DURING HANDSHAKE", nullptr, "SSL通信を開始しようとしましたが、何らかの原因で通信が確立しませんでした。"},
    {"SERVER DISCONNECTED BEFORE HANDSHAKE COMPLETION", nullptr,
     "SSL通信を開始しようとしましたが、何らかの原因で通信が確立しませんでした。"},
    {"SERVER CERTIFICATE VERIFICATION FAILED. CONNECTION ABORTED.", nullptr, "サーバ証明書の検証に失敗しました。"},
    {"421 ", nullptr, "メール送信サービスが利用できません。送信サーバで何らかの問題が起きたようです。"},
    {"432", nullptr, "処理を継続するには、SMTP認証（CRAM-MD5 または LOGIN）を行う必要があります。"},
    {"450 ", "DOMAIN NOT FOUND", "送信者、もしくは、送信先のドメインが見つかりません。メールの送信に失敗しました。"},
    {"450 ", nullptr, "何らかの原因で送信に失敗しました。"},
    {"451 ", nullptr, "処理中にエラーが発生しました。メール送信サーバで処理を継続できません。"},
    {"452 ", nullptr, "メール送信サーバのディスク容量が不足しています。メール送信サーバで処理を継続できません。"},
    {"454 ", nullptr, "メール送信サーバが原因で認証に失敗しました。"},
    {"500 ", nullptr, "SMTPコマンドの構文エラーです。コマンドが解釈できないので継続できません。"},
    {"501 ", nullptr, "SMTPコマンドの構文エラーです。コマンドのパラメータが正しくないので継続できません。"},
    {"502 ", nullptr, "実行しようとしたSMTPコマンドは、このメール送信サーバには実装されていません。"},
    {"503 ", nullptr, "SMTPコマンドの構文エラーです。SMTPコマンドの並びが悪いので継続できません。"},
    {"504 ", nullptr, "実行しようとしたSMTPコマンドの引数は、このメール送信サーバには実装されていません。"},
    {"521 ", nullptr, "送信しようとしたメールは、このメール送信サーバでは受け取ることができません。"},
    {"530 ", nullptr, "メール送信サーバにアクセスを拒否されました。"},
    {"534 ", nullptr,
     "SMTP認証の方式が弱すぎます。CRAM-MD5、LOGIN以外の方式を必要とする場合は、SMTP認証を利用できません。"},
    {"535 ", nullptr, "SMTP認証に失敗しました。ログインIDやパスワードを確認してください。"},
    {"538 ", nullptr, "指定したSMTP認証の方式を利用するには、通信を暗号化する必要があります。"},
    {"550 ", nullptr, "要求を実行できません。メール送信サーバのポリシーに反していないか、確認してください。"},
    {"551 ", nullptr, "受信者が存在しません。ForwardPathへ送ってください。"},
    {"552 ", nullptr, "ディスク不足のため、要求された処理は実行できません。送信サーバで何らかの問題が起きたようです。"},
    {"553 ", "NOT LOGGED IN", "送信に失敗しました。SMTP認証でログインしなければならない可能性があります。"},
    {"553 ", nullptr, "何らかの原因で送信に失敗しました。"},
    {"554 ", nullptr, "トランザクションの開始ができません。送信サーバで何らかの問題が起きたようです。"},
    {"555 ", nullptr, "MAIL/RCPTコマンドのパラメータエラーです。"},
};

constexpr NumberRule kSmtpNumberRules[] = {
    {10060, "サーバとの接続がタイムアウトしました。回線の状況、アドレスやポート番号を確認してください。"},
    {276, "SSL通信中にエラーが発生しました。接続を中止しました。"},
    {301, "送信サーバとの通信がタイムアウトしました。"},
    {10053, "ソフトウェアが接続を中止しました。サーバへの接続途中で、何らかの障害が起きたようです。"},
    {10061, "接続が拒否されました。ファイアウォールの設定や接続回線の確認をしてください。"},
    {10065, "ホストへの経路がありません。接続回線の確認をしてください。"},
    // A connection reset, and an answer that is not the protocol's (the connection is
    // dropped at once after either, so the step alone could not say what happened).
    {10054, "送信サーバとの接続がリセットされました。送信サーバの状態や回線の状況を確認してください。"},
    {110, "送信サーバから想定外の応答がありました。アドレスやポート番号が送信サーバのものか確認してください。"},
};

// Messages of the steps 0, -1 ... -13.
constexpr const char* kSmtpStepMessages[] = {
    "不明なエラーが発生しました。",
    "送信サーバに接続ができません。アドレスやポート番号の指定が正しいか確認してください。",
    "送信サーバに接続しました。しかし、送信サーバの応答が停止しました。",
    "EHLOコマンドが受け付けられませんでした。",
    "HELOコマンドが受け付けられませんでした。",
    "送信サーバがSTARTTLSに対応しているか確認してください。",
    "SMTP認証(CRAM-MD5)に失敗しました。ログインIDやパスワードを確認してください。",
    "SMTP認証(CRAM-MD5やLOGIN)に失敗しました。ログインIDやパスワードを確認してください。",
    "RSETコマンドが受け付けられませんでした。",
    "MAIL FROMコマンドが受け付けられませんでした。送信者メールアドレスが正しいか確認してください。",
    "RCPT TOコマンドが受け付けられませんでした。送信先メールアドレスが正しいか確認してください。",
    "メール本文を送信するときにエラーが発生しました。添付ファイルが大きすぎないか確認してください。",
    "送信サーバから切断ができませんでした。",
    "送信サーバから切断しましたが、不明なエラーが発生しました。",
};
static_assert(std::size(kSmtpStepMessages) == 1 - CMySMTPS::kStepDisconnected);
static_assert(CMySMTPS::kStepConnecting == -1 && CMySMTPS::kStepConnected == -2, "as mailclient::StepAfter has them");

constexpr CommandStep kSmtpCommandSteps[] = {
    {"EHLO", CMySMTPS::kStepEhlo},           {"HELO", CMySMTPS::kStepHelo},
    {"STARTTLS", CMySMTPS::kStepStartTls},   {"AUTH CRAM-MD5", CMySMTPS::kStepAuthCram},
    {"AUTH LOGIN", CMySMTPS::kStepAuthLogin}, {"RSET", CMySMTPS::kStepRset},
    {"MAIL FROM", CMySMTPS::kStepMailFrom},  {"RCPT TO", CMySMTPS::kStepRcptTo},
    {"DATA", CMySMTPS::kStepData},           {"QUIT", CMySMTPS::kStepQuit},
};

// Whether `text` starts with `prefix` (upper-case ASCII), whatever the case of its letters.
bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c != prefix[i]) return false;
    }
    return true;
}

}  // namespace

CMySMTPS::CMySMTPS() : handle_(SMTPS_Create(this, &SMTPS::Dispatch)) {
    Init();
}

CMySMTPS::~CMySMTPS() {
    WriteLog();
    SMTPS_Destroy(handle_);
}

int CMySMTPS::Init() {
    using namespace netssl;
    log_.Init();
    nowStatus_ = kStepNone;
    errorSeen_ = 0;
    awaited_.clear();
    lastCommand_ = kStepNone;
    inAuthExchange_ = false;
    SMTPS_Do(handle_, kSmtpsReset);
    SMTPS_Set(handle_, kSmtpsTimeout, 0, 60, 0);
    SMTPS_Set(handle_, kSmtpsAuthCram, 0, 0, 0);
    SMTPS_Set(handle_, kSmtpsUser, 0, "", 0);
    SMTPS_Set(handle_, kSmtpsPassword, 0, "", 0);
    SMTPS_Set(handle_, kSmtpsSslStartMode, 0, 0, 0);
    SMTPS_Do(handle_, kSmtpsConfigure, "SSLEnabledProtocols=255");
    SMTPS_Set(handle_, kSmtpsServer, 0, "", 0);
    SMTPS_Set(handle_, kSmtpsPort, 0, 25, 0);
    int rc = 0;
    for (int property : {kSmtpsDate, kSmtpsMessageId, kSmtpsFrom, kSmtpsTo, kSmtpsCc, kSmtpsHeaderText,
                         kSmtpsMessageText}) {
        rc = SMTPS_Set(handle_, property, 0, "", 0);
    }
    return rc;
}

void CMySMTPS::SetLogTitle(const std::string& title) { log_.SetTitle(title); }

void CMySMTPS::WriteLog() { log_.Write(); }

int CMySMTPS::FireWaiting() {
    log_.Write();
    return waitingHook_ ? waitingHook_() : 0;
}

int CMySMTPS::FireConnectionStatus(const std::string& text) {
    log_.Status(text);
    return 0;
}

int CMySMTPS::FireSSLStatus(const std::string& text) {
    log_.Ssl(text);
    return 0;
}

int CMySMTPS::FireError(int, const std::string& text) {
    errorMessage_ = text;
    log_.Error(text);
    errorSeen_ = 1;
    return 0;
}

int CMySMTPS::FirePITrail(int direction, const std::string& text) {
    using namespace netssl;
    if (direction == kTrailSent) {
        // A line that starts no command (a credential inside AUTH) belongs to the last one.
        for (const auto& c : kSmtpCommandSteps) {
            if (StartsWithNoCase(text, c.prefix)) {
                lastCommand_ = c.step;
                break;
            }
        }
        awaited_.push_back(lastCommand_);
        // DATA has two replies: its 354, then the one to the end of the data.
        if (lastCommand_ == kStepData) awaited_.push_back(kEndOfData);
        if (!errorSeen_) nowStatus_ = StepOf(awaited_.front());
    } else if (direction == kTrailReceived) {
        const bool code = text.size() >= 3 && isdigit(static_cast<unsigned char>(text[0])) &&
                          isdigit(static_cast<unsigned char>(text[1])) && isdigit(static_cast<unsigned char>(text[2]));
        if (code && (text.size() == 3 || text[3] == ' ')) OnReply(text);
    } else {
        const std::string upper = mailclient::Upper(text);
        if (!errorSeen_ && mailclient::ConnectionLost(nowStatus_, direction, upper, kStepQuit)) errorSeen_ = 1;
        if (!errorSeen_) nowStatus_ = mailclient::StepAfter(nowStatus_, direction, upper, kSmtpCommandSteps, kStepDisconnected);
        if (StartsWith(upper, "CONNECTING") || StartsWith(upper, "CONNECTED.") || StartsWith(upper, "DISCONNECTED.")) {
            awaited_.clear();
            lastCommand_ = kStepNone;
        }
    }

    // What is logged: credentials masked.
    std::string masked;
    const std::string* shown = &text;
    if (direction == kTrailSent) {
        if (inAuthExchange_) {
            masked = kMask;
            shown = &masked;
        } else if (StartsWithNoCase(text, "AUTH ")) {
            inAuthExchange_ = true;
            const size_t argument = text.find(' ', 5);
            if (argument != std::string::npos) {
                masked = text.substr(0, argument + 1) + kMask;
                shown = &masked;
            }
        }
    } else if (direction == kTrailReceived && inAuthExchange_) {
        // The exchange goes on only while the server's last reply line asks for more (334).
        if (text.size() == 3 || (text.size() > 3 && text[3] != '-')) inAuthExchange_ = StartsWith(text, "334");
    } else if (direction == kTrailInfo &&
               (StartsWithNoCase(text, "DISCONNECTED.") || StartsWithNoCase(text, "CONNECTING"))) {
        inAuthExchange_ = false;
    }
    log_.Trail(direction, *shown);
    return 0;
}

int CMySMTPS::StepOf(int awaited) { return awaited == kEndOfData ? kStepData : awaited; }

void CMySMTPS::OnReply(const std::string& text) {
    // The reply answers the oldest command still waiting for one (a greeting none).
    int answered = nowStatus_;
    if (!awaited_.empty()) {
        answered = awaited_.front();
        awaited_.pop_front();
        // A DATA without its 354 never gets to the end of data.
        if (answered == kStepData && text.compare(0, 3, "354") != 0 && !awaited_.empty() &&
            awaited_.front() == kEndOfData)
            awaited_.pop_front();
    }
    const int code = (text[0] - '0') * 100 + (text[1] - '0') * 10 + (text[2] - '0');
    // A refused CRAM-MD5 exchange is not an error: the caller retries with LOGIN.
    if (text.size() >= 4 && code >= 400 && code <= 599 && answered != kStepAuthCram) {
        if (!errorSeen_) nowStatus_ = StepOf(answered);
        errorSeen_ = 1;
        return;
    }
    // A sender taken starts a new transaction: an error before it was an earlier message's.
    if (answered == kStepMailFrom && code / 100 == 2) errorSeen_ = 0;
    if (!errorSeen_) nowStatus_ = StepOf(awaited_.empty() ? answered : awaited_.front());
}

std::string CMySMTPS::GetLastErrorInJapanese() {
    const std::string text = SMTPS_GetLastError(handle_);
    const int code = SMTPS_GetLastErrorCode(handle_);
    log_.ErrorReason(code, text);
    return JapaneseErrorText(text, code, nowStatus_);
}

std::string CMySMTPS::JapaneseErrorText(const std::string& text, int code, int nowStatus) {
    return mailclient::ErrorMessage(text, code, nowStatus, kSmtpTextRules, kSmtpNumberRules, kSmtpStepMessages);
}
