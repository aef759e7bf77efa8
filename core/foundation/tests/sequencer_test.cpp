// ID sequences: the stored value, the limits, concurrent draws, and continuing above the
// IDs in use when a sequence file is lost.

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "core/foundation/csv_write.h"
#include "core/foundation/env_manager.h"
#include "core/foundation/sequencer.h"
#include "core/foundation/store_key.h"
#include "env_test_util.h"
#include "platform/notifier.h"

namespace {

class SequencerTest : public envtest::TempEnvTest {
protected:
    void SetUp() override {
        TempEnvTest::SetUp();
        CreateKeyed(env_);
    }
    // A record file of the environment whose first elements are `ids`, coded as stores
    // code them.
    void WriteList(const std::string& path, const std::vector<std::string>& ids) {
        StoreKey key;
        ASSERT_EQ(GetStoreKey(&env_, key), 0);
        XCsvWrite w;
        w.SetUseKey(key.get());
        ASSERT_EQ(w.OpenFile(path), 1);
        for (const std::string& id : ids) {
            w.BufferEmpty();
            w.SetData(id);
            w.SetData("title");
            ASSERT_GT(w.WriteLine(), 0);
        }
        ASSERT_EQ(w.CloseFile(), 0);
    }
    EnvManager env_;
};

TEST_F(SequencerTest, StoredValueAndLimits) {
    Sequencer mail(&env_, SEQ_ID_MAIL);
    const std::string mailSeq = folder_ + "MAIL/mailseq.dat";
    EXPECT_EQ(mail.GetFilePath(), mailSeq);
    int v = -1;
    // A new environment's missing file starts at 0.
    ASSERT_NE(mail.CurrentValue(v), 0);
    EXPECT_EQ(v, 0);
    EXPECT_EQ(ReadFile(mailSeq), "0");
    ASSERT_NE(mail.NextValue(v), 0);
    EXPECT_EQ(v, 0);
    EXPECT_EQ(ReadFile(mailSeq), "1");

    Sequencer customers(&env_, SEQ_ID_CUSTOMER);
    const std::string dbSeq = folder_ + "DB/dbseq.dat";
    WriteFile(dbSeq, "9999998");
    ASSERT_NE(customers.NextValue(v), 0);
    EXPECT_EQ(v, 9999998);
    EXPECT_EQ(ReadFile(dbSeq), "9999999");
    v = -1;
    EXPECT_EQ(customers.NextValue(v), 0);
    EXPECT_EQ(v, 9999999);
    EXPECT_EQ(ReadFile(dbSeq), "9999999");

    WriteFile(mailSeq, "9999");
    ASSERT_NE(mail.NextValue(v), 0);
    EXPECT_EQ(v, 9999);
    EXPECT_EQ(mail.NextValue(v), 0);

    // A shorter number leaves no stale digits; values as atoi reads them.
    WriteFile(dbSeq, "99999");
    ASSERT_NE(customers.SetValue(120), 0);
    EXPECT_EQ(ReadFile(dbSeq), "120");
    WriteFile(dbSeq, " 42\r\n7");
    ASSERT_NE(customers.CurrentValue(v), 0);
    EXPECT_EQ(v, 42);
    EXPECT_EQ(customers.SetValue(-1), 0);  // -1 is "no ID" to the stores

    Sequencer none;
    EXPECT_EQ(none.CurrentValue(v), 0);
    EXPECT_EQ(none.NextValue(v), 0);
    EXPECT_EQ(none.SetValue(1), 0);
    EXPECT_EQ(none.SetSeqType(1), 0);  // no environment
    EXPECT_EQ(none.SetEnvManager(&env_), 1);
    EXPECT_EQ(none.SetEnvManager(&env_), 0);
    EXPECT_EQ(none.SetSeqType(3), 0);
    EXPECT_EQ(none.SetSeqType(2), 1);
    EXPECT_EQ(none.GetFilePath(), folder_ + "EXTRACT/extrseq.dat");
}

TEST_F(SequencerTest, ReservedBlocksAreOneRewriteAndStopAtTheLimit) {
    Sequencer mail(&env_, SEQ_ID_MAIL);
    const std::string mailSeq = folder_ + "MAIL/mailseq.dat";
    WriteFile(mailSeq, "40");
    int first = -1, reserved = -1;
    ASSERT_NE(mail.ReserveValues(256, first, reserved), 0);
    EXPECT_EQ(first, 40);
    EXPECT_EQ(reserved, 256);
    EXPECT_EQ(ReadFile(mailSeq), "296");
    int v = -1;
    ASSERT_NE(mail.NextValue(v), 0);
    EXPECT_EQ(v, 296);  // draws after a block never repeat its values

    WriteFile(mailSeq, "9990");
    ASSERT_NE(mail.ReserveValues(256, first, reserved), 0);
    EXPECT_EQ(first, 9990);
    EXPECT_EQ(reserved, 10);  // cut at the limit: the last mail ID is 9999
    EXPECT_EQ(ReadFile(mailSeq), "10000");
    EXPECT_EQ(mail.ReserveValues(1, first, reserved), 0);
    EXPECT_EQ(mail.ReserveValues(0, first, reserved), 0);
    EXPECT_EQ(ReadFile(mailSeq), "10000");
}

TEST_F(SequencerTest, ConstructionFailuresAreShown) {
    std::vector<std::string> shown;
    platform::NotifierFunction old = platform::SetNotifier(
        [&](const std::string& text, const std::string&, unsigned) {
            shown.push_back(text);
            return platform::kIdOk;
        });
    EXPECT_THROW(Sequencer(nullptr, 1), platform::UserException);
    EXPECT_THROW(Sequencer(&env_, 3), platform::UserException);
    platform::SetNotifier(old);
    EXPECT_EQ(shown, (std::vector<std::string>{"Invalid EnvManager Pointer.", "Invalid Sequence Type."}));
}

TEST_F(SequencerTest, LostFileContinuesAboveIdsInUse) {
    const std::string mailSeq = folder_ + "MAIL/mailseq.dat";
    std::filesystem::create_directories(folder_ + "MAIL/3");
    std::filesystem::create_directories(folder_ + "MAIL/17");
    std::filesystem::create_directories(folder_ + "MAIL/ATEMP");
    WriteList(folder_ + "MAIL/maillist.dat", {"2", "20", "5"});
    for (const char* damaged : {"", "\n5", "abc", "-10"}) {
        WriteFile(mailSeq, damaged);
        Sequencer mail(&env_, SEQ_ID_MAIL);
        int v = -1;
        ASSERT_NE(mail.NextValue(v), 0) << damaged;
        EXPECT_EQ(v, 21) << damaged;
        EXPECT_EQ(ReadFile(mailSeq), "22");
    }
    // Folders alone count too.
    std::filesystem::remove(folder_ + "MAIL/maillist.dat");
    std::filesystem::remove(mailSeq);
    Sequencer mail(&env_, SEQ_ID_MAIL);
    int v = -1;
    ASSERT_NE(mail.CurrentValue(v), 0);
    EXPECT_EQ(v, 18);
    EXPECT_EQ(ReadFile(mailSeq), "18");

    // Customers by the address book, extractions by their files and list.
    WriteList(folder_ + "DB/database.dat", {"5", "42", "7"});
    Sequencer customers(&env_, SEQ_ID_CUSTOMER);
    ASSERT_NE(customers.NextValue(v), 0);
    EXPECT_EQ(v, 43);
    WriteFile(folder_ + "EXTRACT/exrd7.dat", "");
    WriteFile(folder_ + "EXTRACT/exsl9.dat", "");
    WriteList(folder_ + "EXTRACT/extrlist.dat", {"4"});
    Sequencer extracts(&env_, SEQ_ID_EXTRACT);
    ASSERT_NE(extracts.NextValue(v), 0);
    EXPECT_EQ(v, 10);
}

TEST_F(SequencerTest, UnreadableListRefusesToGuess) {
    const std::string mailSeq = folder_ + "MAIL/mailseq.dat";
    // A damaged mail list, or one whose IDs are not numbers (another coding), cannot tell
    // which IDs are taken.
    Sequencer mail(&env_, SEQ_ID_MAIL);
    int v = -1;
    for (const bool malformed : {true, false}) {
        StoreKey key;
        ASSERT_EQ(GetStoreKey(&env_, key), 0);
        XCsvWrite w;
        w.SetUseKey(key.get());
        ASSERT_EQ(w.OpenFile(folder_ + "MAIL/maillist.dat"), 1);
        w.WriteLine("\"1\",\"x\"");
        if (malformed)
            w.WriteLine("\"2\"x,\"y\"");
        else
            w.WriteLine("\"abc\",\"y\"");
        w.WriteLine("\"3\",\"x\"");
        ASSERT_EQ(w.CloseFile(), 0);
        EXPECT_EQ(mail.NextValue(v), 0) << malformed;
        EXPECT_EQ(mail.CurrentValue(v), 0) << malformed;
        EXPECT_FALSE(std::filesystem::exists(mailSeq));
    }
    // An intact file is unaffected by the list.
    WriteFile(mailSeq, "7");
    ASSERT_NE(mail.NextValue(v), 0);
    EXPECT_EQ(v, 7);
}

class SequencerThreadsTest : public SequencerTest {
protected:
    bool InMemory() const override { return true; }
};

TEST_F(SequencerThreadsTest, ConcurrentDrawsNeverRepeat) {
    constexpr int kPerThread = 5000;
    std::vector<int> got[2];
    auto draw = [&](int t) {
        Sequencer seq(&env_, SEQ_ID_CUSTOMER);  // one object per thread, one file
        for (int i = 0; i < kPerThread; ++i) {
            int v = -1;
            if (seq.NextValue(v) == 0) return;
            got[t].push_back(v);
        }
    };
    std::thread a(draw, 0), b(draw, 1);
    a.join();
    b.join();
    ASSERT_EQ(got[0].size(), static_cast<std::size_t>(kPerThread));
    ASSERT_EQ(got[1].size(), static_cast<std::size_t>(kPerThread));
    std::set<int> all(got[0].begin(), got[0].end());
    all.insert(got[1].begin(), got[1].end());
    EXPECT_EQ(all.size(), 2u * kPerThread);
    EXPECT_EQ(*all.rbegin(), 2 * kPerThread - 1);
}

}  // namespace
