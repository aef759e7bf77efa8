#include "platform/safe_write.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

namespace {

struct SafeWriteTempDir {
    std::string path;
    SafeWriteTempDir() {
        char tmpl[] = "/tmp/safe_write_XXXXXX";
        path = mkdtemp(tmpl);
    }
    ~SafeWriteTempDir() { std::filesystem::remove_all(path); }
    int Entries() const {
        int n = 0;
        for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(path)) ++n;
        return n;
    }
};

}  // namespace

// A replaced file keeps its mode, less what others had of it for a private file.
TEST(SafeWrite, ReplacesAndKeepsMode) {
    struct Case {
        platform::FileAccess access;
        mode_t before, after;
    };
    for (const Case& c : {Case{platform::FileAccess::kOwner, 0640, 0600}, Case{platform::FileAccess::kOwner, 0400, 0400},
                          Case{platform::FileAccess::kUmask, 0640, 0640}}) {
        SafeWriteTempDir dir;
        const std::string f = dir.path + "/data.dat";
        ASSERT_TRUE(platform::WriteFileAtomically(f, "old"));
        chmod(f.c_str(), c.before);
        ASSERT_TRUE(platform::WriteFileAtomically(f, "new content", true, c.access));
        std::string got;
        ASSERT_TRUE(platform::ReadWholeFile(f, got));
        EXPECT_EQ(got, "new content");
        struct stat st;
        ASSERT_EQ(stat(f.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, c.after) << std::oct << c.before;
        EXPECT_EQ(dir.Entries(), 1);
    }
}

TEST(SafeWrite, FailedCommitKeepsOldFileAndRemovesTemporary) {
    SafeWriteTempDir dir;
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
    SafeWriteTempDir dir;
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

// Temporaries of killed saves: those of a writer that is gone are removed by the next save
// of the same file; a live writer's (this process's, or another running one's) and other
// files stay.
TEST(SafeWrite, NextSaveRemovesTemporariesOfDeadWritersOnly) {
    SafeWriteTempDir dir;
    const std::string f = dir.path + "/book.dat";
    const pid_t gone = fork();
    if (gone == 0) _exit(0);
    ASSERT_GT(gone, 0);
    ASSERT_EQ(waitpid(gone, nullptr, 0), gone);
    const std::string dead = dir.path + "/.book.dat.tmp" + std::to_string(gone) + "_3";
    const std::string mine = dir.path + "/.book.dat.tmp" + std::to_string(getpid()) + "_7";
    const std::string init = dir.path + "/.book.dat.tmp1_0";
    const std::string other = dir.path + "/.other.dat.tmp" + std::to_string(gone) + "_3";
    const std::string odd = dir.path + "/.book.dat.tmp" + std::to_string(gone) + "_x";
    for (const std::string& p : {dead, mine, init, other, odd}) ASSERT_TRUE(platform::WriteFileAtomically(p, "x"));
    ASSERT_TRUE(platform::WriteFileAtomically(f, "saved"));
    EXPECT_FALSE(std::filesystem::exists(dead));
    for (const std::string& p : {mine, init, other, odd}) EXPECT_TRUE(std::filesystem::exists(p)) << p;
    EXPECT_EQ(platform::RemoveStaleTemporaries(f), 0);
}
