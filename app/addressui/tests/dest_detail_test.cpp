// Destination details, re-extraction and refresh: the mail-type and history filters, the
// failures that must leave a destination as it was, the details dialog's opening and
// refresh of a mail and of a list, and the refresh dialog with the scheduler.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

#include "app/addressui/dest_detail_dlg.h"
#include "app/addressui/dest_reextract.h"
#include "app/addressui/dest_renew_dlg.h"
#include "app/addressui/name_dlgs.h"
#include "app/addressui/recipient_page_list.h"
#include "app/addressui/tests/extraction_test_env.h"
#include "app/sendrecv/mail_row_notice.h"
#include "core/foundation/date_utils.h"

namespace {
namespace dest_detail_test {

using namespace extest;
using addressui::CDestDetailDlg;
using addressui::CDestRenewDlg;
using addressui::DestinationRefresher;
using rectest::Control;

class DestinationTest : public ExtractionEnvTest {
protected:
    // Replaces the conditions stored for destination (kind, id) with one the book cannot
    // apply (an element it does not have).
    void SpoilConditions(int kind, int id) {
        ExtractAction action;
        action.SetEnvManager(Env());
        action.SetDatabaseEdit(&Book());
        action.SetTypeAndID(static_cast<ECTYPE>(kind), id);
        ASSERT_EQ(action.GetExtractConditionFromFileToMemory(0, nullptr), 0);
        ASSERT_EQ(action.CorrectString(0, {"60", "E", "x", "Y", "", "", "Y"}), 1);
        ASSERT_EQ(action.WriteAllExtractConditionOnMemoryToFileCompel(), 0);
    }
    std::vector<int> ShownIds(CDestDetailDlg& dialog) {
        std::vector<int> ids;
        for (int r = 0; r < dialog.Model()->rowCount(); ++r) ids.push_back(dialog.Model()->IdAt(r));
        return ids;
    }
    void OpenAndLoad(CDestDetailDlg& dialog) {
        dialog.show();
        ASSERT_TRUE(ui::test::WaitUntil([&] { return !dialog.IsBusy(); }));
        rectest::Pump();
    }
};

// A mail keeps to its type, and its history removes whom it may not be sent to again;
// people the history does not list stay.
TEST_F(DestinationTest, AMailsReExtractionFollowsItsTypeAndHistory) {
    // No condition: every live person who accepts advertising mail (7, 2, 5, 1, 8, 6).
    const int mail = AddMail("D", "NN", {}, {1});
    WriteHistory(mail, {Sent(1, "C"), Sent(2, "E", 0), Sent(5, "W", 3), Sent(7, "W", -1)});
    struct Case {
        int filter;
        std::vector<int> expected;
    };
    const Case cases[] = {
        {addressui::kMailTypeAll, {2, 8, 6}},            // 1 sent, 5 at the retry limit, 7 never resent
        {addressui::kMailTypePcOnly, {}},                // PC: 7, 1 (both excluded by the history)
        {addressui::kMailTypeMobileOnly, {2, 8, 6}},     // docomo, WILLCOM (pdx), WILLCOM
        {addressui::kMailTypeMobileButWillcom, {2}},     // docomo (softbank 5 at its limit)
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.filter);
        DestinationRefresher refresher(0, mail, nullptr);
        ASSERT_TRUE(refresher.Bind());
        ASSERT_EQ(refresher.SetTypeAndID(), 0);
        ASSERT_TRUE(refresher.ReExtract(c.filter));
        EXPECT_EQ(refresher.Result().IDs(), c.expected);
        EXPECT_EQ(refresher.GetExtractedCount(), static_cast<int>(c.expected.size()));
    }
    EXPECT_TRUE(prompts_.prompts().empty());
    EXPECT_EQ(addressui::MailTypeFilterOf('Y'), addressui::kMailTypePcOnly);
    EXPECT_EQ(addressui::MailTypeFilterOf('M'), addressui::kMailTypeMobileButWillcom);
    EXPECT_EQ(addressui::MailTypeFilterOf('N'), addressui::kMailTypeAll);
}

// A history that cannot be read, or conditions that cannot be applied, never change a
// destination: nothing is written, and a list keeps the last update that dates it.
TEST_F(DestinationTest, AFailedRefreshWritesNothing) {
    const int mail = AddMail("D", "NN", {{0, 0, Values(kElemPrefecture, {S("東京都")})}}, {1, 5});
    WriteHistory(mail, {Sent(1, "C")});
    QFile::remove(ui::FromPath(env_layout::MailHistoryFile(*Env(), mail)));
    ASSERT_TRUE(QDir().mkpath(ui::FromPath(env_layout::MailHistoryFile(*Env(), mail))));
    {
        DestinationRefresher refresher(0, mail, nullptr);
        ASSERT_TRUE(refresher.Bind());
        ASSERT_EQ(refresher.SetTypeAndID(), 0);
        ASSERT_EQ(refresher.Result().GetDBIDListFromFileToMemory(0, nullptr), 0);
        EXPECT_FALSE(refresher.ReExtract(addressui::kMailTypeAll));
        EXPECT_EQ(refresher.Result().IDs(), (std::vector<int>{1, 5})) << "the list is given back as it was";
        ASSERT_EQ(prompts_.texts(), QStringList{ui::U8("送信履歴情報の読み込み（ファイルの読み込み）に失敗しました")});
        EXPECT_EQ(prompts_.captions(), QStringList{ui::U8("抽出実行エラー")});
    }
    prompts_.clear();
    CDestRenewDlg renewMail(0, mail);
    EXPECT_EQ(renewMail.DoModal(), platform::kIdCancel);
    EXPECT_FALSE(renewMail.IsRefreshed());
    EXPECT_EQ(prompts_.captions(), QStringList{ui::U8("抽出実行エラー")});
    EXPECT_EQ(StoredIds(0, mail), (std::vector<int>{1, 5}));

    const int list = AddList("東京の会員", {{0, 0, Values(kElemPrefecture, {S("東京都")})}}, {5, 1});
    SpoilConditions(1, list);
    prompts_.clear();
    CDestRenewDlg renewList(1, list);
    renewList.DoModal();
    EXPECT_FALSE(renewList.IsRefreshed());
    ASSERT_EQ(prompts_.captions(), QStringList{ui::U8("抽出実行エラー")});
    EXPECT_TRUE(prompts_.texts()[0].startsWith(ui::U8("抽出条件を適用できなかったため")));
    EXPECT_EQ(StoredIds(1, list), (std::vector<int>{5, 1}));
    EXPECT_EQ(StoredLastUpdate(list), "2024/01/02 03:04:05");
}

// The refresh dialog rebuilds a list, then dates it, and leaves the scheduler as it found
// it: a hold of another screen stays.
TEST_F(DestinationTest, TheRefreshDialogRebuildsAListAndKeepsTheSchedulersState) {
    const int list = AddList("東京の会員", {{0, 0, Values(kElemPrefecture, {S("東京都")})}}, {1});
    shell::SchedulerControl* scheduler = shell::GetScheduler();
    ASSERT_NE(scheduler, nullptr);
    for (const bool enabled : {false, true}) {
        SCOPED_TRACE(enabled);
        scheduler->SetEnabled(enabled);
        const std::string before = GetNowDateTime();
        CDestRenewDlg dialog(1, list);
        EXPECT_EQ(Control<QLabel>(&dialog, CDestRenewDlg::kIdcLine1)->text(),
                  ui::U8("アドレス帳の宛先ID[%1]を最新にしています").arg(list));
        dialog.DoModal();
        EXPECT_TRUE(dialog.IsRefreshed());
        EXPECT_EQ(scheduler->IsEnabled(), enabled);
        EXPECT_EQ(StoredIds(1, list), (std::vector<int>{5, 1, 8}));
        EXPECT_GE(StoredLastUpdate(list), before);
    }
    EXPECT_TRUE(prompts_.prompts().empty());
}

TEST_F(DestinationTest, TheRefreshDialogFiltersAMailByItsType) {
    const int mail = AddMail("D", "NM", {}, {1});
    CDestRenewDlg dialog(0, mail);
    dialog.DoModal();
    EXPECT_TRUE(dialog.IsRefreshed());
    EXPECT_EQ(StoredIds(0, mail), (std::vector<int>{2, 5})) << "mobile addresses other than WILLCOM";
}

TEST_F(DestinationTest, DetailsOfAListShowItsRecipientsAndRefreshThem) {
    const int list = AddList("東京の会員", {{0, 0, Values(kElemPrefecture, {S("東京都")})}}, {1, 7});
    CDestDetailDlg dialog(list, 1, &Lists());
    OpenAndLoad(dialog);
    EXPECT_EQ(ShownIds(dialog), (std::vector<int>{1, 7}));
    EXPECT_EQ(Control<QLabel>(&dialog, CDestDetailDlg::kIdcCount)->text(), ui::U8("送信対象先数： 2件"));
    EXPECT_EQ(Control<QLabel>(&dialog, CDestDetailDlg::kIdcTitle)->text(), ui::U8("宛先ID[%1]の名称：　東京の会員").arg(list));
    EXPECT_EQ(dialog.Model()->data(dialog.Model()->index(0, 1)).toString(), QStringLiteral("sato@example.jp"));
    EXPECT_EQ(dialog.Model()->data(dialog.Model()->index(1, 2)).toString(), ui::U8("山本"));
    auto* refresh = Control<QPushButton>(&dialog, CDestDetailDlg::kIdcRefresh);
    ASSERT_TRUE(refresh->isEnabled());

    refresh->click();
    ASSERT_TRUE(ui::test::WaitUntil([&] { return !dialog.IsBusy(); }));
    rectest::Pump();
    EXPECT_EQ(prompts_.captions(), (QStringList{ui::U8("抽出実行の確認"), ui::U8("抽出件数")}));
    EXPECT_EQ(prompts_.texts()[1], ui::U8("宛先ID[%1]の条件で、\n3件の個人情報を抽出しました").arg(list));
    EXPECT_EQ(ShownIds(dialog), (std::vector<int>{5, 1, 8}));
    EXPECT_EQ(StoredIds(1, list), (std::vector<int>{5, 1, 8}));
    EXPECT_TRUE(dialog.isEnabled());
}

// A mail made from another mail's history asks twice; the refresh then renames its
// destination, dates it, drops its special mark and tells the mail list.
TEST_F(DestinationTest, RefreshingAMailUpdatesItsRecord) {
    const int mail = AddMail("D", "YY", {{0, 0, Values(kElemPrefecture, {S("東京都")})}}, {2});
    std::vector<int> announced;
    const MailRowListener previous = SetMailRowListener([&](const COneMailData& m) { announced.push_back(m.GetMailID()); });
    const platform::DateTime before = Convert_DateData2COleDateTime(GetNowDateTime());
    {
        CDestDetailDlg dialog(mail, 0, nullptr);
        OpenAndLoad(dialog);
        EXPECT_EQ(ShownIds(dialog), std::vector<int>{2});
        EXPECT_EQ(Control<QLabel>(&dialog, CDestDetailDlg::kIdcTitle)->text(),
                  ui::U8("メールID[%1]の宛先名称：　春の案内").arg(mail));
        ui::test::WhenDialogShows(ui::DialogName(addressui::CConditionNameDlg::kIdd), [](QDialog* d) {
            auto* edit = d->findChild<QLineEdit*>(ui::ControlName(addressui::CConditionNameDlg::kIdcName));
            EXPECT_EQ(edit->text(), ui::U8("春の案内"));
            edit->setText(ui::U8("都内のPC"));
            d->accept();
        });
        Control<QPushButton>(&dialog, CDestDetailDlg::kIdcRefresh)->click();
        ASSERT_TRUE(ui::test::WaitUntil([&] { return !dialog.IsBusy(); }));
        rectest::Pump();
        EXPECT_EQ(prompts_.captions(),
                  (QStringList{ui::U8("特殊宛先変更確認"), ui::U8("抽出実行の確認"), ui::U8("抽出件数")}));
        // "Y" in the flag's second place: a PC HTML mail keeps PC addresses only.
        EXPECT_EQ(ShownIds(dialog), std::vector<int>{1});
        EXPECT_EQ(Control<QLabel>(&dialog, CDestDetailDlg::kIdcTitle)->text(),
                  ui::U8("メールID[%1]の宛先名称:春の案内→都内のPC").arg(mail));
    }
    SetMailRowListener(previous);
    EXPECT_EQ(StoredIds(0, mail), std::vector<int>{1});
    CMailListViewer reread;
    ASSERT_EQ(reread.SetEnvManager(Env()), 1);
    COneMailData m;
    ASSERT_EQ(reread.GetMailData(mail, m), 0);
    EXPECT_EQ(m.GetAddressName(), S("都内のPC"));
    EXPECT_EQ(m.GetSpecialFlag(), "NY");
    EXPECT_GE(m.GetSetAddressDate(), before);
    EXPECT_GE(m.GetRenewalDate(), before);
    EXPECT_EQ(announced, std::vector<int>{mail});
}

TEST_F(DestinationTest, MailsBeingSentCannotBeRefreshed) {
    for (const char* status : {"W", "B", "R", "A", "D", "C", "E"}) {
        SCOPED_TRACE(status);
        const int mail = AddMail(status, "NN", {}, {1});
        CDestDetailDlg dialog(mail, 0, nullptr);
        OpenAndLoad(dialog);
        const bool sending = std::string("WBRA").find(status) != std::string::npos;
        EXPECT_EQ(Control<QPushButton>(&dialog, CDestDetailDlg::kIdcRefresh)->isEnabled(), !sending);
    }
}

TEST_F(DestinationTest, AMissingRecipientListIsReported) {
    const int mail = AddMail("D", "NN", {}, {1, 2});
    ASSERT_TRUE(QFile::remove(ui::FromPath(env_layout::MailRecipientFile(*Env(), mail))));
    CDestDetailDlg dialog(mail, 0, nullptr);
    OpenAndLoad(dialog);
    EXPECT_EQ(prompts_.texts(), QStringList{ui::U8("送信先リストファイルが存在しません")});
    EXPECT_EQ(prompts_.captions(), QStringList{ui::U8("異常な状態です")});
    EXPECT_EQ(dialog.Model()->rowCount(), 0);
}

}  // namespace dest_detail_test
}  // namespace
