#include "platform/private_files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "platform/safe_write.h"
#include "platform/tests/file_modes.h"
#include "platform/tests/other_user.h"

namespace {

struct PrivateFilesTempDir {
    std::string path;
    PrivateFilesTempDir() {
        char tmpl[] = "/tmp/private_files_XXXXXX";
        path = mkdtemp(tmpl);
    }
    ~PrivateFilesTempDir() { std::filesystem::remove_all(path); }
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
        PrivateFilesTempDir dir;
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
    PrivateFilesTempDir dir;
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
    PrivateFilesTempDir dir;
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
    PrivateFilesTempDir dir;
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
    PrivateFilesTempDir dir;
    const std::string target = dir.path + "/notes.txt";
    const std::string link = dir.path + "/database.jnl";
    Touch(target, 0644);
    std::ofstream(target) << "mine";
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
    std::vector<std::string> reported;
    const platform::RefusalReporter previous =
        platform::SetRefusalReporter([&](const platform::RefusedFile& r) { reported.push_back(r.path); });

    EXPECT_EQ(platform::OpenPrivateFile(link, O_WRONLY | O_CREAT | O_APPEND), -1);
    EXPECT_EQ(errno, ELOOP);
    std::string through;
    EXPECT_FALSE(platform::ReadWholeFile(link, through));
    EXPECT_EQ(errno, ELOOP);
    EXPECT_EQ(reported, (std::vector<std::string>{link, link}));
    std::string bytes;
    ASSERT_TRUE(platform::ReadWholeFile(target, bytes));
    EXPECT_EQ(bytes, "mine");
    EXPECT_EQ(ModeOf(target), 0644u);
    EXPECT_TRUE(std::filesystem::is_symlink(link));

    ASSERT_EQ(::symlink((dir.path + "/loop").c_str(), (dir.path + "/loop").c_str()), 0);
    EXPECT_EQ(platform::OpenPrivateFile(dir.path + "/loop/file", O_WRONLY | O_CREAT), -1);
    EXPECT_EQ(reported.size(), 2u);
    platform::SetRefusalReporter(previous);
}

namespace {

// Records every refusal that reaches the reporter, for the scope.
struct Reported {
    std::vector<platform::RefusedFile> refused;
    platform::RefusalReporter previous;
    Reported()
        : previous(platform::SetRefusalReporter([this](const platform::RefusedFile& r) { refused.push_back(r); })) {}
    ~Reported() { platform::SetRefusalReporter(previous); }
};

}  // namespace

// What stands in place of one of the program's files is refused at once, for every way the
// program opens its files, with errno and the reason naming the kind: nothing is waited
// for (a FIFO's open would wait for a writer or a reader), read, written or cut. A FIFO
// whose other end is held open is refused all the same.
TEST(PrivateFiles, AnythingButARegularFileOfTheUsersIsRefusedAtOnce) {
    // A hang here is the fault: end the test binary rather than wait for ever.
    ::alarm(60);
    PrivateFilesTempDir dir;
    const bool root = ::geteuid() == 0;
    struct Case {
        const char* what;
        std::function<void(const std::string& path)> plant;
        int error;
        const char* reason;
    } cases[] = {
        {"a FIFO", [](const std::string& p) { ::mkfifo(p.c_str(), 0600); }, ENXIO,
         "名前付きパイプ（FIFO）のため使用できません"},
        {"a socket",
         [](const std::string& p) {
             sockaddr_un addr{};
             addr.sun_family = AF_UNIX;
             std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", p.c_str());
             const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
             ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
             ::close(fd);
         },
         ENXIO, "ソケットのため使用できません"},
        {"a folder", [](const std::string& p) { ::mkdir(p.c_str(), 0700); }, EISDIR, "フォルダのため使用できません"},
        {"a file with a second name",
         [&](const std::string& p) {
             Touch(p, 0600);
             std::ofstream(p) << "theirs";
             ::link(p.c_str(), (p + ".kept").c_str());
         },
         EPERM, "ほかの場所にも名前（ハードリンク）があるため使用できません"},
        {"another user's file",
         [&](const std::string& p) {
             Touch(p, 0666);
             std::ofstream(p) << "theirs";
             if (root) ::chown(p.c_str(), 65534, 65534);
         },
         EPERM, "他のユーザー（nobody）のファイルのため使用できません"},
    };
    const int opens[] = {O_RDONLY, O_WRONLY | O_APPEND, O_RDWR | O_CREAT, O_WRONLY | O_CREAT | O_TRUNC};
    int number = 0;
    for (const Case& c : cases) {
        if (!root && std::strcmp(c.what, "another user's file") == 0) continue;
        for (const int flags : opens) {
            SCOPED_TRACE(std::string(c.what) + " opened with flags " + std::to_string(flags));
            const std::string path = dir.path + "/own" + std::to_string(++number) + ".jnl";
            c.plant(path);
            struct stat before {};
            ::lstat(path.c_str(), &before);
            // The other end of a FIFO held open: an open of this end would not wait, but
            // what is written would reach whoever holds it.
            const int otherEnd = S_ISFIFO(before.st_mode) ? ::open(path.c_str(), O_RDWR | O_NONBLOCK) : -1;
            Reported reported;
            EXPECT_EQ(platform::OpenPrivateFile(path, flags), -1);
            EXPECT_EQ(errno, c.error);
            ASSERT_EQ(reported.refused.size(), 1u);
            EXPECT_EQ(reported.refused[0].path, path);
            EXPECT_EQ(reported.refused[0].Reason(), c.reason);
            EXPECT_EQ(reported.refused[0].Text(), path + "\r\n" + c.reason);
            struct stat after {};
            ::lstat(path.c_str(), &after);
            EXPECT_EQ(after.st_size, before.st_size);
            EXPECT_EQ(after.st_mode, before.st_mode);
            if (otherEnd >= 0) ::close(otherEnd);
        }
    }
    // The stores' whole reads take the same way.
    std::string bytes;
    Reported reported;
    EXPECT_FALSE(platform::ReadWholeFile(dir.path + "/own1.jnl", bytes));
    EXPECT_EQ(reported.refused.size(), 1u);
    ::alarm(0);
}

// A user who is not root cannot open another user's private file at all: that, too, is the
// file of another user, and told as such rather than as a missing permission.
TEST(PrivateFiles, AnotherUsersFileTheUserMayNotOpenIsToldAsTheirs) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
    PrivateFilesTempDir dir;
    ::chmod(dir.path.c_str(), 0777);
    const std::string path = dir.path + "/Quendrel.lock";
    Touch(path, 0600);  // root's
    otheruser::AsOtherUser nobody;
    ASSERT_TRUE(nobody.Switched());
    Reported reported;
    EXPECT_EQ(platform::OpenPrivateFile(path, O_RDWR | O_CREAT), -1);
    EXPECT_EQ(errno, EPERM);
    ASSERT_EQ(reported.refused.size(), 1u);
    EXPECT_EQ(reported.refused[0].Reason(), "他のユーザー（root）のファイルのため使用できません");
}

// Refusals met inside a held scope are the caller's to tell (one per file); what it does not
// take goes to the scope outside, and from the outermost to the reporter.
TEST(PrivateFiles, HeldRefusalsAreTheCallersToTellAndTheRestIsReported) {
    PrivateFilesTempDir dir;
    const std::string fifo = dir.path + "/a.jnl";
    const std::string folder = dir.path + "/b.jnl";
    ::mkfifo(fifo.c_str(), 0600);
    ::mkdir(folder.c_str(), 0700);
    Reported reported;
    {
        platform::HeldRefusals outer;
        {
            platform::HeldRefusals inner;
            EXPECT_EQ(platform::OpenPrivateFile(fifo, O_RDONLY), -1);
            EXPECT_EQ(platform::OpenPrivateFile(fifo, O_WRONLY), -1);
            EXPECT_EQ(platform::OpenPrivateFile(folder, O_RDONLY), -1);
            EXPECT_EQ(errno, EISDIR);
            const std::vector<platform::RefusedFile> taken = inner.Take();
            ASSERT_EQ(taken.size(), 2u);
            EXPECT_EQ(taken[0].path, fifo);
            EXPECT_EQ(inner.TakeText(), "");
            EXPECT_EQ(platform::OpenPrivateFile(folder, O_RDONLY), -1);
            errno = 0;
        }
        EXPECT_EQ(errno, 0);  // the scope's end leaves errno alone
        EXPECT_TRUE(reported.refused.empty());
        EXPECT_EQ(outer.TakeText(), folder + "\r\nフォルダのため使用できません");
        EXPECT_EQ(platform::OpenPrivateFile(fifo, O_RDONLY), -1);
    }
    ASSERT_EQ(reported.refused.size(), 1u);
    EXPECT_EQ(reported.refused[0].path, fifo);
}

// A file the user named is opened as named: through a link, whoever's it is; only what is
// no regular file is refused, at once and without a word to the reporter.
TEST(PrivateFiles, AFileTheUserNamedIsOpenedAsNamedButNeverWaitedOn) {
    ::alarm(60);
    PrivateFilesTempDir dir;
    const std::string target = dir.path + "/顧客リスト.csv";
    Touch(target, 0644);
    std::ofstream(target) << "taro@example.jp\r\n";
    const std::string link = dir.path + "/chosen.csv";
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(target.c_str(), 65534, 65534), 0);
    }
    ::link(target.c_str(), (dir.path + "/second-name.csv").c_str());
    Reported reported;
    std::string bytes;
    EXPECT_TRUE(platform::ReadNamedFile(link, bytes));
    EXPECT_EQ(bytes, "taro@example.jp\r\n");
    const int fd = platform::OpenNamedFile(link, O_WRONLY | O_TRUNC);
    ASSERT_GE(fd, 0);
    ::close(fd);
    EXPECT_EQ(std::filesystem::file_size(target), 0u);

    const std::string fifo = dir.path + "/picked.dat";
    ::mkfifo(fifo.c_str(), 0600);
    EXPECT_EQ(platform::OpenNamedFile(fifo, O_RDONLY), -1);
    EXPECT_EQ(errno, ENXIO);
    EXPECT_EQ(platform::OpenNamedStream(fifo), nullptr);
    EXPECT_FALSE(platform::ReadNamedFile(dir.path, bytes));
    EXPECT_EQ(errno, EISDIR);
    EXPECT_TRUE(reported.refused.empty());
    ::alarm(0);
}
