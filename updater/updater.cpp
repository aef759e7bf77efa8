#include "updater/updater.h"

#include <chrono>

#include "platform/process_runner.h"
#include "updater/installed_version.h"
#include "updater/update_module.h"

namespace fennick {

UpdateResult RunUpdate(const UpdaterSetup& setup) {
    const auto show = [&](const std::string& text, const std::string& caption) {
        if (setup.showError) setup.showError(text, caption);
    };

    // Only the program's own folder: see updater.h. Unknown, it is no folder at all (not
    // the current one).
    if (setup.programFolder.empty()) {
        show(kNoOwnFolderMessage, kProgramName);
        return UpdateResult::kNoOwnFolder;
    }
    const std::optional<FoundModule> module = FindUpdateModule({setup.programFolder});
    if (!module) {
        if (const std::optional<FoundModule> outside = FindUpdateModule({"."})) {
            show(std::string(kModuleOutsideMessage) + "\n" + outside->path, kProgramName);
            return UpdateResult::kModuleOutside;
        }
        show(kNoModuleMessage, kProgramName);
        return UpdateResult::kNoModule;
    }

    std::string installed;
    if (!ReadInstalledVersion(setup.versionStore, installed) ||
        !InstalledVersionMatches(installed, module->kind->expectedVersion)) {
        show(kNotInstalledMessage, module->kind->caption);
        return UpdateResult::kNotInstalled;
    }

    int exitCode = 0;
    const platform::ProcessEnd end =
        platform::RunProcess({module->path}, std::chrono::milliseconds(0), {}, exitCode);
    if (end == platform::ProcessEnd::kNotStarted) {
        show(std::string(kCannotStartMessage) + "\n" + module->path, module->kind->caption);
        return UpdateResult::kStartFailed;
    }
    return UpdateResult::kModuleRan;
}

}  // namespace fennick
