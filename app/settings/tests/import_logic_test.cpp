// The import wizard's logic without its pages: what the file scan learns and refuses, the
// assignment and its free pool, the column map, the mapping-rule file, and the run that
// puts the address book back when an import fails or is stopped.
#include <gtest/gtest.h>

#include "core/foundation/cp932.h"

#include <sys/stat.h>

#include <atomic>
#include <fstream>
#include <sstream>
#include <thread>

#include "app/settings/import_book_guard.h"
#include "app/settings/import_wizard_mapping.h"
#include "app/settings/import_wizard_run.h"
#include "app/settings/import_wizard_scan.h"
#include "app/settings/other_import_worker.h"
#include "app/settings/mapping_rule.h"
#include "app/settings/tests/import_test_env.h"
#include "core/addressbook/address_import.h"
#include "core/addressbook/import_progress.h"
#include "core/foundation/sequencer.h"
#include "platform/safe_write.h"

namespace {
namespace import_logic_test {

using namespace importtest;
using settings::ImportMapping;
using settings::ImportScan;
using settings::RuleReadResult;

class ImportLogic : public ImportEnvTest {};

TEST_F(ImportLogic, ScanFindsTheWidestLineTheLabelsAndTheSamples) {
    // Line 1 has blank cells (half- and full-width spaces); line 2 is the first with the
    // most fields; empty lines do not count.
    const std::string path = WriteFile(
        "a.csv", S("メール,　,\"\"\r\n\r\na@example.com,山田 太郎,\"x,y\",4\r\nb@example.com,,z,5\r\n"));
    const ImportScan scan = settings::ScanImportFile(path, ",", '"');
    ASSERT_EQ(scan.status, settings::kImportFileUsable);
    EXPECT_EQ(scan.lineCount, 3);
    EXPECT_EQ(scan.widestLine, 1);
    EXPECT_EQ(scan.columnCount, 4);
    EXPECT_EQ(scan.labels, (std::vector<std::string>{S("メール"), S("山田 太郎"), "x,y", "4"}));
    ASSERT_EQ(scan.sampleFields.size(), 3u);
    EXPECT_EQ(scan.sampleFields[1][2], "x,y");

    // The split decides the columns: tab with no quoting.
    const ImportScan tabs = settings::ScanImportFile(WriteFile("t.csv", "a\tb\t\"c\"\r\n"), "\t", 0);
    EXPECT_EQ(tabs.labels, (std::vector<std::string>{"a", "b", "\"c\""}));
}

TEST_F(ImportLogic, ScanKeepsACellWithLineBreaksInItsRecord) {
    // A spreadsheet writes a cell of two lines inside quotes with a bare LF (Excel's
    // Shift_JIS CSV ends its records with CR LF, a UTF-8 one from elsewhere with LF). The
    // pages must show the record as the import reads it: one row, its cell whole, the
    // column after it in place, and no stray row of the cell's second line.
    const std::string rows = "メール,メモ,属性\r\n"
                             "a@example.com,\"一行目\n二行目, カンマ\",①②\r\n"
                             "b@example.com,髙﨑,㈱";
    struct Case {
        const char* name;
        std::string bytes;
    } cases[] = {{"excel.csv", S(rows.c_str())},
                 {"utf8.csv", "\xEF\xBB\xBF" + QString::fromStdString(rows).remove('\r').toStdString()}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ImportScan scan = settings::ScanImportFile(WriteFile(c.name, c.bytes), ",", '"');
        ASSERT_EQ(scan.status, settings::kImportFileUsable);
        EXPECT_EQ(scan.lineCount, 3);
        EXPECT_EQ(scan.columnCount, 3);
        ASSERT_EQ(scan.sampleFields.size(), 3u);
        EXPECT_EQ(scan.sampleFields[1],
                  (std::vector<std::string>{"a@example.com", S("一行目\r\n二行目, カンマ"), S("①②")}));
        EXPECT_EQ(scan.sampleFields[2], (std::vector<std::string>{"b@example.com", S("髙﨑"), S("㈱")}));
    }
}

TEST_F(ImportLogic, BlankLabelsAreOnlySpacesAtCharacterBoundaries) {
    const std::pair<std::string, bool> cases[] = {
        {"", true},
        {" ", true},
        {"\x81\x40", true},          // full-width space
        {" \x81\x40 \x81\x40", true},
        {"\x83\x81@", false},        // 0x81 is a trail byte here, '@' is a character
        {"\x81\x40" "a", false},
        {"\x81", false},
    };
    for (const auto& [text, blank] : cases) EXPECT_EQ(settings::IsBlankLabel(text), blank) << text;
}

TEST_F(ImportLogic, ScanRefusesFilesThatAreNotShiftJisText) {
    struct Case {
        const char* name;
        std::string bytes;
        int status;
        int line;
    };
    const Case cases[] = {
        {"nul", std::string("a@example.com,x\r\nb@example.com,N\0me\r\n", 33), settings::kImportFileBinary, 2},
        {"utf16", std::string("a\0@\0", 4), settings::kImportFileBinary, 1},
        {"lone_lead", "a@example.com,\x81,x\r\n", settings::kImportFileNotSjis, 1},
        {"ff", "a@example.com\r\nb@example.com,\xFF\xFE\r\n", settings::kImportFileNotSjis, 2},
        {"long", "a@example.com," + std::string(ImportScan::kMaxLineBytes, 'x') + "\r\n",
         settings::kImportFileLineTooLong, 1},
        {"empty", "", settings::kImportFileNoData, 0},
        {"blank_lines", "\r\n\n\r\n", settings::kImportFileNoData, 0},
    };
    for (const Case& c : cases) {
        const ImportScan scan = settings::ScanImportFile(WriteFile(std::string(c.name) + ".csv", c.bytes), ",", '"');
        EXPECT_EQ(scan.status, c.status) << c.name;
        EXPECT_EQ(scan.badLine, c.line) << c.name;
        EXPECT_TRUE(scan.labels.empty() && scan.sampleFields.empty()) << c.name;
    }
    EXPECT_EQ(settings::ScanImportFile("", ",", '"').status, settings::kImportFileNoPath);
    EXPECT_EQ(settings::ScanImportFile(TempPath("none.csv"), ",", '"').status, settings::kImportFileMissing);
    EXPECT_EQ(settings::ScanImportFile(dir_.path().toStdString(), ",", '"').status, settings::kImportFileUnreadable);
    // UTF-8 files, with or without a byte-order mark, are read as the import reads them:
    // converted, the pages shown Shift_JIS.
    for (const char* bytes : {"\xEF\xBB\xBF" "a@example.com,\xE5\xB1\xB1\xE7\x94\xB0\r\n",
                              "a@example.com,\xE5\xB1\xB1\xE7\x94\xB0\r\n"}) {
        const ImportScan scan = settings::ScanImportFile(WriteFile("utf8.csv", bytes), ",", '"');
        ASSERT_EQ(scan.status, settings::kImportFileUsable);
        EXPECT_TRUE(scan.utf8);
        ASSERT_EQ(scan.labels.size(), 2u);
        EXPECT_EQ(scan.labels[0], "a@example.com");
        EXPECT_EQ(scan.labels[1], Utf8ToSjis("山田"));
    }
    // As the import reads them: Shift_JIS half-width kana stay Shift_JIS; UTF-8 whose only
    // letters beyond ASCII are accented Latin ones (kana pairs to Shift_JIS) is UTF-8.
    EXPECT_FALSE(settings::ScanImportFile(WriteFile("kana.csv", "a@example.com,\xD4\xCF\xC0\xDE\r\n"), ",", '"').utf8);
    EXPECT_TRUE(settings::ScanImportFile(WriteFile("latin.csv", "a@example.com,Jos\xC3\xA9\r\n"), ",", '"').utf8);
    // Shift_JIS with pictograms (user-defined area) and half-width katakana is text.
    EXPECT_EQ(settings::ScanImportFile(WriteFile("ok.csv", "a@example.com,\xF8\x9F\xB1\xB2\r\n"), ",", '"').status,
              settings::kImportFileUsable);
}

TEST_F(ImportLogic, TooManyFieldsIsASplitFailureNotAFileFailure) {
    const std::string path = WriteFile("wide.csv", "a@example.com\r\n" + std::string(ImportScan::kMaxFields, ';') + "\r\n");
    const ImportScan bySemicolon = settings::ScanImportFile(path, ";", '"');
    EXPECT_TRUE(bySemicolon.Usable());
    EXPECT_TRUE(bySemicolon.tooManyFields);
    EXPECT_EQ(bySemicolon.tooManyFieldsLine, 2);
    EXPECT_FALSE(bySemicolon.Splittable());
    EXPECT_TRUE(settings::ScanImportFile(path, ",", '"').Splittable());
}

TEST_F(ImportLogic, TheCacheKeepsAScanUntilTheFileOrTheSplitChanges) {
    const std::string path = WriteFile("c.csv", "a,b\r\n");
    settings::ImportScanCache cache;
    const auto first = cache.Get(path, ",", '"');
    EXPECT_EQ(cache.Get(path, ",", '"'), first);
    EXPECT_EQ(cache.Cached(path, ";", '"'), nullptr);
    WriteFile("c.csv", "a,b,c\r\n");
    const auto again = cache.Get(path, ",", '"');
    EXPECT_NE(again, first);
    EXPECT_EQ(again->columnCount, 3);
}

TEST_F(ImportLogic, ThePoolStaysSortedAndEveryColumnIsHeldOnce) {
    ImportMapping m;
    m.Reset(5);
    EXPECT_TRUE(m.Assign(0, 3));  // target 0 <- column 3
    EXPECT_TRUE(m.Assign(1, 0));  // target 1 <- column 0
    EXPECT_EQ(m.Pool(), (std::vector<int>{1, 2, 4}));
    EXPECT_TRUE(m.Assign(0, 2));  // target 0 <- column 4; column 3 returns to its place
    EXPECT_EQ(m.SourceOf(0), 4);
    EXPECT_EQ(m.Pool(), (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(m.Unassign(1));
    EXPECT_EQ(m.Pool(), (std::vector<int>{0, 1, 2, 3}));
    // Rows that do not exist change nothing.
    EXPECT_FALSE(m.Unassign(1));
    EXPECT_FALSE(m.Assign(-1, 0));
    EXPECT_FALSE(m.Assign(ImportMapping::kTargetCount, 0));
    EXPECT_FALSE(m.Assign(2, 4));
    EXPECT_EQ(m.Pool(), (std::vector<int>{0, 1, 2, 3}));
}

TEST_F(ImportLogic, TheColumnMapFollowsTheImportableElements) {
    std::vector<DB_Element_Info> elements;
    ASSERT_EQ(Book().Get_DBElementInfo(elements, ImportMapping::kElementMask), 0);
    ASSERT_EQ(elements.size(), static_cast<std::size_t>(ImportMapping::kTargetCount));
    ImportMapping m;
    m.Reset(4);
    ASSERT_TRUE(m.Assign(0, 2));   // mail address <- column 2
    ASSERT_TRUE(m.Assign(15, 0));  // DM flag <- column 0
    ASSERT_TRUE(m.Assign(35, 0));  // attribute T <- column 1
    const std::vector<int> map = ImportMapping::ColumnMap(m.Assignment(), elements);
    ASSERT_EQ(map.size(), 56u);
    std::vector<int> expected(56, -1);
    expected[kElemEmail] = 2;
    expected[kElemDMOk] = 0;
    expected[kElemExtraLast] = 1;
    EXPECT_EQ(map, expected);
    for (int row = 0; row < ImportMapping::kTargetCount; ++row)
        EXPECT_EQ(ImportMapping::TargetElement(row), elements[static_cast<std::size_t>(row)].element);
    const auto names = ImportMapping::TargetNames(&Options());
    EXPECT_EQ(names[0], S("メールアドレス"));
    EXPECT_EQ(names[15], S("DM送付可否"));
    EXPECT_EQ(names[16], S("趣味"));
    EXPECT_EQ(names[35], S("メモ2"));
}

// ---- The mapping-rule file -------------------------------------------------------------

class MappingRule : public ImportEnvTest {
protected:
    void SetUp() override {
        ImportEnvTest::SetUp();
        names_ = ImportMapping::TargetNames(&Options());
        mapping_.Reset(3);
        ASSERT_TRUE(mapping_.Assign(0, 2));  // mail <- column 2
        ASSERT_TRUE(mapping_.Assign(2, 0));  // first name <- column 0
    }
    std::string Rule(const std::string& name, const std::string& line3, const std::string& line4) {
        std::string text = "\"LINE=KIND1\"";
        for (const auto& n : names_) text += ",\"" + n + "\"";
        text += "\r\n\"LINE=KIND2\",\"" + S("名前") + "\",\"say \"\"hi\"\"\",\"mail\"\r\n";
        return WriteFile(name, text + line3 + "\r\n" + line4 + "\r\n");
    }
    static std::string Kind3(const std::vector<std::string>& fields) {
        std::string line = "\"LINE=KIND3\"";
        for (const auto& f : fields) line += ",\"" + f + "\"";
        return line;
    }
    std::vector<std::string> Kind3Fields(std::vector<std::string> first) {
        first.resize(ImportMapping::kTargetCount);
        return first;
    }

    std::vector<std::string> names_;
    std::vector<std::string> labels_{S("名前"), "say \"hi\"", "mail"};
    ImportMapping mapping_;
};

TEST_F(MappingRule, WritesFourQuotedLinesAndReadsThemBack) {
    const std::string path = TempPath("rule.tpl");
    ASSERT_TRUE(settings::WriteMappingRule(path, names_, labels_, mapping_));
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    std::string expected3 = "\"LINE=KIND3\",\"2\",\"\",\"0\"";
    for (int i = 3; i < ImportMapping::kTargetCount; ++i) expected3 += ",\"\"";
    const std::string text = bytes.str();
    EXPECT_NE(text.find("\r\n\"LINE=KIND2\",\"" + S("名前") + "\",\"say \"\"hi\"\"\",\"mail\"\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n" + expected3 + "\r\n\"LINE=KIND4\",\"1\"\r\n"), std::string::npos);

    ImportMapping loaded;
    loaded.Reset(3);
    EXPECT_EQ(settings::ReadMappingRule(path, names_, labels_, loaded), RuleReadResult::kApplied);
    EXPECT_EQ(loaded.Assignment(), mapping_.Assignment());
    EXPECT_EQ(loaded.Pool(), mapping_.Pool());

    // Every column assigned: line 4 is the marker alone and loads as an empty pool.
    ImportMapping full = mapping_;
    ASSERT_TRUE(full.Assign(5, 0));
    ASSERT_TRUE(settings::WriteMappingRule(path, names_, labels_, full));
    ImportMapping back;
    EXPECT_EQ(settings::ReadMappingRule(path, names_, labels_, back), RuleReadResult::kApplied);
    EXPECT_TRUE(back.Pool().empty());
    EXPECT_EQ(back.SourceOf(5), 1);
}

TEST_F(MappingRule, AnyMismatchLeavesTheAssignmentAsItWas) {
    const std::string ok4 = "\"LINE=KIND4\",\"1\"";
    struct Case {
        const char* what;
        std::string line3, line4;
    };
    const Case cases[] = {
        {"index out of range", Kind3(Kind3Fields({"2", "", "3"})), ok4},
        {"repeated index", Kind3(Kind3Fields({"2", "", "2"})), ok4},
        {"not a number", Kind3(Kind3Fields({"2", "", "abc"})), ok4},
        {"signed number", Kind3(Kind3Fields({"2", "", "+0"})), ok4},
        {"column neither assigned nor free", Kind3(Kind3Fields({"2", "", "0"})), "\"LINE=KIND4\""},
        {"column both assigned and free", Kind3(Kind3Fields({"2", "", "0"})), "\"LINE=KIND4\",\"1\",\"0\""},
        {"empty pool entry", Kind3(Kind3Fields({"2", "", "0"})), "\"LINE=KIND4\",\"1\",\"\""},
        {"too few targets", Kind3({"2", "", "0"}), ok4},
        {"missing line 4", Kind3(Kind3Fields({"2", "", "0"})), ""},
    };
    for (const Case& c : cases) {
        ImportMapping m = mapping_;
        EXPECT_EQ(settings::ReadMappingRule(Rule("bad.tpl", c.line3, c.line4), names_, labels_, m),
                  RuleReadResult::kMismatch)
            << c.what;
        EXPECT_EQ(m.Assignment(), mapping_.Assignment()) << c.what;
        EXPECT_EQ(m.Pool(), mapping_.Pool()) << c.what;
    }
    const std::string good = Rule("good.tpl", Kind3(Kind3Fields({"2", "", "0"})), ok4);
    ImportMapping m = mapping_;
    // Other attribute names (changed in the settings since) or another file's labels.
    std::vector<std::string> otherNames = names_;
    otherNames[20] = S("別名");
    EXPECT_EQ(settings::ReadMappingRule(good, otherNames, labels_, m), RuleReadResult::kMismatch);
    EXPECT_EQ(settings::ReadMappingRule(good, names_, {S("名前"), "say \"hi\"", "Mail"}, m), RuleReadResult::kMismatch);
    EXPECT_EQ(m.Assignment(), mapping_.Assignment());
    // Unreadable or empty files fail.
    EXPECT_EQ(settings::ReadMappingRule(TempPath("none.tpl"), names_, labels_, m), RuleReadResult::kFailed);
    EXPECT_EQ(settings::ReadMappingRule(WriteFile("empty.tpl", ""), names_, labels_, m), RuleReadResult::kFailed);
    EXPECT_EQ(settings::ReadMappingRule(good, names_, labels_, m), RuleReadResult::kApplied);
}

TEST_F(MappingRule, AFailedWriteKeepsTheOldFile) {
    const std::string path = WriteFile("keep.tpl", "old");
    platform::AtomicFile::FailNextCommitForTesting();
    EXPECT_FALSE(settings::WriteMappingRule(path, names_, labels_, mapping_));
    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "old");
    EXPECT_FALSE(settings::WriteMappingRule(dir_.path().toStdString(), names_, labels_, mapping_));
}

// ---- The run ------------------------------------------------------------------------------

class ImportRun : public ImportEnvTest {
protected:
    void SetUp() override {
        ImportEnvTest::SetUp();
        AddPerson(1, "old@example.com", "古川");
        AddPerson(2, "gone@example.com", "削除", "Y");
        before_ = AllRows();
    }
    void TearDown() override {
        settings::SetCsvImportEngineForTesting(nullptr);
        ImportEnvTest::TearDown();
    }
    settings::CsvImportRequest Request(const std::string& path) {
        settings::CsvImportRequest r;
        r.path = path;
        r.separators = ",";
        r.quote = '"';
        r.assignment.fill(-1);
        r.assignment[0] = 0;  // mail
        r.assignment[1] = 1;  // surname
        r.duplicatePolicy = "1";
        return r;
    }
    settings::ImportRunOutcome Run(const settings::CsvImportRequest& request) {
        return settings::RunCsvImport(Book(), Env(), &Options(), request, progress_, stop_);
    }

    std::vector<std::vector<std::string>> before_;
    ImportProgress progress_;
    std::atomic<bool> stop_{false};
};

TEST_F(ImportRun, ASuccessfulRunKeepsWhatItImported) {
    const std::string path =
        WriteFile("ok.csv", S("new@example.com,新井\r\nOLD@example.com,古田\r\nnot-an-address,誤り\r\n"));
    const auto outcome = Run(Request(path));
    EXPECT_EQ(outcome.result, 2);
    EXPECT_FALSE(outcome.restored);
    EXPECT_EQ(progress_.imported.load(), 2);
    ASSERT_EQ(outcome.rejected.records.size(), 1u);
    EXPECT_EQ(outcome.rejected.records[0].line, 3);
    EXPECT_EQ(CountMail("new@example.com"), 1);
    EXPECT_EQ(Row(1)[kElemKanjiSei], S("古田"));  // updated through the duplicate address
}

TEST_F(ImportRun, AFailureHalfWayPutsEveryRowBack) {
    // The real importer adds one record and updates another, then the ID sequence fails.
    settings::SetCsvImportEngineForTesting([](CAddressImport& importer, const settings::CsvImportRequest& r,
                                              const std::vector<int>& map, std::atomic<int>* count,
                                              ImportRejections& rejected) {
        const int done =
            importer.ImportDBfromFile(r.path, r.separators, r.quote, map, 1, count, rejected, r.duplicatePolicy);
        EXPECT_EQ(done, 3);
        importer.GetErrMsg().SetErr(10009);
        return -42;
    });
    const std::string path =
        WriteFile("half.csv", S("new@example.com,新井\r\nold@example.com,古田\r\ngone@example.com,復活\r\n"));
    const auto outcome = Run(Request(path));
    EXPECT_EQ(outcome.result, -42);
    EXPECT_TRUE(outcome.restored);
    EXPECT_EQ(outcome.restoreResult, 0);
    EXPECT_FALSE(outcome.errorText.empty());
    EXPECT_EQ(AllRows(), before_);
    EXPECT_EQ(Book().DBID2RowNumber(2), 1);  // the index is rebuilt
    EXPECT_EQ(Book().FindCustomerID(2, 0), 0);
}

TEST_F(ImportRun, AStoppedRunIsPutBackAndAStopBeforeTheStartStartsNothing) {
    std::string lines;
    for (int i = 0; i < 2000; ++i) lines += "p" + std::to_string(i) + "@example.com,x\r\n";
    const std::string path = WriteFile("many.csv", lines);
    settings::SetCsvImportEngineForTesting([this](CAddressImport& importer, const settings::CsvImportRequest& r,
                                                  const std::vector<int>& map, std::atomic<int>* count,
                                                  ImportRejections& rejected) {
        // The user stops once the importer has begun (it clears the flag when it starts).
        std::thread stopper([this, count] {
            while (count->load() < 10) std::this_thread::yield();
            stop_.store(true);
            Book().SetStopImportFlag(1);
        });
        const int done =
            importer.ImportDBfromFile(r.path, r.separators, r.quote, map, 1, count, rejected, r.duplicatePolicy);
        stopper.join();
        return done;
    });
    const auto outcome = Run(Request(path));
    EXPECT_TRUE(outcome.stopped);
    EXPECT_TRUE(outcome.restored);
    EXPECT_EQ(AllRows(), before_);
    EXPECT_EQ(Book().GetStopImportFlag(), 0);

    settings::SetCsvImportEngineForTesting(nullptr);
    stop_.store(true);
    const auto early = Run(Request(path));
    EXPECT_TRUE(early.stopped);
    EXPECT_FALSE(early.restored);
    EXPECT_EQ(AllRows(), before_);
}

// A failed import from another program takes back its own records and nothing else: a
// refusal that a receive run stored while the user was answering the importer's question
// stays, in memory and on the disk (it used to be undone with a copy of the book taken
// before the question).
TEST_F(ImportRun, AFailedOtherImportTakesBackOnlyItsOwnRecords) {
    const std::string source = WriteFile(
        "tormask.csv", S("顧客ID,ユーザーID,アクセスコード,顧客名(姓),顧客名(名),顧客名よみ(姓),顧客名よみ(名),郵便番号,"
                         "都道府県,住所,電話番号,メールアドレス,配信希望\r\n"
                         "1,u1,a1,新川,一郎,シンカワ,イチロウ,,,,,old@example.com,希望する\r\n"
                         "2,u2,a2,青木,二郎,アオキ,ジロウ,,,,,a@example.com,希望する\r\n"
                         "3,u3,a3,井上,三郎,イノウエ,サブロウ,,,,,b@example.com,希望する\r\n"));
    Sequencer seq(Env(), SEQ_ID_CUSTOMER);
    ASSERT_TRUE(seq.SetValue(9999998));  // one ID left: the second new record fails
    settings::OtherImportRequest r;
    r.kind = settings::kImportTormask;
    r.source = source;
    r.logPath = TempPath("log.txt");
    r.duplicatePolicy = "0";  // no dates in the file: the importer asks first
    int asked = 0;
    const auto ask = [&](const std::string&, const std::string&) {
        ++asked;
        // Meanwhile a receive run, on its own thread, applies a refusal.
        std::thread receive([&] {
            OneCustomer c;
            ASSERT_EQ(Book().GetOneCustomerForEdit(c, 1), 0);
            c.DMOk = "N";
            ASSERT_EQ(Book().SetOneCustomerInfo(c, 0), 0);
        });
        receive.join();
        return true;
    };
    ImportProgress progress;
    const auto outcome = settings::RunOtherImport(Book(), Env(), &Options(), r, progress, ask);
    EXPECT_EQ(asked, 1);
    EXPECT_LT(outcome.result, 0);
    EXPECT_TRUE(outcome.restored);
    for (CDatabaseEdit* book : {&Book(), static_cast<CDatabaseEdit*>(nullptr)}) {
        CDatabaseEdit fresh(Env(), &Options());
        if (book == nullptr) {
            ASSERT_EQ(fresh.ReadCustomerList(), 2);
            book = &fresh;
        }
        EXPECT_EQ(book->GetLineNumber(), 2);
        EXPECT_EQ(book->GetCustomerDataPinPoint(1, kElemDMOk), "N");
        EXPECT_EQ(book->GetCustomerDataPinPoint(1, kElemKanjiSei), S("古川"));
        EXPECT_EQ(book->SearchCustomerOneElement(kElemEmail, "a@example.com", -1, kDirectionForward), -1);
    }
}

TEST_F(ImportRun, TheGuardRestoresRowsOfEveryShape) {
    AddRow(7, {{kElemEmail, "x@example.com"}, {kElemAddress2, std::string(70000, 'y')}});
    const auto rows = AllRows();
    settings::ImportBookGuard guard(Book());
    EXPECT_EQ(guard.Rows(), 3);
    Book().RemoveAll(1);
    AddPerson(9, "other@example.com");
    ASSERT_EQ(guard.Restore(), 0);
    EXPECT_EQ(AllRows(), rows);
    EXPECT_EQ(Book().DBID2RowNumber(7), 2);
    EXPECT_EQ(Book().DBID2RowNumber(9), -1);
}

}  // namespace import_logic_test
}  // namespace
