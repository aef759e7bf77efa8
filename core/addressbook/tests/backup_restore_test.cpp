// Backup and restore: a backup read back by the restore, the merge's result codes, the
// report file, the refusals (an empty file among them), a restore whose records cannot be
// written, and a backup that fails without harming the one it replaces.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "address_book_test_util.h"
#include "core/addressbook/backup_restore.h"
#include "core/foundation/cp932.h"
#include "platform/path.h"
#include "platform/safe_write.h"

namespace {

struct Rec {
    int id;
    const char* mail;
};

class BackupRestoreTest : public abtest::AddressBookEnv {
protected:
    void SetUp() override {
        AddressBookEnv::SetUp();
        Open(env_, true);
        WriteFile(DatabaseFile(), "");
        book_ = std::make_unique<CDatabaseEdit>(&env_);
        ASSERT_EQ(book_->ReadCustomerList(), 0);
    }
    static void Put(CDatabaseEdit& book, const std::vector<Rec>& records) {
        for (const Rec& r : records) {
            OneCustomer c = Person(r.mail);
            c.CustomerID = r.id;
            ASSERT_EQ(book.SetOneCustomerInfoForRepair(c), 0) << r.mail;
        }
    }
    // Writes `records` as a backup file at `path`.
    void MakeBackup(const std::string& path, const std::vector<Rec>& records) {
        CDatabaseEdit other(&env_);
        Put(other, records);
        CDBBackup backup;
        backup.SetDatabaseEditPtr(&other);
        backup.SetEnvManager(&env_);
        backup.SetBackupPathName(path);
        ASSERT_EQ(backup.ActionBackup(), 0);
    }
    CDBRestore Restorer(const std::string& backupPath) {
        CDBRestore r;
        r.SetDatabaseEditPtr(book_.get());
        r.SetEnvManager(&env_);
        r.SetBackupPathName(backupPath);
        r.SetRepairFileName("report.txt");
        return r;
    }
    std::vector<int> Ids() {
        std::vector<int> ids;
        book_->GetDBIDALL(ids);
        return ids;
    }

    EnvManager env_;
    std::unique_ptr<CDatabaseEdit> book_;
};

TEST_F(BackupRestoreTest, BackupRestoresIntoAnEmptyBookWithReport) {
    const std::string backupPath = base_ + "backup.dat";
    MakeBackup(backupPath, {{3, "c@example.jp"}, {1, "a@example.jp"}, {2, "b@example.jp"}});
    EXPECT_EQ(ReadFile(DatabaseFile()), "");  // the book's own file is not touched

    CDBRestore restore = Restorer(backupPath);
    EXPECT_EQ(restore.GetRepairPathName(), base_ + "report.txt");
    ASSERT_EQ(restore.ActionRestore(), 1);
    EXPECT_EQ(Ids(), (std::vector<int>{1, 2, 3}));  // sorted by ID
    OneCustomer c;
    ASSERT_EQ(book_->GetOneCustomerForEdit(c, 2), 0);  // the index follows the sort
    EXPECT_EQ(c.Email, "b@example.jp");
    EXPECT_EQ(ReadFile(base_ + "report.txt"),
              backupPath + "\r\n" + SjisLiteral("【復旧した個人情報ID】") + "\r\n3,1,2\r\n" +
                  SjisLiteral("【同じメールアドレスが存在したため復旧しなかった個人情報ID】") + "\r\n");

    // Nothing left to restore: 0, and no report is written.
    std::filesystem::remove(base_ + "report.txt");
    EXPECT_EQ(restore.ActionRestore(), 0);
    EXPECT_FALSE(platform::PathExists(base_ + "report.txt"));
}

struct MergeCase {
    const char* name;
    std::vector<Rec> backup;
    int result;
    std::vector<int> restored;
    std::vector<int> skipped;
};

class RestoreMergeTest : public BackupRestoreTest, public ::testing::WithParamInterface<MergeCase> {};

// The book holds 1 a@x and 9 b@x. A backup record is left out (and listed) only when its
// address is in use here while its own ID is not.
TEST_P(RestoreMergeTest, ResultAndLists) {
    const MergeCase& m = GetParam();
    Put(*book_, {{1, "a@x.jp"}, {9, "b@x.jp"}});
    MakeBackup(base_ + "b.dat", m.backup);
    CDBRestore restore = Restorer(base_ + "b.dat");
    EXPECT_EQ(restore.ActionRestore(), m.result);
    EXPECT_EQ(restore.RestoredIds(), m.restored);
    EXPECT_EQ(restore.SkippedIds(), m.skipped);
    EXPECT_EQ(platform::PathExists(base_ + "report.txt"), m.result > 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RestoreMergeTest,
    ::testing::Values(MergeCase{"SameRecordsGiveNothing", {{1, "a@x.jp"}, {9, "B@X.JP"}}, 0, {}, {}},
                      MergeCase{"MissingRecordRestored", {{1, "a@x.jp"}, {3, "c@x.jp"}}, 1, {3}, {}},
                      MergeCase{"AddressTakenByAnotherId", {{2, "B@x.jp"}}, 2, {}, {2}},
                      MergeCase{"Both", {{3, "c@x.jp"}, {2, "b@x.jp"}}, 3, {3}, {2}},
                      MergeCase{"NewAddressUnderPresentIdIsNeither", {{9, "new@x.jp"}}, 0, {}, {}},
                      MergeCase{"EmptyAddressIsNeither", {{4, ""}}, 0, {}, {}},
                      MergeCase{"IdTwiceInBackupComesOnce", {{3, "c@x.jp"}, {3, "d@x.jp"}}, 1, {3}, {}}),
    [](const ::testing::TestParamInfo<MergeCase>& info) { return std::string(info.param.name); });

TEST_F(BackupRestoreTest, RestoreRefusesWhatItCannotUse) {
    Put(*book_, {{1, "a@x.jp"}});
    CDBRestore restore = Restorer(base_ + "missing.dat");
    EXPECT_EQ(restore.ActionRestore(), -1);

    WriteFile(base_ + "bad.dat", "\"1\",\"too short\"\r\n");
    restore.SetBackupPathName(base_ + "bad.dat");
    EXPECT_EQ(restore.ActionRestore(), -1);
    EXPECT_EQ(Ids(), std::vector<int>{1});

    // An empty file (what a failed copy leaves) is no backup, not one with nothing to add.
    WriteFile(base_ + "empty.dat", "");
    restore.SetBackupPathName(base_ + "empty.dat");
    EXPECT_EQ(restore.ActionRestore(), -5);
    EXPECT_FALSE(platform::PathExists(restore.GetRepairPathName()));

    // A report name without a backup path forms no report path.
    CDBRestore bare;
    bare.SetDatabaseEditPtr(book_.get());
    bare.SetEnvManager(&env_);
    bare.SetRepairFileName("r.txt");
    EXPECT_EQ(bare.GetRepairPathName(), "");
    EXPECT_EQ(bare.ActionRestore(), -2);
}

TEST_F(BackupRestoreTest, BackupFileNameParts) {
    CDBRestore restore;
    restore.SetBackupPathName(base_ + "Env/DB/database.003");
    EXPECT_EQ(restore.GetBackupFileNameExt(), "003");
    EXPECT_EQ(restore.GetBackupFileNameWithoutExt(), "database");
    restore.SetRepairFileName("x.txt");
    EXPECT_EQ(restore.GetRepairPathName(), base_ + "Env/DB/x.txt");
}

TEST_F(BackupRestoreTest, ChoosersAreAskedForTheRightDialog) {
    FileDialogRequest asked;
    std::string answer = base_ + "chosen.dat";
    bool accept = true;
    const FileChooser chooser = [&](const FileDialogRequest& r, std::string& path) {
        asked = r;
        if (accept) path = answer;
        return accept;
    };
    CDBBackup backup;
    backup.SetBackupPathName("former");
    EXPECT_EQ(backup.SelectBackupPathName(chooser), 1);
    EXPECT_TRUE(asked.save);
    EXPECT_TRUE(asked.overwritePrompt);
    EXPECT_EQ(asked.defaultExt, "dat");
    EXPECT_EQ(asked.filter, SjisLiteral("個人情報(*.dat)|*.dat||"));
    EXPECT_EQ(backup.GetBackupPathName(), answer);

    CDBRestore restore;
    restore.SetRepairFileName("r.txt");
    EXPECT_EQ(restore.SelectBackupPathName(chooser), 1);
    EXPECT_FALSE(asked.save);
    EXPECT_TRUE(asked.fileMustExist);
    EXPECT_EQ(asked.filter, SjisLiteral("個人情報(*.dat)|*.dat|全て(*.*)|*.*||"));
    EXPECT_EQ(restore.GetRepairPathName(), base_ + "r.txt");

    accept = false;  // cancelled: the former path stays
    EXPECT_EQ(backup.SelectBackupPathName(chooser), 0);
    EXPECT_EQ(backup.GetBackupPathName(), answer);
    EXPECT_EQ(backup.SelectBackupPathName(FileChooser()), 0);
}

TEST_F(BackupRestoreTest, FailedBackupKeepsTheFileItWouldReplace) {
    Put(*book_, {{1, "a@x.jp"}});
    CDBBackup backup;
    backup.SetEnvManager(&env_);
    backup.SetBackupPathName(base_ + "backup.dat");
    EXPECT_EQ(backup.ActionBackup(), -1);  // no book
    backup.SetDatabaseEditPtr(book_.get());
    backup.SetBackupPathName("");
    EXPECT_EQ(backup.ActionBackup(), -1);  // no path
    backup.SetBackupPathName(base_ + "no/such/folder/backup.dat");
    EXPECT_EQ(backup.ActionBackup(), -2);

    const std::string old = "old backup bytes";
    WriteFile(base_ + "backup.dat", old);
    backup.SetBackupPathName(base_ + "backup.dat");
    platform::AtomicFile::FailNextCommitForTesting();
    EXPECT_EQ(backup.ActionBackup(), -2);
    EXPECT_EQ(ReadFile(base_ + "backup.dat"), old);
    EXPECT_EQ(backup.ActionBackup(), 0);
    EXPECT_NE(ReadFile(base_ + "backup.dat"), old);
}

// A restore whose records cannot reach the disk (the journal refuses its append, and the
// whole save that would stand in for it fails too) restores nothing: its records are taken
// back out of the book, so that no later save, made for whatever reason, writes them after
// the user was told that nothing was restored.
TEST_F(BackupRestoreTest, ARestoreThatCannotBeWrittenTakesItsRecordsBack) {
    Put(*book_, {{1, "a@x.jp"}});
    ASSERT_EQ(book_->WriteFromMemoryToFile(), 0);  // the journal starts afresh at the next change
    MakeBackup(base_ + "b.dat", {{1, "a@x.jp"}, {2, "b@x.jp"}, {3, "c@x.jp"}});
    const std::string journal = folder_ + "DB/database.jnl";
    const std::string bookBytes = ReadFile(DatabaseFile());
    std::filesystem::create_directory(journal);  // an append to it fails
    platform::AtomicFile::FailNextCommitForTesting();
    CDBRestore restore = Restorer(base_ + "b.dat");
    EXPECT_EQ(restore.ActionRestore(), -4);
    EXPECT_TRUE(restore.RestoredIds().empty());
    EXPECT_EQ(Ids(), std::vector<int>{1});
    EXPECT_EQ(book_->DBID2RowNumber(2), -1);
    EXPECT_FALSE(platform::PathExists(base_ + "report.txt"));
    EXPECT_EQ(ReadFile(DatabaseFile()), bookBytes);

    // The disk takes writes again: the book's next save holds nothing of the failed
    // restore, and the restore can be made.
    std::filesystem::remove(journal);
    ASSERT_EQ(book_->WriteFromMemoryToFile(), 0);
    {
        CDatabaseEdit fresh(&env_);
        ASSERT_EQ(fresh.ReadCustomerList(), 1);
    }
    EXPECT_EQ(restore.ActionRestore(), 1);
    CDatabaseEdit fresh(&env_);
    ASSERT_EQ(fresh.ReadCustomerList(), 3);
}

}  // namespace
