// The extended-attribute input windows, opened from the record editor's pages: what the
// boxes offer, the checks by kind with the normalised dates, and that only OK changes the
// record the page shows.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include <functional>

#include "app/addressui/attribute_values_model.h"
#include "app/addressui/db_edit_extra.h"
#include "app/addressui/db_edit_sheet.h"
#include "app/addressui/record_control_ids.h"
#include "app/addressui/tests/record_test_env.h"
#include "platform/notifier.h"

namespace {
namespace db_edit_extra_test {

using addressui::CDBEditExtra1;
using addressui::CDBEditExtra2;
using addressui::CDBEditSheet;
using namespace rectest;
namespace ids = addressui::ids;

constexpr int kHobby = 1327;       // A, text
constexpr int kMemberNo = 1330;    // B, number
constexpr int kJoined = 1332;      // C, date
constexpr int kPurchases = 1340;   // G, number
constexpr int kPoints = 1442;      // L, number
constexpr int kBirthMonth = 1443;  // M, date

QStringList Offered(QComboBox* box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
    return items;
}

void SetBox(QDialog* window, int id, const char* utf8) {
    auto* box = Control<QComboBox>(window, id);
    box->lineEdit()->clear();
    ui::test::TypeText(box->lineEdit(), utf8);
}

class ExtraWindowTest : public RecordEnvTest {
protected:
    void SetUp() override {
        RecordEnvTest::SetUp();
        AddRow(1, {{kElemEmail, "a@example.jp"}, {kElemExtraFirst, S("読書")}, {kElemExtraFirst + 3, S("会社員")}});
        AddRow(2, {{kElemEmail, "b@example.jp"}, {kElemExtraFirst, S("釣り")}});
        AddRow(3, {{kElemEmail, "c@example.jp"}, {kElemExtraFirst, S("読書")}});
        AddRow(4, {{kElemEmail, "d@example.jp"}, {kElemExtraFirst, S("登山")}, {kElemDeleteFlag, "Y"}});
        AddRow(9, {{kElemEmail, "me@example.jp"}, {kElemExtraFirst, S("囲碁")}, {kElemExtraFirst + 1, "77"}});
    }

    // Opens the record's sheet on attribute page `page`, presses 1440 and runs `inside` on
    // the window that opens; the page afterwards.
    QWidget* RunWindow(CDBEditSheet& sheet, int page, const QString& window, std::function<void(QDialog*)> inside) {
        sheet.show();
        sheet.SetActivePage(page);
        bool ran = false;
        ui::test::WhenDialogShows(window, [&](QDialog* d) {
            ran = true;
            inside(d);
        });
        Control<QPushButton>(sheet.GetPage(page), ids::kChangeButton)->click();
        EXPECT_TRUE(ran);
        return sheet.GetPage(page);
    }
    static QString PageValue(QWidget* page, int id) { return Control<QLineEdit>(page, id)->text(); }
};

TEST_F(ExtraWindowTest, BoxesOfferTheLiveRecordsValuesSortedWithTheRecordsOwnSelected) {
    CDBEditSheet sheet(9, ui::U8("個人情報の編集"));
    RunWindow(sheet, 1, "dlg121", [](QDialog* d) {
        EXPECT_EQ(d->windowTitle(), ui::U8("拡張属性1[A～J]入力ウィンドウ"));
        EXPECT_EQ(Control<QLineEdit>(d, ids::kExtra1Names + 1)->text(), ui::U8("会員番号"));
        // Distinct, non-empty, deleted records left out, the record's own value added.
        auto* hobby = Control<QComboBox>(d, kHobby);
        EXPECT_EQ(Offered(hobby), (QStringList{ui::U8("囲碁"), ui::U8("釣り"), ui::U8("読書")}));
        EXPECT_EQ(hobby->currentText(), ui::U8("囲碁"));
        EXPECT_EQ(hobby->currentIndex(), 0);
        // An empty value: nothing selected, empty text, the others' values still offered.
        auto* job = Control<QComboBox>(d, 1334);
        EXPECT_EQ(Offered(job), QStringList{ui::U8("会社員")});
        EXPECT_EQ(job->currentIndex(), -1);
        EXPECT_EQ(job->currentText(), QString());
        ui::test::ClickControl(d, 2);
    });
}

TEST_F(ExtraWindowTest, ValuesAreCheckedByKindAndTheAcceptedTextsReachThePage) {
    CDBEditSheet sheet(9, ui::U8("個人情報の編集"));
    QWidget* page = RunWindow(sheet, 1, "dlg121", [this](QDialog* d) {
        SetBox(d, kHobby, "将棋");
        SetBox(d, kJoined, "2005/4/1");
        SetBox(d, kMemberNo, "12a");
        ui::test::ClickControl(d, 1);
        // Refused: named, the box focused, the window open.
        ASSERT_EQ(prompts_.prompts().size(), 1u);
        EXPECT_EQ(prompts_.prompts()[0].text,
                  ui::U8("会員番号は数値型として正しくありません\n\n数値型の条件\n・最大9桁\n・0から9と+-のみ"));
        EXPECT_EQ(prompts_.prompts()[0].caption, ui::U8("拡張属性のデータが正しくありません"));
        EXPECT_EQ(prompts_.prompts()[0].style, platform::kMbOk | platform::kMbIconWarning);
        EXPECT_TRUE(d->isVisible());
        EXPECT_EQ(d->focusWidget(), Control<QComboBox>(d, kMemberNo));
        // A later refusal leaves the earlier boxes showing their accepted texts.
        SetBox(d, kMemberNo, "-123456789");
        SetBox(d, kPurchases, "x");
        ui::test::ClickControl(d, 1);
        ASSERT_EQ(prompts_.prompts().size(), 2u);
        EXPECT_TRUE(prompts_.prompts()[1].text.startsWith(ui::U8("購入回数は数値型として")));
        EXPECT_EQ(Control<QComboBox>(d, kJoined)->currentText(), "2005/04/01");
        SetBox(d, kPurchases, "3");
        ui::test::ClickControl(d, 1);
        EXPECT_EQ(prompts_.prompts().size(), 2u);
    });
    EXPECT_EQ(PageValue(page, kHobby), ui::U8("将棋"));
    EXPECT_EQ(PageValue(page, kMemberNo), "-123456789");
    EXPECT_EQ(PageValue(page, kJoined), "2005/04/01");
    EXPECT_EQ(PageValue(page, kPurchases), "3");

    page = RunWindow(sheet, 2, "dlg172", [this](QDialog* d) {
        SetBox(d, kBirthMonth, "2005/4/1 9:5");
        SetBox(d, kPoints, "1234567890");
        ui::test::ClickControl(d, 1);
        ASSERT_EQ(prompts_.prompts().size(), 3u);
        EXPECT_TRUE(prompts_.prompts()[2].text.startsWith(ui::U8("ポイントは数値型として")));
        EXPECT_EQ(Control<QComboBox>(d, kBirthMonth)->currentText(), "2005/4/1 9:5");  // not reached
        SetBox(d, kPoints, "");
        SetBox(d, kBirthMonth, "2005/4");
        ui::test::ClickControl(d, 1);
        ASSERT_EQ(prompts_.prompts().size(), 4u);
        EXPECT_TRUE(prompts_.prompts()[3].text.startsWith(ui::U8("誕生月は日付型として正しくありません")));
        SetBox(d, kBirthMonth, "2005/4/1 9:5");
        ui::test::ClickControl(d, 1);
    });
    EXPECT_EQ(PageValue(page, kBirthMonth), "2005/04/01 09:05");
    EXPECT_EQ(PageValue(page, kPoints), "");

    // The values reach the book with the sheet's save.
    Control<QPushButton>(&sheet, 1)->click();
    EXPECT_EQ(sheet.result(), platform::kIdOk);
    const std::vector<std::string> row = Row(9);
    EXPECT_EQ(row[kElemExtraFirst], S("将棋"));
    EXPECT_EQ(row[kElemExtraFirst + 1], "-123456789");
    EXPECT_EQ(row[kElemExtraFirst + 2], "2005/04/01");
    EXPECT_EQ(row[kElemExtraFirst + 12], "2005/04/01 09:05");
}

TEST_F(ExtraWindowTest, CancelInTheWindowOrTheSheetChangesNothing) {
    const std::vector<std::string> before = Row(9);
    {
        CDBEditSheet sheet(9, ui::U8("個人情報の編集"));
        QWidget* page = RunWindow(sheet, 1, "dlg121", [](QDialog* d) {
            SetBox(d, kHobby, "将棋");
            ui::test::ClickControl(d, 2);
        });
        EXPECT_EQ(PageValue(page, kHobby), ui::U8("囲碁"));
        page = RunWindow(sheet, 1, "dlg121", [](QDialog* d) {
            SetBox(d, kHobby, "将棋");
            ui::test::ClickControl(d, 1);
        });
        EXPECT_EQ(PageValue(page, kHobby), ui::U8("将棋"));
        Control<QPushButton>(&sheet, 2)->click();  // the sheet's キャンセル
        EXPECT_FALSE(sheet.isVisible());
    }
    EXPECT_EQ(Row(9), before);
}

TEST(AttributeValuesModel, HoldsAMillionValuesSortedAndFindsOneWithoutWalkingThem) {
    std::vector<std::string> values;
    values.reserve(1000001);
    for (int i = 999999; i >= 0; --i) values.push_back("M" + std::to_string(i));
    values.push_back("");
    addressui::AttributeValuesModel model;
    model.SetValues(std::move(values));
    ASSERT_EQ(model.rowCount(), 1000000);
    EXPECT_EQ(model.ValueAt(0), "M0");
    const int row = model.RowOf("M500000");
    ASSERT_GE(row, 0);
    EXPECT_EQ(model.ValueAt(row), "M500000");
    EXPECT_EQ(model.AddValue("M500000"), row);
    // The search a combo box runs when its edit is left.
    const QModelIndexList hit = model.match(model.index(0), Qt::DisplayRole, QStringLiteral("M500000"), 1,
                                            Qt::MatchFixedString | Qt::MatchCaseSensitive);
    ASSERT_EQ(hit.size(), 1);
    EXPECT_EQ(hit[0].row(), row);
    EXPECT_TRUE(model.match(model.index(0), Qt::DisplayRole, QStringLiteral("m500000"), 1,
                            Qt::MatchFixedString | Qt::MatchCaseSensitive)
                    .isEmpty());
}

}  // namespace db_edit_extra_test
}  // namespace
