#pragma once
// CDialupConnection: the dial-up line of one send/receive run. Before the run the worker
// asks it to connect (Connect): it dials the phone-book entry the system options name,
// after asking the user in a manual run or checking the dial-up time window in an
// automatic one, and waits until the line is up, has failed, or the run is stopped. After
// the run the worker hangs up (HangUpWithStatus) or lets the line stay (Forget).
//
// Results of Connect:
//    0  connected by this call (the run hangs up afterwards)
//   -3  dial-up is not used (option 69 not "Y", no kind given, or no dial-up networking
//       on this system: then one status line says so); the run goes on as it is
//   -4  the user chose to go on without dialling;  -6  the entry was already connected
//       (the user is told that the program will not hang it up); the run goes on
//   -1  cancelled (by the user's answer, the stop flag, or the ID/password dialog)
//   -2  dialling could not start;  -5  outside the dial-up time window (automatic runs)
//    1  stopped while dialling (the line is hung up);  2  the connection failed
//
// What it guarantees:
//  - The wait for the line never spins: it sleeps until the system reports progress or
//    Abort is called, so a stop from the GUI thread ends it at once. A line reported as
//    disconnected while dialling ends the wait as a failure.
//  - Progress may be reported from any thread, also after this object is gone: the
//    reports reach a shared state that outlives it and are dropped once it is gone.
//  - A line this program did not dial (already connected, or one the user chose to keep
//    with Forget) is never hung up by it.
//  - User names and passwords are cut at 256 bytes on a character boundary, never
//    through a double-byte character.
//
// Threads: Connect, Dial and the hang-ups run on the worker thread; their questions and
// the ID/password dialog (dialup_auth_dlg.h) reach the GUI thread through the GUI layer.
// Abort may be called from any thread.

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "app/sendrecv/comm_net_rules.h"
#include "app/sendrecv/dialup_provider.h"

class QWidget;
class SendRunObserver;

class CDialupConnection {
public:
    enum Kind : int { kKindNone = 20, kKindAutomatic = 21, kKindManual = 22 };
    enum ConnectResult : int {
        kConnected = 0,
        kCancelled = -1,
        kCannotStart = -2,
        kNotUsed = -3,
        kNotDialled = -4,
        kOutsideWindow = -5,
        kAlreadyConnected = -6,
        kAborted = 1,
        kFailed = 2,
    };
    // Results of Dial besides the provider's own.
    enum DialResult : int {
        kDialAlreadyConnected = 1,
        kDialPromptCancelled = -12,
        kDialNoEntry = -14,
        kDialParamsUnreadable = -15,
    };
    enum DialState : int { kIdle = 0, kLineUp = 2, kLineFailed = 3 };
    // System options besides the scheduler's.
    enum Option : int {
        kOptionEntry = 70,
        kOptionUser = 71,
        kOptionPassword = 72,
        kOptionUseStoredLogin = 73,
    };
    static constexpr std::size_t kMaxField = 256;

    // Over the options and dial-up window of `rules`, dialling through `provider`.
    CDialupConnection(CommNetRules rules, DialupProvider& provider);
    // Hangs up a line this object dialled and still holds (without the settling wait).
    ~CDialupConnection();
    CDialupConnection(const CDialupConnection&) = delete;
    CDialupConnection& operator=(const CDialupConnection&) = delete;

    // 20 none, 21 automatic, 22 manual: 1 when taken, 0 for another value.
    int SetKind(int kind);
    int GetKind() const { return kind_; }

    int Connect();
    // Dials `entry`: 0 dialling started; 1 already connected; -12 the ID/password dialog
    // was cancelled; -14 no such entry; -15 its parameters could not be read; otherwise
    // the provider's error.
    int Dial(const std::string& entry);
    // "切断しています", HangUp, "切断が完了しました" (each line held 500 ms): 1 when the
    // line is down (or none was held), 0 when the system refused to hang up.
    int HangUpWithStatus();
    // Hangs up a held line and waits 3 s for it to settle: 0, or the provider's error.
    int HangUp();
    // Lets a held line stay up: the program will not hang it up.
    void Forget() { connection_ = 0; }

    // Any thread: stops Connect's questions and its wait for the line.
    void Abort();
    bool IsAborted() const;

    int GetDialState() const;
    int GetLastCode() const;
    bool HoldsConnection() const { return connection_ != 0; }
    const std::string& GetEntry() const { return entry_; }

    // Where status lines go and who holds the pauses (not owned; null: nowhere, no pauses).
    void SetObserver(SendRunObserver* observer);
    // The owner of the questions and of the ID/password dialog (the status dialog).
    void SetOwnerWindow(QWidget* owner) { owner_ = owner; }
    // Asks for the ID and password (Shift_JIS), filled with the stored ones: true on OK.
    // Default: the ID/password dialog on the GUI thread (AskDialupLogin).
    using LoginPrompt = std::function<bool(std::string& user, std::string& password)>;
    void SetLoginPrompt(LoginPrompt prompt) { askLogin_ = std::move(prompt); }

    // The status text of a connection state of the system, UTF-8; null for a state the
    // table does not hold.
    static const char* StateText(int state);

private:
    struct Shared;

    void Status(const std::string& text);
    void StatusAndWait(const char* utf8, int ms);
    void Wait(int ms);

    CommNetRules rules_;
    DialupProvider* provider_;
    std::shared_ptr<Shared> shared_;
    int kind_ = kKindNone;
    std::string entry_;
    long connection_ = 0;
    QWidget* owner_ = nullptr;
    LoginPrompt askLogin_;
};

// The ID/password dialog (dialup_auth_dlg.h) on the GUI thread, from any thread, filled
// with `user` and `password`: true with both set to what was typed, false when cancelled.
bool AskDialupLogin(QWidget* owner, std::string& user, std::string& password);
