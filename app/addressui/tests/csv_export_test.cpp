// The address-book CSV export: each layout and record kind against a golden file written by
// hand (testdata/export, UTF-8 with CR LF; compared as the Shift_JIS bytes they stand for),
// and the safe write that never leaves a half-written file.
#include <gtest/gtest.h>

#include <QFile>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/addressui/csv_export.h"
#include "app/addressui/tests/record_test_env.h"
#include "platform/safe_write.h"

namespace {
namespace csv_export_test {

using namespace rectest;
using addressui::AddressExportRequest;

// Five records in stored order: a full one (a quote and a comma in the company, a birth
// date with time, phone parts that the list would join), one without a mail address, a
// deleted one, one whose birth date and date attribute are no dates and would be cut
// inside a two-byte character at byte 10, and one with a surname only.
class CsvExportTest : public RecordEnvTest {
protected:
    void SetUp() override {
        RecordEnvTest::SetUp();
        AddRow(101, {{kElemEmail, "taro@example.jp"},
                     {kElemKanjiSei, S("山田")},
                     {kElemKanjiMei, S("太郎")},
                     {kElemKanaSei, S("やまだ")},
                     {kElemKanaMei, S("たろう")},
                     {kElemCompany, S("株式会社\"ソフト\",開発")},
                     {kElemCompanyPost, S("営業部")},
                     {kElemBirthday, "1970/01/02 00:00:00"},
                     {kElemZipCode1, "1234567"},
                     {kElemPrefecture, S("東京都")},
                     {kElemAddress1, S("千代田区")},
                     {kElemAddress2, "1-2-3"},
                     {kElemPhone1, "03"},
                     {kElemPhone2, "1234-5678"},
                     {kElemFax1, "03-1111-2222"},
                     {kElemPortable1, "090-1111-2222"},
                     {kElemExtraFirst + 0, S("釣り")},
                     {kElemExtraFirst + 1, "12"},
                     {kElemExtraFirst + 2, "2018/04/01 10:20:30"},
                     {kElemExtraFirst + 7, "2024/03/15"},
                     {kElemExtraFirst + 18, S("メモ")},
                     {kElemExtraFirst + 19, S("ティー")}});
        AddRow(102, {{kElemKanjiSei, S("空欄")}});
        AddRow(103, {{kElemEmail, "old@example.jp"}, {kElemKanjiSei, S("削除")}, {kElemDeleteFlag, "Y"}});
        AddRow(104, {{kElemEmail, "hanako@example.jp"},
                     {kElemBirthday, S("昭和4年頃です")},
                     {kElemZipCode1, "123-4567"},
                     {kElemPrefecture, S("<未選択>")},
                     {kElemDMOk, "N"},
                     {kElemExtraFirst + 2, S("X平成元年四月")},
                     {kElemExtraFirst + 18, S("ABCDEFGHIあ")}});
        AddRow(105, {{kElemEmail, "sei@example.jp"},
                     {kElemKanjiSei, S("佐藤")},
                     {kElemZipCode1, "12345"},
                     {kElemPrefecture, S("大阪府")},
                     {kElemDMOk, ""}});
        ASSERT_EQ(Options().GetSOExtractDataFromMemory(names_), 0);
        out_ = dir_.path().toStdString() + "/export.csv";
    }

    AddressExportRequest Request(int layout, int kind, bool itemNames, bool shortForm) {
        AddressExportRequest r;
        r.path = out_;
        r.layout = layout;
        r.recordKind = kind;
        r.itemNames = itemNames;
        r.nameAndAddressOnly = shortForm;
        r.attributeNames = names_;
        return r;
    }

    static std::string Golden(const std::string& name) {
        return Utf8ToSjis(ReadBytes(std::string(QUENDREL_TESTDATA) + "/export/" + name));
    }

    std::vector<std::string> names_;
    std::string out_;
};

TEST_F(CsvExportTest, LayoutsAndRecordKindsMatchTheirGoldenFiles) {
    struct Case {
        int layout, kind;
        bool itemNames, shortForm;
        const char* golden;
    };
    const Case cases[] = {
        {addressui::kExportGeneral, 0, false, false, "general_live.csv"},
        {addressui::kExportGeneral, 2, true, false, "general_all_with_names.csv"},
        {addressui::kExportGeneral, 1, false, false, "general_deleted.csv"},
        // The Brindell layout always writes its header, whatever the option says.
        {addressui::kExportBrindell, 0, false, false, "brindell_live.csv"},
        {addressui::kExportWebService, 0, false, false, "web_service_live.csv"},
        {addressui::kExportWebService, 2, false, true, "web_service_short_all.csv"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.golden);
        ASSERT_EQ(addressui::ExportAddressBook(Book(), Request(c.layout, c.kind, c.itemNames, c.shortForm)),
                  addressui::kExportOk);
        EXPECT_EQ(ReadBytes(out_), Golden(c.golden));
    }
}

TEST_F(CsvExportTest, AFailedWriteKeepsTheFileThatWasThere) {
    {
        std::ofstream old(out_, std::ios::binary);
        old << "old content\r\n";
    }
    platform::AtomicFile::FailNextCommitForTesting();
    EXPECT_EQ(addressui::ExportAddressBook(Book(), Request(addressui::kExportGeneral, 0, true, false)),
              addressui::kExportWriteFailed);
    EXPECT_EQ(ReadBytes(out_), "old content\r\n");
    // No temporary is left beside it.
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path().toStdString()))
        files += entry.path().filename().string().find("export.csv") != std::string::npos ? 1 : 0;
    EXPECT_EQ(files, 1);

    const std::string nowhere = dir_.path().toStdString() + "/no such folder/export.csv";
    AddressExportRequest r = Request(addressui::kExportGeneral, 0, true, false);
    r.path = nowhere;
    EXPECT_EQ(addressui::ExportAddressBook(Book(), r), addressui::kExportOpenFailed);
    EXPECT_FALSE(std::filesystem::exists(nowhere));
    r.path = out_;
    r.layout = 4;
    EXPECT_EQ(addressui::ExportAddressBook(Book(), r), addressui::kExportBadRequest);
}

TEST_F(CsvExportTest, ListRowsAreWrittenAsTheListShowsThem) {
    std::string longCaption;
    for (int i = 0; i < 60; ++i) longCaption += S("項");  // 120 bytes: cut to 100
    const std::vector<addressui::ListColumn> columns = {
        {0, S("個人ID"), 75}, {kElemBirthday, longCaption, 85}, {kElemPhone1, "x" + longCaption, 230}};
    ASSERT_EQ(addressui::ExportListRows(Book(), out_, columns, {104, 999, 101}, true), addressui::kExportOk);
    const std::string expected = "\"" + S("個人ID") + "\",\"" + longCaption.substr(0, 100) + "\",\"x" +
                                 longCaption.substr(0, 98) + "\"\r\n" + "\"104\",\"" + S("昭和4年頃です") +
                                 "\",\"\"\r\n"
                                 "\"999\",\"\",\"\"\r\n"
                                 "\"101\",\"1970/01/02\",\"03-1234-5678\"\r\n";
    EXPECT_EQ(ReadBytes(out_), expected);
}

TEST(CutAtCharacter, NeverEndsInsideATwoByteCharacter) {
    struct Case {
        std::string text;
        std::size_t bytes;
        std::string expected;
    };
    const std::string kanji = Utf8ToSjis("昭和");  // 4 bytes
    const Case cases[] = {
        {"1970/01/02 00:00:00", 10, "1970/01/02"},
        {"123456789" + kanji, 10, "123456789"},
        {"12345678" + kanji, 10, "12345678" + Utf8ToSjis("昭")},
        {Utf8ToSjis("ｱｲｳｴｵｶｷｸｹｺｻ"), 10, Utf8ToSjis("ｱｲｳｴｵｶｷｸｹｺ")},  // half-width kana are one byte
        {"short", 10, "short"},
        {"abc\x83", 10, "abc\x83"},  // a lone lead byte at the end counts as one byte
    };
    for (const Case& c : cases) EXPECT_EQ(addressui::CutAtCharacter(c.text, c.bytes), c.expected) << c.text;
}

}  // namespace csv_export_test
}  // namespace
