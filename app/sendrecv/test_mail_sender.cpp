#include "app/sendrecv/test_mail_sender.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>

#include <thread>
#include <utility>

#include "app/sendrecv/mail_timeouts.h"
#include "app/sendrecv/message_headers.h"
#include "app/sendrecv/pop_receive_session.h"
#include "app/sendrecv/send_option_indices.h"
#include "app/sendrecv/smtp_server_settings.h"
#include "app/dialogs/test_mail_progress_dlg.h"
#include "app/dialogs/wait_dlg.h"
#include "app/environment/environment_service.h"
#include "app/environment/run_monitor.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "core/addressbook/test_mailing_info.h"
#include "core/foundation/env_layout.h"
#include "core/foundation/env_manager.h"
#include "core/foundation/system_option.h"
#include "core/mailstore/attach_writer.h"
#include "core/transport/my_smtps.h"
#include "platform/netssl/net_error.h"
#include "platform/netssl/smtps.h"
#include "platform/notifier.h"

namespace {

using ui::U8;

using ui::kInformation;
using ui::kExclamation;

const char* const kCaptionSendFailed = "テストメール送信失敗";
const char* const kCaptionCancelled = "テストメール送信キャンセル";
const char* const kCaptionError = "テストメール送信エラー";

}  // namespace

CTestMailSender::CTestMailSender(QWidget* owner, SendEnvironment environment)
    : owner_(owner), env_(environment) {}

CTestMailSender::~CTestMailSender() {
    Abandon();
    delete pleaseWait_.data();
    delete progress_.data();
}

void CTestMailSender::SetAttachmentList(int termType, std::vector<std::string> names) {
    if (termType >= 0 && termType < kTerminalTypes) attachments_[static_cast<std::size_t>(termType)] = std::move(names);
}

std::string CTestMailSender::Option(int index) const {
    std::string value;
    if (env_.options != nullptr) env_.options->GetSODataFromMemoryPinPoint(index, value);
    return value;
}

// ---- Send -----------------------------------------------------------------------------------

int CTestMailSender::Send(int recipientIndex) {
    if (Prepare() == 0) return 0;
    if (LoadRecipient(recipientIndex) == 0) return 0;
    ApplyServerSettings();
    if (SetAddresses() == 0) return 0;
    SetHeaders();
    return 1;
}

int CTestMailSender::Prepare() {
    mail_.Init();
    shell::EnvironmentService* service = shell::ProgramEnvironment();
    const bool clientExists = prepared_ || (service != nullptr && service->GetSmtpClient() != nullptr);
    if (shell::CurrentRunMonitor().IsRunning() || clientExists) {
        ui::MessageBox(owner_, U8("送受信中はテストメールの送信ができません"), U8("テストメール送信"), kInformation);
        return 0;
    }
    pause_.emplace([] { return shell::GetScheduler(); });
    if (service != nullptr) {
        client_ = service->CreateSmtpClient();
    } else {
        ownClient_ = std::make_unique<CMySMTPS>();
        client_ = ownClient_.get();
    }
    prepared_ = true;
    cancel_.store(0);
    netssl::SmtpsComponent* h = client_->GetHandle();
    if (netssl::SMTPS_Get(h, netssl::kSmtpsConnected, 0, nullptr) != 0) netssl::SMTPS_Do(h, netssl::kSmtpsDisconnect);
    netssl::SMTPS_StaticInit(nullptr);
    client_->Init();
    headerBlock_.clear();
    return 1;
}

int CTestMailSender::LoadRecipient(int index) {
    const QString notSet = U8("テスト送信用アドレスが設定されていません。\r\n[システム設定]-[送受信オプション]-[テスト送信の設定]から\r\n"
                             "テスト送信用アドレスを登録してください。");
    CTestMailingInfo info;
    info.SetSystemOption(env_.options);
    if (info.SetEnvManager(env_.env) != 1) {
        // The environment stays attached after a failed read: read again for its result.
        const int read = env_.env != nullptr ? info.ReadFromFileToMemory() : -101;
        if (read == -3) return Finish(notSet, U8("テスト送信用アドレス未設定"), kInformation, kFinishQuiet);
        return Finish(ui::FromSjis(info.GetErrMsg().GetLastMsg()), U8("テストメール送信先情報取得失敗"), kExclamation,
                      kFinishQuiet);
    }
    recipient_ = OneCustomer();
    if (info.GetTestMailingInfo(recipient_, index) < 0) {
        return Finish(ui::FromSjis(info.GetErrMsg().GetLastMsg()), U8("テストメール送信先情報取得失敗"), kExclamation,
                      kFinishQuiet);
    }
    if (recipient_.Email.empty()) return Finish(notSet, U8("テスト送信用アドレス未設定"), kInformation, kFinishQuiet);
    ShowPleaseWait();
    if (env_.env != nullptr) ReadMailTimeouts(env_layout::EnvIniFile(*env_.env), connectTimeoutMs_, transferTimeoutMs_, false);
    return 1;
}

void CTestMailSender::ApplyServerSettings() {
    if (env_.options == nullptr) return;
    authentication_ = ApplySmtpServerSettings(client_->GetHandle(), *env_.options);
}

int CTestMailSender::SetAddresses() {
    netssl::SmtpsComponent* h = client_->GetHandle();
    std::string from;
    if (FormatAddress(Option(kOptionSenderName), Option(kOptionSender), from) != 0) {
        return Finish(U8("送信者メールアドレスが正しくないため送信できません。システム設定を確認してください。"),
                      U8(kCaptionSendFailed), kExclamation, kFinishWindow, kPleaseWait);
    }
    netssl::SMTPS_Set(h, netssl::kSmtpsFrom, 0, from.c_str(), 0);
    std::string name = recipient_.KanjiSei + recipient_.KanjiMei;
    if (!name.empty()) name += honorific_;
    std::string to;
    if (FormatAddress(name, recipient_.Email, to) != 0) {
        return Finish(U8("テスト送信用アドレスが正しくないため送信できません。\r\n[システム設定]-[送受信オプション]-[テスト送信の設定]を"
                        "確認してください。"),
                      U8(kCaptionSendFailed), kExclamation, kFinishWindow, kPleaseWait);
    }
    netssl::SMTPS_Set(h, netssl::kSmtpsTo, 0, to.c_str(), 0);
    return 1;
}

void CTestMailSender::SetHeaders() {
    netssl::SmtpsComponent* h = client_->GetHandle();
    const std::string zone = Option(kOptionZone);
    netssl::SMTPS_Set(h, netssl::kSmtpsDate, 0, MakeMailDateHeader(zone.c_str()).c_str(), 0);
    const std::string sender = Option(kOptionSender);
    const std::string messageId = "<" + MakeMessageIDLocalPart(sender.c_str(), kTestMailId) + ">";
    netssl::SMTPS_Set(h, netssl::kSmtpsMessageId, 0, messageId.c_str(), 0);
    if (Option(kOptionReadReceipt) == "Y") {
        if (!headerBlock_.empty()) headerBlock_ += "\r\n";
        headerBlock_ += "Disposition-Notification-To: " + sender;
    }
    if (!extraHeaderLine_.empty()) {
        if (!headerBlock_.empty()) headerBlock_ += "\r\n";
        headerBlock_ += extraHeaderLine_;
    }
}

int CTestMailSender::FormatAddress(const std::string& name, const std::string& address, std::string& out) {
    return ::FormatAddress(name, address, out);
}

int CTestMailSender::FormatEncodedAddress(const std::string& name, const std::string& address, int form,
                                          std::string& out) {
    if (form == 2) return MakeSubjectHeader(name, 0, out);
    return ::FormatAddress(name, address, out);
}

// ---- Attachments ----------------------------------------------------------------------------

int CTestMailSender::AddAttachmentParts(int termType) {
    if (termType < 0 || termType >= kTerminalTypes) return 1;
    const std::vector<std::string>& names = attachments_[static_cast<std::size_t>(termType)];
    if (Option(kOptionNoAttachments) == "Y" || names.empty()) return 1;
    AttachWriter writer;
    writer.SetEnvManager(env_.env);
    writer.SetVersion(5);
    writer.SetTermType(termType);
    const std::string folder = writer.GetFolderPathForAttachFileTemporary();
    for (const std::string& name : names) {
        // A name with a folder in it never reaches the file system.
        const std::string base64 = AttachWriter::IsSafeAttachName(name) && !folder.empty()
                                       ? AttachWriter::GetBase64EncodedStringForFile(folder + name)
                                       : std::string();
        if (base64.empty() || mail_.AddMIMENormalAttach(MakeAttachmentPart(name, base64)) != 1) {
            return Finish(U8("指定した添付ファイル\r\n\r\n") + ui::FromSjis(name) + U8("\r\n\r\nを送信できません。"),
                          U8(kCaptionSendFailed), kExclamation, kFinishWindow, kPleaseWait);
        }
    }
    return 1;
}

// ---- Confirm and send -----------------------------------------------------------------------

int CTestMailSender::ConfirmAndSend(const std::string& extraHeader, const std::string& messageText, int termType) {
    if (!prepared_) return 0;
    std::string subjectLine;
    if (MakeSubjectHeader(mergedSubject_, termType, subjectLine) != 0) {
        // Never a test without its subject, or with a cut one.
        return Finish(U8("テストメールを作成できないため、送信を中止しました。"), U8(kCaptionSendFailed), kExclamation,
                      kFinishWindow, kPleaseWait);
    }
    std::string text = headerBlock_;
    if (!text.empty()) text += "\r\n";
    text += extraHeader;
    text += subjectLine;
    text += "\r\n";
    text += messageText;
    netssl::SmtpsComponent* h = client_->GetHandle();
    netssl::SMTPS_Set(h, netssl::kSmtpsHeaderText, 0, text.c_str(), static_cast<int>(text.size()));
    netssl::SMTPS_Set(h, netssl::kSmtpsMessageText, 0, "", 0);

    HideWindows();
    const QString ask = U8("テストメール送信の準備ができました。\r\nテスト送信用アドレス[%1]にメールを送信します。\r\nよろしいですか？\r\n\r\n"
                          "（注意：通信回線の接続は、自動的に行いません）")
                            .arg(ui::FromSjis(recipient_.Email));
    if (ui::MessageBox(owner_, ask, U8("テストメール送信"), platform::kMbYesNo | platform::kMbIconQuestion) !=
        platform::kIdYes) {
        return Finish(U8("テストメールの送信を中止しました。"), U8("テストメール送信中止"), kInformation, kFinishWindow);
    }

    ShowProgress();
    const std::string envName = env_.env != nullptr ? ui::PathToSjis(env_.env->GetEnvName()) : std::string();
    client_->SetLogTitle(ui::ToSjis(U8("メール送信テスト - ")) + envName);
    cancel_.store(0);

    // The wire work on a worker; this thread keeps the windows alive until it reports.
    WireOutcome outcome;
    QEventLoop loop;
    std::thread worker([this, &outcome, &loop] {
        RunWire(outcome);
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
    return Report(outcome);
}

void CTestMailSender::RunWire(WireOutcome& out) {
    out.stage = WireOutcome::kLogin;
    out.login = TestReceiveServerLogin(out.loginText, &cancel_, nullptr, env_);
    if (out.login < 0 || out.login >= 2) return;

    netssl::SmtpsComponent* h = client_->GetHandle();
    const auto failed = [&](int code) {
        out.code = code;
        if (code == netssl::kNetTimeout && cancel_.load() != 0) return;
        out.japanese = client_->GetLastErrorInJapanese();
        out.library = netssl::SMTPS_GetLastError(h);
    };
    out.stage = WireOutcome::kConnect;
    if (cancel_.load() != 0) return failed(netssl::kNetTimeout);
    netssl::SMTPS_Set(h, netssl::kSmtpsTimeout, 0, connectTimeoutMs_ / 1000, 0);
    if (const int rc = ConnectSmtp(h, authentication_); rc != 0) {
        failed(rc);
        if (rc != netssl::kNetTimeout) netssl::SMTPS_Do(h, netssl::kSmtpsDisconnect);
        return;
    }
    out.stage = WireOutcome::kSend;
    if (cancel_.load() != 0) return failed(netssl::kNetTimeout);
    netssl::SMTPS_Set(h, netssl::kSmtpsTimeout, 0, transferTimeoutMs_ / 1000, 0);
    const int rc = netssl::SMTPS_Do(h, netssl::kSmtpsSend);
    if (rc != 0) failed(rc);
    // A closed session after a send that went through or was refused; an interrupted one
    // is dropped with the client.
    if (rc != netssl::kNetTimeout) netssl::SMTPS_Do(h, netssl::kSmtpsDisconnect);
}

int CTestMailSender::Report(const WireOutcome& out) {
    if (out.stage == WireOutcome::kLogin) {
        const QString failed = U8("受信サーバにログインできませんので、テスト送信を中止します。\r\n\r\n");
        const QString caption = U8("受信サーバログイン失敗");
        if (out.login == -1 || out.login == -2) {
            const char* problem = out.login == -1 ? "受信時の暗号化通信の設定が正しくありません" : "受信サーバのプロトコル設定が正しくありません";
            return Finish(failed + U8("【考えられる問題】\r\n%1[%2]").arg(U8(problem)).arg(out.login), caption, kExclamation,
                          kFinishWindow);
        }
        if (out.login < 0) return Finish(failed + ui::FromSjis(out.loginText), caption, kExclamation, kFinishWindow);
        return Finish(U8("テスト送信前の受信サーバへのログインテストを中止しました。\r\nテストメール送信をキャンセルしました。"),
                      U8(kCaptionCancelled), kInformation, kFinishWindow);
    }
    if (out.code == netssl::kNetTimeout && cancel_.load() != 0)
        return Finish(U8("テストメール送信をキャンセルしました。"), U8(kCaptionCancelled), kInformation, kFinishWindow);
    if (out.code != 0) {
        const QString text = ui::FromSjis(out.japanese) + U8("\r\n\r\n") + ui::FromSjis(out.library);
        if (out.code == netssl::kNetTimeout) {
            const bool plainConnect = out.stage == WireOutcome::kConnect && Option(kOptionAuth) != "Y";
            return Finish(text, U8(kCaptionError), plainConnect ? kInformation : kExclamation, kFinishWindow);
        }
        return Finish(text, U8(kCaptionError), kExclamation, kFinishConnected);
    }
    Finish(U8("テストメールを正常に送信しました。"), U8("テストメール送信成功"), kInformation, kFinishConnected);
    return 1;
}

// ---- The end --------------------------------------------------------------------------------

int CTestMailSender::Finish(const QString& text, const QString& caption, unsigned icon, int kind, int hide) {
    // The connection of a kind-2 end was closed by the worker, off this thread; whichever
    // wait window is open closes, whatever the kind (none may stay over the owner).
    (void)kind;
    (void)hide;
    HideWindows();
    ui::MessageBox(owner_, text, caption, platform::kMbOk | (icon & 0xF0u));
    Abandon();
    return 0;
}

void CTestMailSender::Abandon() {
    HideWindows();
    if (!prepared_) return;
    prepared_ = false;
    pause_.reset();
    ReleaseClient();
}

void CTestMailSender::ReleaseClient() {
    if (client_ == nullptr) return;
    client_->WriteLog();
    client_ = nullptr;
    if (ownClient_ != nullptr) {
        ownClient_.reset();
    } else if (shell::EnvironmentService* service = shell::ProgramEnvironment()) {
        service->DeleteSmtpClient();
    }
}

void CTestMailSender::Cancel() {
    cancel_.store(1);
    // The POP client of the login test is interrupted under the receive session's lock;
    // the SMTP client lives until the worker has ended.
    CPopReceiveSession(env_).InterruptReceive();
    if (client_ != nullptr) netssl::SMTPS_Do(client_->GetHandle(), netssl::kSmtpsInterrupt);
}

// ---- Windows --------------------------------------------------------------------------------

void CTestMailSender::ShowPleaseWait() {
    if (pleaseWait_ == nullptr) {
        pleaseWait_ = new shell::CWaitDlg;
        pleaseWait_->setWindowModality(Qt::WindowModal);
    }
    pleaseWait_->SetMessages(U8("送信するテストメールの準備をしています"), U8("メールの大きさにより時間がかかる場合があります"),
                             U8("しばらくお待ちください"));
    pleaseWait_->Create(owner_);
    // Painted before the mail is built on this thread.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void CTestMailSender::ShowProgress() {
    if (progress_ == nullptr) {
        progress_ = new shell::CTestMailProgressDlg;
        // Over the owner and keeping it from input, while its own button stays usable.
        progress_->setWindowModality(Qt::WindowModal);
        QObject::connect(progress_.data(), &shell::CTestMailProgressDlg::CancelTestMail, progress_.data(),
                         [this] { Cancel(); });
    }
    progress_->SetMessages(U8("テストメール送信中です。"), U8("回線の状態により、時間がかかる場合があります。"),
                           U8("しばらくお待ちください。"));
    progress_->Create(owner_);
    progress_->EnableCancel(true);
}

void CTestMailSender::HideWindows() {
    if (pleaseWait_ != nullptr) pleaseWait_->End();
    if (progress_ != nullptr) progress_->End();
}
