// The personal-information list's backup and restore: the file chooser, the report's name,
// the messages, the reload and the customer-ID sequence after a restore.
#include <gtest/gtest.h>

#include <QFileInfo>

#include <filesystem>

#include "app/addressui/db_backup_restore.h"
#include "app/addressui/tests/personal_list_test_env.h"
#include "core/foundation/env_layout.h"
#include "core/foundation/env_manager.h"
#include "platform/safe_write.h"
#include "core/foundation/sequencer.h"

namespace {
namespace db_backup_restore_test {

using addressui::CDBListDlg;
using namespace pltest;

TEST(PersonalListRestoreReport, NameTellsBackupEnvironmentAndStart) {
    const platform::DateTime at(2024, 12, 9, 7, 5, 3);
    EXPECT_EQ(addressui::RestoreReportFileName("database", "003", "shop", at), "database_003_shop_20241209070503.txt");
    EXPECT_EQ(addressui::RestoreReportFileName("bk", "", "shop", at), "bk__shop_20241209070503.txt");
}

TEST(PersonalListRestoreReport, OnlyRestoringResultsChangedTheBook) {
    for (int result : {1, 3, -3}) EXPECT_TRUE(addressui::RestoreChangedBook(result)) << result;
    for (int result : {0, 2, -1, -2, -4, -5}) EXPECT_FALSE(addressui::RestoreChangedBook(result)) << result;
    // A report that could not be written does not make the restore a failure.
    const addressui::OutcomeMessage m = addressui::RestoreOutcome(-3, "/b/bk.dat", "/b/r.txt");
    EXPECT_EQ(m.caption, ui::U8("データ復旧完了"));
    EXPECT_EQ(addressui::RestoreOutcome(-1, "/b/bk.dat", "").caption, ui::U8("バックアップファイル異常"));
}

class BackupRestoreTest : public PersonalListTest {
protected:
    int SequenceValue() {
        Sequencer sequence(Env(), 0);
        int value = -1;
        sequence.CurrentValue(value);
        return value;
    }
    std::string BackupPath() const { return dir_.path().toStdString() + "/backup.dat"; }

    // Backs the book up through the list dialog.
    void MakeBackup() {
        ui::test::FilePickerRecorder picker;
        picker.Answer(QString::fromStdString(dir_.path().toStdString() + "/backup"));
        CDBListDlg dialog(nullptr, nullptr);
        Open(dialog);
        dialog.Backup();
        WaitLoaded(dialog);
        ASSERT_EQ(picker.picks().size(), 1u);
        EXPECT_TRUE(picker.picks()[0].request.save);
        EXPECT_TRUE(picker.picks()[0].request.overwritePrompt);
        EXPECT_EQ(picker.picks()[0].request.filter, ui::U8("個人情報(*.dat)|*.dat||"));
        ASSERT_TRUE(std::filesystem::exists(BackupPath()));
        EXPECT_EQ(prompts_.captions().back(), ui::U8("バックアップ完了"));
        EXPECT_EQ(prompts_.texts().back(),
                  QString::fromStdString(BackupPath()) + ui::U8("\r\nという名称のファイルに書き出しました"));
        dialog.CloseWithOk();
        prompts_.clear();
    }
    // Restores from the backup through a list dialog; its changed flag.
    bool RunRestore(CDBListDlg& dialog) {
        ui::test::FilePickerRecorder picker;
        picker.Answer(QString::fromStdString(BackupPath()));
        dialog.Restore();
        EXPECT_TRUE(ui::test::WaitUntil([&] { return !dialog.IsBusy(); }));
        return dialog.IsChanged();
    }
};

TEST_F(BackupRestoreTest, RestoreBringsBackMissingRecordsReloadsAndMovesTheSequenceOnlyForward) {
    MakeBackup();
    // Two records lost since the backup; the highest ID in the book is a deleted one.
    for (int id : {7, 1200}) ASSERT_EQ(Book().RemoveLine(Book().DBID2RowNumber(id)), 0);
    AddRow(4000, {{kElemEmail, "late@example.jp"}, {kElemDeleteFlag, "Y"}});
    Sequencer(Env(), 0).SetValue(10);

    CDBListDlg dialog(nullptr, nullptr);
    Open(dialog);
    ASSERT_EQ(dialog.Model()->EntryCount(), kPeople - 2);
    dialog.SortByColumn(Column(dialog, kElemCompany));
    WaitLoaded(dialog);
    EXPECT_TRUE(RunRestore(dialog));
    ASSERT_EQ(prompts_.prompts().size(), 2u);
    EXPECT_TRUE(prompts_.texts()[0].startsWith(ui::U8("【バックアップ】") + QString::fromStdString(BackupPath())));
    EXPECT_EQ(prompts_.captions()[0], ui::U8("復旧の確認"));
    EXPECT_EQ(prompts_.captions()[1], ui::U8("データ復旧完了"));
    EXPECT_EQ(dialog.Model()->EntryCount(), kPeople);
    EXPECT_EQ(FirstIds(dialog, 2), (std::vector<int>{1, 2}));
    // Past the deleted record's ID, not only the live ones'.
    EXPECT_EQ(SequenceValue(), 4001);

    // The report lies beside the backup, named after it, the environment and the start.
    const std::string envName = Env()->GetEnvName();
    bool report = false;
    for (const auto& f : std::filesystem::directory_iterator(dir_.path().toStdString())) {
        const std::string name = f.path().filename().string();
        if (name.rfind("backup_dat_" + envName + "_", 0) == 0 && name.size() == 11 + envName.size() + 1 + 14 + 4 &&
            name.substr(name.size() - 4) == ".txt")
            report = true;
    }
    EXPECT_TRUE(report);

    // A sequence already past every ID stays where it is.
    Sequencer(Env(), 0).SetValue(9000);
    for (int id : {8}) ASSERT_EQ(Book().RemoveLine(Book().DBID2RowNumber(id)), 0);
    EXPECT_TRUE(RunRestore(dialog));
    EXPECT_EQ(SequenceValue(), 9000);
}

TEST_F(BackupRestoreTest, NothingToRestoreIsSaidAndTheListStaysAsItWas) {
    MakeBackup();
    CDBListDlg dialog(nullptr, nullptr);
    Open(dialog);
    dialog.NextPage();
    EXPECT_FALSE(RunRestore(dialog));
    EXPECT_EQ(prompts_.captions().back(), ui::U8("データ復旧の必要なし"));
    EXPECT_EQ(dialog.Model()->First(), 500);

    // Cancelling the confirmation restores nothing; an unreadable backup is told.
    prompts_.clear();
    prompts_.Answer(platform::kIdCancel);
    EXPECT_FALSE(RunRestore(dialog));
    EXPECT_EQ(prompts_.prompts().size(), 1u);
    std::filesystem::resize_file(BackupPath(), 10);
    EXPECT_FALSE(RunRestore(dialog));
    EXPECT_EQ(prompts_.captions().back(), ui::U8("バックアップファイル異常"));
    // An empty file is no backup, not one that matches the book.
    std::filesystem::resize_file(BackupPath(), 0);
    EXPECT_FALSE(RunRestore(dialog));
    EXPECT_EQ(prompts_.captions().back(), ui::U8("バックアップファイル異常"));
    EXPECT_EQ(prompts_.texts().back(),
              ui::U8("下記のファイルには個人情報が1件もないため、バックアップファイルとして使用できません\r\n"
                     "データの復旧はできませんでした\r\n\r\n【バックアップ】 ") +
                  QString::fromStdString(BackupPath()));
}

// A restore whose records cannot be written (the journal refuses them, and the whole save
// that would stand in for it fails too) says that nothing was restored, and nothing was:
// the list stays as it was, and the book holds none of the records.
TEST_F(BackupRestoreTest, ARestoreThatCannotBeWrittenIsToldAndLeavesTheBookAsItWas) {
    MakeBackup();
    ASSERT_EQ(Book().RemoveLine(Book().DBID2RowNumber(7)), 0);
    ASSERT_EQ(Book().WriteFromMemoryToFile(), 0);
    const std::string journal = env_layout::DatabaseJournalFile(*Env());
    std::filesystem::create_directory(journal);  // an append to it fails
    CDBListDlg dialog(nullptr, nullptr);
    Open(dialog);
    platform::AtomicFile::FailNextCommitForTesting();
    EXPECT_FALSE(RunRestore(dialog));
    EXPECT_EQ(prompts_.captions().back(), ui::U8("データ復旧失敗"));
    EXPECT_EQ(prompts_.texts().back(),
              ui::U8("下記バックアップファイルから復旧した個人情報をファイルに書き込めなかったため\r\n"
                     "データの復旧はできませんでした\r\n個人情報は復旧の前のままです\r\n\r\n【バックアップ】 ") +
                  QString::fromStdString(BackupPath()));
    EXPECT_EQ(Book().DBID2RowNumber(7), -1);
    EXPECT_EQ(dialog.Model()->EntryCount(), kPeople - 1);
    std::filesystem::remove(journal);
    // The disk takes writes again: the restore is made.
    EXPECT_TRUE(RunRestore(dialog));
    EXPECT_EQ(prompts_.captions().back(), ui::U8("データ復旧完了"));
    EXPECT_GE(Book().DBID2RowNumber(7), 0);
}

TEST_F(BackupRestoreTest, BackupToAMissingFolderIsReportedAsAFailedWrite) {
    ui::test::FilePickerRecorder picker;
    picker.Answer(QString::fromStdString(dir_.path().toStdString() + "/no/such/folder/bk.dat"));
    CDBListDlg dialog(nullptr, nullptr);
    Open(dialog);
    dialog.Backup();
    WaitLoaded(dialog);
    EXPECT_EQ(prompts_.captions().back(), ui::U8("バックアップ失敗"));
    EXPECT_TRUE(prompts_.texts().back().startsWith(ui::U8("バックアップファイルの書き出しに失敗しました")));

    // Cancelling the file choice does nothing at all.
    prompts_.clear();
    dialog.Backup();
    EXPECT_FALSE(dialog.IsBusy());
    EXPECT_TRUE(prompts_.prompts().empty());
}

}  // namespace db_backup_restore_test
}  // namespace
