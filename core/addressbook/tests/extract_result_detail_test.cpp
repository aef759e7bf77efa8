// Extraction results: adding and removing IDs, the owner checks and file codes, the
// joined page that drops erased customers, and the one write that follows.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/addressbook/extract_list_viewer.h"
#include "core/addressbook/extract_result_detail.h"
#include "core/mailstore/mail_list_viewer.h"
#include "extraction_test_util.h"

namespace {

class ExtractResultDetailTest : public extest::ExtractionEnv, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        ExtractionEnv::SetUp();
        OpenBook(GetParam());
        for (int id = 1; id <= 6; ++id)
            Put(id, "m" + std::to_string(id) + "@example.com", "sei" + std::to_string(id), "co", "", "", "",
                id == 4 ? "N" : "Y");
        lists_ = std::make_unique<ExtractListViewer>(&env_);
        ExtractViewData entry;
        entry.id = 5;
        entry.name = "members";
        ASSERT_EQ(lists_->InsertExtractList(entry), 1);
        mails_.mails = {20};
    }
    std::unique_ptr<ExtractResultDetail> Members() {
        return std::make_unique<ExtractResultDetail>(&env_, &mails_, lists_.get(), book_.get(), ER_TYPE_EXTRACT, 5);
    }
    std::string MembersFile() const { return folder_ + "EXTRACT/exsl5.dat"; }

    extest::FakeMailList mails_;
    std::unique_ptr<ExtractListViewer> lists_;
};

TEST_P(ExtractResultDetailTest, AddAndRemove) {
    auto r = Members();
    EXPECT_EQ(r->AddDBID(3), 1);
    EXPECT_EQ(r->AddDBID(1), 2);
    EXPECT_EQ(r->AddDBID(3), 2);   // once only
    EXPECT_EQ(r->AddDBID(4), 2);   // refuses advertising mail
    EXPECT_EQ(r->AddDBID(99), -13);
    EXPECT_EQ(r->GetErrMsg().GetLastCode(), 3103);
    EXPECT_EQ(r->ExtractDBID2RowNumber(1), 1);
    EXPECT_EQ(r->ExtractDBID2RowNumber(4), -1);
    ASSERT_EQ(r->WriteAllOnMemoryDBIDToFile(), 0);
    EXPECT_FALSE(r->IsListChanged());

    EXPECT_EQ(r->RemoveDBID(2), -14);
    EXPECT_EQ(r->GetErrMsg().GetLastCode(), 3104);
    EXPECT_FALSE(r->IsListChanged());
    EXPECT_EQ(r->RemoveDBID(3), 1);
    EXPECT_TRUE(r->IsListChanged());
    EXPECT_EQ(r->AddDBID(3), 2);  // may come back
    EXPECT_EQ(r->SortByDBID(), 0);
    EXPECT_EQ(r->IDs(), (std::vector<int>{1, 3}));

    // Many at once, in one pass: the rest keep their order, strangers are passed over.
    ASSERT_EQ(r->ALLRemoveDBID(), 0);
    ASSERT_EQ(r->SetDBIDFromCListInt({6, 5, 3, 2, 1}, 1, 0), 0);
    EXPECT_EQ(r->RemoveDBIDs({5, 99, 2, 5}), 3);
    EXPECT_EQ(r->IDs(), (std::vector<int>{6, 3, 1}));
    EXPECT_EQ(r->RemoveDBIDs({}), 3);

    // A check that fails adds nothing; without the check an unknown ID ends the adding.
    EXPECT_EQ(r->SetDBIDFromCListInt({2, 77}, 1, 0), -13);
    EXPECT_EQ(r->GetRecordNumber(), 3);
    EXPECT_EQ(r->SetDBIDFromCListInt({2, 4, 77, 5}, 0, 1), -13);
    EXPECT_EQ(r->IDs(), (std::vector<int>{6, 3, 1, 2}));
    ASSERT_EQ(r->SetDBIDFromCListInt({5}, 0, 1), 0);
    EXPECT_EQ(r->IDs(), (std::vector<int>{1, 2, 3, 5, 6}));

    std::vector<int> out;
    EXPECT_EQ(r->GetDBIDToCListInt(out, 1), 0);
    EXPECT_EQ(out, r->IDs());
    EXPECT_EQ(r->GetAllDBIDWithoutDeleteFromDBToCListInt(out), 6);
}

TEST_P(ExtractResultDetailTest, OwnersAndFiles) {
    ExtractResultDetail r(&env_, &mails_, lists_.get(), book_.get());
    EXPECT_EQ(mails_.env, &env_);  // the environment is handed on
    EXPECT_EQ(r.SetTypeAndID(ER_TYPE_MAIL, -1), -1);
    EXPECT_EQ(r.GetErrMsg().GetLastCode(), 3001);
    EXPECT_EQ(r.SetTypeAndID(ER_TYPE_MAIL, 21), -2);
    EXPECT_EQ(r.SetTypeAndID(ER_TYPE_EXTRACT, 6), -3);
    EXPECT_EQ(r.SetTypeAndID(static_cast<ERTYPE>(3), 5), -6);
    EXPECT_EQ(r.AddDBID(1), -5);  // no owner yet

    // A mail's recipients.
    std::filesystem::create_directories(folder_ + "MAIL/20");
    ASSERT_EQ(r.SetTypeAndID(ER_TYPE_MAIL, 20), 0);
    EXPECT_EQ(r.GetDBIDListFromFileToMemory(0, nullptr), -31);
    EXPECT_EQ(r.GetErrMsg().GetLastCode(), 3201);
    ASSERT_EQ(r.SetDBIDFromCListInt({2, 1}, 1, 0), 0);
    ASSERT_EQ(r.WriteAllOnMemoryDBIDToFile(), 0);
    ExtractResultDetail back(&env_, &mails_, nullptr, book_.get(), ER_TYPE_MAIL, 20);
    ASSERT_EQ(back.GetDBIDListFromFileToMemory(0, nullptr), 0);
    EXPECT_EQ(back.IDs(), (std::vector<int>{2, 1}));
    EXPECT_EQ(back.AddDBID(2), 2);  // loaded IDs count as present
    // Nothing changed since the load: the plain write writes nothing.
    std::filesystem::remove(folder_ + "MAIL/20/meli20.dat");
    EXPECT_EQ(back.WriteAllOnMemoryDBIDToFile(), 0);
    EXPECT_FALSE(std::filesystem::exists(folder_ + "MAIL/20/meli20.dat"));
    mails_.mails.clear();
    EXPECT_EQ(back.WriteAllOnMemoryDBIDToFileCompel(), -2);

    // A new saved extraction writes under its new number and keeps ID -1.
    ExtractResultDetail fresh(&env_, &mails_, lists_.get(), book_.get(), ER_TYPE_EXTRACT, -1);
    ASSERT_EQ(fresh.AddDBID(6), 1);
    EXPECT_EQ(fresh.WriteAllOnMemoryDBIDToFile(), -5);
    ASSERT_EQ(fresh.WriteAllOnMemoryDBIDToFileNew(5), 0);
    EXPECT_EQ(fresh.GetID(), -1);
    EXPECT_EQ(r.WriteAllOnMemoryDBIDToFileNew(5), -8);       // a mail owner
    EXPECT_EQ(back.WriteAllOnMemoryDBIDToFileNew(5), -4);    // no saved-extraction list

    // Load codes.
    auto m = Members();
    ASSERT_EQ(m->GetDBIDListFromFileToMemory(0, nullptr), 0);
    EXPECT_EQ(m->IDs(), (std::vector<int>{6}));
    WriteFile(MembersFile(), "");
    EXPECT_EQ(m->GetDBIDListFromFileToMemory(0, nullptr), -32);
    EXPECT_EQ(m->GetErrMsg().GetLastCode(), 3202);
    struct BadFile {
        std::vector<std::vector<std::string>> records;
    };
    for (const BadFile& b : {BadFile{{{"1"}, {"x"}}}, BadFile{{{"1", "2"}}}}) {
        WriteRecords(MembersFile(), b.records);
        EXPECT_EQ(m->GetDBIDListFromFileToMemory(0, nullptr), -33);
        EXPECT_EQ(m->GetErrMsg().GetLastCode(), 3203);
        EXPECT_EQ(m->GetRecordNumber(), 0);
        EXPECT_EQ(m->WriteAllOnMemoryDBIDToFileCompel(), -35);  // never over a file that did not read
    }
    for (const bool opens : {false, true}) {  // cannot be opened / opens but does not read
        std::filesystem::remove(MembersFile());
        if (opens) std::filesystem::create_directory(MembersFile());
        else MakeUnopenable(MembersFile());
        EXPECT_EQ(m->GetDBIDListFromFileToMemory(0, nullptr), -34);
        EXPECT_EQ(m->GetErrMsg().GetLastCode(), 3204);
        EXPECT_EQ(m->WriteAllOnMemoryDBIDToFileCompel(), -35);
        EXPECT_EQ(std::filesystem::is_directory(MembersFile()), opens);
    }
}

TEST_P(ExtractResultDetailTest, PageDropsErasedCustomersAndWritesOnce) {
    auto r = Members();
    ASSERT_EQ(r->SetDBIDFromCListInt({1, 2, 3, 5, 6}, 1, 0), 0);
    ASSERT_EQ(r->WriteAllOnMemoryDBIDToFile(), 0);
    ASSERT_EQ(book_->PhysicalDeletion(2), 0);
    ASSERT_EQ(book_->PhysicalDeletion(3), 0);

    std::vector<ERDetailPlusDB> rows;
    ASSERT_EQ(r->GetIDPlusDBDataFromDBFile(rows, 0, 1), 2);  // the erased give their places
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].customerID, 1);
    EXPECT_EQ(rows[0].mail, "m1@example.com");
    EXPECT_EQ(rows[0].familyName, "sei1");
    EXPECT_EQ(rows[0].company, "co");
    EXPECT_TRUE(rows[0].renewal.IsValid());
    EXPECT_EQ(rows[1].customerID, 5);
    EXPECT_EQ(r->IDs(), (std::vector<int>{1, 5, 6}));
    EXPECT_FALSE(r->IsListChanged());  // written
    auto reread = Members();
    ASSERT_EQ(reread->GetDBIDListFromFileToMemory(0, nullptr), 0);
    EXPECT_EQ(reread->IDs(), (std::vector<int>{1, 5, 6}));

    // A write that fails is reported; the page and the list in memory stand.
    ASSERT_EQ(book_->PhysicalDeletion(6), 0);
    std::filesystem::remove(MembersFile());
    std::filesystem::create_directory(MembersFile());  // nothing can be renamed over it
    EXPECT_EQ(r->GetIDPlusDBDataFromDBFile(rows, -1, -1), -35);
    EXPECT_EQ(rows.size(), 2u);
    EXPECT_EQ(r->IDs(), (std::vector<int>{1, 5}));

    ASSERT_EQ(r->AddDBID(3), 2);  // erased, but still a record of the book
    ExtractResultDetail gone(&env_, &mails_, lists_.get(), book_.get(), ER_TYPE_EXTRACT, -1);
    ASSERT_EQ(gone.SetDBIDFromCListInt({1}, 1, 0), 0);
    EXPECT_EQ(gone.GetIDPlusDBDataFromDBFile(rows, -1, -1), 1);
}

TEST_P(ExtractResultDetailTest, MailOwnersAreCheckedInTheMailList) {
    WriteFile(folder_ + "MAIL/maillist.dat", "");  // an empty mail list
    CMailListViewer mailList;
    ExtractResultDetail r(&env_, &mailList, lists_.get(), book_.get());
    EXPECT_EQ(mailList.GetEnvManager(), &env_);  // handed on, and the list read
    COneMailData mail;
    mail.SetMailID(31);
    ASSERT_EQ(mailList.SetMailData(mail), 0);
    EXPECT_EQ(r.SetTypeAndID(ER_TYPE_MAIL, 32), -2);
    EXPECT_EQ(r.GetErrMsg().GetLastCode(), 3002);
    ASSERT_EQ(r.SetTypeAndID(ER_TYPE_MAIL, 31), 0);
    std::filesystem::create_directories(folder_ + "MAIL/31");
    ASSERT_EQ(r.AddDBID(1), 1);
    ASSERT_EQ(r.WriteAllOnMemoryDBIDToFile(), 0);
    EXPECT_TRUE(std::filesystem::exists(folder_ + "MAIL/31/meli31.dat"));
    ASSERT_EQ(mailList.RemoveMailData(31), 0);
    EXPECT_EQ(r.WriteAllOnMemoryDBIDToFileCompel(), -2);  // the mail is gone
}

INSTANTIATE_TEST_SUITE_P(KeyedAndUnkeyed, ExtractResultDetailTest, ::testing::Bool());

}  // namespace
