// The send run under server faults, run after run, each run in a fresh process over
// stores it opens from the disk (as the scheduler's next run or a restarted program does),
// against the project's fault server on loopback (it saves a message before it answers,
// as a real server queues it). For each fault: the result and the mail's status after
// every run and how long the run took, then how many copies each person got, the send
// history's rows, and the advertising-mail permissions in a freshly opened address book.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <thread>

#include "app/environment/program_keys.h"
#include "app/sendrecv/interrupted_sends.h"
#include "app/sendrecv/send_fault_probe.h"
#include "app/sendrecv/send_receive_worker.h"
#include "app/sendrecv/send_receive_worker_parts.h"
#include "app/sendrecv/tests/send_receive_fixture.h"
#include "app/sendrecv/tests/send_run_fixture.h"
#include "core/foundation/ini_manager.h"

namespace {

using sendtest::SendTestServer;

// One run as the parent sees it.
struct ChildRun {
    int result = 0;
    std::string status;  // the mail's status after the run
    std::chrono::milliseconds took{0};
    bool killed = false;
};

// Where the test kills a run (SIGKILL): at the nth passing of a point of the run
// (send_fault_probe.h), or a moment after the server holds `held` messages. None: the run
// ends on its own.
struct Kill {
    const char* point = nullptr;
    int nth = 0;
    int held = 0;
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
    // the environment afresh; killed as `kill` says (`server` tells how many messages it
    // holds).
    ChildRun RunInFreshProcess(int mail, const Kill& kill = {}, const SendTestServer* server = nullptr) {
        int fds[2];
        EXPECT_EQ(::pipe(fds), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(fds[0]);
            int passed = 0;
            if (kill.point != nullptr)
                SetSendFaultProbeForTesting([&](std::string_view at) {
                    if (at == kill.point && ++passed == kill.nth) ::raise(SIGKILL);
                });
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
        if (kill.held > 0 && server != nullptr) {
            const bool held = sendtest::WaitFor([&] { return server->Count() >= kill.held; });
            EXPECT_TRUE(held) << "the server never held " << kill.held << " messages";
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            ::kill(child, SIGKILL);
        }
        long long in[2] = {-200, 0};
        const bool read = ::read(fds[0], in, sizeof in) == sizeof in;
        ::close(fds[0]);
        int status = 0;
        ::waitpid(child, &status, 0);
        const bool killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
        if (kill.point != nullptr || kill.held > 0) {
            EXPECT_TRUE(killed) << "the run ended before its kill";
        } else {
            EXPECT_TRUE(read && WIFEXITED(status) && WEXITSTATUS(status) == 0);
        }
        return {static_cast<int>(in[0]), MailOnDisk(mail).GetStatus(), std::chrono::milliseconds(in[1]), killed};
    }

    // The next start after a killed run: the mail left "sending" is put back.
    void Restart() {
        CMailListViewer reopened(env_.get());
        EXPECT_GE(RecoverInterruptedSends(reopened), 0);
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
            const ChildRun run = RunInFreshProcess(mail);
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

// Sequences of faults and kills around one person, c, whose answers get lost: whatever
// happens to c's next messages (a refusal, a "try later", a kill before or after the verdict
// that ends c), c gets at most two copies, nobody is lost, and after every run, killed or
// not, the mail's sent and error counts are what the send history says.
TEST_F(SendRunFaultsTest, NoSequenceOfFaultsAndKillsSendsAThirdCopy) {
    const std::string ini = env_layout::EnvIniFile(*env_);
    // Long enough that a run held by a silent server is killed before it gives up.
    CIniManager::WriteProfileStringA(ini, "SMTPINFO", "SENDMAIL_TIMEOUT_CONNECTED", "10000");
    const std::vector<std::string> names = {"a", "b", "c", "d", "e", "f", "g", "h", "i", "j"};
    struct Case {
        const char* name;
        std::vector<std::string> server;
        std::vector<Kill> runs;  // the first runs; then runs on their own until the mail ends
        std::map<std::string, int> copies;  // everyone else gets one
        std::map<std::string, std::string> rows;  // everyone else ends "C"
        bool resend = false;
    };
    const Case cases[] = {
        // Run 1 ends c after its second lost answer and goes on; the 6th message hangs
        // and the run is killed before it rewrote the recipient list.
        {"two lost answers, then a hang killed",
         {"--sequence", "c@example.jp=drop,drop", "--sequence", "e@example.jp=silent"},
         {{}, {nullptr, 0, 6}},
         {{"c", 2}, {"e", 2}},
         {{"c", "E"}}},
        {"two lost answers, then a hang at the 10th message killed",
         {"--sequence", "c@example.jp=drop,drop", "--sequence", "i@example.jp=silent"},
         {{}, {nullptr, 0, 10}},
         {{"c", 2}, {"i", 2}},
         {{"c", "E"}}},
        // Killed right after the verdict was recorded, and after the next message went.
        {"two lost answers, killed after the verdict",
         {"--sequence", "c@example.jp=drop,drop"},
         {{}, {"recorded", 1}},
         {{"c", 2}},
         {{"c", "E"}}},
        {"two lost answers, killed when the next one was taken",
         {"--sequence", "c@example.jp=drop,drop"},
         {{}, {"accepted", 1}},
         {{"c", 2}, {"d", 2}},
         {{"c", "E"}}},
        // The resend is taken, and the run killed before it recorded so.
        {"a lost answer, the resend killed when taken",
         {"--sequence", "c@example.jp=drop"},
         {{}, {"accepted", 1}},
         {{"c", 2}},
         {{"c", "E"}}},
        // A refusal for now between lost answers takes back only its own try.
        {"a lost answer, greylisted, lost answers",
         {"--sequence", "c@example.jp=drop,rcpt450,drop,drop"},
         {},
         {{"c", 2}},
         {{"c", "E"}}},
        {"a lost answer, 451 at the end, lost answers",
         {"--sequence", "c@example.jp=drop,data451,drop,drop"},
         {},
         {{"c", 2}},
         {{"c", "E"}}},
        // A refusal that waits for a resend keeps the doubt of the first message.
        {"a lost answer, refused with resends on, lost answers",
         {"--sequence", "c@example.jp=drop,rcpt550,drop,drop"},
         {},
         {{"c", 2}},
         {{"c", "E"}},
         true},
    };
    for (const bool pipelining : {true, false})
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + (pipelining ? ", PIPELINING" : ""));
        SetOption(54, c.resend ? "Y" : "N");
        std::vector<std::string> options = c.server;
        if (pipelining) options.push_back("--pipelining");
        SendTestServer server(options);
        UseServer(server.port());
        ASSERT_EQ(options_->WriteSODataFromMemoryToFileCompel(), 0);
        std::map<std::string, int> ids;
        std::vector<int> people;
        for (const std::string& n : names) people.push_back(ids[n] = AddPerson(n + "@example.jp"));
        ASSERT_EQ(book_->WriteFromMemoryToFile(), 0);
        const int mail = MakeMail(people, "s", "body");

        const auto copies = [&] {
            std::map<std::string, int> out;
            for (const sendtest::Received& r : sendtest::ReadReceived(server.out()))
                ++out[r.rcpts.at(0).substr(0, r.rcpts.at(0).find('@'))];
            return out;
        };
        std::string status;
        for (std::size_t run = 0; run < c.runs.size() + 6 && status != "C" && status != "E"; ++run) {
            SCOPED_TRACE("run " + std::to_string(run + 1));
            const Kill kill = run < c.runs.size() ? c.runs[run] : Kill{};
            const ChildRun outcome = RunInFreshProcess(mail, kill, &server);
            if (outcome.killed) Restart();
            status = MailOnDisk(mail).GetStatus();
            ExpectCountsAsTheHistorySays(mail);
            for (const auto& [person, n] : copies()) EXPECT_LE(n, 2) << person;
        }
        EXPECT_TRUE(status == "C" || status == "E") << status;

        const std::map<std::string, int> got = copies();
        const auto history = HistoryOnDisk(mail);
        for (const std::string& n : names) {
            const auto want = c.copies.find(n);
            EXPECT_EQ(got.count(n) ? got.at(n) : 0, want != c.copies.end() ? want->second : 1) << n;
            const auto row = c.rows.find(n);
            EXPECT_EQ(history.count(ids[n]) ? history.at(ids[n]).first : "", row != c.rows.end() ? row->second : "C")
                << n;
            // Nothing here is the person's fault.
            EXPECT_EQ(PermissionOnDisk(ids[n]), "Y") << n;
        }
        EXPECT_TRUE(RecipientsOnDisk(mail).empty());
    }
}

// A server that answers one command twice, at each point of a pipelined group (and of the
// same commands one by one): every reply after it answers the command before, so a DATA
// meets a 250. That is no refusal of anyone: the connection ends, the message at hand is
// in doubt (the next run sends it), nobody is recorded as failed, nobody's permission
// changes and nobody gets more than two copies.
TEST_F(SendRunFaultsTest, AReplyThatDoesNotFitItsCommandRefusesNobody) {
    const std::vector<std::string> names = {"a", "b", "c", "d", "e"};
    for (const bool pipelining : {true, false})
    for (const char* point : {"mail", "rcpt", "data", "end"}) {
        SCOPED_TRACE(std::string("an extra reply after ") + point + (pipelining ? ", PIPELINING" : ""));
        std::vector<std::string> options = {"--sequence", std::string("c@example.jp=extra-") + point};
        if (pipelining) options.push_back("--pipelining");
        SendTestServer server(options);
        UseServer(server.port());
        ASSERT_EQ(options_->WriteSODataFromMemoryToFileCompel(), 0);
        std::map<std::string, int> ids;
        std::vector<int> people;
        for (const std::string& n : names) people.push_back(ids[n] = AddPerson(n + "@example.jp"));
        ASSERT_EQ(book_->WriteFromMemoryToFile(), 0);
        const int mail = MakeMail(people, "s", "body");

        std::string status;
        for (int run = 0; run < 4 && status != "C" && status != "E"; ++run) {
            SCOPED_TRACE("run " + std::to_string(run + 1));
            status = RunInFreshProcess(mail).status;
            ExpectCountsAsTheHistorySays(mail);
        }
        EXPECT_EQ(status, "C");
        const std::map<std::string, int> copies = CopiesByName(server);
        const auto history = HistoryOnDisk(mail);
        for (const std::string& n : names) {
            EXPECT_EQ(copies.count(n) != 0 ? copies.at(n) : 0, 1) << n;
            EXPECT_EQ(history.count(ids[n]) != 0 ? history.at(ids[n]).first : "", "C") << n;
            EXPECT_EQ(PermissionOnDisk(ids[n]), "Y") << n;
        }
    }
}

// Two mails reserved for the same minute, the first to a, b and c, the second to d and e,
// sent by the scheduler's runs (the worker with the program's send job) three and six days
// after the first. A server that answers b's RCPT or b's message with 421 (and closes the
// connection) defers only b: c gets the first mail, the second mail goes, and b fails with
// the five-day reason once five days have passed, permission untouched, so the mail ends.
// A connection lost under b's message ends the first mail's run early, but not the run of
// the second mail.
TEST_F(SendRunFaultsTest, A421ForOnePersonDefersOnlyThatPersonAndHoldsBackNoOtherMail) {
    struct Case {
        const char* name;
        std::vector<std::string> server;
        int copiesOfB;
    } cases[] = {
        {"421 at RCPT", {"--defer-rcpt", "b@example.jp=421:0"}, 0},
        {"421 after the message", {"--defer-data", "b@example.jp=421:0"}, 0},
        {"no answer to the message, the connection dropped", {"--unanswered", "b@example.jp=drop:0"}, 2},
    };
    const platform::DateTime start(2024, 6, 10, 9, 0, 0);
    for (const bool pipelining : {true, false})
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + (pipelining ? ", PIPELINING" : ""));
        // A fresh environment: no mail of an earlier case is due.
        TearDown();
        SetUp();
        std::vector<std::string> options = c.server;
        if (pipelining) options.push_back("--pipelining");
        SendTestServer server(options);
        UseServer(server.port());
        std::map<std::string, int> ids;
        for (const char* n : {"a", "b", "c", "d", "e"}) ids[n] = AddPerson(std::string(n) + "@example.jp");
        const int first = MakeMail({ids["a"], ids["b"], ids["c"]}, "s", "body");
        const int second = MakeMail({ids["d"], ids["e"]}, "s", "body");
        for (int mail : {first, second}) {
            COneMailData m = Mail(mail);
            m.SetDate(COneMailData::kReserveDate, start, 0);
            ASSERT_EQ(mails_->SetMailData(m), 0);
        }
        ASSERT_EQ(mails_->WriteMailList(0), 0);

        srtest::RecordingRunObserver seen;
        for (const int days : {0, 3, 6}) {
            SCOPED_TRACE(std::to_string(days) + " days after");
            const platform::DateTime now = start + platform::DateTimeSpan(days, 0, 1, 0);
            FixNow(now);
            SendReceiveRunParts parts = MakeSendReceiveRunParts(Stores(), nullptr);
            parts.rules = CommNetRules(options_.get(), mails_.get(), [&now] { return now.ToTimeT(); });
            parts.receiver = std::make_unique<srtest::FakeReceiver>();
            parts.dialup.reset();
            RunFlags flags;
            SendReceiveWorker::Settings settings;
            settings.mode = 6;
            SendReceiveWorker(parts, flags, seen, settings).Run();
            ExpectCountsAsTheHistorySays(first);
            ExpectCountsAsTheHistorySays(second);
            if (days == 0) {
                const std::map<std::string, int> copies = CopiesByName(server);
                EXPECT_EQ(copies.count("d"), 1u);
                EXPECT_EQ(copies.count("e"), 1u);
                EXPECT_EQ(MailOnDisk(second).GetStatus(), "C");
            }
        }
        EXPECT_EQ(MailOnDisk(first).GetStatus(), "E");
        const std::map<std::string, int> copies = CopiesByName(server);
        for (const char* n : {"a", "c", "d", "e"}) EXPECT_EQ(copies.count(n) != 0 ? copies.at(n) : 0, 1) << n;
        EXPECT_EQ(copies.count("b") != 0 ? copies.at("b") : 0, c.copiesOfB);
        EXPECT_EQ(HistoryOnDisk(first)[ids["b"]].first, "E");
        for (const auto& [n, id] : ids) EXPECT_EQ(PermissionOnDisk(id), "Y") << n;
        if (c.copiesOfB == 0) {
            EXPECT_TRUE(seen.Of("status").join("|").contains(
                QString::fromUtf8("最初に保留されてから5日を過ぎたため、この宛先への送信を打ち切りました")));
        }
    }
}

// A recipient whose server only ever says "try later" - at RCPT, or at the end of a message
// it keeps anyway - is tried at each run for five days from its first deferral, then
// failed with the last answer as the reason and its permission left alone; the mail ends.
// A run with the clock set back a week in between, and the clock put right again, changes
// nothing: the five days count from the first deferral as it happened.
TEST_F(SendRunFaultsTest, ADeferralEndsFiveDaysAfterTheFirst) {
    const platform::DateTime start(2024, 6, 10, 9, 0, 0);
    struct Case {
        const char* name;
        std::vector<std::string> server;
        const char* reply;  // the server's last answer, as the reason shows it
        int copiesOfB;
    };
    const Case cases[] = {
        {"450 at RCPT", {"--defer-rcpt", "b@example.jp=450:0"}, "450 4.7.1 <b@example.jp>: Recipient address rejected", 0},
        {"451 at the end of a message it keeps",
         {"--sequence", "b@example.jp=kept451,kept451,kept451,kept451,kept451,kept451,kept451"},
         "451 4.3.0 Temporary failure, try again later",
         6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SendTestServer server(c.server);
        UseServer(server.port());
        const int a = AddPerson("a@example.jp");
        const int b = AddPerson("b@example.jp");
        const int mail = MakeMail({a, b}, "s", "body");
        // Runs up to five days after the first deferral leave b waiting, also one with the
        // clock a week back and the one after it with the clock put right; the run after
        // five days gives up.
        const platform::DateTimeSpan week(7, 0, 0, 0);
        const platform::DateTime when[] = {start,
                                           start - week,
                                           start + platform::DateTimeSpan(0, 0, 1, 0),
                                           start + platform::DateTimeSpan(2, 0, 0, 0),
                                           start + platform::DateTimeSpan(5, 0, 0, 0),
                                           start + platform::DateTimeSpan(5, 0, 10, 0)};
        for (const platform::DateTime& now : when) {
            SCOPED_TRACE((now - start).TotalMinutes());
            FixNow(now);
            const bool last = now == when[std::size(when) - 1];
            EXPECT_EQ(Send(mail), 0) << lastError_;
            EXPECT_EQ(MailOnDisk(mail).GetStatus(), last ? "E" : "R");
            HistoryListViewer h(env_.get(), options_.get(), book_.get(), mails_.get());
            ASSERT_EQ(h.SetMailID(mail, 1), 0);
            ASSERT_EQ(h.GetHDataFromFileToMemory(0, nullptr), 0);
            // The history keeps the first deferral's time until b's row ends it.
            EXPECT_EQ(h.GetFirstDeferral(b).IsValid(), !last);
            if (!last) {
                EXPECT_EQ(h.GetFirstDeferral(b), start);
            }
            EXPECT_EQ(h.DBID2RowNumber(b) >= 0, last);
            ExpectCountsAsTheHistorySays(mail);
        }
        EXPECT_EQ(HistoryOnDisk(mail).at(b).first, "E");
        EXPECT_TRUE(RecipientsOnDisk(mail).empty());
        EXPECT_EQ(PermissionOnDisk(b), "Y");
        const QString reason = observer_.Statuses().join("|");
        EXPECT_TRUE(reason.contains(QString::fromUtf8(c.reply))) << reason.toStdString();
        EXPECT_TRUE(reason.contains(QString::fromUtf8("最初に保留されてから5日を過ぎたため、この宛先への送信を打ち切りました")))
            << reason.toStdString();
        std::map<std::string, int> copies;
        for (const sendtest::Received& r : sendtest::ReadReceived(server.out())) ++copies[r.rcpts.at(0)];
        EXPECT_EQ(copies["a@example.jp"], 1);
        EXPECT_EQ(copies["b@example.jp"], c.copiesOfB);
        const COneMailData m = MailOnDisk(mail);
        EXPECT_EQ(m.GetSentNumber(), 2);
        EXPECT_EQ(m.GetErrorNumber(), 1);
    }
}
