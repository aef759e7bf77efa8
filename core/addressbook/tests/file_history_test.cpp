// File generations: the rotation as a table of folder states before and after, the
// setters' refusals, the copies that fail without costing a generation, and rotations
// killed at every step that the next open completes or undoes.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/addressbook/file_history.h"
#include "core/foundation/tests/env_test_util.h"
#include "platform/safe_write.h"

namespace {

namespace fs = std::filesystem;
using Folder = std::map<std::string, std::string>;  // file name -> content

class FileHistoryTest : public envtest::TempEnvTest {
protected:
    void SetUp() override {
        TempEnvTest::SetUp();
        dir_ = folder_ + "DB/";
        WriteFile(dir_ + "database.dat", "current");
    }
    void TearDown() override {
        ::chmod(dir_.c_str(), 0755);
        TempEnvTest::TearDown();
    }
    void Fill(const Folder& files) {
        for (const auto& [name, content] : files) WriteFile(dir_ + name, content);
    }
    // Everything in the folder but the target itself.
    Folder Contents() const {
        Folder out;
        for (const auto& e : std::filesystem::directory_iterator(dir_)) {
            const std::string name = e.path().filename().string();
            if (name != "database.dat") out[name] = ReadFile(e.path().string());
        }
        return out;
    }
    CFileHistory Make(int n) {
        CFileHistory h;
        EXPECT_EQ(h.SetHistoryNum(n), 0);
        EXPECT_EQ(h.SetTargetFileName(dir_ + "database.dat"), 0);
        EXPECT_EQ(h.SetSaveDirPath(dir_, 0), 0);
        return h;
    }
    std::string dir_;
};

struct RotationCase {
    const char* name;
    int n;
    Folder before;
    Folder after;
};

class RotationTest : public FileHistoryTest, public ::testing::WithParamInterface<RotationCase> {};

TEST_P(RotationTest, ShiftsCopiesAndCleansUp) {
    const RotationCase& c = GetParam();
    Fill(c.before);
    CFileHistory h = Make(c.n);
    EXPECT_EQ(h.ExecuteCopy(), 0);
    EXPECT_EQ(Contents(), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RotationTest,
    ::testing::Values(
        RotationCase{"FirstCopy", 3, {}, {{"database.001", "current"}}},
        RotationCase{"OneKeptIsReplaced", 1, {{"database.001", "g1"}}, {{"database.001", "current"}}},
        RotationCase{"ThreeShiftAndOldestGoes", 3,
                     {{"database.001", "g1"}, {"database.002", "g2"}, {"database.003", "g3"}},
                     {{"database.001", "current"}, {"database.002", "g1"}, {"database.003", "g2"}}},
        RotationCase{"NoneKeptOnlyCleansLeftovers", 0,
                     {{"database.001", "g1"}, {"_database.002", "left"}},
                     {{"database.001", "g1"}}},
        RotationCase{"LeftoverOfInterruptedShiftGoes", 3,
                     {{"database.001", "g1"}, {"database.002", "g2"}, {"database.003", "g3"},
                      {"_database.002", "left"}, {"_database.000", "stale staging"}},
                     {{"database.001", "current"}, {"database.002", "g1"}, {"database.003", "g2"}}},
        RotationCase{"LeftoverGoesWithSmallerSetting", 2,
                     {{"database.001", "g1"}, {"_database.002", "left"}},
                     {{"database.001", "current"}, {"database.002", "g1"}}},
        RotationCase{"GapStopsTheShiftAndNothingIsDropped", 3,
                     {{"database.001", "g1"}, {"database.003", "g3"}},
                     {{"database.001", "current"}, {"database.002", "g1"}, {"database.003", "g3"}}},
        RotationCase{"EarlierVersionsAsideNameGoesBackToItsNumber", 3,
                     {{"database.002", "g2"}, {"database.003", "g3"}, {"_database.001", "g1"}},
                     {{"database.001", "current"}, {"database.002", "g1"}, {"database.003", "g2"}}},
        RotationCase{"StraysAboveTheSettingAndOtherNamesStay", 3,
                     {{"database.001", "g1"}, {"database.007", "g7"}, {"_databases.001", "other"},
                      {"database.txt", "other"}},
                     {{"database.001", "current"}, {"database.002", "g1"}, {"database.007", "g7"},
                      {"_databases.001", "other"}, {"database.txt", "other"}}}),
    [](const ::testing::TestParamInfo<RotationCase>& info) { return std::string(info.param.name); });

const Folder kThree = {{"database.001", "g1"}, {"database.002", "g2"}, {"database.003", "g3"}};

TEST_F(FileHistoryTest, FailedCopyKeepsEveryGeneration) {
    Fill(kThree);
    CFileHistory h = Make(3);
    platform::AtomicFile::FailNextCommitForTesting();
    EXPECT_EQ(h.ExecuteCopy(), -1);
    EXPECT_EQ(Contents(), kThree);  // nothing shifted, no temporary left behind

    // A target that vanished fails the same way.
    std::filesystem::remove(dir_ + "database.dat");
    EXPECT_EQ(h.ExecuteCopy(), -1);
    EXPECT_EQ(Contents(), kThree);
}

TEST_F(FileHistoryTest, ReadOnlyFolderKeepsEveryGeneration) {
    Fill(kThree);
    CFileHistory h = Make(3);
    ASSERT_EQ(::chmod(dir_.c_str(), 0555), 0);
    if (::access(dir_.c_str(), W_OK) == 0) GTEST_SKIP() << "permissions do not bind this user";
    EXPECT_EQ(h.ExecuteCopy(), -1);
    ::chmod(dir_.c_str(), 0755);
    EXPECT_EQ(Contents(), kThree);
}

TEST_F(FileHistoryTest, SettersRefuseAndKeepTheFormerValue) {
    CFileHistory h;
    EXPECT_EQ(h.GetHistoryNum(), 1);
    EXPECT_EQ(h.GetTargetFileName(), "");
    EXPECT_EQ(h.ExecuteCopy(), -1);  // nothing set

    EXPECT_EQ(h.SetHistoryNum(-1), -1);
    EXPECT_EQ(h.GetHistoryNum(), 1);

    ASSERT_EQ(h.SetTargetFileName(dir_ + "database.dat"), 0);
    EXPECT_EQ(h.SetTargetFileName(dir_ + "missing.dat"), -1);
    EXPECT_EQ(h.SetTargetFileName(dir_), -1);  // a folder is no file to copy
    EXPECT_EQ(h.SetTargetFileName("/" + std::string(5000, 'a')), -2);
    EXPECT_EQ(h.GetTargetFileName(), dir_ + "database.dat");

    EXPECT_EQ(h.SetSaveDirPath(base_ + "gen/a/b", 0), -1);
    EXPECT_EQ(h.SetSaveDirPath(dir_ + "database.dat", 1), -1);  // exists, not a folder
    EXPECT_EQ(h.GetSaveDirPath(), "");
    EXPECT_EQ(h.SetSaveDirPath(base_ + "gen/a/b", 1), 0);
    EXPECT_TRUE(std::filesystem::is_directory(base_ + "gen/a/b"));
    EXPECT_EQ(h.ExecuteCopy(), 0);
    EXPECT_EQ(ReadFile(base_ + "gen/a/b/database.001"), "current");
}

int g_steps = 0;
int g_killAt = 0;
void KillAtStep(const char*) {
    if (++g_steps == g_killAt) ::raise(SIGKILL);
}

struct KillCase {
    const char* name;
    int n;
    Folder before;
};

class KilledRotationTest : public FileHistoryTest, public ::testing::WithParamInterface<KillCase> {};

// A child makes the generation and is killed at step k (the staged copy's write, each
// rename); the next open completes or undoes the rotation. The folder then holds the
// generations as before the rotation or as after it - never a gap, never one lost.
TEST_P(KilledRotationTest, NextOpenFindsTheGenerationsBeforeOrAfter) {
    const KillCase& c = GetParam();
    Fill(c.before);
    const Folder before = Contents();
    fs::copy(dir_, base_ + "snapshot", fs::copy_options::recursive);
    auto restore = [&] {
        fs::remove_all(dir_);
        fs::copy(base_ + "snapshot", dir_, fs::copy_options::recursive);
    };
    {
        CFileHistory h = Make(c.n);
        ASSERT_EQ(h.ExecuteCopy(), 0);
    }
    const Folder after = Contents();
    int olds = 0, news = 0;
    bool finished = false;
    for (int k = 1; k < 50 && !finished; ++k) {
        SCOPED_TRACE("kill at step " + std::to_string(k));
        restore();
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            g_steps = 0;
            g_killAt = k;
            platform::SetStepHookForTesting(&KillAtStep);
            CFileHistory h;
            h.SetHistoryNum(c.n);
            h.SetTargetFileName(dir_ + "database.dat");
            h.SetSaveDirPath(dir_, 0);
            ::_exit(h.ExecuteCopy() == 0 ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        finished = WIFEXITED(status);
        if (finished) {
            ASSERT_EQ(WEXITSTATUS(status), 0);
        }
        CFileHistory h = Make(c.n);
        ASSERT_EQ(h.FinishInterruptedCopy(), 0);
        const Folder now = Contents();
        ASSERT_TRUE(now == before || now == after) << ::testing::PrintToString(now);
        (now == before ? olds : news)++;
    }
    EXPECT_TRUE(finished);
    EXPECT_GT(olds, 0);
    EXPECT_GT(news, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KilledRotationTest,
    ::testing::Values(KillCase{"TwoKept", 2, {{"database.001", "g1"}, {"database.002", "g2"}}},
                      KillCase{"ThreeKept", 3, {{"database.001", "g1"}, {"database.002", "g2"}, {"database.003", "g3"}}},
                      KillCase{"ThreeKeptTwoThere", 3, {{"database.001", "g1"}, {"database.002", "g2"}}},
                      KillCase{"ThreeKeptWithAGap", 3, {{"database.001", "g1"}, {"database.003", "g3"}}}),
    [](const ::testing::TestParamInfo<KillCase>& info) { return std::string(info.param.name); });

}  // namespace
