// The send job's results: the mail's counts and status after every recipient and at the
// end of a send run, and the rescheduling of mails after split sending.
//
// The final status, the first rule that holds:
//   cancel (and not window ended)          "D"
//   window ended (and not cancel)          "I", the reserve date moved on by the retry span
//   connection failure                     the status the mail had when the run started
//   interrupted                            "I"
//   split count reached                    "B"
//   error                                  "E"
//   otherwise: recipients waiting for a resend go back into the recipient list and the
//   mail becomes "R" (its reserve date, if past, the next ten-minute mark plus the retry
//   span), and so does a mail with recipients the server asked to try later (they stayed
//   in the list); with neither, "C" when no recipient failed, else "E".
// The retry span is system option 66 in minutes when resending is on (option 54 "Y"),
// else 10 minutes.
#include <cstdlib>
#include <mutex>
#include <vector>

#include "app/sendrecv/mail_record_helpers.h"
#include "app/sendrecv/mail_row_notice.h"
#include "app/sendrecv/send_job.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "core/addressbook/extract_result_detail.h"
#include "core/foundation/date_utils.h"
#include "core/foundation/system_option.h"
#include "core/mailstore/history_list_viewer.h"
#include "core/mailstore/mail_list_viewer.h"
#include "platform/named_mutex.h"
#include "platform/notifier.h"

namespace {
constexpr int kOptionResend = 54;
constexpr int kOptionRetryMinutes = 66;

bool Due(const platform::DateTime& reserve, const platform::DateTime& now) {
    return !reserve.IsValid() || reserve <= now;
}
}  // namespace

std::chrono::minutes CSendJob::RetrySpan() {
    std::string resend, minutes;
    SystemOption* options = environment_.options;
    if (options != nullptr && options->GetSODataFromMemoryPinPoint(kOptionResend, resend) == 0 && resend == "Y") {
        options->GetSODataFromMemoryPinPoint(kOptionRetryMinutes, minutes);
        return std::chrono::minutes(std::atoi(minutes.c_str()));
    }
    return std::chrono::minutes(10);
}

void CSendJob::SaveErrorBox(int step, const char* textUtf8) {
    const int number = owner_ != nullptr ? step : step + 1;
    ui::MessageBox(owner_, ui::U8(textUtf8), ui::U8("送信結果保存エラー(%1)").arg(number),
                   platform::kMbOk | platform::kMbIconWarning);
}

void CSendJob::DecideFinalStatus(COneMailData& mail, const platform::DateTime& now) {
    const platform::DateTimeSpan span(0, 0, static_cast<int>(RetrySpan().count()), 0);
    const platform::DateTime reserve = mail.GetReserveDate();
    const bool cancel = GetFlag(kCancel) != 0;
    const bool windowEnded = GetFlag(kWindowEnded) != 0;
    if (cancel && !windowEnded) {
        mail.SetStatus("D", 0);
    } else if (windowEnded && !cancel) {
        mail.SetStatus("I", 0);
        if (Due(reserve, now)) {
            platform::DateTime next = reserve + span;
            if (!next.IsValid() || next < now) {
                next = now;
                AdjustTime(next);
            }
            mail.SetDate(COneMailData::kReserveDate, next, 0);
        }
    } else if (GetFlag(kConnectionFailure)) {
        // Never left in "A": without a known status to go back to, it resumes later.
        if (statusAtStart_ == "A" || mail.SetStatus(statusAtStart_, 0) != 0) mail.SetStatus("I", 0);
    } else if (GetFlag(kInterrupted)) {
        mail.SetStatus("I", 0);
    } else if (GetFlag(kSplitReached)) {
        mail.SetStatus("B", 0);
    } else if (GetFlag(kError)) {
        mail.SetStatus("E", 0);
    } else {
        std::vector<int> retry, failed;
        if (history_ == nullptr || history_->GetRetryAddress(retry) < 0 || history_->GetErrorAddress(failed) < 0) {
            // Who is to be resent is unknown: the run must not pass for a clean one.
            if (history_ != nullptr) err_ = history_->GetErrMsg();
            mail.SetStatus("E", 0);
            return;
        }
        if (retry.empty() && counters_.deferred == 0) {
            mail.SetStatus(failed.empty() ? "C" : "E", 0);
            return;
        }
        for (int id : retry) recipients_->AddDBID(id);
        if (recipients_->WriteAllOnMemoryDBIDToFile() < 0) {
            // The resends would be lost with the list: show the mail as failed instead.
            err_ = recipients_->GetErrMsg();
            mail.SetStatus("E", 0);
            return;
        }
        mail.SetStatus("R", 0);
        if (Due(reserve, now)) {
            platform::DateTime next = now;
            AdjustTime(next);
            mail.SetDate(COneMailData::kReserveDate, next + span, 0);
        }
    }
}

bool CSendJob::TakeMail(COneMailData& taken) {
    CMailListViewer* mails = environment_.mails;
    if (mails == nullptr) return false;
    {
        std::lock_guard<platform::NamedMutex> hold(CMailListViewer::Mutex());
        if (mails->GetMailData(mailId_, taken) != 0 || !IsMailSendPending(taken)) return false;
        statusAtStart_ = taken.GetStatus();
        taken.SetStatus("A", 0);
        if (mails->SetMailData(taken) != 0) {
            SaveErrorBox(3, "メール一覧情報へのデータ設定に失敗しました");
            return false;
        }
        taken_ = true;
    }
    ++mailListWrites_;
    if (mails->WriteMailList(0) != 0) SaveErrorBox(5, "メール一覧情報の保存に失敗しました");
    interimWritten_ = true;
    lastInterimWrite_ = std::chrono::steady_clock::now();
    NotifyMailRowChanged(taken);
    return true;
}

int CSendJob::SaveProgress(int final) {
    CMailListViewer* mails = environment_.mails;
    const platform::DateTime now = platform::DateTime::GetCurrentTime();
    COneMailData mail;
    if (mails == nullptr || mails->GetMailData(mailId_, mail) != 0) {
        SaveErrorBox(1, "メール一覧情報からのデータ取得に失敗しました");
        return -1;
    }
    // The status is the run's only while the mail is still the "A" it took; the final one
    // is decided outside the list's lock (it may write the recipient list).
    const bool ours = taken_ && mail.GetStatus() == "A";
    if (final != 0 && ours) DecideFinalStatus(mail, now);

    int result = 0;
    bool stored = false;
    {
        std::lock_guard<platform::NamedMutex> hold(CMailListViewer::Mutex());
        COneMailData current;
        if (mails->GetMailData(mailId_, current) != 0) {
            SaveErrorBox(1, "メール一覧情報からのデータ取得に失敗しました");
            return -1;
        }
        // Given another status meanwhile (by the user): that one stays.
        if (!ours || current.GetStatus() != "A") mail = current;
        if (counters_.historyRead && history_ != nullptr && history_->GetMailID() == mailId_) {
            int attempts = 0, failed = 0;
            history_->GetSendCounts(attempts, failed);
            mail.SetSentNumber(attempts);
            mail.SetErrorNumber(failed);
        }
        stored = mails->SetMailData(mail) == 0;
    }
    if (!stored) {
        SaveErrorBox(3, "メール一覧情報へのデータ設定に失敗しました");
        result = -1;
    } else {
        // Between recipients the list is written by time: the history keeps every
        // recipient's outcome, the list only shows the progress.
        const auto clock = std::chrono::steady_clock::now();
        const bool write = final != 0 || !interimWritten_ || clock - lastInterimWrite_ >= pace_;
        if (write) {
            ++mailListWrites_;
            if (mails->WriteMailList(0) != 0) {
                SaveErrorBox(5, "メール一覧情報の保存に失敗しました");
                result = -1;
            }
            if (final == 0) {
                interimWritten_ = true;
                lastInterimWrite_ = clock;
            }
        }
        if (!write) return 0;
    }
    NotifyMailRowChanged(mail);
    return result;
}

int CSendJob::SetMailStatusAndDate(int mailId, platform::DateTime date, const char* status) {
    CMailListViewer* mails = environment_.mails;
    COneMailData mail;
    int stored = 0;
    {
        // A mail the user took out of the waiting ones meanwhile keeps what the user gave it.
        std::lock_guard<platform::NamedMutex> hold(CMailListViewer::Mutex());
        if (mails == nullptr || mails->GetMailData(mailId, mail) != 0) {
            SaveErrorBox(1, "メール一覧情報からのデータ取得に失敗しました");
            return -1;
        }
        if (!IsMailSendPending(mail)) return 0;
        if (status != nullptr) mail.SetStatus(status, 0);
        mail.SetDate(COneMailData::kReserveDate, date, 0);
        stored = mails->SetMailData(mail);
    }
    int result = 0;
    if (stored != 0) {
        SaveErrorBox(3, "メール一覧情報へのデータ設定に失敗しました");
        result = -1;
    } else if (mails->WriteMailList(0) != 0) {
        SaveErrorBox(5, "メール一覧情報の保存に失敗しました");
        result = -1;
    }
    NotifyMailRowChanged(mail);
    return result;
}
