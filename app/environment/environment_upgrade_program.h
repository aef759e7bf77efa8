#pragma once
// ProgramEnvironmentUpgrade: the program's conversion of environments written by older
// versions, installed into the environment service (EnvironmentService::
// SetEnvironmentUpgrade). The layout generation is system option 89; each generation's
// step runs once, in order, in one open:
//   "89" (or never stored)  options 82-88 get their defaults                   -> "Y1"
//   "Y1"                    the mail list gets the HTML-mail flag column         -> "Y2"
//   "Y2"                    the address book and its generations join the fields
//                           older versions kept split; the saved-extraction list
//                           gets its deletion mark and honorific; conditions on
//                           the emptied fields are dropped; mails other than sent,
//                           failed and deleted ones go back to draft; options
//                           90-119 get their defaults                            -> "Y3"
//   "Y3"                    every file is re-coded with a new data key
//                           (EnvironmentRecoding); options 120-122               -> "Y5"
//   "Y4", "Y5"              current: nothing
//
// A step records its generation only after its work was written: an interruption or a
// failed write leaves the older generation recorded, and the next open runs the step
// again (its conversions are idempotent). Before anything is converted, the environment
// is backed up once (old_environment_backup.h).
//
// Results of UpgradeEnvironment (EnvironmentUpgrade's enumeration):
//   kUpgraded  the re-coding ran: `notice` holds what the person should know now;
//   kCurrent   nothing more to do (also after the steps before the re-coding);
//   kFailed    a manager is missing, or a step's write failed (nothing recorded);
//   kNotForProduct  option 89 names no layout of this program;
//   kNotConvertible7  the re-coding failed (the environment is as it was) or its swap
//              was interrupted (the next open finishes it).
// On kUpgraded and kCurrent `wizard` is true when the environment asked for the setup
// wizard (option 112 "Y", then stored "N").

#include <QString>

#include <string>

#include "app/environment/environment_upgrade.h"
#include "core/addressbook/extract_action.h"

class EnvManager;

namespace shell {

class EnvironmentUi;

class ProgramEnvironmentUpgrade : public EnvironmentUpgrade {
public:
    // `ui` offers the start-up password of the re-coded environment; null offers none.
    explicit ProgramEnvironmentUpgrade(EnvironmentUi* ui = nullptr);
    void SetUi(EnvironmentUi* ui) { ui_ = ui; }

    // The backup "<root>/旧環境バックアップ/<name>" (made once). On failure the core's
    // message (9003 or 8010) is shown as text and caption with the error icon: -1.
    int BackupOldEnvironment(EnvironmentManagers& next) override;
    int UpgradeEnvironment(EnvironmentManagers& next, QString& notice, bool& wizard) override;

    // The joining of the "Y2" step applied to every generation of the address book
    // (DB/database.001 .. SAVE_MAX) in place; a generation that does not read is skipped.
    // 0, or -1 when a converted generation could not be written.
    static int UpgradeBackupGenerations(EnvManager& env);
    // Drops the conditions on the emptied fields from the conditions of one mail
    // (EC_TYPE_MAIL) or saved extraction (EC_TYPE_EXTRACT). 0 (also when nothing changed);
    // -1 when the conditions do not read (nothing written); -2 when they could not be
    // written.
    static int UpgradeExtractConditions(EnvManager& env, ECTYPE kind, int id);

    // The notice shown after a re-coding.
    static QString UpgradeNotice();

private:
    EnvironmentUi* ui_;
};

}  // namespace shell
