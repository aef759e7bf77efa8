// moveFileEx through its export: replacing only when asked, the refusals that keep data
// (a folder, another name of the same file), moves across file systems, and moves put off
// until the library is next loaded, carried out by a second process that loads it.

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>

#include "installhelper/tarbolt.h"
#include "installhelper/tests/support.h"
#include "platform/module_path.h"
#include "platform/process_runner.h"

namespace tarbolt {
namespace {

using test::InTempFolder;
using test::Listing;
using test::Read;
using test::Write;
namespace fs = std::filesystem;

TEST(TarboltMoveFileEx, ReplacesOnlyWhenAskedAndNeverLosesAFile) {
    InTempFolder here;
    Write("a.txt", "A");
    Write("b.txt", "B");
    EXPECT_EQ(moveFileEx("a.txt", "b.txt", 0), 0);
    EXPECT_EQ(Read("a.txt"), "A");
    EXPECT_EQ(Read("b.txt"), "B");
    EXPECT_EQ(moveFileEx("a.txt", "b.txt", TARBOLT_MOVEFILE_REPLACE_EXISTING), 1);
    EXPECT_EQ(Read("b.txt"), "A");
    EXPECT_FALSE(fs::exists("a.txt"));

    fs::create_directory("folder");
    ASSERT_EQ(::link("b.txt", "hard.txt"), 0);
    EXPECT_EQ(moveFileEx("b.txt", "folder", TARBOLT_MOVEFILE_REPLACE_EXISTING), 0);
    EXPECT_EQ(moveFileEx("b.txt", "hard.txt", TARBOLT_MOVEFILE_REPLACE_EXISTING), 0);
    EXPECT_EQ(moveFileEx("b.txt", "./b.txt", TARBOLT_MOVEFILE_REPLACE_EXISTING), 1);
    EXPECT_EQ(moveFileEx("missing", "x", TARBOLT_MOVEFILE_REPLACE_EXISTING), 0);
    EXPECT_EQ(moveFileEx("b.txt", nullptr, 0), 0);
    EXPECT_EQ(moveFileEx(nullptr, "x", 0), 0);
    EXPECT_EQ(moveFileEx("b.txt", "c", TARBOLT_MOVEFILE_DELAY_UNTIL_REBOOT | TARBOLT_MOVEFILE_COPY_ALLOWED), 0);
    EXPECT_EQ(Listing("."), "b.txt|folder|hard.txt");

    EXPECT_EQ(moveFileEx("b.txt", "folder/新しい \"名前\" $(x).txt", TARBOLT_MOVEFILE_WRITE_THROUGH), 1);
    EXPECT_EQ(Read("folder/新しい \"名前\" $(x).txt"), "A");
    // A folder moves as a whole.
    EXPECT_EQ(moveFileEx("folder", "renamed folder", 0), 1);
    EXPECT_EQ(Listing("renamed folder"), "新しい \"名前\" $(x).txt");
}

TEST(TarboltMoveFileEx, AcrossFileSystemsOnlyWhenACopyIsAllowed) {
    InTempFolder here;
    struct stat tmp, shm;
    if (::stat(here.path().c_str(), &tmp) != 0 || ::stat("/dev/shm", &shm) != 0 || tmp.st_dev == shm.st_dev ||
        ::access("/dev/shm", W_OK) != 0) {
        GTEST_SKIP() << "no second writable file system at /dev/shm";
    }
    const fs::path other = fs::path("/dev/shm") / ("tarbolt-" + std::to_string(::getpid()) + ".txt");
    Write("a.txt", "A");
    EXPECT_EQ(moveFileEx("a.txt", other.c_str(), 0), 0);
    EXPECT_EQ(Read("a.txt"), "A");
    EXPECT_EQ(moveFileEx("a.txt", other.c_str(), TARBOLT_MOVEFILE_COPY_ALLOWED), 1);
    EXPECT_FALSE(fs::exists("a.txt"));
    EXPECT_EQ(Read(other), "A");
    fs::remove(other);
}

TEST(TarboltMoveFileEx, DelayedMovesHappenWhenTheLibraryIsNextLoaded) {
    InTempFolder here;
    const fs::path pending = here.path() / "pending";
    ::setenv("TARBOLT_PENDING_MOVES", pending.c_str(), 1);
    Write("a.txt", "A");
    Write("c.txt", "C");
    Write("d.txt", "D");
    Write("e.txt", "E");
    Write("line\nbreak", "N");
    Write("kept.txt", "K");
    // A record torn by a crash: cut off before anything new is appended.
    Write(pending, std::string("/torn\0/x", 8));

    EXPECT_EQ(moveFileEx("a.txt", "sub/../b.txt", TARBOLT_MOVEFILE_DELAY_UNTIL_REBOOT), 1);
    EXPECT_EQ(moveFileEx("c.txt", nullptr, TARBOLT_MOVEFILE_DELAY_UNTIL_REBOOT), 1);
    EXPECT_EQ(moveFileEx("d.txt", "e.txt", TARBOLT_MOVEFILE_DELAY_UNTIL_REBOOT | TARBOLT_MOVEFILE_REPLACE_EXISTING), 1);
    EXPECT_EQ(moveFileEx("line\nbreak", "日本 語.txt", TARBOLT_MOVEFILE_DELAY_UNTIL_REBOOT), 1);
    EXPECT_EQ(moveFileEx("kept.txt", "e.txt", TARBOLT_MOVEFILE_DELAY_UNTIL_REBOOT), 1);  // e.txt will exist
    // Nothing has moved yet.
    EXPECT_EQ(Listing("."), "a.txt|c.txt|d.txt|e.txt|kept.txt|line\nbreak|pending");
    // A record of the wrong shape and a new torn tail are passed over.
    std::ofstream(pending, std::ios::binary | std::ios::app) << std::string("relative\0/z\0/torn\0", 19);

    // The next start: another process loads the library.
    {
        test::InTempFolder elsewhere;
        int code = -1;
        EXPECT_EQ(platform::RunProcess({platform::ProgramPath(), "--gtest_filter=-*"}, std::chrono::seconds(60), {},
                                       code),
                  platform::ProcessEnd::kExited);
    }
    ::unsetenv("TARBOLT_PENDING_MOVES");

    EXPECT_EQ(Listing("."), "b.txt|e.txt|kept.txt|pending|日本 語.txt");
    EXPECT_EQ(Read("b.txt"), "A");
    EXPECT_EQ(Read("e.txt"), "D");
    EXPECT_EQ(Read("日本 語.txt"), "N");
    EXPECT_EQ(Read("kept.txt"), "K");  // its target existed and replacing was not asked
    EXPECT_EQ(Read(pending), "");
}

TEST(TarboltExports, TheInterfaceIsFoundByItsPlainNames) {
    void* library = ::dlopen(TARBOLT_LIBRARY, RTLD_NOW);
    ASSERT_NE(library, nullptr) << ::dlerror();
    EXPECT_EQ(::dlsym(library, "SHFileCopy"), reinterpret_cast<void*>(&SHFileCopy));
    for (const char* name : {"SetDebugLevel", "GetDebugLevel", "SHFileCopy", "SHFileDelete", "SHFileMove",
                             "SHFileRename", "setFileAttributes", "getFileAttributes", "moveFileEx"}) {
        EXPECT_NE(::dlsym(library, name), nullptr) << name;
    }
    ::dlclose(library);
}

}  // namespace
}  // namespace tarbolt
