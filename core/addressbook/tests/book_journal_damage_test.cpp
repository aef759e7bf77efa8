// The address book's journal on a damaged disk: a byte changed, lost or turned into a
// quote anywhere in it costs the batch it is in and nothing after it; the open keeps the
// damaged bytes, says how many changes it could not read, and never shortens a journal past
// a whole batch. A book that cannot be read a second time is not judged at all.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "address_book_test_util.h"
#include "core/foundation/cp932.h"
#include "core/foundation/csv_read.h"
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
        decode_ = key.keyed ? RecordDecodeTable(GetKeyNumber(key.text)) : DefaultDecodeTable();
        kinds_ = Records(journal_);
    }

    struct Kind {
        std::size_t begin, end;
        std::string kind;
    };
    // Where each record of `journal` lies, and its kind (the first field).
    std::vector<Kind> Records(const std::string& journal) const {
        std::string text = journal;
        for (char& c : text) c = static_cast<char>(decode_[static_cast<unsigned char>(c)]);
        std::vector<Kind> out;
        bool open = false;
        for (std::size_t i = 0, start = 0; i < text.size(); ++i) {
            if (text[i] == '"') open = !open;
            if (text[i] != '\n' || open) continue;
            const std::size_t quote = text.find('"', start + 1);
            out.push_back({start, i + 1, text.substr(start + 1, quote - start - 1)});
            start = i + 1;
        }
        return out;
    }
    // Rows of the batches that are not in the book as the journal left them.
    int Missing(CDatabaseEdit& book) {
        int missing = 0;
        for (int k = 0; k < kBatches; ++k)
            for (int j = 0; j < kPerBatch; ++j) missing += book.GetCustomerDataPinPoint(Id(k, j), kElemCompany) != Value(k);
        return missing;
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
    const unsigned char* decode_ = nullptr;
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
    int refused = 0, places = 0, unknown = 0;
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
            // Damage costs at most the batch it is in (a record it left recognisable, such
            // as a batch's B or the A naming the book, costs nothing), and the user is told
            // exactly how many changes it took: never fewer, and an unknown number only
            // where that cannot be told.
            const int missing = Missing(*book);
            if (missing > 0) ExpectBatches(*book, batch);
            if (report.lostChanges == BookJournal::kUnknownLoss) ++unknown;
            else EXPECT_EQ(report.lostChanges, missing);
            if (HasFatalFailure()) return;
        }
    }
    EXPECT_LT(refused, places / 20);
    EXPECT_LT(unknown, places / 20);
}

// A torn tail is no damage: what a crash cut off in the middle of a record goes without a
// word or a copy, as before. A cut that takes records reading whole (a batch that never got
// its end) is told, with a copy, the number of changes it took being unknown; and a batch
// cut just before its last line end has lost nothing.
TEST_P(BookJournalDamageTest, ATornTailIsToldWhenItHoldsReadableRecords) {
    std::vector<std::size_t> cuts;
    for (std::size_t cut = ends_[kBatches - 2] + 1; cut < journal_.size(); cut += 7) cuts.push_back(cut);
    cuts.push_back(journal_.size() - 1);
    cuts.push_back(journal_.size() - 2);
    for (const std::size_t cut : cuts) {
        SCOPED_TRACE(cut);
        const bool lineEndOnly = cut >= journal_.size() - 2;
        bool readable = false;
        for (const Kind& k : kinds_) readable = readable || (k.begin >= ends_[kBatches - 2] && k.end - 2 <= cut);
        int result = 0;
        auto book = OpenWith(journal_.substr(0, cut), result);
        ASSERT_EQ(result, kBatches * kPerBatch);
        ExpectBatches(*book, lineEndOnly ? -1 : kBatches - 1);
        const BookJournal::Damage& report = book->GetJournalDamage();
        EXPECT_EQ(report.found, readable && !lineEndOnly);
        EXPECT_EQ(std::filesystem::exists(Copy()), readable && !lineEndOnly);
        if (report.found) {
            EXPECT_EQ(report.lostChanges, BookJournal::kUnknownLoss);
        } else if (lineEndOnly) {
            // The line end is made good: what is appended next reads.
            EXPECT_TRUE(ReadFile(JournalFile()) == journal_);
        } else {
            EXPECT_EQ(std::filesystem::file_size(JournalFile()), ends_[kBatches - 2]);
        }
    }
}

// The last record's line end changed (the final LF or CR flipped, or a byte added after
// it): the batch it ends reads whole and counts, its line end is made good, and the next
// change appended after it lasts (was: the last batch cut off as a torn tail without a
// word).
TEST_P(BookJournalDamageTest, TheLastLineEndChangedCostsNothing) {
    const std::size_t n = journal_.size();
    const struct {
        const char* name;
        std::string journal;
    } cases[] = {
        {"LF flipped", Flip(journal_, n - 1, quote_)},
        {"CR flipped", Flip(journal_, n - 2, quote_)},
        {"LF lost", journal_.substr(0, n - 1)},
        {"a byte after it", journal_ + std::string(1, static_cast<char>(journal_[n - 3] ^ 0x5A))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        int result = 0;
        auto book = OpenWith(c.journal, result);
        ASSERT_EQ(result, kBatches * kPerBatch);
        ExpectBatches(*book, -1);
        OneCustomer later;
        ASSERT_EQ(book->GetOneCustomerForEdit(later, Id(0, 0)), 0);
        later.Company = "later";
        ASSERT_EQ(book->SetOneCustomerInfo(later, 0), 0);
        CDatabaseEdit again(&env_);
        ASSERT_EQ(again.ReadCustomerList(), kBatches * kPerBatch);
        EXPECT_EQ(again.GetCustomerDataPinPoint(Id(0, 0), kElemCompany), "later");
        EXPECT_EQ(again.GetCustomerDataPinPoint(Id(kBatches - 1, 4), kElemCompany), Value(kBatches - 1));
        EXPECT_FALSE(again.GetJournalDamage().found);
    }
}

// A whole save whose removal of the journal failed begins it again with a second A naming
// the saved book; before its file replaced the book, the save named it in the journal. A
// byte changed, lost or turned into a quote or a line end anywhere in that A costs no batch
// after it (was: the four batches after it lost, the journal removed, and six changes told;
// then, where the byte split or joined the A's line, a refusal of the whole environment).
// Without the save's mark (its append failed too), damage that hides what the A named
// makes the open refuse and keep the journal rather than drop the batches after it.
TEST_P(BookJournalDamageTest, ADamagedSecondAnchorCostsNoLaterBatch) {
    constexpr int kLater = 4;
    const auto later = [](int k) { return "c" + std::to_string(k); };
    // The journal and book as the whole save and four batches after it leave them, the
    // save's mark written or not.
    const auto saveThenEdit = [&](bool marked, std::string& journal, std::string& book) {
        int result = 0;
        auto store = OpenWith(journal_, result);
        ASSERT_EQ(result, kBatches * kPerBatch);
        {
            syscall_faults::Scope faults;
            syscall_faults::Unlink().Arm(1, EIO);
            if (!marked) syscall_faults::Write().Arm(1, ENOSPC, 0, std::filesystem::canonical(JournalFile()).string());
            ASSERT_EQ(store->WriteFromMemoryToFile(), 0);
            EXPECT_EQ(syscall_faults::Write().count.load(), 0);
        }
        ASSERT_TRUE(std::filesystem::exists(JournalFile()));
        for (int k = 0; k < kLater; ++k) {
            CDatabaseEdit::ChangeGroup group(*store);
            for (int j = 0; j < kPerBatch; ++j) {
                OneCustomer c;
                ASSERT_EQ(store->GetOneCustomerForEdit(c, Id(k, j)), 0);
                c.Company = later(k);
                ASSERT_EQ(store->SetOneCustomerInfo(c, 0), 0);
            }
            ASSERT_EQ(group.Commit(), 0);
        }
        journal = ReadFile(JournalFile());
        book = ReadFile(DatabaseFile());
    };
    std::string journal, book;
    saveThenEdit(true, journal, book);
    if (HasFatalFailure()) return;
    const std::vector<Kind> records = Records(journal);
    std::vector<const Kind*> anchors;
    for (const Kind& k : records)
        if (k.kind == "A") anchors.push_back(&k);
    ASSERT_EQ(anchors.size(), 2u);
    const Kind& second = *anchors[1];
    // Every batch after the A's own is there; that one is whole or lost, as told.
    const auto expectLater = [&](CDatabaseEdit& store) {
        int lost = 0;
        for (int k = 0; k < kBatches; ++k)
            for (int j = 0; j < kPerBatch; ++j) {
                const std::string value = store.GetCustomerDataPinPoint(Id(k, j), kElemCompany);
                if (k == 0 && value == Value(k)) ++lost;
                else EXPECT_EQ(value, k < kLater ? later(k) : Value(k)) << "batch " << k << " row " << j;
            }
        EXPECT_TRUE(lost == 0 || lost == kPerBatch) << lost;
        return lost;
    };
    // A line end made in the A (the coded byte that stands for it).
    const auto lineEnd = [&](const std::string& j, std::size_t at, char) {
        std::string d = j;
        d[at] = journal[second.end - 1];
        return d;
    };
    for (std::size_t at = second.begin; at < second.end; ++at) {
        SCOPED_TRACE(at);
        using AnyDamage = std::function<std::string(const std::string&, std::size_t, char)>;
        for (const auto& [name, damage] : {std::pair<const char*, AnyDamage>{"flipped", Flip}, {"deleted", Delete},
                                           {"quote", Quote}, {"line end", lineEnd}}) {
            SCOPED_TRACE(name);
            const std::string damaged = damage(journal, at, quote_);
            WriteFile(DatabaseFile(), book);
            WriteFile(JournalFile(), damaged);
            for (int n = 1; n <= 3; ++n) std::filesystem::remove(Copy(n));
            CDatabaseEdit store(&env_);
            ASSERT_EQ(store.ReadCustomerList(), kBatches * kPerBatch);
            const int lost = expectLater(store);
            const BookJournal::Damage& report = store.GetJournalDamage();
            EXPECT_EQ(report.found ? report.lostChanges : 0, lost);
            if (HasFatalFailure()) return;
        }
    }
    // Two bytes changed hide what the A named: the save's mark says it all the same.
    const auto hide = [](const std::string& j, std::size_t at) { return Flip(Flip(j, at + 6, '"'), at + 9, '"'); };
    {
        WriteFile(DatabaseFile(), book);
        WriteFile(JournalFile(), hide(journal, second.begin));
        CDatabaseEdit store(&env_);
        ASSERT_EQ(store.ReadCustomerList(), kBatches * kPerBatch);
        EXPECT_EQ(expectLater(store), kPerBatch);
        EXPECT_EQ(store.GetJournalDamage().lostChanges, kPerBatch);
    }
    // Without it, the open refuses and keeps the journal.
    std::string unmarked;
    saveThenEdit(false, unmarked, book);
    if (HasFatalFailure()) return;
    for (const Kind& k : Records(unmarked)) ASSERT_NE(k.kind, "C");
    std::size_t at = 0;
    for (const Kind& k : Records(unmarked))
        if (k.kind == "A") at = k.begin;
    const std::string hidden = hide(unmarked, at);
    WriteFile(DatabaseFile(), book);
    WriteFile(JournalFile(), hidden);
    CDatabaseEdit store(&env_);
    EXPECT_EQ(store.ReadCustomerList(), CMyDB::kErrOpen);
    EXPECT_EQ(store.GetErrMsg().GetLastCode(), 10203);
    EXPECT_TRUE(ReadFile(JournalFile()) == hidden);
}

// A journal that a whole save left behind (its removal failed, or the process died between
// the save's rename and the removal) extends the saved book: damage where an A may have
// stood in its older batches does not stop the open (was: the environment refused, 10203,
// and its question offered to set the journal aside at a cost that was not real), and
// the book opens with every change, the journal's older batches being in the saved file;
// the damage in them is no loss to tell.
TEST_P(BookJournalDamageTest, AJournalAWholeSaveLeftBehindExtendsTheSavedBook) {
    std::string journal, book;
    {
        int result = 0;
        auto store = OpenWith(journal_, result);
        ASSERT_EQ(result, kBatches * kPerBatch);
        syscall_faults::Scope faults;
        syscall_faults::Unlink().Arm(1, EIO);
        ASSERT_EQ(store->WriteFromMemoryToFile(), 0);
        journal = ReadFile(JournalFile());
        book = ReadFile(DatabaseFile());
    }
    const std::size_t start = ends_[5];  // batch 6's B
    const struct {
        const char* name;
        std::string journal;
    } cases[] = {
        {"two bytes of a batch's B", Flip(Flip(journal, start + 4, quote_), start + 7, quote_)},
        {"a quote made in a batch's B", Quote(journal, start + 5, quote_)},
        {"zeros across a batch's start", journal.substr(0, start - 3) + std::string(9, '\0') + journal.substr(start + 6)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(DatabaseFile(), book);
        WriteFile(JournalFile(), c.journal);
        for (int n = 1; n <= 3; ++n) std::filesystem::remove(Copy(n));
        {
            CDatabaseEdit store(&env_);
            ASSERT_EQ(store.ReadCustomerList(), kBatches * kPerBatch) << store.GetErrMsg().GetLastCode();
            ExpectBatches(store, -1);
            // Nothing is lost to this book: the user is told of no loss; the bytes are kept.
            EXPECT_EQ(store.GetJournalDamage().lostChanges, 0);
            EXPECT_TRUE(ReadFile(store.GetJournalDamage().keptCopy) == c.journal);
        }
        CDatabaseEdit again(&env_);
        ASSERT_EQ(again.ReadCustomerList(), kBatches * kPerBatch);
        ExpectBatches(again, -1);
        EXPECT_FALSE(again.GetJournalDamage().found);
    }
}

// Damage over several batches (a stretch of the disk zeroed) is counted whole: the user is
// told every change it took (was: one, or five), and every batch after it counts. A journal
// of an older version, whose batches are not numbered, says that an unknown number was lost.
TEST_P(BookJournalDamageTest, DamageAcrossBatchesIsCountedWhole) {
    const struct {
        const char* name;
        std::size_t from, to;
        int lost;
    } cases[] = {
        {"batches 4 to 7", ends_[3], ends_[7], 20},
        {"from the middle of batch 3 to the middle of batch 7", (ends_[2] + ends_[3]) / 2, (ends_[6] + ends_[7]) / 2,
         25},
        // Batch 3 lost only its B: it counts.
        {"the end of batch 2 and the start of batch 3", ends_[2] - 3, ends_[2] + 3, 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string damaged = journal_;
        std::fill(damaged.begin() + static_cast<std::ptrdiff_t>(c.from), damaged.begin() + static_cast<std::ptrdiff_t>(c.to),
                  '\0');
        int result = 0;
        auto book = OpenWith(damaged, result);
        ASSERT_EQ(result, kBatches * kPerBatch);
        EXPECT_EQ(book->GetJournalDamage().lostChanges, c.lost);
        EXPECT_EQ(Missing(*book), c.lost);
        for (int j = 0; j < kPerBatch; ++j)
            EXPECT_EQ(book->GetCustomerDataPinPoint(Id(kBatches - 1, j), kElemCompany), Value(kBatches - 1));
    }
    // The same journal as an older version wrote it, with bare B records: the loss is
    // told, its number unknown.
    StoreKey key;
    ASSERT_EQ(GetStoreKey(&env_, key), 0);
    const std::string olderPath = folder_ + "DB/older.jnl";
    ProgressJournal older;
    older.Bind(olderPath, key.get(), {BookJournal::kTag, BookJournal::kFormat});
    for (std::size_t i = 1; i < kinds_.size(); ++i) {
        std::string text = journal_.substr(kinds_[i].begin, kinds_[i].end - kinds_[i].begin);
        for (char& ch : text) ch = static_cast<char>(decode_[static_cast<unsigned char>(ch)]);
        CsvRead split;
        const int n = split.SetLine(text);
        std::vector<std::string_view> fields;
        for (int f = 0; f + 1 < n; ++f) fields.push_back(split.GetDataView(f));
        if (kinds_[i].kind == "B") fields.resize(1);
        older.Add(fields);
        ASSERT_EQ(older.Commit(), 0);
    }
    std::string bare = ReadFile(olderPath);
    std::vector<std::size_t> bareEnds;
    for (const Kind& k : Records(bare))
        if (k.kind == "E") bareEnds.push_back(k.end);
    ASSERT_EQ(bareEnds.size(), static_cast<std::size_t>(kBatches));
    std::fill(bare.begin() + static_cast<std::ptrdiff_t>(bareEnds[3]), bare.begin() + static_cast<std::ptrdiff_t>(bareEnds[7]),
              '\0');
    int result = 0;
    auto book = OpenWith(bare, result);
    ASSERT_EQ(result, kBatches * kPerBatch);
    EXPECT_TRUE(book->GetJournalDamage().found);
    EXPECT_EQ(book->GetJournalDamage().lostChanges, BookJournal::kUnknownLoss);
    EXPECT_EQ(Missing(*book), 20);
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
