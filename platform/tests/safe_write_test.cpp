#include "platform/safe_write.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

namespace {

struct TempDir {
    std::string path;
    TempDir() {
        char tmpl[] = "/tmp/safe_write_XXXXXX";
        path = mkdtemp(tmpl);
    }
    ~TempDir() { std::filesystem::remove_all(path); }
    int Entries() const {
        int n = 0;
        for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(path)) ++n;
        return n;
    }
};

}  // namespace

TEST(SafeWrite, ReplacesAndKeepsMode) {
    TempDir dir;
    const std::string f = dir.path + "/data.dat";
    ASSERT_TRUE(platform::WriteFileAtomically(f, "old"));
    chmod(f.c_str(), 0640);
    ASSERT_TRUE(platform::WriteFileAtomically(f, "new content", true));
    std::string got;
    ASSERT_TRUE(platform::ReadWholeFile(f, got));
    EXPECT_EQ(got, "new content");
    struct stat st;
    ASSERT_EQ(stat(f.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(dir.Entries(), 1);
}

TEST(SafeWrite, FailedCommitKeepsOldFileAndRemovesTemporary) {
    TempDir dir;
    const std::string f = dir.path + "/data.dat";
    ASSERT_TRUE(platform::WriteFileAtomically(f, "old"));
    platform::AtomicFile::FailNextCommitForTesting();
    EXPECT_FALSE(platform::WriteFileAtomically(f, "torn?"));
    std::string got;
    ASSERT_TRUE(platform::ReadWholeFile(f, got));
    EXPECT_EQ(got, "old");
    EXPECT_EQ(dir.Entries(), 1);
}

TEST(SafeWrite, AbortedAndMissingFolder) {
    TempDir dir;
    const std::string f = dir.path + "/data.dat";
    {
        platform::AtomicFile af;
        ASSERT_TRUE(af.Open(f));
        af.Write("never committed");
    }
    EXPECT_FALSE(std::filesystem::exists(f));
    EXPECT_EQ(dir.Entries(), 0);
    EXPECT_FALSE(platform::WriteFileAtomically(dir.path + "/no/such/dir/x", "x"));
}
