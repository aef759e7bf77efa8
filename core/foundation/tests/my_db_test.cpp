#include "core/foundation/my_db.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "core/foundation/record_coding.h"
#include "platform/date_time.h"
#include "platform/notifier.h"
#include "platform/safe_write.h"
#include "record_test_util.h"

using record_test::ReadFile;
using record_test::TempDir;
using record_test::WriteFile;

namespace {

using record_test::Row;

std::string Column(const CMyDB& db, int column) {
    std::string s;
    for (int i = 0; i < db.GetLineNumber(); ++i) s += db.GetAtElement(i, column) + ";";
    return s;
}

struct MyDbFile : ::testing::Test {
    TempDir dir;
    std::string path = dir.File("database.dat");
    // Writes `plain` record text coded with the default table.
    void Write(std::string plain) {
        CodeBytes(plain.data(), plain.size(), DefaultEncodeTable());
        WriteFile(path, plain);
    }
};

}  // namespace

TEST(CMyDB, ElementCountAndLines) {
    CMyDB db;
    EXPECT_EQ(db.GetElementNumber(), -2);
    EXPECT_EQ(db.AddLine(Row({"a"})), -2);
    EXPECT_EQ(db.GetLineNumber(), -2);
    EXPECT_EQ(db.SetDBFilePath("x"), -2);
    EXPECT_EQ(db.SetElementNumber(0), -8);
    ASSERT_EQ(db.SetElementNumber(3), 0);
    EXPECT_EQ(db.SetElementNumber(4), -15);
    EXPECT_EQ(db.GetElementNumber_Y2(), -2);

    EXPECT_EQ(db.AddLine(Row({"a", "b"})), -7);
    EXPECT_EQ(db.AddLine(Row({"a", "b", "c"})), 0);
    EXPECT_TRUE(db.IsChanged());
    EXPECT_EQ(db.SetAtLine(1, Row({"d", "e", "f"})), -9);
    EXPECT_EQ(db.SetAtLine(-1, Row({"d", "e", "f"})), -9);
    EXPECT_EQ(db.InsertAtLine(1, Row({"d", "e", "f"})), 0);   // at the count: appends
    EXPECT_EQ(db.InsertAtLine(3, Row({"g", "h", "i"})), -9);
    EXPECT_EQ(db.InsertAtLine(0, Row({"g", "h", "i"})), 0);
    EXPECT_EQ(Column(db, 0), "g;a;d;");

    // Growing fills the gap with lines of element-count empty texts.
    EXPECT_EQ(db.SetAtLineGrow(5, Row({"x", "y", "z"})), 0);
    EXPECT_EQ(db.GetLineNumber(), 6);
    EXPECT_EQ(db.GetAtLine(4).GetSize(), 3);
    EXPECT_EQ(Column(db, 2), "i;c;f;;;z;");
    EXPECT_EQ(db.SetSizeDBArray(8), 0);
    EXPECT_EQ(db.GetAtLine(7), Row({"", "", ""}));
    EXPECT_EQ(db.SetSizeDBArray(2), 0);
    EXPECT_EQ(db.GetLineNumber(), 8);

    EXPECT_EQ(db.RemoveLine(8), -9);
    EXPECT_EQ(db.RemoveLine(0), 0);
    EXPECT_EQ(db.GetAtElement(0, 0), "a");
    XCStringArrayEx out;
    EXPECT_EQ(db.GetAtLine(7, out), -9);
    EXPECT_EQ(db.GetAtLine(0, out), 0);
    EXPECT_EQ(out, Row({"a", "b", "c"}));
    EXPECT_EQ(db[1], Row({"d", "e", "f"}));
    EXPECT_TRUE(db[99].IsEmpty());
    std::string s;
    EXPECT_EQ(db.GetAtElement(0, 3, s), -10);
    EXPECT_EQ(db.GetAtElement(9, 0, s), -9);
    EXPECT_EQ(db.GetAtElement(0, 3), "");

    EXPECT_EQ(db.SetAtElement(0, 1, "B"), 0);
    EXPECT_EQ(db.SetAtElement(0, 2, -12), 0);
    EXPECT_EQ(db.SetAtElement(0, 3, "x"), -10);
    EXPECT_EQ(db.SetAtElement(0, 0, platform::DateTime(2024, 2, 9, 7, 5, 3)), 0);
    platform::DateTime bad(2024, 2, 30, 0, 0, 0);
    EXPECT_EQ(db.SetAtElement(0, 0, bad), -16);
    EXPECT_EQ(db.GetAtLine(0), Row({"2024/02/09 07:05:03", "B", "-12"}));

    CMyDB fresh(2);
    fresh.AddLine(Row({"a", "b"}));
    EXPECT_EQ(fresh.RemoveAll(0), 0);
    EXPECT_EQ(fresh.GetLineNumber(), 0);
    db.Init();
    EXPECT_EQ(db.GetElementNumber(), -2);
    EXPECT_EQ(db.SetElementNumber(4), 0);
}

TEST(CMyDB, BadColumnCountIsRefusedWithAMessage) {
    std::string told;
    auto old = platform::SetNotifier([&](const std::string& text, const std::string&, unsigned) {
        told = text;
        return platform::kIdOk;
    });
    EXPECT_THROW(CMyDB db(0), platform::UserException);
    EXPECT_FALSE(told.empty());
    platform::SetNotifier(old);
}

TEST(CMyDB, IntegerSort) {
    CMyDB db(2);
    for (const char* k : {"10", "9", "abc", " -3x", "9"}) db.AddLine(Row({k, std::to_string(db.GetLineNumber())}));
    EXPECT_EQ(db.Sort(2, 1, 1), -10);
    EXPECT_EQ(db.Sort(0, 3, 1), -11);
    ASSERT_EQ(db.Sort(0, 1, 1), 0);
    EXPECT_EQ(Column(db, 0), " -3x;abc;9;9;10;");
    EXPECT_EQ(Column(db, 1), "3;2;1;4;0;");  // equal keys keep their order
    ASSERT_EQ(db.Sort(0, 1, 0), 0);
    EXPECT_EQ(Column(db, 0), "10;9;9;abc; -3x;");
    // The other types define no order.
    ASSERT_EQ(db.Sort(0, 0, 1), 0);
    EXPECT_EQ(Column(db, 0), "10;9;9;abc; -3x;");

    // Keys that sink a mean-of-ends quicksort (and overflow its pivot) sort in one pass.
    CMyDB big(1);
    const int n = 200000;
    for (int i = 0; i < n; ++i) big.AddLine(Row({std::to_string(i % 2 ? 2147483647 - i : -2147483647 + i)}));
    ASSERT_EQ(big.Sort(0, 1, 1), 0);
    EXPECT_EQ(big.GetAtElement(0, 0), "-2147483647");
    EXPECT_EQ(big.GetAtElement(n - 1, 0), "2147483646");
}

TEST(CMyDB, Searches) {
    CMyDB db(1);
    for (const char* v : {"abc", "\x83\x41", "ABC", "xabc"}) db.AddLine(Row({v}));
    EXPECT_EQ(db.TotalAgreementReference("abc", 1, 0, 1), -10);
    EXPECT_EQ(db.TotalAgreementReference("abc", 0, 0, 0), -14);
    EXPECT_EQ(db.TotalAgreementReference("abc", 0, -1, 1), -13);
    EXPECT_EQ(db.TotalAgreementReference("abc", 0, 1, 1), -12);
    EXPECT_EQ(db.TotalAgreementReference("abc", 0, 9, 1), -12);
    EXPECT_EQ(db.TotalAgreementReferenceSameUpLow("abc", 0, 1, 1), 2);
    EXPECT_EQ(db.TotalAgreementReferenceSameUpLow("\x83\x61", 0, 0, 1), -12);
    EXPECT_EQ(db.FrontAgreementReference("AB", 0, 0, 1), 2);
    EXPECT_EQ(db.FrontAgreementReference("", 0, 1, 2), 1);
    EXPECT_EQ(db.PartialAgreementReference("A", 0, 0, 1), 2);
    EXPECT_EQ(db.PartialAgreementReference("bc", 0, 1, 2), 3);
}

TEST_F(MyDbFile, ReadResults) {
    CMyDB db(5);
    EXPECT_EQ(db.ReadDBFile(nullptr), -1);
    db.SetDBFilePath("relative.dat");
    EXPECT_EQ(db.ReadDBFile(nullptr), -18);
    db.SetDBFilePath(dir.File("nofolder/database.dat"));
    EXPECT_EQ(db.ReadDBFile(nullptr), -18);
    db.SetDBFilePath(path);
    EXPECT_EQ(db.ReadDBFile(nullptr), -3);
    WriteFile(path, "");
    EXPECT_EQ(db.ReadDBFile(nullptr), -5);
    Write("\r\na,b,c,d,e\r\n");
    EXPECT_EQ(db.ReadDBFile(nullptr), -8);

    // The alternative count: short lines are padded; other counts fail.
    db.SetElementNumber_Y2(3);
    Write("1,2,3\r\n\"a\",\"b\",\"c\",\"d\",\"e\"\r\n\r\n");
    ASSERT_EQ(db.ReadDBFile(nullptr), 0);
    EXPECT_FALSE(db.IsChanged());
    EXPECT_EQ(db.GetAtLine(0), Row({"1", "2", "3", "", ""}));
    EXPECT_EQ(db.GetAtLine(1), Row({"a", "b", "c", "d", "e"}));

    // Failures leave the table as it was.
    Write("1,2,3\r\n1,2,3,4\r\n");
    EXPECT_EQ(db.ReadDBFile(nullptr), -7);
    Write("1,2,3\r\n\r\n1,2,3\r\n");
    EXPECT_EQ(db.ReadDBFile(nullptr), -19);
    Write("1,2,3\r\n1,2\"x,3\r\n");
    EXPECT_EQ(db.ReadDBFile(nullptr), -19);
    Write("1,2,3\r\n1,2,3");  // cut off
    EXPECT_EQ(db.ReadDBFile(nullptr), -19);
    EXPECT_EQ(db.GetLineNumber(), 2);
    EXPECT_EQ(db.GetAtElement(1, 4), "e");

    // A folder where the file should be cannot be read: not an empty book.
    const std::string folder = dir.File("folder.dat");
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    db.SetDBFilePath(folder);
    EXPECT_EQ(db.ReadDBFile(nullptr), -4);
    EXPECT_EQ(db.GetLineNumber(), 2);
}

TEST_F(MyDbFile, WriteAndReadBackWithKeys) {
    CMyDB db(3);
    db.SetDBFilePath(path);
    db.AddLine(Row({"\x83\x65\x83\x58\x83\x67", "a,\"b\"\r\nc", ""}));
    db.AddLine(Row({"", "", ""}));
    EXPECT_EQ(db.WriteDBFile(0, "K"), 0);
    EXPECT_FALSE(db.IsChanged());
    const std::string saved = ReadFile(path);
    WriteFile(path, "marker");
    EXPECT_EQ(db.WriteDBFile(0, "K"), 0);  // unchanged: nothing written
    EXPECT_EQ(ReadFile(path), "marker");
    EXPECT_EQ(db.WriteDBFile(1, "K"), 0);
    EXPECT_EQ(ReadFile(path), saved);

    CMyDB back(3);
    back.SetDBFilePath(path);
    ASSERT_EQ(back.ReadDBFile("K"), 0);
    EXPECT_EQ(back.GetAtLine(0), db.GetAtLine(0));
    EXPECT_EQ(back.GetAtLine(1), db.GetAtLine(1));

    // A line past 64 KB (wider offsets inside) and one of the alternative layout.
    const std::string big(70000, '\x82');
    db.AddLine(Row({"x", big, "\"y\""}));
    db.SetAtElement(2, 0, std::string(66000, 'z'));
    ASSERT_EQ(db.WriteDBFile(0, "K"), 0);
    CMyDB again(3);
    again.SetDBFilePath(path);
    ASSERT_EQ(again.ReadDBFile("K"), 0);
    EXPECT_EQ(again.GetAtLine(2), Row({std::string(66000, 'z'), big, "\"y\""}));
    EXPECT_EQ(again.GetAtElement(0, 1), "a,\"b\"\r\nc");

    db.RemoveAll(1);
    EXPECT_EQ(db.WriteDBFile(0, "K"), 0);
    EXPECT_EQ(ReadFile(path), "");
}

TEST_F(MyDbFile, DamagedMiddleRecordLeavesFileByteIdentical) {
    Write("1,2\r\n3,\"4\"x\r\n5,6\r\n");
    const std::string before = ReadFile(path);
    CMyDB db(2);
    db.SetDBFilePath(path);
    EXPECT_EQ(db.ReadDBFile(nullptr), -19);
    EXPECT_EQ(db.WriteDBFile(0, nullptr), 0);  // nothing changed
    db.AddLine(Row({"7", "8"}));
    EXPECT_EQ(db.WriteDBFile(0, nullptr), -20);
    EXPECT_EQ(db.WriteDBFile(1, nullptr), -20);
    EXPECT_EQ(ReadFile(path), before);
}

TEST_F(MyDbFile, FailedWriteKeepsTheOldFile) {
    CMyDB db(1);
    db.SetDBFilePath(path);
    db.AddLine(Row({"old"}));
    ASSERT_EQ(db.WriteDBFile(0, nullptr), 0);
    const std::string before = ReadFile(path);
    db.SetAtElement(0, 0, "new");
    platform::AtomicFile::FailNextCommitForTesting();
    EXPECT_EQ(db.WriteDBFile(0, nullptr), -17);
    EXPECT_TRUE(db.IsChanged());
    EXPECT_EQ(ReadFile(path), before);
}
