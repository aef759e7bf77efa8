// The address book of destination lists: what it lists and counts, its commands, and the
// hand-over of a list to a mail with the freshness test against the address book (a list
// as new as the book goes as it is; an older one is rebuilt first; a failed rebuild hands
// nothing over; changes made in memory count as newer than any list).
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableView>

#include <chrono>
#include <filesystem>

#include "app/addressui/address_book_dlg.h"
#include "app/addressui/address_book_model.h"
#include "app/addressui/db_list_dlg.h"
#include "app/addressui/personal_list_model.h"
#include "app/addressui/tests/extraction_test_env.h"
#include "app/addressui/tests/personal_list_test_env.h"
#include "core/foundation/file_info.h"
#include "core/foundation/ini_manager.h"

namespace {
namespace address_book_test {

using addressui::CAddressBookDlg;
using namespace extest;

class AddressBookTest : public ExtractionEnvTest {
protected:
    void SetUp() override {
        ExtractionEnvTest::SetUp();
        addressui::CDBListDlg::ResetSortState();
        // The book on disk, dated back to a known second.
        ASSERT_EQ(Book().WriteFromMemoryToFile(), 0);
        const auto when = std::chrono::file_clock::now() - std::chrono::hours(24 * 30);
        std::filesystem::last_write_time(env_layout::DatabaseFile(*Env()), when);
        ASSERT_EQ(GetFileStat_LastRenewalDate(env_layout::DatabaseFile(*Env()), bookTime_), 1);
    }
    void TearDown() override {
        addressui::CDBListDlg::ResetSortState();
        ExtractionEnvTest::TearDown();
    }

    // Tokyo people with advertising mail allowed: 5, 1, 8 (3 refuses it, 4 is deleted).
    int TokyoList(const std::string& lastUpdate) {
        return AddList("東京の会員", {{0, 0, Values(kElemPrefecture, {S("東京都")})}}, {1}, lastUpdate);
    }
    void SetOption13(const char* value) { ASSERT_EQ(Options().SetSODataToMemoryPinPoint(13, value), 0); }
    static void SelectRow(CAddressBookDlg& d, int row) {
        d.List()->selectionModel()->select(d.Model()->index(row, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    std::string StoredHonorific(int id) {
        ExtractListViewer lists;
        lists.SetEnvManager(Env(), 1);
        std::string text;
        lists.GetExtractHonorific(id, text);
        return text;
    }
    static std::vector<int> Sorted(std::vector<int> v) {
        std::sort(v.begin(), v.end());
        return v;
    }

    std::string bookTime_;
};

TEST_F(AddressBookTest, ListsAndCountsOnlyLiveListsAndBrowsingNeverHandsOneOver) {
    AddList("会員A", {}, {1});
    const int gone = AddList("会員B", {}, {2});
    AddList("会員C", {}, {5});
    ASSERT_EQ(Lists().DeleteExtractList(gone), 1);
    ASSERT_EQ(Lists().WriteAllExtractListToFile(), 1);

    CAddressBookDlg dialog(nullptr, CAddressBookDlg::kModeBrowse, CAddressBookDlg::kDuplicateMail);
    dialog.show();
    ASSERT_EQ(dialog.Model()->rowCount(), 2);
    EXPECT_EQ(dialog.Model()->data(dialog.Model()->index(1, 1)).toString(), ui::U8("会員C"));
    EXPECT_EQ(dialog.Model()->data(dialog.Model()->index(0, 2)).toString(), QStringLiteral("2024/01/02 03:04:05"));
    EXPECT_EQ(rectest::Control<QLabel>(&dialog, CAddressBookDlg::kIdcCount)->text(), ui::U8("宛先数： 2件"));
    EXPECT_FALSE(rectest::Control<QPushButton>(&dialog, CAddressBookDlg::kIdcEdit)->isEnabled());
    SelectRow(dialog, 0);
    EXPECT_TRUE(rectest::Control<QPushButton>(&dialog, CAddressBookDlg::kIdcEdit)->isEnabled());
    EXPECT_FALSE(rectest::Control<QPushButton>(&dialog, CAddressBookDlg::kIdcSetDestination)->isEnabled());
    QMenu* menu = dialog.ContextMenu();
    EXPECT_FALSE(menu->findChild<QAction*>(ui::ControlName(CAddressBookDlg::kIdcSetDestination))->isEnabled());
    EXPECT_TRUE(menu->findChild<QAction*>(ui::ControlName(CAddressBookDlg::kIdcDetail))->isEnabled());
    dialog.SetAsMailDestination();
    EXPECT_TRUE(dialog.isVisible());
}

TEST_F(AddressBookTest, DeleteMarksHonorificsAndWidthsAreKept) {
    ASSERT_TRUE(CIniManager::WriteProfileStringA(service_->EnvIniPath(), "ADDRESSLISTINFO", "EXTRACTIDW", "0"));
    ASSERT_TRUE(CIniManager::WriteProfileStringA(service_->EnvIniPath(), "ADDRESSLISTINFO", "EXTRACTNAMEW", "1200"));
    ASSERT_TRUE(CIniManager::WriteProfileStringA(service_->EnvIniPath(), "ADDRESSLISTINFO", "RENEWALDATEW", "300"));
    const int a = AddList("会員A", {}, {1});
    const int b = AddList("会員B", {}, {2});
    AddList("会員C", {}, {5});
    CAddressBookDlg dialog(nullptr, CAddressBookDlg::kModeBrowse, CAddressBookDlg::kDuplicateMail);
    dialog.show();
    EXPECT_EQ(dialog.List()->columnWidth(0), 50);
    EXPECT_EQ(dialog.List()->columnWidth(1), 100);
    EXPECT_EQ(dialog.List()->columnWidth(2), 300);

    SelectRow(dialog, 0);
    SelectRow(dialog, 1);
    ui::test::WhenDialogShows("dlg273", [](QDialog* d) {
        ui::test::TypeText(rectest::Control<QLineEdit>(d, 1770), "様");
        ui::test::ClickControl(d, 1);
    });
    dialog.AddHonorific();
    EXPECT_EQ(StoredHonorific(a), S("様"));
    EXPECT_EQ(StoredHonorific(b), S("様"));
    EXPECT_EQ(dialog.Model()->data(dialog.Model()->index(1, 3)).toString(), ui::U8("様"));

    dialog.List()->clearSelection();
    SelectRow(dialog, 0);
    prompts_.Answer(platform::kIdYes);
    dialog.DeleteLists();
    EXPECT_EQ(prompts_.texts().back(), ui::U8("宛先ID[%1]を削除します。よろしいですか？").arg(a));
    EXPECT_EQ(dialog.Model()->rowCount(), 2);
    ExtractListViewer fresh;
    fresh.SetEnvManager(Env(), 1);
    EXPECT_EQ(fresh.CountExtractList(), 2);
    // The deleted list's files stay.
    EXPECT_EQ(StoredIds(1, a), (std::vector<int>{1}));

    dialog.List()->setColumnWidth(1, 222);
    ui::test::ClickControl(&dialog, CAddressBookDlg::kIdcClose);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(CIniManager::GetProfileIntA(service_->EnvIniPath(), "ADDRESSLISTINFO", "EXTRACTNAMEW", 0), 222u);
}

TEST_F(AddressBookTest, AListFileThatDoesNotReadIsSaidAndKeptAsItIs) {
    AddList("会員A", {}, {1});
    const std::string file = env_layout::ExtractListFile(*Env());
    std::filesystem::resize_file(file, std::filesystem::file_size(file) - 3);
    const auto damaged = std::filesystem::file_size(file);
    CAddressBookDlg dialog(nullptr, CAddressBookDlg::kModeBrowse, CAddressBookDlg::kDuplicateMail);
    dialog.show();
    ASSERT_TRUE(ui::test::WaitUntil([&] { return !prompts_.prompts().empty(); }));
    EXPECT_EQ(prompts_.captions()[0], ui::U8("アドレス帳エラー"));
    EXPECT_EQ(dialog.Model()->rowCount(), 0);
    // A new list cannot be entered into a store that did not read.
    ExtractViewData entry;
    entry.id = 77;
    entry.name = S("新しい宛先");
    EXPECT_EQ(dialog.Lists().InsertExtractList(entry), 0);
    ui::test::ClickControl(&dialog, CAddressBookDlg::kIdcClose);
    EXPECT_EQ(std::filesystem::file_size(file), damaged);
}

TEST_F(AddressBookTest, TwoListsCannotBeTheDestinationOfOneMail) {
    AddList("会員A", {}, {1});
    AddList("会員B", {}, {2});
    CAddressBookDlg dialog(nullptr, CAddressBookDlg::kModeForMail, CAddressBookDlg::kNewMail);
    dialog.show();
    SelectRow(dialog, 0);
    SelectRow(dialog, 1);
    EXPECT_TRUE(rectest::Control<QPushButton>(&dialog, CAddressBookDlg::kIdcSetDestination)->isEnabled());
    dialog.SetAsMailDestination();
    ASSERT_EQ(prompts_.prompts().size(), 1u);
    EXPECT_EQ(prompts_.captions()[0], ui::U8("複数宛先の設定はできません"));
    EXPECT_TRUE(dialog.isVisible());
}

TEST_F(AddressBookTest, AListAsNewAsTheBookIsHandedOverAsItIs) {
    const int id = TokyoList(bookTime_);
    CAddressBookDlg dialog(nullptr, CAddressBookDlg::kModeForMail, CAddressBookDlg::kNewMail);
    dialog.show();
    SelectRow(dialog, 0);
    dialog.SetAsMailDestination();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    ASSERT_EQ(prompts_.prompts().size(), 1u);
    EXPECT_EQ(prompts_.texts()[0], ui::U8("新規作成メールの宛先を\r\n[東京の会員]に設定します。\r\n\r\nよろしいですか？"));
    EXPECT_EQ(dialog.GetResult().id, id);
    EXPECT_EQ(dialog.GetResult().name, S("東京の会員"));
    EXPECT_EQ(StoredIds(1, id), (std::vector<int>{1}));
    EXPECT_EQ(StoredLastUpdate(id), bookTime_);
}

TEST_F(AddressBookTest, AnOlderListIsRebuiltSilentlyWithOption13ForANewMail) {
    SetOption13("Y");
    const int id = TokyoList("2001/01/01 00:00:00");
    CAddressBookDlg dialog(nullptr, CAddressBookDlg::kModeForMail, CAddressBookDlg::kNewMail);
    dialog.show();
    SelectRow(dialog, 0);
    dialog.SetAsMailDestination();
    ASSERT_TRUE(ui::test::WaitUntil([&] { return dialog.result() == QDialog::Accepted; }));
    // The confirmation and the closing message; no question about the refresh.
    ASSERT_EQ(prompts_.prompts().size(), 2u);
    EXPECT_EQ(prompts_.captions()[1], ui::U8("宛先を最新にしました"));
    EXPECT_EQ(Sorted(StoredIds(1, id)), (std::vector<int>{1, 5, 8}));
    EXPECT_GT(StoredLastUpdate(id), bookTime_);
}

TEST_F(AddressBookTest, AnOlderListForAStoredMailGoesThroughTheRefreshDialog) {
    SetOption13("Y");
    const int id = TokyoList("2001/01/01 00:00:00");
    const int mail = AddMail("D", "NN", {}, {1});
    CAddressBookDlg dialog(nullptr, CAddressBookDlg::kModeForMail, mail);
    dialog.show();
    SelectRow(dialog, 0);
    dialog.SetAsMailDestination();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    // Only the question whether to change the mail's destination: option 13 keeps quiet.
    ASSERT_EQ(prompts_.prompts().size(), 1u);
    EXPECT_EQ(prompts_.captions()[0], ui::U8("メール宛先変更の確認"));
    EXPECT_TRUE(prompts_.texts()[0].startsWith(ui::U8("メールID:%1[セールのお知らせ]の宛先を").arg(mail)));
    EXPECT_EQ(Sorted(StoredIds(1, id)), (std::vector<int>{1, 5, 8}));
}

TEST_F(AddressBookTest, DecliningTheRefreshHandsTheListOverUnchanged) {
    SetOption13("N");
    const int id = TokyoList("2001/01/01 00:00:00");
    const int mail = AddMail("D", "YN", {}, {1});
    CAddressBookDlg dialog(nullptr, CAddressBookDlg::kModeForMail, mail);
    dialog.show();
    SelectRow(dialog, 0);
    prompts_.Answer(platform::kIdYes);  // the special destination may go
    prompts_.Answer(platform::kIdYes);  // change the mail's destination
    prompts_.Answer(platform::kIdNo);   // but do not refresh
    dialog.SetAsMailDestination();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    ASSERT_EQ(prompts_.prompts().size(), 3u);
    EXPECT_EQ(prompts_.captions()[0], ui::U8("特殊宛先変更確認"));
    EXPECT_EQ(prompts_.captions()[2], ui::U8("アドレス帳の宛先を最新状態にします"));
    EXPECT_EQ(StoredIds(1, id), (std::vector<int>{1}));
}

TEST_F(AddressBookTest, AFailedRebuildHandsNothingOverAndWritesNothing) {
    SetOption13("Y");
    const int id = TokyoList("2001/01/01 00:00:00");
    std::filesystem::remove(env_layout::ExtractConditionFile(*Env(), id));
    CAddressBookDlg dialog(nullptr, CAddressBookDlg::kModeForMail, CAddressBookDlg::kNewMail);
    dialog.show();
    SelectRow(dialog, 0);
    dialog.SetAsMailDestination();
    ASSERT_TRUE(ui::test::WaitUntil([&] { return !dialog.IsBusy(); }));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(prompts_.captions().back(), ui::U8("抽出実行エラー"));
    EXPECT_EQ(StoredIds(1, id), (std::vector<int>{1}));
    EXPECT_EQ(StoredLastUpdate(id), "2001/01/01 00:00:00");
}

TEST_F(AddressBookTest, APersonDeletedInTheNestedListMakesAFreshListOlder) {
    SetOption13("Y");
    const int id = AddList("全員", {}, {1, 2, 5, 6, 7, 8}, bookTime_);
    CAddressBookDlg dialog(nullptr, CAddressBookDlg::kModeForMail, CAddressBookDlg::kNewMail);
    dialog.show();
    bool deleted = false;
    ui::test::WhenDialogShows("dlg141", [&](QDialog* d) {
        auto* list = static_cast<addressui::CDBListDlg*>(d);
        ASSERT_TRUE(ui::test::WaitUntil([&] { return !list->IsBusy() && list->Model()->EntryCount() > 0; }));
        ASSERT_EQ(list->Model()->IdAt(0), 1);
        list->List()->selectionModel()->select(list->Model()->index(0, 0),
                                               QItemSelectionModel::Select | QItemSelectionModel::Rows);
        list->DeleteRecords();  // the question is answered Yes
        ASSERT_TRUE(ui::test::WaitUntil([&] { return !list->IsBusy(); }));
        deleted = true;
        list->CloseWithOk();
    });
    dialog.OpenPersonalList();
    ASSERT_TRUE(deleted);
    ASSERT_TRUE(Book().IsChanged());

    prompts_.clear();
    SelectRow(dialog, 0);
    dialog.SetAsMailDestination();
    ASSERT_TRUE(ui::test::WaitUntil([&] { return dialog.result() == QDialog::Accepted; }));
    // The book was saved on the way, and the list rebuilt without the deleted person.
    EXPECT_FALSE(Book().IsChanged());
    EXPECT_EQ(Sorted(StoredIds(1, id)), (std::vector<int>{2, 5, 6, 7, 8}));
}

TEST_F(AddressBookTest, ThePersonalListIsRefusedDuringARun) {
    CAddressBookDlg dialog(nullptr, CAddressBookDlg::kModeBrowse, CAddressBookDlg::kDuplicateMail);
    dialog.show();
    pltest::FakeRun run;
    dialog.OpenPersonalList();
    ASSERT_EQ(prompts_.prompts().size(), 1u);
    EXPECT_EQ(prompts_.texts()[0], ui::U8("送受信中は個人情報の変更ができません"));
    EXPECT_EQ(prompts_.captions()[0], ui::U8("個人情報"));
}

TEST(AddressBookFreshness, EqualTimesAreUpToDate) {
    EXPECT_FALSE(addressui::ListOlderThanBook("2024/05/06 07:08:09", "2024/05/06 07:08:09"));
    EXPECT_TRUE(addressui::ListOlderThanBook("2024/05/06 07:08:08", "2024/05/06 07:08:09"));
    EXPECT_FALSE(addressui::ListOlderThanBook("2024/05/06 07:08:10", "2024/05/06 07:08:09"));
    EXPECT_TRUE(addressui::ListOlderThanBook("", "2024/05/06 07:08:09"));
}

}  // namespace address_book_test
}  // namespace
