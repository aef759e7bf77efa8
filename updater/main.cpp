// Fennick, the updater: runs the update module found beside it when the product version
// that module updates is installed (updater.h). It takes no arguments, talks to the user
// only through error messages, and always ends with exit code 0, which the installers
// that start it expect.

#include "platform/module_path.h"
#include "updater/error_box.h"
#include "updater/installed_version.h"
#include "updater/updater.h"

int main() {
    fennick::UpdaterSetup setup;
    setup.programFolder = platform::ProgramFolder();
    setup.versionStore = fennick::VersionStorePath();
    setup.showError = fennick::ShowErrorBox;
    fennick::RunUpdate(setup);
    return 0;
}
