// The journal of the upgrade's swap read at the next open: a swap half done is finished, a
// preparation is rolled back, and a journal that names anything outside the environment
// renames nothing.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/environment/upgrade_fault_probe.h"
#include "app/environment/upgrade_swap.h"
#include "platform/safe_write.h"

namespace shell {
namespace {

namespace fs = std::filesystem;

class UpgradeSwapTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = fs::temp_directory_path().string() + "/quendrel-swap-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        root_ = tmpl + "/";
        fs::create_directories(root_ + "Env/DB");
        fs::create_directories(root_ + "Env/MAIL/ATEMP");
        Put(descriptor_ = root_ + "Env.env", "");
        Put(root_ + "Env/systemoption.dat", "old options");
        Put(root_ + "Env/DB/database.dat", "old book");
    }
    void TearDown() override {
        SetUpgradeFaultProbeForTesting({});
        fs::remove_all(root_);
    }
    static void Put(const std::string& path, const std::string& bytes) {
        ASSERT_TRUE(platform::WriteFileAtomically(path, bytes));
    }
    static std::string Get(const std::string& path) {
        std::string bytes;
        platform::ReadWholeFile(path, bytes);
        return bytes;
    }

    std::string root_;
    std::string descriptor_;
};

TEST_F(UpgradeSwapTest, SwapReplacesEveryStagedFileAndLeavesNoJournal) {
    UpgradeSwap swap(descriptor_);
    ASSERT_EQ(swap.Begin(), 0);
    Put(swap.Stage(descriptor_), "new descriptor");
    Put(swap.Stage(root_ + "Env/systemoption.dat"), "new options");
    Put(swap.Stage(root_ + "Env/DB/new.dat"), "a file that was not there");
    ASSERT_EQ(swap.Commit(), UpgradeSwap::kCommitted);
    EXPECT_EQ(Get(descriptor_), "new descriptor");
    EXPECT_EQ(Get(root_ + "Env/systemoption.dat"), "new options");
    EXPECT_EQ(Get(root_ + "Env/DB/new.dat"), "a file that was not there");
    EXPECT_EQ(Get(root_ + "Env/DB/database.dat"), "old book");
    EXPECT_FALSE(fs::exists(UpgradeSwap::JournalPath(descriptor_)));
    EXPECT_EQ(UpgradeSwap::Recover(descriptor_), 0);
}

TEST_F(UpgradeSwapTest, RecoverFinishesAnInterruptedSwap) {
    {
        UpgradeSwap swap(descriptor_);
        ASSERT_EQ(swap.Begin(), 0);
        Put(swap.Stage(root_ + "Env/systemoption.dat"), "new options");
        Put(swap.Stage(root_ + "Env/DB/database.dat"), "new book");
        int renames = 0;
        SetUpgradeFaultProbeForTesting([&](std::string_view at) { return at == "swap:rename" && ++renames == 2; });
        ASSERT_EQ(swap.Commit(), UpgradeSwap::kInterrupted);
    }
    EXPECT_EQ(Get(root_ + "Env/systemoption.dat"), "new options");
    EXPECT_EQ(Get(root_ + "Env/DB/database.dat"), "old book") << "the interrupted swap is not rolled back";
    // The rename fails again at the next open: the journal stays for a later one.
    SetUpgradeFaultProbeForTesting([](std::string_view at) { return at == "swap:rename"; });
    EXPECT_EQ(UpgradeSwap::Recover(descriptor_), -1);
    SetUpgradeFaultProbeForTesting({});
    EXPECT_EQ(UpgradeSwap::Recover(descriptor_), 1);
    EXPECT_EQ(Get(root_ + "Env/DB/database.dat"), "new book");
    EXPECT_FALSE(fs::exists(UpgradeSwap::JournalPath(descriptor_)));
}

TEST_F(UpgradeSwapTest, RecoverRollsBackAPreparation) {
    Put(UpgradeSwap::JournalPath(descriptor_), "quendrel environment upgrade swap\nprepare\nend 0\n");
    Put(descriptor_ + ".cov", "staged descriptor");
    Put(root_ + "Env/DB/database.dat.cov", "staged book");
    Put(root_ + "Env/MAIL/ATEMP/letter.cov", "a person's own attachment");
    EXPECT_EQ(UpgradeSwap::Recover(descriptor_), 1);
    EXPECT_FALSE(fs::exists(descriptor_ + ".cov"));
    EXPECT_FALSE(fs::exists(root_ + "Env/DB/database.dat.cov"));
    EXPECT_EQ(Get(root_ + "Env/MAIL/ATEMP/letter.cov"), "a person's own attachment");
    EXPECT_EQ(Get(root_ + "Env/DB/database.dat"), "old book");
    EXPECT_FALSE(fs::exists(UpgradeSwap::JournalPath(descriptor_)));
}

TEST_F(UpgradeSwapTest, JournalNamingAnythingOutsideTheEnvironmentRenamesNothing) {
    Put(root_ + "outside.cov", "not ours");
    Put(root_ + "Env/DB/database.dat.cov", "staged book");
    for (const char* journal : {"quendrel environment upgrade swap\nswap\nF DB/database.dat\nF ../../outside\nend 2\n",
                                "quendrel environment upgrade swap\nswap\nF /etc/passwd\nend 1\n",
                                "quendrel environment upgrade swap\nswap\nF DB/database.dat\nend 7\n",
                                "quendrel environment upgrade swap\nswap\nF DB/database.dat\n"}) {
        SCOPED_TRACE(journal);
        Put(UpgradeSwap::JournalPath(descriptor_), journal);
        EXPECT_EQ(UpgradeSwap::Recover(descriptor_), -1);
        EXPECT_EQ(Get(root_ + "outside.cov"), "not ours");
        EXPECT_EQ(Get(root_ + "Env/DB/database.dat"), "old book");
    }
}

}  // namespace
}  // namespace shell
