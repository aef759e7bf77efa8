// Import of delimited files: the merge by mail address, the checks per element, the lines
// that are rejected, and the ways a run ends.

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "core/addressbook/import_records.h"
#include "core/foundation/sequencer.h"
#include "platform/named_mutex.h"
#include "import_test_util.h"

namespace {

class CsvImportTest : public abtest::ImportEnv {
protected:
    // Columns: mail, family name, advertising flag, attribute A, birthday, postal code.
    static std::vector<int> Map() {
        std::vector<int> map(kCustomerElementCount, -1);
        map[kElemEmail] = 0;
        map[kElemKanjiSei] = 1;
        map[kElemDMOk] = 2;
        map[kElemExtraFirst] = 3;
        map[kElemBirthday] = 4;
        map[kElemZipCode1] = 5;
        return map;
    }
    int Import(const std::string& path, const std::string& policy = "1", int keep = 1) {
        const int result = importer_->ImportDBfromFile(path, ",", '"', Map(), keep, &count_, rejected_, policy);
        lines_.clear();
        for (const ImportRejection& r : rejected_.records) lines_.push_back(r.line);
        return result;
    }
    std::atomic<int> count_{-1};
    ImportRejections rejected_;
    std::vector<int> lines_;  // the rejected records' line numbers
};

TEST_F(CsvImportTest, MergesByAddressAndReportsRejectedLines) {
    const int kept = Add(*book_, "old@example.com");
    Add(*book_, "gone@example.com", "Y");
    const std::string path = Fixture("basic.csv");
    EXPECT_EQ(Import(path), 6);
    EXPECT_EQ(count_.load(), 6);

    // The title line, a bad address, a lower-case flag on a new record and an empty line.
    EXPECT_EQ(lines_, (std::vector<int>{1, 4, 6, 8}));
    ASSERT_EQ(rejected_.records.size(), 4u);
    EXPECT_EQ(rejected_.records[0].bytes, S("メール,姓,DM,属性A,誕生日,郵便番号\r\n"));
    EXPECT_EQ(rejected_.records[3].bytes, "\r\n");

    // A line with only an address: flags "Y" and "Y", both dates now.
    EXPECT_EQ(Element("new@example.com", kElemDMOk), "Y");
    EXPECT_EQ(Element("new@example.com", kElemOtherMailOk), "Y");
    EXPECT_EQ(Element("new@example.com", kElemEntryDate), "2024/05/06 07:08:09");
    EXPECT_EQ(Element("new@example.com", kElemRenewalDate), "2024/05/06 07:08:09");
    // The same address twice, in other case: added once, updated by the later line, whose
    // quoted name keeps its comma; its birthday is normalised.
    EXPECT_EQ(Element("Twice@Example.com", kElemKanjiSei), "<none>");
    EXPECT_EQ(Element("twice@example.com", kElemKanjiSei), S("佐藤,二郎"));
    EXPECT_EQ(Element("twice@example.com", kElemBirthday), "1980/02/03 00:00:00");
    // An existing record keeps its ID; "y" leaves its flag as it was; an empty column
    // clears the stored value.
    EXPECT_EQ(Element("OLD@example.com", kElemCustomerID), std::to_string(kept));
    EXPECT_EQ(Element("OLD@example.com", kElemDMOk), "Y");
    EXPECT_EQ(Element("OLD@example.com", kElemKanjiSei), "");
    // A deleted record is revived.
    EXPECT_EQ(Element("gone@example.com", kElemDeleteFlag), "");
    // The last line has no line feed and is imported all the same.
    EXPECT_EQ(Element("last@example.com", kElemKanjiSei), "Last");
    // Postal code as given (hyphens are the screens' business here).
    EXPECT_EQ(Element("last@example.com", kElemZipCode1), "123-4567");

    // Every record is found by its ID afterwards.
    const int n = book_->GetLineNumber();
    for (int row = 0; row < n; ++row)
        EXPECT_EQ(book_->DBID2RowNumber(std::stoi(book_->GetAtElement(row, kElemCustomerID))), row);
}

TEST_F(CsvImportTest, PolicyTwoLeavesExistingRecordsAndDoesNotCountThem) {
    const std::string path = SjisFile("dup.csv", "a@example.com,First\r\nA@EXAMPLE.COM,Second\r\n");
    EXPECT_EQ(Import(path, "2"), 1);
    EXPECT_EQ(Element("a@example.com", kElemKanjiSei), "First");
    EXPECT_EQ(Import(path, "1"), 2);
    EXPECT_EQ(Element("A@EXAMPLE.COM", kElemKanjiSei), "Second");
    EXPECT_EQ(book_->GetLineNumber(), 1);
}

TEST_F(CsvImportTest, ElementChecksByType) {
    options_items_[34] = "2";  // attribute A holds dates
    WriteOptions();
    ASSERT_EQ(options_->GetSODataFromFileToMemory(), 0);
    struct Case {
        const char* line;
        bool accepted;
        const char* attribute;
    } cases[] = {
        {"d1@example.com,,,2024/1/2", true, "2024/01/02"},
        {"d2@example.com,,,2024/1/2 3", true, "2024/01/02 03"},
        {"d3@example.com,,,2024/1/2 3:4", true, "2024/01/02 03:04"},
        {"d4@example.com,,,2024/1/2 3:4:5", true, "2024/01/02 03:04:05"},
        {"d5@example.com,,,2024/13", false, ""},
        {"d6@example.com,,,,1980/2/30", false, ""},
        {"d7@example.com,,,,,12a", false, ""},
        {"d8@example.com,,Z", false, ""},
        {"not an address", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const std::string path = SjisFile("one.csv", c.line);
        EXPECT_EQ(Import(path), c.accepted ? 1 : 0);
        EXPECT_EQ(lines_.size(), c.accepted ? 0u : 1u);
        if (c.accepted) {
            const std::string mail = std::string(c.line).substr(0, std::string(c.line).find(','));
            EXPECT_EQ(Element(mail, kElemExtraFirst), c.attribute);
        }
    }
}

TEST_F(CsvImportTest, EmptyingTheBookStillContinuesIdsAndStoresTheSequenceOnce) {
    OneCustomer high = Person("high@example.com");
    ASSERT_EQ(book_->SetOneCustomerInfo(high, 0), 0);
    // A row with a large ID, as a restore leaves it.
    XCStringArrayEx row = book_->GetAtLine(0);
    row.SetAt(kElemCustomerID, "5000");
    ASSERT_EQ(book_->AddLine(row), 0);

    const std::string path = SjisFile("two.csv", "x@example.com\ny@example.com\n");
    EXPECT_EQ(Import(path, "1", 0), 2);
    ASSERT_EQ(book_->GetLineNumber(), 2);
    EXPECT_EQ(Element("x@example.com", kElemCustomerID), "5001");
    EXPECT_EQ(Element("y@example.com", kElemCustomerID), "5002");
    Sequencer seq(&env_, SEQ_ID_CUSTOMER);
    int next = 0;
    ASSERT_TRUE(seq.CurrentValue(next));
    EXPECT_EQ(next, 5003);
    EXPECT_EQ(book_->DBID2RowNumber(5002), 1);
    EXPECT_EQ(book_->DBID2RowNumber(5000), -1);
}

TEST_F(CsvImportTest, EmptyFilesAndFilesThatCannotBeOpened) {
    EXPECT_EQ(Import(SjisFile("empty.csv", "")), 0);
    EXPECT_EQ(Import(base_ + "missing.csv"), -41);
    EXPECT_EQ(importer_->GetErrMsg().GetLastCode(), 10601);
    EXPECT_EQ(book_->GetErrMsg().GetLastCode(), 10601);
    EXPECT_EQ(importer_->GetRecordNumFromImportFile(base_ + "missing.csv"), -41);
    WriteFile(base_ + "n.csv", "a\nb\r\nc\n\xff\nd\n");  // counting stops at a 0xFF byte
    EXPECT_EQ(importer_->GetRecordNumFromImportFile(base_ + "n.csv"), 3);

    CAddressImport unbound;
    EXPECT_EQ(unbound.ImportDBfromFile("x", ",", '"', Map(), 1, nullptr, rejected_, "1"), -12);
    CAddressImport noOptions(book_.get(), &env_, nullptr);
    EXPECT_EQ(noOptions.ImportDBfromFile("x", ",", '"', Map(), 1, nullptr, rejected_, "1"), -14);
}

TEST_F(CsvImportTest, FailureMidRunLeavesTheBookIndexedAndUnlocked) {
    Sequencer seq(&env_, SEQ_ID_CUSTOMER);
    ASSERT_TRUE(seq.SetValue(9999998));  // one ID left below the sequence's limit
    const std::string path = SjisFile("three.csv", "a@example.com\nb@example.com\nc@example.com\n");
    EXPECT_EQ(Import(path), -42);
    EXPECT_EQ(importer_->GetErrMsg().GetLastCode(), 10009);
    ASSERT_EQ(book_->GetLineNumber(), 1);
    EXPECT_EQ(book_->DBID2RowNumber(9999998), 0);
    ExpectBookUnlocked();
}

TEST_F(CsvImportTest, StopFlagFromAnotherThreadEndsTheRunCleanly) {
    std::string text;
    for (int i = 0; i < 20000; ++i) text += "s" + std::to_string(i) + "@example.com,n\n";
    const std::string path = SjisFile("big.csv", text);
    std::atomic<int> result{0};
    std::thread worker([&] { result = Import(path); });
    while (count_.load() < 100) std::this_thread::yield();
    book_->SetStopImportFlag(1);
    worker.join();
    EXPECT_GE(result.load(), 100);
    EXPECT_LT(result.load(), 20000);
    EXPECT_EQ(book_->GetLineNumber(), result.load());
    for (int row = 0; row < book_->GetLineNumber(); row += 97)
        EXPECT_EQ(book_->DBID2RowNumber(std::stoi(book_->GetAtElement(row, kElemCustomerID))), row);
}

// Files that used to import wrongly or cost the book: each is imported into a book holding
// one record, and must give the stated records, rejected lines and result.
struct FileCase {
    const char* name;
    std::string bytes;
    int keep;
    int result;
    std::vector<int> rejected;
    std::vector<std::pair<std::string, std::string>> names;  // mail -> family name (UTF-8)
};

class CsvImportFileTest : public CsvImportTest, public ::testing::WithParamInterface<FileCase> {};

TEST_P(CsvImportFileTest, ImportsWhatTheFileHoldsAndRejectsTheRest) {
    const FileCase& c = GetParam();
    OneCustomer kept = Person("kept@example.com", "Kept");
    ASSERT_EQ(book_->SetOneCustomerInfo(kept, 0), 0);
    const std::string path = base_ + "case.csv";
    if (c.result == -41) std::filesystem::create_directories(path);  // opens, but reads no bytes
    else WriteFile(path, c.bytes);
    EXPECT_EQ(Import(path, "1", c.keep), c.result);
    EXPECT_EQ(lines_, c.rejected);
    if (c.result < 0) {
        EXPECT_EQ(book_->GetLineNumber(), 1);
    }
    for (const auto& [mail, name] : c.names) EXPECT_EQ(Element(mail, kElemKanjiSei), S(name.c_str())) << mail;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CsvImportFileTest,
    ::testing::Values(
        // A lone lead byte before a separator: rejected, never two fields merged into one.
        FileCase{"LoneLeadByte", "a@example.com,\x95,Y\r\nb@example.com,B\r\n", 1, 1, {1}, {{"b@example.com", "B"}}},
        // A quoted field may hold line breaks; the line numbers still count every line.
        FileCase{"QuotedLineBreak",
                 "q@example.com,\"one\r\ntwo\"\r\nbad address\r\nn@example.com,N\r\n", 1, 2, {3},
                 {{"q@example.com", "one\r\ntwo"}, {"n@example.com", "N"}}},
        FileCase{"QuotedLineBreakAfterLf", "q@example.com,\"one\ntwo\"\n", 1, 1, {},
                 {{"q@example.com", "one\r\ntwo"}}},
        // A quote never closed: its line alone is rejected, the lines after it are read.
        FileCase{"QuoteNeverClosed", "x@example.com,\"open\r\ny@example.com,Y\r\n", 1, 1, {1},
                 {{"y@example.com", "Y"}, {"x@example.com", "<none>"}}},
        // Lines joined into a quoted field follow the splitter's rules: a doubled quote
        // is a quote, a quote before a separator closes the field and a later field may
        // open again, another quote is text, an empty line is a line break of the field.
        FileCase{"QuotesInJoinedLines",
                 "d@example.com,\"a\n\"\"b\"\",c\",Y\r\n"
                 "m@example.com,\"a\nb\",Y,\"p\nq\"\r\n"
                 "s@example.com,\"a\nb\"c\nd\"\r\n"
                 "e@example.com,\"a\n\nb\"\r\n",
                 1, 4, {}, {{"d@example.com", "a\r\n\"b\",c"}, {"m@example.com", "a\r\nb"},
                            {"s@example.com", "a\r\nb\"c\r\nd"}, {"e@example.com", "a\r\n\r\nb"}}},
        // UTF-8, with or without a byte-order mark, is converted; a line with a character
        // Shift_JIS lacks is rejected, not stored changed.
        FileCase{"Utf8WithBom", "\xEF\xBB\xBFu@example.com,\xE5\xB1\xB1\xE7\x94\xB0\r\n", 1, 1, {},
                 {{"u@example.com", "山田"}}},
        FileCase{"Utf8WithoutBom",
                 "mail,name\r\nu@example.com,\xE5\xB1\xB1\xE7\x94\xB0\r\ne@example.com,\xF0\x9F\x98\x80\r\n",
                 1, 1, {1, 3}, {{"u@example.com", "山田"}, {"e@example.com", "<none>"}}},
        // Two bytes that are well-formed UTF-8 and Shift_JIS half-width kana alike are read
        // as UTF-8: "ý", which Shift_JIS lacks, is refused, never stored as 「ﾃｽ」.
        FileCase{"KanaPairThatIsUtf8", "k@example.com,\xC3\xBD\r\n", 1, 0, {1}, {{"k@example.com", "<none>"}}},
        // A NUL byte (another program's file, a damaged disk) is held by no text of the book:
        // its line is rejected whichever column holds it, in either code.
        FileCase{"NulInALine",
                 std::string("n@example.com,\0\x91\xbe\x98Y\r\nm@example.com,M,Y,a\0b\r\nu@example.com,U,Y,,,,\0\r\n"
                             "b@example.com,B\r\n",
                             85),
                 1, 1, {1, 2, 3}, {{"b@example.com", "B"}, {"n@example.com", "<none>"}, {"m@example.com", "<none>"}}},
        FileCase{"NulInAUtf8Line", std::string("\xEF\xBB\xBFn@example.com,\xE5\xB1\xB1\0\r\nb@example.com,B\r\n", 40), 1,
                 1, {1}, {{"b@example.com", "B"}, {"n@example.com", "<none>"}}},
        // A file that cannot be read leaves the book whole, even when it was to be emptied.
        FileCase{"EmptyingImportOfAFolder", "", 0, -41, {}, {{"kept@example.com", "Kept"}}}),
    [](const ::testing::TestParamInfo<FileCase>& info) { return std::string(info.param.name); });

// The text code of a file as spreadsheets save it: Excel's "CSV UTF-8" (byte-order mark,
// CR LF) and its plain "CSV" (Shift_JIS on a Japanese system), LibreOffice's default (UTF-8
// without a mark, LF) and its Shift_JIS, Google Sheets' download (UTF-8 without a mark,
// CR LF). Each has a title row, which is no address and so a rejected line. A name that
// Shift_JIS cannot hold is refused and its line named, never stored changed.
struct SpreadsheetFile {
    const char* name;
    std::string bytes;
    bool utf8;
    std::vector<int> rejected;
    std::vector<std::pair<std::string, std::string>> names;  // mail -> family name (UTF-8)
};

class SpreadsheetFileTest : public CsvImportTest, public ::testing::WithParamInterface<SpreadsheetFile> {};

TEST_P(SpreadsheetFileTest, IsReadInTheCodeItWasWrittenIn) {
    const SpreadsheetFile& c = GetParam();
    const std::string path = base_ + "sheet.csv";
    WriteFile(path, c.bytes);
    ImportRecords records;
    ASSERT_TRUE(records.Load(path, ",", '"'));
    EXPECT_EQ(records.IsUtf8(), c.utf8);
    int stored = 0;
    for (const auto& entry : c.names) stored += entry.second != "<none>";
    EXPECT_EQ(Import(path), stored);
    EXPECT_EQ(lines_, c.rejected);
    for (const auto& [mail, name] : c.names) EXPECT_EQ(Element(mail, kElemKanjiSei), S(name.c_str())) << mail;
}

const std::string kBom = "\xEF\xBB\xBF";

INSTANTIATE_TEST_SUITE_P(
    Writers, SpreadsheetFileTest,
    ::testing::Values(
        SpreadsheetFile{"ExcelUtf8Japanese",
                        kBom + "メールアドレス,姓\r\nyamada@example.jp,山田\r\ntakahashi@example.jp,髙橋\r\n", true, {1},
                        {{"yamada@example.jp", "山田"}, {"takahashi@example.jp", "髙橋"}}},
        SpreadsheetFile{"ExcelUtf8Latin", kBom + "Email,Name\r\njose@example.com,José\r\nanna@example.com,Anna\r\n",
                        true, {1, 2}, {{"jose@example.com", "<none>"}, {"anna@example.com", "Anna"}}},
        SpreadsheetFile{"ExcelShiftJis",
                        Utf8ToSjis("メールアドレス,姓\r\nyamada@example.jp,山田\r\nyamazaki@example.jp,山﨑\r\n"
                                   "kana@example.jp,ﾔﾏﾀﾞ\r\n"),
                        false, {1},
                        {{"yamada@example.jp", "山田"}, {"yamazaki@example.jp", "山﨑"}, {"kana@example.jp", "ﾔﾏﾀﾞ"}}},
        SpreadsheetFile{"LibreOfficeUtf8Japanese", "mail,姓\nsuzuki@example.jp,鈴木\n", true, {1},
                        {{"suzuki@example.jp", "鈴木"}}},
        // The file that came in as half-width kana: UTF-8 whose only letters beyond ASCII
        // are accented Latin ones, each also a pair of Shift_JIS kana bytes.
        SpreadsheetFile{"LibreOfficeUtf8Latin",
                        "Email,Name\njose@example.com,José\nmuller@example.com,Müller\nanna@example.com,Anna\n", true,
                        {1, 2, 3},
                        {{"jose@example.com", "<none>"}, {"muller@example.com", "<none>"}, {"anna@example.com", "Anna"}}},
        // Shift_JIS kana that pair up as UTF-8 ("ﾃｽ") beside a kanji that does not.
        SpreadsheetFile{"LibreOfficeShiftJis", Utf8ToSjis("mail,姓\ntest@example.jp,ﾃｽﾄ\nsato@example.jp,佐藤\n"), false,
                        {1}, {{"test@example.jp", "ﾃｽﾄ"}, {"sato@example.jp", "佐藤"}}},
        SpreadsheetFile{"GoogleSheetsUtf8Japanese", "メール,姓\r\nsato@example.jp,\"佐藤, 次郎\"\r\n", true, {1},
                        {{"sato@example.jp", "佐藤, 次郎"}}},
        SpreadsheetFile{"GoogleSheetsUtf8Latin", "Email,Name\r\nzoe@example.com,Zoë\r\nbob@example.com,Bob\r\n", true,
                        {1, 2}, {{"zoe@example.com", "<none>"}, {"bob@example.com", "Bob"}}},
        SpreadsheetFile{"AsciiOnly", "Email,Name\r\nbob@example.com,Bob\r\n", false, {1}, {{"bob@example.com", "Bob"}}}),
    [](const ::testing::TestParamInfo<SpreadsheetFile>& info) { return std::string(info.param.name); });

// What the user gets back of a refused record: its line number, its bytes exactly as the
// file holds them (code, line ends, a byte-order mark before the first) to mend and import
// again, and why, naming the characters Shift_JIS cannot hold and the item and column of a
// value that does not fit.
using namespace std::string_literals;

struct RefusedFile {
    const char* name;
    std::string bytes;
    std::vector<ImportRejection> refused;
    std::string errorFile;
};

void PrintTo(const RefusedFile& c, std::ostream* os) { *os << c.name; }

class RefusedRecordTest : public CsvImportTest, public ::testing::WithParamInterface<RefusedFile> {};

TEST_P(RefusedRecordTest, KeepsItsBytesAndSaysWhy) {
    const RefusedFile& c = GetParam();
    const std::string path = base_ + "refused.csv";
    WriteFile(path, c.bytes);
    Import(path);
    ASSERT_EQ(rejected_.records.size(), c.refused.size());
    for (std::size_t k = 0; k < c.refused.size(); ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(rejected_.records[k].line, c.refused[k].line);
        EXPECT_EQ(rejected_.records[k].bytes, c.refused[k].bytes);
        EXPECT_EQ(rejected_.records[k].reason, c.refused[k].reason);
    }
    EXPECT_EQ(rejected_.FileBytes(), c.errorFile);
}

const std::string kBadTitle = "[メールアドレス](1列目)に不正なメールアドレスが設定されている、";

INSTANTIATE_TEST_SUITE_P(
    Files, RefusedRecordTest,
    ::testing::Values(
        RefusedFile{"LibreOfficeUtf8Lf",
                    "Email,Name\njose@example.com,José García\nmuller@example.com,Müller Hans\nanna@example.com,Anna\n",
                    {{1, "Email,Name\n", kBadTitle},
                     {2, "jose@example.com,José García\n", "Shift_JISにない文字「é」(U+00E9)「í」(U+00ED)が含まれている、"},
                     {3, "muller@example.com,Müller Hans\n", "Shift_JISにない文字「ü」(U+00FC)が含まれている、"}},
                    "Email,Name\njose@example.com,José García\nmuller@example.com,Müller Hans\n"},
        // Excel's "CSV UTF-8": the mark goes before the error file too, or Excel would read
        // it as Shift_JIS; a last line without a line end stays without one.
        RefusedFile{"ExcelUtf8BomCrlf",
                    kBom + "Email,Name\r\njose@example.com,José García\r\nanna@example.com,Anna\r\n"
                           "muller@example.com,Müller Hans",
                    {{1, "Email,Name\r\n", kBadTitle},
                     {2, "jose@example.com,José García\r\n", "Shift_JISにない文字「é」(U+00E9)「í」(U+00ED)が含まれている、"},
                     {4, "muller@example.com,Müller Hans", "Shift_JISにない文字「ü」(U+00FC)が含まれている、"}},
                    kBom + "Email,Name\r\njose@example.com,José García\r\nmuller@example.com,Müller Hans"},
        RefusedFile{"ExcelShiftJis",
                    Utf8ToSjis("メール,姓\r\n") + "a@example.com,\x95,Y\r\n" + Utf8ToSjis("d@example.com,山田,Z\r\n") +
                        "z@example.com,,Z,,1980/2/30,12a\r\nb@example.com,B\r\n",
                    {{1, Utf8ToSjis("メール,姓\r\n"), kBadTitle},
                     {2, "a@example.com,\x95,Y\r\n", "Shift_JISの文字にならないバイト(0x95)が含まれている、"},
                     {3, Utf8ToSjis("d@example.com,山田,Z\r\n"), "[DM送付可否](3列目)に「Y」か「N」でない値が設定されている、"},
                     // Every value that does not fit is named, the flag of a new record too.
                     {4, "z@example.com,,Z,,1980/2/30,12a\r\n",
                      "[生年月日](5列目)に不正な日付が設定されている、[郵便番号](6列目)に数字と「-」「+」以外の文字が設定されている、"
                      "[DM送付可否](3列目)に「Y」か「N」でない値が設定されている、"}},
                    Utf8ToSjis("メール,姓\r\n") + "a@example.com,\x95,Y\r\n" + Utf8ToSjis("d@example.com,山田,Z\r\n") +
                        "z@example.com,,Z,,1980/2/30,12a\r\n"},
        // A record over two lines keeps both with their own line ends; a quote never closed
        // gives back its line alone; a NUL byte and a character beyond the BMP are named.
        RefusedFile{"QuotesNulAndEmoji",
                    "bad address,\"one\r\ntwo\"\nx@example.com,\"open\ny@example.com,Y\n"
                    "n@example.com,Zoë\0\ne@example.com,😀\n\n,Name\n"s,
                    {{1, "bad address,\"one\r\ntwo\"\n", kBadTitle},
                     {3, "x@example.com,\"open\n", "引用符(\")が閉じられていない、"},
                     {5, "n@example.com,Zoë\0\n"s,
                      "NUL文字(0x00)が含まれている、Shift_JISにない文字「ë」(U+00EB)が含まれている、"},
                     {6, "e@example.com,😀\n", "Shift_JISにない文字「😀」(U+1F600)が含まれている、"},
                     {7, "\n", "[メールアドレス](1列目)にメールアドレスが設定されていない、"},
                     {8, ",Name\n", "[メールアドレス](1列目)にメールアドレスが設定されていない、"}},
                    "bad address,\"one\r\ntwo\"\nx@example.com,\"open\nn@example.com,Zoë\0\n"
                    "e@example.com,😀\n\n,Name\n"s},
        RefusedFile{"BrokenUtf8AfterBom", kBom + "a@example.com,\xE9t\xE9\r\nb@example.com,B\r\n",
                    {{1, "a@example.com,\xE9t\xE9\r\n", "UTF-8の文字にならないバイト(0xE9)が含まれている、"}},
                    kBom + "a@example.com,\xE9t\xE9\r\n"}),
    [](const ::testing::TestParamInfo<RefusedFile>& info) { return std::string(info.param.name); });

}  // namespace
