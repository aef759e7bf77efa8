#include "core/mailstore/one_mail_maker.h"

#include "core/foundation/date_utils.h"
#include "core/foundation/directory_utils.h"
#include "core/foundation/env_layout.h"
#include "core/foundation/env_manager.h"
#include "core/mailstore/mail_list_viewer.h"
#include "core/mailstore/one_mail_data.h"
#include "platform/notifier.h"

namespace {

// Columns of the mail list that the maker reads.
constexpr int kColAddressName = 2;
constexpr int kColReserveDate = 6;
constexpr int kColSpecialFlag = 11;
constexpr int kColHonorific = 12;

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

    if (mailWriter_.SetMailFromFile(mailID_, 0, nullptr) != 1) return Fail(8999, -99);
    for (int row = 0; row < OneMail::kTermRows; ++row) {
        mail.subject[row] = mailWriter_.GetMailElement(0, row);
        mail.body[row] = mailWriter_.GetMailElement(1, row);
    }
    std::string addressName, honorific, reserve;
    if (mailList_->GetMailDataPinPoint(mailID_, kColAddressName, addressName) != 0 ||
        mailList_->GetMailDataPinPoint(mailID_, kColHonorific, honorific) != 0 ||
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
    const std::string title = mail.subject[TitleRowOf(kind)];
    const char kindChar = KindOf(kind);

    COneMailData record;
    record.SetCheckCharacterCodeFlag(1);
    int id = mailID_;
    if (isNew) {
        id = mailList_->GetNewMailID();
        if (id < 0) return Fail(8007, -99);
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
    }
    record.SetMailTitle(title);
    record.SetAddressName(mail.addressName);
    record.SetHonorific(mail.honorific);
    record.SetStatus("D", 0);
    record.SetDate(COneMailData::kRenewalDate, now, 0);
    record.SetDate(COneMailData::kReserveDate, mail.reserveDate, 0);

    const std::string folder = env_layout::OneMailFolder(*env_, id);
    const bool folderExisted = CheckDirectory(folder) == 0;
    if (!folderExisted && MakeDirectoryCompel(folder) != 0) return Fail(8010, -8);

    auto writeList = [&]() -> int {
        if (mailList_->SetMailData(record) != 0 || mailList_->WriteMailListCompel() != 0)
            return Fail(8201, -9);
        return 0;
    };
    auto writeFiles = [&]() -> int {
        if (const int r = WriteBodies(mail, id); r != 0) return r;
        return version == kAttachVersion5 ? WriteAttachVer5(mail, kind, id) : WriteAttachVer4(mail, id);
    };

    if (!isNew) {
        // The line first: the mail becomes a draft before its files change.
        if (const int r = writeList(); r != 0) return r;
        return writeFiles();
    }
    int r = writeFiles();
    if (r == 0) {
        r = writeList();
        if (r != 0) mailList_->RemoveMailData(id);  // not on disk: not in memory either
    }
    if (r != 0) {
        // Nothing of the new mail is listed: take back what was written for it.
        if (!folderExisted) RemoveDirectoryCompel(folder, 1);
        return r;
    }
    mailID_ = id;
    return 0;
}

int OneMailMaker::WriteBodies(const OneMail& mail, int id) {
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
    if (mailWriter_.WriteMailAllTypeToFile() != 1) return Fail(8202, -10);
    return 0;
}

namespace {
// Encoding failures (a work file unreadable, a body not written) and list failures.
bool IsEncodeFailure(int code) { return code == 15106 || code == 15107; }
}  // namespace

int OneMailMaker::WriteAttachVer4(const OneMail& mail, int id) {
    attachWriter_.SetVersion(kAttachVersion4);
    attachWriter_.SetMailID(id);
    if (attachWriter_.ReplaceAttachList(mail.attach[0], 0) != 1)
        return IsEncodeFailure(attachWriter_.GetErrMsg().GetLastCode()) ? Fail(8204, -18) : Fail(8206, -16);
    return 0;
}

int OneMailMaker::WriteAttachVer5(const OneMail& mail, const std::string& kind, int id) {
    attachWriter_.SetVersion(kAttachVersion5);
    attachWriter_.SetMailID(id);
    attachWriter_.SetFlagForDeleteFileInTemp(0);
    for (int type : AttachTypesOf(kind)) {
        attachWriter_.SetTermType(type);
        if (attachWriter_.ReplaceAttachList(mail.attach[type], 0) != 1)
            return IsEncodeFailure(attachWriter_.GetErrMsg().GetLastCode()) ? Fail(8204, -18)
                                                                          : Fail(8206, -16);
    }
    return 0;
}
