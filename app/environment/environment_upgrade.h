#pragma once
// The two points where opening an environment deals with environments of an older layout
// (system option 89 below "Y5"): a backup of the environment before anything of it is
// converted, and the conversion itself, after the other managers are made.
//
// The program installs its converter (ProgramEnvironmentUpgrade,
// environment_upgrade_program.h); until then DefaultEnvironmentUpgrade opens current
// environments and refuses every older one, so an old environment is never used
// unconverted.

#include <QString>

#include <string>

class SystemOption;

namespace shell {

struct EnvironmentManagers;

class EnvironmentUpgrade {
public:
    // Results of UpgradeEnvironment, as the open words them.
    enum : int {
        kUpgraded = 1,            // converted: `notice` is shown before the open goes on
        kCurrent = 0,             // nothing to do
        kFailed = -1,             // "[エラーコード:0005-01]"
        kOtherProduct = -2,       // "[エラーコード:0005-02]"
        kNotForProduct = -5,      // "[エラーコード:0005-05]"
        kNotConvertible6 = -6,    // "[エラーコード:0005-06]"
        kNotConvertible7 = -7,    // "[エラーコード:0005-07]"
    };

    virtual ~EnvironmentUpgrade() = default;
    // Called with the descriptor and the options read when option 89 names an older
    // layout, before the address book is read. 0 to go on; negative refuses the
    // environment ("バックアップ異常", code 0005-06).
    virtual int BackupOldEnvironment(EnvironmentManagers& next) = 0;
    // Called with every manager made. One of the results above (any other negative one
    // counts as kFailed). On success `wizard` tells whether the environment asks for the
    // setup wizard (see TakeWizardRequest); it comes in false.
    virtual int UpgradeEnvironment(EnvironmentManagers& next, QString& notice, bool& wizard) = 0;
};

// True for the layouts that need no conversion: "Y5", and "Y4" (which converts to
// nothing and must not be backed up again at every open).
bool IsCurrentLayout(const std::string& option89);

// A new (or newly converted) environment asks once for the setup wizard: option 112 "Y".
// True when it does; the option is then stored as "N", so the wizard is offered once.
bool TakeWizardRequest(SystemOption& options);

// Backs up nothing; upgrades nothing; refuses (kFailed) every environment whose option 89
// is not a current layout. A current one passes with its wizard request taken.
class DefaultEnvironmentUpgrade : public EnvironmentUpgrade {
public:
    int BackupOldEnvironment(EnvironmentManagers& next) override;
    int UpgradeEnvironment(EnvironmentManagers& next, QString& notice, bool& wizard) override;
};

}  // namespace shell
