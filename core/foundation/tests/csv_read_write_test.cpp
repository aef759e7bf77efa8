#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/foundation/csv_read.h"
#include "core/foundation/csv_write.h"
#include "core/foundation/record_coding.h"
#include "platform/safe_write.h"
#include "record_test_util.h"

using record_test::ReadFile;
using record_test::TempDir;
using record_test::WriteFile;

namespace {

std::vector<std::string> Fields(const CsvRead& r) {
    std::vector<std::string> out;
    for (int i = 0; i < r.GetElementsNumber(); ++i) out.emplace_back(r.GetData(i));
    return out;
}

struct SplitCase {
    const char* text;
    int result;
    std::vector<std::string> fields;
};

}  // namespace

TEST(CsvSplit, FieldRules) {
    const SplitCase cases[] = {
        {"a,,b", 3, {"a", "", "b"}},
        {",", 2, {"", ""}},
        {"\"\"", 1, {""}},
        {"a\"\"b", 1, {"a\"b"}},              // doubled quote in an unquoted field
        {"a\"b", 0, {}},                      // quote followed by a letter: malformed
        {"ab\",c", 2, {"ab", "c"}},           // quote before a comma is dropped
        {"ab\"", 1, {"ab"}},                  // ... and at the end
        {"\"a,b\",\"c\"\"d\"", 2, {"a,b", "c\"d"}},
        {"\"x\"y", 0, {}},
        {"\"abc,def", 1, {"abc,def"}},        // never closed: runs to the end
        {"\"a\r\nb\",1\r\n", 2, {"a\r\nb", "1"}},
        {"\r\n", 0, {}},
        {"", 0, {}},
        {"\"\"\"\"", 1, {"\""}},
        {"a,", 2, {"a", ""}},
        // Fields longer than a machine word, with the stop byte at every offset.
        {"\"0123456789\"\"abcdefgh,ijklmnop\",unquoted_longer_than_8,\"\"", 3,
         {"0123456789\"abcdefgh,ijklmnop", "unquoted_longer_than_8", ""}},
        {"abcdefghijk\"\"lmnopqrstuvwxyz,abcdefgh\"x", 0, {}},
        {"1234567,12345678,123456789", 3, {"1234567", "12345678", "123456789"}},
    };
    for (const auto& c : cases) {
        CsvRead r;
        EXPECT_EQ(r.SetLine(c.text), c.result) << c.text;
        EXPECT_EQ(Fields(r), c.fields) << c.text;
        EXPECT_EQ(r.GetData(-1), nullptr);
        EXPECT_EQ(r.GetData(r.GetElementsNumber()), nullptr);
    }
    CsvRead r;
    EXPECT_EQ(r.SetLine(static_cast<const char*>(nullptr)), -1);
}

TEST(CsvRead, PhysicalLinesAndRecords) {
    TempDir dir;
    const std::string path = dir.File("plain.csv");
    const std::string longField(3000, 'x');
    WriteFile(path, "\"" + longField + "\",2\r\n"
                    "\"multi\r\nline, with \"\"quote\"\"\",b\r\n"
                    "\r\n"
                    "last,without,end");
    CsvRead r;
    ASSERT_EQ(r.OpenFile(path), 1);
    ASSERT_EQ(r.ReadLine(), 2);
    EXPECT_EQ(r.GetData(0), longField);
    ASSERT_EQ(r.ReadLine(), 2);
    EXPECT_STREQ(r.GetData(0), "multi\r\nline, with \"quote\"");
    EXPECT_EQ(r.ReadLine(), 0);  // a line of CR LF alone
    // The plain reader delivers a last line without a line end.
    ASSERT_EQ(r.ReadLine(), 3);
    EXPECT_EQ(Fields(r), (std::vector<std::string>{"last", "without", "end"}));
    EXPECT_EQ(r.ReadLine(), -1);
    EXPECT_TRUE(r.IsEof());
    ASSERT_EQ(r.MoveFirst(), 0);
    EXPECT_EQ(r.ReadLine(), 2);
    EXPECT_EQ(r.OpenFile(dir.File("missing.csv")), -1);
    EXPECT_EQ(r.OpenFile(static_cast<const char*>(nullptr)), -1);
}

TEST(CsvRead, UnclosedQuoteAtEndIsMalformedNotEnd) {
    TempDir dir;
    const std::string path = dir.File("stray.csv");
    WriteFile(path, "a,b\r\n\"stray,c\r\nd,e\r\n");
    CsvRead r;
    ASSERT_EQ(r.OpenFile(path), 1);
    EXPECT_EQ(r.ReadLine(), 2);
    EXPECT_EQ(r.ReadLine(), 0);
    EXPECT_EQ(r.GetData(0), nullptr);
    EXPECT_EQ(r.ReadLine(), -1);
}

TEST(CsvRead, ManyJoinedLinesReadInOnePass) {
    // One quoted field of 20,000 physical lines: the open-quote state is kept as lines
    // arrive, so this stays linear.
    TempDir dir;
    const std::string path = dir.File("long.csv");
    std::string field;
    for (int i = 0; i < 20000; ++i) field += "line\r\n";
    WriteFile(path, "\"" + field + "\",x\r\n");
    CsvRead r;
    ASSERT_EQ(r.OpenFile(path), 1);
    ASSERT_EQ(r.ReadLine(), 2);
    EXPECT_EQ(r.GetDataView(0), field);
}

TEST(XCsvRead, CutOffLastRecordIsReported) {
    TempDir dir;
    const std::string path = dir.File("torn.dat");
    {
        XCsvWrite w;
        ASSERT_EQ(w.OpenFile(path), 1);
        w.SetData("a");
        ASSERT_GT(w.WriteLine(), 0);
        w.BufferEmpty();
        w.SetData("b\r\nc");
        ASSERT_GT(w.WriteLine(), 0);
    }
    std::string bytes = ReadFile(path);
    WriteFile(path, bytes.substr(0, bytes.size() - 2));  // lose the last CR LF
    XCsvRead r;
    ASSERT_EQ(r.OpenFile(path), 1);
    EXPECT_EQ(r.ReadLine(), 1);
    EXPECT_STREQ(r.GetData(0), "a");
    EXPECT_FALSE(r.IsTornRecord());
    EXPECT_EQ(r.ReadLine(), 0);
    EXPECT_TRUE(r.IsTornRecord());
    EXPECT_EQ(r.ReadLine(), -1);

    // A quoted field still open at the end is cut off as well: "a" CR LF "b CR LF.
    WriteFile(path, bytes.substr(0, 9));
    ASSERT_EQ(r.OpenFile(path), 1);
    EXPECT_EQ(r.ReadLine(), 1);
    EXPECT_EQ(r.ReadLine(), 0);
    EXPECT_TRUE(r.IsTornRecord());
}

TEST(CsvWrite, LinesAndFields) {
    TempDir dir;
    const std::string path = dir.File("out.csv");
    CsvWrite w;
    EXPECT_EQ(w.WriteLine(), -1);  // no file
    ASSERT_EQ(w.OpenFile(path), 1);
    EXPECT_EQ(w.WriteLine(), 0);   // empty line: nothing written
    w.SetData("");
    w.SetData(static_cast<const char*>(nullptr));
    w.SetData("a,\"b\"\r\nc");
    w.SetData(-42L);
    EXPECT_EQ(w.GetLine(), "\"\",\"a,\"\"b\"\"\r\nc\",-42");
    EXPECT_EQ(w.GetElementsNumber(), 0);
    EXPECT_EQ(w.WriteLine(), 21);
    w.BufferEmpty();
    w.SetData(7);
    EXPECT_EQ(w.GetLine(), "7");
    EXPECT_EQ(w.WriteLine(), 3);
    EXPECT_EQ(w.CloseFile(), 0);
    EXPECT_EQ(ReadFile(path), "\"\",\"a,\"\"b\"\"\r\nc\",-42\r\n7\r\n");

    CsvRead r;
    ASSERT_EQ(r.OpenFile(path), 1);
    ASSERT_EQ(r.ReadLine(), 3);
    EXPECT_EQ(Fields(r), (std::vector<std::string>{"", "a,\"b\"\r\nc", "-42"}));
}

TEST(CsvWrite, FormattedLines) {
    CsvWrite w;
    EXPECT_EQ(w.SetLine("\"%s\",%d,%5.2f,%x,%%,%-3s|%c", "say \"hi\"", -3, 3.14159, 255u, "a", 'Z'),
              "\"say \"\"hi\"\"\",-3, 3.14,ff,%,a  |Z");
    EXPECT_EQ(w.SetLine("%*d|%.*s|%ld", 4, 7, 2, "abc", 123456789L), "   7|ab|123456789");
    int at = 0;
    EXPECT_EQ(w.SetLine("abc%n%s", &at, "de"), "abcde");
    EXPECT_EQ(at, 3);
    EXPECT_EQ(w.SetLine(nullptr), "");
    EXPECT_EQ(w.WriteLine("%d", 1), -1);  // no file open
}

TEST(CsvWrite, SafeModeKeepsOldFileOnFailure) {
    TempDir dir;
    const std::string path = dir.File("safe.dat");
    WriteFile(path, "old content\r\n");
    {
        XCsvWrite w;
        ASSERT_EQ(w.OpenFile(path, WriteMode::kSafe), 1);
        w.SetData("new");
        ASSERT_GT(w.WriteLine(), 0);
        // Nothing reaches the target before the commit.
        EXPECT_EQ(ReadFile(path), "old content\r\n");
        platform::AtomicFile::FailNextCommitForTesting();
        EXPECT_EQ(w.CloseFile(), -1);
    }
    EXPECT_EQ(ReadFile(path), "old content\r\n");
    {
        XCsvWrite w;  // given up
        ASSERT_EQ(w.OpenFile(path), 1);
        w.SetData("new");
        ASSERT_GT(w.WriteLine(), 0);
        w.AbortFile();
    }
    EXPECT_EQ(ReadFile(path), "old content\r\n");
    {
        CsvWrite w;  // destruction closes the file like CloseFile
        ASSERT_EQ(w.OpenFile(path), 1);
        w.SetData("plain");
        ASSERT_GT(w.WriteLine(), 0);
    }
    EXPECT_EQ(ReadFile(path), "\"plain\"\r\n");
    {
        XCsvWrite w;
        ASSERT_EQ(w.OpenFile(path, WriteMode::kSafeSync), 1);
        w.SetData("new");
        ASSERT_GT(w.WriteLine(), 0);
        EXPECT_EQ(w.CloseFile(), 0);
    }
    XCsvRead r;
    ASSERT_EQ(r.OpenFile(path), 1);
    ASSERT_EQ(r.ReadLine(), 1);
    EXPECT_STREQ(r.GetData(0), "new");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path), std::filesystem::directory_iterator()), 1);
}

namespace {

// A random field text from pieces that stress the syntax and Shift_JIS bytes.
std::string RandomField(std::mt19937& rng) {
    static const std::vector<std::string> pieces = {
        "\"", ",", "\r", "\n", "\r\n", "\"\"", "abc", " ", "\x83\x41", "\x95\x5c", "\x82\xa0",
        "\xb1", "\x81\x40", "%s", "\\", "\t", "0",
    };
    std::string s;
    const int n = static_cast<int>(rng() % 12);
    for (int i = 0; i < n; ++i) s += pieces[rng() % pieces.size()];
    return s;
}

void WriteRows(const std::string& path, const char* key, const std::vector<std::vector<std::string>>& rows) {
    XCsvWrite w;
    if (key != nullptr) w.SetUseKey(key);
    ASSERT_EQ(w.OpenFile(path, WriteMode::kSafe), 1);
    for (const auto& row : rows) {
        w.BufferEmpty();
        for (const auto& f : row) w.SetData(f);
        ASSERT_GT(w.WriteLine(), 0);
    }
    ASSERT_EQ(w.CloseFile(), 0);
}

std::vector<std::vector<std::string>> ReadRows(const std::string& path, const char* key) {
    XCsvRead r;
    if (key != nullptr) r.SetUseKey(key);
    std::vector<std::vector<std::string>> rows;
    if (r.OpenFile(path) != 1) return rows;
    int n;
    while ((n = r.ReadLine()) > 0) {
        std::vector<std::string> row;
        for (int i = 0; i < n; ++i) row.emplace_back(r.GetDataView(i));
        rows.push_back(row);
    }
    if (n == 0) rows.push_back({"<malformed>"});
    return rows;
}

}  // namespace

TEST(XCsvReadWrite, RandomRowsRoundTripUnderEachKey) {
    TempDir dir;
    std::mt19937 rng(20240601);
    std::vector<std::vector<std::string>> rows;
    for (int i = 0; i < 300; ++i) {
        std::vector<std::string> row;
        const int n = 1 + static_cast<int>(rng() % 8);
        for (int k = 0; k < n; ++k) row.push_back(RandomField(rng));
        rows.push_back(row);
    }
    const char* keys[] = {nullptr, "", "K"};
    for (const char* key : keys) {
        const std::string path = dir.File("rt.dat");
        WriteRows(path, key, rows);
        EXPECT_EQ(ReadRows(path, key), rows) << (key ? key : "(null)");
        // Another key reads other bytes.
        for (const char* other : keys) {
            if (other == key) continue;
            EXPECT_NE(ReadRows(path, other), rows);
        }
    }
}

namespace {

// The field rules written out plainly, one character at a time, to check the reader's
// word-at-a-time splitter against. Returns false for a malformed record.
bool ReferenceSplit(std::string text, std::vector<std::string>& fields) {
    fields.clear();
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
    if (text.empty()) return true;
    size_t p = 0;
    for (;;) {
        std::string field;
        const bool quoted = text[p] == '"';
        if (quoted) ++p;
        bool last = false;
        for (;;) {
            if (p == text.size()) {
                last = true;
                break;
            }
            const char c = text[p];
            if (c == '"') {
                if (p + 1 < text.size() && text[p + 1] == '"') {
                    field += '"';
                    p += 2;
                } else if (p + 1 == text.size()) {
                    ++p;
                    last = true;
                    break;
                } else if (text[p + 1] == ',') {
                    p += 2;
                    break;
                } else {
                    fields.clear();
                    return false;
                }
            } else if (c == ',' && !quoted) {
                ++p;
                break;
            } else {
                field += c;
                ++p;
            }
        }
        fields.push_back(field);
        if (last) return true;
        if (p == text.size()) {
            fields.push_back("");
            return true;
        }
    }
}

}  // namespace

TEST(CsvSplit, RandomTextsFollowTheRules) {
    std::mt19937 rng(7);
    const char alphabet[] = {'"', '"', ',', ',', '\r', '\n', 'a', 'b', '\0', '\x83', '\x41', ' '};
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        const size_t n = rng() % 40;
        for (size_t i = 0; i < n; ++i) text += alphabet[rng() % sizeof alphabet];
        std::vector<std::string> want;
        const bool ok = ReferenceSplit(text, want);
        CsvRead r;
        const int got = r.SetLine(std::string_view(text));
        ASSERT_EQ(got, ok ? static_cast<int>(want.size()) : 0) << testing::PrintToString(text);
        for (int i = 0; i < got; ++i) ASSERT_EQ(r.GetDataView(i), want[static_cast<size_t>(i)]);
    }
}
