// CAddressImport: the address book of the mail program Becky!.
#include <mutex>

#include "core/addressbook/address_import.h"
#include "core/addressbook/database_edit.h"
#include "core/addressbook/import_line_reader.h"
#include "core/addressbook/other_import_run.h"
#include "core/foundation/cp932.h"
#include "core/foundation/string_utils.h"
#include "platform/named_mutex.h"

namespace {

using import_text::L;

}  // namespace

int CAddressImport::ImportDBfromBeckyFile(const std::string& source, const std::string& reportPath,
                                          ImportProgress* progress, int mailMode) {
    if (const int r = StartRun(progress, L("Becky!のデータファイルを") + "Varnis" + L("形式に変換中です"), source, reportPath, -55); r < 0)
        return r;
    OtherImportRun run(*book_, *progress);
    if (!run.OpenReport(reportPath, L("○インポート対象Becky! データファイル\n") + source + "\n\n", reportIsOwn_))
        return Fail(10602, -56);
    auto abort = [&](const std::string& reason, int result, int code = 10602) {
        return EndRun(run, reason, result, code);
    };
    ImportLineReader reader;
    if (!reader.Open(source))
        return abort(L("Becky! のデータファイルの解析に失敗しました。") + L("CSVファイルが開けません。"), -66);

    ShowStart(*progress);
    platform::NamedMutex mutex(CDatabaseEdit::kMutexName);
    std::lock_guard<platform::NamedMutex> lock(mutex);
    if (!run.Prepare(env_)) return abort(OtherImportRun::MessageOf(10009), -42, 10009);

    struct Column {
        int element;
        const char* title;
        enum { kText, kPhone, kZip } kind;
    };
    static const Column kColumns[] = {
        {kElemCompany, "会社名/団体名", Column::kText}, {kElemCompanyPost, "部署名", Column::kText},
        {kElemKanjiSei, "姓", Column::kText},           {kElemKanjiMei, "名", Column::kText},
        {kElemPhone1, "自宅電話番号", Column::kPhone},  {kElemFax1, "FAX番号", Column::kPhone},
        {kElemAddress2, "番地", Column::kText},         {kElemAddress1, "市区町村", Column::kText},
        {kElemPrefecture, "都道府県・州", Column::kText}, {kElemZipCode1, "郵便番号", Column::kZip},
    };
    std::string line;
    std::vector<std::string> fields;
    int lineNumber = 0;
    while (reader.ReadLine(line, true)) {
        ++lineNumber;
        if (line.empty()) continue;
        SplitString(line, fields, ",", '"');
        run.BeginRecord();
        run.LineText(line);
        if (fields.size() != 11) {
            run.RawPhrase(L("項目数が異なる"));
        } else {
            run.MailColumn(fields[0], L("メール アドレス"), nullptr);
            for (std::size_t i = 0; i < 10; ++i) {
                const Column& c = kColumns[i];
                const std::string& v = fields[i + 1];
                if (c.kind == Column::kText) run.FreeText(c.element, v, L(c.title));
                else if (c.kind == Column::kPhone) run.Phone(c.element, v, L(c.title));
                else run.ZipCode(c.element, v, L(c.title));
            }
        }
        if (run.Rejected()) {
            run.ErrorLine(std::to_string(lineNumber) + L("行目のお客様(メールアドレス:") + fields[0] + L(")は、") +
                          run.Reason() + L("ためインポート出来ませんでした。\n"));
            continue;
        }
        run.ApplyMailMode(mailMode);
        if (const int code = run.Commit(); code != 0) return abort(OtherImportRun::MessageOf(code), -42, code);
    }
    return run.End("", 0);
}
