#include "core/addressbook/other_import_run.h"

#include <fcntl.h>
#include <unistd.h>

#include "core/addressbook/database_edit.h"
#include "core/addressbook/import_records.h"
#include "core/foundation/address_utils.h"
#include "core/foundation/cp932.h"
#include "core/foundation/date_utils.h"
#include "core/foundation/err_msg.h"
#include "core/foundation/validation.h"
#include "platform/path.h"
#include "platform/private_files.h"

namespace {

using import_text::L;

// The clean-up of free text: bracketed company kinds spelled out, line breaks removed.
const CodeConvertStruct* CleanUpRules() {
    static const CodeConvertStruct rules[] = {
        {L("㈱").c_str(), L("(株)").c_str()},
        {L("㈲").c_str(), L("(有)").c_str()},
        {L("㈹").c_str(), L("(代)").c_str()},
        {"\r", ""},
        {"\n", ""},
        {nullptr, nullptr},
    };
    return rules;
}

}  // namespace

OtherImportRun::OtherImportRun(CDatabaseEdit& book, ImportProgress& progress) : book_(book), progress_(progress) {
    progress_.imported.store(0);
    progress_.errors.store(0);
}

OtherImportRun::~OtherImportRun() {
    if (report_ != nullptr) std::fclose(report_);
}

void OtherImportRun::Write(std::string_view text) {
    if (report_ == nullptr) return;
    std::string out;
    out.reserve(text.size() + 16);
    for (char c : text) {
        if (c == '\n') out.push_back('\r');
        out.push_back(c);
    }
    std::fwrite(out.data(), 1, out.size(), report_);
}

void OtherImportRun::WriteTime(const char* heading) {
    Write(L(heading));
    Write("\n" + GetNowDateTime() + "\n\n");
}

bool OtherImportRun::OpenReport(const std::string& path, const std::string& sourceSection, bool programsOwn) {
    // The report lists the people imported: the user's alone, like the book.
    const std::string fixed = platform::FixPath(path);
    const int flags = O_WRONLY | O_CREAT | O_TRUNC;
    const int fd = programsOwn ? platform::OpenPrivateFile(fixed, flags)
                               : platform::OpenNamedFile(fixed, flags, platform::kPrivateFileMode);
    if (fd < 0) return false;
    report_ = ::fdopen(fd, "wb");
    if (report_ == nullptr) {
        ::close(fd);
        return false;
    }
    WriteTime("○インポート開始日時");
    Write(sourceSection);
    return true;
}

bool OtherImportRun::Prepare(EnvManager* env) {
    book_.MakeIndex();
    prepared_ = true;
    changes_.emplace(book_);
    rowsBefore_ = book_.GetLineNumber();
    earlier_.clear();
    if (ids_.Begin(env, book_.GetMaxDBID()) < 0) return false;
    mails_.Build(book_);
    return true;
}

void OtherImportRun::BeginRecord() {
    work_.RemoveAll();
    work_.SetSize(kCustomerElementCount);
    reason_.clear();
    row_ = -1;
    now_ = GetNowDateTime();
}

void OtherImportRun::LineText(std::string_view text) {
    const std::string& phrase = L(kNulInLineReason);
    if (text.find('\0') != std::string_view::npos && reason_.find(phrase) == std::string::npos) reason_ += phrase;
}

void OtherImportRun::Phrase(const std::string& title, const char* rest) {
    reason_ += "[" + title + "]" + L(rest);
}

void OtherImportRun::MailColumn(const std::string& value, const std::string& title, const char* newFlag) {
    if (value.empty()) {
        Phrase(title, "にメールアドレスが設定されていない、");
        return;
    }
    if (!MailAddressChecker(value)) {
        Phrase(title, "に不正なメールアドレスが設定されている、");
        return;
    }
    row_ = mails_.Find(value);
    if (row_ >= 0) {
        book_.GetAtLine(row_, work_);
        work_.SetSize(kCustomerElementCount);
        Cell(kElemEmail) = value;
        Cell(kElemDeleteFlag).clear();
        Cell(kElemRenewalDate) = now_;
    } else {
        if (newFlag != nullptr) Cell(kElemDMOk) = newFlag;
        Cell(kElemEmail) = value;
        Cell(kElemOtherMailOk) = "Y";
        Cell(kElemDeleteFlag).clear();
        Cell(kElemEntryDate) = now_;
        Cell(kElemRenewalDate) = now_;
    }
}

std::string OtherImportRun::MessageOf(int code) {
    std::string text;
    CErrMsg::GetErrMsgFromDefined(code, text);
    return text;
}

void OtherImportRun::FreeText(int element, const std::string& value, const std::string& title) {
    std::string clean;
    if (CleanText(value, title, clean)) Set(element, std::move(clean));
}

bool OtherImportRun::CleanText(const std::string& value, const std::string& title, std::string& clean) {
    xc_format_string4mail(value, clean, CleanUpRules());
    int noHalfKana = 1, noDependent = 1, allValid = 1;
    std::vector<std::string> offending;
    if (CheckMailBodyCharacterCode(clean, noHalfKana, noDependent, allValid, offending) != 1) {
        std::string list;
        for (const std::string& c : offending) list += c;
        reason_ += "[" + title + "]" + L("に機種依存文字「") + list + L("」が含まれている、");
        return false;
    }
    return true;
}

void OtherImportRun::Phone(int element, const std::string& value, const std::string& title) {
    if (!CheckSpecialStringData(value, "1234567890-")) {
        Phrase(title, "に不正な文字が設定されている、");
        return;
    }
    std::string number;
    xc_format_codenumber(value, number);
    Set(element, std::move(number));
}

void OtherImportRun::ZipCode(int element, const std::string& value, const std::string& title) {
    if (!CheckSpecialStringData(value, "1234567890-")) {
        Phrase(title, "に不正な文字が設定されている、");
        return;
    }
    CDatabaseEdit::HyphenCut(&value, &Cell(element));
}

std::string OtherImportRun::Stored(int element) const {
    return row_ >= 0 ? book_.GetAtElement(row_, element) : std::string();
}

void OtherImportRun::ApplyMailMode(int mode) {
    if (row_ < 0) {
        Cell(kElemDMOk) = mode == 1 || mode == 3 ? "Y" : "N";
    } else if (mode == 1 || mode == 2) {
        Cell(kElemDMOk) = mode == 1 ? "Y" : "N";
    }
}

bool OtherImportRun::SkippedByPolicy(const std::string& policy, const std::string& fileDate, const std::string& who) {
    if (row_ < 0) return false;
    if (policy == "2") {
        SkipLine(who + L("既に存在するためインポートしませんでした。\n"));
        return true;
    }
    if (policy != "0") return false;
    platform::DateTime given;
    given.SetDate(100, 1, 1);  // no date in the file: the stored record is newer
    if (!fileDate.empty() && !Convert_DateData2COleDateTimeChecked(fileDate, given)) given.SetDate(100, 1, 1);
    platform::DateTime stored;
    if (!Convert_DateData2COleDateTimeChecked(Stored(kElemRenewalDate), stored)) stored.SetDate(100, 1, 1);
    if (given > stored) return false;
    SkipLine(who + L("既存データの方が新しいためインポートしませんでした。\n"));
    return true;
}

int OtherImportRun::Commit() {
    if (row_ < 0) {
        const int id = ids_.Next();
        if (id < 0) return 10009;
        Cell(kElemCustomerID) = std::to_string(id);
        if (book_.AddLine(work_) != 0) return 10602;
        mails_.Add(Cell(kElemEmail), book_.GetLineNumber() - 1);
    } else {
        if (row_ < rowsBefore_ && earlier_.count(row_) == 0) book_.GetAtLine(row_, earlier_[row_]);
        if (book_.SetAtLine(row_, work_) != 0) return 10602;
    }
    progress_.imported.store(++imported_);
    return 0;
}

void OtherImportRun::TakeBack() {
    CDatabaseEdit::ChangeGroup group(book_);
    for (const auto& [row, line] : earlier_) book_.SetAtLine(row, line);
    book_.RemoveLinesFrom(rowsBefore_);  // rebuilds the index when rows go
    earlier_.clear();
}

void OtherImportRun::WriteErrorSection(const std::string& line) {
    if (!errorSection_) Write(L("○データエラーお客様\n"));
    errorSection_ = true;
    Write(line);
}

void OtherImportRun::ErrorLine(const std::string& line) {
    WriteErrorSection(line);
    progress_.errors.store(++errors_);
}

void OtherImportRun::SkipLine(const std::string& line) { WriteErrorSection(line); }

int OtherImportRun::End(const std::string& reasonIn, int failure) {
    std::string reason = reasonIn;
    if (prepared_) {
        book_.MakeIndex();
        if (ids_.Finish() < 0 && reason.empty()) {
            reason = MessageOf(10009);
            failure = -42;
        }
        // An abnormal end takes back what the run stored before it is committed, so that
        // none of it reaches the disk.
        if (!reason.empty()) TakeBack();
        if (changes_ && changes_->Commit() < 0 && reason.empty()) {
            reason = MessageOf(10204);
            failure = -42;
            // Neither the book's file nor its journal holds the run's records: memory
            // follows them.
            TakeBack();
        }
        changes_.reset();
    }
    if (reason.empty() && errorSection_) Write("\n");
    Write(L("○インポート終了ステータス\n"));
    const std::string counts = std::to_string(imported_) + L("件(及びデータエラー") + std::to_string(errors_) +
                               L("件)をインポートして、");
    if (reason.empty()) {
        Write(L("インポートは") + counts + L("正常終了しました。\n\n"));
    } else {
        Write(L("インポートは"));
        if (imported_ != 0 || errors_ != 0) Write(counts + "\n");
        Write(L("異常終了しました。\n理由[") + reason + "]\n\n");
    }
    WriteTime("○インポート終了日時");
    if (report_ != nullptr) std::fclose(report_);
    report_ = nullptr;
    return reason.empty() ? imported_ : failure;
}
