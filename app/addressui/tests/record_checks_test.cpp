// The checks of typed record values and the display rules of the record editor, without
// any widget: tables of inputs against the verdicts and messages of the screens.
#include <gtest/gtest.h>

#include <string>

#include "app/addressui/record_checks.h"
#include "app/addressui/record_control_ids.h"
#include "app/addressui/record_fields.h"
#include "app/addressui/tests/record_test_env.h"
#include "core/addressbook/one_customer_data.h"

namespace {
namespace record_checks_test {

using namespace addressui;
using rectest::S;

constexpr const char* kNames = "基本属性(名前等)入力エラー";
constexpr const char* kAddress = "基本属性(住所等)入力エラー";
constexpr const char* kZipChars = "郵便番号は半角数字[0～9]と[-]で入力してください";
constexpr const char* kZipDigits = "郵便番号の桁数が正しくありません\n確認してください";

struct BasicCase {
    const char* mail;
    const char* zip;
    const char* phone;
    const char* fax;
    const char* mobile;
    int control;  // 0: passes
    const char* text;
    const char* caption;
};

TEST(RecordChecks, BasicFieldsTakeTheFirstFailureInTheScreensOrder) {
    const BasicCase cases[] = {
        {"", "", "", "", "", 0, nullptr, nullptr},  // every field may be empty
        {"taro@example.co.jp", "1000001", "03-1234-5678", "+81-3-1234-5679", "090-1234-5678", 0, nullptr, nullptr},
        {"", "100-0001", "", "", "", 0, nullptr, nullptr},     // seven digits with one hyphen
        {"", "100-00-01", "", "", "", 0, nullptr, nullptr},    // hyphens do not count
        {"", "10000011", "", "", "", ids::kPostalCode, kZipDigits, kAddress},
        {"", "1000-0001", "", "", "", ids::kPostalCode, kZipDigits, kAddress},
        {"", "100-OOO1", "", "", "", ids::kPostalCode, kZipChars, kAddress},
        {"", "１００－０００１", "", "", "", ids::kPostalCode, kZipChars, kAddress},  // full width
        {"", "100 0001", "", "", "", ids::kPostalCode, kZipChars, kAddress},
        {"", "", "+81-3-1234", "", "", 0, nullptr, nullptr},
        {"", "", "０３-1234", "", "", ids::kPhone, "電話番号は半角数字[0～9]と[-+]で入力してください。", kAddress},
        {"", "", "03(1234)5678", "", "", ids::kPhone, "電話番号は半角数字[0～9]と[-+]で入力してください。", kAddress},
        {"", "", "", "03-1234-567x", "", ids::kFax, "FAX番号は半角数字[0～9]と[-+]で入力してください。", kAddress},
        {"", "", "", "", "090 1234", ids::kMobile, "携帯番号は半角数字[0～9]と[-+]で入力してください。", kAddress},
        {"taro@", "", "", "", "", ids::kMailAddress, "メールアドレスの形式が正しくありません", kNames},
        {"山田@example.jp", "", "", "", "", ids::kMailAddress, "メールアドレスの形式が正しくありません", kNames},
        // Order: the mail address before the postal code before the phones.
        {"bad", "x", "x", "x", "x", ids::kMailAddress, "メールアドレスの形式が正しくありません", kNames},
        {"a@b.jp", "x", "x", "x", "x", ids::kPostalCode, kZipChars, kAddress},
        {"a@b.jp", "1", "x", "x", "x", ids::kPhone, "電話番号は半角数字[0～9]と[-+]で入力してください。", kAddress},
        {"a@b.jp", "1", "1", "x", "x", ids::kFax, "FAX番号は半角数字[0～9]と[-+]で入力してください。", kAddress},
    };
    for (const BasicCase& c : cases) {
        const InputProblem p = CheckBasicFields({S(c.mail), S(c.zip), S(c.phone), S(c.fax), S(c.mobile)});
        SCOPED_TRACE(std::string(c.mail) + " | " + c.zip + " | " + c.phone + " | " + c.fax + " | " + c.mobile);
        EXPECT_EQ(p.control, c.control);
        if (c.control == 0) continue;
        EXPECT_STREQ(p.text, c.text);
        EXPECT_STREQ(p.caption, c.caption);
    }
}

struct AttributeCase {
    int type;
    const char* typed;
    AttributeVerdict verdict;
    const char* accepted;
};

TEST(RecordChecks, AttributeValuesByKindWithDatesKeepingThePartsGiven) {
    const AttributeCase cases[] = {
        {0, "なんでも, \"可\"", AttributeVerdict::kAccepted, "なんでも, \"可\""},
        {1, "123456789", AttributeVerdict::kAccepted, "123456789"},
        {1, "-42", AttributeVerdict::kAccepted, "-42"},
        {1, "1234567890", AttributeVerdict::kNotNumber, nullptr},  // ten digits
        {1, "12a", AttributeVerdict::kNotNumber, nullptr},
        {1, "１２", AttributeVerdict::kNotNumber, nullptr},
        {2, "2005/4/1", AttributeVerdict::kAccepted, "2005/04/01"},
        {2, "2005/4/1 9", AttributeVerdict::kAccepted, "2005/04/01 09"},
        {2, "2005/4/1 9:5", AttributeVerdict::kAccepted, "2005/04/01 09:05"},
        {2, "2005/04/01 09:05:07", AttributeVerdict::kAccepted, "2005/04/01 09:05:07"},
        {2, "2004/2/29", AttributeVerdict::kAccepted, "2004/02/29"},
        {2, "2005/2/29", AttributeVerdict::kNotDate, nullptr},  // no leap year
        {2, "2005/4", AttributeVerdict::kNotDate, nullptr},     // year and month only
        {2, "1899/12/31", AttributeVerdict::kNotDate, nullptr},
        {2, "平成17年4月1日", AttributeVerdict::kNotDate, nullptr},
        {7, "kind unknown: text", AttributeVerdict::kAccepted, "kind unknown: text"},
    };
    for (const AttributeCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.type) + " " + c.typed);
        std::string accepted = "untouched";
        EXPECT_EQ(CheckAttributeValue(c.type, S(c.typed), accepted), c.verdict);
        EXPECT_EQ(accepted, c.accepted ? S(c.accepted) : "untouched");
    }
    EXPECT_STREQ(AttributeProblemText(AttributeVerdict::kNotNumber),
                 "は数値型として正しくありません\n\n数値型の条件\n・最大9桁\n・0から9と+-のみ");
    EXPECT_STREQ(AttributeProblemText(AttributeVerdict::kNotDate),
                 "は日付型として正しくありません\n\n日付型の条件\n・年/月/日が設定されている\n(ただし、時:分:秒は任意入力です)");
}

TEST(RecordFields, PrefectureListIsTheCoresNamesInTheEditorsOrderAndMatchesExactly) {
    const auto& entries = PrefectureEntries();
    ASSERT_EQ(entries.size(), 48u);
    EXPECT_EQ(entries.front(), S("<未選択>"));
    EXPECT_EQ(entries[1], S("北海道"));
    EXPECT_EQ(entries[26], S("京都府"));
    EXPECT_EQ(entries[27], S("大阪府"));
    EXPECT_EQ(entries.back(), S("沖縄県"));
    // Every entry is a name the record store accepts, and none is missing.
    std::vector<std::string> core = COneCustomerData::PrefectureNames();
    std::vector<std::string> mine = entries;
    std::sort(core.begin(), core.end());
    std::sort(mine.begin(), mine.end());
    EXPECT_EQ(mine, core);

    EXPECT_EQ(PrefectureEntryOf(S("東京都")), 13);
    EXPECT_EQ(PrefectureEntryOf(S("<未選択>")), 0);
    EXPECT_EQ(PrefectureEntryOf(""), 0);
    EXPECT_EQ(PrefectureEntryOf(S("東")), -1);  // a prefix is not that prefecture
    EXPECT_EQ(PrefectureEntryOf("Tokyo"), -1);
}

TEST(RecordFields, BirthDateIsCheckedOnlyForAFullDateAndOtherTextIsShownAsItStands) {
    struct Case {
        const char* stored;
        bool checked;
        bool unreadable;
        const char* date;  // as stored back when checked
    };
    const Case cases[] = {
        {"", false, false, nullptr},
        {"1970/05/01 00:00:00", true, false, "1970/05/01 00:00:00"},
        {"1970/5/1", true, false, "1970/05/01 00:00:00"},
        {"1970/05/01 12:34:56", true, false, "1970/05/01 12:34:56"},
        {"1970/05", false, true, nullptr},
        {"昭和45年", false, true, nullptr},
        {"1970/02/30", false, true, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        const BirthDateShown shown = ReadBirthDate(S(c.stored));
        EXPECT_EQ(shown.checked, c.checked);
        EXPECT_EQ(shown.unreadable, c.unreadable);
        if (c.date) {
            EXPECT_EQ(BirthDateText(shown.date), c.date);
        }
    }
}

TEST(RecordFields, FlagsHeaderAndReadOnlyTexts) {
    EXPECT_EQ(DmFlagEntryOf("Y"), 0);
    EXPECT_EQ(DmFlagEntryOf("N"), 1);
    EXPECT_EQ(DmFlagEntryOf(""), -1);
    EXPECT_EQ(DmFlagToStore(1, "Y"), "N");
    EXPECT_EQ(DmFlagToStore(-1, "x"), "x");  // nothing selected: as it was

    OneCustomer r;
    r.CustomerID = -1;
    r.Company = S("株式会社ソ連");
    EXPECT_EQ(HeaderIdText(r), S("新規作成"));
    EXPECT_EQ(HeaderNameText(r), S("株式会社ソ連"));
    r.CustomerID = 1234;
    r.KanjiMei = S("太郎");
    EXPECT_EQ(HeaderIdText(r), "1234");
    EXPECT_EQ(HeaderNameText(r), S(" 太郎"));

    EXPECT_EQ(ReadOnlyMailText(r), S("（削除済み）"));
    r.Email = "a@b.jp";
    EXPECT_EQ(ReadOnlyMailText(r), "a@b.jp");
    r.Birthday = S("１９７０年５月１日生まれ");  // 19 bytes end inside a character
    EXPECT_EQ(ReadOnlyBirthDateText(r), S("１９７０年５月１日"));
    r.DMOk = "N";
    EXPECT_EQ(ReadOnlyDmFlagText(r), S("送ることができない"));
    r.DMOk = "";
    EXPECT_EQ(ReadOnlyDmFlagText(r), "");
}

}  // namespace record_checks_test
}  // namespace
