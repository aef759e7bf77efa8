#pragma once
// SendReceiveWorker: the work of one send/receive run, on the run's own thread. The status
// dialog (send_receive_dlg.h) starts it with a run mode and the run's parts
// (send_receive_worker_parts.h); the worker reports everything it does to the dialog's
// observer and never touches a widget.
//
// The run, in order:
//   1. it tells that it started;
//   2. dial-up: state 14 and an automatic line in mode 4, else state 15 and a manual one;
//      the run goes on when the line came up (and hangs up later), was already up, was
//      not wanted or is not used; any other outcome ends the run at once;
//   3. a stop asked for meanwhile ends the run (at 7);
//   4. modes 1, 2, 4, 7: state 11, the POP receive run from LAST_UID on (the new LAST_UID
//      written back), then the collected registrations and refusals shown unless the
//      program is locked; modes 3, 5, 6: state 12, only the login to the receive server;
//   5. a failed receive or login ends the run (at 8); so does a stop (at 7), and modes 2
//      and 7 end here;
//   6. sending (state 13): the chosen mail in mode 5, else every due mail, earliest
//      first, each sent and its status stored (a mail whose send did not end cleanly
//      stops the others only when the server could not be reached or refused the sender,
//      or when the run was stopped); a mail left waiting for resends shows
//      "送信に失敗したアドレスがあります ..." for 2 s, or, when every recipient it left
//      was only asked to try later, "一時的に受け付けられなかったアドレスがあります ...". When the split count was reached
//      (-8) or a split mail finished (-9) the due mails are postponed by option 103
//      seconds, the first with status "B" (in mode 5 only the chosen mail, and only on
//      -8), and "分割送信設定により送信を中断します" shows for 1 s (not when the mail
//      finished and no other waited: nothing was interrupted);
//   7. a stop that ended the run shows "キャンセルしました" for 0.5 s (a stopped send
//      shows its own line instead);
//   8. a line dialled by this run is hung up: in mode 4 only when option 74 asks for
//      it, otherwise after the user agreed; a line not hung up stays up for good (the
//      run's objects do not hang it up when they go);
//   9. it tells that it finished and how the run ended; that is its last act.
//
// How a run ended: failed when the line could not be dialled, the receive or the login
// failed or skipped messages, a mail could not be sent or came back "E" (failed) or "R"
// (addresses failed, resends pending), or the line could not be hung up; cancelled when
// it was stopped (by the user or the end of the dial-up window) and nothing failed
// before; otherwise succeeded (a split send that postponed the rest succeeded).
//
// What it guarantees beyond that sequence:
//  - Stopping: the dialog's cancel only raises flags and interrupts the part at work
//    (RouteStop); the worker publishes its state before it starts each part and checks the
//    flags right after, so a stop that arrives while the state changes still reaches the
//    part that is starting. A mail the run has not begun is never started after a stop
//    (a cancelled send turns its mail into a draft; an untouched mail must stay as it is).
//  - Termination: the send loop takes no mail twice in one run (a mail whose resend time
//    has already come waits for the scheduler's next run), and the postponement collects
//    the due mails once and changes each once, so neither loop can go on for ever, even
//    when the mail list cannot be written.
//  - A receive run that only skipped some messages (-2) still lets the run send: only a
//    failure of the connection, the login or a save stops the sending part.
//  - Status texts and numbers reach the observer as values; it may keep them.

#include <atomic>
#include <functional>
#include <string>

#include "app/sendrecv/receive_run_observer.h"
#include "app/sendrecv/send_receive_worker_parts.h"

class QWidget;

// How a run ended (see above).
enum class RunOutcome { kSucceeded, kCancelled, kFailed };

// What a run tells whoever shows it, besides the status lines, totals, counts, kinds of
// received mail and pauses of the receive and send runs.
class SendReceiveObserver : public ReceiveRunObserver {
public:
    virtual void OnRunStarted() = 0;
    // A state code of the run (10..15, see CSendReceiveDlg::State).
    virtual void OnState(int state) = 0;
    // The mail being sent now.
    virtual void OnMailId(int mailId) = 0;
    // The run is over; the worker does nothing after this.
    virtual void OnRunFinished(RunOutcome outcome) = 0;
};

// The flags the dialog and the worker share.
struct RunFlags {
    std::atomic<int> cancel{0};       // the user or the dial-up window guard asked to stop
    std::atomic<int> windowEnded{0};  // the stop came from the end of the dial-up window
    std::atomic<int> state{10};       // the state the worker is in now
};

// Stops what the run does in `state`: the receive run or the login (11, 12), the send
// (13: cancelled, or ended as at the end of its window when `windowEnded`), the dial-up
// (14, 15). Any thread.
void RouteStop(SendReceiveRunParts& parts, int state, bool windowEnded);

// POPINFO LAST_UID of the environment's ini file: the unique id of the last message the
// receive runs handled ("" when none).
std::string ReadLastUid(const std::string& iniFile);
void WriteLastUid(const std::string& iniFile, const std::string& uid);

class SendReceiveWorker {
public:
    // System options read by the run.
    enum Option : int { kOptionSplitOn = 101, kOptionSplitCount = 102, kOptionSplitPause = 103 };

    struct Settings {
        int mode = 0;
        int chosenMailId = -1;  // the mail of mode 5
        QWidget* owner = nullptr;  // owner of the hang-up questions (the status dialog)
        // After a receive run, on the worker: shows the collected registrations and
        // refusals unless the program is locked (null: nothing shown).
        std::function<void()> showReceiveResults;
    };

    SendReceiveWorker(SendReceiveRunParts& parts, RunFlags& flags, SendReceiveObserver& observer, Settings settings);

    // The run (see above). Call once.
    void Run();

private:
    int DialUp();
    int ReceiveOrLogin();
    int SendDueMails();
    void Postpone(int result);
    // False when the line could not be hung up.
    bool HangUp();
    void ShowCancelled();
    // A part failed: the run ends as failed, not as cancelled.
    void Failed() { failed_ = true; }

    void SetState(int state);
    bool StopRequested() const { return flags_.cancel.load() != 0; }
    void Status(const char* utf8);
    void Pause(int ms);

    SendReceiveRunParts& parts_;
    RunFlags& flags_;
    SendReceiveObserver& observer_;
    Settings settings_;
    bool failed_ = false;
};
