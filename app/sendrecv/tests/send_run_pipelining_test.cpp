// The send run against servers with and without PIPELINING (the project's aiosmtpd fault
// server, which reads pipelined commands in order either way): the exchange as the
// transfer log shows it, and the same outcomes for refusals, deferrals and lost
// connections in the middle of a pipelined batch as when every command waits its reply.
#include <gtest/gtest.h>

#include <sstream>
#include <thread>

#include "app/sendrecv/tests/send_run_fixture.h"
#include "core/foundation/cp932.h"
#include "core/foundation/env_layout.h"
#include "core/foundation/ini_manager.h"

namespace {

using sendtest::SendTestServer;

class SendRunPipeliningTest : public sendtest::SendRunTest {
protected:
    std::string State(int mailId, int customer) { return HistoryOnDisk(mailId)[customer].first; }
    std::vector<std::string> ServerArgs(bool pipelining, std::vector<std::string> args = {}) {
        if (pipelining) args.push_back("--pipelining");
        return args;
    }
    // The SMTP lines of the transfer log from the first MAIL FROM on, without their time
    // stamps: "S MAIL FROM:<...>" for a command, "R 250" for a reply (its code).
    std::vector<std::string> Exchange() {
        std::string all;
        for (const auto& e : std::filesystem::directory_iterator(logDir_->path())) all += nettest::ReadFile(e.path());
        const std::string sent = Utf8ToSjis("[送信]"), received = Utf8ToSjis("[受信]");
        std::vector<std::string> out;
        std::istringstream in(all);
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (const std::size_t at = line.find(sent); at != std::string::npos) {
                const std::string command = line.substr(at + sent.size());
                if (out.empty() && command.rfind("MAIL FROM", 0) != 0) continue;
                out.push_back("S " + command);
            } else if (const std::size_t at = line.find(received); at != std::string::npos && !out.empty()) {
                out.push_back("R " + line.substr(at + received.size(), 3));
            }
        }
        return out;
    }
};

// Without PIPELINING every command waits for its reply. With it, each envelope goes as one
// group, and the next one goes right after the message, before the reply to its end of
// data: one round trip per message. The replies are read, and logged, in order.
TEST_F(SendRunPipeliningTest, TransferLogShowsEachExchangeAsItWent) {
    const std::vector<std::string> people = {"a@example.jp", "b@example.jp", "c@example.jp"};
    const auto envelope = [](const std::string& to) {
        return std::vector<std::string>{"S MAIL FROM:<info@example.jp>", "S RCPT TO:<" + to + ">", "S DATA"};
    };
    const auto join = [](std::initializer_list<std::vector<std::string>> parts) {
        std::vector<std::string> all;
        for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
        return all;
    };
    const std::vector<std::string> accepted = {"R 250", "R 250", "R 354"};
    const std::vector<std::string> oneByOne = {
        "S MAIL FROM:<info@example.jp>", "R 250", "S RCPT TO:<a@example.jp>", "R 250", "S DATA", "R 354", "R 250",
        "S MAIL FROM:<info@example.jp>", "R 250", "S RCPT TO:<b@example.jp>", "R 250", "S DATA", "R 354", "R 250",
        "S MAIL FROM:<info@example.jp>", "R 250", "S RCPT TO:<c@example.jp>", "R 250", "S DATA", "R 354", "R 250",
        "S QUIT", "R 221"};
    const std::vector<std::string> pipelined =
        join({envelope(people[0]), accepted, envelope(people[1]), {"R 250"}, accepted, envelope(people[2]),
              {"R 250"}, accepted, {"R 250", "S QUIT", "R 221"}});
    for (const bool pipelining : {false, true}) {
        SCOPED_TRACE(pipelining ? "PIPELINING" : "no PIPELINING");
        std::filesystem::remove_all(logDir_->path());
        std::filesystem::create_directories(logDir_->path());
        SendTestServer server(ServerArgs(pipelining));
        UseServer(server.port());
        std::vector<int> ids;
        for (const std::string& p : people) ids.push_back(AddPerson(p));
        const int mail = MakeMail(ids, "s", "b");
        ASSERT_EQ(Send(mail), 0) << lastError_;
        EXPECT_EQ(server.Count(), 3);
        EXPECT_EQ(Exchange(), pipelining ? pipelined : oneByOne);
    }
}

// Refusals and deferrals in the middle of a pipelined batch end as when each command waits
// for its reply: a refused recipient (550 at RCPT) and a refused message (554 at the end
// of data) are failed, a deferred one (450 at RCPT) and one refused for now at the end of
// data (451) stay for the next run, and every other message goes exactly once.
TEST_F(SendRunPipeliningTest, RefusalsInTheMiddleOfABatchEndAsWithoutPipelining) {
    const std::vector<std::string> people = {"p0@example.jp", "rcpt550@example.jp", "p2@example.jp",
                                             "data554@example.jp", "rcpt450@example.jp", "data451@example.jp",
                                             "p6@example.jp"};
    const std::map<std::string, std::string> states = {{"p0@example.jp", "C"},        {"rcpt550@example.jp", "E"},
                                                       {"p2@example.jp", "C"},        {"data554@example.jp", "E"},
                                                       {"p6@example.jp", "C"}};
    for (const bool pipelining : {false, true}) {
        SCOPED_TRACE(pipelining ? "PIPELINING" : "no PIPELINING");
        SendTestServer server(ServerArgs(pipelining, {"--refuse", "rcpt550@example.jp", "--defer-data",
                                                      "data554@example.jp=554:0", "--defer-rcpt",
                                                      "rcpt450@example.jp=450:0", "--defer-data",
                                                      "data451@example.jp=451:0"}));
        UseServer(server.port());
        std::vector<int> ids;
        for (const std::string& p : people) ids.push_back(AddPerson(p));
        const int mail = MakeMail(ids, "s", "b");
        EXPECT_EQ(Send(mail), 0) << lastError_;

        std::map<std::string, int> copies;
        for (const sendtest::Received& r : sendtest::ReadReceived(server.out())) ++copies[r.rcpts.at(0)];
        EXPECT_EQ(copies, (std::map<std::string, int>{{"p0@example.jp", 1}, {"p2@example.jp", 1}, {"p6@example.jp", 1}}));
        std::map<std::string, std::string> recorded;
        for (const auto& [customer, row] : HistoryOnDisk(mail))
            recorded[book_->GetCustomerDataPinPoint(customer, kElemEmail)] = row.first;
        EXPECT_EQ(recorded, states);
        EXPECT_EQ(RecipientsOnDisk(mail), (std::vector<int>{ids[4], ids[5]}));
        EXPECT_EQ(book_->GetCustomerDataPinPoint(ids[4], kElemDMOk), "Y");
    }
}

// A sender refused for a while (451 at MAIL FROM) after a refused recipient stops the run
// as a connection failure, also when the refusal came in a pipelined group whose RCPT and
// DATA were refused after it: the recipient at hand stays in the list, unfailed.
TEST_F(SendRunPipeliningTest, ARefusedSenderInTheMiddleOfABatchIsNoRecipientsFailure) {
    for (const bool pipelining : {false, true}) {
        SCOPED_TRACE(pipelining ? "PIPELINING" : "no PIPELINING");
        SendTestServer server(ServerArgs(pipelining, {"--refuse", "bad@example.jp", "--refuse-mail-after", "2"}));
        UseServer(server.port());
        const int ok1 = AddPerson("ok1@example.jp");
        const int bad = AddPerson("bad@example.jp");
        const int ok2 = AddPerson("ok2@example.jp");
        const int waiting = AddPerson("waiting@example.jp");
        const int mail = MakeMail({ok1, bad, ok2, waiting}, "s", "b");
        EXPECT_EQ(Send(mail), -1);
        EXPECT_EQ(flags_, (std::vector<int>{CSendJob::kRecipientFailed, CSendJob::kConnectionFailure}));
        const auto history = HistoryOnDisk(mail);
        EXPECT_EQ(history.at(bad).first, "E");
        EXPECT_EQ(history.count(waiting), 0u);
        EXPECT_EQ(RecipientsOnDisk(mail), std::vector<int>{waiting});
        EXPECT_EQ(book_->GetCustomerDataPinPoint(waiting, kElemDMOk), "Y");
    }
}

// A cancel while a message is in flight lets its reply come (for a few seconds): the
// message is recorded as sent, the run stops before the next one, and the next run sends
// only the rest - nobody gets a second copy from the cancel.
TEST_F(SendRunPipeliningTest, CancelLetsTheReplyInFlightComeAndSendsNothingTwice) {
    // The reply to the second message comes a second after its data.
    SendTestServer server(ServerArgs(true, {"--delay-message", "2:1"}));
    UseServer(server.port());
    const int a = AddPerson("a@example.jp");
    const int b = AddPerson("b@example.jp");
    const int c = AddPerson("c@example.jp");
    const int mail = MakeMail({a, b, c}, "s", "b");
    CSendJob job(Stores());
    job.SetObserver(&observer_);
    std::thread gui([&] {
        sendtest::WaitFor([&] { return server.Count() >= 1; });
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        job.Cancel();
    });
    EXPECT_EQ(job.SendOneMail(mail), -1);
    gui.join();
    ASSERT_EQ(job.SaveProgress(1), 0);
    EXPECT_EQ(State(mail, a), "C");
    EXPECT_EQ(State(mail, b), "C");
    EXPECT_EQ(RecipientsOnDisk(mail), std::vector<int>{c});
    // The cancelled mail, a draft now, sent again.
    ReserveAgain(mail);
    ASSERT_EQ(Send(mail), 0) << lastError_;
    std::map<std::string, int> copies;
    for (const sendtest::Received& r : sendtest::ReadReceived(server.out())) ++copies[r.rcpts.at(0)];
    EXPECT_EQ(copies, (std::map<std::string, int>{{"a@example.jp", 1}, {"b@example.jp", 1}, {"c@example.jp", 1}}));
}

// A server that answers a pipelined group's MAIL FROM with 421 (it is closing) and then
// neither answers the rest nor closes: the run stops at once, not after the time-out, with
// the server's 421 as its error, as it does when each command waits for its reply; the
// people not reached wait in the list, unfailed.
TEST_F(SendRunPipeliningTest, A421ThatLeavesTheConnectionOpenEndsTheRunAtOnceWithItsWords) {
    CIniManager::WriteProfileStringA(env_layout::EnvIniFile(*env_), "SMTPINFO", "SENDMAIL_TIMEOUT_CONNECTED", "20000");
    for (const bool pipelining : {false, true}) {
        SCOPED_TRACE(pipelining ? "PIPELINING" : "no PIPELINING");
        SendTestServer server(ServerArgs(pipelining, {"--hang-up-mail-after", "1"}));
        UseServer(server.port());
        const int a = AddPerson("a@example.jp");
        const int b = AddPerson("b@example.jp");
        const int c = AddPerson("c@example.jp");
        const int mail = MakeMail({a, b, c}, "s", "b");
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(Send(mail), -1);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
        EXPECT_EQ(lastError_, "メール送信サービスが利用できません。送信サーバで何らかの問題が起きたようです。");
        EXPECT_EQ(flags_, std::vector<int>{CSendJob::kConnectionFailure});
        EXPECT_EQ(server.Count(), 1);
        const auto history = HistoryOnDisk(mail);
        EXPECT_EQ(history.at(a).first, "C");
        EXPECT_EQ(history.count(b) + history.count(c), 0u);
        EXPECT_EQ(RecipientsOnDisk(mail), (std::vector<int>{b, c}));
        for (int p : {b, c}) EXPECT_EQ(book_->GetCustomerDataPinPoint(p, kElemDMOk), "Y");
    }
}

}  // namespace
