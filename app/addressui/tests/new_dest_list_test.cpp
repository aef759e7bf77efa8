// A new destination list made from people selected in the personal-information list: its
// name dialog, the members and the one ID condition it stores, and the failures that must
// leave no entry behind.
#include <gtest/gtest.h>

#include <QLineEdit>

#include <filesystem>

#include "app/addressui/db_list_dlg.h"
#include "app/addressui/new_dest_list.h"
#include "app/addressui/personal_list_model.h"
#include "app/addressui/tests/extraction_test_env.h"
#include "app/addressui/tests/personal_list_test_env.h"

namespace {
namespace new_dest_list_test {

using addressui::CDBListDlg;
using addressui::CNewDestNameDlg;
using namespace extest;

class NewDestListTest : public ExtractionEnvTest {
protected:
    void SetUp() override {
        ExtractionEnvTest::SetUp();
        CDBListDlg::ResetSortState();
    }
    // The stored conditions of list `id`, group A condition 1.
    OneExtractCondition StoredCondition(int id, int con = 0) {
        ExtractAction action;
        action.SetEnvManager(Env());
        action.SetDatabaseEdit(&Book());
        EXPECT_EQ(action.SetTypeAndID(EC_TYPE_EXTRACT, id), 0);
        EXPECT_EQ(action.GetExtractConditionFromFileToMemory(0, nullptr), 0);
        OneExtractCondition c;
        EXPECT_EQ(action.GetExtractConditionFromMemoryToStruct(c, 0, con), 0);
        return c;
    }
};

TEST_F(NewDestListTest, ThreeSelectedPeopleBecomeAListWithOneIdConditionAndTheListCloses) {
    int created = 0;
    CDBListDlg dialog(&Lists(), &created);
    dialog.show();
    ASSERT_TRUE(ui::test::WaitUntil([&] { return !dialog.IsBusy() && dialog.Model()->EntryCount() > 0; }));
    // Sorted by ID: 1, 2, 3 (refuses advertising mail), 5, 6 ...; rows 0, 1 and 3.
    for (int r : {0, 1, 3})
        dialog.List()->selectionModel()->select(dialog.Model()->index(r, 0),
                                                QItemSelectionModel::Select | QItemSelectionModel::Rows);
    ui::test::WhenDialogShows("dlg335", [](QDialog* d) {
        EXPECT_EQ(d->windowTitle(), ui::U8("新規宛先作成"));
        auto* name = rectest::Control<QLineEdit>(d, CNewDestNameDlg::kIdcName);
        // The field the dialog gives the focus to; whether its window is active yet is the
        // window system's business (late under load).
        EXPECT_EQ(d->focusWidget(), name);
        ui::test::TypeText(name, "選抜メンバー");
        ui::test::ClickControl(d, 1);
    });
    dialog.NewDestinationList();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(created, 1);
    ASSERT_FALSE(prompts_.prompts().empty());
    EXPECT_EQ(prompts_.texts().back(), ui::U8("新規作成された宛先を、宛先リストに追加しました。"));
    EXPECT_EQ(prompts_.captions().back(), ui::U8("宛先作成の完了"));

    std::vector<ExtractViewData> entries;
    ASSERT_EQ(Lists().GetExtractList(entries), 1);
    EXPECT_EQ(entries[0].name, S("選抜メンバー"));
    EXPECT_EQ(StoredIds(1, entries[0].id), (std::vector<int>{1, 2, 5}));
    const OneExtractCondition c = StoredCondition(entries[0].id);
    EXPECT_EQ(c.element, 0);
    EXPECT_EQ(c.kind, "E");
    EXPECT_EQ(c.values, (std::vector<std::string>{"\"1\"", "\"2\"", "\"5\""}));
    EXPECT_EQ(c.equalFlag, "Y");
    EXPECT_EQ(c.rangeFlag, "Y");
    EXPECT_EQ(StoredCondition(entries[0].id, 1).element, -1);
}

TEST_F(NewDestListTest, AnEmptyNameIsRefusedAndTheDialogStaysOpen) {
    CNewDestNameDlg dialog;
    dialog.show();
    dialog.accept();
    EXPECT_TRUE(dialog.isVisible());
    ASSERT_EQ(prompts_.prompts().size(), 1u);
    EXPECT_EQ(prompts_.texts()[0], ui::U8("宛先名称の未入力はできません"));
    EXPECT_EQ(prompts_.captions()[0], ui::U8("宛先名称を入力してください"));
}

TEST_F(NewDestListTest, FailuresLeaveNoEntryBehind) {
    // Too many people for one condition: refused before the list takes an ID.
    std::vector<int> many;
    for (int id = 1000000; id <= 1003000; ++id) many.push_back(id);  // 30,009 bytes
    addressui::NewDestListResult r = addressui::MakeDestinationList(Lists(), S("大勢"), many);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.caption, ui::U8("条件が長すぎます"));
    EXPECT_EQ(r.text, ui::U8("条件の長さが半角換算で") + QString::number(addressui::CustomerIdCondition(many).size()) +
                          ui::U8("文字あります\r\nこのソフトでは、条件は半角で30000文字までです"));
    EXPECT_EQ(Lists().CountExtractList(), 0);

    // The members' file cannot be written: no entry without its files.
    const std::string folder = env_layout::ExtractFolder(*Env());
    for (int id = 0; id < 20; ++id)
        std::filesystem::create_directories(folder + "exsl" + std::to_string(id) + ".dat");
    r = addressui::MakeDestinationList(Lists(), S("三人"), {1, 2, 5});
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.caption, ui::U8("宛先の新規作成に失敗しました"));
    EXPECT_FALSE(r.text.isEmpty());
    EXPECT_EQ(Lists().CountExtractList(), 0);
}

}  // namespace new_dest_list_test
}  // namespace
