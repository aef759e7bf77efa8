// The mail list as a widget, offscreen: the pop-up menu's items for each selection, the
// right click on and off the rows, the main-menu actions following the selection, the
// header click, the column widths, the double click, and a screenshot for review.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include <set>

#include "app/shell/mail_list_columns.h"
#include "app/shell/tests/mail_list_fixture.h"
#include "app/shell/varnis_view.h"
#include "app/ui/testing/screenshot.h"
#include "app/ui/testing/type_text.h"
#include "core/foundation/ini_manager.h"

namespace {

using C = shell::MailListController;
using mltest::FakeScreens;

class VarnisViewTest : public mltest::MailListTest {
protected:
    void SetUp() override {
        MailListTest::SetUp();
        CIniManager::WriteProfileInt(EnvIni(), shell::mail_list::kWidthSection, "TITLEW", 240);
        view_ = std::make_unique<shell::CVarnisView>(screens_.registry);
        view_->Controller().SetProgramIniPath(root_ + "/Quendrel.ini");
        view_->resize(1000, 320);
        view_->OnInitialUpdate();
        view_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view_.get()));
    }
    void TearDown() override {
        view_.reset();
        MailListTest::TearDown();
    }

    std::set<int> EnabledPopupItems() {
        std::set<int> out;
        for (QAction* a : view_->PreparePopupMenu()->actions())
            if (a->isEnabled()) out.insert(a->data().toInt());
        return out;
    }
    QPoint RowCenter(int mailId) {
        const int row = view_->Controller().Model()->RowOfMail(mailId);
        return view_->visualRect(view_->model()->index(row, 1)).center();
    }
    // Right-clicks at `where` in the rows' area; the items of the pop-up menu that showed
    // (with their enabled state), or nothing when none showed.
    std::optional<std::map<QString, bool>> RightClick(QPoint where) {
        std::optional<std::map<QString, bool>> shown;
        QTimer probe;
        probe.setInterval(20);
        QObject::connect(&probe, &QTimer::timeout, [&] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                shown.emplace();
                for (QAction* a : menu->actions()) (*shown)[a->text()] = a->isEnabled();
                menu->close();
            }
        });
        probe.start();
        // The press selects; the context-menu event is what the window system sends with it.
        QTest::mouseClick(view_->viewport(), Qt::RightButton, {}, where);
        QContextMenuEvent event(QContextMenuEvent::Mouse, where, view_->viewport()->mapToGlobal(where));
        QApplication::sendEvent(view_->viewport(), &event);
        ui::test::WaitUntil([&] { return shown.has_value(); }, 300);
        return shown;
    }

    FakeScreens screens_;
    std::unique_ptr<shell::CVarnisView> view_;
};

TEST_F(VarnisViewTest, ThePopupMenuEnablesTheItemsTheSelectionAllows) {
    struct Case {
        std::vector<int> selection;
        std::set<int> enabled;
    };
    const Case cases[] = {
        {{1}, {C::kIdEditMail, C::kIdDuplicate, C::kIdDelete, C::kIdReserve, C::kIdDestinationDetail, C::kIdSendHistory}},
        {{2}, {C::kIdEditMail, C::kIdCancelReserve, C::kIdDestinationDetail, C::kIdSendHistory}},
        {{4}, {C::kIdDestinationDetail, C::kIdSendHistory}},
        {{7}, {C::kIdEditMail, C::kIdDuplicate, C::kIdDelete, C::kIdReserve, C::kIdDestinationDetail, C::kIdSendHistory}},
        {{1, 6}, {C::kIdDelete, C::kIdReserve}},
        {{1, 2}, {C::kIdReserve, C::kIdCancelReserve}},
        {{3, 9}, {C::kIdCancelReserve}},
        {{1, 4}, {}},
    };
    for (const Case& k : cases) {
        Select(view_->Controller(), k.selection);
        EXPECT_EQ(EnabledPopupItems(), k.enabled) << "selection of " << k.selection.size() << " from " << k.selection[0];
    }
    QStringList texts;
    for (QAction* a : view_->PreparePopupMenu()->actions()) texts << a->text();
    EXPECT_EQ(texts, QString::fromUtf8("編集|複製|削除|送信予約|予約解除|宛先詳細|送信履歴").split('|'));
}

TEST_F(VarnisViewTest, ARightClickOnARowSelectsItAndOpensTheMenuOffTheRowsNothing) {
    Select(view_->Controller(), {1});
    auto menu = RightClick(RowCenter(2));
    ASSERT_TRUE(menu.has_value());
    EXPECT_TRUE((*menu)[QString::fromUtf8("予約解除")]);
    EXPECT_FALSE((*menu)[QString::fromUtf8("送信予約")]);
    ASSERT_EQ(view_->Controller().SelectedRecords().size(), 1u);
    EXPECT_EQ(view_->Controller().SelectedRecords()[0].GetMailID(), 2);

    // Below the last row.
    EXPECT_FALSE(RightClick(QPoint(50, view_->viewport()->height() - 5)).has_value());
}

TEST_F(VarnisViewTest, TheMainMenuActionsFollowTheSelectionAndTheMode) {
    QAction* reserve = view_->CommandAction(C::kIdReserve);
    QAction* bar = view_->CommandAction(C::kIdReserveButton);
    Select(view_->Controller(), {2});
    ASSERT_TRUE(ui::test::WaitUntil([&] { return !reserve->isEnabled() && bar->isChecked(); }));
    EXPECT_TRUE(view_->CommandAction(C::kIdCancelReserve)->isEnabled());
    // The bar's 予約解除 cancels the reservation; the buttons then show a draft.
    view_->CommandAction(C::kIdCancelReserveButton)->trigger();
    EXPECT_EQ(StoredStatusOf(2), "D");
    ASSERT_TRUE(ui::test::WaitUntil([&] { return reserve->isEnabled(); }));
    EXPECT_FALSE(bar->isChecked());
    EXPECT_TRUE(view_->CommandAction(C::kIdCancelReserveButton)->isChecked());

    EXPECT_TRUE(view_->CommandAction(C::kIdModeAll)->isChecked());
    view_->CommandAction(C::kIdModeSent)->trigger();
    EXPECT_EQ(view_->Controller().Mode(), shell::mail_list::kModeSent);
    EXPECT_TRUE(view_->CommandAction(C::kIdModeSent)->isChecked());
    EXPECT_FALSE(view_->CommandAction(C::kIdModeAll)->isChecked());
    EXPECT_TRUE(view_->CommandAction(C::kIdInformationAutoShow)->isChecked());
}

TEST_F(VarnisViewTest, HeaderClicksSortAndDraggedWidthsAreKept) {
    QHeaderView* header = view_->horizontalHeader();
    EXPECT_EQ(header->sectionSize(0), 70);
    EXPECT_EQ(header->sectionSize(1), 240);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionViewportPosition(4) + 10, 5));
    EXPECT_EQ(view_->Controller().Model()->SavedSort().column, 4);
    EXPECT_EQ(Ids(*view_->Controller().Model()).front(), 7);  // エラー first

    header->resizeSection(2, 150);
    // Rows read again keep the widths.
    view_->Controller().SwitchMode(shell::mail_list::kModeDraft);
    EXPECT_EQ(header->sectionSize(2), 150);
    ASSERT_TRUE(view_->SaveColumnWidths());
    EXPECT_EQ(CIniManager::GetProfileIntA(EnvIni(), shell::mail_list::kWidthSection, "ADDRESSW", 0), 150u);
    // The report builds its own columns with their stored widths.
    view_->Controller().SwitchMode(shell::mail_list::kModeReport);
    EXPECT_EQ(header->count(), 8);
    EXPECT_EQ(header->sectionSize(4), 60);
}

TEST_F(VarnisViewTest, ADoubleClickEditsTheMail) {
    const QPoint where = RowCenter(6);
    QTest::mouseClick(view_->viewport(), Qt::LeftButton, {}, where);
    QTest::mouseDClick(view_->viewport(), Qt::LeftButton, {}, where);
    ASSERT_EQ(screens_.composed.size(), 1u);
    EXPECT_EQ(screens_.composed[0].mailId, 6);
}

// The list for people to look at, with Japanese mails of every kind and status.
using mltest::Screenshots;

TEST_F(Screenshots, MailListView) {
    AddMail({10, "C", "【重要】会員規約改定のお知らせ", "全会員（メルマガ希望者）", "NY", 1532, 12, 611});
    AddMail({11, "W", "ゴールデンウィーク特別セールのご案内", "神奈川県の会員", "NN"});
    FakeScreens screens;
    shell::CVarnisView view(screens.registry);
    view.Controller().SetProgramIniPath(root_ + "/Quendrel.ini");
    view.resize(980, 300);
    view.OnInitialUpdate();
    Select(view.Controller(), {2});
    EXPECT_TRUE(ui::test::SaveScreenshot(&view, "view_mail_list"));
    view.Controller().SwitchMode(shell::mail_list::kModeReport);
    EXPECT_TRUE(ui::test::SaveScreenshot(&view, "view_mail_list_report"));
}

}  // namespace
