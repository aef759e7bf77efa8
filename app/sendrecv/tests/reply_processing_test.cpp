// Tracing one reply to the recipient of a sent mail and what it changes: the send
// history, the recipient list, the address book and the mail's record. The mails carry
// Message-IDs made as the send run makes them; no server is involved.
#include <gtest/gtest.h>

#include <climits>

#include "app/sendrecv/message_headers.h"
#include "app/sendrecv/pop_receive_session.h"
#include "app/sendrecv/receive_ledger.h"
#include "app/sendrecv/tests/send_env_fixture.h"
#include "core/foundation/date_utils.h"
#include "core/mailstore/history_list_viewer.h"

namespace {

using sendtest::At;

TEST(MailIdFromMessageId, OnlyTheSendRunsFormGivesAMailId) {
    const struct {
        const char* id;
        int mail;
    } cases[] = {
        {"1234.5678.42@example.jp", 42},
        {"1234.5678.42.more@example.jp", 42},
        {"20240116012345678.00003.7.info@example.jp", 7},
        {"1234.5678.2147483647@example.jp", INT_MAX},
        {"<1234.5678.42@example.jp>", -1},
        {"1234.56a8.42@example.jp", -1},
        {"1234.5678.@example.jp", -1},
        {"1234.5678.123456789012@example.jp", -1},  // would overflow
        {"1234.5678.2147483648@example.jp", -1},
        {"1234.5678.42", -1},
        {"", -1},
    };
    for (const auto& c : cases) EXPECT_EQ(MailIdFromMessageId(c.id), c.mail) << c.id;
    EXPECT_EQ(MailIdFromMessageId(nullptr), -1);
    EXPECT_EQ(MailIdFromMessageId(MakeMessageIDLocalPart("shop@example.jp", 310).c_str()), 310);
}

class ReplyProcessingTest : public sendtest::SendEnvTest {
protected:
    void SetUp() override {
        SendEnvTest::SetUp();
        SetOption(54, "Y");
        SetOption(65, "3");
        SetOption(66, "30");
    }
    SendEnvironment Stores() { return {env_.get(), options_.get(), book_.get(), mails_.get()}; }

    // A mail of status `status` sent to `people` (retry count `retries` each); the
    // Message-ID of each, as the send history keeps it.
    std::map<int, std::string> Sent(int& mailId, const std::vector<int>& people, const char* status = "C",
                                    int retries = 0, bool brackets = true) {
        mailId = AddMail(status);
        EXPECT_EQ(mails_->WriteMailList(1), 0);
        EXPECT_EQ(MakeDirectoryCompel(env_layout::OneMailFolder(*env_, mailId)), 0);
        HistoryListViewer h(env_.get(), options_.get(), book_.get(), mails_.get());
        EXPECT_EQ(h.SetMailID(mailId, 1), 0);
        std::map<int, std::string> ids;
        for (int p : people) {
            const std::string local = MakeMessageIDLocalPart("info@example.jp", mailId);
            HistorySet row;
            row.customerID = p;
            row.state = "C";
            row.retryNum = retries;
            row.openFlag = "N";
            row.messageID = brackets ? "<" + local + ">" : local;
            row.lastSendDate = At(2024, 1, 16, 9, 0, 0);
            EXPECT_EQ(h.SetHDataFromStructToMemory(row), 0);
            ids[p] = local;
        }
        EXPECT_EQ(h.WriteHDataFromMemoryToFileCompel(), 0);
        return ids;
    }
    std::string State(CPopReceiveSession& s, int mailId, int customer) {
        std::string state;
        EXPECT_EQ(s.HeldHistory(mailId)->TransferState(customer, state, 0), 0);
        return state;
    }
};

TEST_F(ReplyProcessingTest, ABounceWithAResendLeftPutsTheRecipientBackOnce) {
    const int a = AddPerson("a@example.jp"), b = AddPerson("b@example.jp");
    int mail = 0;
    auto ids = Sent(mail, {a, b});
    CPopReceiveSession s(Stores());
    EXPECT_EQ(s.ProcessBounceOrReceipt(mail, ids[a], 1), CPopReceiveSession::kReplyProcessed);
    EXPECT_EQ(State(s, mail, a), "W");
    EXPECT_EQ(s.GetMailFlags(mail), CPopReceiveSession::kBounceSeen | CPopReceiveSession::kRecipientRequeued);
    EXPECT_EQ(s.UpdateMailAfterReply(mail, 1), 0);
    EXPECT_EQ(Mail(mail).GetStatus(), "R");
    EXPECT_EQ(Mail(mail).GetErrorNumber(), 1);

    // Already waiting: nothing new, though it still counts as an error mail.
    EXPECT_EQ(s.ProcessBounceOrReceipt(mail, ids[a], 1), CPopReceiveSession::kReplyNothingNew);
    EXPECT_EQ(s.UpdateMailAfterReply(mail, 1), 0);
    EXPECT_EQ(Mail(mail).GetErrorNumber(), 2);
    EXPECT_EQ(Mail(mail).GetStatus(), "R");

    ASSERT_EQ(s.SaveChanges(), 0);
    EXPECT_EQ(RecipientsOnDisk(mail), std::vector<int>{a});
    EXPECT_EQ(MailOnDisk(mail).GetErrorNumber(), 2);
    HistoryListViewer h(env_.get(), options_.get(), book_.get(), mails_.get());
    ASSERT_EQ(h.SetMailID(mail, 1), 0);
    ASSERT_EQ(h.GetHDataFromFileToMemory(0, nullptr), 0);
    EXPECT_EQ(h.GetElementFromMemoryPinPoint(a, HistoryListViewer::kState), "W");
    EXPECT_EQ(h.GetElementFromMemoryPinPoint(b, HistoryListViewer::kState), "C");
    EXPECT_FALSE(std::filesystem::exists(ReceiveLedger::StagedPath(env_layout::MailHistoryFile(*env_, mail))));
}

TEST_F(ReplyProcessingTest, ABouncePastTheLastResendFailsTheAddressForGood) {
    const int a = AddPerson("a@example.jp");
    int mail = 0;
    auto ids = Sent(mail, {a}, "C", 3);
    CPopReceiveSession s(Stores());
    EXPECT_EQ(s.ProcessBounceOrReceipt(mail, "<" + ids[a] + ">", 1), CPopReceiveSession::kReplyProcessed);
    EXPECT_EQ(State(s, mail, a), "E");
    EXPECT_EQ(book_->GetCustomerDataPinPoint(a, kElemDMOk), "N");
    EXPECT_EQ(s.GetMailFlags(mail), CPopReceiveSession::kBounceSeen);
    EXPECT_EQ(s.UpdateMailAfterReply(mail, 1), 0);
    EXPECT_EQ(Mail(mail).GetStatus(), "E");  // not back to "R": nobody waits
    ASSERT_EQ(s.SaveChanges(), 0);
    EXPECT_TRUE(RecipientsOnDisk(mail).empty());
    CDatabaseEdit fresh(env_.get(), options_.get());
    ASSERT_GE(fresh.ReadCustomerList(), 0);
    EXPECT_EQ(fresh.GetCustomerDataPinPoint(a, kElemDMOk), "N");
}

TEST_F(ReplyProcessingTest, ABounceForAMailStoppedBySplittingIsNotListedAgain) {
    const int a = AddPerson("a@example.jp");
    int mail = 0;
    auto ids = Sent(mail, {a}, "B");
    CPopReceiveSession s(Stores());
    EXPECT_EQ(s.ProcessBounceOrReceipt(mail, ids[a], 1), CPopReceiveSession::kReplyProcessed);
    EXPECT_EQ(State(s, mail, a), "W");
    EXPECT_EQ(s.UpdateMailAfterReply(mail, 1), 0);
    EXPECT_EQ(Mail(mail).GetStatus(), "B");
    ASSERT_EQ(s.SaveChanges(), 0);
    EXPECT_TRUE(RecipientsOnDisk(mail).empty());
}

TEST_F(ReplyProcessingTest, TheReserveDateOfAMailWaitingForItsResend) {
    FixNow(At(2024, 1, 16, 12, 3, 20));
    const struct {
        platform::DateTime reserve;
        platform::DateTime expected;
    } cases[] = {
        {At(2024, 1, 16, 10, 0, 0), At(2024, 1, 16, 12, 10, 0)},  // still past after 30 min: next mark
        {At(2024, 1, 16, 11, 50, 0), At(2024, 1, 16, 12, 20, 0)},
        {At(2024, 1, 16, 13, 0, 0), At(2024, 1, 16, 13, 0, 0)},   // later than now: kept
    };
    for (const auto& c : cases) {
        const int a = AddPerson("r" + std::to_string(c.reserve.ToTimeT()) + "@example.jp");
        int mail = 0;
        auto ids = Sent(mail, {a}, "E");
        COneMailData m = Mail(mail);
        m.SetDate(COneMailData::kReserveDate, c.reserve, 0);
        ASSERT_EQ(mails_->SetMailData(m), 0);
        CPopReceiveSession s(Stores());
        ASSERT_EQ(s.ProcessBounceOrReceipt(mail, ids[a], 1), CPopReceiveSession::kReplyProcessed);
        ASSERT_EQ(s.UpdateMailAfterReply(mail, 1), 0);
        EXPECT_EQ(Mail(mail).GetStatus(), "R");
        EXPECT_EQ(Mail(mail).GetReserveDate(), c.expected) << c.reserve.Format("%H:%M");
    }
}

TEST_F(ReplyProcessingTest, AReadReceiptCountsOnce) {
    const int a = AddPerson("a@example.jp");
    int mail = 0;
    auto ids = Sent(mail, {a});
    CPopReceiveSession s(Stores());
    EXPECT_EQ(s.ProcessBounceOrReceipt(mail, ids[a], 2), CPopReceiveSession::kReplyProcessed);
    EXPECT_EQ(s.UpdateMailAfterReply(mail, 2), 0);
    EXPECT_EQ(s.ProcessBounceOrReceipt(mail, ids[a], 2), CPopReceiveSession::kReplyNothingNew);
    EXPECT_EQ(s.GetMailFlags(mail), CPopReceiveSession::kReceiptSeen);
    EXPECT_EQ(Mail(mail).GetOpenNumber(), 1);
    EXPECT_EQ(Mail(mail).GetStatus(), "C");
}

TEST_F(ReplyProcessingTest, RepliesThatLeadToNobodyAreUntraceable) {
    const int a = AddPerson("a@example.jp"), b = AddPerson("b@example.jp");
    int mail = 0, unsent = 0, twice = 0, bare = 0;
    auto ids = Sent(mail, {a});
    unsent = AddMail("D");
    auto twin = Sent(twice, {a, b});  // same millisecond is impossible: give both one id
    {
        HistoryListViewer h(env_.get(), options_.get(), book_.get(), mails_.get());
        ASSERT_EQ(h.SetMailID(twice, 1), 0);
        ASSERT_EQ(h.GetHDataFromFileToMemory(0, nullptr), 0);
        std::string id = "<" + twin[a] + ">";
        ASSERT_EQ(h.TransferMessageID(b, id, 1), 0);
        ASSERT_EQ(h.WriteHDataFromMemoryToFileCompel(), 0);
    }
    auto bareIds = Sent(bare, {b}, "C", 0, false);
    CPopReceiveSession s(Stores());
    EXPECT_EQ(s.ProcessBounceOrReceipt(99999, ids[a], 1), CPopReceiveSession::kReplyUntraceable);  // no such mail
    EXPECT_EQ(s.ProcessBounceOrReceipt(unsent, ids[a], 1), CPopReceiveSession::kReplyUntraceable);  // no history
    EXPECT_EQ(s.ProcessBounceOrReceipt(mail, "1.2." + std::to_string(mail) + "@other.jp", 1),
              CPopReceiveSession::kReplyUntraceable);  // nobody with that id
    EXPECT_EQ(s.ProcessBounceOrReceipt(twice, twin[a], 2), CPopReceiveSession::kReplyUntraceable);  // two people
    // A history that keeps its ids without brackets is traced too.
    EXPECT_EQ(s.ProcessBounceOrReceipt(bare, bareIds[b], 2), CPopReceiveSession::kReplyProcessed);
}

TEST_F(ReplyProcessingTest, RepliesToOneMailShareOneHistory) {
    const int a = AddPerson("a@example.jp"), b = AddPerson("b@example.jp");
    int mail = 0, other = 0;
    auto ids = Sent(mail, {a, b});
    auto otherIds = Sent(other, {a});
    CPopReceiveSession s(Stores());
    ASSERT_EQ(s.ProcessBounceOrReceipt(mail, ids[a], 1), CPopReceiveSession::kReplyProcessed);
    HistoryListViewer* held = s.HeldHistory(mail);
    ASSERT_NE(held, nullptr);
    ASSERT_EQ(s.ProcessBounceOrReceipt(other, otherIds[a], 2), CPopReceiveSession::kReplyProcessed);
    ASSERT_EQ(s.ProcessBounceOrReceipt(mail, ids[b], 2), CPopReceiveSession::kReplyProcessed);
    EXPECT_EQ(s.HeldHistory(mail), held);
    EXPECT_EQ(held->GetWrittenBytes(), 0u);  // nothing written before the batch is saved
    ASSERT_EQ(s.SaveChanges(), 0);
    HistoryListViewer h(env_.get(), options_.get(), book_.get(), mails_.get());
    ASSERT_EQ(h.SetMailID(mail, 1), 0);
    ASSERT_EQ(h.GetHDataFromFileToMemory(0, nullptr), 0);
    EXPECT_EQ(h.GetElementFromMemoryPinPoint(a, HistoryListViewer::kState), "W");
    EXPECT_EQ(h.GetElementFromMemoryPinPoint(b, HistoryListViewer::kOpenFlag), "Y");
}

}  // namespace
