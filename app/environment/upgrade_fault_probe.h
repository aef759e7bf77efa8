#pragma once
// The points at which the environment upgrade can be made to fail on purpose, so that
// tests prove that a failure (or a process killed) at any of them leaves an environment
// that the next open finishes or rolls back. Each step of the upgrade asks
// UpgradeFaultAt(point) just before its work: the installed probe answers true to make
// that step fail as a real failure of it would (a probe may also end the process there).
//
// Points (one per unit of work, in the order the upgrade meets them):
//   "backup:copy"                            each entry copied into the backup
//   "layout:89", "y1:mail-list", "layout:Y1" the steps before "Y2" and their records
//   "y2:book", "y2:generation", "y2:extract-list", "y2:mail-list", "y2:conditions",
//   "layout:Y2"                              the conversions of the "Y2" step, its record
//   "recode:descriptor", "recode:<stage>"    the staged descriptor and each staged file
//                                            (stages 1-9 as EnvironmentRecoding numbers them)
//   "swap:journal", "swap:rename", "swap:finish"
//                                            the commit of the swap: its journal, each
//                                            rename (also when the next open finishes
//                                            one), the removal of the journal
//   "finish:reopen"                          the descriptor reopened after the swap
// No probe is installed in the program: every point then answers false.

#include <functional>
#include <string_view>

namespace shell {

using UpgradeFaultProbe = std::function<bool(std::string_view point)>;

// Installs `probe` for the whole process (empty: none). Tests only.
void SetUpgradeFaultProbeForTesting(UpgradeFaultProbe probe);
// True when the installed probe asks the step at `point` to fail.
bool UpgradeFaultAt(std::string_view point);

}  // namespace shell
