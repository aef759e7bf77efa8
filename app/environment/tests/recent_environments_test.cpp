// The recent environments in the program's ini file: byte-wise de-duplication, five
// entries at most, reading up to the first empty key, and the slot that falls free
// written empty.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/environment/recent_environments.h"
#include "env_service_test_util.h"

namespace {

using envsvc::EnvServiceTest;
using Paths = std::vector<std::string>;

TEST_F(EnvServiceTest, RecentListKeepsFiveDistinctPathsNewestFirst) {
    shell::RecentEnvironments recent(programIni_);
    EXPECT_EQ(recent.Load(), 0);
    recent.Add("/e/Shop.env");
    recent.Add("/e/shop.env");  // another file on this file system
    recent.Add("/e/Shop.env");
    EXPECT_EQ(recent.Entries(), (Paths{"/e/Shop.env", "/e/shop.env"}));

    for (const char* p : {"/e/1.env", "/e/2.env", "/e/3.env", "/e/4.env"}) recent.Add(p);
    const Paths newest = {"/e/4.env", "/e/3.env", "/e/2.env", "/e/1.env", "/e/Shop.env"};
    EXPECT_EQ(recent.Entries(), newest);
    ASSERT_EQ(recent.Write(), 1);

    shell::RecentEnvironments again(programIni_);
    EXPECT_EQ(again.Load(), 5);
    EXPECT_EQ(again.Entries(), newest);
}

TEST_F(EnvServiceTest, RecentListReadStopsAtTheFirstEmptyKey) {
    for (const auto& [key, value] : {std::pair{"RECENTENV0", "/e/a.env"}, {"RECENTENV1", ""}, {"RECENTENV2", "/e/c.env"}})
        ASSERT_TRUE(CIniManager::WriteProfileStringA(programIni_, "RECENTENV", key, value));
    shell::RecentEnvironments recent(programIni_);
    EXPECT_EQ(recent.Load(), 1);
    EXPECT_EQ(recent.Entries(), (Paths{"/e/a.env"}));
}

TEST_F(EnvServiceTest, RemovingWritesTheFreedSlotEmpty) {
    shell::RecentEnvironments recent(programIni_);
    for (const char* p : {"/e/1.env", "/e/2.env", "/e/3.env", "/e/4.env", "/e/5.env"}) recent.Add(p);
    ASSERT_EQ(recent.Write(), 1);

    const std::string before = ReadFile(programIni_);
    recent.Remove("/e/none.env");
    EXPECT_EQ(ReadFile(programIni_), before);

    recent.Remove("/e/3.env");
    EXPECT_EQ(recent.Entries(), (Paths{"/e/5.env", "/e/4.env", "/e/2.env", "/e/1.env"}));
    EXPECT_EQ(RecentKey(3), "/e/1.env");
    EXPECT_EQ(RecentKey(4), "");
    shell::RecentEnvironments again(programIni_);
    EXPECT_EQ(again.Load(), 4);

    // Without an ini file nothing is written, and the list still works in memory.
    shell::RecentEnvironments none("");
    none.Add("/e/1.env");
    EXPECT_EQ(none.Write(), 0);
    EXPECT_EQ(none.Entries(), (Paths{"/e/1.env"}));
}

}  // namespace
