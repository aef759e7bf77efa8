// The deleted-data list offscreen: what each kind lists, the restore rules of each kind
// (people stop at the first failure, mails go on, destination lists are written at once),
// and erasing for good.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QPushButton>
#include <QTableView>

#include "app/sendrecv/deleted_data_dlg.h"
#include "app/sendrecv/mail_row_notice.h"
#include "app/sendrecv/report_rows_model.h"
#include "app/sendrecv/tests/mail_dialogs_env.h"
#include "core/addressbook/extract_list_viewer.h"

namespace {
namespace deleted_data_dlg_test {

using namespace maildlg;

class DeletedData : public MailDialogsEnv {
protected:
    void SetUp() override {
        MailDialogsEnv::SetUp();
        live_ = AddPerson("live@example.jp", S("生田"));
        gone1_ = AddPerson("gone1@example.jp", S("削除"), S("一郎"), S("株式会社一"));
        gone2_ = AddPerson("gone2@example.jp", S("削除"), S("二郎"));
        erased_ = AddPerson("erased@example.jp");
        for (int id : {gone1_, gone2_, erased_}) ASSERT_EQ(Book().DeleteCustomer(id), 0);
        ASSERT_EQ(Book().PhysicalDeletion(erased_), 0);
        draft_ = AddMail("D", 'N', S("下書き"));
        mail1_ = AddMail("S", 'N', S("削除メール1"), S("宛先1"));
        mail2_ = AddMail("S", 'Y', S("削除メール2"), S("宛先2"));

        ExtractListViewer lists(Env());
        for (const char* name : {"得意先", "旧顧客"}) {
            ExtractViewData entry;
            entry.id = lists.GetNewExtractID();
            entry.name = S(name);
            ASSERT_EQ(lists.InsertExtractList(entry), 1);
            listIds_.push_back(entry.id);
        }
        ASSERT_EQ(lists.DeleteExtractList(listIds_[1]), 1);
        ASSERT_EQ(lists.WriteAllExtractListToFileCompel(), 1);
    }
    std::vector<int> Listed(CDeletedDataDlg& dialog) { return dialog.Model()->Keys(); }
    void ShowKind(CDeletedDataDlg& dialog, int kind) {
        Control<QComboBox>(&dialog, CDeletedDataDlg::kIdcKind)->setCurrentIndex(kind);
    }
    void Click(CDeletedDataDlg& dialog, int id) { Control<QPushButton>(&dialog, id)->click(); }

    int live_ = 0, gone1_ = 0, gone2_ = 0, erased_ = 0;
    int draft_ = 0, mail1_ = 0, mail2_ = 0;
    std::vector<int> listIds_;
};

TEST_F(DeletedData, EachKindListsWhatIsDeletedButStored) {
    CDeletedDataDlg dialog;
    dialog.show();
    auto* erase = Control<QPushButton>(&dialog, CDeletedDataDlg::kIdcErase);
    // Erased records (no address) are not listed.
    EXPECT_EQ(Listed(dialog), (std::vector<int>{gone1_, gone2_}));
    EXPECT_TRUE(erase->isEnabled());
    EXPECT_EQ(dialog.Model()->Text(0, 1), QStringLiteral("gone1@example.jp"));
    EXPECT_EQ(dialog.Model()->Text(0, 4), ui::U8("株式会社一"));
    EXPECT_EQ(dialog.Model()->headerData(6, Qt::Horizontal).toString(), ui::U8("更新日時"));

    ShowKind(dialog, kDeletedMails);
    EXPECT_EQ(Listed(dialog), (std::vector<int>{mail1_, mail2_}));
    EXPECT_FALSE(erase->isEnabled());
    EXPECT_EQ(dialog.Model()->Text(1, 1), ui::U8("削除メール2"));
    EXPECT_EQ(dialog.Model()->Text(1, 3), ui::U8("HTML(PC)"));

    ShowKind(dialog, kDeletedDestinations);
    EXPECT_EQ(Listed(dialog), std::vector<int>{listIds_[1]});
    EXPECT_FALSE(erase->isEnabled());
    EXPECT_EQ(dialog.Model()->Text(0, 1), ui::U8("旧顧客"));
    EXPECT_EQ(dialog.Model()->columnCount(), 4);
}

TEST_F(DeletedData, MailsGoOnAfterAFailureAndReachTheView) {
    std::vector<int> appended;
    MailListRequests requests;
    requests.refreshOrAppendRow = [&](const COneMailData& mail) { appended.push_back(mail.GetMailID()); };
    SetMailListRequests(requests);

    CDeletedDataDlg dialog;
    dialog.show();
    ShowKind(dialog, kDeletedMails);
    dialog.List()->selectAll();
    // The first mail disappears from the list after it was listed: its restore fails.
    ASSERT_EQ(Mails().RemoveMailData(mail1_), 0);
    Click(dialog, CDeletedDataDlg::kIdcRestore);
    SetMailListRequests({});

    ASSERT_EQ(prompts_.prompts().size(), 2u);
    EXPECT_EQ(prompts_.texts()[0], ui::U8("選択したメールをすべて復旧します。よろしいですか？"));
    EXPECT_EQ(prompts_.captions()[0], ui::U8("削除済みメール復旧の確認"));
    EXPECT_EQ(prompts_.prompts()[0].style, platform::kMbYesNo | platform::kMbIconQuestion | ui::kMbDefButton2);
    EXPECT_EQ(prompts_.captions()[1], ui::U8("削除済みメールの復旧失敗"));
    EXPECT_EQ(prompts_.prompts()[1].style, platform::kMbOk | platform::kMbIconWarning);
    EXPECT_EQ(appended, std::vector<int>{mail2_});
    EXPECT_EQ(Mail(mail2_).GetStatus(), "D");
    // Written, and the list read again.
    CMailListViewer fresh(Env());
    COneMailData stored;
    ASSERT_EQ(fresh.GetMailData(mail2_, stored), 0);
    EXPECT_EQ(stored.GetStatus(), "D");
    EXPECT_TRUE(Listed(dialog).empty());
    EXPECT_TRUE(dialog.isEnabled());
}

TEST_F(DeletedData, PeopleStopAtTheFirstFailure) {
    CDeletedDataDlg dialog;
    dialog.show();
    dialog.List()->selectAll();
    // The first record is gone from the book after it was listed.
    ASSERT_GE(Book().RemoveLine(Book().DBID2RowNumber(gone1_)), 0);
    Click(dialog, CDeletedDataDlg::kIdcRestore);

    ASSERT_EQ(prompts_.prompts().size(), 2u);
    EXPECT_EQ(prompts_.texts()[0], ui::U8("選択した個人情報をすべて復旧します。よろしいですか？"));
    EXPECT_EQ(prompts_.texts()[1], ui::U8("何らかの原因で個人情報の復旧に失敗しました"));
    EXPECT_EQ(prompts_.captions()[1], ui::U8("削除個人情報の復旧失敗"));
    EXPECT_EQ(Element(gone2_, kElemDeleteFlag), "Y");
    // Not read again: both rows still shown.
    EXPECT_EQ(Listed(dialog).size(), 2u);
}

TEST_F(DeletedData, OneRowIsNamedInTheQuestionAndNoKeepsEverything) {
    CDeletedDataDlg dialog;
    dialog.show();
    dialog.List()->selectRow(1);
    prompts_.Answer(platform::kIdNo);
    Click(dialog, CDeletedDataDlg::kIdcRestore);
    ASSERT_EQ(prompts_.prompts().size(), 1u);
    EXPECT_EQ(prompts_.texts()[0], ui::U8("個人情報ID %1 を復旧します。よろしいですか？").arg(gone2_));
    EXPECT_EQ(Element(gone2_, kElemDeleteFlag), "Y");

    // Yes: restored and no longer listed.
    dialog.List()->doubleClicked(dialog.Model()->index(1, 0));
    EXPECT_NE(Element(gone2_, kElemDeleteFlag), "Y");
    EXPECT_EQ(Listed(dialog), std::vector<int>{gone1_});
}

TEST_F(DeletedData, DestinationListsAreWrittenAtOnce) {
    CDeletedDataDlg dialog;
    dialog.show();
    ShowKind(dialog, kDeletedDestinations);
    dialog.List()->selectRow(0);
    Click(dialog, CDeletedDataDlg::kIdcRestore);
    ASSERT_EQ(prompts_.prompts().size(), 1u);
    EXPECT_EQ(prompts_.texts()[0], ui::U8("アドレス帳の宛先ID %1 を復旧します。よろしいですか？").arg(listIds_[1]));
    EXPECT_EQ(prompts_.captions()[0], ui::U8("アドレス帳の削除済み宛先復旧の確認"));
    ExtractListViewer fresh(Env());
    std::vector<int> deleted;
    fresh.GetDeleteExtractIDList(deleted);
    EXPECT_TRUE(deleted.empty());
    EXPECT_TRUE(Listed(dialog).empty());
}

TEST_F(DeletedData, EraseBlanksTheRecordForGood) {
    const int gone3 = AddPerson("gone3@example.jp");
    ASSERT_EQ(Book().DeleteCustomer(gone3), 0);
    CDeletedDataDlg dialog;
    dialog.show();
    dialog.List()->selectRow(0);
    Click(dialog, CDeletedDataDlg::kIdcErase);
    ASSERT_EQ(prompts_.prompts().size(), 1u);
    EXPECT_EQ(prompts_.texts()[0],
              ui::U8("個人情報ID %1 を完全に抹消します。\r\nこの個人情報は、メールアドレスを含めて空文字になります。\r\n"
                     "復旧は一切できなくなります。\r\n\r\n本当によろしいですか？")
                  .arg(gone1_));
    EXPECT_EQ(prompts_.captions()[0], ui::U8("個人情報物理削除の確認"));
    EXPECT_EQ(Element(gone1_, kElemEmail), "");
    EXPECT_EQ(Listed(dialog), (std::vector<int>{gone2_, gone3}));

    dialog.List()->selectAll();
    prompts_.clear();
    Click(dialog, CDeletedDataDlg::kIdcErase);
    EXPECT_EQ(prompts_.texts()[0], ui::U8("削除済みデータ一覧にある個人情報を完全に消去します。\r\n"
                                          "対象の個人情報は、メールアドレスを含めて空文字になります。\r\n"
                                          "復旧は一切できなくなります。\r\n\r\n本当によろしいですか？"));
    EXPECT_TRUE(Listed(dialog).empty());
}

}  // namespace deleted_data_dlg_test
}  // namespace
