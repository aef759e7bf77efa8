// The search dialog as the user drives it: which controls can be used, the condition read
// from them (Japanese typed, bounds put in order), the value picker, and the search that
// closes the dialog when its worker is done.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>

#include "app/addressui/equal_value_dlg.h"
#include "app/addressui/search_dlg.h"
#include "app/addressui/tests/record_test_env.h"
#include "platform/notifier.h"

namespace {
namespace search_dlg_test {

using namespace rectest;
using addressui::CDBSearchDlg;

class SearchDlgTest : public RecordEnvTest {
protected:
    void SetUp() override {
        RecordEnvTest::SetUp();
        AddRow(1, {{kElemEmail, "a@example.jp"}, {kElemPrefecture, S("東京都")}, {kElemExtraFirst + 1, "100"}});
        AddRow(2, {{kElemEmail, "b@example.jp"}, {kElemPrefecture, S("大阪府")}, {kElemExtraFirst + 1, "50"}});
        AddRow(3, {{kElemEmail, "c@example.jp"}, {kElemPrefecture, S("京都府")}, {kElemExtraFirst + 1, "7"}});
        AddRow(4, {{kElemEmail, "d@example.jp"}, {kElemPrefecture, S("東京都")}, {kElemDeleteFlag, "Y"}});
    }
    // Picks the field named `name` in the dialog's field list.
    static void ChooseField(QDialog* d, const char* name) {
        auto* field = Control<QComboBox>(d, CDBSearchDlg::kIdcField);
        const int k = field->findText(ui::U8(name));
        ASSERT_GE(k, 0) << name;
        field->setCurrentIndex(k);
    }
    // Runs the dialog with `fill` done on it before "検索".
    int RunSearch(CDBSearchDlg& dialog, std::function<void(QDialog*)> fill) {
        ui::test::WhenDialogShows("dlg191", [fill](QDialog* d) {
            fill(d);
            ui::test::ClickControl(d, CDBSearchDlg::kIdcSearch);
        });
        return dialog.DoModal();
    }
};

TEST_F(SearchDlgTest, ControlsFollowTheFieldAndTheKind) {
    CDBSearchDlg dialog;
    auto* field = Control<QComboBox>(&dialog, CDBSearchDlg::kIdcField);
    auto* byValues = Control<QRadioButton>(&dialog, CDBSearchDlg::kIdcByValues);
    auto* byRange = Control<QRadioButton>(&dialog, CDBSearchDlg::kIdcByRange);
    EXPECT_EQ(field->itemText(0), ui::U8("すべて"));
    EXPECT_EQ(field->count(), 1 + 39);  // the 39 fields of the search mask
    EXPECT_NE(field->findText(ui::U8("会員番号")), -1);  // attributes by their names
    auto enabled = [&](std::initializer_list<int> ids) {
        std::vector<bool> e;
        for (int id : ids) e.push_back(ui::FindControl<QWidget>(&dialog, id)->isEnabled());
        return e;
    };
    const std::initializer_list<int> valueIds = {CDBSearchDlg::kIdcValues, CDBSearchDlg::kIdcPickValues,
                                                 CDBSearchDlg::kIdcEqualFlag};
    const std::initializer_list<int> rangeIds = {CDBSearchDlg::kIdcLower, CDBSearchDlg::kIdcLowerLabel,
                                                 CDBSearchDlg::kIdcUpper, CDBSearchDlg::kIdcUpperLabel,
                                                 CDBSearchDlg::kIdcRangeFlag};
    EXPECT_FALSE(byValues->isEnabled());
    EXPECT_FALSE(byRange->isEnabled());
    EXPECT_EQ(enabled(valueIds), std::vector<bool>(3, false));
    EXPECT_EQ(enabled(rangeIds), std::vector<bool>(5, false));
    ChooseField(&dialog, "都道府県");
    EXPECT_TRUE(byValues->isEnabled() && byValues->isChecked());
    EXPECT_EQ(enabled(valueIds), std::vector<bool>(3, true));
    EXPECT_EQ(enabled(rangeIds), std::vector<bool>(5, false));
    byRange->setChecked(true);
    EXPECT_EQ(enabled(valueIds), std::vector<bool>(3, false));
    EXPECT_EQ(enabled(rangeIds), std::vector<bool>(5, true));
    field->setCurrentIndex(0);
    EXPECT_EQ(enabled(rangeIds), std::vector<bool>(5, false));
}

TEST_F(SearchDlgTest, TypedValuesAreSearchedAndTheDialogClosesWithOk) {
    CDBSearchDlg dialog;
    ASSERT_EQ(RunSearch(dialog,
                        [](QDialog* d) {
                            ChooseField(d, "都道府県");
                            ui::test::TypeText(Control<QLineEdit>(d, CDBSearchDlg::kIdcValues), "東京都,大阪府");
                        }),
              platform::kIdOk);
    EXPECT_EQ(dialog.GetHitList(), (std::vector<int>{1, 2}));
    const OneExtractCondition& c = dialog.GetCondition();
    EXPECT_EQ(c.element, kElemPrefecture);
    EXPECT_EQ(c.kind, "E");
    EXPECT_EQ(c.values, (std::vector<std::string>{S("東京都"), S("大阪府")}));
    EXPECT_EQ(c.equalFlag, "Y");
}

TEST_F(SearchDlgTest, ARangeIsPutInOrderBeforeTheSearch) {
    CDBSearchDlg dialog;
    ASSERT_EQ(RunSearch(dialog,
                        [](QDialog* d) {
                            ChooseField(d, "会員番号");
                            Control<QRadioButton>(d, CDBSearchDlg::kIdcByRange)->setChecked(true);
                            ui::test::TypeText(Control<QLineEdit>(d, CDBSearchDlg::kIdcLower), "100");
                            ui::test::TypeText(Control<QLineEdit>(d, CDBSearchDlg::kIdcUpper), "20");
                            Control<QComboBox>(d, CDBSearchDlg::kIdcRangeFlag)->setCurrentIndex(1);
                        }),
              platform::kIdOk);
    const OneExtractCondition& c = dialog.GetCondition();
    EXPECT_EQ(c.kind, "R");
    EXPECT_EQ(c.lower, "20");
    EXPECT_EQ(c.upper, "100");
    EXPECT_EQ(c.rangeFlag, "N");
    EXPECT_EQ(dialog.GetHitList(), (std::vector<int>{3}));
}

TEST_F(SearchDlgTest, EverythingAndCancel) {
    CDBSearchDlg all;
    ASSERT_EQ(RunSearch(all, [](QDialog*) {}), platform::kIdOk);
    EXPECT_EQ(all.GetHitList(), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(all.GetCondition().element, -1);

    CDBSearchDlg cancelled;
    ui::test::WhenDialogShows("dlg191", [](QDialog* d) { ui::test::ClickControl(d, 2); });
    EXPECT_EQ(cancelled.DoModal(), platform::kIdCancel);
    EXPECT_TRUE(cancelled.GetHitList().empty());
}

TEST_F(SearchDlgTest, ThePickedValuesReplaceTheValueText) {
    CDBSearchDlg dialog;
    ChooseField(&dialog, "都道府県");
    ui::test::TypeText(Control<QLineEdit>(&dialog, CDBSearchDlg::kIdcValues), "old");
    std::vector<std::string> offered;
    ui::test::WhenDialogShows("dlg135", [&](QDialog* d) {
        auto* picker = static_cast<addressui::CEqualValueDlg*>(d);
        ASSERT_TRUE(ui::test::WaitUntil([picker] { return !picker->IsLoading(); }));
        offered = picker->SourceValues();
        ui::test::ClickControl(d, addressui::CEqualValueDlg::kIdcAddAll);
        ui::test::ClickControl(d, 1);
    });
    Control<QPushButton>(&dialog, CDBSearchDlg::kIdcPickValues)->click();
    // The live records' values, each once, in stored order (the deleted record's not counted
    // twice: it holds 東京都 too).
    EXPECT_EQ(offered, (std::vector<std::string>{S("東京都"), S("大阪府"), S("京都府")}));
    EXPECT_EQ(Control<QLineEdit>(&dialog, CDBSearchDlg::kIdcValues)->text(), ui::U8("\"東京都\",\"大阪府\",\"京都府\""));
}

}  // namespace search_dlg_test
}  // namespace
