// The column layout of the address-book lists: forgiving loading of hand-edited ini values,
// the error codes, the columns a list builds, and the column-selection dialog that saves it.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QTemporaryDir>

#include "app/addressui/column_layout.h"
#include "app/addressui/column_select_dlg.h"
#include "app/addressui/tests/record_test_env.h"
#include "core/foundation/ini_manager.h"

namespace {

using addressui::CDBColumnInfo;
using rectest::S;

class ColumnLayoutTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        ini_ = dir_.path().toStdString() + "/QuendrelT.ini";
    }
    void Put(const char* section, int key, const char* value) {
        ASSERT_NE(CIniManager::WriteProfileStringA(ini_, section, std::to_string(key).c_str(), value), 0);
    }
    std::string Stored(const char* section, int key) {
        std::string v;
        CIniManager::GetProfileStringA(ini_, section, std::to_string(key), v, "");
        return v;
    }
    QTemporaryDir dir_;
    std::string ini_;
};

TEST_F(ColumnLayoutTest, LoadingReplacesWhatCannotBeAWidthAndKeepsTheIdShown) {
    struct Case {
        int element;
        const char* stored;  // null: key missing
        int width;
    };
    const Case widths[] = {
        {1, "0", 130}, {2, "-5", 60}, {3, "1200", 60}, {6, "1000", 1000}, {7, "1", 1},
        {12, "wide", 180}, {21, nullptr, 90}, {10, "0", 0}, {20, nullptr, 0},
    };
    for (const Case& c : widths)
        if (c.stored != nullptr) Put("COLUMNWIDTH", c.element, c.stored);
    Put("COLUMNVIEW", 0, "N");
    Put("COLUMNVIEW", 4, "Y");
    Put("COLUMNVIEW", 1, "N");

    CDBColumnInfo info(ini_);
    std::string out;
    EXPECT_EQ(info.GetColumnValue(0, 0, out), CDBColumnInfo::kErrTable);
    EXPECT_EQ(info.SetColumnValue(0, 0, "Y"), CDBColumnInfo::kErrTable);
    EXPECT_EQ(info.IsColumnShown(1), CDBColumnInfo::kErrTable);
    ASSERT_EQ(info.LoadColumnInfo(), 0);

    for (const Case& c : widths) EXPECT_EQ(info.GetColumnWidth(c.element), c.width) << c.element;
    EXPECT_EQ(info.IsColumnShown(0), 1);  // stored "N" does not hide the ID
    EXPECT_EQ(info.IsColumnShown(4), 1);
    EXPECT_EQ(info.IsColumnShown(1), 0);
    EXPECT_EQ(info.IsColumnShown(55), 1);   // default
    EXPECT_EQ(info.IsColumnShown(20), 0);   // empty defaults: hidden, no width
    ASSERT_EQ(info.GetColumnValue(20, 1, out), 0);
    EXPECT_EQ(out, "");

    EXPECT_EQ(info.SetColumnValue(56, 0, "Y"), CDBColumnInfo::kErrIndex);
    EXPECT_EQ(info.SetColumnValue(-1, 0, "Y"), CDBColumnInfo::kErrIndex);
    EXPECT_EQ(info.SetColumnValue(3, 2, "Y"), CDBColumnInfo::kErrWhich);
    EXPECT_EQ(info.GetColumnValue(3, -1, out), CDBColumnInfo::kErrWhich);
    EXPECT_FALSE(info.IsChanged());
}

TEST_F(ColumnLayoutTest, SavedTableLoadsTheSame) {
    CDBColumnInfo info(ini_);
    ASSERT_EQ(info.LoadColumnInfo(), 0);
    ASSERT_EQ(info.SetColumnValue(7, 0, "Y"), 0);
    ASSERT_EQ(info.SetColumnValue(7, 1, "222"), 0);
    ASSERT_EQ(info.SetColumnValue(0, 0, "N"), 0);
    EXPECT_TRUE(info.IsChanged());
    ASSERT_EQ(info.SaveColumnInfo(), 0);
    EXPECT_FALSE(info.IsChanged());
    EXPECT_EQ(Stored("COLUMNVIEW", 0), "N");  // stored as asked ...
    EXPECT_EQ(Stored("COLUMNWIDTH", 55), "140");

    CDBColumnInfo again(ini_);
    ASSERT_EQ(again.LoadColumnInfo(), 0);
    EXPECT_EQ(again.IsColumnShown(0), 1);  // ... and shown all the same
    EXPECT_EQ(again.IsColumnShown(7), 1);
    EXPECT_EQ(again.GetColumnWidth(7), 222);
    for (int e = 1; e < CDBColumnInfo::kElements; ++e) {
        if (e == 7) continue;
        EXPECT_EQ(again.IsColumnShown(e), info.IsColumnShown(e)) << e;
        EXPECT_EQ(again.GetColumnWidth(e), info.GetColumnWidth(e)) << e;
    }
    EXPECT_EQ(CDBColumnInfo().SaveColumnInfo(), CDBColumnInfo::kErrTable);
}

TEST_F(ColumnLayoutTest, ListColumnsFollowTheDisplayOrder) {
    Put("COLUMNVIEW", 1, "N");
    Put("COLUMNVIEW", 9, "Y");
    Put("COLUMNVIEW", 10, "Y");   // no column, whatever the flag
    Put("COLUMNVIEW", 14, "Y");
    Put("COLUMNVIEW", 29, "Y");
    Put("COLUMNVIEW", 54, "Y");
    Put("COLUMNWIDTH", 29, "77");
    CDBColumnInfo info(ini_);
    ASSERT_EQ(info.LoadColumnInfo(), 0);
    std::vector<std::string> names(20);
    names[1] = S("会員番号");
    const auto columns = addressui::BuildListColumns(info, names, 12);
    std::vector<int> elements;
    for (const auto& c : columns) elements.push_back(c.element);
    EXPECT_EQ(elements, (std::vector<int>{0, 2, 3, 6, 9, 12, 21, 29, 54, 55}));
    EXPECT_EQ(columns[0].caption, S("個人ID"));
    EXPECT_EQ(columns[0].width, 75);
    EXPECT_EQ(columns[4].caption, S("郵便番号"));
    EXPECT_EQ(columns[5].caption, S("市区町村"));  // the searched field, shown though hidden
    EXPECT_EQ(columns[6].caption, S("DM送付可否"));
    EXPECT_EQ(columns[7].caption, S("会員番号"));
    EXPECT_EQ(columns[7].width, 77);
    EXPECT_EQ(columns[8].caption, S("登録日時"));
    EXPECT_EQ(columns[9].caption, S("更新日時"));
}

class ColumnSelectTest : public rectest::RecordEnvTest {};

TEST_F(ColumnSelectTest, OkStoresEveryBoxAndSavesCancelChangesNothing) {
    const std::string ini = service_->EnvIniPath();
    CDBColumnInfo info;
    ASSERT_EQ(info.LoadColumnInfo(), 0);
    {
        addressui::CColumnSelectDlg dialog(&info);
        auto* id = rectest::Control<QCheckBox>(&dialog, 5200);
        auto* dept = rectest::Control<QCheckBox>(&dialog, 5207);
        auto* attrB = rectest::Control<QCheckBox>(&dialog, 5220);
        ASSERT_TRUE(id && dept && attrB);
        EXPECT_TRUE(id->isChecked());
        EXPECT_FALSE(dept->isChecked());
        EXPECT_EQ(attrB->text(), ui::U8("会員番号"));  // the attribute's name from the settings
        dept->setChecked(true);
        ui::test::WhenDialogShows("dlg175", [](QDialog* d) { ui::test::ClickControl(d, 2); });
        EXPECT_EQ(dialog.DoModal(), 2);
    }
    EXPECT_EQ(info.IsColumnShown(7), 0);
    std::string stored;
    EXPECT_EQ(CIniManager::GetProfileStringA(ini, "COLUMNVIEW", "7", stored, ""), 0);

    addressui::CColumnSelectDlg dialog(&info);
    rectest::Control<QCheckBox>(&dialog, 5200)->setChecked(false);
    rectest::Control<QCheckBox>(&dialog, 5207)->setChecked(true);
    rectest::Control<QCheckBox>(&dialog, 5213)->setChecked(true);
    ui::test::WhenDialogShows("dlg175", [](QDialog* d) { ui::test::ClickControl(d, 1); });
    EXPECT_EQ(dialog.DoModal(), 1);
    CIniManager::GetProfileStringA(ini, "COLUMNVIEW", "7", stored, "");
    EXPECT_EQ(stored, "Y");
    CIniManager::GetProfileStringA(ini, "COLUMNVIEW", "14", stored, "");
    EXPECT_EQ(stored, "Y");
    CIniManager::GetProfileStringA(ini, "COLUMNVIEW", "0", stored, "");
    EXPECT_EQ(stored, "N");
    CDBColumnInfo reloaded;
    ASSERT_EQ(reloaded.LoadColumnInfo(), 0);
    EXPECT_EQ(reloaded.IsColumnShown(0), 1);
    EXPECT_EQ(reloaded.IsColumnShown(7), 1);
    EXPECT_EQ(addressui::CColumnSelectDlg::ElementOfBox(5216), 19);
    EXPECT_EQ(addressui::CColumnSelectDlg::ElementOfBox(5238), 47);
}

}  // namespace
