// What the dialogs shown after a receive run, and the deleted-data list, change in the
// address book outlives a crash: each change is made in a child process that is killed
// (SIGKILL) right after it (a registration: the moment it is reported done), and a fresh
// open of the book must show it.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTableView>

#include <csignal>

#include "app/sendrecv/auto_ref_list_dlg.h"
#include "app/sendrecv/auto_reg_list_dlg.h"
#include "app/sendrecv/deleted_data_dlg.h"
#include "app/sendrecv/receive_stores.h"
#include "app/sendrecv/report_rows_model.h"
#include "app/sendrecv/tests/mail_dialogs_env.h"
#include "app/ui/testing/killed_child.h"
#include "core/foundation/record_table.h"

namespace {

using maildlg::Control;

// Answers every message with its first button, and kills the process when the message
// that reports the change done appears: the moment the person is told it was saved.
class KillAtMessage : public ui::Prompter {
public:
    explicit KillAtMessage(QString text) : text_(std::move(text)), previous_(ui::SetPrompter(this)) {}
    ~KillAtMessage() override { ui::SetPrompter(previous_); }
    int Show(QWidget*, const QString& text, const QString&, unsigned style) override {
        if (text == text_) ::raise(SIGKILL);
        return (style & 0xF) == platform::kMbYesNo ? platform::kIdYes : platform::kIdOk;
    }

private:
    QString text_;
    ui::Prompter* previous_;
};

class DialogKillTest : public maildlg::MailDialogsEnv {
protected:
    std::unique_ptr<CDatabaseEdit> BookAfterKill() {
        auto book = std::make_unique<CDatabaseEdit>(Env(), &Options());
        EXPECT_GE(book->ReadCustomerList(), 0);
        return book;
    }
    void WriteList(int which, int elements, const std::vector<std::vector<std::string>>& rows) {
        BaseRecordStructer list;
        list.SetElementNumber(elements);
        for (const auto& row : rows) {
            std::vector<const char*> values;
            for (const std::string& v : row) values.push_back(v.c_str());
            ASSERT_EQ(list.InsertString(values.data()), 1);
        }
        ASSERT_TRUE(receive_stores::SaveList(Env(), which, list));
    }
};

// Two registrations chosen together; the process dies when the first is reported done.
TEST_F(DialogKillTest, RegistrationReportedDone) {
    std::vector<std::vector<std::string>> rows;
    for (const char* address : {"new1@example.jp", "new2@example.jp"}) {
        OneCustomer c;
        InitOneCustomer(c);
        c.Email = address;
        rows.push_back(receive_stores::RegistrationRow(c));
    }
    WriteList(receive_stores::kRegistrations, receive_stores::kRegistrationElements, rows);
    ASSERT_EQ(Book().WriteFromMemoryToFile(), 0);

    if (!ui::test::RunThenKill([&] {
        KillAtMessage kill(ui::U8("自動登録メールの登録が完了しました\r\n自動登録メールの情報は破棄されます"));
        CAutoRegListDlg dialog;
        dialog.show();
        dialog.List()->selectAll();
        Control<QPushButton>(&dialog, CAutoRegListDlg::kIdcRegister)->click();
    })) return;
    auto book = BookAfterKill();
    EXPECT_GE(book->SearchCustomerOneElement(kElemEmail, "new1@example.jp", -1, kDirectionForward), 0);
}

// The refusals applied as the refusal list opens.
TEST_F(DialogKillTest, RefusalApplied) {
    const int a = AddPerson("a@example.jp");
    ASSERT_EQ(Book().WriteFromMemoryToFile(), 0);
    WriteList(receive_stores::kRefusals, receive_stores::kRefusalElements, {{"A@example.jp"}});

    if (!ui::test::RunThenKill([&] {
        CAutoRefListDlg dialog;
        dialog.show();
    })) return;
    EXPECT_EQ(BookAfterKill()->GetCustomerDataPinPoint(a, kElemDMOk), "N");
}

// Deleted records restored, and others erased for good, from the deleted-data list.
TEST_F(DialogKillTest, DeletedRecordsRestoredOrErased) {
    const int restored = AddPerson("restored@example.jp");
    const int erased = AddPerson("erased@example.jp");
    for (int id : {restored, erased}) ASSERT_EQ(Book().DeleteCustomer(id), 0);
    ASSERT_EQ(Book().WriteFromMemoryToFile(), 0);

    struct Case {
        const char* name;
        int row;  // in the list: the records in ID order
        int button;
    } cases[] = {{"restore", 0, CDeletedDataDlg::kIdcRestore}, {"erase", 0, CDeletedDataDlg::kIdcErase}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!ui::test::RunThenKill([&] {
            CDeletedDataDlg dialog;
            dialog.show();
            dialog.List()->selectRow(c.row);
            Control<QPushButton>(&dialog, c.button)->click();
        })) return;
        ASSERT_GE(Book().ReadCustomerList(), 0);  // this process's book follows the disk
    }
    auto book = BookAfterKill();
    EXPECT_EQ(book->FindCustomerID(restored, 0), 1);
    EXPECT_EQ(book->GetCustomerDataPinPoint(erased, kElemEmail), "");
    EXPECT_EQ(book->GetCustomerDataPinPoint(erased, kElemDeleteFlag), "Y");
}

}  // namespace
