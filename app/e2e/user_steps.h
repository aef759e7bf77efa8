#pragma once
// The user's steps, one function per phase. `before` registers the answers to the windows
// of the program's start (run before the start-up); `run` acts from the event loop once
// the main window is up, and the runner then exits the program through its menu.

#include <functional>
#include <string>

#include "app/e2e/phase.h"
#include "app/e2e/user_prompts.h"
#include "app/ui/testing/prompt_recorder.h"

namespace shell {
class CMainFrame;
}

namespace e2e {

struct PhaseContext {
    std::string folder;
    Settings conf;   // written by the test
    Settings state;  // kept from phase to phase
    UserPrompts* prompts = nullptr;
    ui::test::FilePickerRecorder* files = nullptr;
    // The configuration value `key` (a fault when missing).
    std::string Conf(const std::string& key) const;
};

struct PhaseSteps {
    std::function<void(PhaseContext&)> before;
    std::function<void(PhaseContext&)> run;
};

// The phase called `name`; both empty when there is none.
PhaseSteps FindPhase(const std::string& name);

// The main window of the running program.
shell::CMainFrame* Frame();
// Chooses command `id` of the main window as the user does through its menu; false (a
// fault) when it is missing or disabled.
bool Menu(int id);

}  // namespace e2e
