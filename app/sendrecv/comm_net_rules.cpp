#include "app/sendrecv/comm_net_rules.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "core/foundation/date_utils.h"
#include "core/foundation/system_option.h"
#include "core/mailstore/mail_list_viewer.h"
#include "core/mailstore/one_mail_data.h"
#include "platform/date_time.h"

CommNetRules::CommNetRules(SystemOption* options, CMailListViewer* mails, Clock clock)
    : options_(options), mails_(mails), clock_(std::move(clock)) {}

std::time_t CommNetRules::Now() const { return clock_ ? clock_() : platform::Now(); }

std::string CommNetRules::Option(int index) const {
    std::string value;
    if (options_ != nullptr) options_->GetSODataFromMemoryPinPoint(index, value);
    return value;
}

namespace {

struct DueMail {
    int id;
    platform::DateTime reserve;
};

// The due mails of `mask` in the mail list's order, with their reserve dates.
std::vector<DueMail> DueMails(CMailListViewer* mails, int mask, std::time_t now) {
    std::vector<DueMail> out;
    if (mails == nullptr) return out;
    std::vector<int> ids;
    mails->CountMailByMailStatus(static_cast<unsigned long>(mask), &ids);
    const platform::DateTime current(now);
    for (int id : ids) {
        COneMailData mail;
        if (mails->GetMailData(id, mail) != 0) continue;
        const platform::DateTime reserve = mail.GetReserveDate();
        if (reserve.IsValid() && reserve <= current) out.push_back({id, reserve});
    }
    return out;
}

}  // namespace

int CommNetRules::CountDueMails(std::vector<int>& out, int mask) const {
    for (const DueMail& m : DueMails(mails_, mask, Now())) out.push_back(m.id);
    return static_cast<int>(out.size());
}

int CommNetRules::CountDueMailsReservedAfter(std::vector<int>& out, int mask, std::time_t after) const {
    const platform::DateTime from(after);
    for (const DueMail& m : DueMails(mails_, mask, Now()))
        if (after == 0 || from < m.reserve) out.push_back(m.id);
    return static_cast<int>(out.size());
}

int CommNetRules::GetNextDueMail() const {
    const std::vector<DueMail> due = DueMails(mails_, kPendingMask, Now());
    const DueMail* best = nullptr;
    for (const DueMail& m : due)
        if (best == nullptr || m.reserve < best->reserve) best = &m;
    return best != nullptr ? best->id : -1;
}

std::vector<int> CommNetRules::DueMailsInSendOrder() const {
    std::vector<DueMail> due = DueMails(mails_, kPendingMask, Now());
    std::stable_sort(due.begin(), due.end(), [](const DueMail& a, const DueMail& b) { return a.reserve < b.reserve; });
    std::vector<int> out;
    out.reserve(due.size());
    for (const DueMail& m : due) out.push_back(m.id);
    return out;
}

std::string CommNetRules::MailStatus(int mailId) const {
    std::string letter;
    if (mails_ == nullptr || mails_->GetMailDataPinPoint(mailId, 3, letter) != 0) letter.clear();
    return letter;
}

bool CommNetRules::IsDialupUsed() const { return Option(kOptionDialupUsed) == "Y"; }

bool CommNetRules::IsAutoHangUp() const { return Option(kOptionAutoHangUp) == "Y"; }

bool CommNetRules::IsInDialupWindow(bool ignoreSwitch) const {
    if (!ignoreSwitch && Option(kOptionWindowOn) == "N") return true;
    const platform::DateTime now(Now());
    // Today's date with the option's hour and minute, read as the record files' date text
    // is read: a part out of range ends the reading and the rest counts from midnight.
    const auto today = [&now](const std::string& hour, const std::string& minute) {
        char text[64];
        std::snprintf(text, sizeof text, "%4d/%02d/%02d %02d:%02d:%02d", now.GetYear(), now.GetMonth(), now.GetDay(),
                      std::atoi(hour.c_str()), std::atoi(minute.c_str()), 0);
        std::string normal;
        ReFormat_DateData(text, normal, 0);
        return Convert_DateData2COleDateTime(normal);
    };
    platform::DateTime start = today(Option(kOptionWindowStartHour), Option(kOptionWindowStartMinute));
    platform::DateTime end = today(Option(kOptionWindowEndHour), Option(kOptionWindowEndMinute));
    if (start == end) return false;
    const platform::DateTimeSpan day(1, 0, 0, 0);
    if (start > end) {
        // Across midnight: the window that began yesterday evening, or the one that ends
        // tomorrow morning.
        if (start > now) {
            start -= day;
        } else {
            end += day;
        }
    }
    return start <= now && now < end;
}

int CommNetRules::PeriodicReceiveMinutes() const {
    if (Option(kOptionPeriodicReceive) != "Y") return 0;
    const int minutes = std::atoi(Option(kOptionReceiveMinutes).c_str());
    return minutes > 0 ? minutes : 0;
}
