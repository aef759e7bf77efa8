#pragma once
// CMySMTPS: the system's one SMTP client, a thin owner of the SMTP component. It resets
// the component to the program's defaults, writes every protocol line into the transfer
// log, follows the trail to remember which protocol step was under way, and turns the
// component's last error into a Japanese message for the user.
//
// The send session and the test sender set server, account, TLS and message properties
// on the component handle (GetHandle) directly and call its methods; this class sees the
// traffic through the component's events, which arrive on the calling thread.
//
// Texts are Shift_JIS. Credentials never reach the log: the argument of "AUTH <mechanism>
// <initial response>" and every line the client sends inside an AUTH exchange (the user
// name, password and CRAM-MD5 answer, until the server's reply is no longer 334) are
// logged as "********". The object owns its component, so it cannot be copied.

#include "core/transport/mail_client_log.h"
#include "platform/netssl/smtps.h"

#include <deque>
#include <functional>
#include <string>

class CMySMTPS : public netssl::SMTPS {
public:
    // Protocol steps (now-status), as the trail shows them.
    enum Step : int {
        kStepNone = 0,
        kStepConnecting = -1,
        kStepConnected = -2,
        kStepEhlo = -3,
        kStepHelo = -4,
        kStepStartTls = -5,
        kStepAuthCram = -6,
        kStepAuthLogin = -7,
        kStepRset = -8,
        kStepMailFrom = -9,
        kStepRcptTo = -10,
        kStepData = -11,
        kStepQuit = -12,
        kStepDisconnected = -13,
    };

    CMySMTPS();
    // Writes the log, then destroys the component.
    ~CMySMTPS() override;
    CMySMTPS(const CMySMTPS&) = delete;
    CMySMTPS& operator=(const CMySMTPS&) = delete;

    // Resets the component to the program's defaults and starts a new log entry; returns
    // the result of the last property write (0 on success).
    int Init();
    void SetLogTitle(const std::string& title);
    // Writes the collected entry to the transfer log.
    void WriteLog();
    // Work of the caller's that falls due while the component waits for the server (called
    // on the thread of the waiting call, after the log is written): it returns the
    // milliseconds after which it is to be called again in that wait, 0 for not again.
    // Empty: none.
    void SetWaitingHook(std::function<int()> hook) { waitingHook_ = std::move(hook); }
    int GetNowStatus() const { return nowStatus_; }
    // The text of the last error event.
    const std::string& GetErrorMessage() const { return errorMessage_; }
    // The Japanese message for the component's last error (logged with its number first).
    // The step is the one under way: that of the oldest command still waiting for its
    // reply (with pipelining several are on their way; the reply to a DATA that got its
    // 354 is the end of data's, still kStepData), or the last one answered. It stays at the
    // command whose reply was an error, and at the one under way after an error event or
    // when the connection is lost (a "Disconnected." line that does not follow QUIT), until
    // a sender is taken again (a reply 2xx to MAIL FROM starts the next message); so the
    // message names what failed: a reset, an answer outside the protocol and a time-out
    // have messages of their own, other failures the step's.
    std::string GetLastErrorInJapanese();

    netssl::SmtpsComponent* GetHandle() const { return handle_; }

    // The message for an error text and number after protocol step `nowStatus`: the first
    // text rule that fits, then the number rules, then the step's own message; for an
    // unknown step, `text` itself.
    static std::string JapaneseErrorText(const std::string& text, int code, int nowStatus);

    int FireConnectionStatus(const std::string& text) override;
    int FireError(int code, const std::string& text) override;
    int FirePITrail(int direction, const std::string& text) override;
    int FireSSLStatus(const std::string& text) override;
    // Writes the collected protocol lines once the component has waited a while for the
    // server, then runs the waiting hook (its result: when to be called again).
    int FireWaiting() override;

private:
    // The end of a message's data, awaited after the 354 of its DATA.
    static constexpr int kEndOfData = -100;
    static int StepOf(int awaited);
    void OnReply(const std::string& text);

    netssl::SmtpsComponent* handle_ = nullptr;
    mailclient::ClientLog log_;
    int nowStatus_ = kStepNone;
    int errorSeen_ = 0;
    std::deque<int> awaited_;       // the steps of the commands sent and not yet answered
    int lastCommand_ = kStepNone;   // the step of the last command sent
    std::string errorMessage_;
    bool inAuthExchange_ = false;
    std::function<int()> waitingHook_;
};
