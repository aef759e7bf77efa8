// The extraction wizard's conditions: the condition dialog's loading, enabling and storing
// (bounds put in order by the field's type, the 30000-byte limit), and how a group page
// shows a condition.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "app/addressui/extract_condition_dlg.h"
#include "app/addressui/extract_condition_page.h"
#include "app/addressui/extract_condition_text.h"
#include "app/addressui/tests/extraction_test_env.h"

namespace {
namespace extract_condition_test {

using namespace extest;
using addressui::CConditionDlg;
using addressui::CExtractConditionPage;
using rectest::Control;

class ConditionTest : public ExtractionEnvTest {
protected:
    void SetUp() override {
        ExtractionEnvTest::SetUp();
        action_.SetEnvManager(Env());
        action_.SetDatabaseEdit(&Book());
        action_.SetTypeAndID(EC_TYPE_EXTRACT, -1);
        ASSERT_EQ(action_.GetExtractConditionFromFileToMemory(0, nullptr), 0);
        fields_ = addressui::ExtractFieldList(&Book());
        ASSERT_FALSE(fields_.empty());
    }
    OneExtractCondition Stored(int tab, int index) {
        OneExtractCondition c;
        EXPECT_EQ(action_.GetExtractConditionFromMemoryToStruct(c, tab, index), 0);
        return c;
    }
    // Chooses the field of `element` in the dialog's combo.
    void ChooseField(CConditionDlg& dialog, int element) {
        const int entry = element < 0 ? -1 : addressui::ExtractFieldEntry(fields_, element);
        Control<QComboBox>(&dialog, CConditionDlg::kIdcField)->setCurrentIndex(entry + 1);
    }

    ExtractAction action_;
    std::vector<DB_Element_Info> fields_;
};

TEST_F(ConditionTest, FieldListIsTheFixedMaskInElementOrder) {
    std::vector<int> elements;
    for (const DB_Element_Info& f : fields_) elements.push_back(f.element);
    std::vector<int> expected = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12, 13, 15, 17, 19};
    for (int e = 28; e <= 47; ++e) expected.push_back(e);
    expected.push_back(54);
    expected.push_back(55);
    EXPECT_EQ(elements, expected);
    EXPECT_EQ(fields_[static_cast<std::size_t>(addressui::ExtractFieldEntry(fields_, kNumberB))].dataType, 1);
    EXPECT_EQ(addressui::ExtractFieldEntry(fields_, 10), 0) << "an element no entry has reads as the first entry";
}

// The bounds of a range are stored as typed, swapped when the field's type says the user
// gave them the wrong way round.
TEST_F(ConditionTest, RangeBoundsAreOrderedByTheFieldsType) {
    struct Case {
        int element;
        const char *lower, *upper, *storedLower, *storedUpper;
    };
    const Case cases[] = {
        {kNumberB, "-5", "3", "-5", "3"},
        {kNumberB, "10", "2", "2", "10"},
        {kNumberB, "+", "3", "+", "3"},             // a sign alone is no number
        {kNumberB, " 10 ", "2", "2", "10"},         // the lower bound is trimmed, then swapped
        {kNumberB, " 2 ", "10", "2", "10"},         // trimmed even when not swapped
        {kNumberB, "2", " 10", "2", " 10"},         // a blank in the upper bound: left as typed
        {kNumberB, "10", "", "10", ""},             // one bound: an open range stays open
        {kElemKanjiSei, "b", "a", "a", "b"},
        {kElemKanjiSei, "b", "", "b", ""},
        {kElemKanjiSei, "ア", "あ", "あ", "ア"},    // character order, not byte order of the trail
        {kDateC, "2020/05/01", "2019/01", "2019/01", "2020/05/01"},
        {kDateC, "2019/01", "2019/01/31", "2019/01", "2019/01/31"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.lower) + " .. " + c.upper);
        CConditionDlg dialog(&fields_, &action_, 1, 2);
        ChooseField(dialog, c.element);
        Control<QRadioButton>(&dialog, CConditionDlg::kIdcByRange)->click();
        Control<QLineEdit>(&dialog, CConditionDlg::kIdcLower)->setText(ui::U8(c.lower));
        Control<QLineEdit>(&dialog, CConditionDlg::kIdcUpper)->setText(ui::U8(c.upper));
        dialog.accept();
        ASSERT_EQ(dialog.result(), QDialog::Accepted);
        const OneExtractCondition stored = Stored(1, 2);
        EXPECT_EQ(stored.element, c.element);
        EXPECT_EQ(stored.kind, "R");
        EXPECT_EQ(stored.lower, S(c.storedLower));
        EXPECT_EQ(stored.upper, S(c.storedUpper));
    }
}

TEST_F(ConditionTest, ValuesFlagsAndTheUnsetFieldAreStored) {
    CConditionDlg dialog(&fields_, &action_, 0, 0);
    ChooseField(dialog, kElemPrefecture);
    Control<QLineEdit>(&dialog, CConditionDlg::kIdcValues)->setText(ui::U8("東京都,\"大阪,府\""));
    Control<QComboBox>(&dialog, CConditionDlg::kIdcEqualFlag)->setCurrentIndex(1);
    dialog.accept();
    OneExtractCondition c = Stored(0, 0);
    EXPECT_EQ(c.element, kElemPrefecture);
    EXPECT_EQ(c.kind, "E");
    EXPECT_EQ(c.values, (std::vector<std::string>{S("東京都"), S("\"大阪,府\"")}));
    EXPECT_EQ(c.equalFlag, "N");
    EXPECT_EQ(c.rangeFlag, "Y");

    // "設定しない" turns the condition off.
    CConditionDlg off(&fields_, &action_, 0, 0);
    EXPECT_EQ(Control<QComboBox>(&off, CConditionDlg::kIdcField)->currentText(), ui::U8("都道府県"));
    ChooseField(off, -1);
    off.accept();
    EXPECT_EQ(Stored(0, 0).element, -1);
    EXPECT_EQ(action_.CheckExtractEffective(0, 0), 0);
}

TEST_F(ConditionTest, LoadingAndEnablingFollowTheFieldAndTheKind) {
    Fill(action_, {{2, 4, Range(kNumberB, "1", "9", "N")}});
    CConditionDlg dialog(&fields_, &action_, 2, 4);
    auto* byRange = Control<QRadioButton>(&dialog, CConditionDlg::kIdcByRange);
    auto* values = Control<QLineEdit>(&dialog, CConditionDlg::kIdcValues);
    auto* lower = Control<QLineEdit>(&dialog, CConditionDlg::kIdcLower);
    EXPECT_EQ(Control<QComboBox>(&dialog, CConditionDlg::kIdcField)->currentText(), ui::U8("会員番号"));
    EXPECT_TRUE(byRange->isChecked());
    EXPECT_EQ(lower->text(), "1");
    EXPECT_EQ(Control<QComboBox>(&dialog, CConditionDlg::kIdcRangeFlag)->currentIndex(), 1);
    EXPECT_TRUE(lower->isEnabled());
    EXPECT_FALSE(values->isEnabled());
    EXPECT_FALSE(Control<QPushButton>(&dialog, CConditionDlg::kIdcPickValues)->isEnabled());

    Control<QRadioButton>(&dialog, CConditionDlg::kIdcByValues)->click();
    EXPECT_TRUE(values->isEnabled());
    EXPECT_FALSE(lower->isEnabled());

    ChooseField(dialog, -1);
    EXPECT_FALSE(byRange->isEnabled());
    EXPECT_FALSE(values->isEnabled());
    EXPECT_FALSE(lower->isEnabled());
}

// The dialog's note says 30000; the limit holds for typed values too, in Shift_JIS bytes.
TEST_F(ConditionTest, ValueTextsAboveThirtyThousandBytesAreRefused) {
    Fill(action_, {{0, 1, Values(kElemKanjiSei, {S("佐藤")})}});
    const QString full = QString(15000, QChar(0x3042));  // "あ" x 15000 = 30000 bytes
    {
        CConditionDlg dialog(&fields_, &action_, 0, 1);
        Control<QLineEdit>(&dialog, CConditionDlg::kIdcValues)->setText(full + QStringLiteral("a"));
        dialog.accept();
        EXPECT_NE(dialog.result(), QDialog::Accepted);
        ASSERT_EQ(prompts_.captions(), QStringList{ui::U8("条件が長すぎます")});
        EXPECT_TRUE(prompts_.texts()[0].contains(QStringLiteral("30001")));
        EXPECT_EQ(Stored(0, 1).values, std::vector<std::string>{S("佐藤")}) << "nothing stored";
    }
    CConditionDlg dialog(&fields_, &action_, 0, 1);
    Control<QLineEdit>(&dialog, CConditionDlg::kIdcValues)->setText(full);
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(Stored(0, 1).values.at(0).size(), 30000u);
}

class ConditionPageTest : public ConditionTest {
protected:
    QString Text(int id) {
        if (auto* label = ui::FindControl<QLabel>(&page_, id)) return label->text();
        return Control<QLineEdit>(&page_, id)->text();
    }
    addressui::CExtractPage02 page_;
};

TEST_F(ConditionPageTest, ConditionsReadAsTheirFieldValueAndOperator) {
    // A value list of 2500 two-byte characters and a trailing "x": cut at 5000 bytes.
    std::string longValue;
    for (int i = 0; i < 2499; ++i) longValue += S("あ");
    longValue += "x";
    longValue += S("い");  // bytes 4999-5000 would split it
    Fill(action_, {{1, 0, Values(kElemPrefecture, {S("東京都"), S("大阪府")})},
                   {1, 1, Range(kNumberB, "10", "20", "N")},
                   {1, 2, Values(kElemKanjiSei, {longValue}, "N")}});
    page_.SetExtractAction(&action_, fields_);
    const int f = CExtractConditionPage::kIdcField, v = CExtractConditionPage::kIdcValue,
              o = CExtractConditionPage::kIdcOperator;
    EXPECT_EQ(Text(f), ui::U8("都道府県"));
    EXPECT_EQ(Text(v), ui::U8("東京都,大阪府"));
    EXPECT_EQ(Text(o), ui::U8("を含む"));
    EXPECT_EQ(Text(f + 1), ui::U8("会員番号"));
    EXPECT_EQ(Text(v + 1), ui::U8("\"10\" から \"20\" の間"));
    EXPECT_EQ(Text(o + 1), ui::U8("でない"));
    EXPECT_EQ(ui::ToSjis(Text(v + 2)), longValue.substr(0, 4999)) << "never half a character";
    EXPECT_EQ(Stored(1, 2).values.at(0), longValue) << "the condition keeps all of it";
    EXPECT_EQ(Text(o + 2), ui::U8("を含まない"));
    EXPECT_EQ(Text(f + 3), ui::U8("(未設定)"));
    EXPECT_FALSE(Control<QLineEdit>(&page_, v + 3)->isEnabled());
    EXPECT_FALSE(Control<QLabel>(&page_, o + 3)->isEnabled());
}

TEST_F(ConditionPageTest, ChangingAConditionShowsItAndReportsTheChange) {
    Fill(action_, {{1, 4, Values(kElemPrefecture, {S("東京都")})}});
    page_.SetExtractAction(&action_, fields_);
    int changes = 0;
    page_.SetChangedCallback([&] { ++changes; });
    const int row = 4;
    ui::test::WhenDialogShows(ui::DialogName(CConditionDlg::kIdd), [](QDialog* d) {
        d->findChild<QComboBox*>(ui::ControlName(CConditionDlg::kIdcField))->setCurrentIndex(0);
        d->accept();
    });
    Control<QPushButton>(&page_, CExtractConditionPage::kIdcChange + row)->click();
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(Text(CExtractConditionPage::kIdcField + row), ui::U8("(未設定)"));
    EXPECT_EQ(Text(CExtractConditionPage::kIdcValue + row), ui::U8("東京都")) << "the old text stays, disabled";
    EXPECT_FALSE(Control<QLineEdit>(&page_, CExtractConditionPage::kIdcValue + row)->isEnabled());

    // Cancelled: nothing changes.
    ui::test::WhenDialogShows(ui::DialogName(CConditionDlg::kIdd), [](QDialog* d) { d->reject(); });
    Control<QPushButton>(&page_, CExtractConditionPage::kIdcChange)->click();
    EXPECT_EQ(changes, 1);
}

}  // namespace extract_condition_test
}  // namespace
