// The HTML and TEXT tabs: the cut at the maximum, insertions at the remembered selection,
// the leave notification, the caret's pixel position, and which edits make the preview stale.
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/compose/sjis_limited_edit.h"
#include "app/htmledit/html_sub_pages.h"
#include "app/htmledit/mail_body_edit.h"
#include "app/htmledit/tests/html_page_fixture.h"
#include "app/widgets/varnis_property_sheet.h"
#include "app/ui/control_ids.h"
#include "app/ui/sjis_text.h"
#include "app/ui/testing/type_text.h"

namespace htmledit {
namespace {

using htmltest::HtmlPageTest;
using htmltest::S;

TEST(HtmlSubPages, CutKeepsWholeCharactersAndLineBreaks) {
    const std::string kanji = S("漢");  // two bytes
    struct Case {
        const char* name;
        std::string text;
        std::size_t maximum;
        std::size_t kept;
    };
    const std::string ascii(10000, 'a');
    const Case cases[] = {
        {"within the maximum", "abc", 10, 3},
        {"no maximum", ascii + "b", 0, 10001},
        {"exactly at the maximum", ascii + "b", 10000, 10000},
        {"lead byte at the last place", std::string(9999, 'a') + kanji, 10000, 9999},
        {"two-byte character ending there", std::string(9998, 'a') + kanji + "b", 10000, 10000},
        {"CR at the last place", std::string(9999, 'a') + "\r\nx", 10000, 9999},
        {"CR LF ending there", std::string(9998, 'a') + "\r\nx", 10000, 10000},
        {"lead byte without trail byte", std::string(9999, 'a') + "\x81" + "\x0d" + "x", 10000, 10000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string cut = CutToMaximum(c.text, c.maximum);
        EXPECT_EQ(cut.size(), c.kept);
        EXPECT_EQ(cut, c.text.substr(0, c.kept));
    }
}

TEST(HtmlSubPages, TextSetBeforeTheTabShowsIsKeptCut) {
    CMailEditHtmlSubPageTextpart text(10000);
    const std::string long_ = std::string(9999, 'a') + S("字");
    text.SetText(long_);
    EXPECT_FALSE(text.IsInitialised());
    EXPECT_EQ(text.GetText(), std::string(9999, 'a'));
    EXPECT_EQ(text.GetByteCount(), 9999u);
}

// A window holding a tab and another control that can take the focus (the palette's
// place), active so that focus changes are delivered.
struct FocusWindow {
    explicit FocusWindow(QWidget* tab) {
        auto* column = new QVBoxLayout(&window);
        column->addWidget(tab);
        other = new QLineEdit(&window);
        column->addWidget(other);
        window.show();
        QApplication::setActiveWindow(&window);
        QApplication::processEvents();
    }
    QWidget window;
    QLineEdit* other = nullptr;
};

TEST(HtmlSubPages, InsertionGoesToTheRememberedSelectionWithinTheMaximum) {
    auto* text_ = new CMailEditHtmlSubPageTextpart(20);
    CMailEditHtmlSubPageTextpart& text = *text_;
    FocusWindow focus(text_);
    QLineEdit& other = *focus.other;
    text.SetText(S("ABCDEF"));
    text.Edit()->setFocus();
    text.Edit()->SetSjisSelection(2, 4);  // "CD"
    other.setFocus();                      // the palette takes the focus
    QApplication::processEvents();
    EXPECT_EQ(text.SavedSelectionStart(), 2u);
    EXPECT_EQ(text.SavedSelectionEnd(), 4u);
    const std::string pictogram = "\xF8\x9F";
    EXPECT_EQ(text.OnInsertText(pictogram), 1);
    EXPECT_EQ(text.GetText(), "AB" + pictogram + "EF");
    EXPECT_EQ(text.SavedSelectionStart(), 4u);

    // At the maximum a two-byte insertion changes nothing.
    text.SetText(std::string(20, 'x'));
    EXPECT_EQ(text.OnInsertText(pictogram), 1);
    EXPECT_EQ(text.GetText(), std::string(20, 'x'));
}

// The TEXT tab's "カーソル位置" follows its caret as the text pages' does.
TEST(HtmlSubPages, TheTextTabShowsTheCaretsPixel) {
    auto* text_ = new CMailEditHtmlSubPageTextpart(0);
    CMailEditHtmlSubPageTextpart& text = *text_;
    FocusWindow focus(text_);
    text.InitialisePage();
    auto* shown = ui::FindControl<QLabel>(&text, CMailEditHtmlSubPageTextpart::kIdcCursorPosition);
    ASSERT_NE(shown, nullptr);
    text.Edit()->setFocus();
    ui::test::TypeText(text.Edit(), "セール");
    const QFontMetrics metrics(text.Edit()->font());
    EXPECT_EQ(shown->text(), QString::number(metrics.horizontalAdvance(ui::U8("セール"))));
    text.Edit()->moveCursor(QTextCursor::StartOfLine);
    EXPECT_EQ(shown->text(), QStringLiteral("0"));
}

TEST(HtmlSubPages, LeavingTheEditIsToldOnlyOnceNotificationsAreOn) {
    auto* html_ = new CMailEditHtmlSubPageHtmlpart(0);
    CMailEditHtmlSubPageHtmlpart& html = *html_;
    FocusWindow focus(html_);
    QLineEdit& other = *focus.other;
    std::vector<int> told;
    html.Edit()->setFocus();
    other.setFocus();
    QApplication::processEvents();
    EXPECT_TRUE(told.empty());
    html.SetNotifyWindow([&told](int which) { told.push_back(which); });
    html.Edit()->setFocus();
    other.setFocus();
    QApplication::processEvents();
    EXPECT_EQ(told, std::vector<int>{CMailEditHtmlSubPagePart::kLeftHtmlPart});
}

TEST_F(HtmlPageTest, OnlyTheHtmlPartMakesThePreviewStale) {
    auto page = OpenPage();
    QTabWidget* tabs = page->InnerSheet()->GetTabControl();
    EXPECT_FALSE(page->IsPreviewDirty());
    const std::string first = page->GetPreviewFilePath();

    tabs->setCurrentIndex(2);
    ui::test::TypeText(page->TextPartPage()->Edit(), "テキスト");
    EXPECT_FALSE(page->IsPreviewDirty());
    tabs->setCurrentIndex(0);
    EXPECT_EQ(page->GetPreviewFilePath(), first);  // no rebuild

    tabs->setCurrentIndex(1);
    ui::test::TypeText(page->HtmlPartPage()->Edit(), "<b>x</b>");
    EXPECT_TRUE(page->IsPreviewDirty());
    tabs->setCurrentIndex(0);
    EXPECT_FALSE(page->IsPreviewDirty());
    EXPECT_NE(page->GetPreviewFilePath(), first);
    EXPECT_FALSE(std::filesystem::exists(first));
}

}  // namespace
}  // namespace htmledit
