#include "core/foundation/file_info.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/foundation/date_utils.h"
#include "platform/version_info.h"

namespace fs = std::filesystem;

namespace {

TEST(FileInfo, FileDatesAsDateText) {
    setenv("TZ", "Asia/Tokyo", 1);
    tzset();
    std::string tmpl = (fs::temp_directory_path() / "fileinfo-XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    const std::string file = tmpl + "/data.dat";
    std::ofstream(file) << "x";
    const timespec times[2] = {{1704067200, 0}, {1704067200, 0}};  // 2024-01-01 00:00 UT
    ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);

    char out[kDateTextBufferSize];
    EXPECT_EQ(GetFileStat_LastRenewalDate(file, out), 1);
    EXPECT_STREQ(out, "2024/01/01 09:00:00");
    std::string s;
    EXPECT_EQ(GetFileStat_LastRenewalDate(file, s), 1);
    EXPECT_EQ(s, "2024/01/01 09:00:00");

    // Birth time where the file system keeps one (just now), else the modification time.
    ASSERT_EQ(GetFileStat_CreateDate(file, s), 1);
    platform::DateTime created;
    ASSERT_TRUE(Convert_DateData2COleDateTimeChecked(s, created)) << s;
    const auto sinceNow = platform::DateTime(std::time(nullptr)) - created;
    EXPECT_TRUE(s == "2024/01/01 09:00:00" || (sinceNow.TotalSeconds() >= -5 && sinceNow.TotalSeconds() < 3600))
        << s;

    std::strcpy(out, "untouched");
    EXPECT_EQ(GetFileStat_LastRenewalDate(tmpl + "/missing", out), 0);
    EXPECT_EQ(GetFileStat_CreateDate(tmpl + "/missing", out), 0);
    EXPECT_STREQ(out, "untouched");
    fs::remove_all(tmpl);
}

TEST(FileInfo, VersionStringsOfOwnModulesOnly) {
    char out[64];
    ASSERT_EQ(GetFileVerInfo("/opt/quendrel/libombrel.so.1", "FileVersion", out, sizeof out), 1);
    EXPECT_STREQ(out, platform::BuildFileVersion());
    ASSERT_EQ(GetModuleFileVerInfo("Quendrel", "InternalName", out, sizeof out), 1);
    EXPECT_STREQ(out, "Quendrel");
    ASSERT_EQ(GetModuleFileVerInfo("libombrel.so", "InternalName", out, sizeof out), 1);
    EXPECT_STREQ(out, "Ombrel");

    std::strcpy(out, "untouched");
    EXPECT_EQ(GetFileVerInfo("/etc/passwd", "FileVersion", out, sizeof out), 0);
    EXPECT_EQ(GetFileVerInfo("libombrel.so", "NoSuchName", out, sizeof out), 0);
    EXPECT_EQ(GetModuleFileVerInfo("", "FileVersion", out, sizeof out), 0);  // this test program
    // The value must fit with its terminator.
    const size_t exact = std::strlen("Ombrel") + 1;
    EXPECT_EQ(GetFileVerInfo("libombrel.so", "InternalName", out, exact - 1), 0);
    EXPECT_STREQ(out, "untouched");
    EXPECT_EQ(GetFileVerInfo("libombrel.so", "InternalName", out, exact), 1);
    EXPECT_STREQ(out, "Ombrel");
}

}  // namespace
