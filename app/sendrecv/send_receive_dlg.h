#pragma once
// CSendReceiveDlg (dialog 252, "Varnis メール送受信状況"): the one window that shows a
// send/receive run and owns it. A starter of the scheduler (comm_net.h) launches a run:
// the dialog forgets the last run, makes the run's parts (a receive session, a send job, a
// dial-up line), shows itself (not while the program is locked), and starts the run's
// worker (send_receive_worker.h) on a thread of its own. The worker's reports are copied
// into a mailbox under a mutex and replayed on the GUI thread in order, one wake-up per
// batch, so a count per recipient never floods the event loop. The dialog shows the state
// ("3/120通送信"), a progress bar, the status line and the counts of the received mails.
// When the worker has finished, the dialog shows how the run ended and tells the program
// (the main window saves the address book and brings back its lock window). Then the
// window closes by itself only when "このウィンドウを自動的に閉じる" is checked and the run
// did not fail; otherwise it stays, with "閉じる" in place of "キャンセル", until the user
// closes it (a new run takes it over meanwhile).
//
// Run modes: 1 send and receive, 2 receive, 3 manual send, 4 automatic receive and send,
// 5 one chosen mail, 6 scheduled send, 7 automatic receive (0: none). States and their
// texts: 10 "無通信モード", 11 "%d/%d通受信", 12 "送信前、受信サーバ接続", 13 "%d/%d通送信",
// 14 "自動ダイアルアップ接続", 15 "手動ダイアルアップ接続". A count line shows only once its
// total is known (empty before): a send's once the total of the mail being sent is, a
// receive's once the server has listed its messages, so neither reads "0/0" while it
// prepares, and a send after a receive never shows the receive's count.
//
// What it guarantees:
//  - The GUI thread never waits on the worker; the worker waits on the GUI thread only for
//    the dial-up line's questions and a receive run's result dialogs. Cancel ("キャンセル",
//    Escape or the close box) only raises the run's flags and interrupts the part at
//    work, chosen by the state the worker is in now (receive or login, send, dial-up);
//    the window stays until the run has ended. The dial-up window guard's RequestStop
//    does the same, except that a send ends as at the end of its window.
//  - Nothing the worker may use is deleted while it runs: the run's parts live until the
//    worker has said its last word; the worker is joined only then, which takes no time.
//  - IsRunning is true from the window's creation until the program has handled the run's
//    end, so no starter, no screen that changes data and no environment command gets
//    between a run's end and that handling; a window left open afterwards keeps nothing
//    from starting. IsOpen is true from the creation to the close.
//  - Its window stands over the main window (the window manager's transient window of it),
//    also after a click on the main window; it is no child of the main window, since it
//    outlives it at the program's end.
//  - The progress bar counts up to 32767 steps; a larger total is scaled to it.
//  - The counts show at most 999999999.
//
// Threads: every member runs on the GUI thread; IsRunning and RunKind may be asked from
// any thread.

#include <QDialog>
#include <QString>

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "app/sendrecv/comm_net.h"
#include "app/sendrecv/send_receive_worker.h"

class CNoInputEdit;
class QCheckBox;
class QProgressBar;
class QPushButton;
class QTimer;

class CSendReceiveDlg : public QDialog, public SendReceiveLauncher {
    Q_OBJECT
public:
    static constexpr int kIdd = 252;
    enum Control : int {
        kIdcCancel = 2,
        kIdcAutoClose = 1882,
        kIdcProgress = 1636,
        kIdcState = 1639,
        kIdcStatus = 1640,
        kIdcRegistrations = 1646,
        kIdcRefusals = 1647,
        kIdcErrorMails = 1648,
        kIdcReadReceipts = 1649,
        kIdcUnrelated = 1650,
    };
    enum State : int {
        kStateIdle = 10,
        kStateReceiving = 11,
        kStateLogin = 12,
        kStateSending = 13,
        kStateAutoDialup = 14,
        kStateManualDialup = 15,
    };
    static constexpr int kMaxProgress = 0x7FFF;
    static constexpr int kMaxCount = 999999999;
    static constexpr int kRefreshMs = 100;
    // "Y": the check box 1882 opens checked (it is shown, not stored).
    static constexpr int kOptionAutoClose = 120;

    // What the program around the dialog supplies; every member may be empty.
    struct ShellHooks {
        // Whether the program is locked (a run started then is not shown).
        std::function<bool()> isLocked;
        // A run started while locked: the lock window comes to the front instead.
        std::function<void()> showLockWindow;
        // The run's worker has finished: the program's own end of a run (the address book
        // saved, the lock window back); the dialog decides itself whether it closes.
        std::function<void()> commDone;
        // After a receive run, unless locked: the registrations and refusals it collected.
        // Empty: ShowAutoRegMails then ShowAutoRefMails.
        std::function<void(QWidget* owner)> showReceiveResults;
        // The main window, which the status window stands over (null while there is none).
        std::function<QWidget*()> mainWindow;
    };
    // Makes the parts of one run (default: MakeSendReceiveRunParts over the open
    // environment). `owner` is the dialog.
    using PartsFactory = std::function<SendReceiveRunParts(QWidget* owner)>;

    explicit CSendReceiveDlg(QWidget* parent = nullptr);
    // Stops a run that is still under way and waits for its worker (the program's end).
    ~CSendReceiveDlg() override;

    void SetShellHooks(ShellHooks hooks) { hooks_ = std::move(hooks); }
    void SetPartsFactory(PartsFactory factory) { factory_ = std::move(factory); }
    // Whether status lines are held for a moment so that a person can read them (tests
    // switch that off).
    void SetPauses(bool on) { pauses_ = on; }

    // ---- The run ----------------------------------------------------------------------------
    // SendReceiveLauncher: ResetState, the run's parts, Create (hidden while the program is
    // locked), SetMode, StartWorker.
    void Launch(int mode, int chosenMailId) override;
    // Mode 0, state 10, totals, counts and progress 0, no mail, no cancel; the last run's
    // parts are let go (its worker has ended).
    void ResetState();
    // 0..7: 1; another value: 0, nothing changed.
    int SetMode(int mode);
    // 10..15: 1; another value: 0.
    int SetState(int state);
    // The window's creation: busy from now until the run's end was handled, open until
    // the window is closed; shown when `show`.
    void Create(bool show = true);
    // Starts the worker of the mode set (the chosen mail for mode 5) and the refresh.
    void StartWorker(int chosenMailId = -1);
    // RunMonitor: busy (from creation until the run's end was handled); the mode of the
    // run while busy.
    bool IsRunning() const override;
    int RunKind() const override;
    // From the creation to the close (also while hidden: a run while the program is locked).
    bool IsOpen() const { return open_; }
    // The "キャンセル" button.
    void OnCancel();
    // The dial-up window guard.
    void RequestStop() override;
    // True from StartWorker until the worker's last report reached the dialog.
    bool IsWorkerActive() const { return workerActive_; }

    // ---- The worker's reports, on the GUI thread ------------------------------------------------
    void OnRunStarted();
    void OnRunFinished(RunOutcome outcome);
    // The status line; in state 13 with a mail being sent it reads "[ID: n] text".
    void OnStatusText(const QString& text);
    void OnTotal(int total);
    void OnCurrent(int current);
    void OnStateCode(int state);
    // 1 registration, 2 refusal, 3 error mail, 4 read receipt, any other: unrelated.
    void OnMailKind(int kind);
    // A mail begins: its total is not known until the run reports it, and until then the
    // state line of a send stays empty rather than read "0/0通送信".
    void OnMailId(int mailId);
    // The refresh: state text and progress position from the state and the counts.
    void Refresh();

    // ---- What the dialog shows ---------------------------------------------------------------
    int Mode() const { return mode_; }
    int StateCode() const { return state_; }
    QString StateText() const { return stateText_; }
    QString StatusLine() const { return statusLine_; }
    int Total() const { return total_; }
    int Current() const { return current_; }
    int CurrentMailId() const { return mailId_; }
    // The count of `kind` (ReceiveRunObserver::MailKind).
    int Count(int kind) const;
    int ProgressRange() const { return progressRange_; }
    int ProgressPosition() const { return progressPosition_; }
    bool CancelRequested() const { return flags_.cancel.load() != 0; }
    // How the last run ended (valid once the worker has finished).
    RunOutcome Outcome() const { return outcome_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    class Reporter;

    void OnInitDialog();
    // Makes the window the main window's own (its transient window), so the window manager
    // keeps it above the main window whatever is clicked; the windows of the run (its
    // questions, its result lists) are the status window's own in turn.
    void StandOverMainWindow();
    // The window's destruction: the state reset, busy 0 (unless the run's end is still to
    // be handled) and no longer open.
    void OnDestroy();
    // After the worker's last report: the program's end of the run, then the window closes
    // when the box says so and the run did not fail.
    void EndRun();
    void UpdateControls();
    void JoinWorker();
    // Stops the run and waits for its worker while answering its calls (the program's end).
    void StopAndWait();
    std::string Option(int index) const;

    // Guards busy_, the run's parts while they are made and let go, and the cancel.
    mutable std::mutex mutex_;
    bool busy_ = false;
    bool open_ = false;
    bool endPending_ = false;  // the worker has finished; EndRun has not run yet
    RunOutcome outcome_ = RunOutcome::kSucceeded;

    int mode_ = 0;
    int state_ = kStateIdle;
    int total_ = 0;
    bool totalKnown_ = true;  // false from a receive's or a mail's start until its total was reported
    int current_ = 0;
    int mailId_ = -1;
    std::array<int, 5> counts_{};  // by ReceiveRunObserver::MailKind
    int progressRange_ = 0;
    int progressPosition_ = 0;
    double progressScale_ = 0;
    bool initialised_ = false;
    QString stateText_;
    QString statusLine_;

    SendReceiveRunParts parts_;
    RunFlags flags_;
    std::unique_ptr<Reporter> reporter_;
    std::thread worker_;
    std::atomic<bool> workerExited_{true};
    bool workerActive_ = false;
    bool detached_ = false;

    ShellHooks hooks_;
    PartsFactory factory_;
    bool pauses_ = true;

    CNoInputEdit* stateEdit_ = nullptr;
    CNoInputEdit* statusEdit_ = nullptr;
    std::array<CNoInputEdit*, 5> countEdits_{};
    QProgressBar* progress_ = nullptr;
    QCheckBox* autoClose_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QTimer* refresh_ = nullptr;
};
