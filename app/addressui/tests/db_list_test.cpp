// The personal-information list: its page arithmetic and sort array without a window, and
// the dialog over 1,200 people: pages, sorting by column clicks, delete, new and edit,
// the keys, the context menu, the wizard mode, import, export and closing.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include <fstream>
#include <sstream>

#include "app/addressui/db_edit_sheet.h"
#include "app/addressui/db_list_import_hook.h"
#include "app/addressui/export_choice_hooks.h"
#include "app/addressui/personal_list_sort_array.h"
#include "app/addressui/record_control_ids.h"
#include "app/addressui/tests/personal_list_test_env.h"
#include "core/addressbook/extract_list_viewer.h"
#include "core/foundation/ini_manager.h"

namespace {
namespace db_list_test {

using addressui::CDBListDlg;
using namespace pltest;

QString Text(const QWidget* root, int id) { return rectest::Control<QLabel>(root, id)->text(); }
bool Enabled(const QWidget* root, int id) { return rectest::Control<QWidget>(root, id)->isEnabled(); }

// ---- Without a window -----------------------------------------------------------------------

TEST(PersonalListPages, ArithmeticOfTheCommands) {
    struct Case {
        const char* what;
        int got;
        int want;
    };
    const Case cases[] = {
        {"previous from page 2", addressui::PreviousPageFirst(500), 0},
        {"previous from page 1 stays", addressui::PreviousPageFirst(0), 0},
        {"next within 1200", addressui::NextPageFirst(500, 1200), 1000},
        {"next from the last page stays", addressui::NextPageFirst(1000, 1200), 1000},
        {"next with exactly 1000 stays on page 2", addressui::NextPageFirst(500, 1000), 500},
        {"page 99 of 1200 is the last", addressui::GoToPageFirst(99, 1200), 1000},
        {"page 0 counts as 1", addressui::GoToPageFirst(0, 1200), 0},
        {"page 2 of 1000", addressui::GoToPageFirst(2, 1000), 500},
        {"page 3 of exactly 1000 is page 2", addressui::GoToPageFirst(3, 1000), 500},
        {"an empty book stays on page 1", addressui::GoToPageFirst(5, 0), 0},
        {"a six-digit page does not overflow", addressui::GoToPageFirst(999999, 1200), 1000},
        {"page number of 500", addressui::PageNumber(500), 2},
        {"pages of 1000", addressui::PageCount(500, 1000), 2},
        {"pages of 1001", addressui::PageCount(0, 1001), 3},
        {"an empty book has page 1", addressui::PageCount(0, 0), 1},
        {"never fewer pages than the current one", addressui::PageCount(1500, 1200), 4},
    };
    for (const Case& c : cases) EXPECT_EQ(c.got, c.want) << c.what;
}

TEST_F(PersonalListTest, SortArrayHoldsLiveRecordsSortedByTheirField) {
    ASSERT_EQ(Book().DeleteCustomer(3), 0);
    addressui::PersonalSortArray byId = addressui::PersonalSortArray::Fetch(Book(), kElemCustomerID);
    EXPECT_EQ(byId.Size(), kPeople - 1);
    byId.Sort(true);
    EXPECT_EQ(std::vector<int>(byId.Ids().begin(), byId.Ids().begin() + 4), (std::vector<int>{1, 2, 4, 5}));
    byId.Sort(false);
    EXPECT_EQ(byId.IdAt(0), kPeople);

    addressui::PersonalSortArray byText = addressui::PersonalSortArray::Fetch(Book(), kElemCompany);
    byText.Sort(true);
    EXPECT_EQ(std::vector<int>(byText.Ids().begin(), byText.Ids().begin() + 4), (std::vector<int>{1, 10, 100, 1000}));
    // An edited key moves the entry at the next sort only.
    byText.SetKey(0, "9999");
    EXPECT_EQ(byText.IdAt(0), 1);
    byText.Sort(true);
    EXPECT_EQ(byText.IdAt(byText.Size() - 1), 1);

    // Equal keys keep their order (the book's), whichever the direction.
    addressui::PersonalSortArray byName = addressui::PersonalSortArray::Fetch(Book(), kElemKanjiMei);
    const std::vector<int> stored = byName.Ids();
    byName.Sort(false);
    EXPECT_EQ(byName.Ids(), stored);

    EXPECT_EQ(addressui::PersonalSortArray::Fetch(Book(), 56).Element(), -1);
}

TEST_F(PersonalListTest, CellsCutTheBirthDatesTimeAndTheDatesToSeconds) {
    AddRow(5000, {{kElemEmail, "x@example.jp"},
                  {kElemBirthday, "1970/01/02 00:00:00"},
                  {kElemEntryDate, "2020/01/02 03:04:05.123"}});
    AddRow(5001, {{kElemEmail, "y@example.jp"}, {kElemBirthday, S("昭和45年 春")}});
    EXPECT_EQ(addressui::PersonalListCellText(Book(), 5000, kElemBirthday), "1970/01/02");
    EXPECT_EQ(addressui::PersonalListCellText(Book(), 5000, kElemEntryDate), "2020/01/02 03:04:05");
    EXPECT_EQ(addressui::PersonalListCellText(Book(), 5001, kElemBirthday), S("昭和45年 春"));
    EXPECT_EQ(addressui::PersonalListCellText(Book(), 5001, kElemCustomerID), "5001");
    EXPECT_EQ(addressui::PersonalListCellText(Book(), 7777, kElemEmail), "");
}

// ---- The dialog -------------------------------------------------------------------------------

TEST_F(PersonalListTest, PagesThroughTwelveHundredPeople) {
    CDBListDlg dialog(nullptr, nullptr);
    Open(dialog);
    EXPECT_EQ(dialog.Model()->rowCount(), 500);
    EXPECT_EQ(FirstIds(dialog, 3), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(Text(&dialog, CDBListDlg::kIdcPage), ui::U8("ページ：1／3ページを表示"));
    EXPECT_EQ(Text(&dialog, CDBListDlg::kIdcCount), ui::U8("個人情報： 1200件"));
    EXPECT_FALSE(Enabled(&dialog, CDBListDlg::kIdcPrevPage));

    ui::test::ClickControl(&dialog, CDBListDlg::kIdcNextPage);
    EXPECT_EQ(dialog.Model()->IdAt(0), 501);
    EXPECT_EQ(dialog.Model()->IdAt(499), 1000);
    EXPECT_EQ(Text(&dialog, CDBListDlg::kIdcPage), ui::U8("ページ：2／3ページを表示"));
    EXPECT_TRUE(Enabled(&dialog, CDBListDlg::kIdcPrevPage));
    EXPECT_TRUE(Enabled(&dialog, CDBListDlg::kIdcNextPage));

    // "99" and Enter in the page box: the last page, entries 1000-1199.
    auto* page = rectest::Control<QLineEdit>(&dialog, CDBListDlg::kIdcPageNumber);
    page->setFocus();
    QTest::keyClicks(page, "99");
    QTest::keyClick(page, Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible()) << "Enter never closes the list";
    EXPECT_EQ(dialog.Model()->rowCount(), 200);
    EXPECT_EQ(dialog.Model()->IdAt(199), 1200);
    EXPECT_EQ(Text(&dialog, CDBListDlg::kIdcPage), ui::U8("ページ：3／3ページを表示"));
    EXPECT_FALSE(Enabled(&dialog, CDBListDlg::kIdcNextPage));
    EXPECT_TRUE(page->text().isEmpty());

    // An empty box is page 1; a text that is not digits is refused and changes nothing.
    ui::test::ClickControl(&dialog, CDBListDlg::kIdcGoToPage);
    EXPECT_EQ(dialog.Model()->First(), 0);
    page->setText(ui::U8("２"));
    ui::test::ClickControl(&dialog, CDBListDlg::kIdcGoToPage);
    EXPECT_EQ(dialog.Model()->First(), 0);
    ASSERT_EQ(prompts_.prompts().size(), 1u);
    EXPECT_EQ(prompts_.texts().front(), ui::U8("個人情報IDは、半角正数値で入力してください\r\nページ指定をキャンセルします"));
    EXPECT_EQ(prompts_.captions().front(), ui::U8("半角正数値を入力してください"));
}

TEST_F(PersonalListTest, HeaderClicksSortByTheColumnAndTheSameColumnTwiceReverses) {
    CDBListDlg dialog(nullptr, nullptr);
    Open(dialog);
    QHeaderView* header = dialog.List()->horizontalHeader();
    auto click = [&](int column) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
        WaitLoaded(dialog);
    };
    // The ID column is sorted ascending already: a click reverses it.
    click(0);
    EXPECT_EQ(FirstIds(dialog, 2), (std::vector<int>{1200, 1199}));
    EXPECT_EQ(header->sortIndicatorSection(), 0);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);

    // Another column sorts ascending, by text: "10" before "2".
    const int company = Column(dialog, kElemCompany);
    ASSERT_GT(company, 0);
    click(company);
    EXPECT_EQ(FirstIds(dialog, 4), (std::vector<int>{1, 10, 100, 1000}));
    EXPECT_EQ(header->sortIndicatorSection(), company);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
    click(company);
    EXPECT_EQ(FirstIds(dialog, 3), (std::vector<int>{999, 998, 997}));
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);

    // The state outlives the dialog: the next opening sorts the same way.
    dialog.CloseWithOk();
    CDBListDlg again(nullptr, nullptr);
    Open(again);
    EXPECT_EQ(FirstIds(again, 1), (std::vector<int>{999}));
    EXPECT_EQ(again.List()->horizontalHeader()->sortIndicatorSection(), company);
    CDBListDlg::ResetSortState();
    CDBListDlg fresh(nullptr, nullptr);
    Open(fresh);
    EXPECT_EQ(FirstIds(fresh, 1), (std::vector<int>{1}));
}

TEST_F(PersonalListTest, AfterADeleteTheRowsStaySortedAsTheMarkerSays) {
    CDBListDlg dialog(nullptr, nullptr);
    Open(dialog);
    const int company = Column(dialog, kElemCompany);
    dialog.SortByColumn(company);
    WaitLoaded(dialog);
    ASSERT_EQ(FirstIds(dialog, 3), (std::vector<int>{1, 10, 100}));

    Select(dialog, {1, 2});
    prompts_.Answer(platform::kIdYes);
    dialog.List()->setFocus();
    QTest::keyClick(dialog.List(), Qt::Key_Delete);
    WaitLoaded(dialog);
    EXPECT_EQ(prompts_.texts().front(), ui::U8("選択した個人情報をすべて削除します。よろしいですか？"));
    EXPECT_EQ(prompts_.prompts().front().style,
              platform::kMbYesNo | platform::kMbIconQuestion | ui::kMbDefButton2);
    EXPECT_EQ(FirstIds(dialog, 3), (std::vector<int>{1, 1000, 1001}));
    EXPECT_EQ(dialog.List()->horizontalHeader()->sortIndicatorSection(), company);
    EXPECT_EQ(Text(&dialog, CDBListDlg::kIdcCount), ui::U8("個人情報： 1198件"));
    EXPECT_TRUE(dialog.IsChanged());

    // Declining still reloads, in the same order; one row asks by its ID.
    prompts_.clear();
    Select(dialog, {0});
    prompts_.Answer(platform::kIdNo);
    ui::test::ClickControl(&dialog, CDBListDlg::kIdcDelete);
    WaitLoaded(dialog);
    EXPECT_EQ(prompts_.texts().front(), ui::U8("個人情報ID 1 を削除します。よろしいですか？"));
    EXPECT_EQ(FirstIds(dialog, 2), (std::vector<int>{1, 1000}));
}

TEST_F(PersonalListTest, ANewRecordShowsAtTheTopAndAnEditChangesItsRowInPlace) {
    CDBListDlg dialog(nullptr, nullptr);
    Open(dialog);
    WhenModalShows([](QWidget* modal) {
        auto* sheet = qobject_cast<addressui::CDBEditSheet*>(modal);
        ASSERT_NE(sheet, nullptr);
        EXPECT_EQ(sheet->windowTitle(), ui::U8("個人情報－新規追加"));
        ui::test::TypeText(ui::FindControl<QLineEdit>(sheet, addressui::ids::kMailAddress), "new@example.jp");
        sheet->accept();
    });
    ui::test::ClickControl(&dialog, CDBListDlg::kIdcNew);
    WaitLoaded(dialog);
    const int newId = dialog.Model()->IdAt(0);
    EXPECT_GT(newId, kPeople);
    EXPECT_EQ(dialog.Model()->CellText(0, Column(dialog, kElemEmail)), "new@example.jp");
    EXPECT_EQ(CDBListDlg::SortState().requestedField, kElemRenewalDate);
    EXPECT_FALSE(CDBListDlg::SortState().ascending);

    // Enter on the list edits the selected record; the row changes where it stands.
    Select(dialog, {5});
    const int editedId = dialog.Model()->IdAt(5);
    WhenModalShows([](QWidget* modal) {
        auto* sheet = qobject_cast<addressui::CDBEditSheet*>(modal);
        ASSERT_NE(sheet, nullptr);
        EXPECT_EQ(sheet->windowTitle(), ui::U8("個人情報－編集"));
        auto* surname = ui::FindControl<QLineEdit>(sheet, addressui::ids::kSurname);
        surname->selectAll();
        surname->del();
        ui::test::TypeText(surname, "Yamada");
        sheet->accept();
    });
    dialog.List()->setFocus();
    QTest::keyClick(dialog.List(), Qt::Key_Return);
    EXPECT_EQ(dialog.Model()->IdAt(5), editedId);
    EXPECT_EQ(dialog.Model()->CellText(5, Column(dialog, kElemKanjiSei)), "Yamada");

    // Two rows cannot be edited at once.
    Select(dialog, {1, 2});
    EXPECT_FALSE(Enabled(&dialog, CDBListDlg::kIdcEdit));
    dialog.EditRecord();
    EXPECT_EQ(prompts_.captions().back(), ui::U8("複数編集はできません"));
}

TEST_F(PersonalListTest, ContextMenuOffersANewListOnlyFromTheAddressBook) {
    CDBListDlg fromMainWindow(nullptr, nullptr);
    Open(fromMainWindow);
    Select(fromMainWindow, {0});
    QMenu* menu = fromMainWindow.ContextMenu();
    EXPECT_FALSE(menu->findChild<QAction*>(ui::ControlName(CDBListDlg::kIdcNewDestination))->isEnabled());
    EXPECT_TRUE(menu->findChild<QAction*>(ui::ControlName(CDBListDlg::kIdcEdit))->isEnabled());
    Select(fromMainWindow, {0, 1});
    menu = fromMainWindow.ContextMenu();
    EXPECT_FALSE(menu->findChild<QAction*>(ui::ControlName(CDBListDlg::kIdcEdit))->isEnabled());
    EXPECT_TRUE(menu->findChild<QAction*>(ui::ControlName(CDBListDlg::kIdcDelete))->isEnabled());
    fromMainWindow.CloseWithOk();

    ExtractListViewer lists;
    lists.SetEnvManager(Env(), 1);
    CDBListDlg fromAddressBook(&lists, nullptr);
    Open(fromAddressBook);
    Select(fromAddressBook, {0});
    EXPECT_TRUE(fromAddressBook.ContextMenu()
                    ->findChild<QAction*>(ui::ControlName(CDBListDlg::kIdcNewDestination))
                    ->isEnabled());
    fromAddressBook.CloseWithOk();

    CDBListDlg wizard(&lists, nullptr);
    wizard.SetWizardMode(true);
    Open(wizard);
    Select(wizard, {0});
    EXPECT_FALSE(
        wizard.ContextMenu()->findChild<QAction*>(ui::ControlName(CDBListDlg::kIdcNewDestination))->isEnabled());
}

TEST_F(PersonalListTest, WizardModeNamesItselfLocksTheToolsAndGuides) {
    CDBListDlg dialog(nullptr, nullptr);
    dialog.SetWizardMode(true);
    Open(dialog);
    ASSERT_TRUE(ui::test::WaitUntil([&] { return !prompts_.prompts().empty(); }));
    EXPECT_EQ(dialog.windowTitle(), ui::U8("個人情報一覧 － ウィザードモード"));
    EXPECT_EQ(prompts_.captions().front(), dialog.windowTitle());
    EXPECT_TRUE(prompts_.texts().front().startsWith(ui::U8("(左下の)[新規]ボタン")));
    for (int id : {CDBListDlg::kIdcColumns, CDBListDlg::kIdcPageNumber, CDBListDlg::kIdcGoToPage,
                   CDBListDlg::kIdcSearch, CDBListDlg::kIdcImport, CDBListDlg::kIdcExport})
        EXPECT_FALSE(Enabled(&dialog, id)) << id;
    EXPECT_TRUE(Enabled(&dialog, CDBListDlg::kIdcNew));
}

TEST_F(PersonalListTest, ImportRefusedDuringARunAndReloadsByIdAfterwards) {
    int imported = 0;
    const addressui::AddressImportHook previous = addressui::SetAddressImportHook([&](QWidget*) {
        ++imported;
        AddRow(9000, {{kElemEmail, "imported@example.jp"}});
        return 1;
    });
    CDBListDlg dialog(nullptr, nullptr);
    Open(dialog);
    dialog.SortByColumn(Column(dialog, kElemCompany));
    WaitLoaded(dialog);
    {
        FakeRun run;
        ui::test::ClickControl(&dialog, CDBListDlg::kIdcImport);
    }
    EXPECT_EQ(imported, 0);
    EXPECT_EQ(prompts_.captions().back(), ui::U8("インポート準備に失敗"));
    ui::test::ClickControl(&dialog, CDBListDlg::kIdcImport);
    WaitLoaded(dialog);
    EXPECT_EQ(imported, 1);
    EXPECT_TRUE(dialog.IsChanged());
    EXPECT_EQ(FirstIds(dialog, 2), (std::vector<int>{1, 2}));
    EXPECT_EQ(dialog.List()->horizontalHeader()->sortIndicatorSection(), 0);
    EXPECT_EQ(Text(&dialog, CDBListDlg::kIdcCount), ui::U8("個人情報： 1201件"));
    addressui::SetAddressImportHook(previous);
}

TEST_F(PersonalListTest, ExportAsksByRecordKindAndWritesOnAWorker) {
    addressui::ExportChoiceHooks hooks;
    hooks.chooseFormat = [](QWidget*) { return 1; };
    hooks.chooseMethod = [](QWidget*, int) {
        addressui::ExportMethodChoice c;
        c.accepted = true;
        c.recordKind = 0;
        return c;
    };
    const addressui::ExportChoiceHooks previous = addressui::SetExportChoices(hooks);
    ui::test::FilePickerRecorder picker;
    const std::string path = dir_.path().toStdString() + "/list";
    picker.Answer(QString::fromStdString(path));
    CDBListDlg dialog(nullptr, nullptr);
    Open(dialog);
    ui::test::ClickControl(&dialog, CDBListDlg::kIdcExport);
    WaitLoaded(dialog);
    ASSERT_EQ(prompts_.prompts().size(), 2u);
    EXPECT_EQ(prompts_.texts()[0],
              ui::U8("削除済みを除く個人情報を決められた形式のファイルにエクスポートします。\r\nよろしいですか？"));
    EXPECT_EQ(prompts_.captions()[1], ui::U8("エクスポート完了"));
    ASSERT_EQ(picker.picks().size(), 1u);
    EXPECT_EQ(picker.picks()[0].request.filter,
              ui::U8("ｴｸｽﾎﾟｰﾄﾌｧｲﾙ(*.csv)|*.csv|ｴｸｽﾎﾟｰﾄﾌｧｲﾙ(*.txt)|*.txt|全て(*.*)|*.*||"));
    std::ifstream in(path + ".csv", std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    EXPECT_NE(s.str().find("\"p1200@example.jp\""), std::string::npos);

    // No file chosen: told, nothing written.
    prompts_.clear();
    ui::test::ClickControl(&dialog, CDBListDlg::kIdcExport);
    EXPECT_EQ(prompts_.captions().back(), ui::U8("エクスポート中止"));
    addressui::SetExportChoices(previous);
}

TEST_F(PersonalListTest, EscapeAsksBeforeClosingAndClosingKeepsWidthsAndRectangle) {
    CDBListDlg dialog(nullptr, nullptr);
    Open(dialog);
    dialog.List()->setColumnWidth(Column(dialog, kElemEmail), 321);
    dialog.move(40, 50);
    bool asked = false;
    ui::test::WhenDialogShows("dlg937", [&](QDialog* confirm) {
        asked = true;
        EXPECT_EQ(confirm->windowTitle(), ui::U8("確認"));
        confirm->reject();
    });
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_TRUE(asked);
    EXPECT_TRUE(dialog.isVisible());

    ui::test::WhenDialogShows("dlg937", [](QDialog* confirm) { ui::test::ClickControl(confirm, 1); });
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    const std::string ini = service_->EnvIniPath();
    EXPECT_EQ(CIniManager::GetProfileIntA(ini, "COLUMNWIDTH", "1", 0), 321u);
    EXPECT_NE(CIniManager::GetProfileIntA(ini, "DBDLGINFO", "RIGHT", 0), 0u);
}

TEST_F(PersonalListTest, ColumnWidthsSurvivePagesAndSorts) {
    CDBListDlg dialog(nullptr, nullptr);
    Open(dialog);
    const int mail = Column(dialog, kElemEmail);
    dialog.List()->setColumnWidth(mail, 333);
    dialog.NextPage();
    EXPECT_EQ(dialog.List()->columnWidth(mail), 333);
    dialog.SortByColumn(mail);
    WaitLoaded(dialog);
    EXPECT_EQ(dialog.List()->columnWidth(mail), 333);
}

}  // namespace db_list_test
}  // namespace
