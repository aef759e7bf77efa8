// The debug level and the attribute functions through their exports.

#include <gtest/gtest.h>

#include <unistd.h>

#include "installhelper/tarbolt.h"
#include "installhelper/tests/support.h"

namespace tarbolt {
namespace {

using test::InTempFolder;
using test::Write;
namespace fs = std::filesystem;

TEST(TarboltDebugLevel, SetReturnsThePreviousLevel) {
    EXPECT_EQ(SetDebugLevel(3), 0);
    EXPECT_EQ(SetDebugLevel(5), 3);
    EXPECT_EQ(GetDebugLevel(), 5);
    SetDebugLevel(0);
}

TEST(TarboltAttributes, ReadOnlyIsTheOwnersWritePermission) {
    InTempFolder here;
    Write("ファイル 1.txt", "x");
    fs::create_directory("folder");

    EXPECT_EQ(getFileAttributes("missing"), TARBOLT_INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(static_cast<unsigned>(getFileAttributes("missing")), 0xFFFFFFFFu);
    EXPECT_EQ(getFileAttributes(nullptr), TARBOLT_INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(getFileAttributes("ファイル 1.txt"), TARBOLT_FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(getFileAttributes("folder"), TARBOLT_FILE_ATTRIBUTE_DIRECTORY);

    EXPECT_EQ(setFileAttributes("ファイル 1.txt", TARBOLT_FILE_ATTRIBUTE_READONLY), 1);
    EXPECT_EQ(getFileAttributes("ファイル 1.txt"), TARBOLT_FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(fs::status("ファイル 1.txt").permissions() & fs::perms::all, fs::perms::owner_read |
                                                                            fs::perms::group_read |
                                                                            fs::perms::others_read);
    EXPECT_EQ(setFileAttributes("folder", TARBOLT_FILE_ATTRIBUTE_READONLY | TARBOLT_FILE_ATTRIBUTE_DIRECTORY), 1);
    EXPECT_EQ(getFileAttributes("folder"), TARBOLT_FILE_ATTRIBUTE_READONLY | TARBOLT_FILE_ATTRIBUTE_DIRECTORY);

    EXPECT_EQ(setFileAttributes("ファイル 1.txt", TARBOLT_FILE_ATTRIBUTE_NORMAL), 1);
    EXPECT_EQ(getFileAttributes("ファイル 1.txt"), TARBOLT_FILE_ATTRIBUTE_NORMAL);
    EXPECT_TRUE((fs::status("ファイル 1.txt").permissions() & fs::perms::owner_write) != fs::perms::none);
    EXPECT_EQ(setFileAttributes("folder", 0), 1);
    EXPECT_EQ(getFileAttributes("folder"), TARBOLT_FILE_ATTRIBUTE_DIRECTORY);

    EXPECT_EQ(setFileAttributes("missing", TARBOLT_FILE_ATTRIBUTE_READONLY), 0);
    EXPECT_EQ(setFileAttributes(nullptr, 0), 0);
}

}  // namespace
}  // namespace tarbolt
