// What the send and receive runs change in the address book outlives a crash: each change
// is made in a child process that is killed (SIGKILL) right after it, before any whole
// save of the book, and a fresh open of the book must show it. (The dialogs that change
// the book after a receive run: book_kill_dialogs_test.cpp.)
#include <gtest/gtest.h>

#include <csignal>

#include "app/sendrecv/message_headers.h"
#include "app/sendrecv/pop_receive_session.h"
#include "app/sendrecv/tests/send_run_fixture.h"
#include "app/ui/testing/killed_child.h"
#include "core/foundation/directory_utils.h"

namespace {

class RunKillTest : public sendtest::SendRunTest {
protected:
    // The book as the next start reads it.
    std::unique_ptr<CDatabaseEdit> BookAfterKill() {
        auto book = std::make_unique<CDatabaseEdit>(env_.get(), options_.get());
        EXPECT_GE(book->ReadCustomerList(), 0);
        return book;
    }
};

// A recipient the server refuses, with no resends, loses the permission to advertising
// mail; the run is killed right after it recorded that recipient.
TEST_F(RunKillTest, SendRunsFailedRecipient) {
    sendtest::SendTestServer server({"--refuse", "bad@example.jp"});
    UseServer(server.port());
    SetOption(54, "N");
    const int ok = AddPerson("ok@example.jp");
    const int bad = AddPerson("bad@example.jp");
    const int mail = MakeMail({ok, bad}, "s", "b");
    ASSERT_EQ(book_->WriteFromMemoryToFile(), 0);

    if (!ui::test::RunThenKill([&] {
        int recorded = 0;
        SetSendFaultProbeForTesting([&](std::string_view at) {
            if (at == "recorded" && ++recorded == 2) ::raise(SIGKILL);
        });
        CSendJob job(Stores());
        job.SendOneMail(mail);
    })) return;
    EXPECT_EQ(server.Count(), 1);
    auto book = BookAfterKill();
    EXPECT_EQ(book->GetCustomerDataPinPoint(bad, kElemDMOk), "N");
    EXPECT_EQ(book->GetCustomerDataPinPoint(ok, kElemDMOk), "Y");
}

// A bounce past the last resend marks the address failed for good (permission "N") while
// the receive run is still going, before its batch is saved.
TEST_F(RunKillTest, ReceiveRunsBounceMark) {
    SetOption(54, "Y");
    SetOption(65, "3");
    const int a = AddPerson("a@example.jp");
    const int mail = AddMail("C");
    ASSERT_EQ(mails_->WriteMailList(1), 0);
    ASSERT_EQ(MakeDirectoryCompel(env_layout::OneMailFolder(*env_, mail)), 0);
    const std::string messageId = MakeMessageIDLocalPart("info@example.jp", mail);
    {
        HistoryListViewer h(env_.get(), options_.get(), book_.get(), mails_.get());
        ASSERT_EQ(h.SetMailID(mail, 1), 0);
        HistorySet row;
        row.customerID = a;
        row.state = "C";
        row.retryNum = 3;
        row.openFlag = "N";
        row.messageID = "<" + messageId + ">";
        row.lastSendDate = sendtest::At(2024, 1, 16, 9, 0, 0);
        ASSERT_EQ(h.SetHDataFromStructToMemory(row), 0);
        ASSERT_EQ(h.WriteHDataFromMemoryToFileCompel(), 0);
    }
    ASSERT_EQ(book_->WriteFromMemoryToFile(), 0);

    if (!ui::test::RunThenKill([&] {
        CPopReceiveSession session(Stores());
        session.ProcessBounceOrReceipt(mail, messageId, 1);
    })) return;
    EXPECT_EQ(BookAfterKill()->GetCustomerDataPinPoint(a, kElemDMOk), "N");
}

}  // namespace
