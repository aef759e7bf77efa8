#pragma once
// CMyPOPS: the system's one POP3 client, a thin owner of the POP3 component built like
// CMySMTPS. It resets the component to the program's defaults, writes every protocol line
// into the transfer log, collects the unique ids of the waiting messages, follows the
// trail to remember which protocol step was under way, and turns the component's last
// error into a Japanese message for the user.
//
// The receive session and the login test set server, account and TLS mode on the
// component handle (GetHandle) directly and call its methods; this class sees the traffic
// through the component's events, which arrive on the calling thread.
//
// Texts are Shift_JIS. Credentials never reach the log: a sent "PASS" line is logged as
// "PASS ********", and the digest of an "APOP" line (which a reader of the log could
// test passwords against) as "********". The object owns its component, so it cannot be
// copied.

#include "core/transport/mail_client_log.h"
#include "platform/netssl/pops.h"

#include <string>
#include <vector>

class CMyPOPS : public netssl::POPS {
public:
    // Protocol steps (now-status), as the trail shows them.
    enum Step : int {
        kStepNone = 0,
        kStepConnecting = -1,
        kStepConnected = -2,
        kStepUser = -3,
        kStepPass = -4,
        kStepStat = -5,
        kStepRetr = -6,
        kStepUidl = -7,
        kStepQuit = -8,
        kStepDisconnected = -9,
    };

    CMyPOPS();
    // Writes the log, then destroys the component.
    ~CMyPOPS() override;
    CMyPOPS(const CMyPOPS&) = delete;
    CMyPOPS& operator=(const CMyPOPS&) = delete;

    // Resets the program's defaults (60 s, USER/PASS, no TLS, port 110, no server or
    // account), empties the unique-id list and starts a new log entry; returns the result
    // of the last property write (0 on success).
    int Init();
    void SetLogTitle(const std::string& title);
    // Writes the collected entry to the transfer log.
    void WriteLog();
    int GetNowStatus() const { return nowStatus_; }
    // The text of the last error event.
    const std::string& GetErrorMessage() const { return errorMessage_; }
    // The Japanese message for the component's last error (logged with its number first).
    // The step stays at the one under way when an error reply or event comes, and also when
    // the connection is lost (a "Disconnected." line that does not follow QUIT), so the
    // message names what failed: a reset, an answer outside the protocol and a time-out
    // have messages of their own, other failures the step's.
    std::string GetLastErrorInJapanese();

    // Appends the unique id of every waiting message, in message order, to the list (which
    // is not emptied first: Init does that). 0, or the error of selecting a message.
    int ListMessageUIDs();
    const std::vector<std::string>& GetUidList() const { return uids_; }

    netssl::PopsComponent* GetHandle() const { return handle_; }

    // The message for an error text and number after protocol step `nowStatus`: the first
    // text rule that fits, then the number rules, then the step's own message; for an
    // unknown step, `text` itself.
    static std::string JapaneseErrorText(const std::string& text, int code, int nowStatus);

    int FireConnectionStatus(const std::string& text) override;
    int FireError(int code, const std::string& text) override;
    int FireMessageList(int number, const std::string& uid) override;
    int FirePITrail(int direction, const std::string& text) override;
    int FireSSLStatus(const std::string& text) override;
    // Writes the collected protocol lines once the component has waited a while for the
    // server.
    int FireWaiting() override;

private:
    netssl::PopsComponent* handle_ = nullptr;
    std::vector<std::string> uids_;
    mailclient::ClientLog log_;
    int nowStatus_ = kStepNone;
    int errorSeen_ = 0;
    std::string errorMessage_;
};
