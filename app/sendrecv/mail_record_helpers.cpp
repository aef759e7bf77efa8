#include "app/sendrecv/mail_record_helpers.h"

#include <cstdio>
#include <mutex>
#include <utility>

#include "app/environment/environment_service.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "core/foundation/cp932.h"
#include "core/foundation/env_layout.h"
#include "core/foundation/file_info.h"
#include "core/foundation/system_option.h"
#include "platform/date_time.h"
#include "platform/notifier.h"

namespace {

struct StatusRow {
    const char* letter;
    int code;
    const char* textUtf8;
};
constexpr StatusRow kStatusRows[] = {
    {"D", kMailStatusDraft, "下書き"},         {"W", kMailStatusWaiting, "送信待ち"},
    {"R", kMailStatusResend, "再送信待ち"},    {"A", kMailStatusSending, "送信中"},
    {"I", kMailStatusInterrupted, "送信中断中"}, {"C", kMailStatusSent, "送信済み"},
    {"E", kMailStatusError, "エラー"},          {"S", kMailStatusDeleted, "削除済み"},
    {"B", kMailStatusSplitWait, "分割送信待ち"},
};
constexpr const char* kUnknown = "error!";

const StatusRow* RowOfLetter(std::string_view letter) {
    for (const StatusRow& row : kStatusRows)
        if (letter == row.letter) return &row;
    return nullptr;
}

int CodeOf(const COneMailData& mail) { return MailStatusLetterToCode(mail.GetStatus()); }

std::string DateText(const platform::DateTime& date) {
    if (!date.IsValid()) return std::string();
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d/%02d/%02d %02d:%02d:%02d", date.GetYear(), date.GetMonth(),
                  date.GetDay(), date.GetHour(), date.GetMinute(), date.GetSecond());
    return buf;
}

std::string Number(int n) { return std::to_string(n); }

std::mutex& HookMutex() {
    static std::mutex m;
    return m;
}
DestinationRefreshHook& Hook() {
    static DestinationRefreshHook hook;
    return hook;
}

bool OptionIsYes(SystemOption* options, int index) {
    std::string value;
    return options != nullptr && options->GetSODataFromMemoryPinPoint(index, value) == 0 && value == "Y";
}

// "Refresh the recipients without asking and without reporting".
constexpr int kOptionSilentRefresh = 12;

}  // namespace

int MailStatusLetterToCode(std::string_view letter) {
    const StatusRow* row = RowOfLetter(letter);
    return row != nullptr ? row->code : kMailStatusUnknown;
}

std::string MailStatusCodeToLetter(int code) {
    for (const StatusRow& row : kStatusRows)
        if (row.code == code) return row.letter;
    return kUnknown;
}

std::string MailStatusLetterToText(std::string_view letter) {
    const StatusRow* row = RowOfLetter(letter);
    return row != nullptr ? SjisLiteral(row->textUtf8) : std::string(kUnknown);
}

int IsMailEditable(const COneMailData& mail) { return (CodeOf(mail) & kMailEditableStatuses) != 0 ? 1 : 0; }
int IsMailSendPending(const COneMailData& mail) {
    return (CodeOf(mail) & kMailSendPendingStatuses) != 0 ? 1 : 0;
}
int IsMailListed(const COneMailData& mail) { return (CodeOf(mail) & kMailListedStatuses) != 0 ? 1 : 0; }

double GetMailOpenRate(const COneMailData& mail) {
    const int sent = mail.GetSentNumber();
    const int opened = mail.GetOpenNumber();
    if (sent == 0 || opened == 0) return 0.0;
    return static_cast<double>(opened) / static_cast<double>(sent);
}

void SetMailStatusByCode(COneMailData& mail, int code) {
    mail.SetStatus(MailStatusCodeToLetter(code), 1);
    mail.SetDate(COneMailData::kRenewalDate, platform::DateTime::GetCurrentTime(), 0);
}

void ResetPendingMailToDraft(COneMailData& mail) {
    if (IsMailSendPending(mail)) SetMailStatusByCode(mail, kMailStatusDraft);
}

DestinationRefreshHook SetDestinationRefreshHook(DestinationRefreshHook hook) {
    std::lock_guard<std::mutex> lock(HookMutex());
    return std::exchange(Hook(), std::move(hook));
}

int UpdateMailRecipientsIfAddressBookChanged(COneMailData& mail) {
    return UpdateMailRecipientsIfAddressBookChanged(mail, shell::GetEnvManager(), shell::GetSystemOption());
}

int UpdateMailRecipientsIfAddressBookChanged(COneMailData& mail, EnvManager* env, SystemOption* options) {
    if (!IsMailEditable(mail)) return kMailNotEditable;

    const std::string special = mail.GetSpecialFlag();
    const bool specialAddress = special.size() >= 2 && special[0] == 'Y';
    if (!specialAddress) {
        std::string fileTime;
        platform::DateTime bookTime;
        if (env == nullptr || GetFileStat_LastRenewalDate(env_layout::DatabaseFile(*env), fileTime) == 0 ||
            !bookTime.ParseDateTime(fileTime)) {
            ui::MessageBox(nullptr, ui::U8("個人情報ファイルの最終更新日時取得に失敗しました"),
                           ui::U8("個人情報ファイル情報取得失敗"), platform::kMbOk | platform::kMbIconWarning);
            return kMailBookTimeUnreadable;
        }

        bool refresh = mail.GetSetAddressDate() < bookTime;
        const bool silent = OptionIsYes(options, kOptionSilentRefresh);
        const int id = mail.GetMailID();
        if (refresh && !silent) {
            const QString question =
                ui::U8("個人情報の更新が確認されました\r\n個人情報の更新内容に合わせて、メールID[%1]の宛先を最新の状態に"
                       "更新します\r\nよろしいですか？\r\n\r\n(ヒント：この確認メッセージを無くしたい場合は、システム設定で"
                       "設定をしてください)")
                    .arg(id);
            // Any answer but Yes keeps the recipients the mail has.
            refresh = ui::MessageBox(nullptr, question, ui::U8("宛先を最新状態にします"),
                                     platform::kMbYesNo | platform::kMbIconQuestion) == platform::kIdYes;
            if (!refresh) {
                mail.SetStatus("W", 0);
                return kMailMadeWaiting;
            }
        }
        if (refresh) {
            DestinationRefreshHook hook;
            {
                std::lock_guard<std::mutex> lock(HookMutex());
                hook = Hook();
            }
            if (!hook || hook(0, id) == 0) {
                ui::MessageBox(nullptr,
                               ui::U8("メールID[%1]の宛先を最新の状態にできませんでした\r\n"
                                      "メールの状態は変更していません")
                                   .arg(id),
                               ui::U8("宛先を最新状態にします"), platform::kMbOk | platform::kMbIconWarning);
                return kMailRecipientsNotRefreshed;
            }
            if (!silent) {
                ui::MessageBox(nullptr, ui::U8("メールID[%1]の宛先を最新の状態にしました").arg(id),
                               ui::U8("宛先を最新にしました"), platform::kMbOk | platform::kMbIconInformation);
            }
            mail.SetDate(COneMailData::kSetAddressDate, platform::DateTime::GetCurrentTime(), 0);
        }
        mail.SetDate(COneMailData::kRenewalDate, platform::DateTime::GetCurrentTime(), 0);
    }
    mail.SetStatus("W", 0);
    return kMailMadeWaiting;
}

std::string GetMailIDText(const COneMailData& mail) { return Number(mail.GetMailID()); }
std::string GetMailTitleText(const COneMailData& mail) { return mail.GetMailTitle(); }
std::string GetMailAddressNameText(const COneMailData& mail) { return mail.GetAddressName(); }

std::string GetMailTypeText(const COneMailData& mail) {
    const std::string flag = mail.GetSpecialFlag();
    if (flag.size() < 2) return kUnknown;
    switch (flag[1]) {
    case 'N': return SjisLiteral("テキスト");
    case 'Y': return SjisLiteral("HTML(PC)");
    case 'M': return SjisLiteral("HTML(携帯)");
    default: return kUnknown;
    }
}

std::string GetMailStatusText(const COneMailData& mail) { return MailStatusLetterToText(mail.GetStatus()); }
std::string GetReserveDateText(const COneMailData& mail) { return DateText(mail.GetReserveDate()); }
std::string GetSentNumberText(const COneMailData& mail) { return Number(mail.GetSentNumber()); }
std::string GetErrorNumberText(const COneMailData& mail) { return Number(mail.GetErrorNumber()); }
std::string GetOpenNumberText(const COneMailData& mail) { return Number(mail.GetOpenNumber()); }

std::string GetOpenRateText(const COneMailData& mail) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%3.1f %%", GetMailOpenRate(mail) * 100.0);
    return buf;
}

std::string GetEntryDateText(const COneMailData& mail) { return DateText(mail.GetEntryDate()); }
std::string GetRenewalDateText(const COneMailData& mail) { return DateText(mail.GetRenewalDate()); }
