#pragma once
// RunAddressImport: the personal-information list's import command, after its own check
// that no send or receive run is under way. It asks the format (CImportFormatDlg); for
// general CSV, Tormask and Brindell the duplicate-address confirmation (CImportConfirmDlg),
// for the mail programs' books the DM-flag mode (CDmFlagModeDlg); then runs the CSV import
// wizard (CImportConfSheet) or the other-program import (CImportOtherDlg). Cancelling any
// question ends the chain with 0.
//
// Returns the import screen's result: 1 completed, -1 failed or stopped (the caller reloads
// its list on both), 2 or 0 when nothing was imported.

class QWidget;

namespace settings {

int RunAddressImport(QWidget* parent);

}  // namespace settings
