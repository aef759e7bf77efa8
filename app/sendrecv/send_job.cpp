// The send job: its stores, preparation of a mail, the recipient tests, the history update
// and the cancel.
#include "app/sendrecv/send_job.h"

#include "core/addressbook/database_edit.h"
#include "core/addressbook/extract_result_detail.h"
#include "core/foundation/env_manager.h"
#include "core/foundation/system_option.h"
#include "core/mailstore/attach_writer.h"
#include "core/mailstore/history_list_viewer.h"
#include "core/mailstore/mail_list_viewer.h"
#include "core/mailstore/mail_writer.h"
#include "core/mailstore/x_email.h"
#include "core/transport/my_smtps.h"
#include "platform/netssl/smtps.h"

namespace {
// The recipient list's codes for "no list": no file, an empty file.
constexpr int kNoListFile = 3201;
constexpr int kEmptyListFile = 3202;
constexpr int kAttachListVersion = 5;
}  // namespace

CSendJob::CSendJob() : CSendJob(SendEnvironment::Program()) {}

CSendJob::CSendJob(const SendEnvironment& environment) : environment_(environment) { Reset(); }

CSendJob::~CSendJob() { ReleaseStores(); }

void CSendJob::Reset() {
    for (Flag f : {kCancel, kWindowEnded, kSplitReached, kConnectionFailure, kInterrupted}) SetFlag(f, 0);
    mailId_ = -1;
    splitCount_ = 0;
    sendDelayMs_ = 0;
    timeoutBeforeConnectMs_ = 0;
    timeoutConnectedMs_ = 0;
    CreateStores();
    ClearCounters();
}

void CSendJob::ClearCounters() {
    counters_ = SendCounters{};
    // What ended the last mail's send is not the next one's.
    for (Flag f : {kError, kRecipientFailed, kConnectionFailure, kInterrupted}) SetFlag(f, 0);
    taken_ = false;
    interimWritten_ = false;
}

void CSendJob::CreateStores() {
    ReleaseStores();
    EnvManager* env = environment_.env;
    if (env == nullptr) return;
    mailWriter_ = std::make_unique<MailWriter>();
    mailWriter_->SetTermNum(kMailRows);
    mailWriter_->SetEnvManager(env);
    for (auto& writer : attachWriters_) {
        writer = std::make_unique<AttachWriter>();
        writer->SetEnvManager(env);
        writer->SetFlagForDeleteFileInTemp(0);
    }
    recipients_ = std::make_unique<ExtractResultDetail>();
    recipients_->SetEnvManager(env);
    if (environment_.mails != nullptr) recipients_->SetMailListViewer(environment_.mails);
    if (environment_.book != nullptr) recipients_->SetDatabaseEdit(environment_.book);
    history_ = std::make_unique<HistoryListViewer>();
    history_->SetEnvManager(env);
    if (environment_.options != nullptr) history_->SetSystemOption(environment_.options);
    if (environment_.book != nullptr) history_->SetDatabaseEdit(environment_.book);
    if (environment_.mails != nullptr) history_->SetMailListViewer(environment_.mails);
}

int CSendJob::ReleaseStores() {
    int result = 0;
    mailWriter_.reset();
    for (auto& writer : attachWriters_) writer.reset();
    if (recipients_ != nullptr) {
        // A list that was never bound to a mail has nothing to write.
        if (recipients_->GetType() == ER_TYPE_MAIL && recipients_->WriteAllOnMemoryDBIDToFile() < 0) {
            err_ = recipients_->GetErrMsg();
            result = -1;
        }
        recipients_.reset();
    }
    if (history_ != nullptr) {
        if (history_->GetMailID() >= 0 && history_->WriteHDataFromMemoryToFile() < 0 && result == 0) {
            err_ = history_->GetErrMsg();
            result = -2;
        }
        history_.reset();
    }
    return result;
}

AttachWriter* CSendJob::GetAttachWriter(int termType) {
    if (termType < 0 || termType >= kTerminalTypes) return nullptr;
    return attachWriters_[static_cast<std::size_t>(termType)].get();
}

int CSendJob::Prepare() {
    if (environment_.env == nullptr || mailWriter_ == nullptr) return kNoEnvironment;
    if (mailWriter_->SetMailFromFile(mailId_, 0, nullptr) == 0) {
        err_ = mailWriter_->GetErrMsg();
        return kBodiesUnreadable;
    }
    for (int t = 0; t < kTerminalTypes; ++t) {
        AttachWriter& writer = *attachWriters_[static_cast<std::size_t>(t)];
        writer.SetVersion(kAttachListVersion);
        writer.SetMailID(mailId_);
        writer.SetTermType(t);
    }
    if (recipients_->SetTypeAndID(ER_TYPE_MAIL, mailId_) < 0) {
        err_ = recipients_->GetErrMsg();
        return kRecipientOwnerRefused;
    }
    bool noList = false;
    if (recipients_->GetDBIDListFromFileToMemory(0, nullptr) < 0) {
        const int code = recipients_->GetErrMsg().GetLastCode();
        if (code != kNoListFile && code != kEmptyListFile) {
            err_ = recipients_->GetErrMsg();
            return kRecipientListUnreadable;
        }
        noList = true;
    }
    // Read also when nobody is left to send to: the mail's final status and counts come
    // from the history, and a mail whose runs ended with failures must not pass for one
    // that went to everyone when it is sent again with nobody left.
    if (history_->SetMailID(mailId_, 0) < 0) {
        err_ = history_->GetErrMsg();
        return kHistoryUnreadable;
    }
    const int read = history_->GetHDataFromFileToMemory(0, nullptr);
    if (read < 0 && read != -21 && read != -22) {
        err_ = history_->GetErrMsg();
        return kHistoryUnreadable;
    }
    counters_.historyRead = true;
    return noList ? kNoRecipientList : kPrepared;
}

int CSendJob::CheckRecipient(int id) {
    CDatabaseEdit* book = environment_.book;
    std::string value;
    if (book == nullptr || book->GetCustomerDataPinPoint(id, kElemEmail, value) != 0) return kRecipientUnreadable;
    if (value.empty()) return kRecipientNoAddress;
    if (book->GetCustomerDataPinPoint(id, kElemDeleteFlag, value) != 0) return kRecipientUnreadable;
    if (value == "Y") return kRecipientDeleted;
    if (book->GetCustomerDataPinPoint(id, kElemDMOk, value) != 0) return kRecipientUnreadable;
    if (value == "N") return kRecipientRefusesMail;
    return kSendable;
}

int CSendJob::IsPcRecipient(int id) {
    std::string address;
    if (environment_.book == nullptr || environment_.book->GetOneCustomerDataPinPoint(address, kElemEmail, id) != 0)
        return 0;
    return CXEmail::GetTermTypeFromMailAddr(address) == TERM_PC ? 1 : 0;
}

int CSendJob::IsMobileHtmlRecipient(int id) {
    std::string address;
    if (environment_.book == nullptr || environment_.book->GetOneCustomerDataPinPoint(address, kElemEmail, id) != 0)
        return 0;
    const TermType t = CXEmail::GetTermTypeFromMailAddr(address);
    return t == TERM_DOCOMO || t == TERM_AU || t == TERM_SOFTBANK ? 1 : 0;
}

int CSendJob::ApplyRetryRule(int id, std::string& state) {
    if (history_->CheckRetrySendOK(id, 0) == 0) {
        state = "W";
        return 0;
    }
    state = "E";
    CDatabaseEdit* book = environment_.book;
    if (book == nullptr) return 0;
    OneCustomer person;
    if (book->GetOneCustomerForEdit(person, id) != 0) return 0;
    person.DMOk = "N";
    if (book->SetOneCustomerInfo(person, 0) != 0) {
        err_ = book->GetErrMsg();
        return -2;
    }
    return 0;
}

int CSendJob::UpdateHistory(int id, const std::string& state, const std::string& messageId) {
    if (history_ == nullptr) return -1;
    platform::DateTime now = platform::DateTime::GetCurrentTime();
    std::string message = messageId;
    std::string newState = state;
    int result = 0;
    const int transferred = history_->TransferMessageID(id, message, 1);
    if (transferred == -4) {
        HistorySet row;
        row.customerID = id;
        // A failure waits for a resend until the retry rule, which reads the row, says
        // otherwise: a failure for good ends the doubt of the sends in flight, a wait does not.
        row.state = state == "E" ? "W" : state;
        row.retryNum = 0;
        row.openFlag = "N";
        row.messageID = messageId;
        row.lastSendDate = now;
        if (history_->SetHDataFromStructToMemory(row) < 0) {
            err_ = history_->GetErrMsg();
            return -1;
        }
        if (state == "E") {
            result = ApplyRetryRule(id, newState);
            if (history_->TransferState(id, newState, 1) < 0) {
                err_ = history_->GetErrMsg();
                return -1;
            }
        }
        return result;
    }
    if (transferred < 0) {
        err_ = history_->GetErrMsg();
        return -1;
    }
    history_->RetryNumInc(id);
    if (state == "E") result = ApplyRetryRule(id, newState);
    if (history_->TransferState(id, newState, 1) < 0 || history_->TransferLastSendDate(id, now, 1) < 0) {
        err_ = history_->GetErrMsg();
        return -1;
    }
    return result;
}

int CSendJob::RecordGivenUp(int id, int attempts, const std::string& messageId) {
    if (history_ == nullptr) return -1;
    platform::DateTime now = platform::DateTime::GetCurrentTime();
    std::string state = "E";
    std::string message = messageId;
    if (history_->DBID2RowNumber(id) < 0) {
        HistorySet row;
        row.customerID = id;
        row.state = state;
        row.retryNum = attempts > 1 ? attempts - 1 : 0;  // the resends made
        row.openFlag = "N";
        row.messageID = messageId;
        row.lastSendDate = now;
        if (history_->SetHDataFromStructToMemory(row) < 0) {
            err_ = history_->GetErrMsg();
            return -1;
        }
        return 0;
    }
    // Not the resend rule: another try could make a third copy.
    if (history_->RetryNumInc(id) < 0 || history_->TransferState(id, state, 1) < 0 ||
        history_->TransferMessageID(id, message, 1) < 0 || history_->TransferLastSendDate(id, now, 1) < 0) {
        err_ = history_->GetErrMsg();
        return -1;
    }
    return 0;
}

void CSendJob::Cancel() {
    // The flag first: the run must know, when its call comes back interrupted, that the
    // user asked for it.
    SetFlag(kCancel, 1);
    std::lock_guard<std::mutex> lock(clientMutex_);
    if (client_ != nullptr && client_->GetHandle() != nullptr) netssl::SMTPS_Do(client_->GetHandle(), netssl::kSmtpsInterrupt);
}

void CSendJob::SetSmtpClient(CMySMTPS* client) {
    std::lock_guard<std::mutex> lock(clientMutex_);
    client_ = client;
}
