// A send run killed (SIGKILL) at fixed points of its work, in a child process, against a
// real SMTP server; a new run then finishes the mail. Nobody whom the history records as
// sent is sent again, and only the one message in flight at the kill may arrive twice.
// (The benchmark program kills runs at random moments instead: bench/send_run_bench.cpp.)
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <new>
#include <set>
#include <thread>

#include "app/sendrecv/interrupted_sends.h"
#include "app/sendrecv/send_fault_probe.h"
#include "app/sendrecv/tests/send_run_fixture.h"
#include "core/foundation/progress_journal.h"
#include "platform/tests/io_faults.h"

namespace {

using sendtest::SendTestServer;

class SendRunKillTest : public sendtest::SendRunTest {
protected:
    // A first run whose answer for b the server loses with the connection.
    struct LostAnswer {
        std::unique_ptr<SendTestServer> server;
        std::map<std::string, int> ids;  // a, b and c
        int mail = 0;                    // to them
    };
    // a, b and c and a mail to them, sent once through a server whose sequence does `toB` to
    // b's message (`pipelining`: it offers PIPELINING): a has the mail, b's may have arrived.
    void SendOnceLosingBsAnswer(const std::string& toB, bool pipelining, LostAnswer& run) {
        std::vector<std::string> args = {"--sequence", "b@example.jp=" + toB};
        if (pipelining) args.push_back("--pipelining");
        run.server = std::make_unique<SendTestServer>(args);
        UseServer(run.server->port());
        std::vector<int> people;
        for (const char* n : {"a", "b", "c"}) people.push_back(run.ids[n] = AddPerson(std::string(n) + "@example.jp"));
        ASSERT_EQ(book_->WriteFromMemoryToFile(), 0);
        run.mail = MakeMail(people, "s", "b");
        Send(run.mail);
        ASSERT_EQ(run.server->Count(), 2);
    }
};

TEST_F(SendRunKillTest, KilledAnywhereNoRecordedRecipientIsSentAgain) {
    struct Kill {
        const char* point;
        int nth;
        bool wholeSaves;  // the history (and then the list) rewritten after every recipient
    } kills[] = {
        {"accepted", 1, false},  {"accepted", 9, false},  {"recorded", 1, false}, {"recorded", 13, false},
        {"accepted", 5, true},   {"recorded", 5, true},   {"list-save", 1, true}, {"list-save", 8, true},
        {"closing", 1, false},   {"list-save", 20, true},
    };
    // With PIPELINING the next envelope is on its way at each of those points.
    for (const bool pipelining : {false, true})
    for (const Kill& k : kills) {
        SCOPED_TRACE(std::string(k.point) + " #" + std::to_string(k.nth) + (k.wholeSaves ? " whole saves" : "") +
                     (pipelining ? ", PIPELINING" : ""));
        SendTestServer server(pipelining ? std::vector<std::string>{"--pipelining"} : std::vector<std::string>{});
        UseServer(server.port());
        std::vector<int> people;
        for (int i = 0; i < 20; ++i)
            people.push_back(AddPerson("k" + std::to_string(i) + "-" + std::to_string(server.port()) + "@example.jp"));
        const int mail = MakeMail(people, "s", "b");
        ASSERT_EQ(book_->WriteFromMemoryToFile(), 0);

        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            int count = 0;
            SetSendFaultProbeForTesting([&](std::string_view at) {
                if (at == k.point && ++count == k.nth) ::raise(SIGKILL);
            });
            CSendJob job(Stores());
            if (k.wholeSaves) job.GetHistory()->SetSavePace(0, 0.0, 0);
            job.SendOneMail(mail);
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "the kill point was never reached";

        // What the killed run recorded as sent, and what had arrived by then.
        std::set<int> recorded;
        for (const auto& [customer, row] : HistoryOnDisk(mail))
            if (row.first == "C") recorded.insert(customer);
        // Killed between the server's answer and the record, one message is in flight.
        const bool inFlight = std::string_view(k.point) == "accepted";
        EXPECT_EQ(server.Count(), static_cast<int>(recorded.size()) + (inFlight ? 1 : 0));

        // The next start puts the mail back as interrupted; the next run finishes it.
        CMailListViewer reopened(env_.get());
        EXPECT_EQ(RecoverInterruptedSends(reopened), 1);
        ASSERT_GE(mails_->ReadMailList(), 0);
        ASSERT_EQ(Send(mail), 0) << lastError_;
        EXPECT_EQ(MailOnDisk(mail).GetStatus(), "C");

        std::map<std::string, int> copies;
        for (const sendtest::Received& r : sendtest::ReadReceived(server.out())) ++copies[r.rcpts.at(0)];
        int twice = 0;
        for (int p : people) {
            const std::string address = book_->GetCustomerDataPinPoint(p, kElemEmail);
            const int n = copies[address];
            EXPECT_GE(n, 1) << address;
            if (recorded.count(p) != 0) {
                EXPECT_EQ(n, 1) << address << " was recorded as sent";
            }
            if (n > 1) ++twice;
        }
        EXPECT_EQ(twice, inFlight ? 1 : 0);
        EXPECT_EQ(HistoryOnDisk(mail).size(), people.size());
        EXPECT_TRUE(RecipientsOnDisk(mail).empty());
    }
}

// A run killed every time right after the same message went out (a disk that fills at
// every start, a program that dies there again and again): that person gets the message
// at most twice; then it is recorded as failed, without a permission change, and the
// others get theirs.
TEST_F(SendRunKillTest, KilledAgainAndAgainAtOneMessageItGoesOutTwiceAtMost) {
    SendTestServer server({"--pipelining"});
    UseServer(server.port());
    std::vector<int> people;
    for (int i = 0; i < 3; ++i)
        people.push_back(AddPerson("again" + std::to_string(i) + "-" + std::to_string(server.port()) + "@example.jp"));
    const int mail = MakeMail(people, "s", "b");
    ASSERT_EQ(book_->WriteFromMemoryToFile(), 0);
    const std::string stubborn = book_->GetCustomerDataPinPoint(people[0], kElemEmail);
    for (int start = 0; start < 4; ++start) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            SetSendFaultProbeForTesting([](std::string_view at) {
                if (at == "accepted") ::raise(SIGKILL);
            });
            CSendJob job(Stores());
            job.SendOneMail(mail);
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        CMailListViewer reopened(env_.get());
        RecoverInterruptedSends(reopened);
        ASSERT_GE(mails_->ReadMailList(), 0);
    }
    std::map<std::string, int> copies;
    for (const sendtest::Received& r : sendtest::ReadReceived(server.out())) ++copies[r.rcpts.at(0)];
    EXPECT_EQ(copies[stubborn], 2);
    // The third start recorded it as failed and sent the next one (killed there in turn).
    const auto history = HistoryOnDisk(mail);
    ASSERT_EQ(history.count(people[0]), 1u);
    EXPECT_EQ(history.at(people[0]).first, "E");
    CDatabaseEdit reopenedBook(env_.get(), options_.get());
    ASSERT_GE(reopenedBook.ReadCustomerList(), 0);
    EXPECT_EQ(reopenedBook.GetCustomerDataPinPoint(people[0], kElemDMOk), "Y");
    EXPECT_GE(copies[book_->GetCustomerDataPinPoint(people[1], kElemEmail)], 1);
}

// People refused with resends on wait ("W") for the mail's resend run. A run killed or
// cancelled after it wrote its stores for the last time - in its closing pause, or between
// the run and the worker's final save, which is what makes the mail "R" - leaves them in
// the recipient list all the same: the next run (after the restart, or after the user sent
// the cancelled draft again) and the resend run get the mail to them, one copy each.
TEST_F(SendRunKillTest, KilledOrCancelledAfterItsRunNobodyWaitingForAResendIsLeftOut) {
    // Calls `act` in the closing pause of a run with failed recipients (the only pause of
    // two seconds or more here).
    class ClosingPause : public sendtest::RecordingObserver {
    public:
        std::function<void()> act;
        void Pause(int ms, const std::function<bool()>&) override {
            if (ms >= 2000 && act) act();
        }
    };
    struct Case {
        const char* name;
        bool cancel;    // else killed
        bool inPause;   // else once the run is over, before the final save
    } cases[] = {
        {"killed in the closing pause", false, true},
        {"killed before the final save", false, false},
        {"cancelled in the closing pause", true, true},
        {"cancelled before the final save", true, false},
    };
    SetOption(54, "Y");
    SetOption(65, "3");
    const std::vector<std::string> names = {"a", "w1", "b", "w2", "c"};
    for (const bool pipelining : {false, true})
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + (pipelining ? ", PIPELINING" : ""));
        std::vector<std::string> args = {"--sequence", "w1@example.jp=rcpt550", "--sequence", "w2@example.jp=rcpt550"};
        if (pipelining) args.push_back("--pipelining");
        SendTestServer server(args);
        UseServer(server.port());
        std::map<std::string, int> ids;
        std::vector<int> people;
        for (const std::string& n : names) people.push_back(ids[n] = AddPerson(n + "@example.jp"));
        ASSERT_EQ(book_->WriteFromMemoryToFile(), 0);
        const int mail = MakeMail(people, "s", "b");

        // The first run refuses w1 and w2; it ends as the case says.
        const auto stop = [&](CSendJob& job) {
            if (c.cancel) {
                job.Cancel();
            } else {
                ::raise(SIGKILL);
            }
        };
        const auto firstRun = [&] {
            CSendJob job(Stores());
            ClosingPause pause;
            if (c.inPause) pause.act = [&] { stop(job); };
            job.SetObserver(&pause);
            if (!c.inPause)
                SetSendFaultProbeForTesting([&](std::string_view at) {
                    if (at == "closed") stop(job);
                });
            job.SendOneMail(mail);
            job.SaveProgress(1);
            SetSendFaultProbeForTesting({});
        };
        if (c.cancel) {
            firstRun();
            ASSERT_EQ(MailOnDisk(mail).GetStatus(), "D");
            // The user sends the draft again.
            ReserveAgain(mail);
        } else {
            const pid_t child = ::fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                firstRun();
                ::_exit(0);
            }
            int status = 0;
            ASSERT_EQ(::waitpid(child, &status, 0), child);
            ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "the run was never killed";
            CMailListViewer reopened(env_.get());
            EXPECT_EQ(RecoverInterruptedSends(reopened), 1);
            ASSERT_GE(mails_->ReadMailList(), 0);
        }
        ExpectCountsAsTheHistorySays(mail);

        std::string status;
        for (int run = 0; run < 4 && status != "C" && status != "E"; ++run) {
            SCOPED_TRACE("run " + std::to_string(run + 2));
            Send(mail);
            status = MailOnDisk(mail).GetStatus();
            ExpectCountsAsTheHistorySays(mail);
        }
        EXPECT_EQ(status, "C");
        const std::map<std::string, int> copies = CopiesByName(server);
        const auto history = HistoryOnDisk(mail);
        for (const std::string& n : names) {
            EXPECT_EQ(copies.count(n) != 0 ? copies.at(n) : 0, 1) << n;
            EXPECT_EQ(history.count(ids[n]) != 0 ? history.at(ids[n]).first : "", "C") << n;
            // A refusal that waits for a resend leaves the permission alone.
            EXPECT_EQ(PermissionOnDisk(ids[n]), "Y") << n;
        }
        EXPECT_TRUE(RecipientsOnDisk(mail).empty());
    }
}


// A message whose answer was lost (the connection dropped after it), then its resend, and
// the power lost as that resend waits for its answer: a second into the wait (the server
// silent), or right after its last byte went, before anything was read. The progress
// record as the disk held it then (cut back to the size last flushed), read after the
// restart, still shows both messages, so the next run gives the person up instead of
// sending a third copy. The others get theirs once, and nobody's permission changes.
TEST_F(SendRunKillTest, APowerCutWhileARunWaitsForAnAnswerNeverGivesAThirdCopy) {
    // The boot the power cut ends: what the killed run wrote and did not flush is gone.
    struct Restart {
        ~Restart() { HistoryListViewer::SetBootIdForTesting(""); }
    } restart;
    for (const bool rightAfter : {false, true})
    for (const bool pipelining : {false, true}) {
        SCOPED_TRACE(std::string(rightAfter ? "right after the message" : "a second into the wait") +
                     (pipelining ? ", PIPELINING" : ", one command at a time"));
        TearDown();
        SetUp();
        HistoryListViewer::SetBootIdForTesting("");
        LostAnswer run;
        ASSERT_NO_FATAL_FAILURE(SendOnceLosingBsAnswer("drop,silent", pipelining, run));
        SendTestServer& server = *run.server;
        std::map<std::string, int>& ids = run.ids;
        const int mail = run.mail;

        HistoryListViewer history(env_.get(), options_.get(), book_.get(), mails_.get());
        ASSERT_EQ(history.SetMailID(mail, 1), 0);
        const std::string journal = history.ProgressPath();
        std::error_code error;
        // The size of the progress record known to be on the disk, kept by the run in the
        // child (everything written before it counts as flushed).
        void* shared = ::mmap(nullptr, sizeof(std::atomic<std::uint64_t>), PROT_READ | PROT_WRITE,
                              MAP_SHARED | MAP_ANONYMOUS, -1, 0);
        ASSERT_NE(shared, MAP_FAILED);
        auto* flushed = new (shared) std::atomic<std::uint64_t>(std::filesystem::file_size(journal, error));
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ProgressJournal::SetFlushObserverForTesting([&](const std::string& path, std::uint64_t size) {
                if (path == journal) flushed->store(size);
            });
            // The first message of this run is b's resend: the power goes once the server
            // has it, before the run does anything more.
            if (rightAfter)
                SetSendFaultProbeForTesting([&](std::string_view at) {
                    if (at != "handed") return;
                    sendtest::WaitFor([&] { return server.Count() == 3; });
                    ::raise(SIGKILL);
                });
            CSendJob job(Stores());
            job.SendOneMail(mail);
            ::_exit(0);
        }
        // b's resend is with the server, which never answers it.
        const bool resent = sendtest::WaitFor([&] { return server.Count() == 3; });
        if (resent && !rightAfter) std::this_thread::sleep_for(std::chrono::seconds(1));
        if (!rightAfter) ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(resent);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "the run ended before the power cut";
        const std::uint64_t kept = flushed->load();
        ::munmap(shared, sizeof(std::atomic<std::uint64_t>));
        const std::uintmax_t size = std::filesystem::file_size(journal, error);
        if (!error && size > kept) std::filesystem::resize_file(journal, kept);
        HistoryListViewer::SetBootIdForTesting(std::string("after the power cut ") + (pipelining ? "1" : "0"));

        CMailListViewer reopened(env_.get());
        EXPECT_EQ(RecoverInterruptedSends(reopened), 1);
        ASSERT_GE(mails_->ReadMailList(), 0);
        Send(mail);
        const std::map<std::string, int> copies = CopiesByName(server);
        const auto rows = HistoryOnDisk(mail);
        for (const auto& [n, want] : std::map<std::string, std::pair<int, std::string>>{
                 {"a", {1, "C"}}, {"b", {2, "E"}}, {"c", {1, "C"}}}) {
            EXPECT_EQ(copies.count(n) != 0 ? copies.at(n) : 0, want.first) << n;
            EXPECT_EQ(rows.count(ids[n]) != 0 ? rows.at(ids[n]).first : "", want.second) << n;
            EXPECT_EQ(PermissionOnDisk(ids[n]), "Y") << n;
        }
        EXPECT_EQ(MailOnDisk(mail).GetStatus(), "E");
        ExpectCountsAsTheHistorySays(mail);
        EXPECT_TRUE(RecipientsOnDisk(mail).empty());
    }
}

// A message goes only once its attempt is on the disk: a run whose progress record cannot
// be written or flushed before a message (here b's resend, after a first message whose
// answer was lost) stops with the history's error and sends nothing, rather than a copy a
// power cut could make uncounted; the mail ends failed. Sent again with the disk well, it
// reaches everyone, b with the one resend its lost answer allows.
TEST_F(SendRunKillTest, AnAttemptThatCannotReachTheDiskStopsTheRunBeforeItsMessage) {
    for (const io_faults::Counted call : {io_faults::Counted::kWrite, io_faults::Counted::kDataSync})
    for (const bool pipelining : {false, true}) {
        SCOPED_TRACE(std::string(call == io_faults::Counted::kWrite ? "failed write" : "failed flush") +
                     (pipelining ? ", PIPELINING" : ""));
        TearDown();
        SetUp();
        LostAnswer run;
        ASSERT_NO_FATAL_FAILURE(SendOnceLosingBsAnswer("drop", pipelining, run));
        SendTestServer& server = *run.server;
        std::map<std::string, int>& ids = run.ids;
        const int mail = run.mail;

        HistoryListViewer history(env_.get(), options_.get(), book_.get(), mails_.get());
        ASSERT_EQ(history.SetMailID(mail, 1), 0);
        {
            // The next write or flush of the progress record fails (once).
            io_faults::Armed& fault = io_faults::CountedOf(call);
            fault.Arm(1, EIO, 0, std::filesystem::weakly_canonical(history.ProgressPath()).string());
            EXPECT_NE(Send(mail), 0);
            const bool fired = fault.count.load() == 0;
            fault.Disarm();
            ASSERT_TRUE(fired);
        }
        EXPECT_EQ(server.Count(), 2) << "a message went without its attempt on the disk";
        EXPECT_NE(std::find(flags_.begin(), flags_.end(), CSendJob::kError), flags_.end());
        EXPECT_EQ(MailOnDisk(mail).GetStatus(), "E");

        ReserveAgain(mail);  // as the user sends the failed mail again
        Send(mail);
        const std::map<std::string, int> copies = CopiesByName(server);
        const auto rows = HistoryOnDisk(mail);
        for (const auto& [n, want] : std::map<std::string, int>{{"a", 1}, {"b", 2}, {"c", 1}}) {
            EXPECT_EQ(copies.count(n) != 0 ? copies.at(n) : 0, want) << n;
            EXPECT_EQ(rows.count(ids[n]) != 0 ? rows.at(ids[n]).first : "", "C") << n;
        }
        EXPECT_EQ(MailOnDisk(mail).GetStatus(), "C");
        ExpectCountsAsTheHistorySays(mail);
    }
}

}  // namespace
