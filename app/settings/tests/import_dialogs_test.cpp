// The dialogs around the import: the format choice and its note, the duplicate-address
// confirmation with its policy change written at once, the DM-flag mode, the result
// dialog, and the import from other programs' books with its checks before the run, its
// messages, a declined Tormask question and a failure that leaves the book as it was.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <cstdlib>
#include <filesystem>

#include "app/settings/import_chain.h"
#include "app/settings/import_format_dlg.h"
#include "app/settings/import_setting_dlg.h"
#include "app/settings/other_import_dlg.h"
#include "app/settings/result_dlg.h"
#include "app/settings/tests/import_test_env.h"
#include "core/foundation/sequencer.h"
#include "platform/module_path.h"
#include "platform/notifier.h"

namespace {
namespace import_dialogs_test {

using namespace importtest;
using settings::CDmFlagModeDlg;
using settings::CImportConfirmDlg;
using settings::CImportFormatDlg;
using settings::CImportOtherDlg;
using settings::CResultDlg;
using ui::test::WaitUntil;
using ui::test::WhenDialogShows;

// A fixture of the core's importer tests (UTF-8 there).
std::string CoreFixturePath(const char* name) {
    // The tests' data folder is an absolute path; __FILE__ may be relative to the build folder.
    const std::filesystem::path here = std::filesystem::path(QUENDREL_TESTDATA).parent_path();
    return (here / "../../../core/addressbook/tests/testdata/import" / name).lexically_normal().string();
}

class ImportDialogs : public ImportEnvTest {};

TEST_F(ImportDialogs, TheFormatIsTheCheckedRadioAndTheNoteNeedsExactlyY) {
    const std::pair<int, int> radios[] = {{0, 1},
                                          {CImportFormatDlg::kIdcTormask, 2},
                                          {CImportFormatDlg::kIdcBrindell, 3},
                                          {CImportFormatDlg::kIdcQuillary, 4},
                                          {CImportFormatDlg::kIdcOutlook, 5},
                                          {CImportFormatDlg::kIdcBecky, 6}};
    for (const auto& [radio, kind] : radios) {
        CImportFormatDlg dialog;
        WhenDialogShows("dlg212", [radio = radio](QDialog* d) {
            if (radio != 0) rectest::Control<QRadioButton>(d, radio)->setChecked(true);
            ui::test::ClickControl(d, 1);
        });
        EXPECT_EQ(dialog.DoModal(), platform::kIdOk);
        EXPECT_EQ(dialog.GetKind(), kind);
    }
    for (const char* value : {"Y", "y", "", "YES"}) {
        ASSERT_EQ(Options().SetSODataToMemoryPinPoint(111, value), 0);
        CImportFormatDlg dialog;
        EXPECT_EQ(!rectest::Control<QLabel>(&dialog, CImportFormatDlg::kIdcNote)->isHidden(), std::string(value) == "Y")
            << value;
    }
}

TEST_F(ImportDialogs, TheConfirmationTellsThePolicyAndAChangeIsWrittenAtOnce) {
    const std::pair<const char*, const char*> messages[] = {
        {"0", "データを“重複アドレスの個人情報は更新時間が新しいデータのみ\r\n上書きする”でインポートします\r\nよろしいですか？"},
        {"1", "データを“重複アドレスの個人情報は上書きする”でインポートします\r\nよろしいですか？"},
        {"2", "データを“重複アドレスの個人情報は上書きしない”でインポートします\r\nよろしいですか？"},
        {"9", ""}};
    for (const auto& [value, text] : messages) {
        ASSERT_EQ(Options().SetSODataToMemoryPinPoint(110, value), 0);
        CImportConfirmDlg dialog(nullptr, 2);
        EXPECT_EQ(rectest::Control<QLabel>(&dialog, CImportConfirmDlg::kIdcMessage)->text(), ui::U8(text)) << value;
    }

    // "変更" for general CSV: only its group is enabled; "keep" is stored and written even
    // though the confirmation is then cancelled.
    ASSERT_EQ(Options().SetSODataToMemoryPinPoint(109, "1"), 0);
    ASSERT_EQ(Options().SetSODataToMemoryPinPoint(110, "0"), 0);
    CImportConfirmDlg dialog(nullptr, 1);
    bool otherGroupEnabled = true;
    WhenDialogShows("dlg274", [&otherGroupEnabled](QDialog* d) {
        otherGroupEnabled = rectest::Control<QWidget>(d, settings::CImportSettingDlg::kIdcOtherGroup)->isEnabled();
        rectest::Control<QRadioButton>(d, settings::CImportSettingDlg::kIdcGeneralKeep)->setChecked(true);
        ui::test::ClickControl(d, 1);
    });
    dialog.OnChange();
    EXPECT_FALSE(otherGroupEnabled);
    EXPECT_EQ(rectest::Control<QLabel>(&dialog, CImportConfirmDlg::kIdcMessage)->text(),
              ui::U8("データを“重複アドレスの個人情報は上書きしない”でインポートします\r\nよろしいですか？"));
    SystemOption fresh(Env());
    ASSERT_EQ(fresh.GetSODataFromFileToMemory(), 0);
    std::string stored;
    fresh.GetSODataFromMemoryPinPoint(109, stored);
    EXPECT_EQ(stored, "2");
    fresh.GetSODataFromMemoryPinPoint(110, stored);
    EXPECT_EQ(stored, "0");
}

TEST_F(ImportDialogs, APolicyChangeIsNotLostOnAnOptionsRecordOfTheOldLayout) {
    std::vector<std::string> all;
    ASSERT_EQ(Options().GetSODataFromMemoryToAllData(all), 0);
    all.resize(90);
    ASSERT_EQ(Options().SetSODataFromAllDataToMemory(all), 0);
    CImportConfirmDlg dialog(nullptr, 3);
    WhenDialogShows("dlg274", [](QDialog* d) {
        rectest::Control<QRadioButton>(d, settings::CImportSettingDlg::kIdcOtherKeep)->setChecked(true);
        ui::test::ClickControl(d, 1);
    });
    dialog.OnChange();
    std::string stored;
    EXPECT_EQ(Options().GetSODataFromMemoryPinPoint(110, stored), 0);
    EXPECT_EQ(stored, "2");
    EXPECT_EQ(Options().GetSODataFromMemoryPinPoint(20, stored), 0);
    EXPECT_EQ(stored, all[20]);  // the other slots as they were
}

TEST_F(ImportDialogs, TheDmFlagModeIsTheCheckedRadioOrZero) {
    const std::pair<int, int> radios[] = {{0, 1},
                                          {CDmFlagModeDlg::kIdcAllNo, 2},
                                          {CDmFlagModeDlg::kIdcNewYes, 3},
                                          {CDmFlagModeDlg::kIdcNewNo, 4}};
    for (const auto& [radio, mode] : radios) {
        CDmFlagModeDlg dialog(nullptr, 5);
        WhenDialogShows("dlg257", [radio = radio](QDialog* d) {
            if (radio != 0) rectest::Control<QRadioButton>(d, radio)->setChecked(true);
            ui::test::ClickControl(d, 1);
        });
        EXPECT_EQ(dialog.DoModal(), platform::kIdOk);
        EXPECT_EQ(dialog.GetMode(), mode);
    }
    CDmFlagModeDlg cancelled(nullptr, 6);
    WhenDialogShows("dlg257", [](QDialog* d) { ui::test::ClickControl(d, 2); });
    EXPECT_EQ(cancelled.DoModal(), platform::kIdCancel);
    EXPECT_EQ(cancelled.GetMode(), 0);
    EXPECT_TRUE(rectest::Control<QLabel>(&cancelled, CDmFlagModeDlg::kIdcExplanation)->text().startsWith(
        QStringLiteral("Becky! ")));
    CDmFlagModeDlg other(nullptr, 2);
    EXPECT_TRUE(rectest::Control<QLabel>(&other, CDmFlagModeDlg::kIdcExplanation)->text().isEmpty());
}

TEST_F(ImportDialogs, TheResultDialogShowsItsThreeLines) {
    {
        CResultDlg unset;
        unset.show();
        rectest::Pump();
        for (int id : {CResultDlg::kIdcLine1, CResultDlg::kIdcLine2, CResultDlg::kIdcLine3})
            EXPECT_TRUE(rectest::Control<QLabel>(&unset, id)->text().isEmpty());
    }
    CResultDlg dialog;
    dialog.SetResultLines(ui::U8("抽出が完了しました"), ui::U8("対象件数　12件"),
                          ui::U8("OKボタンをクリックすると結果の一覧が表示されます"));
    WhenDialogShows("dlg179", [](QDialog* d) {
        EXPECT_EQ(rectest::Control<QLabel>(d, CResultDlg::kIdcLine2)->text(), ui::U8("対象件数　12件"));
        // A line longer than the dialog's first width is shown whole.
        auto* third = rectest::Control<QLabel>(d, CResultDlg::kIdcLine3);
        EXPECT_GE(third->width(), third->sizeHint().width());
        QTest::keyClick(d, Qt::Key_Return);
    });
    EXPECT_EQ(dialog.DoModal(), platform::kIdOk);
}

// ---- Other programs' books ------------------------------------------------------------------

class OtherImport : public ImportEnvTest {
protected:
    // The core's fixture `name` as the Shift_JIS file the other program writes.
    std::string CoreFixture(const char* name) {
        std::ifstream in(CoreFixturePath(name), std::ios::binary);
        const std::string utf8((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        return WriteFile(name, Utf8ToSjis(utf8));
    }
    void TearDown() override {
        for (const char* v : {"FAKE_QLA_CSV", "FAKE_ARGS", "FAKE_RC", "FAKE_WAIT"}) ::unsetenv(v);
        ImportEnvTest::TearDown();
    }
    static void Type(CImportOtherDlg& d, int id, const std::string& text) {
        rectest::Retype(&d, id, text.c_str());
    }
    // Starts with the given paths and waits for the dialog to end; its result.
    int Run(CImportOtherDlg& d, const std::string& source, const std::string& log) {
        d.show();
        rectest::Pump();
        Type(d, CImportOtherDlg::kIdcPath, source);
        Type(d, CImportOtherDlg::kIdcLogPath, log);
        rectest::Control<QPushButton>(&d, CImportOtherDlg::kIdcStart)->click();
        EXPECT_TRUE(WaitUntil([&d] { return !d.isVisible(); }, 30000));
        return d.result();
    }
};

TEST_F(OtherImport, RefusesBeforeTheRunWhatCannotWork) {
    const std::string source = WriteFile("book.csv", "x\r\n");
    struct Case {
        const char* what;
        std::string source, log;
        const char* caption;
        const char* text;
    };
    const Case cases[] = {
        {"both missing", "", "", "ファイル未選択",
         "・Tormaskファイル\r\n・インポートログ出力先ファイル\r\n\r\nが選択されていません\r\n"
         "「参照」ボタンをクリックしてファイルを指定するか\r\nファイルの場所を入力してください"},
        {"log missing", source, "", "ファイル未選択",
         "・インポートログ出力先ファイル\r\n\r\nが選択されていません\r\n"
         "「参照」ボタンをクリックしてファイルを指定するか\r\nファイルの場所を入力してください"},
        {"no such file", TempPath("none.csv"), TempPath("log.txt"), "インポートファイルが存在しません",
         "入力されたファイルは存在しません\r\n「参照」ボタンをクリックして正しくファイルを指定するか\r\n"
         "正しいファイルの場所を入力してください"},
        {"log is the source", source, source, "ファイル指定エラー", nullptr},
        {"log is the source spelt otherwise", source, dir_.path().toStdString() + "/./sub/../book.csv",
         "ファイル指定エラー", nullptr},
    };
    for (const Case& c : cases) {
        CImportOtherDlg d(nullptr, 2, -1);
        d.show();
        Type(d, CImportOtherDlg::kIdcPath, c.source);
        Type(d, CImportOtherDlg::kIdcLogPath, c.log);
        prompts_.clear();
        d.OnStart();
        ASSERT_EQ(prompts_.captions().size(), 1) << c.what;
        EXPECT_EQ(prompts_.captions()[0], ui::U8(c.caption)) << c.what;
        if (c.text != nullptr) {
            EXPECT_EQ(prompts_.texts()[0], ui::U8(c.text)) << c.what;
        }
        EXPECT_FALSE(d.IsRunning()) << c.what;
    }
    std::ifstream in(source, std::ios::binary);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()), "x\r\n");

    // Quillary without its converter is unavailable here; the converter sits beside the program.
    EXPECT_EQ(CImportOtherDlg::DefaultConverterPath(), platform::ProgramFolder() + "Quillconv13.exe");
    CImportOtherDlg quillary(nullptr, 4, 1);
    quillary.SetConverterPath(TempPath("Quillconv13.exe"));
    quillary.show();
    Type(quillary, CImportOtherDlg::kIdcPath, WriteFile("book.qla", "x"));
    Type(quillary, CImportOtherDlg::kIdcLogPath, TempPath("log.txt"));
    prompts_.clear();
    quillary.OnStart();
    EXPECT_EQ(prompts_.captions(), QStringList{ui::U8("インポートできません")});
}

TEST_F(OtherImport, EnterStartsWithWhatIsTypedNow) {
    CImportOtherDlg d(nullptr, 6, 1);
    d.show();
    rectest::Pump();
    Type(d, CImportOtherDlg::kIdcPath, WriteFile("becky.csv", "x\r\n"));
    Type(d, CImportOtherDlg::kIdcLogPath, TempPath("log.txt"));
    prompts_.clear();
    prompts_.Answer(platform::kIdCancel);
    QTest::keyClick(rectest::Control<QLineEdit>(&d, CImportOtherDlg::kIdcLogPath), Qt::Key_Return);
    EXPECT_EQ(prompts_.captions(), QStringList{ui::U8("インポート開始の確認")});
    EXPECT_EQ(prompts_.texts()[0], ui::U8("Becky! のインポートを開始します\r\nよろしいですか？"));
    EXPECT_EQ(prompts_.prompts()[0].style & 0x0F, platform::kMbOkCancel);
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(d.windowTitle(), ui::U8("Becky! のインポート"));
}

TEST_F(OtherImport, ABeckyImportIsCountedAndSaved) {
    CImportOtherDlg d(nullptr, 6, 3);
    EXPECT_EQ(Run(d, CoreFixture("becky.csv"), TempPath("log.txt")), 1);
    const QStringList captions = prompts_.captions();
    ASSERT_EQ(captions.size(), 3);
    EXPECT_EQ(prompts_.texts()[1],
              ui::U8("インポートは正常に終了しました\r\nインポート結果は以下の通りです\r\n・インポート件数　2件\r\n"
                     "・データ異常件数　3件\r\n詳細はインポートログを参照してください。"));
    EXPECT_EQ(prompts_.captions()[1], ui::U8("インポート完了"));
    EXPECT_EQ(captions[2], ui::U8("インポート完了"));
    EXPECT_GT(CountMail("taro@example.com"), 0);
    EXPECT_TRUE(std::filesystem::exists(TempPath("log.txt")));
    CDatabaseEdit reread(Env(), &Options());
    EXPECT_EQ(reread.ReadCustomerList(), Book().GetLineNumber());
}

TEST_F(OtherImport, AFailureHalfWayLeavesTheBookAsItWas) {
    AddPerson(1, "old@example.com");
    const auto before = AllRows();
    Sequencer seq(Env(), SEQ_ID_CUSTOMER);
    ASSERT_TRUE(seq.SetValue(9999998));  // one ID left: the second record fails
    const std::string source = WriteFile("b.csv", "a@example.com,,,,,,,,,,\r\nb@example.com,,,,,,,,,,\r\n");
    CImportOtherDlg d(nullptr, 6, 1);
    EXPECT_EQ(Run(d, source, TempPath("log.txt")), -1);
    const QStringList captions = prompts_.captions();
    ASSERT_EQ(captions.size(), 3);
    EXPECT_EQ(captions[1], ui::U8("インポートに失敗しました"));
    EXPECT_EQ(captions[2], ui::U8("インポートエラー"));
    EXPECT_TRUE(prompts_.texts()[2].endsWith(ui::U8("\r\nインポートが中断されました")));
    EXPECT_EQ(AllRows(), before);
}

TEST_F(OtherImport, ADeclinedTormaskQuestionEndsTheImport) {
    ASSERT_EQ(Options().SetSODataToMemoryPinPoint(110, "0"), 0);
    AddPerson(1, "old@example.com");
    const auto before = AllRows();
    CImportOtherDlg d(nullptr, 2, -1);
    prompts_.Answer(platform::kIdOk);  // start
    prompts_.Answer(platform::kIdNo);  // the importer's own question
    EXPECT_EQ(Run(d, CoreFixture("tormask_undated.csv"), TempPath("log.txt")), -1);
    const QStringList captions = prompts_.captions();
    ASSERT_EQ(captions.size(), 4);
    EXPECT_EQ(captions[1], ui::U8("インポートの確認"));
    EXPECT_EQ(captions[3], ui::U8("インポート 中断"));
    EXPECT_EQ(prompts_.texts()[3], ui::U8("インポートが中断されました"));
    EXPECT_EQ(AllRows(), before);
}

TEST_F(OtherImport, AQuillaryBookGoesThroughItsConverter) {
    ::setenv("FAKE_QLA_CSV", CoreFixture("quillary.csv").c_str(), 1);
    ::setenv("FAKE_RC", "0", 1);
    CImportOtherDlg d(nullptr, 4, 1);
    d.SetConverterPath(CoreFixturePath("fake_quillconv.sh"));
    EXPECT_EQ(Run(d, WriteFile("book.qla", "x"), TempPath("log.txt")), 1);
    EXPECT_GT(Book().GetLineNumber(), 0);
}

TEST_F(OtherImport, TheChainEndsWhereTheUserCancels) {
    WhenDialogShows("dlg212", [](QDialog* d) { ui::test::ClickControl(d, 2); });
    EXPECT_EQ(settings::RunAddressImport(nullptr), 0);
    WhenDialogShows("dlg212", [](QDialog* d) {
        rectest::Control<QRadioButton>(d, CImportFormatDlg::kIdcBecky)->setChecked(true);
        ui::test::ClickControl(d, 1);
        WhenDialogShows("dlg257", [](QDialog* m) {
            ui::test::ClickControl(m, 1);
            WhenDialogShows("dlg218", [](QDialog* o) {
                EXPECT_EQ(o->windowTitle(), ui::U8("Becky! のインポート"));
                ui::test::ClickControl(o, CImportOtherDlg::kIdcBack);
            });
        });
    });
    EXPECT_EQ(settings::RunAddressImport(nullptr), platform::kIdCancel);
    WhenDialogShows("dlg212", [](QDialog* d) {
        ui::test::ClickControl(d, 1);
        WhenDialogShows("dlg272", [](QDialog* c) { ui::test::ClickControl(c, 2); });
    });
    EXPECT_EQ(settings::RunAddressImport(nullptr), 0);
}

}  // namespace import_dialogs_test
}  // namespace
