// The environment is its user's alone: what the program makes (the environment, the
// backups, the program ini) is private whatever the umask, an environment an earlier
// version left readable by others is narrowed when the program opens it, and another user
// then cannot read it with the program's own readers.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/environment/old_environment_backup.h"
#include "app/environment/program_keys.h"
#include "core/addressbook/backup_restore.h"
#include "core/foundation/env_layout.h"
#include "core/foundation/system_option.h"
#include "env_service_test_util.h"
#include "platform/tests/file_modes.h"

namespace {

namespace fs = std::filesystem;
using envsvc::EnvServiceTest;

constexpr uid_t kNobody = 65534;
constexpr int kSmtpPassword = 95;

using filemodes::ModeOf;
using filemodes::Umask;

// Every file and folder below `folder` (links left out) that is not 0600 / 0700, with its
// mode: empty when everything is private.
std::vector<std::string> NotPrivate(const std::string& folder) {
    std::vector<std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(folder)) {
        if (e.is_symlink()) continue;
        const mode_t mode = ModeOf(e.path().string());
        if (mode != (e.is_directory() ? 0700u : 0600u)) {
            char octal[8];
            std::snprintf(octal, sizeof octal, "%o", mode);
            out.push_back(e.path().string() + " " + octal);
        }
    }
    return out;
}

// Another user (nobody) copies what they can read of the environment (its descriptor and
// system options) into a folder of their own and tries the program's own readers on the
// copy. The child process exits with 0 when it read the password given.
bool NobodyReadsPassword(const std::string& descriptor, const std::string& password) {
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(3);
        char folder[] = "/tmp/nobody-copy-XXXXXX";
        if (::mkdtemp(folder) == nullptr) ::_exit(4);
        const std::string copy = std::string(folder) + "/Old.env";
        const std::string optionsFile = descriptor.substr(0, descriptor.size() - 4) + "/systemoption.dat";
        std::error_code ec;
        fs::create_directory(std::string(folder) + "/Old", ec);
        const bool copied = fs::copy_file(descriptor, copy, ec) &&
                            fs::copy_file(optionsFile, std::string(folder) + "/Old/systemoption.dat", ec);
        std::string got;
        EnvManager env;
        if (copied && env.InitEnvFileInfo(copy, shell::kDescriptorKey, 0) == 0) {
            SystemOption options(&env);
            if (options.GetSODataFromFileToMemory() != 0 || options.GetSODataFromMemoryPinPoint(kSmtpPassword, got) != 0)
                got.clear();
        }
        fs::remove_all(folder, ec);
        ::_exit(!copied ? 1 : got == password ? 0 : 2);
    }
    int status = 0;
    EXPECT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_NE(WEXITSTATUS(status), 3) << "could not become nobody";
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Under a wide umask, everything the program makes for the user - the environment, its
// upgrade backup, a backup of the address book at a place the user chose, the program
// ini - is 0600 (folders 0700).
TEST_F(EnvServiceTest, WhatTheProgramMakesIsPrivateWhateverTheUmask) {
    for (const mode_t mask : {mode_t{022}, mode_t{002}}) {
        SCOPED_TRACE(mask);
        const Umask umask(mask);
        const std::string name = "顧客" + std::to_string(mask);
        const std::string descriptor = MakeEnv(name);
        SetOption(descriptor, kSmtpPassword, "secret");
        shell::EnvironmentService& service = Service();
        ASSERT_EQ(service.OpenEnvironment(descriptor), 1);
        OneCustomer c;
        InitOneCustomer(c);
        c.Email = "taro@example.jp";
        ASSERT_EQ(shell::GetDatabaseEdit()->SetOneCustomerInfo(c, 0), 0);
        ASSERT_EQ(shell::GetDatabaseEdit()->WriteFromMemoryToFile(), 0);

        CDBBackup backup;
        backup.SetDatabaseEditPtr(shell::GetDatabaseEdit());
        backup.SetEnvManager(shell::GetEnvManager());
        backup.SetBackupPathName(base_ + "backup" + std::to_string(mask) + ".dat");
        ASSERT_EQ(backup.ActionBackup(), 0);
        int err = 0;
        ASSERT_EQ(shell::MakeOldEnvironmentBackup(base_, name, err), 0) << err;
        service.CloseEnvironment();

        EXPECT_TRUE(fs::exists(programIni_));
        EXPECT_TRUE(fs::exists(base_ + shell::kOldEnvironmentBackupFolder + "/" + name + "/DB/database.dat"));
        EXPECT_EQ(NotPrivate(base_), std::vector<std::string>{});
    }
}

// An environment made readable by others (an earlier version under a 022 umask) is
// narrowed when the program opens it; a link inside it is not followed out, and another
// user can read it before but not after.
TEST_F(EnvServiceTest, AWideEnvironmentIsNarrowedAtOpen) {
    const std::string descriptor = MakeEnv("Old");
    SetOption(descriptor, kSmtpPassword, "secret");
    int err = 0;
    ASSERT_EQ(shell::MakeOldEnvironmentBackup(base_, "Old", err), 0) << err;
    const std::string outside = base_ + "outside.txt";
    WriteFile(outside, "not the environment's");
    fs::create_symlink(outside, Folder("Old") + "DB/link.txt");
    // As an earlier version left it.
    ::chmod(base_.c_str(), 0755);
    for (const auto& e : fs::recursive_directory_iterator(base_)) {
        if (!e.is_symlink()) ::chmod(e.path().c_str(), e.is_directory() ? 0755 : 0644);
    }
    const bool root = ::geteuid() == 0;
    if (root) {
        EXPECT_TRUE(NobodyReadsPassword(descriptor, "secret")) << "the wide environment must be readable first";
    }

    ASSERT_EQ(Service().OpenEnvironment(descriptor), 1);
    EXPECT_EQ(NotPrivate(Folder("Old")), std::vector<std::string>{});
    EXPECT_EQ(NotPrivate(base_ + shell::kOldEnvironmentBackupFolder), std::vector<std::string>{});
    EXPECT_EQ(ModeOf(descriptor), 0600u);
    EXPECT_EQ(ModeOf(base_ + shell::kOldEnvironmentBackupFolder), 0700u);
    EXPECT_EQ(ModeOf(outside), 0644u);  // outside the environment: the link was not followed
    EXPECT_EQ(ModeOf(base_), 0755u);     // the folder the user keeps environments in
    if (root) {
        EXPECT_FALSE(NobodyReadsPassword(descriptor, "secret"));
    }
}

}  // namespace
