#include "platform/private_files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/safe_write.h"
#include "platform/tests/file_modes.h"

namespace {

struct TempDir {
    std::string path;
    TempDir() {
        char tmpl[] = "/tmp/private_files_XXXXXX";
        path = mkdtemp(tmpl);
    }
    ~TempDir() { std::filesystem::remove_all(path); }
};

using filemodes::ModeOf;
using filemodes::Umask;

void Touch(const std::string& path, mode_t mode) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, mode);
    ASSERT_GE(fd, 0) << path;
    ::fchmod(fd, mode);
    ::close(fd);
}

}  // namespace

// Whatever the umask, what the shared writers make is the user's alone; only a kUmask file
// follows the umask.
TEST(PrivateFiles, NewFilesAndFoldersAreOwnerOnlyUnderAWideUmask) {
    for (const mode_t mask : {mode_t{022}, mode_t{002}, mode_t{0}}) {
        SCOPED_TRACE(mask);
        TempDir dir;
        const Umask umask(mask);

        ASSERT_TRUE(platform::WriteFileAtomically(dir.path + "/safe.dat", "x"));
        EXPECT_EQ(ModeOf(dir.path + "/safe.dat"), 0600u);

        const int fd = platform::OpenPrivateFile(dir.path + "/appended.log", O_WRONLY | O_CREAT | O_APPEND);
        ASSERT_GE(fd, 0);
        ::close(fd);
        EXPECT_EQ(ModeOf(dir.path + "/appended.log"), 0600u);

        ASSERT_TRUE(platform::MakePrivateFolders(dir.path + "/a/b/c/"));
        for (const char* level : {"/a", "/a/b", "/a/b/c"}) EXPECT_EQ(ModeOf(dir.path + level), 0700u) << level;
        ASSERT_TRUE(platform::MakePrivateFolder(dir.path + "/one"));
        EXPECT_EQ(ModeOf(dir.path + "/one"), 0700u);

        ASSERT_TRUE(platform::WriteFileAtomically(dir.path + "/export.csv", "x", false, platform::FileAccess::kUmask));
        EXPECT_EQ(ModeOf(dir.path + "/export.csv"), 0666u & ~mask);
    }
}

// Folders that exist are passed, not changed; a file in the way is a failure.
TEST(PrivateFiles, MakeFoldersLeavesExistingLevelsAndRefusesAFile) {
    TempDir dir;
    ::chmod(dir.path.c_str(), 0755);
    ASSERT_TRUE(platform::MakePrivateFolders(dir.path + "/new"));
    EXPECT_EQ(ModeOf(dir.path), 0755u);
    EXPECT_TRUE(platform::MakePrivateFolders(dir.path + "/new"));
    Touch(dir.path + "/file", 0600);
    EXPECT_FALSE(platform::MakePrivateFolders(dir.path + "/file/below"));
    EXPECT_FALSE(platform::MakePrivateFolder(dir.path + "/file"));
    EXPECT_EQ(errno, ENOTDIR);
    EXPECT_FALSE(platform::MakePrivateFolder(dir.path + "/missing/level"));
}

// An existing file that others could read is narrowed when it is opened for appending.
TEST(PrivateFiles, OpeningAWideFileNarrowsIt) {
    TempDir dir;
    const std::string log = dir.path + "/old.log";
    Touch(log, 0666);
    const int fd = platform::OpenPrivateFile(log, O_WRONLY | O_APPEND);
    ASSERT_GE(fd, 0);
    ::close(fd);
    EXPECT_EQ(ModeOf(log), 0600u);
}

// A tree an earlier version left wide: every entry of the user's is narrowed, links are
// neither followed nor changed, another user's file stays as it is, and a second pass has
// nothing left to do.
TEST(PrivateFiles, NarrowTreeKeepsToTheTreeAndTheUser) {
    TempDir dir;
    const std::string env = dir.path + "/Env";
    const std::string outside = dir.path + "/outside.txt";
    ::chmod(dir.path.c_str(), 0755);
    ASSERT_EQ(::mkdir(env.c_str(), 0755), 0);
    ASSERT_EQ(::mkdir((env + "/DB").c_str(), 0775), 0);
    ASSERT_EQ(::mkdir((env + "/MAIL").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir((env + "/MAIL/1").c_str(), 0777), 0);
    ::chmod((env + "/MAIL/1").c_str(), 0777);
    Touch(env + "/DB/database.dat", 0644);
    Touch(env + "/MAIL/1/mail1.dat", 0664);
    Touch(env + "/private.dat", 0600);
    Touch(outside, 0644);
    ASSERT_EQ(::symlink(outside.c_str(), (env + "/link").c_str()), 0);
    ASSERT_EQ(::symlink(dir.path.c_str(), (env + "/MAIL/up").c_str()), 0);
    const bool root = ::geteuid() == 0;
    if (root) {
        Touch(env + "/theirs.dat", 0644);
        ASSERT_EQ(::chown((env + "/theirs.dat").c_str(), 65534, 65534), 0);
    }

    // Below a private folder nothing is within others' reach: the tree is not walked.
    ::chmod(env.c_str(), 0700);
    EXPECT_EQ(platform::NarrowWideTreeToOwner(env), 0);
    EXPECT_EQ(ModeOf(env + "/DB/database.dat"), 0644u);
    ::chmod(env.c_str(), 0755);

    EXPECT_EQ(platform::NarrowWideTreeToOwner(env), 6);
    for (const char* p : {"", "/DB", "/MAIL", "/MAIL/1"}) EXPECT_EQ(ModeOf(env + p), 0700u) << p;
    EXPECT_EQ(ModeOf(env + "/DB/database.dat"), 0600u);
    EXPECT_EQ(ModeOf(env + "/MAIL/1/mail1.dat"), 0600u);
    EXPECT_EQ(ModeOf(env + "/private.dat"), 0600u);
    EXPECT_EQ(ModeOf(outside), 0644u);
    EXPECT_EQ(ModeOf(dir.path), 0755u);  // the link "up" was not followed
    if (root) {
        EXPECT_EQ(ModeOf(env + "/theirs.dat"), 0644u);
    }
    EXPECT_EQ(platform::NarrowTreeToOwner(env), 0);
    EXPECT_EQ(platform::NarrowTreeToOwner(dir.path + "/missing"), -1);
    EXPECT_EQ(platform::NarrowWideTreeToOwner(dir.path + "/missing"), -1);

    // One entry by name: a link is left alone, nothing there is no failure.
    EXPECT_TRUE(platform::NarrowToOwner(env + "/link"));
    EXPECT_EQ(ModeOf(outside), 0644u);
    EXPECT_TRUE(platform::NarrowToOwner(outside));
    EXPECT_EQ(ModeOf(outside), 0600u);
    EXPECT_TRUE(platform::NarrowToOwner(dir.path + "/missing"));
}

// A link planted in place of a file the program appends to (its target another file of the
// user's) is refused and reported by name: the target keeps its bytes and its mode, and
// the link stays a link. A loop among the folders above is no such refusal.
TEST(PrivateFiles, ALinkInPlaceOfAPrivateFileIsRefusedAndReported) {
    TempDir dir;
    const std::string target = dir.path + "/notes.txt";
    const std::string link = dir.path + "/database.jnl";
    Touch(target, 0644);
    std::ofstream(target) << "mine";
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
    std::vector<std::string> reported;
    const platform::LinkReporter previous =
        platform::SetLinkReporter([&](const std::string& path) { reported.push_back(path); });

    EXPECT_EQ(platform::OpenPrivateFile(link, O_WRONLY | O_CREAT | O_APPEND), -1);
    EXPECT_EQ(errno, ELOOP);
    EXPECT_TRUE(platform::RefuseLink(link));
    EXPECT_EQ(errno, ELOOP);
    EXPECT_FALSE(platform::RefuseLink(target));
    EXPECT_FALSE(platform::RefuseLink(dir.path + "/missing"));
    EXPECT_EQ(reported, (std::vector<std::string>{link, link}));
    std::string bytes;
    ASSERT_TRUE(platform::ReadWholeFile(target, bytes));
    EXPECT_EQ(bytes, "mine");
    EXPECT_EQ(ModeOf(target), 0644u);
    EXPECT_TRUE(std::filesystem::is_symlink(link));

    ASSERT_EQ(::symlink((dir.path + "/loop").c_str(), (dir.path + "/loop").c_str()), 0);
    EXPECT_EQ(platform::OpenPrivateFile(dir.path + "/loop/file", O_WRONLY | O_CREAT), -1);
    EXPECT_EQ(reported.size(), 2u);
    platform::SetLinkReporter(previous);
}
