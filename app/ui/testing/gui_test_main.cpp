// main() of every GUI test binary: a QApplication on the offscreen platform (unless the
// environment names another) with the program's fonts and its guard of text input, then
// the tests.
#include <gtest/gtest.h>

#include <QApplication>

#include <cstdlib>

#include "app/ui/font_layer.h"
#include "app/ui/sjis_input_guard.h"

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    ui::InstallProgramFonts();
    ui::InstallSjisInputGuard();
    return RUN_ALL_TESTS();
}
