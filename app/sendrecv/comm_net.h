#pragma once
// CCommNet: the send/receive scheduler of the open environment. It has no thread of its
// own: a 10-second timer on the GUI thread looks at the mail list and the clock and, when
// something is due, starts a run through the status dialog (SendReceiveLauncher):
//   - at a minute that is a multiple of ten, at least 600 s after the last such run, when
//     a mail waiting (W), waiting for a resend (R), interrupted (I) or waiting for its
//     next split portion (B) is due: receive, then send (mode 4);
//   - otherwise, when periodic receive is on and its interval has passed since the last
//     periodic run: receive, then send when "B" mails are due (mode 4), else receive
//     only (mode 7);
//   - otherwise, when a "B" mail is due: send (mode 6).
// A "B" mail counts as due for the last two only when its reserve date is later than the
// start of the last run this scheduler started to send (a part's run gives the rest a time
// after its own end): a run that ended
// without sending its portion (the server away, a failed login) leaves the date as it was,
// and the mail then waits for the ten-minute marks.
// With dial-up in use nothing starts outside the dial-up time window, and a 1-second guard
// (started with the first run inside the window) asks a run to stop once the window ends.
//
// The same class holds the starters that the menus and the mail list use; each does
// nothing (and returns 0) while a run is under way. The manual send and the scheduled send
// first look for a due mail and, when none is, say "送信すべきメールが有りません" instead.
//
// What it refuses: nothing starts while a run is under way, while the scheduler is paused
// (SetEnabled(false): screens that change data pause it) or stopped, or while it is not
// the open environment's scheduler (one being built beside it during a switch). Periodic
// receive with an interval below one minute counts as off (the settings' own rule), so a
// tick never starts a receive every ten seconds. The options of periodic receive take
// effect at Start or through SetPeriodicReceive. A clock set back before the last runs
// holds nothing back: their times count as long past.
//
// Time comes from the rules' clock (CommNetRules), so tests move through days with a fake
// one and call SchedulerTick themselves. Everything runs on the GUI thread; only the
// enabled flag may be set from other threads.

#include <QObject>

#include <atomic>
#include <ctime>
#include <functional>
#include <vector>

#include "app/sendrecv/comm_net_rules.h"
#include "app/environment/run_monitor.h"
#include "app/environment/scheduler_control.h"
#include "core/foundation/err_msg.h"

class QTimer;
class QWidget;

// What starts a run: the status dialog (CSendReceiveDlg). IsRunning is true from the
// dialog's creation to its destruction.
class SendReceiveLauncher : public shell::RunMonitor {
public:
    // Starts a run of `mode` (1 to 7); `chosenMailId` is the mail of mode 5.
    virtual void Launch(int mode, int chosenMailId) = 0;
    // The dial-up window guard asks the run under way to stop.
    virtual void RequestStop() = 0;
};

class CCommNet : public QObject, public shell::SchedulerControl {
    Q_OBJECT
public:
    static constexpr int kTickMs = 10000;
    static constexpr int kGuardMs = 1000;
    static constexpr int kResendSpacing = 600;  // seconds between two resend runs
    enum Error : int { kTimerStartFailed = 13001, kTimerStopFailed = 13999 };

    // Starts itself (Start). `launcher` must outlive it.
    CCommNet(CommNetRules rules, SendReceiveLauncher& launcher, QObject* parent = nullptr);
    // Stop.
    ~CCommNet() override;

    // Starts the 10-second timer (1; already running: 1), reads the periodic-receive
    // options and counts the periodic interval from now.
    int Start();
    // Stops the timer: 1. The guard is not touched.
    int Stop();
    // Starts the 1-second dial-up window guard (once; it runs until the scheduler goes).
    int StartWindowGuard();
    bool IsStarted() const { return started_; }
    bool IsGuardStarted() const;

    // Pauses (false) and resumes (true) the ticks. Any thread.
    void SetEnabled(bool enabled) override { enabled_.store(enabled); }
    bool IsEnabled() const override { return enabled_.load(); }
    // Only the scheduler for which this answers true starts runs (the program: the open
    // environment's). Empty: always.
    void SetActiveCheck(std::function<bool()> isActive) { isActive_ = std::move(isActive); }
    // Periodic receive every `minutes` minutes (0: off), counted from now.
    void SetPeriodicReceive(int minutes);
    int PeriodicReceiveMinutes() const { return periodicReceive_ ? receiveInterval_ : 0; }

    // The timers' work (public so that tests call them with a fake clock).
    void SchedulerTick();
    void WindowGuardTick();

    // The rules' questions, over this scheduler's environment.
    int CountDueMails(std::vector<int>& out, int mask) const { return rules_.CountDueMails(out, mask); }
    int GetNextDueMail() const { return rules_.GetNextDueMail(); }
    bool IsDialupUsed() const { return rules_.IsDialupUsed(); }
    bool IsInDialupWindow(bool ignoreSwitch) const { return rules_.IsInDialupWindow(ignoreSwitch); }
    bool IsAutoHangUp() const { return rules_.IsAutoHangUp(); }
    const CommNetRules& Rules() const { return rules_; }

    // ---- Starters: 0 (nothing done) while a run is under way, else 1 --------------------------
    int StartSendReceive();      // mode 1
    int StartReceive();          // mode 2
    int StartManualSend();       // mode 3, after looking for a due mail
    int StartAutoSendReceive();  // mode 4
    int StartSendSelectedMail(); // mode 5: the chosen mail
    int StartScheduledSend();    // mode 6, after looking for a due mail
    int StartAutoReceive();      // mode 7
    void SetChosenMailId(int mailId) { chosenMailId_ = mailId; }
    int GetChosenMailId() const { return chosenMailId_; }
    // The owner of the "nothing to send" box (the main window). Empty: none.
    void SetMainWindowLookup(std::function<QWidget*()> lookup) { mainWindow_ = std::move(lookup); }

    CErrMsg& GetErrMsg() { return err_; }
    std::time_t LastPeriodicRun() const { return lastPeriodicRun_; }
    std::time_t LastResendRun() const { return lastResendRun_; }

private:
    int Launch(int mode);
    // The due-mail check of the manual and scheduled sends: false after telling.
    bool SomethingToSend();

    CommNetRules rules_;
    SendReceiveLauncher& launcher_;
    QTimer* timer_ = nullptr;
    QTimer* guard_ = nullptr;
    CErrMsg err_;
    std::atomic<bool> enabled_{true};
    bool started_ = false;
    bool periodicReceive_ = false;
    int receiveInterval_ = 0;
    std::time_t lastPeriodicRun_ = 0;
    std::time_t lastResendRun_ = 0;
    std::time_t lastSendRun_ = 0;  // start of the last run started to send; 0 after start
    int chosenMailId_ = -1;
    std::function<bool()> isActive_;
    std::function<QWidget*()> mainWindow_;
};
