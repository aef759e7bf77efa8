#include "core/foundation/record_table.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <thread>

#include "core/foundation/csv_write.h"
#include "core/foundation/record_coding.h"
#include "platform/safe_write.h"
#include "record_test_util.h"

using record_test::ReadFile;
using record_test::TempDir;
using record_test::WriteFile;

namespace {

using record_test::Row;

std::string Column0(const BaseRecordStructer& t) {
    std::string s;
    for (int i = 0; i < t.GetRecordNumber(); ++i) s += t.GetStringElement(0, i);
    return s;
}

}  // namespace

TEST(BaseRecordStructer, RowOperations) {
    BaseRecordStructer t;
    EXPECT_EQ(t.InsertString(Row({"a"})), 0);  // no element count yet
    EXPECT_EQ(t.SetElementNumber(-1), 0);
    ASSERT_EQ(t.SetElementNumber(2), 1);
    const char* values[] = {"x", nullptr};
    EXPECT_EQ(t.InsertString(values), 1);
    EXPECT_EQ(t.InsertString(Row({"y", "1"})), 1);
    EXPECT_EQ(t.InsertString(Row({"short"})), 0);  // a row must hold element-count texts
    EXPECT_EQ(t.GetRecordNumber(), 2);
    XCStringArrayEx out;
    EXPECT_EQ(t.GetString(0, out), 1);
    EXPECT_EQ(out, Row({"x", ""}));
    EXPECT_EQ(t.GetString(2, out), 0);
    EXPECT_TRUE(out.IsEmpty());
    EXPECT_EQ(t.GetString(-1, out), 0);
    EXPECT_EQ(t.CorrectString(1, Row({"z", "2"})), 1);
    EXPECT_EQ(t.CorrectString(2, Row({"z", "2"})), 0);
    EXPECT_EQ(t.GetStringElement(0, 1), "z");
    EXPECT_EQ(t.GetStringElement(2, 1), "");
    std::string s;
    EXPECT_EQ(t.GetStringElement(s, 1, 1), 1);
    EXPECT_EQ(s, "2");
    EXPECT_EQ(t.DeleteString(0), 1);
    EXPECT_EQ(t.DeleteString(-1), 0);
    EXPECT_EQ(Column0(t), "z");
    t.DeleteAllString();
    EXPECT_EQ(t.GetRecordNumber(), 0);
}

TEST(BaseRecordStructer, FullSortByRowNumbers) {
    BaseRecordStructer t;
    t.SetElementNumber(1);
    for (const char* v : {"A", "B", "C"}) t.InsertString(Row({v}));
    EXPECT_EQ(t.FullSort("2,0,2,9"), 1);
    EXPECT_EQ(Column0(t), "CAB");
    EXPECT_EQ(t.FullSort(std::vector<int>{-1, 2}), 1);
    EXPECT_EQ(Column0(t), "BCA");
    EXPECT_EQ(t.FullSort(""), 1);
    EXPECT_EQ(Column0(t), "BCA");
}

TEST(BaseRecordStructer, Searches) {
    BaseRecordStructer t;
    EXPECT_EQ(t.TotalAgreementReference("a", 0, 0, 1), -1);  // empty table
    EXPECT_EQ(t.PartialAgreementReference("a", 0, 0, 1), -2);
    t.SetElementNumber(1);
    EXPECT_EQ(t.TotalAgreementReference("a", 0, 0, 1), -1);
    EXPECT_EQ(t.FrontAgreementReference("a", 0, 0, 1), -2);
    // "ア" is 0x83 0x41: its second byte is an "A" that no search may take for a letter.
    for (const char* v : {"abc", "\x83\x41", "ABC", "xabc", "abc", "\x83\x41\x83\x41"}) t.InsertString(Row({v}));
    EXPECT_EQ(t.TotalAgreementReference("abc", 0, 0, 1), 0);
    EXPECT_EQ(t.TotalAgreementReference("abc", 0, 5, -1), 4);  // backwards
    EXPECT_EQ(t.TotalAgreementReference("abc", 0, 1, 2), -1);  // rows 1, 3, 5
    EXPECT_EQ(t.TotalAgreementReferenceSameUpLow("Abc", 0, 1, 1), 2);
    EXPECT_EQ(t.TotalAgreementReferenceSameUpLow("a", 0, 0, 1), -1);
    EXPECT_EQ(t.TotalAgreementReferenceSameUpLow("\x83\x61", 0, 0, 1), -1);
    EXPECT_EQ(t.FrontAgreementReference("ab", 0, 1, 1), 4);
    EXPECT_EQ(t.PartialAgreementReference("bc", 0, 1, 1), 2 + 1);  // "xabc"
    EXPECT_EQ(t.PartialAgreementReference("A", 0, 0, 1), 2);       // not inside "ア"
    EXPECT_EQ(t.PartialAgreementReference("\x41\x83", 0, 0, 1), -1);
    for (auto bad : {std::tuple{"", 0, 0, 1}, std::tuple{"a", 1, 0, 1}, std::tuple{"a", 0, 6, 1},
                     std::tuple{"a", 0, -1, 1}, std::tuple{"a", 0, 0, 0}}) {
        auto [text, col, start, step] = bad;
        EXPECT_EQ(t.PartialAgreementReference(text, col, start, step), -2);
    }
}

namespace {

struct LoadFixture : ::testing::Test {
    TempDir dir;
    std::string path = dir.File("systemoption.dat");

    // Writes `plain` record text coded with the default table.
    void Write(std::string plain) {
        CodeBytes(plain.data(), plain.size(), DefaultEncodeTable());
        WriteFile(path, plain);
    }
};

}  // namespace

TEST_F(LoadFixture, LoadResults) {
    BaseRecordStructer t;
    EXPECT_EQ(t.LoadCSVFile(dir.File("missing.dat"), nullptr), -1);

    WriteFile(path, "");
    EXPECT_EQ(t.LoadCSVFile(path, nullptr), -2);
    EXPECT_EQ(t.GetElementNumber(), 1);
    EXPECT_EQ(t.GetRecordNumber(), 0);

    Write("a,b\r\nc,d\r\n\"e\",f\r\n\r\n\r\n");  // trailing empty lines end the file
    EXPECT_EQ(t.LoadCSVFile(path, nullptr), 0);
    EXPECT_EQ(t.GetElementNumber(), 2);
    EXPECT_EQ(Column0(t), "ace");

    // Failures leave the table as it was.
    Write("a,b\r\nc,d\r\ne,f,g\r\n");
    EXPECT_EQ(t.LoadCSVFile(path, nullptr), -3);
    EXPECT_EQ(Column0(t), "ace");
    Write("\r\na,b\r\n");
    EXPECT_EQ(t.LoadCSVFile(path, nullptr), -4);
    Write("a,b\r\n\r\nc,d\r\n");
    EXPECT_EQ(t.LoadCSVFile(path, nullptr), -5);
    Write("a,b\r\n\"broken\"x\r\n");
    EXPECT_EQ(t.LoadCSVFile(path, nullptr), -5);
    EXPECT_EQ(Column0(t), "ace");
    EXPECT_EQ(t.GetElementNumber(), 2);

    // A folder where the file should be cannot be read: not an empty table, and not
    // something a save may replace.
    const std::string folder = dir.File("folder.dat");
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    EXPECT_EQ(t.LoadCSVFile(folder, nullptr), -1);
    EXPECT_EQ(Column0(t), "ace");
    EXPECT_EQ(t.SaveCSVFile(folder, 1, nullptr), 0);
}

TEST_F(LoadFixture, SavesAndKeys) {
    BaseRecordStructer t;
    EXPECT_EQ(t.SaveCSVFile(path, 1, nullptr), 0);  // no element count
    t.SetElementNumber(2);
    t.InsertString(Row({"k", "\x83\x65\x83\x58\x83\x67"}));
    EXPECT_EQ(t.SaveCSVFile(path, 0, "key"), 1);
    EXPECT_FALSE(t.IsChanged());
    const std::string saved = ReadFile(path);
    EXPECT_EQ(t.SaveCSVFile(path, 0, "key"), 1);  // unchanged: nothing written
    WriteFile(path, "marker");
    EXPECT_EQ(t.SaveCSVFile(path, 0, "key"), 1);
    EXPECT_EQ(ReadFile(path), "marker");
    EXPECT_EQ(t.SaveCSVFileCompel(path, "key"), 1);
    EXPECT_EQ(ReadFile(path), saved);

    BaseRecordStructer u;
    ASSERT_EQ(u.LoadCSVFile(path, "key"), 0);
    EXPECT_TRUE(u.IsChanged());  // a load counts as a change
    EXPECT_EQ(u.GetStringElement(1, 0), "\x83\x65\x83\x58\x83\x67");
    BaseRecordStructer wrongKey;
    if (wrongKey.LoadCSVFile(path, "other") == 0) {
        EXPECT_NE(wrongKey.GetStringElement(0, 0), "k");
    }

    t.DeleteAllString();
    EXPECT_EQ(t.SaveCSVFile(path, 0, nullptr), 1);
    EXPECT_EQ(ReadFile(path), "");
}

TEST_F(LoadFixture, DamagedFileIsNeverOverwritten) {
    BaseRecordStructer t;
    Write("a,b\r\n");
    ASSERT_EQ(t.LoadCSVFile(path, nullptr), 0);  // the table holds one row and counts as changed
    Write("a,b\r\nbad\"x,d\r\ne,f\r\n");   // damaged in the middle
    const std::string before = ReadFile(path);
    EXPECT_EQ(t.LoadCSVFile(path, nullptr), -5);
    EXPECT_EQ(t.GetRecordNumber(), 1);
    EXPECT_EQ(t.SaveCSVFile(path, 0, nullptr), 0);
    EXPECT_EQ(t.SaveCSVFileCompel(path, nullptr), 0);
    EXPECT_EQ(ReadFile(path), before);
    // Starting afresh is a deliberate choice that may replace it.
    t.SetElementNumber(2);
    EXPECT_EQ(t.SaveCSVFileCompel(path, nullptr), 1);
    EXPECT_EQ(ReadFile(path), "");
}

TEST_F(LoadFixture, FailedWriteKeepsTheOldFile) {
    Write("a,b\r\n");
    const std::string before = ReadFile(path);
    BaseRecordStructer t;
    ASSERT_EQ(t.LoadCSVFile(path, nullptr), 0);
    t.InsertString(Row({"c", "d"}));
    platform::AtomicFile::FailNextCommitForTesting();
    EXPECT_EQ(t.SaveCSVFile(path, 0, nullptr), 0);
    EXPECT_EQ(ReadFile(path), before);
    EXPECT_TRUE(t.IsChanged());
}

TEST(BaseRecordStructer, SameNamedFilesInTwoFoldersNeverTear) {
    // Loads and saves of "hist.dat" in two folders share one lock; each thread checks that
    // every load sees a whole file of its own.
    TempDir a, b;
    std::atomic<int> failures{0};
    auto worker = [&](const std::string& folder, const std::string& tag) {
        const std::string path = folder + "/hist.dat";
        BaseRecordStructer t;
        t.SetElementNumber(3);
        for (int i = 0; i < 50; ++i) t.InsertString(XCStringArrayEx({tag, std::to_string(i), std::string(100, 'x')}));
        if (t.SaveCSVFileCompel(path, "k") != 1) ++failures;
        for (int round = 0; round < 1000; ++round) {
            BaseRecordStructer u;
            if (u.LoadCSVFile(path, "k") != 0 || u.GetRecordNumber() != 50 + round % 2 ||
                u.GetStringElement(0, 0) != tag) {
                ++failures;
                continue;
            }
            if (round % 2 == 0) u.InsertString(XCStringArrayEx({tag, "extra", ""}));
            else u.DeleteString(u.GetRecordNumber() - 1);
            if (u.SaveCSVFile(path, 0, "k") != 1) ++failures;
        }
    };
    std::thread t1(worker, a.path, "A"), t2(worker, b.path, "B");
    t1.join();
    t2.join();
    EXPECT_EQ(failures.load(), 0);
}
