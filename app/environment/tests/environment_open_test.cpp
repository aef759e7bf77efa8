// Opening an environment: the managers and the recent list after a good open, each step's
// refusal with its message (and the path leaving the recent list), the recovery of the
// address book from its generations with the message shown, a book that cannot be saved
// after the recovery, SAVE_MAX 0 leaving the book alone, the ID sequence, older layouts,
// and the automatic import.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/ui/sjis_text.h"
#include "core/foundation/cp932.h"
#include "core/foundation/env_layout.h"
#include "core/foundation/sequencer.h"
#include "core/foundation/tests/syscall_faults.h"
#include "platform/safe_write.h"
#include "env_service_test_util.h"

namespace {

using envsvc::EnvServiceTest;
using ui::U8;

// Saves an edit of each of the people 1-3 (company "edit<id>"), each its own batch of the
// journal.
void EditEach(CDatabaseEdit& book) {
    for (int id : {1, 2, 3}) {
        OneCustomer c;
        ASSERT_EQ(book.GetOneCustomerForEdit(c, id), 0);
        c.Company = "edit" + std::to_string(id);
        ASSERT_EQ(book.SetOneCustomerInfo(c, 0), 0);
    }
}

TEST_F(EnvServiceTest, OpenMakesEveryManagerAndHeadsTheRecentList) {
    const std::string other = MakeEnv("Other");
    const std::string descriptor = MakeEnv("顧客");
    shell::EnvironmentService& service = Service();
    service.Recent().Add(other);
    service.Recent().Write();

    ASSERT_EQ(service.OpenEnvironment(base_ + "/顧客.env"), 1);  // a doubled separator is the same file
    EXPECT_TRUE(service.IsOpen());
    EXPECT_NE(shell::GetEnvManager(), nullptr);
    EXPECT_NE(shell::GetSystemOption(), nullptr);
    EXPECT_NE(shell::GetDatabaseEdit(), nullptr);
    EXPECT_NE(shell::GetMailListViewer(), nullptr);
    ASSERT_NE(shell::GetScheduler(), nullptr);
    EXPECT_TRUE(shell::GetScheduler()->IsEnabled());
    EXPECT_EQ(service.DescriptorPath(), descriptor);
    EXPECT_EQ(service.EnvIniPath(), Folder("顧客") + "QuendrelT.ini");
    EXPECT_EQ(service.GetAutoRegPath(0), Folder("顧客") + "DB/autoreg.dat");
    EXPECT_EQ(service.GetAutoRegPath(1), Folder("顧客") + "DB/autoref.dat");
    EXPECT_EQ(RecentKey(0), descriptor);
    EXPECT_EQ(RecentKey(1), other);

    EXPECT_TRUE(prompts_.prompts().empty()) << prompts_.texts().join("|").toStdString();
    EXPECT_EQ(ui_.offers, 1);  // the password was never decided
    EXPECT_EQ(ui_.placed, (std::vector<std::string>{service.EnvIniPath()}));
    EXPECT_EQ(ui_.WaitLines(),
              (QStringList{U8("環境情報を読み込んでいます"), U8("システムオプションを読み込んでいます"),
                           U8("個人情報を読み込んでいます"), U8("個人情報のデータの整合性をチェックしています"),
                           U8("メール一覧情報を読み込んでいます"), U8("ネットワークタイマーを読み込んでいます"),
                           U8("環境バージョンチェックをしています"), U8("Varnisを起動します")}));
    EXPECT_GT(ui_.hides, 0);

    EXPECT_TRUE(service.IsOpenEnvironmentFolder(Folder("顧客")));
    EXPECT_TRUE(service.IsOpenEnvironmentFolder(base_ + "顧客"));
    EXPECT_TRUE(service.IsOpenEnvironmentFolder(base_ + "Other/../顧客/"));
    std::filesystem::create_directory_symlink(Folder("顧客"), base_ + "link");
    EXPECT_TRUE(service.IsOpenEnvironmentFolder(base_ + "link"));
    EXPECT_FALSE(service.IsOpenEnvironmentFolder(Folder("Other")));

    // A new environment asks once for the setup wizard.
    EXPECT_TRUE(service.WizardRequested());
    {
        auto env = OpenOwn(descriptor);
        SystemOption options(env.get());
        ASSERT_EQ(options.GetSODataFromFileToMemory(), 0);
        std::string asked;
        ASSERT_EQ(options.GetSODataFromMemoryPinPoint(112, asked), 0);
        EXPECT_EQ(asked, "N");
    }
    service.SetWizardRequested(false);
    ASSERT_EQ(service.OpenEnvironment(descriptor), 1);
    EXPECT_FALSE(service.WizardRequested());

    service.CloseEnvironment();
    EXPECT_FALSE(service.IsOpen());
    EXPECT_EQ(shell::GetDatabaseEdit(), nullptr);
    EXPECT_EQ(service.DescriptorPath(), "");
    EXPECT_EQ(service.EnvIniPath(), "");
    EXPECT_EQ(service.GetAutoRegPath(0), "");
    EXPECT_FALSE(service.IsOpenEnvironmentFolder(Folder("顧客")));
}

TEST_F(EnvServiceTest, FolderWithoutDescriptorIsRefusedAndLeavesTheRecentList) {
    const std::string good = MakeEnv("Good");
    MakeEnv("Lost");
    std::filesystem::remove(Descriptor("Lost"));
    shell::EnvironmentService& service = Service();
    service.Recent().Add(good);
    service.Recent().Add(Descriptor("Lost"));
    service.Recent().Write();

    // At start-up the newest entry is tried first; when it fails, the next one.
    ASSERT_EQ(service.Recent().Load(), 2);
    EXPECT_EQ(service.OpenEnvironment(service.Recent().Entries()[0]), 0);
    EXPECT_FALSE(service.IsOpen());
    EXPECT_EQ(shell::GetEnvManager(), nullptr);
    EXPECT_EQ(shell::GetDatabaseEdit(), nullptr);
    ASSERT_EQ(prompts_.prompts().size(), 1u);
    EXPECT_EQ(prompts_.prompts()[0].text,
              ui::FromPath(Descriptor("Lost")) +
                  U8("\r\nこの環境のデータは不完全です\r\n環境の読み込みに失敗しました\r\n[エラーコード:0001-2]"));
    EXPECT_EQ(prompts_.prompts()[0].caption, U8("環境読み込み異常"));
    EXPECT_EQ(prompts_.prompts()[0].style, platform::kMbOk | platform::kMbIconWarning);
    EXPECT_EQ(RecentKey(0), good);
    EXPECT_EQ(RecentKey(1), "");

    ASSERT_EQ(service.Recent().Load(), 1);
    EXPECT_EQ(service.OpenEnvironment(service.Recent().Entries()[0]), 1);
}

TEST_F(EnvServiceTest, StartupPasswordAsked) {
    const std::string descriptor = MakeEnv("Locked", false, "Y", "secret");
    shell::EnvironmentService& service = Service();

    ui_.passwordAnswer = false;
    EXPECT_EQ(service.OpenEnvironment(descriptor), 0);
    ASSERT_EQ(ui_.titles.size(), 1u);
    EXPECT_EQ(ui_.titles[0], U8("Lockedの起動"));
    ASSERT_EQ(prompts_.prompts().size(), 1u);
    EXPECT_EQ(prompts_.prompts()[0].text,
              U8("この環境にはパスワードが設定されています。\r\n正しいパスワードを入力しない限り、利用することはできません。"));
    EXPECT_EQ(prompts_.prompts()[0].caption, U8("パスワード認証が必要"));
    EXPECT_EQ(prompts_.prompts()[0].style, platform::kMbOk | platform::kMbIconInformation);
    EXPECT_FALSE(service.IsOpen());

    ui_.passwordAnswer = true;
    EXPECT_EQ(service.OpenEnvironment(descriptor), 1);
    EXPECT_EQ(ui_.offers, 0);

    // Without a way to ask, a locked environment stays shut.
    service.CloseEnvironment();
    service.SetUi(nullptr);
    EXPECT_EQ(service.OpenEnvironment(descriptor), 0);
}

// Each step that refuses, with the message it shows.
TEST_F(EnvServiceTest, EachStepRefusesWithItsMessage) {
    struct Case {
        const char* name;
        std::function<void(const std::string&)> damage;
        const char* text;
        const char* caption;
    } cases[] = {
        {"Options",
         [this](const std::string& d) { WriteRecord(d, Folder("Options") + "systemoption.dat", {"a", "b"}); },
         "システム設定ファイルに異常があるため読み込めません\r\nこの環境は利用できません\r\n[エラーコード:0002]",
         "システム設定ファイル異常"},
        {"Book",
         [this](const std::string& d) { WriteRecord(d, Folder("Book") + "DB/database.dat", {"a", "b"}); },
         "個人情報の読み込みに失敗しました\r\n[エラーコード:0003]", "個人情報読み込み異常"},
        {"Mails", [this](const std::string&) { std::filesystem::remove(Folder("Mails") + "MAIL/maillist.dat"); },
         "メール一覧の読み込みに失敗しました\r\n[エラーコード:0004]", "メール一覧読み込み異常"},
        {"Layout", [](const std::string& d) { SetOption(d, 89, "Y3"); },
         "環境のバージョンアップに失敗しました[エラーコード:0005-01]", "環境 バージョンアップ異常"},
    };
    shell::EnvironmentService& service = Service();
    for (const Case& c : cases) {
        const std::string descriptor = MakeEnv(c.name);
        c.damage(descriptor);
        service.Recent().Add(descriptor);
        prompts_.clear();
        EXPECT_EQ(service.OpenEnvironment(descriptor), 0) << c.name;
        EXPECT_FALSE(service.IsOpen()) << c.name;
        ASSERT_EQ(prompts_.prompts().size(), 1u) << c.name;
        EXPECT_EQ(prompts_.prompts()[0].text, U8(c.text));
        EXPECT_EQ(prompts_.prompts()[0].caption, U8(c.caption));
        EXPECT_EQ(prompts_.prompts()[0].style, platform::kMbOk | platform::kMbIconWarning);
        EXPECT_TRUE(service.Recent().Entries().empty()) << c.name;
    }
}

// The upgrade's answers, as a stand-in converter gives them.
class FakeUpgrade : public shell::EnvironmentUpgrade {
public:
    int BackupOldEnvironment(shell::EnvironmentManagers& next) override {
        ++backups;
        backupSawBook = next.book != nullptr;
        return backupResult;
    }
    int UpgradeEnvironment(shell::EnvironmentManagers& next, QString& notice, bool&) override {
        upgradeSawAll = next.book && next.mails && next.scheduler;
        notice = U8("移行しました");
        return upgradeResult;
    }
    int backups = 0;
    bool backupSawBook = true;
    bool upgradeSawAll = false;
    int backupResult = 0;
    int upgradeResult = 0;
};

TEST_F(EnvServiceTest, OlderLayoutsAreBackedUpAndUpgraded) {
    const std::string descriptor = MakeEnv("Old");
    const std::string path = ui::FromPath(descriptor).toStdString();
    shell::EnvironmentService& service = Service();
    FakeUpgrade upgrade;
    service.SetEnvironmentUpgrade(&upgrade);

    // Current layouts are never backed up again.
    for (const char* layout : {"Y5", "Y4"}) {
        SetOption(descriptor, 89, layout);
        ASSERT_EQ(service.OpenEnvironment(descriptor), 1) << layout;
        EXPECT_EQ(upgrade.backups, 0);
        EXPECT_TRUE(upgrade.upgradeSawAll);
        service.CloseEnvironment();
    }

    SetOption(descriptor, 89, "Y3");
    const std::string second = "新規環境を作成するか、Brindell用に作成した環境を選択してください\r\n";
    struct Case {
        int backup;
        int result;
        std::string text;  // empty: the open succeeds
        const char* caption;
    } cases[] = {
        {-1, 0, "この環境は、バックアップ異常のため、使用できません\r\n[エラーコード:0005-06]", "環境の形式が異なります"},
        {0, 1, "移行しました", "Varnis移行後のご注意"},
        {0, -1, "環境のバージョンアップに失敗しました[エラーコード:0005-01]", "環境 バージョンアップ異常"},
        {0, -3, "環境のバージョンアップに失敗しました[エラーコード:0005-01]", "環境 バージョンアップ異常"},
        {0, -2, path + "\r\n\r\nこの環境は、Quillary対応版のものですので、使用できません\r\n[エラーコード:0005-02]",
         "選択した環境は使用できません"},
        {0, -5, path + "\r\n\r\nこの環境は、Brindell用に作成されたものではないため、使用できません。\r\n" + second +
                    "[エラーコード:0005-05]",
         "選択した環境は使用できません"},
        {0, -6, path + "\r\n\r\nこの環境を、Varnis形式の環境に変換できませんでした。\r\n" + second + "[エラーコード:0005-06]",
         "選択した環境は使用できません"},
        {0, -7, path + "\r\n\r\nこの環境を、Varnis形式の環境に変換できませんでした。\r\n" + second + "[エラーコード:0005-07]",
         "選択した環境は使用できません"},
    };
    for (const Case& c : cases) {
        upgrade.backups = 0;
        upgrade.backupResult = c.backup;
        upgrade.upgradeResult = c.result;
        prompts_.clear();
        EXPECT_EQ(service.OpenEnvironment(descriptor), c.result >= 0 && c.backup == 0 ? 1 : 0) << c.result;
        EXPECT_EQ(upgrade.backups, 1);
        EXPECT_FALSE(upgrade.backupSawBook) << "backed up before the book is touched";
        ASSERT_EQ(prompts_.prompts().size(), 1u) << c.result;
        EXPECT_EQ(prompts_.prompts()[0].text, QString::fromStdString(c.text));
        EXPECT_EQ(prompts_.prompts()[0].caption, U8(c.caption));
        service.CloseEnvironment();
    }
}

TEST_F(EnvServiceTest, GenerationRecordComesBackWithTheMessage) {
    const std::string descriptor = MakeEnv("顧客");
    const std::string db = Folder("顧客") + "DB/";
    WriteBook(descriptor, db + "database.dat", {1, 2});
    WriteBook(descriptor, db + "database.001", {1, 2, 3});
    {
        auto env = OpenOwn(descriptor);
        Sequencer seq(env.get(), SEQ_ID_CUSTOMER);
        ASSERT_NE(seq.SetValue(2), 0);
    }
    shell::EnvironmentService& service = Service();
    ASSERT_EQ(service.OpenEnvironment(descriptor), 1);

    ASSERT_EQ(prompts_.prompts().size(), 1u);
    const ui::test::RecordedPrompt& shown = prompts_.prompts()[0];
    EXPECT_EQ(shown.caption, U8("データ復旧完了"));
    EXPECT_EQ(shown.style, platform::kMbIconInformation);
    EXPECT_TRUE(shown.text.startsWith(U8("下記の通り、データの復旧を行いました\r\n\r\n【バックアップ】 ") +
                                      ui::FromPath(db + "database.001") + U8("\r\n【復旧の状況】 ") + ui::FromPath(db) +
                                      U8("database_001_顧客_")))
        << shown.text.toStdString();

    std::vector<int> ids;
    service.GetDatabaseEdit()->GetDBIDALL(ids);
    EXPECT_EQ(ids, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(BookIds(descriptor, db + "database.dat"), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(BookIds(descriptor, db + "database.001"), (std::vector<int>{1, 2, 3}));  // the saved book, rotated

    // New IDs continue past the largest, never below what was handed out already.
    int next = 0;
    Sequencer seq(service.GetEnvManager(), SEQ_ID_CUSTOMER);
    ASSERT_NE(seq.CurrentValue(next), 0);
    EXPECT_EQ(next, 4);
    service.CloseEnvironment();
    ASSERT_NE(seq.SetValue(50), 0);
    ASSERT_EQ(service.OpenEnvironment(descriptor), 1);
    Sequencer again(service.GetEnvManager(), SEQ_ID_CUSTOMER);
    ASSERT_NE(again.CurrentValue(next), 0);
    EXPECT_EQ(next, 50);
}

TEST_F(EnvServiceTest, RecoveredBookThatCannotBeSavedStopsTheOpen) {
    const std::string descriptor = MakeEnv("Env");
    const std::string db = Folder("Env") + "DB/";
    WriteBook(descriptor, db + "database.dat", {1});
    WriteBook(descriptor, db + "database.001", {1, 2});
    const std::string book = ReadFile(db + "database.dat");
    const std::string generation = ReadFile(db + "database.001");
    shell::EnvironmentService& service = Service();
    // The book's file turns into something no save can replace while it is checked.
    ui_.onWait = [&](const QString& line) {
        if (line != U8("個人情報のデータの整合性をチェックしています")) return;
        std::filesystem::rename(db + "database.dat", db + "moved.dat");
        std::filesystem::create_directories(db + "database.dat/x");
    };
    EXPECT_EQ(service.OpenEnvironment(descriptor), 0);
    EXPECT_FALSE(service.IsOpen());
    ASSERT_FALSE(prompts_.prompts().empty());
    // The folder in the book's place is named, with why it cannot serve.
    EXPECT_EQ(prompts_.prompts().back().text, U8("個人情報の読み込みに失敗しました\r\n[エラーコード:0003]\r\n\r\n") +
                                                  ui::FromPath(db + "database.dat") + U8("\r\nフォルダのため使用できません"));
    // No rotation: the generation still holds what the book could not keep.
    EXPECT_EQ(ReadFile(db + "database.001"), generation);
    EXPECT_EQ(ReadFile(db + "moved.dat"), book);
    EXPECT_FALSE(std::filesystem::exists(db + "database.002"));
}

// A generation whose records cannot be written (the journal refuses them, and the whole
// save that would stand in fails too) restores nothing and stops the open; every generation
// stays, so the next open, on a disk that takes writes again, restores them.
TEST_F(EnvServiceTest, AGenerationWhoseRestoreCannotBeWrittenStopsTheOpenAndStays) {
    const std::string descriptor = MakeEnv("Env");
    const std::string db = Folder("Env") + "DB/";
    WriteBook(descriptor, db + "database.dat", {1});
    WriteBook(descriptor, db + "database.001", {1, 2});
    const std::string book = ReadFile(db + "database.dat");
    const std::string generation = ReadFile(db + "database.001");
    shell::EnvironmentService& service = Service();
    {
        syscall_faults::Scope faults;
        ui_.onWait = [&](const QString& line) {
            if (line != U8("個人情報のデータの整合性をチェックしています")) return;
            syscall_faults::Write().Arm(100, ENOSPC, 0, std::filesystem::canonical(db).string() + "/database.jnl");
            platform::AtomicFile::FailNextCommitForTesting();
        };
        EXPECT_EQ(service.OpenEnvironment(descriptor), 0);
        ui_.onWait = nullptr;
    }
    EXPECT_FALSE(service.IsOpen());
    ASSERT_FALSE(prompts_.prompts().empty());
    EXPECT_EQ(prompts_.prompts().back().text, U8("個人情報の読み込みに失敗しました\r\n[エラーコード:0003]"));
    EXPECT_EQ(ReadFile(db + "database.dat"), book);
    EXPECT_EQ(ReadFile(db + "database.001"), generation);
    EXPECT_FALSE(std::filesystem::exists(db + "database.002"));

    prompts_.clear();
    ASSERT_EQ(service.OpenEnvironment(descriptor), 1);
    ASSERT_EQ(prompts_.prompts().size(), 1u);
    EXPECT_EQ(prompts_.prompts()[0].caption, U8("データ復旧完了"));
    EXPECT_EQ(BookIds(descriptor, db + "database.dat"), (std::vector<int>{1, 2}));
}

// The address book's journal as a damaged disk leaves it, through the open: damage in the
// middle costs its batch, the user is told how many changes and where the damaged bytes
// are kept, and the environment opens with everything else; damage that hides which book
// the journal extends, or a book that cannot be read a second time, stop the open with the
// reason and the file to look at, and leave the journal as it is.
TEST_F(EnvServiceTest, ADamagedJournalIsToldAndCostsOnlyItsBatch) {
    const std::string descriptor = MakeEnv("Env");
    const std::string db = Folder("Env") + "DB/";
    WriteBook(descriptor, db + "database.dat", {1, 2, 3});
    {
        // Three saved edits, each its own batch; nobody saves the book whole.
        auto env = OpenOwn(descriptor);
        CDatabaseEdit book(env.get());
        ASSERT_EQ(book.ReadCustomerList(), 3);
        ASSERT_NO_FATAL_FAILURE(EditEach(book));
    }
    const std::string journal = ReadFile(db + "database.jnl");
    const std::string bookFile = ReadFile(db + "database.dat");
    ASSERT_EQ(std::count(journal.begin(), journal.end(), '\n'), 1 + 3 + 3 + 3 + 1);  // tag, B/U/E x3, A
    // The byte in the middle of the second batch's row, and one in the first batch's A record.
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < journal.size(); ++i)
        if (i == 0 || journal[i - 1] == '\n') starts.push_back(i);
    const std::size_t secondRow = starts[6] + (starts[7] - starts[6]) / 2;  // tag B A U E B U
    const std::size_t anchor = starts[2] + 3;

    shell::EnvironmentService& service = Service();
    std::string damaged = journal;
    damaged[secondRow] = static_cast<char>(damaged[secondRow] ^ 0x21);
    WriteFile(db + "database.jnl", damaged);
    ASSERT_EQ(service.OpenEnvironment(descriptor), 1);
    const std::string kept = db + "database.jnl.damaged";
    bool told = false;
    for (const auto& p : prompts_.prompts())
        told = told || (p.caption == U8("個人情報読み込み異常") &&
                        p.text == U8("個人情報の変更記録の一部が壊れていたため、1件の変更を読み込めませんでした。\r\n"
                                     "壊れていた変更記録は次のファイルに残してあります。\r\n") +
                                      ui::FromPath(kept));
    EXPECT_TRUE(told) << prompts_.texts().join("|").toStdString();
    CDatabaseEdit& book = *service.GetDatabaseEdit();
    EXPECT_EQ(book.GetCustomerDataPinPoint(1, kElemCompany), "edit1");
    EXPECT_EQ(book.GetCustomerDataPinPoint(2, kElemCompany), "");
    EXPECT_EQ(book.GetCustomerDataPinPoint(3, kElemCompany), "edit3");
    EXPECT_EQ(ReadFile(kept), damaged);
    service.CloseEnvironment();

    const struct {
        const char* name;
        std::function<void()> damage;
        const char* text;
        std::string file;
        bool offersAWayOut;  // answered No
    } refusals[] = {
        {"the record naming the book",
         [&] {
             // Two bytes: one changed byte leaves the record recognisable.
             std::string d = journal;
             d[anchor] = static_cast<char>(d[anchor] ^ 0x21);
             d[anchor + 4] = static_cast<char>(d[anchor + 4] ^ 0x21);
             WriteFile(db + "database.jnl", d);
         },
         "個人情報の変更記録が壊れていて、どの個人情報データベースファイルに続くものかを確かめられないため、"
         "個人情報を読み込めません。変更記録はそのまま残してあります。",
         db + "database.jnl", true},
        {"a book read only once",
         [&] {
             WriteFile(db + "database.jnl", journal);
             syscall_faults::Read().Arm(1, EIO, 0, std::filesystem::canonical(db + "database.dat").string());
         },
         "個人情報データベースファイルを読み込めませんでした。理由: ディスクの読み書きに失敗しました (Input/output error)",
         db + "database.dat", false},
    };
    for (const auto& r : refusals) {
        SCOPED_TRACE(r.name);
        syscall_faults::Scope faults;
        WriteFile(db + "database.dat", bookFile);
        r.damage();
        const std::string before = ReadFile(db + "database.jnl");
        prompts_.clear();
        if (r.offersAWayOut) prompts_.Answer(platform::kIdNo);
        service.Recent().Add(descriptor);
        EXPECT_EQ(service.OpenEnvironment(descriptor), 0);
        ASSERT_EQ(prompts_.prompts().size(), 1u);
        const QString told = U8("個人情報の読み込みに失敗しました\r\n[エラーコード:0003]\r\n\r\n") + U8(r.text) +
                             U8("\r\n") + ui::FromPath(r.file);
        if (r.offersAWayOut) EXPECT_TRUE(prompts_.prompts()[0].text.startsWith(told + U8("\r\n\r\n")));
        else EXPECT_EQ(prompts_.prompts()[0].text, told);
        EXPECT_TRUE(ReadFile(db + "database.jnl") == before);
        EXPECT_TRUE(ReadFile(db + "database.dat") == bookFile);
        // Not a broken environment: it stays in the list either way.
        EXPECT_EQ(service.Recent().Entries().empty(), !r.offersAWayOut);
        service.Recent().Remove(descriptor);
    }
}

// Damage that hides which book the journal extends leaves a way out: the journal is set
// aside whole (its bytes kept as "database.jnl.damaged") and the book opens as it was last
// saved whole; the question says what that costs, and No leaves everything as it was.
TEST_F(EnvServiceTest, AJournalThatCannotBePlacedCanBeSetAsideToOpenTheBookAsLastSaved) {
    const std::string descriptor = MakeEnv("Env");
    const std::string db = Folder("Env") + "DB/";
    WriteBook(descriptor, db + "database.dat", {1, 2});
    {
        // Three saved edits, each its own batch.
        auto env = OpenOwn(descriptor);
        CDatabaseEdit book(env.get());
        ASSERT_EQ(book.ReadCustomerList(), 2);
        for (int id : {1, 2, 1}) {
            OneCustomer c;
            ASSERT_EQ(book.GetOneCustomerForEdit(c, id), 0);
            c.Company = "edited";
            ASSERT_EQ(book.SetOneCustomerInfo(c, 0), 0);
        }
    }
    // Two bytes of the journal's A record, the one that names the book the batches extend
    // (one changed byte leaves it recognisable).
    std::string journal = ReadFile(db + "database.jnl");
    std::size_t line = 0, anchor = 0;
    for (std::size_t i = 0; i < journal.size() && anchor == 0; ++i)
        if (journal[i] == '\n' && ++line == 2) anchor = i + 4;
    ASSERT_GT(anchor, 0u);
    journal[anchor] = static_cast<char>(journal[anchor] ^ 0x21);
    journal[anchor + 4] = static_cast<char>(journal[anchor + 4] ^ 0x21);
    WriteFile(db + "database.jnl", journal);
    WriteFile(db + "database.jnl.damaged", "an earlier damaged copy");
    struct stat st {};
    ASSERT_EQ(::stat((db + "database.dat").c_str(), &st), 0);
    const QString savedAt = QString::fromStdString(platform::DateTime(st.st_mtime).Format("%Y/%m/%d %H:%M"));

    shell::EnvironmentService& service = Service();
    prompts_.Answer(platform::kIdYes);
    ASSERT_EQ(service.OpenEnvironment(descriptor), 1);
    ASSERT_EQ(prompts_.prompts().size(), 2u) << prompts_.texts().join("|").toStdString();
    const ui::test::RecordedPrompt& question = prompts_.prompts()[0];
    EXPECT_EQ(question.caption, U8("個人情報読み込み異常"));
    EXPECT_EQ(question.style, platform::kMbYesNo | platform::kMbIconWarning | ui::kMbDefButton2);
    EXPECT_TRUE(question.text.contains(ui::FromPath(db + "database.jnl"))) << question.text.toStdString();
    EXPECT_TRUE(question.text.contains(U8("個人情報を最後にまとめて保存した時点（") + savedAt +
                                       U8("）の内容で開くことができます。その後に保存された変更は、個人情報に入りません。")))
        << question.text.toStdString();
    const std::string kept = db + "database.jnl.damaged2";
    EXPECT_EQ(prompts_.prompts()[1].text, U8("変更記録を脇に置き、個人情報を最後にまとめて保存した時点の内容で開きました。\r\n"
                                             "変更記録は次のファイルに残してあります。\r\n") +
                                              ui::FromPath(kept));
    EXPECT_EQ(ReadFile(kept), journal);
    EXPECT_EQ(ReadFile(db + "database.jnl.damaged"), "an earlier damaged copy");
    EXPECT_FALSE(std::filesystem::exists(db + "database.jnl"));
    EXPECT_EQ(service.GetDatabaseEdit()->GetCustomerDataPinPoint(1, kElemCompany), "");
    EXPECT_EQ(RecentKey(0), descriptor);

    // The book goes on from there: a change is kept, and the next open finds it.
    OneCustomer c;
    ASSERT_EQ(service.GetDatabaseEdit()->GetOneCustomerForEdit(c, 2), 0);
    c.Company = "after";
    ASSERT_EQ(service.GetDatabaseEdit()->SetOneCustomerInfo(c, 0), 0);
    service.CloseEnvironment();
    prompts_.clear();
    ASSERT_EQ(service.OpenEnvironment(descriptor), 1);
    EXPECT_TRUE(prompts_.prompts().empty()) << prompts_.texts().join("|").toStdString();
    EXPECT_EQ(service.GetDatabaseEdit()->GetCustomerDataPinPoint(2, kElemCompany), "after");
}

// A journal that a whole save could not remove (or that a kill between the save's rename and
// the removal left) extends the saved book: damage in its older batches where an A may have
// stood opens the environment without a question and without telling of a loss that is not
// one (was: the refusal, offering to set the journal aside at the cost of the changes since
// the last save), and every edit is there.
TEST_F(EnvServiceTest, AJournalAWholeSaveLeftBehindOpensWithoutAQuestion) {
    const std::string descriptor = MakeEnv("Env");
    const std::string db = Folder("Env") + "DB/";
    WriteBook(descriptor, db + "database.dat", {1, 2, 3});
    {
        auto env = OpenOwn(descriptor);
        CDatabaseEdit book(env.get());
        ASSERT_EQ(book.ReadCustomerList(), 3);
        ASSERT_NO_FATAL_FAILURE(EditEach(book));
        syscall_faults::Scope faults;
        syscall_faults::Unlink().Arm(1, EIO);
        ASSERT_EQ(book.WriteFromMemoryToFile(), 0);
    }
    // Two bytes of the second batch's B (tag B A U E B U E ...): what did not read may have
    // been an A.
    std::string journal = ReadFile(db + "database.jnl");
    std::size_t line = 0, start = 0;
    for (std::size_t i = 0; i < journal.size() && start == 0; ++i)
        if (journal[i] == '\n' && ++line == 5) start = i + 1;
    ASSERT_GT(start, 0u);
    journal[start + 4] = static_cast<char>(journal[start + 4] ^ 0x21);
    journal[start + 7] = static_cast<char>(journal[start + 7] ^ 0x21);
    WriteFile(db + "database.jnl", journal);

    shell::EnvironmentService& service = Service();
    ASSERT_EQ(service.OpenEnvironment(descriptor), 1);
    EXPECT_TRUE(prompts_.prompts().empty()) << prompts_.texts().join("|").toStdString();
    for (int id : {1, 2, 3})
        EXPECT_EQ(service.GetDatabaseEdit()->GetCustomerDataPinPoint(id, kElemCompany), "edit" + std::to_string(id));
    EXPECT_EQ(ReadFile(db + "database.jnl.damaged"), journal);
    EXPECT_FALSE(std::filesystem::exists(db + "database.jnl"));
}

TEST_F(EnvServiceTest, NoGenerationsLeaveTheBookAsItIs) {
    const std::string descriptor = MakeEnv("Env");
    const std::string db = Folder("Env") + "DB/";
    WriteBook(descriptor, db + "database.dat", {1, 2});
    WriteBook(descriptor, db + "database.001", {1, 2, 3});
    ASSERT_TRUE(CIniManager::WriteProfileInt(Folder("Env") + "QuendrelT.ini", "HISTORY", "SAVE_MAX", 0));
    const envsvc::Snapshot before = Snap(db);
    shell::EnvironmentService& service = Service();
    ASSERT_EQ(service.OpenEnvironment(descriptor), 1);
    EXPECT_TRUE(prompts_.prompts().empty());
    EXPECT_FALSE(ui_.WaitLines().contains(U8("個人情報のデータの整合性をチェックしています")));
    envsvc::Snapshot after = Snap(db);
    after.erase("dbseq.dat");  // the ID sequence moves past the book
    envsvc::Snapshot expected = before;
    expected.erase("dbseq.dat");
    EXPECT_EQ(after, expected);
}

TEST_F(EnvServiceTest, ImportModeImportsIntoTheOpenedEnvironment) {
    // The importer's own fixture of a shop's customer file (kept in UTF-8; shops write
    // Shift_JIS).
    const std::string fixture =
        (std::filesystem::path(QUENDREL_TESTDATA) / "../../../../core/addressbook/tests/testdata/import/brindell.csv")
            .lexically_normal()
            .string();
    ASSERT_TRUE(std::filesystem::exists(fixture)) << fixture;
    const std::string source = base_ + "brindell.csv";
    WriteFile(source, Utf8ToSjis(ReadFile(fixture)));
    const std::string descriptor = MakeEnv("Shop", true);
    shell::EnvironmentService& service = Service(true, source);
    service.SetNewEnvironmentInImportMode(true);
    ASSERT_EQ(service.OpenEnvironment(descriptor), 1);
    EXPECT_EQ(ui_.waits.at(ui_.waits.size() - 2),
              (QStringList{U8("個人情報　インポート中　"), U8("件数により時間がかかる場合があります"),
                           U8("しばらくお待ちください")}));
    ASSERT_EQ(prompts_.prompts().size(), 1u);
    EXPECT_EQ(prompts_.prompts()[0].text,
              U8("インポートは正常に終了しました\r\nインポート結果は以下の通りです\r\n・インポート件数　2件\r\n"
                 "・データ異常件数　3件\r\n詳細はインポートログを参照してください。"));
    EXPECT_EQ(prompts_.prompts()[0].caption, U8("インポート完了"));
    EXPECT_EQ(service.GetDatabaseEdit()->GetDBCountWithoutDelete(), 2);
    EXPECT_TRUE(std::filesystem::exists(Folder("Shop") + "AutoImportLog.txt"));
    EXPECT_EQ(service.GetImportProgress().imported.load(), 2);

    // A file that does not import still leaves the environment open.
    shell::EnvironmentService& other = Service(true, base_ + "missing.csv");
    prompts_.clear();
    ASSERT_EQ(other.OpenEnvironment(descriptor), 1);
    ASSERT_EQ(prompts_.prompts().size(), 1u);
    EXPECT_EQ(prompts_.prompts()[0].text, U8("インポートに失敗しました\r\n詳細はインポートログを参照してください"));
    EXPECT_EQ(prompts_.prompts()[0].caption, U8("インポートに失敗しました"));
}

TEST_F(EnvServiceTest, ClientsOutliveTheEnvironment) {
    shell::EnvironmentService& service = Service();
    ASSERT_EQ(service.OpenEnvironment(MakeEnv("Env")), 1);
    EXPECT_EQ(service.GetPopClient(), nullptr);
    CMyPOPS* pop = service.CreatePopClient();
    ASSERT_NE(pop, nullptr);
    EXPECT_EQ(service.GetPopClient(), pop);
    CMySMTPS* smtp = service.CreateSmtpClient();
    ASSERT_NE(smtp, nullptr);
    service.CloseEnvironment();
    EXPECT_EQ(service.GetPopClient(), pop);
    EXPECT_EQ(service.GetSmtpClient(), smtp);
    service.DeletePopClient();
    service.DeleteSmtpClient();
    EXPECT_EQ(service.GetPopClient(), nullptr);
    EXPECT_EQ(service.GetSmtpClient(), nullptr);
}

}  // namespace
