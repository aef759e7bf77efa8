// A receive run killed (SIGKILL) in a child process at each point of its work, against
// the real test POP server; the program then starts again (the stores read afresh, the
// interrupted receive finished) and a new run receives. Every reply is applied exactly
// once - none twice, none lost - and exactly the handled messages leave the server.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/sendrecv/receive_fault_probe.h"
#include "app/sendrecv/tests/receive_fixture.h"

namespace {

struct KillPoint {
    const char* point;
    int nth;
};
void PrintTo(const KillPoint& k, std::ostream* os) { *os << k.point << " #" << k.nth; }

class ReceiveKillTest : public rcvtest::ReceiveRunTest, public ::testing::WithParamInterface<KillPoint> {};

TEST_P(ReceiveKillTest, NothingAppliedTwiceNothingLost) {
    const KillPoint kill = GetParam();
    SetOption(CPopReceiveSession::kOptionDeleteHandled, "Y");
    std::vector<int> people;
    for (int i = 0; i < 5; ++i) people.push_back(AddPerson("k" + std::to_string(i) + "@example.net"));
    ASSERT_EQ(book_->WriteFromMemoryToFile(), 0);
    int mail = 0;
    auto sent = RecordedMail(people, mail);
    Deliver(Reply("bounce_postfix.eml", sent[people[0]]));
    Deliver(Reply("ordinary.eml", sent[people[0]]));
    Deliver(Reply("read_receipt.eml", sent[people[2]]));
    Deliver(Reply("bounce_exim.eml", sent[people[1]]));
    Deliver(Reply("refusal.eml", sent[people[4]]));
    Deliver(Reply("read_receipt.eml", sent[people[3]]));
    Deliver(Reply("registration.eml", sent[people[0]], "new@example.jp",
                  rcvtest::RegistrationBody("new@example.jp", "鈴木", "次郎")));
    const std::string ordinary = MailboxUids().at(1);

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        int count = 0;
        SetReceiveFaultProbeForTesting([&](std::string_view at) {
            if (at == kill.point && ++count == kill.nth) ::raise(SIGKILL);
        });
        CPopReceiveSession session(Stores());
        session.Run();
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "the kill point was never reached";

    // The program starts again: its stores are read, then what the killed run left is finished.
    ASSERT_GE(book_->ReadCustomerList(), 0);
    ASSERT_GE(mails_->ReadMailList(), 0);
    ASSERT_EQ(RecoverInterruptedReceive(Stores()), 0);
    ASSERT_EQ(Receive(), CPopReceiveSession::kRunNormal) << runError_;

    const auto history = HistoryOnDisk(mail);
    EXPECT_EQ(history.at(people[0]).first, "W");
    EXPECT_EQ(history.at(people[1]).first, "W");
    const auto opened = OpenFlagsOnDisk(mail);
    EXPECT_EQ(opened.at(people[2]), "Y");
    EXPECT_EQ(opened.at(people[3]), "Y");
    const COneMailData record = MailOnDisk(mail);
    EXPECT_EQ(record.GetErrorNumber(), 2);
    EXPECT_EQ(record.GetOpenNumber(), 2);
    EXPECT_EQ(record.GetStatus(), "R");
    EXPECT_EQ(ListOnDisk(receive_stores::kRegistrations).size(), 1u);
    EXPECT_EQ(ListOnDisk(receive_stores::kRefusals).size(), 1u);
    EXPECT_EQ(BookOnDisk(people[4], kElemDMOk), "N");
    std::vector<int> list = RecipientsOnDisk(mail);
    std::sort(list.begin(), list.end());
    EXPECT_EQ(list, (std::vector<int>{people[0], people[1]}));
    EXPECT_EQ(MailboxUids(), std::vector<std::string>{ordinary});
}

INSTANTIATE_TEST_SUITE_P(AtEveryPoint, ReceiveKillTest,
                         ::testing::Values(KillPoint{"applied", 1}, KillPoint{"applied", 4}, KillPoint{"staged", 1}, KillPoint{"journaled", 1},
                                           KillPoint{"committed", 1}, KillPoint{"installed", 1},
                                           KillPoint{"deleted", 1}),
                         [](const ::testing::TestParamInfo<KillPoint>& info) {
                             return std::string(info.param.point) + std::to_string(info.param.nth);
                         });

}  // namespace
