// The receive-result dialogs over an environment opened as the program opens one: the
// registration list (203) with its register, overwrite (through 205) and discard actions,
// the refusal list (206) that applies the refusals as it opens, and their closing by
// themselves.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

#include <filesystem>

#include "app/sendrecv/auto_ref_list_dlg.h"
#include "app/sendrecv/auto_reg_list_dlg.h"
#include "app/sendrecv/receive_result_screens.h"
#include "app/sendrecv/receive_stores.h"
#include "app/sendrecv/report_rows_model.h"
#include "app/sendrecv/same_address_dlg.h"
#include "app/sendrecv/tests/mail_dialogs_env.h"
#include "core/foundation/record_table.h"

namespace {
namespace receive_result_dlg_test {

using namespace maildlg;
using ui::U8;

class ReceiveResultDlgTest : public MailDialogsEnv {
protected:
    // Writes registration rows for `addresses` (family name "姓<i>").
    void WriteRegistrations(const std::vector<std::string>& addresses, const std::vector<std::string>& extras = {}) {
        BaseRecordStructer rows;
        rows.SetElementNumber(receive_stores::kRegistrationElements);
        for (std::size_t i = 0; i < addresses.size(); ++i) {
            OneCustomer c;
            InitOneCustomer(c);
            c.Email = addresses[i];
            c.KanjiSei = S("姓") + std::to_string(i);
            c.ZipCode1 = "1500001";
            if (i < extras.size()) c.Extra[0] = extras[i];
            const std::vector<std::string> row = receive_stores::RegistrationRow(c);
            std::vector<const char*> values;
            for (const std::string& v : row) values.push_back(v.c_str());
            ASSERT_EQ(rows.InsertString(values.data()), 1);
        }
        ASSERT_TRUE(receive_stores::SaveList(Env(), receive_stores::kRegistrations, rows));
    }
    void WriteRefusals(const std::vector<std::string>& addresses) {
        BaseRecordStructer rows;
        rows.SetElementNumber(receive_stores::kRefusalElements);
        for (const std::string& a : addresses) {
            const char* values[] = {a.c_str()};
            ASSERT_EQ(rows.InsertString(values), 1);
        }
        ASSERT_TRUE(receive_stores::SaveList(Env(), receive_stores::kRefusals, rows));
    }
    std::vector<std::string> ListAddresses(int which) {
        BaseRecordStructer rows;
        EXPECT_EQ(receive_stores::LoadList(Env(), which, rows), receive_stores::kLoaded);
        std::vector<std::string> out;
        for (int r = 0; r < rows.GetRecordNumber(); ++r)
            out.push_back(rows.GetStringElement(which == receive_stores::kRegistrations ? kElemEmail : 0, r));
        return out;
    }
    // The book as its file holds it.
    std::unique_ptr<CDatabaseEdit> BookOnDisk() {
        auto book = std::make_unique<CDatabaseEdit>(Env(), &Options());
        EXPECT_GE(book->ReadCustomerList(), 0);
        return book;
    }
    static void Select(QTableView* list, const std::vector<int>& rows) {
        list->clearSelection();
        for (int r : rows) list->selectionModel()->select(list->model()->index(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
};

TEST_F(ReceiveResultDlgTest, DiscardingRowsTwoAndFourRemovesExactlyThose) {
    WriteRegistrations({"r1@example.jp", "r2@example.jp", "r3@example.jp", "r4@example.jp", "r5@example.jp"});
    CAutoRegListDlg dialog;
    dialog.show();
    ASSERT_EQ(dialog.Model()->rowCount(), 5);
    Select(dialog.List(), {1, 3});
    Control<QPushButton>(&dialog, CAutoRegListDlg::kIdcDiscard)->click();
    EXPECT_EQ(ListAddresses(receive_stores::kRegistrations),
              (std::vector<std::string>{"r1@example.jp", "r3@example.jp", "r5@example.jp"}));
    ASSERT_EQ(prompts_.prompts().size(), 2u);
    EXPECT_EQ(prompts_.texts()[1], U8("[r4@example.jp]\r\nこのメールアドレスの自動登録メールの情報を破棄します\r\n"
                                      "データの復旧は一切できません\r\nよろしいですか？"));
    EXPECT_EQ(prompts_.captions()[0], U8("自動登録メール情報破棄の確認"));
    EXPECT_EQ(prompts_.prompts()[0].style, platform::kMbYesNo | platform::kMbIconWarning | ui::kMbDefButton2);
    EXPECT_EQ(dialog.Model()->rowCount(), 3);
    // Any action stops the closing by itself.
    EXPECT_FALSE(dialog.AutoClose());
    auto* keepOpen = Control<QPushButton>(&dialog, CAutoRegListDlg::kIdcKeepOpen);
    EXPECT_FALSE(keepOpen->isEnabled());
    EXPECT_EQ(keepOpen->text(), U8("自動で閉じません"));

    // No keeps the row.
    Select(dialog.List(), {0});
    prompts_.Answer(platform::kIdNo);
    Control<QPushButton>(&dialog, CAutoRegListDlg::kIdcDiscard)->click();
    EXPECT_EQ(ListAddresses(receive_stores::kRegistrations).size(), 3u);
}

TEST_F(ReceiveResultDlgTest, ANewAddressIsRegisteredAndWrittenBeforeItsRowGoes) {
    Options().SetSODataToMemoryPinPoint(34, "1");  // extension item A is a number
    WriteRegistrations({"new1@example.jp", "new2@example.jp"}, {"12", "twelve"});
    CAutoRegListDlg dialog;
    dialog.show();
    EXPECT_EQ(dialog.Model()->Text(0, 0), "new1@example.jp");
    Select(dialog.List(), {0, 1});
    Control<QPushButton>(&dialog, CAutoRegListDlg::kIdcRegister)->click();
    EXPECT_EQ(prompts_.texts(), (QStringList{U8("自動登録メールの登録が完了しました\r\n自動登録メールの情報は破棄されます"),
                                             U8("自動登録メールの登録が完了しました\r\n自動登録メールの情報は破棄されます")}));
    EXPECT_EQ(prompts_.captions()[0], U8("自動登録の完了"));
    EXPECT_TRUE(ListAddresses(receive_stores::kRegistrations).empty());
    auto book = BookOnDisk();
    const int first = book->SearchCustomerOneElement(kElemEmail, "new1@example.jp", -1, 0);
    const int second = book->SearchCustomerOneElement(kElemEmail, "NEW2@example.jp", -1, 0);
    ASSERT_GE(first, 0);
    ASSERT_GE(second, 0);
    EXPECT_EQ(book->GetCustomerDataPinPoint(first, kElemKanjiSei), S("姓0"));
    EXPECT_EQ(book->GetCustomerDataPinPoint(first, kElemZipCode1), "1500001");
    EXPECT_EQ(book->GetCustomerDataPinPoint(first, kElemExtraFirst), "12");
    EXPECT_EQ(book->GetCustomerDataPinPoint(second, kElemExtraFirst), "");  // not a number
    EXPECT_EQ(book->GetCustomerDataPinPoint(first, kElemDeleteFlag), "");
}

TEST_F(ReceiveResultDlgTest, AnAddressOfADeletedRecordIsOverwrittenAndTheRecordRestored) {
    const int existing = AddPerson("back@example.jp", S("旧姓"));
    ASSERT_EQ(Book().DeleteCustomer(existing), 0);
    WriteRegistrations({"BACK@example.jp"});
    const QString n = QString::number(existing);
    int viewed = -1;
    QString viewerCaption;
    const auto previous = CSameAddressDlg::SetExistingRecordViewer([&](QWidget*, int id, const QString& caption) {
        viewed = id;
        viewerCaption = caption;
    });
    CAutoRegListDlg dialog;
    dialog.show();

    // Closed without overwriting: nothing happens, no question follows.
    ui::test::WhenDialogShows(ui::DialogName(CSameAddressDlg::kIdd), [&](QDialog* d) {
        EXPECT_EQ(d->windowTitle(), U8("同じメールアドレスが個人情報に存在します"));
        EXPECT_EQ(Control<QLabel>(d, CSameAddressDlg::kIdcAction)->text(), U8("削除済み個人情報ID[") + n + U8("] に上書きします"));
        EXPECT_TRUE(Control<QLabel>(d, CSameAddressDlg::kIdcExplanation)->text().startsWith(
            U8("[BACK@example.jp]\nこのメールアドレスは、削除済み個人情報ID[") + n + U8("] に存在しています\n")));
        ui::test::ClickControl(d, CSameAddressDlg::kIdcDetail);
        ui::test::ClickControl(d, 2);
    });
    Select(dialog.List(), {0});
    Control<QPushButton>(&dialog, CAutoRegListDlg::kIdcRegister)->click();
    EXPECT_TRUE(prompts_.texts().isEmpty());
    EXPECT_EQ(viewed, existing);
    EXPECT_EQ(viewerCaption, U8("上書き対象個人情報の確認"));

    // Overwrite, then No: told, nothing changed.
    ui::test::WhenDialogShows(ui::DialogName(CSameAddressDlg::kIdd), [](QDialog* d) {
        ui::test::ClickControl(d, CSameAddressDlg::kIdcOverwrite);
    });
    prompts_.Answer(platform::kIdNo);
    Select(dialog.List(), {0});
    Control<QPushButton>(&dialog, CAutoRegListDlg::kIdcRegister)->click();
    ASSERT_EQ(prompts_.prompts().size(), 2u);
    EXPECT_EQ(prompts_.texts()[0], U8("削除済み個人情報ID[") + n +
                                       U8("] に自動登録メールの情報を上書きします\r\n既存のデータは復旧できなくなります\r\n"
                                          "また、個人情報ID[") + n + U8("] は削除から復旧されます\r\nよろしいですか？"));
    EXPECT_EQ(prompts_.captions()[0], U8("削除済み個人情報ID[") + n + U8("] への上書き確認"));
    EXPECT_EQ(prompts_.prompts()[0].style, platform::kMbYesNo | platform::kMbIconQuestion | ui::kMbDefButton2);
    EXPECT_EQ(prompts_.texts()[1], U8("削除済み個人情報ID[") + n + U8("] への自動登録メールの上書き登録は行われませんでした"));
    EXPECT_EQ(Element(existing, kElemDeleteFlag), "Y");

    // Overwrite, then Yes: the record takes the registration and is live again.
    prompts_.clear();
    ui::test::WhenDialogShows(ui::DialogName(CSameAddressDlg::kIdd), [](QDialog* d) {
        ui::test::ClickControl(d, CSameAddressDlg::kIdcOverwrite);
    });
    Select(dialog.List(), {0});
    Control<QPushButton>(&dialog, CAutoRegListDlg::kIdcRegister)->click();
    ASSERT_EQ(prompts_.prompts().size(), 2u);
    EXPECT_EQ(prompts_.texts()[1], U8("削除済み個人情報ID[") + n +
                                       U8("] への自動登録メールの上書き登録が完了しました\r\n自動登録メールの情報は破棄されます"
                                          "\r\n\r\nまた、個人情報ID[") + n + U8("] は削除から復旧されました"));
    EXPECT_EQ(prompts_.captions()[1], U8("上書き登録の完了"));
    auto book = BookOnDisk();
    EXPECT_EQ(book->GetCustomerDataPinPoint(existing, kElemDeleteFlag), "");
    EXPECT_EQ(book->GetCustomerDataPinPoint(existing, kElemKanjiSei), S("姓0"));
    EXPECT_TRUE(ListAddresses(receive_stores::kRegistrations).empty());
    CSameAddressDlg::SetExistingRecordViewer(previous);
}

TEST_F(ReceiveResultDlgTest, ARowWithoutAnAddressStopsTheRegistrationThere) {
    WriteRegistrations({"first@example.jp", "", "third@example.jp"});
    CAutoRegListDlg dialog;
    dialog.show();
    Select(dialog.List(), {0, 1, 2});
    Control<QPushButton>(&dialog, CAutoRegListDlg::kIdcRegister)->click();
    ASSERT_EQ(prompts_.prompts().size(), 2u);
    EXPECT_EQ(prompts_.texts()[1], U8("メールアドレスが入力されていないデータです\r\n"
                                      "メールアドレスのみ、未入力は不可ですので、登録はできません"));
    EXPECT_EQ(prompts_.captions()[1], U8("メールアドレス未入力"));
    EXPECT_EQ(ListAddresses(receive_stores::kRegistrations), (std::vector<std::string>{"", "third@example.jp"}));
    EXPECT_GE(BookOnDisk()->SearchCustomerOneElement(kElemEmail, "first@example.jp", -1, 0), 0);
    EXPECT_LT(Book().SearchCustomerOneElement(kElemEmail, "third@example.jp", -1, 0), 0);
}

TEST_F(ReceiveResultDlgTest, TheListsCloseByThemselvesUnlessStoppedAndKeepTheirWidths) {
    std::vector<std::pair<int, int>> saved;
    const auto previous = CAutoRegListDlg::SetColumnSource({
        [] {
            return std::vector<CAutoRegListDlg::Column>{
                {0, "ID", 50}, {1, U8("メールアドレス"), 140}, {22, "22", 30}, {9, U8("郵便番号"), 70}, {54, U8("登録日時"), 90}};
        },
        [&](const std::vector<std::pair<int, int>>& widths) { saved = widths; },
    });
    WriteRegistrations({"a@example.jp"});
    {
        CAutoRegListDlg dialog;
        dialog.show();
        EXPECT_EQ(dialog.Model()->columnCount(), 3);  // without the ID column and element 22
        EXPECT_EQ(dialog.Model()->Text(0, 1), "1500001");
        EXPECT_TRUE(dialog.AutoCloseTimer()->isActive());
        EXPECT_EQ(dialog.AutoCloseTimer()->interval(), 30000);
        dialog.List()->setColumnWidth(0, 123);
        dialog.AutoCloseTimer()->setInterval(20);
        EXPECT_TRUE(ui::test::WaitUntil([&] { return !dialog.isVisible(); }));
        EXPECT_EQ(saved, (std::vector<std::pair<int, int>>{{1, 123}, {9, 70}}));
    }
    {
        CAutoRegListDlg dialog;
        dialog.show();
        ui::test::ClickControl(&dialog, CAutoRegListDlg::kIdcKeepOpen);
        EXPECT_FALSE(dialog.AutoCloseTimer()->isActive());
        dialog.Refill();
        EXPECT_FALSE(dialog.AutoCloseTimer()->isActive());
    }
    WriteRefusals({"x@example.jp"});
    {
        CAutoRefListDlg dialog;
        dialog.show();
        EXPECT_EQ(dialog.AutoCloseTimer()->interval(), 20000);
        dialog.AutoCloseTimer()->setInterval(20);
        EXPECT_TRUE(ui::test::WaitUntil([&] { return !dialog.isVisible(); }));
    }
    CAutoRegListDlg::SetColumnSource(previous);
}

TEST_F(ReceiveResultDlgTest, RefusalsAreAppliedAndTheBookWrittenBeforeTheirListEmpties) {
    const int a = AddPerson("a@example.jp");
    const int b = AddPerson("b@example.jp");
    ASSERT_EQ(Book().WriteFromMemoryToFile(), 0);
    WriteRefusals({"a@example.jp", "unknown@example.jp", "B@EXAMPLE.JP"});
    CAutoRefListDlg dialog;
    dialog.show();
    EXPECT_EQ(dialog.Addresses()->toPlainText(), "[a@example.jp] [B@EXAMPLE.JP] ");
    EXPECT_TRUE(ListAddresses(receive_stores::kRefusals).empty());
    auto book = BookOnDisk();
    EXPECT_EQ(book->GetCustomerDataPinPoint(a, kElemDMOk), "N");
    EXPECT_EQ(book->GetCustomerDataPinPoint(b, kElemDMOk), "N");

    WriteRefusals({"nobody@example.jp"});
    dialog.Refill();
    EXPECT_EQ(dialog.Addresses()->toPlainText(), U8("(登録されている個人情報に該当のメールアドレスはありません)"));
    EXPECT_TRUE(ListAddresses(receive_stores::kRefusals).empty());
}

TEST_F(ReceiveResultDlgTest, RefusalsStayListedWhileTheBookCannotBeWritten) {
    const int a = AddPerson("a@example.jp");
    ASSERT_EQ(Book().WriteFromMemoryToFile(), 0);
    WriteRefusals({"a@example.jp"});
    // A folder in the book's place: the book cannot be replaced.
    const std::string file = env_layout::DatabaseFile(*Env());
    std::filesystem::rename(file, file + ".kept");
    std::filesystem::create_directories(file + "/blocker");
    {
        CAutoRefListDlg dialog;
        dialog.show();
        EXPECT_EQ(Element(a, kElemDMOk), "N");
    }
    EXPECT_EQ(ListAddresses(receive_stores::kRefusals), std::vector<std::string>{"a@example.jp"});
    std::filesystem::remove_all(file);
    std::filesystem::rename(file + ".kept", file);
}

TEST_F(ReceiveResultDlgTest, TheScreensAfterARunShowOnlyListsThatHoldRows) {
    EXPECT_EQ(ShowAutoRegMails(nullptr), 0);
    EXPECT_EQ(ShowAutoRefMails(nullptr), 0);
    WriteRegistrations({"a@example.jp"});
    WriteRefusals({"a@example.jp"});
    ui::test::WhenDialogShows(ui::DialogName(CAutoRegListDlg::kIdd), [](QDialog* d) { ui::test::ClickControl(d, 2); });
    EXPECT_EQ(ShowAutoRegMails(nullptr), 1);
    ui::test::WhenDialogShows(ui::DialogName(CAutoRefListDlg::kIdd), [](QDialog* d) { ui::test::ClickControl(d, 2); });
    EXPECT_EQ(ShowAutoRefMails(nullptr), 1);
    EXPECT_EQ(ShowAutoRefMails(nullptr), 0);  // consumed when it opened
}

}  // namespace receive_result_dlg_test
}  // namespace
