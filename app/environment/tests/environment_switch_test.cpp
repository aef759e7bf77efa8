// Switching environments: a switch that fails at any step leaves the open environment
// open, with the same managers, writable, and neither folder written by the other's
// managers; a switch that succeeds first saves what the open environment had not saved;
// a switch to the environment already open reads what was just saved; a save that fails
// stops the switch before anything of the next environment is read.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/ui/sjis_text.h"
#include "core/mailstore/one_mail_data.h"
#include "env_service_test_util.h"

namespace {

using envsvc::EnvServiceTest;
using ui::U8;

class EnvSwitchTest : public EnvServiceTest {
protected:
    void SetUp() override {
        EnvServiceTest::SetUp();
        old_ = MakeEnv("Old");
        WriteBook(old_, Folder("Old") + "DB/database.dat", {1, 2});
        Service();
        ASSERT_EQ(service_->OpenEnvironment(old_), 1);
        prompts_.clear();
    }
    static int AddMail(CMailListViewer& mails, int id) {
        COneMailData mail;
        mail.SetMailID(id);
        mail.SetStatus("D", 0);
        return mails.SetMailData(mail);
    }
    static int AddPerson(CDatabaseEdit& book, int id) {
        OneCustomer c;
        InitOneCustomer(c);
        c.CustomerID = id;
        c.Email = "p" + std::to_string(id) + "@example.jp";
        return book.SetOneCustomerInfoForRepair(c);
    }
    std::string old_;
};

TEST_F(EnvSwitchTest, FailedSwitchLeavesTheOpenEnvironmentAsItWas) {
    struct Case {
        const char* name;
        std::function<void(const std::string&)> damage;
        const char* caption;
    } cases[] = {
        {"NoDescriptor", [](const std::string& d) { std::filesystem::remove(d); }, "環境読み込み異常"},
        {"Locked", [this](const std::string& d) {
             auto env = OpenOwn(d);
             ASSERT_EQ(env->SetUseEnvPasswordFlag("Y"), 0);
             ui_.passwordAnswer = false;
         },
         "パスワード認証が必要"},
        {"Options", [this](const std::string& d) { WriteRecord(d, Folder("Options") + "systemoption.dat", {"a"}); },
         "システム設定ファイル異常"},
        {"Book", [this](const std::string& d) { WriteRecord(d, Folder("Book") + "DB/database.dat", {"a"}); },
         "個人情報読み込み異常"},
        {"Mails", [this](const std::string&) { std::filesystem::remove(Folder("Mails") + "MAIL/maillist.dat"); },
         "メール一覧読み込み異常"},
    };
    EnvManager* const env = service_->GetEnvManager();
    CDatabaseEdit* const book = service_->GetDatabaseEdit();
    CMailListViewer* const mails = service_->GetMailListViewer();
    shell::SchedulerControl* const scheduler = service_->GetScheduler();
    for (const Case& c : cases) {
        const std::string next = MakeEnv(c.name);
        c.damage(next);
        const envsvc::Snapshot oldFiles = Snap(Folder("Old"));
        const envsvc::Snapshot nextFiles = Snap(Folder(c.name));
        prompts_.clear();

        EXPECT_EQ(service_->OpenEnvironment(next), 0) << c.name;
        ASSERT_EQ(prompts_.prompts().size(), 1u) << c.name;
        EXPECT_EQ(prompts_.prompts()[0].caption, U8(c.caption));
        EXPECT_TRUE(service_->IsOpen());
        EXPECT_EQ(service_->DescriptorPath(), old_) << "the way back names the environment still open";
        EXPECT_EQ(service_->GetEnvManager(), env);
        EXPECT_EQ(service_->GetDatabaseEdit(), book);
        EXPECT_EQ(service_->GetMailListViewer(), mails);
        EXPECT_EQ(service_->GetScheduler(), scheduler);
        EXPECT_EQ(Snap(Folder("Old")), oldFiles) << c.name;
        if (std::string(c.name) != "Mails") {
            // Up to the book nothing is written; past it only the next environment's own
            // recovery writes its own folder.
            EXPECT_EQ(Snap(Folder(c.name)), nextFiles) << c.name;
        }
        ui_.passwordAnswer = true;
    }

    // Still writable, into its own folder.
    ASSERT_EQ(AddPerson(*book, 3), 0);
    ASSERT_EQ(book->WriteFromMemoryToFile(), 0);
    EXPECT_EQ(BookIds(old_, Folder("Old") + "DB/database.dat"), (std::vector<int>{1, 2, 3}));
    ASSERT_EQ(AddMail(*mails, 7), 0);
    ASSERT_EQ(mails->WriteMailList(0), 0);
    auto own = OpenOwn(old_);
    CMailListViewer reread(own.get());
    EXPECT_EQ(reread.FindMailData(7), 0);
}

TEST_F(EnvSwitchTest, SuccessfulSwitchSavesWhatTheOpenEnvironmentHeld) {
    ASSERT_EQ(AddPerson(*service_->GetDatabaseEdit(), 3), 0);
    ASSERT_EQ(AddMail(*service_->GetMailListViewer(), 7), 0);
    const std::string next = MakeEnv("Next");

    ASSERT_EQ(service_->OpenEnvironment(next), 1);
    EXPECT_EQ(service_->DescriptorPath(), next);
    EXPECT_EQ(RecentKey(0), next);
    EXPECT_EQ(RecentKey(1), old_);
    EXPECT_EQ(service_->GetDatabaseEdit()->GetDBCountWithoutDelete(), 0);
    EXPECT_EQ(BookIds(old_, Folder("Old") + "DB/database.dat"), (std::vector<int>{1, 2, 3}));
    auto env = OpenOwn(old_);
    CMailListViewer oldMails(env.get());
    EXPECT_EQ(oldMails.FindMailData(7), 0);
}

TEST_F(EnvSwitchTest, SwitchToTheOpenEnvironmentReadsWhatWasJustSaved) {
    ASSERT_EQ(AddPerson(*service_->GetDatabaseEdit(), 3), 0);
    ASSERT_EQ(service_->OpenEnvironment(old_), 1);
    std::vector<int> ids;
    service_->GetDatabaseEdit()->GetDBIDALL(ids);
    EXPECT_EQ(ids, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(BookIds(old_, Folder("Old") + "DB/database.dat"), (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(prompts_.prompts().empty());

    // A re-open of itself that fails keeps it open, and in the recent list.
    ASSERT_EQ(OpenOwn(old_)->SetUseEnvPasswordFlag("Y"), 0);
    ui_.passwordAnswer = false;
    EXPECT_EQ(service_->OpenEnvironment(old_), 0);
    EXPECT_EQ(service_->DescriptorPath(), old_);
    EXPECT_EQ(RecentKey(0), old_);
}

TEST_F(EnvSwitchTest, SaveThatFailsStopsTheSwitch) {
    CDatabaseEdit* const book = service_->GetDatabaseEdit();
    ASSERT_EQ(AddPerson(*book, 3), 0);
    const std::string next = MakeEnv("Next");
    const envsvc::Snapshot nextFiles = Snap(Folder("Next"));
    const std::string recent = ReadFile(programIni_);

    platform::AtomicFile::FailNextCommitForTesting();
    EXPECT_EQ(service_->OpenEnvironment(next), 0);
    ASSERT_EQ(prompts_.prompts().size(), 1u);
    EXPECT_EQ(prompts_.prompts()[0].text, U8("個人情報データベースファイルのセーブに失敗しました"));
    EXPECT_EQ(prompts_.prompts()[0].caption, U8("環境の切り替えはできません"));
    EXPECT_EQ(service_->GetDatabaseEdit(), book);
    EXPECT_EQ(Snap(Folder("Next")), nextFiles);
    EXPECT_EQ(ReadFile(programIni_), recent);  // the next environment did not fail

    // The change is still there, and the next try saves it.
    ASSERT_EQ(service_->OpenEnvironment(next), 1);
    EXPECT_EQ(BookIds(old_, Folder("Old") + "DB/database.dat"), (std::vector<int>{1, 2, 3}));
}

}  // namespace
