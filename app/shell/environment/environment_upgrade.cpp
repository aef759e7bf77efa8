#include "app/shell/environment/environment_upgrade.h"

#include "app/shell/environment/environment_managers.h"

namespace shell {

bool IsCurrentLayout(const std::string& option89) { return option89 == "Y5" || option89 == "Y4"; }

int DefaultEnvironmentUpgrade::BackupOldEnvironment(EnvironmentManagers&) { return 0; }

int DefaultEnvironmentUpgrade::UpgradeEnvironment(EnvironmentManagers& next, QString&) {
    std::string layout;
    if (next.options == nullptr || next.options->GetSODataFromMemoryPinPoint(89, layout) != 0) return kFailed;
    return IsCurrentLayout(layout) ? kCurrent : kFailed;
}

}  // namespace shell
