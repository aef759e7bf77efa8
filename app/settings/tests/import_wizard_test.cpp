// The CSV import wizard driven page by page offscreen: a fixture file imported with its
// rejected lines listed, the assignment kept or lost as the pages are walked, the file
// checked again on every page, hostile files refused with a clear message and the book
// unchanged, a failed or stopped run putting the book back, and cancelling.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include <cstdio>
#include <fstream>
#include <thread>

#include "app/settings/import_wait.h"
#include "app/settings/import_wizard.h"
#include "app/settings/tests/import_test_env.h"
#include "core/addressbook/address_import.h"
#include "platform/notifier.h"

namespace {
namespace import_wizard_test {

using namespace importtest;
using settings::CImportConfPage00;
using settings::CImportConfPage01;
using settings::CImportConfPage02;
using settings::CImportConfPage03;
using settings::CImportConfSheet;
using ui::test::WaitUntil;

// The header line is rejected (no address), as are a bad address and a bad DM flag.
const char* const kFixture =
    "メール,姓,名,DM\r\n"
    "a@example.com,山田,太郎,Y\r\n"
    "b@example.com,佐藤,花子,N\r\n"
    "bad-address,鈴木,一郎,Y\r\n"
    "c@example.com,高橋,次郎,X\r\n";

class ImportWizard : public ImportEnvTest {
protected:
    void TearDown() override {
        settings::SetCsvImportEngineForTesting(nullptr);
        ImportEnvTest::TearDown();
    }

    // Shows the wizard and leaves page 1 with `path` typed in.
    void Start(CImportConfSheet& w, const std::string& path) {
        w.show();
        rectest::Pump();
        rectest::Retype(w.Page00(), CImportConfPage00::kIdcPath, path.c_str());
        w.next();
        rectest::Pump();
    }
    static QTableWidget* List(QWidget* page, int id) { return rectest::Control<QTableWidget>(page, id); }
    static void Click(QWidget* page, int id) { rectest::Control<QPushButton>(page, id)->click(); }
    // Assigns the pool row showing `label` to target row `row` on page 3.
    static void Assign(CImportConfSheet& w, int row, const char* label) {
        QTableWidget* targets = List(w.Page02(), CImportConfPage02::kIdcTargets);
        QTableWidget* pool = List(w.Page02(), CImportConfPage02::kIdcPool);
        targets->selectRow(row);
        const auto found = pool->findItems(ui::U8(label), Qt::MatchExactly);
        ASSERT_FALSE(found.isEmpty()) << label;
        pool->selectRow(found.first()->row());
        Click(w.Page02(), CImportConfPage02::kIdcAssign);
    }
    static QString Cell(QTableWidget* list, int row, int column) {
        QTableWidgetItem* item = list->item(row, column);
        return item != nullptr ? item->text() : QString();
    }
    // Presses Finish and waits for the wizard to close; its result.
    static int Finish(CImportConfSheet& w) {
        w.button(QWizard::FinishButton)->click();
        EXPECT_TRUE(WaitUntil([&w] { return !w.isVisible(); }, 20000));
        return w.result();
    }
    // Walks to page 4 with the fixture's mail, surname, first name and DM assigned.
    void ToConfirmation(CImportConfSheet& w, const std::string& path) {
        Start(w, path);
        ASSERT_EQ(w.currentId(), 1);
        w.next();
        rectest::Pump();
        ASSERT_EQ(w.currentId(), 2);
        Assign(w, 0, "メール");
        Assign(w, 1, "姓");
        Assign(w, 2, "名");
        Assign(w, 15, "DM");
        w.next();
        rectest::Pump();
        ASSERT_EQ(w.currentId(), 3);
    }
};

TEST_F(ImportWizard, ImportsTheFixturePageByPageAndListsTheRejectedLines) {
    AddPerson(1, "old@example.com");
    const std::string path = WriteFile("people.csv", S(kFixture));
    CImportConfSheet w;
    Start(w, path);
    ASSERT_EQ(w.currentId(), 1);
    EXPECT_EQ(w.windowTitle(), ui::U8("インポート(2/4) [インポートファイルの分割]"));
    // The split preview: the widest line's four columns, one row per line.
    QTableWidget* split = List(w.Page01(), CImportConfPage01::kIdcPreview);
    EXPECT_EQ(split->columnCount(), 4);
    EXPECT_EQ(split->rowCount(), 5);
    EXPECT_EQ(Cell(split, 1, 1), ui::U8("山田"));
    EXPECT_TRUE(w.button(QWizard::NextButton)->isEnabled());

    w.next();
    rectest::Pump();
    QTableWidget* targets = List(w.Page02(), CImportConfPage02::kIdcTargets);
    QTableWidget* pool = List(w.Page02(), CImportConfPage02::kIdcPool);
    ASSERT_EQ(targets->rowCount(), 36);
    EXPECT_EQ(Cell(targets, 16, 0), ui::U8("趣味"));
    EXPECT_EQ(pool->rowCount(), 4);
    Assign(w, 0, "メール");
    Assign(w, 1, "姓");
    Assign(w, 2, "名");
    Assign(w, 15, "DM");
    EXPECT_EQ(Cell(targets, 0, 1), ui::U8("メール"));
    EXPECT_EQ(pool->rowCount(), 0);

    w.next();
    rectest::Pump();
    QTableWidget* preview = List(w.Page03(), CImportConfPage03::kIdcPreview);
    ASSERT_EQ(preview->columnCount(), 36);
    EXPECT_EQ(preview->horizontalHeaderItem(0)->text(), ui::U8("メールアドレス"));
    EXPECT_EQ(Cell(preview, 2, 0), QStringLiteral("b@example.com"));
    EXPECT_EQ(Cell(preview, 2, 2), ui::U8("花子"));
    EXPECT_EQ(Cell(preview, 2, 15), QStringLiteral("N"));

    prompts_.Answer(platform::kIdYes);  // start
    prompts_.Answer(platform::kIdNo);   // no error log
    EXPECT_EQ(Finish(w), 1);
    const QStringList captions = prompts_.captions();
    ASSERT_GE(captions.size(), 3);
    EXPECT_EQ(captions[0], ui::U8("インポート開始の確認"));
    EXPECT_EQ(captions[1], ui::U8("エラーログの保存"));
    EXPECT_EQ(prompts_.texts()[1],
              ui::U8("下記のデータはインポートができませんでした\r\n\r\n"
                     "1行目: メール,姓,名,DM\r\n"
                     "　→ [メールアドレス](1列目)に不正なメールアドレスが設定されている、"
                     "[DM送付可否](4列目)に「Y」か「N」でない値が設定されている\r\n"
                     "4行目: bad-address,鈴木,一郎,Y\r\n"
                     "　→ [メールアドレス](1列目)に不正なメールアドレスが設定されている\r\n"
                     "5行目: c@example.com,高橋,次郎,X\r\n"
                     "　→ [DM送付可否](4列目)に「Y」か「N」でない値が設定されている\r\n"
                     "\r\n\r\nエラー結果を保存しますか？\r\n(インポートできなかった行を、元のファイルのとおりに保存します)"));
    EXPECT_EQ(captions.back(), ui::U8("インポート完了"));
    EXPECT_EQ(Book().GetLineNumber(), 3);
    const int a = Book().SearchCustomerOneElement(kElemEmail, "a@example.com", -1, kDirectionForward);
    ASSERT_GT(a, 0);
    EXPECT_EQ(Row(a)[kElemKanjiMei], S("太郎"));
    const int b = Book().SearchCustomerOneElement(kElemEmail, "b@example.com", -1, kDirectionForward);
    EXPECT_EQ(Row(b)[kElemDMOk], "N");
    // The address book was saved after the import.
    CDatabaseEdit reread(Env(), &Options());
    EXPECT_EQ(reread.ReadCustomerList(), 3);
}

TEST_F(ImportWizard, TenRejectedLinesShowNoMarkerElevenDoAndTheLogHoldsThemAll) {
    for (int bad : {10, 11}) {
        std::string text = "ok@example.com\r\n";
        for (int i = 0; i < bad; ++i) text += "bad" + std::to_string(i) + "\r\n";
        const std::string path = WriteFile("bad.csv", text);
        const std::string log = TempPath("errors.csv");
        std::remove(log.c_str());
        CImportConfSheet w;
        Start(w, path);
        w.next();
        rectest::Pump();
        Assign(w, 0, "ok@example.com");
        w.next();
        rectest::Pump();
        prompts_.clear();
        prompts_.Answer(platform::kIdYes);  // start
        prompts_.Answer(platform::kIdYes);  // save the log
        files_.Answer(std::nullopt);        // cancelled: asked again
        prompts_.Answer(platform::kIdYes);
        files_.Answer(QString::fromStdString(log));
        EXPECT_EQ(Finish(w), 1);
        const QString question = prompts_.texts()[1];
        EXPECT_EQ(question.contains(ui::U8("<<以下、続く>>")), bad == 11);
        EXPECT_TRUE(question.contains(QStringLiteral("bad9\r\n")));
        EXPECT_FALSE(question.contains(QStringLiteral("bad10")));
        EXPECT_EQ(prompts_.texts()[2], question);
        std::ifstream in(log, std::ios::binary);
        const std::string saved((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::string expected;
        for (int i = 0; i < bad; ++i) expected += "bad" + std::to_string(i) + "\r\n";
        EXPECT_EQ(saved, expected);
    }
}

TEST_F(ImportWizard, TheAssignmentSurvivesGoingBackOnlyAfterTheConfirmationPage) {
    const std::string path = WriteFile("people.csv", S(kFixture));
    CImportConfSheet w;
    Start(w, path);
    w.next();
    rectest::Pump();
    Assign(w, 0, "メール");
    w.back();  // page 3 -> page 2 -> page 3: lost
    w.next();
    rectest::Pump();
    EXPECT_EQ(w.Mapping().SourceOf(0), -1);
    Assign(w, 0, "メール");
    w.next();  // page 4 shown: kept on the way back
    w.back();
    rectest::Pump();
    EXPECT_EQ(w.Mapping().SourceOf(0), 0);
    EXPECT_EQ(Cell(List(w.Page02(), CImportConfPage02::kIdcTargets), 0, 1), ui::U8("メール"));
    // A changed split loses it again.
    w.back();
    rectest::Pump();
    rectest::Control<QComboBox>(w.Page01(), CImportConfPage01::kIdcQuote)->setCurrentIndex(2);
    w.next();
    rectest::Pump();
    EXPECT_EQ(w.Mapping().SourceOf(0), -1);
}

TEST_F(ImportWizard, EveryPageChecksTheFileAgain) {
    struct Case {
        const char* what;
        bool makeFile;
        std::string bytes;
        bool typeDir;
        const char* caption;
    };
    const Case cases[] = {
        {"no path", false, "", false, "インポートファイル未選択"},
        {"missing", false, "", false, "インポートファイルが存在しません"},
        {"folder", false, "", true, "インポートファイル読み込みエラー"},
        {"no data", true, "\r\n\r\n", false, "インポート対象データなし"},
    };
    for (const Case& c : cases) {
        std::string path;
        if (c.makeFile) path = WriteFile("check.csv", c.bytes);
        else if (c.typeDir) path = dir_.path().toStdString();
        else if (std::string(c.what) == "missing") path = TempPath("missing.csv");
        CImportConfSheet w;
        prompts_.clear();
        Start(w, path);
        EXPECT_EQ(w.currentId(), 0) << c.what;
        ASSERT_EQ(prompts_.captions().size(), 1) << c.what;
        EXPECT_EQ(prompts_.captions()[0], ui::U8(c.caption)) << c.what;
    }
    // The file goes away while the wizard is on page 2: page 3 says so and offers no Next.
    const std::string path = WriteFile("vanish.csv", S(kFixture));
    CImportConfSheet w;
    Start(w, path);
    std::remove(path.c_str());
    prompts_.clear();
    w.next();
    rectest::Pump();
    EXPECT_EQ(w.currentId(), 2);
    EXPECT_EQ(prompts_.captions(), QStringList{ui::U8("インポートファイルが存在しません")});
    EXPECT_FALSE(w.button(QWizard::NextButton)->isEnabled());
    EXPECT_FALSE(List(w.Page02(), CImportConfPage02::kIdcTargets)->isEnabled());
}

TEST_F(ImportWizard, HostileFilesGetAClearMessageAndLeaveTheBookAsItWas) {
    AddPerson(1, "old@example.com");
    const auto before = AllRows();
    struct Case {
        const char* what;
        std::string bytes;
        const char* message;  // part of the message
    };
    const Case cases[] = {
        {"NUL byte", std::string("a@example.com,ok\r\nb@example.com,N\0me\r\n", 34), "2行目に文字ではないデータ"},
        {"invalid Shift_JIS", "a@example.com,\x81\r\n", "1行目にShift_JISの文字として読めない"},
        {"50 MB field", "a@example.com," + std::string(50u << 20, 'x') + "\r\n", "1行目が長すぎます"},
    };
    for (const Case& c : cases) {
        const std::string path = WriteFile("hostile.csv", c.bytes);
        CImportConfSheet w;
        prompts_.clear();
        Start(w, path);
        EXPECT_EQ(w.currentId(), 0) << c.what;
        ASSERT_EQ(prompts_.texts().size(), 1) << c.what;
        EXPECT_TRUE(prompts_.texts()[0].contains(ui::U8(c.message))) << c.what << " " << prompts_.texts()[0].toStdString();
        EXPECT_EQ(AllRows(), before) << c.what;
    }
    // Unbalanced quotes are text: the wizard runs, the line is refused, the book unchanged.
    const std::string path = WriteFile("quote.csv", "\"q@example.com,Name\r\n");
    CImportConfSheet w;
    Start(w, path);
    w.next();
    rectest::Pump();
    Assign(w, 0, "q@example.com,Name");
    w.next();
    rectest::Pump();
    prompts_.clear();
    prompts_.Answer(platform::kIdYes);
    prompts_.Answer(platform::kIdNo);
    Finish(w);
    EXPECT_TRUE(prompts_.captions().contains(ui::U8("エラーログの保存")) ||
                prompts_.captions().contains(ui::U8("インポート失敗")));
    EXPECT_EQ(AllRows(), before);
}

TEST_F(ImportWizard, AUtf8FileShowsAndImportsAsShiftJis) {
    // As spreadsheets save CSV today: UTF-8 with a byte-order mark.
    const std::string path = WriteFile("utf8.csv", "\xEF\xBB\xBF" "u8@example.com,\xE5\xB1\xB1\xE7\x94\xB0\r\n");
    CImportConfSheet w;
    prompts_.clear();
    Start(w, path);
    EXPECT_EQ(w.currentId(), 1);
    EXPECT_TRUE(prompts_.texts().isEmpty()) << prompts_.texts().join("|").toStdString();
    w.next();
    rectest::Pump();
    Assign(w, 0, "u8@example.com");
    w.next();
    rectest::Pump();
    prompts_.clear();
    prompts_.Answer(platform::kIdYes);
    EXPECT_EQ(Finish(w), 1);
    EXPECT_EQ(CountMail("u8@example.com"), 1);
}

// The file as a spreadsheet wrote it, read by Python's csv module in its code: the rows.
QJsonArray PythonCsvRows(const std::string& path, const char* encoding) {
    QProcess py;
    py.start(QStringLiteral("/usr/bin/python3"),
             {QStringLiteral("-c"),
              QStringLiteral("import csv, json, sys\n"
                             "with open(sys.argv[1], newline='', encoding=sys.argv[2]) as f:\n"
                             "    print(json.dumps(list(csv.reader(f))))\n"),
              QString::fromStdString(path), QString::fromLatin1(encoding)});
    if (!py.waitForFinished(30000) || py.exitCode() != 0) {
        ADD_FAILURE() << "python3: " << py.readAllStandardError().toStdString();
        return {};
    }
    return QJsonDocument::fromJson(py.readAllStandardOutput()).array();
}

// Names as spreadsheets save them in UTF-8 (Excel's "CSV UTF-8" with its mark and CR LF,
// LibreOffice's default with LF) and in Shift_JIS: the refused lines are named with their
// number and why, and the saved error file holds them byte for byte as the file did, so
// that José's name can be mended there and imported again.
TEST_F(ImportWizard, RefusedLinesAreNamedAndSavedAsTheFileHeldThem) {
    const std::string bom = "\xEF\xBB\xBF";
    struct Case {
        const char* what;
        std::string head;         // written before the lines (a byte-order mark)
        const char* eol;
        bool utf8;
        const char* encoding;     // Python's name for the file's code
    } cases[] = {
        {"Excel CSV UTF-8", bom, "\r\n", true, "utf-8"},
        {"LibreOffice UTF-8", "", "\n", true, "utf-8"},
        {"Excel CSV (Shift_JIS)", "", "\r\n", false, "cp932"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto code = [&c](const char* utf8) { return c.utf8 ? std::string(utf8) : S(utf8); };
        // Shift_JIS holds no accented letters: there the refused names are a bad address
        // and a DM flag, with CP932's own 髙 and half-width kana that must come back as they were.
        const std::vector<std::string> lines = {
            code("メール,氏名,DM"),
            code(c.utf8 ? "jose@example.com,José García,Y" : "jose@example,髙橋 ﾎｾ,Y"),
            code("anna@example.com,山田 花子,Y"),
            code(c.utf8 ? "muller@example.com,Müller Hans,N" : "muller@example.com,ﾐｭﾗｰ,X"),
        };
        std::string file = c.head;
        for (const std::string& line : lines) file += line + c.eol;
        const std::string path = WriteFile("names.csv", file);
        const std::string log = TempPath("errors.csv");
        std::remove(log.c_str());

        CImportConfSheet w;
        Start(w, path);
        w.next();
        rectest::Pump();
        Assign(w, 0, "メール");
        Assign(w, 1, "氏名");
        Assign(w, 15, "DM");
        w.next();
        rectest::Pump();
        prompts_.clear();
        prompts_.Answer(platform::kIdYes);  // start
        prompts_.Answer(platform::kIdYes);  // save the error file
        files_.Answer(QString::fromStdString(log));
        EXPECT_EQ(Finish(w), 1);
        EXPECT_EQ(CountMail("anna@example.com"), 1);

        const QString told = prompts_.texts()[1];
        EXPECT_TRUE(told.contains(ui::U8("1行目: メール,氏名,DM\r\n"))) << told.toStdString();
        if (c.utf8) {
            EXPECT_TRUE(told.contains(ui::U8("2行目: jose@example.com,José García,Y\r\n"
                                             "　→ Shift_JISにない文字「é」(U+00E9)「í」(U+00ED)が含まれている\r\n")))
                << told.toStdString();
            EXPECT_TRUE(told.contains(ui::U8("4行目: muller@example.com,Müller Hans,N\r\n"
                                             "　→ Shift_JISにない文字「ü」(U+00FC)が含まれている\r\n")))
                << told.toStdString();
        } else {
            EXPECT_TRUE(told.contains(ui::U8("2行目: jose@example,髙橋 ﾎｾ,Y\r\n"
                                             "　→ [メールアドレス](1列目)に不正なメールアドレスが設定されている\r\n")))
                << told.toStdString();
            EXPECT_TRUE(told.contains(ui::U8("4行目: muller@example.com,ﾐｭﾗｰ,X\r\n"
                                             "　→ [DM送付可否](3列目)に「Y」か「N」でない値が設定されている\r\n")))
                << told.toStdString();
        }
        EXPECT_FALSE(told.contains(QStringLiteral("anna@")));

        std::ifstream in(log, std::ios::binary);
        const std::string saved((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(saved, c.head + lines[0] + c.eol + lines[1] + c.eol + lines[3] + c.eol);
        // An independent reader finds the same rows, the names whole.
        const QJsonArray rows = PythonCsvRows(log, c.utf8 && !c.head.empty() ? "utf-8-sig" : c.encoding);
        ASSERT_EQ(rows.size(), 3);
        const QString name = rows[1].toArray()[1].toString();
        EXPECT_EQ(name, ui::U8(c.utf8 ? "José García" : "髙橋 ﾎｾ"));
        EXPECT_EQ(rows[2].toArray()[1].toString(), ui::U8(c.utf8 ? "Müller Hans" : "ﾐｭﾗｰ"));
    }
}

TEST_F(ImportWizard, AFailedRunIsToldTwiceAndPutsTheBookBack) {
    AddPerson(1, "old@example.com");
    const auto before = AllRows();
    settings::SetCsvImportEngineForTesting([](CAddressImport& importer, const settings::CsvImportRequest& r,
                                              const std::vector<int>& map, std::atomic<int>* count,
                                              ImportRejections& rejected) {
        importer.ImportDBfromFile(r.path, r.separators, r.quote, map, 1, count, rejected, r.duplicatePolicy);
        importer.GetErrMsg().SetErr(10009);
        return -42;
    });
    CImportConfSheet w;
    ToConfirmation(w, WriteFile("people.csv", S(kFixture)));
    prompts_.clear();
    EXPECT_EQ(Finish(w), -1);
    const QStringList captions = prompts_.captions();
    ASSERT_EQ(captions.size(), 3);
    EXPECT_EQ(captions[1], ui::U8("インポート失敗"));
    EXPECT_EQ(prompts_.texts()[1], ui::U8("インポート中に異常が発生しました\r\nインポートができませんでした"));
    EXPECT_EQ(captions[2], ui::U8("インポートエラー"));
    EXPECT_TRUE(prompts_.texts()[2].endsWith(ui::U8("\r\nインポートが中断されました")));
    EXPECT_GT(prompts_.texts()[2].size(), ui::U8("\r\nインポートが中断されました").size());
    EXPECT_EQ(AllRows(), before);
}

TEST_F(ImportWizard, TheStopButtonEndsTheRunAndPutsTheBookBack) {
    const auto before = AllRows();
    settings::SetCsvImportEngineForTesting([this](CAddressImport&, const settings::CsvImportRequest&,
                                                  const std::vector<int>&, std::atomic<int>* count,
                                                  ImportRejections&) {
        // A long import: one record stored, then records until the stop flag comes.
        XCStringArrayEx row;
        row.SetSize(kCustomerElementCount);
        row.SetAt(kElemCustomerID, "500");
        row.SetAt(kElemEmail, "partial@example.com");
        Book().AddLine(row);
        count->store(1);
        for (int i = 0; i < 2000 && Book().GetStopImportFlag() != 1; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return 1;
    });
    CImportConfSheet w;
    ToConfirmation(w, WriteFile("people.csv", S(kFixture)));
    prompts_.clear();
    w.button(QWizard::FinishButton)->click();
    ASSERT_TRUE(WaitUntil([&w] { return w.IsRunning() && w.Progress().imported.load() == 1; }, 5000));
    QWidget* wait = w.findChild<QWidget*>(ui::DialogName(177));
    ASSERT_NE(wait, nullptr);
    ASSERT_TRUE(WaitUntil([wait] { return wait->isVisible(); }));
    prompts_.Answer(platform::kIdYes);
    rectest::Control<QPushButton>(wait, settings::ImportWaitDlg::kIdcStop)->click();
    ASSERT_TRUE(WaitUntil([&w] { return !w.isVisible(); }, 15000));
    EXPECT_EQ(w.result(), -1);
    EXPECT_TRUE(prompts_.captions().contains(ui::U8("インポート中止の確認")));
    EXPECT_EQ(prompts_.captions().back(), ui::U8("インポート 中断"));
    EXPECT_EQ(AllRows(), before);
}

TEST_F(ImportWizard, ARuleSavedOnTheLastPageLoadsOnTheAssignmentPage) {
    const std::string rule = TempPath("people.tpl");
    CImportConfSheet w;
    ToConfirmation(w, WriteFile("people.csv", S(kFixture)));
    prompts_.clear();
    files_.Answer(std::nullopt);
    Click(w.Page03(), CImportConfPage03::kIdcSaveRule);
    files_.Answer(QString::fromStdString(rule));
    Click(w.Page03(), CImportConfPage03::kIdcSaveRule);
    EXPECT_EQ(prompts_.captions(), (QStringList{ui::U8("割り当てルールの保存の中止"), ui::U8("割り当てルールの保存")}));
    ASSERT_FALSE(files_.picks().empty());
    EXPECT_TRUE(files_.picks().back().request.save);
    EXPECT_TRUE(files_.picks().back().request.overwritePrompt);
    EXPECT_EQ(files_.picks().back().request.defaultExt, QStringLiteral("tpl"));

    // A split option touched on page 2 clears the assignment; the rule brings it back.
    w.back();
    w.back();
    rectest::Pump();
    auto* tab = rectest::Control<QCheckBox>(w.Page01(), CImportConfPage01::kIdcTab);
    tab->setChecked(true);
    tab->setChecked(false);
    w.next();
    rectest::Pump();
    ASSERT_EQ(w.currentId(), 2);
    EXPECT_EQ(w.Mapping().SourceOf(0), -1);
    prompts_.clear();
    prompts_.Answer(platform::kIdNo);
    files_.Answer(QString::fromStdString(rule));
    Click(w.Page02(), CImportConfPage02::kIdcLoadRule);  // declined: nothing changes
    EXPECT_EQ(w.Mapping().SourceOf(0), -1);
    files_.Answer(QString::fromStdString(rule));
    Click(w.Page02(), CImportConfPage02::kIdcLoadRule);
    EXPECT_EQ(prompts_.captions(), (QStringList{ui::U8("割り当てルールの読み込み確認"), ui::U8("割り当てルールの読み込み確認"),
                                                ui::U8("割り当てルールの読み込み")}));
    EXPECT_EQ(w.Mapping().SourceOf(0), 0);
    EXPECT_EQ(w.Mapping().SourceOf(15), 3);
    EXPECT_EQ(Cell(List(w.Page02(), CImportConfPage02::kIdcTargets), 2, 1), ui::U8("名"));
    EXPECT_EQ(List(w.Page02(), CImportConfPage02::kIdcPool)->rowCount(), 0);

    // Attribute names changed in the settings since: the rule does not fit, one message.
    ASSERT_EQ(Options().SetSODataToMemoryPinPoint(14, S("スポーツ")), 0);
    w.back();
    rectest::Pump();
    tab->setChecked(true);
    tab->setChecked(false);
    w.next();
    rectest::Pump();
    prompts_.clear();
    files_.Answer(QString::fromStdString(rule));
    Click(w.Page02(), CImportConfPage02::kIdcLoadRule);
    EXPECT_EQ(prompts_.captions().back(), ui::U8("割り当てルールの読み込み中止"));
    EXPECT_EQ(prompts_.prompts().back().style & 0xF0, platform::kMbIconInformation);
    EXPECT_EQ(w.Mapping().SourceOf(0), -1);
}

TEST_F(ImportWizard, CancelAsksAndEndsWithTwo) {
    CImportConfSheet w;
    Start(w, WriteFile("people.csv", S(kFixture)));
    prompts_.clear();
    prompts_.Answer(platform::kIdNo);
    w.button(QWizard::CancelButton)->click();
    rectest::Pump();
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(prompts_.captions(), QStringList{ui::U8("インポートキャンセルの確認")});
    prompts_.Answer(platform::kIdYes);
    w.button(QWizard::CancelButton)->click();
    EXPECT_TRUE(WaitUntil([&w] { return !w.isVisible(); }));
    EXPECT_EQ(w.result(), platform::kIdCancel);
    EXPECT_EQ(Book().GetLineNumber(), 0);
}

}  // namespace import_wizard_test
}  // namespace
