// The folder layout: every store's path, built from the environment's root and name.

#include <gtest/gtest.h>

#include <string>

#include "core/foundation/env_layout.h"
#include "core/foundation/env_manager.h"
#include "env_test_util.h"

namespace {

class EnvLayoutTest : public envtest::TempEnvTest {};

TEST_F(EnvLayoutTest, EveryPathOfTheLayout) {
    EnvManager env;
    // A path written with backslashes and a doubled separator opens the same environment.
    std::string windowsStyle = base_ + "\\\\Env.env";
    ASSERT_EQ(EnvManager::MakeDefaultEnvFile(descriptor_, envtest::kDescriptorKey), 0);
    ASSERT_EQ(env.InitEnvFileInfo(windowsStyle, envtest::kDescriptorKey, 0), 0);
    ASSERT_EQ(env.GetEnvRoot(), base_);
    const std::string f = folder_;
    using namespace env_layout;
    const std::pair<std::string, std::string> table[] = {
        {EnvFolder(env), f},
        {DescriptorFile(env), base_ + "Env.env"},
        {SystemOptionFile(env), f + "systemoption.dat"},
        {EnvIniFile(env), f + "QuendrelT.ini"},
        {ImportWorkFile(env), f + "qlaimport.tmp"},
        {DbFolder(env), f + "DB/"},
        {DatabaseFile(env), f + "DB/database.dat"},
        {TestMailingInfoFile(env), f + "DB/testmailinginfo.dat"},
        {CustomerSeqFile(env), f + "DB/dbseq.dat"},
        {AutoRegisterFile(env), f + "DB/autoreg.dat"},
        {AutoRefuseFile(env), f + "DB/autoref.dat"},
        {MailFolder(env), f + "MAIL/"},
        {MailListFile(env), f + "MAIL/maillist.dat"},
        {MailSeqFile(env), f + "MAIL/mailseq.dat"},
        {OneMailFolder(env, 12), f + "MAIL/12/"},
        {MailRecordFile(env, 12), f + "MAIL/12/mail12.dat"},
        {MailConditionFile(env, 12), f + "MAIL/12/merd12.dat"},
        {MailRecipientFile(env, 12), f + "MAIL/12/meli12.dat"},
        {MailHistoryFile(env, 12), f + "MAIL/12/hist12.dat"},
        {MailHistoryProgressFile(env, 12), f + "MAIL/12/hist12.jnl"},
        {AttachListFile(env, 12), f + "MAIL/12/attc12.dat"},
        {AttachFolder(env, 12), f + "MAIL/12/ATTACH/"},
        {AttachListFile(env, 12, 0), f + "MAIL/12/ATTACH/at_pc12.dat"},
        {AttachListFile(env, 12, 3), f + "MAIL/12/ATTACH/at_sb12.dat"},
        {AttachFolder(env, 12, 2), f + "MAIL/12/ATTACH/at/"},
        {AttachWorkFolder(env), f + "MAIL/ATEMP/"},
        {AttachWorkFolder(env, 4), f + "MAIL/ATEMP/wl/"},
        {AttachWorkFolder(env, 9), f + "MAIL/ATEMP/pc/"},
        {ExtractFolder(env), f + "EXTRACT/"},
        {ExtractListFile(env), f + "EXTRACT/extrlist.dat"},
        {ExtractSeqFile(env), f + "EXTRACT/extrseq.dat"},
        {ExtractConditionFile(env, 7), f + "EXTRACT/exrd7.dat"},
        {ExtractResultFile(env, 7), f + "EXTRACT/exsl7.dat"},
    };
    for (const auto& [got, want] : table) EXPECT_EQ(got, want);
    EXPECT_STREQ(TerminalFolderCode(1), "nd");
    EXPECT_STREQ(TerminalFolderCode(-1), "pc");
}

}  // namespace
