// The value-selection dialog (moves, the quoted result and its length limit) and the three
// name dialogs.
#include <gtest/gtest.h>

#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListView>

#include "app/addressui/equal_value_dlg.h"
#include "app/addressui/name_dlgs.h"
#include "app/addressui/tests/record_test_env.h"
#include "platform/notifier.h"

namespace {
namespace small_dialogs_test {

using namespace rectest;
using addressui::CEqualValueDlg;

TEST(EqualValueResult, QuotesEveryValueAndDoublesInnerQuotes) {
    EXPECT_EQ(CEqualValueDlg::BuildResult({}), "");
    EXPECT_EQ(CEqualValueDlg::BuildResult({"a\"b", "c"}), "\"a\"\"b\",\"c\"");
    EXPECT_EQ(CEqualValueDlg::BuildResult({"x,y", ""}), "\"x,y\",\"\"");
    // Birth dates are offered as their dates, each once.
    EXPECT_EQ(CEqualValueDlg::OfferedValues(8, {"1970/01/02 00:00:00", "1970/01/02 12:00:00", S("昭和4年頃です")}),
              (std::vector<std::string>{"1970/01/02", S("昭和4年頃")}));
    EXPECT_EQ(CEqualValueDlg::OfferedValues(6, {"1970/01/02 00:00:00"}),
              (std::vector<std::string>{"1970/01/02 00:00:00"}));
}

class EqualValueTest : public RecordEnvTest {
protected:
    void SetUp() override {
        RecordEnvTest::SetUp();
        const char* companies[] = {"A", "B", "C", "D"};
        int id = 1;
        for (const char* c : companies) {
            AddRow(id, {{kElemEmail, "p" + std::to_string(id) + "@x.jp"}, {kElemCompany, c}});
            ++id;
        }
        AddRow(5, {{kElemEmail, "long1@x.jp"}, {kElemCompany, std::string(29998, 'x')}});
        AddRow(6, {{kElemEmail, "long2@x.jp"}, {kElemCompany, std::string(29999, 'y')}});
    }
    static void Select(QListView* list, std::initializer_list<int> rows) {
        list->clearSelection();
        for (int r : rows)
            list->selectionModel()->select(list->model()->index(r, 0), QItemSelectionModel::Select);
    }
    static std::vector<std::string> Short(const std::vector<std::string>& values) {
        std::vector<std::string> out;
        for (const auto& v : values) out.push_back(v.size() > 3 ? v.substr(0, 1) + std::to_string(v.size()) : v);
        return out;
    }
};

TEST_F(EqualValueTest, MovesKeepSourceOrderAndNeverDuplicate) {
    CEqualValueDlg dialog(kElemCompany);
    dialog.show();
    ASSERT_TRUE(ui::test::WaitUntil([&] { return !dialog.IsLoading(); }));
    auto* source = Control<QListView>(&dialog, CEqualValueDlg::kIdcSource);
    auto* chosen = Control<QListView>(&dialog, CEqualValueDlg::kIdcChosen);
    EXPECT_EQ(Short(dialog.SourceValues()), (std::vector<std::string>{"A", "B", "C", "D", "x29998", "y29999"}));

    Select(source, {3, 1});  // selected D then B: they arrive in list order
    ui::test::ClickControl(&dialog, CEqualValueDlg::kIdcAdd);
    EXPECT_EQ(Short(dialog.ChosenValues()), (std::vector<std::string>{"B", "D"}));
    EXPECT_EQ(Short(dialog.SourceValues()), (std::vector<std::string>{"A", "C", "x29998", "y29999"}));
    Select(chosen, {0});
    ui::test::ClickControl(&dialog, CEqualValueDlg::kIdcRemove);  // back to the end of the source
    EXPECT_EQ(Short(dialog.SourceValues()), (std::vector<std::string>{"A", "C", "x29998", "y29999", "B"}));
    ui::test::ClickControl(&dialog, CEqualValueDlg::kIdcAddAll);
    EXPECT_TRUE(dialog.SourceValues().empty());
    EXPECT_EQ(Short(dialog.ChosenValues()), (std::vector<std::string>{"D", "A", "C", "x29998", "y29999", "B"}));
    ui::test::ClickControl(&dialog, CEqualValueDlg::kIdcRemoveAll);
    EXPECT_EQ(dialog.SourceValues().size(), 6u);
    EXPECT_TRUE(dialog.ChosenValues().empty());
}

TEST_F(EqualValueTest, AResultOfMoreThan30000BytesIsRefusedWithItsLength) {
    CEqualValueDlg dialog(kElemCompany);
    dialog.show();
    ASSERT_TRUE(ui::test::WaitUntil([&] { return !dialog.IsLoading(); }));
    auto* source = Control<QListView>(&dialog, CEqualValueDlg::kIdcSource);
    Select(source, {5});  // 29999 bytes: 30001 with its quotes
    ui::test::ClickControl(&dialog, CEqualValueDlg::kIdcAdd);
    ui::test::ClickControl(&dialog, 1);
    ASSERT_EQ(prompts_.texts().size(), 1);
    EXPECT_EQ(prompts_.texts().front(),
              ui::U8("条件の長さが半角換算で30001文字あります\r\nこのソフトでは、条件は半角で30000文字までです"));
    EXPECT_EQ(prompts_.captions().front(), ui::U8("条件が長すぎます"));
    EXPECT_TRUE(dialog.GetResult().empty());
    EXPECT_TRUE(dialog.isVisible());

    ui::test::ClickControl(&dialog, CEqualValueDlg::kIdcRemoveAll);
    Select(source, {4});  // 29998 bytes: exactly 30000
    ui::test::ClickControl(&dialog, CEqualValueDlg::kIdcAdd);
    ui::test::ClickControl(&dialog, 1);
    EXPECT_EQ(dialog.GetResult().size(), 30000u);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

class NameDialogsTest : public RecordEnvTest {};

TEST_F(NameDialogsTest, EmptyNamesAreRefusedWhereTheyMustBeGiven) {
    addressui::CDestNameDlg dest;
    ui::test::WhenDialogShows("dlg157", [this](QDialog* d) {
        ui::test::ClickControl(d, 1);
        EXPECT_TRUE(d->isVisible());
        EXPECT_EQ(prompts_.texts().back(), ui::U8("宛先名称の未入力はできません"));
        EXPECT_EQ(prompts_.captions().back(), ui::U8("宛先名称を入力してください"));
        ui::test::TypeText(Control<QLineEdit>(d, addressui::CDestNameDlg::kIdcName), "春の会員");
        ui::test::ClickControl(d, 1);
    });
    ASSERT_EQ(dest.DoModal(), platform::kIdOk);
    EXPECT_EQ(dest.GetName(), S("春の会員"));

    addressui::CConditionNameDlg condition;
    condition.SetName(S("旧名称"));
    ui::test::WhenDialogShows("dlg163", [this](QDialog* d) {
        auto* edit = Control<QLineEdit>(d, addressui::CConditionNameDlg::kIdcName);
        EXPECT_EQ(edit->text(), ui::U8("旧名称"));
        edit->clear();
        ui::test::ClickControl(d, 1);
        EXPECT_EQ(prompts_.texts().back(), ui::U8("抽出条件名称の未入力はできません"));
        EXPECT_EQ(prompts_.prompts().back().style, platform::kMbOk | platform::kMbIconInformation);
        ui::test::TypeText(edit, "新名称");
        ui::test::ClickControl(d, 1);
    });
    ASSERT_EQ(condition.DoModal(), platform::kIdOk);
    EXPECT_EQ(condition.GetName(), S("新名称"));

    addressui::CHonorificDlg honorific;
    honorific.SetName(S("様"));
    ui::test::WhenDialogShows("dlg273", [](QDialog* d) {
        EXPECT_TRUE(Control<QLineEdit>(d, addressui::CHonorificDlg::kIdcName)->text().isEmpty());
        ui::test::ClickControl(d, 1);
    });
    ASSERT_EQ(honorific.DoModal(), platform::kIdOk);
    EXPECT_EQ(honorific.GetName(), "");
    EXPECT_EQ(prompts_.texts().size(), 2);
}

}  // namespace small_dialogs_test
}  // namespace
