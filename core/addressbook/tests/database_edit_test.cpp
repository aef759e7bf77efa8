// The address-book store: records through the file and back, ID drawing, the refusals that
// keep the book's file whole, element descriptors, the work row and sample lines.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "address_book_test_util.h"
#include "core/foundation/cp932.h"
#include "core/foundation/csv_write.h"
#include "core/foundation/date_utils.h"
#include "core/foundation/sequencer.h"
#include "core/foundation/store_key.h"
#include "platform/notifier.h"
#include "platform/safe_write.h"

namespace {

using platform::DateTime;

class DatabaseEditTest : public abtest::AddressBookEnv {
protected:
    // Freezes the clock at the given local time.
    static void SetNow(int y, int mo, int d, int h, int mi, int s) {
        AddressBookEnv::SetNow(DateTime(y, mo, d, h, mi, s));
    }
    // Writes the options file of `env` with extension item k named "attr<k>" of type k % 3.
    void WriteOptions(EnvManager& env) {
        std::vector<std::string> items;
        for (int i = 0; i < SystemOption::kItemCount; ++i) {
            if (i >= 14 && i < 34) items.push_back("attr" + std::to_string(i - 14));
            else if (i >= 34 && i < 54) items.push_back(std::to_string((i - 34) % 3));
            else items.push_back("");
        }
        WriteOptionsFile(env, items);
    }
};

class RoundTripTest : public DatabaseEditTest, public ::testing::WithParamInterface<bool> {};

TEST_P(RoundTripTest, RecordsSurviveTheFile) {
    EnvManager env;
    Open(env, GetParam());
    WriteFile(DatabaseFile(), "");
    CDatabaseEdit book(&env);
    ASSERT_EQ(book.ReadCustomerList(), 0);  // an empty file is an empty book

    SetNow(2024, 3, 4, 5, 6, 7);
    OneCustomer full;
    InitOneCustomer(full);
    full.Email = "Taro.Yamada@example.co.jp";
    full.KanjiSei = Utf8ToSjis("山田");
    full.KanjiMei = Utf8ToSjis("太郎");
    full.KanaSei = Utf8ToSjis("やまだ");
    full.Company = Utf8ToSjis("株式会社\"表示\",テスト");  // quote, comma and a 0x5C trail byte
    full.Birthday = "1980/01/02";
    full.ZipCode1 = "123-4567";
    full.Prefecture = Utf8ToSjis("東京都");
    full.Phone1 = "03-1234-5678";
    full.DMOk = "N";
    for (int k = 0; k < kCustomerExtraCount; ++k) full.Extra[k] = "x" + std::to_string(k);
    OneCustomer deleted = Person("gone@example.com");
    deleted.DeleteFlag = "Y";
    OneCustomer plain = Person("plain@example.com");
    for (OneCustomer* c : {&full, &deleted, &plain}) ASSERT_EQ(book.SetOneCustomerInfo(*c, 0), 0);
    EXPECT_NE(full.CustomerID, -1);
    EXPECT_NE(full.CustomerID, deleted.CustomerID);

    // A spare element set behind the store's back is emptied by the next store.
    const int row = book.DBID2RowNumber(plain.CustomerID);
    ASSERT_EQ(book.SetAtElement(row, 25, "spare"), 0);
    ASSERT_EQ(book.SetOneCustomerInfo(plain, 0), 0);
    EXPECT_EQ(book.GetAtElement(row, 25), "");
    EXPECT_EQ(book.GetLineNumber(), 3);
    ASSERT_EQ(book.WriteFromMemoryToFile(), 0);

    CDatabaseEdit again(&env);
    ASSERT_EQ(again.ReadCustomerList(), 3);
    OneCustomer got;
    ASSERT_EQ(again.GetOneCustomerForEdit(got, full.CustomerID), 0);
    OneCustomer expected = full;
    expected.ZipCode1 = "1234567";
    expected.EntryDate = DateTime(2024, 3, 4, 5, 6, 7);
    expected.RenewalDate = expected.EntryDate;
    EXPECT_EQ(got, expected);
    ASSERT_EQ(again.GetOneCustomerForEdit(got, deleted.CustomerID), 0);
    EXPECT_EQ(got.DeleteFlag, "Y");
    for (int e = 0; e < kCustomerElementCount; ++e) {
        if ((e >= 23 && e <= 27) || (e >= 48 && e <= 52)) {
            EXPECT_EQ(again.GetAtElement(0, e), "") << e;
        }
    }

    // Replacing keeps the row and the entry date and renews the renewal date.
    SetNow(2024, 6, 7, 8, 9, 10);
    ASSERT_EQ(again.GetOneCustomerForEdit(got, full.CustomerID), 0);
    got.Company = "new";
    ASSERT_EQ(again.SetOneCustomerInfo(got, 1), 0);
    EXPECT_EQ(again.GetLineNumber(), 3);
    CDatabaseEdit third(&env);
    ASSERT_EQ(third.ReadCustomerList(), 3);
    ASSERT_EQ(third.GetOneCustomerForEdit(got, full.CustomerID), 0);
    EXPECT_EQ(got.Company, "new");
    EXPECT_EQ(got.EntryDate, DateTime(2024, 3, 4, 5, 6, 7));
    EXPECT_EQ(got.RenewalDate, DateTime(2024, 6, 7, 8, 9, 10));

    // Erasing keeps the row, the ID and the entry date.
    ASSERT_EQ(third.PhysicalDeletion(full.CustomerID), 0);
    ASSERT_EQ(third.GetOneCustomerForEdit(got, full.CustomerID), 0);
    EXPECT_EQ(got.Email, "");
    EXPECT_EQ(got.KanjiSei, "");
    EXPECT_EQ(got.DMOk, "N");
    EXPECT_EQ(got.OtherMailOk, "N");
    EXPECT_EQ(got.DeleteFlag, "Y");
    EXPECT_EQ(got.EntryDate, DateTime(2024, 3, 4, 5, 6, 7));
    EXPECT_EQ(third.DBID2RowNumber(full.CustomerID), 0);
    EXPECT_EQ(third.GetLineNumber(), 3);

    // Delete and undelete do not rewrite the book; their journal brings them back.
    ASSERT_EQ(third.DeleteCustomer(plain.CustomerID), 0);
    EXPECT_EQ(third.FindCustomerID(plain.CustomerID, 0), 0);
    ASSERT_EQ(third.UnDeleteCustomer(plain.CustomerID), 0);
    EXPECT_EQ(third.FindCustomerID(plain.CustomerID, 0), 1);
    CDatabaseEdit fourth(&env);
    StoreKey key;
    ASSERT_EQ(GetStoreKey(&env, key), 0);
    ASSERT_EQ(fourth.ReadFromFileToMemoryAppointFileName(DatabaseFile(), key.get()), 3);
    ASSERT_EQ(fourth.GetOneCustomerForEdit(got, full.CustomerID), 0);
    EXPECT_EQ(got.Email, "Taro.Yamada@example.co.jp");  // the file was not rewritten
    ASSERT_EQ(fourth.ReadCustomerList(), 3);
    ASSERT_EQ(fourth.GetOneCustomerForEdit(got, full.CustomerID), 0);
    EXPECT_EQ(got.Email, "");
    EXPECT_EQ(fourth.FindCustomerID(plain.CustomerID, 0), 1);
}

INSTANTIATE_TEST_SUITE_P(Environments, RoundTripTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Keyed" : "Unkeyed"; });

TEST_F(DatabaseEditTest, StoreRefusals) {
    CDatabaseEdit loose;
    OneCustomer c = Person("a@b.jp");
    EXPECT_EQ(loose.SetOneCustomerInfo(c, 0), -12);
    EXPECT_EQ(loose.GetErrMsg().GetLastCode(), 10001);
    EXPECT_EQ(loose.ReadCustomerList(), -2);

    EnvManager env;
    Open(env, false);
    WriteFile(DatabaseFile(), "");
    CDatabaseEdit book(&env);
    ASSERT_EQ(book.ReadCustomerList(), 0);
    Add(book, "a@b.jp");
    c.CustomerID = 987654;
    EXPECT_EQ(book.SetOneCustomerInfo(c, 0), -3);
    EXPECT_EQ(book.GetErrMsg().GetLastCode(), 10006);
    EXPECT_EQ(book.GetLineNumber(), 1);
    EXPECT_EQ(book.GetOneCustomerForEdit(c, 987654), -3);
    EXPECT_EQ(c.CustomerID, -1);  // left at the defaults
    EXPECT_EQ(c.DMOk, "Y");
    for (auto op : {&CDatabaseEdit::DeleteCustomer, &CDatabaseEdit::UnDeleteCustomer, &CDatabaseEdit::PhysicalDeletion})
        EXPECT_EQ((book.*op)(987654), -3);

    // Attaching is set-once.
    EnvManager other;
    EXPECT_EQ(book.SetEnvManager(&other), 0);
    EXPECT_EQ(book.SetEnvManager(nullptr), 0);

    // A constructor that cannot attach tells the user and throws.
    std::string told;
    auto previous = platform::SetNotifier([&](const std::string& text, const std::string&, unsigned) {
        told = text;
        return platform::kIdOk;
    });
    EXPECT_THROW(CDatabaseEdit(nullptr, nullptr), platform::UserException);
    EXPECT_EQ(told, Utf8ToSjis("環境の設定に失敗しました"));
    platform::SetNotifier(previous);
}

TEST_F(DatabaseEditTest, IdDrawGivesUpAfter200TakenValues) {
    EnvManager env;
    Open(env, false);
    WriteFile(DatabaseFile(), "");
    CDatabaseEdit book(&env);
    ASSERT_EQ(book.ReadCustomerList(), 0);
    for (int id = 1000; id < 1200; ++id) {
        OneCustomer c = Person("p" + std::to_string(id) + "@x.jp");
        c.CustomerID = id;
        ASSERT_EQ(book.SetOneCustomerInfoForRepair(c), 0);
    }
    Sequencer seq(&env, SEQ_ID_CUSTOMER);
    ASSERT_NE(seq.SetValue(1000), 0);

    OneCustomer c = Person("new@x.jp");
    EXPECT_EQ(book.SetOneCustomerInfo(c, 0), -9);
    EXPECT_EQ(book.GetErrMsg().GetLastCode(), 10009);
    EXPECT_EQ(c.CustomerID, -1);  // a retry draws again instead of failing with 10006
    int next = 0;
    ASSERT_NE(seq.CurrentValue(next), 0);
    EXPECT_GE(next, 1200);  // every draw advanced the sequence (IDs are reserved in blocks)
    EXPECT_EQ(book.SetOneCustomerInfo(c, 0), 0);
    EXPECT_EQ(c.CustomerID, 1200);
    EXPECT_EQ(book.GetMaxDBID(), 1200);
}

TEST_F(DatabaseEditTest, DamagedFileIsReportedAndNeverOverwritten) {
    EnvManager env;
    Open(env, true);
    WriteFile(DatabaseFile(), "");
    {
        CDatabaseEdit book(&env);
        ASSERT_EQ(book.ReadCustomerList(), 0);
        for (int i = 0; i < 3; ++i) Add(book, "p" + std::to_string(i) + "@x.jp");
        ASSERT_EQ(book.WriteFromMemoryToFile(), 0);
    }
    const std::string whole = ReadFile(DatabaseFile());
    WriteFile(DatabaseFile(), whole.substr(0, whole.size() * 2 / 3 + 7));  // cut inside the last record
    const std::string cut = ReadFile(DatabaseFile());

    CDatabaseEdit book(&env);
    EXPECT_LT(book.ReadCustomerList(), 0);
    OneCustomer c = Person("late@x.jp");
    EXPECT_EQ(book.SetOneCustomerInfo(c, 1), -11);  // stored in memory, not written
    EXPECT_EQ(book.GetErrMsg().GetLastCode(), 10204);
    EXPECT_EQ(book.WriteFromMemoryToFile(), -11);
    // A copy elsewhere may be written; it does not open the way to the damaged file.
    EXPECT_EQ(book.WriteFromMemoryToFileAppointFileName(folder_ + "copy.dat", nullptr), 0);
    EXPECT_EQ(book.WriteFromMemoryToFile(), -11);
    EXPECT_EQ(ReadFile(DatabaseFile()), cut);
}

TEST_F(DatabaseEditTest, KeyedEnvironmentWithoutItsKeyIsRefused) {
    EnvManager env;
    Open(env, true);
    WriteFile(DatabaseFile(), "");
    {
        CDatabaseEdit book(&env);
        ASSERT_EQ(book.ReadCustomerList(), 0);
        Add(book, "p@x.jp");
        ASSERT_EQ(book.WriteFromMemoryToFile(), 0);
    }
    const std::string saved = ReadFile(DatabaseFile());
    // The descriptor's compound key damaged: the environment opens, its data key does not.
    std::string compound;
    ASSERT_EQ(env.GetCompoundKey(compound), 0);
    compound[compound.size() / 2] = compound[compound.size() / 2] == 'A' ? 'B' : 'A';
    std::string entry, renewal;
    ASSERT_EQ(env.GetEntryDate(entry), 0);
    ASSERT_EQ(env.GetRenewalDate(renewal), 0);
    XCsvWrite w;
    w.SetUseKey(envtest::kDescriptorKey);
    ASSERT_EQ(w.OpenFile(descriptor_), 1);
    for (const std::string* s : {&compound, &entry, &renewal}) w.SetData(*s);
    ASSERT_GT(w.WriteLine(), 0);
    ASSERT_EQ(w.CloseFile(), 0);

    EnvManager broken;
    ASSERT_EQ(broken.InitEnvFileInfo(descriptor_, envtest::kDescriptorKey, 0), 0);
    CDatabaseEdit book(&broken);
    EXPECT_EQ(book.ReadCustomerList(), -27);
    EXPECT_EQ(book.GetErrMsg().GetLastCode(), 4207);
    OneCustomer c = Person("q@x.jp");
    EXPECT_EQ(book.SetOneCustomerInfo(c, 1), -11);
    EXPECT_EQ(book.WriteFromMemoryToFile(), -11);
    EXPECT_EQ(ReadFile(DatabaseFile()), saved);
}

TEST_F(DatabaseEditTest, WritesAndTheirFailures) {
    EnvManager env;
    Open(env, false);
    WriteFile(DatabaseFile(), "");
    CDatabaseEdit book(&env);
    ASSERT_EQ(book.ReadCustomerList(), 0);
    Add(book, "a@x.jp");
    ASSERT_EQ(book.WriteFromMemoryToFile(), 0);
    const std::string one = ReadFile(DatabaseFile());

    // Nothing changed since: a plain write leaves the file alone.
    WriteFile(DatabaseFile(), "sentinel");
    EXPECT_EQ(book.WriteFromMemoryToFile(), 0);
    EXPECT_EQ(ReadFile(DatabaseFile()), "sentinel");
    WriteFile(DatabaseFile(), one);

    // A failed requested write is a failure the caller sees; the change stays in memory.
    OneCustomer c = Person("b@x.jp");
    ASSERT_EQ(book.SetOneCustomerInfo(c, 0), 0);
    c.Company = "changed";
    platform::AtomicFile::FailNextCommitForTesting();
    EXPECT_EQ(book.SetOneCustomerInfo(c, 1), -11);
    EXPECT_EQ(book.GetErrMsg().GetLastCode(), 10204);
    EXPECT_EQ(book.GetCustomerDataPinPoint(c.CustomerID, kElemCompany), "changed");
    EXPECT_EQ(ReadFile(DatabaseFile()), one);

    // A copy written elsewhere keeps the book's path and does not swallow its changes.
    const std::string own = book.GetDBFilePath();
    ASSERT_EQ(book.WriteFromMemoryToFileAppointFileName(folder_ + "backup.dat", nullptr), 0);
    EXPECT_EQ(book.GetDBFilePath(), own);
    ASSERT_EQ(book.WriteFromMemoryToFile(), 0);
    CDatabaseEdit reread(&env);
    EXPECT_EQ(reread.ReadCustomerList(), 2);
    EXPECT_EQ(reread.ReadFromFileToMemoryAppointFileName(folder_ + "backup.dat", nullptr), 2);
    EXPECT_EQ(reread.GetDBFilePath(), folder_ + "backup.dat");
    EXPECT_EQ(reread.FindCustomerID(c.CustomerID, 0), 1);  // indexed
}

TEST_F(DatabaseEditTest, ElementDescriptors) {
    EnvManager env;
    Open(env, true);
    std::vector<DB_Element_Info> out;
    CDatabaseEdit noOptions(&env);
    const std::string all(56, '1');
    EXPECT_EQ(noOptions.Get_DBElementInfo(out, all), -14);
    EXPECT_EQ(noOptions.GetErrMsg().GetLastCode(), 10003);

    SystemOption unread(&env);
    CDatabaseEdit notReady(&env, &unread);
    EXPECT_EQ(notReady.Get_DBElementInfo(out, all), -17);  // options never read
    EXPECT_EQ(notReady.GetErrMsg().GetLastCode(), 10403);
    EXPECT_EQ(out.size(), 28u);  // what came before the first extension item stays

    WriteOptions(env);
    SystemOption options(&env);
    ASSERT_EQ(options.GetSODataFromFileToMemory(), 0);
    CDatabaseEdit book(&env, &options);
    struct MaskCase {
        std::string mask;
        int result;
        int code;
    };
    const MaskCase bad[] = {{std::string(55, '1'), -15, 10401},
                            {std::string(57, '1'), -15, 10401},
                            {std::string(55, '0') + "2", -16, 10402}};
    for (const MaskCase& m : bad) {
        EXPECT_EQ(book.Get_DBElementInfo(out, m.mask), m.result) << m.mask;
        EXPECT_EQ(book.GetErrMsg().GetLastCode(), m.code);
    }
    std::string mask(56, '0');
    mask[0] = mask[10] = mask[29] = mask[55] = '1';
    ASSERT_EQ(book.Get_DBElementInfo(out, mask), 0);
    const std::vector<DB_Element_Info> expected = {
        {0, Utf8ToSjis("個人情報ID"), 1}, {10, "", 0}, {29, "attr1", 1}, {55, Utf8ToSjis("更新日時"), 2}};
    EXPECT_EQ(out, expected);
    ASSERT_EQ(book.Get_DBElementInfo(out, all), 0);
    EXPECT_EQ(out.size(), 56u);
}

TEST_F(DatabaseEditTest, WorkRowAndHyphens) {
    CDatabaseEdit book;
    book.InitOneCustomerTemp();
    EXPECT_EQ(book.SetOneCustomerTemp(55, "last"), 0);
    EXPECT_EQ(book.SetElementOneCustomerTemp("first", 0), 0);
    EXPECT_EQ(book.GetOneCustomerTemp(55), "last");
    EXPECT_EQ(book.GetOneCustomerTemp(0), "first");
    for (int bad : {-1, 56}) {
        EXPECT_EQ(book.SetOneCustomerTemp(bad, "x"), -2);
        EXPECT_EQ(book.GetErrMsg().GetLastCode(), 10005);
        EXPECT_EQ(book.GetOneCustomerTemp(bad), "");
    }
    std::string out = "old";
    const std::string in = "1-2%3-" + Utf8ToSjis("－");
    EXPECT_EQ(CDatabaseEdit::HyphenCut(&in, &out), 0);
    EXPECT_EQ(out, "12%3" + Utf8ToSjis("－"));
}

TEST_F(DatabaseEditTest, SampleLines) {
    const std::string path = folder_ + "import.csv";
    WriteFile(path, "a,b\r\n\r\n" + std::string(3000, 'c') + "\nlast");
    CDatabaseEdit book;
    std::vector<std::string> lines;
    ASSERT_EQ(book.LoadSampleLine(path, lines, -1), 3);
    EXPECT_EQ(lines[0], "a,b");
    EXPECT_EQ(lines[1], std::string(3000, 'c'));
    EXPECT_EQ(lines[2], "last");
    EXPECT_EQ(book.LoadSampleLine(path, lines, 2), 1);  // the empty line counts
    EXPECT_EQ(book.LoadSampleLine(folder_ + "none.csv", lines, 5), -41);
    EXPECT_EQ(book.GetErrMsg().GetLastCode(), 10601);
}

void KillAtSafeWrite(const char*) { ::raise(SIGKILL); }

// A save killed before its rename keeps the old book, and the temporary it was writing
// (as large as the book) goes when the book is next read.
TEST_F(DatabaseEditTest, KilledSaveKeepsTheOldBookAndItsTemporaryGoesAtTheNextRead) {
    EnvManager env;
    Open(env, true);
    {
        CDatabaseEdit book(&env);
        Add(book, "a@x.jp");
        ASSERT_EQ(book.WriteFromMemoryToFile(), 0);
    }
    const std::string old = ReadFile(DatabaseFile());
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        CDatabaseEdit book(&env);
        book.ReadCustomerList();
        Add(book, "b@x.jp");
        platform::SetStepHookForTesting(&KillAtSafeWrite);
        book.WriteFromMemoryToFile();
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    auto temporaries = [&] {
        int n = 0;
        for (const auto& e : std::filesystem::directory_iterator(folder_ + "DB"))
            n += e.path().filename().string().find(".tmp") != std::string::npos;
        return n;
    };
    EXPECT_EQ(temporaries(), 1);
    EXPECT_EQ(ReadFile(DatabaseFile()), old);
    CDatabaseEdit book(&env);
    EXPECT_EQ(book.ReadCustomerList(), 2);  // the new record came back from the journal
    EXPECT_EQ(temporaries(), 0);
}

}  // namespace
