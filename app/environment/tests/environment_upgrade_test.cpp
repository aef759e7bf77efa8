// The upgrade of environments written by older versions, through the open as the program
// runs it: every generation in one open, a failure at every step followed by a reopen, a
// process killed during the swap, and the backup that is made once.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/environment/tests/upgrade_test_util.h"
#include "app/environment/environment_lock.h"
#include "app/ui/sjis_text.h"
#include "core/foundation/err_msg.h"

namespace envsvc {
namespace {

using oldenv::Generation;
using ui::U8;

// Every file of the snapshot but the environment's ini file, which the upgrade may set
// the mail font in before anything is converted.
Snapshot DataFiles(Snapshot s) {
    s.erase("QuendrelT.ini");
    s.erase(shell::kEnvironmentLockFile);
    return s;
}

std::string Option89(const std::string& folder) {
    Records r;
    if (!ReadRecords(folder + "systemoption.dat", nullptr, r) || r.empty() || r[0].size() < 90) return "?";
    return r[0][89];
}

QString ConvertFailure(const std::string& descriptor) {
    return ui::FromPath(descriptor) +
           U8("\r\n\r\nこの環境を、Varnis形式の環境に変換できませんでした。\r\n"
              "新規環境を作成するか、Brindell用に作成した環境を選択してください\r\n[エラーコード:0005-07]");
}

TEST_F(UpgradeTest, EveryOlderGenerationBecomesCurrentInOneOpen) {
    for (Generation g : {Generation::k89, Generation::kY2, Generation::kY3}) {
        const std::string name = "Gen" + std::to_string(static_cast<int>(g));
        SCOPED_TRACE(name);
        const std::string descriptor = MakeOld(g, name);
        const Snapshot before = Snap(Folder(name));
        prompts_.clear();
        ui_.offers = 0;

        shell::EnvironmentService& service = UpgradingService();
        ASSERT_EQ(service.OpenEnvironment(descriptor), 1) << prompts_.texts().join("|").toStdString();
        ASSERT_EQ(prompts_.prompts().size(), 1u);
        EXPECT_EQ(prompts_.prompts()[0].text, shell::ProgramEnvironmentUpgrade::UpgradeNotice());
        EXPECT_EQ(prompts_.prompts()[0].caption, U8("Varnis移行後のご注意"));
        EXPECT_EQ(prompts_.prompts()[0].style, platform::kMbOk | platform::kMbIconInformation);
        EXPECT_EQ(ui_.offers, 1) << "the re-coded environment is offered a start-up password";
        EXPECT_TRUE(service.WizardRequested());
        ExpectUpgraded(descriptor, g != Generation::kY3);

        // The open environment's stores code with the new key from now on.
        EXPECT_EQ(service.GetEnvManager()->GetEnvType(), 5);
        ASSERT_EQ(service.GetMailListViewer()->WriteMailListCompel(), 0);
        Records r;
        EXPECT_TRUE(ReadRecords(Folder(name) + "MAIL/maillist.dat", DataKey(descriptor).c_str(), r));

        std::string face;
        CIniManager::GetProfileStringA(Folder(name) + "QuendrelT.ini", "MAILFONTINFO", "FACENAME", face, "");
        EXPECT_EQ(face, Utf8ToSjis("ＭＳ Ｐゴシック"));

        // The backup holds the environment as the older version left it.
        const std::string backups = base_ + shell::kOldEnvironmentBackupFolder + "/";
        EXPECT_EQ(Snap(backups + name), before);
        EXPECT_EQ(ReadFile(backups + name + ".env"), "");

        // A second open has nothing to do.
        service.CloseEnvironment();
        prompts_.clear();
        ASSERT_EQ(UpgradingService().OpenEnvironment(descriptor), 1);
        EXPECT_TRUE(prompts_.prompts().empty()) << prompts_.texts().join("|").toStdString();
        EXPECT_EQ(Snap(backups + name), before);
    }
}

// A failure in a step before the re-coding records nothing of that step: the next open
// runs it again, and its conversions happen exactly once.
TEST_F(UpgradeTest, FailedStepKeepsItsLayoutAndTheNextOpenFinishes) {
    const struct {
        const char* point;
        const char* layoutAfter;
    } cases[] = {
        {"layout:89", "89"},        {"y1:mail-list", "Y1"},     {"layout:Y1", "Y1"},
        {"y2:book", "Y2"},          {"y2:generation", "Y2"},    {"y2:extract-list", "Y2"},
        {"y2:mail-list", "Y2"},     {"y2:conditions", "Y2"},    {"layout:Y2", "Y2"},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.point);
        const std::string name = "Step" + std::to_string(n++);
        const std::string descriptor = MakeOld(Generation::k89, name);
        FailOnceAt(c.point);
        prompts_.clear();
        EXPECT_EQ(UpgradingService().OpenEnvironment(descriptor), 0);
        ASSERT_EQ(prompts_.prompts().size(), 1u);
        EXPECT_EQ(prompts_.prompts()[0].text, U8("環境のバージョンアップに失敗しました[エラーコード:0005-01]"));
        EXPECT_EQ(prompts_.prompts()[0].caption, U8("環境 バージョンアップ異常"));
        EXPECT_EQ(Option89(Folder(name)), c.layoutAfter);

        ASSERT_EQ(UpgradingService().OpenEnvironment(descriptor), 1);
        ExpectUpgraded(descriptor);
    }
}

// A failure at any stage of the re-coding, or before its swap, leaves every file of the
// environment, its descriptor included, exactly as it was; a retry succeeds.
TEST_F(UpgradeTest, FailedRecodingLeavesEveryFileAsItWas) {
    const char* const points[] = {"recode:descriptor", "recode:1", "recode:2", "recode:3", "recode:4", "recode:5",
                                  "recode:6",          "recode:7", "recode:8", "recode:9", "swap:journal"};
    int n = 0;
    for (const char* point : points) {
        SCOPED_TRACE(point);
        const std::string name = "Stage" + std::to_string(n++);
        const std::string descriptor = MakeOld(Generation::kY3, name);
        const Snapshot before = DataFiles(Snap(Folder(name)));
        FailOnceAt(point);
        prompts_.clear();
        EXPECT_EQ(UpgradingService().OpenEnvironment(descriptor), 0);
        ASSERT_EQ(prompts_.prompts().size(), 1u);
        EXPECT_EQ(prompts_.prompts()[0].text, ConvertFailure(descriptor));
        EXPECT_EQ(DataFiles(Snap(Folder(name))), before);
        EXPECT_EQ(ReadFile(descriptor), "") << "the descriptor is never emptied or replaced half way";
        EXPECT_TRUE(Leftovers().empty()) << Leftovers()[0];

        ASSERT_EQ(UpgradingService().OpenEnvironment(descriptor), 1);
        ExpectUpgraded(descriptor, false);
    }
}

// A swap interrupted by a failed rename (or after its renames) is finished by the next
// open, before anything of the environment is read.
TEST_F(UpgradeTest, InterruptedSwapIsFinishedByTheNextOpen) {
    const struct {
        const char* point;
        int nth;
    } cases[] = {{"swap:rename", 1}, {"swap:rename", 9}, {"swap:finish", 1}, {"finish:reopen", 1}};
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.point) + " #" + std::to_string(c.nth));
        const std::string name = "Swap" + std::to_string(n++);
        const std::string descriptor = MakeOld(Generation::kY3, name);
        auto count = std::make_shared<int>(0);
        shell::SetUpgradeFaultProbeForTesting(
            [c, count](std::string_view at) { return at == c.point && ++*count == c.nth; });
        prompts_.clear();
        EXPECT_EQ(UpgradingService().OpenEnvironment(descriptor), 0);
        ASSERT_EQ(prompts_.prompts().size(), 1u);
        EXPECT_EQ(prompts_.prompts()[0].text, ConvertFailure(descriptor));

        shell::SetUpgradeFaultProbeForTesting({});
        prompts_.clear();
        ASSERT_EQ(UpgradingService().OpenEnvironment(descriptor), 1) << prompts_.texts().join("|").toStdString();
        EXPECT_TRUE(prompts_.prompts().empty()) << prompts_.texts().join("|").toStdString();
        EXPECT_TRUE(service_->WizardRequested());
        ExpectUpgraded(descriptor, false);
    }
}

// The process dies (SIGKILL) at points of the re-coding and its swap; the next open, in
// another process, ends with a consistent environment every time.
TEST_F(UpgradeTest, ProcessKilledDuringTheSwapEndsConsistent) {
    const struct {
        const char* point;
        int nth;
    } kills[] = {{"recode:4", 1},   {"swap:journal", 1}, {"swap:rename", 1}, {"swap:rename", 6},
                 {"swap:rename", 14}, {"swap:finish", 1},  {"finish:reopen", 1}};
    int n = 0;
    for (const auto& k : kills) {
        SCOPED_TRACE(std::string(k.point) + " #" + std::to_string(k.nth));
        const std::string name = "Kill" + std::to_string(n++);
        const std::string descriptor = MakeOld(Generation::kY3, name);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            int count = 0;
            shell::SetUpgradeFaultProbeForTesting([k, count](std::string_view at) mutable {
                if (at == k.point && ++count == k.nth) ::raise(SIGKILL);
                return false;
            });
            UpgradingService().OpenEnvironment(descriptor);
            ::_exit(3);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "the kill point was never reached";

        prompts_.clear();
        ASSERT_EQ(UpgradingService().OpenEnvironment(descriptor), 1) << prompts_.texts().join("|").toStdString();
        ExpectUpgraded(descriptor, false);
    }
}

// The acceptance case of a damaged file: one send history that does not read.
TEST_F(UpgradeTest, UnreadableHistoryFailsTheRecodingUntilItIsRepaired) {
    const std::string descriptor = MakeOld(Generation::kY3);
    const std::string history = Folder("Old") + "MAIL/2/hist2.dat";
    const std::string good = ReadFile(history);
    WriteFile(history, good + "\"a record cut off");
    const Snapshot before = DataFiles(Snap(Folder("Old")));

    EXPECT_EQ(UpgradingService().OpenEnvironment(descriptor), 0);
    ASSERT_EQ(prompts_.prompts().size(), 1u);
    EXPECT_EQ(prompts_.prompts()[0].text, ConvertFailure(descriptor));
    EXPECT_EQ(prompts_.prompts()[0].caption, U8("選択した環境は使用できません"));
    EXPECT_EQ(DataFiles(Snap(Folder("Old"))), before);
    EXPECT_TRUE(Leftovers().empty()) << Leftovers()[0];
    EnvManager env;
    EXPECT_EQ(env.InitEnvFileInfo(descriptor, shell::kDescriptorKey, 0), 0) << "the descriptor still opens";

    WriteFile(history, good);
    ASSERT_EQ(UpgradingService().OpenEnvironment(descriptor), 1);
    ExpectUpgraded(descriptor, false);
}

// The start-up password offered during the re-coding is the new environment's.
TEST_F(UpgradeTest, PasswordGivenDuringTheRecodingGuardsTheNewEnvironment) {
    struct SettingUi : ScriptedUi {
        void OfferStartupPassword(EnvManager& env) override {
            ASSERT_EQ(env.SetEnvPassword("Secret7"), 0);
            ASSERT_EQ(env.SetUseEnvPasswordFlag("Y"), 0);
        }
    } settingUi;
    shell::ProgramEnvironmentUpgrade upgrade(&settingUi);
    const std::string descriptor = MakeOld(Generation::kY3);
    shell::EnvironmentService& service = Service();
    service.SetEnvironmentUpgrade(&upgrade);
    ASSERT_EQ(service.OpenEnvironment(descriptor), 1);
    service.CloseEnvironment();

    EnvManager env;
    ASSERT_EQ(env.InitEnvFileInfo(descriptor, shell::kDescriptorKey, 0), 0);
    std::string flag;
    ASSERT_EQ(env.GetUseEnvPasswordFlag(flag), 0);
    EXPECT_EQ(flag, "Y");
    EXPECT_EQ(env.IsEnvPasswordOK("Secret7"), 0);
    ExpectUpgraded(descriptor, false);
    // The next open asks for it.
    ui_.passwordAnswer = false;
    EXPECT_EQ(UpgradingService().OpenEnvironment(descriptor), 0);
    EXPECT_EQ(ui_.titles.size(), 1u);
}

TEST_F(UpgradeTest, BackupIsMadeOnceAndNeverOverwritten) {
    const std::string descriptor = MakeOld(Generation::k89);
    const Snapshot pristine = Snap(Folder("Old"));
    const std::string backup = base_ + shell::kOldEnvironmentBackupFolder + "/Old";

    // The first open converts the older steps, then fails to re-code: the backup is the
    // environment before all of it.
    FailOnceAt("recode:2");
    EXPECT_EQ(UpgradingService().OpenEnvironment(descriptor), 0);
    EXPECT_EQ(Snap(backup), pristine);
    EXPECT_EQ(Option89(Folder("Old")), "Y3");
    // The next open would copy converted data: it keeps the backup as it is.
    FailOnceAt("recode:2");
    EXPECT_EQ(UpgradingService().OpenEnvironment(descriptor), 0);
    EXPECT_EQ(Snap(backup), pristine);
}

TEST_F(UpgradeTest, InterruptedBackupIsMadeAgainWhole) {
    const std::string descriptor = MakeOld(Generation::kY3);
    const Snapshot pristine = Snap(Folder("Old"));
    const std::string backups = base_ + shell::kOldEnvironmentBackupFolder + "/";

    FailOnceAt("backup:copy");
    EXPECT_EQ(UpgradingService().OpenEnvironment(descriptor), 0);
    ASSERT_EQ(prompts_.prompts().size(), 2u);
    std::string text;
    CErrMsg::GetErrMsgFromDefined(8010, text);
    EXPECT_EQ(prompts_.prompts()[0].text, ui::FromSjis(text));
    EXPECT_EQ(prompts_.prompts()[0].caption, ui::FromSjis(text));
    EXPECT_EQ(prompts_.prompts()[0].style, platform::kMbOk | platform::kMbIconError);
    EXPECT_EQ(prompts_.prompts()[1].text, U8("この環境は、バックアップ異常のため、使用できません\r\n[エラーコード:0005-06]"));
    EXPECT_EQ(prompts_.prompts()[1].caption, U8("環境の形式が異なります"));
    EXPECT_FALSE(std::filesystem::exists(backups + "Old"));
    Snapshot after = Snap(Folder("Old"));
    EXPECT_EQ(after.erase(shell::kEnvironmentLockFile), 1u) << "the open held the environment's lock";
    EXPECT_EQ(after, pristine);

    // What a killed copy leaves behind is thrown away and the copy made again.
    std::filesystem::create_directories(backups + ".Old.partial/Old");
    WriteFile(backups + ".Old.partial/Old/stray.dat", "half");
    ASSERT_EQ(UpgradingService().OpenEnvironment(descriptor), 1);
    EXPECT_EQ(Snap(backups + "Old"), pristine);
    EXPECT_FALSE(std::filesystem::exists(backups + ".Old.partial"));
}

TEST_F(UpgradeTest, LayoutOfNoVersionIsRefused) {
    const std::string descriptor = MakeOld(Generation::kY3);
    Records r;
    ASSERT_TRUE(ReadRecords(Folder("Old") + "systemoption.dat", nullptr, r));
    r[0][89] = "Q7";
    XCsvWrite w;
    ASSERT_EQ(w.OpenFile(Folder("Old") + "systemoption.dat"), 1);
    for (const std::string& item : r[0]) w.SetData(std::string_view(item));
    ASSERT_GT(w.WriteLine(), 0);
    ASSERT_EQ(w.CloseFile(), 0);

    EXPECT_EQ(UpgradingService().OpenEnvironment(descriptor), 0);
    ASSERT_FALSE(prompts_.prompts().empty());
    EXPECT_TRUE(prompts_.prompts().back().text.endsWith(U8("[エラーコード:0005-05]")));
}

TEST_F(UpgradeTest, NoGenerationIsConvertedWhenNoneIsKept) {
    const std::string descriptor = MakeOld(Generation::k89);
    CIniManager::WriteProfileInt(Folder("Old") + "QuendrelT.ini", "HISTORY", "SAVE_MAX", 0);
    const std::string generation = ReadFile(Folder("Old") + "DB/database.001");
    ASSERT_EQ(UpgradingService().OpenEnvironment(descriptor), 1);
    EXPECT_EQ(ReadFile(Folder("Old") + "DB/database.001"), generation);
}

}  // namespace
}  // namespace envsvc
