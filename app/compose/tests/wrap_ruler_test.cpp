// The wrap ruler's value mapping and marker rules, and the line breaks that turn the soft
// wrapping into real ones, measured with a fixed advance (half-width 7 px, full-width 14)
// so the cases do not depend on a font.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include "app/compose/wrap_line_breaks.h"
#include "app/compose/wrap_ruler.h"
#include "core/foundation/cp932.h"

namespace {

using compose::CWrapRuler;
using compose::InsertLineBreaks;

int FixedAdvance(std::string_view sjis) {
    int width = 0;
    for (std::size_t i = 0; i < sjis.size();) {
        const auto c = static_cast<unsigned char>(sjis[i]);
        const bool two = ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) && i + 1 < sjis.size();
        width += two ? 14 : 7;
        i += two ? 2 : 1;
    }
    return width;
}

struct BreakCase {
    const char* name;
    std::string text;  // UTF-8, converted to Shift_JIS
    int width;
    std::string expected;  // UTF-8, "|" stands for the line-break string
};

TEST(InsertLineBreaks, RewrapsAtTheWidth) {
    const BreakCase cases[] = {
        {"the overflowing blank stays at the line's end", "ab cd", 14, "ab |cd"},
        {"a character wider than the line stays alone", "漢字x", 7, "漢|字|x"},
        {"CR LF becomes the line-break string", "ab\r\ncd", 100, "ab|cd"},
        {"a full line breaks before the next character", "あいう", 28, "あい|う"},
        {"a second blank starts the next line", "ab  c", 14, "ab | c"},
        {"text that fits is untouched", "abc", 21, "abc"},
        {"an empty text gives an empty result", "", 10, ""},
    };
    for (const BreakCase& c : cases) {
        std::string result = "old";
        EXPECT_EQ(InsertLineBreaks(Utf8ToSjis(c.text), FixedAdvance, c.width, result, "|", 0), 1) << c.name;
        EXPECT_EQ(result, Utf8ToSjis(c.expected)) << c.name;
    }
}

TEST(InsertLineBreaks, NeverSplitsATwoByteCharacterAndKnowsItsModes) {
    // A pictogram's trail byte is a letter (0xF8 0x9F): the pair stays one character.
    const std::string text = std::string("a\xF8\x9F") + "b";
    std::string result;
    ASSERT_EQ(InsertLineBreaks(text, FixedAdvance, 14, result, "\r\n", 0), 1);
    EXPECT_EQ(result, std::string("a\r\n\xF8\x9F\r\nb"));

    result = "kept";
    EXPECT_EQ(InsertLineBreaks("abc", FixedAdvance, 1, result, "\r\n", 1), 1);
    EXPECT_EQ(result, "kept");
    EXPECT_EQ(InsertLineBreaks("abc", FixedAdvance, 1, result, "\r\n", 2), 0);
    EXPECT_EQ(result, "kept");
}

class WrapRuler : public ::testing::Test {
protected:
    // A page ruler as the text pages set it: 10 px in, as wide as the edit's text, range
    // 0..width, so a value is the pixel offset from the ruler's left end.
    void SetUp() override {
        page_.resize(800, 100);
        ruler_ = new CWrapRuler(&page_);
        ruler_->SetLeft(10);
        ruler_->SetTop(4);
        ruler_->SetWidth(600);
        ASSERT_TRUE(ruler_->SetRange(0, 600));
    }
    QWidget page_;
    CWrapRuler* ruler_ = nullptr;
};

TEST_F(WrapRuler, MapsValuesToPixelsOfTheTextWidth) {
    EXPECT_TRUE(ruler_->SetWrapPosition(580));
    EXPECT_EQ(ruler_->GetWrapPosition(), 580);
    EXPECT_EQ(ruler_->MarkerX(), 10 + 580);
    EXPECT_EQ(ruler_->geometry(), QRect(10, 4, 601, 15));

    // Outside the range the value is clamped, and the marker goes to the end.
    EXPECT_TRUE(ruler_->SetWrapPosition(900));
    EXPECT_EQ(ruler_->GetWrapPosition(), 600);
    EXPECT_EQ(ruler_->MarkerX(), 610);
}

TEST_F(WrapRuler, RefusesAnInvertedRangeAndClicksOutside) {
    ASSERT_TRUE(ruler_->SetWrapPosition(300));
    EXPECT_FALSE(ruler_->SetRange(10, 5));
    EXPECT_TRUE(ruler_->SetWrapPosition(300));
    EXPECT_EQ(ruler_->MarkerX(), 310);  // the range is still 0..600

    EXPECT_FALSE(ruler_->SetMarkerAt(QPoint(5, 8)));    // left of the ruler
    EXPECT_FALSE(ruler_->SetMarkerAt(QPoint(100, 30)));  // below it
    EXPECT_EQ(ruler_->GetWrapPosition(), 300);

    // A new ruler allows 100..900 of its values 0..1000 (pixels 5..105): a click left of
    // the allowed minimum puts the marker on it.
    CWrapRuler fresh(&page_);
    EXPECT_TRUE(fresh.SetMarkerAt(QPoint(8, 10)));
    EXPECT_EQ(fresh.MarkerX(), 15);
    EXPECT_EQ(fresh.GetWrapPosition(), 100);
    EXPECT_TRUE(fresh.SetMarkerAt(QPoint(104, 10)));
    EXPECT_EQ(fresh.GetWrapPosition(), 900);
}

TEST_F(WrapRuler, FollowsTheMouseAndSetsTheWrapOnRelease) {
    page_.show();
    QSignalSpy cursor(ruler_, &CWrapRuler::cursorPositionChanged);
    QSignalSpy wrap(ruler_, &CWrapRuler::wrapPositionChanged);
    QTest::mouseMove(ruler_, QPoint(120, 7));
    ASSERT_GE(cursor.count(), 1);
    EXPECT_EQ(cursor.last().at(0).toInt(), 120);
    EXPECT_EQ(ruler_->GetCursorPosition(), 120);
    QTest::mouseRelease(ruler_, Qt::LeftButton, Qt::NoModifier, QPoint(250, 7));
    ASSERT_EQ(wrap.count(), 1);
    EXPECT_EQ(wrap.at(0).at(0).toInt(), 250);
    EXPECT_EQ(ruler_->GetWrapPosition(), 250);
}

}  // namespace
