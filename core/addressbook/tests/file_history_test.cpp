// File generations: the rotation as a table of folder states before and after, the
// setters' refusals, and the copies that fail without costing a generation.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "core/addressbook/file_history.h"
#include "core/foundation/tests/env_test_util.h"
#include "platform/safe_write.h"

namespace {

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

}  // namespace
