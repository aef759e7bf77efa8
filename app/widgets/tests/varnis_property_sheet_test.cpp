#include <gtest/gtest.h>

#include <QFontInfo>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <vector>

#include "app/widgets/tests/test_page.h"
#include "app/widgets/varnis_property_sheet.h"
#include "app/ui/control_ids.h"
#include "app/ui/testing/screenshot.h"
#include "platform/notifier.h"

namespace {

using shell::CVarnisPropertySheet;
using shell::test::TestPage;

struct ThreePages {
    CVarnisPropertySheet sheet{QString::fromUtf8("設定")};
    std::vector<TestPage*> pages;

    ThreePages() {
        for (const char* title : {"基本", "送信", "受信"}) {
            pages.push_back(new TestPage);
            sheet.AddPage(pages.back(), QString::fromUtf8(title));
        }
    }
    void press(int id) { QTest::mouseClick(ui::FindControl<QPushButton>(&sheet, id), Qt::LeftButton); }
};

TEST(VarnisPropertySheet, SheetAndPagesUseTheDialogFontInTheProgramsJapaneseFace) {
    ThreePages t;
    auto* plain = new QWidget;
    plain->setFont(QFont(QStringLiteral("Serif"), 20));
    t.sheet.AddPage(plain, QStringLiteral("plain"));
    for (QWidget* w : {static_cast<QWidget*>(&t.sheet), static_cast<QWidget*>(t.pages[1]), plain}) {
        EXPECT_EQ(w->font().family(), QStringLiteral("MS UI Gothic"));
        EXPECT_EQ(w->font().pointSize(), 9);
        EXPECT_EQ(QFontInfo(w->font()).family(), QStringLiteral("Noto Sans CJK JP"));
    }
}

TEST(VarnisPropertySheet, OkAsksTheActivePageThenStoresEveryPage) {
    ThreePages t;
    t.sheet.show();
    t.sheet.GetTabControl()->setCurrentIndex(1);

    t.pages[1]->mayLeave = false;  // the active page finds an error: nothing is stored
    t.press(CVarnisPropertySheet::kIdcOk);
    EXPECT_TRUE(t.sheet.isVisible());
    EXPECT_EQ(t.pages[1]->askedToLeave, 1);
    EXPECT_EQ(t.pages[0]->applied + t.pages[1]->applied + t.pages[2]->applied, 0);

    t.pages[1]->mayLeave = true;  // a later page cannot store: it is shown, the sheet stays
    t.pages[2]->mayApply = false;
    t.press(CVarnisPropertySheet::kIdcOk);
    EXPECT_TRUE(t.sheet.isVisible());
    EXPECT_EQ(t.sheet.GetActiveIndex(), 2);
    EXPECT_EQ(t.pages[0]->applied, 1);
    EXPECT_EQ(t.pages[1]->applied, 1);

    t.pages[2]->mayApply = true;  // Apply stores and stays open; OK stores and closes
    t.press(CVarnisPropertySheet::kIdcApply);
    EXPECT_TRUE(t.sheet.isVisible());
    EXPECT_EQ(t.pages[0]->applied, 2);
    t.press(CVarnisPropertySheet::kIdcOk);
    EXPECT_FALSE(t.sheet.isVisible());
    EXPECT_EQ(t.sheet.result(), QDialog::Accepted);
    EXPECT_EQ(t.pages[2]->applied, 3);
    for (TestPage* page : t.pages) EXPECT_EQ(page->cancelled, 0);
}

TEST(VarnisPropertySheet, DoModalOpensOnTheFirstPageAndAnswersOkOrCancel) {
    struct Case {
        int button;
        int expected;
    };
    for (Case c : {Case{CVarnisPropertySheet::kIdcOk, platform::kIdOk},
                   Case{CVarnisPropertySheet::kIdcCancel, platform::kIdCancel}}) {
        CVarnisPropertySheet sheet(QStringLiteral("modal"), nullptr, 2);
        std::vector<TestPage*> pages;
        for (int i = 0; i < 3; ++i) {
            pages.push_back(new TestPage);
            sheet.AddPage(pages.back(), QStringLiteral("p%1").arg(i));
        }
        int shownFirst = -1;
        QTimer::singleShot(0, &sheet, [&] {
            shownFirst = sheet.GetActiveIndex();
            QTest::mouseClick(ui::FindControl<QPushButton>(&sheet, c.button), Qt::LeftButton);
        });
        EXPECT_EQ(sheet.DoModal(), c.expected);
        EXPECT_EQ(shownFirst, 2);
        for (TestPage* page : pages) {
            EXPECT_EQ(page->applied, c.expected == platform::kIdOk ? 1 : 0);
            EXPECT_EQ(page->cancelled, c.expected == platform::kIdCancel ? 1 : 0);
        }
    }
}

TEST(VarnisPropertySheet, SetActivePageAsksTheActivePage) {
    ThreePages t;
    t.pages[0]->mayLeave = false;
    EXPECT_FALSE(t.sheet.SetActivePage(2));
    EXPECT_EQ(t.sheet.GetActiveIndex(), 0);
    t.pages[0]->mayLeave = true;
    EXPECT_TRUE(t.sheet.SetActivePage(2));
    EXPECT_EQ(t.sheet.GetActivePage(), t.pages[2]);
}

TEST(VarnisPropertySheet, ModelessSheetsHaveNoButtonsAndAChildStaysInItsParent) {
    ThreePages popup;
    ASSERT_EQ(popup.sheet.Create(), 1);
    EXPECT_TRUE(popup.sheet.isVisible());
    EXPECT_TRUE(popup.sheet.isWindow());
    EXPECT_FALSE(popup.sheet.isModal());
    EXPECT_TRUE(popup.sheet.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(ui::FindControl<QPushButton>(&popup.sheet, CVarnisPropertySheet::kIdcOk)->isVisible());
    EXPECT_EQ(popup.sheet.Create(), 0);  // already there

    QWidget parent;
    ThreePages inner;
    EXPECT_EQ(inner.sheet.Create(nullptr, CVarnisPropertySheet::kWsChild | CVarnisPropertySheet::kWsVisible), 0);
    ASSERT_EQ(inner.sheet.Create(&parent, CVarnisPropertySheet::kWsChild | CVarnisPropertySheet::kWsVisible), 1);
    parent.show();
    EXPECT_FALSE(inner.sheet.isWindow());
    EXPECT_EQ(inner.sheet.parentWidget(), &parent);
    EXPECT_TRUE(inner.sheet.isVisible());
    QTest::keyClick(inner.pages[0], Qt::Key_Escape);  // the parent's business, not the sheet's
    EXPECT_TRUE(inner.sheet.isVisible());
    EXPECT_EQ(inner.pages[0]->cancelled, 0);
}

TEST(Screenshots, PropertySheetWithADisabledTab) {
    ThreePages t;
    t.sheet.resize(420, 300);
    t.sheet.GetTabCtrlEx()->EnableItem(2, false);
    EXPECT_TRUE(ui::test::SaveScreenshot(&t.sheet, QStringLiteral("shell_property_sheet")));
}

}  // namespace
