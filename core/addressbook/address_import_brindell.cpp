// CAddressImport: the customer data of the online-shop program Brindell, which can also
// name (and, in a new environment, type) the extension items.
#include <cstdlib>
#include <mutex>

#include "core/addressbook/address_import.h"
#include "core/addressbook/database_edit.h"
#include "core/addressbook/import_date_text.h"
#include "core/addressbook/import_line_reader.h"
#include "core/addressbook/other_import_run.h"
#include "core/foundation/cp932.h"
#include "core/foundation/date_utils.h"
#include "core/foundation/string_utils.h"
#include "core/foundation/system_option.h"
#include "core/foundation/validation.h"
#include "platform/named_mutex.h"

namespace {

using import_text::L;

// The file's columns and phrases, named apart from the other readers' (the functions below
// bring them in).
namespace brindell_file {

constexpr int kFieldCount = 37;
constexpr int kFirstAttributeField = 16;  // the 17th to 35th fields are items A to S
constexpr int kAttributes = 19;
constexpr int kNameOption = 14;
constexpr int kTypeOption = 34;
// The kinds the shop's data has in items A to S.
constexpr int kShopTypes[kAttributes] = {0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2};
// Items whose kind the import relies on, and the reason when it differs.
struct Required {
    int item;
    const char* reason;
};
constexpr Required kRequired[] = {
    {0, "拡張属性の項目Aが文字列型ではありません。"},  {1, "拡張属性の項目Bが数値型ではありません。"},
    {2, "拡張属性の項目Cが数値型ではありません。"},    {3, "拡張属性の項目Dが文字列型ではありません。"},
    {4, "拡張属性の項目Eが文字列型ではありません。"},  {5, "拡張属性の項目Fが文字列型ではありません。"},
    {16, "拡張属性の項目Qが文字列型ではありません。"}, {17, "拡張属性の項目Rが数値型ではありません。"},
    {18, "拡張属性の項目Sが日付型ではありません。"},
};

enum Column { kMail, kSei, kMei, kKanaSei, kKanaMei, kCompany, kSection, kBirthday, kZip, kPrefecture, kCity,
              kStreet, kPhone, kFax, kMobile, kDm, kEntered, kUpdated, kColumns };
constexpr const char* kTitles[kColumns] = {"メールアドレス", "姓", "名", "姓（ふりがな）", "名（ふりがな）", "会社名",
                                           "部署名", "生年月日", "郵便番号", "都道府県", "市区町村", "番地以下",
                                           "電話番号", "FAX番号", "携帯番号", "DM配信", "登録日時", "最終更新日時"};

constexpr const char* kFailed = "Brindell データファイルの解析に失敗しました。";
constexpr const char* kInvalid = "に不正な文字が設定されている、";

}  // namespace brindell_file

}  // namespace

int CAddressImport::ImportDBfromBuppanFile_EXTRAITEM_CHECK(const std::string& value, int dataType, std::string* out) {
    if (out == nullptr) return 0;
    out->clear();
    if (dataType == kCustomerNumber) {
        if (!CheckNumberData(value)) return 0;
        *out = value;
        return 1;
    }
    if (dataType == kCustomerDate) return ImportDateText(value, *out) ? 1 : 0;
    *out = value;
    return 1;
}

int CAddressImport::ImportDBfromBuppanFile(const std::string& source, const std::string& reportPath,
                                           ImportProgress* progress, const std::string& duplicatePolicy,
                                           int defineAttributes) {
    using namespace brindell_file;
    if (const int r = StartRun(progress, L("Brindellのデータを") + "Varnis" + L("形式に変換中です"), source, reportPath, -65); r < 0)
        return r;
    OtherImportRun run(*book_, *progress);
    if (!run.OpenReport(reportPath, L("○インポート対象Brindell データファイル\n") + source + "\n\n", reportIsOwn_))
        return Fail(10602, -66);
    auto abort = [&](const std::string& reason, int result, int code = 10602) {
        return EndRun(run, reason, result, code);
    };
    ImportLineReader reader;
    if (!reader.Open(source))
        return abort(L("Brindellのデータファイルの解析に失敗しました。") + L("CSVファイルが開けません。"), -66);

    ShowStart(*progress);
    // Locked from here: whether the book holds live records decides what the definition of
    // the extension items may change.
    platform::NamedMutex mutex(CDatabaseEdit::kMutexName);
    std::lock_guard<platform::NamedMutex> lock(mutex);
    std::string line;
    std::vector<std::string> titles;
    if (!reader.ReadLine(line, true) || line.empty()) return abort(L(kFailed) + L("タイトル行が見つかりません。"), -67);
    SplitString(line, titles, ",", '"');
    if (titles.size() != static_cast<std::size_t>(kFieldCount)) return abort(L(kFailed) + L("項目数が異なっています。"), -67);
    int at[kColumns];
    for (int c = 0; c < kColumns; ++c) {
        at[c] = -1;
        for (int i = 0; i < kFieldCount && at[c] < 0; ++i)
            if (titles[static_cast<std::size_t>(i)] == L(kTitles[c])) at[c] = i;
        if (at[c] < 0) return abort(L(kFailed) + L(kTitles[c]) + L("が見つかりません。"), -67);
    }
    auto attributeTitle = [&](int k) { return titles[static_cast<std::size_t>(kFirstAttributeField + k)]; };

    // Changing an item's kind under stored values would make them unreadable as that kind,
    // so kinds are set only while the book holds no live record.
    std::string option111;
    options_->GetSODataFromMemoryPinPoint(111, option111);
    if (defineAttributes != 0) {
        const bool empty = book_->GetDBCountWithoutDelete() == 0;
        for (int k = 0; k < kAttributes; ++k) {
            options_->SetSODataToMemoryPinPoint(kNameOption + k, attributeTitle(k));
            if (empty) options_->SetSODataToMemoryPinPoint(kTypeOption + k, std::to_string(kShopTypes[k]));
        }
        if (!empty)
            run.Note(L("○拡張属性\n項目名のみ設定しました。アドレス帳にデータがあるため、データ型は変更していません。\n\n"));
    } else if (option111 == "Y") {
        for (int k = 6; k <= 15; ++k) options_->SetSODataToMemoryPinPoint(kNameOption + k, attributeTitle(k));
    }
    if (options_->IsModified()) options_->WriteSODataFromMemoryToFile();
    std::vector<int> types;
    options_->GetSOExtractTypeFromMemory(types);
    types.resize(kCustomerExtraCount, 0);
    for (const Required& r : kRequired)
        if (types[static_cast<std::size_t>(r.item)] != kShopTypes[r.item]) return abort(L(r.reason), -42);

    if (!run.Prepare(env_)) return abort(OtherImportRun::MessageOf(10009), -42, 10009);
    std::vector<std::string> fields;
    int record = 0;
    while (reader.ReadLine(line, true)) {
        ++record;
        if (line.empty()) continue;
        SplitString(line, fields, ",", '"');
        auto field = [&](Column c) -> const std::string& { return fields[static_cast<std::size_t>(at[c])]; };
        auto title = [&](Column c) { return L(kTitles[c]); };
        const std::string address = fields.size() == kFieldCount ? field(kMail) : fields[0];
        const std::string who = std::to_string(record) + L("行目のお客様(") + title(kMail) + ":" + address + L(")は、");
        run.BeginRecord();
        run.LineText(line);
        std::string updated;
        if (fields.size() != static_cast<std::size_t>(kFieldCount)) {
            run.RawPhrase(L("項目数が異なる"));
        } else {
            run.MailColumn(field(kMail), title(kMail), "N");
            const std::pair<Column, int> texts[] = {{kSei, kElemKanjiSei},       {kMei, kElemKanjiMei},
                                                    {kKanaSei, kElemKanaSei},    {kKanaMei, kElemKanaMei},
                                                    {kCompany, kElemCompany},    {kSection, kElemCompanyPost}};
            for (const auto& [c, e] : texts) run.FreeText(e, field(c), title(c));
            if (!field(kBirthday).empty()) {
                std::string date;
                if (ReFormat_DateData(field(kBirthday), date, 0) >= 3) run.Set(kElemBirthday, date);
                else run.Phrase(title(kBirthday), kInvalid);
            }
            run.ZipCode(kElemZipCode1, field(kZip), title(kZip));
            run.FreeText(kElemPrefecture, field(kPrefecture), title(kPrefecture));
            run.FreeText(kElemAddress1, field(kCity), title(kCity));
            run.FreeText(kElemAddress2, field(kStreet), title(kStreet));
            run.Phone(kElemPhone1, field(kPhone), title(kPhone));
            run.Phone(kElemFax1, field(kFax), title(kFax));
            run.Phone(kElemPortable1, field(kMobile), title(kMobile));
            const std::string& dm = field(kDm);
            if (dm.empty()) run.Set(kElemDMOk, "Y");
            else if (dm == "Y" || dm == "N") run.Set(kElemDMOk, dm);
            else run.Phrase(title(kDm), kInvalid);
            for (int k = 0; k < kAttributes; ++k) {
                const std::string& v = fields[static_cast<std::size_t>(kFirstAttributeField + k)];
                const int element = kElemExtraFirst + k;
                std::string out;
                bool ok = true;
                if (k == 1 || k == 2 || k == 17) {  // B, C, R: digits
                    ok = CheckSpecialStringData(v, "1234567890") != 0;
                    out = v;
                } else if (k >= 6 && k <= 15) {  // G to P: by their kind; empty stays empty
                    ok = v.empty() || ImportDBfromBuppanFile_EXTRAITEM_CHECK(v, types[static_cast<std::size_t>(k)], &out) == 1;
                } else if (k == 18) {  // S: a date
                    if (!v.empty()) {
                        std::string date;
                        ok = ReFormat_DateData(v, date, 0) >= 3;
                        out = date.substr(0, 10);
                    }
                } else {
                    out = v;
                }
                if (ok) run.Set(element, out);
                else run.Phrase(attributeTitle(k), kInvalid);
            }
            if (field(kEntered).empty()) {
                run.Set(kElemEntryDate, run.Cell(kElemRenewalDate));
            } else {
                std::string date;
                if (ReFormat_DateData(field(kEntered), date, 0) >= 5) run.Set(kElemEntryDate, date);
                else run.Phrase(title(kEntered), kInvalid);
            }
            if (field(kUpdated).empty()) run.Phrase(title(kUpdated), "が設定されていない、");
            else if (ReFormat_DateData(field(kUpdated), updated, 0) < 5) run.Phrase(title(kUpdated), kInvalid);
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
