#include "app/environment/environment_upgrade.h"

#include "app/environment/environment_managers.h"

namespace shell {

bool IsCurrentLayout(const std::string& option89) { return option89 == "Y5" || option89 == "Y4"; }

int DefaultEnvironmentUpgrade::BackupOldEnvironment(EnvironmentManagers&) { return 0; }

bool TakeWizardRequest(SystemOption& options) {
    std::string asked;
    if (options.GetSODataFromMemoryPinPoint(112, asked) != 0 || asked != "Y") return false;
    options.SetSODataToMemoryPinPoint(112, "N");
    options.WriteSODataFromMemoryToFile();
    return true;
}

int DefaultEnvironmentUpgrade::UpgradeEnvironment(EnvironmentManagers& next, QString&, bool& wizard) {
    std::string layout;
    if (next.options == nullptr || next.options->GetSODataFromMemoryPinPoint(89, layout) != 0) return kFailed;
    if (!IsCurrentLayout(layout)) return kFailed;
    wizard = TakeWizardRequest(*next.options);
    return kCurrent;
}

}  // namespace shell
