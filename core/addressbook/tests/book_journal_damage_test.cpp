// The address book's journal on a damaged disk: a byte changed, lost or turned into a
// quote anywhere in it costs the batch it is in and nothing after it; the open keeps the
// damaged bytes, says how many changes it could not read, and never shortens a journal past
// a whole batch. A book that cannot be read a second time is not judged at all.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "address_book_test_util.h"
#include "core/foundation/cp932.h"
#include "core/foundation/progress_journal.h"
#include "core/foundation/record_coding.h"
#include "core/foundation/tests/syscall_faults.h"

namespace {

constexpr int kBatches = 12;
constexpr int kPerBatch = 5;

class BookJournalDamageTest : public abtest::AddressBookEnv, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        AddressBookEnv::SetUp();
        Open(env_, GetParam());
        WriteFile(DatabaseFile(), "");
        {
            CDatabaseEdit book(&env_);
            ASSERT_EQ(book.ReadCustomerList(), 0);
            for (int i = 0; i < kBatches * kPerBatch; ++i) ids_.push_back(Add(book, "p" + std::to_string(i) + "@example.jp"));
            ASSERT_EQ(book.WriteFromMemoryToFile(), 0);
            // Twelve batches of five rows; one row of each spans lines (a quoted value with a
            // line break, as a memo holds), so that a quote made or lost joins lines.
            for (int k = 0; k < kBatches; ++k) {
                CDatabaseEdit::ChangeGroup group(book);
                for (int j = 0; j < kPerBatch; ++j) {
                    OneCustomer c;
                    ASSERT_EQ(book.GetOneCustomerForEdit(c, Id(k, j)), 0);
                    c.Company = Value(k);
                    if (j == 2) *c.Field(kElemExtraFirst) = Utf8ToSjis("複数,\"行\"\r\n表示") + std::to_string(k);
                    ASSERT_EQ(book.SetOneCustomerInfo(c, 0), 0);
                }
                ASSERT_EQ(group.Commit(), 0);
                ends_.push_back(std::filesystem::file_size(JournalFile()));
            }
        }
        bookFile_ = ReadFile(DatabaseFile());
        journal_ = ReadFile(JournalFile());
        StoreKey key;
        ASSERT_EQ(GetStoreKey(&env_, key), 0);
        quote_ = static_cast<char>(CharEncode('"', key.keyed ? RecordEncodeTable(GetKeyNumber(key.text)) : nullptr));
        // Where each record lies, and its kind (the first field).
        const unsigned char* decode = key.keyed ? RecordDecodeTable(GetKeyNumber(key.text)) : DefaultDecodeTable();
        std::string text = journal_;
        for (char& c : text) c = static_cast<char>(decode[static_cast<unsigned char>(c)]);
        bool open = false;
        for (std::size_t i = 0, start = 0; i < text.size(); ++i) {
            if (text[i] == '"') open = !open;
            if (text[i] != '\n' || open) continue;
            const std::size_t quote = text.find('"', start + 1);
            kinds_.push_back({start, i + 1, text.substr(start + 1, quote - start - 1)});
            start = i + 1;
        }
    }

    int Id(int batch, int j) const { return ids_[static_cast<std::size_t>(batch * kPerBatch + j)]; }
    static std::string Value(int batch) { return "b" + std::to_string(batch); }
    std::string JournalFile() const { return folder_ + "DB/database.jnl"; }
    std::string Copy(int n = 1) const { return ProgressJournal::DamagedCopyPath(JournalFile(), n); }
    // The batch whose bytes hold `at` (-1: the tag before the first).
    int BatchAt(std::size_t at) const {
        for (int k = 0; k < kBatches; ++k)
            if (at < ends_[static_cast<std::size_t>(k)]) return k == 0 && at < TagEnd() ? -1 : k;
        return kBatches;
    }
    std::size_t TagEnd() const { return journal_.find('\n') + 1; }
    // The kind of the record whose bytes hold `at`.
    std::string KindAt(std::size_t at) const {
        for (const Kind& k : kinds_)
            if (at >= k.begin && at < k.end) return k.kind;
        return "";
    }

    // The book and the journal as the disk holds them, with `journal` in place of the
    // journal; what an open in a fresh store makes of it.
    std::unique_ptr<CDatabaseEdit> OpenWith(const std::string& journal, int& result) {
        WriteFile(DatabaseFile(), bookFile_);
        WriteFile(JournalFile(), journal);
        for (int n = 1; n <= 3; ++n) std::filesystem::remove(Copy(n));
        auto book = std::make_unique<CDatabaseEdit>(&env_);
        result = book->ReadCustomerList();
        return book;
    }
    // Every batch but `missing` is in the book.
    void ExpectBatches(CDatabaseEdit& book, int missing) {
        for (int k = 0; k < kBatches; ++k)
            for (int j = 0; j < kPerBatch; ++j)
                EXPECT_EQ(book.GetCustomerDataPinPoint(Id(k, j), kElemCompany), k == missing ? "" : Value(k))
                    << "batch " << k << " row " << j;
    }

    EnvManager env_;
    std::vector<int> ids_;
    std::vector<std::uintmax_t> ends_;
    std::string bookFile_, journal_;
    char quote_ = '"';
    struct Kind {
        std::size_t begin, end;
        std::string kind;
    };
    std::vector<Kind> kinds_;
};

using Damage = std::string (*)(const std::string& journal, std::size_t at, char quote);
std::string Flip(const std::string& j, std::size_t at, char) {
    std::string d = j;
    d[at] = static_cast<char>(d[at] ^ 0x21);
    return d;
}
std::string Delete(const std::string& j, std::size_t at, char) { return j.substr(0, at) + j.substr(at + 1); }
std::string Quote(const std::string& j, std::size_t at, char quote) {
    std::string d = j;
    // A quote made, or one taken away.
    d[at] = d[at] == quote ? static_cast<char>(quote ^ 1) : quote;
    return d;
}

// Damage in the middle of the first, a middle and the last batch costs that batch alone:
// the batches after it are in the book, the user is told five changes could not be read,
// the damaged bytes are kept, and the book is saved whole so that the next open is clean.
TEST_P(BookJournalDamageTest, DamageCostsOnlyItsBatch) {
    const struct {
        const char* name;
        Damage damage;
    } kinds[] = {{"flipped", Flip}, {"deleted", Delete}, {"quote", Quote}};
    for (int batch : {0, 6, kBatches - 1}) {
        const std::size_t from = batch == 0 ? TagEnd() : ends_[static_cast<std::size_t>(batch - 1)];
        const std::size_t at = (from + ends_[static_cast<std::size_t>(batch)]) / 2;
        for (const auto& kind : kinds) {
            SCOPED_TRACE(std::string(kind.name) + " in batch " + std::to_string(batch));
            const std::string damaged = kind.damage(journal_, at, quote_);
            int result = 0;
            auto book = OpenWith(damaged, result);
            ASSERT_EQ(result, kBatches * kPerBatch);
            ExpectBatches(*book, batch);
            const BookJournal::Damage& report = book->GetJournalDamage();
            EXPECT_TRUE(report.found);
            EXPECT_EQ(report.lostChanges, kPerBatch);
            EXPECT_EQ(report.keptCopy, Copy());
            EXPECT_TRUE(ReadFile(Copy()) == damaged);
            EXPECT_FALSE(std::filesystem::exists(JournalFile()));

            CDatabaseEdit again(&env_);
            ASSERT_EQ(again.ReadCustomerList(), kBatches * kPerBatch);
            ExpectBatches(again, batch);
            EXPECT_FALSE(again.GetJournalDamage().found);
        }
    }
}

// The same at every place: whatever byte is damaged, every batch it is not in is applied,
// and so is its own batch when the damage took only the record that begins it. The open
// either goes on (and keeps the bytes) or, where the damage took the record that names the
// book, refuses and leaves the journal exactly as it was.
TEST_P(BookJournalDamageTest, EveryPlaceOfDamage) {
    const struct {
        const char* name;
        Damage damage;
        std::size_t step;
    } kinds[] = {{"flipped", Flip, 23}, {"deleted", Delete, 41}, {"quote", Quote, 37}};
    int refused = 0, places = 0;
    for (const auto& kind : kinds) {
        for (std::size_t at = 0; at < journal_.size(); at += kind.step) {
            const int batch = BatchAt(at);
            const std::string record = KindAt(at);
            SCOPED_TRACE(std::string(kind.name) + " at " + std::to_string(at) + " in " + record + " of batch " +
                         std::to_string(batch));
            ++places;
            const std::string damaged = kind.damage(journal_, at, quote_);
            int result = 0;
            auto book = OpenWith(damaged, result);
            if (result < 0) {
                // Only the first batch names the book (its A record).
                ++refused;
                EXPECT_EQ(batch, 0);
                EXPECT_TRUE(record == "A" || record == "B");
                EXPECT_EQ(book->GetErrMsg().GetLastCode(), 10203);
                EXPECT_TRUE(ReadFile(JournalFile()) == damaged);
                EXPECT_FALSE(std::filesystem::exists(Copy()));
                continue;
            }
            ASSERT_EQ(result, kBatches * kPerBatch);
            const BookJournal::Damage& report = book->GetJournalDamage();
            if (!report.found) {
                // A CR lost before its LF: the line reads as it did.
                ExpectBatches(*book, -1);
                continue;
            }
            EXPECT_TRUE(ReadFile(report.keptCopy) == damaged);
            // The tag or a batch's beginning may cost nothing; anything else costs its batch.
            const bool cheap = batch < 0 || record == "B";
            if (cheap && report.lostChanges <= 1) {
                ExpectBatches(*book, -1);
            } else {
                ExpectBatches(*book, batch);
                EXPECT_GE(report.lostChanges, kPerBatch);
                EXPECT_LE(report.lostChanges, kPerBatch + 1);
            }
            if (HasFatalFailure()) return;
        }
    }
    EXPECT_LT(refused, places / 20);
}

// A torn tail is no damage: cut off without a word or a copy, as before.
TEST_P(BookJournalDamageTest, TornTailIsNoDamage) {
    for (std::size_t cut = ends_[kBatches - 2] + 1; cut < journal_.size(); cut += 7) {
        SCOPED_TRACE(cut);
        int result = 0;
        auto book = OpenWith(journal_.substr(0, cut), result);
        ASSERT_EQ(result, kBatches * kPerBatch);
        ExpectBatches(*book, kBatches - 1);
        EXPECT_FALSE(book->GetJournalDamage().found);
        EXPECT_FALSE(std::filesystem::exists(Copy()));
        EXPECT_EQ(std::filesystem::file_size(JournalFile()), ends_[kBatches - 2]);
    }
}

// A book that cannot be read a second time for the journal's check is an unreadable book:
// the open fails with the reason and the journal stays exactly as it is (was: removed as
// the journal of another book).
TEST_P(BookJournalDamageTest, UnreadableBookLeavesTheJournal) {
    for (const int error : {EIO, EMFILE, ENOMEM}) {
        SCOPED_TRACE(error);
        syscall_faults::Scope faults;
        WriteFile(DatabaseFile(), bookFile_);
        WriteFile(JournalFile(), journal_);
        syscall_faults::Read().Arm(1, error, 0, std::filesystem::canonical(DatabaseFile()).string());
        CDatabaseEdit book(&env_);
        EXPECT_EQ(book.ReadCustomerList(), CMyDB::kErrOpen);
        EXPECT_EQ(book.GetErrMsg().GetLastCode(), 10202);
        EXPECT_NE(SjisToUtf8(book.GetErrMsg().GetLastMsg()).find(std::strerror(error)), std::string::npos);
        EXPECT_EQ(book.GetLineNumber(), 0);
        EXPECT_TRUE(ReadFile(JournalFile()) == journal_);
        EXPECT_TRUE(ReadFile(DatabaseFile()) == bookFile_);
        // Nothing is saved over the book that could not be read.
        EXPECT_LT(book.WriteFromMemoryToFile(), 0);
    }
    CDatabaseEdit book(&env_);
    ASSERT_EQ(book.ReadCustomerList(), kBatches * kPerBatch);
    ExpectBatches(book, -1);
}

INSTANTIATE_TEST_SUITE_P(Environments, BookJournalDamageTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Keyed" : "Unkeyed"; });

}  // namespace
