// Recovery at open: a book that lost records since its generations were made gets them
// back, with the report files and the message compared byte for byte; records whose
// address was taken meanwhile are reported; a second run finds nothing; a book that cannot
// be saved keeps every generation; SAVE_MAX is honoured.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "address_book_test_util.h"
#include "core/addressbook/file_history.h"
#include "core/addressbook/open_recovery.h"
#include "core/foundation/cp932.h"
#include "core/foundation/ini_manager.h"
#include "core/foundation/store_key.h"
#include "platform/path.h"
#include "platform/safe_write.h"

namespace {

using platform::DateTime;

class OpenRecoveryTest : public abtest::AddressBookEnv {
protected:
    void SetUp() override {
        AddressBookEnv::SetUp();
        Open(env_, true);
        SetNow(DateTime(2024, 3, 4, 5, 6, 7));
    }
    std::string Db(const std::string& name) const { return folder_ + "DB/" + name; }
    std::string Ini() const { return folder_ + "QuendrelT.ini"; }

    static void Put(CDatabaseEdit& book, int id) {
        OneCustomer c = Person("a" + std::to_string(id) + "@example.jp");
        c.CustomerID = id;
        ASSERT_EQ(book.SetOneCustomerInfoForRepair(c), 0);
    }
    // Records in a file of the book's layout and coding.
    int Count(const std::string& path) {
        StoreKey key;
        EXPECT_EQ(GetStoreKey(&env_, key), 0);
        CDatabaseEdit file;
        return file.ReadFromFileToMemoryAppointFileName(path, key.get());
    }
    std::vector<int> Ids(CDatabaseEdit& book) {
        std::vector<int> ids;
        book.GetDBIDALL(ids);
        return ids;
    }
    // Saves records 1-3, then 4, then 5, making a generation (of three kept) after each
    // save; then, when `lose`, the book loses 4 and 5 (its file is the oldest generation
    // again).
    void MakeGenerations(bool lose = true) {
        WriteFile(DatabaseFile(), "");
        CDatabaseEdit book(&env_);
        ASSERT_EQ(book.ReadCustomerList(), 0);
        CFileHistory history;
        history.SetHistoryNum(3);
        ASSERT_EQ(history.SetSaveDirPath(Db(""), 0), 0);
        ASSERT_EQ(history.SetTargetFileName(DatabaseFile()), 0);
        for (const std::vector<int>& ids : {std::vector<int>{1, 2, 3}, {4}, {5}}) {
            for (int id : ids) Put(book, id);
            ASSERT_EQ(book.WriteFromMemoryToFile(), 0);
            ASSERT_EQ(history.ExecuteCopy(), 0);
        }
        EXPECT_EQ(Count(Db("database.001")), 5);
        EXPECT_EQ(Count(Db("database.002")), 4);
        EXPECT_EQ(Count(Db("database.003")), 3);
        if (lose) WriteFile(DatabaseFile(), ReadFile(Db("database.003")));
        ASSERT_TRUE(CIniManager::WriteProfileInt(Ini(), "HISTORY", "SAVE_MAX", 3));
        book_ = std::make_unique<CDatabaseEdit>(&env_);
        ASSERT_EQ(book_->ReadCustomerList(), lose ? 3 : 5);
    }
    // The file with the temporary folder written as "<BASE>/".
    std::string Masked(std::string text) const {
        for (std::size_t at; (at = text.find(base_)) != std::string::npos;) text.replace(at, base_.size(), "<BASE>/");
        return text;
    }
    static std::string Golden(const std::string& name) { return ReadFile(std::string(OMBREL_TESTDATA) + "/" + name); }
    std::vector<std::string> Reports() const {
        std::vector<std::string> out;
        for (const auto& e : std::filesystem::directory_iterator(Db("")))
            if (e.path().extension() == ".txt") out.push_back(e.path().filename().string());
        return out;
    }

    EnvManager env_;
    std::unique_ptr<CDatabaseEdit> book_;
};

const char* const kReport = "database_001_Env_20240304050607.txt";

TEST_F(OpenRecoveryTest, LostRecordsComeBackThenNothingIsFound) {
    MakeGenerations();
    OpenRecoveryResult out;
    ASSERT_EQ(RecoverAddressBookAtOpen(*book_, env_, out), 0);
    EXPECT_TRUE(out.restored);
    EXPECT_FALSE(out.duplicates);
    EXPECT_FALSE(out.error);
    EXPECT_EQ(Ids(*book_), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(Reports(), std::vector<std::string>{kReport});  // 002 and 003 gave nothing
    EXPECT_EQ(Masked(ReadFile(Db(kReport))), Golden("recovery_restored_report.golden"));
    EXPECT_EQ(Masked(out.messageText), Golden("recovery_restored_message.golden"));
    EXPECT_EQ(out.messageCaption, SjisLiteral("データ復旧完了"));
    // Saved, then rotated.
    EXPECT_EQ(Count(DatabaseFile()), 5);
    EXPECT_EQ(Count(Db("database.001")), 5);
    EXPECT_EQ(Count(Db("database.002")), 5);
    EXPECT_EQ(Count(Db("database.003")), 4);

    SetNow(DateTime(2024, 3, 5, 0, 0, 0));
    CDatabaseEdit again(&env_);
    ASSERT_EQ(again.ReadCustomerList(), 5);
    ASSERT_EQ(RecoverAddressBookAtOpen(again, env_, out), 0);
    EXPECT_FALSE(out.restored || out.duplicates || out.error);
    EXPECT_EQ(out.report, "");
    EXPECT_EQ(out.messageCaption, "");
    EXPECT_EQ(Reports(), std::vector<std::string>{kReport});
}

TEST_F(OpenRecoveryTest, RecordWhoseAddressWasTakenIsReported) {
    MakeGenerations();
    OneCustomer taker = Person("A5@example.jp");  // record 5's address, now under ID 6
    taker.CustomerID = 6;
    ASSERT_EQ(book_->SetOneCustomerInfoForRepair(taker), 0);

    OpenRecoveryResult out;
    ASSERT_EQ(RecoverAddressBookAtOpen(*book_, env_, out), 0);
    EXPECT_TRUE(out.restored);
    EXPECT_TRUE(out.duplicates);
    EXPECT_EQ(Ids(*book_), (std::vector<int>{1, 2, 3, 4, 6}));
    EXPECT_EQ(Masked(ReadFile(Db(kReport))), Golden("recovery_refused_report.golden"));
    EXPECT_EQ(Masked(out.messageText), Golden("recovery_refused_message.golden"));
    EXPECT_EQ(out.messageCaption, SjisLiteral("データ復旧完了(一部、メールアドレス重複)"));
}

TEST_F(OpenRecoveryTest, BookThatCannotBeSavedKeepsEveryGeneration) {
    MakeGenerations(false);
    Put(*book_, 6);  // not saved yet: the generations hold nothing to restore
    std::vector<std::string> before;
    for (const char* name : {"database.dat", "database.001", "database.002", "database.003"})
        before.push_back(ReadFile(Db(name)));

    platform::AtomicFile::FailNextCommitForTesting();
    OpenRecoveryResult out;
    EXPECT_EQ(RecoverAddressBookAtOpen(*book_, env_, out), -1);
    EXPECT_EQ(Ids(*book_), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    std::vector<std::string> after;
    for (const char* name : {"database.dat", "database.001", "database.002", "database.003"})
        after.push_back(ReadFile(Db(name)));
    EXPECT_EQ(after, before);

    // The next save writes what the book holds.
    EXPECT_EQ(book_->WriteFromMemoryToFile(), 0);
    EXPECT_EQ(Count(DatabaseFile()), 6);
}

TEST_F(OpenRecoveryTest, GenerationCountFromTheIni) {
    WriteFile(DatabaseFile(), "");
    CDatabaseEdit book(&env_);
    ASSERT_EQ(book.ReadCustomerList(), 0);
    Put(book, 1);

    // Missing: taken and written as 1.
    EXPECT_EQ(ReadGenerationCount(env_), 1);
    EXPECT_EQ(CIniManager::GetProfileIntA(Ini(), "HISTORY", "SAVE_MAX", 99), 1u);

    // Below 1: no restore, no save, no generation.
    ASSERT_TRUE(CIniManager::WriteProfileInt(Ini(), "HISTORY", "SAVE_MAX", 0));
    OpenRecoveryResult out;
    EXPECT_EQ(RecoverAddressBookAtOpen(book, env_, out), 0);
    EXPECT_EQ(ReadFile(DatabaseFile()), "");
    EXPECT_FALSE(platform::PathExists(Db("database.001")));

    ASSERT_TRUE(CIniManager::WriteProfileInt(Ini(), "HISTORY", "SAVE_MAX", 1));
    EXPECT_EQ(RecoverAddressBookAtOpen(book, env_, out), 0);
    EXPECT_EQ(Count(DatabaseFile()), 1);
    EXPECT_EQ(Count(Db("database.001")), 1);
    EXPECT_FALSE(platform::PathExists(Db("database.002")));
}

}  // namespace
