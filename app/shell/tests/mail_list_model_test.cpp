// The mail list's rows: which mails each mode shows and counts, the cells of both
// layouts, the sort and how it carries across layouts, the column widths, the list
// requests of other screens and the coalesced updates of a send run.
#include <gtest/gtest.h>

#include <QSignalSpy>

#include <atomic>
#include <thread>

#include "app/shell/mail_list_columns.h"
#include "app/shell/tests/mail_list_fixture.h"
#include "app/ui/testing/type_text.h"
#include "core/foundation/ini_manager.h"

namespace {
namespace mail_list_model_test {

using mltest::MailListTest;
using shell::MailListController;
using namespace shell::mail_list;

QString Cell(const shell::MailListModel& model, int row, int column) {
    return model.data(model.index(row, column)).toString();
}

QStringList Headers(const shell::MailListModel& model) {
    QStringList out;
    for (int c = 0; c < model.columnCount(); ++c) out << model.headerData(c, Qt::Horizontal).toString();
    return out;
}

TEST_F(MailListTest, EachModeShowsItsMailsAndTheCaptionsCountThem) {
    struct Case {
        int mode;
        std::vector<int> ids;
        const char* caption;
    };
    const Case cases[] = {
        {kModeAll, {1, 2, 3, 4, 5, 6, 7, 9}, "すべて: 8通"},
        {kModeDraft, {1}, "下書き: 1通"},
        {kModeWaiting, {2, 3, 4, 5, 9}, "送信待ち: 5通"},
        {kModeSent, {6, 7}, "送信済み: 2通"},
        {kModeReport, {1, 2, 3, 4, 5, 6, 7, 9}, "レポート: 8通"},
    };
    MailListController c;
    QStringList captions;
    QObject::connect(&c, &MailListController::CaptionsChanged,
                     [&](const QString&, int count) { captions << MailListController::MailCountText(c.Mode(), count); });
    for (const Case& k : cases) {
        c.SwitchMode(k.mode);
        EXPECT_EQ(Ids(*c.Model()), k.ids) << k.mode;
        ASSERT_FALSE(captions.isEmpty());
        EXPECT_EQ(captions.last(), QString::fromUtf8(k.caption));
        EXPECT_EQ(c.ModeName(), ModeName(k.mode));
    }
    // The mode that is shown already is not read again.
    captions.clear();
    c.SwitchMode(kModeReport);
    EXPECT_TRUE(captions.isEmpty());
}

TEST_F(MailListTest, TheTwoLayoutsShowTheirColumnsWithTheMailRecordTexts) {
    MailListController c;
    c.SwitchMode(kModeAll);
    const shell::MailListModel& m = *c.Model();
    EXPECT_EQ(Headers(m), QString::fromUtf8("メールID|件名|宛先|種類|状態|送信予約日時|作成日時|更新日時").split('|'));
    const int row = m.RowOfMail(7);
    const QStringList mailRow = {"7", "Mail magazine vol.12", "newsletter", QString::fromUtf8("HTML(携帯)"),
                                 QString::fromUtf8("エラー"), "2024/06/01 10:00:00", "2024/04/08 09:30:00",
                                 "2024/05/21 18:00:00"};
    for (int col = 0; col < 8; ++col) EXPECT_EQ(Cell(m, row, col), mailRow[col]) << col;

    c.SwitchMode(kModeReport);
    EXPECT_EQ(Headers(m), QString::fromUtf8("メールID|件名|状態|送信予約日時|全送信数|エラー数|開封数|開封率").split('|'));
    const int sent = m.RowOfMail(6);
    const QStringList reportRow = {"6", QString::fromUtf8("年末年始の営業について"), QString::fromUtf8("送信済み"),
                                   "2024/06/01 10:00:00", "10", "1", "3", "30.0 %"};
    for (int col = 0; col < 8; ++col) EXPECT_EQ(Cell(m, sent, col), reportRow[col]) << col;
    // Counts are right-aligned, texts left.
    EXPECT_TRUE(m.data(m.index(sent, 4), Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight);
    EXPECT_TRUE(m.data(m.index(sent, 1), Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignLeft);
}

TEST_F(MailListTest, AColumnSortsAscendingAtTheFirstClickThenTurnsOver) {
    MailListController c;
    c.SwitchMode(kModeAll);
    // The list starts sorted by mail ID ascending, so a click on that column turns it over.
    c.ColumnClicked(0);
    EXPECT_EQ(Ids(*c.Model()), (std::vector<int>{9, 7, 6, 5, 4, 3, 2, 1}));
    // Shift_JIS order of the status texts: katakana before kanji, a shorter text first.
    const std::vector<int> byStatus = {7, 1, 3, 6, 2, 4, 5, 9};
    c.ColumnClicked(4);
    EXPECT_EQ(Ids(*c.Model()), byStatus);
    EXPECT_EQ(c.Model()->SavedSort().column, 4);
    EXPECT_EQ(c.Model()->SavedSort().direction, 0);
    c.ColumnClicked(4);
    EXPECT_EQ(Ids(*c.Model()), std::vector<int>(byStatus.rbegin(), byStatus.rend()));
    EXPECT_EQ(c.Model()->SavedSort().direction, 1);
    // ASCII letters compare without case, before any Japanese text.
    c.ColumnClicked(2);
    EXPECT_EQ(Ids(*c.Model()).front(), 7);
}

TEST_F(MailListTest, NumbersSortAsNumbersAndASelectionKeepsToItsMails) {
    AddMail({10, "C", "第10号", "会員全員", "YN", 200, 0, 150});
    AddMail({100, "C", "第100号", "会員全員", "YN", 3, 0, 1});
    MailListController c;
    c.SwitchMode(kModeReport);
    Select(c, {100});
    c.ColumnClicked(0);  // descending: 100, 10, 9 (as texts "9" would come first)
    EXPECT_EQ(Ids(*c.Model()), (std::vector<int>{100, 10, 9, 7, 6, 5, 4, 3, 2, 1}));
    c.ColumnClicked(7);  // open rate ascending: 0 %, ... 30 % (6), 33.3 % (100), 75 % (10)
    const std::vector<int> ids = Ids(*c.Model());
    EXPECT_EQ(std::vector<int>(ids.end() - 3, ids.end()), (std::vector<int>{6, 100, 10}));
    ASSERT_EQ(c.SelectedRecords().size(), 1u);
    EXPECT_EQ(c.SelectedRecords()[0].GetMailID(), 100);
}

TEST_F(MailListTest, RowsNotYetReadSortAsTheTextsTheyWillShow) {
    // Damaged elements, as an old or hand-edited list may hold them.
    ASSERT_EQ(List().SetMailDataPinPoint(1, 4, "2099/01/01 00:00:00"), 0);  // a future entry date shows as now
    ASSERT_EQ(List().SetMailDataPinPoint(2, 4, "broken"), 0);
    ASSERT_EQ(List().SetMailDataPinPoint(3, 1, "abc\x01zzz"), 0);          // cut before the control byte
    ASSERT_EQ(List().SetMailDataPinPoint(5, 6, "not a date"), 0);           // no reserve date
    for (int mode : {kModeAll, kModeReport}) {
        for (int column = 1; column < 8; ++column) {
            MailListController c;
            c.SwitchMode(mode);
            const int kind = c.Model()->ColumnKind(column);
            if (kind >= kColSentAll) continue;  // numbers: their own test
            c.ColumnClicked(column);
            const shell::MailListModel& m = *c.Model();
            for (int r = 0; r + 1 < m.rowCount(); ++r)
                EXPECT_LE(CompareSjisNoCase(ui::ToSjis(Cell(m, r, column)), ui::ToSjis(Cell(m, r + 1, column))), 0)
                    << "mode " << mode << " column " << column << " row " << r;
        }
    }
    MailListController c;
    c.SwitchMode(kModeAll);
    const shell::MailListModel& m = *c.Model();
    EXPECT_EQ(Cell(m, m.RowOfMail(3), 1), "abc");
    EXPECT_EQ(Cell(m, m.RowOfMail(5), 5), "");
}

TEST_F(MailListTest, TheSortColumnFollowsItsKindAcrossLayoutsOrFallsBackToMailId) {
    MailListController c;
    c.SwitchMode(kModeAll);
    c.ColumnClicked(4);  // 状態
    c.SwitchMode(kModeReport);
    EXPECT_EQ(c.Model()->SavedSort().column, 2);
    EXPECT_EQ(c.Model()->SavedSort().direction, 0);
    EXPECT_EQ(Ids(*c.Model()), (std::vector<int>{7, 1, 3, 6, 2, 4, 5, 9}));
    c.SwitchMode(kModeSent);
    EXPECT_EQ(c.Model()->SavedSort().column, 4);

    c.SwitchMode(kModeAll);
    c.ColumnClicked(2);  // 宛先 has no column in the report
    c.SwitchMode(kModeReport);
    EXPECT_EQ(c.Model()->SavedSort().column, 0);
    EXPECT_EQ(c.Model()->SavedSort().direction, 0);
    EXPECT_EQ(Ids(*c.Model()), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 9}));

    // A reload keeps the layout, and with it the sort column.
    c.SwitchMode(kModeAll);
    c.ColumnClicked(6);  // 作成日時
    c.ColumnClicked(6);
    c.Reload();
    EXPECT_EQ(c.Model()->SavedSort().column, 6);
    EXPECT_EQ(c.Model()->SavedSort().direction, 1);
    EXPECT_EQ(Ids(*c.Model()), (std::vector<int>{9, 7, 6, 5, 4, 3, 2, 1}));
}

TEST_F(MailListTest, StoredWidthsOutsideOneToAThousandGiveTheDefault) {
    struct Case {
        const char* stored;
        int width;
    };
    const Case cases[] = {{"0", 70}, {"1001", 70}, {"1", 1}, {"1000", 1000}, {"-5", 70}, {"abc", 70}, {nullptr, 70}};
    for (const Case& k : cases) {
        CIniManager::WriteProfileStringA(EnvIni(), kWidthSection, "MAILIDW", k.stored);
        EXPECT_EQ(LoadColumnWidth(EnvIni(), "MAILIDW"), k.width) << (k.stored ? k.stored : "(missing)");
    }
    EXPECT_EQ(LoadColumnWidth(EnvIni(), "NOSUCHW"), 100);
    EXPECT_EQ(LoadColumnWidth("", "TITLEW"), 120);
}

TEST_F(MailListTest, WidthsAreReadPerLayoutAndWrittenBackBeforeTheColumnsChange) {
    CIniManager::WriteProfileInt(EnvIni(), kWidthSection, "TITLEW", 333);
    MailListController c;
    c.SwitchMode(kModeAll);
    EXPECT_EQ(c.ColumnWidths(), (std::vector<int>{70, 333, 100, 60, 72, 120, 120, 120}));
    c.SetColumnWidth(4, 90);   // 状態: shared with the report
    c.SetColumnWidth(2, 210);  // 宛先: the mail layout only
    c.SwitchMode(kModeReport);
    EXPECT_EQ(CIniManager::GetProfileIntA(EnvIni(), kWidthSection, "ADDRESSW", 0), 210u);
    EXPECT_EQ(c.ColumnWidths(), (std::vector<int>{70, 333, 90, 120, 60, 60, 60, 60}));
    c.SetColumnWidth(7, 80);
    EXPECT_TRUE(c.SaveColumnWidths());
    EXPECT_EQ(CIniManager::GetProfileIntA(EnvIni(), kWidthSection, "OPENRATEW", 0), 80u);
}

TEST_F(MailListTest, AfterASwitchTheWidthsOfTheFormerEnvironmentStayOutOfTheNextOnesFile) {
    ASSERT_EQ(shell::CreateNewEnvironment("支店", root_, "N", "", false), 0);
    MailListController c;
    c.SwitchMode(kModeAll);
    c.SetColumnWidth(1, 444);
    ASSERT_TRUE(c.SaveColumnWidths());
    ASSERT_EQ(service_->OpenEnvironment(root_ + "/支店.env"), 1);
    const std::string branchIni = service_->EnvIniPath();
    CIniManager::WriteProfileInt(branchIni, kWidthSection, "TITLEW", 150);
    EXPECT_FALSE(c.SaveColumnWidths());  // the columns still show the former environment
    c.Reload();
    EXPECT_EQ(CIniManager::GetProfileIntA(branchIni, kWidthSection, "TITLEW", 0), 150u);
    EXPECT_EQ(c.ColumnWidths()[1], 150);
    EXPECT_TRUE(Ids(*c.Model()).empty());
}

TEST_F(MailListTest, RequestsOfOtherScreensRefreshAppendAndRemoveRows) {
    MailListController c;
    c.SwitchMode(kModeSent);
    COneMailData draft;
    ASSERT_EQ(List().GetMailData(1, draft), 0);
    c.RefreshRow(draft);  // no row: nothing
    EXPECT_EQ(Ids(*c.Model()), (std::vector<int>{6, 7}));
    c.RefreshOrAppendRow(draft);  // a mail of another mode still gets its row
    EXPECT_EQ(Ids(*c.Model()), (std::vector<int>{6, 7, 1}));
    draft.SetMailTitle(Utf8ToSjis("件名を変えました"));
    c.RefreshOrAppendRow(draft);
    EXPECT_EQ(Ids(*c.Model()), (std::vector<int>{6, 7, 1}));
    EXPECT_EQ(Cell(*c.Model(), 2, 1), QString::fromUtf8("件名を変えました"));
    COneMailData sent;
    ASSERT_EQ(List().GetMailData(6, sent), 0);
    c.RemoveRow(sent);
    EXPECT_EQ(Ids(*c.Model()), (std::vector<int>{7, 1}));
    // Rows added later are not sorted in.
    c.ColumnClicked(0);
    c.RefreshOrAppendRow(sent);
    EXPECT_EQ(Ids(*c.Model()), (std::vector<int>{7, 1, 6}));
}

TEST_F(MailListTest, ASendRunsFloodOfRowUpdatesIsAppliedInBatchesWithFewCaptions) {
    MailListController c;
    c.SwitchMode(kModeAll);
    int captions = 0;
    QObject::connect(&c, &MailListController::CaptionsChanged, [&](const QString&, int) { ++captions; });
    COneMailData base;
    ASSERT_EQ(List().GetMailData(6, base), 0);
    COneMailData unlisted = base;
    unlisted.SetMailID(4711);
    std::thread worker([&] {
        for (int i = 1; i <= 2000; ++i) {
            COneMailData update = base;
            update.SetSentNumber(i);
            c.PostRowRefresh(update);
        }
        c.PostRowRefresh(unlisted);
    });
    worker.join();
    // Nothing is applied before the event loop turns.
    c.SwitchMode(kModeReport);
    EXPECT_EQ(Cell(*c.Model(), c.Model()->RowOfMail(6), 4), "10");
    ASSERT_TRUE(ui::test::WaitUntil([&] { return Cell(*c.Model(), c.Model()->RowOfMail(6), 4) == "2000"; }, 2000));
    EXPECT_EQ(c.Model()->RowOfMail(4711), -1);
    EXPECT_LE(captions, 3);
}

TEST(MailListSjisOrder, CharactersCompareByCodeAndAsciiLettersWithoutCase) {
    struct Case {
        const char* a;
        const char* b;
        int sign;
    };
    const Case cases[] = {
        {"abc", "ABC", 0},         {"abc", "abd", -1},      {"ab", "abc", -1},
        {"Zeta", "alpha", 1},      {"ｱ", "あ", -1},          // half-width kana is one byte, below any two-byte code
        {"エラー", "下書き", -1},  {"送信済み", "送信中", -1}, {"Ａ", "ａ", -1},  // full-width letters keep their case
        {"2024/06/01 10:00:00", "2024/06/01 9:00:00", -1},
    };
    for (const Case& k : cases) {
        const int r = CompareSjisNoCase(Utf8ToSjis(k.a), Utf8ToSjis(k.b));
        EXPECT_EQ((r > 0) - (r < 0), k.sign) << k.a << " / " << k.b;
    }
}

}  // namespace mail_list_model_test
}  // namespace
