// main() of the end-to-end test binary. Started plainly it runs the tests; started by a
// test with --e2e-phase=NAME --e2e-folder=DIR it is the program, made as the program's
// own main makes it, and acts as its user for that phase.
#include <gtest/gtest.h>

#include <QApplication>

#include <cstdlib>
#include <string>

#include "app/e2e/phase.h"

int main(int argc, char** argv) {
    std::string phase, folder;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--e2e-phase=", 0) == 0) phase = arg.substr(12);
        if (arg.rfind("--e2e-folder=", 0) == 0) folder = arg.substr(13);
    }
    if (!phase.empty()) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        // The program sees only its own name on its command line, as a user starts it.
        int programArgc = 1;
        char* programArgv[] = {argv[0], nullptr};
        QApplication app(programArgc, programArgv);
        return e2e::RunPhase(phase, folder);
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
