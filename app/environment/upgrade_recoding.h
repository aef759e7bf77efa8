#pragma once
// EnvironmentRecoding: the last step of the upgrade of an older environment ("Y3"): every
// data file, written without a key by older versions, is rewritten with a new data key
// under a new descriptor, and the environment becomes current ("Y5").
//
// Nothing of the environment is replaced until everything is written. The new
// descriptor, the options (already saying "Y5"), the address book with its generations,
// the mail list, every mail's files, the attachments in their per-terminal layout, the
// saved extractions, the automatic registrations and the test-mail recipients are
// written beside their old files (UpgradeSwap stages), and only then swapped in, under a
// journal that the next open finishes should the process die half way. A stage that
// fails removes what was staged and leaves every old file, the descriptor included,
// exactly as it was: the environment opens as before and the upgrade can run again.
//
// The stages, numbered as the failure is recorded:
//   0 the new descriptor (then the person may give it a start-up password)
//   1 systemoption.dat                2 DB/database.dat with its journal, then each
//                                       generation that reads
//   3 MAIL/maillist.dat (waiting mails back to draft first)
//   4 each mail's body, conditions, recipients, history and attachments (the older
//     one-list layout becomes the list of terminal type 0; the other types get none,
//     which reads as an empty list)
//   5 EXTRACT/extrlist.dat            6 each saved extraction's conditions and members
//   7 DB/autoreg.dat   8 DB/autoref.dat   9 DB/testmailinginfo.dat
// A file that is absent is skipped; a file that exists but does not read whole fails its
// stage (it would be unreadable under the new key too, and its old form stays usable).
// A generation of the address book that does not read is left as it is.
//
// After the swap the environment's descriptor object is reopened on the new descriptor,
// so every store holding it codes with the new key from then on.

#include <string>
#include <vector>

class EnvManager;

namespace shell {

// The file of the address book's backup generation `n` (1..): DB/database.001 and on.
std::string GenerationFile(const EnvManager& env, int n);

class EnvironmentUi;
struct EnvironmentManagers;

class EnvironmentRecoding {
public:
    // `next`: every manager of the environment being opened, unkeyed (type 3). `ui` may
    // be null (no start-up password is offered then).
    EnvironmentRecoding(EnvironmentManagers& next, EnvironmentUi* ui);

    // Re-codes and swaps. `options` (123 items) is stored as the new options, with the
    // "Y3" step's defaults and option 89 "Y5" added. 1 when the environment is current
    // now; -7 when a stage failed (FailedStage) or the swap was interrupted (the next open
    // then finishes it).
    int Run(std::vector<std::string>& options);
    // The stage that failed (-1 when none; 10 for the swap, 11 for the reopen after it).
    int FailedStage() const { return failedStage_; }

private:
    EnvironmentManagers& next_;
    EnvironmentUi* ui_;
    int failedStage_ = -1;
};

}  // namespace shell
