#include <gtest/gtest.h>

#include "platform/module_path.h"
#include "platform/notifier.h"
#include "platform/version_info.h"

TEST(ModulePath, ProgramAndAddressAgree) {
    const std::string exe = platform::ProgramPath();
    ASSERT_FALSE(exe.empty());
    EXPECT_EQ(exe.front(), '/');
    static int marker;
    // A static in this program resolves to the program itself.
    EXPECT_EQ(platform::ModulePathOf(&marker), exe);
    EXPECT_EQ(platform::ProgramFolder().back(), '/');
}

TEST(VersionInfo, KnownModulesAndNames) {
    std::string v;
    EXPECT_TRUE(platform::LookupVersionString("/opt/q/libombrel.so.1", "FileVersion", v));
    EXPECT_EQ(v, platform::BuildFileVersion());
    EXPECT_TRUE(platform::LookupVersionString("Quendrel", "InternalName", v));
    EXPECT_EQ(v, "Quendrel");
    EXPECT_FALSE(platform::LookupVersionString("Quendrel", "NoSuchName", v));
    EXPECT_FALSE(platform::LookupVersionString("libombrelx.so", "FileVersion", v));
}

TEST(Notifier, RecorderReceivesAndAnswers) {
    std::string seen;
    auto old = platform::SetNotifier([&](const std::string& t, const std::string&, unsigned) {
        seen = t;
        return platform::kIdNo;
    });
    EXPECT_EQ(platform::Notify("text", "cap", platform::kMbYesNo), platform::kIdNo);
    EXPECT_EQ(seen, "text");
    platform::SetNotifier(old);
}
