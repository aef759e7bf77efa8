// The personal-record editor over a real environment: a record opened and saved unchanged
// keeps every byte, the user's changes and only those are stored (onto the record as it is
// at the save, which someone else may have changed meanwhile), the save's refusals, a
// record that cannot be read, the read-only sheet, the question before changes are
// discarded, and pasted text that Shift_JIS cannot hold all of.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTest>

#include "app/addressui/db_edit_sheet.h"
#include "app/addressui/record_control_ids.h"
#include "app/addressui/tests/record_test_env.h"
#include "app/widgets/varnis_property_sheet.h"
#include "core/foundation/sequencer.h"
#include "platform/notifier.h"

namespace {
namespace record_editor_test {

using addressui::CDBEditSheet;
using addressui::CDBEditSheet2;
using shell::CVarnisPropertySheet;
using namespace rectest;
namespace ids = addressui::ids;

// A record full of what a careless boundary loses: both CP932 codes of 髙 and 﨑, NEC
// row 13 and its duplicate, half-width kana, the user-defined area and a pictogram, a
// trail byte 0x5C, quotes and commas, CR LF inside a field, bytes that are no Shift_JIS,
// a birth text that is no date, a prefecture that is no entry, and hidden second parts.
std::vector<std::pair<int, std::string>> AwkwardRecord() {
    return {
        {kElemEmail, "taro.yamada+news@example.co.jp"},
        {kElemKanjiSei, "\xFB\xFC\xEE\xE0"},                       // 髙 (IBM) 髙 (NEC-selected IBM)
        {kElemKanjiMei, "\xFA\xB1\xED\x95" + S("太郎")},            // 﨑 (IBM) 﨑 (NEC-selected IBM)
        {kElemKanaSei, S("ﾀｶｻｷ")},
        {kElemKanaMei, S("ﾀﾛｳ")},
        {kElemCompany, S("株式会社\"ソ\",表示") + "\x87\x40"},      // ① (NEC row 13)
        {kElemCompanyPost, "\xF0\x40\xF8\x9F" + S("営業部")},       // user-defined, pictogram
        {kElemBirthday, S("昭和45年")},
        {kElemZipCode1, "1000001"},
        {kElemZipCode2, "x-2"},
        {kElemPrefecture, S("東")},
        {kElemAddress1, S("千代田区") + "\x87\x9A\x81\xE6\xFA\x5B"},  // ∵ in its three codes
        {kElemAddress2, S("丸の内1-1") + "\r\n" + S("２階")},
        {kElemBuilding, S("ビル") + "\x80\xFD"},                     // no Shift_JIS at all
        {kElemPhone1, "03-1234-5678"},
        {kElemPhone2, S("内線12")},
        {kElemFax1, "+81-3-1234-5679"},
        {kElemPortable1, "090-1234-5678"},
        {kElemPortable2, "\t"},
        {kElemDMOk, "N"},
        {kElemOtherMailOk, "N"},
        {kElemExtraFirst + 0, S("釣り, \"海\"")},
        {kElemExtraFirst + 1, "12345"},
        {kElemExtraFirst + 2, "2005/04/01"},
        {kElemExtraFirst + 9, S("一行目") + "\r\n" + S("二行目")},
        {kElemExtraFirst + 11, "100"},
        {kElemExtraFirst + 12, "2005/04/01 09:05"},
        {kElemExtraFirst + 19, "\xFB\xFC" + S("ﾒﾓ")},
    };
}

class RecordEditorTest : public RecordEnvTest {
protected:
    // Presses 保存; the sheet's result: 0 while it stays open, else IDOK or IDCANCEL.
    static int Save(CDBEditSheet& sheet) {
        Control<QPushButton>(&sheet, CVarnisPropertySheet::kIdcOk)->click();
        return sheet.result();
    }
    static QWidget* Page(CVarnisPropertySheet& sheet, int index) { return sheet.GetPage(index); }

    // Opens the attribute window of `page` (index 1 or 2) with button 1440 and runs
    // `inside` on it once it shows.
    static void ChangeAttributes(CDBEditSheet& sheet, int page, const QString& window,
                                 std::function<void(QDialog*)> inside) {
        sheet.SetActivePage(page);
        ui::test::WhenDialogShows(window, std::move(inside));
        Control<QPushButton>(Page(sheet, page), ids::kChangeButton)->click();
    }
};

// Every element of the rows equal but the renewal date (55), which the store renews.
void ExpectSameButRenewal(const std::vector<std::string>& before, const std::vector<std::string>& after) {
    ASSERT_EQ(before.size(), 56u);
    ASSERT_EQ(after.size(), 56u);
    for (int e = 0; e < 55; ++e) EXPECT_EQ(after[static_cast<std::size_t>(e)], before[static_cast<std::size_t>(e)]) << "element " << e;
    EXPECT_NE(after[55], before[55]);
}

TEST_F(RecordEditorTest, RecordOpenedAndSavedUnchangedKeepsEveryByteButItsRenewalDate) {
    AddRow(7, AwkwardRecord());
    const std::vector<std::string> before = Row(7);

    CDBEditSheet sheet(7, ui::U8("個人情報の編集"));
    sheet.show();
    // The user looks at every page and opens both attribute windows, changing nothing.
    ChangeAttributes(sheet, 1, "dlg121", [](QDialog* d) { ui::test::ClickControl(d, 1); });
    ChangeAttributes(sheet, 2, "dlg172", [](QDialog* d) { ui::test::ClickControl(d, 1); });
    sheet.SetActivePage(0);
    EXPECT_EQ(Control<QLineEdit>(&sheet, ids::kSurname)->text(), ui::FromSjis("\xFB\xFC\xEE\xE0"));
    EXPECT_EQ(Control<QComboBox>(&sheet, ids::kPrefecture)->currentText(), ui::U8("東"));
    EXPECT_FALSE(Control<QCheckBox>(&sheet, ids::kBirthDateSet)->isChecked());

    EXPECT_EQ(Save(sheet), platform::kIdOk);
    EXPECT_TRUE(prompts_.prompts().empty()) << prompts_.texts().join("|").toStdString();
    ExpectSameButRenewal(before, Row(7));
}

TEST_F(RecordEditorTest, OnlyWhatTheUserChangedIsStored) {
    AddRow(7, AwkwardRecord());
    AddRow(8, {{kElemEmail, "hanako@example.jp"}, {kElemBirthday, "1970/05/01 12:34:56"}, {kElemPrefecture, S("東京都")},
               {kElemDMOk, "Y"}});
    std::vector<std::string> expected7 = Row(7);
    std::vector<std::string> expected8 = Row(8);
    {
        CDBEditSheet sheet(7, ui::U8("個人情報の編集"));
        sheet.show();
        Retype(&sheet, ids::kSurname, "高崎");
        Retype(&sheet, ids::kCity, "港区");
        // Text typed beside characters of two codes keeps the codes they had.
        auto* given = Control<QLineEdit>(&sheet, ids::kGivenName);
        given->end(false);
        ui::test::TypeText(given, "様");
        // A birth text that is no date gets a date only when the user sets one.
        Control<QCheckBox>(&sheet, ids::kBirthDateSet)->setChecked(true);
        Control<QDateEdit>(&sheet, ids::kBirthDatePicker)->setDate(QDate(1970, 5, 1));
        Control<QComboBox>(&sheet, ids::kDmFlag)->setCurrentIndex(0);
        EXPECT_EQ(Save(sheet), platform::kIdOk);
        expected7[kElemKanjiSei] = S("高崎");
        expected7[kElemAddress1] = S("港区");
        expected7[kElemKanjiMei] = "\xFA\xB1\xED\x95" + S("太郎様");
        expected7[kElemBirthday] = "1970/05/01 00:00:00";
        expected7[kElemDMOk] = "Y";
        std::vector<std::string> after = Row(7);
        after[55] = expected7[55];
        EXPECT_EQ(after, expected7);
    }
    {
        CDBEditSheet sheet(8, ui::U8("個人情報の編集"));
        sheet.show();
        EXPECT_TRUE(Control<QCheckBox>(&sheet, ids::kBirthDateSet)->isChecked());
        EXPECT_EQ(Control<QDateEdit>(&sheet, ids::kBirthDatePicker)->date(), QDate(1970, 5, 1));
        Control<QCheckBox>(&sheet, ids::kBirthDateSet)->setChecked(false);  // stores an empty birth date
        Control<QComboBox>(&sheet, ids::kPrefecture)->setCurrentIndex(0);   // "<未選択>" is stored as such
        Control<QComboBox>(&sheet, ids::kDmFlag)->setCurrentIndex(1);
        EXPECT_EQ(Save(sheet), platform::kIdOk);
        expected8[kElemBirthday] = "";
        expected8[kElemPrefecture] = S("<未選択>");
        expected8[kElemDMOk] = "N";
        std::vector<std::string> after = Row(8);
        after[55] = expected8[55];
        EXPECT_EQ(after, expected8);
    }
    {
        // A date the user moves keeps the time of day the record held.
        AddRow(9, {{kElemEmail, "jiro@example.jp"}, {kElemBirthday, "1970/05/01 12:34:56"}});
        CDBEditSheet sheet(9, ui::U8("個人情報の編集"));
        sheet.show();
        Control<QDateEdit>(&sheet, ids::kBirthDatePicker)->setDate(QDate(1971, 6, 2));
        EXPECT_EQ(Save(sheet), platform::kIdOk);
        EXPECT_EQ(Row(9)[kElemBirthday], "1971/06/02 12:34:56");
    }
}

// While the editor is open the receive run may change the record (a refusal turns
// advertising mail off). OK stores the user's changes onto the record as it is then, so the
// refusal stays; a field both changed is asked about, and the answer decides.
TEST_F(RecordEditorTest, AChangeMadeUnderTheEditorIsNotUndoneByOk) {
    const struct {
        const char* name;
        std::vector<std::pair<int, std::string>> under;  // changed in the book meanwhile
        std::vector<int> answers;                         // to the question, in order
        int result;
        std::string company, dm;                          // stored afterwards
    } cases[] = {
        {"a refusal meanwhile stays", {{kElemDMOk, "N"}}, {}, platform::kIdOk, "B", "N"},
        {"both changed, No keeps the stored value", {{kElemCompany, "C"}, {kElemDMOk, "N"}}, {platform::kIdNo},
         platform::kIdOk, "C", "N"},
        {"both changed, Yes stores the user's", {{kElemCompany, "C"}}, {platform::kIdYes}, platform::kIdOk, "B", "Y"},
        {"Cancel goes back to the record", {{kElemCompany, "C"}}, {platform::kIdCancel}, 0, "C", "Y"},
    };
    int id = 70;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ++id;
        AddRow(id, {{kElemEmail, "taro" + std::to_string(id) + "@example.jp"}, {kElemCompany, "A"}, {kElemDMOk, "Y"}});
        prompts_.clear();
        CDBEditSheet sheet(id, ui::U8("個人情報の編集"));
        sheet.show();
        Retype(&sheet, ids::kCompany, "B");
        OneCustomer meanwhile;
        ASSERT_EQ(Book().GetOneCustomerForEdit(meanwhile, id), 0);
        for (const auto& [element, value] : c.under) *meanwhile.Field(element) = value;
        ASSERT_EQ(Book().SetOneCustomerInfo(meanwhile, 0), 0);
        for (int a : c.answers) prompts_.Answer(a);

        EXPECT_EQ(Save(sheet), c.result);
        EXPECT_EQ(prompts_.prompts().size(), c.answers.size());
        if (!c.answers.empty()) {
            EXPECT_EQ(prompts_.prompts()[0].caption, ui::U8("個人情報が変更されています"));
            EXPECT_TRUE(prompts_.prompts()[0].text.contains(ui::U8("・会社名\r\n　現在の内容：C\r\n　編集した内容：B")))
                << prompts_.prompts()[0].text.toStdString();
            EXPECT_FALSE(prompts_.prompts()[0].text.contains(ui::U8("DM送付可否")));  // not the user's change
            EXPECT_EQ(prompts_.prompts()[0].style,
                      platform::kMbYesNoCancel | platform::kMbIconQuestion | ui::kMbDefButton2);
        }
        EXPECT_EQ(Row(id)[kElemCompany], c.company);
        EXPECT_EQ(Row(id)[kElemDMOk], c.dm);
        if (c.result == 0) {
            // Still open on the record; saved again once the question is answered.
            prompts_.Answer(platform::kIdYes);
            EXPECT_EQ(Save(sheet), platform::kIdOk);
            EXPECT_EQ(Row(id)[kElemCompany], "B");
        }
        sheet.close();
    }
}

TEST_F(RecordEditorTest, NewRecordNeedsOnlyAMailAddressAndTakesAnIdPastTheBook) {
    AddPerson(40, "old@example.jp");
    CDBEditSheet sheet(-1, ui::U8("個人情報の新規作成"));
    sheet.show();
    EXPECT_EQ(Control<QPushButton>(&sheet, CVarnisPropertySheet::kIdcOk)->text(), ui::U8("保存"));
    EXPECT_FALSE(Control<QPushButton>(&sheet, CVarnisPropertySheet::kIdcApply)->isVisible());
    EXPECT_EQ(Control<QLabel>(Page(sheet, 0), ids::kHeaderId)->text(), ui::U8("新規作成"));

    EXPECT_EQ(Save(sheet), 0);
    ASSERT_EQ(prompts_.prompts().size(), 1u);
    EXPECT_EQ(prompts_.prompts()[0].text, ui::U8("メールアドレスのみ、未入力は不可です\r\n必ず入力してください"));
    EXPECT_EQ(prompts_.prompts()[0].caption, ui::U8("メールアドレス未入力"));
    EXPECT_EQ(prompts_.prompts()[0].style, platform::kMbOk | platform::kMbIconInformation);
    EXPECT_EQ(sheet.focusWidget(), Control<QLineEdit>(&sheet, ids::kMailAddress));

    Retype(&sheet, ids::kMailAddress, "new@example.jp");
    EXPECT_EQ(Save(sheet), platform::kIdOk);
    const OneCustomer& stored = sheet.GetOneCustomer();
    EXPECT_GT(stored.CustomerID, 40);
    EXPECT_EQ(Row(stored.CustomerID)[kElemEmail], "new@example.jp");
    EXPECT_EQ(Row(stored.CustomerID)[kElemPrefecture], S("<未選択>"));
    EXPECT_EQ(Row(stored.CustomerID)[kElemDMOk], "Y");
    Sequencer sequence;
    ASSERT_EQ(sequence.SetEnvManager(Env()), 1);
    ASSERT_EQ(sequence.SetSeqType(SEQ_ID_CUSTOMER), 1);
    int next = 0;
    ASSERT_NE(sequence.CurrentValue(next), 0);
    EXPECT_GT(next, stored.CustomerID);
}

TEST_F(RecordEditorTest, AnAddressAnotherRecordHoldsIsRefusedNamingThatRecord) {
    AddPerson(3, "sato@example.jp");
    AddPerson(5, "gone@example.jp", "鈴木", "Y");
    AddPerson(6, "mine@example.jp");
    struct Case {
        int id;
        const char* typed;  // null: the record's own address, unchanged
        const char* caption;
        const char* names;  // the ID the message names
    };
    const Case cases[] = {
        {-1, "SATO@Example.JP", "メールアドレス重複", "個人情報ID[3]"},
        {6, "Sato@example.jp", "メールアドレス重複", "個人情報ID[3]"},
        {-1, "gone@example.jp", "削除済み「個人情報」に同じ「メールアドレス」が存在しています", "個人情報ID[5]"},
        {6, nullptr, nullptr, nullptr},  // its own address: saved
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.id) + " " + (c.typed ? c.typed : "(own)"));
        prompts_.clear();
        CDBEditSheet sheet(c.id, ui::U8("個人情報"));
        sheet.show();
        if (c.typed) Retype(&sheet, ids::kMailAddress, c.typed);
        if (!c.caption) {
            EXPECT_EQ(Save(sheet), platform::kIdOk);
            EXPECT_TRUE(prompts_.prompts().empty());
            continue;
        }
        EXPECT_EQ(Save(sheet), 0);
        ASSERT_EQ(prompts_.prompts().size(), 1u);
        EXPECT_EQ(prompts_.prompts()[0].caption, ui::U8(c.caption));
        EXPECT_TRUE(prompts_.prompts()[0].text.contains(ui::U8(c.names))) << prompts_.prompts()[0].text.toStdString();
        EXPECT_EQ(prompts_.prompts()[0].style, platform::kMbOk | platform::kMbIconInformation);
    }
    EXPECT_EQ(Book().GetDBCountWithoutDelete(), 2);
    EXPECT_EQ(Row(6)[kElemEmail], "mine@example.jp");
}

TEST_F(RecordEditorTest, AnInputErrorShowsTheBasicPageWithTheFocusOnTheEdit) {
    AddPerson(3, "sato@example.jp");
    const std::vector<std::string> before = Row(3);
    CDBEditSheet sheet(3, ui::U8("個人情報の編集"));
    sheet.show();
    Retype(&sheet, ids::kPostalCode, "100-00011");
    Control<QLineEdit>(&sheet, ids::kSurname)->setFocus();
    sheet.SetActivePage(2);
    EXPECT_EQ(Save(sheet), 0);
    ASSERT_EQ(prompts_.prompts().size(), 1u);
    EXPECT_EQ(prompts_.prompts()[0].text, ui::U8("郵便番号の桁数が正しくありません\n確認してください"));
    EXPECT_EQ(prompts_.prompts()[0].caption, ui::U8("基本属性(住所等)入力エラー"));
    EXPECT_EQ(prompts_.prompts()[0].style, platform::kMbOk | platform::kMbIconError);
    EXPECT_EQ(sheet.GetActiveIndex(), 0);
    auto* zip = Control<QLineEdit>(&sheet, ids::kPostalCode);
    EXPECT_EQ(sheet.focusWidget(), zip);
    EXPECT_EQ(zip->selectedText(), "100-00011");
    EXPECT_EQ(Row(3), before);
}

TEST_F(RecordEditorTest, ARecordThatCannotBeReadIsNotOpened) {
    AddPerson(3, "sato@example.jp");
    CDBEditSheet edit(999, ui::U8("個人情報の編集"));
    EXPECT_EQ(edit.DoModal(), platform::kIdCancel);
    CDBEditSheet2 show(999, ui::U8("個人情報の詳細"));
    EXPECT_EQ(show.DoModal(), platform::kIdCancel);
    ASSERT_EQ(prompts_.prompts().size(), 2u);
    for (const auto& p : prompts_.prompts()) {
        EXPECT_EQ(p.caption, ui::U8("エラー"));
        EXPECT_FALSE(p.text.isEmpty());
        EXPECT_EQ(p.style, platform::kMbOk | platform::kMbIconError);
    }
    EXPECT_EQ(Book().GetLineNumber(), 1);
}

TEST_F(RecordEditorTest, AFailedStoreEndsTheSheetWithCancelAfterTheBooksText) {
    Sequencer sequence;
    ASSERT_EQ(sequence.SetEnvManager(Env()), 1);
    ASSERT_EQ(sequence.SetSeqType(SEQ_ID_CUSTOMER), 1);
    ASSERT_NE(sequence.SetValue(sequence.GetUpperLimit()), 0);  // no customer ID is left

    CDBEditSheet sheet(-1, ui::U8("個人情報の新規作成"));
    sheet.show();
    Retype(&sheet, ids::kMailAddress, "new@example.jp");
    EXPECT_EQ(Save(sheet), platform::kIdCancel);
    ASSERT_EQ(prompts_.prompts().size(), 1u);
    EXPECT_EQ(prompts_.prompts()[0].caption, ui::U8("個人情報の新規登録に失敗しました"));
    EXPECT_EQ(prompts_.prompts()[0].text, ui::FromSjis(Book().GetErrMsg().GetLastMsg()));
    EXPECT_EQ(prompts_.prompts()[0].style, platform::kMbOk | platform::kMbIconWarning);
    EXPECT_EQ(Book().GetLineNumber(), 0);
}

TEST_F(RecordEditorTest, ClosingWithoutSavingAsksOnlyWhenSomethingChanged) {
    AddRow(7, AwkwardRecord());
    const std::vector<std::string> before = Row(7);
    const QString question = ui::U8("編集中の個人情報は保存されていません。\r\n"
                                    "変更した内容を破棄して、個人情報の編集を終了してもよろしいですか？\r\n"
                                    "([キャンセル]ボタンをクリックすると編集に戻ります。)");
    const std::function<void(CDBEditSheet&)> ways[] = {
        [](CDBEditSheet& s) { Control<QPushButton>(&s, CVarnisPropertySheet::kIdcCancel)->click(); },
        [](CDBEditSheet& s) { QTest::keyClick(&s, Qt::Key_Escape); },
        [](CDBEditSheet& s) { s.close(); },
    };
    for (const auto& close : ways) {
        {
            // Looked at, nothing changed: closes at once.
            CDBEditSheet sheet(7, ui::U8("個人情報の編集"));
            sheet.show();
            sheet.SetActivePage(2);
            close(sheet);
            EXPECT_FALSE(sheet.isVisible());
            EXPECT_TRUE(prompts_.prompts().empty()) << prompts_.texts().join("|").toStdString();
        }
        {
            CDBEditSheet sheet(7, ui::U8("個人情報の編集"));
            sheet.show();
            Retype(&sheet, ids::kDepartment, "総務部");
            // Cancel (the default) goes back to the record as the user left it.
            prompts_.Answer(platform::kIdCancel);
            close(sheet);
            ASSERT_EQ(prompts_.prompts().size(), 1u);
            EXPECT_EQ(prompts_.prompts()[0].text, question);
            EXPECT_EQ(prompts_.prompts()[0].caption, ui::U8("確認"));
            EXPECT_EQ(prompts_.prompts()[0].style,
                      platform::kMbOkCancel | platform::kMbIconQuestion | ui::kMbDefButton2);
            EXPECT_TRUE(sheet.isVisible());
            EXPECT_EQ(Control<QLineEdit>(&sheet, ids::kDepartment)->text(), ui::U8("総務部"));
            // OK discards.
            close(sheet);
            EXPECT_FALSE(sheet.isVisible());
            prompts_.clear();
        }
    }
    // A value changed in an attribute window counts too.
    CDBEditSheet sheet(7, ui::U8("個人情報の編集"));
    sheet.show();
    ChangeAttributes(sheet, 1, "dlg121", [](QDialog* d) {
        auto* hobby = Control<QComboBox>(d, 1327);
        hobby->lineEdit()->clear();
        ui::test::TypeText(hobby->lineEdit(), "将棋");
        ui::test::ClickControl(d, 1);
    });
    prompts_.Answer(platform::kIdCancel);
    sheet.reject();
    EXPECT_EQ(prompts_.texts(), QStringList{question});
    EXPECT_TRUE(sheet.isVisible());
    sheet.reject();
    EXPECT_EQ(Row(7), before);
}

TEST_F(RecordEditorTest, PastedTextKeepsWhatShiftJisHoldsAndNamesTheRest) {
    AddRow(7, {{kElemEmail, "a@example.jp"}});
    CDBEditSheet sheet(7, ui::U8("個人情報の編集"));
    sheet.show();
    auto* department = Control<QLineEdit>(&sheet, ids::kDepartment);
    department->setFocus();
    QApplication::clipboard()->setText(ui::U8("営業部😀①Ⅱ"));
    department->paste();
    Pump();
    EXPECT_EQ(department->text(), ui::U8("営業部①Ⅱ"));
    ASSERT_EQ(prompts_.prompts().size(), 1u);
    EXPECT_EQ(prompts_.prompts()[0].caption, ui::U8("注意"));
    EXPECT_EQ(prompts_.prompts()[0].text,
              ui::U8("以下の文字はこのソフトでは使用できないため、取り除いて入力しました。\r\n\r\n"
                     "　　- 取り除いた文字 -\r\n　　　「😀」\r\n"));
    EXPECT_EQ(Save(sheet), platform::kIdOk);
    EXPECT_EQ(Row(7)[kElemCompanyPost], S("営業部①Ⅱ"));
}

TEST_F(RecordEditorTest, ReadOnlySheetShowsTheRecordAndOffersOnlyClose) {
    AddRow(7, AwkwardRecord());
    AddPerson(8, "erased@example.jp");
    ASSERT_EQ(Book().PhysicalDeletion(8), 0);

    CDBEditSheet2 sheet(7, ui::U8("個人情報の詳細"));
    sheet.show();
    EXPECT_FALSE(Control<QPushButton>(&sheet, CVarnisPropertySheet::kIdcOk)->isVisible());
    EXPECT_EQ(Control<QPushButton>(&sheet, CVarnisPropertySheet::kIdcCancel)->text(), ui::U8("閉じる"));
    QWidget* basic = Page(sheet, 0);
    EXPECT_EQ(basic->objectName(), "dlg207");
    EXPECT_EQ(Control<QLineEdit>(basic, ids::kBirthDateReadOnly)->text(), ui::U8("昭和45年"));
    EXPECT_EQ(Control<QLineEdit>(basic, ids::kPrefecture)->text(), ui::U8("東"));
    EXPECT_EQ(Control<QLineEdit>(basic, ids::kDmFlag)->text(), ui::U8("送ることができない"));
    EXPECT_TRUE(Control<QLineEdit>(basic, ids::kMailAddress)->isReadOnly());
    EXPECT_FALSE(Control<QLineEdit>(basic, ids::kPostalCode2)->isVisibleTo(basic));
    EXPECT_EQ(Control<QLabel>(basic, ids::kHeaderId)->text(), "7");
    for (int page : {1, 2}) {
        sheet.SetActivePage(page);
        for (int id : {ids::kChangeButton, page == 1 ? ids::kExtra1ChangeNote : ids::kExtra2ChangeNote,
                       page == 1 ? ids::kExtra1NameNote : ids::kExtra2NameNote})
            EXPECT_FALSE(Control<QWidget>(Page(sheet, page), id)->isVisible()) << id;
    }
    EXPECT_EQ(Control<QLineEdit>(Page(sheet, 1), 1330)->text(), "12345");
    EXPECT_EQ(Control<QLineEdit>(Page(sheet, 1), 1721)->text(), ui::U8("会員番号"));

    CDBEditSheet2 erased(8, ui::U8("個人情報の詳細"));
    erased.show();
    EXPECT_EQ(Control<QLineEdit>(Page(erased, 0), ids::kMailAddress)->text(), ui::U8("（削除済み）"));
}

// A name of 70 characters does not widen the editor past the screen: the header shows it
// cut with an ellipsis (the whole name in its tip), and the sheet keeps the width it has
// for a short name.
TEST_F(RecordEditorTest, ALongNameStaysWithinTheScreen) {
    AddPerson(7, "short@example.jp", "佐藤");
    std::string longName;
    for (int i = 0; i < 35; ++i) longName += "長名";  // 70 characters
    AddRow(8, {{kElemEmail, "long@example.jp"}, {kElemKanjiSei, S(longName.c_str())}});

    CDBEditSheet shortSheet(7, ui::U8("個人情報の編集"));
    shortSheet.show();
    CDBEditSheet longSheet(8, ui::U8("個人情報の編集"));
    longSheet.show();
    const QRect screen = longSheet.screen()->availableGeometry();
    EXPECT_LE(longSheet.frameGeometry().width(), screen.width());
    EXPECT_EQ(longSheet.width(), shortSheet.width());
    auto* name = Control<QLabel>(Page(longSheet, 0), ids::kHeaderName);
    EXPECT_TRUE(name->text().endsWith(QChar(0x2026))) << name->text().toStdString();
    EXPECT_LE(name->fontMetrics().horizontalAdvance(name->text()), name->width());
    EXPECT_EQ(name->toolTip(), ui::U8(longName.c_str()) + " ");
    EXPECT_EQ(Control<QLabel>(Page(shortSheet, 0), ids::kHeaderName)->text(), ui::U8("佐藤 "));
}

}  // namespace record_editor_test
}  // namespace
