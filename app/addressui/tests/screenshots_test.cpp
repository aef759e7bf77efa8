// Renders every page of the record editor, its read-only twin, both attribute input
// windows and the editor's messages (characters left out of a paste, the question before
// changes are discarded) with a Japanese record into the screenshot folder (QUENDREL_SCREENSHOT_DIR);
// without it the screens are still made and shown offscreen, but nothing is written.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPushButton>

#include "app/addressui/db_edit_sheet.h"
#include "app/addressui/record_control_ids.h"
#include "app/addressui/tests/record_test_env.h"
#include "app/widgets/varnis_property_sheet.h"
#include "app/ui/testing/screenshot.h"

namespace {
namespace screenshots_test {

using namespace rectest;
using ui::test::SaveMessageBoxScreenshot;
using ui::test::SaveScreenshot;

class Screenshots : public RecordEnvTest {
protected:
    void SetUp() override {
        RecordEnvTest::SetUp();
        AddRow(1024, {{kElemEmail, "takasaki.taro@example.co.jp"},
                      {kElemKanjiSei, "\xFB\xFC" + S("崎")},  // 髙崎
                      {kElemKanjiMei, S("太郎")},
                      {kElemKanaSei, S("タカサキ")},
                      {kElemKanaMei, S("タロウ")},
                      {kElemCompany, S("株式会社ソフト開発")},
                      {kElemCompanyPost, S("営業部 第二課")},
                      {kElemBirthday, "1975/08/15 00:00:00"},
                      {kElemZipCode1, "1000005"},
                      {kElemPrefecture, S("東京都")},
                      {kElemAddress1, S("千代田区丸の内")},
                      {kElemAddress2, S("1-9-1 グラントウキョウ ノースタワー 12階")},
                      {kElemPhone1, "03-1234-5678"},
                      {kElemFax1, "03-1234-5679"},
                      {kElemPortable1, "090-1234-5678"},
                      {kElemDMOk, "Y"},
                      {kElemExtraFirst + 0, S("釣り")},
                      {kElemExtraFirst + 1, "102938"},
                      {kElemExtraFirst + 2, "2018/04/01"},
                      {kElemExtraFirst + 3, S("会社員")},
                      {kElemExtraFirst + 4, S("A型")},
                      {kElemExtraFirst + 6, "12"},
                      {kElemExtraFirst + 7, "2024/03/15"},
                      {kElemExtraFirst + 9, S("年賀状を希望")},
                      {kElemExtraFirst + 10, S("ゴールド")},
                      {kElemExtraFirst + 11, "3500"},
                      {kElemExtraFirst + 12, "2000/08/01"},
                      {kElemExtraFirst + 13, S("関東")},
                      {kElemExtraFirst + 14, S("丸の内店")}});
        AddRow(2048, {{kElemEmail, "hanako@example.jp"}, {kElemKanjiSei, S("鈴木")}, {kElemBirthday, S("昭和50年頃")},
                      {kElemPrefecture, S("Hawaii")}, {kElemExtraFirst, S("読書")}});
    }
};

TEST_F(Screenshots, RecordEditorPages) {
    addressui::CDBEditSheet sheet(1024, ui::U8("個人情報の編集"));
    const char* names[] = {"record_editor_1_basic", "record_editor_2_extra_a_j", "record_editor_3_extra_k_t"};
    for (int page = 0; page < 3; ++page) {
        sheet.show();
        sheet.SetActivePage(page);
        EXPECT_TRUE(SaveScreenshot(&sheet, names[page]));
    }
    addressui::CDBEditSheet odd(2048, ui::U8("個人情報の編集"));
    EXPECT_TRUE(SaveScreenshot(&odd, "record_editor_4_basic_text_kept"));
    addressui::CDBEditSheet fresh(-1, ui::U8("個人情報の新規作成"));
    EXPECT_TRUE(SaveScreenshot(&fresh, "record_editor_5_new"));
}

TEST_F(Screenshots, ReadOnlyRecordPages) {
    addressui::CDBEditSheet2 sheet(1024, ui::U8("個人情報の詳細"));
    const char* names[] = {"record_viewer_1_basic", "record_viewer_2_extra_a_j", "record_viewer_3_extra_k_t"};
    for (int page = 0; page < 3; ++page) {
        sheet.show();
        sheet.SetActivePage(page);
        EXPECT_TRUE(SaveScreenshot(&sheet, names[page]));
    }
}

TEST_F(Screenshots, AttributeInputWindows) {
    addressui::CDBEditSheet sheet(1024, ui::U8("個人情報の編集"));
    sheet.show();
    for (int page : {1, 2}) {
        sheet.SetActivePage(page);
        const QString window = page == 1 ? "dlg121" : "dlg172";
        bool shot = false;
        ui::test::WhenDialogShows(window, [&](QDialog* d) {
            shot = SaveScreenshot(d, page == 1 ? "dlg121_extra_a_j_input" : "dlg172_extra_k_t_input");
            ui::test::ClickControl(d, 2);
        });
        Control<QPushButton>(sheet.GetPage(page), addressui::ids::kChangeButton)->click();
        EXPECT_TRUE(shot);
    }
}

TEST_F(Screenshots, RecordEditorMessages) {
    addressui::CDBEditSheet sheet(1024, ui::U8("個人情報の編集"));
    sheet.show();
    auto* department = Control<QLineEdit>(&sheet, addressui::ids::kDepartment);
    department->setFocus();
    department->selectAll();
    QApplication::clipboard()->setText(ui::U8("営業部😀①Ⅱ"));
    EXPECT_TRUE(SaveMessageBoxScreenshot(QStringLiteral("msg_record_characters_left_out"), [&] { department->paste(); }));
    EXPECT_EQ(department->text(), ui::U8("営業部①Ⅱ"));
    EXPECT_TRUE(SaveMessageBoxScreenshot(QStringLiteral("msg_record_discard_question"), [&] { sheet.reject(); }));
    EXPECT_TRUE(sheet.isVisible());

    // The company changed in the editor and, meanwhile, in the book (with a refusal).
    Retype(&sheet, addressui::ids::kCompany, "株式会社ソフト開発 本社");
    OneCustomer meanwhile;
    ASSERT_EQ(Book().GetOneCustomerForEdit(meanwhile, 1024), 0);
    meanwhile.Company = S("株式会社ソフト開発（移転）");
    meanwhile.DMOk = "N";
    ASSERT_EQ(Book().SetOneCustomerInfo(meanwhile, 0), 0);
    EXPECT_TRUE(SaveMessageBoxScreenshot(QStringLiteral("msg_record_changed_meanwhile"), [&] {
        Control<QPushButton>(&sheet, shell::CVarnisPropertySheet::kIdcOk)->click();
    }));
    EXPECT_TRUE(sheet.isVisible());  // Escape: back to the record
}

}  // namespace screenshots_test
}  // namespace
