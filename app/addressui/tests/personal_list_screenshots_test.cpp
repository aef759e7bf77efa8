// Renders the personal-information list over 1,200 people with Japanese records, sorted by
// ID and by surname, the new-destination name dialog, and the address book of destination
// lists, into the screenshot folder (QUENDREL_SCREENSHOT_DIR).
//
// Registered under suites of their own ("Screenshots.PersonalList",
// "Screenshots.AddressBookOfLists"), which the screenshot script's filter "Screenshots.*"
// runs too.
#include <gtest/gtest.h>

#include <QItemSelectionModel>
#include <QLineEdit>
#include <QTableView>

#include <functional>

#include "app/addressui/address_book_dlg.h"
#include "app/addressui/address_book_model.h"
#include "app/addressui/db_list_dlg.h"
#include "app/addressui/new_dest_list.h"
#include "app/addressui/personal_list_model.h"
#include "app/addressui/tests/extraction_test_env.h"
#include "app/ui/testing/screenshot.h"

namespace {

using rectest::S;
using ui::test::SaveScreenshot;

class PeopleScreens : public extest::ExtractionEnvTest {
public:
    explicit PeopleScreens(std::function<void(PeopleScreens&)> body) : body_(std::move(body)) {}
    void TestBody() override { body_(*this); }

    void SetUp() override {
        ExtractionEnvTest::SetUp();
        addressui::CDBListDlg::ResetSortState();
        const char* const sei[] = {"佐藤", "鈴木", "高橋", "田中", "伊藤", "渡辺", "山本", "中村", "小林", "加藤"};
        const char* const kanaSei[] = {"さとう", "すずき", "たかはし", "たなか", "いとう",
                                       "わたなべ", "やまもと", "なかむら", "こばやし", "かとう"};
        const char* const mei[] = {"花子", "一郎", "美咲", "健太", "直子", "翔", "由美", "大輔", "陽菜", "蓮", "結衣"};
        const char* const companies[] = {"株式会社みらい商事", "鈴木工業", "", "田中設計事務所", "株式会社ソフト開発",
                                         "", "山本商店", "中村運輸"};
        CDatabaseEdit::ChangeGroup group(Book());  // one commit for them all
        for (int id = 101; id < 101 + 1200; ++id) {
            char renewal[32];
            std::snprintf(renewal, sizeof renewal, "2024/%02d/%02d %02d:%02d:00", 1 + id % 12, 1 + id % 28, id % 24,
                          id % 60);
            AddRow(id, {{kElemEmail, "member" + std::to_string(id) + (id % 3 ? "@example.jp" : "@docomo.ne.jp")},
                        {kElemKanjiSei, S(sei[id % 10])},
                        {kElemKanjiMei, S(mei[id % 11])},
                        {kElemKanaSei, S(kanaSei[id % 10])},
                        {kElemCompany, S(companies[id % 8])},
                        {kElemDMOk, id % 13 == 0 ? "N" : "Y"},
                        {kElemRenewalDate, renewal}});
        }
    }
    void TearDown() override {
        addressui::CDBListDlg::ResetSortState();
        ExtractionEnvTest::TearDown();
    }
    using ExtractionEnvTest::AddList;
    using ExtractionEnvTest::Lists;

private:
    std::function<void(PeopleScreens&)> body_;
};

void RegisterPersonalListShot(const char* suite, const char* name, std::function<void(PeopleScreens&)> body) {
    ::testing::RegisterTest(suite, name, nullptr, nullptr, __FILE__, __LINE__,
                            [body]() -> extest::ExtractionEnvTest* { return new PeopleScreens(body); });
}

void OpenList(addressui::CDBListDlg& dialog) {
    dialog.resize(1040, 640);
    dialog.show();
    ASSERT_TRUE(ui::test::WaitUntil([&] { return !dialog.IsBusy() && dialog.Model()->EntryCount() > 0; }));
}

[[maybe_unused]] const bool personalListShotsRegistered = [] {
    RegisterPersonalListShot("Screenshots.PersonalList", "ListByIdAndBySurname", [](PeopleScreens&) {
        addressui::CDBListDlg dialog(nullptr, nullptr);
        OpenList(dialog);
        dialog.List()->selectionModel()->select(dialog.Model()->index(2, 0),
                                                QItemSelectionModel::Select | QItemSelectionModel::Rows);
        EXPECT_TRUE(SaveScreenshot(&dialog, "dlg141_personal_list"));
        dialog.SortByColumn(dialog.Model()->ColumnOf(kElemKanjiSei));
        ASSERT_TRUE(ui::test::WaitUntil([&] { return !dialog.IsBusy(); }));
        dialog.NextPage();
        EXPECT_TRUE(SaveScreenshot(&dialog, "dlg141_personal_list_by_surname_page2"));
    });
    RegisterPersonalListShot("Screenshots.PersonalList", "NewDestinationName", [](PeopleScreens&) {
        addressui::CNewDestNameDlg dialog;
        rectest::Control<QLineEdit>(&dialog, addressui::CNewDestNameDlg::kIdcName)->setText(ui::U8("春の優待会員"));
        EXPECT_TRUE(SaveScreenshot(&dialog, "dlg335_new_destination_name"));
    });
    RegisterPersonalListShot("Screenshots.AddressBookOfLists", "ListsForAMail", [](PeopleScreens& t) {
        t.AddList("東京都の会員", {}, {1, 5, 8}, "2024/11/02 10:15:00");
        const int honored = t.AddList("春のキャンペーン当選者", {}, {2, 7}, "2024/12/01 09:00:00");
        t.AddList("携帯アドレスの方", {}, {2, 5}, "2024/12/05 18:30:12");
        t.AddList("全会員", {}, {1, 2, 5, 6, 7, 8}, "2024/12/09 08:00:00");
        t.Lists().CorrectExtractListPinPoint(S("様").c_str(), honored, 4);
        t.Lists().WriteAllExtractListToFile();
        addressui::CAddressBookDlg dialog(nullptr, addressui::CAddressBookDlg::kModeForMail,
                                          addressui::CAddressBookDlg::kNewMail);
        dialog.resize(620, 360);
        dialog.List()->selectionModel()->select(dialog.Model()->index(1, 0),
                                                QItemSelectionModel::Select | QItemSelectionModel::Rows);
        EXPECT_TRUE(SaveScreenshot(&dialog, "dlg125_address_book"));
    });
    return true;
}();

}  // namespace
