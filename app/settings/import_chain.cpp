#include "app/settings/import_chain.h"

#include "app/settings/import_format_dlg.h"
#include "app/settings/import_wizard.h"
#include "app/settings/other_import_dlg.h"
#include "platform/notifier.h"

namespace settings {

int RunAddressImport(QWidget* parent) {
    CImportFormatDlg format(parent);
    if (format.DoModal() != platform::kIdOk) return 0;
    const int kind = format.GetKind();
    if (kind < kImportCsv || kind > kImportBecky) return 0;
    int dmMode = -1;
    if (kind <= kImportBrindell) {
        CImportConfirmDlg confirm(parent, kind);
        if (confirm.DoModal() != platform::kIdOk) return 0;
    } else {
        CDmFlagModeDlg flags(parent, kind);
        if (flags.DoModal() != platform::kIdOk) return 0;
        dmMode = flags.GetMode();
    }
    if (kind == kImportCsv) {
        CImportConfSheet wizard(parent);
        return wizard.DoModal();
    }
    CImportOtherDlg other(parent, kind, dmMode);
    return other.DoModal();
}

}  // namespace settings
