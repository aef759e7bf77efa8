// What one classified message changes: a bounce or a read receipt is traced through the
// Message-ID it quotes to the recipient of the sent mail and applied to the mail's send
// history, recipient list and mail-list record; a registration or a refusal becomes a row
// of its list. Changes stay in memory until the session saves its batch.
#include <cstdlib>

#include "app/sendrecv/mail_row_notice.h"
#include "app/sendrecv/pop_receive_session.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "core/addressbook/database_edit.h"
#include "core/addressbook/extract_result_detail.h"
#include "core/foundation/date_utils.h"
#include "core/foundation/system_option.h"
#include "core/mailstore/history_list_viewer.h"
#include "core/mailstore/mail_list_viewer.h"
#include "core/transport/message_id_form.h"
#include "platform/notifier.h"

int MailIdFromMessageId(const char* messageId) {
    return messageId != nullptr ? message_id::SentMailId(messageId) : -1;
}

int CPopReceiveSession::ProcessBounceOrReceipt(int mailId, const std::string& quotedMessageId, int mailClass) {
    Ledger();  // an interrupted batch is finished before anything is read
    int failure = kReplyProcessed;
    HistoryEntry* entry = HistoryFor(mailId, failure);
    if (entry == nullptr) return failure;
    HistoryListViewer* history = entry->history.get();
    if (history == nullptr) return kReplyUntraceable;

    // The send run stores the Message-ID as it wrote the header, in angle brackets; the
    // analysis gives it without. A history written without them is matched too.
    std::string id = quotedMessageId;
    if (id.size() >= 2 && id.front() == '<' && id.back() == '>') id = id.substr(1, id.size() - 2);
    std::vector<int> ids;
    history->GetCustomerIDFromMessageID("<" + id + ">", ids);
    if (ids.empty()) history->GetCustomerIDFromMessageID(id, ids);
    if (ids.size() != 1) return kReplyUntraceable;
    const int customerId = ids.front();
    unsigned& flags = mailFlags_[mailId];

    if (mailClass == 1) {
        flags |= kBounceSeen;
        const int r = history->CheckRetrySendOK(customerId, 1);
        if (r >= -44 && r <= -41) {
            // No resend left: the address failed for good.
            std::string state = "E";
            history->TransferState(customerId, state, 1);
            entry->changed = true;
            OneCustomer record;
            if (env_.book->GetOneCustomerForEdit(record, customerId) == 0) {
                record.DMOk = "N";
                if (env_.book->SetOneCustomerInfo(record, 0) == 0) bookChanged_ = true;
            }
            return kReplyProcessed;
        }
        if (r != 0) {
            err_ = history->GetErrMsg();
            return kReplyFailed;
        }
        std::string state;
        if (history->TransferState(customerId, state, 0) < 0) {
            err_ = history->GetErrMsg();
            return kReplyFailed;
        }
        if (state == "W") return kReplyNothingNew;
        state = "W";
        history->TransferState(customerId, state, 1);
        entry->changed = true;
        COneMailData mail;
        if (env_.mails->GetMailData(mailId, mail) == 0 && mail.GetStatus() != "B")
            AddRecipientToMailList(mailId, customerId);
        flags |= kRecipientRequeued;
        return kReplyProcessed;
    }

    flags |= kReceiptSeen;
    std::string opened;
    if (history->TransferOpenFlag(customerId, opened, 0) < 0) {
        err_ = history->GetErrMsg();
        return kReplyFailed;
    }
    if (opened == "Y") return kReplyNothingNew;
    opened = "Y";
    if (history->TransferOpenFlag(customerId, opened, 1) < 0) {
        err_ = history->GetErrMsg();
        return kReplyFailed;
    }
    entry->changed = true;
    return kReplyProcessed;
}

int CPopReceiveSession::AddRecipientToMailList(int mailId, int customerId) {
    auto it = recipientLists_.find(mailId);
    if (it == recipientLists_.end()) {
        auto list = std::make_unique<ExtractResultDetail>();
        list->SetEnvManager(env_.env);
        list->SetMailListViewer(env_.mails);
        list->SetDatabaseEdit(env_.book);
        if (list->SetTypeAndID(ER_TYPE_MAIL, mailId) != 0) {
            err_ = list->GetErrMsg();
            return 1;
        }
        const int r = list->GetDBIDListFromFileToMemory(0, nullptr);
        if (r < 0 && r != -31 && r != -32) {  // no file and an empty file are an empty list
            err_ = list->GetErrMsg();
            return 1;
        }
        it = recipientLists_.emplace(mailId, std::move(list)).first;
    }
    it->second->AddDBID(customerId);
    return 0;
}

int CPopReceiveSession::UpdateMailAfterReply(int mailId, int mailClass) {
    if (mailClass != 1 && mailClass != 2) return 0;
    Ledger();
    const auto box = [this](const char* text) {
        ui::MessageBox(owner_, ui::U8(text), ui::U8("受信結果保存エラー"), platform::kMbOk | platform::kMbIconWarning);
    };
    COneMailData mail;
    if (env_.mails->GetMailData(mailId, mail) != 0) {
        box("メール一覧情報からのデータ取得に失敗しました");
        return -1;
    }
    RememberMail(mail);
    if (mailClass == 1) {
        mail.SetErrorNumber(mail.GetErrorNumber() + 1);
        const std::string status = mail.GetStatus();
        if ((GetMailFlags(mailId) & kRecipientRequeued) != 0 && (status == "C" || status == "E")) {
            // Sent again later: the mail waits for its resend.
            mail.SetStatus("R", 0);
            const platform::DateTime now = platform::DateTime::GetCurrentTime();
            platform::DateTime reserve = mail.GetReserveDate();
            if (!reserve.IsValid()) reserve = now;
            if (!(reserve > now)) {
                std::string minutes;
                env_.options->GetSODataFromMemoryPinPoint(kOptionRetryMinutes, minutes);
                reserve = reserve + platform::DateTimeSpan(0, 0, std::atoi(minutes.c_str()), 0);
            }
            if (!reserve.IsValid() || reserve < now) {
                reserve = now;
                AdjustTime(reserve);
            }
            mail.SetDate(COneMailData::kReserveDate, reserve, 0);
        } else if ((GetMailFlags(mailId) & kRecipientRequeued) == 0 && status == "C") {
            mail.SetStatus("E", 0);
        }
    } else {
        mail.SetOpenNumber(mail.GetOpenNumber() + 1);
    }
    int result = 0;
    if (env_.mails->SetMailData(mail) != 0) {
        box("メール一覧情報へのデータ設定に失敗しました");
        result = -1;
    }
    // The list is written with the run's batch, before any message is deleted.
    NotifyMailRowChanged(mail);
    return result;
}

void CPopReceiveSession::AddAutoRegRecord(const OneCustomer& record) {
    Ledger();
    if (!listsLoaded_) LoadLists();
    if (!registrationsUsable_) return;  // never written over a list that could not be read
    const std::vector<std::string> row = receive_stores::RegistrationRow(record);
    std::vector<const char*> values;
    for (const std::string& v : row) values.push_back(v.c_str());
    if (registrations_.InsertString(values.data()) == 1) registrationsChanged_ = true;
}

void CPopReceiveSession::AddRefusalRecord(const std::string& address) {
    Ledger();
    if (!listsLoaded_) LoadLists();
    if (!refusalsUsable_) return;
    const char* values[] = {address.c_str()};
    if (refusals_.InsertString(values) == 1) refusalsChanged_ = true;
}
