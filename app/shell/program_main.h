#pragma once
// The program's start: the application object, its fonts and message boxes, the
// application of the program and its event loop, as main() runs them. Kept in the library
// so that everything that starts the program starts it through this one piece of code.

#include <functional>

namespace shell {

// Runs the program on the QApplication the caller made (the caller names the application
// and may choose the platform). `afterStart`, when given, runs once from the event loop
// after the start-up succeeded (the main window is up). Returns the program's exit code.
int RunProgram(std::function<void()> afterStart = {});

}  // namespace shell
