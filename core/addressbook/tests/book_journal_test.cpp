// The address book's journal: what a change leaves on the disk before it returns, what the
// next open makes of a journal that a crash cut short, and of one written for a book that
// has been replaced since.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "address_book_test_util.h"
#include "core/addressbook/address_import.h"
#include "core/foundation/cp932.h"
#include "core/foundation/record_coding.h"
#include "core/foundation/sequencer.h"
#include "core/foundation/tests/syscall_faults.h"

namespace {

class BookJournalTest : public abtest::AddressBookEnv, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        AddressBookEnv::SetUp();
        Open(env_, GetParam());
        WriteFile(DatabaseFile(), "");
        book_ = std::make_unique<CDatabaseEdit>(&env_);
        ASSERT_EQ(book_->ReadCustomerList(), 0);
        a_ = Add(*book_, "a@example.jp");
        b_ = Add(*book_, "b@example.jp");
        c_ = Add(*book_, "c@example.jp");
        ASSERT_EQ(book_->WriteFromMemoryToFile(), 0);
        ASSERT_FALSE(std::filesystem::exists(JournalFile()));
    }
    void TearDown() override {
        book_.reset();
        AddressBookEnv::TearDown();
    }

    std::string JournalFile() const { return folder_ + "DB/database.jnl"; }
    std::uintmax_t JournalSize() const {
        std::error_code ec;
        const auto n = std::filesystem::file_size(JournalFile(), ec);
        return ec ? 0 : n;
    }
    // A store that opens the book afresh, as the next start does.
    std::unique_ptr<CDatabaseEdit> Reopen(int rows) {
        auto book = std::make_unique<CDatabaseEdit>(&env_);
        EXPECT_EQ(book->ReadCustomerList(), rows);
        return book;
    }
    void Edit(CDatabaseEdit& book, int id, int element, const std::string& value) {
        OneCustomer c;
        ASSERT_EQ(book.GetOneCustomerForEdit(c, id), 0);
        *c.Field(element) = value;
        ASSERT_EQ(book.SetOneCustomerInfo(c, 0), 0);
    }

    EnvManager env_;
    std::unique_ptr<CDatabaseEdit> book_;
    int a_ = 0, b_ = 0, c_ = 0;
};

// Whole batches survive; a batch cut anywhere (inside a record, between its records, inside
// its end record, after a line break within a quoted value) is dropped as a whole and cut
// off the file, and what is appended afterwards is read again. A cut that takes records
// which read whole is told, the bytes kept, the book saved whole; a batch that lost only
// its last line end is whole.
TEST_P(BookJournalTest, TornLastEntryIsDroppedAtEveryByte) {
    Edit(*book_, a_, kElemCompany, "one");
    ASSERT_EQ(book_->DeleteCustomer(b_), 0);
    const std::uintmax_t whole = JournalSize();
    ASSERT_GT(whole, 0u);
    const std::string tricky = Utf8ToSjis("複数,\"行\"\r\n表示");
    {
        CDatabaseEdit::ChangeGroup group(*book_);
        Edit(*book_, c_, kElemExtraFirst, tricky);
        Add(*book_, "d@example.jp");
        ASSERT_EQ(JournalSize(), whole);  // nothing of a group is written before its end
        ASSERT_EQ(group.Commit(), 0);
    }
    const std::string journal = ReadFile(JournalFile());
    const std::string bookFile = ReadFile(DatabaseFile());
    ASSERT_GT(journal.size(), whole);
    // Where each record ends (after its line end outside quotes).
    std::vector<std::size_t> ends;
    {
        StoreKey key;
        ASSERT_EQ(GetStoreKey(&env_, key), 0);
        const unsigned char* decode = key.keyed ? RecordDecodeTable(GetKeyNumber(key.text)) : DefaultDecodeTable();
        bool open = false;
        for (std::size_t i = 0; i < journal.size(); ++i) {
            const char c = static_cast<char>(decode[static_cast<unsigned char>(journal[i])]);
            if (c == '"') open = !open;
            if (c == '\n' && !open) ends.push_back(i + 1);
        }
    }

    for (std::size_t cut = whole; cut <= journal.size(); ++cut) {
        SCOPED_TRACE(cut);
        WriteFile(DatabaseFile(), bookFile);
        WriteFile(JournalFile(), journal.substr(0, cut));
        const bool complete = cut + 2 >= journal.size();
        bool readable = false;  // a record of the torn batch reads whole up to its closing quote
        for (const std::size_t e : ends) readable = readable || (e > whole && e - 2 <= cut);
        readable = readable && !complete;
        std::filesystem::remove(ProgressJournal::DamagedCopyPath(JournalFile(), 1));
        auto book = Reopen(complete ? 4 : 3);
        EXPECT_EQ(book->GetCustomerDataPinPoint(a_, kElemCompany), "one");
        EXPECT_EQ(book->FindCustomerID(b_, 0), 0);
        EXPECT_EQ(book->GetCustomerDataPinPoint(c_, kElemExtraFirst), complete ? tricky : "");
        EXPECT_EQ(book->GetJournalDamage().found, readable);
        if (readable) {
            EXPECT_EQ(book->GetJournalDamage().lostChanges, BookJournal::kUnknownLoss);
            EXPECT_EQ(book->GetJournalDamage().keptCopy, ProgressJournal::DamagedCopyPath(JournalFile(), 1));
            EXPECT_EQ(JournalSize(), 0u);  // saved whole
        } else {
            EXPECT_EQ(JournalSize(), complete ? journal.size() : whole);
            EXPECT_EQ(ReadFile(DatabaseFile()), bookFile);  // the open wrote nothing whole
        }
        if (cut == whole + 1 || cut == journal.size() - 1) {
            Edit(*book, a_, kElemCompany, "two");
            auto again = Reopen(complete ? 4 : 3);
            EXPECT_EQ(again->GetCustomerDataPinPoint(a_, kElemCompany), "two");
            EXPECT_EQ(again->FindCustomerID(b_, 0), 0);
        }
        if (HasFatalFailure()) return;
    }
}

// A journal never replays over a book that replaced the one it was written for: a backup
// copied over the book, a file renamed over it, a whole save that a crash kept from
// removing it. The same bytes moved or touched keep it: it is the content that counts.
TEST_P(BookJournalTest, JournalFollowsTheBooksContent) {
    // A backup of another state of the book, written by a store that is not the book.
    const std::string backup = base_ + "backup.dat";
    std::filesystem::copy_file(DatabaseFile(), backup);
    {
        StoreKey key;
        ASSERT_EQ(GetStoreKey(&env_, key), 0);
        CDatabaseEdit other(&env_);
        ASSERT_EQ(other.ReadFromFileToMemoryAppointFileName(backup, key.get()), 3);
        Edit(other, b_, kElemCompany, "backup");
        ASSERT_EQ(other.WriteFromMemoryToFile(), 0);
    }
    Edit(*book_, a_, kElemCompany, "journaled");
    const std::string journal = ReadFile(JournalFile());
    const std::string bookFile = ReadFile(DatabaseFile());

    struct Case {
        const char* name;
        void (*change)(const std::string& book, const std::string& backup);
        const char* a;  // record a's company after the next open
        const char* b;
    } cases[] = {
        {"same bytes, new file and time", [](const std::string& book, const std::string&) {
             std::filesystem::copy_file(book, book + ".moved");
             std::filesystem::rename(book + ".moved", book);
             std::filesystem::last_write_time(book, std::filesystem::file_time_type::clock::now() - std::chrono::hours(48));
         }, "journaled", ""},
        {"backup copied over", [](const std::string& book, const std::string& backup) {
             std::filesystem::copy_file(backup, book, std::filesystem::copy_options::overwrite_existing);
         }, "", "backup"},
        {"backup renamed over", [](const std::string& book, const std::string& backup) {
             std::filesystem::copy_file(backup, backup + ".2");
             std::filesystem::rename(backup + ".2", book);
         }, "", "backup"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(DatabaseFile(), bookFile);
        WriteFile(JournalFile(), journal);
        c.change(DatabaseFile(), backup);
        auto book = Reopen(3);
        EXPECT_EQ(book->GetCustomerDataPinPoint(a_, kElemCompany), c.a);
        EXPECT_EQ(book->GetCustomerDataPinPoint(b_, kElemCompany), c.b);
        EXPECT_EQ(std::filesystem::exists(JournalFile()), std::string(c.a) == "journaled");
    }

    // Saved whole with a later value; the old journal, put back, must not undo it.
    WriteFile(DatabaseFile(), bookFile);
    WriteFile(JournalFile(), journal);
    auto book = Reopen(3);
    Edit(*book, a_, kElemCompany, "saved");
    ASSERT_EQ(book->WriteFromMemoryToFile(), 0);
    EXPECT_FALSE(std::filesystem::exists(JournalFile()));
    WriteFile(JournalFile(), journal);
    EXPECT_EQ(Reopen(3)->GetCustomerDataPinPoint(a_, kElemCompany), "saved");
}

// A copy of the table written beside the book and later renamed over it (as the receive
// run installs its staged save) takes the changes made after the copy; a copy never put in
// place changes nothing.
TEST_P(BookJournalTest, CopyPutInPlaceTakesTheChangesMadeAfterIt) {
    const std::string staged = DatabaseFile() + ".rcv";
    StoreKey key;
    ASSERT_EQ(GetStoreKey(&env_, key), 0);
    Edit(*book_, a_, kElemCompany, "before");
    ASSERT_EQ(book_->WriteFromMemoryToFileAppointFileName(staged, key.get()), 0);
    Edit(*book_, b_, kElemCompany, "after");
    const std::string journal = ReadFile(JournalFile());

    for (bool installed : {false, true}) {
        SCOPED_TRACE(installed ? "installed" : "not installed");
        if (installed) std::filesystem::rename(staged, DatabaseFile());
        WriteFile(JournalFile(), journal);
        auto book = Reopen(3);
        EXPECT_EQ(book->GetCustomerDataPinPoint(a_, kElemCompany), "before");
        EXPECT_EQ(book->GetCustomerDataPinPoint(b_, kElemCompany), "after");
        // And the store goes on journaling over the file it found.
        Edit(*book, c_, kElemCompany, "later");
        EXPECT_EQ(Reopen(3)->GetCustomerDataPinPoint(c_, kElemCompany), "later");
    }
}

// The journal is coded like the book: neither the address nor the name is in it as text.
TEST_P(BookJournalTest, JournalIsCodedLikeTheBook) {
    const std::string name = Utf8ToSjis("秘密太郎");
    OneCustomer c = Person("secret.person@example.jp", name);
    ASSERT_EQ(book_->SetOneCustomerInfo(c, 0), 0);
    const std::string journal = ReadFile(JournalFile());
    EXPECT_EQ(journal.find("secret.person"), std::string::npos);
    EXPECT_EQ(journal.find(name), std::string::npos);
    EXPECT_EQ(Reopen(4)->GetCustomerDataPinPoint(c.CustomerID, kElemKanjiSei), name);
}

// A whole save that changes the book's key, and cannot remove the journal written in the
// old key: the changes made after it are never appended to that file (read in the new key
// at the next open, it would be set aside with them as not ours, or told as damage); a file
// begun in the new key takes its place, and each change is there after a fresh open.
TEST_P(BookJournalTest, ChangesAfterAKeyChangeOutliveAJournalLeftInTheOldKey) {
    const struct {
        const char* name;
        int failures;  // of the journal's removal
    } cases[] = {{"removal fails once", 1}, {"removal keeps failing", 1000}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string tag = c.name;
        book_ = Reopen(3);
        Edit(*book_, a_, kElemCompany, tag + " a");
        ASSERT_GT(JournalSize(), 0u);
        StoreKey before, after;
        ASSERT_EQ(GetStoreKey(&env_, before), 0);
        std::filesystem::remove(descriptor_);
        CreateKeyed(env_);  // a fresh data key
        ASSERT_EQ(GetStoreKey(&env_, after), 0);
        ASSERT_NE(before.text, after.text);
        {
            syscall_faults::Scope faults;
            syscall_faults::Unlink().Arm(c.failures, EIO, 0, JournalFile());
            ASSERT_EQ(book_->WriteFromMemoryToFile(), 0);
            ASSERT_LT(syscall_faults::Unlink().count.load(), c.failures);  // the removal failed
            Edit(*book_, b_, kElemCompany, tag + " b");
            Edit(*book_, c_, kElemCompany, tag + " c");
        }
        auto fresh = Reopen(3);
        EXPECT_EQ(fresh->GetCustomerDataPinPoint(a_, kElemCompany), tag + " a");
        EXPECT_EQ(fresh->GetCustomerDataPinPoint(b_, kElemCompany), tag + " b");
        EXPECT_EQ(fresh->GetCustomerDataPinPoint(c_, kElemCompany), tag + " c");
        // Nor is the old file read as damage (whether that or "not ours" depends on the keys).
        EXPECT_FALSE(fresh->GetJournalDamage().found);
        EXPECT_FALSE(std::filesystem::exists(JournalFile() + ".bad"));
        EXPECT_FALSE(std::filesystem::exists(JournalFile() + ".damaged"));
    }
}

// When the file in the old key can be neither removed nor replaced, no batch goes after it
// (the book saves whole instead); once a save removes it, batches go on in the new key.
TEST(BookJournalRekey, NoBatchFollowsAFileInTheOldKey) {
    const std::string folder = ::testing::TempDir() + "book_journal_rekey/";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const std::string path = folder + "database.jnl";
    const std::vector<std::string> row(kCustomerElementCount, "1");
    const std::string version = "10:00000000000000aa";
    BookJournal journal;
    journal.Bind(path, "old key");
    ASSERT_EQ(journal.Replay(version, [](const auto&) {}), 0);
    journal.AddRow(row);
    ASSERT_EQ(journal.Commit(), 0);
    const auto bytes = [&] {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    const std::string old = bytes();

    journal.Rekey("new key");
    {
        // The removal fails, and so does every call after it in that folder.
        io_faults::Scope faults({std::filesystem::canonical(folder).string(), io_faults::Call::kUnlink, 1, EIO,
                                 io_faults::Then::kPersist});
        EXPECT_EQ(journal.Restart(version), -1);
        EXPECT_TRUE(io_faults::Fired());
    }
    journal.AddRow(row);
    EXPECT_EQ(journal.Commit(), -1);
    EXPECT_EQ(journal.MarkSave(path), -1);
    EXPECT_EQ(bytes(), old);

    ASSERT_EQ(journal.Restart(version), 0);
    journal.AddRow(row);
    ASSERT_EQ(journal.Commit(), 0);
    BookJournal fresh;
    fresh.Bind(path, "new key");
    int rows = 0;
    EXPECT_EQ(fresh.Replay(version, [&](const auto&) { ++rows; }), 1);
    EXPECT_EQ(rows, 1);
    std::filesystem::remove_all(folder);
}

// Changes that the journal cannot say row by row are saved whole at once; so is a batch
// that would make the journal larger than a quarter of the book.
TEST_P(BookJournalTest, WhatTheJournalCannotSayIsSavedWhole) {
    struct Case {
        const char* name;
        void (*change)(CDatabaseEdit& book);
        int rows;
    } cases[] = {
        {"row removed", [](CDatabaseEdit& book) { ASSERT_EQ(book.RemoveLine(0), 0); }, 2},
        {"ID changed", [](CDatabaseEdit& book) { ASSERT_EQ(book.SetAtElement(0, kElemCustomerID, 77), 0); }, 3},
        {"emptied", [](CDatabaseEdit& book) { ASSERT_EQ(book.RemoveAll(1), 0); }, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto book = Reopen(3);
        const std::string before = ReadFile(DatabaseFile());
        c.change(*book);
        EXPECT_NE(ReadFile(DatabaseFile()), before);
        EXPECT_FALSE(std::filesystem::exists(JournalFile()));
        EXPECT_EQ(Reopen(c.rows)->GetLineNumber(), c.rows);
        // Back to the three records for the next case.
        WriteFile(DatabaseFile(), before);
    }

    auto book = Reopen(3);
    {
        CDatabaseEdit::ChangeGroup group(*book);
        for (int i = 0; i < 4000; ++i) Add(*book, "bulk" + std::to_string(i) + "@example.jp");
    }
    EXPECT_FALSE(std::filesystem::exists(JournalFile()));
    EXPECT_EQ(Reopen(4003)->GetLineNumber(), 4003);
}

// A replacing import that fails half-way leaves the book, its file and its journal as
// they were; one that completes is in place at once.
TEST_P(BookJournalTest, ReplacingImportIsAllOrNothing) {
    SystemOption options(&env_);
    std::vector<std::string> items(SystemOption::kItemCount, "");
    for (int k = 0; k < 20; ++k) items[34 + k] = "0";
    WriteOptionsFile(env_, items);
    ASSERT_EQ(options.GetSODataFromFileToMemory(), 0);
    book_ = std::make_unique<CDatabaseEdit>(&env_, &options);
    ASSERT_EQ(book_->ReadCustomerList(), 3);
    Edit(*book_, a_, kElemCompany, "journaled");
    const std::string bookFile = ReadFile(DatabaseFile());
    const std::string journal = ReadFile(JournalFile());
    std::vector<XCStringArrayEx> rows;
    for (int i = 0; i < book_->GetLineNumber(); ++i) rows.push_back(book_->GetAtLine(i));

    WriteFile(base_ + "new.csv", "x@example.jp\ny@example.jp\nz@example.jp\n");
    std::vector<int> map(kCustomerElementCount, -1);
    map[kElemEmail] = 0;
    ImportRejections rejected;
    CAddressImport importer(book_.get(), &env_, &options);
    Sequencer sequence(&env_, SEQ_ID_CUSTOMER);
    int next = 0;
    ASSERT_NE(sequence.CurrentValue(next), 0);
    ASSERT_TRUE(sequence.SetValue(9999998));  // one ID left: the second record fails (10009)
    EXPECT_EQ(importer.ImportDBfromFile(base_ + "new.csv", ",", '"', map, 0, nullptr, rejected, "1"), -42);
    EXPECT_EQ(importer.GetErrMsg().GetLastCode(), 10009);
    EXPECT_EQ(ReadFile(DatabaseFile()), bookFile);
    EXPECT_EQ(ReadFile(JournalFile()), journal);
    ASSERT_EQ(book_->GetLineNumber(), static_cast<int>(rows.size()));
    for (int i = 0; i < book_->GetLineNumber(); ++i) EXPECT_EQ(book_->GetAtLine(i), rows[i]) << i;
    EXPECT_EQ(book_->DBID2RowNumber(a_), 0);

    ASSERT_TRUE(sequence.SetValue(next));
    EXPECT_EQ(importer.ImportDBfromFile(base_ + "new.csv", ",", '"', map, 0, nullptr, rejected, "1"), 3);
    EXPECT_EQ(book_->DBID2RowNumber(a_), -1);
    auto book = Reopen(3);
    EXPECT_EQ(book->SearchCustomerOneElement(kElemEmail, "y@example.jp", -1, kDirectionForward) > 0, true);
}

INSTANTIATE_TEST_SUITE_P(Environments, BookJournalTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Keyed" : "Unkeyed"; });

}  // namespace
