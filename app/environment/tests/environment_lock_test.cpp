// One writer per environment: an environment that another holder has open (another
// program, or another copy of this one) is refused with its path and read or written in
// nothing; the program's own re-open of the environment it has open shares its lock;
// the creation of an environment holds the lock while it writes.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/environment/environment_lock.h"
#include "app/ui/sjis_text.h"
#include "env_service_test_util.h"
#include "platform/file_lock.h"
#include "platform/private_files.h"

namespace {

using envsvc::EnvServiceTest;
using Lock = platform::FileLock::Result;
using ui::U8;

TEST_F(EnvServiceTest, AnEnvironmentInUseIsRefusedWithItsPathAndLeftAsItIs) {
    const std::string descriptor = MakeEnv("顧客");
    WriteBook(descriptor, Folder("顧客") + "DB/database.dat", {1, 2});
    shell::EnvironmentService& service = Service();
    ASSERT_EQ(service.OpenEnvironment(descriptor), 1);
    service.CloseEnvironment();
    const envsvc::Snapshot before = Snap(Folder("顧客"));

    platform::FileLock other;
    ASSERT_EQ(other.Lock(Folder("顧客") + "Quendrel.lock"), Lock::kLocked);
    prompts_.clear();
    ui_.waits.clear();
    ui_.placed.clear();
    EXPECT_EQ(service.OpenEnvironment(descriptor), 0);
    EXPECT_FALSE(service.IsOpen());
    ASSERT_EQ(prompts_.prompts().size(), 1u);
    EXPECT_EQ(prompts_.prompts()[0].text, ui::FromPath(descriptor) + U8("\r\nこの環境は他のプログラムで使用中のため、開けません"));
    EXPECT_EQ(prompts_.prompts()[0].caption, U8("環境使用中"));
    EXPECT_EQ(prompts_.prompts()[0].style, platform::kMbOk | platform::kMbIconWarning);
    EXPECT_TRUE(ui_.placed.empty());
    EXPECT_EQ(Snap(Folder("顧客")), before);
    // It is not broken: it stays where the next start finds it.
    EXPECT_EQ(RecentKey(0), descriptor);

    other.Release();
    EXPECT_EQ(service.OpenEnvironment(descriptor), 1);
}

TEST_F(EnvServiceTest, TheOpenEnvironmentKeepsItsLockAcrossAReopenUntilItCloses) {
    const std::string descriptor = MakeEnv("Open");
    const std::string lock = shell::EnvironmentLockPath(descriptor);
    shell::EnvironmentService& service = Service();
    ASSERT_EQ(service.OpenEnvironment(descriptor), 1);
    platform::FileLock probe;
    EXPECT_EQ(probe.Lock(lock), Lock::kBusy);
    // A switch to itself, also by another spelling of its path.
    EXPECT_EQ(service.OpenEnvironment(base_ + "./Open.env"), 1);
    EXPECT_TRUE(prompts_.prompts().empty()) << prompts_.texts().join("|").toStdString();
    EXPECT_EQ(probe.Lock(lock), Lock::kBusy);
    // A switch to another environment gives this one up.
    ASSERT_EQ(service.OpenEnvironment(MakeEnv("Next")), 1);
    EXPECT_EQ(probe.Lock(lock), Lock::kLocked);
    probe.Release();
    EXPECT_EQ(probe.Lock(shell::EnvironmentLockPath(Descriptor("Next"))), Lock::kBusy);
    service.CloseEnvironment();
    EXPECT_EQ(probe.Lock(shell::EnvironmentLockPath(Descriptor("Next"))), Lock::kLocked);
}

TEST_F(EnvServiceTest, CreationWaitsForNobodyAndWritesNothingIntoAnEnvironmentInUse) {
    std::filesystem::create_directory(Folder("Busy"));
    platform::FileLock other;
    ASSERT_EQ(other.Lock(Folder("Busy") + "Quendrel.lock"), Lock::kLocked);
    EXPECT_EQ(shell::CreateNewEnvironment("Busy", base_, "N", "", false), -2);
    EXPECT_FALSE(std::filesystem::exists(Descriptor("Busy")));
    EXPECT_EQ(Snap(Folder("Busy")), (envsvc::Snapshot{{"Quendrel.lock", ""}}));
    other.Release();
    EXPECT_EQ(shell::CreateNewEnvironment("Busy", base_, "N", "", false), 0);
    // Made, it is free for the program.
    EXPECT_EQ(Service().OpenEnvironment(Descriptor("Busy")), 1);
}

// A link planted in place of the lock (the folder was once open to others) is refused,
// named with the reason in the open's one box, and nothing of the environment is opened.
TEST_F(EnvServiceTest, ALinkInPlaceOfTheLockIsRefused) {
    const std::string descriptor = MakeEnv("Planted");
    const std::string target = base_ + "mine.txt";
    WriteFile(target, "mine");
    std::filesystem::remove(Folder("Planted") + "Quendrel.lock");
    std::filesystem::create_symlink(target, Folder("Planted") + "Quendrel.lock");
    std::vector<std::string> reported;
    const platform::RefusalReporter previous =
        platform::SetRefusalReporter([&](const platform::RefusedFile& r) { reported.push_back(r.path); });
    EXPECT_EQ(Service().OpenEnvironment(descriptor), 0);
    platform::SetRefusalReporter(previous);
    EXPECT_TRUE(reported.empty());
    ASSERT_EQ(prompts_.prompts().size(), 1u) << prompts_.texts().join("|").toStdString();
    EXPECT_EQ(prompts_.prompts()[0].text, ui::FromPath(descriptor) + U8("\r\n環境のロックファイルを使用できません\r\n") +
                                              ui::FromPath(Folder("Planted") + "Quendrel.lock") +
                                              U8("\r\nシンボリックリンクのため使用できません"));
    EXPECT_EQ(prompts_.prompts()[0].caption, U8("環境読み込み異常"));
    EXPECT_FALSE(service_->IsOpen());
    EXPECT_EQ(ReadFile(target), "mine");
}

}  // namespace
