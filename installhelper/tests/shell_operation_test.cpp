// The four shell operations through their exports: where copies and moves land, the
// checks that refuse a request before anything changes (a missing source, a file onto
// itself, a folder into itself), wildcards, and names that a shell would misread.

#include <gtest/gtest.h>

#include <string>

#include "installhelper/tarbolt.h"
#include "installhelper/tests/support.h"

namespace tarbolt {
namespace {

using test::InTempFolder;
using test::List;
using test::Listing;
using test::Read;
using test::Write;
namespace fs = std::filesystem;

int Copy(const std::string& from, const std::string& to, unsigned flags = 0) {
    return SHFileCopy(nullptr, from.c_str(), to.c_str(), flags, 0, "title");
}
int Move(const std::string& from, const std::string& to, unsigned flags = 0) {
    return SHFileMove(nullptr, from.c_str(), to.c_str(), flags, 0, nullptr);
}
int Delete(const std::string& from, unsigned flags = 0) {
    return SHFileDelete(nullptr, from.c_str(), nullptr, flags, 0, nullptr);
}
int Rename(const std::string& from, const std::string& to) {
    return SHFileRename(nullptr, from.c_str(), to.c_str(), 0, 0, nullptr);
}

TEST(TarboltCopy, ATwoFileListCopiesBothAndAMissingSourceCopiesNothing) {
    InTempFolder here;
    Write("a.txt", "A");
    Write("b.txt", "B");
    ::chmod("b.txt", 0640);
    fs::create_directory("dest");

    EXPECT_EQ(Copy(List({"a.txt", "b.txt"}), List({"dest"})), 1);
    EXPECT_EQ(Read("dest/a.txt"), "A");
    EXPECT_EQ(Read("dest/b.txt"), "B");
    EXPECT_EQ(fs::status("dest/b.txt").permissions(), fs::status("b.txt").permissions());
    EXPECT_EQ(Listing("dest"), "a.txt|b.txt");  // no temporary file left behind

    // The whole request is checked first: the present file is not copied either.
    EXPECT_EQ(Copy(List({"a.txt", "missing.txt"}), List({"other"})), 0);
    EXPECT_FALSE(fs::exists("other"));
    EXPECT_EQ(Copy(List({"missing.txt"}), List({"dest/x.txt"})), 0);
    EXPECT_EQ(Copy(List({}), List({"dest"})), 0);
    EXPECT_EQ(SHFileCopy(nullptr, nullptr, "dest\0", 0, 0, nullptr), 0);
}

TEST(TarboltCopy, WhereTheTargetGoes) {
    InTempFolder here;
    Write("a.txt", "A");
    Write("tree/x.txt", "X");
    Write("tree/sub/y.txt", "Y");
    fs::create_symlink("x.txt", "tree/link");
    fs::create_directory("existing");
    Write("old.txt", "old");

    // A new name for one file, its missing folders made.
    EXPECT_EQ(Copy(List({"a.txt"}), List({"new/deep/b.txt"})), 1);
    EXPECT_EQ(Read("new/deep/b.txt"), "A");
    // A name ending in '/' is a folder to go into.
    EXPECT_EQ(Copy(List({"a.txt"}), List({"made/"})), 1);
    EXPECT_EQ(Read("made/a.txt"), "A");
    // An existing file is replaced.
    EXPECT_EQ(Copy(List({"a.txt"}), List({"old.txt"})), 1);
    EXPECT_EQ(Read("old.txt"), "A");
    // A folder to a new name is copied whole, links as links; into an existing folder it
    // goes inside.
    EXPECT_EQ(Copy(List({"tree"}), List({"copy"})), 1);
    EXPECT_EQ(Read("copy/sub/y.txt"), "Y");
    EXPECT_TRUE(fs::is_symlink("copy/link"));
    EXPECT_EQ(fs::read_symlink("copy/link"), "x.txt");
    EXPECT_EQ(Copy(List({"tree"}), List({"existing"})), 1);
    EXPECT_EQ(Read("existing/tree/x.txt"), "X");
    // Copying it again merges into what is there.
    Write("tree/x.txt", "X2");
    EXPECT_EQ(Copy(List({"tree"}), List({"existing"})), 1);
    EXPECT_EQ(Read("existing/tree/x.txt"), "X2");
    // Several sources onto a file, or a folder onto a file: refused.
    EXPECT_EQ(Copy(List({"a.txt", "tree"}), List({"old.txt"})), 0);
    EXPECT_EQ(Copy(List({"tree"}), List({"existing/tree/x.txt"})), 0);
    EXPECT_EQ(Read("old.txt"), "A");
}

TEST(TarboltCopy, OntoItselfOrIntoItselfIsRefusedWithTheSourceIntact) {
    InTempFolder here;
    Write("a.txt", "keep me");
    Write("tree/x.txt", "X");
    const std::string absolute = (here.path() / "a.txt").string();

    for (const std::string& target : {std::string("a.txt"), std::string("."), std::string("./"), absolute,
                                      here.path().string()}) {
        SCOPED_TRACE(target);
        EXPECT_EQ(Copy(List({"a.txt"}), List({target})), 0);
        EXPECT_EQ(Move(List({"a.txt"}), List({target})), 0);
        EXPECT_EQ(Read("a.txt"), "keep me");
    }
    EXPECT_EQ(Copy(List({"tree"}), List({"tree/sub"})), 0);
    EXPECT_EQ(Copy(List({"tree"}), List({"tree"})), 0);
    EXPECT_EQ(Move(List({"tree"}), List({"tree/sub"})), 0);
    EXPECT_EQ(Listing("tree"), "x.txt");
    EXPECT_EQ(Listing("."), "a.txt|tree");

    // With rename-on-collision the copy gets a free name instead.
    EXPECT_EQ(Copy(List({"a.txt"}), List({"."}), TARBOLT_FOF_RENAMEONCOLLISION), 1);
    EXPECT_EQ(Copy(List({"a.txt"}), List({"."}), TARBOLT_FOF_RENAMEONCOLLISION), 1);
    EXPECT_EQ(Read("a (2).txt"), "keep me");
    EXPECT_EQ(Read("a (3).txt"), "keep me");
    EXPECT_EQ(Read("a.txt"), "keep me");
}

TEST(TarboltCopy, MultipleDestinationsPairNameForName) {
    InTempFolder here;
    Write("a.txt", "A");
    Write("b.txt", "B");
    // Only the low 16 bits of the flags count.
    const unsigned multi = 0x10000u | TARBOLT_FOF_MULTIDESTFILES;
    EXPECT_EQ(Copy(List({"a.txt", "b.txt"}), List({"one/a2.txt", "two/b2.txt"}), multi), 1);
    EXPECT_EQ(Read("one/a2.txt"), "A");
    EXPECT_EQ(Read("two/b2.txt"), "B");
    // Lists of unequal length, or several targets without the flag: nothing done.
    EXPECT_EQ(Copy(List({"a.txt", "b.txt"}), List({"three/a.txt"}), multi), 0);
    EXPECT_EQ(Copy(List({"a.txt"}), List({"three/a.txt", "four/b.txt"})), 0);
    EXPECT_FALSE(fs::exists("three"));
    EXPECT_FALSE(fs::exists("four"));
}

TEST(TarboltWildcard, MatchesInItsFolderOnlyAndMayMatchNothing) {
    InTempFolder here;
    Write("src/a.txt", "a");
    Write("src/B.TXT", "b");
    Write("src/c.dat", "c");
    Write("src/noext", "n");
    Write("src/あ.txt", "jp1");
    Write("src/ああ.txt", "jp2");
    Write("src/sub.txt/inner.txt", "folder that matches");
    Write("src/deeper/d.txt", "not searched");

    EXPECT_EQ(Copy(List({"src/*.txt"}), List({"t1"})), 1);
    EXPECT_EQ(Listing("t1"), "B.TXT|a.txt|sub.txt|あ.txt|ああ.txt");
    EXPECT_EQ(Copy(List({"src/?.txt"}), List({"t2"}), TARBOLT_FOF_FILESONLY), 1);
    EXPECT_EQ(Listing("t2"), "B.TXT|a.txt|あ.txt");
    EXPECT_EQ(Copy(List({"src/*.*"}), List({"t3"}), TARBOLT_FOF_FILESONLY), 1);
    EXPECT_EQ(Listing("t3"), "B.TXT|a.txt|c.dat|noext|あ.txt|ああ.txt");

    // Matching nothing names nothing: no error, nothing changed, no target made.
    EXPECT_EQ(Copy(List({"src/*.none"}), List({"t4"})), 1);
    EXPECT_FALSE(fs::exists("t4"));
    EXPECT_EQ(Delete(List({"src/*.none"})), 1);
    EXPECT_EQ(Move(List({"src/x?y"}), List({"t5"})), 1);
    EXPECT_EQ(Listing("src"), "B.TXT|a.txt|c.dat|deeper|noext|sub.txt|あ.txt|ああ.txt");
    // A wildcard whose folder is missing is a missing source.
    EXPECT_EQ(Delete(List({"nowhere/*.txt"})), 0);

    // Delete with files only leaves the matching folder.
    EXPECT_EQ(Delete(List({"src/*.TXT"}), TARBOLT_FOF_FILESONLY), 1);
    EXPECT_EQ(Listing("src"), "c.dat|deeper|noext|sub.txt");
    // Renaming takes no wildcard.
    EXPECT_EQ(Rename(List({"src/*.dat"}), List({"src/d.dat"})), 0);
    EXPECT_EQ(Listing("src"), "c.dat|deeper|noext|sub.txt");
}

// Names that a shell would split, expand or run: each is an ordinary name here.
class TarboltNames : public ::testing::TestWithParam<const char*> {};

TEST_P(TarboltNames, EveryOperationTakesTheNameAsItIs) {
    InTempFolder here;
    const std::string name = GetParam();
    Write(name, "content");
    Write("plain.txt", "other");

    EXPECT_EQ(Copy(List({name}), List({"dest/"})), 1);
    EXPECT_EQ(Read("dest/" + name), "content");
    EXPECT_EQ(Copy(List({"plain.txt"}), List({"dest/" + name})), 1);
    EXPECT_EQ(Read("dest/" + name), "other");
    EXPECT_EQ(Rename(List({"dest/" + name}), List({"dest/" + name + " 2"})), 1);
    EXPECT_EQ(Move(List({"dest/" + name + " 2"}), List({"moved/"})), 1);
    EXPECT_EQ(Read("moved/" + name + " 2"), "other");
    EXPECT_EQ(Delete(List({name, "moved"})), 1);
    EXPECT_EQ(Listing("."), "dest|plain.txt");
    EXPECT_EQ(Listing("dest"), "");
    EXPECT_FALSE(fs::exists("pwned"));
}

INSTANTIATE_TEST_SUITE_P(Names, TarboltNames,
                         ::testing::Values("with blanks  in it.txt", "quote\"d 'single'.txt",
                                           "日本語のファイル名.txt", "$(touch pwned); `touch pwned`.txt",
                                           "-rf", "line\nbreak", "back\\slash [x].txt",
                                           // 240 bytes: near the limit of one name
                                           "長い名前長い名前長い名前長い名前長い名前長い名前長い名前長い名前長い名前長い名前"
                                           "長い名前長い名前長い名前長い名前長い名前長い名前長い名前長い名前長い名前長い名前"));

TEST(TarboltMove, FilesAndFoldersMoveAndFoldersMerge) {
    InTempFolder here;
    Write("a.txt", "A");
    Write("tree/x.txt", "X");
    Write("tree/sub/y.txt", "Y");
    Write("target/tree/sub/old.txt", "old");
    Write("target/tree/x.txt", "replaced");

    EXPECT_EQ(Move(List({"a.txt"}), List({"target"})), 1);
    EXPECT_EQ(Read("target/a.txt"), "A");
    EXPECT_FALSE(fs::exists("a.txt"));
    EXPECT_EQ(Move(List({"tree"}), List({"target"})), 1);
    EXPECT_FALSE(fs::exists("tree"));
    EXPECT_EQ(Read("target/tree/x.txt"), "X");
    EXPECT_EQ(Listing("target/tree/sub"), "old.txt|y.txt");
    // A file onto a folder of its name is refused.
    Write("tree", "a file now");
    EXPECT_EQ(Move(List({"tree"}), List({"target"})), 0);
    EXPECT_EQ(Read("tree"), "a file now");
}

TEST(TarboltRename, NeverReplacesAndTakesOneName) {
    InTempFolder here;
    Write("a.txt", "A");
    Write("b.txt", "B");
    EXPECT_EQ(Rename(List({"a.txt"}), List({"b.txt"})), 0);
    EXPECT_EQ(Rename(List({"a.txt"}), List({"a.txt"})), 0);
    EXPECT_EQ(Rename(List({"a.txt", "b.txt"}), List({"c.txt"})), 0);
    EXPECT_EQ(Rename(List({"missing.txt"}), List({"c.txt"})), 0);
    EXPECT_EQ(Listing("."), "a.txt|b.txt");
    EXPECT_EQ(Read("b.txt"), "B");
    EXPECT_EQ(Rename(List({"a.txt"}), List({"c.txt"})), 1);
    EXPECT_EQ(Listing("."), "b.txt|c.txt");
}

TEST(TarboltDelete, RemovesFilesAndTreesAndRefusesAMissingName) {
    InTempFolder here;
    Write("a.txt", "A");
    Write("tree/sub/y.txt", "Y");
    fs::create_symlink("a.txt", "link");
    EXPECT_EQ(Delete(List({"a.txt", "missing"})), 0);
    EXPECT_EQ(Read("a.txt"), "A");
    EXPECT_EQ(Delete(List({".", ".."})), 0);
    EXPECT_EQ(Delete(List({"link", "tree/"})), 1);
    EXPECT_EQ(Listing("."), "a.txt");
    // The aborted flag and the other flags are accepted and change nothing.
    EXPECT_EQ(SHFileDelete(nullptr, List({"a.txt"}).c_str(), nullptr,
                           TARBOLT_FOF_ALLOWUNDO | TARBOLT_FOF_NOCONFIRMATION | TARBOLT_FOF_SILENT, 1, "t"),
              1);
    EXPECT_EQ(Listing("."), "");
}

}  // namespace
}  // namespace tarbolt
