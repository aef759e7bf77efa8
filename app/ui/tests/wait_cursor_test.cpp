// The cursor guards: nested scopes put back exactly what they changed, and the ordinary
// cursor is only asked for while work shows the wait cursor.
#include <gtest/gtest.h>

#include <QGuiApplication>

#include "app/ui/wait_cursor.h"

namespace ui {
namespace {

Qt::CursorShape Shown() {
    const QCursor* cursor = QGuiApplication::overrideCursor();
    return cursor != nullptr ? cursor->shape() : Qt::BitmapCursor;  // Bitmap: no override
}

TEST(WaitCursor, NestedScopesRestoreWhatTheyChanged) {
    ASSERT_EQ(QGuiApplication::overrideCursor(), nullptr);
    {
        NormalCursor idle;  // no work going on: nothing to set
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    }
    {
        WaitCursor work;
        EXPECT_EQ(Shown(), Qt::WaitCursor);
        {
            NormalCursor asking;
            EXPECT_EQ(Shown(), Qt::ArrowCursor);
            WaitCursor more;
            EXPECT_EQ(Shown(), Qt::WaitCursor);
        }
        EXPECT_EQ(Shown(), Qt::WaitCursor);
    }
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

}  // namespace
}  // namespace ui
