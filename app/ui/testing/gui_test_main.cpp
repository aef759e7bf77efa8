// main() of every GUI test binary: a QApplication on the offscreen platform (unless the
// environment names another) with the program's fonts, then the tests.
#include <gtest/gtest.h>

#include <QApplication>

#include <cstdlib>

#include "app/ui/font_layer.h"

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    ui::InstallProgramFonts();
    return RUN_ALL_TESTS();
}
