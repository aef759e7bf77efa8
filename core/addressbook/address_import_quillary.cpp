// CAddressImport: the Quillary address book, read from the CSV file its converter writes.
#include <cstdlib>
#include <filesystem>
#include <mutex>

#include "core/addressbook/address_import.h"
#include "core/addressbook/database_edit.h"
#include "core/addressbook/other_import_run.h"
#include "core/foundation/address_utils.h"
#include "core/foundation/cp932.h"
#include "core/foundation/csv_read.h"
#include "core/foundation/date_utils.h"
#include "core/foundation/env_layout.h"
#include "core/foundation/system_option.h"
#include "platform/named_mutex.h"
#include "platform/process_runner.h"

namespace {

using import_text::L;

// The file's columns and phrases, named apart from the other readers' (the functions below
// bring them in).
namespace quillary_file {

enum Column { kNo, kMail, kName, kReading, kCompany, kSection, kBirthday, kZip, kAddress, kTel, kFax, kMobile, kGender,
              kColumns };
constexpr const char* kTitles[kColumns] = {"No.", "e-mail", "氏名", "ﾌﾘｶﾞﾅ", "会社名", "部署名１", "誕生日",
                                           "〒", "住所１", "TEL.", "TEL.2:FAX.", "TEL.3:携帯", "性別"};

constexpr const char* kFailed = "Quillary住所録ファイルの解析に失敗しました。";

}  // namespace quillary_file

}  // namespace

int CAddressImport::ImportDBfromQLAFile(const std::string& source, const std::string& converter,
                                        const std::string& reportPath, ImportProgress* progress, int mailMode) {
    using namespace quillary_file;
    if (const int r = StartRun(progress, L("Quillaryの住所録を") + "Varnis" + L("形式に変換中です"), source, reportPath, -50); r < 0)
        return r;
    OtherImportRun run(*book_, *progress);
    if (!run.OpenReport(reportPath, L("○インポート対象Quillary住所録ファイル\n") + source + "\n\n", reportIsOwn_))
        return Fail(10602, -52);
    auto abort = [&](const std::string& reason, int result, int code = 10602) {
        return EndRun(run, reason, result, code);
    };

    std::string type;
    options_->GetSODataFromMemoryPinPoint(34, type);
    if (std::atoi(type.c_str()) != 0) return abort(L("拡張属性の項目Aが文字列型ではありません。"), -42);

    // The converter runs before the book is locked: it may take long, and the send run and
    // the screens must not wait for it.
    const std::string work = env_layout::ImportWorkFile(*env_);
    const std::string unreadable = L(kFailed) + L("Qlaファイルの解析ができません。");
    if (converter.empty()) return abort(unreadable, -51);
    book_->SetStopImportFlag(0);
    int exitCode = -1;
    const platform::ProcessEnd end = platform::RunProcess(
        {converter, source, "/d:" + work, "/Import", "/r:100000000"}, converterTimeout_,
        [this] { return book_->GetStopImportFlag() != 0; }, exitCode);
    if (end != platform::ProcessEnd::kExited || exitCode != 0) return abort(unreadable, -51);
    // The work file goes once the converter has made it, whatever follows.
    struct RemoveWork {
        const std::string& path;
        ~RemoveWork() {
            std::error_code ec;
            std::filesystem::remove(path, ec);
        }
    } removeWork{work};

    CsvRead csv;
    if (csv.OpenFile(work) != 1) return abort(L(kFailed) + L("CSVファイルが開けません。"), -52);
    if (csv.ReadLine() == -1) return abort(L(kFailed) + L("タイトル行が見つかりません。"), -53);
    if (csv.ReadLine() == -1) return abort(L(kFailed) + L("データがありません。"), -53);
    int at[kColumns];
    for (int c = 0; c < kColumns; ++c) {
        at[c] = -1;
        for (int i = 0; i < csv.GetElementsNumber(); ++i)
            if (csv.GetDataView(i) == L(kTitles[c])) at[c] = i;  // a title given twice: the later counts
        if (at[c] < 0) return abort(L(kFailed) + L(kTitles[c]) + L("が見つかりません。"), -53);
    }

    ShowStart(*progress);
    platform::NamedMutex mutex(CDatabaseEdit::kMutexName);
    std::lock_guard<platform::NamedMutex> lock(mutex);
    if (!run.Prepare(env_)) return abort(OtherImportRun::MessageOf(10009), -42, 10009);

    int record = 0;
    for (;;) {
        const int fields = csv.ReadLine();
        if (fields == -1) break;
        ++record;
        if (fields == 0) {
            // An empty line is no record; anything else that does not read (a quote left
            // open swallows the rest of the file) is reported, never dropped quietly.
            if (!csv.GetLine().empty())
                run.ErrorLine(std::to_string(record) + L("件目のデータは、書式が不正なため読み取れませんでした。\n"));
            continue;
        }
        auto field = [&](Column c) { return std::string(csv.GetDataView(at[c])); };
        run.BeginRecord();
        run.LineText(csv.GetLine());
        run.MailColumn(field(kMail), "e-mail", nullptr);
        run.FreeText(kElemKanjiSei, field(kName), L(kTitles[kName]));
        run.FreeText(kElemKanaSei, field(kReading), L(kTitles[kReading]));
        run.FreeText(kElemCompany, field(kCompany), L(kTitles[kCompany]));
        run.FreeText(kElemCompanyPost, field(kSection), L(kTitles[kSection]));
        const std::string birthday = field(kBirthday);
        std::string date;
        if (!birthday.empty()) ReFormat_DateData(birthday, date, 0);
        run.Set(kElemBirthday, date.substr(0, 10));
        const std::string zip = field(kZip);
        std::string number;
        xc_format_codenumber(zip, number);
        CDatabaseEdit::HyphenCut(&number, &run.Cell(kElemZipCode1));
        run.Set(kElemZipCode2, "");
        const std::string address = field(kAddress);
        std::string clean, prefecture, rest;
        if (!address.empty() && run.CleanText(address, L(kTitles[kAddress]), clean))
            xc_divide_address(clean, prefecture, rest);
        run.Set(kElemPrefecture, prefecture);
        run.Set(kElemAddress1, rest);
        const std::pair<Column, int> phones[] = {{kTel, kElemPhone1}, {kFax, kElemFax1}, {kMobile, kElemPortable1}};
        for (const auto& [column, element] : phones) {
            xc_format_codenumber(field(column), number);
            run.Set(element, number);
            run.Set(element + 1, "");
        }
        run.Set(kElemExtraFirst, "");
        run.FreeText(kElemExtraFirst, field(kGender), L(kTitles[kGender]));
        if (run.Rejected()) {
            run.ErrorLine(L("ｶｰﾄﾞNo.") + field(kNo) + L("のお客様は、") + run.Reason() +
                          L("ためインポート出来ませんでした。\n"));
            continue;
        }
        run.ApplyMailMode(mailMode);
        if (const int code = run.Commit(); code != 0) return abort(OtherImportRun::MessageOf(code), -42, code);
    }
    return run.End("", 0);
}
