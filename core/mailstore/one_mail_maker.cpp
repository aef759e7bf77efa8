#include "core/mailstore/one_mail_maker.h"

#include "core/foundation/date_utils.h"
#include "core/foundation/directory_utils.h"
#include "core/foundation/env_layout.h"
#include "core/foundation/env_manager.h"
#include "core/foundation/store_key.h"
#include "core/mailstore/mail_list_viewer.h"
#include "core/mailstore/mail_update.h"
#include "core/mailstore/one_mail_data.h"
#include "platform/notifier.h"

namespace {

// Columns of the mail list that the maker reads.
constexpr int kColAddressName = 2;
constexpr int kColStatus = 3;
constexpr int kColReserveDate = 6;
constexpr int kColSpecialFlag = 11;
constexpr int kMailColHonorific = 12;

constexpr int kAttachVersion4 = 4;
constexpr int kAttachVersion5 = 5;

char KindOf(const std::string& kind) { return kind.empty() ? '\0' : kind[0]; }

// Terminal types whose attachments a mail kind stores (version 5).
std::vector<int> AttachTypesOf(const std::string& kind) {
    switch (KindOf(kind)) {
    case 'N': return {0, 1, 2, 3, 4};
    case 'Y': return {0};
    case 'M': return {1, 2, 3};
    default: return {};
    }
}

// The row whose subject is the mail's title in the list.
int TitleRowOf(const std::string& kind) {
    const char k = KindOf(kind);
    return k == 'N' || k == 'Y' ? 0 : 1;
}

[[noreturn]] void RefuseConstruction(CErrMsg& err, int code) {
    err.SetErr(code);
    platform::Notify(err.GetLastMsg());
    throw platform::UserException(err.GetLastMsg());
}

}  // namespace

OneMailMaker::OneMailMaker() {
    if (mailWriter_.SetTermNum(OneMail::kTermRows) == 0) RefuseConstruction(err_, 8006);
}

OneMailMaker::OneMailMaker(EnvManager* env, CMailListViewer* mailList, int mailID) : OneMailMaker() {
    if (SetEnvManager(env) == 0) RefuseConstruction(err_, 8001);
    if (SetMailListViewer(mailList) == 0) RefuseConstruction(err_, 8003);
    if (SetMailID(mailID) != 0) RefuseConstruction(err_, 8008);
}

int OneMailMaker::SetEnvManager(EnvManager* env) {
    if (env == nullptr || env_ != nullptr) return 0;
    env_ = env;
    if (mailList_ != nullptr) mailList_->SetEnvManager(env);
    mailWriter_.SetEnvManager(env);
    attachWriter_.SetEnvManager(env);
    attachWriter_.SetVersion(kAttachVersion4);
    attachTempDir_ = attachWriter_.GetFolderPathForAttachFileTemporary();
    return attachTempDir_.empty() ? 0 : 1;
}

int OneMailMaker::SetMailListViewer(CMailListViewer* mailList) {
    if (mailList == nullptr || mailList_ != nullptr) return 0;
    mailList_ = mailList;
    if (env_ != nullptr) mailList_->SetEnvManager(env_);
    return 1;
}

int OneMailMaker::SetMailID(int mailID) {
    if (mailID == -3 || mailID == -2 || mailID == -1) {
        mailID_ = mailID;
        return 0;
    }
    if (mailList_ == nullptr || mailList_->FindMailData(mailID) != 0) return Fail(8008, -5);
    mailID_ = mailID;
    return 0;
}

int OneMailMaker::CheckDirectory(const std::string& path) { return ::CheckDirectory(path) == 0 ? 0 : -1; }

void OneMailMaker::InitOneMail(OneMail& mail) {
    mail.addressName.clear();
    mail.reserveDate = platform::DateTime::GetCurrentTime();
    AdjustTime(mail.reserveDate);
    for (std::string& s : mail.subject) s.clear();
    for (std::string& s : mail.body) s.clear();
    // A reused record must not show or store the attachments of the mail read before.
    for (std::vector<AttachData>& a : mail.attach) a.clear();
}

int OneMailMaker::CheckBound() {
    if (env_ == nullptr) return Fail(8002, -11);
    if (mailList_ == nullptr) return Fail(8004, -12);
    if (mailID_ == kNoMail) return -7;
    return 0;
}

// ---- Reading ----------------------------------------------------------------------------

int OneMailMaker::GetOneMailData(OneMail& mail, const std::string& kind, const int& version) {
    if (const int r = CheckBound(); r != 0) return r;
    InitOneMail(mail);
    if (mailID_ < 0) return 0;
    // An update that a killed process left is finished with its list line, or undone,
    // before any part of the mail is read.
    if (MailUpdate::Recover(env_, mailID_, mailList_) != MailUpdate::kOk) return Fail(8999, -99);

    if (mailWriter_.SetMailFromFile(mailID_, 0, nullptr) != 1) return Fail(8999, -99);
    for (int row = 0; row < OneMail::kTermRows; ++row) {
        mail.subject[row] = mailWriter_.GetMailElement(0, row);
        mail.body[row] = mailWriter_.GetMailElement(1, row);
    }
    std::string addressName, honorific, reserve;
    if (mailList_->GetMailDataPinPoint(mailID_, kColAddressName, addressName) != 0 ||
        mailList_->GetMailDataPinPoint(mailID_, kMailColHonorific, honorific) != 0 ||
        mailList_->GetMailDataPinPoint(mailID_, kColReserveDate, reserve) != 0)
        return Fail(8999, -99);
    platform::DateTime reserveDate;
    if (!Convert_DateData2COleDateTimeChecked(std::string_view(reserve).substr(0, 19), reserveDate))
        return Fail(8999, -99);
    mail.addressName = addressName;
    mail.honorific = honorific;
    mail.reserveDate = reserveDate;

    return version == kAttachVersion5 ? ReadAttachVer5(mail, kind) : ReadAttachVer4(mail);
}

int OneMailMaker::DecodeListed(std::vector<AttachData>& out) {
    const int rows = attachWriter_.GetFileNum();
    for (int row = 0; row < rows; ++row) {
        const std::string name = attachWriter_.GetAttachListElement(row, 0);
        if (attachWriter_.DecodeAttachDataToWorkDir(name) == 1)
            out.push_back({name, attachWriter_.GetAttachListElement(row, 1)});
    }
    if (static_cast<int>(out.size()) < rows) return Fail(8203, -17);
    return 0;
}

int OneMailMaker::ReadAttachVer4(OneMail& mail) {
    attachWriter_.SetVersion(kAttachVersion4);
    attachWriter_.ClearWorkFolder();
    attachWriter_.SetMailID(mailID_);
    if (attachWriter_.LoadAttachList(nullptr) != 1) return Fail(8205, -99);
    return DecodeListed(mail.attach[0]);
}

int OneMailMaker::ReadAttachVer5(OneMail& mail, const std::string& kind) {
    attachWriter_.SetVersion(kAttachVersion5);
    attachWriter_.SetMailID(mailID_);
    attachWriter_.SetFlagForDeleteFileInTemp(0);
    // Every type is read even when one fails, so that the user gets all that can be had;
    // the first failure is reported.
    int result = 0;
    CErrMsg first;
    for (int type : AttachTypesOf(kind)) {
        attachWriter_.SetTermType(type);
        int r = 0;
        if (attachWriter_.LoadAttachList(nullptr) != 1) r = Fail(8205, -99);
        else r = DecodeListed(mail.attach[type]);
        if (r != 0 && result == 0) {
            result = r;
            first = err_;
        }
    }
    if (result != 0) err_ = first;
    return result;
}

// ---- Storing ----------------------------------------------------------------------------

int OneMailMaker::SetOneMailData(const std::string& addressName, const platform::DateTime& reserveDate,
                                 std::vector<std::string> subjects, std::vector<std::string> bodies,
                                 const std::string& kind, const int& version) {
    if (subjects.size() != OneMail::kTermRows || bodies.size() != OneMail::kTermRows)
        return Fail(8999, -99);
    OneMail mail;
    mail.addressName = addressName;
    mail.reserveDate = reserveDate;
    for (int row = 0; row < OneMail::kTermRows; ++row) {
        mail.subject[row] = std::move(subjects[row]);
        mail.body[row] = std::move(bodies[row]);
    }
    return SetOneMailData(mail, kind, version);
}

int OneMailMaker::SetOneMailData(OneMail& mail, const std::string& kind, const int& version) {
    if (const int r = CheckBound(); r != 0) return r;
    const platform::DateTime now = platform::DateTime::GetCurrentTime();
    const bool isNew = mailID_ == -1 || mailID_ == -2;
    const char kindChar = KindOf(kind);

    int id = mailID_;
    if (isNew) {
        id = mailList_->GetNewMailID();
        if (id < 0) return Fail(8007, -99);
    } else if (mailList_->FindMailData(id) != 0) {
        return Fail(8008, -99);
    }
    const std::string folder = env_layout::OneMailFolder(*env_, id);
    const bool folderExisted = CheckDirectory(folder) == 0;
    if (!folderExisted && MakeDirectoryCompel(folder) != 0) return Fail(8010, -8);
    // Nothing of a new mail is listed until it is committed: take back its folder.
    auto fail = [&](int result) {
        if (isNew && !folderExisted) RemoveDirectoryCompel(folder, 1);
        return result;
    };

    // Begun before the list line is read: it finishes an update that a killed process left.
    MailUpdate update;
    if (update.Begin(env_, id, mailList_) != MailUpdate::kOk) return fail(Fail(8202, -10));

    COneMailData record;
    record.SetCheckCharacterCodeFlag(1);
    if (isNew) {
        record.SetMailID(id);
        record.SetSentNumber(0);
        record.SetErrorNumber(0);
        record.SetOpenNumber(0);
        record.SetDate(COneMailData::kEntryDate, now, 0);
        record.SetDate(COneMailData::kSetAddressDate, now, 0);
        record.SetSpecialFlag(kindChar != '\0' ? std::string("N") + kindChar : std::string("N"));
    } else {
        if (mailList_->GetMailData(id, record) != 0) return Fail(8008, -99);
        std::string flags;
        mailList_->GetMailDataPinPoint(id, kColSpecialFlag, flags);
        if (flags.size() == 1 && kindChar != '\0') record.SetSpecialFlag(flags + kindChar);
        // A draft before anything of it changes, so that a waiting mail is not sent while
        // it is being replaced.
        if (const int r = MarkDraft(id); r != 0) return r;
    }
    record.SetMailTitle(mail.subject[TitleRowOf(kind)]);
    record.SetAddressName(mail.addressName);
    record.SetHonorific(mail.honorific);
    record.SetStatus("D", 0);
    record.SetDate(COneMailData::kRenewalDate, now, 0);
    record.SetDate(COneMailData::kReserveDate, mail.reserveDate, 0);

    // The whole new version is staged; the mail's files are untouched until the commit.
    if (const int r = StageBodies(mail, id, update); r != 0) return fail(r);
    const int staged = version == kAttachVersion5 ? StageAttachVer5(mail, kind, id, update)
                                                  : StageAttachVer4(mail, id, update);
    if (staged != 0) return fail(staged);
    update.SetListLine(CMailListViewer::LineOf(record));

    switch (update.Commit(mailList_)) {
    case MailUpdate::kOk:
        break;
    case MailUpdate::kFailed:
        return fail(Fail(8202, -10));
    case MailUpdate::kListNotWritten:
        // Stored and listed in memory; the list file takes the line at its next read.
        mailID_ = id;
        return Fail(8201, -9);
    default:
        // Committed: the files are put in place when the mail is next read.
        return Fail(8202, -10);
    }
    mailID_ = id;
    return 0;
}

int OneMailMaker::MarkDraft(int id) {
    std::string status;
    mailList_->GetMailDataPinPoint(id, kColStatus, status);
    if (status == "D") return 0;
    if (mailList_->SetMailDataPinPoint(id, kColStatus, "D") != 0) return Fail(8201, -9);
    if (mailList_->WriteMailListCompel() != 0) {
        mailList_->SetMailDataPinPoint(id, kColStatus, status);  // not on disk: not in memory either
        return Fail(8201, -9);
    }
    return 0;
}

int OneMailMaker::StageBodies(const OneMail& mail, int id, MailUpdate& update) {
    if (mailWriter_.SetMailFromFile(-1, 0, nullptr) != 1 || mailWriter_.SetNewMailID(id) != 1) {
        err_ = mailWriter_.GetErrMsg();
        return -10;
    }
    for (int row = 0; row < OneMail::kTermRows; ++row) {
        if (mailWriter_.SetMailRecordToMemory(mail.subject[row], mail.body[row], row) != 0) {
            err_ = mailWriter_.GetErrMsg();
            return -10;
        }
    }
    StoreKey key;
    if (GetStoreKey(env_, key) != 0) return Fail(8202, -10);
    const std::string to = update.Stage(env_layout::MailRecordFile(*env_, id));
    if (to.empty() || mailWriter_.WriteFromMemoryToFileAppointFileName(to, key.get()) != 1) return Fail(8202, -10);
    return 0;
}

namespace {
// Encoding failures (a work file unreadable, a body not written) and list failures.
bool IsEncodeFailure(int code) { return code == 15106 || code == 15107; }
}  // namespace

int OneMailMaker::StageAttachVer4(const OneMail& mail, int id, MailUpdate& update) {
    attachWriter_.SetVersion(kAttachVersion4);
    attachWriter_.SetMailID(id);
    if (attachWriter_.StageAttachList(mail.attach[0], 0, update) != 1)
        return IsEncodeFailure(attachWriter_.GetErrMsg().GetLastCode()) ? Fail(8204, -18) : Fail(8206, -16);
    return 0;
}

int OneMailMaker::StageAttachVer5(const OneMail& mail, const std::string& kind, int id, MailUpdate& update) {
    attachWriter_.SetVersion(kAttachVersion5);
    attachWriter_.SetMailID(id);
    attachWriter_.SetFlagForDeleteFileInTemp(0);
    for (int type : AttachTypesOf(kind)) {
        attachWriter_.SetTermType(type);
        if (attachWriter_.StageAttachList(mail.attach[type], 0, update) != 1)
            return IsEncodeFailure(attachWriter_.GetErrMsg().GetLastCode()) ? Fail(8204, -18)
                                                                          : Fail(8206, -16);
    }
    return 0;
}
