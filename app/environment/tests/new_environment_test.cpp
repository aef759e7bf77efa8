// New environments: the name and folder checks in their order, the files made, the 123
// default options read back with the environment's own key, the start-up password flags,
// and the refusals that protect the open environment and an existing descriptor.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/environment/new_environment.h"
#include "core/foundation/cp932.h"
#include "core/foundation/env_layout.h"
#include "core/foundation/system_option.h"
#include "env_service_test_util.h"
#include "platform/module_path.h"
#include "platform/tests/other_user.h"

namespace {

using envsvc::EnvServiceTest;

// Sets (or, for null, unsets) an environment variable for the scope.
class EnvVar {
public:
    EnvVar(const char* name, const char* value) : name_(name), had_(std::getenv(name) != nullptr) {
        if (had_) old_ = std::getenv(name);
        if (value != nullptr) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~EnvVar() { had_ ? ::setenv(name_.c_str(), old_.c_str(), 1) : ::unsetenv(name_.c_str()); }

private:
    std::string name_, old_;
    bool had_;
};

TEST_F(EnvServiceTest, NameAndFolderChecks) {
    std::filesystem::create_directories(base_ + "FolderOnly");
    WriteFile(base_ + "Taken.env", "");
    struct Case {
        std::string name;
        std::string parent;
        int expected;
    } cases[] = {
        {"", base_, -4},
        {"a.b", base_, -4},
        {"trailing ", base_, -4},
        {"a\\b", base_, -4},
        {"a/b", base_, -4},
        {"a:b", base_, -4},
        {"a*b", base_, -4},
        {"a<b", base_, -4},
        {"a>b", base_, -4},
        {"a|b", base_, -4},
        {std::string("a\0b", 3), base_, -4},
        {"a.b", "relative", -4},  // the name is checked first
        {"ok", "relative/folder", -3},
        {"ok", base_ + "x:y", -3},
        {"ok", "/a//b", -3},
        {"Taken", base_, -5},
        {"FolderOnly", base_, -5},  // a folder without descriptor is taken too
        {"ok", base_ + "missing", -1},
        {"ok", base_, 0},
        {"ok", base_ + "FolderOnly/", 0},
        {"顧客 名簿", base_, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(shell::CheckNewEnvironmentName(c.name, c.parent), c.expected) << c.name << " in " << c.parent;
}

TEST_F(EnvServiceTest, CreationMakesTheDescriptorAndEveryStoreFile) {
    const std::string descriptor = MakeEnv("顧客");
    const std::string folder = Folder("顧客");
    EnvManager env;
    ASSERT_EQ(env.InitEnvFileInfo(descriptor, shell::kDescriptorKey, 0), 0);
    EXPECT_EQ(env.GetEnvType(), 5);
    std::string flag = "x";
    ASSERT_EQ(env.GetUseEnvPasswordFlag(flag), 0);
    EXPECT_EQ(flag, "");  // never decided: the first open offers to set one

    const std::map<std::string, std::string> files = {
        {"DB/database.dat", ""},     {"DB/dbseq.dat", "0"},       {"MAIL/maillist.dat", ""},
        {"MAIL/mailseq.dat", "0"},   {"EXTRACT/extrlist.dat", ""}, {"EXTRACT/extrseq.dat", "0"},
        {"Quendrel.lock", ""},  // the creation holds the environment's lock as an open does
    };
    envsvc::Snapshot made = Snap(folder);
    ASSERT_EQ(made.size(), files.size() + 1) << "and systemoption.dat";
    for (const auto& [name, bytes] : files) EXPECT_EQ(made[name], bytes) << name;
    EXPECT_TRUE(made.count("systemoption.dat"));
}

// The defaults of a new environment, written out one per index.
std::vector<std::string> ExpectedDefaults(bool importMode) {
    std::vector<std::string> v = {
        "", "", "110", "0", "", "", "Y", "N", "", "25",  // 0-9
        "", "N", "N", "N",                               // 10-13
    };
    for (char letter = 'A'; letter <= 'T'; ++letter) v.push_back(Utf8ToSjis("拡張属性") + letter);  // 14-33
    for (int i = 34; i <= 53; ++i) v.push_back("0");
    const std::vector<std::string> rest = {
        "N", "", "Y", "", "110", "0",                          // 54-59
        "", "", "Y", "N", "Y", "3", "60", "N", "Y", "N",       // 60-69
        "", "", "", "Y", "Y", "N", "0", "0", "0", "0",         // 70-79
        "", "N", "", "", "", "N", "0", "0", "N", "Y5",         // 80-89
        "N", "N", "N", "N", "", "", "N", "10", "", "",         // 90-99
        "Y", "N", "", "10", "", "", "N", "N", "", "1",         // 100-109
        "0", importMode ? "Y" : "N", "Y", "", "", "", "", "", "", "",  // 110-119
        "N", "", "",                                            // 120-122
    };
    v.insert(v.end(), rest.begin(), rest.end());
    return v;
}

TEST_F(EnvServiceTest, DefaultOptionsReadBackWithTheEnvironmentsKey) {
    for (bool importMode : {false, true}) {
        const std::string name = importMode ? "Import" : "Plain";
        const std::string descriptor = MakeEnv(name, importMode);
        auto env = OpenOwn(descriptor);
        SystemOption options(env.get());
        ASSERT_EQ(options.GetSODataFromFileToMemory(), 0) << name;
        std::vector<std::string> all;
        ASSERT_EQ(options.GetSODataFromMemoryToAllData(all), 0);
        const std::vector<std::string> expected = ExpectedDefaults(importMode);
        ASSERT_EQ(expected.size(), 123u);
        ASSERT_EQ(all.size(), 123u);
        for (std::size_t i = 0; i < all.size(); ++i) EXPECT_EQ(all[i], expected[i]) << name << " option " << i;
    }
}

TEST_F(EnvServiceTest, StartupPasswordFlags) {
    struct Case {
        const char* name;
        const char* flag;
        const char* password;
        std::string storedFlag;
        const char* rightPassword;  // null: no password matches
    } cases[] = {
        {"NoFlag", nullptr, "secret", "", nullptr},
        {"NoPassword", "Y", nullptr, "", nullptr},
        {"WithPassword", "Y", "secret", "Y", "secret"},
        {"Declined", "N", "ignored", "N", ""},
        {"OtherFlag", "X", "secret", "", nullptr},
    };
    for (const Case& c : cases) {
        auto env = OpenOwn(MakeEnv(c.name, false, c.flag, c.password));
        std::string flag = "?";
        ASSERT_EQ(env->GetUseEnvPasswordFlag(flag), 0) << c.name;
        EXPECT_EQ(flag, c.storedFlag) << c.name;
        if (c.rightPassword != nullptr) {
            EXPECT_EQ(env->IsEnvPasswordOK(c.rightPassword), 0) << c.name;
            EXPECT_EQ(env->IsEnvPasswordOK("wrong"), 1) << c.name;
        }
    }
}

TEST_F(EnvServiceTest, CreationRefusesTheOpenEnvironmentAndAnExistingDescriptor) {
    const std::string descriptor = MakeEnv("Open");
    WriteBook(descriptor, Folder("Open") + "DB/database.dat", {1, 2});
    shell::EnvironmentService& service = Service();
    ASSERT_EQ(service.OpenEnvironment(descriptor), 1);
    const envsvc::Snapshot before = Snap(Folder("Open"));
    const std::string descriptorBytes = ReadFile(descriptor);

    EXPECT_EQ(shell::CreateNewEnvironment("Open", base_, nullptr, nullptr, false), -1);
    EXPECT_EQ(shell::CreateNewEnvironment("Open", base_ + "./", nullptr, nullptr, false), -1);
    EXPECT_EQ(Snap(Folder("Open")), before);
    EXPECT_EQ(ReadFile(descriptor), descriptorBytes);

    // Another environment's descriptor holds the only copy of its data key.
    service.CloseEnvironment();
    shell::CreateFailure failure;
    EXPECT_EQ(shell::CreateNewEnvironment("Open", base_, nullptr, nullptr, false, &failure), -1);
    EXPECT_EQ(failure.path, descriptor);
    EXPECT_EQ(failure.error, EEXIST);
    EXPECT_EQ(ReadFile(descriptor), descriptorBytes);
    EXPECT_EQ(Snap(Folder("Open")), before);
}

// The default place: beside the program for a user who may write its folder (as root may
// here), else the program's folder in the user's data folder, by the XDG rules.
TEST_F(EnvServiceTest, TheDefaultPlaceIsTheUsersDataFolderWhenTheProgramsFolderIsNotTheirs) {
    EXPECT_EQ(shell::DefaultEnvironmentParent(), platform::ProgramFolder() + "DATA");
    struct Case {
        const char* xdg;  // null: unset
        const char* expected;
    } cases[] = {
        {"/srv/データ", "/srv/データ/quendrel"},
        {"relative/data", "/home/taro/.local/share/quendrel"},  // not absolute: ignored
        {nullptr, "/home/taro/.local/share/quendrel"},
    };
    EnvVar home("HOME", "/home/taro");
    for (const Case& c : cases) {
        EnvVar xdg("XDG_DATA_HOME", c.xdg);
        otheruser::AsOtherUser nobody;
        if (!nobody.Switched()) GTEST_SKIP() << "needs root to act as another user";
        ASSERT_NE(::faccessat(AT_FDCWD, platform::ProgramFolder().c_str(), W_OK, AT_EACCESS), 0);
        EXPECT_EQ(shell::DefaultEnvironmentParent(), c.expected) << (c.xdg ? c.xdg : "(unset)");
    }
}

// A creation that fails names what it could not make and the system's reason.
TEST_F(EnvServiceTest, AFailedCreationSaysWhatCouldNotBeMadeAndWhy) {
    WriteFile(base_ + "Blocked", "");  // a file where the folder would go
    shell::CreateFailure failure;
    EXPECT_EQ(shell::CreateNewEnvironment("Blocked", base_, "N", "", false, &failure), -1);
    EXPECT_EQ(failure.path, base_ + "Blocked");
    EXPECT_EQ(failure.error, ENOTDIR);

    // Another user's folder, which this one may read but not write.
    ASSERT_EQ(::chmod(base_.c_str(), 0755), 0);
    otheruser::AsOtherUser nobody;
    if (!nobody.Switched()) GTEST_SKIP() << "needs root to act as another user";
    failure = shell::CreateFailure();
    EXPECT_EQ(shell::CheckNewEnvironmentName("顧客", base_), 0);
    EXPECT_EQ(shell::CreateNewEnvironment("顧客", base_, "N", "", false, &failure), -1);
    EXPECT_EQ(failure.path, base_ + "顧客");
    EXPECT_EQ(failure.error, EACCES);
    EXPECT_FALSE(std::filesystem::exists(base_ + "顧客.env"));
}

TEST_F(EnvServiceTest, DefaultOptionsWriteFailures) {
    std::string message;
    EXPECT_EQ(shell::WriteDefaultSystemOptions(base_ + "missing/systemoption.dat", "", false, message), -1);
    EXPECT_EQ(message, "ファイルのオープンに失敗しました");

    const std::string path = base_ + "systemoption.dat";
    WriteFile(path, "old");
    message.clear();
    platform::AtomicFile::FailNextCommitForTesting();
    EXPECT_EQ(shell::WriteDefaultSystemOptions(path, "", false, message), -2);
    EXPECT_EQ(message, "ファイルの書き出しに失敗しました");
    EXPECT_EQ(ReadFile(path), "old");
}

}  // namespace
