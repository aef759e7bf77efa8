// The receive ledger on its own: what Recover makes of every state a killed run can leave
// (staged, committed, installed, torn), that a file written after its copy was staged is
// never undone, and how Prune keeps the ledger to the messages still on the server.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <utime.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/sendrecv/receive_ledger.h"
#include "platform/netssl/tests/test_process.h"
#include "platform/tests/io_faults.h"

namespace {

namespace fs = std::filesystem;

class ReceiveLedgerTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = dir_.path().string() + "/";
        fs::create_directories(folder_ + "DB");
        fs::create_directories(folder_ + "MAIL/7");
        Write(book_, "old book");
        Write(history_, "old history");
        Write(journal_, "journal rows");
    }
    static void Write(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // Sets a file's modification time `seconds` from now.
    static void Age(const std::string& path, int seconds) {
        struct utimbuf times;
        times.actime = times.modtime = std::time(nullptr) + seconds;
        ASSERT_EQ(::utime(path.c_str(), &times), 0);
    }
    std::vector<ReceiveLedger::Target> Targets() const { return {{book_, ""}, {history_, journal_}}; }
    // Stages new contents for both targets, as a run does before it commits.
    void Stage() {
        Write(ReceiveLedger::StagedPath(book_), "new book");
        Write(ReceiveLedger::StagedPath(history_), "new history");
    }

    nettest::TempDir dir_;
    std::string folder_;
    std::string book_ = dir_.path().string() + "/DB/database.dat";
    std::string history_ = dir_.path().string() + "/MAIL/7/hist7.dat";
    std::string journal_ = dir_.path().string() + "/MAIL/7/hist7.jnl";
};

TEST_F(ReceiveLedgerTest, ACommittedBatchIsFinishedByTheNextRecover) {
    {
        ReceiveLedger ledger(folder_);
        ASSERT_EQ(ledger.Recover(), 0);
        ASSERT_EQ(ledger.Prepare(Targets()), 0);
        Stage();
        ASSERT_EQ(ledger.Commit({"uid-1", "uid-2"}), 0);
        // killed here: nothing installed
    }
    EXPECT_EQ(Read(book_), "old book");
    ReceiveLedger next(folder_);
    std::vector<std::string> installed;
    ASSERT_EQ(next.Recover(&installed), 0);
    EXPECT_EQ(installed, (std::vector<std::string>{book_, history_}));
    EXPECT_EQ(Read(book_), "new book");
    EXPECT_EQ(Read(history_), "new history");
    EXPECT_FALSE(fs::exists(journal_));  // the staged history holds its rows
    EXPECT_FALSE(fs::exists(ReceiveLedger::StagedPath(book_)));
    EXPECT_TRUE(next.IsApplied("uid-1"));
    EXPECT_TRUE(next.IsApplied("uid-2"));
    EXPECT_FALSE(next.IsApplied("uid-3"));

    // Finished once: a later Recover changes nothing.
    Write(book_, "later save");
    ReceiveLedger third(folder_);
    installed.clear();
    ASSERT_EQ(third.Recover(&installed), 0);
    EXPECT_TRUE(installed.empty());
    EXPECT_EQ(Read(book_), "later save");
    EXPECT_TRUE(third.IsApplied("uid-1"));
}

// The commit is what lets the run delete the server's copies: one whose flush to the disk
// failed may never get there (a power cut after it would lose the batch while the server's
// copies are gone), so it is reported failed and leaves no commit to be replayed.
TEST_F(ReceiveLedgerTest, ACommitWhoseFlushFailsIsReportedFailedAndLeavesNothing) {
    {
        ReceiveLedger ledger(folder_);
        ASSERT_EQ(ledger.Recover(), 0);
        ASSERT_EQ(ledger.Prepare(Targets()), 0);
        Stage();
        io_faults::Plan plan;
        plan.under = dir_.path().string();
        plan.call = io_faults::Call::kSync;
        plan.nth = 3;  // after the two staged copies': the ledger's own
        io_faults::Scope scope(plan);
        EXPECT_NE(ledger.Commit({"uid-1"}), 0);
        ASSERT_TRUE(io_faults::Fired());
        EXPECT_FALSE(ledger.IsApplied("uid-1"));
    }
    ReceiveLedger next(folder_);
    ASSERT_EQ(next.Recover(), 0);
    EXPECT_FALSE(next.IsApplied("uid-1"));
    EXPECT_EQ(Read(book_), "old book");
    EXPECT_EQ(Read(journal_), "journal rows");
}

TEST_F(ReceiveLedgerTest, ABatchNeverCommittedLeavesTheFilesAsTheyWere) {
    {
        ReceiveLedger ledger(folder_);
        ASSERT_EQ(ledger.Recover(), 0);
        ASSERT_EQ(ledger.Prepare(Targets()), 0);
        Stage();  // killed before the commit
    }
    ReceiveLedger next(folder_);
    ASSERT_EQ(next.Recover(), 0);
    EXPECT_EQ(Read(book_), "old book");
    EXPECT_EQ(Read(journal_), "journal rows");
    EXPECT_FALSE(fs::exists(ReceiveLedger::StagedPath(book_)));
    EXPECT_FALSE(fs::exists(ReceiveLedger::StagedPath(history_)));
}

TEST_F(ReceiveLedgerTest, ACommitRecordCutOffBeforeItsEndCountsAsNeverWritten) {
    Stage();
    Write(folder_ + "DB/receive.jnl",
          "\nP 1\nT DB/database.dat\t\nQ 1\n\nC 1\nU uid-1\nT DB/database.dat\t\n");  // no "E 1"
    ReceiveLedger ledger(folder_);
    ASSERT_EQ(ledger.Recover(), 0);
    EXPECT_FALSE(ledger.IsApplied("uid-1"));
    EXPECT_EQ(Read(book_), "old book");
    EXPECT_FALSE(fs::exists(ReceiveLedger::StagedPath(book_)));
    // The next record starts on a line of its own after the torn one.
    ASSERT_EQ(ledger.Prepare({{book_, ""}}), 0);
    Write(ReceiveLedger::StagedPath(book_), "newer book");
    ASSERT_EQ(ledger.Commit({"uid-9"}), 0);
    ReceiveLedger again(folder_);
    ASSERT_EQ(again.Recover(), 0);
    EXPECT_TRUE(again.IsApplied("uid-9"));
    EXPECT_EQ(Read(book_), "newer book");
}

TEST_F(ReceiveLedgerTest, AFileWrittenAfterItsCopyWasStagedIsNeverUndone) {
    {
        ReceiveLedger ledger(folder_);
        ASSERT_EQ(ledger.Recover(), 0);
        ASSERT_EQ(ledger.Prepare(Targets()), 0);
        Stage();
        ASSERT_EQ(ledger.Commit({"uid-1"}), 0);
    }
    // Before any recovery, someone saves the book and appends to the history's record.
    Age(history_, -20);
    Age(ReceiveLedger::StagedPath(book_), -10);
    Age(ReceiveLedger::StagedPath(history_), -10);
    Write(book_, "later save");
    Write(journal_, "journal rows and later rows");
    ReceiveLedger next(folder_);
    ASSERT_EQ(next.Recover(), 0);
    EXPECT_EQ(Read(book_), "later save");
    EXPECT_EQ(Read(history_), "old history");
    EXPECT_EQ(Read(journal_), "journal rows and later rows");
    EXPECT_FALSE(fs::exists(ReceiveLedger::StagedPath(book_)));
}

// Records staged to go on the end of a history's progress record are appended once,
// whatever a crash left: nothing of them, a part (killed during the write), all of them
// (killed before the ledger said so); a record that newer work has grown meanwhile keeps
// that work and gets nothing older after it.
TEST_F(ReceiveLedgerTest, AnAppendIsMadeOnceWhateverACrashLeft) {
    const std::string rows = "journal rows";
    const std::string added = "\nrows of the batch\n";
    const struct {
        const char* name;
        std::string before;  // the record when the next Recover comes
        std::string after;
    } cases[] = {
        {"nothing appended", rows, rows + added},
        {"a part appended", rows + added.substr(0, 7), rows + added},
        {"all appended", rows + added, rows + added},
        {"newer work", rows + "\nnewer rows\n", rows + "\nnewer rows\n"},
        {"saved whole since", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Write(journal_, rows);
        {
            ReceiveLedger ledger(folder_);
            ASSERT_EQ(ledger.Recover(), 0);
            ASSERT_EQ(ledger.Prepare({{journal_, "", rows.size()}}), 0);
            Write(ReceiveLedger::StagedPath(journal_), added);
            ASSERT_EQ(ledger.Commit({std::string("uid-") + c.name}), 0);
        }
        if (c.before.empty()) fs::remove(journal_);
        else Write(journal_, c.before);
        ReceiveLedger next(folder_);
        ASSERT_EQ(next.Recover(), 0);
        EXPECT_EQ(fs::exists(journal_) ? Read(journal_) : std::string(), c.after);
        EXPECT_FALSE(fs::exists(ReceiveLedger::StagedPath(journal_)));
        EXPECT_TRUE(next.IsApplied(std::string("uid-") + c.name));
    }
    // A run's own install, with nothing in between.
    Write(journal_, rows);
    ReceiveLedger ledger(folder_);
    ASSERT_EQ(ledger.Recover(), 0);
    ASSERT_EQ(ledger.Prepare({{journal_, "", rows.size()}}), 0);
    Write(ReceiveLedger::StagedPath(journal_), added);
    ASSERT_EQ(ledger.Commit({"uid-run"}), 0);
    ASSERT_EQ(ledger.Install(), 0);
    EXPECT_EQ(Read(journal_), rows + added);
}

TEST_F(ReceiveLedgerTest, PruneKeepsTheIdsStillOnTheServerOfTheSameAccount) {
    {
        ReceiveLedger ledger(folder_);
        ASSERT_EQ(ledger.Recover(), 0);
        ASSERT_EQ(ledger.Prune("pop:110:shop", {}), 0);
        ASSERT_EQ(ledger.Prepare({}), 0);
        ASSERT_EQ(ledger.Commit({"a", "b", "c"}), 0);
        ASSERT_EQ(ledger.Install(), 0);
        ASSERT_EQ(ledger.NoteFailedFetch("d"), 0);
        ASSERT_EQ(ledger.Prune("pop:110:shop", {"b", "d", "e"}), 0);
        EXPECT_FALSE(ledger.IsApplied("a"));
        EXPECT_TRUE(ledger.IsApplied("b"));
        EXPECT_TRUE(ledger.FailedBefore("d"));
    }
    ReceiveLedger reread(folder_);
    ASSERT_EQ(reread.Recover(), 0);
    EXPECT_FALSE(reread.IsApplied("a"));
    EXPECT_TRUE(reread.IsApplied("b"));
    EXPECT_FALSE(reread.IsApplied("c"));
    EXPECT_TRUE(reread.FailedBefore("d"));
    // Batches after a rewrite are told apart from the ones before it.
    ASSERT_EQ(reread.Prepare({{book_, ""}}), 0);
    Write(ReceiveLedger::StagedPath(book_), "new book");
    ASSERT_EQ(reread.Commit({"e"}), 0);
    ReceiveLedger after(folder_);
    ASSERT_EQ(after.Recover(), 0);
    EXPECT_TRUE(after.IsApplied("e"));
    EXPECT_EQ(Read(book_), "new book");

    // Another mailbox: its ids mean nothing here.
    ASSERT_EQ(after.Prune("pop:110:other", {"b", "e"}), 0);
    EXPECT_FALSE(after.IsApplied("b"));
    EXPECT_FALSE(after.IsApplied("e"));
}

// An install that fails leaves its batch committed and its staged copy where it is; no
// batch is prepared over it until a Recover has installed it.
TEST_F(ReceiveLedgerTest, NoBatchIsPreparedWhileOneWaitsToBeInstalled) {
    ReceiveLedger ledger(folder_);
    ASSERT_EQ(ledger.Recover(), 0);
    ASSERT_EQ(ledger.Prepare({{book_, ""}}), 0);
    Write(ReceiveLedger::StagedPath(book_), "first batch");
    ASSERT_EQ(ledger.Commit({"uid-1"}), 0);
    // The book cannot be replaced now: something else stands in its place.
    fs::rename(book_, book_ + ".aside");
    fs::create_directories(book_ + "/in-the-way");
    EXPECT_EQ(ledger.Install(), -2);
    EXPECT_TRUE(ledger.InstallPending());
    EXPECT_EQ(ledger.FailedFile(), "DB/database.dat");
    EXPECT_NE(ledger.FailedError(), 0);

    const std::string before = Read(ledger.Path());
    EXPECT_EQ(ledger.Prepare({{book_, ""}}), -2);
    EXPECT_EQ(Read(ledger.Path()), before);
    EXPECT_EQ(Read(ReceiveLedger::StagedPath(book_)), "first batch");

    // Once the place is free again the next Recover installs the waiting batch.
    fs::remove_all(book_);
    fs::rename(book_ + ".aside", book_);
    ReceiveLedger next(folder_);
    ASSERT_EQ(next.Recover(), 0);
    EXPECT_FALSE(next.InstallPending());
    EXPECT_EQ(Read(book_), "first batch");
    EXPECT_TRUE(next.IsApplied("uid-1"));
    EXPECT_EQ(next.Prepare({{book_, ""}}), 0);
}

}  // namespace
