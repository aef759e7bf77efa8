// Renders the extraction screens with Japanese records into the screenshot folder
// (QUENDREL_SCREENSHOT_DIR): the wizard's three group pages and its result page after a
// run, the condition dialog, the destination details and the refresh dialog.
//
// The suite is "Screenshots.Extraction" (a suite may have one fixture only, and this
// binary's "Screenshots" suite has the record editor's); the screenshot script's filter
// "Screenshots.*" runs it.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>

#include <functional>

#include "app/addressui/dest_detail_dlg.h"
#include "app/addressui/dest_renew_dlg.h"
#include "app/addressui/extract_condition_dlg.h"
#include "app/addressui/extract_condition_page.h"
#include "app/addressui/extract_condition_text.h"
#include "app/addressui/extract_result_page.h"
#include "app/addressui/extract_wizard.h"
#include "app/addressui/recipient_page_list.h"
#include "app/addressui/tests/extraction_test_env.h"
#include "app/ui/testing/screenshot.h"

namespace {
namespace extraction_screenshots_test {

using namespace extest;
using ui::test::SaveScreenshot;

class ExtractionScreens : public ExtractionEnvTest {
protected:
    void SetUp() override {
        ExtractionEnvTest::SetUp();
        struct Person {
            const char *sei, *mei, *mail, *company, *pref, *number;
        };
        const Person people[] = {
            {"青木", "真由美", "mayumi.aoki@example.jp", "株式会社青空出版", "東京都", "120"},
            {"石川", "健一", "k-ishikawa@docomo.ne.jp", "石川建設", "東京都", "85"},
            {"上田", "さくら", "sakura@ezweb.ne.jp", "", "神奈川県", "240"},
            {"江藤", "大樹", "daiki.eto@example.co.jp", "江藤税理士事務所", "東京都", "310"},
            {"小野", "美香", "mika.ono@softbank.ne.jp", "小野花店", "埼玉県", "55"},
            {"加藤", "翔太", "shota.kato@example.ne.jp", "株式会社カトウ電機", "東京都", "160"},
        };
        int id = 101;
        for (const Person& p : people)
            AddRow(id++, {{kElemEmail, p.mail},
                          {kElemKanjiSei, S(p.sei)},
                          {kElemKanjiMei, S(p.mei)},
                          {kElemCompany, S(p.company)},
                          {kElemPrefecture, S(p.pref)},
                          {kNumberB, p.number}});
    }
    std::vector<Placed> Conditions() const {
        return {{0, 0, Values(kElemPrefecture, {S("東京都"), S("神奈川県")})},
                {0, 1, Range(kNumberB, "100", "300")},
                {1, 0, Values(kElemEmail, {"docomo.ne.jp", "ezweb.ne.jp"})},
                {1, 1, Values(kElemCompany, {S("株式会社")}, "N")},
                {2, 0, Values(kElemKanjiSei, {S("小野")})}};
    }
};

class ExtractionScreenTest : public ExtractionScreens {
public:
    explicit ExtractionScreenTest(std::function<void(ExtractionScreenTest&)> body) : body_(std::move(body)) {}
    void TestBody() override { body_(*this); }
    using ExtractionScreens::AddList;
    using ExtractionScreens::AddMail;
    using ExtractionScreens::Conditions;
    using ExtractionScreens::Lists;
    using ExtractionScreens::prompts_;

private:
    std::function<void(ExtractionScreenTest&)> body_;
};

void RegisterExtractionShot(const char* name, std::function<void(ExtractionScreenTest&)> body) {
    ::testing::RegisterTest("Screenshots.Extraction", name, nullptr, nullptr, __FILE__, __LINE__,
                            [body]() -> ExtractionScreens* { return new ExtractionScreenTest(body); });
}

[[maybe_unused]] const bool extractionShotsRegistered = [] {
    RegisterExtractionShot("WizardPages", [](ExtractionScreenTest& t) {
        addressui::CExtractSheet sheet(&t.Lists(), 1, -1, ui::U8("抽出条件設定"));
        Fill(sheet.GetExtractAction(), t.Conditions());
        for (int tab = 0; tab < 3; ++tab)
            for (int i = 0; i < 5; ++i) sheet.ConditionPage(tab)->UpdateControl(i);
        sheet.resize(860, 520);
        const char* const names[] = {"extract_wizard_group_a", "extract_wizard_group_b", "extract_wizard_group_c"};
        for (int tab = 0; tab < 3; ++tab) {
            sheet.SetActivePage(tab);
            EXPECT_TRUE(SaveScreenshot(&sheet, names[tab]));
        }
        t.prompts_.Answer(platform::kIdYes);
        ui::FindControl<QPushButton>(&sheet, addressui::CExtractSheet::kIdcRunExtraction)->click();
        ASSERT_TRUE(ui::test::WaitUntil([&] { return !sheet.ResultPage()->IsRunning(); }));
        sheet.ResultPage()->List()->selectRow(1);
        EXPECT_TRUE(SaveScreenshot(&sheet, "extract_wizard_result"));
    });
    RegisterExtractionShot("ConditionDialog", [](ExtractionScreenTest&) {
        ExtractAction action;
        action.SetTypeAndID(EC_TYPE_EXTRACT, -1);
        action.SetEnvManager(shell::GetEnvManager());
        action.SetDatabaseEdit(shell::GetDatabaseEdit());
        ASSERT_EQ(action.GetExtractConditionFromFileToMemory(0, nullptr), 0);
        Fill(action, {{0, 0, Values(kElemPrefecture, {S("東京都"), S("神奈川県")})},
                                         {0, 1, Range(kNumberB, "100", "300", "N")}});
        const std::vector<DB_Element_Info> fields = addressui::ExtractFieldList(shell::GetDatabaseEdit());
        addressui::CConditionDlg values(&fields, &action, 0, 0);
        EXPECT_TRUE(SaveScreenshot(&values, "dlg159_condition_values"));
        addressui::CConditionDlg range(&fields, &action, 0, 1);
        EXPECT_TRUE(SaveScreenshot(&range, "dlg159_condition_range"));
    });
    RegisterExtractionShot("DestinationDetails", [](ExtractionScreenTest& t) {
        const int mail = t.AddMail("D", "NN", {{0, 0, Values(kElemPrefecture, {S("東京都")})}},
                                   {101, 102, 104, 106, 1, 5}, "東京都の会員さま");
        addressui::CDestDetailDlg dialog(mail, 0, nullptr);
        dialog.resize(760, 460);
        dialog.show();
        ASSERT_TRUE(ui::test::WaitUntil([&] { return !dialog.IsBusy(); }));
        dialog.List()->selectRow(2);
        EXPECT_TRUE(SaveScreenshot(&dialog, "dlg146_destination_details"));
    });
    RegisterExtractionShot("RefreshDialog", [](ExtractionScreenTest& t) {
        const int list = t.AddList("東京の会員", {{0, 0, Values(kElemPrefecture, {S("東京都")})}}, {101});
        addressui::CDestRenewDlg dialog(1, list);
        EXPECT_TRUE(SaveScreenshot(&dialog, "dlg2003_destination_refresh"));
        dialog.hide();
        ASSERT_TRUE(ui::test::WaitUntil([&] { return !dialog.IsWorking(); }));
    });
    return true;
}();

}  // namespace extraction_screenshots_test
}  // namespace
