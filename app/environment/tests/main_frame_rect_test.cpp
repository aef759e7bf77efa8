// The main window's saved place: kept wherever a screen that exists still shows enough
// of it (a second screen, a large desktop), put back to the centred default where none
// does, and stored as left, top, right, bottom.

#include <gtest/gtest.h>

#include <QList>
#include <QRect>

#include "app/environment/main_frame_rect.h"
#include "env_service_test_util.h"

namespace {

using envsvc::EnvServiceTest;

TEST(MainFrameRect, KeptOnlyWhereAScreenShowsIt) {
    const QList<QRect> one = {QRect(0, 0, 1920, 1080)};
    const QList<QRect> two = {QRect(0, 0, 1920, 1080), QRect(1920, 0, 2560, 1440)};
    const QRect centred(510, 300, 900, 480);
    struct Case {
        const char* what;
        QRect saved;
        QList<QRect> screens;
        QRect expected;
    } cases[] = {
        {"inside", QRect(100, 50, 1000, 700), one, QRect(100, 50, 1000, 700)},
        {"on the second screen, beyond the old fixed limits", QRect(2600, 200, 1800, 1100), two,
         QRect(2600, 200, 1800, 1100)},
        {"larger than the screen", QRect(-8, -8, 3000, 2000), one, QRect(-8, -8, 3000, 2000)},
        {"mostly off, a grip left", QRect(1856, 1048, 900, 480), one, QRect(1856, 1048, 900, 480)},
        {"a sliver left", QRect(1900, 1060, 900, 480), one, centred},
        {"second screen unplugged", QRect(2600, 200, 800, 600), one, centred},
        {"never saved", QRect(), one, centred},
        {"centred on the first screen", QRect(), {QRect(100, 50, 1100, 680)}, QRect(200, 150, 900, 480)},
        {"no screen at all", QRect(10, 10, 500, 500), {}, QRect(0, 0, 900, 480)},
    };
    for (const Case& c : cases) EXPECT_EQ(shell::CheckMainFrameRect(c.saved, c.screens), c.expected) << c.what;
}

TEST_F(EnvServiceTest, MainFrameRectRoundTrip) {
    const QList<QRect> screens = {QRect(0, 0, 1920, 1080)};
    const std::string ini = base_ + "QuendrelT.ini";
    EXPECT_EQ(shell::LoadMainFrameRect(ini, screens), QRect(510, 300, 900, 480));  // nothing saved
    ASSERT_TRUE(shell::SaveMainFrameRect(ini, QRect(30, 40, 1000, 600)));
    EXPECT_EQ(CIniManager::GetProfileIntA(ini, "MAINFRAMEINFO", "RIGHT", 0), 1030u);
    EXPECT_EQ(CIniManager::GetProfileIntA(ini, "MAINFRAMEINFO", "BOTTOM", 0), 640u);
    EXPECT_EQ(shell::LoadMainFrameRect(ini, screens), QRect(30, 40, 1000, 600));

    // Values no desktop holds are no place either.
    ASSERT_TRUE(CIniManager::WriteProfileStringA(ini, "MAINFRAMEINFO", "RIGHT", "2147483647"));
    ASSERT_TRUE(CIniManager::WriteProfileStringA(ini, "MAINFRAMEINFO", "LEFT", "-2147483648"));
    EXPECT_EQ(shell::LoadMainFrameRect(ini, screens), QRect(510, 300, 900, 480));

    EXPECT_FALSE(shell::SaveMainFrameRect("", QRect(30, 40, 1000, 600)));
    EXPECT_EQ(shell::LoadMainFrameRect("", screens), QRect(510, 300, 900, 480));
}

}  // namespace
