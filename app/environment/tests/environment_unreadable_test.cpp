// A file of an environment that is there but cannot be read is no missing file: the open
// stops, naming it and the system's reason, writes nothing, and keeps the environment in
// the recent list. The environment is the user's (here the user "nobody", the test being
// root), and the file belongs to another, as when another member of a shared group
// rewrote it.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "app/environment/environment_lock.h"
#include "app/environment/old_environment_backup.h"
#include "app/ui/sjis_text.h"
#include "core/foundation/system_reason.h"
#include "env_service_test_util.h"
#include "platform/tests/other_user.h"

namespace {

using envsvc::EnvServiceTest;
using otheruser::AsOtherUser;
using ui::U8;

// Everything of the environment `name` becomes nobody's.
void GiveToNobody(const std::string& folder, const std::string& descriptor) {
    ASSERT_EQ(::lchown(descriptor.c_str(), AsOtherUser::kNobody, AsOtherUser::kNobody), 0);
    ASSERT_EQ(::lchown(folder.c_str(), AsOtherUser::kNobody, AsOtherUser::kNobody), 0);
    for (const auto& e : std::filesystem::recursive_directory_iterator(folder))
        ASSERT_EQ(::lchown(e.path().c_str(), AsOtherUser::kNobody, AsOtherUser::kNobody), 0) << e.path();
}

TEST_F(EnvServiceTest, AFileThatCannotBeReadStopsTheOpenWithItsPathAndReason) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
    ASSERT_EQ(::chown(base_.c_str(), AsOtherUser::kNobody, AsOtherUser::kNobody), 0);
    shell::EnvironmentService& service = Service();
    // "" names the descriptor; a trailing '/' a folder.
    const char* const files[] = {"systemoption.dat", "QuendrelT.ini", "DB/database.dat", "DB/database.jnl",
                                 "DB/dbseq.dat",     "MAIL/maillist.dat", "DB/", ""};
    int n = 0;
    for (const char* file : files) {
        SCOPED_TRACE(*file != '\0' ? file : "the descriptor");
        const std::string name = "Env" + std::to_string(++n);
        const std::string descriptor = MakeEnv(name);
        const std::string path = *file != '\0' ? Folder(name) + file : descriptor;
        // Files a new environment does not have yet, as an older one does.
        if (!std::filesystem::exists(path)) WriteFile(path, "what the user wrote");
        GiveToNobody(Folder(name), descriptor);
        ASSERT_EQ(::chown(path.c_str(), 0, 0), 0);
        ASSERT_EQ(::chmod(path.c_str(), path.back() == '/' ? 0700 : 0600), 0);
        std::filesystem::remove(shell::EnvironmentLockPath(descriptor));
        const envsvc::Snapshot before = Snap(Folder(name));
        service.Recent().Add(descriptor);
        prompts_.clear();
        {
            AsOtherUser nobody;
            ASSERT_TRUE(nobody.Switched());
            EXPECT_EQ(service.OpenEnvironment(descriptor), 0);
        }
        EXPECT_FALSE(service.IsOpen());
        ASSERT_EQ(prompts_.prompts().size(), 1u) << prompts_.texts().join("|").toStdString();
        EXPECT_EQ(prompts_.prompts()[0].text, ui::FromPath(path) +
                                                  U8("\r\n\r\nこのファイルを読み込めないため、環境を開けません\r\n理由: ") +
                                                  ui::FromSjis(SystemReasonText(EACCES)));
        EXPECT_EQ(prompts_.prompts()[0].caption, U8("環境読み込み異常"));
        // Nothing written but the lock (which only says who has the environment).
        envsvc::Snapshot after = Snap(Folder(name));
        after.erase(shell::kEnvironmentLockFile);
        EXPECT_TRUE(after == before);
        EXPECT_FALSE(std::filesystem::exists(base_ + shell::kOldEnvironmentBackupFolder));
        const auto& recent = service.Recent().Entries();
        EXPECT_NE(std::find(recent.begin(), recent.end(), descriptor), recent.end());
        service.Recent().Remove(descriptor);
    }
}

}  // namespace
