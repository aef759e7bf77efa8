// Renders the search screens with Japanese records into the screenshot folder
// (QUENDREL_SCREENSHOT_DIR): the search dialog, a search result list, the value selection,
// the column selection and the destination-name dialog.
//
// The folder's test binary has its "Screenshots" fixture already (the record editor's), and
// a suite may have one fixture only, so these tests register under the suite
// "Screenshots.AddressSearch": the screenshot script's filter "Screenshots.*" runs them too.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListView>
#include <QTableView>

#include <functional>

#include "app/addressui/column_layout.h"
#include "app/addressui/column_select_dlg.h"
#include "app/addressui/equal_value_dlg.h"
#include "app/addressui/name_dlgs.h"
#include "app/addressui/search_dlg.h"
#include "app/addressui/search_filter.h"
#include "app/addressui/search_result_dlg.h"
#include "app/addressui/search_result_model.h"
#include "app/addressui/tests/record_test_env.h"
#include "app/ui/testing/screenshot.h"

namespace {
namespace search_screenshots_test {

using namespace rectest;
using ui::test::SaveScreenshot;

class SearchScreens : public RecordEnvTest {
protected:
    void SetUp() override {
        RecordEnvTest::SetUp();
        struct Person {
            const char *sei, *mei, *kanaSei, *kanaMei, *mail, *company, *prefecture, *zip, *phone, *birth;
        };
        const Person people[] = {
            {"佐藤", "花子", "さとう", "はなこ", "hanako.sato@example.jp", "株式会社みらい商事", "東京都", "1000005",
             "03-3211-0001", "1985/04/12 00:00:00"},
            {"鈴木", "一郎", "すずき", "いちろう", "ichiro@example.co.jp", "鈴木工業", "大阪府", "5300001",
             "06-6341-0002", "1972/11/03 00:00:00"},
            {"高橋", "美咲", "たかはし", "みさき", "misaki.t@example.ne.jp", "", "神奈川県", "2310023", "045-201-0003",
             "1990/07/21 00:00:00"},
            {"田中", "健太", "たなか", "けんた", "kenta@example.jp", "田中設計事務所", "東京都", "1500002",
             "03-5466-0004", ""},
            {"伊藤", "直子", "いとう", "なおこ", "naoko.ito@example.com", "株式会社ソフト開発", "愛知県", "4500002",
             "052-551-0005", "1968/02/29 00:00:00"},
            {"渡辺", "翔", "わたなべ", "しょう", "sho.w@example.jp", "", "東京都", "1600022", "03-3354-0006",
             "2001/09/09 00:00:00"},
            {"山本", "由美", "やまもと", "ゆみ", "yumi@example.org", "山本商店", "福岡県", "8100001", "092-711-0007",
             ""},
            {"中村", "大輔", "なかむら", "だいすけ", "daisuke.n@example.jp", "中村運輸", "神奈川県", "2200012",
             "045-222-0008", "1979/12/24 00:00:00"},
        };
        int id = 1001;
        for (const Person& p : people) {
            AddRow(id++, {{kElemEmail, p.mail},
                          {kElemKanjiSei, S(p.sei)},
                          {kElemKanjiMei, S(p.mei)},
                          {kElemKanaSei, S(p.kanaSei)},
                          {kElemKanaMei, S(p.kanaMei)},
                          {kElemCompany, S(p.company)},
                          {kElemPrefecture, S(p.prefecture)},
                          {kElemZipCode1, p.zip},
                          {kElemPhone1, p.phone},
                          {kElemBirthday, p.birth}});
        }
    }
};

// One screenshot test: the fixture with `body` as its test body.
class SearchScreenTest : public SearchScreens {
public:
    explicit SearchScreenTest(std::function<void(SearchScreenTest&)> body) : body_(std::move(body)) {}
    void TestBody() override { body_(*this); }
    using SearchScreens::Book;

private:
    std::function<void(SearchScreenTest&)> body_;
};

void RegisterSearchShot(const char* name, std::function<void(SearchScreenTest&)> body) {
    ::testing::RegisterTest("Screenshots.AddressSearch", name, nullptr, nullptr, __FILE__, __LINE__,
                            [body]() -> SearchScreens* { return new SearchScreenTest(body); });
}

OneExtractCondition PrefectureCondition() {
    OneExtractCondition c;
    c.element = kElemPrefecture;
    c.kind = "E";
    c.values = {S("東京都"), S("神奈川県")};
    return c;
}

[[maybe_unused]] const bool searchShotsRegistered = [] {
    RegisterSearchShot("SearchDialog", [](SearchScreenTest&) {
        addressui::CDBSearchDlg dialog;
        auto* field = Control<QComboBox>(&dialog, addressui::CDBSearchDlg::kIdcField);
        field->setCurrentIndex(field->findText(ui::U8("都道府県")));
        Control<QLineEdit>(&dialog, addressui::CDBSearchDlg::kIdcValues)->setText(ui::U8("東京都,神奈川県"));
        EXPECT_TRUE(SaveScreenshot(&dialog, "dlg191_search"));
    });
    RegisterSearchShot("SearchResult", [](SearchScreenTest& t) {
        OneExtractCondition condition = PrefectureCondition();
        std::vector<int> hits = addressui::RunSearch(t.Book(), condition);
        addressui::CSearchResultDlg dialog(&hits, &condition);
        dialog.resize(980, 420);
        dialog.List()->selectionModel()->select(dialog.Model()->index(1, 0),
                                                QItemSelectionModel::Select | QItemSelectionModel::Rows);
        EXPECT_TRUE(SaveScreenshot(&dialog, "dlg193_search_result"));
        dialog.List()->sortByColumn(2, Qt::AscendingOrder);
        EXPECT_TRUE(SaveScreenshot(&dialog, "dlg193_search_result_sorted_by_surname"));
    });
    RegisterSearchShot("ValueSelection", [](SearchScreenTest&) {
        addressui::CEqualValueDlg dialog(kElemPrefecture);
        dialog.show();
        ASSERT_TRUE(ui::test::WaitUntil([&] { return !dialog.IsLoading(); }));
        auto* source = Control<QListView>(&dialog, addressui::CEqualValueDlg::kIdcSource);
        source->selectionModel()->select(source->model()->index(0, 0), QItemSelectionModel::Select);
        ui::test::ClickControl(&dialog, addressui::CEqualValueDlg::kIdcAdd);
        EXPECT_TRUE(SaveScreenshot(&dialog, "dlg135_value_selection"));
    });
    RegisterSearchShot("ColumnSelection", [](SearchScreenTest&) {
        addressui::CDBColumnInfo info;
        info.LoadColumnInfo();
        addressui::CColumnSelectDlg dialog(&info);
        EXPECT_TRUE(SaveScreenshot(&dialog, "dlg175_column_selection"));
    });
    RegisterSearchShot("NameDialogs", [](SearchScreenTest&) {
        addressui::CDestNameDlg dest;
        Control<QLineEdit>(&dest, addressui::CDestNameDlg::kIdcName)->setText(ui::U8("東京・神奈川の会員"));
        EXPECT_TRUE(SaveScreenshot(&dest, "dlg157_destination_name"));
        addressui::CConditionNameDlg condition;
        Control<QLineEdit>(&condition, addressui::CConditionNameDlg::kIdcName)->setText(ui::U8("春のキャンペーン"));
        EXPECT_TRUE(SaveScreenshot(&condition, "dlg163_condition_name"));
        addressui::CHonorificDlg honorific;
        Control<QLineEdit>(&honorific, addressui::CHonorificDlg::kIdcName)->setText(ui::U8("様"));
        EXPECT_TRUE(SaveScreenshot(&honorific, "dlg273_honorific"));
    });
    return true;
}();

}  // namespace search_screenshots_test
}  // namespace
