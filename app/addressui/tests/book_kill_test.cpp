// What the address-book screens store outlives a crash: the record editor's 保存 (a new
// record, and extended attributes changed in their window) and the list's delete, each
// done in a child process that is killed (SIGKILL) right after it, before the list would
// save the book whole as it closes. A fresh open of the book must show the change.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include "app/addressui/db_edit_sheet.h"
#include "app/addressui/db_list_dlg.h"
#include "app/addressui/record_control_ids.h"
#include "app/addressui/tests/personal_list_test_env.h"
#include "app/ui/testing/killed_child.h"
#include "app/widgets/varnis_property_sheet.h"

namespace {
namespace book_kill_test {

using addressui::CDBEditSheet;
using addressui::CDBListDlg;
using namespace pltest;
using rectest::Control;
namespace ids = addressui::ids;

constexpr int kHobbyBox = 1327;  // attribute A in its window

class ScreenKillTest : public PersonalListTest {
protected:
    std::unique_ptr<CDatabaseEdit> BookAfterKill() {
        auto book = std::make_unique<CDatabaseEdit>(Env(), &Options());
        EXPECT_GE(book->ReadCustomerList(), 0);
        return book;
    }
    static void Save(CDBEditSheet& sheet) {
        Control<QPushButton>(&sheet, shell::CVarnisPropertySheet::kIdcOk)->click();
    }
};

TEST_F(ScreenKillTest, EditorSavesANewRecord) {
    if (!ui::test::RunThenKill([] {
        CDBEditSheet sheet(-1, ui::U8("個人情報の新規作成"));
        sheet.show();
        rectest::Retype(&sheet, ids::kMailAddress, "new.person@example.jp");
        Save(sheet);
    })) return;
    auto book = BookAfterKill();
    EXPECT_EQ(book->GetDBCountWithoutDelete(), kPeople + 1);
    EXPECT_GE(book->SearchCustomerOneElement(kElemEmail, "new.person@example.jp", -1, kDirectionForward), 0);
}

TEST_F(ScreenKillTest, EditorSavesExtendedAttributes) {
    const int id = IdAtBookPosition(0);
    if (!ui::test::RunThenKill([id] {
        CDBEditSheet sheet(id, ui::U8("個人情報の編集"));
        sheet.show();
        sheet.SetActivePage(1);
        ui::test::WhenDialogShows("dlg121", [](QDialog* window) {
            auto* box = Control<QComboBox>(window, kHobbyBox);
            box->lineEdit()->clear();
            ui::test::TypeText(box->lineEdit(), "将棋");
            ui::test::ClickControl(window, 1);
        });
        Control<QPushButton>(sheet.GetPage(1), ids::kChangeButton)->click();
        Save(sheet);
    })) return;
    EXPECT_EQ(BookAfterKill()->GetCustomerDataPinPoint(id, kElemExtraFirst), rectest::S("将棋"));
}

TEST_F(ScreenKillTest, ListDeletesTheSelectedRecords) {
    if (!ui::test::RunThenKill([] {
        CDBListDlg dialog(nullptr, nullptr);
        Open(dialog);
        Select(dialog, {0, 1});
        ui::test::ClickControl(&dialog, CDBListDlg::kIdcDelete);  // answered Yes
    })) return;
    EXPECT_EQ(BookAfterKill()->GetDBCountWithoutDelete(), kPeople - 2);
}

}  // namespace book_kill_test
}  // namespace
