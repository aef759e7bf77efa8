#include "core/mailstore/mail_writer.h"

#include "core/foundation/env_layout.h"
#include "core/foundation/env_manager.h"
#include "core/foundation/store_key.h"
#include "core/mailstore/mail_update.h"
#include "platform/notifier.h"
#include "platform/path.h"

MailWriter::MailWriter() { SetElementNumber(2); }

MailWriter::MailWriter(EnvManager* env, int termNum) : MailWriter() {
    int code = 0;
    if (SetTermNum(termNum) == 0) code = 12004;
    else if (SetEnvManager(env) == 0) code = 12002;
    if (code != 0) {
        err_.SetErr(code);
        platform::Notify(err_.GetLastMsg());
        throw platform::UserException(err_.GetLastMsg());
    }
}

int MailWriter::SetTermNum(int n) {
    if (termNum_ > 0 || n <= 0) return 0;
    termNum_ = n;
    return 1;
}

int MailWriter::SetEnvManager(EnvManager* env) {
    if (env_ != nullptr || env == nullptr) return 0;
    env_ = env;
    return 1;
}

std::string MailWriter::PathOf(int id) const { return env_layout::MailRecordFile(*env_, id); }

void MailWriter::FillRows() {
    static const char* const kEmpty[2] = {"", ""};
    while (GetRecordNumber() < termNum_) InsertString(kEmpty);
}

int MailWriter::SetMailFromFile(int id, int keyGiven, const char* key) {
    if (id < -1) return Fail(12005);
    if (env_ == nullptr) return Fail(12001);
    if (termNum_ <= 0) return Fail(12003);
    mailID_ = id;
    SetElementNumber(2);
    if (id == -1) {
        FillRows();
        return 1;
    }
    path_ = PathOf(id);
    StoreKey storeKey;
    if (GetStoreKey(env_, storeKey) != 0) return Fail(4207);
    // An update of the mail that a killed process left is finished or undone first, so
    // that the body file read belongs to the same version as the attachments.
    if (MailUpdate::Recover(env_, id, nullptr) != MailUpdate::kOk) {
        DeleteAllString();
        return Fail(12201);
    }
    const char* useKey = storeKey.get();
    if (env_->GetEnvType() != 3 && keyGiven != 0) useKey = key;

    const int r = LoadCSVFile(path_, useKey);
    if (r == kLoadOk && GetElementNumber() != 2) {
        // A file of another shape is not a mail body file; keep it from being saved over.
        DeleteAllString();
        return Fail(12201);
    }
    switch (r) {
    case kLoadOk:
        break;
    case kLoadNoRecord:
        SetElementNumber(2);
        break;
    case kLoadCannotOpen:
        if (platform::PathExists(path_)) return Fail(12201);
        SetElementNumber(2);
        FillRows();
        // The mail exists but its bodies are gone: report it so that nobody sends or
        // shows an empty mail as if it were the real one.
        return Fail(12203);
    default:
        DeleteAllString();
        return Fail(12201);
    }
    FillRows();
    return 1;
}

std::string MailWriter::GetMailElement(int element, int termType) const {
    if (element != 0 && element != 1) {
        err_.SetErr(12007);
        return std::string();
    }
    if (termType < 0 || termType > 6) {
        err_.SetErr(12008);
        return std::string();
    }
    return GetStringElement(element, termType);
}

int MailWriter::GetMailElementLength(int element, int termType) const {
    return static_cast<int>(GetMailElement(element, termType).size());
}

int MailWriter::SetMailRecordToMemory(const std::string& subject, const std::string& body, int termType) {
    if (subject.size() > static_cast<std::size_t>(kSubjectLimit) ||
        body.size() > static_cast<std::size_t>(kBodyLimit))
        err_.SetErr(12009);
    const char* values[2] = {subject.c_str(), body.c_str()};
    return CorrectString(termType, values) == 1 ? 0 : -2;
}

int MailWriter::SetNewMailID(int id) {
    if (mailID_ != -1) return Fail(12006);
    if (id < 0) return Fail(12005);
    mailID_ = id;
    path_ = PathOf(id);
    return 1;
}

int MailWriter::WriteMailAllTypeToFile() {
    if (mailID_ < 0) return Fail(12006);
    if (env_ == nullptr) return Fail(12001);
    StoreKey key;
    if (GetStoreKey(env_, key) != 0) return Fail(4207);
    if (SaveCSVFileCompel(path_, key.get()) != 1) return Fail(12202);
    return 1;
}

int MailWriter::WriteFromMemoryToFileAppointFileName(const std::string& path, const char* key) {
    if (SaveCSVFileCompel(path, key) != 1) return Fail(12202);
    return 1;
}
