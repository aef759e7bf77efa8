#pragma once
// CTestMailSender: one test copy of the mail being composed, sent at once to the test
// recipient of the environment (DB/testmailinginfo.dat), so that the user sees the mail as
// its recipients will before sending it to thousands. The composing screens drive it in
// three calls, building the mail themselves in between:
//   1. Send(recipient index): refuses while a send/receive run is under way or the
//      program's SMTP client exists; otherwise pauses the scheduler, makes the program's
//      SMTP client, reads the test recipient (0 the PC one, 1 the mobile one), shows the
//      please-wait window and sets server, From, To, Date, Message-ID and the
//      read-receipt line on the client;
//   2. AddAttachmentParts(terminal type): the attachments listed for that type, read from
//      its attachment work folder, become parts of the mail model (GetMailModel);
//   3. ConfirmAndSend(header text, message text, terminal type): with the merged subject
//      set before, asks the user, logs in to the receive server (the provider's usual
//      condition for sending), connects and sends, and tells the user how it went.
// Every path after a successful Prepare ends in Finish (or Abandon, when the caller could
// not build the mail): the window that is open is closed, the scheduler runs again, the
// transfer log is written under "メール送信テスト - <environment>" and the SMTP client is
// deleted, so the next test may start. Finish shows exactly one message box.
//
// What it guarantees:
//  - The network work (receive-server login, connect, send, disconnect) runs on a worker
//    thread; the GUI thread keeps painting the progress window ("中止" cancels) and never
//    waits on the worker: it runs an event loop until the worker reports, then joins a
//    thread that has already ended.
//  - Cancel (the progress window's button, any time) sets an atomic flag and interrupts
//    the POP and SMTP clients; an interrupt that comes between two calls stops the next
//    one. Cancelling during the receive-server login gives the login-cancel message,
//    during connect or send "テストメール送信をキャンセルしました。", never an error.
//  - The SMTP client is deleted only after the worker has ended, so no interrupt or call
//    ever reaches a deleted client.
//  - Headers: an ASCII display name goes out as a quoted string with backslash escapes
//    (never an encoded word inside quotes); a Japanese one as encoded words; an address
//    that could split into several recipients is refused; the Message-ID is made of the
//    sender address (so it always has "@") and the test mail's ID -1; the port is 25
//    when system option 9 is empty or unreadable (message_headers.h,
//    smtp_server_settings.h).
//  - The body is dot-stuffed exactly once, here; the subject line is built for the
//    terminal type and a subject that cannot be encoded stops the test before anything
//    is sent.
//
// System options read: 0 sender address, 8/9 server and port, 10 time zone of the Date,
// 67 read receipt ("Y"), 82 sender name, 85/87/88 TLS, 90/94/95 authentication, 100 no
// attachments ("Y"); the time-outs from the environment's ini file [SMTPINFO]
// (mail_timeouts.h). Texts are Shift_JIS; message boxes go through ui::MessageBox.
// Everything except the worker runs on the GUI thread.

#include <QPointer>
#include <QString>

#include <array>
#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/sendrecv/send_job.h"
#include "app/environment/scheduler_control.h"
#include "core/addressbook/one_customer.h"
#include "core/mailstore/mail_data_structure.h"

class CMySMTPS;
class QWidget;

namespace shell {
class CTestMailProgressDlg;
class CWaitDlg;
}  // namespace shell

class CTestMailSender {
public:
    // How Finish ends a test: before any window was shown, after the please-wait or
    // progress window was shown, or after the client reached the server.
    enum FinishKind : int { kFinishQuiet = 0, kFinishWindow = 1, kFinishConnected = 2 };
    // Which window a path expects open when it ends (the "hide" parameter of Finish).
    enum WaitWindow : int { kPleaseWait = 0, kProgress = 1 };
    // The mail ID of a test mail (it belongs to no mail of the list).
    static constexpr int kTestMailId = -1;
    static constexpr int kTerminalTypes = 5;

    // `owner` is the window the boxes and the wait windows stand over (may be null); the
    // managers are the environment's the test is sent from.
    explicit CTestMailSender(QWidget* owner, SendEnvironment environment = SendEnvironment::Program());
    // A test still prepared is abandoned (scheduler on again, client deleted).
    ~CTestMailSender();
    CTestMailSender(const CTestMailSender&) = delete;
    CTestMailSender& operator=(const CTestMailSender&) = delete;

    // ---- What the composing screens set -------------------------------------------------
    // Appended to a non-empty recipient name in To ("様"); empty by default.
    void SetHonorific(std::string honorific) { honorific_ = std::move(honorific); }
    // A header line of the caller's ("X-Mailer: ...", no CR LF) added after the read-receipt
    // line by SetHeaders; empty: none.
    void SetExtraHeaderLine(std::string line) { extraHeaderLine_ = std::move(line); }
    // The attachment file names of terminal type `termType` (0-4), files of its attachment
    // work folder.
    void SetAttachmentList(int termType, std::vector<std::string> names);
    // The subject merged for the test recipient, before ConfirmAndSend.
    void SetMergedSubject(std::string subject) { mergedSubject_ = std::move(subject); }

    // ---- The test send ----------------------------------------------------------------
    // Prepare, LoadRecipient, ApplyServerSettings, SetAddresses, SetHeaders: 1 when all is
    // prepared; 0 when refused or failed (the user was told, and a prepared client was
    // released).
    int Send(int recipientIndex);
    // 1 when the parts of `termType` were added (or there are none to add, or option 100
    // forbids attachments); 0 after Finish told which file cannot be sent.
    int AddAttachmentParts(int termType);
    // `extraHeader` (the MIME header lines, each ending in CR LF) and `messageText` (the
    // body, not yet dot-stuffed) of the mail built for terminal type `termType`. 1 when
    // the server took the mail; 0 otherwise (the user was told). Runs an event loop while
    // the worker works.
    int ConfirmAndSend(const std::string& extraHeader, const std::string& messageText, int termType);
    // Ends the test with one message box (`icon` a platform::kMbIcon* style): the open
    // wait window is closed (whichever it is; `hide` names the one the path expects), the
    // scheduler resumed, the log written and the client deleted. Always 0. Nothing but the
    // box when no test is prepared.
    int Finish(const QString& text, const QString& caption, unsigned icon, int kind, int hide = kProgress);
    // Ends a prepared test without a message (the caller told the user why).
    void Abandon();
    // The progress window's cancel: flag set, POP and SMTP clients interrupted. Any thread.
    void Cancel();

    // ---- State -------------------------------------------------------------------------
    // The program's SMTP client (or the sender's own when the program has no environment
    // service) while a test is prepared; null otherwise.
    CMySMTPS* GetSmtpClient() const { return client_; }
    bool IsPrepared() const { return prepared_; }
    const OneCustomer& GetRecipient() const { return recipient_; }
    // The mail model that AddAttachmentParts fills; Prepare empties it.
    CMailDataStructure& GetMailModel() { return mail_; }
    // The extra header lines SetHeaders collected (read receipt, the caller's line).
    const std::string& GetHeaderBlock() const { return headerBlock_; }
    bool IsCancelled() const { return cancel_.load() != 0; }

    // ---- Steps of Send -----------------------------------------------------------------
    // The refusal while a run is under way or a client exists; then the scheduler paused,
    // the client made and reset, the model and header block emptied. 1 or 0.
    int Prepare();
    // The test recipient `index`: 1, or 0 after Finish ("テスト送信用アドレス未設定" for a
    // missing file or an empty address, the store's text otherwise). Shows the please-wait
    // window and reads the time-outs.
    int LoadRecipient(int index);
    // Server, port, TLS, authentication and greeting name on the client.
    void ApplyServerSettings();
    // From (option 82 and option 0) and To (the recipient's family and given name, the
    // honorific, its address): 1, or 0 after Finish when an address cannot be used.
    int SetAddresses();
    // Date, Message-ID, and the header block's lines.
    void SetHeaders();

    // A From/To value (message_headers.h FormatAddress): 0 or -1 for an unusable address.
    static int FormatAddress(const std::string& name, const std::string& address, std::string& out);
    // Encoded forms of a name: form 0 "<encoded words> <address>", form 1 the same as
    // FormatAddress (an encoded word is never put inside quotes), form 2 the Subject line
    // "Subject: <encoded words>\r\n" of `name` (address unused). 0, or negative when the
    // text cannot be encoded or the address used.
    static int FormatEncodedAddress(const std::string& name, const std::string& address, int form, std::string& out);

private:
    // What the worker found; read by the GUI thread after the worker ended.
    struct WireOutcome {
        enum Stage : int { kLogin, kConnect, kSend } stage = kLogin;
        int login = 0;            // TestReceiveServerLogin's result
        std::string loginText;    // and its error text
        int code = 0;             // the failed call's result (0: sent)
        std::string japanese;     // the client's Japanese error text
        std::string library;      // the component's own error text
    };

    std::string Option(int index) const;
    void ShowPleaseWait();
    void ShowProgress();
    void HideWindows();
    void ReleaseClient();
    // The network part, on the worker.
    void RunWire(WireOutcome& out);
    int Report(const WireOutcome& out);

    QWidget* owner_;
    SendEnvironment env_;
    bool prepared_ = false;
    CMySMTPS* client_ = nullptr;
    std::unique_ptr<CMySMTPS> ownClient_;  // when the program has no environment service
    std::optional<shell::ScopedSchedulerPause> pause_;
    bool authentication_ = false;

    CMailDataStructure mail_;
    OneCustomer recipient_;
    std::string headerBlock_;
    std::string mergedSubject_;
    std::string honorific_;
    std::string extraHeaderLine_;
    std::array<std::vector<std::string>, kTerminalTypes> attachments_;
    std::atomic<int> cancel_{0};
    int connectTimeoutMs_ = 60000;
    int transferTimeoutMs_ = 60000;

    // Made at first use; they become children of the owner while shown, so they are held
    // by guarded pointers (the owner may delete them first).
    QPointer<shell::CWaitDlg> pleaseWait_;
    QPointer<shell::CTestMailProgressDlg> progress_;
};
