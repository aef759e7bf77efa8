// The extraction wizard: the run on its result page (the union of the groups, the order of
// the result, the refusals, cancelling, a condition that cannot be applied), paging, and
// saving a new or an existing destination list.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "app/addressui/extract_condition_page.h"
#include "app/addressui/extract_result_page.h"
#include "app/addressui/extract_run.h"
#include "app/addressui/extract_wizard.h"
#include "app/addressui/name_dlgs.h"
#include "app/addressui/recipient_page_list.h"
#include "app/addressui/tests/extraction_test_env.h"
#include "app/dialogs/extract_progress_dlg.h"
#include "core/foundation/date_utils.h"

namespace {
namespace extract_wizard_test {

using namespace extest;
using addressui::CExtractPageResult;
using addressui::CExtractSheet;
using rectest::Control;

class WizardTest : public ExtractionEnvTest {
protected:
    std::unique_ptr<CExtractSheet> Open(int id, const std::vector<Placed>& placed = {}) {
        auto sheet = std::make_unique<CExtractSheet>(&Lists(), 1, id, ui::U8("抽出条件設定"));
        Fill(sheet->GetExtractAction(), placed);
        sheet->show();
        rectest::Pump();
        return sheet;
    }
    // Runs the extraction from the sheet's button; the run question is answered `answer`.
    void Run(CExtractSheet& sheet, int answer = platform::kIdYes) {
        prompts_.Answer(answer);
        Control<QPushButton>(&sheet, CExtractSheet::kIdcRunExtraction)->click();
        ASSERT_TRUE(ui::test::WaitUntil([&] { return !sheet.ResultPage()->IsRunning(); }));
        rectest::Pump();
    }
    static std::vector<int> ShownIds(CExtractSheet& sheet) {
        std::vector<int> ids;
        const auto* model = sheet.ResultPage()->Model();
        for (int r = 0; r < model->rowCount(); ++r) ids.push_back(model->IdAt(r));
        return ids;
    }
    static QString Status(CExtractSheet& sheet) { return sheet.ResultPage()->GetStatusText(); }
};

// Conditions narrow within a group, the groups are united; one group keeps the book's
// order, two or more give ID order; customers refusing advertising mail and deleted
// records never come in.
TEST_F(WizardTest, TheRunUnitesTheGroups) {
    const OneExtractCondition tokyo = Values(kElemPrefecture, {S("東京都")});
    struct Case {
        const char* name;
        std::vector<Placed> placed;
        std::vector<int> expected;
    };
    const Case cases[] = {
        {"no condition at all", {}, {7, 2, 5, 1, 8, 6}},
        {"group A only", {{0, 0, tokyo}}, {5, 1, 8}},
        {"group B only keeps the book's order", {{1, 3, tokyo}}, {5, 1, 8}},
        {"narrowing within a group", {{0, 0, tokyo}, {0, 1, Range(kNumberB, "40", "90")}}, {5, 8}},
        {"an unset condition between two", {{0, 0, tokyo}, {0, 4, Range(kNumberB, "40", "90")}}, {5, 8}},
        {"not containing", {{2, 0, Values(kElemPrefecture, {S("東京都")}, "N")}}, {7, 2, 6}},
        {"A and C in ID order without repeats", {{0, 0, tokyo}, {2, 0, Range(kNumberB, "50", "70")}}, {1, 5, 6, 7, 8}},
        {"A, B and C", {{0, 0, Values(kElemEmail, {"EXAMPLE.JP"})}, {1, 0, Values(kElemKanjiSei, {S("鈴木")})},
                        {2, 0, Range(kNumberB, "", "20")}}, {1, 2, 7}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        resultLines_.clear();
        auto sheet = Open(-1, c.placed);
        ASSERT_TRUE(sheet->IsChanged()) << "a new list must run before it saves";
        Run(*sheet);
        EXPECT_EQ(sheet->GetExtractResultDetail().IDs(), c.expected);
        EXPECT_EQ(ShownIds(*sheet), c.expected);
        EXPECT_FALSE(sheet->IsChanged());
        EXPECT_EQ(Status(*sheet), ui::U8("抽出件数は%1件").arg(c.expected.size()));
        EXPECT_EQ(resultLines_, (QStringList{ui::U8("抽出が完了しました"), ui::U8("抽出件数は%1件でした").arg(c.expected.size()),
                                             ui::U8("OKボタンをクリックすると結果の一覧が表示されます")}));
        EXPECT_EQ(sheet->GetActiveIndex(), 3) << "the sheet's button shows the result page";
        EXPECT_TRUE(sheet->isEnabled());
    }
}

// A condition that cannot be applied stops the run with the engine's error: the earlier
// result stays (on the page and for saving), and nobody is added by a failed filter.
TEST_F(WizardTest, AConditionThatCannotBeAppliedKeepsTheEarlierResult) {
    const int list = AddList("東京の会員", {{0, 0, Values(kElemPrefecture, {S("東京都")})}}, {5, 1, 8});
    struct Case {
        const char* name;
        std::function<void(ExtractAction&)> spoil;
    };
    const Case cases[] = {
        {"an element the book does not have",
         [](ExtractAction& a) { ASSERT_EQ(a.CorrectString(1, {"60", "E", "x", "Y", "", "", "Y"}), 1); }},
        {"a kind other than E or R",
         [](ExtractAction& a) { ASSERT_EQ(a.CorrectString(5, {"11", "X", "", "Y", "", "", "Y"}), 1); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        prompts_.clear();
        auto sheet = Open(list);
        ASSERT_FALSE(sheet->IsChanged());
        c.spoil(sheet->GetExtractAction());
        Run(*sheet);
        ASSERT_EQ(prompts_.captions().size(), 2);
        EXPECT_EQ(prompts_.captions()[1], ui::U8("抽出実行エラー"));
        EXPECT_TRUE(prompts_.texts()[1].contains(ui::U8("抽出結果は変更していません")));
        EXPECT_EQ(sheet->GetExtractResultDetail().IDs(), (std::vector<int>{5, 1, 8}));
        EXPECT_EQ(ShownIds(*sheet), (std::vector<int>{5, 1, 8}));
        EXPECT_EQ(Status(*sheet), ui::U8("抽出件数：3件"));
        EXPECT_FALSE(sheet->IsChanged()) << "the stored result still matches the stored conditions";
        EXPECT_TRUE(resultLines_.isEmpty());
        EXPECT_TRUE(sheet->isEnabled());
    }
    EXPECT_EQ(StoredIds(1, list), (std::vector<int>{5, 1, 8}));
}

TEST_F(WizardTest, AnsweringNoChangesNothing) {
    const int list = AddList("東京の会員", {{0, 0, Values(kElemPrefecture, {S("東京都")})}}, {5, 1, 8});
    auto sheet = Open(list, {{0, 0, Values(kElemPrefecture, {S("大阪府")})}});
    sheet->SetChanged(false);
    sheet->SetActivePage(3);
    rectest::Pump();
    ASSERT_EQ(ShownIds(*sheet), (std::vector<int>{5, 1, 8}));
    Run(*sheet, platform::kIdNo);
    EXPECT_EQ(prompts_.captions(), (QStringList{ui::U8("抽出実行の確認"), ui::U8("抽出のキャンセル")}));
    EXPECT_EQ(sheet->GetExtractResultDetail().IDs(), (std::vector<int>{5, 1, 8}));
    EXPECT_EQ(ShownIds(*sheet), (std::vector<int>{5, 1, 8}));
}

// Cancelling: the run stops at its next checkpoint, says so, and the sheet refuses to save
// until a complete run.
TEST_F(WizardTest, ACancelledRunCannotBeSaved) {
    const int list = AddList("東京の会員", {{0, 0, Values(kElemPrefecture, {S("東京都")})}}, {5, 1, 8});
    auto sheet = Open(list);
    CExtractPageResult* page = sheet->ResultPage();
    prompts_.Answer(platform::kIdYes);  // run
    prompts_.Answer(platform::kIdYes);  // cancel
    Control<QPushButton>(sheet.get(), CExtractSheet::kIdcRunExtraction)->click();
    // Before the worker's outcome is handled, the user cancels in the progress window.
    ASSERT_TRUE(page->ProgressWindow()->isVisible());
    EXPECT_FALSE(sheet->isEnabled());
    ui::test::ClickControl(page->ProgressWindow(), shell::CExtractProgressDlg::kIdcCancel);
    EXPECT_EQ(page->GetRunState(), addressui::kExtractRunCancelled);
    ASSERT_TRUE(ui::test::WaitUntil([&] { return !page->IsRunning(); }));
    EXPECT_EQ(prompts_.captions(), (QStringList{ui::U8("抽出実行の確認"), ui::U8("抽出中止の確認"), ui::U8("抽出中止")}));
    EXPECT_TRUE(sheet->IsChanged());
    EXPECT_EQ(Status(*sheet), ui::U8("抽出を行ってください"));
    EXPECT_FALSE(page->ProgressWindow()->isVisible());
    EXPECT_TRUE(sheet->isEnabled());
    EXPECT_FALSE(Control<QPushButton>(sheet.get(), CExtractPageResult::kIdcNextPage)->isEnabled());

    prompts_.clear();
    sheet->SetActivePage(0);
    sheet->accept();
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(prompts_.captions(), QStringList{ui::U8("再抽出をしてください")});
    EXPECT_EQ(sheet->GetActiveIndex(), 3);
}

// The run's checkpoints: a cancel at group B ends the run there and gives the list back as
// it was; a pause holds the run until it is resumed.
TEST_F(WizardTest, TheCheckpointsStopAndHoldTheRun) {
    auto sheet = Open(-1, {{0, 0, Values(kElemPrefecture, {S("東京都")})}, {1, 0, Values(kElemKanjiSei, {S("鈴木")})}});
    ExtractResultDetail& result = sheet->GetExtractResultDetail();
    ASSERT_EQ(result.SetDBIDFromCListInt({7, 2}, 1, 0), 0);
    int calls = 0;
    // Checkpoints: before A, after A's condition, before B (the third).
    auto outcome = addressui::RunExtractionKeepingResult(sheet->GetExtractAction(), result, [&] { return ++calls < 3; });
    EXPECT_EQ(outcome.code, 1);
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(result.IDs(), (std::vector<int>{7, 2}));

    addressui::ExtractRunControl control;
    control.Set(addressui::kExtractRunPaused);
    std::thread resume([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
        control.Set(addressui::kExtractRunning);
    });
    const auto started = std::chrono::steady_clock::now();
    outcome = addressui::RunExtractionKeepingResult(sheet->GetExtractAction(), result, [&] { return control.Checkpoint(); });
    resume.join();
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(200));
    EXPECT_TRUE(outcome.Done());
    EXPECT_EQ(result.IDs(), (std::vector<int>{1, 2, 5, 8}));
}

TEST_F(WizardTest, PagesHoldAThousandRecipients) {
    std::vector<int> members;
    {
        CDatabaseEdit::ChangeGroup group(Book());  // one commit for them all
        for (int id = 100; id < 1101; ++id) {
            AddRow(id, {{kElemEmail, "p" + std::to_string(id) + "@example.jp"}, {kElemPrefecture, S("北海道")}});
            members.push_back(id);
        }
    }
    const OneExtractCondition hokkaido = Values(kElemPrefecture, {S("北海道")});
    auto sheet = Open(-1, {{0, 0, hokkaido}});
    Run(*sheet);
    auto* next = Control<QPushButton>(sheet.get(), CExtractPageResult::kIdcNextPage);
    auto* prev = Control<QPushButton>(sheet.get(), CExtractPageResult::kIdcPrevPage);
    EXPECT_EQ(sheet->ResultPage()->Model()->rowCount(), 1000);
    EXPECT_TRUE(next->isEnabled());
    EXPECT_FALSE(prev->isEnabled());
    next->click();
    EXPECT_EQ(ShownIds(*sheet), std::vector<int>{1100});
    EXPECT_FALSE(next->isEnabled());
    EXPECT_TRUE(prev->isEnabled());
    prev->click();
    EXPECT_EQ(sheet->ResultPage()->Model()->IdAt(0), 100);

    // Exactly 1000: no second page.
    ASSERT_EQ(Book().DeleteCustomer(1100), 0);
    auto exact = Open(-1, {{0, 0, hokkaido}});
    Run(*exact);
    EXPECT_EQ(exact->ResultPage()->GetResultCount(), 1000);
    EXPECT_FALSE(Control<QPushButton>(exact.get(), CExtractPageResult::kIdcNextPage)->isEnabled());
}

// A new list: the name, then its files, then its entry; its last update is when its run
// started.
TEST_F(WizardTest, SavingANewList) {
    auto sheet = Open(-1, {{0, 0, Values(kElemPrefecture, {S("東京都")})}});
    sheet->accept();
    EXPECT_EQ(prompts_.captions(), QStringList{ui::U8("再抽出をしてください")});
    EXPECT_EQ(sheet->GetActiveIndex(), 3);

    const std::string before = GetNowDateTime();
    Run(*sheet);
    ui::test::WhenDialogShows(ui::DialogName(addressui::CDestNameDlg::kIdd), [](QDialog* d) {
        ui::test::TypeText(d->findChild<QLineEdit*>(ui::ControlName(addressui::CDestNameDlg::kIdcName)), "東京の会員");
        d->accept();
    });
    sheet->accept();
    ASSERT_EQ(sheet->result(), QDialog::Accepted);
    const int id = sheet->GetListID();
    ASSERT_GE(id, 0);
    std::string name, updated;
    EXPECT_EQ(Lists().GetExtractName(id, name), 0);
    EXPECT_EQ(name, S("東京の会員"));
    EXPECT_EQ(Lists().GetExtractLaseUpdate(id, updated), 0);
    EXPECT_GE(updated, before);
    EXPECT_LE(updated, GetNowDateTime());
    EXPECT_EQ(StoredIds(1, id), (std::vector<int>{5, 1, 8}));
    ExtractAction stored;
    stored.SetEnvManager(Env());
    stored.SetDatabaseEdit(&Book());
    stored.SetTypeAndID(EC_TYPE_EXTRACT, id);
    ASSERT_EQ(stored.GetExtractConditionFromFileToMemory(0, nullptr), 0);
    OneExtractCondition c;
    ASSERT_EQ(stored.GetExtractConditionFromMemoryToStruct(c, 0, 0), 0);
    EXPECT_EQ(c, Values(kElemPrefecture, {S("東京都")}));
}

// A file that cannot be written leaves no entry behind, and the sheet open to try again.
TEST_F(WizardTest, ANewListWhoseFilesCannotBeWrittenIsNotEntered) {
    const int drawn = Lists().GetNewExtractID();  // the sheet will draw the next one
    const std::string blocker = env_layout::ExtractResultFile(*Env(), drawn + 1);
    ASSERT_TRUE(QDir().mkpath(ui::FromPath(blocker)));
    auto sheet = Open(-1, {{0, 0, Values(kElemPrefecture, {S("東京都")})}});
    Run(*sheet);
    prompts_.clear();
    ui::test::WhenDialogShows(ui::DialogName(addressui::CDestNameDlg::kIdd), [](QDialog* d) {
        ui::test::TypeText(d->findChild<QLineEdit*>(ui::ControlName(addressui::CDestNameDlg::kIdcName)), "東京");
        d->accept();
    });
    sheet->accept();
    EXPECT_NE(sheet->result(), QDialog::Accepted);
    EXPECT_EQ(prompts_.captions(), QStringList{ui::U8("宛先の新規作成に失敗しました")});
    EXPECT_EQ(Lists().CountExtractList(), 0);
    EXPECT_EQ(sheet->GetExtractAction().GetID(), -1);
}

// An existing list renamed without a new run keeps the last update that says how old its
// result is; after a run its files and last update are the new ones.
TEST_F(WizardTest, SavingAnExistingList) {
    const int list = AddList("東京の会員", {{0, 0, Values(kElemPrefecture, {S("東京都")})}}, {5, 1, 8});
    {
        auto sheet = Open(list);
        ui::test::WhenDialogShows(ui::DialogName(addressui::CDestNameDlg::kIdd), [](QDialog* d) {
            auto* edit = d->findChild<QLineEdit*>(ui::ControlName(addressui::CDestNameDlg::kIdcName));
            EXPECT_EQ(edit->text(), ui::U8("東京の会員"));
            edit->setText(ui::U8("都内の会員"));
            d->accept();
        });
        sheet->accept();
        ASSERT_EQ(sheet->result(), QDialog::Accepted);
        EXPECT_EQ(StoredLastUpdate(list), "2024/01/02 03:04:05");
        std::string name;
        ExtractListViewer fresh;
        fresh.SetEnvManager(Env(), 1);
        fresh.GetExtractName(list, name);
        EXPECT_EQ(name, S("都内の会員"));
    }
    auto sheet = Open(list, {{0, 0, Values(kElemPrefecture, {S("大阪府")})}});
    sheet->SetChanged(true);
    Run(*sheet);
    // The name question cancelled: the result and conditions are stored all the same.
    ui::test::WhenDialogShows(ui::DialogName(addressui::CDestNameDlg::kIdd), [](QDialog* d) { d->reject(); });
    sheet->accept();
    EXPECT_NE(sheet->result(), QDialog::Accepted);
    EXPECT_EQ(StoredIds(1, list), std::vector<int>{2});
    EXPECT_EQ(StoredLastUpdate(list), "2024/01/02 03:04:05");
    ui::test::WhenDialogShows(ui::DialogName(addressui::CDestNameDlg::kIdd), [](QDialog* d) { d->accept(); });
    sheet->accept();
    EXPECT_EQ(sheet->result(), QDialog::Accepted);
    EXPECT_GT(StoredLastUpdate(list), "2024/01/02 03:04:05");
}

TEST_F(WizardTest, ConditionsThatCannotBeReadAreNotShownAsEmptyGroups) {
    const int list = AddList("東京の会員", {{0, 0, Values(kElemPrefecture, {S("東京都")})}}, {5, 1, 8});
    QFile file(ui::FromPath(env_layout::ExtractConditionFile(*Env(), list)));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("\"1\",\"2\"\r\n");
    file.close();
    CExtractSheet sheet(&Lists(), 1, list, ui::U8("抽出条件設定"));
    EXPECT_EQ(sheet.DoModal(), platform::kIdCancel);
    ASSERT_EQ(prompts_.captions(), QStringList{ui::U8("エラー")});
    EXPECT_TRUE(prompts_.texts()[0].startsWith(ui::U8("抽出条件の読み込みに失敗しました")));
}

TEST_F(WizardTest, WizardModeGuidesTheUser) {
    auto sheet = std::make_unique<CExtractSheet>(&Lists(), 1, -1, ui::U8("抽出条件設定"));
    sheet->SetWizardMode(true);
    Fill(sheet->GetExtractAction(), {{0, 0, Values(kElemPrefecture, {S("東京都")})}});
    ui::test::WhenDialogShows(QStringLiteral("CExtractSheet"), [&](QDialog* d) {
        ui::test::WaitUntil([&] { return !prompts_.prompts().empty(); }, 2000);
        prompts_.Answer(platform::kIdYes);
        ui::FindControl<QPushButton>(d, CExtractSheet::kIdcRunExtraction)->click();
        ui::test::WaitUntil([&] { return !sheet->ResultPage()->IsRunning(); });
        d->reject();
    });
    EXPECT_EQ(sheet->DoModal(), platform::kIdCancel);
    EXPECT_EQ(sheet->windowTitle(), ui::U8("抽出条件設定 － ウィザードモード"));
    ASSERT_EQ(prompts_.captions().size(), 3);
    EXPECT_EQ(prompts_.texts()[0],
              ui::U8("[グループＡ～Ｃ]タブで抽出条件を設定して、\r\n[抽出を実行する]ボタンをクリックしてください。"));
    EXPECT_EQ(prompts_.captions()[0], sheet->windowTitle());
    EXPECT_EQ(prompts_.texts()[2], ui::U8("[OK]ボタンをクリックします。\r\n宛先の名称を入力し、[決定]ボタンをクリックしてください。"));
}

}  // namespace extract_wizard_test
}  // namespace
