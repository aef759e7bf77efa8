// The progress journal when the disk fails it or damages it: a batch the caller is told was
// not written is not in the file either (whatever failed: the write, the flush, or the cut
// that takes it back), nothing is ever appended after what a failed append left, and a
// damaged record costs only itself.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/foundation/progress_journal.h"
#include "core/foundation/tests/env_test_util.h"
#include "core/foundation/tests/syscall_faults.h"

namespace {

class ProgressJournalTest : public envtest::TempEnvTest {
protected:
    void SetUp() override {
        TempEnvTest::SetUp();
        path_ = folder_ + "DB/progress.jnl";
        journal_.Bind(path_, "key", {"TEST-JOURNAL", "1"});
    }
    // What a fresh object replays from the file, record by record (first fields).
    std::vector<std::string> Replayed(const std::string& path) {
        ProgressJournal fresh;
        fresh.Bind(path, "key", {"TEST-JOURNAL", "1"});
        std::vector<std::string> seen;
        EXPECT_GE(fresh.Replay([&](const std::vector<std::string_view>& f) { seen.emplace_back(f.at(0)); }), 0);
        return seen;
    }
    int Append(const std::string& text) {
        journal_.Add({text, "x"});
        return journal_.Commit();
    }
    std::uintmax_t Size() const { return std::filesystem::file_size(path_); }

    std::string path_;
    ProgressJournal journal_;
};

// Every way an append can fail leaves the file as it was before it, and the batch pending
// for the next try; the next append follows whole records only.
TEST_F(ProgressJournalTest, FailedAppendLeavesTheFileAsItWas) {
    ASSERT_EQ(Append("one"), 0);
    std::vector<std::string> expected{"one"};
    const struct {
        const char* name;
        int writes, flushes, cuts;  // failures armed
    } cases[] = {
        {"write fails", 1, 0, 0},
        {"flush fails", 0, 1, 0},
        {"flush and the cut back fail", 0, 1, 1},
        {"flush, the cut back and its retry fail", 0, 1, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        syscall_faults::Scope faults;
        const std::uintmax_t before = Size();
        syscall_faults::Write().Arm(c.writes, ENOSPC);
        syscall_faults::DataSync().Arm(c.flushes, EIO);
        syscall_faults::Truncate().Arm(c.cuts, EIO);
        journal_.Add({"lost", "x"});
        EXPECT_EQ(journal_.Commit(), -1);
        EXPECT_TRUE(journal_.HasPending());
        if (c.cuts == 0) {
            EXPECT_EQ(Size(), before);
        }
        // Nothing is appended while what the failure left cannot be cut off.
        for (int i = 1; i < c.cuts; ++i) {
            EXPECT_EQ(journal_.Commit(), -1);
            EXPECT_GT(Size(), before);
        }
        ASSERT_EQ(journal_.Commit(), 0);
        EXPECT_EQ(Append("after"), 0);
        expected.push_back("lost");
        expected.push_back("after");
        EXPECT_EQ(Replayed(path_), expected);
    }
}

// A cut that a failed append still owes belongs to that file: once the journal is removed
// or replaced whole (the owner's whole save) the next append goes on the new file as it
// is, tag first (was: the old cut applied to the new file, so a fresh journal went without
// its tag and was set aside at the next open, and a replaced one was cut short); bound
// again to the same file, it is still owed; bound to another, it is not.
TEST_F(ProgressJournalTest, AnOwedCutIsForgottenWithItsFile) {
    const std::string other = folder_ + "DB/other.jnl";
    const struct {
        const char* name;
        std::function<void(ProgressJournal&)> between;
        std::string appendedTo;
        std::vector<std::string> expected;
    } cases[] = {
        {"removed", [](ProgressJournal& j) { ASSERT_EQ(j.Remove(), 0); }, path_, {"next"}},
        {"replaced",
         [](ProgressJournal& j) {
             ASSERT_EQ(j.Replace({{"kept1", "x"}, {"kept2", "x"}, {"kept3", "x"}, {"kept4", "x"}}), 0);
         },
         path_,
         {"kept1", "kept2", "kept3", "kept4", "next"}},
        {"bound again", [this](ProgressJournal& j) { j.Bind(path_, "key", {"TEST-JOURNAL", "1"}); }, path_,
         {"one", "two", "next"}},
        {"bound to another file", [&other](ProgressJournal& j) { j.Bind(other, "key", {"TEST-JOURNAL", "1"}); },
         other, {"next"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(path_);
        std::filesystem::remove(other);
        journal_.Bind(path_, "key", {"TEST-JOURNAL", "1"});
        ASSERT_EQ(Append("one"), 0);
        ASSERT_EQ(Append("two"), 0);
        {
            syscall_faults::Scope faults;
            syscall_faults::DataSync().Arm(1, EIO);
            syscall_faults::Truncate().Arm(1, EIO);
            journal_.Add({"failed", "x"});
            ASSERT_EQ(journal_.Commit(), -1);
        }
        c.between(journal_);
        if (HasFatalFailure()) return;
        ASSERT_EQ(Append("next"), 0);
        EXPECT_EQ(Replayed(c.appendedTo), c.expected);
        EXPECT_FALSE(std::filesystem::exists(c.appendedTo + ".bad"));
    }
}

// A new file whose tag cannot be written is not left with a piece of it.
TEST_F(ProgressJournalTest, FailedTagWriteLeavesNoFragment) {
    syscall_faults::Scope faults;
    syscall_faults::Write().Arm(1, ENOSPC);
    EXPECT_EQ(Append("first"), -1);
    EXPECT_EQ(Size(), 0u);
    EXPECT_EQ(journal_.Commit(), 0);
    EXPECT_EQ(Replayed(path_), std::vector<std::string>{"first"});
}

// Records on their own (the send history's kind): a damaged one is passed over and every
// record after it still counts; the damaged bytes are kept; a torn tail is cut without a copy.
TEST_F(ProgressJournalTest, DamagedRecordCostsOnlyItself) {
    for (const char* t : {"r1", "r2", "r3", "r4"}) ASSERT_EQ(Append(t), 0);
    const std::string whole = ReadFile(path_);
    const std::size_t third = whole.find('\n', whole.find('\n', whole.find('\n', whole.find('\n') + 1) + 1) + 1);
    std::string damaged = whole;
    damaged[third - 5] = static_cast<char>(damaged[third - 5] ^ 0x40);  // inside "r3"'s line
    WriteFile(path_, damaged + "torn");
    EXPECT_EQ(Replayed(path_), (std::vector<std::string>{"r1", "r2", "r4"}));
    EXPECT_EQ(ReadFile(ProgressJournal::DamagedCopyPath(path_, 1)), damaged + "torn");
    EXPECT_EQ(ReadFile(path_), damaged);

    // Only a torn tail: cut, no copy.
    std::filesystem::remove(ProgressJournal::DamagedCopyPath(path_, 1));
    WriteFile(path_, whole + whole.substr(whole.find('\n') + 1, 7));
    EXPECT_EQ(Replayed(path_), (std::vector<std::string>{"r1", "r2", "r3", "r4"}));
    EXPECT_EQ(ReadFile(path_), whole);
    EXPECT_FALSE(std::filesystem::exists(ProgressJournal::DamagedCopyPath(path_, 1)));
}

}  // namespace
