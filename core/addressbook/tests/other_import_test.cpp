// Imports of Becky!, Tormask, Brindell and Outlook Express files: each fixture's report
// against its golden report, the records stored, and each format's own rules.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <filesystem>
#include <fstream>
#include <thread>

#include "core/addressbook/import_line_reader.h"
#include "core/foundation/sequencer.h"
#include "import_test_util.h"
#include "platform/named_mutex.h"

namespace {

class OtherImportTest : public abtest::ImportEnv {
protected:
    void SetUp() override {
        ImportEnv::SetUp();
        importer_->SetStartPause(std::chrono::milliseconds(0));
        report_ = base_ + "report.txt";
    }
    std::string Report(const std::string& source) { return abtest::MaskReport(ReadFile(report_), source); }
    // Sets the kinds of extension items A to S to those of the shop's data.
    void ShopKinds() {
        const int kinds[] = {0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2};
        for (int k = 0; k < 19; ++k) options_items_[34 + k] = std::to_string(kinds[k]);
        WriteOptions();
        ASSERT_EQ(options_->GetSODataFromFileToMemory(), 0);
    }
    std::string Option(int item) {
        SystemOption fresh(&env_);
        EXPECT_EQ(fresh.GetSODataFromFileToMemory(), 0);
        std::string out;
        fresh.GetSODataFromMemoryPinPoint(item, out);
        return out;
    }
    std::string report_;
    ImportProgress progress_;
};

TEST_F(OtherImportTest, Becky) {
    OneCustomer old = Person("old@example.com");
    old.DMOk = "N";
    ASSERT_EQ(book_->SetOneCustomerInfo(old, 0), 0);
    const std::string source = Fixture("becky.csv");
    EXPECT_EQ(importer_->ImportDBfromBeckyFile(source, report_, &progress_, 3), 2);
    EXPECT_EQ(Report(source), abtest::GoldenReport("becky_report.txt"));
    EXPECT_EQ(Element("taro@example.com", kElemCompany), S("(株)山田商店"));
    EXPECT_EQ(Element("taro@example.com", kElemFax1), "03-9999-0000");
    EXPECT_EQ(Element("taro@example.com", kElemZipCode1), "1000001");
    EXPECT_EQ(Element("taro@example.com", kElemDMOk), "Y");
    EXPECT_EQ(Element("OLD@example.com", kElemKanjiSei), S("更新"));
    EXPECT_EQ(Element("OLD@example.com", kElemDMOk), "N");  // mode 3 keeps an existing flag

    // Lines ended by LF alone run together into one record of the wrong size.
    const std::string lf = Fixture("becky_lf.csv");
    EXPECT_EQ(importer_->ImportDBfromBeckyFile(lf, report_, &progress_, 3), 0);
    EXPECT_EQ(progress_.errors.load(), 1);
    EXPECT_NE(ReadFile(report_).find(S("項目数が異なるため")), std::string::npos);

    EXPECT_EQ(importer_->ImportDBfromBeckyFile(source, "", &progress_, 3), -55);
    EXPECT_EQ(importer_->ImportDBfromBeckyFile(source, base_ + "no/dir/r.txt", &progress_, 3), -56);
    EXPECT_EQ(importer_->ImportDBfromBeckyFile(base_ + "missing.csv", report_, &progress_, 3), -66);
}

// A NUL byte in a line of another program's file (a damaged export) is held by no text of
// the book: the line is rejected and named, whichever reader the format has, and the
// lines around it are imported.
TEST_F(OtherImportTest, ALineHoldingANulByteIsRejectedAndNamed) {
    const struct {
        const char* what;
        const char* before;  // the file up to the NUL byte (UTF-8 here, Shift_JIS in the file)
        const char* after;
        int errors;          // the NUL line's, and a Becky! file's title line
        const char* named;
        std::function<int(const std::string& source)> import;
    } cases[] = {
        {"Becky!",
         "メール アドレス,会社名/団体名,部署名,姓,名,自宅電話番号,FAX番号,番地,市区町村,都道府県・州,郵便番号\r\n"
         "nul1@example.com,,,山田,",
         "太郎,,,,,,\r\nok1@example.com,,,鈴木,一郎,,,,,,\r\n", 2, "2行目のお客様(メールアドレス:nul1@example.com)は、",
         [&](const std::string& source) { return importer_->ImportDBfromBeckyFile(source, report_, &progress_, 3); }},
        {"Tormask",
         "顧客ID,ユーザーID,アクセスコード,顧客名(姓),顧客名(名),顧客名よみ(姓),顧客名よみ(名),郵便番号,都道府県,住所,"
         "電話番号,メールアドレス,配信希望\r\n1,u1,a1,山田,",
         "太郎,,,,,,,nul2@example.com,\r\n2,u2,a2,鈴木,一郎,,,,,,,ok2@example.com,\r\n", 1, "1行目のお客様(顧客ID:1)は、",
         [&](const std::string& source) {
             std::string policy = "1";
             return importer_->ImportDBfromTormaskFile(source, report_, &progress_, policy, nullptr);
         }},
    };
    int number = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string source = base_ + "nul" + std::to_string(++number) + ".csv";
        WriteFile(source, S(c.before) + std::string(1, '\0') + S(c.after));
        EXPECT_EQ(c.import(source), 1);
        EXPECT_EQ(progress_.errors.load(), c.errors);
        EXPECT_EQ(Element("nul" + std::to_string(number) + "@example.com", kElemKanjiSei), "<none>");
        EXPECT_EQ(Element("ok" + std::to_string(number) + "@example.com", kElemKanjiSei), S("鈴木"));
        const std::string report = ReadFile(report_);
        EXPECT_NE(report.find(S(c.named) + S("NUL文字(0x00)が含まれている、ためインポート出来ませんでした。")),
                  std::string::npos)
            << report;
    }
}

// The report's path is the one the user chose in a save dialog: a link the user picked
// there (to a folder of documents kept elsewhere) is written through, as any program
// saving a document does; a FIFO is refused without waiting. Only the automatic import's
// log, a file of the program's own in the environment, refuses a link.
TEST_F(OtherImportTest, TheReportGoesWhereTheUserChoseItEvenThroughALink) {
    ::alarm(60);  // a FIFO that held the run would end the test here
    const std::string source = Fixture("becky.csv");
    const std::string kept = base_ + "documents/import-report.txt";
    std::filesystem::create_directories(base_ + "documents");
    std::filesystem::create_symlink(kept, base_ + "chosen.txt");
    EXPECT_EQ(importer_->ImportDBfromBeckyFile(source, base_ + "chosen.txt", &progress_, 3), 2);
    EXPECT_NE(ReadFile(kept).find(S("○インポート終了ステータス")), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_symlink(base_ + "chosen.txt"));

    ASSERT_EQ(::mkfifo((base_ + "pipe.txt").c_str(), 0600), 0);
    EXPECT_EQ(importer_->ImportDBfromBeckyFile(source, base_ + "pipe.txt", &progress_, 3), -56);

    importer_->SetReportIsProgramsOwn(true);
    std::filesystem::create_symlink(kept, base_ + "AutoImportLog.txt");
    EXPECT_EQ(importer_->ImportDBfromBeckyFile(source, base_ + "AutoImportLog.txt", &progress_, 3), -56);
    ::alarm(0);
}

TEST_F(OtherImportTest, FailureMidRunEndsAbnormallyWithTheCounts) {
    // A refusal a receive run stored just before the import (while its questions were
    // being answered), and a record the import will update before it fails.
    const int refused = Add(*book_, "refused@example.com");
    const int updated = Add(*book_, "b0@example.com");
    OneCustomer c;
    ASSERT_EQ(book_->GetOneCustomerForEdit(c, refused), 0);
    c.DMOk = "N";
    ASSERT_EQ(book_->SetOneCustomerInfo(c, 0), 0);
    const int rowsBefore = book_->GetLineNumber();
    const std::string companyBefore = book_->GetCustomerDataPinPoint(updated, kElemCompany);
    Sequencer seq(&env_, SEQ_ID_CUSTOMER);
    ASSERT_TRUE(seq.SetValue(9999998));  // one ID left below the sequence's limit
    const std::string source =
        SjisFile("b.csv", "b0@example.com,New Co,,,,,,,,,\r\na@example.com,,,,,,,,,,\r\nb@example.com,,,,,,,,,,\r\n");
    EXPECT_EQ(importer_->ImportDBfromBeckyFile(source, report_, &progress_, 1), -42);
    EXPECT_EQ(importer_->GetErrMsg().GetLastCode(), 10009);
    EXPECT_EQ(book_->GetCustomerDataPinPoint(updated, kElemCompany), companyBefore);
    EXPECT_NE(ReadFile(report_).find(S("インポートは2件(及びデータエラー0件)をインポートして、\r\n異常終了しました。\r\n"
                                       "理由[新規個人情報IDの取得に失敗しました]")),
              std::string::npos);
    // The run takes back the record it stored before the failure, and only that: a change
    // another writer made before the run began stays.
    EXPECT_EQ(book_->DBID2RowNumber(9999998), -1);
    EXPECT_EQ(book_->GetLineNumber(), rowsBefore);
    EXPECT_EQ(book_->GetCustomerDataPinPoint(refused, kElemDMOk), "N");
    CDatabaseEdit reread(&env_);
    EXPECT_EQ(reread.ReadCustomerList(), rowsBefore);
    EXPECT_EQ(reread.GetCustomerDataPinPoint(refused, kElemDMOk), "N");
    ExpectBookUnlocked();
}

TEST_F(OtherImportTest, TormaskWithDates) {
    Add(*book_, "old@example.com");  // renewed "now", later than the file's date
    const std::string source = Fixture("tormask.csv");
    std::string policy = "0";
    int asked = 0;
    auto ask = [&](const std::string&, const std::string&) { return ++asked > 0; };
    EXPECT_EQ(importer_->ImportDBfromTormaskFile(source, report_, &progress_, policy, ask), 1);
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(Report(source), abtest::GoldenReport("tormask_report.txt"));
    EXPECT_EQ(progress_.errors.load(), 4);
    EXPECT_EQ(Element("hana@example.com", kElemKanaMei), S("ハナコ"));
    EXPECT_EQ(Element("hana@example.com", kElemDMOk), "Y");
    EXPECT_EQ(Element("old@example.com", kElemKanjiSei), "Name");  // skipped: stored is newer

    policy = "2";
    EXPECT_EQ(importer_->ImportDBfromTormaskFile(source, report_, &progress_, policy, ask), 0);
    EXPECT_NE(ReadFile(report_).find(S("1行目のお客様(顧客ID:1)は、既に存在するためインポートしませんでした。")),
              std::string::npos);
}

TEST_F(OtherImportTest, TormaskWithoutDatesAsksBeforeOverwriting) {
    Add(*book_, "old@example.com");
    const std::string source = Fixture("tormask_undated.csv");
    std::string policy = "0";
    std::string question, caption;
    bool unlocked = false;
    auto no = [&](const std::string& q, const std::string& c) {
        question = q;
        caption = c;
        // The GUI thread answering the question must be able to use the book meanwhile.
        std::thread gui([&] {
            platform::NamedMutex mutex(CDatabaseEdit::kMutexName);
            unlocked = mutex.try_lock();
            if (unlocked) mutex.unlock();
        });
        gui.join();
        return false;
    };
    EXPECT_EQ(importer_->ImportDBfromTormaskFile(source, report_, &progress_, policy, no), -98);
    EXPECT_TRUE(unlocked);
    EXPECT_EQ(caption, S("インポートの確認"));
    EXPECT_EQ(question.substr(0, 2), "\r\n");
    EXPECT_EQ(policy, "0");
    EXPECT_EQ(book_->GetLineNumber(), 1);
    EXPECT_NE(ReadFile(report_).find(S("理由[更新日時がデータに含まれていないため処理を中断しました。]")),
              std::string::npos);
    // No way to ask counts as No.
    EXPECT_EQ(importer_->ImportDBfromTormaskFile(source, report_, &progress_, policy, {}), -98);

    auto yes = [](const std::string&, const std::string&) { return true; };
    EXPECT_EQ(importer_->ImportDBfromTormaskFile(source, report_, &progress_, policy, yes), 2);
    EXPECT_EQ(policy, "1");
    EXPECT_EQ(Element("old@example.com", kElemKanjiSei), S("山田"));
    EXPECT_EQ(Element("new@example.com", kElemDMOk), "Y");

    // A title missing.
    const std::string broken = SjisFile("t.csv", "顧客ID,ユーザーID\r\n");
    EXPECT_EQ(importer_->ImportDBfromTormaskFile(broken, report_, &progress_, policy, yes), -62);
    EXPECT_NE(ReadFile(report_).find(S("理由[Tormask データファイルの解析に失敗しました。アクセスコードが見つかりません。]")),
              std::string::npos);
}

TEST_F(OtherImportTest, Brindell) {
    ShopKinds();
    options_items_[34 + 7] = "2";  // item H holds dates
    WriteOptions();
    ASSERT_EQ(options_->GetSODataFromFileToMemory(), 0);
    Add(*book_, "old@example.com");
    const std::string source = Fixture("brindell.csv");
    EXPECT_EQ(importer_->ImportDBfromBuppanFile(source, report_, &progress_, "0", 0), 1);
    EXPECT_EQ(Report(source), abtest::GoldenReport("brindell_report.txt"));
    const char* const kShop = "shop@example.com";
    EXPECT_EQ(Element(kShop, kElemBirthday), "1980/02/03 00:00:00");
    EXPECT_EQ(Element(kShop, kElemExtraFirst + 1), "100");
    EXPECT_EQ(Element(kShop, kElemExtraFirst + 7), "2024/01/02 03:04");
    EXPECT_EQ(Element(kShop, kElemExtraFirst + 18), "2023/04/05");
    EXPECT_EQ(Element(kShop, kElemEntryDate), "2020/01/01 09:00:00");
    EXPECT_EQ(Element(kShop, kElemPortable1), "090-1111-2222");
    // The file does not name the items unless asked to.
    EXPECT_EQ(Option(14), "attrA");
}

TEST_F(OtherImportTest, BrindellDefinesTheItemsButChangesKindsOnlyInAnEmptyBook) {
    const std::string source = Fixture("brindell.csv");
    EXPECT_EQ(importer_->ImportDBfromBuppanFile(source, report_, &progress_, "1", 1), 2);
    EXPECT_EQ(Option(14), S("会員ランク"));
    EXPECT_EQ(Option(32), S("S日付"));
    EXPECT_EQ(Option(35), "1");
    EXPECT_EQ(Option(52), "2");

    // With records in the book the kinds stay; here B is then no number and the run ends.
    options_items_[14] = "old name";
    options_items_[35] = "0";
    WriteOptions();
    ASSERT_EQ(options_->GetSODataFromFileToMemory(), 0);
    EXPECT_EQ(importer_->ImportDBfromBuppanFile(source, report_, &progress_, "1", 1), -42);
    EXPECT_EQ(Option(14), S("会員ランク"));
    EXPECT_EQ(Option(35), "0");
    const std::string report = ReadFile(report_);
    EXPECT_NE(report.find(S("データ型は変更していません。")), std::string::npos);
    EXPECT_NE(report.find(S("理由[拡張属性の項目Bが数値型ではありません。]")), std::string::npos);

    const std::string few = SjisFile("b.csv", "メールアドレス,姓\r\n");
    EXPECT_EQ(importer_->ImportDBfromBuppanFile(few, report_, &progress_, "1", 0), -67);
    EXPECT_NE(ReadFile(report_).find(S("Brindell データファイルの解析に失敗しました。項目数が異なっています。")),
              std::string::npos);
}

TEST_F(OtherImportTest, OutlookExpress) {
    Add(*book_, "old@example.com");
    const std::string source = Fixture("outlook.csv");
    EXPECT_EQ(importer_->ImportDBfromOutLookFile(source, report_, &progress_, 1), 2);
    EXPECT_EQ(Report(source), abtest::GoldenReport("outlook_report.txt"));
    EXPECT_EQ(Element("new@example.com", kElemPortable1), "090-1111-2222");
    EXPECT_EQ(Element("OLD@example.com", kElemKanjiSei), S("更新"));

    const std::string untitled = SjisFile("o.csv", "姓,名\r\nx,y\r\n");
    EXPECT_EQ(importer_->ImportDBfromOutLookFile(untitled, report_, &progress_, 1), -72);
    EXPECT_NE(ReadFile(report_).find(S("理由[OutLook データファイルの解析に失敗しました。メールアドレスが見つかりません。]")),
              std::string::npos);
}

TEST_F(OtherImportTest, OutlookRecordReader) {
    struct Case {
        const char* text;
        std::vector<int> results;  // per call until the end
        std::vector<std::string> firstFields;
    } cases[] = {
        {"a,\"b,c\",d\r\n", {3, 0}, {"a", "b,c", "d"}},
        {"a,\"x\r\ny\r\nz\"\r\n", {2, 0}, {"a", "xyz"}},
        {"a,\"say \"\"hi\"\"\"\r\n", {2, 0}, {"a", "say \"\"hi\"\""}},
        {"a,b,\r\n", {3, 0}, {"a", "b", ""}},
        {"a,\"open\r\nb\r\n", {-1, 0}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        WriteFile(base_ + "r.csv", c.text);
        ImportLineReader reader;
        ASSERT_TRUE(reader.Open(base_ + "r.csv"));
        std::vector<std::string> fields;
        int eof = 0;
        for (std::size_t i = 0; i < c.results.size(); ++i) {
            EXPECT_EQ(CAddressImport::ImportDBfromOutLookFileOneLineGet(reader, fields, &eof), c.results[i]);
            if (i == 0) {
                EXPECT_EQ(fields, c.firstFields);
            }
        }
    }
    // A quote never closed stops after the cap, and reading goes on after it.
    std::string text = "a,\"open\r\n";
    for (int i = 0; i < CAddressImport::kMaxRecordLines + 10; ++i) text += "x\r\n";
    WriteFile(base_ + "r.csv", text);
    ImportLineReader reader;
    ASSERT_TRUE(reader.Open(base_ + "r.csv"));
    std::vector<std::string> fields;
    int eof = 0;
    EXPECT_EQ(CAddressImport::ImportDBfromOutLookFileOneLineGet(reader, fields, &eof), -1);
    EXPECT_EQ(CAddressImport::ImportDBfromOutLookFileOneLineGet(reader, fields, &eof), 1);
    EXPECT_EQ(fields, std::vector<std::string>{"x"});
}

}  // namespace
