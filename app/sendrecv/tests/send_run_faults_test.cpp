// The send run under server faults, run after run, each run in a fresh process over
// stores it opens from the disk (as the scheduler's next run or a restarted program does),
// against the project's fault server on loopback (it saves a message before it answers,
// as a real server queues it). For each fault: the result and the mail's status after
// every run and how long the run took, then how many copies each person got, the send
// history's rows, and the advertising-mail permissions in a freshly opened address book.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <map>

#include "app/environment/program_keys.h"
#include "app/sendrecv/tests/send_run_fixture.h"
#include "core/foundation/ini_manager.h"

namespace {

using sendtest::SendTestServer;

// One run as the parent sees it.
struct RunOutcome {
    int result = 0;
    std::string status;  // the mail's status after the run
    std::chrono::milliseconds took{0};
};

class SendRunFaultsTest : public sendtest::SendRunTest {
protected:
    void SetUp() override {
        sendtest::SendRunTest::SetUp();
        const std::string ini = env_layout::EnvIniFile(*env_);
        CIniManager::WriteProfileStringA(ini, "SMTPINFO", "SENDMAIL_TIMEOUT_BEFORE_CONNECT", "1000");
        CIniManager::WriteProfileStringA(ini, "SMTPINFO", "SENDMAIL_TIMEOUT_CONNECTED", "1000");
    }

    // One send run of `mail` and the worker's final save, in a child process that opens
    // the environment afresh.
    RunOutcome RunInFreshProcess(int mail) {
        int fds[2];
        EXPECT_EQ(::pipe(fds), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(fds[0]);
            const auto start = std::chrono::steady_clock::now();
            EnvManager env;
            int result = -100;
            if (env.InitEnvFileInfo(base_ + "env.env", shell::kDescriptorKey, 0) == 0) {
                SystemOption options(&env);
                CDatabaseEdit book(&env, &options);
                CMailListViewer mails(&env);
                if (options.GetSODataFromFileToMemory() == 0 && book.ReadCustomerList() >= 0) {
                    CSendJob job(SendEnvironment{&env, &options, &book, &mails});
                    result = job.SendOneMail(mail);
                    job.SaveProgress(1);
                }
            }
            const long long ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now() - start)
                                     .count();
            const long long out[2] = {result, ms};
            const bool written = ::write(fds[1], out, sizeof out) == sizeof out;
            ::_exit(written ? 0 : 1);
        }
        ::close(fds[1]);
        long long in[2] = {-200, 0};
        const bool read = ::read(fds[0], in, sizeof in) == sizeof in;
        ::close(fds[0]);
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(read && WIFEXITED(status) && WEXITSTATUS(status) == 0);
        return {static_cast<int>(in[0]), MailOnDisk(mail).GetStatus(), std::chrono::milliseconds(in[1])};
    }

    // The permission of `id` in an address book opened from the disk.
    std::string PermissionOnDisk(int id) {
        CDatabaseEdit fresh(env_.get(), options_.get());
        EXPECT_GE(fresh.ReadCustomerList(), 0);
        return fresh.GetCustomerDataPinPoint(id, kElemDMOk);
    }
};

TEST_F(SendRunFaultsTest, NoFaultSendsMoreThanTwoCopiesFailsARecipientWithoutCauseOrBlocksTheOthers) {
    using std::chrono::milliseconds;
    struct Run {
        int result;
        const char* status;
    };
    struct Case {
        const char* name;
        std::vector<std::string> server;  // the fault server's options; b is the one at fault
        std::vector<Run> runs;
        int copiesOfB;        // a and c get one copy each unless no run reaches them
        const char* rowOfB;   // its send history state after the runs ("" none)
        milliseconds longest;  // no run takes longer
    };
    const Case cases[] = {
        // The message is kept, the connection dropped before the reply: sent once more by
        // the next run, then failed for good; the run after the first stops, the others
        // go on after the second.
        {"drop after the message, no reply",
         {"--unanswered", "b@example.jp=drop:0"},
         {{-1, "W"}, {0, "E"}},
         2, "E", milliseconds(2500)},
        // No reply before the (1 s) time-out, every time.
        {"no reply until the time-out",
         {"--unanswered", "b@example.jp=silent:0"},
         {{-1, "I"}, {0, "E"}},
         2, "E", milliseconds(3500)},
        // Greylisting: the first RCPT refused for now, the next run's taken.
        {"450 at RCPT", {"--defer-rcpt", "b@example.jp=450:1"}, {{0, "R"}, {0, "C"}}, 1, "C",
         milliseconds(2500)},
        // A full mailbox for two runs.
        {"452 at RCPT", {"--defer-rcpt", "b@example.jp=452:2"}, {{0, "R"}, {0, "R"}, {0, "C"}}, 1, "C",
         milliseconds(2500)},
        // The message refused for now after it went out (not kept).
        {"451 at the end of the message", {"--defer-data", "b@example.jp=451:1"}, {{0, "R"}, {0, "C"}}, 1,
         "C", milliseconds(2500)},
        // One EHLO line every 0.6 s for 6 s: the reply must come whole within the time-out.
        {"dripping EHLO", {"--drip-ehlo", "0.6:10"}, {{-1, "W"}, {-1, "W"}}, 0, "", milliseconds(2500)},
    };
    // Each fault runs until the mail is no longer due (a mail in "C" or "E" is not sent
    // again by the scheduler); with a server that offers PIPELINING the same.
    for (const bool pipelining : {false, true})
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + (pipelining ? ", PIPELINING" : ""));
        std::vector<std::string> options = c.server;
        if (pipelining) options.push_back("--pipelining");
        SendTestServer server(options);
        UseServer(server.port());
        ASSERT_EQ(options_->WriteSODataFromMemoryToFileCompel(), 0);
        const int a = AddPerson("a@example.jp");
        const int b = AddPerson("b@example.jp");
        const int cc = AddPerson("c@example.jp");
        ASSERT_EQ(book_->WriteFromMemoryToFile(), 0);
        const int mail = MakeMail({a, b, cc}, "s", "body");

        for (std::size_t i = 0; i < c.runs.size(); ++i) {
            SCOPED_TRACE("run " + std::to_string(i + 1));
            const RunOutcome run = RunInFreshProcess(mail);
            EXPECT_EQ(run.result, c.runs[i].result);
            EXPECT_EQ(run.status, c.runs[i].status);
            EXPECT_LT(run.took, c.longest);
        }

        std::map<std::string, int> copies;
        for (const sendtest::Received& r : sendtest::ReadReceived(server.out())) ++copies[r.rcpts.at(0)];
        const int others = c.copiesOfB == 0 ? 0 : 1;
        EXPECT_EQ(copies["a@example.jp"], others);
        EXPECT_EQ(copies["b@example.jp"], c.copiesOfB);
        EXPECT_EQ(copies["c@example.jp"], others);

        auto rows = HistoryOnDisk(mail);
        EXPECT_EQ(rows.count(b) != 0 ? rows[b].first : "", c.rowOfB);
        EXPECT_EQ(rows.count(a) != 0 ? rows[a].first : "", others ? "C" : "");
        EXPECT_EQ(rows.count(cc) != 0 ? rows[cc].first : "", others ? "C" : "");
        EXPECT_TRUE(RecipientsOnDisk(mail).empty() || c.copiesOfB == 0);
        // Nothing here is any person's fault.
        for (int p : {a, b, cc}) EXPECT_EQ(PermissionOnDisk(p), "Y") << p;
    }
}

}  // namespace
