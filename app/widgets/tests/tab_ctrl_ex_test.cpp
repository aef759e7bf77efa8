#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include <memory>
#include <set>
#include <vector>

#include "app/widgets/tab_ctrl_ex.h"
#include "app/widgets/tests/test_page.h"
#include "app/widgets/varnis_property_sheet.h"

namespace {

using shell::CTabCtrlEx;
using shell::CVarnisPropertySheet;
using shell::test::TestPage;

// A shown sheet of four pages; `disabled` tabs are switched off, `current` selected.
struct FourTabs {
    CVarnisPropertySheet sheet{QStringLiteral("sheet")};
    std::vector<TestPage*> pages;

    explicit FourTabs(int current = 0, const std::set<int>& disabled = {}) {
        for (int i = 0; i < 4; ++i) {
            pages.push_back(new TestPage);
            sheet.AddPage(pages.back(), QStringLiteral("page %1").arg(i));
        }
        sheet.GetTabControl()->setCurrentIndex(current);
        for (int i : disabled) EXPECT_TRUE(tabs().EnableItem(i, false));
        sheet.show();
    }
    CTabCtrlEx& tabs() { return *sheet.GetTabCtrlEx(); }
    QTabBar* bar() { return sheet.GetTabControl()->tabBar(); }
    int current() { return sheet.GetActiveIndex(); }
    void click(int tab) { QTest::mouseClick(bar(), Qt::LeftButton, {}, bar()->tabRect(tab).center()); }
};

TEST(TabCtrlEx, KeyboardStepsWrapAndGoOnPastDisabledTabs) {
    struct Case {
        int start;
        Qt::Key key;
        std::set<int> disabled;
        int expected;
    };
    const Case cases[] = {
        {0, Qt::Key_Left, {}, 3},          // wraps from the first to the last
        {3, Qt::Key_Right, {}, 0},         // and from the last to the first
        {0, Qt::Key_Up, {}, 3},
        {1, Qt::Key_Down, {}, 2},
        {0, Qt::Key_Right, {1}, 2},        // a disabled neighbour is passed
        {0, Qt::Key_Left, {3}, 2},         // after a wrap too
        {3, Qt::Key_Right, {0, 1}, 2},
        {1, Qt::Key_Right, {0, 2, 3}, 1},  // nowhere to go
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "start " << c.start << " key " << c.key);
        FourTabs t(c.start, c.disabled);
        QTest::keyClick(t.bar(), c.key);
        EXPECT_EQ(t.current(), c.expected);
        EXPECT_EQ(t.pages[c.start]->askedToLeave, c.expected == c.start ? 0 : 1);
    }
}

TEST(TabCtrlEx, CtrlTabFromInsideAPageStepsAndWraps) {
    FourTabs t(3);
    auto* edit = new QLineEdit(t.pages[3]);
    QTest::keyClick(edit, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(t.current(), 0);
    EXPECT_EQ(t.pages[3]->askedToLeave, 1);
}

TEST(TabCtrlEx, APageThatRefusesKeepsTheSelection) {
    FourTabs t(1);
    t.pages[1]->mayLeave = false;
    QTest::keyClick(t.bar(), Qt::Key_Right);
    t.click(3);
    EXPECT_EQ(t.current(), 1);
    EXPECT_EQ(t.pages[1]->askedToLeave, 2);

    t.pages[1]->mayLeave = true;
    t.click(3);
    EXPECT_EQ(t.current(), 3);
}

TEST(TabCtrlEx, AClickOnADisabledTabIsRefusedWithoutAskingThePage) {
    FourTabs t(0, {2});
    t.click(2);
    EXPECT_EQ(t.current(), 0);
    EXPECT_EQ(t.pages[0]->askedToLeave, 0);
    t.click(1);
    EXPECT_EQ(t.current(), 1);
}

TEST(TabCtrlEx, ProgrammaticSelectionOfADisabledTabOnlyStepsToANeighbour) {
    struct Case {
        int current;
        std::set<int> disabled;
        int requested;
        int expected;        // selection afterwards
        int expectedResult;  // SetCurSel's answer
    };
    const Case cases[] = {
        {0, {}, 2, 2, 0},         // an enabled tab anywhere
        {0, {2}, 2, 0, -1},       // a disabled tab that is no neighbour
        {0, {1}, 1, 2, 0},        // step forward onto a disabled tab goes on
        {3, {2}, 2, 1, 3},        // step backward likewise
        {3, {0}, 0, 1, 3},        // wrap forward from the last
        {0, {3}, 3, 2, 0},        // wrap backward from the first
        {1, {0, 2, 3}, 2, 1, 1},  // the search comes back to the selected tab
        {0, {}, 4, 0, -1},        // out of range
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "current " << c.current << " requested " << c.requested);
        FourTabs t(c.current, c.disabled);
        EXPECT_EQ(t.tabs().SetCurSel(c.requested), c.expectedResult);
        EXPECT_EQ(t.current(), c.expected);
        EXPECT_EQ(t.pages[c.current]->askedToLeave, 0);
    }
}

TEST(TabCtrlEx, DisablingTheSelectedTabMovesOnOrFails) {
    // The next enabled tab after it, wrapping to the first; the page is not asked.
    FourTabs t(2, {3});
    t.pages[2]->mayLeave = false;
    EXPECT_TRUE(t.tabs().EnableItem(2, false));
    EXPECT_EQ(t.current(), 0);
    EXPECT_FALSE(t.tabs().IsItemEnabled(2));

    // The selected tab is the only enabled one: refused, and it stays enabled.
    FourTabs alone(1, {0, 2, 3});
    EXPECT_FALSE(alone.tabs().EnableItem(1, false));
    EXPECT_TRUE(alone.tabs().IsItemEnabled(1));
    EXPECT_EQ(alone.current(), 1);

    // Asking for the state a tab already has succeeds; indexes out of range do not.
    EXPECT_TRUE(alone.tabs().EnableItem(0, false));
    EXPECT_TRUE(alone.tabs().EnableItem(0, true));
    EXPECT_TRUE(alone.tabs().IsItemEnabled(0));
    EXPECT_FALSE(alone.tabs().EnableItem(4, true));
    EXPECT_FALSE(alone.tabs().IsItemEnabled(-1));
    EXPECT_FALSE(alone.tabs().IsItemEnabled(4));
}

TEST(TabCtrlEx, AScreensOwnTabControlServesTheSheetWhileItLives) {
    FourTabs t(0);
    CTabCtrlEx& own = t.tabs();
    {
        CTabCtrlEx mine;
        ASSERT_TRUE(mine.AttachToSheet(&t.sheet));
        EXPECT_EQ(t.sheet.GetTabCtrlEx(), &mine);
        EXPECT_FALSE(own.IsItemEnabled(0));  // no longer attached
        EXPECT_TRUE(mine.EnableItem(1, false));
        QTest::keyClick(t.bar(), Qt::Key_Right);
        EXPECT_EQ(t.current(), 2);
        EXPECT_EQ(t.pages[0]->askedToLeave, 1);  // asked once: only one of them listens
    }
    EXPECT_EQ(t.sheet.GetTabCtrlEx(), &own);
    EXPECT_FALSE(own.IsItemEnabled(1));
    QTest::keyClick(t.bar(), Qt::Key_Left);
    EXPECT_EQ(t.current(), 0);
    EXPECT_FALSE(CTabCtrlEx().AttachToSheet(nullptr));
}

}  // namespace
