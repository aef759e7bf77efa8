#include "core/foundation/directory_utils.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace fs = std::filesystem;

namespace {

// A fresh folder under the system's temporary folder, removed afterwards.
class TempTree : public testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "dirutil-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        base_ = tmpl;
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(base_, ec);
    }
    static void Write(const fs::path& p, const std::string& text = "x") {
        fs::create_directories(p.parent_path());
        std::ofstream(p) << text;
    }
    static bool Exists(const fs::path& p) { return fs::exists(fs::symlink_status(p)); }
    static std::string Cwd() { return fs::current_path().string(); }

    fs::path base_;
};

TEST(DirectoryUtils, CheckDirectoryName) {
    for (const char* ok : {"/", "/a/b", "/a/b/", "/env root/DB", "\\env\\DB", "/a\\\\b", "/\xe7\x92\xb0\xe5\xa2\x83"})
        EXPECT_NE(CheckDirectoryName(ok), 0) << ok;
    for (const char* bad : {"", "a/b", "C:\\env", "/a//b", "/a/b ", "/a /b", "/a:b", "/a*", "/a?", "/a<", "/a>", "/a|b"})
        EXPECT_EQ(CheckDirectoryName(bad), 0) << bad;
    EXPECT_EQ(CheckDirectoryName(static_cast<const char*>(nullptr)), 0);
}

TEST(DirectoryUtils, PathFix) {
    std::string p = "\\\\env\\\\root\\DB//x///database.dat";
    PathFix(p);
    EXPECT_EQ(p, "/env/root/DB/x/database.dat");
    char c[] = "/a\\\\b//c";
    PathFix(c);
    EXPECT_STREQ(c, "/a/b/c");
}

TEST_F(TempTree, CheckAndMakeDirectory) {
    EXPECT_EQ(CheckDirectory(base_.string()), 0);
    EXPECT_EQ(CheckDirectory((base_ / "missing").string()), -1);
    Write(base_ / "file");
    EXPECT_EQ(CheckDirectory((base_ / "file").string()), -1);
    EXPECT_EQ(CheckDirectory(""), -1);

    EXPECT_EQ(MakeDirectoryCompel((base_ / "a/b/c").string()), 0);
    EXPECT_TRUE(fs::is_directory(base_ / "a/b/c"));
    EXPECT_EQ(MakeDirectoryCompel((base_ / "a/b/c").string()), 0);  // already there
    EXPECT_EQ(MakeDirectoryCompel(base_.string() + "\\MAIL\\12"), 0);
    EXPECT_TRUE(fs::is_directory(base_ / "MAIL/12"));
    EXPECT_EQ(MakeDirectoryCompel((base_ / "file/sub").string()), -1);  // a level is a file
    EXPECT_EQ(MakeDirectoryCompel("relative/dir"), -2);
    EXPECT_EQ(MakeDirectoryCompel((base_ / "bad|name").string()), -2);
    EXPECT_FALSE(Exists(base_ / "bad|name"));
}

TEST_F(TempTree, ClearKeepsDotFoldersAndNeverFollowsLinks) {
    const fs::path top = base_ / "work";
    const fs::path outside = base_ / "outside";
    Write(outside / "precious.txt", "keep me");
    Write(top / "file.txt");
    Write(top / "sub/deep/f.txt");
    Write(top / ".dot/kept.txt");
    fs::create_directory_symlink(outside, top / "link-to-folder");
    fs::create_symlink(outside / "precious.txt", top / "link-to-file");
    fs::create_symlink(base_ / "nowhere", top / "dangling");
    const std::string cwd = Cwd();

    EXPECT_EQ(ClearDirectoryCompel(top.string()), 0);

    EXPECT_TRUE(fs::is_directory(top));
    EXPECT_TRUE(Exists(top / ".dot/kept.txt"));
    EXPECT_FALSE(Exists(top / "file.txt"));
    EXPECT_FALSE(Exists(top / "sub"));
    EXPECT_FALSE(Exists(top / "link-to-folder"));
    EXPECT_FALSE(Exists(top / "link-to-file"));
    EXPECT_FALSE(Exists(top / "dangling"));
    EXPECT_TRUE(Exists(outside / "precious.txt"));  // the links' targets are untouched
    EXPECT_EQ(Cwd(), cwd);

    // With the top: the kept dot-folder stops the folder's removal, and that is reported.
    EXPECT_EQ(RemoveDirectoryCompel(top.string(), 1), -1);
    EXPECT_TRUE(Exists(top / ".dot/kept.txt"));
    fs::remove_all(top / ".dot");
    EXPECT_EQ(RemoveDirectoryCompel(top.string() + "/", 1), 0);
    EXPECT_FALSE(Exists(top));
    EXPECT_TRUE(Exists(outside / "precious.txt"));
}

TEST_F(TempTree, ReportsAnEntryThatCouldNotBeRemoved) {
    // A sub-folder keeps a dot-folder, so the sub-folder itself cannot go.
    const fs::path top = base_ / "work";
    Write(top / "sub/.hidden/x");
    Write(top / "other.txt");
    EXPECT_EQ(ClearDirectoryCompel(top.string()), -1);
    EXPECT_FALSE(Exists(top / "other.txt"));  // the rest is still removed
    EXPECT_TRUE(Exists(top / "sub/.hidden/x"));
}

TEST_F(TempTree, RefusesRootRelativeEmptyAndLinkedTop) {
    const fs::path outside = base_ / "outside";
    Write(outside / "precious.txt");
    fs::create_directory_symlink(outside, base_ / "link");

    EXPECT_EQ(RemoveDirectoryCompel("", 0), -2);
    EXPECT_EQ(RemoveDirectoryCompel("/", 0), -2);
    EXPECT_EQ(RemoveDirectoryCompel("//", 1), -2);
    EXPECT_EQ(RemoveDirectoryCompel("\\", 1), -2);
    EXPECT_EQ(RemoveDirectoryCompel((base_ / "..").string() + "/..", 0), -2);
    EXPECT_EQ(RemoveDirectoryCompel("relative", 0), -2);
    EXPECT_EQ(RemoveDirectoryCompel((base_ / "missing").string(), 0), -2);
    EXPECT_EQ(RemoveDirectoryCompel((base_ / "link").string(), 1), -2);
    EXPECT_EQ(RemoveDirectoryCompel((base_ / "link").string() + "/", 0), -2);
    EXPECT_TRUE(Exists(outside / "precious.txt"));
    EXPECT_TRUE(Exists(base_ / "link"));
}

TEST_F(TempTree, WorkingFolderNeverChangesDuringRemoval) {
    const fs::path top = base_ / "big";
    for (int i = 0; i < 50; ++i)
        for (int j = 0; j < 4; ++j) Write(top / std::to_string(i) / std::to_string(j) / "f");
    const std::string cwd = Cwd();

    std::atomic<bool> done{false};
    std::atomic<bool> changed{false};
    std::thread watcher([&] {
        while (!done) {
            char buf[4096];
            if (::getcwd(buf, sizeof buf) == nullptr || cwd != buf) changed = true;
        }
    });
    const int result = RemoveDirectoryCompel(top.string(), 1);
    done = true;
    watcher.join();

    EXPECT_EQ(result, 0);
    EXPECT_FALSE(Exists(top));
    EXPECT_FALSE(changed);
}

}  // namespace
