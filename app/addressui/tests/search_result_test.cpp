// The search result: the list model over record IDs (cells, sorting, removal) and the
// dialog's commands (summary, edit, delete, export) on the record screens' environment.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <fstream>
#include <functional>
#include <sstream>

#include "app/addressui/db_edit_sheet.h"
#include "app/addressui/export_choice_hooks.h"
#include "app/addressui/record_control_ids.h"
#include "app/addressui/search_result_cells.h"
#include "app/addressui/search_result_dlg.h"
#include "app/addressui/search_result_model.h"
#include "app/addressui/tests/record_test_env.h"
#include "platform/notifier.h"
#include "app/ui/testing/prompt_recorder.h"
#include "app/ui/testing/type_text.h"
#include "core/addressbook/extract_matchers.h"
#include "core/foundation/ini_manager.h"

namespace {
namespace search_result_test {

using namespace rectest;
using addressui::CSearchResultDlg;
using addressui::SearchResultModel;

OneExtractCondition PrefectureSearch() {
    OneExtractCondition c;
    c.element = kElemPrefecture;
    c.kind = "E";
    c.values = {S("東京都"), S("大阪府")};
    return c;
}

// Installs export answers for the life of a test.
class ExportAnswers {
public:
    explicit ExportAnswers(int headerRow) {
        addressui::ExportChoiceHooks hooks;
        hooks.chooseHeaderRow = [this, headerRow](QWidget*) {
            ++asked;
            return headerRow;
        };
        previous_ = addressui::SetExportChoices(std::move(hooks));
    }
    ~ExportAnswers() { addressui::SetExportChoices(std::move(previous_)); }
    int asked = 0;

private:
    addressui::ExportChoiceHooks previous_;
};

// Runs `act` on the modal window that shows next (polled, since it opens inside a click).
void WhenModalShows(std::function<void(QWidget*)> act) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act = std::move(act)] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr) return;
        timer->stop();
        timer->deleteLater();
        act(modal);
    });
    timer->start();
}

class SearchResultTest : public RecordEnvTest {
protected:
    void SetUp() override {
        RecordEnvTest::SetUp();
        AddRow(10, {{kElemEmail, "ten@example.jp"}, {kElemKanjiSei, S("山田")}, {kElemZipCode1, "123"},
                    {kElemZipCode2, "4567"}, {kElemBirthday, "1970/01/02 00:00:00"}, {kElemPrefecture, S("東京都")},
                    {kElemPhone1, "03"}, {kElemPhone2, "1234-5678"}});
        AddRow(2, {{kElemEmail, "two@example.jp"}, {kElemKanjiSei, S("ｱｵｷ")}, {kElemZipCode1, "123"},
                   {kElemBirthday, S("昭和45年")}, {kElemPrefecture, S("大阪府")}});
        AddRow(33, {{kElemEmail, "x@example.jp"}, {kElemKanjiSei, "Abe"}, {kElemPrefecture, S("東京都")}});
        AddRow(4, {{kElemEmail, "four@example.jp"}, {kElemKanjiSei, S("山田")}, {kElemPrefecture, S("東京都")}});
        hits_ = {10, 2, 33, 4};
        condition_ = PrefectureSearch();
        // The prefecture column is switched off: the result shows it all the same.
        ASSERT_NE(CIniManager::WriteProfileStringA(service_->EnvIniPath(), "COLUMNVIEW", "11", "N"), 0);
        ASSERT_NE(CIniManager::WriteProfileStringA(service_->EnvIniPath(), "COLUMNVIEW", "8", "Y"), 0);
        ASSERT_NE(CIniManager::WriteProfileStringA(service_->EnvIniPath(), "COLUMNVIEW", "9", "Y"), 0);
        ASSERT_NE(CIniManager::WriteProfileStringA(service_->EnvIniPath(), "COLUMNVIEW", "15", "Y"), 0);
    }

    static int Column(const SearchResultModel& m, int element) {
        for (int c = 0; c < m.columnCount(); ++c)
            if (m.Columns()[static_cast<std::size_t>(c)].element == element) return c;
        return -1;
    }
    static std::vector<int> Ids(const SearchResultModel& m) { return m.Ids(); }
    static void Select(CSearchResultDlg& d, std::initializer_list<int> rows) {
        d.List()->clearSelection();
        for (int r : rows)
            d.List()->selectionModel()->select(d.Model()->index(r, 0),
                                               QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    static QPushButton* Button(CSearchResultDlg& d, int id) { return Control<QPushButton>(&d, id); }
    static QString Text(CSearchResultDlg& d, int id) { return Control<QLabel>(&d, id)->text(); }

    std::vector<int> hits_;
    OneExtractCondition condition_;
    ui::test::FilePickerRecorder files_;
};

TEST_F(SearchResultTest, CellsShowJoinedPartsAndDatesWithoutTime) {
    SearchResultModel model(&Book());
    std::vector<addressui::ListColumn> columns = {{0, "", 75}, {8, "", 85}, {9, "", 80}, {15, "", 230}};
    model.SetColumns(columns);
    model.SetIds({10, 2, 999});
    EXPECT_EQ(model.CellText(0, 0), "10");
    EXPECT_EQ(model.CellText(0, 1), "1970/01/02");
    EXPECT_EQ(model.CellText(0, 2), "123-4567");
    EXPECT_EQ(model.CellText(0, 3), "03-1234-5678");
    EXPECT_EQ(model.CellText(1, 1), S("昭和45年"));
    EXPECT_EQ(model.CellText(1, 2), "123");
    EXPECT_EQ(model.CellText(2, 0), "999");  // a record no longer in the book shows its ID only
    EXPECT_EQ(model.CellText(2, 2), "");
    EXPECT_EQ(model.data(model.index(0, 2)).toString(), QString("123-4567"));
}

TEST_F(SearchResultTest, SortsIdsAsNumbersAndTextsInCharacterOrderKeepingTheSelection) {
    SearchResultModel model(&Book());
    model.SetColumns({{0, "", 75}, {2, "", 60}});
    model.SetIds({10, 2, 33, 4});
    QItemSelectionModel selection(&model);
    selection.select(model.index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);  // ID 33

    model.sort(0, Qt::AscendingOrder);
    EXPECT_EQ(Ids(model), (std::vector<int>{2, 4, 10, 33}));
    model.sort(0, Qt::DescendingOrder);
    EXPECT_EQ(Ids(model), (std::vector<int>{33, 10, 4, 2}));
    // Text: ASCII, then half-width kana, then two-byte characters (as the multibyte
    // comparison orders them, not as their bytes would); equal names keep their order.
    model.sort(1, Qt::AscendingOrder);
    EXPECT_EQ(Ids(model), (std::vector<int>{33, 2, 10, 4}));
    model.sort(1, Qt::DescendingOrder);
    EXPECT_EQ(Ids(model), (std::vector<int>{10, 4, 2, 33}));
    const QModelIndexList selected = selection.selectedRows();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(model.IdAt(selected.front().row()), 33);

    model.sort(-1, Qt::AscendingOrder);  // no column: nothing moves
    EXPECT_EQ(Ids(model), (std::vector<int>{10, 4, 2, 33}));
}

TEST_F(SearchResultTest, SortKeysOrderAsTheMultibyteComparison) {
    const std::string texts[] = {"", "a", "ab", "b", "\xB1", "\xB1\x61", S("ア"), S("アイ"), S("亜"), "\x83", "Z"};
    for (const std::string& a : texts) {
        for (const std::string& b : texts) {
            std::string ka, kb;
            addressui::AppendSjisSortKey(a, ka);
            addressui::AppendSjisSortKey(b, kb);
            const int bytes = ka.compare(kb);
            const int chars = CompareSjisChars(a, b, false);
            EXPECT_EQ(bytes < 0, chars < 0) << a << " / " << b;
            EXPECT_EQ(bytes == 0, chars == 0) << a << " / " << b;
        }
    }
}

TEST_F(SearchResultTest, RemovingScatteredRowsKeepsTheOthersInOrder) {
    SearchResultModel model(nullptr);
    model.SetColumns({{0, "", 75}});
    std::vector<int> ids(1000);
    for (int i = 0; i < 1000; ++i) ids[static_cast<std::size_t>(i)] = i;
    model.SetIds(ids);
    std::vector<int> gone;
    for (int i = 0; i < 1000; i += 3) gone.push_back(i);  // many runs: one reset
    model.RemoveRowsAt(gone);
    ASSERT_EQ(model.rowCount(), 666);
    EXPECT_EQ(model.IdAt(0), 1);
    EXPECT_EQ(model.IdAt(1), 2);
    EXPECT_EQ(model.IdAt(2), 4);
    model.RemoveRowsAt({0, 1, 665});  // few runs: removed one by one
    EXPECT_EQ(model.rowCount(), 663);
    EXPECT_EQ(model.IdAt(0), 4);
}

TEST_F(SearchResultTest, SummaryTextsDescribeTheCondition) {
    const std::string name = S("都道府県");
    OneExtractCondition c = PrefectureSearch();
    EXPECT_EQ(CSearchResultDlg::FieldSummary(c, name), ui::U8("検索項目 ： 都道府県"));
    EXPECT_EQ(CSearchResultDlg::ConditionSummary(c, name), ui::U8("検索条件 ： 東京都,大阪府 を含む"));
    c.equalFlag = "N";
    EXPECT_EQ(CSearchResultDlg::ConditionSummary(c, name), ui::U8("検索条件 ： 東京都,大阪府 を含まない"));
    c.equalFlag = "?";
    EXPECT_EQ(CSearchResultDlg::ConditionSummary(c, name), QString());
    c.kind = "R";
    c.lower = "10";
    c.upper = S("二十");
    EXPECT_EQ(CSearchResultDlg::ConditionSummary(c, name), ui::U8("検索条件 ： \"10\" から \"二十\" の間 である"));
    c.rangeFlag = "N";
    EXPECT_EQ(CSearchResultDlg::ConditionSummary(c, name), ui::U8("検索条件 ： \"10\" から \"二十\" の間 でない"));
    c.element = -1;
    EXPECT_EQ(CSearchResultDlg::FieldSummary(c, ""), ui::U8("検索項目 ： すべて"));
    EXPECT_EQ(CSearchResultDlg::ConditionSummary(c, ""), ui::U8("検索条件 ： －"));
}

TEST_F(SearchResultTest, OpensWithTheSearchedFieldTheSummaryAndTheButtonsByTheSelection) {
    CSearchResultDlg dialog(&hits_, &condition_);
    dialog.show();
    EXPECT_GE(Column(*dialog.Model(), kElemPrefecture), 0);
    EXPECT_EQ(Text(dialog, CSearchResultDlg::kIdcHitCount), ui::U8("検索ヒット件数：4件"));
    EXPECT_EQ(Text(dialog, CSearchResultDlg::kIdcField), ui::U8("検索項目 ： 都道府県"));
    EXPECT_EQ(Text(dialog, CSearchResultDlg::kIdcCondition), ui::U8("検索条件 ： 東京都,大阪府 を含む"));
    EXPECT_FALSE(Button(dialog, CSearchResultDlg::kIdcEdit)->isEnabled());
    EXPECT_FALSE(Button(dialog, CSearchResultDlg::kIdcDelete)->isEnabled());
    EXPECT_TRUE(Button(dialog, CSearchResultDlg::kIdcExport)->isEnabled());
    Select(dialog, {1});
    EXPECT_TRUE(Button(dialog, CSearchResultDlg::kIdcEdit)->isEnabled());
    EXPECT_TRUE(Button(dialog, CSearchResultDlg::kIdcDelete)->isEnabled());
    Select(dialog, {1, 3});
    EXPECT_FALSE(Button(dialog, CSearchResultDlg::kIdcEdit)->isEnabled());
    EXPECT_TRUE(Button(dialog, CSearchResultDlg::kIdcDelete)->isEnabled());
    // Ctrl+A selects every row.
    QTest::keyClick(dialog.List(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(dialog.List()->selectionModel()->selectedRows().size(), 4);
    // A click on the ID header sorts by ID, one way or the other.
    QHeaderView* header = dialog.List()->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionPosition(0) + 5, header->height() / 2));
    EXPECT_TRUE(dialog.Model()->Ids() == (std::vector<int>{2, 4, 10, 33}) ||
                dialog.Model()->Ids() == (std::vector<int>{33, 10, 4, 2}));
}

TEST_F(SearchResultTest, EditRefreshesTheRowAndMarksTheListChanged) {
    CSearchResultDlg dialog(&hits_, &condition_);
    dialog.show();
    Select(dialog, {0});
    bool edited = false;
    WhenModalShows([&](QWidget* modal) {
        auto* sheet = qobject_cast<addressui::CDBEditSheet*>(modal);
        ASSERT_NE(sheet, nullptr);
        EXPECT_EQ(sheet->windowTitle(), ui::U8("個人情報－編集"));
        auto* surname = ui::FindControl<QLineEdit>(sheet, addressui::ids::kSurname);
        surname->selectAll();
        surname->del();
        ui::test::TypeText(surname, "Yamada");
        edited = true;
        sheet->accept();
    });
    Button(dialog, CSearchResultDlg::kIdcEdit)->click();
    ASSERT_TRUE(edited);
    EXPECT_TRUE(dialog.IsChanged());
    EXPECT_EQ(dialog.Model()->CellText(0, Column(*dialog.Model(), kElemKanjiSei)), "Yamada");
}

TEST_F(SearchResultTest, DeleteRemovesDeletedRecordsAndKeepsOnesThatCouldNotBe) {
    hits_.push_back(999);  // not in the book: its deletion fails
    CSearchResultDlg dialog(&hits_, &condition_);
    dialog.show();

    Select(dialog, {0});
    prompts_.Answer(platform::kIdNo);
    Button(dialog, CSearchResultDlg::kIdcDelete)->click();
    EXPECT_EQ(prompts_.texts().back(), ui::U8("個人情報ID 10 を削除します。よろしいですか？"));
    EXPECT_EQ(prompts_.prompts().back().style, platform::kMbYesNo | platform::kMbIconQuestion | ui::kMbDefButton2);
    EXPECT_EQ(dialog.Model()->rowCount(), 5);
    EXPECT_FALSE(dialog.IsChanged());

    prompts_.clear();
    Select(dialog, {1, 4});  // IDs 2 and 999
    Button(dialog, CSearchResultDlg::kIdcDelete)->click();  // unqueued: Yes
    ASSERT_TRUE(ui::test::WaitUntil([&] { return !dialog.IsBusy(); }));
    EXPECT_EQ(prompts_.texts(), (QStringList{ui::U8("選択した個人情報をすべて削除します。よろしいですか？"),
                                            ui::U8("何らかの原因で個人情報の削除ができませんでした")}));
    EXPECT_EQ(prompts_.captions().back(), ui::U8("個人情報削除失敗"));
    EXPECT_EQ(dialog.Model()->Ids(), (std::vector<int>{10, 33, 4, 999}));
    EXPECT_EQ(hits_, (std::vector<int>{10, 33, 4, 999}));
    EXPECT_EQ(Row(2)[kElemDeleteFlag], "Y");
    EXPECT_TRUE(dialog.IsChanged());
    EXPECT_EQ(Text(dialog, CSearchResultDlg::kIdcHitCount), ui::U8("検索ヒット件数：4件"));

    // Deleting what is left (999 stays) and then 999's row alone leaves the export enabled
    // while a row is there.
    dialog.List()->selectAll();
    Button(dialog, CSearchResultDlg::kIdcDelete)->click();
    ASSERT_TRUE(ui::test::WaitUntil([&] { return !dialog.IsBusy(); }));
    EXPECT_EQ(hits_, (std::vector<int>{999}));
    EXPECT_TRUE(Button(dialog, CSearchResultDlg::kIdcExport)->isEnabled());
}

TEST_F(SearchResultTest, DeletingEveryRowDisablesTheExport) {
    CSearchResultDlg dialog(&hits_, &condition_);
    dialog.show();
    dialog.List()->selectAll();
    Button(dialog, CSearchResultDlg::kIdcDelete)->click();
    ASSERT_TRUE(ui::test::WaitUntil([&] { return !dialog.IsBusy(); }));
    EXPECT_TRUE(hits_.empty());
    EXPECT_EQ(dialog.Model()->rowCount(), 0);
    EXPECT_FALSE(Button(dialog, CSearchResultDlg::kIdcExport)->isEnabled());
    EXPECT_EQ(Text(dialog, CSearchResultDlg::kIdcHitCount), ui::U8("検索ヒット件数：0件"));
}

TEST_F(SearchResultTest, ExportWritesWhatTheListShowsInItsOrder) {
    ExportAnswers answers(1);
    CSearchResultDlg dialog(&hits_, &condition_);
    dialog.show();
    dialog.Model()->sort(0, Qt::AscendingOrder);
    const std::string path = dir_.path().toStdString() + "/result";
    files_.Answer(QString::fromStdString(path));
    Button(dialog, CSearchResultDlg::kIdcExport)->click();
    ASSERT_TRUE(ui::test::WaitUntil([&] { return !dialog.IsBusy(); }));
    ASSERT_EQ(files_.picks().size(), 1u);
    const ui::FileRequest& request = files_.picks().front().request;
    EXPECT_TRUE(request.save);
    EXPECT_TRUE(request.overwritePrompt);
    EXPECT_EQ(request.defaultExt, "csv");
    EXPECT_EQ(request.fileName, "*.csv");
    EXPECT_EQ(request.filter, ui::U8("ｴｸｽﾎﾟｰﾄﾌｧｲﾙ(*.csv)|*.csv|ｴｸｽﾎﾟｰﾄﾌｧｲﾙ(*.txt)|*.txt|全て(*.*)|*.*||"));
    EXPECT_EQ(prompts_.texts(), QStringList{ui::U8("エクスポートが完了しました")});
    EXPECT_EQ(prompts_.captions(), QStringList{ui::U8("エクスポート完了")});
    // Columns: ID, address, surname, given name, company, birth date, postal code,
    // prefecture (the searched field), phone, DM flag, renewal date.
    const std::string expected = S(
        "\"個人ID\",\"メールアドレス\",\"名前(姓)\",\"名前(名)\",\"会社名\",\"生年月日\",\"郵便番号\",\"都道府県\","
        "\"電話番号\",\"DM送付可否\",\"更新日時\"\r\n"
        "\"2\",\"two@example.jp\",\"ｱｵｷ\",\"\",\"\",\"昭和45年\",\"123\",\"大阪府\",\"\",\"Y\",\"2021/02/03 04:05:06\"\r\n"
        "\"4\",\"four@example.jp\",\"山田\",\"\",\"\",\"\",\"\",\"東京都\",\"\",\"Y\",\"2021/02/03 04:05:06\"\r\n"
        "\"10\",\"ten@example.jp\",\"山田\",\"\",\"\",\"1970/01/02\",\"123-4567\",\"東京都\",\"03-1234-5678\",\"Y\","
        "\"2021/02/03 04:05:06\"\r\n"
        "\"33\",\"x@example.jp\",\"Abe\",\"\",\"\",\"\",\"\",\"東京都\",\"\",\"Y\",\"2021/02/03 04:05:06\"\r\n");
    EXPECT_EQ(ReadBytes(path + ".csv"), expected);
}

TEST_F(SearchResultTest, CancelledExportWritesNothingAndAFailureIsReported) {
    const std::string path = dir_.path().toStdString() + "/result.csv";
    CSearchResultDlg dialog(&hits_, &condition_);
    dialog.show();
    {
        ExportAnswers cancelled(-1);
        Button(dialog, CSearchResultDlg::kIdcExport)->click();
        EXPECT_EQ(cancelled.asked, 1);
        EXPECT_TRUE(files_.picks().empty());
    }
    ExportAnswers noNames(0);
    files_.Answer(std::nullopt);
    Button(dialog, CSearchResultDlg::kIdcExport)->click();
    EXPECT_EQ(prompts_.texts().back(), ui::U8("ファイル名が指定されませんでしたので\r\nエクスポートをキャンセルしました"));
    EXPECT_EQ(prompts_.captions().back(), ui::U8("エクスポート中止"));
    EXPECT_EQ(prompts_.prompts().back().style, platform::kMbOk | platform::kMbIconInformation);

    files_.Answer(QString::fromStdString(dir_.path().toStdString() + "/missing folder/result.csv"));
    Button(dialog, CSearchResultDlg::kIdcExport)->click();
    ASSERT_TRUE(ui::test::WaitUntil([&] { return !dialog.IsBusy(); }));
    EXPECT_EQ(prompts_.texts().back(), ui::U8("何らかの原因でエクスポートに失敗しました"));
    EXPECT_EQ(prompts_.captions().back(), ui::U8("エクスポート失敗"));

    files_.Answer(QString::fromStdString(path));
    Button(dialog, CSearchResultDlg::kIdcExport)->click();
    ASSERT_TRUE(ui::test::WaitUntil([&] { return !dialog.IsBusy(); }));
    const std::string written = ReadBytes(path);
    EXPECT_EQ(written.substr(0, 5), "\"10\",");  // no item-name row
}

TEST_F(SearchResultTest, WindowRectangleIsKeptAndPulledOntoTheScreen) {
    const std::string ini = service_->EnvIniPath();
    auto put = [&ini](const char* key, int v) { CIniManager::WriteProfileInt(ini, "DBSRCHRSLTDLGINFO", key, v); };
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QSize natural;
    {
        CSearchResultDlg probe(&hits_, &condition_);
        probe.show();
        natural = probe.size();
    }
    const int w = natural.width() + 10, h = natural.height() + 10;
    ASSERT_LE(w + 40, screen.width());
    ASSERT_LE(h + 50, screen.height());
    put("LEFT", screen.left() + 20);
    put("TOP", screen.top() + 30);
    put("RIGHT", screen.left() + 20 + w);
    put("BOTTOM", screen.top() + 30 + h);
    {
        CSearchResultDlg dialog(&hits_, &condition_);
        dialog.show();
        EXPECT_EQ(dialog.geometry(), QRect(screen.left() + 20, screen.top() + 30, w, h));
        dialog.setGeometry(screen.left() + 40, screen.top() + 50, w - 5, h - 5);
        dialog.hide();
    }
    EXPECT_EQ(static_cast<int>(CIniManager::GetProfileIntA(ini, "DBSRCHRSLTDLGINFO", "RIGHT", 0)),
              screen.left() + 40 + w - 5);
    // Far off every screen: brought back onto one.
    put("LEFT", 50000);
    put("TOP", 50000);
    put("RIGHT", 50000 + w);
    put("BOTTOM", 50000 + h);
    {
        CSearchResultDlg dialog(&hits_, &condition_);
        dialog.show();
        EXPECT_TRUE(screen.contains(dialog.geometry())) << dialog.geometry().x() << "," << dialog.geometry().y();
    }
    // A zero anywhere: not applied.
    put("LEFT", 0);
    put("TOP", 30);
    put("RIGHT", 20 + w + 20);
    put("BOTTOM", 30 + h + 20);
    CSearchResultDlg dialog(&hits_, &condition_);
    dialog.show();
    EXPECT_EQ(dialog.size(), natural);
}

}  // namespace search_result_test
}  // namespace
