// CAddressImport: the customer data of the mail-order shop program Tormask.
#include <mutex>

#include "core/addressbook/address_import.h"
#include "core/addressbook/database_edit.h"
#include "core/addressbook/other_import_run.h"
#include "core/foundation/cp932.h"
#include "core/foundation/csv_read.h"
#include "core/foundation/date_utils.h"
#include "platform/named_mutex.h"

namespace {

using import_text::L;

// The file's columns and phrases, named apart from the other readers' (the functions below
// bring them in).
namespace tormask_file {

enum Column { kCustomer, kUser, kAccess, kSei, kMei, kKanaSei, kKanaMei, kZip, kPrefecture, kAddress, kPhone, kMail,
              kWish, kUpdated, kColumns };
constexpr const char* kTitles[kColumns] = {"顧客ID", "ユーザーID", "アクセスコード", "顧客名(姓)", "顧客名(名)",
                                           "顧客名よみ(姓)", "顧客名よみ(名)", "郵便番号", "都道府県", "住所",
                                           "電話番号", "メールアドレス", "配信希望", "更新日時"};

constexpr const char* kFailed = "Tormask データファイルの解析に失敗しました。";

}  // namespace tormask_file

}  // namespace

int CAddressImport::ImportDBfromTormaskFile(const std::string& source, const std::string& reportPath,
                                            ImportProgress* progress, std::string& duplicatePolicy,
                                            const ImportQuestion& ask) {
    using namespace tormask_file;
    if (const int r = StartRun(progress, L("Tormaskのデータを") + "Varnis" + L("形式に変換中です"), source, reportPath, -60); r < 0)
        return r;
    OtherImportRun run(*book_, *progress);
    if (!run.OpenReport(reportPath, L("○インポート対象Tormask データファイル\n") + source + "\n\n", reportIsOwn_))
        return Fail(10602, -61);
    auto abort = [&](const std::string& reason, int result, int code = 10602) {
        return EndRun(run, reason, result, code);
    };
    CsvRead csv;
    if (csv.OpenFile(source) != 1)
        return abort(L("Tormask のデータファイルの解析に失敗しました。") + L("CSVファイルが開けません。"), -61);

    ShowStart(*progress);
    // The titles and the question come before the book is locked: the user may take his
    // time, and the screens must be able to use the book meanwhile.
    if (csv.ReadLine() <= 0) return abort(L(kFailed) + L("タイトル行が見つかりません。"), -62);
    int at[kColumns];
    for (int c = 0; c < kColumns; ++c) {
        at[c] = -1;
        for (int i = 0; i < csv.GetElementsNumber() && i < kColumns && at[c] < 0; ++i)
            if (csv.GetDataView(i) == L(kTitles[c])) at[c] = i;
        if (at[c] < 0 && c != kUpdated) return abort(L(kFailed) + L(kTitles[c]) + L("が見つかりません。"), -62);
    }
    const bool dated = at[kUpdated] >= 0;
    if (!dated && duplicatePolicy == "0") {
        const bool yes = ask && ask(L("\r\n更新日時がデータに含まれていないため、全て上書きにてインポートを実行します。"
                                      "\r\nよろしいですか？"),
                                    L("インポートの確認"));
        if (!yes) return abort(L("更新日時がデータに含まれていないため処理を中断しました。"), -98, 0);
        duplicatePolicy = "1";
    }
    const int expected = dated ? 14 : 13;

    platform::NamedMutex mutex(CDatabaseEdit::kMutexName);
    std::lock_guard<platform::NamedMutex> lock(mutex);
    if (!run.Prepare(env_)) return abort(OtherImportRun::MessageOf(10009), -42, 10009);

    int record = 0;
    for (;;) {
        const int n = csv.ReadLine();
        if (n == -1) break;
        ++record;
        if (n == 0) {
            // A quote left open swallows the rest of the file: say so instead of dropping it.
            if (!csv.GetLine().empty())
                run.ErrorLine(std::to_string(record) + L("件目のデータは、書式が不正なため読み取れませんでした。\n"));
            continue;
        }
        auto field = [&](Column c) { return std::string(csv.GetDataView(at[c])); };
        const std::string who = std::to_string(record) + L("行目のお客様(") + L(kTitles[kCustomer]) + ":" +
                                field(kCustomer) + L(")は、");
        run.BeginRecord();
        run.LineText(csv.GetLine());
        std::string updated;
        if (n != expected) {
            run.RawPhrase(L("項目数が異なる"));
        } else {
            run.MailColumn(field(kMail), L(kTitles[kMail]), "N");
            run.FreeText(kElemKanjiSei, field(kSei), L(kTitles[kSei]));
            run.FreeText(kElemKanjiMei, field(kMei), L(kTitles[kMei]));
            run.FreeText(kElemKanaSei, field(kKanaSei), L(kTitles[kKanaSei]));
            run.FreeText(kElemKanaMei, field(kKanaMei), L(kTitles[kKanaMei]));
            run.ZipCode(kElemZipCode1, field(kZip), L(kTitles[kZip]));
            run.FreeText(kElemPrefecture, field(kPrefecture), L(kTitles[kPrefecture]));
            run.FreeText(kElemAddress1, field(kAddress), L(kTitles[kAddress]));
            run.Phone(kElemPhone1, field(kPhone), L(kTitles[kPhone]));
            const std::string wish = field(kWish);
            if (wish.empty() || wish == L("希望する")) run.Set(kElemDMOk, "Y");
            else if (wish == L("希望しない")) run.Set(kElemDMOk, "N");
            else run.Phrase(L(kTitles[kWish]), "に不正な文字が設定されている、");
            if (dated && !field(kUpdated).empty() && ReFormat_DateData(field(kUpdated), updated, 0) < 5)
                run.Phrase(L(kTitles[kUpdated]), "に不正な文字が設定されている、");
        }
        if (run.Rejected()) {
            run.ErrorLine(who + run.Reason() + L("ためインポート出来ませんでした。\n"));
            continue;
        }
        if (run.SkippedByPolicy(duplicatePolicy, updated, who)) continue;
        if (const int code = run.Commit(); code != 0) return abort(OtherImportRun::MessageOf(code), -42, code);
    }
    return run.End("", 0);
}
