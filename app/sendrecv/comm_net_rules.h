#pragma once
// CommNetRules: the time and mail-list questions of the send/receive scheduler, apart from
// its timers, so that the scheduler's tick on the GUI thread and the run's worker ask them
// alike, and tests ask them with a clock of their own.
//
//  - A mail is due when its status is one of a mask's letters and its reserve date is not
//    later than now. A reserve date that cannot be read makes the mail not due: the
//    program never sends at a time nobody chose.
//  - The next due mail is the one with the earliest reserve date among the mails waiting
//    (W), waiting for a resend (R), interrupted (I) or waiting for the next portion of a
//    split send (B); of equal dates the first in the mail list's order.
//  - The dial-up time window (system options 75 to 79) is a daily span of local time from
//    a start hour and minute to an end hour and minute; a start later than the end crosses
//    midnight; a start equal to the end is a window that is always closed. Option 75 "N"
//    switches the window off (always open) unless the caller ignores the switch.
//
// Nothing here touches a widget or keeps state of its own: a value of pointers and a
// clock, copied freely and asked from any thread. The mail list serialises its own
// operations; the system options are only read.

#include <ctime>
#include <functional>
#include <string>
#include <vector>

class CMailListViewer;
class SystemOption;

class CommNetRules {
public:
    // Seconds since the Unix epoch; empty: the process clock (platform::Now).
    using Clock = std::function<std::time_t()>;

    // Status masks: "B" alone; "W", "R", "I" and "B".
    static constexpr int kSplitWaitMask = 0x100;
    static constexpr int kPendingMask = 0x116;

    // System options.
    enum Option : int {
        kOptionDialupUsed = 69,
        kOptionAutoHangUp = 74,
        kOptionWindowOn = 75,
        kOptionWindowStartHour = 76,
        kOptionWindowStartMinute = 77,
        kOptionWindowEndHour = 78,
        kOptionWindowEndMinute = 79,
        kOptionPeriodicReceive = 96,
        kOptionReceiveMinutes = 97,
    };

    CommNetRules() = default;
    CommNetRules(SystemOption* options, CMailListViewer* mails, Clock clock = {});

    std::time_t Now() const;

    // Appends to `out` the IDs (in the mail list's order) of the mails whose status is in
    // `mask` and that are due now; returns the new size of `out`.
    int CountDueMails(std::vector<int>& out, int mask) const;
    // The same, of the mails whose reserve date is later than `after` (seconds since the
    // Unix epoch; 0: every due mail).
    int CountDueMailsReservedAfter(std::vector<int>& out, int mask, std::time_t after) const;
    // The next mail to send (see above), or -1 when none is due.
    int GetNextDueMail() const;
    // Every mail GetNextDueMail would give one after another if each were taken off in
    // turn: the due mails of the pending mask, earliest reserve date first.
    std::vector<int> DueMailsInSendOrder() const;
    // The status letter of mail `mailId` ("" when it is not listed).
    std::string MailStatus(int mailId) const;

    bool IsDialupUsed() const;
    bool IsInDialupWindow(bool ignoreSwitch) const;
    bool IsAutoHangUp() const;

    // Periodic receive as the options set it: the interval in minutes, 0 when it is off
    // (option 96 not "Y", or an interval below one minute).
    int PeriodicReceiveMinutes() const;

    // Item `index` of the system options ("" without options).
    std::string Option(int index) const;

    SystemOption* options() const { return options_; }
    CMailListViewer* mails() const { return mails_; }

private:
    SystemOption* options_ = nullptr;
    CMailListViewer* mails_ = nullptr;
    Clock clock_;
};
