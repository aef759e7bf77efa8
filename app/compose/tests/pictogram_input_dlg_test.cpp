// The pictogram palette: its grid for lists of any length, the queue of chosen codes that
// the page takes one per signal, and the looks the screens draw pictograms with.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>

#include "app/compose/pictogram_glyphs.h"
#include "app/compose/pictogram_input_dlg.h"
#include "app/mailtext/pictogram_table_data.h"
#include "app/ui/sjis_text.h"
#include "app/ui/testing/type_text.h"

namespace {
namespace pictogram_input_dlg_test {

using namespace compose;

PictogramList PaletteOf(std::size_t count) {
    PictogramList list;
    for (std::size_t i = 0; i < count; ++i)
        list.Add(PictogramEntry(pictogram_data::kCommon[i % 200].docomo, 333 + static_cast<int>(i)));
    return list;
}

// A double-click as the window system delivers it: press, release, then the double-click
// event and its release.
void DoubleClick(QWidget* target, const QPoint& at) {
    const QPointF global = target->mapToGlobal(QPointF(at));
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
                              QEvent::MouseButtonRelease}) {
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, QPointF(at), global, Qt::LeftButton, held, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }
}

std::string Bytes(std::uint16_t code) { return {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)}; }

TEST(PictogramList, GrowsBy200AndCopies) {
    PictogramList list = PaletteOf(200);
    EXPECT_EQ(list.GetRoom(), 200u);
    list.Add(PictogramEntry(0xF89F, 1));
    EXPECT_EQ(list.GetCount(), 201u);
    EXPECT_EQ(list.GetRoom(), 400u);
    const PictogramList copy = list;
    EXPECT_EQ(copy.GetCount(), 201u);
    EXPECT_EQ(copy.GetAt(200).Code(), Bytes(0xF89F));
    EXPECT_EQ(copy.GetAt(0).bitmapId, 333);
}

TEST(PictogramDialog, LaysOutTenColumnsForAnyCount) {
    for (std::size_t count : {200u, 201u, 7u}) {
        CPictogramDialog dialog;
        dialog.SetPictogramList(PaletteOf(count));
        EXPECT_EQ(dialog.Grid()->columnCount(), 10) << count;
        EXPECT_EQ(dialog.Grid()->rowCount(), static_cast<int>((count + 9) / 10)) << count;
        EXPECT_EQ(dialog.Grid()->currentRow(), 0);
        EXPECT_EQ(dialog.Grid()->currentColumn(), 0);
    }
}

TEST(PictogramDialog, DeliversQuickChoicesInOrderOnePerSignal) {
    QWidget page;
    CPictogramDialog dialog(&page);
    dialog.SetPictogramList(PaletteOf(201));
    QSignalSpy chosen(&dialog, &CPictogramDialog::pictogramChosen);
    EXPECT_EQ(dialog.GetSelectedCode(), "");

    dialog.Grid()->setCurrentCell(0, 3);
    dialog.InsertSelectedPictogram();
    dialog.Grid()->setCurrentCell(19, 9);
    dialog.InsertSelectedPictogram();
    EXPECT_EQ(chosen.count(), 0);  // posted: the page hears of them after this returns
    ASSERT_TRUE(ui::test::WaitUntil([&] { return chosen.count() == 2; }));
    EXPECT_EQ(dialog.GetSelectedCode(), Bytes(pictogram_data::kCommon[3].docomo));
    EXPECT_EQ(dialog.GetSelectedCode(), Bytes(pictogram_data::kCommon[199].docomo));
    EXPECT_EQ(dialog.GetSelectedCode(), "");
}

TEST(PictogramDialog, AnEmptyCellOfTheLastRowInsertsNothing) {
    CPictogramDialog dialog;
    dialog.SetPictogramList(PaletteOf(201));
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QSignalSpy chosen(&dialog, &CPictogramDialog::pictogramChosen);
    QTableWidget* grid = dialog.Grid();
    grid->scrollToBottom();
    QApplication::processEvents();
    const QRect empty = grid->visualRect(grid->model()->index(20, 4));
    DoubleClick(grid->viewport(), empty.center());
    EXPECT_EQ(grid->currentRow(), 20);  // the click reached the empty cell
    EXPECT_EQ(grid->currentColumn(), 4);
    QTest::qWait(20);
    EXPECT_EQ(chosen.count(), 0);
    EXPECT_EQ(dialog.GetSelectedCode(), "");

    const QRect last = grid->visualRect(grid->model()->index(20, 0));
    DoubleClick(grid->viewport(), last.center());
    ASSERT_TRUE(ui::test::WaitUntil([&] { return chosen.count() == 1; }));
    EXPECT_EQ(dialog.GetSelectedCode(), Bytes(pictogram_data::kCommon[0].docomo));
}

TEST(PictogramLooks, CoverEveryCodeAndAgreeWithTheTextBoundary) {
    // Every pictogram of the palettes has an emoji; each of the 252 codes reaches the
    // widgets as the private-use character the looks are found by.
    for (const auto& row : pictogram_data::kCommon) {
        const PictogramLook* look = FindPictogramLook(row.docomo);
        ASSERT_NE(look, nullptr) << std::hex << row.docomo;
        EXPECT_FALSE(look->emoji.isEmpty()) << std::hex << row.docomo;
    }
    for (const auto& row : pictogram_data::kImodeJis) {
        const QString shown = ui::FromSjis(Bytes(row.source));
        ASSERT_EQ(shown.size(), 1);
        EXPECT_EQ(shown.at(0).unicode(), PictogramCharOf(row.source));
        EXPECT_EQ(PictogramCodeOf(shown.at(0).unicode()), row.source);
        const PictogramLook* look = FindPictogramLook(row.source);
        ASSERT_NE(look, nullptr);
        EXPECT_FALSE(look->emoji.isEmpty() && look->label.isEmpty());
    }
    EXPECT_EQ(FindPictogramLook(0xF8A5)->name, ui::U8("霧"));
    EXPECT_TRUE(FindPictogramLook(0xF975)->emoji.isEmpty());  // iモード: the carrier's own mark
    EXPECT_EQ(FindPictogramLook(0xF975)->label, ui::U8("[iモード]"));
    EXPECT_EQ(FindPictogramLook(0xF040), nullptr);  // user-defined, but no pictogram
    EXPECT_EQ(PictogramCodeOf(u'a'), 0);
}

}  // namespace pictogram_input_dlg_test
}  // namespace
