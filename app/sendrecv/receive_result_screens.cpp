#include "app/sendrecv/receive_result_screens.h"

#include "app/sendrecv/auto_ref_list_dlg.h"
#include "app/sendrecv/auto_reg_list_dlg.h"
#include "app/sendrecv/receive_stores.h"
#include "app/sendrecv/send_job.h"
#include "core/foundation/record_table.h"

namespace {
bool HasRows(int which) {
    BaseRecordStructer rows;
    return receive_stores::LoadList(SendEnvironment::Program().env, which, rows) == receive_stores::kLoaded &&
           rows.GetRecordNumber() > 0;
}
}  // namespace

int ShowAutoRegMails(QWidget* parent) {
    if (!HasRows(receive_stores::kRegistrations)) return 0;
    CAutoRegListDlg dialog(parent);
    dialog.DoModal();
    return 1;
}

int ShowAutoRefMails(QWidget* parent) {
    if (!HasRows(receive_stores::kRefusals)) return 0;
    CAutoRefListDlg dialog(parent);
    dialog.DoModal();
    return 1;
}
