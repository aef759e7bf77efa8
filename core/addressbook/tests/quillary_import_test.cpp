// The Quillary import through a stand-in converter: the records and the report, the
// converter's failures, and the book left unlocked while the converter runs.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "import_test_util.h"
#include "platform/named_mutex.h"

namespace {

class QuillaryImportTest : public abtest::ImportEnv {
protected:
    void SetUp() override {
        ImportEnv::SetUp();
        importer_->SetStartPause(std::chrono::milliseconds(0));
        converter_ = FixtureSource("fake_quillconv.sh");
        source_ = base_ + "book.qla";
        report_ = base_ + "report.txt";
        csv_ = Fixture("quillary.csv");
        ::setenv("FAKE_QLA_CSV", csv_.c_str(), 1);
        ::setenv("FAKE_ARGS", (base_ + "args.txt").c_str(), 1);
        ::setenv("FAKE_RC", "0", 1);
        ::unsetenv("FAKE_WAIT");
    }
    void TearDown() override {
        for (const char* v : {"FAKE_QLA_CSV", "FAKE_ARGS", "FAKE_RC", "FAKE_WAIT"}) ::unsetenv(v);
        ImportEnv::TearDown();
    }
    int Import(int mode = 3, const std::string& converter = "") {
        return importer_->ImportDBfromQLAFile(source_, converter.empty() ? converter_ : converter, report_, &progress_,
                                              mode);
    }
    std::string Report() { return abtest::MaskReport(ReadFile(report_), source_); }
    // The reason line of an abnormal end.
    std::string Reason() {
        const std::string r = ReadFile(report_);
        const std::size_t at = r.find(S("理由["));
        return at == std::string::npos ? "" : r.substr(at, r.find("\r\n", at) - at);
    }
    std::string WorkFile() const { return folder_ + "qlaimport.tmp"; }

    std::string converter_, source_, report_, csv_;
    ImportProgress progress_;
};

TEST_F(QuillaryImportTest, ImportsThroughTheConverterAndReports) {
    OneCustomer old = Person("old@example.com");
    old.KanjiMei = S("名");
    old.DMOk = "N";
    ASSERT_EQ(book_->SetOneCustomerInfo(old, 0), 0);

    EXPECT_EQ(Import(4), 3);
    EXPECT_EQ(Report(), abtest::GoldenReport("quillary_report.txt"));
    EXPECT_EQ(progress_.imported.load(), 3);
    EXPECT_EQ(progress_.errors.load(), 2);
    EXPECT_EQ(progress_.phase.load(), 0);
    // The converter got the source and the work file, and the work file is gone.
    EXPECT_EQ(ReadFile(base_ + "args.txt"), source_ + "\n/d:" + WorkFile() + "\n/Import\n/r:100000000\n");
    EXPECT_FALSE(std::filesystem::exists(WorkFile()));

    const char* const kNew = "new@example.com";
    EXPECT_EQ(Element(kNew, kElemKanjiSei), S("山田太郎"));
    EXPECT_EQ(Element(kNew, kElemKanaSei), S("ヤマダタロウ"));
    EXPECT_EQ(Element(kNew, kElemCompany), S("(株)山田商店"));
    EXPECT_EQ(Element(kNew, kElemBirthday), "1980/02/03");
    EXPECT_EQ(Element(kNew, kElemZipCode1), "1234567");
    EXPECT_EQ(Element(kNew, kElemPrefecture), S("東京都"));
    EXPECT_EQ(Element(kNew, kElemAddress1), S("千代田区1-1"));
    EXPECT_EQ(Element(kNew, kElemFax1), "03-1234-9999");
    EXPECT_EQ(Element(kNew, kElemExtraFirst), S("男"));
    EXPECT_EQ(Element(kNew, kElemDMOk), "N");  // mode 4: new records "N"
    // The existing record keeps what the file does not carry, and its flag under mode 4.
    EXPECT_EQ(Element("OLD@example.com", kElemKanjiSei), S("更新"));
    EXPECT_EQ(Element("OLD@example.com", kElemKanjiMei), S("名"));
    EXPECT_EQ(Element("OLD@example.com", kElemPrefecture), S("大阪府"));
    EXPECT_EQ(Element("OLD@example.com", kElemDMOk), "N");
    EXPECT_EQ(book_->DBID2RowNumber(std::stoi(Element("short@example.com", kElemCustomerID))), 2);
}

TEST_F(QuillaryImportTest, AdvertisingModes) {
    struct Case {
        int mode;
        const char* fresh;
        const char* existing;
    } cases[] = {{1, "Y", "Y"}, {2, "N", "N"}, {3, "Y", "Y"}, {4, "N", "Y"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        ASSERT_EQ(book_->RemoveAll(1), 0);
        Add(*book_, "old@example.com");  // stored with "Y"
        ASSERT_GE(Import(c.mode), 0);
        EXPECT_EQ(Element("new@example.com", kElemDMOk), c.fresh);
        EXPECT_EQ(Element("OLD@example.com", kElemDMOk), c.existing);
    }
}

TEST_F(QuillaryImportTest, ConverterFailures) {
    const std::string unreadable = S("理由[Quillary住所録ファイルの解析に失敗しました。Qlaファイルの解析ができません。]");
    ::setenv("FAKE_RC", "3", 1);
    EXPECT_EQ(Import(), -51);
    EXPECT_EQ(Reason(), unreadable);
    EXPECT_EQ(importer_->GetErrMsg().GetLastCode(), 10602);
    EXPECT_EQ(book_->GetLineNumber(), 0);
    EXPECT_TRUE(std::filesystem::exists(WorkFile()));  // left for a look at what went wrong
    // An abnormal end before any record shows no counts.
    EXPECT_NE(ReadFile(report_).find(S("インポートは異常終了しました。")), std::string::npos);

    ::setenv("FAKE_RC", "0", 1);
    EXPECT_EQ(Import(3, base_ + "no-such-converter"), -51);
    EXPECT_EQ(Reason(), unreadable);
    EXPECT_EQ(importer_->ImportDBfromQLAFile(source_, "", report_, &progress_, 3), -51);
    EXPECT_EQ(Reason(), unreadable);

    // A title missing, and no title record at all.
    WriteFile(csv_, ReadFile(csv_).replace(ReadFile(csv_).find("TEL."), 4, "TEL-"));
    EXPECT_EQ(Import(), -53);
    EXPECT_EQ(Reason(), S("理由[Quillary住所録ファイルの解析に失敗しました。TEL.が見つかりません。]"));
    WriteFile(csv_, "only the first record\r\n");
    EXPECT_EQ(Import(), -53);
    EXPECT_EQ(Reason(), S("理由[Quillary住所録ファイルの解析に失敗しました。データがありません。]"));

    options_items_[34] = "1";
    WriteOptions();
    ASSERT_EQ(options_->GetSODataFromFileToMemory(), 0);
    EXPECT_EQ(Import(), -42);
    EXPECT_EQ(Reason(), S("理由[拡張属性の項目Aが文字列型ではありません。]"));

    EXPECT_EQ(importer_->ImportDBfromQLAFile("", converter_, report_, &progress_, 3), -50);
    EXPECT_EQ(importer_->ImportDBfromQLAFile(source_, converter_, report_, nullptr, 3), -50);
    EXPECT_EQ(importer_->ImportDBfromQLAFile(source_, converter_, base_ + "no/dir/r.txt", &progress_, 3), -52);
}

TEST_F(QuillaryImportTest, BookStaysUnlockedWhileTheConverterRunsAndStopEndsIt) {
    const std::string wait = base_ + "wait";
    ::setenv("FAKE_WAIT", wait.c_str(), 1);
    std::atomic<int> result{1};
    std::thread worker([&] { result = Import(); });
    while (!std::filesystem::exists(wait + ".started")) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    platform::NamedMutex mutex(CDatabaseEdit::kMutexName);
    EXPECT_TRUE(mutex.try_lock());  // another thread can use the book meanwhile
    mutex.unlock();
    Add(*book_, "meanwhile@example.com");
    WriteFile(wait + ".go", "");
    worker.join();
    EXPECT_EQ(result.load(), 3);
    EXPECT_EQ(book_->GetLineNumber(), 4);

    // The stop flag ends a converter that hangs.
    std::filesystem::remove(wait + ".go");
    std::filesystem::remove(wait + ".started");
    std::thread second([&] { result = Import(); });
    while (!std::filesystem::exists(wait + ".started")) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    book_->SetStopImportFlag(1);
    second.join();
    EXPECT_EQ(result.load(), -51);
}

TEST_F(QuillaryImportTest, ProgressPolledFromAnotherThread) {
    std::string text = ReadFile(csv_).substr(0, ReadFile(csv_).find("1,new"));
    for (int i = 0; i < 3000; ++i) text += std::to_string(i) + ",p" + std::to_string(i) + "@example.com\r\n";
    WriteFile(csv_, text);
    std::atomic<bool> done{false};
    std::thread poller([&] {
        int last = 0;
        while (!done.load()) {
            const int n = progress_.imported.load();
            EXPECT_GE(n, last);
            last = n;
            (void)progress_.GetText().size();
            (void)progress_.phase.load();
        }
    });
    EXPECT_EQ(Import(), 3000);
    done = true;
    poller.join();
    EXPECT_EQ(progress_.GetText(), S("インポートを開始します"));
}

}  // namespace
