// CAddressImport: an Outlook Express address book exported as CSV.
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

// The file's columns and phrases, named apart from the other readers' (the functions below
// bring them in).
namespace outlook_file {

constexpr const char* kTitles[] = {
    "電子メール アドレス", "姓", "名", "ミドル ネーム", "表示名", "ニックネーム", "国または地域", "自宅の郵便番号",
    "自宅の都道府県", "自宅の市区町村", "自宅の番地", "自宅電話番号 :", "自宅ファックス", "携帯電話 ",
    "個人 Web ページ", "会社名", "役職", "部署名", "勤務先の国または地域", "勤務先の都道府県", "勤務先の郵便番号",
    "勤務先の市区町村", "勤務先の番地", "勤務先電話番号", "勤務先ファックス", "ポケットベル", "ビジネス Web ページ",
    "オフィスの場所", "メモ"};
constexpr int kTitleCount = static_cast<int>(sizeof kTitles / sizeof kTitles[0]);

constexpr const char* kFailed = "OutLook データファイルの解析に失敗しました。";

}  // namespace outlook_file

}  // namespace

int CAddressImport::ImportDBfromOutLookFileOneLineGet(ImportLineReader& file, std::vector<std::string>& fields,
                                                      int* eof) {
    fields.clear();
    if (eof != nullptr && *eof != 0) return 0;
    std::string text;
    if (!file.ReadLine(text)) {
        if (eof != nullptr) *eof = 1;
        return 0;
    }
    if (text.empty()) return 0;
    int lines = 1;
    std::size_t pos = 0;   // start of the field being read
    std::size_t scan = 0;  // where the search for its closing quote goes on
    for (;;) {
        if (text[pos] != '"') {
            const std::size_t comma = text.find(',', pos);
            if (comma == std::string::npos) {
                fields.push_back(text.substr(pos));
                break;
            }
            fields.push_back(text.substr(pos, comma - pos));
            pos = comma + 1;
            if (pos == text.size()) {
                fields.emplace_back();
                break;
            }
            continue;
        }
        // A quoted field ends at a quote before a comma or at the end of the text.
        std::size_t q = text.find('"', scan > pos + 1 ? scan : pos + 1);
        while (q != std::string::npos && q + 1 < text.size() && text[q + 1] != ',') q = text.find('"', q + 1);
        if (q != std::string::npos) {
            fields.push_back(text.substr(pos + 1, q - pos - 1));
            if (q + 1 == text.size()) break;
            pos = q + 2;
            scan = 0;
            if (pos == text.size()) {
                fields.emplace_back();
                break;
            }
            continue;
        }
        // The field runs on: the next line is joined without its line break. A quote left
        // open would otherwise swallow the rest of the file.
        text.erase(0, pos);
        scan = text.size();
        pos = 0;
        std::string next;
        if (!file.ReadLine(next)) {
            if (eof != nullptr) *eof = 1;
            fields.clear();
            return -1;
        }
        if (++lines > kMaxRecordLines || text.size() + next.size() > kMaxRecordBytes) {
            fields.clear();
            return -1;
        }
        text += next;
    }
    return static_cast<int>(fields.size());
}

int CAddressImport::ImportDBfromOutLookFile(const std::string& source, const std::string& reportPath,
                                            ImportProgress* progress, int mailMode) {
    using namespace outlook_file;
    if (const int r = StartRun(progress, L("OutLookのデータを") + "Varnis" + L("形式に変換中です"), source, reportPath, -70); r < 0)
        return r;
    OtherImportRun run(*book_, *progress);
    if (!run.OpenReport(reportPath, L("○インポート対象OutLook Express データファイル\n") + source + "\n\n", reportIsOwn_))
        return Fail(10602, -71);
    auto abort = [&](const std::string& reason, int result, int code = 10602) {
        return EndRun(run, reason, result, code);
    };
    ImportLineReader reader;
    if (!reader.Open(source))
        return abort(L("OutLook のデータファイルの解析に失敗しました。") + L("CSVファイルが開けません。"), -71);

    ShowStart(*progress);
    std::string line;
    std::vector<std::string> titles;
    if (!reader.ReadLine(line) || line.empty()) return abort(L(kFailed) + L("タイトル行が見つかりません。"), -72);
    SplitString(line, titles, ",", '"');
    if (titles.size() > static_cast<std::size_t>(kTitleCount))
        return abort(L(kFailed) + L("項目数が異なっています。"), -72);
    int at[kTitleCount];
    for (int t = 0; t < kTitleCount; ++t) {
        at[t] = -1;
        for (std::size_t i = 0; i < titles.size(); ++i)
            if (titles[i] == L(kTitles[t])) at[t] = static_cast<int>(i);
    }
    if (at[0] < 0) return abort(L(kFailed) + L("メールアドレスが見つかりません。"), -72);

    platform::NamedMutex mutex(CDatabaseEdit::kMutexName);
    std::lock_guard<platform::NamedMutex> lock(mutex);
    if (!run.Prepare(env_)) return abort(OtherImportRun::MessageOf(10009), -42, 10009);

    enum Kind { kText, kPhone, kZip };
    struct Column {
        int title;  // index in kTitles
        int element;
        Kind kind;
    };
    static const Column kColumns[] = {
        {1, kElemKanjiSei, kText},   {2, kElemKanjiMei, kText},     {15, kElemCompany, kText},
        {17, kElemCompanyPost, kText}, {8, kElemPrefecture, kText}, {9, kElemAddress1, kText},
        {10, kElemAddress2, kText},  {7, kElemZipCode1, kZip},      {11, kElemPhone1, kPhone},
        {12, kElemFax1, kPhone},     {13, kElemPortable1, kPhone},
    };
    std::vector<std::string> fields;
    int eof = 0;
    int record = 0;
    while (eof == 0) {
        const int n = ImportDBfromOutLookFileOneLineGet(reader, fields, &eof);
        if (n == 0 && eof != 0) break;
        ++record;
        if (n < 0) {
            run.ErrorLine(std::to_string(record) + L("件目のデータは、書式が不正なため読み取れませんでした。\n"));
            continue;
        }
        if (n == 0) continue;
        const std::string address =
            static_cast<std::size_t>(at[0]) < fields.size() ? fields[static_cast<std::size_t>(at[0])] : "";
        run.BeginRecord();
        for (const std::string& f : fields) run.LineText(f);
        if (fields.size() != titles.size()) {
            run.RawPhrase(L("項目数が異なる"));
        } else {
            run.MailColumn(address, L(kTitles[0]), nullptr);
            for (const Column& c : kColumns) {
                if (at[c.title] < 0) continue;
                const std::string& v = fields[static_cast<std::size_t>(at[c.title])];
                if (c.kind == kText) run.FreeText(c.element, v, L(kTitles[c.title]));
                else if (c.kind == kPhone) run.Phone(c.element, v, L(kTitles[c.title]));
                else run.ZipCode(c.element, v, L(kTitles[c.title]));
            }
        }
        if (run.Rejected()) {
            run.ErrorLine(std::to_string(record) + L("行目のお客様(") + L(kTitles[0]) + ":" + address + L(")は、") +
                          run.Reason() + L("ためインポート出来ませんでした。\n"));
            continue;
        }
        run.ApplyMailMode(mailMode);
        if (const int code = run.Commit(); code != 0) return abort(OtherImportRun::MessageOf(code), -42, code);
    }
    if (reader.Failed()) return abort(OtherImportRun::MessageOf(10602), -42);
    return run.End("", 0);
}
