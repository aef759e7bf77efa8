#include "platform/path.h"

#include <gtest/gtest.h>

TEST(Path, FixPathTurnsBackslashesAndCollapses) {
    EXPECT_EQ(platform::FixPath("/env\\\\root\\\\DB\\database.dat"), "/env/root/DB/database.dat");
    EXPECT_EQ(platform::FixPath("a//b///c"), "a/b/c");
    EXPECT_EQ(platform::FixPath(""), "");
}

TEST(Path, SplitPath) {
    struct Case { const char* in; const char* root; const char* dir; const char* title; const char* ext; };
    const Case cases[] = {
        {"/home/u/env/a.b.dat", "/", "home/u/env/", "a.b", ".dat"},
        {"rel/x", "", "rel/", "x", ""},
        {"/.hidden", "/", "", ".hidden", ""},
        {"C\\dir\\f.txt", "", "C/dir/", "f", ".txt"},
        {"/", "/", "", "", ""},
    };
    for (const Case& c : cases) {
        auto p = platform::SplitPath(c.in);
        EXPECT_EQ(p.root, c.root) << c.in;
        EXPECT_EQ(p.dir, c.dir) << c.in;
        EXPECT_EQ(p.title, c.title) << c.in;
        EXPECT_EQ(p.ext, c.ext) << c.in;
    }
}

TEST(Path, FolderFileNameJoin) {
    EXPECT_EQ(platform::FolderOf("/a/b/c.txt"), "/a/b/");
    EXPECT_EQ(platform::FolderOf("c.txt"), "");
    EXPECT_EQ(platform::FileNameOf("/a/b/c.txt"), "c.txt");
    EXPECT_EQ(platform::JoinPath("/a/", "/b"), "/a/b");
    EXPECT_EQ(platform::JoinPath("/a", "b"), "/a/b");
}
