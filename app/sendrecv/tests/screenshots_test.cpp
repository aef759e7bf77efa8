// Renders the mail dialogs of the send/receive engine with Japanese data into the
// screenshot folder (QUENDREL_SCREENSHOT_DIR); without it the dialogs are still made and
// shown offscreen, but nothing is written.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

#include "app/sendrecv/deleted_data_dlg.h"
#include "app/sendrecv/mail_search_dlg.h"
#include "app/sendrecv/mail_type_dlg.h"
#include "app/sendrecv/send_history_dlg.h"
#include "app/sendrecv/tests/mail_dialogs_env.h"
#include "app/ui/testing/screenshot.h"

namespace {
namespace screenshots_test {

using namespace maildlg;
using ui::test::SaveScreenshot;

class Screenshots : public MailDialogsEnv {
protected:
    void SetUp() override {
        MailDialogsEnv::SetUp();
        const char* people[][4] = {
            {"yamada.taro@example.co.jp", "山田", "太郎", "株式会社山田商店"},
            {"sato.hanako@example.ne.jp", "佐藤", "花子", "有限会社さとう"},
            {"suzuki@docomo.ne.jp", "鈴木", "一郎", ""},
            {"takahashi@ezweb.ne.jp", "高橋", "美咲", "高橋デザイン事務所"},
            {"tanaka@softbank.ne.jp", "田中", "健", "田中工務店"},
        };
        for (const auto& p : people) ids_.push_back(AddPerson(p[0], S(p[1]), S(p[2]), S(p[3])));
    }
    std::vector<int> ids_;
};

TEST_F(Screenshots, MailTypeDialog) {
    CMailTypeDlg dialog;
    EXPECT_TRUE(SaveScreenshot(&dialog, "mail_type_dlg"));
}

TEST_F(Screenshots, MailSearchDialogs) {
    const int a = AddMail("C", 'N', S("春の感謝セールのお知らせ"), S("お得意様リスト"));
    WriteBodies(a, {S("春の感謝セールのお知らせ"), S("春セール")},
                {S("<%名前(姓)%>様\r\nいつもご利用ありがとうございます。春の感謝セールを開催します。"),
                 S("春の感謝セール開催中！")});
    const int b = AddMail("D", 'N', S("新商品のご案内"), S("春の新規顧客"));
    WriteBodies(b, {S("新商品のご案内")}, {S("春の新商品が入荷しました。")});

    CMailSearchDlg condition;
    condition.show();
    Control<QComboBox>(&condition, CMailSearchDlg::kIdcField)->setCurrentIndex(kSearchAll);
    ui::test::TypeText(Control<QLineEdit>(&condition, CMailSearchDlg::kIdcKeyword), "春");
    EXPECT_TRUE(SaveScreenshot(&condition, "mail_search_dlg"));
    Control<QPushButton>(&condition, shell::dialogs::kIdOk)->click();
    CMailSearchResultDlg result(condition);
    result.List()->selectRow(2);
    EXPECT_TRUE(SaveScreenshot(&result, "mail_search_result_dlg"));
}

TEST_F(Screenshots, SendHistoryDialog) {
    const int mail = AddMail("C", 'N', S("春の感謝セールのお知らせ"));
    std::vector<HistorySet> rows;
    const char* states[] = {"C", "C", "E", "W", "C"};
    for (std::size_t i = 0; i < ids_.size(); ++i)
        rows.push_back(Row(ids_[i], states[i], static_cast<int>(i % 2), i == 0 || i == 3 ? "Y" : "N"));
    rows.push_back(Row(777777, "E", 2));
    WriteHistory(mail, rows);
    CSendHistoryDlg dialog(Mail(mail));
    QTimer::singleShot(0, &dialog, [&dialog] {
        ui::test::WaitUntil([&dialog] { return dialog.HasRead() && !dialog.IsBusy(); }, 20000);
        dialog.List()->selectRow(2);
        EXPECT_TRUE(SaveScreenshot(&dialog, "send_history_dlg"));
        dialog.reject();
    });
    dialog.DoModal();
}

TEST_F(Screenshots, DeletedDataDialog) {
    for (std::size_t i = 0; i < 3; ++i) ASSERT_EQ(Book().DeleteCustomer(ids_[i]), 0);
    AddMail("S", 'N', S("旧キャンペーンのご案内"), S("旧顧客リスト"));
    AddMail("S", 'Y', S("夏季休業のお知らせ"), S("全顧客"));
    CDeletedDataDlg dialog;
    dialog.List()->selectRow(1);
    EXPECT_TRUE(SaveScreenshot(&dialog, "deleted_data_dlg_1_people"));
    Control<QComboBox>(&dialog, CDeletedDataDlg::kIdcKind)->setCurrentIndex(kDeletedMails);
    EXPECT_TRUE(SaveScreenshot(&dialog, "deleted_data_dlg_2_mails"));
}

}  // namespace screenshots_test
}  // namespace
