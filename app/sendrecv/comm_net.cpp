#include "app/sendrecv/comm_net.h"

#include <QTimer>

#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "platform/date_time.h"
#include "platform/notifier.h"

CCommNet::CCommNet(CommNetRules rules, SendReceiveLauncher& launcher, QObject* parent)
    : QObject(parent), rules_(std::move(rules)), launcher_(launcher) {
    timer_ = new QTimer(this);
    timer_->setInterval(kTickMs);
    connect(timer_, &QTimer::timeout, this, &CCommNet::SchedulerTick);
    Start();
}

CCommNet::~CCommNet() { Stop(); }

int CCommNet::Start() {
    if (timer_->isActive()) {
        started_ = true;
        return 1;
    }
    timer_->start();
    if (!timer_->isActive()) {
        started_ = false;
        err_.SetErrS(kTimerStartFailed, "");
        return 0;
    }
    started_ = true;
    const int minutes = rules_.PeriodicReceiveMinutes();
    periodicReceive_ = minutes > 0;
    receiveInterval_ = minutes;
    lastPeriodicRun_ = rules_.Now();
    lastResendRun_ = 0;
    lastSendRun_ = 0;
    return 1;
}

int CCommNet::Stop() {
    if (timer_->isActive()) timer_->stop();
    started_ = false;
    return 1;
}

int CCommNet::StartWindowGuard() {
    if (guard_ != nullptr) return 1;
    guard_ = new QTimer(this);
    guard_->setInterval(kGuardMs);
    connect(guard_, &QTimer::timeout, this, &CCommNet::WindowGuardTick);
    guard_->start();
    if (!guard_->isActive()) {
        err_.SetErrS(kTimerStartFailed, "");
        return 0;
    }
    return 1;
}

bool CCommNet::IsGuardStarted() const { return guard_ != nullptr && guard_->isActive(); }

void CCommNet::SetPeriodicReceive(int minutes) {
    periodicReceive_ = minutes > 0;
    receiveInterval_ = minutes > 0 ? minutes : 0;
    lastPeriodicRun_ = rules_.Now();
}

void CCommNet::SchedulerTick() {
    if (launcher_.IsRunning()) return;
    if (!enabled_.load() || !started_) return;
    if (isActive_ && !isActive_()) return;

    const std::time_t now = rules_.Now();
    // A clock set back (by hand, or by a time server after it ran ahead) leaves the last
    // runs' times in the future: counted as they stand, they would hold every reserved
    // mail and every receive back until the clock caught up with them, for hours or days.
    // They count as long past instead.
    if (lastResendRun_ > now) lastResendRun_ = 0;
    if (lastPeriodicRun_ > now) lastPeriodicRun_ = 0;
    if (lastSendRun_ > now) lastSendRun_ = 0;
    std::vector<int> due;
    bool resendDue = false;
    if (platform::LocalTime(now).tm_min % 10 == 0 && now - lastResendRun_ >= kResendSpacing)
        resendDue = rules_.CountDueMails(due, CommNetRules::kPendingMask) > 0;
    bool splitDue = false;
    bool receiveDue = false;
    if (!resendDue) {
        due.clear();
        // A portion goes once the run before has given it its time: a run that could not
        // send it (a server away, a failed login) left its date as it was, and it waits for
        // the ten-minute marks as every other waiting mail does, instead of a run every tick
        // for as long as the server is away.
        splitDue = rules_.CountDueMailsReservedAfter(due, CommNetRules::kSplitWaitMask, lastSendRun_) > 0;
        receiveDue = periodicReceive_ && now - lastPeriodicRun_ >= static_cast<std::time_t>(receiveInterval_) * 60;
        if (!splitDue && !receiveDue) return;
    }
    if (rules_.IsDialupUsed()) {
        // Nothing starts outside the window; inside it the guard watches for its end.
        if (!rules_.IsInDialupWindow(false)) return;
        StartWindowGuard();
    }
    if (resendDue) {
        StartAutoSendReceive();
        lastPeriodicRun_ = now;
        lastResendRun_ = now;
        lastSendRun_ = now;
    } else if (receiveDue) {
        if (splitDue) {
            StartAutoSendReceive();
            lastSendRun_ = now;
        } else {
            StartAutoReceive();
        }
        lastPeriodicRun_ = now;
    } else {
        StartScheduledSend();
        lastSendRun_ = now;
    }
}

void CCommNet::WindowGuardTick() {
    if (rules_.IsDialupUsed() && !rules_.IsInDialupWindow(false) && launcher_.IsRunning()) launcher_.RequestStop();
}

int CCommNet::Launch(int mode) {
    if (launcher_.IsRunning()) return 0;
    launcher_.Launch(mode, mode == 5 ? chosenMailId_ : -1);
    return 1;
}

bool CCommNet::SomethingToSend() {
    if (rules_.GetNextDueMail() != -1) return true;
    ui::MessageBox(mainWindow_ ? mainWindow_() : nullptr, ui::U8("送信すべきメールが有りません"), ui::U8("手動送信"),
                   platform::kMbOk | platform::kMbIconInformation);
    return false;
}

int CCommNet::StartSendReceive() { return Launch(1); }
int CCommNet::StartReceive() { return Launch(2); }
int CCommNet::StartAutoSendReceive() { return Launch(4); }
int CCommNet::StartSendSelectedMail() { return Launch(5); }
int CCommNet::StartAutoReceive() { return Launch(7); }

int CCommNet::StartManualSend() {
    if (launcher_.IsRunning()) return 0;
    if (!SomethingToSend()) return 1;
    return Launch(3);
}

int CCommNet::StartScheduledSend() {
    if (launcher_.IsRunning()) return 0;
    if (!SomethingToSend()) return 1;
    return Launch(6);
}
